#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "platform/gdi/gdi_objects.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "tests/platform/gdi/gdi_test_dib.h"

namespace {

using vesper::platform::HeadlessDisplay;
using vesper::platform::UseHeadlessDisplay;
using vesper::test::MakeDib;
using vesper::test::MakePalette;
using vesper::test::Rgb;
using vesper::test::RowOrder;
using vesper::test::TestDib;

constexpr unsigned kBackground = 0x123456;
constexpr BYTE kBackgroundIndex = 7;

class StretchTest : public ::testing::Test {
protected:
    // A display whose every pixel starts as the background colour or index.
    HeadlessDisplay& Screen(int width, int height, int bits)
    {
        HeadlessDisplay& display = UseHeadlessDisplay({width, height, bits});
        const vesper::platform::Surface surface = display.Pixels();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                BYTE* pixel = surface.Row(y) + x * surface.bytesPerPixel;
                if (bits == 8) {
                    *pixel = kBackgroundIndex;
                } else {
                    const BYTE bgr[4] = {BYTE(kBackground), BYTE(kBackground >> 8), BYTE(kBackground >> 16), 0};
                    std::memcpy(pixel, bgr, 4);
                }
            }
        display.ForgetChangedArea();
        return display;
    }

    int Draw(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth, int srcHeight,
             const TestDib& dib, UINT usage = DIB_RGB_COLORS)
    {
        return StretchDIBits(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight,
                             dib.bits.data(), dib.Info(), usage, SRCCOPY);
    }

    // The colours of a screen rectangle, top row first.
    static std::vector<COLORREF> Colours(HeadlessDisplay& display, int left, int top, int width, int height)
    {
        return vesper::test::PixelsIn(display, RECT{left, top, left + width, top + height});
    }

    static std::vector<COLORREF> Expected(std::initializer_list<unsigned> colours)
    {
        std::vector<COLORREF> result;
        for (unsigned c : colours)
            result.push_back(Rgb(c));
        return result;
    }

    void SetUp() override { dc = GetDC(nullptr); }
    void TearDown() override { ReleaseDC(nullptr, dc); }

    HDC dc = nullptr;
};

constexpr unsigned A = 0xFF0000, B = 0x00FF00, C = 0x0000FF, D = 0xFFFF00, E = 0x808080, F = 0x000000;
constexpr unsigned G = 0xFFFFFF;

// ---- One-to-one copies of every depth ---------------------------------------

TEST_F(StretchTest, EightBitCopyLandsWhereAskedAndTouchesNothingElse)
{
    HeadlessDisplay& screen = Screen(8, 6, 32);
    const TestDib dib = MakeDib(3, 2, 8, {0, 1, 2, 3, 4, 5}, {A, B, C, D, E, F});
    EXPECT_EQ(Draw(4, 3, 3, 2, 0, 0, 3, 2, dib), 2);
    EXPECT_EQ(Colours(screen, 3, 2, 5, 4), Expected({kBackground, kBackground, kBackground, kBackground, kBackground,
                                                     kBackground, A, B, C, kBackground,
                                                     kBackground, D, E, F, kBackground,
                                                     kBackground, kBackground, kBackground, kBackground, kBackground}));
    const RECT changed = screen.ChangedArea();
    EXPECT_EQ(changed.left, 4);
    EXPECT_EQ(changed.top, 3);
    EXPECT_EQ(changed.right, 7);
    EXPECT_EQ(changed.bottom, 5);
}

TEST_F(StretchTest, OneAndFourBitRowsAreUnpackedWithTheirPadding)
{
    HeadlessDisplay& screen = Screen(12, 4, 32);
    // Ten pixels a row: two bytes of bits, padded to four.
    const TestDib mono = MakeDib(10, 2, 1, {1, 0, 0, 1, 1, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 1, 0}, {F, G});
    EXPECT_EQ(Draw(0, 0, 10, 2, 0, 0, 10, 2, mono), 2);
    EXPECT_EQ(Colours(screen, 0, 0, 10, 2),
              Expected({G, F, F, G, G, G, F, F, F, G, F, G, G, F, F, F, G, G, G, F}));

    // Three pixels a row: two bytes, the last nibble unused.
    const TestDib nibbles = MakeDib(3, 2, 4, {15, 0, 9, 1, 14, 2}, {A, B, C, 0, 0, 0, 0, 0, 0, D, 0, 0, 0, 0, E, G});
    EXPECT_EQ(Draw(0, 2, 3, 2, 0, 0, 3, 2, nibbles), 2);
    EXPECT_EQ(Colours(screen, 0, 2, 3, 2), Expected({G, A, D, B, E, C}));
}

