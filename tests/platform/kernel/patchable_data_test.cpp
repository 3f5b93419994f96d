#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using namespace vesper::platform;

// A copy of this program's block as it lies in its file.
std::vector<BYTE> BlockBytes()
{
    std::vector<BYTE> bytes(sizeof(PatchableData));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = reinterpret_cast<const volatile BYTE*>(&g_patchableData)[i];
    return bytes;
}

// Program bytes with the block at `at`, surrounded by filler.
std::vector<BYTE> ImageWithBlockAt(std::size_t at, std::size_t total)
{
    std::vector<BYTE> image(total, 0xCC);
    const auto block = BlockBytes();
    std::copy(block.begin(), block.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    return image;
}

std::vector<BYTE> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PatchableBlock, TheMarkerOccursExactlyOnceInThisProgramFile)
{
    // The block survived the optimiser and the linker, and nothing else in the
    // file (the search code included) holds the marker bytes.
    const auto image = FileBytes("/proc/self/exe");
    ASSERT_FALSE(image.empty());
    const auto found = FindPatchableBlock(image);
    ASSERT_TRUE(found) << found.error;
    const auto values = ReadPatchableValues(image);
    ASSERT_TRUE(values) << values.error;
    EXPECT_EQ(values.value->sceneOffset, kNoSceneAppended);
}

TEST(PatchableBlock, FoundAndReadInAFileImage)
{
    const auto image = ImageWithBlockAt(1001, 4096);
    const auto found = FindPatchableBlock(image);
    ASSERT_TRUE(found) << found.error;
    EXPECT_EQ(*found.value, 1001u);
    const auto values = ReadPatchableValues(image);
    ASSERT_TRUE(values);
    EXPECT_EQ(values.value->formatVersion, kPatchableFormatVersion);
    EXPECT_EQ(values.value->sceneOffset, kNoSceneAppended);
    EXPECT_EQ(values.value->stringResource1, "");
}

TEST(PatchableBlock, RefusesImagesWithoutExactlyOneWholeBlock)
{
    EXPECT_FALSE(FindPatchableBlock(std::vector<BYTE>(4096, 0xCC)));
    EXPECT_FALSE(FindPatchableBlock({}));

    auto twice = ImageWithBlockAt(0, 2048);
    const auto block = BlockBytes();
    std::copy(block.begin(), block.end(), twice.begin() + 1024);
    const auto duplicate = FindPatchableBlock(twice);
    EXPECT_FALSE(duplicate);
    EXPECT_NE(duplicate.error.find("more than once"), std::string::npos);

    // The marker right at the end, its values missing.
    auto cut = ImageWithBlockAt(100, 100 + sizeof(PatchableData));
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(FindPatchableBlock(cut));
    EXPECT_FALSE(PatchPatchableValues(cut, 5, "x"));

    auto otherVersion = ImageWithBlockAt(0, 512);
    otherVersion[offsetof(PatchableData, formatVersion)] = 2;
    EXPECT_FALSE(FindPatchableBlock(otherVersion));
}

TEST(PatchableBlock, PatchingRewritesOnlyTheOffsetAndTheString)
{
    const auto image = ImageWithBlockAt(300, 1000);
    const auto patched = PatchPatchableValues(image, 0x2C200, "Nuages|by someone");
    ASSERT_TRUE(patched) << patched.error;
    const auto values = ReadPatchableValues(*patched.value);
    ASSERT_TRUE(values);
    EXPECT_EQ(values.value->sceneOffset, 0x2C200u);
    EXPECT_EQ(values.value->stringResource1, "Nuages|by someone");
    // Little-endian offset in the file.
    const BYTE* offsetBytes = patched.value->data() + 300 + offsetof(PatchableData, sceneOffset);
    EXPECT_EQ(std::vector<BYTE>(offsetBytes, offsetBytes + 4), (std::vector<BYTE>{0x00, 0xC2, 0x02, 0x00}));
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool inPatchedFields = i >= 300 + offsetof(PatchableData, sceneOffset) && i < 300 + sizeof(PatchableData);
        if (!inPatchedFields) {
            ASSERT_EQ((*patched.value)[i], image[i]) << "byte " << i << " changed";
        }
    }

    // A shorter string replaces a longer one completely.
    const auto again = PatchPatchableValues(*patched.value, 7, "T");
    ASSERT_TRUE(again);
    EXPECT_EQ(ReadPatchableValues(*again.value).value->stringResource1, "T");
}

TEST(PatchableBlock, TheStringMustFitWithItsTerminator)
{
    const auto image = ImageWithBlockAt(0, 512);
    const std::string longest(kStringResourceCapacity - 1, 'a');
    const auto fits = PatchPatchableValues(image, 1, longest);
    ASSERT_TRUE(fits);
    EXPECT_EQ(ReadPatchableValues(*fits.value).value->stringResource1, longest);
    EXPECT_FALSE(PatchPatchableValues(image, 1, longest + "a"));
    EXPECT_FALSE(PatchPatchableValues(image, 1, std::string("a\0b", 3)));

    // A string area without any NUL (not written by the patcher) reads as its
    // first 199 characters.
    auto unterminated = image;
    std::memset(unterminated.data() + offsetof(PatchableData, stringResource1), 'z', kStringResourceCapacity);
    EXPECT_EQ(ReadPatchableValues(unterminated).value->stringResource1, std::string(kStringResourceCapacity - 1, 'z'));
}

// Sets this program's string resource 1 and puts the empty default back
// afterwards.
class ProgramString : public ::testing::Test {
protected:
    static void Set(const std::string& text) { vesper::test::SetProgramString(text); }
    void TearDown() override { Set(""); }
};

TEST_F(ProgramString, LoadStringTruncatesToTheBufferAndTerminates)
{
    Set("Nuages|Credit line");
    char buffer[200];
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 18);
    EXPECT_STREQ(buffer, "Nuages|Credit line");

    char small[7];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(LoadStringA(nullptr, 1, small, sizeof small), 6);
    EXPECT_STREQ(small, "Nuages");

    char exact[19];
    EXPECT_EQ(LoadStringA(nullptr, 1, exact, sizeof exact), 18);
    EXPECT_STREQ(exact, "Nuages|Credit line");

    char one[1] = {'x'};
    EXPECT_EQ(LoadStringA(nullptr, 1, one, 1), 0);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, 0), 0);
}

TEST_F(ProgramString, OnlyStringOneExistsAndAnEmptyOneCountsAsAbsent)
{
    Set("Title|Credit");
    char buffer[50] = "previous";
    EXPECT_EQ(LoadStringA(nullptr, 2, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA(nullptr, 0, buffer, sizeof buffer), 0);

    Set("");
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
