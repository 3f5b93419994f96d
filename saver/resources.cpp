// Dialog resource 2003, as a resource script would give it:
//
//   2003 DIALOG 6, 18, 260, 105
//   STYLE DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU
//   CAPTION "Configuration"
//   FONT 8, "MS Sans Serif"
//   {
//     LTEXT      "Titre du Screen Saver", 1001, 7, 5, 187, 14
//     LTEXT      "Static", 107, 9, 24, 182, 8
//     GROUPBOX   "Vitesse d'affichage", 101, 7, 38, 161, 40
//     LTEXT      "Lente", 104, 15, 51, 20, 8
//     RTEXT      "Rapide", 103, 133, 50, 27, 8
//     SCROLLBAR  100, 13, 62, 147, 10
//     PUSHBUTTON "OK", 1, 207, 6, 45, 14
//     PUSHBUTTON "Annuler", 2, 207, 25, 45, 14
//     LTEXT      "Vesper Scene 1.0 pour Windows 95", -1, 8, 87, 192, 9
//   }
#include "saver/resources.h"

#include "platform/user/dialog/dialog_template.h"

namespace {

using vesper::platform::DialogItemTemplate;
using vesper::platform::DialogTemplate;

constexpr int kNoId = -1;
// The default styles of the resource script statements.
constexpr DWORD kLeftText = WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kRightText = WS_VISIBLE | WS_GROUP | SS_RIGHT;
constexpr DWORD kGroupBox = WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kScrollBar = WS_VISIBLE | SBS_HORZ;
constexpr DWORD kPushButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

DialogItemTemplate Item(const char* className, const char* text, int id, short x, short y, short cx, short cy,
                        DWORD style)
{
    return DialogItemTemplate{className, text, id, x, y, cx, cy, style, 0};
}

DialogTemplate ConfigurationTemplate()
{
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    dialog.x = 6;
    dialog.y = 18;
    dialog.cx = 260;
    dialog.cy = 105;
    dialog.caption = "Configuration";
    dialog.pointSize = 8;
    dialog.faceName = "MS Sans Serif";
    dialog.items = {
        Item("Static", "Titre du Screen Saver", 1001, 7, 5, 187, 14, kLeftText),
        Item("Static", "Static", 107, 9, 24, 182, 8, kLeftText),
        Item("Button", "Vitesse d'affichage", 101, 7, 38, 161, 40, kGroupBox),
        Item("Static", "Lente", 104, 15, 51, 20, 8, kLeftText),
        Item("Static", "Rapide", 103, 133, 50, 27, 8, kRightText),
        Item("ScrollBar", "", 100, 13, 62, 147, 10, kScrollBar),
        Item("Button", "OK", IDOK, 207, 6, 45, 14, kPushButton),
        Item("Button", "Annuler", IDCANCEL, 207, 25, 45, 14, kPushButton),
        Item("Static", "Vesper Scene 1.0 pour Windows 95", kNoId, 8, 87, 192, 9, kLeftText),
    };
    return dialog;
}

}  // namespace

void RegisterSaverResources()
{
    vesper::platform::RegisterDialogTemplate(MAKEINTRESOURCEA(kConfigurationDialog), ConfigurationTemplate());
}
