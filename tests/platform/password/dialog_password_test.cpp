// The password prompt on real dialogs: setting, verifying, a wrong password
// and cancelling, worked through the headless test control; and the modal
// loop still delivering messages sent from another thread meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/platform/dialog_headless.h"
#include "platform/user/message_box.h"
#include "platform/password/password_prompt.h"
#include "platform/password/password_provider.h"
#include "platform/password/password_store.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/language.h"

namespace {

namespace headless = vesper::platform::headless;
using vesper::platform::PasswordNotice;

constexpr char kCaption[] = "Screen saver password";
constexpr int kEdit = 102;
constexpr UINT kTick = WM_USER + 7;

std::atomic<int> g_ticks{0};

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kTick) {
        ++g_ticks;
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class PasswordDialogs : public vesper::test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        vesper::platform::ResetPasswordRetryDelay();
        m_previousPrompt = vesper::platform::SetPasswordPrompt(nullptr);
        vesper::platform::SetMessageBoxHandler([this](const vesper::platform::MessageBoxRequest& box) {
            std::lock_guard lock(m_mutex);
            m_boxes.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        vesper::platform::SetMessageBoxHandler(nullptr);
        vesper::platform::SetPasswordPrompt(m_previousPrompt);
        WindowTest::TearDown();
    }

    // Runs `modal` on this thread while `script` answers its dialogs from another.
    template <typename Modal, typename Script>
    auto WithScript(Modal&& modal, Script&& script)
    {
        std::thread driver(std::forward<Script>(script));
        auto result = modal();
        driver.join();
        return result;
    }

    // Answers the next password dialog with the text and OK.
    static void Answer(const std::string& text)
    {
        HWND dialog = headless::WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(SendDlgItemMessageA(dialog, kEdit, EM_GETPASSWORDCHAR, 0, 0), '*') << "the typing is masked";
        ASSERT_TRUE(headless::TypeText(dialog, kEdit, text));
        EXPECT_EQ(headless::ControlText(dialog, kEdit), text);
        ASSERT_TRUE(headless::PressDialogKey(dialog, VK_RETURN));
        EXPECT_TRUE(headless::WaitForDialogClosed(dialog));
    }

    static void Cancel()
    {
        HWND dialog = headless::WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        headless::TypeText(dialog, kEdit, "abc");
        ASSERT_TRUE(headless::ClickControl(dialog, IDCANCEL));
        EXPECT_TRUE(headless::WaitForDialogClosed(dialog));
    }

    std::vector<std::string> Boxes()
    {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }

    DWORD SetPassword(const std::string& password)
    {
        return WithScript([] { return vesper::platform::PwdChangePasswordA("SCRSAVE", nullptr, 0, nullptr); },
                          [&] {
                              Answer(password);
                              Answer(password);
                          });
    }

    vesper::test::ScratchDir m_scratch;
    vesper::test::ScopedEnvironment m_config{"XDG_CONFIG_HOME", (m_scratch.path() / "config").c_str()};
    vesper::platform::PasswordPrompt* m_previousPrompt = nullptr;
    std::mutex m_mutex;
    std::vector<std::string> m_boxes;
};

TEST_F(PasswordDialogs, SetThenVerifyRightWrongAndCancelled)
{
    ASSERT_EQ(SetPassword("Secret-7"), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           std::string(DescribePasswordNotice(PasswordNotice::PasswordChanged))});

    EXPECT_TRUE(WithScript([] { return vesper::platform::VerifyScreenSavePwd(nullptr); }, [] { Answer("Secret-7"); }));

    EXPECT_FALSE(WithScript([] { return vesper::platform::VerifyScreenSavePwd(nullptr); }, [] { Answer("secret-7"); }));
    EXPECT_EQ(Boxes().back(), DescribePasswordNotice(PasswordNotice::WrongPassword));

    vesper::platform::ResetPasswordRetryDelay();
    const std::size_t shown = Boxes().size();
    EXPECT_FALSE(WithScript([] { return vesper::platform::VerifyScreenSavePwd(nullptr); }, [] { Cancel(); }));
    EXPECT_EQ(Boxes().size(), shown) << "cancelling shows no notice";
}