TEST_F(StretchTest, TwentyFourBitRowsAreReadAsBlueGreenRed)
{
    HeadlessDisplay& screen = Screen(4, 4, 24);
    // Three pixels of three bytes: nine bytes and three of padding per row.
    const TestDib dib = MakeDib(3, 2, 24, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203});
    EXPECT_EQ(Draw(1, 1, 3, 2, 0, 0, 3, 2, dib), 2);
    EXPECT_EQ(Colours(screen, 1, 1, 3, 2), Expected({0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203}));
    const vesper::platform::Surface surface = screen.Pixels();
    const BYTE* pixel = surface.Row(1) + 1 * 4;
    EXPECT_EQ(pixel[0], 0x30) << "true-colour surfaces store blue, green, red, 0";
    EXPECT_EQ(pixel[1], 0x20);
    EXPECT_EQ(pixel[2], 0x10);
    EXPECT_EQ(pixel[3], 0x00);
}

// ---- Source rectangles ------------------------------------------------------

TEST_F(StretchTest, SourceRowsCountFromTheBottomOfABottomUpPicture)
{
    HeadlessDisplay& screen = Screen(4, 4, 32);
    // Rows from the top: A, B, C, D.
    const std::vector<unsigned> pixels = {0, 0, 1, 1, 2, 2, 3, 3};
    const TestDib bottomUp = MakeDib(2, 4, 8, pixels, {A, B, C, D});
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 2, 1, bottomUp), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 2, 1), Expected({D, D})) << "ySrc 0 is the bottom row";
    EXPECT_EQ(Draw(0, 1, 1, 2, 1, 1, 1, 2, bottomUp), 2);
    EXPECT_EQ(Colours(screen, 0, 1, 1, 2), Expected({B, C})) << "rows 1-2 from the bottom, shown upright";

    const TestDib topDown = MakeDib(2, 4, 8, pixels, {A, B, C, D}, RowOrder::TopDown);
    EXPECT_EQ(Draw(2, 0, 2, 1, 0, 0, 2, 1, topDown), 1);
    EXPECT_EQ(Colours(screen, 2, 0, 2, 1), Expected({A, A})) << "ySrc 0 is the top row of a top-down picture";
    EXPECT_EQ(Draw(2, 1, 1, 2, 0, 2, 1, 2, topDown), 2);
    EXPECT_EQ(Colours(screen, 2, 1, 1, 2), Expected({C, D}));
}

TEST_F(StretchTest, StageStyleCopyOfAChangedRectangle)
{
    // A frame copied back with source y = height - bottom lands on the same rectangle.
    HeadlessDisplay& screen = Screen(6, 5, 32);
    std::vector<unsigned> pixels(6 * 5);
    for (int i = 0; i < 30; ++i)
        pixels[i] = i;
    std::vector<unsigned> table(30);
    for (int i = 0; i < 30; ++i)
        table[i] = 0x010101u * i;
    const TestDib frame = MakeDib(6, 5, 8, pixels, table);
    const RECT r{2, 1, 5, 3};
    EXPECT_EQ(Draw(r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, 5 - r.bottom, r.right - r.left,
                   r.bottom - r.top, frame),
              2);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            EXPECT_EQ(screen.ColourAt(x, y), Rgb(inside ? 0x010101u * (y * 6 + x) : kBackground)) << x << "," << y;
        }
}

