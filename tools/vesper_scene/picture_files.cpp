#include "tools/vesper_scene/picture_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/packed_dib.h"
#include "imaging/dib.h"
#include "imaging/picture_limits.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {
namespace {

// The packed picture that follows the file header when the file is laid out
// as dump writes it (file header, then the stored bytes), and `accepts` takes
// those bytes; empty otherwise. Bytes after the picture are not part of it.
template <typename Accepts>
std::optional<std::vector<BYTE>> PackedBytesOfBmp(std::span<const BYTE> file, Accepts accepts)
{
    if (file.size() < kFileHeaderSize + kInfoHeaderSize)
        return std::nullopt;
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, file.data(), kFileHeaderSize);
    const std::span<const BYTE> packed = file.subspan(kFileHeaderSize);
    BITMAPINFOHEADER header;
    std::memcpy(&header, packed.data(), sizeof header);
    if (fileHeader.bfType != kBitmapFileType || header.biSize != kInfoHeaderSize || !accepts(packed))
        return std::nullopt;
    const auto size = PackedDIBStoredSize(&header, packed.size());
    if (!size || fileHeader.bfOffBits != kFileHeaderSize + kInfoHeaderSize + PackedDIBPaletteSize(&header))
        return std::nullopt;
    return std::vector<BYTE>(packed.begin(), packed.begin() + *size);
}

bool IsDrawable(std::span<const BYTE> packed)
{
    const auto view = PackedPictureView::Of(packed);
    return view && view->Height() > 0;
}

// What an author should know about a stored picture the player keeps but
// does not draw.
std::string UndrawnPictureWarning(std::span<const BYTE> packed, PictureRole role)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, packed.data(), sizeof header);
    return "a picture of " + std::to_string(header.biBitCount) + " bits per pixel" +
           (header.biCompression == BI_RGB ? "" : " with compression " + std::to_string(header.biCompression)) +
           ", which the player keeps but does not draw: " +
           (role == PictureRole::sprite ? "the sprite is invisible" : "the background stays black") +
           " (1, 4, 8 or 24 bits uncompressed are drawn)";
}

// The player's reader, for every other kind of .bmp.
platform::Outcome<std::vector<BYTE>> PackedBytesThroughReader(const std::string& path)
{
    const std::unique_ptr<void, decltype(&FreePackedDIB)> block(ReadPackedDIBFile(path.c_str()), &FreePackedDIB);
    if (!block) {
        if (!imaging::LastPictureRefusal().empty())
            return {std::nullopt, imaging::LastPictureRefusal()};
        return {std::nullopt, "not a .bmp picture that can be read (1, 4, 8 or 24 bits per pixel uncompressed, or "
                              "8 bits run-length encoded)"};
    }
    const SIZE_T size = GlobalSize(block.get());
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block.get()));
    if (!bytes)
        return {std::nullopt, "out of memory"};
    std::vector<BYTE> copy(bytes, bytes + size);
    GlobalUnlock(block.get());
    const auto view = PackedPictureView::Of(copy);
    if (!view)
        return {std::nullopt, "a .bmp picture that a scene cannot hold"};
    BITMAPINFOHEADER header;
    std::memcpy(&header, copy.data(), sizeof header);
    copy.resize(*PackedDIBStoredSize(&header, copy.size()));
    return {std::move(copy), {}};
}

bool IsBmpData(std::span<const BYTE> bytes)
{
    return bytes.size() >= 2 && bytes[0] == (kBitmapFileType & 0xFF) && bytes[1] == (kBitmapFileType >> 8);
}

}  // namespace

platform::Outcome<PackedPicture> ReadPictureFile(const std::string& path, PictureRole role)
{
    const auto file = ReadWholeFile(path);
    if (!file)
        return {std::nullopt, "cannot read the file"};
    if (IsPngData(*file)) {
        auto image = DecodePng(*file);
        if (!image)
            return {std::nullopt, image.error};
        return {PackRgbaPicture(*image.value, role), {}};
    }
    if (!IsBmpData(*file))
        return {std::nullopt, "neither a PNG nor a .bmp picture"};
    // A picture the player draws, as dump writes it; then whatever the
    // player's reader takes; then a stored picture of another depth, kept
    // whole although the player does not draw it.
    auto packed = PackedBytesOfBmp(*file, IsDrawable);
    if (!packed) {
        auto read = PackedBytesThroughReader(path);
        if (read)
            packed = std::move(read.value);
        else if (!(packed = PackedBytesOfBmp(*file, [](std::span<const BYTE>) { return true; })))
            return {std::nullopt, read.error};
    }
    PackedPicture picture;
    if (const auto view = PackedPictureView::Of(*packed))
        picture.warnings = StoredPictureWarnings(*view, role);
    else
        picture.warnings.push_back(UndrawnPictureWarning(*packed, role));
    picture.block = std::move(*packed);
    return {std::move(picture), {}};
}

LONG PictureHeightOf(std::span<const BYTE> block)
{
    BITMAPINFOHEADER header{};
    std::memcpy(&header, block.data(), std::min<std::size_t>(sizeof header, block.size()));
    return header.biHeight;
}

std::vector<BYTE> BmpFileOf(std::span<const BYTE> block)
{
    BITMAPINFOHEADER header{};
    std::memcpy(&header, block.data(), std::min<std::size_t>(sizeof header, block.size()));
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = kBitmapFileType;
    fileHeader.bfSize = static_cast<DWORD>(kFileHeaderSize + block.size());
    fileHeader.bfOffBits = kFileHeaderSize + kInfoHeaderSize + PackedDIBPaletteSize(&header);
    std::vector<BYTE> file(kFileHeaderSize + block.size());
    std::memcpy(file.data(), &fileHeader, kFileHeaderSize);
    std::copy(block.begin(), block.end(), file.begin() + kFileHeaderSize);
    return file;
}

}  // namespace vesper::tools
