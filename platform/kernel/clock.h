// The one clock every platform time service reads (GetTickCount, timeGetTime,
// Sleep, window timers and multimedia timers). The default follows the
// system's monotonic clock; tests install a ManualClock and advance it
// themselves so that pacing is exact and fast.
//
// Every thread that blocks in the platform layer (for a message, for the
// answer to a sent message, for a timer deadline, in Sleep) waits through
// WaitUntil under the one WaitMutex(). That is what lets a manual clock wake
// exactly the threads whose deadlines it passes, without lost wake-ups.
#pragma once

#include "platform/internal.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>

namespace vesper::platform {

class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Milliseconds since an arbitrary origin; never decreases.
    virtual std::uint64_t NowMilliseconds() const = 0;
    // Whether the clock moves on by itself with real time. A clock that does
    // not wakes the waiting threads whenever it is moved.
    virtual bool MovesByItself() const { return true; }
};

class SystemClock final : public ClockSource {
public:
    std::uint64_t NowMilliseconds() const override;
};

class ManualClock final : public ClockSource {
public:
    explicit ManualClock(std::uint64_t startMilliseconds = 0) : m_now(startMilliseconds) {}
    std::uint64_t NowMilliseconds() const override { return m_now.load(); }
    bool MovesByItself() const override { return false; }
    // Moves the clock on and wakes every waiting thread, so that sleeps and
    // timers that fell due go ahead. (Multimedia timer callbacks then run on
    // their own thread; see WaitForDueTimerEvents in platform/timer_multimedia.h.)
    void Advance(std::uint64_t milliseconds);

private:
    std::atomic<std::uint64_t> m_now;
};

// The clock in force; the system clock unless a test installed another.
const ClockSource& CurrentClock();
// Installs a clock (nullptr restores the system clock) and wakes the waiting
// threads so that they measure their deadlines on it. The caller keeps it alive.
void SetClockSource(const ClockSource* clock);

// ---- Waiting on the clock ---------------------------------------------------
inline constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();

// The lock under which the platform's waiting threads check what they wait for.
std::mutex& WaitMutex();
// With `lock` holding WaitMutex(): releases it and blocks until WakeWaiters()
// is called or the current clock reaches `deadline` (kNoDeadline: no time
// limit), then takes it again. It may return early; callers check their
// condition in a loop.
void WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t deadline);
// Wakes every thread blocked in WaitUntil. Whoever changes, under
// WaitMutex(), something a thread may be waiting for calls it.
void WakeWaiters();

}  // namespace vesper::platform
