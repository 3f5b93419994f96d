#include "imaging/dib.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/archive.h"
#include "framework/exceptions.h"
#include "imaging/packed_dib.h"
#include "imaging/picture_limits.h"
#include "platform/kernel/translation.h"

IMPLEMENT_SERIAL(CDIB, CObject, 0)

namespace {

// Loading grows the block towards n as the bytes arrive, starting at this size.
constexpr SIZE_T kInitialLoadCapacity = 2 * CDIB::kPieceSize;
// The deepest pixels a bitmap header can describe.
constexpr WORD kMaxBitsPerPixel = 32;

// Locks a block for the lifetime of the object.
class BlockLock {
public:
    explicit BlockLock(HGLOBAL block) : m_block(block), m_bytes(static_cast<BYTE*>(GlobalLock(block))) {}
    ~BlockLock()
    {
        if (m_bytes)
            GlobalUnlock(m_block);
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    BYTE* bytes() const { return m_bytes; }

private:
    HGLOBAL m_block;
    BYTE* m_bytes;
};

using BlockHolder = std::unique_ptr<void, decltype(&FreePackedDIB)>;

// n of the stored form of the picture at the start of `block`, `available`
// bytes long, or why those bytes do not hold a picture this system can show.
struct SizeCheck {
    DWORD size = 0;
    std::string problem;
};

std::string Dimensions(const BITMAPINFOHEADER& header)
{
    return std::to_string(header.biWidth) + " x " + std::to_string(header.biHeight) + " pixels at " +
           std::to_string(header.biBitCount) + " bits per pixel";
}

// Any depth is kept, also those the renderers do not draw (16 and 32 bits,
// bit fields, compressed rows): only a header that does not describe the
// block it heads is refused, so that every later reader stays inside it.
SizeCheck CheckedStoredSize(const BYTE* block, std::size_t available)
{
    if (available < kInfoHeaderSize)
        return {0, "a picture block of " + std::to_string(available) + " bytes cannot hold its 40-byte header"};
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof header);
    if (header.biSize != kInfoHeaderSize)
        return {0, "picture header of " + std::to_string(header.biSize) + " bytes (40 expected)"};
    if (header.biWidth <= 0 || header.biHeight <= 0)
        return {0, "picture of " + Dimensions(header)};
    if (header.biBitCount == 0 || header.biBitCount > kMaxBitsPerPixel)
        return {0, "picture of " + Dimensions(header) + " (1 to " + std::to_string(kMaxBitsPerPixel) + " expected)"};
    const std::optional<DWORD> size = PackedDIBStoredSize(&header, available);
    if (!size)
        return {0, "a picture of " + Dimensions(header) + " and " + std::to_string(PackedDIBColorCount(&header)) +
                       " colours does not fit in a block of " + std::to_string(available) + " bytes"};
    // The stage draws every picture from an 8-bit copy, which must be within
    // the limits of a picture read from a file.
    if (auto refusal = vesper::imaging::PictureSizeRefusal(static_cast<DWORD>(header.biWidth),
                                                           static_cast<DWORD>(header.biHeight),
                                                           *PackedDIBStride(header.biWidth, 8)))
        return {0, vesper::Fill(vesper::Tr("%s (as the 8-bit copy the player draws from)"), {*refusal})};
    return {*size, {}};
}

[[noreturn]] void FailLoad(CArchive& ar, int cause, std::uint64_t offset, const std::string& detail)
{
    throw CArchiveException(cause, ar.GetFile() ? ar.GetFile()->GetFilePath() : std::string{}, offset, detail);
}

}  // namespace

CDIB::CDIB() = default;

CDIB::~CDIB()
{
    FreeBlock();
}

void CDIB::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

UINT CDIB::NextPieceSize(DWORD remaining)
{
    return remaining > kPieceSize - 1 ? kPieceSize : remaining;
}

void CDIB::Store(CArchive& ar) const
{
    if (!dib) {
        ar << DWORD{0};
        return;
    }
    const BlockLock lock(dib);
    const SizeCheck check = lock.bytes() ? CheckedStoredSize(lock.bytes(), GlobalSize(dib))
                                         : SizeCheck{0, "the picture block cannot be locked"};
    if (!check.problem.empty())
        throw CArchiveException(CArchiveException::genericException, ar.GetFile()->GetFilePath(),
                                ar.GetStreamPosition(), check.problem);
    ar << check.size;
    for (DWORD written = 0; written < check.size;) {
        const UINT piece = NextPieceSize(check.size - written);
        ar.WriteBytes(lock.bytes() + written, piece);
        written += piece;
    }
}

