// The one clock every platform time service reads (GetTickCount and, later, the
// timers). The default follows the system's monotonic clock; tests install a
// ManualClock and advance it themselves so that pacing is exact and fast.
#pragma once

#include <atomic>
#include <cstdint>

namespace vesper::platform {

class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Milliseconds since an arbitrary origin; never decreases.
    virtual std::uint64_t NowMilliseconds() const = 0;
};

class SystemClock final : public ClockSource {
public:
    std::uint64_t NowMilliseconds() const override;
};

class ManualClock final : public ClockSource {
public:
    explicit ManualClock(std::uint64_t startMilliseconds = 0) : now_(startMilliseconds) {}
    std::uint64_t NowMilliseconds() const override { return now_.load(); }
    void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }

private:
    std::atomic<std::uint64_t> now_;
};

// The clock in force; the system clock unless a test installed another.
const ClockSource& CurrentClock();
// Installs a clock (nullptr restores the system clock). The caller keeps it alive.
void SetClockSource(const ClockSource* clock);

}  // namespace vesper::platform
