// Routines over packed device-independent bitmaps: one movable memory block
// holding a bitmap header, its colour table and the pixel rows (bottom row
// first, each row padded to 4 bytes). They read .bmp files into such blocks,
// create blank ones, answer size and colour-count questions and move colours
// between a block's colour table and a platform palette.
//
// Routines that take a header address work on a block the caller has locked;
// routines that take a block handle lock it for as long as they need it.
// Blocks returned here belong to the caller, who frees them with FreePackedDIB
// or hands them to an object that does.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/win32.h"

// ---- Format constants --------------------------------------------------------
constexpr WORD kBitmapFileType = 0x4D42;  // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kBitFieldMasksSize = 12;   // three 32-bit masks after a BI_BITFIELDS header
constexpr UINT kMaxColourTableEntries = 256;
// File reads go in pieces no larger than this.
constexpr DWORD kFileChunkBytes = 32767;

// Error codes for ReportDIBError.
constexpr int kDIBErrorFileNotFound = 19;

// ---- Blocks ------------------------------------------------------------------

// A new zero-filled block with an info header, colours used set to the real
// table size and the 16 standard colours repeated through the table. The depth
// is rounded up to 1, 4, 8 or 24 (above 24 gives 4). Null on a negative size,
// a size that does not fit in 32 bits, or when memory runs out.
HGLOBAL CreatePackedDIB(LONG width, LONG height, WORD bitsPerPixel);

// Frees a block; a null handle is ignored.
void FreePackedDIB(HGLOBAL block);

// ---- Header queries (header of a locked block) --------------------------------

// Width: the 32-bit field of an info header, the 16-bit field of a core header
// zero-extended.
LONG PackedDIBWidth(const BITMAPINFOHEADER* header);
// Height, in the same way.
LONG PackedDIBHeight(const BITMAPINFOHEADER* header);
// Colour count: colours used when non-zero (info header), else 2, 16 or 256
// for 1, 4 or 8 bits per pixel and 0 for any other depth. For every block this
// system makes the value is at most 256; an untrusted header may say more, and
// the full value is returned rather than a truncated one.
UINT PackedDIBColorCount(const BITMAPINFOHEADER* header);
// Bytes of colour table: colour count × 4 (info header) or × 3 (core header);
// saturates at 0xFFFFFFFF for absurd colour counts.
UINT PackedDIBPaletteSize(const BITMAPINFOHEADER* header);
// Colour count of a block's header; 0 for a null handle or a block too small
// to hold its header.
UINT PackedDIBColorCountOf(HGLOBAL block);

// Row stride in bytes: ((bits per pixel × width + 31) / 32) × 4. Empty for a
// negative width or a stride that does not fit in 32 bits.
std::optional<DWORD> PackedDIBStride(LONG width, WORD bitsPerPixel);

// Size of a packed DIB as it is stored: header size + PackedDIBPaletteSize +
// stride × height, for a header of `available` readable bytes (the block's
// size). Empty when the header does not fit in `available`, its size field is
// neither 40 nor 12, width or height is not positive, the depth is 0 or above
// 32, the sum does not fit in 32 bits, or the sum exceeds `available`, so that
// a block that passes can be copied for that many bytes without reading past
// its end.
std::optional<DWORD> PackedDIBStoredSize(const BITMAPINFOHEADER* header, std::size_t available);

// ---- Palettes ----------------------------------------------------------------

// A platform palette (version 0x300, one entry per colour, flags 0) made from
// the block's colour table; null for a null handle, a block without colours,
// a colour table that does not fit in the block, or when the platform refuses.
HPALETTE CreatePackedDIBPalette(HGLOBAL block);

// Overwrites the colour table after an info header with the first entries of
// a platform palette (null: the stock default palette) as blue, green, red, 0.
// At most 256 entries are written; entries the palette does not have become
// black. Returns 1, or 0 for a null header.
BOOL FillColorTable(BITMAPINFOHEADER* header, HPALETTE palette);

// ---- Reading .bmp files -------------------------------------------------------

// Opens and reads a .bmp file into a new block (see ReadPackedDIB). Null when
// the file cannot be opened (after ReportDIBError(kDIBErrorFileNotFound)) or
// the reader refuses it.
HGLOBAL ReadPackedDIBFile(LPCSTR path);

// Reads a .bmp file from an open file handle positioned at its start into a new
// block with a 40-byte info header, its colour table and uncompressed rows
// stored bottom-up; colours used and image size are always filled in.
// Accepts 1, 4, 8 and 24 bits per pixel uncompressed (top-down files are
// turned bottom-up) and 8-bit run-length encoding. Refuses, returning null and
// freeing everything, any other header size, depth or compression, a picture
// without pixels, more colours than the depth can index or than 256, a data
// offset or pixel data that the file does not hold, short reads, and pictures
// beyond vesper::imaging::CurrentPictureLimits() (imaging/picture_limits.h),
// whose reason LastPictureRefusal() then gives.
HGLOBAL ReadPackedDIB(HFILE file);

// Expands 8-bit run-length data (inSize bytes at `in`) into the pixel rows at
// `out` (outSize bytes) of the picture described by `header`. The target is
// zero-filled first; decoding stops at the end-of-picture code, at the end of
// the data, or at the first code that would write or move outside the rows.
void DecodeRLE8(const BITMAPINFOHEADER* header, BYTE* out, std::size_t outSize, const BYTE* in, std::size_t inSize);

// Reads count bytes in pieces of at most kFileChunkBytes; 1 when every byte
// arrived, else 0.
BOOL ReadFileChunked(HFILE file, void* buffer, DWORD count);

// ---- Platform queries and the error hook --------------------------------------

// Bits per pixel of the display: planes × bits per pixel of a screen context.
int GetDisplayColorDepth();

// 1 when the path names an existing file that is not a directory, else 0.
// Paths with wildcards name no single file and give 0.
BOOL IsExistingFile(LPCSTR path);

// Error hook of the routines above: shows nothing and returns at once.
void ReportDIBError(int code);
