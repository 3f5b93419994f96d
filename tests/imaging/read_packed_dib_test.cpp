// Reading .bmp files into packed DIB blocks, run-length decoding, and the
// refusal of malformed files.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "imaging/packed_dib.h"
#include "tests/imaging/bmp_test_support.h"
#include "tests/support/test_data.h"

namespace vesper::test {
namespace {

class ReadPackedDIBTest : public ::testing::Test {
protected:
    HGLOBAL Read(const BmpFile& bmp) { return Read(bmp.Bytes()); }
    HGLOBAL Read(const std::vector<BYTE>& bytes)
    {
        const std::filesystem::path file = WriteFile(m_dir / ("file" + std::to_string(m_count++) + ".bmp"), bytes);
        return ReadPackedDIBFile(file.string().c_str());
    }

private:
    ScratchDir m_dir;
    int m_count = 0;
};

TEST_F(ReadPackedDIBTest, ReadsEveryAcceptedDepthAsStored)
{
    // A 24-bit picture may carry a colour table too.
    for (const auto& [bits, colours] : {std::pair<WORD, DWORD>{1, 2}, {4, 7}, {8, 7}, {24, 0}, {24, 3}}) {
        SCOPED_TRACE(testing::Message() << bits << " bits, " << colours << " colours");
        const BmpFile bmp = MakeBmp(13, 5, bits, colours);
        OwnedBlock block(Read(bmp));
        ASSERT_TRUE(block);
        const BlockView view(block.get());
        EXPECT_EQ(view.header.biBitCount, bits);
        EXPECT_EQ(view.header.biWidth, 13);
        EXPECT_EQ(view.header.biHeight, 5);
        EXPECT_EQ(view.header.biClrUsed, colours);
        EXPECT_EQ(view.table.size() * 4, bmp.table.size());
        if (!bmp.table.empty()) {
            EXPECT_EQ(std::memcmp(view.table.data(), bmp.table.data(), bmp.table.size()), 0);
        }
        EXPECT_EQ(view.rows, bmp.pixels);
        EXPECT_EQ(view.size, 40 + bmp.table.size() + bmp.pixels.size());
    }
}

TEST_F(ReadPackedDIBTest, FillsInColoursUsedAndImageSize)
{
    BmpFile bmp = MakeBmp(5, 3, 8, 0);  // 256 table entries in the file
    bmp.info.biSizeImage = 0;
    OwnedBlock block(Read(bmp));
    ASSERT_TRUE(block);
    const BlockView view(block.get());
    EXPECT_EQ(view.header.biClrUsed, 256u);
    EXPECT_EQ(view.header.biSizeImage, 8u * 3u);
    EXPECT_EQ(view.table.size(), 256u);
    EXPECT_EQ(view.rows, bmp.pixels);

    OwnedBlock rgb(Read(MakeBmp(5, 3, 24, 0)));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(BlockView(rgb.get()).header.biClrUsed, 0u);
    EXPECT_EQ(GlobalSize(rgb.get()), 40u + 16u * 3u);
}

TEST_F(ReadPackedDIBTest, FollowsTheDataOffsetAndReadsDataAfterTheTableWhenItIsZero)
{
    BmpFile gap = MakeBmp(4, 2, 8, 2);
    gap.dataOffset = 14 + 40 + 8 + 100;
    OwnedBlock gapBlock(Read(gap));
    ASSERT_TRUE(gapBlock);
    EXPECT_EQ(BlockView(gapBlock.get()).rows, gap.pixels);

    BmpFile zero = MakeBmp(4, 2, 8, 2);
    zero.offsetField = 0;
    OwnedBlock zeroBlock(Read(zero));
    ASSERT_TRUE(zeroBlock);
    EXPECT_EQ(BlockView(zeroBlock.get()).rows, zero.pixels);
}

TEST_F(ReadPackedDIBTest, TopDownFileIsStoredBottomUp)
{
    const BmpFile bottomUp = MakeBmp(3, 4, 8, 4);
    BmpFile topDown = bottomUp;
    topDown.info.biHeight = -4;
    topDown.pixels.clear();
    for (int row = 3; row >= 0; --row)
        AppendBytes(topDown.pixels, bottomUp.pixels.data() + row * 4, 4);
    OwnedBlock block(Read(topDown));
    ASSERT_TRUE(block);
    const BlockView view(block.get());
    EXPECT_EQ(view.header.biHeight, 4);
    EXPECT_EQ(view.rows, bottomUp.pixels);
}

// The pairs of an 8-wide run-length picture: 03 07, 00 00, 02 05, 00 01.

TEST_F(ReadPackedDIBTest, RunLengthFileComesBackUncompressed)
{
    OwnedBlock block(Read(RunLengthBmp(8, 3, {3, 7, 0, 0, 2, 5, 0, 1})));
    ASSERT_TRUE(block);
    const BlockView view(block.get());
    EXPECT_EQ(view.header.biCompression, 0u);
    EXPECT_EQ(view.header.biSizeImage, 24u);
    EXPECT_EQ(view.header.biClrUsed, 8u);
    const std::vector<BYTE> expected = {7, 7, 7, 0, 0, 0, 0, 0, 5, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(view.rows, expected);
    EXPECT_EQ(view.size, 40u + 32u + 24u);
}

TEST_F(ReadPackedDIBTest, RunLengthDataMayRunToTheEndOfTheFileWhenImageSizeIsZero)
{
    BmpFile bmp = RunLengthBmp(4, 1, {2, 9, 0, 1});
    bmp.info.biSizeImage = 0;
    OwnedBlock block(Read(bmp));
    ASSERT_TRUE(block);
    EXPECT_EQ(BlockView(block.get()).rows, (std::vector<BYTE>{9, 9, 0, 0}));
}

// Each case changes one thing in a good file; every one must be refused.
struct Refusal {
    const char* what;
    std::function<void(BmpFile&)> spoil;
};

TEST_F(ReadPackedDIBTest, RefusesMalformedAndUnsupportedFiles)
{
    const std::vector<Refusal> refusals = {
        {"core header", [](BmpFile& b) { b.info.biSize = 12; }},
        {"108-byte header", [](BmpFile& b) { b.info.biSize = 108; }},
        {"width 0", [](BmpFile& b) { b.info.biWidth = 0; }},
        {"negative width", [](BmpFile& b) { b.info.biWidth = -8; }},
        {"height 0", [](BmpFile& b) { b.info.biHeight = 0; }},
        {"smallest height", [](BmpFile& b) { b.info.biHeight = std::numeric_limits<LONG>::min(); }},
        {"two planes", [](BmpFile& b) { b.info.biPlanes = 2; }},
        {"2 bits", [](BmpFile& b) { b.info.biBitCount = 2; }},
        {"16 bits", [](BmpFile& b) { b.info.biBitCount = 16; }},
        {"32 bits", [](BmpFile& b) { b.info.biBitCount = 32; }},
        {"bit fields", [](BmpFile& b) { b.info.biCompression = BI_BITFIELDS; }},
        {"4-bit run length", [](BmpFile& b) { b.info.biBitCount = 4; b.info.biCompression = BI_RLE4; }},
        {"8-bit run length on 4 bits", [](BmpFile& b) { b.info.biBitCount = 4; b.info.biCompression = BI_RLE8; }},
        {"JPEG", [](BmpFile& b) { b.info.biCompression = 4; }},
        {"257 colours", [](BmpFile& b) { b.info.biClrUsed = 257; }},
        {"huge colour count", [](BmpFile& b) { b.info.biClrUsed = 0x12345678; }},
        {"3 colours on 1 bit", [](BmpFile& b) { b.info.biBitCount = 1; b.info.biClrUsed = 3; }},
        {"colour table cut short", [](BmpFile& b) { b.table.resize(10); b.pixels.clear(); }},
        {"pixel data one byte short", [](BmpFile& b) { b.pixels.pop_back(); }},
        {"data offset beyond the file", [](BmpFile& b) { b.offsetField = 1u << 30; }},
        {"data offset near the end", [](BmpFile& b) { b.offsetField = static_cast<DWORD>(b.Bytes().size() - 4); }},
        {"rows larger than the file", [](BmpFile& b) { b.info.biHeight = 1 << 20; }},
        {"rows overflowing 32 bits", [](BmpFile& b) { b.info.biWidth = 1 << 30; b.info.biHeight = 1 << 30; }},
        {"top-down run length", [](BmpFile& b) { b.info.biCompression = BI_RLE8; b.info.biHeight = -b.info.biHeight; }},
        {"run length longer than the file", [](BmpFile& b) { b.info.biCompression = BI_RLE8; b.info.biSizeImage = 1u << 31; }},
        {"run-length picture too large",
         [](BmpFile& b) { b.info.biCompression = BI_RLE8; b.info.biWidth = 30000; b.info.biHeight = 30000; }},
    };
    for (const Refusal& refusal : refusals) {
        BmpFile bmp = MakeBmp(8, 4, 8, 4);
        refusal.spoil(bmp);
        EXPECT_EQ(Read(bmp), nullptr) << refusal.what;
    }
}

TEST_F(ReadPackedDIBTest, RefusesWrongTypeAndTruncatedHeaders)
{
    std::vector<BYTE> bytes = MakeBmp(4, 2, 8, 2).Bytes();
    std::vector<BYTE> wrongType = bytes;
    wrongType[0] = 'X';
    EXPECT_EQ(Read(wrongType), nullptr);
    for (const std::size_t length : {0, 10, 14, 17, 53}) {
        const std::vector<BYTE> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(Read(cut), nullptr) << length;
    }
}

TEST_F(ReadPackedDIBTest, IgnoresALyingImageSizeOnUncompressedFiles)
{
    BmpFile bmp = MakeBmp(8, 4, 8, 4);
    bmp.info.biSizeImage = 0x7F000000;
    OwnedBlock block(Read(bmp));
    ASSERT_TRUE(block);
    const BlockView view(block.get());
    EXPECT_EQ(view.header.biSizeImage, 32u);
    EXPECT_EQ(view.rows, bmp.pixels);
}

TEST_F(ReadPackedDIBTest, ReadsFromWhereTheHandleIsAndLeavesItOpen)
{
    std::vector<BYTE> bytes = {'j', 'u', 'n', 'k'};
    const BmpFile bmp = MakeBmp(4, 2, 8, 2);
    const std::vector<BYTE> picture = bmp.Bytes();
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    ScratchDir dir;
    const auto path = WriteFile(dir / "embedded", bytes);
    HFILE file = _lopen(path.string().c_str(), OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    _llseek(file, 4, FILE_BEGIN);
    OwnedBlock block(ReadPackedDIB(file));
    ASSERT_TRUE(block);
    EXPECT_EQ(BlockView(block.get()).rows, bmp.pixels);
    EXPECT_EQ(_lclose(file), 0);
}

// ---- Run-length decoding ----------------------------------------------------------

std::vector<BYTE> Decode(LONG width, LONG height, const std::vector<BYTE>& data, std::size_t outSize = 0)
{
    BITMAPINFOHEADER header{kInfoHeaderSize, width, height, 1, 8, BI_RLE8, 0, 0, 0, 0, 0};
    std::vector<BYTE> out(outSize ? outSize : Stride(width, 8) * static_cast<DWORD>(height), 0xAA);
    DecodeRLE8(&header, out.data(), out.size(), data.data(), data.size());
    return out;
}

std::vector<BYTE> Rows(std::initializer_list<std::vector<BYTE>> rows)
{
    std::vector<BYTE> all;
    for (const auto& row : rows)
        all.insert(all.end(), row.begin(), row.end());
    return all;
}

TEST(DecodeRLE8, DecodesOrStopsAsEachCodeRequires)
{
    struct Case {
        const char* what;
        LONG width, height;
        std::vector<BYTE> data;
        std::vector<BYTE> expected;
        std::size_t outSize = 0;  // 0: the rows the header describes
    };
    const Case cases[] = {
        {"runs, end of line, end of picture", 8, 2, {3, 7, 0, 0, 2, 5, 0, 1},
         Rows({{7, 7, 7, 0, 0, 0, 0, 0}, {5, 5, 0, 0, 0, 0, 0, 0}})},
        {"nothing after end of picture", 4, 1, {0, 1, 2, 9}, Rows({{0, 0, 0, 0}})},
        // Three literal bytes, one padding byte (0xEE must not show), then a run.
        {"odd literal run is padded", 8, 1, {0, 3, 1, 2, 3, 0xEE, 2, 4, 0, 1}, Rows({{1, 2, 3, 4, 4, 0, 0, 0}})},
        {"even literal run is not", 8, 1, {0, 4, 1, 2, 3, 4, 1, 6, 0, 1}, Rows({{1, 2, 3, 4, 6, 0, 0, 0}})},
        {"delta skips right and up, skipped pixels zero", 4, 3, {1, 1, 0, 2, 2, 1, 1, 2, 0, 1},
         Rows({{1, 0, 0, 0}, {0, 0, 0, 2}, {0, 0, 0, 0}})},
        {"end of line after a delta starts the row reached", 4, 3, {0, 2, 1, 1, 0, 0, 1, 3, 0, 1},
         Rows({{0, 0, 0, 0}, {0, 0, 0, 0}, {3, 0, 0, 0}})},
        {"run past the last byte: not written, nor what follows", 4, 1, {2, 1, 3, 2, 1, 3}, Rows({{1, 1, 0, 0}})},
        {"literal run too long for what is left", 4, 1, {1, 1, 0, 4, 9, 9, 9, 9}, Rows({{1, 0, 0, 0}})},
        {"end of line on the last row, then more data", 4, 1, {1, 1, 0, 0, 4, 6}, Rows({{1, 0, 0, 0}})},
        {"delta far beyond the rows, then a run", 4, 2, {0, 2, 255, 255, 1, 1, 0, 0, 0, 2, 0, 255, 1, 1},
         Rows({{0, 0, 0, 0}, {0, 0, 0, 0}})},
        {"the size given wins over the header", 4, 100, {4, 5, 4, 6, 4, 7}, Rows({{5, 5, 5, 5}, {6, 6, 6, 6}}), 8},
        {"a run continues into the next row", 4, 2, {6, 3, 0, 0, 1, 8, 0, 1}, Rows({{3, 3, 3, 3}, {8, 3, 0, 0}})},
        {"data ends after an escape", 4, 1, {2, 6, 0}, Rows({{6, 6, 0, 0}})},
        {"data ends inside a delta", 4, 1, {2, 6, 0, 2, 1}, Rows({{6, 6, 0, 0}})},
        {"data ends inside a literal run", 4, 1, {0, 3, 1, 2}, Rows({{0, 0, 0, 0}})},
        {"missing padding after the last literal run", 4, 1, {0, 3, 1, 2, 3}, Rows({{1, 2, 3, 0}})},
        {"no data zero-fills", 4, 2, {}, std::vector<BYTE>(8, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Decode(c.width, c.height, c.data, c.outSize), c.expected) << c.what;
}

}  // namespace
}  // namespace vesper::test
