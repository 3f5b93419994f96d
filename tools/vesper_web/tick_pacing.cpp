#include "tools/vesper_web/tick_pacing.h"

#include <algorithm>
#include <cmath>

namespace vesper::web {

void TickPacing::SetSpeed(int speed)
{
    m_speed = std::clamp(speed, 1, 100);
}

int TickPacing::TicksDue(double nowMs)
{
    if (!m_started) {
        m_started = true;
        m_nextEvent = nowMs + kEventPeriodMs;
        m_lastTick = nowMs;
        return 1;
    }
    const double behind = std::floor((nowMs - m_nextEvent) / kEventPeriodMs);
    if (behind >= kMostEventsPerFrame)
        m_nextEvent += (behind - (kMostEventsPerFrame - 1)) * kEventPeriodMs;
    int ticks = 0;
    for (; m_nextEvent <= nowMs; m_nextEvent += kEventPeriodMs) {
        // Whole milliseconds, as the timer's clock counts them.
        if (std::floor(m_nextEvent) - std::floor(m_lastTick) > 100 - m_speed) {
            m_lastTick = m_nextEvent;
            ++ticks;
        }
    }
    return ticks;
}

}  // namespace vesper::web
