#include "tools/vesper_scene/packed_picture.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "imaging/packed_dib.h"

namespace vesper::tools {
namespace {

constexpr std::size_t kRgbaBytes = 4;
// A pixel whose alpha is below this is transparent; at or above it, opaque.
constexpr BYTE kAlphaThreshold = 128;
constexpr BYTE kOpaque = 255;
constexpr UINT kMaxFourBitColours = 16;
constexpr UINT kMaxEightBitColours = 256;
constexpr DWORD kColourSpace = 1u << 24;
// Key colours tried first: colours sprites rarely use.
constexpr std::array<DWORD, 3> kPreferredKeys = {0xFF00FF, 0x00FFFF, 0xFF80FF};

DWORD Packed(Rgb colour)
{
    return DWORD{colour.red} << 16 | DWORD{colour.green} << 8 | colour.blue;
}

Rgb Unpacked(DWORD value)
{
    return {static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)};
}

// The RGBA picture with every pixel reduced to a colour: transparency settled.
struct FlatPicture {
    LONG width = 0;
    LONG height = 0;
    std::vector<DWORD> colours;  // top row first, as Packed()
    std::vector<bool> transparent;
    bool hasTransparency = false;
    std::size_t partlyTransparent = 0;

    DWORD At(LONG x, LONG row) const { return colours[static_cast<std::size_t>(row) * width + x]; }
    bool TransparentAt(LONG x, LONG row) const { return transparent[static_cast<std::size_t>(row) * width + x]; }
};

FlatPicture Flatten(const RgbaImage& image, bool keepAlpha)
{
    FlatPicture flat;
    flat.width = image.width;
    flat.height = image.height;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    flat.colours.resize(count);
    flat.transparent.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* pixel = image.pixels.data() + i * kRgbaBytes;
        flat.colours[i] = Packed({pixel[0], pixel[1], pixel[2]});
        const BYTE alpha = pixel[3];
        if (alpha != kOpaque)
            flat.hasTransparency = true;
        if (alpha != kOpaque && alpha != 0)
            ++flat.partlyTransparent;
        flat.transparent[i] = keepAlpha && alpha < kAlphaThreshold;
    }
    return flat;
}

DWORD UnusedColour(const FlatPicture& flat)
{
    std::unordered_set<DWORD> used;
    for (std::size_t i = 0; i < flat.colours.size(); ++i) {
        if (!flat.transparent[i])
            used.insert(flat.colours[i]);
    }
    for (const DWORD key : kPreferredKeys) {
        if (!used.contains(key))
            return key;
    }
    // A picture has far fewer pixels than there are colours.
    DWORD key = 0;
    while (used.contains(key) && key < kColourSpace - 1)
        ++key;
    return key;
}

void SetKeyColour(FlatPicture& flat, DWORD key)
{
    for (std::size_t i = 0; i < flat.colours.size(); ++i) {
        if (flat.transparent[i])
            flat.colours[i] = key;
    }
}

// Distinct colours in order of first occurrence from the bottom row up,
// counted up to one more than an 8-bit table holds.
std::vector<DWORD> ColourTable(const FlatPicture& flat, std::unordered_map<DWORD, BYTE>& indexOf)
{
    std::vector<DWORD> table;
    for (LONG row = flat.height - 1; row >= 0; --row) {
        for (LONG x = 0; x < flat.width; ++x) {
            const DWORD colour = flat.At(x, row);
            if (indexOf.contains(colour))
                continue;
            if (table.size() == kMaxEightBitColours) {
                table.push_back(colour);
                return table;
            }
            indexOf.emplace(colour, static_cast<BYTE>(table.size()));
            table.push_back(colour);
        }
    }
    return table;
}

std::vector<BYTE> NewBlock(LONG width, LONG height, WORD bits, const std::vector<DWORD>& table, DWORD& pixelsAt,
                           DWORD& stride)
{
    stride = *PackedDIBStride(width, bits);
    pixelsAt = kInfoHeaderSize + static_cast<DWORD>(table.size()) * sizeof(RGBQUAD);
    std::vector<BYTE> block(pixelsAt + static_cast<std::size_t>(stride) * height);
    BITMAPINFOHEADER header{};
    header.biSize = kInfoHeaderSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    header.biSizeImage = stride * static_cast<DWORD>(height);
    header.biClrUsed = static_cast<DWORD>(table.size());
    std::memcpy(block.data(), &header, sizeof header);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Rgb colour = Unpacked(table[i]);
        const RGBQUAD entry{colour.blue, colour.green, colour.red, 0};
        std::memcpy(block.data() + kInfoHeaderSize + i * sizeof entry, &entry, sizeof entry);
    }
    return block;
}

std::vector<BYTE> StoredBlock(const FlatPicture& flat)
{
    std::unordered_map<DWORD, BYTE> indexOf;
    std::vector<DWORD> table = ColourTable(flat, indexOf);
    const bool paletted = table.size() <= kMaxEightBitColours;
    const WORD bits = !paletted ? 24 : table.size() <= kMaxFourBitColours ? 4 : 8;
    if (!paletted)
        table.clear();
    DWORD pixelsAt = 0;
    DWORD stride = 0;
    std::vector<BYTE> block = NewBlock(flat.width, flat.height, bits, table, pixelsAt, stride);
    for (LONG storedRow = 0; storedRow < flat.height; ++storedRow) {
        BYTE* out = block.data() + pixelsAt + static_cast<std::size_t>(storedRow) * stride;
        const LONG row = flat.height - 1 - storedRow;
        for (LONG x = 0; x < flat.width; ++x) {
            const DWORD colour = flat.At(x, row);
            if (bits == 24) {
                const Rgb rgb = Unpacked(colour);
                out[3 * x] = rgb.blue;
                out[3 * x + 1] = rgb.green;
                out[3 * x + 2] = rgb.red;
            } else if (bits == 8) {
                out[x] = indexOf.at(colour);
            } else {
                const BYTE index = indexOf.at(colour);
                out[x / 2] |= x % 2 ? index : static_cast<BYTE>(index << 4);
            }
        }
    }
    return block;
}

