// The current prompt and the scripted prompt that tests install.
#include <atomic>
#include <deque>
#include <mutex>

#include "platform/testing/password_headless.h"
#include "platform/password/password_prompt.h"

namespace vesper::platform {
namespace {

class HeadlessPasswordPrompt final : public PasswordPrompt {
public:
    PasswordReply Ask(HWND, PasswordQuestion question) override
    {
        std::lock_guard lock(mutex_);
        asked_.push_back(question);
        if (answers_.empty())
            return {};
        PasswordReply reply{std::move(answers_.front()), {}};
        answers_.pop_front();
        return reply;
    }

    void Tell(HWND, PasswordNotice notice) override
    {
        std::lock_guard lock(mutex_);
        told_.push_back(notice);
    }

    void Queue(std::optional<SecretText> answer)
    {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(answer));
    }

    std::size_t Pending() const
    {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }

    std::vector<PasswordQuestion> Asked() const
    {
        std::lock_guard lock(mutex_);
        return asked_;
    }

    std::vector<PasswordNotice> Told() const
    {
        std::lock_guard lock(mutex_);
        return told_;
    }

    void Reset()
    {
        std::lock_guard lock(mutex_);
        answers_.clear();  // each SecretText wipes itself
        asked_.clear();
        told_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::deque<std::optional<SecretText>> answers_;  // nullopt: cancel
    std::vector<PasswordQuestion> asked_;
    std::vector<PasswordNotice> told_;
};

HeadlessPasswordPrompt& Headless()
{
    static HeadlessPasswordPrompt prompt;
    return prompt;
}

std::atomic<PasswordPrompt*> installedPrompt{nullptr};
std::atomic<PasswordPrompt*> backendPrompt{nullptr};

}  // namespace

std::string_view DescribePasswordNotice(PasswordNotice notice)
{
    switch (notice) {
    case PasswordNotice::WrongPassword: return "The password is not correct.";
    case PasswordNotice::WrongOldPassword: return "The old password is not correct. The password was not changed.";
    case PasswordNotice::NewPasswordsDiffer:
        return "The new password and its confirmation do not match. The password was not changed.";
    case PasswordNotice::PasswordChanged: return "The screen saver password has been changed.";
    case PasswordNotice::PasswordRemoved: return "The screen saver password has been removed.";
    case PasswordNotice::PasswordNotSaved: return "The new password could not be saved. The password was not changed.";
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

namespace headless {

void UseScriptedPasswordPrompt()
{
    SetPasswordPrompt(&Headless());
}

bool QueuePasswordAnswer(std::string_view text)
{
    auto secret = SecretText::From(text);
    if (!secret)
        return false;
    Headless().Queue(std::move(secret));
    return true;
}

void QueuePasswordCancel()
{
    Headless().Queue(std::nullopt);
}

std::size_t PendingPasswordAnswers()
{
    return Headless().Pending();
}

std::vector<PasswordQuestion> PasswordQuestionsAsked()
{
    return Headless().Asked();
}

std::vector<PasswordNotice> PasswordNoticesShown()
{
    return Headless().Told();
}

void ResetPasswordScript()
{
    Headless().Reset();
}

}  // namespace headless
}  // namespace vesper::platform