TEST_F(StretchTest, PartsOfTheSourceOutsideThePictureAreNotDrawn)
{
    HeadlessDisplay& screen = Screen(6, 3, 32);
    const TestDib dib = MakeDib(2, 1, 8, {0, 1}, {A, B});
    EXPECT_EQ(Draw(0, 0, 4, 1, -1, 0, 4, 1, dib), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 4, 1), Expected({kBackground, A, B, kBackground}));
    EXPECT_EQ(Draw(0, 1, 2, 2, 0, -1, 2, 2, dib), 1) << "only one of the two rows exists";
    EXPECT_EQ(Colours(screen, 0, 1, 2, 2), Expected({A, B, kBackground, kBackground}));
    EXPECT_EQ(Draw(0, 0, 2, 1, 5, 0, 2, 1, dib), 0) << "entirely outside";
}

// ---- Clipping ---------------------------------------------------------------

TEST_F(StretchTest, CopiesAreClippedAtEveryScreenEdge)
{
    HeadlessDisplay& screen = Screen(5, 4, 32);
    const TestDib dib = MakeDib(3, 3, 8, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {A, B, C, D, E, F, G, 0x111111, 0x222222});
    EXPECT_EQ(Draw(-1, -2, 3, 3, 0, 0, 3, 3, dib), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 3, 1), Expected({0x111111, 0x222222, kBackground}));
    EXPECT_EQ(Draw(3, 2, 3, 3, 0, 0, 3, 3, dib), 2);
    EXPECT_EQ(Colours(screen, 3, 2, 2, 2), Expected({A, B, D, E}));
    EXPECT_EQ(Draw(5, 0, 3, 3, 0, 0, 3, 3, dib), 0);
    EXPECT_EQ(Draw(0, -3, 3, 3, 0, 0, 3, 3, dib), 0);
    EXPECT_EQ(Draw(std::numeric_limits<int>::max(), 0, 3, 3, 0, 0, 3, 3, dib), 0);
    EXPECT_EQ(Draw(std::numeric_limits<int>::min(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                   std::numeric_limits<int>::max(), 0, 0, 3, 3, dib),
              0);
}

