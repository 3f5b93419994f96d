#include "imaging/packed_dib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/bmp_source.h"

using vesper::imaging::BlockLock;
using vesper::imaging::BmpLayout;
using vesper::imaging::BmpSource;
using vesper::imaging::StoredHeader;

namespace {

constexpr DWORD kMaxBlockBytes = std::numeric_limits<DWORD>::max();
constexpr std::size_t kLogPaletteHeaderBytes = offsetof(LOGPALETTE, palPalEntry);

// The 16 colours a new block's table is filled with, as red, green, blue.
constexpr BYTE kStandardColours[16][3] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};

bool IsCoreHeader(const BITMAPINFOHEADER* header)
{
    return header->biSize == kCoreHeaderSize;
}

BITMAPCOREHEADER CoreFields(const BITMAPINFOHEADER* header)
{
    BITMAPCOREHEADER core;
    std::memcpy(&core, header, sizeof core);
    return core;
}

// 2, 16 or 256 for 1, 4 or 8 bits per pixel; 0 for any other depth.
UINT DefaultColourCount(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 ? 1u << bits : 0;
}

// Bytes that must be readable for the header to be looked at.
std::size_t HeaderBytesNeeded(const BITMAPINFOHEADER* header)
{
    return IsCoreHeader(header) ? kCoreHeaderSize : kInfoHeaderSize;
}

bool HeaderFits(const BYTE* bytes, std::size_t size)
{
    if (!bytes || size < sizeof(DWORD))
        return false;
    return size >= HeaderBytesNeeded(reinterpret_cast<const BITMAPINFOHEADER*>(bytes));
}

WORD RoundedDepth(WORD bits)
{
    if (bits <= 1)
        return 1;
    if (bits <= 4)
        return 4;
    if (bits <= 8)
        return 8;
    if (bits <= 24)
        return 24;
    return 4;
}

void FillWithStandardColours(RGBQUAD* table, UINT entries)
{
    for (UINT i = 0; i + 16 <= entries; i += 16)
        for (UINT j = 0; j < 16; ++j)
            table[i + j] = RGBQUAD{kStandardColours[j][2], kStandardColours[j][1], kStandardColours[j][0], 0};
}

// A .bmp read through a platform file handle.
class HandleSource final : public BmpSource {
public:
    explicit HandleSource(HFILE file) : m_file(file)
    {
        m_start = _llseek(file, 0, FILE_CURRENT);
        const LONG end = _llseek(file, 0, FILE_END);
        m_valid = m_start != HFILE_ERROR && end != HFILE_ERROR && end >= m_start &&
                  _llseek(file, m_start, FILE_BEGIN) == m_start;
        m_length = m_valid ? static_cast<DWORD>(end - m_start) : 0;
    }

    bool valid() const { return m_valid; }

    bool ReadExact(void* buffer, DWORD count) override { return ReadFileChunked(m_file, buffer, count) != 0; }

    bool SeekTo(DWORD offset) override
    {
        if (offset > m_length)
            return false;
        const LONG position = m_start + static_cast<LONG>(offset);
        return _llseek(m_file, position, FILE_BEGIN) == position;
    }

    DWORD Length() const override { return m_length; }

private:
    HFILE m_file;
    LONG m_start = 0;
    DWORD m_length = 0;
    bool m_valid = false;
};

// A new zero-filled block holding header and colour table, whose rows
// `fillRows` then writes; null (and nothing left allocated) when either fails.
template <typename FillRows>
HGLOBAL BuildBlock(const BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& table, DWORD imageBytes,
                   FillRows fillRows)
{
    const std::size_t tableBytes = table.size() * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GHND, kInfoHeaderSize + tableBytes + imageBytes);
    if (!block)
        return nullptr;
    bool filled = false;
    {
        BlockLock lock(block);
        if (lock.bytes()) {
            std::memcpy(lock.bytes(), &header, kInfoHeaderSize);
            if (tableBytes)
                std::memcpy(lock.bytes() + kInfoHeaderSize, table.data(), tableBytes);
            filled = fillRows(lock.bytes() + kInfoHeaderSize + tableBytes);
        }
    }
    if (!filled) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

