#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "sprites/anim_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

// phaseSpeed that keeps the phase tick out of a test's few hundred steps.
constexpr int kNoPhaseTick = -1000;

// A sprite on a 640 × 480 recording stage, reporting through a sprite list's
// observer as a working copy does; `size` × `size` pixels, one phase.
class StepTest : public ::testing::Test {
protected:
    StepTest() { observer.targetStage = &stage; }

    void Make(int size)
    {
        sprite.Create(size, size);
        sprite.phaseHeight = size;
        sprite.phaseSpeed = kNoPhaseTick;
        sprite.pauseKey = 0;
        sprite.SetOwner(&observer);
    }

    void MakeMoving(int size, int edgeMode, int x, int y, int dx, int dy)
    {
        Make(size);
        sprite.edgeMode = edgeMode;
        sprite.x = x;
        sprite.y = y;
        sprite.dx = dx;
        sprite.dy = dy;
    }

    BOOL Step() { return sprite.Step(stage); }

    RecordingStage stage{640, 480};
    CSpriteListObserver observer;
    CAnimSprite sprite;
};

// ---- Straight-line motion ---------------------------------------------------

TEST_F(StepTest, TenthsOfAPixelAccumulateAndTruncateTowardZero)
{
    struct Case {
        int x, dx;
        int xs[4];
        int fracs[4];
    };
    const Case cases[] = {
        {100, 34, {103, 106, 110, 113}, {4, 8, 2, 6}},
        {300, -23, {298, 296, 294, 291}, {-3, -6, -9, -2}},
    };
    for (const Case& c : cases) {
        MakeMoving(45, EdgeWrap, c.x, 50, c.dx, 0);
        sprite.fracX = 0;
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "dx " << c.dx << " tick " << i);
            EXPECT_TRUE(Step());
            EXPECT_EQ(sprite.x, c.xs[i]);
            EXPECT_EQ(sprite.fracX, c.fracs[i]);
            EXPECT_EQ(sprite.y, 50);
        }
    }
}

TEST_F(StepTest, SlowVelocityMovesEverySecondTickAndSkipsTheEdgeTestBetween)
{
    // Already beyond the right edge: a tick without a whole pixel must not
    // wrap it.
    MakeMoving(45, EdgeWrap, 641, 50, 5, 0);
    EXPECT_FALSE(Step());
    EXPECT_EQ(sprite.x, 641);
    EXPECT_EQ(sprite.fracX, 5);
    EXPECT_TRUE(stage.calls.empty());

    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, -45);
    EXPECT_EQ(sprite.fracX, 0);
    EXPECT_EQ(stage.calls.size(), 2u);
}

// ---- Rebound -------------------------------------------------------------------

TEST_F(StepTest, ReboundReversesOnTouchingTheNearEdgesButOnlyOnOverlappingTheFarOnes)
{
    struct Case {
        int x, y, dx, dy;
        int expectedX, expectedY, expectedDx, expectedDy;
    };
    const Case cases[] = {
        {3, 50, -30, 0, 0, 50, 30, 0},          // newX 0 touches the left edge
        {5, 50, -30, 0, 2, 50, -30, 0},
        {592, 50, 30, 0, 595, 50, 30, 0},       // newX = W - w: touching only
        {593, 50, 30, 0, 596, 50, -30, 0},
        {50, 3, 0, -30, 50, 0, 0, 30},          // newY 0 touches the top
        {50, 432, 0, 30, 50, 435, 0, 30},       // newY = H - h
        {50, 433, 0, 30, 50, 436, 0, -30},
        {50, 5, 0, 30, 50, 8, 0, 30},           // moving away from the top
        {600, 50, -30, 0, 597, 50, -30, 0},     // moving away from the right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from (" << c.x << ", " << c.y << ") by (" << c.dx << ", " << c.dy << ")");
        MakeMoving(45, EdgeRebound, c.x, c.y, c.dx, c.dy);
        sprite.fracX = sprite.fracY = 0;
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.x, c.expectedX);
        EXPECT_EQ(sprite.y, c.expectedY);
        EXPECT_EQ(sprite.dx, c.expectedDx);
        EXPECT_EQ(sprite.dy, c.expectedDy);
    }
}