TEST_F(StretchTest, WindowContextsDrawFromTheirOriginInsideTheirArea)
{
    HeadlessDisplay& screen = Screen(10, 8, 32);
    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x77});
    const auto previousProvider = vesper::platform::gdi::SetWindowAreaProvider(
        [window](HWND hwnd) { return hwnd == window ? std::optional(RECT{4, 3, 7, 5}) : std::nullopt; });
    HDC windowDc = GetDC(window);
    ASSERT_NE(windowDc, nullptr);
    const TestDib dib = MakeDib(4, 3, 8, {0, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4}, {A, B, C, D, E, F, G});
    EXPECT_EQ(StretchDIBits(windowDc, -1, 0, 4, 3, 0, 0, 4, 3, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(Colours(screen, 3, 2, 5, 4),
              Expected({kBackground, kBackground, kBackground, kBackground, kBackground,
                        kBackground, B, C, D, kBackground,
                        kBackground, F, G, A, kBackground,
                        kBackground, kBackground, kBackground, kBackground, kBackground}));
    ReleaseDC(window, windowDc);
    vesper::platform::gdi::SetWindowAreaProvider(previousProvider);
}

// ---- Stretching -------------------------------------------------------------

TEST_F(StretchTest, ColorOnColorTakesThePixelUnderEachCentre)
{
    HeadlessDisplay& screen = Screen(8, 4, 32);
    SetStretchBltMode(dc, COLORONCOLOR);
    const TestDib row = MakeDib(4, 1, 8, {0, 1, 2, 3}, {A, B, C, D});
    EXPECT_EQ(Draw(0, 0, 8, 1, 0, 0, 4, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 8, 1), Expected({A, A, B, B, C, C, D, D}));
    EXPECT_EQ(Draw(0, 1, 2, 1, 0, 0, 4, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 1, 2, 1), Expected({B, D}));
    EXPECT_EQ(Draw(0, 2, 2, 1, 0, 0, 3, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 2, 2, 1), Expected({A, C}));
    // Three rows into two: rows 0 and 2 from the top; the result counts destination rows.
    const TestDib column = MakeDib(1, 3, 8, {0, 1, 2}, {A, B, C});
    EXPECT_EQ(Draw(7, 0, 1, 2, 0, 0, 1, 3, column), 2);
    EXPECT_EQ(Colours(screen, 7, 0, 1, 2), Expected({A, C}));
}

TEST_F(StretchTest, StretchingKeepsItsScaleWhenClipped)
{
    HeadlessDisplay& screen = Screen(3, 1, 32);
    SetStretchBltMode(dc, COLORONCOLOR);
    const TestDib row = MakeDib(3, 1, 8, {0, 1, 2}, {A, B, C});
    EXPECT_EQ(Draw(-3, 0, 6, 1, 0, 0, 3, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 3, 1), Expected({B, C, C}));
}

// Magnifying by a whole factor, as a scaled stage does: every destination
// pixel shows the source pixel (d - start) / k, whatever part of the picture,
// of the screen and of the source rectangle the copy covers; pixels whose
// source lies outside the picture, or outside the screen, stay as they were.
TEST_F(StretchTest, WholeFactorMagnificationShowsEachSourcePixelAsABlock)
{
    std::mt19937 random(21);
    const std::vector<unsigned> table{A, B, C, D, E, F, G, 0x102030};
    for (int trial = 0; trial < 300; ++trial) {
        const int bits = trial % 3 == 2 ? 8 : 32;
        HeadlessDisplay& screen = Screen(40, 30, bits);
        SetStretchBltMode(dc, trial % 2 ? COLORONCOLOR : BLACKONWHITE);
        const int width = 1 + static_cast<int>(random() % 9);
        const int height = 1 + static_cast<int>(random() % 7);
        std::vector<unsigned> pixels(static_cast<std::size_t>(width * height));
        for (unsigned& pixel : pixels)
            pixel = random() % table.size();
        const TestDib dib = MakeDib(width, height, 8, pixels, table, RowOrder::TopDown);
        // 2 to 4 have loops of their own; 5 takes the general one.
        const int k = 2 + static_cast<int>(random() % 4);
        const int xSrc = static_cast<int>(random() % 5) - 2;
        const int ySrc = static_cast<int>(random() % 5) - 2;
        const int srcWidth = 1 + static_cast<int>(random() % 8);
        const int srcHeight = 1 + static_cast<int>(random() % 6);
        const int xDest = static_cast<int>(random() % 50) - 10;
        const int yDest = static_cast<int>(random() % 40) - 10;
        Draw(xDest, yDest, srcWidth * k, srcHeight * k, xSrc, ySrc, srcWidth, srcHeight, dib);

        // A top-down picture: ySrc counts from the top row.
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const int dx = x - xDest;
                const int dy = y - yDest;
                const int sx = xSrc + (dx >= 0 ? dx / k : -1);
                const int sy = ySrc + (dy >= 0 ? dy / k : -1);
                const bool drawn = dx >= 0 && dy >= 0 && dx < srcWidth * k && dy < srcHeight * k && sx >= 0 &&
                                   sy >= 0 && sx < width && sy < height;
                const COLORREF shown = Colours(screen, x, y, 1, 1)[0];
                if (bits == 8) {
                    // A palette display shows the nearest system colours: each
                    // block is one of them throughout.
                    if (drawn && x - dx % k >= 0 && y - dy % k >= 0)
                        ASSERT_EQ(shown, Colours(screen, x - dx % k, y - dy % k, 1, 1)[0])
                            << "trial " << trial << ": one colour a block at " << x << "," << y;
                } else if (drawn) {
                    const unsigned colour = table[pixels[static_cast<std::size_t>(sy * width + sx)]];
                    ASSERT_EQ(shown, Rgb(colour)) << "trial " << trial << " at " << x << "," << y;
                } else {
                    ASSERT_EQ(shown, Rgb(kBackground)) << "trial " << trial << " left alone at " << x << "," << y;
                }
            }
    }
}

