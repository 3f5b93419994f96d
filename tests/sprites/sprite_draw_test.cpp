#include <gtest/gtest.h>

#include <functional>

#include "sprites/phased_sprite.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

constexpr int kTargetWidth = 32;
constexpr int kTargetHeight = 24;
constexpr BYTE kBackground = 200;

// A frame pixel that tells where it came from: 1 + column + 16 × row, for
// frames up to 15 columns and 15 rows (never 0, never kBackground).
BYTE Tagged(int column, int row)
{
    return static_cast<BYTE>(1 + column + 16 * row);
}

// Sets every pixel of the frame; its size comes from the frame itself, not
// from a phased sprite's one-phase height.
void Fill(CDIB8BPP& frame, const std::function<BYTE(int, int)>& pixel)
{
    for (int row = 0; row < frame.CDIB8BPP::GetHeight(); ++row)
        for (int column = 0; column < frame.CDIB8BPP::GetWidth(); ++column)
            *frame.PixelAddress(column, row) = pixel(column, row);
}

// The target after drawing, worked out pixel by pixel: inside both the clip
// and the sprite's rectangle the frame pixel `firstRow` rows further down
// shows unless it is the transparent index; everything else keeps the
// background.
void ExpectDrawn(const CDIB8BPP& target, const CSprite& sprite, const RECT& clip, int firstRow)
{
    const int width = sprite.GetWidth();
    const int height = sprite.GetHeight();
    for (int ty = 0; ty < kTargetHeight; ++ty) {
        for (int tx = 0; tx < kTargetWidth; ++tx) {
            const bool inClip = tx >= clip.left && tx < clip.right && ty >= clip.top && ty < clip.bottom;
            const bool onSprite = tx >= sprite.x && tx < sprite.x + width && ty >= sprite.y && ty < sprite.y + height;
            BYTE expected = kBackground;
            if (inClip && onSprite) {
                const BYTE source = sprite.GetPixelIndex(tx - sprite.x, firstRow + ty - sprite.y);
                if (source != sprite.transparentIndex)
                    expected = source;
            }
            ASSERT_EQ(target.GetPixelIndex(tx, ty), expected) << "at (" << tx << ", " << ty << ")";
        }
    }
}

class DrawTest : public ::testing::Test {
protected:
    DrawTest()
    {
        target.Create(kTargetWidth, kTargetHeight);
        Fill(target, [](int, int) { return kBackground; });
    }

    bool TargetUntouched() const
    {
        for (int ty = 0; ty < kTargetHeight; ++ty)
            for (int tx = 0; tx < kTargetWidth; ++tx)
                if (target.GetPixelIndex(tx, ty) != kBackground)
                    return false;
        return true;
    }

    CDIB8BPP target;
};

// A plain sprite 6 × 4 at (10, 10) whose pixels are tagged with their place.
class SpriteDrawTest : public DrawTest {
protected:
    SpriteDrawTest()
    {
        sprite.Create(6, 4);
        Fill(sprite, Tagged);
        sprite.x = 10;
        sprite.y = 10;
    }

    CSprite sprite;
};

TEST_F(SpriteDrawTest, ClipThatDoesNotMeetTheSpriteDrawsNothing)
{
    sprite.Draw(target, RECT{0, 0, 5, 5});
    sprite.Draw(target, RECT{16, 10, 30, 14});  // shares only the right edge
    sprite.Draw(target, RECT{10, 14, 16, 20});  // shares only the bottom edge
    EXPECT_TRUE(TargetUntouched());
}

TEST_F(SpriteDrawTest, ClipThatCutsTheSpriteDrawsTheMatchingPartOfTheFrame)
{
    const RECT clip{12, 11, 30, 30};
    sprite.Draw(target, clip);
    EXPECT_EQ(target.GetPixelIndex(12, 11), Tagged(2, 1));
    EXPECT_EQ(target.GetPixelIndex(15, 13), Tagged(5, 3));
    EXPECT_EQ(target.GetPixelIndex(11, 11), kBackground);
    EXPECT_EQ(target.GetPixelIndex(12, 10), kBackground);
    ExpectDrawn(target, sprite, clip, 0);
}

TEST_F(SpriteDrawTest, SpriteOverTheTargetCornerDrawsItsVisiblePart)
{
    sprite.x = -3;
    sprite.y = -2;
    const RECT whole{0, 0, kTargetWidth, kTargetHeight};
    sprite.Draw(target, whole);
    EXPECT_EQ(target.GetPixelIndex(0, 0), Tagged(3, 2));
    ExpectDrawn(target, sprite, whole, 0);
}

// Records the key the sprite hands to the transfer.
class KeyRecordingSprite : public CSprite {
public:
    void TransferTo(CDIB8BPP& to, int dx, int dy, int w, int h, int sx, int sy, DWORD key) const override
    {
        keys.push_back(key);
        CSprite::TransferTo(to, dx, dy, w, h, sx, sy, key);
    }
    mutable std::vector<DWORD> keys;
};

TEST_F(DrawTest, TransparentIndex255LeavesOutExactlyThosePixels)
{
    KeyRecordingSprite sprite;
    sprite.Create(6, 4);
    // Every other pixel is 255; the rest are 0, which must be drawn.
    Fill(sprite, [](int column, int row) { return static_cast<BYTE>((column + row) % 2 ? 255 : 0); });
    sprite.transparentIndex = 255;
    sprite.x = 4;
    sprite.y = 5;
    const RECT whole{0, 0, kTargetWidth, kTargetHeight};
    sprite.Draw(target, whole);

    EXPECT_EQ(target.GetPixelIndex(4, 5), 0);
    EXPECT_EQ(target.GetPixelIndex(5, 5), kBackground);
    ExpectDrawn(target, sprite, whole, 0);
    ASSERT_EQ(sprite.keys.size(), 1u);
    EXPECT_EQ(sprite.keys[0], 0x010000FFu);
    EXPECT_NE(sprite.keys[0], kCopyAllPixels);
}

