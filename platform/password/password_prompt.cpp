// The prompt in force and the notices' sentences.
#include <atomic>

#include "platform/password/password_prompt.h"
#include "platform/kernel/translation.h"

namespace vesper::platform {
namespace {

std::atomic<PasswordPrompt*> installedPrompt{nullptr};
std::atomic<PasswordPrompt*> backendPrompt{nullptr};

}  // namespace

std::string_view DescribePasswordNotice(PasswordNotice notice)
{
    switch (notice) {
    case PasswordNotice::WrongPassword: return N_("The password is not correct.");
    case PasswordNotice::WrongOldPassword: return N_("The old password is not correct. The password was not changed.");
    case PasswordNotice::NewPasswordsDiffer:
        return N_("The new password and its confirmation do not match. The password was not changed.");
    case PasswordNotice::PasswordChanged: return N_("The screen saver password has been changed.");
    case PasswordNotice::PasswordRemoved: return N_("The screen saver password has been removed.");
    case PasswordNotice::PasswordNotSaved: return N_("The new password could not be saved. The password was not changed.");
    }
    return {};
}

PasswordPrompt& CurrentPasswordPrompt()
{
    if (PasswordPrompt* prompt = installedPrompt.load())
        return *prompt;
    PasswordPrompt* prompt = backendPrompt.load();
    return prompt ? *prompt : DialogPasswordPrompt();
}

void SetBackendPasswordPrompt(PasswordPrompt& prompt)
{
    backendPrompt.store(&prompt);
}

PasswordPrompt* SetPasswordPrompt(PasswordPrompt* prompt)
{
    return installedPrompt.exchange(prompt);
}

}  // namespace vesper::platform
