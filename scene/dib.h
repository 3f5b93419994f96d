// CDIB: one stored picture of any depth, kept whole as a packed DIB in one
// movable memory block, with a logical palette made from its colour table.
// The scene's background and every sprite's authored picture are CDIBs.
#pragma once

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

    // Blocks move through the archive in pieces of at most this many bytes.
    static constexpr UINT kPieceSize = 32768;

    CDIB();
    ~CDIB() override;
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    // Stored form: the packed size n (unsigned 32-bit), then the first n bytes
    // of the block. Loading refuses a block whose header does not describe a
    // 1, 4, 8 or 24-bit uncompressed picture that fits in n bytes, and never
    // allocates more than the stream has delivered.
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

    // The number of bytes the stored form would hold after n (0 when empty).
    DWORD StoredSize() const;
    bool IsEmpty() const { return dib == nullptr; }

    HGLOBAL dib = nullptr;  // the packed picture; owned
    CPalette palette;       // made from dib's colour table; owned

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
    void FreeBlock();
    void AdoptPaletteOfBlock();
};
