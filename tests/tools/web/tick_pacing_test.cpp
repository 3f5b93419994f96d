#include <gtest/gtest.h>

#include "tools/vesper_web/tick_pacing.h"

namespace {

using vesper::web::TickPacing;

// Frames of a 60 Hz screen for `seconds`: the ticks they run.
int TicksOverFrames(TickPacing& pacing, double start, double seconds, double frameMs = 1000.0 / 60.0)
{
    int ticks = 0;
    for (double now = start; now < start + seconds * 1000.0; now += frameMs)
        ticks += pacing.TicksDue(now);
    return ticks;
}

TEST(TickPacing, FullSpeedTicksOnEveryTwentyMillisecondEventFromSixtyHertzFrames)
{
    TickPacing pacing(100);
    EXPECT_EQ(TicksOverFrames(pacing, 1000.0, 5.0), 250);
}

TEST(TickPacing, SlowerSpeedsThinOutTheEventsAsTheSaversTimerDoes)
{
    // 81-100: every event; 61-80: every 2nd; 41-60: 3rd; 21-40: 4th; 1-20: 5th.
    const struct {
        int speed;
        int ticksInTenSeconds;
    } rows[] = {{100, 500}, {81, 500}, {80, 250}, {61, 250}, {60, 167}, {41, 167}, {40, 125}, {1, 100}};
    for (const auto& row : rows) {
        TickPacing pacing(row.speed);
        const int ticks = TicksOverFrames(pacing, 0.0, 10.0);
        EXPECT_NEAR(ticks, row.ticksInTenSeconds, 1) << "speed " << row.speed;
    }
}

TEST(TickPacing, TheFirstFrameTicksAndAFrameBeforeTheNextEventDoesNot)
{
    TickPacing pacing(100);
    EXPECT_EQ(pacing.TicksDue(5000.0), 1);
    EXPECT_EQ(pacing.TicksDue(5019.0), 0);
    EXPECT_EQ(pacing.TicksDue(5020.0), 1);
    EXPECT_EQ(pacing.TicksDue(5020.5), 0) << "the same event ticks once";
}

TEST(TickPacing, AtSpeedEightyAnEventExactlyTwentyMillisecondsAfterATickDoesNotTick)
{
    TickPacing pacing(80);
    EXPECT_EQ(pacing.TicksDue(0.0), 1);
    EXPECT_EQ(pacing.TicksDue(20.0), 0);
    EXPECT_EQ(pacing.TicksDue(40.0), 1);
}

TEST(TickPacing, ALongPauseRunsAFewTicksAndNotAllTheMissedOnes)
{
    TickPacing pacing(100);
    pacing.TicksDue(0.0);
    const int afterPause = pacing.TicksDue(60'000.0);
    EXPECT_GE(afterPause, 1);
    EXPECT_LE(afterPause, TickPacing::kMostEventsPerFrame);
    EXPECT_EQ(pacing.TicksDue(60'010.0), 0);
    EXPECT_EQ(pacing.TicksDue(60'020.0), 1);
}

TEST(TickPacing, SpeedsOutsideTheRangeAreTakenToTheNearerEnd)
{
    TickPacing pacing;
    pacing.SetSpeed(0);
    EXPECT_EQ(pacing.Speed(), 1);
    pacing.SetSpeed(250);
    EXPECT_EQ(pacing.Speed(), 100);
}

}  // namespace
