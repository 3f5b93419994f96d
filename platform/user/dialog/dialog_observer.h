// Following the lives of dialogs from outside the window layer: whoever works
// dialogs from another thread (such as a test driving them with input)
// installs an observer and learns when a dialog opens, when its modal loop
// has run out of messages and is about to wait, and when it has gone. Called
// on the dialog's thread, without the window layer's lock held.
#pragma once

#include "platform/internal.h"

#include "platform/api/win32_types.h"

namespace vesper::platform::dialog {

class DialogObserver {
public:
    virtual ~DialogObserver() = default;
    virtual void Opened(HWND dialog) = 0;
    virtual void Idle(HWND dialog) = 0;
    virtual void Closed(HWND dialog) = 0;
};

// Installs the observer (nullptr for none); the caller keeps it alive.
// Returns the previous one.
DialogObserver* SetDialogObserver(DialogObserver* observer);

}  // namespace vesper::platform::dialog
