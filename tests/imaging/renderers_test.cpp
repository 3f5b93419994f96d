// The renderers: their documented cases, the dither coordinates each one
// uses, refusal of malformed sources, and agreement with the straightforward
// reference renderers on random pictures of every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "imaging/quantizer.h"
#include "imaging/renderers.h"
#include "tests/imaging/render_reference.h"

namespace vesper::test {
namespace {

using namespace render;

// The stage palette the renderers take their colour table from.
class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(CreateDefaultPalette(m_palette), FALSE); }
    HPALETTE palette() const { return static_cast<HPALETTE>(m_palette.GetSafeHandle()); }

private:
    CDIBPalette m_palette;
};

// A 24-bit source whose pixel (x, y) has colour(x, y).
HGLOBAL MakeTrueColour(int width, int height, const std::function<COLORREF(int, int)>& colour)
{
    HGLOBAL block = MakeSource(width, height, 24, 0, [](std::size_t) { return BYTE{0}; });
    auto* rows = static_cast<BYTE*>(GlobalLock(block)) + 40;
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* pixel = rows + y * stride + 3 * x;
            const COLORREF c = colour(x, y);
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
        }
    }
    GlobalUnlock(block);
    return block;
}

// Cube colours quantise to one index at every threshold, so pictures made of
// them show where each source pixel went.
constexpr COLORREF kRed = RGB(255, 0, 0);      // 249
constexpr COLORREF kBlue = RGB(0, 0, 255);     // 252
constexpr COLORREF kGreen = RGB(0, 255, 0);    // 250
constexpr COLORREF kYellow = RGB(255, 255, 0); // 251
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr BYTE kRedIndex = 249, kGreenIndex = 250, kYellowIndex = 251, kBlueIndex = 252;

// 8-bit source with a colour table of cube colours; pixel (x, y) := index(x, y).
HGLOBAL MakeIndexed(int width, int height, const std::vector<COLORREF>& table, const std::function<BYTE(int, int)>& index)
{
    HGLOBAL block = MakeSource(width, height, 8, static_cast<DWORD>(table.size()), [](std::size_t) { return BYTE{0}; });
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    for (std::size_t i = 0; i < table.size(); ++i) {
        bytes[40 + 4 * i] = GetBValue(table[i]);
        bytes[40 + 4 * i + 1] = GetGValue(table[i]);
        bytes[40 + 4 * i + 2] = GetRValue(table[i]);
    }
    BYTE* rows = bytes + 40 + 4 * table.size();
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[y * stride + x] = index(x, y);
    GlobalUnlock(block);
    return block;
}

// ---- Documented cases ------------------------------------------------------------------

TEST_F(RendererTest, FlatCubeColoursGiveOneIndexEverywhere)
{
    for (const auto& [colour, index] : {std::pair{RGB(102, 153, 204), BYTE{180}}, std::pair{kWhite, BYTE{255}},
                                        std::pair{RGB(0, 0, 0), BYTE{0}}}) {
        const Pixels pixels = TakePixels(FillSolid(colour, 19, 11, palette()));
        ASSERT_EQ(pixels.width, 19);
        EXPECT_EQ(std::count(pixels.indexes.begin(), pixels.indexes.end(), index), 19 * 11) << std::hex << colour;
    }
}

TEST_F(RendererTest, OutputTakesItsColourTableFromThePalette)
{
    HGLOBAL block = FillSolid(kWhite, 3, 2, palette());
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(GlobalSize(block), 1072u);
    const auto* table = static_cast<const RGBQUAD*>(GlobalLock(block)) + 10;  // after the 40-byte header
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = defaultPalette[i];
        EXPECT_EQ(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue), RGB(e.peRed, e.peGreen, e.peBlue)) << i;
    }
    GlobalUnlock(block);
    FreePackedDIB(block);
}