void CDIB::Load(CArchive& ar)
{
    FreeBlock();
    DWORD n = 0;
    ar >> n;
    if (n == 0)
        return;  // the stored form of a CDIB without a picture
    const std::uint64_t blockOffset = ar.GetStreamPosition();
    if (n < kInfoHeaderSize)
        FailLoad(ar, CArchiveException::genericException, blockOffset,
                 "a picture block of " + std::to_string(n) + " bytes cannot hold its 40-byte header");

    // n comes from the stream: the block grows only as far as the bytes that
    // actually arrive, so a huge n in a short stream ends as end of data.
    BlockHolder block(nullptr, &FreePackedDIB);
    SIZE_T capacity = 0;
    DWORD received = 0;
    while (received < n) {
        const UINT piece = NextPieceSize(n - received);
        if (received + piece > capacity) {
            capacity = std::min<SIZE_T>(n, std::max<SIZE_T>({capacity * 2, kInitialLoadCapacity, received + piece}));
            HGLOBAL grown = block ? GlobalReAlloc(block.get(), capacity, GMEM_MOVEABLE)
                                  : GlobalAlloc(GMEM_MOVEABLE, capacity);
            if (!grown)
                throw CMemoryException();
            block.release();
            block.reset(grown);
        }
        UINT got = 0;
        SizeCheck check;
        {
            const BlockLock lock(block.get());
            if (!lock.bytes())
                throw CMemoryException();
            got = ar.ReadBytes(lock.bytes() + received, piece);
            // The header is checked as soon as it is in, before the rest is read.
            if (received == 0 && got == piece)
                check = CheckedStoredSize(lock.bytes(), n);
        }
        received += got;
        if (got < piece)
            FailLoad(ar, CArchiveException::endOfFile, blockOffset,
                     "the picture block of " + std::to_string(n) + " bytes ends after " + std::to_string(received) +
                         " bytes");
        if (!check.problem.empty())
            FailLoad(ar, CArchiveException::genericException, blockOffset, check.problem);
    }
    dib = block.release();
    AdoptPaletteOfBlock();
}

CDIB& CDIB::CopyFrom(const CDIB& other)
{
    if (&other == this)
        return *this;
    FreeBlock();
    palette.DeleteObject();
    if (!other.dib)
        return *this;
    const SIZE_T size = GlobalSize(other.dib);
    BlockHolder copy(size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr, &FreePackedDIB);
    if (!copy)
        return *this;
    {
        const BlockLock from(other.dib);
        const BlockLock to(copy.get());
        if (!from.bytes() || !to.bytes())
            return *this;
        std::memcpy(to.bytes(), from.bytes(), size);
    }
    dib = copy.release();
    AdoptPaletteOfBlock();
    return *this;
}

BOOL CDIB::LoadFromFile(const std::string& path)
{
    FreeBlock();
    if (path.empty() || !IsExistingFile(path.c_str()))
        return FALSE;
    switch (ClassifyExtension(path)) {
    case kindBitmap:
    case kindRunLength:
    case kindDeviceIndependent: break;
    default: return FALSE;
    }
    dib = ReadPackedDIBFile(path.c_str());
    // Only a picture that could be stored and shown is kept.
    if (!StoredSize()) {
        FreeBlock();
        return FALSE;
    }
    AdoptPaletteOfBlock();
    return TRUE;
}

int CDIB::ClassifyExtension(std::string_view path)
{
    if (path.size() < 3)
        return kindUnknown;
    std::string suffix(path.substr(path.size() - 3));
    for (char& c : suffix) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (suffix == "BMP")
        return kindBitmap;
    if (suffix == "RLE")
        return kindRunLength;
    if (suffix == "DIB")
        return kindDeviceIndependent;
    return kindUnknown;
}

DWORD CDIB::StoredSize() const
{
    if (!dib)
        return 0;
    const BlockLock lock(dib);
    return lock.bytes() ? CheckedStoredSize(lock.bytes(), GlobalSize(dib)).size : 0;
}

std::optional<BITMAPINFOHEADER> CDIB::Header() const
{
    if (!dib || GlobalSize(dib) < sizeof(BITMAPINFOHEADER))
        return std::nullopt;
    const BlockLock lock(dib);
    if (!lock.bytes())
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, lock.bytes(), sizeof header);
    return header;
}

void CDIB::FreeBlock()
{
    if (dib) {
        FreePackedDIB(dib);
        dib = nullptr;
    }
}

void CDIB::AdoptPaletteOfBlock()
{
    if (!dib || PackedDIBColorCountOf(dib) == 0)
        return;
    HPALETTE made = CreatePackedDIBPalette(dib);
    palette.DeleteObject();
    if (made)
        palette.Attach(made);
}
