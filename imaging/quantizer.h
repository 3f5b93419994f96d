// The colour quantiser that maps every picture shown onto the stage palette:
// an ordered dither onto the 6 × 6 × 6 colour cube of defaultPalette. A
// component lies between two cube levels (multiples of 51); it takes the upper
// level where its remainder exceeds the pixel's threshold from an 8 × 8 Bayer
// matrix, so a flat colour between levels becomes a fixed pattern of the two.
//
// Index 1 of defaultPalette never comes out of the quantiser; converted sprite
// pictures use it to mark their transparent pixels.
#pragma once

#include <array>
#include <cstddef>

#include "platform/win32.h"

// Cube levels are 0, 51, 102, 153, 204, 255.
constexpr int kCubeLevelStep = 51;
constexpr int kCubeLevels = 6;
constexpr int kCubeCells = kCubeLevels * kCubeLevels * kCubeLevels;
// Thresholds run from 0 to kCubeLevelStep - 1.
constexpr int kThresholdValues = kCubeLevelStep;
// The dither matrix is kDitherSize × kDitherSize.
constexpr int kDitherSize = 8;
// The index the quantiser never produces.
constexpr BYTE kTransparentIndex = 1;

namespace vesper::imaging::detail {

constexpr std::array<BYTE, 256> ComponentTable(bool remainder)
{
    std::array<BYTE, 256> table{};
    for (int value = 0; value < 256; ++value)
        table[value] = static_cast<BYTE>(remainder ? value % kCubeLevelStep : value / kCubeLevelStep);
    return table;
}

}  // namespace vesper::imaging::detail

// Component value / 51, rounded down: the cube level below or at the value.
inline constexpr std::array<BYTE, 256> levelTable = vesper::imaging::detail::ComponentTable(false);
// Component value mod 51: how far the value lies above its level.
inline constexpr std::array<BYTE, 256> remainderTable = vesper::imaging::detail::ComponentTable(true);

// Thresholds read as ditherMatrix[8 × a + b]: the 8 × 8 Bayer index matrix
// with each index i replaced by i × 51 / 64, rounded down.
inline constexpr std::array<BYTE, kDitherSize * kDitherSize> ditherMatrix = {
    0,  38, 9,  47, 2,  40, 11, 50,  //
    25, 12, 35, 22, 27, 15, 37, 24,  //
    6,  44, 3,  41, 8,  47, 5,  43,  //
    31, 19, 28, 15, 34, 21, 31, 18,  //
    1,  39, 11, 49, 0,  39, 10, 48,  //
    27, 14, 36, 23, 26, 13, 35, 23,  //
    7,  46, 4,  43, 7,  45, 3,  42,  //
    33, 20, 30, 17, 32, 19, 29, 16,  //
};

// defaultPalette index of each cube cell 36 × blue level + 6 × green level +
// red level. The four cube colours the palette lacks take the nearest corner:
// 33FF00 and 00FF33 give 250 (00FF00), 3300FF and 0033FF give 252 (0000FF).
inline constexpr std::array<BYTE, kCubeCells> cubeToPalette = {
    // blue level 0
    0, 29, 30, 31, 32, 249, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,      //
    45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 250, 250, 57, 58, 59, 251,  //
    // blue level 1
    60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77,  //
    78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 250, 90, 91, 92, 93, 94,  //
    // blue level 2
    95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 227,  //
    112, 113, 114, 115, 116, 117, 118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229,  //
    // blue level 3
    133, 162, 135, 131, 132, 137, 166, 134, 140, 130, 136, 143, 138, 139, 174, 141, 142, 177,  //
    129, 144, 145, 146, 147, 148, 149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160,  //
    // blue level 4
    161, 196, 163, 164, 165, 127, 199, 167, 168, 169, 170, 171, 172, 173, 207, 175, 176, 210,  //
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 224, 193, 194, 195,  //
    // blue level 5
    252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204, 205, 206, 230, 208, 209, 231,  //
    211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255,  //
};

// The threshold of the pixel at dither coordinates (p, q): ditherMatrix[8 ×
// (p mod 8) + (q mod 8)]. Each renderer says which pixel coordinates p and q are.
constexpr BYTE DitherThreshold(int p, int q)
{
    return ditherMatrix[kDitherSize * (p & (kDitherSize - 1)) + (q & (kDitherSize - 1))];
}

// The defaultPalette index for a colour at a pixel whose threshold is t
// (0 to 50): each component takes its level, one more where t is below its
// remainder, and the cube cell gives the index.
constexpr BYTE QuantizePixel(BYTE red, BYTE green, BYTE blue, BYTE threshold)
{
    const auto level = [threshold](BYTE component) {
        return levelTable[component] + (threshold < remainderTable[component] ? 1 : 0);
    };
    return cubeToPalette[kCubeLevels * kCubeLevels * level(blue) + kCubeLevels * level(green) + level(red)];
}

// Step `step` of `steps` from one colour to another (platform colour values,
// red in the low byte): each component (from × (steps − 1 − step) + to ×
// step) / (steps − 1), rounded down. With steps ≤ 1 the result is `from`
// (its low 24 bits). Steps outside 0 to steps − 1 are clamped to that range.
COLORREF InterpolateColor(int step, COLORREF from, COLORREF to, int steps);

namespace vesper::imaging {

// The quantiser's per-component work done ahead for one threshold: the cell
// offset each component value contributes, its level (plus the raise where
// the threshold is below its remainder) times 1, 6 or 36. A pixel is then
// cubeToPalette[red[r] + green[g] + blue[b]], the same index QuantizePixel gives.
struct ChannelCells {
    std::array<BYTE, 256> red;
    std::array<BYTE, 256> green;
    std::array<BYTE, 256> blue;

    constexpr BYTE Quantize(BYTE r, BYTE g, BYTE b) const
    {
        return cubeToPalette[std::size_t{red[r]} + green[g] + blue[b]];
    }
};

// ChannelCells for every threshold 0 to 50.
extern const std::array<ChannelCells, kThresholdValues> channelCellsByThreshold;

}  // namespace vesper::imaging
