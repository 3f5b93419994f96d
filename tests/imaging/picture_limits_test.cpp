// The limits on what a picture file may ask of the readers: the largest
// legitimate pictures still load, run-length bombs and oversized headers are
// refused before anything large is allocated, with a reason that names the
// limit.
#include <gtest/gtest.h>

#include "framework/file.h"
#include "imaging/dib8bpp.h"
#include "imaging/packed_dib.h"
#include "imaging/picture_limits.h"
#include "tests/imaging/bmp_test_support.h"
#include "tests/support/language.h"
#include "tests/support/test_data.h"

namespace vesper::test {
namespace {

using imaging::LastPictureRefusal;

// Runs of 255 pixels of colour 1 over one row of `width`, then the end of
// the line and of the picture: a few hundred bytes.
std::vector<BYTE> OneRowThenEnd(LONG width)
{
    std::vector<BYTE> data;
    for (LONG left = width; left > 0; left -= 255)
        data.insert(data.end(), {static_cast<BYTE>(left < 255 ? left : 255), 1});
    data.insert(data.end(), {0, 0, 0, 1});
    return data;
}

// A header without the rows it announces: a reader that checks the size
// first never looks for them.
BmpFile HeaderOnly(LONG width, LONG height, WORD bits)
{
    BmpFile bmp = MakeBmp(1, 1, bits, 0);
    bmp.info.biWidth = width;
    bmp.info.biHeight = height;
    bmp.pixels.clear();
    return bmp;
}

class PictureLimitsTest : public ::testing::Test {
protected:
    HGLOBAL Read(const BmpFile& bmp)
    {
        const std::filesystem::path file = WriteFile(m_dir / ("file" + std::to_string(m_count++) + ".bmp"), bmp.Bytes());
        return ReadPackedDIBFile(file.string().c_str());
    }

private:
    ScratchDir m_dir;
    int m_count = 0;
};

TEST_F(PictureLimitsTest, AKilobyteRunLengthBombIsRefusedForItsSize)
{
    for (const LONG side : {8000, 16000}) {
        SCOPED_TRACE(side);
        const BmpFile bomb = RunLengthBmp(side, side, OneRowThenEnd(side));
        ASSERT_LE(bomb.Bytes().size(), 1200u);
        EXPECT_FALSE(OwnedBlock(Read(bomb)));
        const std::string& why = LastPictureRefusal();
        EXPECT_NE(why.find(std::to_string(side) + " x " + std::to_string(side) + " pixels is too large for its "),
                  std::string::npos)
            << why;
        EXPECT_NE(why.find("1024 bytes for each byte"), std::string::npos) << why;
    }
}

TEST_F(PictureLimitsTest, RunLengthPicturesUpToTheAllowanceLoadWhateverTheirData)
{
    // 2048 x 2048 is exactly the 4 MiB that needs no data; four more columns
    // need 8 KiB of data, far beyond the 2 bytes given.
    OwnedBlock blank(Read(RunLengthBmp(2048, 2048, {0, 1})));
    ASSERT_TRUE(blank);
    EXPECT_TRUE(LastPictureRefusal().empty());
    EXPECT_EQ(BlockView(blank.get()).header.biSizeImage, 2048u * 2048u);
    EXPECT_FALSE(OwnedBlock(Read(RunLengthBmp(2052, 2048, {0, 1}))));
    EXPECT_NE(LastPictureRefusal().find("2052 x 2048"), std::string::npos);
    // With enough data for its expansion the same size loads.
    std::vector<BYTE> data(8192, 0);
    data[8190] = 0;
    data[8191] = 1;
    OwnedBlock dense(Read(RunLengthBmp(2052, 2048, data)));
    EXPECT_TRUE(dense);
}

TEST_F(PictureLimitsTest, HeadersBeyondTheSideOrPixelLimitAreRefusedBeforeTheirRowsAreSought)
{
    struct Case {
        LONG width, height;
        WORD bits;
        const char* reason;
    };
    for (const Case& c : {Case{40000, 1, 1, "at most 32768 pixels on each side"},
                          Case{1, -40000, 8, "at most 32768 pixels on each side"},
                          Case{9500, 9500, 24, "at most 256 MiB are read"}}) {
        SCOPED_TRACE(c.reason);
        EXPECT_FALSE(OwnedBlock(Read(HeaderOnly(c.width, c.height, c.bits))));
        EXPECT_NE(LastPictureRefusal().find(c.reason), std::string::npos) << LastPictureRefusal();
    }
    // A refusal for the format leaves no size reason behind.
    BmpFile fourBitRunLength = HeaderOnly(4, 4, 4);
    fourBitRunLength.info.biCompression = BI_RLE4;
    EXPECT_FALSE(OwnedBlock(Read(fourBitRunLength)));
    EXPECT_TRUE(LastPictureRefusal().empty());
}

TEST_F(PictureLimitsTest, TheLargestLegitimateBackgroundLoads)
{
    // 7680 x 4320 at 24 bits: 99.5 MB of rows.
    BmpFile background = HeaderOnly(7680, 4320, 24);
    background.pixels.resize(std::size_t{Stride(7680, 24)} * 4320, 0x5A);
    OwnedBlock block(Read(background));
    ASSERT_TRUE(block);
    EXPECT_TRUE(LastPictureRefusal().empty());
    EXPECT_EQ(BlockView(block.get()).header.biSizeImage, 7680u * 3u * 4320u);
}

TEST(PictureLimits, TheFrameReaderKeepsTheSameLimits)
{
    const std::vector<BYTE> bytes = HeaderOnly(33000, 2, 8).Bytes();
    CMemFile file(bytes);
    CDIB8BPP frame;
    EXPECT_FALSE(frame.ReadImage(&file));
    EXPECT_NE(LastPictureRefusal().find("33000 x 2 pixels"), std::string::npos) << LastPictureRefusal();
}

TEST(PictureLimits, LowerLimitsSetByAProgramApplyToEveryRead)
{
    const imaging::PictureLimits saved = imaging::CurrentPictureLimits();
    imaging::SetPictureLimits({64, 1u << 20, 1024, 8});
    EXPECT_EQ(imaging::PictureSizeRefusal(64, 64, 64), std::nullopt);
    EXPECT_NE(imaging::PictureSizeRefusal(65, 1, 68), std::nullopt);
    // 64 x 32 = 2048 bytes: 1024 free, then 8 a byte of data.
    EXPECT_EQ(imaging::PictureSizeRefusal(64, 32, 64, 128), std::nullopt);
    EXPECT_NE(imaging::PictureSizeRefusal(64, 32, 64, 127), std::nullopt);
    imaging::SetPictureLimits(saved);
    EXPECT_EQ(imaging::PictureSizeRefusal(64, 32, 64, 127), std::nullopt);
}

// Each refusal in French where the locale is French, its figures in place.
TEST(PictureLimits, RefusalsSpeakTheLocalesLanguage)
{
    ASSERT_TRUE(LocaleGenerated(kFrench)) << "scripts/setup.sh generates the locale";
    const ScopedLanguage french(kFrench);
    EXPECT_EQ(imaging::PictureSizeRefusal(40000, 10, 40000),
              "une image de 40000 x 10 pixels est trop grande : au plus 32768 pixels de c\xc3\xb4t\xc3\xa9");
    EXPECT_EQ(imaging::PictureSizeRefusal(20000, 20000, 60000),
              "une image de 20000 x 20000 pixels est trop grande : ses lignes occupent 1200000000 octets, au plus "
              "256 Mio sont lus");
    EXPECT_EQ(imaging::PictureSizeRefusal(8000, 8000, 8000, 1024),
              "une image de 8000 x 8000 pixels est trop grande pour ses 1024 octets de donn\xc3\xa9" "es "
              "compress\xc3\xa9" "es par plages : une image de plus de 4 Mio peut occuper au plus 1024 octets pour "
              "chaque octet de ses donn\xc3\xa9" "es");
    const ScopedLanguage english(kEnglish);
    EXPECT_EQ(imaging::PictureSizeRefusal(40000, 10, 40000),
              "a picture of 40000 x 10 pixels is too large: at most 32768 pixels on each side");
}

}  // namespace
}  // namespace vesper::test
