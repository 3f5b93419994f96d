// Straightforward renderers for checking the library's: one pixel at a time,
// every source pixel read from the block bytes by its address, every index
// from the quantiser's definition. Slow and plain on purpose; the library's
// renderers must produce the same bytes. Also: source blocks made to order,
// and the pixels of a rendered block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/packed_dib.h"
#include "imaging/quantizer.h"
#include "platform/win32.h"

namespace vesper::test::render {

// An 8-bit picture as stored rows of `width` indexes each, bottom row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<BYTE> indexes;

    BYTE& at(int x, int y) { return indexes[static_cast<std::size_t>(y) * width + x]; }
    BYTE at(int x, int y) const { return indexes[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Pixels&) const = default;
};

inline Pixels BlankPixels(int width, int height)
{
    return Pixels{width, height, std::vector<BYTE>(static_cast<std::size_t>(width) * height, 0)};
}

// The quantiser by its definition: level = value / 51, raised by one where the
// threshold is below value mod 51; the cell 36 b + 6 g + r names the index.
inline BYTE ReferenceQuantize(int red, int green, int blue, int threshold)
{
    const auto level = [threshold](int value) { return value / 51 + (threshold < value % 51 ? 1 : 0); };
    return cubeToPalette[36 * level(blue) + 6 * level(green) + level(red)];
}

inline int ReferenceThreshold(int p, int q)
{
    return ditherMatrix[8 * (p % 8) + (q % 8)];
}

struct Colour {
    int blue = 0;
    int green = 0;
    int red = 0;
    bool operator==(const Colour&) const = default;
};

inline Colour ColourOf(COLORREF value)
{
    return Colour{static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>(value & 0xFF)};
}

inline BYTE QuantizeColour(const Colour& c, int p, int q)
{
    return ReferenceQuantize(c.red, c.green, c.blue, ReferenceThreshold(p, q));
}

// Reads a source block as the renderers' contract describes it.
class SourceReader {
public:
    explicit SourceReader(HGLOBAL block) : m_bytes(GlobalSize(block))
    {
        std::memcpy(m_bytes.data(), GlobalLock(block), m_bytes.size());
        GlobalUnlock(block);
        std::memcpy(&m_header, m_bytes.data(), sizeof m_header);
        m_colourCount = m_header.biClrUsed != 0 ? m_header.biClrUsed
                                             : (m_header.biBitCount <= 8 ? 1u << m_header.biBitCount : 0u);
        m_stride = ((m_header.biBitCount * static_cast<std::size_t>(m_header.biWidth) + 31) / 32) * 4;
    }

    int width() const { return m_header.biWidth; }
    int height() const { return m_header.biHeight; }