HGLOBAL ReadUncompressed(BmpSource& source, const BITMAPINFOHEADER& header, const BmpLayout& layout,
                         const std::vector<RGBQUAD>& table)
{
    if (!layout.HoldsUncompressedRows())
        return nullptr;
    return BuildBlock(StoredHeader(header, layout, layout.colourCount), table, layout.imageBytes,
                      [&](BYTE* rows) { return ReadUncompressedRows(source, layout, rows); });
}

HGLOBAL ReadRunLength8(BmpSource& source, const BITMAPINFOHEADER& header, const BmpLayout& layout,
                       const std::vector<RGBQUAD>& table)
{
    // The image size field is the length of the encoded data; 0 means "up to
    // the end of the file".
    const DWORD encodedBytes = header.biSizeImage != 0 ? header.biSizeImage : layout.dataAvailable;
    if (encodedBytes > layout.dataAvailable)
        return nullptr;
    if (auto refusal = vesper::imaging::PictureSizeRefusal(static_cast<DWORD>(header.biWidth), layout.rows,
                                                           layout.stride, encodedBytes)) {
        vesper::imaging::SetLastPictureRefusal(std::move(*refusal));
        return nullptr;
    }
    std::vector<BYTE> encoded(encodedBytes);
    if (!source.SeekTo(layout.dataOffset) || !source.ReadExact(encoded.data(), encodedBytes))
        return nullptr;
    const BITMAPINFOHEADER decodedHeader = StoredHeader(header, layout, layout.colourCount);
    return BuildBlock(decodedHeader, table, layout.imageBytes, [&](BYTE* rows) {
        DecodeRLE8(&decodedHeader, rows, layout.imageBytes, encoded.data(), encoded.size());
        return true;
    });
}

}  // namespace

// ---- Blocks --------------------------------------------------------------------

HGLOBAL CreatePackedDIB(LONG width, LONG height, WORD bitsPerPixel)
{
    const WORD depth = RoundedDepth(bitsPerPixel);
    const std::optional<DWORD> stride = PackedDIBStride(width, depth);
    if (!stride || height < 0)
        return nullptr;
    const UINT colours = DefaultColourCount(depth);
    const std::uint64_t size =
        kInfoHeaderSize + std::uint64_t{colours} * sizeof(RGBQUAD) + std::uint64_t{*stride} * height;
    if (size > kMaxBlockBytes)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GHND, size);
    if (!block)
        return nullptr;
    BlockLock lock(block);
    if (!lock.bytes()) {
        GlobalFree(block);
        return nullptr;
    }
    BITMAPINFOHEADER header{};
    header.biSize = kInfoHeaderSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = depth;
    header.biClrUsed = colours;
    std::memcpy(lock.bytes(), &header, sizeof header);
    FillWithStandardColours(reinterpret_cast<RGBQUAD*>(lock.bytes() + kInfoHeaderSize), colours);
    return block;
}

void FreePackedDIB(HGLOBAL block)
{
    if (block)
        GlobalFree(block);
}

// ---- Header queries --------------------------------------------------------------

LONG PackedDIBWidth(const BITMAPINFOHEADER* header)
{
    if (!header)
        return 0;
    return IsCoreHeader(header) ? CoreFields(header).bcWidth : header->biWidth;
}

LONG PackedDIBHeight(const BITMAPINFOHEADER* header)
{
    if (!header)
        return 0;
    return IsCoreHeader(header) ? CoreFields(header).bcHeight : header->biHeight;
}

