// Full-screen saving over several monitors, run for real in a packed copy on
// a headless screen of 640 x 480 whose backend tells of two monitors: a
// window (and stage) per monitor, one over all, or the scene on the primary
// with the other black; input on any monitor ends them all, through one
// password prompt; monitors that come and go during the run are followed.
#include <gtest/gtest.h>

#include <vector>

#include "saver/globals.h"
#include "saver/monitor_setting.h"
#include "saver/password_support.h"
#include "saver/saver_proc.h"
#include "saver/saver_window.h"
#include "scene/vesper_doc.h"
#include "stage/saver_stage.h"
#include "tests/shell/packed_saver.h"
#include "tests/stage/stage_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace vesper::test {
namespace {

using platform::MonitorArea;
using platform::headless::PasswordQuestionsAsked;

TEST(SaverMonitors, CoverTheMonitorsAsTheSettingSays)
{
    const auto program = PackIntoCopyOfThisProgram(TestSceneBytes(), "saver-monitors");
    RunEachInOwnProcess(program, "DISABLED_SaverMonitorsInPackedCopy");
    RunEachInOwnProcess(program, "DISABLED_SaverMonitorsWithPasswordInPackedCopy");
}

// The primary monitor on the left, a smaller one on the right; below the
// right one lies screen that no monitor shows.
const RECT kLeft{0, 0, 400, 480};
const RECT kRight{400, 0, 640, 300};

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

// The run's windows, each checked to be a live saver window.
std::vector<HWND> SaverWindows()
{
    std::vector<HWND> windows = FullScreenSaverWindows();
    for (HWND window : windows) {
        char title[32] = {};
        GetWindowTextA(window, title, sizeof title);
        EXPECT_TRUE(IsWindow(window) && std::string(title) == kFullScreenTitle);
    }
    return windows;
}

// The saver window whose area is `area`, null when none is.
HWND WindowAt(const RECT& area)
{
    for (HWND window : SaverWindows()) {
        RECT rect{};
        GetWindowRect(window, &rect);
        if (Same(rect, area))
            return window;
    }
    return nullptr;
}

std::vector<RECT> SpriteRects(const CSaverStage& stage)
{
    std::vector<RECT> rects;
    for (POSITION pos = stage.m_sprites.GetHeadPosition(); pos;) {
        RECT rect{};
        static_cast<const CSprite*>(stage.m_sprites.GetNext(pos))->GetRect(&rect);
        rects.push_back(rect);
    }
    return rects;
}

bool SameRects(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    return std::ranges::equal(a, b, Same);
}

SIZE StageSizeOf(HWND window)
{
    const CSaverStage* stage = StageOf(window);
    return stage ? stage->GetStageSize() : SIZE{0, 0};
}

// Takes and dispatches what the queue holds; true when the quit message came
// among it (the run is over).
bool PumpSeeingQuit()
{
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        quit = quit || msg.message == WM_QUIT;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

template <class Base>
class OnTwoMonitors : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        platform::headless::Backend().SetMonitors({{kLeft, true}, {kRight, false}});
    }

    HWND Start(MonitorLayout layout)
    {
        g_monitorLayoutOverride = layout;
        const SaverWindowStart start = StartSaverWindow(nullptr);
        Base::PumpAll();
        return start.window;
    }
};

class DISABLED_SaverMonitorsInPackedCopy : public OnTwoMonitors<InPackedSaver> {};
class DISABLED_SaverMonitorsWithPasswordInPackedCopy : public OnTwoMonitors<InPackedSaverWithPassword> {};

TEST_F(DISABLED_SaverMonitorsInPackedCopy, EachMonitorPlaysTheWholeSceneAtItsOwnSize)
{
    HWND first = Start(MonitorLayout::each);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(SaverWindows().size(), 2u);
    EXPECT_EQ(WindowAt(kLeft), first) << "the primary monitor's window comes first and takes the keyboard";
    EXPECT_EQ(GetForegroundWindow(), first);
    HWND right = WindowAt(kRight);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(StageOf(first), &g_stage);
    EXPECT_EQ(StageSizeOf(first).cx, 400);
    EXPECT_EQ(StageSizeOf(first).cy, 480);
    EXPECT_EQ(StageSizeOf(right).cx, 240);
    EXPECT_EQ(StageSizeOf(right).cy, 300);
    // Both show the scene; the screen no monitor shows is left alone.
    EXPECT_EQ(screen->ColourAt(2, 478), kTestBackground);
    EXPECT_EQ(screen->ColourAt(638, 2), kTestBackground);
    EXPECT_EQ(screen->ColourAt(638, 400), RGB(0, 0, 0));

    // The one timer paces both stages, and each stage's sprites stay on it.
    const CSaverStage& rightStage = *StageOf(right);
    const std::vector<RECT> before = SpriteRects(rightStage);
    ASSERT_FALSE(before.empty());
    AdvanceBy(400, 20);
    EXPECT_FALSE(SameRects(SpriteRects(rightStage), before)) << "the right monitor's sprites never moved";
    for (const RECT& sprite : SpriteRects(rightStage))
        EXPECT_TRUE(sprite.left < 240 && sprite.top < 300) << sprite.left << "," << sprite.top;
}

