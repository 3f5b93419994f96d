// Helpers for the imaging tests: .bmp files assembled field by field, blocks
// that free themselves, and a view of a block's header, colours and rows.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "imaging/dib8bpp.h"
#include "imaging/packed_dib.h"
#include "platform/win32.h"

namespace vesper::test {

// A .bmp file as its parts; Bytes() joins them. The pixel data follows the
// colour table unless dataOffset places it elsewhere (a gap is filled with
// 0xEE); the file header's offset field holds where it starts unless
// offsetField says otherwise.
// Appends count bytes. Written with resize and memcpy because GCC 12 at -O3
// reports false overflows for vector::insert of byte ranges.
inline void AppendBytes(std::vector<BYTE>& bytes, const BYTE* first, std::size_t count)
{
    const std::size_t at = bytes.size();
    bytes.resize(at + count);
    if (count)
        std::memcpy(bytes.data() + at, first, count);
}

struct BmpFile {
    BITMAPINFOHEADER info{};
    std::vector<BYTE> table;   // raw colour-table bytes
    std::vector<BYTE> pixels;  // raw pixel data as stored in the file
    std::optional<DWORD> dataOffset;
    std::optional<DWORD> offsetField;

    std::vector<BYTE> Bytes() const
    {
        std::vector<BYTE> bytes(sizeof(BITMAPFILEHEADER));
        // A header size other than 40 keeps the fields of info it has room
        // for and is padded with zeros.
        const auto* header = reinterpret_cast<const BYTE*>(&info);
        AppendBytes(bytes, header, std::min<DWORD>(info.biSize, sizeof info));
        bytes.resize(sizeof(BITMAPFILEHEADER) + info.biSize, 0);
        AppendBytes(bytes, table.data(), table.size());
        const DWORD offset = dataOffset.value_or(static_cast<DWORD>(bytes.size()));
        bytes.resize(offset, 0xEE);
        AppendBytes(bytes, pixels.data(), pixels.size());
        BITMAPFILEHEADER file{};
        file.bfType = kBitmapFileType;
        file.bfSize = static_cast<DWORD>(bytes.size());
        file.bfOffBits = offsetField.value_or(offset);
        std::memcpy(bytes.data(), &file, sizeof file);
        return bytes;
    }
};

inline DWORD Stride(LONG width, WORD bits)
{
    return ((bits * static_cast<DWORD>(width) + 31) / 32) * 4;
}

// An uncompressed picture with `colours` table entries (entry i is i, 2i, 3i as
// blue, green, red) and stored byte k of the pixel data equal to (k * 7) % 251.
inline BmpFile MakeBmp(LONG width, LONG height, WORD bits, DWORD colours)
{
    BmpFile bmp;
    bmp.info.biSize = kInfoHeaderSize;
    bmp.info.biWidth = width;
    bmp.info.biHeight = height;
    bmp.info.biPlanes = 1;
    bmp.info.biBitCount = bits;
    bmp.info.biClrUsed = colours;
    const DWORD entries = colours != 0 ? colours : (bits <= 8 ? 1u << bits : 0);
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE entry[4] = {static_cast<BYTE>(i), static_cast<BYTE>(2 * i), static_cast<BYTE>(3 * i), 0};
        AppendBytes(bmp.table, entry, 4);
    }
    const DWORD rows = static_cast<DWORD>(height < 0 ? -height : height);
    bmp.pixels.resize(Stride(width, bits) * rows);
    for (std::size_t k = 0; k < bmp.pixels.size(); ++k)
        bmp.pixels[k] = static_cast<BYTE>((k * 7) % 251);
    bmp.info.biSizeImage = static_cast<DWORD>(bmp.pixels.size());
    return bmp;
}

// An 8-bit run-length picture with an 8-entry colour table (as MakeBmp's)
// and the given encoded data, whose length the image size field holds.
inline BmpFile RunLengthBmp(LONG width, LONG height, std::vector<BYTE> data)
{
    BmpFile bmp = MakeBmp(1, 1, 8, 8);
    bmp.info.biWidth = width;
    bmp.info.biHeight = height;
    bmp.info.biCompression = BI_RLE8;
    bmp.info.biSizeImage = static_cast<DWORD>(data.size());
    bmp.pixels = std::move(data);
    return bmp;
}

inline std::filesystem::path WriteFile(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Frees the block when the test ends.
class OwnedBlock {
public:
    explicit OwnedBlock(HGLOBAL block) : m_block(block) {}
    ~OwnedBlock() { FreePackedDIB(m_block); }
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;
    HGLOBAL get() const { return m_block; }
    explicit operator bool() const { return m_block != nullptr; }

private:
    HGLOBAL m_block;
};

// A copy of a block's parts, for comparing.
struct BlockView {
    std::size_t size = 0;
    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> table;  // colours-used entries
    std::vector<BYTE> rows;      // everything after the table

    explicit BlockView(HGLOBAL block)
    {
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
        if (!bytes)
            return;
        size = GlobalSize(block);
        std::memcpy(&header, bytes, sizeof header);
        const std::size_t tableBytes = std::size_t{header.biClrUsed} * sizeof(RGBQUAD);
        if (sizeof header + tableBytes <= size) {
            table.resize(header.biClrUsed);
            if (tableBytes)
                std::memcpy(table.data(), bytes + sizeof header, tableBytes);
            rows.assign(bytes + sizeof header + tableBytes, bytes + size);
        }
        GlobalUnlock(block);
    }
};

inline bool SameColour(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed && a.rgbReserved == b.rgbReserved;
}

// A frame's pixel indexes, top row first.
inline std::vector<BYTE> FramePixels(const CDIB8BPP& frame)
{
    std::vector<BYTE> pixels;
    for (int y = 0; y < frame.GetHeight(); ++y)
        for (int x = 0; x < frame.GetWidth(); ++x)
            pixels.push_back(frame.GetPixelIndex(x, y));
    return pixels;
}

// What TransferTo must leave in the target, pixel by pixel: the source's w × h
// rectangle at (sx, sy) over the target's at (dx, dy), key pixels left out.
inline std::vector<BYTE> ExpectedTransfer(const CDIB8BPP& source, const CDIB8BPP& target, int dx, int dy, int w, int h,
                                          int sx, int sy, DWORD key)
{
    std::vector<BYTE> expected = FramePixels(target);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const BYTE pixel = source.GetPixelIndex(sx + x, sy + y);
            if (key == kCopyAllPixels || pixel != (key & 0xFF))
                expected[static_cast<std::size_t>(dy + y) * target.GetWidth() + dx + x] = pixel;
        }
    return expected;
}

}  // namespace vesper::test