TEST_F(StepTest, MostNegativeVelocityReboundsToTheLargestPositiveOne)
{
    MakeMoving(45, EdgeRebound, 100, 50, INT_MIN, 0);
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, 100 - 214748364);
    EXPECT_EQ(sprite.fracX, -8);
    EXPECT_EQ(sprite.dx, INT_MAX);
}

// ---- Wrap ------------------------------------------------------------------------

TEST_F(StepTest, WrapsOnlyOnceWhollyPastAnEdge)
{
    // A 55-pixel sprite on 640 × 480 over two ticks: reaching the far edge
    // exactly does not wrap; wrapping puts it just out of sight on the
    // other side.
    struct Case {
        int x, y, dx, dy, fracX;
        int x1, y1, x2, y2;
    };
    const Case cases[] = {
        {638, 50, 25, 0, 5, -55, 50, -53, 50},
        {637, 50, 30, 0, 0, 640, 50, -55, 50},
        {-53, 50, -20, 0, 0, -55, 50, 640, 50},
        {50, 478, 0, 30, 0, 50, -55, 50, -52},
        {50, -52, 0, -30, 0, 50, -55, 50, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from (" << c.x << ", " << c.y << ") by (" << c.dx << ", " << c.dy << ")");
        MakeMoving(55, EdgeWrap, c.x, c.y, c.dx, c.dy);
        sprite.fracX = c.fracX;
        sprite.fracY = 0;
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.x, c.x1);
        EXPECT_EQ(sprite.y, c.y1);
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.x, c.x2);
        EXPECT_EQ(sprite.y, c.y2);
        EXPECT_EQ(sprite.dx, c.dx);
        EXPECT_EQ(sprite.dy, c.dy);
    }
}

TEST_F(StepTest, LargestVelocityWrapsWithoutOverflow)
{
    MakeMoving(45, EdgeWrap, 0, 50, INT_MAX, 0);
    sprite.fracX = 9;
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, -45);
    EXPECT_EQ(sprite.fracX, 6);
}

TEST_F(StepTest, UnknownEdgeModesWrapWithoutPausing)
{
    MakeMoving(55, 5, 638, 50, 25, 0);
    sprite.fracX = 5;
    sprite.pauseKey = 42;
    const std::vector<int> draws = Draws(77, 1);
    std::srand(77);
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, -55);
    EXPECT_EQ(sprite.pauseKey, 42);
    EXPECT_EQ(std::rand(), draws[0]);
}

// ---- Wrap with pause ---------------------------------------------------------------

TEST_F(StepTest, WrapStartsAPauseThatEndsWhenALotteryDrawHitsTheKey)
{
    constexpr unsigned kSeed = 2024;
    constexpr int kEnough = 50000;
    const std::vector<int> draws = Draws(kSeed, kEnough);
    const int key = draws[0] % 300 == 0 ? 1 : draws[0] % 300;
    int hit = 1;
    while (hit < kEnough - 1 && draws[hit] % 300 != key)
        ++hit;
    ASSERT_LT(hit, kEnough - 1) << "the seed gives no hit; pick another";

    MakeMoving(55, EdgeWrapPause, 638, 50, 25, 0);
    sprite.fracX = 5;
    std::srand(kSeed);
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, -55);
    EXPECT_EQ(sprite.pauseKey, key);

    // Paused: no move and no phase count, whatever the velocity.
    const int ticks = sprite.tickCount;
    stage.calls.clear();
    for (int draw = 1; draw < hit; ++draw)
        ASSERT_FALSE(Step()) << "draw " << draw;
    EXPECT_EQ(sprite.x, -55);
    EXPECT_EQ(sprite.tickCount, ticks);
    EXPECT_TRUE(stage.calls.empty());

    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.pauseKey, 0);
    EXPECT_EQ(sprite.x, -53);
    EXPECT_EQ(std::rand(), draws[hit + 1]);
}

