// The parts of .bmp reading that the packed DIB reader and the 8-bit frame's
// reader share: a byte source over either kind of file, the header reading and
// the checks that every size the file states fits the file and each other
// before anything is allocated from it.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "imaging/packed_dib.h"
#include "imaging/picture_limits.h"
#include "platform/win32.h"

namespace vesper::imaging {

// A .bmp file seen from its first byte. Offsets are counted from there.
class BmpSource {
public:
    virtual ~BmpSource() = default;
    // Reads exactly count bytes; false on a short read or an error.
    virtual bool ReadExact(void* buffer, DWORD count) = 0;
    // Moves to offset; false beyond the end or on an error.
    virtual bool SeekTo(DWORD offset) = 0;
    // Bytes from the start of the .bmp to the end of the file.
    virtual DWORD Length() const = 0;
};

// Reads in pieces of at most kFileChunkBytes with read(buffer, count) -> bytes
// obtained; false as soon as a piece comes back short.
template <class ReadPiece>
bool ReadInChunks(ReadPiece&& read, void* buffer, DWORD count)
{
    auto* target = static_cast<BYTE*>(buffer);
    while (count > 0) {
        const DWORD piece = count < kFileChunkBytes ? count : kFileChunkBytes;
        if (read(target, piece) != piece)
            return false;
        target += piece;
        count -= piece;
    }
    return true;
}

struct BmpHeaders {
    BITMAPFILEHEADER file;
    // The file's info header; a core header converted to one (size 40, width
    // and height zero-extended, later fields 0).
    BITMAPINFOHEADER info;
    bool coreHeader;
};

// Reads the file header and a 40-byte info header (or, when allowed, a 12-byte
// core header) from the start of the source. Empty for another file type,
// another header size, or a short read.
std::optional<BmpHeaders> ReadBmpHeaders(BmpSource& source, bool acceptCoreHeader);

// Where the parts of a .bmp lie and how large they are, all checked.
struct BmpLayout {
    UINT colourCount;      // colour-table entries in the file
    DWORD entrySize;      // 4, or 3 after a core header
    DWORD stride;         // bytes of one padded row
    DWORD rows;           // number of rows (the height's magnitude)
    bool topDown;         // rows stored top row first
    DWORD imageBytes;     // stride × rows, within CurrentPictureLimits()
    DWORD dataOffset;     // where the pixel data starts
    DWORD dataAvailable;  // bytes the file holds from dataOffset on

    // Whether the file holds all rows of an uncompressed picture; checked
    // before the rows are allocated.
    bool HoldsUncompressedRows() const { return imageBytes <= dataAvailable; }
};

// Checks the header against the file: width > 0, height non-zero, one plane,
// 1, 4, 8 or 24 bits per pixel, a colour count of at most 256 and at most what
// the depth can index, top-down rows only without compression, a size within
// CurrentPictureLimits() (else LastPictureRefusal() says why) and a data
// offset inside the file. Whether the pixel data is long enough, and for
// run-length data whether it is long enough for the picture's size, depends
// on the compression and is left to the reader.
std::optional<BmpLayout> CheckBmpLayout(const BmpHeaders& headers, DWORD fileLength);

// Reads the colour table that follows the header (the source must be right
// after it) as 4-byte entries; empty on a short read.
std::optional<std::vector<RGBQUAD>> ReadColourTable(BmpSource& source, const BmpLayout& layout);

// The header of a block read from a file: uncompressed, bottom-up, with the
// real image size and the given colours-used value.
BITMAPINFOHEADER StoredHeader(BITMAPINFOHEADER header, const BmpLayout& layout, DWORD coloursUsed);

// Reads the uncompressed rows into target (layout.imageBytes bytes), bottom row
// first whatever order the file uses. False on a seek failure or short read.
bool ReadUncompressedRows(BmpSource& source, const BmpLayout& layout, BYTE* target);

// Holds a movable block locked for a scope.
class BlockLock {
public:
    explicit BlockLock(HGLOBAL block);
    ~BlockLock();
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    BYTE* bytes() const { return m_bytes; }
    std::size_t size() const { return m_size; }

private:
    HGLOBAL m_block;
    BYTE* m_bytes;
    std::size_t m_size;
};

}  // namespace vesper::imaging