TEST_F(DrawTest, SpriteWithoutAFrameDrawsNothing)
{
    CSprite sprite;
    sprite.x = 3;
    sprite.y = 3;
    sprite.Draw(target, RECT{0, 0, kTargetWidth, kTargetHeight});
    EXPECT_TRUE(TargetUntouched());
    EXPECT_FALSE(sprite.HitTest(3, 3));
    EXPECT_FALSE(sprite.HitTest(4, 4));
}

TEST(SpriteHitTest, BoundsAreStrictAndTransparentPixelsDoNotHit)
{
    CSprite sprite;
    sprite.Create(6, 4);
    Fill(sprite, [](int column, int row) { return static_cast<BYTE>(column == 2 && row == 1 ? 3 : 7); });
    sprite.transparentIndex = 3;
    sprite.x = 10;
    sprite.y = 20;

    EXPECT_FALSE(sprite.HitTest(10, 21));  // left column
    EXPECT_FALSE(sprite.HitTest(11, 20));  // top row
    EXPECT_TRUE(sprite.HitTest(11, 21));
    EXPECT_TRUE(sprite.HitTest(15, 23));   // last column and row
    EXPECT_FALSE(sprite.HitTest(16, 21));  // just right of the sprite
    EXPECT_FALSE(sprite.HitTest(11, 24));  // just below
    EXPECT_FALSE(sprite.HitTest(12, 21));  // the transparent pixel
    EXPECT_FALSE(sprite.HitTest(-5, -5));
}

// Phased sprites: a frame of two 6-row phases, 6 columns wide, at (8, 4).
class PhasedDrawTest : public DrawTest {
protected:
    PhasedDrawTest()
    {
        sprite.Create(6, 12);
        Fill(sprite, Tagged);
        sprite.phaseCount = 2;
        sprite.phaseHeight = 6;
        sprite.x = 8;
        sprite.y = 4;
    }

    CPhasedSprite sprite;
};

TEST_F(PhasedDrawTest, PhaseOneDrawsTheLowerHalfOfTheFrame)
{
    ASSERT_TRUE(sprite.SetPhase(1));
    const RECT whole{0, 0, kTargetWidth, kTargetHeight};
    sprite.Draw(target, whole);
    EXPECT_EQ(target.GetPixelIndex(8, 4), Tagged(0, 6));
    EXPECT_EQ(target.GetPixelIndex(13, 9), Tagged(5, 11));
    EXPECT_EQ(target.GetPixelIndex(8, 10), kBackground);  // one phase high
    ExpectDrawn(target, sprite, whole, 6);
}

TEST_F(PhasedDrawTest, ClipBelowTheTopDrawsFromThePhaseRowsFurtherDown)
{
    ASSERT_TRUE(sprite.SetPhase(1));
    const RECT clip{0, 6, kTargetWidth, kTargetHeight};  // cuts off the sprite's top two rows
    sprite.Draw(target, clip);
    EXPECT_EQ(target.GetPixelIndex(8, 5), kBackground);
    EXPECT_EQ(target.GetPixelIndex(8, 6), Tagged(0, 6 + (6 - 4)));
    ExpectDrawn(target, sprite, clip, 6);
}

TEST_F(DrawTest, RowsBelowTheLastWholePhaseAreNeverShown)
{
    // 10 rows in 3 phases: phase height 3, phase 2 covers rows 6 to 8.
    CPhasedSprite sprite;
    sprite.Create(4, 10);
    Fill(sprite, Tagged);
    sprite.phaseCount = 3;
    sprite.phaseHeight = 3;
    ASSERT_TRUE(sprite.SetPhase(2));
    const RECT whole{0, 0, kTargetWidth, kTargetHeight};
    sprite.Draw(target, whole);
    EXPECT_EQ(target.GetPixelIndex(0, 0), Tagged(0, 6));
    EXPECT_EQ(target.GetPixelIndex(0, 2), Tagged(0, 8));
    EXPECT_EQ(target.GetPixelIndex(0, 3), kBackground);
    ExpectDrawn(target, sprite, whole, 6);
}

TEST(PhasedSpriteHitTest, TestsThePixelOfThePhaseShown)
{
    CPhasedSprite sprite;
    sprite.Create(6, 12);
    // Transparent (5) at (1, 1) of phase 0 and at (2, 2) of phase 1.
    Fill(sprite, [](int column, int row) { return static_cast<BYTE>((column == 1 && row == 1) || (column == 2 && row == 8) ? 5 : 9); });
    sprite.transparentIndex = 5;
    sprite.phaseCount = 2;
    sprite.phaseHeight = 6;
    sprite.x = 8;
    sprite.y = 4;

    EXPECT_FALSE(sprite.HitTest(9, 5));
    EXPECT_TRUE(sprite.HitTest(10, 6));
    EXPECT_FALSE(sprite.HitTest(9, 10));  // below phase 0's six rows

    ASSERT_TRUE(sprite.SetPhase(1));
    EXPECT_TRUE(sprite.HitTest(9, 5));
    EXPECT_FALSE(sprite.HitTest(10, 6));
    EXPECT_FALSE(sprite.HitTest(9, 10));  // still one phase high
}

}  // namespace