std::string CornerColoursWarning(Rgb topLeft, Rgb bottomLeft)
{
    return "its top-left pixel (" + ColourText(topLeft) + ") and bottom-left pixel (" + ColourText(bottomLeft) +
           ") differ in colour, so its background will not be left out cleanly: the player sets the bottom-left "
           "pixel's colour apart and leaves out the palette index of the top-left pixel; give both corners the "
           "colour that should be transparent";
}

void AddTransparencyWarnings(const FlatPicture& flat, std::vector<std::string>& warnings)
{
    const LONG bottom = flat.height - 1;
    if (flat.partlyTransparent)
        warnings.push_back(std::to_string(flat.partlyTransparent) + " partly transparent pixel" +
                           (flat.partlyTransparent == 1 ? " was" : "s were") + " made opaque (alpha 128 or more) or transparent: a "
                           "sprite has hard edges");
    if (!flat.TransparentAt(0, bottom))
        warnings.push_back("its bottom-left pixel is not transparent: the player takes the colour of that pixel as "
                           "the sprite's transparent colour, so make it transparent");
    else if (!flat.TransparentAt(0, 0))
        warnings.push_back("its top-left pixel is not transparent: the player leaves out the palette index of that "
                           "pixel, so make it transparent too");
}

}  // namespace

std::string ColourText(Rgb colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

std::optional<PackedPictureView> PackedPictureView::Of(std::span<const BYTE> block)
{
    if (block.size() < kInfoHeaderSize)
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.data(), sizeof header);
    const WORD bits = header.biBitCount;
    if (header.biSize != kInfoHeaderSize || header.biCompression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24) || header.biClrUsed > kMaxColourTableEntries)
        return std::nullopt;
    if (!PackedDIBStoredSize(&header, block.size()))
        return std::nullopt;
    return PackedPictureView(block, header, PackedDIBColorCount(&header), *PackedDIBStride(header.biWidth, bits));
}

PackedPictureView::PackedPictureView(std::span<const BYTE> block, const BITMAPINFOHEADER& header, UINT colourCount,
                                     DWORD stride)
    : m_block(block), m_header(header), m_colourCount(colourCount), m_stride(stride)
{
}

UINT PackedPictureView::IndexAt(LONG x, LONG storedRow) const
{
    const BYTE* row = m_block.data() + kInfoHeaderSize + m_colourCount * sizeof(RGBQUAD) +
                      static_cast<std::size_t>(storedRow) * m_stride;
    switch (m_header.biBitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    default: return row[x];
    }
}

std::optional<Rgb> PackedPictureView::ColourAt(LONG x, LONG storedRow) const
{
    const BYTE* pixels = m_block.data() + kInfoHeaderSize + m_colourCount * sizeof(RGBQUAD);
    if (m_header.biBitCount == 24) {
        const BYTE* pixel = pixels + static_cast<std::size_t>(storedRow) * m_stride + 3 * x;
        return Rgb{pixel[2], pixel[1], pixel[0]};
    }
    const UINT index = IndexAt(x, storedRow);
    if (index >= m_colourCount)
        return std::nullopt;
    const BYTE* entry = m_block.data() + kInfoHeaderSize + index * sizeof(RGBQUAD);
    return Rgb{entry[2], entry[1], entry[0]};
}

PackedPicture PackRgbaPicture(const RgbaImage& image, PictureRole role)
{
    const bool sprite = role == PictureRole::sprite;
    FlatPicture flat = Flatten(image, sprite);
    PackedPicture packed;
    if (sprite && flat.hasTransparency) {
        SetKeyColour(flat, UnusedColour(flat));
        AddTransparencyWarnings(flat, packed.warnings);
    } else if (sprite && flat.At(0, 0) != flat.At(0, flat.height - 1)) {
        packed.warnings.push_back(CornerColoursWarning(Unpacked(flat.At(0, 0)), Unpacked(flat.At(0, flat.height - 1))));
    } else if (!sprite && flat.hasTransparency) {
        packed.warnings.push_back("it has transparent pixels, which a background cannot show: their colours are "
                                  "used as they are");
    }
    packed.block = StoredBlock(flat);
    return packed;
}

std::vector<std::string> StoredPictureWarnings(const PackedPictureView& picture, PictureRole role)
{
    std::vector<std::string> warnings;
    if (picture.BitCount() != 24) {
        std::size_t beyond = 0;
        for (LONG row = 0; row < picture.Height(); ++row) {
            for (LONG x = 0; x < picture.Width(); ++x)
                beyond += picture.IndexAt(x, row) >= picture.ColourCount();
        }
        if (beyond)
            warnings.push_back(std::to_string(beyond) + (beyond == 1 ? " pixel uses" : " pixels use") +
                               " colour indexes beyond its " +
                               std::to_string(picture.ColourCount()) + "-entry colour table");
    }
    if (role == PictureRole::sprite) {
        const auto topLeft = picture.ColourAt(0, picture.Height() - 1);
        const auto bottomLeft = picture.ColourAt(0, 0);
        if (topLeft && bottomLeft && *topLeft != *bottomLeft)
            warnings.push_back(CornerColoursWarning(*topLeft, *bottomLeft));
    }
    return warnings;
}

}  // namespace vesper::tools
