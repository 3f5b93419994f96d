#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "scene/vesper_doc.h"
#include "sprites/anim_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

// The first sprite of a scene: a 45 x 45 picture at 4 bits per pixel with 16
// colours at (420, 420), depth 50, one phase at speed 8, moving 3.4 px right
// and 1.2 px down per tick and rebounding at the edges.
std::vector<BYTE> FirstScenePicture()
{
    return PackedPictureBytes(45, 45, 4, 16);
}

void MakeFirstSceneSprite(CAnimSprite& sprite)
{
    sprite.image.dib = BlockOf(FirstScenePicture());
    sprite.x = 420;
    sprite.y = 420;
    sprite.phaseCount = 1;
    sprite.phaseSpeed = 8;
    sprite.dx = 34;
    sprite.dy = 12;
    sprite.motion = MotionLinear;
    sprite.edgeMode = EdgeRebound;
}

std::vector<BYTE> FirstSceneSpriteBytes()
{
    std::vector<BYTE> bytes = NewClassRecordBytes("CAnimSprite");
    bytes.insert(bytes.end(), {0xA0, 0x04, 0x00, 0x00});
    const std::vector<BYTE> picture = FirstScenePicture();
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    bytes.insert(bytes.end(), {
        0x00, 0x00,                                      // auxText1, auxText2
        0xA4, 0x01, 0xA4, 0x01, 0x32, 0x00,              // x, y, depth
        0x00, 0x00, 0x00, 0x00,                          // auxWord1, auxWord2
        0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,  // phaseCount, phaseSpeed
        0x22, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00,  // dx, dy
        0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // motion, edgeMode
    });
    return bytes;
}

TEST(AnimSpriteStoredForm, FirstSceneSpriteStoresByteForByte)
{
    CAnimSprite sprite;
    MakeFirstSceneSprite(sprite);
    const std::vector<BYTE> expected = FirstSceneSpriteBytes();
    ASSERT_EQ(expected.size(), 17u + 4 + 1184 + 36);
    const std::vector<BYTE> opening{0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00, 'C', 'A', 'n', 'i', 'm', 'S', 'p', 'r', 'i', 't', 'e', 0xA0, 0x04, 0x00, 0x00};
    ASSERT_TRUE(std::equal(opening.begin(), opening.end(), expected.begin()));
    EXPECT_EQ(StoredObject(sprite), expected);
}

TEST(AnimSpriteStoredForm, FirstSceneSpriteLoads)
{
    const auto sprite = LoadedObject<CAnimSprite>(FirstSceneSpriteBytes());
    ASSERT_TRUE(sprite);
    EXPECT_EQ(sprite->GetRuntimeClass(), RUNTIME_CLASS(CAnimSprite));
    EXPECT_EQ(sprite->x, 420);
    EXPECT_EQ(sprite->y, 420);
    EXPECT_EQ(sprite->depth, 50);
    EXPECT_EQ(sprite->GetPhaseCount(), 1);
    EXPECT_EQ(sprite->phaseSpeed, 8);
    EXPECT_EQ(sprite->phaseHeight, 45);
    EXPECT_EQ(sprite->dx, 34);
    EXPECT_EQ(sprite->dy, 12);
    EXPECT_EQ(sprite->motion, MotionLinear);
    EXPECT_EQ(sprite->edgeMode, EdgeRebound);
    EXPECT_EQ(BytesOf(sprite->image.dib), FirstScenePicture());
    // Fields that are not stored keep their construction values.
    EXPECT_EQ(sprite->angle, 90);
    EXPECT_EQ(sprite->fracX, 0);
    EXPECT_EQ(sprite->bounceHeight, 0);
}

TEST(AnimSpriteStoredForm, StoreThenLoadKeepsEveryStoredField)
{
    CAnimSprite sprite;
    const std::vector<BYTE> picture = PackedPictureBytes(30, 60, 8, 256);
    sprite.image.dib = BlockOf(picture);
    sprite.auxText1 = "a";
    sprite.auxText2 = "b";
    sprite.x = 660;
    sprite.y = -60;
    sprite.depth = 3;
    sprite.auxWord1 = 7;
    sprite.auxWord2 = 65000;
    ASSERT_TRUE(sprite.SetPhaseCount(2));
    sprite.phaseSpeed = 12;
    sprite.dx = -21;
    sprite.dy = INT32_MIN;
    sprite.motion = 7;
    sprite.edgeMode = -1;
    sprite.fracX = 5;  // not stored

    const auto loaded = LoadedObject<CAnimSprite>(StoredObject(sprite));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(BytesOf(loaded->image.dib), picture);
    EXPECT_EQ(loaded->auxText1, "a");
    EXPECT_EQ(loaded->auxText2, "b");
    EXPECT_EQ(loaded->x, 660);
    EXPECT_EQ(loaded->y, -60);
    EXPECT_EQ(loaded->depth, 3);
    EXPECT_EQ(loaded->auxWord1, 7u);
    EXPECT_EQ(loaded->auxWord2, 65000u);
    EXPECT_EQ(loaded->GetPhaseCount(), 2);
    EXPECT_EQ(loaded->phaseHeight, 30);
    EXPECT_EQ(loaded->phaseSpeed, 12);
    EXPECT_EQ(loaded->dx, -21);
    EXPECT_EQ(loaded->dy, INT32_MIN);
    EXPECT_EQ(loaded->motion, 7);
    EXPECT_EQ(loaded->edgeMode, -1);
    EXPECT_EQ(loaded->fracX, 0);
}

