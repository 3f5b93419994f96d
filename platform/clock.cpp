#include "platform/clock.h"

#include <chrono>

namespace vesper::platform {
namespace {
const SystemClock systemClock;
std::atomic<const ClockSource*> installedClock{&systemClock};
}  // namespace

std::uint64_t SystemClock::NowMilliseconds() const
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

const ClockSource& CurrentClock()
{
    return *installedClock.load();
}

void SetClockSource(const ClockSource* clock)
{
    installedClock.store(clock ? clock : &systemClock);
}

}  // namespace vesper::platform
