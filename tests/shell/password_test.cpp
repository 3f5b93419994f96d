// The screen saver password while saving full screen: a close request asks
// the password module, a refusal keeps saving, requests within 200 ms of the
// last verification are refused without asking, the right password ends.
#include <gtest/gtest.h>

#include "platform/drivers/headless/headless_windows.h"
#include "tests/support/platform/headless_input.h"
#include "tests/support/platform/password_headless.h"
#include "platform/password/password_provider.h"
#include "platform/password/password_store.h"
#include "saver/password_support.h"
#include "saver/saver_window.h"
#include "tests/shell/packed_saver.h"

namespace vesper::test {
namespace {

using platform::PasswordQuestion;
using platform::headless::CursorVisible;
using platform::headless::PasswordQuestionsAsked;

TEST(Password, GuardsTheSaver)
{
    const auto program = PackIntoCopyOfThisProgram(TestSceneBytes(), "password");
    RunEachInOwnProcess(program, "DISABLED_PasswordInPackedCopy");
}

BOOL ScreenSaverRunningFlag()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

class DISABLED_PasswordInPackedCopy : public InPackedSaverWithPassword {};

TEST_F(DISABLED_PasswordInPackedCopy, RefusalsKeepSavingUntilTheRightPassword)
{
    HWND window = StartSaverWindow(nullptr).window;
    ASSERT_NE(window, nullptr);
    PumpAll();
    EXPECT_TRUE(ScreenSaverRunningFlag());

    // Cancelled: the saver keeps running with the cursor hidden.
    platform::headless::QueuePasswordCancel();
    PressKey();
    EXPECT_EQ(PasswordQuestionsAsked(), std::vector<PasswordQuestion>{PasswordQuestion::Password});
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(g_bClosing);
    EXPECT_FALSE(CursorVisible());

    // 100 ms later: refused without asking.
    AdvanceBy(100, 20);
    PressKey();
    EXPECT_EQ(PasswordQuestionsAsked().size(), 1u);
    EXPECT_TRUE(IsWindow(window));

    // 250 ms after the first: asked again; a wrong password keeps saving.
    AdvanceBy(150, 10);
    ASSERT_TRUE(platform::headless::QueuePasswordAnswer("soleil"));
    PressKey();
    EXPECT_EQ(PasswordQuestionsAsked().size(), 2u);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(CursorVisible());

    // The right password (after the module's own delay for wrong entries).
    AdvanceBy(1100, 100);
    ASSERT_TRUE(platform::headless::QueuePasswordAnswer("lune"));
    PressKey();
    EXPECT_EQ(PasswordQuestionsAsked().size(), 3u);
    EXPECT_FALSE(IsWindow(window));

    UnloadPasswordSupport();
    EXPECT_FALSE(ScreenSaverRunningFlag());
}

TEST_F(DISABLED_PasswordInPackedCopy, PasswordSwitchedOffClosesAtOnce)
{
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop), ERROR_SUCCESS);
    const DWORD off = 0;
    RegSetValueExA(desktop, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
    RegCloseKey(desktop);

    HWND window = StartSaverWindow(nullptr).window;
    ASSERT_NE(window, nullptr);
    PumpAll();
    EXPECT_FALSE(ScreenSaverRunningFlag());
    PressKey();
    EXPECT_TRUE(PasswordQuestionsAsked().empty());
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace vesper::test
