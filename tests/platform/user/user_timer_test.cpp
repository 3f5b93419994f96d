// Window timers on the manual clock.
#include <future>

#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::test::ManualClockScope;
using vesper::test::MessageLog;
using vesper::test::TestClass;
using vesper::test::WindowTest;

constexpr UINT kNote = WM_USER + 3;

class TimerTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_window = MakePopup(m_class, {0, 0, 10, 10}, 0);
        ASSERT_NE(m_window, nullptr);
    }

    // The WM_TIMER messages the queue hands out now, taken one by one.
    std::vector<MSG> TakeTimers()
    {
        std::vector<MSG> timers;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            timers.push_back(msg);
        return timers;
    }

    ManualClockScope m_time;
    TestClass m_class{"VesperTimerClass"};
    HWND m_window = nullptr;
};

TEST_F(TimerTest, WmTimerComesOnlyWhenNothingElseIsQueued)
{
    ASSERT_EQ(SetTimer(m_window, 5, 100, nullptr), 5u);
    m_time.Advance(99);
    EXPECT_TRUE(TakeTimers().empty());
    m_time.Advance(1);
    PostMessageA(m_window, kNote, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kNote);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.hwnd, m_window);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(msg.lParam, 0);
    EXPECT_EQ(msg.time, 1'000'100u);
    EXPECT_EQ(GetMessageTime(), msg.time);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, PeriodsThatPassUnheededGiveOneMessageNotAPile)
{
    SetTimer(m_window, 1, 100, nullptr);
    m_time.Advance(350);
    EXPECT_EQ(TakeTimers().size(), 1u);
    m_time.Advance(49);
    EXPECT_TRUE(TakeTimers().empty()) << "the next period ends at 400";
    m_time.Advance(1);
    EXPECT_EQ(TakeTimers().size(), 1u);
    MSG msg;
    m_time.Advance(100);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(TakeTimers().size(), 1u) << "PM_NOREMOVE left it for the next look";
}

TEST_F(TimerTest, KillingOrResettingATimerAndTheShortestInterval)
{
    SetTimer(m_window, 1, 1, nullptr);  // raised to USER_TIMER_MINIMUM
    m_time.Advance(9);
    EXPECT_TRUE(TakeTimers().empty());
    m_time.Advance(1);
    EXPECT_EQ(TakeTimers().size(), 1u);

    SetTimer(m_window, 1, 50, nullptr);
    m_time.Advance(40);
    SetTimer(m_window, 1, 50, nullptr);  // starts over
    m_time.Advance(40);
    EXPECT_TRUE(TakeTimers().empty());
    m_time.Advance(10);
    EXPECT_EQ(TakeTimers().size(), 1u);

    EXPECT_TRUE(KillTimer(m_window, 1));
    EXPECT_FALSE(KillTimer(m_window, 1));
    m_time.Advance(500);
    EXPECT_TRUE(TakeTimers().empty());
}

TEST_F(TimerTest, TwoTimersOfAWindowEachGiveTheirOwnMessage)
{
    SetTimer(m_window, 1, 30, nullptr);
    SetTimer(m_window, 2, 20, nullptr);
    m_time.Advance(30);
    const auto timers = TakeTimers();
    ASSERT_EQ(timers.size(), 2u);
    EXPECT_EQ(timers[0].wParam, 2u) << "the one due longest comes first";
    EXPECT_EQ(timers[1].wParam, 1u);
}

TEST_F(TimerTest, GetMessageSleepsUntilTheClockReachesTheTimer)
{
    SetTimer(m_window, 9, 100, nullptr);
    auto waiter = std::async(std::launch::async, [&] {
        m_time.Advance(60);
        m_time.Advance(40);
    });
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_GE(GetTickCount(), 1'000'100u);
    waiter.get();
}

namespace {
std::vector<std::pair<HWND, UINT_PTR>> timerCalls;
void CALLBACK RecordTimer(HWND window, UINT message, UINT_PTR id, DWORD)
{
    if (message == WM_TIMER)
        timerCalls.emplace_back(window, id);
}
}  // namespace

TEST_F(TimerTest, ATimerProcedureIsCalledInsteadOfTheWindowProcedure)
{
    timerCalls.clear();
    SetTimer(m_window, 3, 10, RecordTimer);
    const UINT_PTR threadTimer = SetTimer(nullptr, 0, 10, RecordTimer);
    ASSERT_NE(threadTimer, 0u);
    m_time.Advance(10);
    for (const MSG& msg : TakeTimers())
        DispatchMessageA(&msg);
    EXPECT_EQ(timerCalls.size(), 2u);
    EXPECT_NE(std::find(timerCalls.begin(), timerCalls.end(), std::pair{m_window, UINT_PTR{3}}), timerCalls.end());
    EXPECT_NE(std::find(timerCalls.begin(), timerCalls.end(), std::pair{HWND{nullptr}, threadTimer}),
              timerCalls.end());
    EXPECT_TRUE(MessageLog::Instance().OfKind(WM_TIMER).empty());

    // A posted WM_TIMER naming a procedure that is no live timer's calls nothing.
    const MSG forged{m_window, WM_TIMER, 77, reinterpret_cast<LPARAM>(&RecordTimer), 0, {0, 0}};
    DispatchMessageA(&forged);
    EXPECT_EQ(timerCalls.size(), 2u);
    EXPECT_TRUE(KillTimer(nullptr, threadTimer));
}

TEST_F(TimerTest, DestroyingTheWindowKillsItsTimers)
{
    SetTimer(m_window, 1, 10, nullptr);
    DestroyWindow(m_window);
    m_time.Advance(100);
    EXPECT_TRUE(TakeTimers().empty());
    EXPECT_EQ(SetTimer(m_window, 1, 10, nullptr), 0u);
}

TEST_F(TimerTest, AWindowTimerBelongsToTheWindowsThread)
{
    UINT_PTR result = 1;
    std::thread([&] { result = SetTimer(m_window, 1, 10, nullptr); }).join();
    EXPECT_EQ(result, 0u);
}

}  // namespace
