#include <gtest/gtest.h>

#include "sprites/anim_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

// ---- Placing a working copy on the stage ----------------------------------------

class PlaceOnStageTest : public ::testing::Test {
protected:
    PlaceOnStageTest()
    {
        observer.targetStage = &stage;
        sprite.Create(45, 45);
        sprite.phaseHeight = 45;
        sprite.SetOwner(&observer);
    }

    void PlaceFrom(int x, int y, int width, int height)
    {
        sprite.x = x;
        sprite.y = y;
        sprite.PlaceOnStage(width, height);
    }

    RecordingStage stage;
    CSpriteListObserver observer;
    CAnimSprite sprite;
};

TEST_F(PlaceOnStageTest, ScalesTheDesignPositionAndStartsTheArcThere)
{
    PlaceFrom(420, 420, 800, 600);
    EXPECT_EQ(sprite.x, 525);
    EXPECT_EQ(sprite.y, 525);
    EXPECT_EQ(sprite.bounceHeight, 30);
    // The move is reported like any other, from the stored place.
    ASSERT_EQ(stage.calls.size(), 2u);
    EXPECT_EQ(stage.calls[0].second, (RECT{420, 420, 465, 465}));
    EXPECT_EQ(stage.calls[1].second, (RECT{525, 525, 570, 570}));
}

TEST_F(PlaceOnStageTest, ScalingTruncatesTowardZeroAndKeepsOutlyingPlaces)
{
    struct Case {
        int x, y, width, height, placedX, placedY;
    };
    const Case cases[] = {
        {320, 240, 800, 600, 400, 300},
        {320, 240, 1024, 768, 512, 384},
        {-10, -10, 800, 600, -12, -12},   // -12.5 truncated toward zero
        {660, 60, 640, 480, 660, 60},     // beyond the design width: off the stage
        {32767, -32768, 640, 480, 32767, -32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") on " << c.width << " x " << c.height);
        PlaceFrom(c.x, c.y, c.width, c.height);
        EXPECT_EQ(sprite.x, c.placedX);
        EXPECT_EQ(sprite.y, c.placedY);
    }
}

TEST_F(PlaceOnStageTest, BounceHeightUsesOnePhaseAndMayBeNegative)
{
    sprite.phaseHeight = 15;  // three phases of a 45-row frame
    PlaceFrom(0, 240, 640, 480);
    EXPECT_EQ(sprite.bounceHeight, 480 - 15 - 240);

    sprite.phaseHeight = 45;
    PlaceFrom(0, 470, 640, 480);
    EXPECT_EQ(sprite.bounceHeight, -35);
    // The first bounce step lifts it above the floor (435), not back to 470.
    sprite.motion = MotionBounce;
    sprite.dy = 10;
    sprite.pauseKey = 0;
    sprite.Step(stage);
    EXPECT_EQ(sprite.y, 400);
}

// ---- Working copies of any sprite of the family -----------------------------------

// The fields every sprite has are copied as AnimSpriteCopyTest checks; these
// are what a plain or phased source lacks.
TEST(WorkingCopy, PlainSpriteBecomesOneStillPhaseOverItsWholePicture)
{
    CSprite source;
    const std::vector<BYTE> picture = PackedPictureBytes(12, 40, 4, 16);
    source.image.dib = BlockOf(picture);
    source.x = 420;

    const CAnimSprite copy(source);
    EXPECT_EQ(copy.x, 420);
    ASSERT_NE(copy.image.dib, nullptr);
    EXPECT_NE(copy.image.dib, source.image.dib);
    EXPECT_EQ(BytesOf(copy.image.dib), picture);
    EXPECT_EQ(copy.phaseHeight, 40);
    EXPECT_EQ(copy.GetPhaseCount(), 1);
    EXPECT_EQ(copy.GetPhase(), 0);
    EXPECT_EQ(copy.phaseSpeed, 8);
    EXPECT_EQ(copy.dx, 0);
    EXPECT_EQ(copy.dy, 0);
    EXPECT_EQ(copy.motion, MotionLinear);
    EXPECT_EQ(copy.edgeMode, EdgeWrap);
    EXPECT_EQ(copy.angle, 90);
}

TEST(WorkingCopy, PhasedSpriteKeepsItsPhasesAndTakesDefaultMotion)
{
    CPhasedSprite source;
    source.image.dib = BlockOf(PackedPictureBytes(12, 40, 4, 16));
    ASSERT_TRUE(source.SetPhaseCount(4));
    ASSERT_TRUE(source.SetPhase(3));
    source.phaseSpeed = 15;

    const CAnimSprite copy(source);
    EXPECT_EQ(copy.phaseHeight, 10);
    EXPECT_EQ(copy.GetPhaseCount(), 4);
    EXPECT_EQ(copy.GetPhase(), 3);
    EXPECT_EQ(copy.phaseSpeed, 15);
    EXPECT_EQ(copy.dx, 0);
    EXPECT_EQ(copy.motion, MotionLinear);
    EXPECT_EQ(copy.edgeMode, EdgeWrap);
}

}  // namespace