UINT PackedDIBColorCount(const BITMAPINFOHEADER* header)
{
    if (!header)
        return 0;
    if (IsCoreHeader(header))
        return DefaultColourCount(CoreFields(header).bcBitCount);
    return header->biClrUsed != 0 ? header->biClrUsed : DefaultColourCount(header->biBitCount);
}

UINT PackedDIBPaletteSize(const BITMAPINFOHEADER* header)
{
    if (!header)
        return 0;
    const std::uint64_t entrySize = IsCoreHeader(header) ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    return static_cast<UINT>(std::min<std::uint64_t>(PackedDIBColorCount(header) * entrySize, kMaxBlockBytes));
}

UINT PackedDIBColorCountOf(HGLOBAL block)
{
    if (!block)
        return 0;
    BlockLock lock(block);
    if (!HeaderFits(lock.bytes(), lock.size()))
        return 0;
    return PackedDIBColorCount(reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes()));
}

std::optional<DWORD> PackedDIBStride(LONG width, WORD bitsPerPixel)
{
    if (width < 0)
        return std::nullopt;
    const std::uint64_t stride = (std::uint64_t{bitsPerPixel} * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    if (stride > kMaxBlockBytes)
        return std::nullopt;
    return static_cast<DWORD>(stride);
}

std::optional<DWORD> PackedDIBStoredSize(const BITMAPINFOHEADER* header, std::size_t available)
{
    if (!HeaderFits(reinterpret_cast<const BYTE*>(header), available))
        return std::nullopt;
    if (header->biSize != kInfoHeaderSize && header->biSize != kCoreHeaderSize)
        return std::nullopt;
    const WORD bits = IsCoreHeader(header) ? CoreFields(header).bcBitCount : header->biBitCount;
    const LONG width = PackedDIBWidth(header);
    const LONG height = PackedDIBHeight(header);
    if (width <= 0 || height <= 0 || bits == 0 || bits > 32)
        return std::nullopt;
    const std::optional<DWORD> stride = PackedDIBStride(width, bits);
    if (!stride)
        return std::nullopt;
    const std::uint64_t size = std::uint64_t{header->biSize} + PackedDIBPaletteSize(header) + std::uint64_t{*stride} * height;
    if (size > kMaxBlockBytes || size > available)
        return std::nullopt;
    return static_cast<DWORD>(size);
}

// ---- Palettes ------------------------------------------------------------------

HPALETTE CreatePackedDIBPalette(HGLOBAL block)
{
    if (!block)
        return nullptr;
    BlockLock lock(block);
    if (!HeaderFits(lock.bytes(), lock.size()))
        return nullptr;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes());
    const UINT count = PackedDIBColorCount(header);
    const std::size_t entrySize = IsCoreHeader(header) ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    const std::uint64_t tableEnd = std::uint64_t{header->biSize} + std::uint64_t{count} * entrySize;
    if (count == 0 || count > std::numeric_limits<WORD>::max() || tableEnd > lock.size())
        return nullptr;

    std::vector<BYTE> record(kLogPaletteHeaderBytes + std::size_t{count} * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    const BYTE* table = lock.bytes() + header->biSize;
    for (UINT i = 0; i < count; ++i) {
        const BYTE* entry = table + i * entrySize;  // blue, green, red
        palette->palPalEntry[i] = PALETTEENTRY{entry[2], entry[1], entry[0], 0};
    }
    return CreatePalette(palette);
}

BOOL FillColorTable(BITMAPINFOHEADER* header, HPALETTE palette)
{
    if (!header)
        return FALSE;
    if (header->biSize < kInfoHeaderSize)
        return TRUE;
    if (!palette)
        palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    UINT count = header->biClrUsed;
    if (count == 0 && header->biBitCount <= 8)
        count = 1u << header->biBitCount;
    if (count == 3 && header->biCompression == BI_BITFIELDS)
        count = 0;
    count = std::min(count, kMaxColourTableEntries);
    if (count == 0)
        return TRUE;

    std::vector<PALETTEENTRY> entries(count, PALETTEENTRY{0, 0, 0, 0});
    GetPaletteEntries(palette, 0, count, entries.data());
    auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(header) + header->biSize);
    for (UINT i = 0; i < count; ++i)
        table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    return TRUE;
}

