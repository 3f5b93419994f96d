#include <gtest/gtest.h>

#include "sprites/phased_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

class CountingObserver : public CSpriteObserver {
public:
    void OnSpriteChanged(CSprite*, DWORD flags, const RECT* first, const RECT* second) override
    {
        ++calls;
        lastFlags = flags;
        hadFirst = first != nullptr;
        hadSecond = second != nullptr;
        if (first)
            lastFirst = *first;
    }
    int calls = 0;
    DWORD lastFlags = 0;
    bool hadFirst = false, hadSecond = false;
    RECT lastFirst{};
};

// A stored CPhasedSprite with a picture `height` rows high and the given
// phase count and speed.
std::vector<BYTE> StoredPhasedSprite(int height, std::int32_t phaseCount, std::int32_t phaseSpeed)
{
    CPhasedSprite sprite;
    sprite.image.dib = BlockOf(PackedPictureBytes(8, height, 8, 2));
    std::vector<BYTE> bytes = StoredObject(sprite);
    bytes.resize(bytes.size() - 8);
    PutLE(bytes, static_cast<std::uint32_t>(phaseCount), 4);
    PutLE(bytes, static_cast<std::uint32_t>(phaseSpeed), 4);
    return bytes;
}

TEST(PhasedSpriteLoading, PhaseHeightIsThePictureHeightDividedByTheCount)
{
    struct Case {
        int height, count, phaseCount, phaseHeight;
    };
    const Case cases[] = {
        {100, 3, 3, 33},
        {45, 0, 1, 45},  // a stored count of 0 means one phase
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const auto sprite = LoadedObject<CPhasedSprite>(StoredPhasedSprite(c.height, c.count, 12));
        ASSERT_TRUE(sprite);
        EXPECT_EQ(sprite->GetPhaseCount(), c.phaseCount);
        EXPECT_EQ(sprite->phaseSpeed, 12);
        EXPECT_EQ(sprite->phaseHeight, c.phaseHeight);
        EXPECT_EQ(sprite->GetHeight(), c.phaseHeight);
        EXPECT_EQ(sprite->GetPhase(), 0);
    }
}

TEST(PhasedSpriteLoading, OddStoredCountsGiveAnEmptyRectangle)
{
    for (const std::int32_t count : {-2, 101, INT32_MIN}) {
        SCOPED_TRACE(count);
        const auto sprite = LoadedObject<CPhasedSprite>(StoredPhasedSprite(100, count, 8));
        EXPECT_EQ(sprite->GetPhaseCount(), count);
        EXPECT_LE(sprite->phaseHeight, 0);
        sprite->Create(8, 100);
        RECT r;
        sprite->GetRect(&r);
        EXPECT_TRUE(IsRectEmpty(&r));
    }
}

TEST(PhasedSpriteLoading, StoredFormEndsWithCountAndSpeedAndLoadsAtPhaseZero)
{
    CPhasedSprite shown;
    shown.image.dib = BlockOf(PackedPictureBytes(8, 600, 4, 16));
    ASSERT_TRUE(shown.SetPhaseCount(2));
    ASSERT_TRUE(shown.SetPhase(1));
    shown.phaseSpeed = -4;
    const std::vector<BYTE> bytes = StoredObject(shown);
    const std::vector<BYTE> tail(bytes.end() - 8, bytes.end());
    EXPECT_EQ(tail, (std::vector<BYTE>{0x02, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF}));
    const auto loaded = LoadedObject<CPhasedSprite>(bytes);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetPhase(), 0);
    EXPECT_EQ(loaded->GetPhaseCount(), 2);
    EXPECT_EQ(loaded->phaseHeight, 300);
    EXPECT_EQ(loaded->phaseSpeed, -4);
}

class PhasedSpriteTest : public ::testing::Test {
protected:
    PhasedSpriteTest()
    {
        sprite.image.dib = BlockOf(PackedPictureBytes(20, 100, 8, 2));
        sprite.Create(20, 100);
        sprite.x = 5;
        sprite.y = 7;
        sprite.SetOwner(&observer);
    }

