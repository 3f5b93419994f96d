#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/kernel/memory_handle.h"
#include "platform/win32.h"

namespace {

using vesper::platform::MemoryHandleLayout;

// The layouts of both pointer widths are checked here whatever the build's
// own width, so a 64-bit build catches handles that do not fit 32 bits.
template <typename Layout>
void ExpectRoundTrip(std::size_t index, std::uint32_t generation)
{
    const auto handle = Layout::Encode(index, generation);
    EXPECT_NE(handle, 0u) << "slot " << index << " generation " << generation;
    const auto parts = Layout::Decode(handle);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->index, index);
    EXPECT_TRUE(Layout::SameGeneration(generation, parts->generation)) << "generation " << generation;
}

TEST(MemoryHandleLayout, ThirtyTwoBitHandlesKeepIndexAndGeneration)
{
    using Layout = MemoryHandleLayout<std::uint32_t>;
    static_assert(Layout::kIndexBits + Layout::kGenerationBits == 32);
    for (std::size_t index : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, Layout::kSlots - 1})
        for (std::uint32_t generation : {1u, 3u, 2047u, 4095u, 4097u, 0xFFFFFFFFu})
            ExpectRoundTrip<Layout>(index, generation);
}

TEST(MemoryHandleLayout, SixtyFourBitHandlesKeepTheWholeGeneration)
{
    using Layout = MemoryHandleLayout<std::uint64_t>;
    for (std::size_t index : {std::size_t{0}, std::size_t{1} << 24})
        for (std::uint32_t generation : {1u, 0x80000001u, 0xFFFFFFFFu})
            ExpectRoundTrip<Layout>(index, generation);
    EXPECT_FALSE(Layout::SameGeneration(1u, static_cast<std::uint32_t>(Layout::Encode(0, 0x80000001u) >> 32)));
}

TEST(MemoryHandleLayout, TheNextGenerationOfASlotIsStaleAcrossTheWrapOfTheHandleBits)
{
    using Layout = MemoryHandleLayout<std::uint32_t>;
    for (std::uint32_t generation : {1u, 4093u, 4095u, 4097u}) {
        const auto handle = Layout::Encode(7, generation);
        const auto parts = Layout::Decode(handle);
        ASSERT_TRUE(parts.has_value());
        EXPECT_FALSE(Layout::SameGeneration(generation + 2, parts->generation)) << "generation " << generation;
        EXPECT_NE(Layout::Encode(7, generation + 2), handle);
    }
}

TEST(MemoryHandleLayout, ValuesWithoutASlotAreNoHandle)
{
    using Layout = MemoryHandleLayout<std::uint32_t>;
    EXPECT_FALSE(Layout::Decode(0).has_value());
    EXPECT_FALSE(Layout::Decode(std::uint32_t{5} << Layout::kIndexBits).has_value());
}

// The same slot taken and freed again many times (more often than a 32-bit
// handle's generation bits count): the handle of the turn before never
// reaches the block of this turn.
TEST(MovableMemory, ASlotReusedManyTimesRefusesTheHandleOfEachEarlierTurn)
{
    HGLOBAL previous = nullptr;
    for (int turn = 0; turn < 5000; ++turn) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
        ASSERT_NE(block, nullptr) << "turn " << turn;
        auto* bytes = static_cast<BYTE*>(GlobalLock(block));
        ASSERT_NE(bytes, nullptr) << "turn " << turn;
        bytes[0] = static_cast<BYTE>(turn);
        GlobalUnlock(block);
        if (previous) {
            EXPECT_NE(previous, block);
            EXPECT_EQ(GlobalLock(previous), nullptr) << "turn " << turn;
            EXPECT_EQ(GlobalFree(previous), previous) << "turn " << turn;
        }
        EXPECT_EQ(GlobalSize(block), 4u);
        ASSERT_EQ(GlobalFree(block), nullptr) << "turn " << turn;
        previous = block;
    }
}

// Live blocks beyond the first chunk of slots keep handles that name them.
TEST(MovableMemory, BlocksPastTheFirstChunkOfSlotsAreFoundByTheirHandles)
{
    std::vector<HGLOBAL> blocks;
    for (int i = 0; i < 9000; ++i) {
        blocks.push_back(GlobalAlloc(GMEM_MOVEABLE, sizeof(int)));
        ASSERT_NE(blocks.back(), nullptr) << "block " << i;
        *static_cast<int*>(GlobalLock(blocks.back())) = i;
        GlobalUnlock(blocks.back());
    }
    for (int i = 0; i < 9000; ++i) {
        const auto* value = static_cast<const int*>(GlobalLock(blocks[i]));
        ASSERT_NE(value, nullptr) << "block " << i;
        EXPECT_EQ(*value, i);
        GlobalUnlock(blocks[i]);
    }
    for (HGLOBAL block : blocks)
        EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
