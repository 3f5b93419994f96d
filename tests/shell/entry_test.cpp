// The command tail and the run modes it chooses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/drivers/headless/headless_windows.h"
#include "platform/password/password_prompt.h"
#include "shell/entry.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace vesper::test {
namespace {

// The save letter may follow blanks, dashes and slashes; the preview and
// password-change windows are the digits after the letter's blanks; any
// other first letter (or a control character before it) is refused.
TEST(CommandLine, TheFirstLetterChoosesTheModeAndTheDigitsTheWindow)
{
    const struct {
        const char* tail;
        RunMode mode;
        DWORD windowNumber;
    } cases[] = {
        {"/s", RunMode::save, 0},          {"-s", RunMode::save, 0},
        {"s", RunMode::save, 0},           {" /S", RunMode::save, 0},
        {"/save", RunMode::save, 0},       {"- -//s", RunMode::save, 0},
        {"S 1234", RunMode::save, 0},      {"/p 1234", RunMode::preview, 1234},
        {"/p1234", RunMode::preview, 1234}, {"/P   1234", RunMode::preview, 1234},
        {"/l 1234", RunMode::preview, 1234}, {"-L1234x", RunMode::preview, 1234},
        {"/p", RunMode::preview, 0},       {"/p -1234", RunMode::preview, 0},
        {"/c", RunMode::configure, 0},     {"/c:1234", RunMode::configure, 0},
        {"", RunMode::configureAlone, 0},  {"  /", RunMode::configureAlone, 0},
        {"/a 1234", RunMode::changePassword, 1234}, {"/A", RunMode::changePassword, 0},
        {"/x", RunMode::invalid, 0},       {"\ts", RunMode::invalid, 0},
        {"?", RunMode::invalid, 0},        {"\x01s", RunMode::invalid, 0},
        {"/ \ts", RunMode::invalid, 0},    {"1234", RunMode::invalid, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.tail + '"');
        const RunRequest request = ParseCommandLine(c.tail);
        EXPECT_EQ(request.mode, c.mode);
        EXPECT_EQ(request.windowNumber, c.windowNumber);
    }
}

TEST(CommandLine, WindowNumbersAreDecimalOrHexadecimalAndWrapAt32Bits)
{
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 1u);
    EXPECT_EQ(ParseWindowHandle("12ab34"), 12u);
    EXPECT_EQ(ParseWindowHandle("+5"), 0u);
    // The form X tools print window ids in.
    EXPECT_EQ(ParseWindowHandle("0x200011"), 0x200011u);
    EXPECT_EQ(ParseWindowHandle("0XaBc"), 0xABCu);
    EXPECT_EQ(ParseWindowHandle("0x1FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowHandle("0x10g"), 0x10u);
    EXPECT_EQ(ParseWindowHandle("0x"), 0u);
    EXPECT_EQ(ParseWindowHandle("0xg1"), 0u);
    EXPECT_EQ(ParseWindowHandle("00x10"), 0u);
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
    platform::PasswordReply Ask(HWND owner, platform::PasswordQuestion) override
    {
        owners.push_back(owner);
        return {};
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
