#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/win32.h"
#include "tests/support/test_data.h"

namespace {

TEST(MovableMemory, LockCountsNestAndUnlockReportsTheRemainingLock)
{
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* first = static_cast<BYTE*>(GlobalLock(block));
    auto* second = static_cast<BYTE*>(GlobalLock(block));
    EXPECT_EQ(first, second);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(first[i], 0) << "GMEM_ZEROINIT leaves byte " << i << " set";
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MovableMemory, ReAllocKeepsContentsAndZeroesTheGrownPart)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(block), "abcd", 4);
    GlobalUnlock(block);
    ASSERT_EQ(GlobalReAlloc(block, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), block);
    EXPECT_EQ(GlobalSize(block), 4096u);
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(std::string(bytes, 4), "abcd");
    EXPECT_EQ(bytes[4095], 0);
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(MovableMemory, StaleAndNullHandlesFailWithoutTouchingMemoryEvenWhenTheSlotIsReused)
{
    HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_EQ(GlobalFree(first), nullptr);
    EXPECT_EQ(GlobalFree(first), first);
    HGLOBAL second = GlobalAlloc(GMEM_MOVEABLE, 32);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(GlobalLock(first), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalSize(first), 0u);
    EXPECT_EQ(GlobalReAlloc(first, 16, 0), nullptr);
    EXPECT_EQ(GlobalFree(first), first);
    EXPECT_EQ(GlobalSize(second), 32u) << "the stale handle must not reach the new block";
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_EQ(GlobalFree(second), nullptr);
}

TEST(MovableMemory, ManyLiveBlocksKeepTheirOwnBytes)
{
    std::vector<HGLOBAL> blocks;
    for (int i = 0; i < 10000; ++i) {
        blocks.push_back(GlobalAlloc(GMEM_MOVEABLE, sizeof(int)));
        ASSERT_NE(blocks.back(), nullptr);
        *static_cast<int*>(GlobalLock(blocks.back())) = i;
        GlobalUnlock(blocks.back());
    }
    for (int i = 0; i < 10000; ++i) {
        EXPECT_EQ(*static_cast<int*>(GlobalLock(blocks[i])), i);
        GlobalUnlock(blocks[i]);
        GlobalFree(blocks[i]);
    }
}

TEST(MovableMemory, ZeroByteBlockIsAValidHandle)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

// Halves round away from zero whatever the signs; the product is taken in 64
// bits; a quotient past 32 bits and a zero divisor give -1.
TEST(MulDiv, RoundsHalvesAwayFromZeroAndReportsOverflowAndZeroDivisor)
{
    const struct {
        int number, numerator, denominator, result;
    } cases[] = {
        {3, 1, 2, 2},
        {-3, 1, 2, -2},
        {3, -1, 2, -2},
        {-3, -1, -2, -2},
        {5, 1, 3, 2},
        {4, 1, 3, 1},
        {639, 1920, 640, 1917},
        {1, 1, 3, 0},
        {2000000000, 2000000000, 2000000000, 2000000000},
        {2000000000, 4, 2, -1},
        {1, 2, 0, -1},
        {-2147483647 - 1, 1, 1, -2147483647 - 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.result)
            << "MulDiv(" << c.number << ", " << c.numerator << ", " << c.denominator << ")";
}

class PlatformFiles : public ::testing::Test {
protected:
    vesper::test::ScratchDir scratch;

    std::string Write(const std::string& name, const std::string& content)
    {
        const auto path = (scratch / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
};

TEST_F(PlatformFiles, ReadSeekAndCloseFollowTheHandleCalls)
{
    const auto path = Write("data.bin", "0123456789");
    OFSTRUCT info{};
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    char buffer[16] = {};
    EXPECT_EQ(_lread(file, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(_llseek(file, 8, FILE_BEGIN), 8);
    EXPECT_EQ(_lread(file, buffer, 16), 2u) << "a read at the end returns what is there";
    EXPECT_EQ(_lread(file, buffer, 16), 0u);
    EXPECT_EQ(_llseek(file, 0, FILE_END), 10);
    EXPECT_EQ(_llseek(file, -3, FILE_CURRENT), 7);
    EXPECT_EQ(_llseek(file, -1, FILE_BEGIN), HFILE_ERROR);
    EXPECT_EQ(_lclose(file), 0);
}

TEST_F(PlatformFiles, MissingFilesAndDirectoriesAreRefused)
{
    OFSTRUCT info{};
    EXPECT_EQ(OpenFile((scratch / "absent").string().c_str(), &info, OF_READ), HFILE_ERROR);
    EXPECT_EQ(info.nErrCode, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenFile(scratch.path().string().c_str(), &info, OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(PlatformFiles, PathsLongerThanTheInfoBufferStillOpen)
{
    const std::string longName(200, 'n');
    const auto path = Write(longName, "x");
    ASSERT_GT(path.size(), static_cast<std::size_t>(OFS_MAXPATHNAME));
    OFSTRUCT info{};
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(std::strlen(info.szPathName), static_cast<std::size_t>(OFS_MAXPATHNAME - 1));
    _lclose(file);
}

TEST_F(PlatformFiles, CreateWritesAndTruncates)
{
    const auto path = Write("out.bin", "old contents");
    const HFILE file = _lcreat(path.c_str(), 0);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(_lwrite(file, "new", 3), 3u);
    _lclose(file);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
}

TEST_F(PlatformFiles, FindFirstFileTellsFilesFromDirectories)
{
    const auto path = Write("picture.bmp", "12345");
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(path.c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_STREQ(data.cFileName, "picture.bmp");
    EXPECT_TRUE(FindClose(search));

    search = FindFirstFileA(scratch.path().string().c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(search);

    EXPECT_EQ(FindFirstFileA((scratch / "none.bmp").string().c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PlatformFiles, FindFirstFileMatchesWildcardsInTheLastComponent)
{
    Write("scene.vsc", "");
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA((scratch / "*.vsc").string().c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "scene.vsc");
    FindClose(search);
    EXPECT_EQ(FindFirstFileA((scratch / "*.bmp").string().c_str(), &data), INVALID_HANDLE_VALUE);
}

TEST(TickCount, FollowsTheInstalledClock)
{
    vesper::platform::ManualClock clock(0x1'0000'0010ull);
    vesper::platform::SetClockSource(&clock);
    EXPECT_EQ(GetTickCount(), 0x10u) << "the tick count wraps at 32 bits";
    clock.Advance(20);
    EXPECT_EQ(GetTickCount(), 0x24u);
    vesper::platform::SetClockSource(nullptr);
}

}  // namespace
