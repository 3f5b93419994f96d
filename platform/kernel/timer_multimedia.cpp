// The multimedia timer: one thread of its own calls every event's callback
// when it falls due; timeKillEvent guarantees that a cancelled event's
// callback never runs again once it has returned.
#include "platform/kernel/timer_multimedia.h"

#include <algorithm>
#include <map>
#include <set>
#include <thread>

#include "platform/kernel/clock.h"
#include "platform/user/user_state.h"

namespace vesper::platform {

namespace {

constexpr UINT kShortestPeriod = 1;
constexpr UINT kLongestPeriod = 1'000'000;
// A periodic event that fell further behind than this catches up no more:
// it starts again from now.
constexpr std::uint64_t kLongestCatchUp = 1'000;

struct TimerEvent {
    UINT delay = 0;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    bool periodic = false;
    std::uint64_t due = 0;
};

// Guarded by WaitMutex(), like every other waiting state of the platform.
struct TimerThreadState {
    std::map<UINT, TimerEvent> events;
    UINT nextId = 1;
    // The event whose callback runs now (0: none).
    UINT running = 0;
    // Threads waiting for a callback to end (timeKillEvent,
    // WaitForDueTimerEvents): the only ones an ended callback must wake.
    int callbackWatchers = 0;
    bool threadStarted = false;
    DWORD timerThread = 0;
    std::multiset<UINT> periods;
};

TimerThreadState& TimerState()
{
    static auto* state = new TimerThreadState;
    return *state;
}

// Counts the calling thread among the callback watchers while it lives.
class WatchingCallbacks {
public:
    explicit WatchingCallbacks(TimerThreadState& state) : m_state(state) { ++m_state.callbackWatchers; }
    ~WatchingCallbacks() { --m_state.callbackWatchers; }
    WatchingCallbacks(const WatchingCallbacks&) = delete;
    WatchingCallbacks& operator=(const WatchingCallbacks&) = delete;

private:
    TimerThreadState& m_state;
};

std::uint64_t Now()
{
    return CurrentClock().NowMilliseconds();
}

// The event due first (lowest identifier among equals); none when there is no event.
std::map<UINT, TimerEvent>::iterator NextEvent(TimerThreadState& state)
{
    return std::min_element(state.events.begin(), state.events.end(),
                            [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
}

bool AnyEventDue(TimerThreadState& state)
{
    const auto next = NextEvent(state);
    return next != state.events.end() && next->second.due <= Now();
}

void RunTimerThread()
{
    user::Lock lock(WaitMutex());
    TimerThreadState& state = TimerState();
    state.timerThread = user::CurrentThread();
    for (;;) {
        const auto next = NextEvent(state);
        if (next == state.events.end()) {
            WaitUntil(lock, kNoDeadline);
            continue;
        }
        const std::uint64_t now = Now();
        if (next->second.due > now) {
            WaitUntil(lock, next->second.due);
            continue;
        }
        const UINT id = next->first;
        const TimerEvent event = next->second;
        if (event.periodic) {
            next->second.due += event.delay;
            if (next->second.due + kLongestCatchUp < now)
                next->second.due = now + event.delay;
        } else {
            state.events.erase(next);
        }
        state.running = id;
        lock.unlock();
        event.callback(id, 0, event.user, 0, 0);
        lock.lock();
        state.running = 0;
        // Waking every waiting thread after every callback would wake the
        // window's thread once more per tick, for nothing.
        if (state.callbackWatchers)
            WakeWaiters();
    }
}

void StartTimerThreadLocked(TimerThreadState& state)
{
    if (state.threadStarted)
        return;
    // The thread lives as long as the process; it sleeps while no event exists.
    std::thread(RunTimerThread).detach();
    state.threadStarted = true;
}

}  // namespace

void WaitForDueTimerEvents()
{
    user::Lock lock(WaitMutex());
    TimerThreadState& state = TimerState();
    const WatchingCallbacks watching(state);
    while (AnyEventDue(state) || state.running)
        if (!user::ProcessOneIncomingSend(lock))
            WaitUntil(lock, kNoDeadline);
}

std::vector<UINT> RequestedTimerPeriods()
{
    std::lock_guard lock(WaitMutex());
    const auto& periods = TimerState().periods;
    return std::vector<UINT>(periods.begin(), periods.end());
}

}  // namespace vesper::platform

using namespace vesper::platform;

DWORD timeGetTime()
{
    return static_cast<DWORD>(CurrentClock().NowMilliseconds());
}

MMRESULT timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc)
{
    if (!ptc || cbtc < sizeof(TIMECAPS))
        return TIMERR_STRUCT;
    *ptc = TIMECAPS{kShortestPeriod, kLongestPeriod};
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT uPeriod)
{
    if (uPeriod < kShortestPeriod || uPeriod > kLongestPeriod)
        return TIMERR_NOCANDO;
    std::lock_guard lock(WaitMutex());
    TimerState().periods.insert(uPeriod);
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT uPeriod)
{
    std::lock_guard lock(WaitMutex());
    auto& periods = TimerState().periods;
    const auto found = periods.find(uPeriod);
    if (found == periods.end())
        return TIMERR_NOCANDO;
    periods.erase(found);
    return TIMERR_NOERROR;
}

MMRESULT timeSetEvent(UINT uDelay, UINT, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser, UINT fuEvent)
{
    constexpr UINT kCallbackKinds = TIME_CALLBACK_EVENT_SET | TIME_CALLBACK_EVENT_PULSE;
    if (!lpTimeProc || (fuEvent & kCallbackKinds) || uDelay < kShortestPeriod || uDelay > kLongestPeriod)
        return 0;
    std::lock_guard lock(WaitMutex());
    TimerThreadState& state = TimerState();
    if (state.nextId == 0)  // every identifier has been handed out
        return 0;
    const UINT id = state.nextId++;
    state.events.emplace(id, TimerEvent{uDelay, lpTimeProc, dwUser, (fuEvent & TIME_PERIODIC) != 0, Now() + uDelay});
    StartTimerThreadLocked(state);
    WakeWaiters();
    return id;
}

MMRESULT timeKillEvent(UINT uTimerID)
{
    user::Lock lock(WaitMutex());
    TimerThreadState& state = TimerState();
    if (!state.events.erase(uTimerID))
        return MMSYSERR_INVALPARAM;
    // A callback that is running now must end before the kill returns, unless
    // it cannot: when it is the caller, or waits for the caller to answer it.
    const DWORD caller = user::CurrentThread();
    const WatchingCallbacks watching(state);
    while (state.running == uTimerID && caller != state.timerThread &&
           !user::IsProcessingSendFrom(state.timerThread))
        if (!user::ProcessOneIncomingSend(lock))
            WaitUntil(lock, kNoDeadline);
    return TIMERR_NOERROR;
}

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::unique_lock lock(WaitMutex());
    const std::uint64_t deadline = dwMilliseconds == INFINITE ? kNoDeadline : Now() + dwMilliseconds;
    while (deadline == kNoDeadline || Now() < deadline)
        WaitUntil(lock, deadline);
}