TEST_F(StretchTest, HalftoneAveragesTheCoveredArea)
{
    HeadlessDisplay& screen = Screen(4, 5, 32);
    SetStretchBltMode(dc, HALFTONE);
    const TestDib row = MakeDib(4, 1, 24, {0x000000, 0x204060, 0xFF0000, 0x0000FF});
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 4, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 2, 1), Expected({0x102030, 0x800080}));

    // Three pixels into two: each destination pixel covers one and a half.
    const TestDib three = MakeDib(3, 1, 24, {0x000000, 0x5A5A5A, 0xFFFFFF});
    EXPECT_EQ(Draw(0, 1, 2, 1, 0, 0, 3, 1, three), 1);
    EXPECT_EQ(Colours(screen, 0, 1, 2, 1), Expected({0x1E1E1E, 0xC8C8C8})) << "(2*0+90)/3 and (90+2*255)/3";

    // A 2x2 block into one pixel, and enlarging repeats pixels.
    const TestDib square = MakeDib(2, 2, 8, {0, 1, 2, 3}, {0x000000, 0x400000, 0x004000, 0x000040});
    EXPECT_EQ(Draw(3, 0, 1, 1, 0, 0, 2, 2, square), 1);
    EXPECT_EQ(Colours(screen, 3, 0, 1, 1), Expected({0x101010}));
    EXPECT_EQ(Draw(0, 2, 4, 2, 0, 0, 2, 1, row), 2);
    EXPECT_EQ(Colours(screen, 0, 2, 4, 1), Expected({0x000000, 0x000000, 0x204060, 0x204060}));

    // Clipped on the left, the visible pixel still averages its own two.
    EXPECT_EQ(Draw(-1, 4, 2, 1, 0, 0, 4, 1, row), 1);
    EXPECT_EQ(Colours(screen, 0, 4, 2, 1), Expected({0x800080, kBackground}));
}

TEST_F(StretchTest, HalftoneOnAPaletteDisplayTakesTheNearestSystemColour)
{
    HeadlessDisplay& screen = Screen(2, 1, 8);
    SetStretchBltMode(dc, HALFTONE);
    // Red and black average to 80 00 00, the static dark red at entry 1;
    // white and silver C0C0C0 average to E0E0E0, nearest FFFBF0 at entry 246.
    const TestDib row = MakeDib(4, 1, 24, {0xFF0000, 0x000000, 0xFFFFFF, 0xC0C0C0});
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 4, 1, row), 1);
    EXPECT_EQ(screen.IndexAt(0, 0), 1);
    EXPECT_EQ(screen.IndexAt(1, 0), 246);
}

// The average a halftone copy must show at screen pixel (x, y): source
// pixels weighted by the area of the destination pixel they cover, halves
// rounded up, or nothing when the pixel lies outside the destination or
// covers no part of the picture.
struct HalftoneCase {
    int xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight;
};

std::optional<unsigned> ExactAverage(const HalftoneCase& c, int width, int height, const std::vector<unsigned>& colours,
                                     int x, int y)
{
    using Wide = __int128;
    if (x < c.xDest || x >= c.xDest + c.destWidth || y < c.yDest || y >= c.yDest + c.destHeight)
        return std::nullopt;
    // Overlap, in 1/destLength source pixels, of destination pixel d with
    // source pixel s, both counted from the start of their spans.
    const auto overlap = [](Wide d, Wide s, Wide srcLength, Wide destLength) {
        const Wide low = std::max(d * srcLength, s * destLength);
        const Wide high = std::min((d + 1) * srcLength, (s + 1) * destLength);
        return std::max<Wide>(0, high - low);
    };
    Wide total = 0;
    Wide sums[3] = {};
    for (int row = 0; row < height; ++row) {
        const Wide down = overlap(y - c.yDest, row - c.ySrc, c.srcHeight, c.destHeight);
        for (int column = 0; down > 0 && column < width; ++column) {
            const Wide weight = down * overlap(x - c.xDest, column - c.xSrc, c.srcWidth, c.destWidth);
            const unsigned colour = colours[static_cast<std::size_t>(row) * width + column];
            total += weight;
            for (int channel = 0; channel < 3; ++channel)
                sums[channel] += weight * ((colour >> (16 - 8 * channel)) & 0xFF);
        }
    }
    if (total == 0)
        return std::nullopt;
    unsigned average = 0;
    for (const Wide sum : sums)
        average = (average << 8) | static_cast<unsigned>((2 * sum + total) / (2 * total));
    return average;
}

