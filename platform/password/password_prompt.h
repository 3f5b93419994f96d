// The seam between the password logic and whatever asks the user: the screen
// saver's password check and the password change ask a PasswordPrompt for
// each text they need and tell it the outcome. Unless a test installs its own
// prompt, the prompt is that of the backend in use (the backend table installs
// it when it starts a backend): on both backends the dialogs of the window
// layer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/password/password_secret.h"
#include "platform/api/win32_types.h"

namespace vesper::platform {

enum class PasswordQuestion {
    Password,           // the password that lets the saver close
    OldPassword,        // the password in force, before changing it
    NewPassword,        // the new password (empty: no password)
    ConfirmNewPassword  // the new password again
};

enum class PasswordNotice {
    WrongPassword,
    WrongOldPassword,
    NewPasswordsDiffer,
    PasswordChanged,
    PasswordRemoved,
    PasswordNotSaved
};

// The sentence a dialog shows for a notice, in English (shown through
// vesper::TrWindows).
std::string_view DescribePasswordNotice(PasswordNotice notice);

// What came of a question.
struct PasswordReply {
    // What the user typed; nullopt when they cancelled or were never asked.
    std::optional<SecretText> typed;
    // Why the question could not be put to the user at all; empty when it was.
    std::string unavailable;
};

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual PasswordReply Ask(HWND owner, PasswordQuestion question) = 0;
    virtual void Tell(HWND owner, PasswordNotice notice) = 0;
};

// The prompt in force: the installed one, else the backend's, else (before
// any backend started) the dialogs.
PasswordPrompt& CurrentPasswordPrompt();
// The dialogs: each question a dialog with a masked edit, OK and Cancel, each
// notice a message box, in the user's language.
PasswordPrompt& DialogPasswordPrompt();
// Installs a prompt (nullptr restores the backend's); the caller keeps it alive.
// Returns the previously installed prompt (nullptr for the backend's).
PasswordPrompt* SetPasswordPrompt(PasswordPrompt* prompt);
// The prompt of the backend in use; only the backend table sets it.
void SetBackendPasswordPrompt(PasswordPrompt& prompt);

}  // namespace vesper::platform
