// Full-screen pacing: a periodic multimedia timer calls TickTimerProc every
// 20 ms on its own thread; the callback sends WM_SAVERTICK to the saver
// window (given as the user data) only when more than 100 - speed
// milliseconds passed since the last tick it sent.
#pragma once

#include "saver/internal.h"

#include "platform/win32.h"

void CALLBACK TickTimerProc(UINT timerId, UINT message, DWORD_PTR window, DWORD_PTR reserved1, DWORD_PTR reserved2);

// The milliseconds that must be exceeded between two ticks at a speed.
DWORD TickThreshold(int speed);
