// What the parts of the dialog manager share: the frame a dialog draws round
// its controls, the focus rules that controls report to.
#pragma once

#include "platform/internal.h"

#include <vector>

#include "platform/user/dialog/dialog_template.h"
#include "platform/win32.h"

namespace vesper::platform::dialog {

// The frame inside a dialog's window: a border on every side and, with
// WS_CAPTION, a caption bar below the top border.
inline constexpr int kFrameBorder = 3;
inline constexpr int kCaptionHeight = 18;
POINT ContentOrigin(DWORD style);
SIZE FrameExtent(DWORD style);
// Draws the border and caption.
void PaintFrame(HWND dialog, HDC dc);
// The close box of the caption, in the dialog's window coordinates; empty
// without WS_SYSMENU.
RECT CloseBox(HWND dialog);

// The font a template's dialog shows its texts in; the caller deletes it
// when `owned`.
HFONT FontOf(const DialogTemplate& dialogTemplate, bool& owned);
// The dialog base units of a font: pixels per 4 horizontal and 8 vertical
// dialog units.
SIZE BaseUnitsOf(HFONT font);

bool IsDialog(HWND window);
// The dialog's controls in creation (tab) order.
std::vector<HWND> ControlsOf(HWND dialog);
// Moves the focus to a control of the dialog, selecting an edit control's
// text and showing the default push button.
void FocusControl(HWND dialog, HWND control);
// Called by a control that got the focus: its dialog remembers it and shows
// which push button Enter would press.
void NoteControlFocus(HWND control);
// The id Enter sends when no push button has the focus.
int DefaultId(HWND dialog);

}  // namespace vesper::platform::dialog
