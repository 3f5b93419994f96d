#include "platform/kernel/clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

namespace vesper::platform {
namespace {

// Kept alive past static destruction, like the waiting machinery below: a
// timer thread may still read the clock while the program ends.
const ClockSource& TheSystemClock()
{
    static const auto* clock = new SystemClock;
    return *clock;
}

// Null: the system clock.
std::atomic<const ClockSource*> installedClock{nullptr};

// Kept alive past static destruction: threads may still wait at exit.
std::condition_variable& WaitSignal()
{
    static auto* signal = new std::condition_variable;
    return *signal;
}

// A wait on a real clock is cut into slices of at most this length, so that
// a deadline far away never overflows the standard library's time arithmetic.
constexpr std::uint64_t kLongestRealWaitMilliseconds = 60'000;

}  // namespace

std::uint64_t SystemClock::NowMilliseconds() const
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ManualClock::Advance(std::uint64_t milliseconds)
{
    {
        // Moving the clock under the wait lock means a thread that has just
        // found its deadline in the future is already waiting when it is woken.
        std::lock_guard lock(WaitMutex());
        m_now += milliseconds;
    }
    WakeWaiters();
}

const ClockSource& CurrentClock()
{
    const ClockSource* installed = installedClock.load();
    return installed ? *installed : TheSystemClock();
}

void SetClockSource(const ClockSource* clock)
{
    {
        std::lock_guard lock(WaitMutex());
        installedClock.store(clock);
    }
    WakeWaiters();
}

std::mutex& WaitMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

void WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t deadline)
{
    const ClockSource& clock = CurrentClock();
    const std::uint64_t now = clock.NowMilliseconds();
    if (deadline != kNoDeadline && now >= deadline)
        return;
    if (deadline == kNoDeadline || !clock.MovesByItself()) {
        WaitSignal().wait(lock);
        return;
    }
    const std::uint64_t remaining = std::min(deadline - now, kLongestRealWaitMilliseconds);
    WaitSignal().wait_for(lock, std::chrono::milliseconds(remaining));
}

void WakeWaiters()
{
    WaitSignal().notify_all();
}

}  // namespace vesper::platform
