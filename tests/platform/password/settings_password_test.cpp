#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/kernel/clock.h"
#include "tests/support/platform/password_headless.h"
#include "platform/password/password_prompt.h"
#include "platform/password/password_provider.h"
#include "platform/password/password_store.h"
#include "platform/win32.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using vesper::platform::PasswordNotice;
using vesper::platform::PasswordQuestion;
using vesper::platform::headless::PasswordNoticesShown;
using vesper::platform::headless::PasswordQuestionsAsked;
using vesper::platform::headless::QueuePasswordAnswer;
using vesper::platform::headless::QueuePasswordCancel;
using vesper::test::ReadText;
using vesper::test::WriteText;

using VerifyFunction = BOOL(WINAPI*)(HWND);
using ChangeFunction = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);

const HWND kOwner = reinterpret_cast<HWND>(0x1234);

template <typename Function>
Function Cast(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// Reaches the password functions the way the saver does: by module and export
// name. Each test starts with an empty script, no pending retry delay and a
// clock it advances itself.
class Password : public vesper::test::UserFolderTest {
protected:
    void SetUp() override
    {
        vesper::platform::SetClockSource(&m_clock);
        vesper::platform::headless::UseScriptedPasswordPrompt();
        vesper::platform::headless::ResetPasswordScript();
        vesper::platform::ResetPasswordRetryDelay();
        m_passwordModule = LoadLibraryA("PASSWORD.CPL");
        m_mprModule = LoadLibraryA("MPR.DLL");
        ASSERT_NE(m_passwordModule, nullptr);
        ASSERT_NE(m_mprModule, nullptr);
        m_verify = Cast<VerifyFunction>(GetProcAddress(m_passwordModule, "VerifyScreenSavePwd"));
        m_change = Cast<ChangeFunction>(GetProcAddress(m_mprModule, "PwdChangePasswordA"));
        ASSERT_NE(m_verify, nullptr);
        ASSERT_NE(m_change, nullptr);
    }

    void TearDown() override
    {
        FreeLibrary(m_passwordModule);
        FreeLibrary(m_mprModule);
        vesper::platform::headless::ResetPasswordScript();
        vesper::platform::SetPasswordPrompt(nullptr);
        vesper::platform::SetClockSource(nullptr);
    }

    // Answers a change's questions in turn, then asks for the change.
    DWORD Change(std::initializer_list<const char*> answers)
    {
        for (const char* answer : answers)
            QueuePasswordAnswer(answer);
        return m_change("SCRSAVE", kOwner, 0, nullptr);
    }

    // Answers the questions of a change from no password to this one.
    DWORD SetFirstPassword(const char* password) { return Change({password, password}); }

    BOOL Verify(const std::string& answer)
    {
        QueuePasswordAnswer(answer);
        return m_verify(kOwner);
    }

    static DWORD UsePasswordFlag()
    {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS)
            return 0xDEAD;
        DWORD flag = 0xDEAD;
        DWORD size = sizeof flag;
        RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&flag), &size);
        RegCloseKey(key);
        return flag;
    }

    vesper::platform::ManualClock m_clock{5000};
    VerifyFunction m_verify = nullptr;
    ChangeFunction m_change = nullptr;

private:
    HMODULE m_passwordModule = nullptr;
    HMODULE m_mprModule = nullptr;
};

TEST_F(Password, WithoutAPasswordTheSaverMayCloseWithoutAsking)
{
    EXPECT_TRUE(m_verify(kOwner));
    EXPECT_TRUE(PasswordQuestionsAsked().empty());
    EXPECT_EQ(UsePasswordFlag(), 0xDEADu) << "nothing was written";
}

