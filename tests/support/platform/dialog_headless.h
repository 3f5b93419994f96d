// Watching and working dialogs on the headless screen, for tests: the open
// dialogs and their controls' texts, and the actions of a user (buttons
// clicked, scroll bars worked with the mouse, text typed, keys pressed)
// delivered as mouse and keyboard input through the headless backend.
//
// Call these from a thread other than the one running the dialog. Each
// action returns once the dialog's modal loop has handled everything the
// input caused and waits again (or the dialog has gone); false when the
// dialog or control is missing or that did not happen within 10 seconds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace vesper::platform::headless {

struct OpenDialog {
    HWND window = nullptr;
    std::string caption;
};
std::vector<OpenDialog> OpenDialogs();

// The first open dialog with the caption (any caption when empty) once its
// modal loop waits for input; null when none came within 10 seconds.
HWND WaitForDialog(std::string_view caption = {});
// Waits until the dialog has been destroyed; false after 10 seconds.
bool WaitForDialogClosed(HWND dialog);

std::string ControlText(HWND dialog, int id);

// A click in the middle of the control.
bool ClickControl(HWND dialog, int id);
// A click on an arrow or on the trough beside the thumb of a scroll bar.
bool ClickScrollArrow(HWND dialog, int id, bool right);
bool ClickScrollTrough(HWND dialog, int id, bool right);
// Presses the thumb, moves it to where `position` lies in `steps` moves
// (each handled before the next) and releases it there.
bool DragScrollThumb(HWND dialog, int id, int position, int steps = 3);
// Clicks into the edit control and types the text on the US keyboard;
// false (nothing typed) for a character that keyboard cannot type.
bool TypeText(HWND dialog, int id, std::string_view text);
// A key pressed and released, with Shift held when asked.
bool PressDialogKey(HWND dialog, UINT virtualKey, bool shift = false);
// Closing by the window manager (SC_CLOSE).
bool CloseDialog(HWND dialog);

}  // namespace vesper::platform::headless
