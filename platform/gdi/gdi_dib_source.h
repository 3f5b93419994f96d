// A device-independent bitmap handed to StretchDIBits, checked and described
// so that rows can be read without going past what the header promises.
#pragma once

#include "platform/internal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/api/win32_types.h"

namespace vesper::platform::gdi {

inline constexpr DWORD kInfoHeaderSize = 40;
// Largest pixel array a header may describe: what biSizeImage can hold.
inline constexpr std::uint64_t kLargestPixelArray = 0xFFFFFFFFull;

class DibSource {
public:
    // Checks the header: size 40, width > 0, height != 0, 1, 4, 8 or 24 bits
    // per pixel, uncompressed, and a pixel array whose size fits in 32 bits.
    static std::optional<DibSource> Describe(const BITMAPINFO* info, const void* bits);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitCount() const { return m_bitCount; }
    // Colour table entries the pixel values can use (0 for 24 bits).
    int ColourCount() const { return m_colourCount; }
    // The colour table: RGBQUADs, or 16-bit palette indexes for DIB_PAL_COLORS.
    const BYTE* ColourTable() const { return m_colourTable; }

    // Row y counted from the top of the picture, whichever way it is stored.
    const BYTE* RowFromTop(int y) const
    {
        const int stored = m_topDown ? y : m_height - 1 - y;
        return m_bits + static_cast<std::size_t>(stored) * m_stride;
    }
    // The picture row holding the top of a source rectangle whose y origin
    // and height are given the Windows way: from the bottom row for bottom-up
    // pictures, from the top row for top-down ones.
    std::int64_t TopRowOfRectangle(int ySrc, int srcHeight) const
    {
        return m_topDown ? std::int64_t{ySrc} : std::int64_t{m_height} - ySrc - srcHeight;
    }

    // Pixel values (colour table indexes) of row pixels [x0, x0 + out.size());
    // only for 1, 4 and 8 bits.
    void ReadValues(const BYTE* row, int x0, std::span<BYTE> out) const;
    // Colours 0x00RRGGBB of row pixels [x0, x0 + out.size()) of a 24-bit picture.
    static void ReadColours(const BYTE* row, int x0, std::span<std::uint32_t> out);

private:
    const BYTE* m_bits = nullptr;
    const BYTE* m_colourTable = nullptr;
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    int m_bitCount = 0;
    int m_colourCount = 0;
    std::size_t m_stride = 0;
};

}  // namespace vesper::platform::gdi
