// Window timers: SetTimer, KillTimer and the WM_TIMER bookkeeping of the
// message queues. A timer never queues a message: the queue generates one
// WM_TIMER when it finds the timer due and nothing else to return.
#include "platform/user/user_timer.h"

#include <algorithm>

#include "platform/kernel/clock.h"

namespace vesper::platform::user {

namespace {

bool Owns(const WindowTimer& timer, HWND window, UINT_PTR id, DWORD thread)
{
    return timer.window == window && timer.id == id && (window || timer.thread == thread);
}

WindowTimer* FindTimerLocked(HWND window, UINT_PTR id, DWORD thread)
{
    auto& timers = GetState().timers;
    const auto found = std::find_if(timers.begin(), timers.end(), [&](const WindowTimer& timer) {
        return Owns(timer, window, id, thread);
    });
    return found == timers.end() ? nullptr : &*found;
}

UINT_PTR NewThreadTimerIdLocked(DWORD thread)
{
    State& state = GetState();
    while (state.nextThreadTimer == 0 || FindTimerLocked(nullptr, state.nextThreadTimer, thread))
        ++state.nextThreadTimer;
    return state.nextThreadTimer++;
}

}  // namespace

WindowTimer* DueTimerLocked(DWORD thread, const WindowMatch& matches)
{
    const std::uint64_t now = CurrentClock().NowMilliseconds();
    WindowTimer* earliest = nullptr;
    for (WindowTimer& timer : GetState().timers)
        if (timer.thread == thread && timer.due <= now && matches(timer.window) &&
            (!earliest || timer.due < earliest->due))
            earliest = &timer;
    return earliest;
}

std::uint64_t NextTimerDueLocked(DWORD thread, const WindowMatch& matches)
{
    std::uint64_t next = kNoDeadline;
    for (const WindowTimer& timer : GetState().timers)
        if (timer.thread == thread && matches(timer.window))
            next = std::min(next, timer.due);
    return next;
}

void RestartTimerLocked(WindowTimer& timer)
{
    const std::uint64_t now = CurrentClock().NowMilliseconds();
    if (timer.due <= now)
        timer.due += ((now - timer.due) / timer.period + 1) * timer.period;
}

bool HasTimerLocked(HWND window, UINT_PTR id, DWORD thread, TIMERPROC procedure)
{
    const WindowTimer* timer = FindTimerLocked(window, id, thread);
    return timer && timer->procedure == procedure;
}

}  // namespace vesper::platform::user

using namespace vesper::platform;
using namespace vesper::platform::user;

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    Lock lock = LockState();
    const DWORD thread = CurrentThread();
    if (hWnd) {
        const Window* record = RequireWindow(hWnd);
        if (!record)
            return 0;
        if (record->foreign || record->thread != thread) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    } else if (!FindTimerLocked(nullptr, nIDEvent, thread)) {
        nIDEvent = NewThreadTimerIdLocked(thread);
    }
    CurrentQueue();
    WindowTimer* timer = FindTimerLocked(hWnd, nIDEvent, thread);
    if (!timer) {
        timer = &GetState().timers.emplace_back();
        timer->window = hWnd;
        timer->id = nIDEvent;
        timer->thread = thread;
    }
    timer->period = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    timer->procedure = lpTimerFunc;
    timer->due = CurrentClock().NowMilliseconds() + timer->period;
    WakeWaiters();
    // A window timer with identifier 0 still reports success.
    return nIDEvent ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    Lock lock = LockState();
    if (hWnd && !RequireWindow(hWnd))
        return FALSE;
    const DWORD thread = CurrentThread();
    const auto removed = std::erase_if(GetState().timers, [&](const WindowTimer& timer) {
        return Owns(timer, hWnd, uIDEvent, thread);
    });
    return removed ? TRUE : FALSE;
}
