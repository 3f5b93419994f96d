#include "tools/vesper_scene/png_codec.h"

#include <algorithm>
#include <cstring>

#include <png.h>

#include "imaging/picture_limits.h"
#include "platform/kernel/translation.h"

namespace vesper::tools {
namespace {

constexpr std::size_t kPngSignatureSize = 8;
constexpr std::size_t kRgbaBytes = 4;
constexpr BYTE kOpaque = 255;

// Frees whatever libpng holds for an image when the scope ends.
class ImageGuard {
public:
    explicit ImageGuard(png_image& image) : m_image(image) {}
    ~ImageGuard() { png_image_free(&m_image); }
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;

private:
    png_image& m_image;
};

png_image FreshImage()
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

bool AllOpaque(const RgbaImage& image)
{
    for (std::size_t i = 3; i < image.pixels.size(); i += kRgbaBytes) {
        if (image.pixels[i] != kOpaque)
            return false;
    }
    return true;
}

}  // namespace

std::uint64_t MaxPngPixels()
{
    return imaging::CurrentPictureLimits().maxPixelBytes / kStoredBytesPerPixel;
}

bool IsPngData(std::span<const BYTE> bytes)
{
    return bytes.size() >= kPngSignatureSize && png_sig_cmp(bytes.data(), 0, kPngSignatureSize) == 0;
}

platform::Outcome<RgbaImage> DecodePng(std::span<const BYTE> bytes)
{
    png_image image = FreshImage();
    const ImageGuard guard(image);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return {std::nullopt, Fill(Tr("not a readable PNG: %s"), {image.message})};
    if (image.width == 0 || image.height == 0 || image.width > kMaxPngDimension || image.height > kMaxPngDimension)
        return {std::nullopt, Fill(Tr("a PNG of %s x %s pixels (at most %s on each side)"),
                                   {std::to_string(image.width), std::to_string(image.height),
                                    std::to_string(kMaxPngDimension)})};
    const std::string wide = std::to_string(image.width);
    const std::string high = std::to_string(image.height);
    // The largest picture that a stored 24-bit copy of it may be.
    const std::uint64_t maxPixelBytes = imaging::CurrentPictureLimits().maxPixelBytes;
    if (std::uint64_t{image.width} * image.height * kStoredBytesPerPixel > maxPixelBytes)
        return {std::nullopt,
                Fill(Tr("a PNG of %s x %s pixels (%s) is too large for a scene: at most %s pixels (%s MiB at 24 bits "
                        "per pixel)"),
                     {wide, high, std::to_string(std::uint64_t{image.width} * image.height),
                      std::to_string(MaxPngPixels()), std::to_string(maxPixelBytes >> 20)})};
    // Each row: a filter byte and at least one bit a pixel.
    const std::uint64_t leastRowBytes = std::uint64_t{image.height} * (1 + (std::uint64_t{image.width} + 7) / 8);
    if (leastRowBytes > kMaxPngExpansion * bytes.size())
        return {std::nullopt,
                Fill(Tr("a PNG of %s x %s pixels is too large for its %s bytes: its rows take at least %s bytes, and "
                        "compressed data expands at most %s times"),
                     {wide, high, std::to_string(bytes.size()), std::to_string(leastRowBytes),
                      std::to_string(kMaxPngExpansion)})};
    image.format = PNG_FORMAT_RGBA;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    RgbaImage decoded;
    decoded.width = static_cast<LONG>(image.width);
    decoded.height = static_cast<LONG>(image.height);
    decoded.pixels.resize(static_cast<std::size_t>(image.width) * image.height * kRgbaBytes);
    if (!png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr))
        return {std::nullopt, std::string("damaged PNG: ") + image.message};
    return {std::move(decoded), {}};
}

platform::Outcome<std::vector<BYTE>> EncodePng(const RgbaImage& source)
{
    if (source.width <= 0 || source.height <= 0 ||
        source.pixels.size() != static_cast<std::size_t>(source.width) * source.height * kRgbaBytes)
        return {std::nullopt, "a picture without pixels"};
    const bool opaque = AllOpaque(source);
    std::vector<BYTE> rows;
    if (opaque) {
        rows.reserve(source.pixels.size() / kRgbaBytes * 3);
        for (std::size_t i = 0; i < source.pixels.size(); i += kRgbaBytes)
            rows.insert(rows.end(), source.pixels.begin() + i, source.pixels.begin() + i + 3);
    }
    const BYTE* pixels = opaque ? rows.data() : source.pixels.data();

    png_image image = FreshImage();
    const ImageGuard guard(image);
    image.width = static_cast<png_uint_32>(source.width);
    image.height = static_cast<png_uint_32>(source.height);
    image.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr))
        return {std::nullopt, std::string("cannot encode PNG: ") + image.message};
    std::vector<BYTE> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, pixels, 0, nullptr))
        return {std::nullopt, std::string("cannot encode PNG: ") + image.message};
    encoded.resize(size);
    return {std::move(encoded), {}};
}

}  // namespace vesper::tools
