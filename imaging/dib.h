// CDIB: one stored picture of any depth, kept whole as a packed DIB in one
// movable memory block, with a logical palette made from its colour table.
// The scene's background and every sprite's authored picture are CDIBs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/object.h"
#include "framework/palette.h"
#include "platform/win32.h"

class CArchive;

class CDIB : public CObject {
    DECLARE_SERIAL(CDIB)

public:
    // Result of ClassifyExtension.
    enum FileKind { kindUnknown = -1, kindBitmap = 0, kindRunLength = 4, kindDeviceIndependent = 5 };

    // Blocks move through the archive in pieces of kPieceSize bytes while
    // more than kPieceSize - 1 remain, then the rest.
    static constexpr UINT kPieceSize = 32768;
    static UINT NextPieceSize(DWORD remaining);

    CDIB();
    ~CDIB() override;
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    // Stored form: the packed size n (unsigned 32-bit), then the first n bytes
    // of the block. Pictures of every depth and compression are kept, also
    // those the renderers do not draw; loading refuses (CArchiveException)
    // only a block whose 40-byte info header does not describe a picture of
    // 1 to 32 bits per pixel whose colour table and rows fit in n bytes, and
    // never allocates much more than the stream has delivered: a block cut
    // short fails as end of data. Storing refuses a block that does not hold the picture its header
    // describes. A CDIB without a picture stores n = 0 and loads back empty.
    void Serialize(CArchive& ar) override;

    // Makes this picture an independent copy of other's (block bytes and a
    // palette of its own). Copying an empty picture, or a failed allocation,
    // leaves this one empty. Returns this object.
    CDIB& CopyFrom(const CDIB& other);

    // Replaces the picture by the contents of a .bmp/.rle/.dib file. A missing
    // file, an empty path, another suffix or a refused file leave no picture
    // (the palette is then kept). Returns TRUE when a picture was read.
    BOOL LoadFromFile(const std::string& path);

    // Kind of picture file from the last three characters of the path,
    // case-insensitively: "BMP" 0, "RLE" 4, "DIB" 5; anything else, and any
    // path shorter than three characters, -1.
    static int ClassifyExtension(std::string_view path);

    // n of the stored form: 40 + colour table + stride x height; 0 when there
    // is no picture or the block does not hold the picture its header describes.
    DWORD StoredSize() const;
    // A copy of the info header; empty without a picture.
    std::optional<BITMAPINFOHEADER> Header() const;
    bool IsEmpty() const { return dib == nullptr; }

    HGLOBAL dib = nullptr;  // the packed picture; owned
    CPalette palette;       // made from dib's colour table; owned

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
    void FreeBlock();
    void AdoptPaletteOfBlock();
};
