#include "platform/gdi/gdi_dib_source.h"

#include <cstring>
#include <limits>

namespace vesper::platform::gdi {

namespace {

bool SupportedBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// Rows are padded to whole 32-bit words.
std::uint64_t StrideOf(std::uint64_t width, std::uint64_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

}  // namespace

std::optional<DibSource> DibSource::Describe(const BITMAPINFO* info, const void* bits)
{
    if (!info || !bits)
        return std::nullopt;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize != kInfoHeaderSize || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<LONG>::min() || !SupportedBitCount(header.biBitCount) ||
        header.biCompression != BI_RGB)
        return std::nullopt;

    DibSource source;
    source.m_width = header.biWidth;
    source.m_topDown = header.biHeight < 0;
    source.m_height = source.m_topDown ? -header.biHeight : header.biHeight;
    source.m_bitCount = header.biBitCount;
    const std::uint64_t stride = StrideOf(static_cast<std::uint64_t>(source.m_width), source.m_bitCount);
    if (stride * static_cast<std::uint64_t>(source.m_height) > kLargestPixelArray)
        return std::nullopt;
    source.m_stride = static_cast<std::size_t>(stride);
    source.m_bits = static_cast<const BYTE*>(bits);

    if (source.m_bitCount <= 8) {
        const DWORD valueRange = DWORD{1} << source.m_bitCount;
        // Colours past what a pixel value can name are never read.
        source.m_colourCount =
            static_cast<int>(header.biClrUsed == 0 || header.biClrUsed > valueRange ? valueRange : header.biClrUsed);
        source.m_colourTable = reinterpret_cast<const BYTE*>(info) + header.biSize;
    }
    return source;
}

void DibSource::ReadValues(const BYTE* row, int x0, std::span<BYTE> out) const
{
    switch (m_bitCount) {
    case 8:
        std::memcpy(out.data(), row + x0, out.size());
        break;
    case 4:
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::size_t x = x0 + i;
            out[i] = (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
        }
        break;
    default:
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::size_t x = x0 + i;
            out[i] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
        break;
    }
}

void DibSource::ReadColours(const BYTE* row, int x0, std::span<std::uint32_t> out)
{
    const BYTE* pixel = row + static_cast<std::size_t>(x0) * 3;
    for (std::uint32_t& colour : out) {
        colour = pixel[0] | (std::uint32_t{pixel[1]} << 8) | (std::uint32_t{pixel[2]} << 16);
        pixel += 3;
    }
}

}  // namespace vesper::platform::gdi
