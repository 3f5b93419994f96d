// The 8-bit frame: a picture of palette indexes held as one packed DIB in a
// movable memory block, in exactly the form StretchDIBits accepts. The stage's
// frame buffer and background are frames, and every sprite derives from one.
//
// Block layout: a 40-byte info header (8 bits per pixel, uncompressed, height
// positive), a 256-entry colour table (blue, green, red, 0) and the pixel rows
// from byte kDIB8PixelOffset, bottom row first, each padded to a multiple of 4.
// Pixel coordinates: column x from the left, row y from the top; row y is
// stored row height - 1 - y.
//
// Locking: an operation that needs the bytes uses `locked` when a caller has
// locked the block, and otherwise locks it for its own duration and unlocks it
// before returning, so `locked` reads the same before and after every call.
// Addresses returned (PixelAddress, GetColorTable, GetBits) stay valid until
// the block is replaced or freed, locked or not.
#pragma once

#include <atomic>

#include "framework/object.h"
#include "imaging/packed_dib.h"
#include "platform/win32.h"

class CFile;
class CPalette;

constexpr DWORD kDIB8ColourTableEntries = 256;
constexpr DWORD kDIB8PixelOffset = kInfoHeaderSize + kDIB8ColourTableEntries * sizeof(RGBQUAD);  // 1064
// TransferTo key that copies every pixel.
constexpr DWORD kCopyAllPixels = 0xFFFFFFFF;

class CDIB8BPP : public CObject {
    DECLARE_SERIAL(CDIB8BPP)

public:
    CDIB8BPP() = default;
    ~CDIB8BPP() override;
    CDIB8BPP(const CDIB8BPP&) = delete;
    CDIB8BPP& operator=(const CDIB8BPP&) = delete;

    // The frame has no stored form: nothing is written or read.
    void Serialize(CArchive& ar) override;

    // Header width and height; 0 for an empty frame.
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    // Colour of pixel (x, y) as 0x00BBGGRR, looked up in the colour table; a
    // pixel outside the frame gives the colour of entry 0, an empty frame 0.
    virtual COLORREF GetPixelColor(int x, int y) const;
    // 0, 0, GetWidth(), GetHeight().
    virtual void GetRect(LPRECT out) const;
    // Replaces the picture by a blank one (pixels 0) with the default palette
    // as its colour table. 0 when the size is negative or too large or memory
    // runs out; the frame is then empty.
    virtual BOOL Create(int width, int height);
    // Reads an 8-bit uncompressed .bmp (40- or 12-byte header, bottom-up or
    // top-down) from an open file positioned at its start. Other depths and
    // compressed files are refused with a message box; malformed files are
    // refused silently. On failure the previous picture survives.
    virtual BOOL ReadImage(CFile* file);
    // Opens the named file for reading and reads it with the virtual
    // ReadImage; 0 without a message when it cannot be opened.
    virtual BOOL LoadImage(LPCSTR fileName);
    // Accepts the stage palette and keeps nothing: 1 for a palette, 0 for null.
    virtual BOOL UsePalette(CPalette* palette);
    // Draws the whole picture 1:1 with its top-left corner at (x, y).
    virtual void DrawToDevice(HDC dc, int x, int y) const;
    // Copies the w × h pixels whose top-left pixel is (sx, sy) here to (dx, dy)
    // in target, bottom row first. key kCopyAllPixels copies every pixel; any
    // other value names an index in its low 8 bits that is left out (the target
    // keeps its pixel). No clipping: the rectangle must lie inside both frames,
    // which must be different frames; w or h of 0 does nothing.
    virtual void TransferTo(CDIB8BPP& target, int dx, int dy, int w, int h, int sx, int sy, DWORD key) const;

    // Address of pixel (x, y); null outside the frame (negative coordinates
    // included) or for an empty frame.
    BYTE* PixelAddress(int x, int y) const;
    // Width rounded up to a multiple of 4.
    int GetStride() const;
    // The index at (x, y); 0 outside the frame.
    BYTE GetPixelIndex(int x, int y) const;
    // The colour table (block + 40); null for an empty frame.
    RGBQUAD* GetColorTable() const;
    // Colours used when non-zero, else 256; 0 for an empty frame.
    UINT GetColorCount() const;
    // The first stored pixel row (block + 1064); null for an empty frame.
    BYTE* GetBits() const;

    // Address of the first byte of the block while a caller holds it locked,
    // else null.
    BYTE* locked = nullptr;
    // The picture, owned by the frame; null for an empty frame.
    HGLOBAL block = nullptr;

protected:
    // Unlocks the block if a caller left it locked, then frees it; the frame
    // is empty afterwards. For frames that install a new block themselves.
    void FreeBlock();

private:
    // The block's bytes (locked or not; blocks never move while held here).
    BYTE* Bytes() const;
    const BITMAPINFOHEADER* Header() const;

    // The address Bytes() found for the block named by m_cachedFor: every
    // query (width, height, pixels) needs it, and a redraw asks for every
    // rectangle, while a lock and an unlock each cost an atomic operation.
    // A handle names one block for its whole life, so a frame that comes to
    // hold another block looks its address up again.
    mutable std::atomic<BYTE*> m_cachedBytes{nullptr};
    mutable std::atomic<HGLOBAL> m_cachedFor{nullptr};
};
