// The multimedia timer's thread as tests see it. With a ManualClock, a test
// advances the clock and then waits until the timer thread has called back
// every event that fell due; the calling thread meanwhile processes messages
// sent to it, since callbacks commonly send to a window of that thread.
#pragma once

#include "platform/internal.h"

#include <vector>

#include "platform/win32.h"

namespace vesper::platform {

// Returns once no timer event is due on the current clock and no callback is
// running.
void WaitForDueTimerEvents();

// The periods requested with timeBeginPeriod and not yet ended, ascending.
std::vector<UINT> RequestedTimerPeriods();

}  // namespace vesper::platform
