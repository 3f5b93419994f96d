// Pictures read for scenes: the stored depth chosen for PNGs, transparency
// turned into one key colour, .bmp files taken byte for byte or through the
// player's reader, and what authors are warned about.
#include <gtest/gtest.h>

#include <cstring>

#include <png.h>

#include "imaging/packed_dib.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/picture_files.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::ScratchDir;

BITMAPINFOHEADER HeaderOf(const std::vector<BYTE>& block)
{
    BITMAPINFOHEADER header{};
    std::memcpy(&header, block.data(), sizeof header);
    return header;
}

// `count` distinct opaque colours, one per pixel, repeated to fill w x h.
std::vector<std::uint32_t> DistinctColours(int count, int pixels)
{
    std::vector<std::uint32_t> rgba;
    for (int i = 0; i < pixels; ++i) {
        const int c = i % count;
        rgba.push_back(Rgba(static_cast<BYTE>(c), static_cast<BYTE>(255 - c), static_cast<BYTE>(c * 7 / 3)));
    }
    return rgba;
}

PackedPicture ReadPng(const ScratchDir& dir, LONG width, LONG height, const std::vector<std::uint32_t>& rgba,
                      PictureRole role = PictureRole::sprite, std::uint32_t format = PNG_FORMAT_RGBA)
{
    const auto path = dir / "picture.png";
    WritePng(path, width, height, rgba, format);
    auto read = ReadPictureFile(path.string(), role);
    EXPECT_TRUE(read) << read.error;
    return read ? *read.value : PackedPicture{};
}

// Every pixel of the stored picture has the colour the PNG gave it.
void ExpectSameColours(const PackedPicture& picture, LONG width, LONG height, const std::vector<std::uint32_t>& rgba)
{
    const auto view = PackedPictureView::Of(picture.block);
    ASSERT_TRUE(view);
    ASSERT_EQ(view->Width(), width);
    ASSERT_EQ(view->Height(), height);
    for (LONG row = 0; row < height; ++row) {
        for (LONG x = 0; x < width; ++x) {
            const std::uint32_t expected = rgba[row * width + x];
            const auto colour = view->ColourAt(x, height - 1 - row);
            ASSERT_TRUE(colour);
            ASSERT_EQ(*colour, (Rgb{static_cast<BYTE>(expected >> 24), static_cast<BYTE>(expected >> 16),
                                    static_cast<BYTE>(expected >> 8)}))
                << "pixel " << x << ", " << row;
        }
    }
}

TEST(PngDepth, TheFewestBitsThatHoldTheColoursWithTheRealColourCount)
{
    ScratchDir dir;
    struct Case {
        int colours;
        WORD bits;
        DWORD coloursUsed;
    };
    // 17 x 13 pixels: odd widths exercise the row padding of every depth.
    for (const Case c : {Case{2, 4, 2}, Case{16, 4, 16}, Case{17, 8, 17}, Case{200, 8, 200}, Case{221, 8, 221}}) {
        const auto rgba = DistinctColours(c.colours, 17 * 13);
        const PackedPicture picture = ReadPng(dir, 17, 13, rgba, PictureRole::background, PNG_FORMAT_RGB);
        const BITMAPINFOHEADER header = HeaderOf(picture.block);
        EXPECT_EQ(header.biBitCount, c.bits) << c.colours;
        EXPECT_EQ(header.biClrUsed, c.coloursUsed) << c.colours;
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const DWORD stride = ((c.bits * 17 + 31) / 32) * 4;
        EXPECT_EQ(picture.block.size(), 40 + 4 * c.coloursUsed + stride * 13) << c.colours;
        EXPECT_EQ(header.biSizeImage, stride * 13);
        ExpectSameColours(picture, 17, 13, rgba);
        EXPECT_TRUE(picture.warnings.empty());
    }
}

TEST(PngDepth, MoreThan256ColoursAreStoredAtTwentyFourBits)
{
    ScratchDir dir;
    const auto rgba = DistinctColours(257, 30 * 9);
    const PackedPicture picture = ReadPng(dir, 30, 9, rgba, PictureRole::background);
    const BITMAPINFOHEADER header = HeaderOf(picture.block);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(picture.block.size(), 40u + 92 * 9);  // stride 90 padded to 92
    ExpectSameColours(picture, 30, 9, rgba);
}

TEST(PngDepth, TheColourTableStartsWithTheBottomLeftPixel)
{
    ScratchDir dir;
    const std::vector<std::uint32_t> rgba = {Rgba(1, 1, 1), Rgba(2, 2, 2), Rgba(3, 3, 3), Rgba(9, 9, 9)};
    const PackedPicture picture = ReadPng(dir, 2, 2, rgba, PictureRole::background);
    const auto view = PackedPictureView::Of(picture.block);
    EXPECT_EQ(view->IndexAt(0, 0), 0u);  // (3, 3, 3): first stored pixel
    EXPECT_EQ(view->IndexAt(1, 0), 1u);
    EXPECT_EQ(view->IndexAt(0, 1), 2u);
}