TEST_F(RendererTest, StretchMapsByRoundedMulDivAndClamps)
{
    // 2 × 2: columns red/blue on stored row 0, green/yellow on stored row 1.
    HGLOBAL source = MakeTrueColour(2, 2, [](int x, int y) { return y == 0 ? (x == 0 ? kRed : kBlue) : (x == 0 ? kGreen : kYellow); });
    const Pixels pixels = TakePixels(StretchToStage(source, 4, 4, palette()));
    FreePackedDIB(source);
    ASSERT_EQ(pixels.width, 4);
    // Columns and stored rows 0, 1, 2, 3 show source 0, 1, 1, 1.
    const BYTE expected[4][4] = {{kRedIndex, kBlueIndex, kBlueIndex, kBlueIndex},
                                 {kGreenIndex, kYellowIndex, kYellowIndex, kYellowIndex},
                                 {kGreenIndex, kYellowIndex, kYellowIndex, kYellowIndex},
                                 {kGreenIndex, kYellowIndex, kYellowIndex, kYellowIndex}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels.at(x, y), expected[y][x]) << x << "," << y;
}

// Source pixel (x, y) has a cube colour that says where it came from.
COLORREF PositionColour(int x, int y)
{
    return RGB(51 * (x % 6), 51 * (y % 6), 51 * (x / 6 + 1));
}
BYTE PositionIndex(int x, int y)
{
    return cubeToPalette[36 * (x / 6 + 1) + 6 * (y % 6) + x % 6];
}

TEST_F(RendererTest, CentreOfASmallerSourceLeavesZeroAtTheTopAndRight)
{
    HGLOBAL source = MakeTrueColour(3, 3, PositionColour);
    const Pixels pixels = TakePixels(CentreOnStage(source, palette(), 4, 4));
    FreePackedDIB(source);
    ASSERT_EQ(pixels.width, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels.at(x, y), x < 3 && y < 3 ? PositionIndex(x, y) : 0) << x << "," << y;
}

TEST_F(RendererTest, CentreOfALargerSourceCutsBothSides)
{
    HGLOBAL source = MakeTrueColour(6, 6, PositionColour);
    const Pixels pixels = TakePixels(CentreOnStage(source, palette(), 4, 4));
    FreePackedDIB(source);
    ASSERT_EQ(pixels.width, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels.at(x, y), PositionIndex(x + 1, y + 1)) << x << "," << y;
}

TEST_F(RendererTest, TileStartsAtTheBottomLeft)
{
    HGLOBAL source = MakeTrueColour(3, 2, PositionColour);
    const Pixels pixels = TakePixels(TileOnStage(source, palette(), 4, 3));
    FreePackedDIB(source);
    ASSERT_EQ(pixels.width, 4);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels.at(x, y), PositionIndex(x % 3, y % 2)) << x << "," << y;
    EXPECT_EQ(pixels.at(3, 2), PositionIndex(0, 0));
}

TEST_F(RendererTest, GradientOfOneRowOrColumn)
{
    EXPECT_EQ(TakePixels(FillGradient(kRed, kBlue, 5, 1, FALSE, palette())).indexes, std::vector<BYTE>(5, kBlueIndex));
    EXPECT_EQ(TakePixels(FillGradient(kRed, kBlue, 1, 5, TRUE, palette())).indexes, std::vector<BYTE>(5, kRedIndex));
}

TEST_F(RendererTest, GradientLowersComponentsOf64_128And192First)
{
    for (const BOOL horizontal : {FALSE, TRUE}) {
        const Pixels lowered = TakePixels(FillGradient(0x00800000, 0x00C00000, 16, 16, horizontal, palette()));
        EXPECT_EQ(lowered, TakePixels(FillGradient(0x007F0000, 0x00BF0000, 16, 16, horizontal, palette())));
        EXPECT_EQ(lowered, ReferenceGradient(0x00800000, 0x00C00000, 16, 16, horizontal));
        // Without the lowering some pixels come out differently, so the
        // comparisons above see it.
        EXPECT_NE(lowered, ReferenceGradient(0x00800000, 0x00C00000, 16, 16, horizontal, false));

        const COLORREF mixed = RGB(64, 128, 192), mixedLowered = RGB(63, 127, 191);
        EXPECT_EQ(TakePixels(FillGradient(mixed, RGB(200, 100, 50), 9, 9, horizontal, palette())),
                  TakePixels(FillGradient(mixedLowered, RGB(200, 100, 50), 9, 9, horizontal, palette())));
        // 127, 63 and 191 stay as they are.
        EXPECT_NE(TakePixels(FillGradient(RGB(126, 62, 190), RGB(126, 62, 190), 9, 9, horizontal, palette())),
                  TakePixels(FillGradient(mixedLowered, mixedLowered, 9, 9, horizontal, palette())));
    }
}