TEST_F(StretchTest, HalftoneShowsTheExactAreaAverageWhateverTheSizesAndPlaces)
{
    constexpr int kScreenWidth = 48, kScreenHeight = 40;
    std::mt19937 random(20261209);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<HalftoneCase> cases;
    for (int i = 0; i < 150; ++i)
        cases.push_back({between(-12, 40), between(-12, 34), between(1, 70), between(1, 70), between(-8, 30),
                         between(-8, 30), between(1, 70), between(1, 70)});
    // Spans far wider than the picture make sums past 64 bits.
    cases.push_back({0, 0, 7, 5, 0, 0, 1 << 30, (1 << 30) - 3});
    cases.push_back({-3, 2, 45, 3, 2, -1, (1 << 30) + 1, 1 << 29});
    for (const HalftoneCase& c : cases) {
        const int width = between(1, 30), height = between(1, 30);
        const bool deep = between(0, 1) == 1;
        std::vector<unsigned> table(256), values(static_cast<std::size_t>(width) * height), colours(values.size());
        for (unsigned& entry : table)
            entry = static_cast<unsigned>(random()) & 0xFFFFFF;
        for (std::size_t p = 0; p < values.size(); ++p) {
            values[p] = deep ? static_cast<unsigned>(random()) & 0xFFFFFF : static_cast<unsigned>(between(0, 255));
            colours[p] = deep ? values[p] : table[values[p]];
        }
        const TestDib dib = deep ? MakeDib(width, height, 24, values, {}, RowOrder::TopDown)
                                 : MakeDib(width, height, 8, values, table, RowOrder::TopDown);
        HeadlessDisplay& screen = Screen(kScreenWidth, kScreenHeight, 32);
        SetStretchBltMode(dc, HALFTONE);
        Draw(c.xDest, c.yDest, c.destWidth, c.destHeight, c.xSrc, c.ySrc, c.srcWidth, c.srcHeight, dib);
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x) {
                const std::optional<unsigned> expected = ExactAverage(c, width, height, colours, x, y);
                ASSERT_EQ(screen.ColourAt(x, y), Rgb(expected.value_or(kBackground)))
                    << "pixel " << x << "," << y << " of a " << width << "x" << height << (deep ? " 24" : " 8")
                    << "-bit picture drawn at " << c.xDest << "," << c.yDest << " size " << c.destWidth << "x"
                    << c.destHeight << " from " << c.xSrc << "," << c.ySrc << " size " << c.srcWidth << "x"
                    << c.srcHeight;
            }
    }
}

// ---- Colours on a palette display --------------------------------------------

TEST_F(StretchTest, RgbColoursGoToTheNearestSystemEntry)
{
    HeadlessDisplay& screen = Screen(3, 1, 8);
    const TestDib dib = MakeDib(3, 1, 8, {0, 1, 2}, {0xFA0505, 0x000000, 0x7F7F7F});
    EXPECT_EQ(Draw(0, 0, 3, 1, 0, 0, 3, 1, dib), 1);
    EXPECT_EQ(screen.IndexAt(0, 0), 249) << "red";
    EXPECT_EQ(screen.IndexAt(1, 0), 0) << "black";
    EXPECT_EQ(screen.IndexAt(2, 0), 248) << "grey 808080";

    const TestDib deep = MakeDib(2, 1, 24, {0x00FE01, 0xA3C9EF});
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 2, 1, deep), 1);
    EXPECT_EQ(screen.IndexAt(0, 0), 250) << "green";
    EXPECT_EQ(screen.IndexAt(1, 0), 9) << "A4C8F0";
    const TestDib nibbles = MakeDib(1, 1, 4, {1}, {0x000000, 0x0101FE});
    EXPECT_EQ(Draw(2, 0, 1, 1, 0, 0, 1, 1, nibbles), 1);
    EXPECT_EQ(screen.IndexAt(2, 0), 252) << "blue";
}

