#include "tools/vesper_scene/picture_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/packed_dib.h"
#include "imaging/dib.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {
namespace {

// The packed picture that follows the file header when the file is laid out
// as dump writes it; empty otherwise.
std::optional<std::vector<BYTE>> PackedBytesOfBmp(std::span<const BYTE> file)
{
    if (file.size() < kFileHeaderSize + kInfoHeaderSize)
        return std::nullopt;
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, file.data(), kFileHeaderSize);
    const std::span<const BYTE> packed = file.subspan(kFileHeaderSize);
    const auto view = PackedPictureView::Of(packed);
    if (fileHeader.bfType != kBitmapFileType || !view || view->Height() <= 0)
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, packed.data(), sizeof header);
    if (fileHeader.bfOffBits != kFileHeaderSize + kInfoHeaderSize + PackedDIBPaletteSize(&header))
        return std::nullopt;
    const DWORD size = *PackedDIBStoredSize(&header, packed.size());
    return std::vector<BYTE>(packed.begin(), packed.begin() + size);
}

// The player's reader, for every other kind of .bmp.
platform::Outcome<std::vector<BYTE>> PackedBytesThroughReader(const std::string& path)
{
    const std::unique_ptr<void, decltype(&FreePackedDIB)> block(ReadPackedDIBFile(path.c_str()), &FreePackedDIB);
    if (!block)
        return {std::nullopt, "not a .bmp picture that can be read (1, 4, 8 or 24 bits per pixel uncompressed, or "
                              "8 bits run-length encoded)"};
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
    auto packed = PackedBytesOfBmp(*file);
    if (!packed) {
        auto read = PackedBytesThroughReader(path);
        if (!read)
            return {std::nullopt, read.error};
        packed = std::move(read.value);
    }
    PackedPicture picture;
    picture.warnings = StoredPictureWarnings(*PackedPictureView::Of(*packed), role);
    picture.block = std::move(*packed);
    return {std::move(picture), {}};
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