TEST_F(RendererTest, SpriteKeyColourBecomesIndexOneAndNothingElseDoes)
{
    constexpr COLORREF kMagenta = RGB(255, 0, 255);
    // Magenta at the bottom-left and on a diagonal; elsewhere index 1's own
    // colour (800000) and colours one step from magenta in each component.
    const std::vector<COLORREF> table = {kMagenta,          RGB(0x80, 0, 0),  RGB(254, 0, 255),
                                         RGB(255, 1, 255), RGB(255, 0, 254), kWhite};
    const auto index = [](int x, int y) { return BYTE(x == y ? 0 : 1 + (x + 2 * y) % 5); };
    for (const bool trueColour : {false, true}) {
        HGLOBAL source = trueColour ? MakeTrueColour(7, 5, [&](int x, int y) { return table[index(x, y)]; })
                                    : MakeIndexed(7, 5, table, index);
        const Pixels pixels = TakePixels(ConvertSpriteImage(source, palette()));
        FreePackedDIB(source);
        ASSERT_EQ(pixels.width, 7) << trueColour;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                if (index(x, y) == 0)
                    EXPECT_EQ(pixels.at(x, y), kTransparentIndex) << x << "," << y;
                else
                    EXPECT_NE(pixels.at(x, y), kTransparentIndex) << x << "," << y;
            }
        }
    }
}

// ---- Dither coordinates ----------------------------------------------------------------

// Red 122 lies between levels 2 and 3 (remainder 20): a pixel shows level 3
// exactly where its threshold is below 20, so the pattern shows which
// coordinates fed the threshold.
constexpr COLORREF kBetweenLevels = RGB(122, 0, 0);

BYTE ExpectedAt(int p, int q)
{
    return DitherThreshold(p, q) < 20 ? cubeToPalette[3] : cubeToPalette[2];
}

void ExpectPattern(const Pixels& pixels, int width, int height, const std::function<std::pair<int, int>(int, int)>& pq,
                   const std::string& what)
{
    ASSERT_EQ(pixels.width, width) << what;
    ASSERT_EQ(pixels.height, height) << what;
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto [p, q] = pq(x, y);
            if (p < 0)
                continue;
            mismatches += pixels.at(x, y) != ExpectedAt(p, q);
        }
    }
    EXPECT_EQ(mismatches, 0) << what;
}

