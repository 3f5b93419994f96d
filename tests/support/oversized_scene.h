// A bare scene stream whose background is an 8-bit picture `width` pixels
// wide and one high, made by hand (storing refuses pictures beyond the
// limits), for the tests of what the loader and the player do at the limit.
#pragma once

#include <cstdint>
#include <vector>

namespace vesper::test {

inline std::vector<std::uint8_t> SceneWithBackgroundOfWidth(std::uint32_t width)
{
    // The fields of a new scene up to the background's presence value.
    std::vector<std::uint8_t> bytes = {0x80, 0x02, 0xE0, 0x01, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0,
                                       1,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0};
    const auto append32 = [&](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    append32(1);  // a picture follows
    for (const char c : {'\xFF', '\xFF', '\0', '\0', '\4', '\0', 'C', 'D', 'I', 'B'})
        bytes.push_back(static_cast<std::uint8_t>(c));
    const std::uint32_t stride = (width + 3) & ~3u;
    append32(40 + 2 * 4 + stride);
    // 40-byte header: 1 row, 1 plane, 8 bits, uncompressed, 2 colours.
    for (const std::uint32_t field : {40u, width, 1u, 1u | 8u << 16, 0u, stride, 0u, 0u, 2u, 2u})
        append32(field);
    append32(0x000000);
    append32(0xFFFFFF);
    bytes.resize(bytes.size() + stride, 1);
    append32(0);  // no sprites
    return bytes;
}

}  // namespace vesper::test
