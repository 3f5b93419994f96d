#include <gtest/gtest.h>

#include <functional>

#include "imaging/default_palette.h"
#include "sprites/anim_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

struct Colour {
    BYTE red, green, blue;
};

// Pure colours sit on the palette's colour cube, so the dither gives them one
// index everywhere; these are their entries in the default palette.
constexpr Colour kRed{255, 0, 0};
constexpr BYTE kRedIndex = 249;
constexpr Colour kBlueGrey{102, 153, 204};
constexpr BYTE kBlueGreyIndex = 180;
constexpr Colour kMagenta{255, 0, 255};
constexpr Colour kYellow{255, 255, 0};

// A 4-bit picture with the given colour table; pixel(column, row from the top)
// gives each pixel's table index.
std::vector<BYTE> Picture4(int width, int height, const std::vector<Colour>& table, const std::function<int(int, int)>& pixel)
{
    const int stride = ((4 * width + 31) / 32) * 4;
    std::vector<BYTE> bytes = InfoHeaderBytes(width, height, 4, static_cast<int>(table.size()), stride * height);
    for (const Colour& c : table)
        bytes.insert(bytes.end(), {c.blue, c.green, c.red, 0});
    for (int stored = 0; stored < height; ++stored) {
        std::vector<BYTE> row(static_cast<std::size_t>(stride), 0);
        for (int column = 0; column < width; ++column) {
            const int index = pixel(column, height - 1 - stored);
            row[column / 2] |= static_cast<BYTE>(column % 2 ? index : index << 4);
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

// A 24-bit picture; pixel(column, row from the top) gives each colour.
std::vector<BYTE> Picture24(int width, int height, const std::function<Colour(int, int)>& pixel)
{
    const int stride = ((24 * width + 31) / 32) * 4;
    std::vector<BYTE> bytes = InfoHeaderBytes(width, height, 24, 0, stride * height);
    for (int stored = 0; stored < height; ++stored) {
        std::vector<BYTE> row(static_cast<std::size_t>(stride), 0);
        for (int column = 0; column < width; ++column) {
            const Colour c = pixel(column, height - 1 - stored);
            row[3 * column] = c.blue;
            row[3 * column + 1] = c.green;
            row[3 * column + 2] = c.red;
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

// 45 × 45, 16 colours: a magenta background around a blue-grey square at
// columns and rows 10 to 34.
bool InFigure(int column, int row)
{
    return column >= 10 && column < 35 && row >= 10 && row < 35;
}

std::vector<BYTE> BallPicture()
{
    std::vector<Colour> table(16, Colour{0, 0, 0});
    table[0] = kMagenta;
    table[5] = kBlueGrey;
    return Picture4(45, 45, table, [](int column, int row) { return InFigure(column, row) ? 5 : 0; });
}

TEST(PrepareFrame, UniformBackgroundBecomesIndexOneAndIsLeftOut)
{
    const std::vector<BYTE> picture = BallPicture();
    ASSERT_EQ(picture.size(), 1184u);  // the stored size of such a picture
    // As the saver does when its window is created.
    ASSERT_TRUE(CreateDefaultPalette(g_defaultPalette));
    CSprite sprite;
    sprite.image.dib = BlockOf(picture);
    sprite.PrepareFrame();
    g_defaultPalette.DeleteObject();

    ASSERT_EQ(sprite.GetWidth(), 45);
    ASSERT_EQ(sprite.GetHeight(), 45);
    EXPECT_EQ(sprite.transparentIndex, 1);
    for (int row = 0; row < 45; ++row)
        for (int column = 0; column < 45; ++column)
            ASSERT_EQ(sprite.GetPixelIndex(column, row), InFigure(column, row) ? kBlueGreyIndex : 1)
                << "at (" << column << ", " << row << ")";
    // The frame's colour table is the saver's palette.
    const RGBQUAD entry = sprite.GetColorTable()[kRedIndex];
    EXPECT_EQ(RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue), RGB(kRed.red, kRed.green, kRed.blue));

    CDIB8BPP target;
    target.Create(45, 45);
    sprite.Draw(target, RECT{0, 0, 45, 45});
    EXPECT_EQ(target.GetPixelIndex(0, 0), 0);  // background left out
    EXPECT_EQ(target.GetPixelIndex(10, 10), kBlueGreyIndex);
    EXPECT_FALSE(sprite.HitTest(5, 5));
    EXPECT_TRUE(sprite.HitTest(20, 20));
}

TEST(PrepareFrame, TopLeftColourIsLeftOutWhenItDiffersFromTheKeyColour)
{
    // Bottom-left pixel (the key colour) yellow, top-left pixel red, the
    // bottom row blue-grey apart from its first pixel, the rest red.
    CSprite sprite;
    sprite.image.dib = BlockOf(Picture24(6, 4, [](int column, int row) {
        if (row == 3)
            return column == 0 ? kYellow : kBlueGrey;
        return column == 5 ? kYellow : kRed;
    }));
    sprite.PrepareFrame();

    ASSERT_EQ(sprite.GetWidth(), 6);
    EXPECT_EQ(sprite.transparentIndex, kRedIndex);
    EXPECT_EQ(sprite.GetPixelIndex(0, 3), 1);
    EXPECT_EQ(sprite.GetPixelIndex(5, 0), 1);
    EXPECT_EQ(sprite.GetPixelIndex(1, 3), kBlueGreyIndex);

    CDIB8BPP target;
    target.Create(6, 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 6; ++column)
            *target.PixelAddress(column, row) = 77;
    sprite.Draw(target, RECT{0, 0, 6, 4});
    EXPECT_EQ(target.GetPixelIndex(0, 3), 1);  // key colour drawn as index 1
    EXPECT_EQ(target.GetPixelIndex(5, 0), 1);
    EXPECT_EQ(target.GetPixelIndex(1, 3), kBlueGreyIndex);
    EXPECT_EQ(target.GetPixelIndex(0, 0), 77);  // red left out
    EXPECT_EQ(target.GetPixelIndex(4, 2), 77);
}

TEST(PrepareFrame, WithoutAPictureNothingChanges)
{
    CSprite sprite;
    sprite.Create(3, 3);
    const HGLOBAL frame = sprite.block;
    sprite.transparentIndex = 7;
    sprite.PrepareFrame();
    EXPECT_EQ(sprite.block, frame);
    EXPECT_EQ(sprite.transparentIndex, 7);
}

TEST(PrepareFrame, PictureThatCannotBeConvertedLeavesAnEmptyFrame)
{
    CSprite sprite;
    sprite.Create(5, 5);
    sprite.transparentIndex = 9;
    std::vector<BYTE> picture = InfoHeaderBytes(2, 2, 16, 0, 8);  // 16 bits per pixel
    picture.resize(picture.size() + 8, 0xAB);
    sprite.image.dib = BlockOf(picture);
    sprite.PrepareFrame();
    EXPECT_EQ(sprite.block, nullptr);
    EXPECT_EQ(sprite.GetWidth(), 0);
    EXPECT_EQ(sprite.transparentIndex, 0);
}

TEST(PrepareFrame, ReplacesAFrameEvenWhileACallerHoldsItLocked)
{
    CSprite sprite;
    sprite.Create(5, 5);
    sprite.locked = static_cast<BYTE*>(GlobalLock(sprite.block));
    sprite.image.dib = BlockOf(BallPicture());
    sprite.PrepareFrame();
    EXPECT_EQ(sprite.locked, nullptr);
    EXPECT_EQ(sprite.GetWidth(), 45);
}

// The way the stage takes a stored sprite into play: a working copy, its
// frame, its list, its place on an 800 × 600 stage, then drawn there.
TEST(TakingIntoPlay, WorkingCopyIsDrawnAtItsScaledPlace)
{
    CAnimSprite stored;
    stored.image.dib = BlockOf(BallPicture());
    stored.phaseHeight = 45;
    stored.x = 420;
    stored.y = 420;

    RecordingStage stage(800, 600);
    CSpriteListObserver observer;
    observer.targetStage = &stage;
    CAnimSprite copy(stored);
    copy.PrepareFrame();
    copy.SetOwner(&observer);
    copy.PlaceOnStage(800, 600);
    EXPECT_EQ(copy.bounceHeight, 30);

    CDIB8BPP frame;
    frame.Create(800, 600);
    copy.Draw(frame, RECT{0, 0, 800, 600});
    EXPECT_EQ(frame.GetPixelIndex(525 + 10, 525 + 10), kBlueGreyIndex);
    EXPECT_EQ(frame.GetPixelIndex(525 + 34, 525 + 34), kBlueGreyIndex);
    EXPECT_EQ(frame.GetPixelIndex(525 + 9, 525 + 10), 0);
    EXPECT_EQ(frame.GetPixelIndex(420 + 20, 420 + 20), 0);
    EXPECT_EQ(RectsOf(stage.rects), (std::vector<RECT>{{525, 525, 570, 570}, {420, 420, 465, 465}}));
}

}  // namespace