TEST_F(RendererTest, EachRendererFeedsTheThresholdItsOwnCoordinates)
{
    const auto flat = [](int, int) { return kBetweenLevels; };
    const auto outputXY = [](int x, int y) { return std::pair{x, y}; };

    HGLOBAL picture = MakeTrueColour(11, 9, flat);
    ExpectPattern(TakePixels(ConvertToStage(picture, palette())), 11, 9, outputXY, "convert");
    FreePackedDIB(picture);

    HGLOBAL small = MakeTrueColour(3, 2, flat);
    ExpectPattern(TakePixels(StretchToStage(small, 13, 10, palette())), 13, 10, outputXY, "stretch");
    ExpectPattern(TakePixels(TileOnStage(small, palette(), 13, 10)), 13, 10, outputXY, "tile");
    FreePackedDIB(small);

    // Centred 5 × 3 on 16 × 10 at offset (5, 3): source coordinates.
    HGLOBAL centred = MakeTrueColour(5, 3, flat);
    ExpectPattern(TakePixels(CentreOnStage(centred, palette(), 16, 10)), 16, 10,
                  [](int x, int y) {
                      const bool inside = x >= 5 && x < 10 && y >= 3 && y < 6;
                      return inside ? std::pair{x - 5, y - 3} : std::pair{-1, -1};
                  },
                  "centre");
    FreePackedDIB(centred);

    ExpectPattern(TakePixels(FillSolid(kBetweenLevels, 13, 10, palette())), 13, 10, outputXY, "solid");
    ExpectPattern(TakePixels(FillGradient(kBetweenLevels, kBetweenLevels, 13, 10, FALSE, palette())), 13, 10, outputXY,
                  "vertical gradient");
    ExpectPattern(TakePixels(FillGradient(kBetweenLevels, kBetweenLevels, 13, 10, TRUE, palette())), 13, 10,
                  [](int x, int y) { return std::pair{y, x}; }, "horizontal gradient");

    // The sprite's key is its first pixel, so that one has another colour.
    HGLOBAL sprite = MakeTrueColour(11, 9, [](int x, int y) { return x == 0 && y == 0 ? kWhite : kBetweenLevels; });
    ExpectPattern(TakePixels(ConvertSpriteImage(sprite, palette())), 11, 9,
                  [](int x, int y) { return x == 0 && y == 0 ? std::pair{-1, -1} : std::pair{x, y}; }, "sprite");
    FreePackedDIB(sprite);
}

TEST_F(RendererTest, CentreCoordinatesAreTheSourcesWhenItIsCut)
{
    HGLOBAL picture = MakeTrueColour(20, 15, [](int, int) { return kBetweenLevels; });
    // Offsets (9 − 20) / 2 = −5 and (7 − 15) / 2 = −4.
    ExpectPattern(TakePixels(CentreOnStage(picture, palette(), 9, 7)), 9, 7,
                  [](int x, int y) { return std::pair{x + 5, y + 4}; }, "cut centre");
    FreePackedDIB(picture);
}

// ---- Refused sources and sizes -----------------------------------------------------------

// A valid 8-bit 4 × 2 source with 4 colours, changed by `edit` (header, whole
// block) before it is given to every source renderer.
void ExpectRefused(HPALETTE palette, const std::function<void(BITMAPINFOHEADER&)>& edit, std::size_t trim = 0)
{
    HGLOBAL source = MakeSource(4, 2, 8, 4, [](std::size_t i) { return BYTE(i); });
    auto* bytes = static_cast<BYTE*>(GlobalLock(source));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    edit(header);
    std::memcpy(bytes, &header, sizeof header);
    GlobalUnlock(source);
    if (trim)
        source = GlobalReAlloc(source, GlobalSize(source) - trim, 0);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ConvertToStage(source, palette), nullptr);
    EXPECT_EQ(StretchToStage(source, 8, 8, palette), nullptr);
    EXPECT_EQ(CentreOnStage(source, palette, 8, 8), nullptr);
    EXPECT_EQ(TileOnStage(source, palette, 8, 8), nullptr);
    EXPECT_EQ(ConvertSpriteImage(source, palette), nullptr);
    FreePackedDIB(source);
}

