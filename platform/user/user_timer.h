// Window timers as the message queues see them: which timer of a thread is
// due, when the next one falls due, and the restart after its WM_TIMER was
// taken. All of it with the window layer's lock held.
#pragma once

#include "platform/internal.h"

#include <cstdint>
#include <functional>

#include "platform/user/user_state.h"

namespace vesper::platform::user {

using WindowMatch = std::function<bool(HWND)>;

// The thread's timer that has been due longest among those whose window
// matches; none when no such timer is due.
WindowTimer* DueTimerLocked(DWORD thread, const WindowMatch& matches);
// When the first of the thread's matching timers falls due (kNoDeadline: none).
std::uint64_t NextTimerDueLocked(DWORD thread, const WindowMatch& matches);
// After its WM_TIMER was taken: the next due time is the first whole period
// after now, so a timer that fell behind yields one message, not a pile.
void RestartTimerLocked(WindowTimer& timer);
bool HasTimerLocked(HWND window, UINT_PTR id, DWORD thread, TIMERPROC procedure);

}  // namespace vesper::platform::user