TEST(PngDepth, GreyPngsGiveGreyColours)
{
    ScratchDir dir;
    const std::vector<std::uint32_t> rgba = {Rgba(0, 0, 0), Rgba(90, 0, 0), Rgba(255, 0, 0)};
    const PackedPicture picture = ReadPng(dir, 3, 1, rgba, PictureRole::background, PNG_FORMAT_GRAY);
    const auto view = PackedPictureView::Of(picture.block);
    EXPECT_EQ(view->ColourAt(1, 0), (Rgb{90, 90, 90}));
    EXPECT_EQ(view->ColourAt(2, 0), (Rgb{255, 255, 255}));
}

TEST(PngTransparency, TransparentPixelsTakeOneKeyColourThatNoOpaquePixelHas)
{
    ScratchDir dir;
    constexpr std::uint32_t clear = Rgba(255, 0, 255, 0);
    // Opaque magenta is part of the picture, so the key must be another colour.
    const std::vector<std::uint32_t> rgba = {clear, Rgba(255, 0, 255), Rgba(0, 255, 255), clear,
                                             clear, Rgba(10, 20, 30),  Rgba(12, 34, 56, 0), clear};
    const PackedPicture picture = ReadPng(dir, 4, 2, rgba);
    EXPECT_TRUE(picture.warnings.empty()) << picture.warnings.front();
    const auto view = PackedPictureView::Of(picture.block);
    const Rgb key = *view->ColourAt(0, 0);
    EXPECT_NE(key, (Rgb{255, 0, 255}));
    EXPECT_NE(key, (Rgb{0, 255, 255}));
    for (LONG x : {0, 3})
        EXPECT_EQ(view->ColourAt(x, 1), key);
    EXPECT_EQ(view->ColourAt(2, 0), key);  // transparent whatever colour it held
    EXPECT_EQ(view->ColourAt(1, 1), (Rgb{255, 0, 255}));
    EXPECT_EQ(view->ColourAt(1, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(HeaderOf(picture.block).biClrUsed, 4u);
}

TEST(PngTransparency, PartlyTransparentPixelsAreMadeOpaqueOrTransparentAtHalf)
{
    ScratchDir dir;
    constexpr std::uint32_t clear = Rgba(0, 0, 0, 0);
    const std::vector<std::uint32_t> rgba = {clear, Rgba(200, 10, 10, 128), Rgba(10, 200, 10, 127), clear};
    const PackedPicture picture = ReadPng(dir, 4, 1, rgba);
    const auto view = PackedPictureView::Of(picture.block);
    const Rgb key = *view->ColourAt(0, 0);
    EXPECT_EQ(view->ColourAt(1, 0), (Rgb{200, 10, 10}));
    EXPECT_EQ(view->ColourAt(2, 0), key);
    ASSERT_EQ(picture.warnings.size(), 1u);
    EXPECT_NE(picture.warnings[0].find("2 partly transparent pixels"), std::string::npos);
}

TEST(PngTransparency, CornersThatAreNotTransparentAreWarnedAbout)
{
    ScratchDir dir;
    constexpr std::uint32_t clear = Rgba(0, 0, 0, 0);
    constexpr std::uint32_t red = Rgba(255, 0, 0);
    // Two rows: the top row is stored last.
    auto warnings = ReadPng(dir, 2, 2, {clear, red, red, red}).warnings;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("bottom-left pixel is not transparent"), std::string::npos);
    warnings = ReadPng(dir, 2, 2, {red, red, clear, red}).warnings;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("top-left pixel is not transparent"), std::string::npos);
    // Without transparency, the corners must share the colour that is left out.
    warnings = ReadPng(dir, 2, 2, {Rgba(0, 0, 255), red, red, red}).warnings;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("(#0000FF) and bottom-left pixel (#FF0000) differ"), std::string::npos);
}

TEST(PngTransparency, ABackgroundKeepsItsColoursAndIsWarned)
{
    ScratchDir dir;
    const std::vector<std::uint32_t> rgba = {Rgba(10, 20, 30, 0), Rgba(40, 50, 60)};
    const PackedPicture picture = ReadPng(dir, 2, 1, rgba, PictureRole::background);
    EXPECT_EQ(PackedPictureView::Of(picture.block)->ColourAt(0, 0), (Rgb{10, 20, 30}));
    ASSERT_EQ(picture.warnings.size(), 1u);
    EXPECT_NE(picture.warnings[0].find("background cannot show"), std::string::npos);
}