// ---- Reading .bmp files -----------------------------------------------------------

HGLOBAL ReadPackedDIBFile(LPCSTR path)
{
    OFSTRUCT openInfo{};
    const HFILE file = path ? OpenFile(path, &openInfo, OF_READ) : HFILE_ERROR;
    if (file == HFILE_ERROR) {
        vesper::imaging::SetLastPictureRefusal({});
        ReportDIBError(kDIBErrorFileNotFound);
        return nullptr;
    }
    HGLOBAL block = ReadPackedDIB(file);
    _lclose(file);
    return block;
}

HGLOBAL ReadPackedDIB(HFILE file)
{
    vesper::imaging::SetLastPictureRefusal({});
    HandleSource source(file);
    if (!source.valid())
        return nullptr;
    const auto headers = vesper::imaging::ReadBmpHeaders(source, false);
    if (!headers)
        return nullptr;
    const BITMAPINFOHEADER& header = headers->info;
    const bool runLength = header.biCompression == BI_RLE8 && header.biBitCount == 8;
    if (header.biCompression != BI_RGB && !runLength)
        return nullptr;
    const auto layout = vesper::imaging::CheckBmpLayout(*headers, source.Length());
    if (!layout)
        return nullptr;
    const auto table = vesper::imaging::ReadColourTable(source, *layout);
    if (!table)
        return nullptr;
    return runLength ? ReadRunLength8(source, header, *layout, *table) : ReadUncompressed(source, header, *layout, *table);
}

void DecodeRLE8(const BITMAPINFOHEADER* header, BYTE* out, std::size_t outSize, const BYTE* in, std::size_t inSize)
{
    std::memset(out, 0, outSize);
    const std::optional<DWORD> stride = header ? PackedDIBStride(header->biWidth, 8) : std::nullopt;
    if (!stride || *stride == 0)
        return;
    // Where the current line starts and how far into it the next pixel is;
    // positions only grow, so 64 bits cannot overflow on any input.
    std::uint64_t lineStart = 0;
    std::uint64_t column = 0;
    const auto fits = [&](std::uint64_t count) { return lineStart + column + count <= outSize; };
    std::size_t at = 0;
    while (at + 2 <= inSize) {
        const BYTE count = in[at];
        const BYTE value = in[at + 1];
        at += 2;
        if (count > 0) {
            if (!fits(count))
                return;
            std::memset(out + lineStart + column, value, count);
            column += count;
            continue;
        }
        switch (value) {
        case 0:  // end of line
            lineStart += *stride;
            column = 0;
            break;
        case 1:  // end of picture
            return;
        case 2:  // delta: skip right and down
            if (at + 2 > inSize)
                return;
            column += in[at];
            lineStart += std::uint64_t{in[at + 1]} * *stride;
            at += 2;
            break;
        default:  // absolute run of `value` bytes, padded to an even length
            if (at + value > inSize || !fits(value))
                return;
            std::memcpy(out + lineStart + column, in + at, value);
            column += value;
            at += value + (value & 1);
            break;
        }
    }
}

BOOL ReadFileChunked(HFILE file, void* buffer, DWORD count)
{
    return vesper::imaging::ReadInChunks([file](BYTE* target, DWORD piece) { return _lread(file, target, piece); }, buffer,
                                         count);
}

// ---- Platform queries and the error hook ------------------------------------------

int GetDisplayColorDepth()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0;
    const int depth = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
}

BOOL IsExistingFile(LPCSTR path)
{
    if (!path || !*path || std::strpbrk(path, "*?"))
        return FALSE;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return FALSE;
    const bool isFile = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    FindClose(search);
    return isFile;
}

void ReportDIBError(int /*code*/) {}
