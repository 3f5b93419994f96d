#include "imaging/dib8bpp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "framework/exceptions.h"
#include "framework/file.h"
#include "imaging/bmp_source.h"
#include "imaging/default_palette.h"
#include "imaging/keyed_copy.h"
#include "imaging/packed_dib.h"
#include "platform/kernel/translation.h"

using vesper::imaging::BlockLock;
using vesper::imaging::BmpSource;

IMPLEMENT_SERIAL(CDIB8BPP, CObject, 0)

namespace {

constexpr char kOnly8BitMessage[] = N_("Only 8 bit DIBs are supported");
constexpr char kCompressedMessage[] = N_("Compressed (RLE) DIBs are not supported");

void ShowFormatRefusal(const char* text)
{
    MessageBoxA(nullptr, vesper::TrWindows(text), nullptr, MB_OK);
}

// A .bmp read through a framework file, from the position the file is at.
class CFileSource final : public BmpSource {
public:
    explicit CFileSource(CFile& file) : m_file(file)
    {
        try {
            m_start = file.GetPosition();
            const DWORD end = file.GetLength();
            m_length = end > m_start ? end - m_start : 0;
        } catch (const CException&) {
            m_length = 0;
        }
    }

    bool ReadExact(void* buffer, DWORD count) override
    {
        try {
            return vesper::imaging::ReadInChunks(
                [this](BYTE* target, DWORD piece) { return m_file.Read(target, piece); }, buffer, count);
        } catch (const CException&) {
            return false;
        }
    }

    bool SeekTo(DWORD offset) override
    {
        const std::uint64_t position = std::uint64_t{m_start} + offset;
        if (offset > m_length || position > static_cast<std::uint64_t>(std::numeric_limits<LONG>::max()))
            return false;
        try {
            return m_file.Seek(static_cast<LONG>(position), CFile::begin) == static_cast<LONG>(position);
        } catch (const CException&) {
            return false;
        }
    }

