// The multimedia timer, Sleep and the timer resolution, on the manual clock
// (and, for the stress run, briefly on the real one).
#include <atomic>
#include <future>
#include <latch>

#include "platform/kernel/timer_multimedia.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::platform::RequestedTimerPeriods;
using vesper::platform::WaitForDueTimerEvents;
using vesper::test::ManualClockScope;
using vesper::test::MessageLog;
using vesper::test::TestClass;
using vesper::test::WaitFor;
using vesper::test::WindowTest;

constexpr UINT kTick = WM_USER + 1;

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<DWORD> lastTime{0};
};

void CALLBACK CountCall(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    auto* counter = reinterpret_cast<Counter*>(user);
    counter->lastTime = timeGetTime();
    ++counter->calls;
}

// The saver's kind of callback: one tick sent synchronously to the window.
void CALLBACK SendTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    SendMessageA(reinterpret_cast<HWND>(user), kTick, 0, 0);
}

class MultimediaTimerTest : public WindowTest {
protected:
    ManualClockScope m_time;
};

TEST_F(MultimediaTimerTest, APeriodicTwentyMillisecondEventFiresOncePerPeriodOfTheTestClock)
{
    Counter counter;
    const MMRESULT id = timeSetEvent(20, 20, CountCall, reinterpret_cast<DWORD_PTR>(&counter), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    m_time.Advance(19);
    WaitForDueTimerEvents();
    EXPECT_EQ(counter.calls, 0);
    m_time.Advance(1);
    WaitForDueTimerEvents();
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(counter.lastTime, 1'000'020u) << "the callback reads the same clock";
    for (int step = 0; step < 4; ++step) {
        m_time.Advance(20);
        WaitForDueTimerEvents();
    }
    EXPECT_EQ(counter.calls, 5) << "exactly 5 in 100 ms";
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    m_time.Advance(200);
    WaitForDueTimerEvents();
    EXPECT_EQ(counter.calls, 5);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(MultimediaTimerTest, EventsThatFellBehindCatchUpButNotBeyondASecond)
{
    Counter counter;
    const MMRESULT id = timeSetEvent(20, 20, CountCall, reinterpret_cast<DWORD_PTR>(&counter), TIME_PERIODIC);
    m_time.Advance(100);
    WaitForDueTimerEvents();
    EXPECT_EQ(counter.calls, 5);
    m_time.Advance(60'000);
    WaitForDueTimerEvents();
    EXPECT_GT(counter.calls, 5);
    EXPECT_LE(counter.calls, 5 + 1'000 / 20 + 2) << "a minute's backlog is not delivered";
    timeKillEvent(id);
}

TEST_F(MultimediaTimerTest, AOneShotEventFiresOnceAndIsThenGone)
{
    Counter counter;
    const MMRESULT id = timeSetEvent(50, 0, CountCall, reinterpret_cast<DWORD_PTR>(&counter), TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    m_time.Advance(500);
    WaitForDueTimerEvents();
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(MultimediaTimerTest, UnusableEventsAreRefused)
{
    Counter counter;
    const auto user = reinterpret_cast<DWORD_PTR>(&counter);
    EXPECT_EQ(timeSetEvent(0, 0, CountCall, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(20, 20, nullptr, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(20, 20, CountCall, user, TIME_PERIODIC | TIME_CALLBACK_EVENT_SET), 0u);
    EXPECT_EQ(timeSetEvent(1'000'001, 20, CountCall, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(0), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(MultimediaTimerTest, KillingWaitsForARunningCallbackToEnd)
{
    struct Gate {
        std::latch entered{1};
        std::latch release{1};
        std::atomic<int> calls{0};
    } gate;
    auto blocking = [](UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* state = reinterpret_cast<Gate*>(user);
        if (state->calls++ == 0) {
            state->entered.count_down();
            state->release.wait();
        }
    };
    const MMRESULT id = timeSetEvent(20, 20, blocking, reinterpret_cast<DWORD_PTR>(&gate), TIME_PERIODIC);
    m_time.Advance(20);
    gate.entered.wait();
    std::atomic<bool> killed{false};
    auto killer = std::async(std::launch::async, [&] {
        const MMRESULT result = timeKillEvent(id);
        killed = true;
        return result;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(killed) << "the callback is still running";
    gate.release.count_down();
    EXPECT_EQ(killer.get(), static_cast<MMRESULT>(TIMERR_NOERROR));
    m_time.Advance(100);
    WaitForDueTimerEvents();
    EXPECT_EQ(gate.calls, 1) << "never called again after the kill returned";
}

TEST_F(MultimediaTimerTest, KillingFromTheWindowThreadServesTheCallbacksPendingSend)
{
    TestClass windowClass("VesperTickClass");
    HWND window = MakePopup(windowClass, {0, 0, 10, 10}, 0);
    const MMRESULT id = timeSetEvent(20, 20, SendTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
    m_time.Advance(20);
    ASSERT_TRUE(vesper::test::WaitForIncomingSend()) << "the callback is blocked sending to this thread";
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(MessageLog::Instance().OfKind(kTick).size(), 1u) << "the tick was processed while the kill waited";
}

TEST_F(MultimediaTimerTest, AKillFromInsideTheTickOrTheCallbackDoesNotWaitForItself)
{
    TestClass windowClass("VesperSelfKillClass");
    HWND window = MakePopup(windowClass, {0, 0, 10, 10}, 0);
    std::atomic<MMRESULT> id{0};
    std::atomic<MMRESULT> killResult{1234};
    MessageLog::Instance().SetResponder([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kTick)
            killResult = timeKillEvent(id);  // the callback waits for this very answer
        return std::nullopt;
    });
    id = timeSetEvent(20, 20, SendTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
    m_time.Advance(20);
    WaitForDueTimerEvents();
    EXPECT_EQ(killResult, static_cast<MMRESULT>(TIMERR_NOERROR));

    struct SelfKill {
        std::atomic<MMRESULT> id{0};
        std::atomic<MMRESULT> result{1234};
    } self;
    auto killItself = [](UINT timer, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        reinterpret_cast<SelfKill*>(user)->result = timeKillEvent(timer);
    };
    self.id = timeSetEvent(20, 20, killItself, reinterpret_cast<DWORD_PTR>(&self), TIME_PERIODIC);
    m_time.Advance(20);
    WaitForDueTimerEvents();
    EXPECT_EQ(self.result, static_cast<MMRESULT>(TIMERR_NOERROR));
}

TEST_F(MultimediaTimerTest, SleepLastsUntilTheTestClockHasMovedOnByItsLength)
{
    std::atomic<DWORD> slept{0};
    std::atomic<bool> awake{false};
    std::thread sleeper([&] {
        const DWORD before = timeGetTime();
        Sleep(50);
        slept = timeGetTime() - before;
        awake = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(awake) << "real time passes, the test clock does not";
    for (int step = 0; step < 1000 && !awake; ++step) {
        m_time.Advance(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sleeper.join();
    EXPECT_GE(slept, 50u);
    Sleep(0);  // gives up the time slice and returns at once
}

TEST_F(MultimediaTimerTest, ResolutionRequestsArePairedAndZeroIsRefused)
{
    EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeEndPeriod(20), static_cast<MMRESULT>(TIMERR_NOCANDO)) << "never begun";
    EXPECT_EQ(timeBeginPeriod(20), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeBeginPeriod(20), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(RequestedTimerPeriods(), (std::vector<UINT>{20, 20}));
    EXPECT_EQ(timeEndPeriod(20), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(20), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_TRUE(RequestedTimerPeriods().empty());
    TIMECAPS caps{};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(timeGetDevCaps(&caps, 1), static_cast<MMRESULT>(TIMERR_STRUCT));
}

// A thousand starts and stops of the saver's pacing: the callback sends to a
// window whose thread kills the timer and then destroys the window.
TEST_F(MultimediaTimerTest, AThousandStartsAndStopsNeitherDeadlockNorLeak)
{
    TestClass windowClass("VesperStressClass");
    for (int cycle = 0; cycle < 1000; ++cycle) {
        HWND window = CreateWindowExA(0, windowClass.Name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                      nullptr);
        ASSERT_NE(window, nullptr);
        const MMRESULT id = timeSetEvent(20, 20, SendTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
        ASSERT_NE(id, 0u);
        m_time.Advance(20);
        // Vary where the timer thread is when the kill comes: not woken yet,
        // blocked in the send, or done with it.
        if (cycle % 3 == 1)
            vesper::test::WaitForIncomingSend();
        else if (cycle % 3 == 2)
            WaitForDueTimerEvents();
        ASSERT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
        ASSERT_TRUE(DestroyWindow(window));
        MessageLog::Instance().Clear();
    }
    EXPECT_EQ(m_backend->NativeWindowCount(), 0u);
}

TEST(MultimediaTimerRealClock, StartsAndStopsOnTheSystemClockWithTheCallbackSendingToAnotherThread)
{
    TestClass windowClass("VesperRealClockClass");
    for (int cycle = 0; cycle < 100; ++cycle) {
        std::promise<HWND> made;
        std::atomic<bool> stop{false};
        std::thread owner([&] {
            HWND window = CreateWindowExA(0, windowClass.Name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                          nullptr, nullptr);
            made.set_value(window);
            MSG msg;
            while (!stop)
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
            DestroyWindow(window);
        });
        const HWND window = made.get_future().get();
        const MMRESULT id = timeSetEvent(1, 1, SendTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
        ASSERT_NE(id, 0u);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 50 * (cycle % 40)));
        if (cycle % 2)
            stop = true;  // the window may go before the timer does
        EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
        stop = true;
        owner.join();
    }
}

}  // namespace
