// The saver's full-screen pace, driven from the page's animation frames: a
// multimedia timer event every 20 ms, and a tick on an event when more than
// 100 - speed ms have passed since the last tick (so at most 50 ticks a
// second). A frame comes every 16 or 17 ms, or less often; each frame runs
// the ticks of the events that fell since the one before.
#pragma once

namespace vesper::web {

class TickPacing {
public:
    static constexpr double kEventPeriodMs = 20.0;
    // A frame after a long pause (a hidden tab, a slow machine) runs at most
    // this many events' ticks and lets the others go, instead of racing
    // through them.
    static constexpr int kMostEventsPerFrame = 5;

    explicit TickPacing(int speed = 100) : m_speed(speed) {}

    // The speed from 1 to 100; other values are taken to the nearer end.
    void SetSpeed(int speed);
    int Speed() const { return m_speed; }

    // The ticks to run for a frame at `nowMs` (a clock that never goes
    // back). The first frame starts the timer and ticks at once.
    int TicksDue(double nowMs);

private:
    int m_speed;
    bool m_started = false;
    double m_nextEvent = 0;
    double m_lastTick = 0;
};

}  // namespace vesper::web
