// PNG files through libpng's simplified interface: any PNG (palette, grey,
// 16-bit, with or without transparency) is read as 8-bit RGBA; pictures are
// written as 8-bit RGBA.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/picture_limits.h"
#include "platform/kernel/patchable_data.h"
#include "platform/api/win32_types.h"

namespace vesper::tools {

// Straight (not premultiplied) RGBA, 4 bytes a pixel, top row first.
struct RgbaImage {
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> pixels;

    const BYTE* At(LONG x, LONG row) const { return pixels.data() + (static_cast<std::size_t>(row) * width + x) * 4; }
    BYTE* At(LONG x, LONG row) { return pixels.data() + (static_cast<std::size_t>(row) * width + x) * 4; }
};

// Largest width or height read, and largest number of pixels (its stored
// copy at 24 bits per pixel must fit the readers' limit of pixel rows);
// beyond them a picture is refused before any pixel is decoded.
inline constexpr LONG kMaxPngDimension = 8192;
inline constexpr std::uint64_t kStoredBytesPerPixel = 3;
std::uint64_t MaxPngPixels();
// Deflate expands its data at most 1032 times: a PNG whose rows, at one bit
// a pixel, take more than this many bytes for each byte of the file cannot be
// whole, and is refused before its pixels are allocated.
inline constexpr std::uint64_t kMaxPngExpansion = 1032;

bool IsPngData(std::span<const BYTE> bytes);
// Decodes PNG file contents. 16-bit files without colour-space information
// are taken as sRGB, like 8-bit ones.
platform::Outcome<RgbaImage> DecodePng(std::span<const BYTE> bytes);
// Encodes a picture as PNG file contents (RGBA, or RGB when every pixel is
// opaque).
platform::Outcome<std::vector<BYTE>> EncodePng(const RgbaImage& image);

}  // namespace vesper::tools
