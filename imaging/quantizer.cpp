#include "imaging/quantizer.h"

#include <algorithm>
#include <cstdint>

namespace vesper::imaging {
namespace {

constexpr BYTE RaisedLevel(BYTE component, int threshold)
{
    return static_cast<BYTE>(levelTable[component] + (threshold < remainderTable[component] ? 1 : 0));
}

constexpr std::array<ChannelCells, kThresholdValues> MakeChannelCells()
{
    std::array<ChannelCells, kThresholdValues> tables{};
    for (int threshold = 0; threshold < kThresholdValues; ++threshold) {
        for (int value = 0; value < 256; ++value) {
            const BYTE level = RaisedLevel(static_cast<BYTE>(value), threshold);
            tables[threshold].red[value] = level;
            tables[threshold].green[value] = static_cast<BYTE>(kCubeLevels * level);
            tables[threshold].blue[value] = static_cast<BYTE>(kCubeLevels * kCubeLevels * level);
        }
    }
    return tables;
}

}  // namespace

constinit const std::array<ChannelCells, kThresholdValues> channelCellsByThreshold = MakeChannelCells();

}  // namespace vesper::imaging

COLORREF InterpolateColor(int step, COLORREF from, COLORREF to, int steps)
{
    if (steps <= 1)
        return from & 0x00FFFFFF;
    // 64-bit products: a component times a step count of a few thousand
    // rows or columns fits 32 bits, but nothing bounds the count.
    const std::int64_t last = std::int64_t{steps} - 1;
    const std::int64_t at = std::clamp<std::int64_t>(step, 0, last);
    COLORREF result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::int64_t start = (from >> shift) & 0xFF;
        const std::int64_t end = (to >> shift) & 0xFF;
        const std::int64_t component = (start * (last - at) + end * at) / last;
        result |= static_cast<COLORREF>(component) << shift;
    }
    return result;
}
