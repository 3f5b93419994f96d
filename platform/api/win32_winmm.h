// WINMM services of the Win32 subset: the multimedia timer, the timer
// resolution and the system time in milliseconds, on the platform clock
// (platform/kernel/clock.h) that KERNEL's Sleep also waits on.
#pragma once

#include "platform/api/win32_types.h"

#ifndef CALLBACK
#define CALLBACK
#endif

using DWORD_PTR = UINT_PTR;
using MMRESULT = UINT;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_INVALPARAM 11
#define TIMERR_BASE 96
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO (TIMERR_BASE + 1)
#define TIMERR_STRUCT (TIMERR_BASE + 33)

#define TIME_ONESHOT 0x0000
#define TIME_PERIODIC 0x0001
#define TIME_CALLBACK_FUNCTION 0x0000
#define TIME_CALLBACK_EVENT_SET 0x0010
#define TIME_CALLBACK_EVENT_PULSE 0x0020
#define TIME_KILL_SYNCHRONOUS 0x0100

using LPTIMECALLBACK = void(CALLBACK*)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;

// Milliseconds from the platform clock; wraps after 49.7 days.
DWORD timeGetTime();
MMRESULT timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc);
// Records a request for a timer resolution of uPeriod milliseconds, which
// must lie within the device capabilities; each timeBeginPeriod is matched by
// a timeEndPeriod with the same value. TIMERR_NOCANDO otherwise.
MMRESULT timeBeginPeriod(UINT uPeriod);
MMRESULT timeEndPeriod(UINT uPeriod);

// Starts a timer event: lpTimeProc is called on the timer thread uDelay
// milliseconds from now and, with TIME_PERIODIC, every uDelay milliseconds
// after that (events that fell behind are delivered at once, one after the
// other, but never more than a second's worth). Only TIME_CALLBACK_FUNCTION
// is supported. Returns the event's identifier, 0 on failure.
MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser, UINT fuEvent);
// Cancels the event. Once it has returned the callback is not called again:
// when the callback is running on the timer thread, it waits for it to end,
// meanwhile processing messages sent to the calling thread (the callback may
// be sending to one of its windows). Called from the callback itself it does
// not wait. MMSYSERR_INVALPARAM for an unknown or finished event.
MMRESULT timeKillEvent(UINT uTimerID);
