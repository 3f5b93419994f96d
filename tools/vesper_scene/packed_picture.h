// Pictures as a scene stores them: a packed DIB (40-byte info header, colour
// table, pixel rows bottom row first) held as bytes. Making one from RGBA
// pixels picks the smallest depth that holds the colours, and gives sprites
// one exact key colour for their transparent pixels.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/api/win32_types.h"
#include "tools/vesper_scene/png_codec.h"

namespace vesper::tools {

struct Rgb {
    BYTE red = 0;
    BYTE green = 0;
    BYTE blue = 0;
    bool operator==(const Rgb&) const = default;
};

// "#RRGGBB".
std::string ColourText(Rgb colour);

// Read access to the pixels of a packed picture of 1, 4, 8 or 24 bits per
// pixel, uncompressed, whose rows fit in the bytes given.
class PackedPictureView {
public:
    static std::optional<PackedPictureView> Of(std::span<const BYTE> block);

    LONG Width() const { return m_header.biWidth; }
    LONG Height() const { return m_header.biHeight; }
    WORD BitCount() const { return m_header.biBitCount; }
    UINT ColourCount() const { return m_colourCount; }
    // The colour-table index of a pixel (paletted pictures only); storedRow 0
    // is the bottom row.
    UINT IndexAt(LONG x, LONG storedRow) const;
    // The colour of a pixel; empty when its index lies beyond the table.
    std::optional<Rgb> ColourAt(LONG x, LONG storedRow) const;

private:
    PackedPictureView(std::span<const BYTE> block, const BITMAPINFOHEADER& header, UINT colourCount, DWORD stride);

    std::span<const BYTE> m_block;
    BITMAPINFOHEADER m_header;
    UINT m_colourCount;
    DWORD m_stride;
};

enum class PictureRole { background, sprite };

struct PackedPicture {
    std::vector<BYTE> block;
    std::vector<std::string> warnings;
};

// The stored form of RGBA pixels: 4 bits per pixel for up to 16 distinct
// colours, 8 for up to 256, else 24; the colour table holds exactly the
// colours used, in the order they first occur from the bottom-left pixel on.
// A sprite's transparent pixels (alpha below half) all take one key colour
// that no opaque pixel has; a background's alpha is ignored.
PackedPicture PackRgbaPicture(const RgbaImage& image, PictureRole role);

// What an author should know about a stored picture: pixels whose index lies
// beyond the colour table, and for sprites corners that make transparency
// fail (the player leaves out the bottom-left pixel's colour, through the
// palette index of the top-left pixel).
std::vector<std::string> StoredPictureWarnings(const PackedPictureView& picture, PictureRole role);

}  // namespace vesper::tools
