// Feeds arbitrary bytes to the PNG reader of vesper-scene build and packs
// what it decodes as a scene picture. Pictures are limited to 64 K pixels
// so that each input stays cheap; the limits' own refusals are tested with
// the product's values. A decoded picture must encode and decode again to
// the same pixels, and its packed block must measure its own size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "imaging/packed_dib.h"
#include "imaging/picture_limits.h"
#include "tools/vesper_scene/packed_picture.h"
#include "tools/vesper_scene/png_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vesper::imaging::SetPictureLimits({1024, std::uint64_t{3} << 16, 16u << 10, 64});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vesper::tools;
    const std::span<const BYTE> bytes(data, size);
    if (!IsPngData(bytes))
        return 0;
    const auto image = DecodePng(bytes);
    if (!image)
        return 0;
    const auto encoded = EncodePng(*image.value);
    if (!encoded)
        __builtin_trap();
    const auto again = DecodePng(*encoded.value);
    if (!again || again.value->width != image.value->width || again.value->pixels != image.value->pixels)
        __builtin_trap();
    for (const PictureRole role : {PictureRole::background, PictureRole::sprite}) {
        const PackedPicture picture = PackRgbaPicture(*image.value, role);
        BITMAPINFOHEADER header;
        if (picture.block.size() < sizeof header)
            __builtin_trap();
        std::memcpy(&header, picture.block.data(), sizeof header);
        const auto stored = PackedDIBStoredSize(&header, picture.block.size());
        if (!stored || *stored != picture.block.size())
            __builtin_trap();
    }
    return 0;
}
