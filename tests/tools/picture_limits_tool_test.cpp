// vesper-scene build and the picture limits: a tiny file that declares a
// huge picture is refused with the file's name and the limit, before its
// pixels are allocated.
#include <gtest/gtest.h>

#include <png.h>

#include "tests/imaging/bmp_test_support.h"
#include "tests/support/language.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/picture_files.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::ScratchDir;

// Big-endian 32-bit value at `at`.
void PutBigEndian(std::vector<BYTE>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<BYTE>(value >> (24 - 8 * i));
}

std::uint32_t Crc32(const BYTE* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A 1 x 1 PNG whose header then claims width x height, with a correct
// checksum, so that only the size gives it away.
std::vector<BYTE> PngClaiming(const ScratchDir& dir, std::uint32_t width, std::uint32_t height)
{
    WritePng(dir / "one.png", 1, 1, {Rgba(1, 2, 3)}, PNG_FORMAT_RGB);
    std::vector<BYTE> bytes = ReadFile(dir / "one.png");
    // Signature (8), then the header chunk: length (4), "IHDR", 13 bytes of fields, checksum.
    constexpr std::size_t kType = 8 + 4;
    PutBigEndian(bytes, kType + 4, width);
    PutBigEndian(bytes, kType + 8, height);
    PutBigEndian(bytes, kType + 4 + 13, Crc32(bytes.data() + kType, 4 + 13));
    return bytes;
}

TEST(PictureLimitsInTheTool, APngClaimingMorePixelsThanItsDataCanHoldIsRefusedUnread)
{
    ScratchDir dir;
    WriteFile(dir / "bomb.png", PngClaiming(dir, 8000, 8000));
    const auto read = ReadPictureFile((dir / "bomb.png").string(), PictureRole::background);
    EXPECT_FALSE(read);
    EXPECT_NE(read.error.find("8000 x 8000 pixels is too large for its"), std::string::npos) << read.error;
    EXPECT_NE(read.error.find("1032 times"), std::string::npos) << read.error;
    // The same header on a picture its bytes can hold passes this check and
    // fails only as damaged.
    WriteFile(dir / "cut.png", PngClaiming(dir, 4, 4));
    const auto cut = ReadPictureFile((dir / "cut.png").string(), PictureRole::background);
    EXPECT_FALSE(cut);
    EXPECT_EQ(cut.error.find("too large"), std::string::npos) << cut.error;
}

TEST(PictureLimitsInTheTool, APngRefusalSpeaksTheLocalesLanguage)
{
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    const vesper::test::ScopedLanguage french(vesper::test::kFrench);
    ScratchDir dir;
    WriteFile(dir / "bomb.png", PngClaiming(dir, 8000, 8000));
    const auto read = ReadPictureFile((dir / "bomb.png").string(), PictureRole::background);
    ASSERT_FALSE(read);
    EXPECT_NE(read.error.find("un PNG de 8000 x 8000 pixels est trop grand pour ses "), std::string::npos) << read.error;
    EXPECT_NE(read.error.find("grandissent au plus 1032 fois"), std::string::npos) << read.error;
}

TEST(PictureLimitsInTheTool, BuildRefusesARunLengthBombNamingTheFileAndTheLimit)
{
    ScratchDir dir;
    std::vector<BYTE> row;
    for (int runs = 0; runs < 63; ++runs)
        row.insert(row.end(), {255, 1});
    row.insert(row.end(), {0, 0, 0, 1});
    WriteFile(dir / "bomb.bmp", vesper::test::RunLengthBmp(16000, 16000, row).Bytes());
    WriteText(dir / "scene.json", R"({"backgroundKind": "picture", "background": "bomb.bmp"})");
    const auto run = RunExecutable("build " + Quote(dir / "scene.json") + " -o " + Quote(dir / "bomb.scene"));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("bomb.bmp: a picture of 16000 x 16000 pixels is too large"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("not a .bmp picture"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "bomb.scene"));
}

}  // namespace
