// The configuration dialog worked as a user would: it opens at the stored
// speed (100 when that is out of range), shows the title and credit line,
// follows the scroll bar, and writes the speed only on OK.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>

#include "tests/support/platform/dialog_headless.h"
#include "saver/config_dialog_proc.h"
#include "saver/globals.h"
#include "saver/resources.h"
#include "saver/speed_setting.h"
#include "shell/entry.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/platform/user/user_test_support.h"

namespace vesper::test {
namespace {

namespace headless = platform::headless;

class ConfigDialog : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        RegisterSaverResources();
        SetProgramString("Crépuscule|Une scène de test");
    }
    void TearDown() override
    {
        // A test that stopped early leaves its dialog open: close it so that
        // the thread running it ends.
        for (const headless::OpenDialog& open : headless::OpenDialogs())
            headless::CloseDialog(open.window);
        SetProgramString("");
        WindowTest::TearDown();
    }

    void StoreSpeedText(const std::string& value)
    {
        WriteText(m_userFolder.path() / "vesper" / "vesper.ini", "[settings]\nspeed=" + value + "\n");
    }
    std::string SettingsFile() const { return ReadText(m_userFolder.path() / "vesper" / "vesper.ini"); }

    // Opens the dialog on a thread of its own and waits until it is up.
    HWND Open(HWND owner = nullptr)
    {
        m_result = std::async(std::launch::async, [owner] { return ConfigureSaver(owner); });
        return headless::WaitForDialog("Configuration");
    }
    INT_PTR Result() { return m_result.get(); }

    static int SpeedShown(HWND dialog) { return GetScrollPos(GetDlgItem(dialog, kSpeedScrollBar), SB_CTL); }

private:
    ScratchDir m_userFolder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_userFolder.path().c_str()};
    std::future<INT_PTR> m_result;
};

TEST_F(ConfigDialog, OutOfRangeSpeedsOpenAtTheFastestAndOkWritesIt)
{
    for (const char* stored : {"0", "250"}) {
        StoreSpeedText(stored);
        HWND dialog = Open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(SpeedShown(dialog), 100) << stored;
        ASSERT_TRUE(headless::ClickControl(dialog, IDOK));
        EXPECT_EQ(Result(), 1);
        EXPECT_EQ(SettingsFile(), "[settings]\nspeed=100\n") << stored;
    }
}

TEST_F(ConfigDialog, ShowsTitleAndCreditSplitAtTheFirstBar)
{
    const struct {
        const char* strings;
        const char* title;
        const char* credit;
    } cases[] = {
        {"Crépuscule|Une scène|de test", "Crépuscule", "Une scène|de test"},
        {"|Seulement le crédit", "", "Seulement le crédit"},
        {"Sans barre", "Sans barre", ""},
    };
    for (const auto& c : cases) {
        SetProgramString(c.strings);
        HWND dialog = Open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(headless::ControlText(dialog, kTitleControl), c.title);
        EXPECT_EQ(headless::ControlText(dialog, kCreditControl), c.credit);
        LOGFONTA titleFont{};
        GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, kTitleControl, WM_GETFONT, 0, 0)),
                   sizeof titleFont, &titleFont);
        EXPECT_TRUE(titleFont.lfItalic) << "the title shows in the italic title font";
        ASSERT_TRUE(headless::ClickControl(dialog, IDCANCEL));
        EXPECT_EQ(Result(), 0);
    }
}

TEST_F(ConfigDialog, ScrollBarChangesTheSpeedButAnnulerKeepsTheFile)
{
    StoreSpeedText("50");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SpeedShown(dialog), 50);
    ASSERT_TRUE(headless::ClickScrollArrow(dialog, kSpeedScrollBar, false));
    EXPECT_EQ(g_nSpeed, 49);
    ASSERT_TRUE(headless::ClickScrollTrough(dialog, kSpeedScrollBar, true));
    ASSERT_TRUE(headless::ClickScrollTrough(dialog, kSpeedScrollBar, true));
    EXPECT_EQ(g_nSpeed, 51) << "a page is one step";
    ASSERT_TRUE(headless::DragScrollThumb(dialog, kSpeedScrollBar, 80));
    EXPECT_EQ(g_nSpeed, 80);
    EXPECT_EQ(SpeedShown(dialog), 80);
    ASSERT_TRUE(headless::ClickControl(dialog, IDCANCEL));
    EXPECT_EQ(Result(), 0);
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=50\n");
}

TEST_F(ConfigDialog, SpeedStaysWithinItsRangeAtBothEnds)
{
    StoreSpeedText("1");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(headless::ClickScrollArrow(dialog, kSpeedScrollBar, false));
    EXPECT_EQ(SpeedShown(dialog), 1);
    ASSERT_TRUE(headless::DragScrollThumb(dialog, kSpeedScrollBar, 100));
    // With the thumb at the right end there is no trough left to click.
    SendMessageA(dialog, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(GetDlgItem(dialog, kSpeedScrollBar)));
    EXPECT_EQ(SpeedShown(dialog), 100);
    ASSERT_TRUE(headless::ClickControl(dialog, IDOK));
    EXPECT_EQ(Result(), 1);
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=100\n");
}

TEST_F(ConfigDialog, ConfigurationRequestIsOwnedByTheForegroundWindowAndAnEmptyTailByNone)
{
    // The foreground window belongs to the thread that runs the program, so
    // that disabling it while the dialog runs needs no other thread.
    const struct {
        const char* tail;
        bool ownerDisabled;
        int button;
        int exitCode;
        const char* settingsAfter;
    } cases[] = {
        {"/c:1234", true, IDCANCEL, 0, ""},
        {"", false, IDOK, 1, "[settings]\nspeed=100\n"},
    };
    TestClass frontClass("FrontOfConfiguration");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.tail + '"');
        std::promise<HWND> frontMade;
        std::future<HWND> frontWindow = frontMade.get_future();
        std::future<int> exitCode = std::async(std::launch::async, [&] {
            HWND front = CreateWindowExA(0, frontClass.Name(), "front", WS_POPUP | WS_VISIBLE, 0, 0, 60, 60, nullptr,
                                         nullptr, nullptr, nullptr);
            frontMade.set_value(GetForegroundWindow() == front ? front : nullptr);
            std::string tail = c.tail;
            const int result = WinMain(nullptr, nullptr, tail.data(), SW_SHOW);
            DestroyWindow(front);
            return result;
        });
        HWND front = frontWindow.get();
        ASSERT_NE(front, nullptr);
        HWND dialog = headless::WaitForDialog("Configuration");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(!IsWindowEnabled(front), c.ownerDisabled) << "the modal dialog's owner is disabled while it runs";
        ASSERT_TRUE(headless::ClickControl(dialog, c.button));
        EXPECT_EQ(exitCode.get(), c.exitCode);
        EXPECT_EQ(SettingsFile(), c.settingsAfter) << "Annuler writes nothing, OK the speed shown";
    }
}

}  // namespace
}  // namespace vesper::test
