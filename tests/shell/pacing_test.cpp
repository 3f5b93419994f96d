// Pacing on the test clock: the multimedia timer's 20 ms events thinned out
// by the speed in full-screen mode, and the window timer's 101 - speed
// milliseconds in preview.
#include <gtest/gtest.h>

#include "platform/drivers/headless/headless_windows.h"
#include "platform/kernel/timer_multimedia.h"
#include "saver/globals.h"
#include "saver/saver_proc.h"
#include "saver/speed_setting.h"
#include "saver/saver_window.h"
#include "tests/shell/packed_saver.h"
#include "tests/support/platform/headless_input.h"

namespace vesper::test {
namespace {

TEST(Pacing, FollowsTheSpeedSetting)
{
    const auto program = PackIntoCopyOfThisProgram(TestSceneBytes(), "pacing");
    RunEachInOwnProcess(program, "DISABLED_PacingInPackedCopy");
}

class DISABLED_PacingInPackedCopy : public InPackedSaver {
protected:
    // The gaps between the ticks the saver window received over `events`
    // timer events, after the first tick.
    std::vector<DWORD> TickGapsAtSpeed(int speed, int events)
    {
        if (speed != 0)
            WriteSpeedSetting(speed);
        HWND window = StartSaverWindow(nullptr).window;
        EXPECT_NE(window, nullptr);
        if (!window)
            return {};
        PumpAll();
        Watch(window);
        const DWORD created = GetTickCount();
        AdvanceBy(static_cast<DWORD>(events) * kTickTimerPeriod);
        EXPECT_EQ(platform::RequestedTimerPeriods(), std::vector<UINT>{kTickTimerPeriod});
        DestroyWindow(window);
        PumpAll();
        EXPECT_TRUE(platform::RequestedTimerPeriods().empty());
        // A process makes one saver window; this one makes several.
        UnregisterClassA(kSaverClassName, nullptr);

        const auto ticks = ReceivedOf(WM_SAVERTICK);
        std::vector<DWORD> gaps;
        DWORD previous = created;
        for (const Received& tick : ticks) {
            gaps.push_back(tick.time - previous);
            previous = tick.time;
        }
        // Apart from the run, the last tick time of the next window starts
        // far behind its clock.
        AdvanceBy(1000, 100);
        return gaps;
    }
};

TEST_F(DISABLED_PacingInPackedCopy, FullScreenTickPeriodsFollowTheSpeed)
{
    // The first window of the process: no settings file, speed 100, and the
    // first event ticks at once because the last tick time starts at 0.
    EXPECT_EQ(TickGapsAtSpeed(0, 5), (std::vector<DWORD>{20, 20, 20, 20, 20}));
    EXPECT_EQ(g_nSpeed, 100);
    // 20 ms is not more than 100 - 80: every second event.
    EXPECT_EQ(TickGapsAtSpeed(80, 6), (std::vector<DWORD>{20, 40, 40}));
    EXPECT_EQ(TickGapsAtSpeed(61, 6), (std::vector<DWORD>{20, 40, 40}));
    // Speed 1: every fifth event, ten ticks a second.
    const std::vector<DWORD> slowest = TickGapsAtSpeed(1, 50);
    ASSERT_EQ(slowest.size(), 10u);
    for (std::size_t i = 1; i < slowest.size(); ++i)
        EXPECT_EQ(slowest[i], 100u) << "tick " << i;
}

TEST_F(DISABLED_PacingInPackedCopy, PreviewTimerPeriodIsOneHundredAndOneLessTheSpeed)
{
    WriteSpeedSetting(51);
    HWND host = platform::headless::MakeHostWindow(RECT{0, 0, 160, 120});
    HWND window = StartSaverWindow(host).window;
    ASSERT_NE(window, nullptr);
    PumpAll();
    Watch(window);
    const DWORD created = GetTickCount();
    AdvanceBy(200);
    const auto timers = ReceivedOf(WM_TIMER);
    ASSERT_EQ(timers.size(), 4u);
    EXPECT_EQ(timers[0].time - created, 50u);
    EXPECT_EQ(timers[3].time - created, 200u);
    EXPECT_TRUE(ReceivedOf(WM_SAVERTICK).empty()) << "no multimedia timer in preview";
    EXPECT_TRUE(platform::RequestedTimerPeriods().empty());
    DestroyWindow(window);
}

}  // namespace
}  // namespace vesper::test