TEST_F(StretchTest, PaletteIndexesGoThroughTheRealisedPalette)
{
    HeadlessDisplay& screen = Screen(5, 2, 8);
    HPALETTE palette = MakePalette({{0x11, 0x22, 0x33, 0}, {0x44, 0x55, 0x66, 0}, {0x77, 0x88, 0x99, 0},
                                    {0, 0, 0, 0}, {250, 0, 0, PC_EXPLICIT}});
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    EXPECT_EQ(RealizePalette(dc), 3u);
    // Pixel values 0-4 name logical entries 2, 1, 0, 4 (explicit: system 250), 3 (black).
    const TestDib dib = MakeDib(5, 1, 8, {0, 1, 2, 3, 4}, {2, 1, 0, 4, 3}, RowOrder::BottomUp, true);
    EXPECT_EQ(Draw(0, 0, 5, 1, 0, 0, 5, 1, dib, DIB_PAL_COLORS), 1);
    EXPECT_EQ(screen.IndexAt(0, 0), 12);
    EXPECT_EQ(screen.IndexAt(1, 0), 11);
    EXPECT_EQ(screen.IndexAt(2, 0), 10);
    EXPECT_EQ(screen.IndexAt(3, 0), 250);
    EXPECT_EQ(screen.IndexAt(4, 0), 0);
    EXPECT_EQ(screen.ColourAt(0, 0), RGB(0x77, 0x88, 0x99));

    // A value past the colour table, and a table index past the palette, read as logical entry 0.
    const TestDib beyond = MakeDib(2, 1, 8, {7, 0}, {99}, RowOrder::BottomUp, true);
    EXPECT_EQ(Draw(0, 1, 2, 1, 0, 0, 2, 1, beyond, DIB_PAL_COLORS), 1);
    EXPECT_EQ(screen.IndexAt(0, 1), 10);
    EXPECT_EQ(screen.IndexAt(1, 1), 10);
    SelectPalette(dc, previous, FALSE);
    DeleteObject(palette);
}

TEST_F(StretchTest, AnUnrealisedPaletteMapsToTheNearestColours)
{
    HeadlessDisplay& screen = Screen(2, 1, 8);
    HPALETTE palette = MakePalette({{0xFE, 0x01, 0x01, 0}, {0x01, 0x01, 0x82, 0}});
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    const TestDib dib = MakeDib(2, 1, 8, {0, 1}, {0, 1}, RowOrder::BottomUp, true);
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 2, 1, dib, DIB_PAL_COLORS), 1);
    EXPECT_EQ(screen.IndexAt(0, 0), 249);
    EXPECT_EQ(screen.IndexAt(1, 0), 4);
    SelectPalette(dc, previous, FALSE);
    DeleteObject(palette);
}

TEST_F(StretchTest, PaletteIndexesOnTrueColourShowTheLogicalColours)
{
    HeadlessDisplay& screen = Screen(2, 1, 32);
    HPALETTE palette = MakePalette({{0x10, 0x20, 0x30, 0}, {0x40, 0x50, 0x60, PC_NOCOLLAPSE}});
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    const TestDib dib = MakeDib(2, 1, 8, {0, 1}, {1, 0}, RowOrder::BottomUp, true);
    EXPECT_EQ(Draw(0, 0, 2, 1, 0, 0, 2, 1, dib, DIB_PAL_COLORS), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 2, 1), Expected({0x405060, 0x102030}));
    SelectPalette(dc, previous, FALSE);
    DeleteObject(palette);
}

// ---- Refusals -----------------------------------------------------------------

