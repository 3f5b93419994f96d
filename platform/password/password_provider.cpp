#include "platform/password/password_provider.h"

#include <cstdio>
#include <mutex>
#include <optional>

#include "platform/kernel/clock.h"
#include "platform/password/password_prompt.h"
#include "platform/password/password_store.h"
#include "platform/kernel/settings_text.h"

namespace vesper::platform {
namespace {

constexpr std::string_view kScreenSaverProvider = "SCRSAVE";

// Remembers when the last wrong password was entered.
class RetryDelay {
public:
    bool Elapsed()
    {
        std::lock_guard lock(m_mutex);
        return !m_lastFailure || CurrentClock().NowMilliseconds() - *m_lastFailure >= kPasswordRetryDelayMs;
    }
    void RecordFailure()
    {
        std::lock_guard lock(m_mutex);
        m_lastFailure = CurrentClock().NowMilliseconds();
    }
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_lastFailure.reset();
    }

private:
    std::mutex m_mutex;
    std::optional<std::uint64_t> m_lastFailure;
};

RetryDelay& Delay()
{
    static RetryDelay delay;
    return delay;
}

// Checks an answer against the stored password, counting a wrong one.
bool CheckAnswer(const SecretText& answer)
{
    if (CheckPassword(answer)) {
        Delay().Reset();
        return true;
    }
    Delay().RecordFailure();
    return false;
}

// Asks a question; when no dialog can be shown, says why on standard error.
std::optional<SecretText> AskOrSayWhyNot(PasswordPrompt& prompt, HWND owner, PasswordQuestion question,
                                         bool& unavailable)
{
    PasswordReply reply = prompt.Ask(owner, question);
    unavailable = !reply.unavailable.empty();
    if (unavailable)
        std::fprintf(stderr, "vesper: the password cannot be asked for: %s.\n", reply.unavailable.c_str());
    return std::move(reply.typed);
}

}  // namespace

void ResetPasswordRetryDelay()
{
    Delay().Reset();
}

BOOL WINAPI VerifyScreenSavePwd(HWND hwnd)
{
    if (!IsPasswordSet())
        return TRUE;
    if (!Delay().Elapsed())
        return FALSE;
    PasswordPrompt& prompt = CurrentPasswordPrompt();
    bool unavailable = false;
    const std::optional<SecretText> answer = AskOrSayWhyNot(prompt, hwnd, PasswordQuestion::Password, unavailable);
    // Nobody may be locked out by a dialog that cannot appear.
    if (unavailable)
        return TRUE;
    if (!answer)
        return FALSE;
    if (CheckAnswer(*answer))
        return TRUE;
    prompt.Tell(hwnd, PasswordNotice::WrongPassword);
    return FALSE;
}

DWORD WINAPI PwdChangePasswordA(LPCSTR lpcRegkeyname, HWND hwnd, DWORD, LPVOID)
{
    if (!lpcRegkeyname || !EqualsIgnoringCase(lpcRegkeyname, kScreenSaverProvider))
        return ERROR_BAD_PROVIDER;
    PasswordPrompt& prompt = CurrentPasswordPrompt();
    bool unavailable = false;
    const auto ask = [&](PasswordQuestion question) { return AskOrSayWhyNot(prompt, hwnd, question, unavailable); };
    if (IsPasswordSet()) {
        if (!Delay().Elapsed())
            return ERROR_INVALID_PASSWORD;
        const std::optional<SecretText> old = ask(PasswordQuestion::OldPassword);
        if (!old)
            return ERROR_CANCELLED;
        if (!CheckAnswer(*old)) {
            prompt.Tell(hwnd, PasswordNotice::WrongOldPassword);
            return ERROR_INVALID_PASSWORD;
        }
    }
    const std::optional<SecretText> first = ask(PasswordQuestion::NewPassword);
    if (!first)
        return ERROR_CANCELLED;
    const std::optional<SecretText> second = ask(PasswordQuestion::ConfirmNewPassword);
    if (!second)
        return ERROR_CANCELLED;
    if (first->View() != second->View()) {
        prompt.Tell(hwnd, PasswordNotice::NewPasswordsDiffer);
        return ERROR_INVALID_DATA;
    }
    if (const DWORD error = StorePassword(*first)) {
        prompt.Tell(hwnd, PasswordNotice::PasswordNotSaved);
        return error;
    }
    prompt.Tell(hwnd, first->Empty() ? PasswordNotice::PasswordRemoved : PasswordNotice::PasswordChanged);
    return NO_ERROR;
}

}  // namespace vesper::platform
