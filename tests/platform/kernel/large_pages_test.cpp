// Large blocks are backed by large pages where the system offers them on
// request; the hint never disturbs small or odd blocks.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/kernel/large_pages.h"
#include "platform/win32.h"
#include "tests/support/platform/memory_pages.h"

namespace {

using vesper::platform::AdviseLargePages;
using vesper::platform::kLargePageSize;

TEST(LargePages, SmallUnalignedAndMissingBlocksAreLeftAlone)
{
    AdviseLargePages(nullptr, 4 * kLargePageSize);
    char small[64];
    AdviseLargePages(small, sizeof small);
    std::memset(small, 7, sizeof small);
    EXPECT_EQ(small[63], 7);

    // A block just under two large pages, starting past a boundary, holds no
    // whole large page; its bytes stay as written.
    HGLOBAL block = GlobalAlloc(GHND, kLargePageSize + 4096);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[kLargePageSize], 0) << "a zeroed block reads as zero after the hint";
    AdviseLargePages(bytes + 1, kLargePageSize);
    bytes[kLargePageSize] = 9;
    EXPECT_EQ(bytes[kLargePageSize], 9);
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(LargePages, AFullScreenBlockIsBackedByLargePages)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator places blocks itself";
#else
    if (!vesper::test::LargePagesGrantedOnRequest("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "this system gives no large pages on request";
    // A 3840 x 2160 true-colour picture.
    const SIZE_T size = 3840 * 2160 * 4;
    HGLOBAL block = GlobalAlloc(GHND, size);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    for (SIZE_T i = 0; i < size; i += 4096)
        ASSERT_EQ(bytes[i], 0);
    std::memset(bytes, 1, size);
    long largePages = 0;
    for (vesper::test::Mapping& mapping : vesper::test::ReadMappings("/proc/self/smaps"))
        if (mapping.Holds(bytes + size / 2))
            largePages = mapping.kilobytes["AnonHugePages"];
    EXPECT_GT(largePages, 0);
    GlobalUnlock(block);
    GlobalFree(block);
#endif
}

TEST(LargePages, PrefaultingAShareableBlockMakesItResidentAndKeepsItsBytes)
{
    // A shared mapping, as a segment shown by the X server is.
    constexpr std::size_t kSize = 8 << 20;
    void* mapping = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* bytes = static_cast<unsigned char*>(mapping);
    bytes[4096 * 3 + 5] = 42;
    const bool prefaulted = vesper::platform::PrefaultPages(bytes + 100, kSize - 200);
    std::vector<unsigned char> resident(kSize / 4096);
    ASSERT_EQ(mincore(mapping, kSize, resident.data()), 0);
    EXPECT_EQ(bytes[4096 * 3 + 5], 42);
    EXPECT_EQ(bytes[kSize - 1], 0);
    const auto present = std::count_if(resident.begin(), resident.end(), [](unsigned char page) { return page & 1; });
    munmap(mapping, kSize);
    if (!prefaulted)
        GTEST_SKIP() << "this system cannot prefault pages on request";
    EXPECT_EQ(present, static_cast<long>(resident.size())) << "every page, the partly covered first and last too";
}

}  // namespace
