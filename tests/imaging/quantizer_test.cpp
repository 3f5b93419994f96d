// The quantiser's tables, QuantizePixel, the precomputed per-threshold channel
// tables and InterpolateColor.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>

#include "imaging/default_palette.h"
#include "imaging/quantizer.h"

namespace vesper::test {
namespace {

// The standard 8 × 8 Bayer index matrix, row-major, built by the usual
// recursion from [[0, 2], [3, 1]].
std::array<std::array<int, 8>, 8> Bayer8()
{
    std::array<std::array<int, 8>, 8> matrix{};
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            int value = 0;
            for (int bit = 2; bit >= 0; --bit) {
                const int a = (i >> bit) & 1;
                const int b = (j >> bit) & 1;
                const int base[2][2] = {{0, 2}, {3, 1}};
                value += base[a][b] << (2 * (2 - bit));
            }
            matrix[i][j] = value;
        }
    }
    return matrix;
}

TEST(QuantizerTables, LevelAndRemainderSplitEveryComponent)
{
    for (int value = 0; value < 256; ++value) {
        EXPECT_EQ(levelTable[value] * 51 + remainderTable[value], value) << value;
        EXPECT_LT(remainderTable[value], 51) << value;
        EXPECT_LE(levelTable[value], 5) << value;
    }
    EXPECT_EQ(levelTable[50], 0);
    EXPECT_EQ(levelTable[51], 1);
    EXPECT_EQ(levelTable[255], 5);
    EXPECT_EQ(remainderTable[255], 0);
}

TEST(QuantizerTables, DitherMatrixIsTheScaledBayerMatrix)
{
    const auto bayer = Bayer8();
    std::set<int> indexes;
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b)
            indexes.insert(bayer[a][b]);
    ASSERT_EQ(indexes.size(), 64u);  // the recursion gives a permutation of 0..63
    // a runs along the Bayer matrix's rows' positions: entry [8a + b] is the
    // index in row b, column a.
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b)
            EXPECT_EQ(ditherMatrix[8 * a + b], bayer[b][a] * 51 / 64) << a << "," << b;
    EXPECT_EQ(*std::max_element(ditherMatrix.begin(), ditherMatrix.end()), 50);
}

TEST(QuantizerTables, CubeCellsNameTheirPaletteColours)
{
    const auto inPalette = [](int red, int green, int blue) {
        return std::any_of(std::begin(defaultPalette), std::end(defaultPalette), [&](const PALETTEENTRY& e) {
            return e.peRed == red && e.peGreen == green && e.peBlue == blue;
        });
    };
    int substituted = 0;
    for (int b = 0; b < 6; ++b) {
        for (int g = 0; g < 6; ++g) {
            for (int r = 0; r < 6; ++r) {
                const int cell = 36 * b + 6 * g + r;
                const PALETTEENTRY& e = defaultPalette[cubeToPalette[cell]];
                if (!inPalette(51 * r, 51 * g, 51 * b)) {
                    ++substituted;
                    // 33FF00 and 00FF33 go to green, 3300FF and 0033FF to blue.
                    const bool greenCorner = g == 5 && r + b == 1;
                    const bool blueCorner = b == 5 && r + g == 1;
                    ASSERT_TRUE(greenCorner || blueCorner) << cell;
                    EXPECT_EQ(cubeToPalette[cell], greenCorner ? 250 : 252) << cell;
                    continue;
                }
                EXPECT_EQ(e.peRed, 51 * r) << cell;
                EXPECT_EQ(e.peGreen, 51 * g) << cell;
                EXPECT_EQ(e.peBlue, 51 * b) << cell;
            }
        }
    }
    EXPECT_EQ(substituted, 4);
    EXPECT_EQ(std::count(cubeToPalette.begin(), cubeToPalette.end(), kTransparentIndex), 0);
}

TEST(QuantizePixel, ComponentIsRaisedWhereTheThresholdIsBelowItsRemainder)
{
    // 25 lies between levels 0 and 1: raised at threshold 0 (p, q = 0, 0),
    // not at threshold 25 (1, 0).
    ASSERT_EQ(DitherThreshold(0, 0), 0);
    ASSERT_EQ(DitherThreshold(1, 0), 25);
    EXPECT_EQ(QuantizePixel(25, 0, 0, DitherThreshold(0, 0)), cubeToPalette[1]);
    EXPECT_EQ(QuantizePixel(25, 0, 0, DitherThreshold(1, 0)), cubeToPalette[0]);
    EXPECT_EQ(QuantizePixel(0, 25, 0, 24), cubeToPalette[6]);
    EXPECT_EQ(QuantizePixel(0, 0, 25, 24), cubeToPalette[36]);
    EXPECT_EQ(QuantizePixel(0, 0, 25, 25), cubeToPalette[0]);
}