TEST_F(RendererTest, SourcesOfOtherFormsOrThatDoNotHoldWhatTheirHeaderSaysAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(BITMAPINFOHEADER&)> edit;
        std::size_t trim = 0;
    };
    const Case cases[] = {
        {"0 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }},
        {"2 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
        {"16 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 16; }},
        {"32 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 32; }},
        {"core header", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
        {"108-byte header", [](BITMAPINFOHEADER& h) { h.biSize = 108; }},
        {"run-length", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }},
        {"width 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
        {"height 0", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
        {"top-down", [](BITMAPINFOHEADER& h) { h.biHeight = -2; }},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -4; }},
        {"one byte short of the last row", [](BITMAPINFOHEADER&) {}, 1},
        {"rows far past the block", [](BITMAPINFOHEADER& h) { h.biHeight = 1 << 20; }},
        {"row far past the block", [](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; }},
        {"table far past the block", [](BITMAPINFOHEADER& h) { h.biClrUsed = 0x40000000; }},
        {"table one entry past the block", [](BITMAPINFOHEADER& h) { h.biClrUsed = 5; }},
        // Colours used 0 means 256 entries for 8 bits, which a 4-entry block lacks.
        {"full table implied", [](BITMAPINFOHEADER& h) { h.biClrUsed = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(palette(), c.edit, c.trim);
    }
}

TEST_F(RendererTest, BlocksTooSmallForAHeaderAndNullHandlesAreRefused)
{
    HGLOBAL tiny = GlobalAlloc(GHND, 20);
    auto* bytes = static_cast<BYTE*>(GlobalLock(tiny));
    bytes[0] = 40;
    GlobalUnlock(tiny);
    EXPECT_EQ(ConvertToStage(tiny, palette()), nullptr);
    EXPECT_EQ(ConvertSpriteImage(tiny, palette()), nullptr);
    FreePackedDIB(tiny);
    EXPECT_EQ(ConvertToStage(nullptr, palette()), nullptr);
    EXPECT_EQ(StretchToStage(nullptr, 4, 4, palette()), nullptr);
    EXPECT_EQ(CentreOnStage(nullptr, palette(), 4, 4), nullptr);
    EXPECT_EQ(TileOnStage(nullptr, palette(), 4, 4), nullptr);
    EXPECT_EQ(ConvertSpriteImage(nullptr, palette()), nullptr);
}

TEST_F(RendererTest, ExactlySizedSourceIsAccepted)
{
    HGLOBAL source = MakeSource(5, 3, 4, 16, [](std::size_t i) { return BYTE(i * 13); });
    EXPECT_EQ(GlobalSize(source), 40u + 64 + 4 * 3);
    HGLOBAL converted = ConvertToStage(source, palette());
    EXPECT_NE(converted, nullptr);
    FreePackedDIB(converted);
    FreePackedDIB(source);
}

TEST_F(RendererTest, OutputSizesThatAreNotPositiveGiveNull)
{
    HGLOBAL source = MakeSource(4, 2, 8, 4, [](std::size_t i) { return BYTE(i); });
    for (const auto& [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 5}, std::pair{5, -1}}) {
        EXPECT_EQ(StretchToStage(source, w, h, palette()), nullptr);
        EXPECT_EQ(CentreOnStage(source, palette(), w, h), nullptr);
        EXPECT_EQ(TileOnStage(source, palette(), w, h), nullptr);
        EXPECT_EQ(FillGradient(kRed, kBlue, w, h, FALSE, palette()), nullptr);
        EXPECT_EQ(FillGradient(kRed, kBlue, w, h, TRUE, palette()), nullptr);
        EXPECT_EQ(FillSolid(kRed, w, h, palette()), nullptr);
    }
    FreePackedDIB(source);
}

TEST_F(RendererTest, IndexesPastTheColourTableReadAsBlack)
{
    // Two table entries (white); pixels use indexes 0, 1 and 200.
    HGLOBAL source = MakeIndexed(3, 1, {kWhite, kWhite}, [](int x, int) { return BYTE(x == 2 ? 200 : x); });
    const Pixels pixels = TakePixels(ConvertToStage(source, palette()));
    FreePackedDIB(source);
    EXPECT_EQ(pixels.indexes, (std::vector<BYTE>{255, 255, 0}));
}

// ---- Agreement with the reference renderers --------------------------------------------

struct SourceShape {
    int width;
    int height;
    WORD bits;
    DWORD colours;
};

// Every depth; odd widths that leave partial bytes and row padding; colour
// tables shorter than the depth can index.
std::vector<SourceShape> SourceShapes()
{
    std::vector<SourceShape> shapes;
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{9, 7}, std::pair{17, 12}, std::pair{33, 5}}) {
        shapes.push_back({w, h, 1, 2});
        shapes.push_back({w, h, 4, 16});
        shapes.push_back({w, h, 4, 11});
        shapes.push_back({w, h, 8, 256});
        shapes.push_back({w, h, 8, 60});
        shapes.push_back({w, h, 24, 0});
    }
    return shapes;
}

std::string Describe(const SourceShape& s)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height) + " " + std::to_string(s.bits) + " bits, " +
           std::to_string(s.colours) + " colours";
}