TEST_F(StepTest, PauseKeyDrawnAsZeroBecomesOne)
{
    unsigned seed = 1;
    while (seed < 1000000 && Draws(seed, 1)[0] % 300 != 0)
        ++seed;
    ASSERT_LT(seed, 1000000u);

    MakeMoving(55, EdgeWrapPause, 638, 50, 25, 0);
    sprite.fracX = 5;
    std::srand(seed);
    Step();
    EXPECT_EQ(sprite.x, -55);
    EXPECT_EQ(sprite.pauseKey, 1);
}

TEST_F(StepTest, WrappingOnBothAxesDrawsTwoPauseKeys)
{
    const std::vector<int> draws = Draws(31, 3);
    MakeMoving(55, EdgeWrapPause, 638, 478, 25, 30);
    sprite.fracX = 5;
    std::srand(31);
    Step();
    EXPECT_EQ(sprite.x, -55);
    EXPECT_EQ(sprite.y, -55);
    EXPECT_EQ(sprite.pauseKey, draws[1] % 300 == 0 ? 1 : draws[1] % 300);
    EXPECT_EQ(std::rand(), draws[2]);
}

TEST_F(StepTest, RunningSpriteDrawsNoLotteryNumbers)
{
    const std::vector<int> draws = Draws(5, 1);
    MakeMoving(45, EdgeWrapPause, 100, 100, 34, 12);
    std::srand(5);
    EXPECT_TRUE(Step());
    EXPECT_TRUE(Step());
    EXPECT_EQ(std::rand(), draws[0]);
}

// ---- Bounce ----------------------------------------------------------------------

class BounceTest : public StepTest {
protected:
    void MakeBouncing(int angle, int dy, int bounceHeight)
    {
        MakeMoving(45, EdgeRebound, 100, 100, 0, dy);
        sprite.motion = MotionBounce;
        sprite.angle = angle;
        sprite.bounceHeight = bounceHeight;
    }
};

TEST_F(BounceTest, HeightFollowsTheSineOfTheAngle)
{
    struct Case {
        int startAngle, bounceHeight, angle, y;
    };
    // H 480, h 45.
    const Case cases[] = {
        {89, 335, 90, 100},   // the top of the arc: H - bounceHeight - h
        {44, 335, 45, 198},
        {179, 335, 180, 434}, // one pixel above the floor
        {359, 335, 0, 435},   // on the floor: H - h
        // A negative bounce height bounces between above the floor and the floor.
        {89, -50, 90, 385},   // H - h - |bounceHeight|
        {179, -50, 180, 434},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle << " degrees, bounce height " << c.bounceHeight);
        MakeBouncing(c.startAngle, 10, c.bounceHeight);
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.angle, c.angle);
        EXPECT_EQ(sprite.y, c.y);
    }
}

TEST_F(BounceTest, ZeroDyBecomesOneDegreeEveryTenTicks)
{
    MakeBouncing(90, 0, 335);
    for (int tick = 1; tick <= 9; ++tick)
        ASSERT_FALSE(Step()) << "tick " << tick;
    EXPECT_EQ(sprite.dy, 1);
    EXPECT_EQ(sprite.angle, 90);
    EXPECT_EQ(sprite.fracY, 9);
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.angle, 91);
    EXPECT_EQ(sprite.fracY, 0);
    EXPECT_EQ(sprite.y, 100);
}

TEST_F(BounceTest, NegativeDyRunsTheAngleThroughNegativeValues)
{
    MakeBouncing(1, -10, 335);
    Step();
    EXPECT_EQ(sprite.angle, 0);
    EXPECT_EQ(sprite.y, 435);
    Step();
    EXPECT_EQ(sprite.angle, -1);
    const int yAtMinusOne = sprite.y;
    MakeBouncing(0, 10, 335);
    Step();
    EXPECT_EQ(yAtMinusOne, sprite.y);  // the same height as at +1 degree

    MakeBouncing(-44, -10, 335);
    Step();
    EXPECT_EQ(sprite.angle, -45);
    EXPECT_EQ(sprite.y, 198);

    MakeBouncing(-359, -10, 335);
    Step();
    EXPECT_EQ(sprite.angle, 0);
}