TEST(DitherThreshold, RepeatsEveryEightPixelsInBothCoordinates)
{
    for (int p = 0; p < 8; ++p) {
        for (int q = 0; q < 8; ++q) {
            EXPECT_EQ(DitherThreshold(p, q), ditherMatrix[8 * p + q]);
            EXPECT_EQ(DitherThreshold(p + 8, q + 16), ditherMatrix[8 * p + q]);
            EXPECT_EQ(DitherThreshold(p + 3840, q + 2160), ditherMatrix[8 * p + q]);
        }
    }
}

TEST(ChannelCells, GiveTheQuantizersIndexForEveryThreshold)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int t = 0; t < kThresholdValues; ++t) {
        const auto& cells = vesper::imaging::channelCellsByThreshold[t];
        for (int v = 0; v < 256; ++v) {
            ASSERT_EQ(cells.Quantize(v, 0, 0), QuantizePixel(v, 0, 0, t)) << v << " " << t;
            ASSERT_EQ(cells.Quantize(0, v, 0), QuantizePixel(0, v, 0, t)) << v << " " << t;
            ASSERT_EQ(cells.Quantize(0, 0, v), QuantizePixel(0, 0, v, t)) << v << " " << t;
        }
        for (int i = 0; i < 2000; ++i) {
            const BYTE r = byte(random), g = byte(random), b = byte(random);
            ASSERT_EQ(cells.Quantize(r, g, b), QuantizePixel(r, g, b, t));
        }
    }
}

TEST(InterpolateColor, EndsAreTheTwoColoursAndDivisionRoundsDown)
{
    struct Case {
        int i;
        COLORREF from, to;
        int n;
        COLORREF expected;
    };
    const Case cases[] = {
        {0, RGB(10, 200, 30), RGB(250, 0, 131), 5, RGB(10, 200, 30)},
        {4, RGB(10, 200, 30), RGB(250, 0, 131), 5, RGB(250, 0, 131)},
        // (10 × 2 + 250 × 2) / 4 = 130, (200 × 2) / 4 = 100, (30 × 2 + 131 × 2) / 4 = 80.5 → 80.
        {2, RGB(10, 200, 30), RGB(250, 0, 131), 5, RGB(130, 100, 80)},
        {1, RGB(0, 0, 0), RGB(255, 255, 255), 3, RGB(127, 127, 127)},  // 127.5 → 127
        {1, RGB(255, 0, 0), RGB(0, 0, 0), 4, RGB(170, 0, 0)},          // (255 × 2) / 3
    };
    for (const Case& c : cases)
        EXPECT_EQ(InterpolateColor(c.i, c.from, c.to, c.n), c.expected) << c.i << " of " << c.n;
}

TEST(InterpolateColor, OneStepOrFewerGivesTheFirstColourWithoutItsHighByte)
{
    EXPECT_EQ(InterpolateColor(0, 0x01336699, 0x00FFFFFF, 1), 0x00336699u);
    EXPECT_EQ(InterpolateColor(5, 0x02336699, 0x00FFFFFF, 0), 0x00336699u);
    EXPECT_EQ(InterpolateColor(0, 0x02336699, 0x00FFFFFF, -3), 0x00336699u);
}

TEST(InterpolateColor, LongRunsNeitherOverflowNorLeaveTheirComponents)
{
    const int steps = 100'000'000;
    EXPECT_EQ(InterpolateColor(steps - 1, RGB(0, 0, 0), RGB(255, 255, 255), steps), RGB(255, 255, 255));
    EXPECT_EQ(InterpolateColor(steps / 2, RGB(255, 255, 255), RGB(255, 255, 255), steps), RGB(255, 255, 255));
    // Steps outside the run are held at its ends instead of spilling into the
    // neighbouring component.
    EXPECT_EQ(InterpolateColor(steps + 7, RGB(0, 0, 0), RGB(255, 0, 0), steps), RGB(255, 0, 0));
    EXPECT_EQ(InterpolateColor(-1, RGB(0, 0, 255), RGB(0, 0, 0), 2), RGB(0, 0, 255));
}

}  // namespace
}  // namespace vesper::test