    DWORD Length() const override { return m_length; }

private:
    CFile& m_file;
    DWORD m_start = 0;
    DWORD m_length = 0;
};

// Reads an 8-bit uncompressed .bmp into a new frame block; null when refused.
HGLOBAL ReadFrameBlock(BmpSource& source)
{
    vesper::imaging::SetLastPictureRefusal({});
    const auto headers = vesper::imaging::ReadBmpHeaders(source, true);
    if (!headers)
        return nullptr;
    if (headers->info.biBitCount != 8) {
        ShowFormatRefusal(kOnly8BitMessage);
        return nullptr;
    }
    if (headers->info.biCompression != BI_RGB) {
        ShowFormatRefusal(kCompressedMessage);
        return nullptr;
    }
    const auto layout = vesper::imaging::CheckBmpLayout(*headers, source.Length());
    if (!layout || !layout->HoldsUncompressedRows())
        return nullptr;
    const auto table = vesper::imaging::ReadColourTable(source, *layout);
    if (!table)
        return nullptr;

    // Zero-filled, so table entries the file does not give are black.
    HGLOBAL block = GlobalAlloc(GHND, std::size_t{kDIB8PixelOffset} + layout->imageBytes);
    if (!block)
        return nullptr;
    bool read = false;
    {
        BlockLock lock(block);
        if (lock.bytes()) {
            const BITMAPINFOHEADER header =
                vesper::imaging::StoredHeader(headers->info, *layout, kDIB8ColourTableEntries);
            std::memcpy(lock.bytes(), &header, sizeof header);
            std::copy(table->begin(), table->end(), reinterpret_cast<RGBQUAD*>(lock.bytes() + kInfoHeaderSize));
            read = vesper::imaging::ReadUncompressedRows(source, *layout, lock.bytes() + kDIB8PixelOffset);
        }
    }
    if (!read) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

// Whether the w × h rectangle at (x, y) lies inside a frame of the given size.
bool InsideFrame(int x, int y, int w, int h, int width, int height)
{
    return x >= 0 && y >= 0 && std::int64_t{x} + w <= width && std::int64_t{y} + h <= height;
}

}  // namespace

CDIB8BPP::~CDIB8BPP()
{
    FreeBlock();
}

void CDIB8BPP::Serialize(CArchive& /*ar*/) {}

// ---- Queries ------------------------------------------------------------------

BYTE* CDIB8BPP::Bytes() const
{
    if (locked)
        return locked;
    if (!block)
        return nullptr;
    if (m_cachedFor.load(std::memory_order_acquire) == block)
        return m_cachedBytes.load(std::memory_order_relaxed);
    // Blocks never move while a frame holds them, so the address outlives the lock.
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    if (!bytes)
        return nullptr;
    GlobalUnlock(block);
    m_cachedBytes.store(bytes, std::memory_order_relaxed);
    m_cachedFor.store(block, std::memory_order_release);
    return bytes;
}

const BITMAPINFOHEADER* CDIB8BPP::Header() const
{
    return reinterpret_cast<const BITMAPINFOHEADER*>(Bytes());
}

int CDIB8BPP::GetWidth() const
{
    const BITMAPINFOHEADER* header = Header();
    return header ? header->biWidth : 0;
}

int CDIB8BPP::GetHeight() const
{
    const BITMAPINFOHEADER* header = Header();
    return header ? header->biHeight : 0;
}

void CDIB8BPP::GetRect(LPRECT out) const
{
    if (out)
        SetRect(out, 0, 0, GetWidth(), GetHeight());
}

COLORREF CDIB8BPP::GetPixelColor(int x, int y) const
{
    const RGBQUAD* table = GetColorTable();
    if (!table)
        return 0;
    const RGBQUAD& entry = table[GetPixelIndex(x, y)];
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

BYTE* CDIB8BPP::PixelAddress(int x, int y) const
{
    // Read the header itself: a derived frame's GetHeight may be one phase.
    const BITMAPINFOHEADER* header = Header();
    if (!header || x < 0 || y < 0 || x >= header->biWidth || y >= header->biHeight)
        return nullptr;
    const std::size_t storedRow = static_cast<std::size_t>(header->biHeight - 1 - y);
    return GetBits() + storedRow * static_cast<std::size_t>(GetStride()) + static_cast<std::size_t>(x);
}

int CDIB8BPP::GetStride() const
{
    const BITMAPINFOHEADER* header = Header();
    return header ? (header->biWidth + 3) / 4 * 4 : 0;
}

BYTE CDIB8BPP::GetPixelIndex(int x, int y) const
{
    const BYTE* pixel = PixelAddress(x, y);
    return pixel ? *pixel : 0;
}

RGBQUAD* CDIB8BPP::GetColorTable() const
{
    BYTE* bytes = Bytes();
    return bytes ? reinterpret_cast<RGBQUAD*>(bytes + kInfoHeaderSize) : nullptr;
}

UINT CDIB8BPP::GetColorCount() const
{
    return PackedDIBColorCount(Header());
}

BYTE* CDIB8BPP::GetBits() const
{
    BYTE* bytes = Bytes();
    return bytes ? bytes + kDIB8PixelOffset : nullptr;
}

// ---- Making and reading pictures ------------------------------------------------

void CDIB8BPP::FreeBlock()
{
    if (!block)
        return;
    if (locked) {
        GlobalUnlock(block);
        locked = nullptr;
    }
    GlobalFree(block);
    block = nullptr;
}

BOOL CDIB8BPP::Create(int width, int height)
{
    FreeBlock();
    const std::optional<DWORD> stride = PackedDIBStride(width, 8);
    if (!stride || height < 0)
        return FALSE;
    const std::uint64_t size = kDIB8PixelOffset + std::uint64_t{*stride} * static_cast<std::uint64_t>(height);
    if (size > std::numeric_limits<DWORD>::max())
        return FALSE;
    HGLOBAL created = GlobalAlloc(GHND, size);
    if (!created)
        return FALSE;
    {
        BlockLock lock(created);
        if (!lock.bytes()) {
            GlobalFree(created);
            return FALSE;
        }
        BITMAPINFOHEADER header{};
        header.biSize = kInfoHeaderSize;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 8;
        std::memcpy(lock.bytes(), &header, sizeof header);
        auto* table = reinterpret_cast<RGBQUAD*>(lock.bytes() + kInfoHeaderSize);
        for (UINT i = 0; i < kDIB8ColourTableEntries; ++i)
            table[i] = RGBQUAD{defaultPalette[i].peBlue, defaultPalette[i].peGreen, defaultPalette[i].peRed, 0};
    }
    block = created;
    return TRUE;
}

BOOL CDIB8BPP::ReadImage(CFile* file)
{
    if (block && locked) {
        GlobalUnlock(block);
        locked = nullptr;
    }
    if (!file)
        return FALSE;
    CFileSource source(*file);
    HGLOBAL read = ReadFrameBlock(source);
    if (!read)
        return FALSE;
    FreeBlock();
    block = read;
    return TRUE;
}

BOOL CDIB8BPP::LoadImage(LPCSTR fileName)
{
    CFile file;
    if (!fileName || !file.Open(fileName, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    const BOOL result = ReadImage(&file);
    file.Abort();  // read-only: nothing to report on closing
    return result;
}

BOOL CDIB8BPP::UsePalette(CPalette* palette)
{
    return palette != nullptr;
}

// ---- Output ---------------------------------------------------------------------

void CDIB8BPP::DrawToDevice(HDC dc, int x, int y) const
{
    const BYTE* bytes = Bytes();
    if (!bytes)
        return;
    const int width = GetWidth();
    const int height = GetHeight();
    StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bytes + kDIB8PixelOffset,
                  reinterpret_cast<const BITMAPINFO*>(bytes), DIB_RGB_COLORS, SRCCOPY);
}

void CDIB8BPP::TransferTo(CDIB8BPP& target, int dx, int dy, int w, int h, int sx, int sy, DWORD key) const
{
    if (w <= 0 || h <= 0)
        return;
    // Each block is looked at once: unless a caller holds it locked, finding
    // its bytes costs a lock and an unlock, as much as the rows of a small
    // sprite. Heights come from the headers themselves, since a derived
    // frame's GetHeight may be one phase.
    const BYTE* sourceBytes = Bytes();
    BYTE* targetBytes = target.Bytes();
    if (!sourceBytes || !targetBytes)
        return;
    const auto* source = reinterpret_cast<const BITMAPINFOHEADER*>(sourceBytes);
    const auto* destination = reinterpret_cast<const BITMAPINFOHEADER*>(targetBytes);
    // Callers clip first; a rectangle outside either frame is refused rather
    // than written past a block.
    if (!InsideFrame(sx, sy, w, h, source->biWidth, source->biHeight) ||
        !InsideFrame(dx, dy, w, h, destination->biWidth, destination->biHeight))
        return;

    // Bottom row of the rectangle first (stored row height − (y + h)); one
    // stride further is one row up.
    const auto stride = [](const BITMAPINFOHEADER* header) { return (static_cast<std::size_t>(header->biWidth) + 3) / 4 * 4; };
    const std::size_t srcStride = stride(source);
    const std::size_t dstStride = stride(destination);
    const BYTE* src = sourceBytes + kDIB8PixelOffset + static_cast<std::size_t>(source->biHeight - sy - h) * srcStride +
                      static_cast<std::size_t>(sx);
    BYTE* dst = targetBytes + kDIB8PixelOffset + static_cast<std::size_t>(destination->biHeight - dy - h) * dstStride +
                static_cast<std::size_t>(dx);

    if (key == kCopyAllPixels) {
        // Rows of two different blocks never overlap; within one block they may.
        if (sourceBytes != targetBytes)
            return vesper::imaging::CopyRect(dst, dstStride, src, srcStride, w, h);
        for (int row = 0; row < h; ++row, src += srcStride, dst += dstStride)
            std::memmove(dst, src, static_cast<std::size_t>(w));
        return;
    }
    vesper::imaging::CopyRectExceptKey(dst, dstStride, src, srcStride, w, h, static_cast<BYTE>(key & 0xFF));
}
