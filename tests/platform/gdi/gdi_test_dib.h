// Small device-independent bitmaps for the GDI tests, written from pixel
// values listed top row first as the picture looks; logical palettes made
// from their entries; the colours a screen shows in an area.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/win32.h"

namespace vesper::test {

enum class RowOrder { BottomUp, TopDown };

struct TestDib {
    std::vector<BYTE> info;  // header and colour table
    std::vector<BYTE> bits;  // exactly the rows the header describes

    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
    BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(info.data()); }
};

// `pixels` holds width * height values, top row first: colour table indexes
// for 1, 4 and 8 bits, 0x00RRGGBB colours for 24 bits. `table` holds RGB
// colours (0x00RRGGBB) or, with `paletteIndexes`, 16-bit logical indexes.
inline TestDib MakeDib(int width, int height, int bitCount, const std::vector<unsigned>& pixels,
                       const std::vector<unsigned>& table = {}, RowOrder order = RowOrder::BottomUp,
                       bool paletteIndexes = false)
{
    TestDib dib;
    const std::size_t entrySize = paletteIndexes ? sizeof(WORD) : sizeof(RGBQUAD);
    dib.info.resize(sizeof(BITMAPINFOHEADER) + table.size() * entrySize);
    BITMAPINFOHEADER& header = dib.Header();
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = order == RowOrder::TopDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biClrUsed = static_cast<DWORD>(table.size());
    BYTE* entries = dib.info.data() + sizeof(BITMAPINFOHEADER);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (paletteIndexes) {
            const WORD index = static_cast<WORD>(table[i]);
            std::memcpy(entries + i * entrySize, &index, sizeof index);
        } else {
            const RGBQUAD quad{BYTE(table[i]), BYTE(table[i] >> 8), BYTE(table[i] >> 16), 0};
            std::memcpy(entries + i * entrySize, &quad, sizeof quad);
        }
    }

    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    dib.bits.assign(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        const int stored = order == RowOrder::TopDown ? y : height - 1 - y;
        BYTE* row = dib.bits.data() + stored * stride;
        for (int x = 0; x < width; ++x) {
            const unsigned value = pixels[static_cast<std::size_t>(y) * width + x];
            switch (bitCount) {
            case 1:
                row[x / 8] |= static_cast<BYTE>((value & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<BYTE>((value & 0xF) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<BYTE>(value);
                break;
            default:
                row[x * 3] = BYTE(value);
                row[x * 3 + 1] = BYTE(value >> 8);
                row[x * 3 + 2] = BYTE(value >> 16);
            }
        }
    }
    return dib;
}

// A logical palette (version 0x300) holding the entries.
inline HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries)
{
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries.size());
    std::copy(entries.begin(), entries.end(), logical->palPalEntry);
    return CreatePalette(logical);
}

// The colours the screen shows in an area, top row first.
inline std::vector<COLORREF> PixelsIn(platform::Display& screen, const RECT& area)
{
    std::vector<COLORREF> pixels;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            pixels.push_back(screen.ColourAt(x, y));
    return pixels;
}

// 0x00RRGGBB as the COLORREF a display reports.
constexpr COLORREF Rgb(unsigned colour) { return RGB(colour >> 16, colour >> 8, colour); }

}  // namespace vesper::test
