// The scripted password prompt of the tests.
#include "tests/support/platform/password_headless.h"

#include <deque>
#include <mutex>

namespace vesper::platform::headless {
namespace {

class ScriptedPasswordPrompt final : public PasswordPrompt {
public:
    PasswordReply Ask(HWND, PasswordQuestion question) override
    {
        std::lock_guard lock(m_mutex);
        m_asked.push_back(question);
        if (m_answers.empty())
            return {};
        PasswordReply reply{std::move(m_answers.front()), {}};
        m_answers.pop_front();
        return reply;
    }

    void Tell(HWND, PasswordNotice notice) override
    {
        std::lock_guard lock(m_mutex);
        m_told.push_back(notice);
    }

    void Queue(std::optional<SecretText> answer)
    {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(std::move(answer));
    }

    std::size_t Pending() const
    {
        std::lock_guard lock(m_mutex);
        return m_answers.size();
    }

    std::vector<PasswordQuestion> Asked() const
    {
        std::lock_guard lock(m_mutex);
        return m_asked;
    }

    std::vector<PasswordNotice> Told() const
    {
        std::lock_guard lock(m_mutex);
        return m_told;
    }

    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_answers.clear();  // each SecretText wipes itself
        m_asked.clear();
        m_told.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<SecretText>> m_answers;  // nullopt: cancel
    std::vector<PasswordQuestion> m_asked;
    std::vector<PasswordNotice> m_told;
};

ScriptedPasswordPrompt& Script()
{
    static ScriptedPasswordPrompt prompt;
    return prompt;
}

}  // namespace

void UseScriptedPasswordPrompt()
{
    SetPasswordPrompt(&Script());
}

bool QueuePasswordAnswer(std::string_view text)
{
    auto secret = SecretText::From(text);
    if (!secret)
        return false;
    Script().Queue(std::move(secret));
    return true;
}

void QueuePasswordCancel()
{
    Script().Queue(std::nullopt);
}

std::size_t PendingPasswordAnswers()
{
    return Script().Pending();
}

std::vector<PasswordQuestion> PasswordQuestionsAsked()
{
    return Script().Asked();
}

std::vector<PasswordNotice> PasswordNoticesShown()
{
    return Script().Told();
}

void ResetPasswordScript()
{
    Script().Reset();
}

}  // namespace vesper::platform::headless
