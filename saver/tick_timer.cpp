#include "saver/tick_timer.h"

#include <atomic>

#include "saver/globals.h"
#include "saver/saver_proc.h"
#include "saver/speed_setting.h"

namespace {

// timeGetTime of the last tick sent; 0 at start-up and never reset, so the
// first event of a run ticks at once. Only the timer thread writes it; atomic
// so that a later window's timer thread reads what an earlier one wrote.
std::atomic<DWORD> s_lastTickTime{0};

}  // namespace

DWORD TickThreshold(int speed)
{
    // Computed as 32-bit unsigned, like the comparison that uses it: a speed
    // above 100 read from the settings wraps rather than going negative.
    return static_cast<DWORD>(kFastestSpeed) - static_cast<DWORD>(speed);
}

void CALLBACK TickTimerProc(UINT, UINT, DWORD_PTR window, DWORD_PTR, DWORD_PTR)
{
    const DWORD now = timeGetTime();
    const DWORD last = s_lastTickTime.load(std::memory_order_relaxed);
    if (static_cast<DWORD>(last + TickThreshold(g_nSpeed)) >= now)
        return;
    s_lastTickTime.store(now, std::memory_order_relaxed);
    SendMessageA(reinterpret_cast<HWND>(window), WM_SAVERTICK, 0, 0);
}
