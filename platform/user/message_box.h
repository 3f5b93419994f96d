// Where MessageBoxA goes: to the handler a program or test installs (to
// record the boxes or answer them itself), else to the box of the backend in
// use, which the backend table installs when it starts a backend. Before any
// backend started, the box is written to standard error and answered with its
// default button.
#pragma once

#include <functional>
#include <string>

#include "platform/api/win32_types.h"

namespace vesper::platform {

struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs a handler (an empty one restores the backend's box); returns the
// previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The box of the backend in use; only the backend table sets it.
using BackendMessageBox = int (*)(const MessageBoxRequest&);
void SetBackendMessageBox(BackendMessageBox show);

// What a box does without a handler: written to standard error, answered with
// its default button.
int WriteMessageBoxToStandardError(const MessageBoxRequest& request);

// The box as a dialog of the dialog manager, in the look of the program's
// other dialogs (the box of both backends that show windows); where no
// dialog can be made at all, `fallback` shows it.
int ShowMessageBoxDialog(const MessageBoxRequest& request, BackendMessageBox fallback);

// The answer a key gives in a box of this type (MB_OK, MB_OKCANCEL, MB_YESNO),
// as on Windows: Return and Space press the default button (the first),
// Escape presses Cancel, or OK in a box with OK alone; 0 when the key does
// nothing (Escape in a box of Yes and No).
int AnswerOfKey(UINT type, UINT virtualKey);

}  // namespace vesper::platform