TEST_F(Password, SettingAPasswordStoresASaltedHashAndTurnsTheFlagOn)
{
    ASSERT_EQ(SetFirstPassword("open sesame"), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(PasswordQuestionsAsked(),
              (std::vector{PasswordQuestion::NewPassword, PasswordQuestion::ConfirmNewPassword}))
        << "no old password is asked while none is set";
    EXPECT_EQ(PasswordNoticesShown(), std::vector{PasswordNotice::PasswordChanged});
    EXPECT_EQ(UsePasswordFlag(), 1u);

    const auto hashPath = vesper::platform::PasswordHashPath();
    struct stat info {};
    ASSERT_EQ(stat(hashPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string stored = ReadText(hashPath);
    EXPECT_EQ(stored.rfind("$y$", 0), 0u) << stored;
    EXPECT_EQ(stored.find("open sesame"), std::string::npos);
    EXPECT_EQ(Entries(VesperFolder()), (std::set<std::string>{"password.hash", "registry.ini"}));

    // The same password again gets a fresh salt.
    m_clock.Advance(1);
    ASSERT_EQ(Change({"open sesame", "open sesame", "open sesame"}), static_cast<DWORD>(NO_ERROR));
    EXPECT_NE(ReadText(hashPath), stored);
}

TEST_F(Password, OnlyTheRightPasswordVerifies)
{
    ASSERT_EQ(SetFirstPassword("right"), static_cast<DWORD>(NO_ERROR));
    vesper::platform::headless::ResetPasswordScript();
    EXPECT_TRUE(Verify("right"));
    for (const char* wrong : {"Right", "right ", "righ", ""}) {
        m_clock.Advance(vesper::platform::kPasswordRetryDelayMs);
        EXPECT_FALSE(Verify(wrong)) << '"' << wrong << '"';
    }
    EXPECT_EQ(PasswordNoticesShown(), std::vector<PasswordNotice>(4, PasswordNotice::WrongPassword));
    EXPECT_EQ(PasswordQuestionsAsked(), std::vector<PasswordQuestion>(5, PasswordQuestion::Password));
}

TEST_F(Password, AfterAWrongEntryTheNextCheckWaitsForTheRetryDelay)
{
    ASSERT_EQ(SetFirstPassword("right"), static_cast<DWORD>(NO_ERROR));
    vesper::platform::headless::ResetPasswordScript();
    EXPECT_FALSE(Verify("wrong"));

    // Within the delay even the right password is not asked for.
    QueuePasswordAnswer("right");
    EXPECT_FALSE(m_verify(kOwner));
    m_clock.Advance(vesper::platform::kPasswordRetryDelayMs - 1);
    EXPECT_FALSE(m_verify(kOwner));
    EXPECT_EQ(PasswordQuestionsAsked().size(), 1u);
    EXPECT_EQ(vesper::platform::headless::PendingPasswordAnswers(), 1u);

    m_clock.Advance(1);
    EXPECT_TRUE(m_verify(kOwner));
    EXPECT_EQ(PasswordQuestionsAsked().size(), 2u);
}

TEST_F(Password, CancellingTheCheckKeepsTheSaverRunningWithoutADelay)
{
    ASSERT_EQ(SetFirstPassword("right"), static_cast<DWORD>(NO_ERROR));
    vesper::platform::headless::ResetPasswordScript();
    QueuePasswordCancel();
    EXPECT_FALSE(m_verify(kOwner));
    EXPECT_TRUE(PasswordNoticesShown().empty());
    EXPECT_TRUE(Verify("right")) << "a cancel is not a wrong entry";
}

// A prompt that can never show its dialog.
class UnavailablePrompt final : public vesper::platform::PasswordPrompt {
public:
    vesper::platform::PasswordReply Ask(HWND, PasswordQuestion) override
    {
        ++asked;
        return {std::nullopt, "no screen"};
    }
    void Tell(HWND, PasswordNotice) override {}
    int asked = 0;
};

TEST_F(Password, WhenNoDialogCanBeShownTheSaverMayCloseAndAChangeChangesNothing)
{
    ASSERT_EQ(SetFirstPassword("right"), static_cast<DWORD>(NO_ERROR));
    const std::string hash = ReadText(vesper::platform::PasswordHashPath());
    UnavailablePrompt prompt;
    vesper::platform::SetPasswordPrompt(&prompt);
    testing::internal::CaptureStderr();
    const BOOL verified = m_verify(kOwner);
    const DWORD changed = m_change("SCRSAVE", kOwner, 0, nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    vesper::platform::headless::UseScriptedPasswordPrompt();

    EXPECT_TRUE(verified) << "nobody is locked out by a dialog that cannot appear";
    EXPECT_EQ(changed, static_cast<DWORD>(ERROR_CANCELLED));
    EXPECT_EQ(prompt.asked, 2);
    EXPECT_EQ(ReadText(vesper::platform::PasswordHashPath()), hash);
    EXPECT_NE(said.find("the password cannot be asked for: no screen."), std::string::npos) << said;
    EXPECT_TRUE(Verify("right")) << "the stored password still counts";
    EXPECT_FALSE(Verify("wrong"));
}

TEST_F(Password, AWrongOldPasswordChangesNothing)
{
    ASSERT_EQ(SetFirstPassword("first"), static_cast<DWORD>(NO_ERROR));
    const std::string hash = ReadText(vesper::platform::PasswordHashPath());
    vesper::platform::headless::ResetPasswordScript();

    EXPECT_EQ(Change({"guess", "second", "second"}), static_cast<DWORD>(ERROR_INVALID_PASSWORD));
    EXPECT_EQ(PasswordQuestionsAsked(), std::vector{PasswordQuestion::OldPassword});
    EXPECT_EQ(PasswordNoticesShown(), std::vector{PasswordNotice::WrongOldPassword});
    EXPECT_EQ(ReadText(vesper::platform::PasswordHashPath()), hash);

    // Right after, the retry delay holds for a change too.
    vesper::platform::headless::ResetPasswordScript();
    EXPECT_EQ(Change({"first"}), static_cast<DWORD>(ERROR_INVALID_PASSWORD));
    EXPECT_TRUE(PasswordQuestionsAsked().empty());

    m_clock.Advance(vesper::platform::kPasswordRetryDelayMs);
    EXPECT_TRUE(Verify("first"));
}

TEST_F(Password, DifferingNewEntriesChangeNothing)
{
    ASSERT_EQ(SetFirstPassword("first"), static_cast<DWORD>(NO_ERROR));
    vesper::platform::headless::ResetPasswordScript();
    EXPECT_EQ(Change({"first", "second", "Second"}), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(PasswordNoticesShown(), std::vector{PasswordNotice::NewPasswordsDiffer});
    EXPECT_TRUE(Verify("first"));
    EXPECT_EQ(UsePasswordFlag(), 1u);
}

TEST_F(Password, CancellingAnyQuestionOfAChangeChangesNothing)
{
    ASSERT_EQ(SetFirstPassword("first"), static_cast<DWORD>(NO_ERROR));
    for (int answered = 0; answered < 3; ++answered) {
        vesper::platform::headless::ResetPasswordScript();
        const char* answers[] = {"first", "second"};
        for (int i = 0; i < answered; ++i)
            QueuePasswordAnswer(answers[i == 0 ? 0 : 1]);
        QueuePasswordCancel();
        EXPECT_EQ(m_change("SCRSAVE", kOwner, 0, nullptr), static_cast<DWORD>(ERROR_CANCELLED)) << answered;
        EXPECT_TRUE(PasswordNoticesShown().empty());
    }
    EXPECT_TRUE(Verify("first"));
}

TEST_F(Password, AnEmptyNewPasswordRemovesTheHashAndTurnsTheFlagOff)
{
    ASSERT_EQ(SetFirstPassword("first"), static_cast<DWORD>(NO_ERROR));
    vesper::platform::headless::ResetPasswordScript();
    ASSERT_EQ(Change({"first", "", ""}), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(PasswordNoticesShown(), std::vector{PasswordNotice::PasswordRemoved});
    EXPECT_EQ(UsePasswordFlag(), 0u);
    EXPECT_FALSE(std::filesystem::exists(vesper::platform::PasswordHashPath()));
    EXPECT_FALSE(vesper::platform::IsPasswordSet());

    vesper::platform::headless::ResetPasswordScript();
    EXPECT_TRUE(m_verify(kOwner));
    EXPECT_TRUE(PasswordQuestionsAsked().empty());
}

TEST_F(Password, ADamagedHashFileKeepsTheSaverLocked)
{
    // crypt reports failures with strings beginning with '*'; a hash file that
    // holds one must not let a matching failure through.
    for (const char* damaged : {"*0\n", "*1", "", "$1$salt$notyescrypt\n", "garbage"}) {
        WriteText(vesper::platform::PasswordHashPath(), damaged);
        EXPECT_TRUE(vesper::platform::IsPasswordSet()) << damaged;
        for (const char* answer : {"", "*0", "*1", damaged}) {
            vesper::platform::ResetPasswordRetryDelay();
            EXPECT_FALSE(Verify(answer)) << "file " << damaged << ", answer " << answer;
        }
    }
}

TEST_F(Password, OnlyTheScreenSaverProviderIsServed)
{
    QueuePasswordAnswer("x");
    QueuePasswordAnswer("x");
    EXPECT_EQ(m_change("OTHER", kOwner, 0, nullptr), static_cast<DWORD>(ERROR_BAD_PROVIDER));
    EXPECT_EQ(m_change(nullptr, kOwner, 0, nullptr), static_cast<DWORD>(ERROR_BAD_PROVIDER));
    EXPECT_TRUE(PasswordQuestionsAsked().empty());
    EXPECT_EQ(m_change("scrsave", kOwner, 0, nullptr), static_cast<DWORD>(NO_ERROR));
}

TEST_F(Password, AFailedSaveIsToldAndLeavesTheFlagOff)
{
    // The settings folder's place is taken by a file, so nothing can be saved.
    WriteText(VesperFolder(), "not a folder");
    EXPECT_NE(SetFirstPassword("first"), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(PasswordNoticesShown(), std::vector{PasswordNotice::PasswordNotSaved});
    EXPECT_EQ(UsePasswordFlag(), 0xDEADu);
}

TEST(SecretText, RefusesWhatCannotBeHashedAndIsEmptyAfterAMove)
{
    using vesper::platform::SecretText;
    EXPECT_FALSE(SecretText::From(std::string(SecretText::kCapacity + 1, 'a')).has_value());
    EXPECT_FALSE(SecretText::From(std::string("a\0b", 3)).has_value());
    auto secret = SecretText::From(std::string(SecretText::kCapacity, 'a'));
    ASSERT_TRUE(secret.has_value());
    EXPECT_FALSE(secret->Append('b')) << "full";
    SecretText moved = std::move(*secret);
    EXPECT_EQ(moved.View().size(), SecretText::kCapacity);
    EXPECT_TRUE(secret->Empty());
    EXPECT_STREQ(secret->CStr(), "");
    moved.RemoveLast();
    EXPECT_EQ(moved.View().size(), SecretText::kCapacity - 1);
    EXPECT_FALSE(vesper::platform::headless::QueuePasswordAnswer(std::string(SecretText::kCapacity + 1, 'a')));
}

}  // namespace
