/* The configuration dialog, dialog resource 2003, described once for every
   platform. The resource script of the Windows program (tools/vesper/vesper.rc)
   and the template that saver/resources.cpp registers with the platform's
   dialog manager elsewhere are both made from these lists, each expanding
   them with statement macros of its own. It is read by the resource compiler's
   C preprocessor too, so it holds preprocessor definitions only; the style
   names come from <windows.h> there and from platform/win32.h here.

   VESPER_CONFIG_DIALOG(DIALOG) gives the dialog itself:
     DIALOG(x, y, cx, cy, style, caption, pointSize, faceName)
   VESPER_CONFIG_DIALOG_CONTROLS(CONTROL) gives its controls, in tab order:
     CONTROL(className, text, id, x, y, cx, cy, style)
   Positions and sizes are in dialog units. The texts are English; the
   dialog shows them in the user's language (po/<language>.po): on Linux the
   registered template is translated, and the Windows program carries one
   dialog per language, made from this one. */
#ifndef VESPER_SAVER_CONFIG_DIALOG_TEMPLATE_H
#define VESPER_SAVER_CONFIG_DIALOG_TEMPLATE_H

#define VESPER_CONFIG_DIALOG_ID 2003
#define VESPER_CONFIG_TITLE_ID 1001
#define VESPER_CONFIG_CREDIT_ID 107
#define VESPER_CONFIG_SPEED_ID 100
#define VESPER_CONFIG_NO_ID (-1)

/* The styles the resource script statements LTEXT, RTEXT, GROUPBOX,
   SCROLLBAR and PUSHBUTTON give their controls. */
#define VESPER_LEFT_TEXT (WS_VISIBLE | WS_GROUP | SS_LEFT)
#define VESPER_RIGHT_TEXT (WS_VISIBLE | WS_GROUP | SS_RIGHT)
#define VESPER_GROUP_BOX (WS_VISIBLE | BS_GROUPBOX)
#define VESPER_SCROLL_BAR (WS_VISIBLE | SBS_HORZ)
#define VESPER_PUSH_BUTTON (WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON)

#define VESPER_CONFIG_DIALOG(DIALOG) \
    DIALOG(6, 18, 260, 105, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, \
           "Configuration", 8, "MS Sans Serif")

#define VESPER_CONFIG_DIALOG_CONTROLS(CONTROL) \
    CONTROL("Static", "Screen Saver Title", VESPER_CONFIG_TITLE_ID, 7, 5, 187, 14, VESPER_LEFT_TEXT) \
    CONTROL("Static", "Static", VESPER_CONFIG_CREDIT_ID, 9, 24, 182, 8, VESPER_LEFT_TEXT) \
    CONTROL("Button", "Display speed", 101, 7, 38, 161, 40, VESPER_GROUP_BOX) \
    CONTROL("Static", "Slow", 104, 15, 51, 20, 8, VESPER_LEFT_TEXT) \
    CONTROL("Static", "Fast", 103, 133, 50, 27, 8, VESPER_RIGHT_TEXT) \
    CONTROL("ScrollBar", "", VESPER_CONFIG_SPEED_ID, 13, 62, 147, 10, VESPER_SCROLL_BAR) \
    CONTROL("Button", "OK", IDOK, 207, 6, 45, 14, VESPER_PUSH_BUTTON) \
    CONTROL("Button", "Cancel", IDCANCEL, 207, 25, 45, 14, VESPER_PUSH_BUTTON) \
    CONTROL("Static", "Vesper Scene 1.0 for Windows 95", VESPER_CONFIG_NO_ID, 8, 87, 192, 9, VESPER_LEFT_TEXT)

#endif
