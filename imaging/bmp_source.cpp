#include "imaging/bmp_source.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "imaging/packed_dib.h"

namespace vesper::imaging {

namespace {

bool IsSupportedDepth(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Most colours a picture of this depth can index; pictures of 24 bits may
// still carry a table (a hint for palette displays), bounded like the others.
UINT MaxColourCount(WORD bits)
{
    return bits < 8 ? 1u << bits : kMaxColourTableEntries;
}

BITMAPINFOHEADER InfoHeaderFromCore(const BITMAPCOREHEADER& core)
{
    BITMAPINFOHEADER info{};
    info.biSize = kInfoHeaderSize;
    info.biWidth = core.bcWidth;
    info.biHeight = core.bcHeight;
    info.biPlanes = core.bcPlanes;
    info.biBitCount = core.bcBitCount;
    return info;
}

}  // namespace

std::optional<BmpHeaders> ReadBmpHeaders(BmpSource& source, bool acceptCoreHeader)
{
    BmpHeaders headers{};
    if (!source.ReadExact(&headers.file, kFileHeaderSize) || headers.file.bfType != kBitmapFileType)
        return std::nullopt;
    DWORD headerSize = 0;
    if (!source.ReadExact(&headerSize, sizeof headerSize))
        return std::nullopt;
    if (headerSize == kInfoHeaderSize) {
        headers.info.biSize = headerSize;
        auto* rest = reinterpret_cast<BYTE*>(&headers.info) + sizeof headerSize;
        if (!source.ReadExact(rest, kInfoHeaderSize - sizeof headerSize))
            return std::nullopt;
        return headers;
    }
    if (headerSize == kCoreHeaderSize && acceptCoreHeader) {
        BITMAPCOREHEADER core{};
        core.bcSize = headerSize;
        auto* rest = reinterpret_cast<BYTE*>(&core) + sizeof headerSize;
        if (!source.ReadExact(rest, kCoreHeaderSize - sizeof headerSize))
            return std::nullopt;
        headers.info = InfoHeaderFromCore(core);
        headers.coreHeader = true;
        return headers;
    }
    return std::nullopt;
}

std::optional<BmpLayout> CheckBmpLayout(const BmpHeaders& headers, DWORD fileLength)
{
    const BITMAPINFOHEADER& info = headers.info;
    if (info.biWidth <= 0 || info.biHeight == 0 || info.biHeight == std::numeric_limits<LONG>::min())
        return std::nullopt;
    if (info.biPlanes != 1 || !IsSupportedDepth(info.biBitCount))
        return std::nullopt;

    BmpLayout layout{};
    layout.colourCount = PackedDIBColorCount(&info);
    if (layout.colourCount > MaxColourCount(info.biBitCount))
        return std::nullopt;
    layout.entrySize = headers.coreHeader ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);

    layout.topDown = info.biHeight < 0;
    if (layout.topDown && info.biCompression != BI_RGB)
        return std::nullopt;
    layout.rows = static_cast<DWORD>(layout.topDown ? -info.biHeight : info.biHeight);

    const std::optional<DWORD> stride = PackedDIBStride(info.biWidth, info.biBitCount);
    if (!stride)
        return std::nullopt;
    layout.stride = *stride;
    if (auto refusal = PictureSizeRefusal(static_cast<DWORD>(info.biWidth), layout.rows, layout.stride)) {
        SetLastPictureRefusal(std::move(*refusal));
        return std::nullopt;
    }
    const std::uint64_t imageBytes = std::uint64_t{layout.stride} * layout.rows;
    if (imageBytes > std::numeric_limits<DWORD>::max())
        return std::nullopt;
    layout.imageBytes = static_cast<DWORD>(imageBytes);

    // With no offset given the pixel data follows the colour table.
    const std::uint64_t tableEnd = std::uint64_t{kFileHeaderSize} + (headers.coreHeader ? kCoreHeaderSize : kInfoHeaderSize) +
                                   std::uint64_t{layout.colourCount} * layout.entrySize;
    const std::uint64_t dataOffset = headers.file.bfOffBits != 0 ? headers.file.bfOffBits : tableEnd;
    if (dataOffset > fileLength)
        return std::nullopt;
    layout.dataOffset = static_cast<DWORD>(dataOffset);
    layout.dataAvailable = fileLength - layout.dataOffset;
    return layout;
}

std::optional<std::vector<RGBQUAD>> ReadColourTable(BmpSource& source, const BmpLayout& layout)
{
    std::vector<BYTE> raw(std::size_t{layout.colourCount} * layout.entrySize);
    if (!source.ReadExact(raw.data(), static_cast<DWORD>(raw.size())))
        return std::nullopt;
    std::vector<RGBQUAD> table(layout.colourCount);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const BYTE* entry = raw.data() + i * layout.entrySize;
        table[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    return table;
}

BITMAPINFOHEADER StoredHeader(BITMAPINFOHEADER header, const BmpLayout& layout, DWORD coloursUsed)
{
    header.biHeight = static_cast<LONG>(layout.rows);
    header.biCompression = BI_RGB;
    header.biSizeImage = layout.imageBytes;
    header.biClrUsed = coloursUsed;
    return header;
}

bool ReadUncompressedRows(BmpSource& source, const BmpLayout& layout, BYTE* target)
{
    if (!source.SeekTo(layout.dataOffset) || !source.ReadExact(target, layout.imageBytes))
        return false;
    if (layout.topDown) {
        for (DWORD top = 0, bottom = layout.rows - 1; top < bottom; ++top, --bottom) {
            BYTE* upper = target + std::size_t{top} * layout.stride;
            std::swap_ranges(upper, upper + layout.stride, target + std::size_t{bottom} * layout.stride);
        }
    }
    return true;
}

BlockLock::BlockLock(HGLOBAL block)
    : m_block(block), m_bytes(static_cast<BYTE*>(GlobalLock(block))), m_size(m_bytes ? GlobalSize(block) : 0)
{
}

BlockLock::~BlockLock()
{
    if (m_bytes)
        GlobalUnlock(m_block);
}

}  // namespace vesper::imaging