    Colour At(int x, int y) const
    {
        const std::size_t rows = 40 + std::size_t{m_colourCount} * 4;
        const BYTE* row = m_bytes.data() + rows + static_cast<std::size_t>(y) * m_stride;
        switch (m_header.biBitCount) {
        case 1:
            return TableColour((row[x / 8] >> (7 - x % 8)) & 1);
        case 4:
            return TableColour(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
        case 8:
            return TableColour(row[x]);
        default:
            return Colour{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        }
    }

private:
    // Indexes past the colour table read as black.
    Colour TableColour(unsigned index) const
    {
        if (index >= m_colourCount)
            return Colour{};
        const BYTE* entry = m_bytes.data() + 40 + index * 4;
        return Colour{entry[0], entry[1], entry[2]};
    }

    std::vector<BYTE> m_bytes;
    BITMAPINFOHEADER m_header{};
    unsigned m_colourCount = 0;
    std::size_t m_stride = 0;
};

inline int RoundedMulDiv(int a, int b, int c)
{
    // a, b, c non-negative: round half up.
    return static_cast<int>((std::int64_t{a} * b * 2 + c) / (std::int64_t{c} * 2));
}

inline Pixels ReferenceConvert(const SourceReader& source)
{
    Pixels out = BlankPixels(source.width(), source.height());
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.at(x, y) = QuantizeColour(source.At(x, y), x, y);
    return out;
}

inline Pixels ReferenceSprite(const SourceReader& source)
{
    const Colour key = source.At(0, 0);
    Pixels out = ReferenceConvert(source);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            if (source.At(x, y) == key)
                out.at(x, y) = 1;
    return out;
}

inline Pixels ReferenceStretch(const SourceReader& source, int width, int height)
{
    Pixels out = BlankPixels(width, height);
    for (int y = 0; y < height; ++y) {
        int sy = RoundedMulDiv(y, source.height(), height);
        if (sy >= source.height())
            sy = source.height() - 1;
        for (int x = 0; x < width; ++x) {
            int sx = RoundedMulDiv(x, source.width(), width);
            if (sx >= source.width())
                sx = source.width() - 1;
            out.at(x, y) = QuantizeColour(source.At(sx, sy), x, y);
        }
    }
    return out;
}

inline Pixels ReferenceCentre(const SourceReader& source, int width, int height)
{
    Pixels out = BlankPixels(width, height);
    const int ox = (width - source.width()) / 2;
    const int oy = (height - source.height()) / 2;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (ox + x >= 0 && ox + x < width && oy + y >= 0 && oy + y < height)
                out.at(ox + x, oy + y) = QuantizeColour(source.At(x, y), x, y);
    return out;
}

inline Pixels ReferenceTile(const SourceReader& source, int width, int height)
{
    Pixels out = BlankPixels(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.at(x, y) = QuantizeColour(source.At(x % source.width(), y % source.height()), x, y);
    return out;
}

inline Colour ReferenceInterpolate(int i, const Colour& from, const Colour& to, int n)
{
    if (n <= 1)
        return from;
    const auto mix = [&](int a, int b) { return static_cast<int>((std::int64_t{a} * (n - 1 - i) + std::int64_t{b} * i) / (n - 1)); };
    return Colour{mix(from.blue, to.blue), mix(from.green, to.green), mix(from.red, to.red)};
}

inline Colour LoweredForGradient(Colour c)
{
    for (int* component : {&c.blue, &c.green, &c.red})
        if (*component == 128 || *component == 64 || *component == 192)
            --*component;
    return c;
}

inline Pixels ReferenceGradient(COLORREF colour1, COLORREF colour2, int width, int height, bool horizontal,
                                bool lowerComponents = true)
{
    Colour first = ColourOf(colour1);
    Colour second = ColourOf(colour2);
    if (lowerComponents) {
        first = LoweredForGradient(first);
        second = LoweredForGradient(second);
    }
    Pixels out = BlankPixels(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.at(x, y) = horizontal ? QuantizeColour(ReferenceInterpolate(x, first, second, width), y, x)
                                      : QuantizeColour(ReferenceInterpolate(y, second, first, height), x, y);
    return out;
}

inline Pixels ReferenceSolid(COLORREF colour, int width, int height)
{
    Pixels out = BlankPixels(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.at(x, y) = QuantizeColour(ColourOf(colour), x, y);
    return out;
}

// ---- Blocks -------------------------------------------------------------------------

// A source block: info header, `colours` table entries, rows; every byte after
// the header from `fill` (table entries keep their fourth byte 0).
template <class Fill>
HGLOBAL MakeSource(int width, int height, WORD bits, DWORD colours, Fill fill)
{
    const std::size_t stride = ((bits * static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t size = 40 + std::size_t{colours} * 4 + stride * height;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biClrUsed = colours;
    header.biSizeImage = static_cast<DWORD>(stride * height);
    std::memcpy(bytes, &header, sizeof header);
    for (std::size_t i = 40; i < size; ++i)
        bytes[i] = (i < 40 + std::size_t{colours} * 4 && (i - 40) % 4 == 3) ? 0 : fill(i);
    GlobalUnlock(block);
    return block;
}

inline HGLOBAL MakeRandomSource(int width, int height, WORD bits, DWORD colours, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    return MakeSource(width, height, bits, colours, [&](std::size_t) { return static_cast<BYTE>(byte(random)); });
}

// Reads the 8-bit rows of a rendered block; checks the header on the way.
inline Pixels PixelsOf(HGLOBAL block)
{
    Pixels pixels;
    if (!block) {
        ADD_FAILURE() << "no block";
        return pixels;
    }
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biClrUsed, 256u);
    pixels = BlankPixels(header.biWidth, header.biHeight);
    const std::size_t stride = (static_cast<std::size_t>(header.biWidth) + 3) / 4 * 4;
    EXPECT_EQ(GlobalSize(block), 1064 + stride * header.biHeight);
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(&pixels.at(0, y), bytes + 1064 + y * stride, static_cast<std::size_t>(pixels.width));
    GlobalUnlock(block);
    return pixels;
}

// Takes a rendered block's pixels and frees it.
inline Pixels TakePixels(HGLOBAL block)
{
    Pixels pixels = PixelsOf(block);
    FreePackedDIB(block);
    return pixels;
}

}  // namespace vesper::test::render
