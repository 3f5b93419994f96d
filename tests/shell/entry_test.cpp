// The command tail and the run modes it chooses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless_windows.h"
#include "platform/password_prompt.h"
#include "shell/entry.h"
#include "tests/platform/settings_test_env.h"
#include "tests/platform/user_test_support.h"

namespace vesper::test {
namespace {

void ExpectMode(const char* tail, RunMode mode, DWORD windowNumber = 0)
{
    const RunRequest request = ParseCommandLine(tail);
    EXPECT_EQ(request.mode, mode) << '"' << tail << '"';
    EXPECT_EQ(request.windowNumber, windowNumber) << '"' << tail << '"';
}

TEST(CommandLine, SaveLetterAfterBlanksDashesAndSlashes)
{
    for (const char* tail : {"/s", "-s", "s", " /S", "/save", "- -//s", "S 1234"})
        ExpectMode(tail, RunMode::save);
}

TEST(CommandLine, PreviewTakesTheDigitsAfterTheBlanks)
{
    for (const char* tail : {"/p 1234", "/p1234", "/P   1234", "/l 1234", "-L1234x"})
        ExpectMode(tail, RunMode::preview, 1234);
    ExpectMode("/p", RunMode::preview, 0);
    ExpectMode("/p -1234", RunMode::preview, 0);
}

TEST(CommandLine, ConfigurationAndPasswordChange)
{
    ExpectMode("/c", RunMode::configure);
    ExpectMode("/c:1234", RunMode::configure);
    ExpectMode("", RunMode::configureAlone);
    ExpectMode("  /", RunMode::configureAlone);
    ExpectMode("/a 1234", RunMode::changePassword, 1234);
    ExpectMode("/A", RunMode::changePassword, 0);
}

TEST(CommandLine, AnyOtherFirstLetterIsRefused)
{
    for (const char* tail : {"/x", "\ts", "?", "\x01s", "/ \ts", "1234"})
        ExpectMode(tail, RunMode::invalid);
}

TEST(CommandLine, WindowNumbersAreDecimalAndWrapAt32Bits)
{
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 1u);
    EXPECT_EQ(ParseWindowHandle("0x10"), 0u);
    EXPECT_EQ(ParseWindowHandle("12ab34"), 12u);
    EXPECT_EQ(ParseWindowHandle("+5"), 0u);
}

TEST(CommandLine, ArgumentsJoinedByBlanksWithoutTheProgramName)
{
    const char* alone[] = {"vesper"};
    EXPECT_EQ(CommandTailOf(1, alone), "");
    const char* preview[] = {"vesper", "/p", "12345"};
    EXPECT_EQ(CommandTailOf(3, preview), "/p 12345");
    const char* quoted[] = {"vesper", "/c:1 2"};
    EXPECT_EQ(CommandTailOf(2, quoted), "/c:1 2");
}

// Runs that end before any window of the saver exists.
class WinMainWithoutSaverWindow : public WindowTest {
protected:
    int Run(std::string tail)
    {
        return WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, tail.data(), SW_SHOW);
    }
};

TEST_F(WinMainWithoutSaverWindow, RefusedTailsAndMissingHostsEndWithMinusOne)
{
    for (const char* tail : {"/x", "\ts", "?", "/p", "/p 0", "/l 999999", "/p 4294967296"})
        EXPECT_EQ(Run(tail), -1) << '"' << tail << '"';
    EXPECT_EQ(m_backend->NativeWindowCount(), 0u);
}

// Records the owner of each password question and cancels it.
class OwnerRecordingPrompt : public platform::PasswordPrompt {
public:
    std::optional<platform::SecretText> Ask(HWND owner, platform::PasswordQuestion) override
    {
        owners.push_back(owner);
        return std::nullopt;
    }
    void Tell(HWND, platform::PasswordNotice) override {}

    std::vector<HWND> owners;
};

class PasswordChange : public WinMainWithoutSaverWindow {
protected:
    void SetUp() override
    {
        WinMainWithoutSaverWindow::SetUp();
        m_previous = platform::SetPasswordPrompt(&prompt);
    }
    void TearDown() override
    {
        platform::SetPasswordPrompt(m_previous);
        WinMainWithoutSaverWindow::TearDown();
    }

    OwnerRecordingPrompt prompt;

private:
    platform::PasswordPrompt* m_previous = nullptr;
    ScratchDir m_userFolder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_userFolder.path().c_str()};
};

TEST_F(PasswordChange, OwnedByTheGivenWindowElseByTheForegroundWindow)
{
    HWND host = platform::headless::MakeHostWindow(RECT{0, 0, 100, 80});
    TestClass frontClass("FrontWindow");
    HWND front = MakePopup(frontClass, RECT{0, 0, 50, 50});
    ASSERT_EQ(GetForegroundWindow(), front);

    EXPECT_EQ(Run("/a " + std::to_string(reinterpret_cast<UINT_PTR>(host))), 0);
    EXPECT_EQ(Run("/a"), 0);
    EXPECT_EQ(Run("/a 77"), 0) << "77 names no window";
    EXPECT_EQ(prompt.owners, (std::vector<HWND>{host, front, front}));
}

}  // namespace
}  // namespace vesper::test