TEST_F(StretchTest, BadHeadersAndArgumentsAreRefusedWithoutDrawing)
{
    HeadlessDisplay& screen = Screen(4, 4, 32);
    const TestDib good = MakeDib(2, 2, 8, {0, 1, 1, 0}, {A, B});
    struct Case {
        const char* what;
        void (*spoil)(BITMAPINFOHEADER&);
    };
    const Case cases[] = {
        {"core header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
        {"v4 header size", [](BITMAPINFOHEADER& h) { h.biSize = 108; }},
        {"zero width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -2; }},
        {"zero height", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
        {"most negative height", [](BITMAPINFOHEADER& h) { h.biHeight = std::numeric_limits<LONG>::min(); }},
        {"16 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 16; }},
        {"32 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 32; }},
        {"2 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
        {"run-length", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }},
        {"bit fields", [](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }},
        {"more than 4 GB of rows",
         [](BITMAPINFOHEADER& h) {
             h.biWidth = 0x7FFFFFFF;
             h.biHeight = 0x7FFFFFFF;
             h.biBitCount = 24;
         }},
        {"4 GB and one row", [](BITMAPINFOHEADER& h) {
             h.biWidth = 0x40000000;  // stride 4 GB / 4 at 8 bits
             h.biHeight = 5;
         }},
    };
    for (const Case& c : cases) {
        TestDib bad = good;
        c.spoil(bad.Header());
        EXPECT_EQ(Draw(0, 0, 2, 2, 0, 0, 2, 2, bad), 0) << c.what;
    }
    EXPECT_EQ(Draw(0, 0, -2, 2, 0, 0, 2, 2, good), 0) << "mirrored destination";
    EXPECT_EQ(Draw(0, 0, 2, -2, 0, 0, 2, 2, good), 0) << "mirrored destination";
    EXPECT_EQ(Draw(0, 0, 2, 2, 0, 0, -2, 2, good), 0) << "mirrored source";
    EXPECT_EQ(Draw(0, 0, 0, 2, 0, 0, 2, 2, good), 0) << "empty destination";
    EXPECT_EQ(Draw(0, 0, 2, 2, 0, 0, 2, 0, good), 0) << "empty source";
    EXPECT_EQ(Draw(0, 0, 2, 2, 0, 0, 2, 2, good, 2), 0) << "unknown colour use";
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, good.bits.data(), good.Info(), DIB_RGB_COLORS, 0x00EE0086), 0)
        << "raster operation other than SRCCOPY";
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, good.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, good.bits.data(), nullptr, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, good.bits.data(), good.Info(), DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(screen.ChangedArea().right, 0) << "nothing was drawn";
    EXPECT_EQ(Draw(0, 0, 2, 2, 0, 0, 2, 2, good), 2) << "the unspoilt picture draws";
}

TEST_F(StretchTest, TheColourTableIsReadNoFurtherThanItsUsedCount)
{
    HeadlessDisplay& screen = Screen(3, 1, 32);
    // Two colours used; value 2 names no entry and reads as black. The info
    // block holds exactly two entries, so reading a third would be caught.
    const TestDib dib = MakeDib(3, 1, 8, {0, 1, 2}, {A, B});
    EXPECT_EQ(Draw(0, 0, 3, 1, 0, 0, 3, 1, dib), 1);
    EXPECT_EQ(Colours(screen, 0, 0, 3, 1), Expected({A, B, 0x000000}));
}

TEST_F(StretchTest, ATableDifferingOnlyInItsLastEntryIsNotTakenForTheOneBefore)
{
    // Tables of 3 and 5 entries end in a part shorter than the words they are
    // compared in. Each is drawn twice, so that the second copy uses what the
    // first kept. Pixel x shows entry x, the last entry past the table's end.
    HeadlessDisplay& screen = Screen(5, 1, 32);
    const std::vector<std::vector<unsigned>> tables{{A, B, C}, {A, B, D}, {A, B, C, E, F}, {A, B, C, E, G}};
    for (const std::vector<unsigned>& table : tables)
        for (int time = 0; time < 2; ++time) {
            std::vector<unsigned> values;
            std::vector<COLORREF> shown;
            for (unsigned x = 0; x < 5; ++x) {
                values.push_back(std::min<unsigned>(x, static_cast<unsigned>(table.size()) - 1));
                shown.push_back(Rgb(table[values.back()]));
            }
            ASSERT_EQ(Draw(0, 0, 5, 1, 0, 0, 5, 1, MakeDib(5, 1, 8, values, table)), 1);
            EXPECT_EQ(Colours(screen, 0, 0, 5, 1), shown) << table.size() << " entries, time " << time;
        }
}

}  // namespace