// An owner the copy must not inherit.
class SilentOwner : public CSpriteObserver {
public:
    void OnSpriteChanged(CSprite*, DWORD, const RECT*, const RECT*) override {}
};

class AnimSpriteCopyTest : public ::testing::Test {
protected:
    AnimSpriteCopyTest()
    {
        original.image.dib = BlockOf(PackedPictureBytes(12, 40, 4, 16));
        original.x = 420;
        original.y = 420;
        original.dx = 34;
        original.dy = 12;
        original.motion = MotionLinear;
        original.edgeMode = EdgeRebound;
        original.auxText1 = "author";
        original.auxText2 = "note";
        original.depth = 17;
        original.auxWord1 = 11;
        original.auxWord2 = 22;
        original.transparentIndex = 200;
        original.SetPhaseCount(4);
        original.SetPhase(3);
        original.phaseSpeed = 15;
        original.fracX = -7;
        original.fracY = 3;
        original.tickCount = 9;
        original.bounceHeight = 123;
        original.angle = -45;
        original.pauseKey = 77;
        original.SetOwner(&owner);
        original.document = &document;
        original.Create(12, 40);
    }

    SilentOwner owner;
    CVesperDoc document;
    CAnimSprite original;
};

TEST_F(AnimSpriteCopyTest, CopiesMotionPhaseAndPositionFieldsOnly)
{
    const CAnimSprite copy(original);
    EXPECT_EQ(copy.fracX, -7);
    EXPECT_EQ(copy.fracY, 3);
    EXPECT_EQ(copy.dx, 34);
    EXPECT_EQ(copy.dy, 12);
    EXPECT_EQ(copy.tickCount, 9);
    EXPECT_EQ(copy.motion, MotionLinear);
    EXPECT_EQ(copy.edgeMode, EdgeRebound);
    EXPECT_EQ(copy.phaseHeight, 10);
    EXPECT_EQ(copy.GetPhaseCount(), 4);
    EXPECT_EQ(copy.GetPhase(), 3);
    EXPECT_EQ(copy.phaseSpeed, 15);
    EXPECT_EQ(copy.x, 420);
    EXPECT_EQ(copy.y, 420);
    EXPECT_EQ(copy.depth, 17);
    EXPECT_EQ(copy.auxWord1, 11u);
    EXPECT_EQ(copy.auxWord2, 22u);
    EXPECT_EQ(copy.transparentIndex, 200);
    // Owner, document, texts, bounce state and frame stay behind.
    EXPECT_EQ(copy.owner, nullptr);
    EXPECT_EQ(copy.document, nullptr);
    EXPECT_EQ(copy.auxText1, "");
    EXPECT_EQ(copy.auxText2, "");
    EXPECT_EQ(copy.bounceHeight, 0);
    EXPECT_EQ(copy.angle, 90);
    EXPECT_EQ(copy.block, nullptr);
    EXPECT_EQ(copy.GetWidth(), 0);
}

TEST_F(AnimSpriteCopyTest, CopiesThePictureIntoABlockOfItsOwn)
{
    const std::vector<BYTE> picture = BytesOf(original.image.dib);
    const CAnimSprite copy(original);
    ASSERT_NE(copy.image.dib, nullptr);
    EXPECT_NE(copy.image.dib, original.image.dib);
    EXPECT_EQ(BytesOf(copy.image.dib), picture);

    auto* originalBytes = static_cast<BYTE*>(GlobalLock(original.image.dib));
    originalBytes[picture.size() - 1] ^= 0xFF;
    GlobalUnlock(original.image.dib);
    EXPECT_EQ(BytesOf(copy.image.dib), picture);
}

// Construction, copying and loading each draw exactly one pause key.
TEST_F(AnimSpriteCopyTest, EachNewSpriteDrawsExactlyOnePauseKey)
{
    const std::vector<BYTE> bytes = FirstSceneSpriteBytes();
    const std::vector<int> draws = Draws(4321, 5);
    std::srand(4321);
    const CAnimSprite constructed;
    const CAnimSprite first(original);
    const CAnimSprite second(first);
    const auto loaded = LoadedObject<CAnimSprite>(bytes);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(constructed.pauseKey, draws[0] % 300);
    EXPECT_EQ(first.pauseKey, draws[1] % 300);
    EXPECT_EQ(second.pauseKey, draws[2] % 300);
    EXPECT_EQ(loaded->pauseKey, draws[3] % 300);
    EXPECT_EQ(std::rand(), draws[4]);
}

}  // namespace