TEST(PngFiles, OversizedDamagedAndForeignFilesAreRefused)
{
    ScratchDir dir;
    WritePng(dir / "wide.png", 9000, 1, std::vector<std::uint32_t>(9000, Rgba(1, 2, 3)), PNG_FORMAT_RGB);
    auto read = ReadPictureFile((dir / "wide.png").string(), PictureRole::sprite);
    EXPECT_FALSE(read);
    EXPECT_NE(read.error.find("9000 x 1"), std::string::npos);

    WritePng(dir / "cut.png", 64, 64, DistinctColours(64, 64 * 64), PNG_FORMAT_RGB);
    auto bytes = ReadFile(dir / "cut.png");
    bytes.resize(bytes.size() / 2);
    WriteFile(dir / "cut.png", bytes);
    read = ReadPictureFile((dir / "cut.png").string(), PictureRole::sprite);
    EXPECT_FALSE(read);
    EXPECT_NE(read.error.find("PNG"), std::string::npos);

    WriteFile(dir / "text.png", {'h', 'e', 'l', 'l', 'o'});
    read = ReadPictureFile((dir / "text.png").string(), PictureRole::sprite);
    EXPECT_EQ(read.error, "neither a PNG nor a .bmp picture");
    read = ReadPictureFile((dir / "absent.png").string(), PictureRole::sprite);
    EXPECT_EQ(read.error, "cannot read the file");
}

TEST(BmpFiles, AStoredPictureComesBackByteForByte)
{
    ScratchDir dir;
    for (const WORD bits : {1, 4, 8, 24}) {
        // Header fields the player ignores and the row padding are kept too.
        const auto block = PackedBytes(5, 3, bits, bits == 24 ? 0 : 2, 0x00);
        WriteFile(dir / "p.bmp", BmpFileOf(block));
        const auto read = ReadPictureFile((dir / "p.bmp").string(), PictureRole::background);
        ASSERT_TRUE(read) << read.error;
        EXPECT_EQ(read.value->block, block) << bits;
        // Trailing bytes after the picture are not part of it.
        auto padded = BmpFileOf(block);
        padded.insert(padded.end(), {0, 0});
        WriteFile(dir / "p.bmp", padded);
        EXPECT_EQ(ReadPictureFile((dir / "p.bmp").string(), PictureRole::background).value->block, block);
    }
}

TEST(BmpFiles, OtherLayoutsGoThroughThePlayersReader)
{
    ScratchDir dir;
    // A 4 x 2 run-length picture: bottom row four pixels of index 1, top row of index 0.
    std::vector<BYTE> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 4;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RLE8;
    header.biClrUsed = 2;
    const BYTE* headerBytes = reinterpret_cast<const BYTE*>(&header);
    file.insert(file.end(), headerBytes, headerBytes + 40);
    file.insert(file.end(), {0, 0, 0, 0, 0, 0, 255, 0});  // black, red
    const DWORD dataOffset = static_cast<DWORD>(file.size());
    file.insert(file.end(), {4, 1, 0, 0, 4, 0, 0, 1});
    std::memcpy(&file[10], &dataOffset, 4);
    const DWORD fileSize = static_cast<DWORD>(file.size());
    std::memcpy(&file[2], &fileSize, 4);
    WriteFile(dir / "rle.bmp", file);

    const auto read = ReadPictureFile((dir / "rle.bmp").string(), PictureRole::sprite);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(HeaderOf(read.value->block).biCompression, static_cast<DWORD>(BI_RGB));
    const auto view = PackedPictureView::Of(read.value->block);
    EXPECT_EQ(view->ColourAt(3, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(view->ColourAt(0, 1), (Rgb{0, 0, 0}));
    // A sprite whose corners differ is worth a warning whatever its format.
    ASSERT_EQ(read.value->warnings.size(), 1u);
    EXPECT_NE(read.value->warnings[0].find("differ"), std::string::npos);
}

TEST(BmpFiles, RefusedFilesAndIndexesBeyondTheColourTable)
{
    ScratchDir dir;
    auto block = PackedBytes(4, 1, 8, 2, 0x00);
    block[40 + 8 + 2] = 5;  // one pixel names colour 5 of 2
    WriteFile(dir / "p.bmp", BmpFileOf(block));
    const auto read = ReadPictureFile((dir / "p.bmp").string(), PictureRole::background);
    ASSERT_TRUE(read);
    ASSERT_EQ(read.value->warnings.size(), 1u);
    EXPECT_EQ(read.value->warnings[0], "1 pixel uses colour indexes beyond its 2-entry colour table");

    auto file = BmpFileOf(PackedBytes(4, 4, 8, 0, 0));
    file.resize(200);  // the rows are missing
    WriteFile(dir / "short.bmp", file);
    EXPECT_FALSE(ReadPictureFile((dir / "short.bmp").string(), PictureRole::background));
}

}  // namespace