TEST_F(DISABLED_SaverMonitorsInPackedCopy, SpanPlaysOneSceneOverTheBoxOfAllMonitors)
{
    HWND only = Start(MonitorLayout::span);
    ASSERT_NE(only, nullptr);
    ASSERT_EQ(SaverWindows().size(), 1u);
    EXPECT_NE(WindowAt(RECT{0, 0, 640, 480}), nullptr);
    EXPECT_EQ(StageSizeOf(only).cx, 640);
    EXPECT_EQ(StageSizeOf(only).cy, 480);
    EXPECT_EQ(screen->ColourAt(638, 400), kTestBackground);
}

TEST_F(DISABLED_SaverMonitorsInPackedCopy, PrimaryPlaysOnThePrimaryAndBlacksOutTheOther)
{
    HWND first = Start(MonitorLayout::primary);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(SaverWindows().size(), 2u);
    HWND right = WindowAt(kRight);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(StageOf(right), nullptr);
    EXPECT_EQ(StageSizeOf(first).cx, 400);
    EXPECT_EQ(screen->ColourAt(2, 2), kTestBackground);
    for (const POINT at : {POINT{401, 1}, POINT{638, 298}, POINT{520, 150}})
        EXPECT_EQ(screen->ColourAt(at.x, at.y), RGB(0, 0, 0)) << at.x << "," << at.y;
}

// A mouse move on the monitor that does not have the keyboard ends the run;
// the run takes the other window with it.
TEST_F(DISABLED_SaverMonitorsInPackedCopy, InputOnEitherMonitorEndsThemAll)
{
    g_monitorLayoutOverride = MonitorLayout::each;
    platform::headless::MoveMouse(600, 100);
    platform::headless::MoveMouse(620, 150);
    EXPECT_EQ(CreateSaverWindow(nullptr), 0);
    EXPECT_TRUE(SaverWindows().empty());
    EXPECT_EQ(platform::headless::Backend().NativeWindowCount(), 0u) << "a window outlived the run";
    EXPECT_EQ(g_pDocument, nullptr);
    EXPECT_EQ(g_stage.GetSafeHwnd(), nullptr);
}

// The black monitor takes input as well.
TEST_F(DISABLED_SaverMonitorsInPackedCopy, InputOnTheBlackMonitorEndsTheRun)
{
    ASSERT_NE(Start(MonitorLayout::primary), nullptr);
    platform::headless::MoveMouse(600, 100);
    platform::headless::MoveMouse(620, 150);
    EXPECT_TRUE(PumpSeeingQuit());
    EXPECT_EQ(WindowAt(kRight), nullptr);
}

// A monitor that comes gets a window of its own at once; one that goes takes
// its window along, even the primary one with the timer, and the run goes on.
TEST_F(DISABLED_SaverMonitorsInPackedCopy, MonitorsThatComeAndGoAreFollowed)
{
    ASSERT_NE(Start(MonitorLayout::each), nullptr);
    const RECT below{400, 300, 640, 480};
    platform::headless::Backend().SetMonitors({{kLeft, true}, {kRight, false}, {below, false}});
    EXPECT_FALSE(PumpSeeingQuit());
    ASSERT_EQ(SaverWindows().size(), 3u);
    HWND added = WindowAt(below);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(StageSizeOf(added).cx, 240);
    EXPECT_EQ(StageSizeOf(added).cy, 180);
    EXPECT_EQ(screen->ColourAt(638, 478), kTestBackground);

    platform::headless::Backend().SetMonitors({{kRight, true}, {below, false}});
    EXPECT_FALSE(PumpSeeingQuit()) << "a monitor going away ended the run";
    EXPECT_EQ(SaverWindows().size(), 2u);
    EXPECT_EQ(WindowAt(kLeft), nullptr);
    ASSERT_NE(g_pDocument, nullptr);
    HWND right = WindowAt(kRight);
    ASSERT_NE(right, nullptr);
    const std::vector<RECT> before = SpriteRects(*StageOf(right));
    AdvanceBy(400, 20);
    EXPECT_FALSE(SameRects(SpriteRects(*StageOf(right)), before)) << "no timer paces the remaining stages";
}

TEST_F(DISABLED_SaverMonitorsWithPasswordInPackedCopy, OnePromptForAllMonitorsAndTheRightPasswordEndsAll)
{
    HWND first = Start(MonitorLayout::each);
    ASSERT_NE(first, nullptr);
    platform::headless::QueuePasswordCancel();
    PressKey();
    EXPECT_EQ(PasswordQuestionsAsked().size(), 1u);
    EXPECT_EQ(SaverWindows().size(), 2u) << "a cancelled prompt keeps every monitor saving";

    AdvanceBy(300, 20);
    ASSERT_TRUE(platform::headless::QueuePasswordAnswer("lune"));
    platform::headless::MoveMouse(600, 100);
    platform::headless::MoveMouse(620, 150);
    EXPECT_TRUE(PumpSeeingQuit());
    EXPECT_EQ(PasswordQuestionsAsked().size(), 2u) << "one prompt for the input, not one per monitor";
    EXPECT_EQ(WindowAt(kRight), nullptr);
}

}  // namespace
}  // namespace vesper::test