TEST_F(BounceTest, MovesHorizontallyWithTheEdgeHandlingToo)
{
    MakeBouncing(90, 44, 335);
    sprite.x = 594;
    sprite.dx = 34;
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, 597);
    EXPECT_EQ(sprite.dx, -34);
    EXPECT_EQ(sprite.angle, 94);
}

TEST_F(BounceTest, NegativeSpriteHeightSaturatesInsteadOfOverflowing)
{
    // A negative stored phase count gives a negative phase height; taken as
    // unsigned it puts the sprite far above the stage.
    MakeBouncing(89, 10, 335);
    sprite.phaseHeight = -3;
    Step();
    EXPECT_EQ(sprite.y, INT_MIN);
}

// ---- Phase cadence and the notification of unchanged positions ----------------------

TEST_F(StepTest, EachOfThreePhasesShowsForThirteenTicks)
{
    Make(45);
    sprite.phaseCount = 3;
    sprite.phaseHeight = 15;
    sprite.phaseSpeed = 8;
    sprite.x = 20;
    sprite.y = 30;
    const int phasesAfter[] = {1, 2, 0};
    for (int round = 0; round < 3; ++round) {
        for (int tick = 1; tick <= 12; ++tick)
            ASSERT_FALSE(Step()) << "round " << round << " tick " << tick;
        EXPECT_EQ(stage.calls.size(), 0u);
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.GetPhase(), phasesAfter[round]);
        EXPECT_EQ(sprite.tickCount, 0);
        // Redrawn through an unchanged position: two equal rectangles.
        ASSERT_EQ(stage.calls.size(), 2u);
        EXPECT_EQ(stage.calls[0].second, (RECT{20, 30, 65, 45}));
        EXPECT_EQ(stage.calls[1].second, (RECT{20, 30, 65, 45}));
        EXPECT_EQ(RectsOf(stage.rects).size(), 1u);
        stage.calls.clear();
        stage.rects.DeleteAllRects();
    }
}

TEST_F(StepTest, PhaseSpeedAbove20AdvancesOnEveryTick)
{
    Make(45);
    sprite.phaseCount = 2;
    sprite.phaseHeight = 20;
    sprite.phaseSpeed = 25;
    for (int tick = 1; tick <= 4; ++tick) {
        EXPECT_TRUE(Step());
        EXPECT_EQ(sprite.GetPhase(), tick % 2);
    }
}

TEST_F(StepTest, StillSinglePhaseSpriteReportsItsUnchangedPlaceOnThePhaseTick)
{
    Make(45);
    sprite.phaseSpeed = 8;
    sprite.x = 7;
    sprite.y = 9;
    int changes = 0;
    for (int tick = 1; tick <= 39; ++tick)
        if (Step()) {
            ++changes;
            EXPECT_EQ(tick % 13, 0) << "tick " << tick;
        }
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(sprite.x, 7);
    EXPECT_EQ(sprite.y, 9);
    EXPECT_EQ(sprite.GetPhase(), 0);
    ASSERT_EQ(stage.calls.size(), 6u);
    for (const auto& call : stage.calls)
        EXPECT_EQ(call.second, (RECT{7, 9, 52, 54}));
}

TEST_F(StepTest, UnknownMotionDoesNotMoveButStillTicks)
{
    MakeMoving(45, EdgeWrap, 100, 100, 30, 30);
    sprite.motion = 7;
    sprite.phaseSpeed = 8;
    for (int tick = 1; tick <= 12; ++tick)
        ASSERT_FALSE(Step());
    EXPECT_TRUE(Step());
    EXPECT_EQ(sprite.x, 100);
    EXPECT_EQ(sprite.y, 100);
    EXPECT_EQ(sprite.fracX, 0);
}

TEST_F(StepTest, ExtremeCadenceNeverTicksAndNeverOverflows)
{
    Make(45);
    sprite.phaseSpeed = INT_MIN;
    sprite.tickCount = INT_MAX - 1;
    EXPECT_FALSE(Step());
    EXPECT_FALSE(Step());
    EXPECT_EQ(sprite.tickCount, INT_MAX);
}

}  // namespace
