// How a movable memory handle names its block: the slot's index plus one in
// the low bits (so no handle is null) and the low bits of the slot's
// generation above them. The split depends on the width of a pointer: a
// 64-bit handle keeps 32 bits of each, a 32-bit one (wasm32, 32-bit
// Windows) 20 bits of index and 12 of generation, so that both fit the
// handle and a freed slot's old handles stay stale for 2048 reuses.
#pragma once

#include "platform/internal.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vesper::platform {

template <typename Word>
struct MemoryHandleLayout {
    static constexpr unsigned kWordBits = sizeof(Word) * 8;
    static constexpr unsigned kIndexBits = kWordBits >= 64 ? 32 : 20;
    static constexpr unsigned kGenerationBits = kWordBits - kIndexBits;
    static constexpr Word kIndexMask = (Word{1} << kIndexBits) - 1;
    static constexpr std::uint32_t kGenerationMask =
        kGenerationBits >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << kGenerationBits) - 1;
    // Slots a handle can name: index + 1 must fit the index bits.
    static constexpr std::size_t kSlots = static_cast<std::size_t>(kIndexMask);

    static_assert(kIndexBits < kWordBits && kGenerationBits > 1, "a handle needs room for both parts");

    // The handle of slot `index` at `generation`; index must be below kSlots.
    static constexpr Word Encode(std::size_t index, std::uint32_t generation)
    {
        return (static_cast<Word>(generation & kGenerationMask) << kIndexBits) | static_cast<Word>(index + 1);
    }

    struct Parts {
        std::size_t index;
        // Only the generation's low kGenerationBits.
        std::uint32_t generation;
    };
    // The slot and generation a handle names; nothing for the null handle and
    // for values whose index part is zero.
    static constexpr std::optional<Parts> Decode(Word handle)
    {
        const Word slot = handle & kIndexMask;
        if (slot == 0)
            return std::nullopt;
        return Parts{static_cast<std::size_t>(slot - 1), static_cast<std::uint32_t>(handle >> kIndexBits)};
    }

    // Whether a slot whose full generation is `generation` is the one a
    // handle with `handleGeneration` named.
    static constexpr bool SameGeneration(std::uint32_t generation, std::uint32_t handleGeneration)
    {
        return (generation & kGenerationMask) == handleGeneration;
    }
};

using MemoryHandles = MemoryHandleLayout<std::uintptr_t>;

}  // namespace vesper::platform