    CPhasedSprite sprite;
    CountingObserver observer;
};

TEST_F(PhasedSpriteTest, SetPhaseCountDividesThePicture)
{
    EXPECT_TRUE(sprite.SetPhaseCount(3));
    EXPECT_EQ(sprite.GetPhaseCount(), 3);
    EXPECT_EQ(sprite.GetHeight(), 33);
    RECT r;
    sprite.GetRect(&r);
    EXPECT_EQ(r, (RECT{5, 7, 25, 40}));
    EXPECT_EQ(observer.calls, 0);
}

TEST_F(PhasedSpriteTest, SetPhaseCountRefusesCountsThatLeaveNoRow)
{
    ASSERT_TRUE(sprite.SetPhaseCount(4));
    ASSERT_TRUE(sprite.SetPhase(3));
    for (const int n : {0, -1, 101}) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(sprite.SetPhaseCount(n));
        EXPECT_EQ(sprite.GetPhaseCount(), 4);
        EXPECT_EQ(sprite.phaseHeight, 25);
        EXPECT_EQ(sprite.GetPhase(), 3);
    }
    EXPECT_TRUE(sprite.SetPhaseCount(100));
    EXPECT_EQ(sprite.phaseHeight, 1);
    EXPECT_EQ(sprite.GetPhase(), 0);
}

TEST_F(PhasedSpriteTest, SetPhaseAcceptsOnlyANewPhaseInRange)
{
    ASSERT_TRUE(sprite.SetPhaseCount(3));
    EXPECT_FALSE(sprite.SetPhase(3));
    EXPECT_FALSE(sprite.SetPhase(-1));
    EXPECT_FALSE(sprite.SetPhase(0));
    EXPECT_EQ(observer.calls, 0);
    EXPECT_EQ(sprite.GetPhase(), 0);

    EXPECT_TRUE(sprite.SetPhase(2));
    EXPECT_EQ(sprite.GetPhase(), 2);
    ASSERT_EQ(observer.calls, 1);
    EXPECT_EQ(observer.lastFlags, static_cast<DWORD>(ChangePhase));
    EXPECT_TRUE(observer.hadFirst);
    EXPECT_FALSE(observer.hadSecond);
    EXPECT_EQ(observer.lastFirst, (RECT{5, 7, 25, 40}));

    EXPECT_FALSE(sprite.SetPhase(2));
    EXPECT_EQ(observer.calls, 1);
}

TEST_F(PhasedSpriteTest, SetPhaseWithoutAnOwnerStillChangesThePhase)
{
    sprite.SetOwner(nullptr);
    ASSERT_TRUE(sprite.SetPhaseCount(2));
    EXPECT_TRUE(sprite.SetPhase(1));
    EXPECT_EQ(sprite.GetPhase(), 1);
}

TEST_F(PhasedSpriteTest, ResetImageStateReturnsToOneWholePicturePhase)
{
    ASSERT_TRUE(sprite.SetPhaseCount(4));
    ASSERT_TRUE(sprite.SetPhase(1));
    sprite.transparentIndex = 7;
    sprite.ResetImageState();
    EXPECT_EQ(sprite.transparentIndex, 1);
    EXPECT_EQ(sprite.GetPhaseCount(), 1);
    EXPECT_EQ(sprite.GetPhase(), 0);
    EXPECT_EQ(sprite.GetHeight(), 100);
}

TEST(PhasedSpriteWithoutPicture, HasNoPhaseHeightAndRefusesPhaseCounts)
{
    CPhasedSprite sprite;
    EXPECT_EQ(sprite.GetHeight(), 0);
    EXPECT_FALSE(sprite.SetPhaseCount(1));
    sprite.ResetImageState();
    EXPECT_EQ(sprite.GetHeight(), 0);
}

}  // namespace
