// The seam between the password logic and whatever asks the user: the screen
// saver's password check and the password change ask a PasswordPrompt for
// each text they need and tell it the outcome. The display backends bring
// dialogs; until one is installed the headless prompt answers from a script
// (platform/testing/password_headless.h).
#pragma once

#include <optional>
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

// The sentence a dialog shows for a notice.
std::string_view DescribePasswordNotice(PasswordNotice notice);

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // What the user typed, or nullopt when they cancelled.
    virtual std::optional<SecretText> Ask(HWND owner, PasswordQuestion question) = 0;
    virtual void Tell(HWND owner, PasswordNotice notice) = 0;
};

// The prompt in force: the installed one, else the headless prompt.
PasswordPrompt& CurrentPasswordPrompt();
// Installs a prompt (nullptr restores the headless one); the caller keeps it
// alive. Returns the previously installed prompt (nullptr for the headless one).
PasswordPrompt* SetPasswordPrompt(PasswordPrompt* prompt);

}  // namespace vesper::platform