TEST_F(PasswordDialogs, ChangingAsksForTheOldPasswordAndRefusesADifferentConfirmation)
{
    ASSERT_EQ(SetPassword("first"), static_cast<DWORD>(NO_ERROR));
    const DWORD differ = WithScript([] { return vesper::platform::PwdChangePasswordA("SCRSAVE", nullptr, 0, nullptr); },
                                    [] {
                                        Answer("first");
                                        Answer("second");
                                        Answer("Second");
                                    });
    EXPECT_NE(differ, static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(Boxes().back(), DescribePasswordNotice(PasswordNotice::NewPasswordsDiffer));
    EXPECT_TRUE(WithScript([] { return vesper::platform::VerifyScreenSavePwd(nullptr); }, [] { Answer("first"); }))
        << "the old password stays";
}

TEST_F(PasswordDialogs, MessagesSentFromAnotherThreadArriveWhileTheDialogRuns)
{
    ASSERT_EQ(SetPassword("tick"), static_cast<DWORD>(NO_ERROR));
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.lpszClassName = "VesperTickedWindow";
    RegisterClassA(&windowClass);
    HWND saver = Track(CreateWindowExA(WS_EX_TOPMOST, "VesperTickedWindow", "Screen Saver", WS_POPUP | WS_VISIBLE, 0,
                                       0, 640, 480, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(saver, nullptr);
    g_ticks = 0;
    constexpr int kTicks = 10;
    bool ownerDisabled = false;
    bool dialogTopmost = false;
    const BOOL verified = WithScript([&] { return vesper::platform::VerifyScreenSavePwd(saver); },
                                     [&] {
                                         HWND dialog = headless::WaitForDialog(kCaption);
                                         ASSERT_NE(dialog, nullptr);
                                         ownerDisabled = !IsWindowEnabled(saver);
                                         dialogTopmost = (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                                         std::thread ticker([&] {
                                             for (int i = 0; i < kTicks; ++i)
                                                 EXPECT_EQ(SendMessageA(saver, kTick, 0, 0), 1);
                                         });
                                         ticker.join();
                                         Answer("tick");
                                     });
    EXPECT_TRUE(verified);
    EXPECT_EQ(g_ticks.load(), kTicks) << "every tick reached the saver window during the dialog";
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(dialogTopmost) << "the dialog shows above its topmost owner";
    EXPECT_TRUE(IsWindowEnabled(saver)) << "the owner is enabled again afterwards";
    DestroyWindow(saver);
    UnregisterClassA("VesperTickedWindow", nullptr);
}

TEST_F(PasswordDialogs, AMissingTemplateFailsTheDialog)
{
    EXPECT_EQ(DialogBoxParamA(nullptr, "NoSuchDialogTemplate", nullptr, nullptr, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(9999), nullptr, nullptr, 0), -1);
}

// Every text of both prompts and of their notices in one language: the
// French of the player where the locale is French, English elsewhere.
TEST_F(PasswordDialogs, EachPromptAndNoticeSpeaksOneLanguage)
{
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    struct Language {
        const char* locale;
        const char* caption;
        std::vector<std::string> labels;  // the new password, then its confirmation
        const char* cancel;
        const char* changed;
    };
    const Language languages[] = {
        {vesper::test::kFrench,
         "Mot de passe de l'\xe9" "cran de veille",
         {"Tapez le nouveau mot de passe :", "Tapez \xe0 nouveau le nouveau mot de passe :"},
         "Annuler",
         "Le mot de passe de l'\xe9" "cran de veille a \xe9t\xe9 modifi\xe9."},
        {vesper::test::kEnglish,
         "Screen saver password",
         {"Type the new password:", "Type the new password again:"},
         "Cancel",
         "The screen saver password has been changed."},
    };
    for (const Language& language : languages) {
        SCOPED_TRACE(language.locale);
        const vesper::test::ScopedLanguage scoped(language.locale);
        std::filesystem::remove(vesper::platform::PasswordHashPath());
        std::vector<std::string> labels;
        const DWORD result = WithScript(
            [] { return vesper::platform::PwdChangePasswordA("SCRSAVE", nullptr, 0, nullptr); },
            [&] {
                for (int question = 0; question < 2; ++question) {
                    HWND dialog = headless::WaitForDialog(language.caption);
                    ASSERT_NE(dialog, nullptr) << "no dialog with the caption";
                    labels.push_back(headless::ControlText(dialog, 101));
                    EXPECT_EQ(headless::ControlText(dialog, IDOK), "OK");
                    EXPECT_EQ(headless::ControlText(dialog, IDCANCEL), language.cancel);
                    ASSERT_TRUE(headless::TypeText(dialog, kEdit, "abc"));
                    ASSERT_TRUE(headless::PressDialogKey(dialog, VK_RETURN));
                    EXPECT_TRUE(headless::WaitForDialogClosed(dialog));
                }
            });
        EXPECT_EQ(result, static_cast<DWORD>(NO_ERROR));
        EXPECT_EQ(labels, language.labels);
        ASSERT_FALSE(Boxes().empty());
        EXPECT_EQ(Boxes().back(), language.changed) << "the notice in the prompts' language";
    }
}

}  // namespace