// Random pixels, with a run of copies of the first pixel so that the sprite
// key appears more than once even in true colour.
HGLOBAL MakeTestSource(const SourceShape& shape, std::mt19937& random)
{
    HGLOBAL block = MakeRandomSource(shape.width, shape.height, shape.bits, shape.colours, random);
    if (shape.bits == 24) {
        auto* rows = static_cast<BYTE*>(GlobalLock(block)) + 40;
        const std::size_t stride = (3 * static_cast<std::size_t>(shape.width) + 3) / 4 * 4;
        for (int y = 0; y < shape.height; y += 2)
            for (int x = y % 3; x < shape.width; x += 3)
                std::memcpy(rows + y * stride + 3 * x, rows, 3);
        GlobalUnlock(block);
    }
    return block;
}

TEST_F(RendererTest, ConvertersAgreeWithTheReferenceOnRandomPictures)
{
    std::mt19937 random(2024);
    for (const SourceShape& shape : SourceShapes()) {
        HGLOBAL source = MakeTestSource(shape, random);
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(source));
        const std::vector<BYTE> before(bytes, bytes + GlobalSize(source));
        GlobalUnlock(source);
        const SourceReader reader(source);
        EXPECT_EQ(TakePixels(ConvertToStage(source, palette())), ReferenceConvert(reader)) << Describe(shape);
        EXPECT_EQ(TakePixels(ConvertSpriteImage(source, palette())), ReferenceSprite(reader)) << Describe(shape);
        // The source is left as it was.
        EXPECT_EQ(std::memcmp(GlobalLock(source), before.data(), before.size()), 0) << Describe(shape);
        GlobalUnlock(source);
        FreePackedDIB(source);
    }
}

TEST_F(RendererTest, PlacementsAgreeWithTheReferenceOnRandomPictures)
{
    std::mt19937 random(99);
    const std::pair<int, int> outputs[] = {{1, 1}, {2, 3}, {13, 9}, {40, 17}, {64, 8}};
    for (const SourceShape& shape : SourceShapes()) {
        HGLOBAL source = MakeTestSource(shape, random);
        const SourceReader reader(source);
        for (const auto& [w, h] : outputs) {
            const std::string what = Describe(shape) + " on " + std::to_string(w) + "x" + std::to_string(h);
            EXPECT_EQ(TakePixels(StretchToStage(source, w, h, palette())), ReferenceStretch(reader, w, h)) << what;
            EXPECT_EQ(TakePixels(CentreOnStage(source, palette(), w, h)), ReferenceCentre(reader, w, h)) << what;
            EXPECT_EQ(TakePixels(TileOnStage(source, palette(), w, h)), ReferenceTile(reader, w, h)) << what;
        }
        FreePackedDIB(source);
    }
}

TEST_F(RendererTest, FillsAgreeWithTheReferenceOnRandomColours)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<DWORD> colour(0, 0xFFFFFFFF);
    const std::pair<int, int> outputs[] = {{1, 1}, {1, 9}, {9, 1}, {7, 8}, {23, 19}, {70, 33}};
    for (int round = 0; round < 12; ++round) {
        // Every other round, components on the lowered values.
        const COLORREF from = round % 2 ? RGB(64, 128, 192) ^ (colour(random) & 0x00010101) : colour(random);
        const COLORREF to = colour(random);
        for (const auto& [w, h] : outputs) {
            EXPECT_EQ(TakePixels(FillGradient(from, to, w, h, FALSE, palette())), ReferenceGradient(from, to, w, h, false));
            EXPECT_EQ(TakePixels(FillGradient(from, to, w, h, TRUE, palette())), ReferenceGradient(from, to, w, h, true));
            EXPECT_EQ(TakePixels(FillSolid(from, w, h, palette())), ReferenceSolid(from, w, h));
        }
    }
}

}  // namespace
}  // namespace vesper::test
