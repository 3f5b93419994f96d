// Blank blocks, header queries, sizes, palettes and the platform queries of
// the packed DIB routines.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "imaging/packed_dib.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/user/message_box.h"
#include "tests/imaging/bmp_test_support.h"
#include "tests/support/test_data.h"

namespace vesper::test {
namespace {

// Red, green, blue of the 16 colours a new block's table repeats.
constexpr COLORREF kStandard[16] = {
    RGB(0, 0, 0),       RGB(0x80, 0, 0),    RGB(0, 0x80, 0),    RGB(0x80, 0x80, 0),
    RGB(0, 0, 0x80),    RGB(0x80, 0, 0x80), RGB(0, 0x80, 0x80), RGB(0xC0, 0xC0, 0xC0),
    RGB(0x80, 0x80, 0x80), RGB(0xFF, 0, 0), RGB(0, 0xFF, 0),    RGB(0xFF, 0xFF, 0),
    RGB(0, 0, 0xFF),    RGB(0xFF, 0, 0xFF), RGB(0, 0xFF, 0xFF), RGB(0xFF, 0xFF, 0xFF),
};

COLORREF ColourOf(const RGBQUAD& entry)
{
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

TEST(CreatePackedDIB, EightBitBlockHasHeaderStandardColoursAndZeroPixels)
{
    OwnedBlock block(CreatePackedDIB(3, 2, 8));
    ASSERT_TRUE(block);
    const BlockView view(block.get());
    EXPECT_EQ(view.size, 1072u);  // 40 + 1024 + 2 rows of 4
    EXPECT_EQ(view.header.biSize, 40u);
    EXPECT_EQ(view.header.biWidth, 3);
    EXPECT_EQ(view.header.biHeight, 2);
    EXPECT_EQ(view.header.biPlanes, 1);
    EXPECT_EQ(view.header.biBitCount, 8);
    EXPECT_EQ(view.header.biCompression, 0u);
    EXPECT_EQ(view.header.biSizeImage, 0u);
    EXPECT_EQ(view.header.biClrUsed, 256u);
    ASSERT_EQ(view.table.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(ColourOf(view.table[i]), kStandard[i % 16]) << "entry " << i;
        EXPECT_EQ(view.table[i].rgbReserved, 0) << "entry " << i;
    }
    EXPECT_EQ(view.rows, std::vector<BYTE>(8, 0));
}

TEST(CreatePackedDIB, RoundsTheDepthUp)
{
    struct Case {
        WORD asked;
        WORD depth;
        DWORD colours;
    };
    for (const Case c : {Case{0, 1, 2}, Case{1, 1, 2}, Case{2, 4, 16}, Case{4, 4, 16}, Case{5, 8, 256}, Case{8, 8, 256},
                         Case{9, 24, 0}, Case{16, 24, 0}, Case{24, 24, 0}, Case{32, 4, 16}}) {
        OwnedBlock block(CreatePackedDIB(5, 3, c.asked));
        ASSERT_TRUE(block) << c.asked;
        const BlockView view(block.get());
        EXPECT_EQ(view.header.biBitCount, c.depth) << c.asked;
        EXPECT_EQ(view.header.biClrUsed, c.colours) << c.asked;
        EXPECT_EQ(view.size, 40 + c.colours * 4 + Stride(5, c.depth) * 3) << c.asked;
    }
}

TEST(CreatePackedDIB, FourBitTableHoldsTheSixteenColoursOnceAndOneBitStaysBlack)
{
    OwnedBlock four(CreatePackedDIB(1, 1, 4));
    const BlockView fourView(four.get());
    ASSERT_EQ(fourView.table.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(ColourOf(fourView.table[i]), kStandard[i]);

    OwnedBlock one(CreatePackedDIB(1, 1, 1));
    const BlockView oneView(one.get());
    ASSERT_EQ(oneView.table.size(), 2u);
    EXPECT_EQ(ColourOf(oneView.table[0]), 0u);
    EXPECT_EQ(ColourOf(oneView.table[1]), 0u);
}

TEST(CreatePackedDIB, RefusesNegativeAndOversizedPictures)
{
    EXPECT_EQ(CreatePackedDIB(-1, 2, 8), nullptr);
    EXPECT_EQ(CreatePackedDIB(2, -1, 8), nullptr);
    // 65536 × 65536 at 24 bits does not fit a 32-bit size.
    EXPECT_EQ(CreatePackedDIB(65536, 65536, 24), nullptr);
    OwnedBlock empty(CreatePackedDIB(0, 0, 8));
    ASSERT_TRUE(empty);
    EXPECT_EQ(GlobalSize(empty.get()), 40u + 1024u);
}

// A 12-byte core header laid out in memory.
std::vector<BYTE> CoreHeader(WORD width, WORD height, WORD bits)
{
    const BITMAPCOREHEADER core{kCoreHeaderSize, width, height, 1, bits};
    std::vector<BYTE> bytes(kInfoHeaderSize, 0);  // room, so a wrong reader would not run off
    std::memcpy(bytes.data(), &core, sizeof core);
    return bytes;
}

TEST(PackedDIBHeader, InfoAndCoreHeadersGiveSizeAndColours)
{
    BITMAPINFOHEADER info{};
    info.biSize = kInfoHeaderSize;
    info.biWidth = 70000;
    info.biHeight = -5;
    info.biBitCount = 8;
    EXPECT_EQ(PackedDIBWidth(&info), 70000);
    EXPECT_EQ(PackedDIBHeight(&info), -5);
    EXPECT_EQ(PackedDIBColorCount(&info), 256u);
    EXPECT_EQ(PackedDIBPaletteSize(&info), 1024u);
    info.biClrUsed = 65;
    EXPECT_EQ(PackedDIBColorCount(&info), 65u);
    EXPECT_EQ(PackedDIBPaletteSize(&info), 260u);
    info.biClrUsed = 0;
    for (const auto& [bits, colours] : {std::pair<WORD, UINT>{1, 2}, {4, 16}, {2, 0}, {16, 0}, {24, 0}, {32, 0}}) {
        info.biBitCount = bits;
        EXPECT_EQ(PackedDIBColorCount(&info), colours) << bits;
    }

    // Width 0xFFFF is zero-extended, not read as -1.
    const std::vector<BYTE> core = CoreHeader(0xFFFF, 0x8000, 4);
    const auto* coreHeader = reinterpret_cast<const BITMAPINFOHEADER*>(core.data());
    EXPECT_EQ(PackedDIBWidth(coreHeader), 65535);
    EXPECT_EQ(PackedDIBHeight(coreHeader), 32768);
    EXPECT_EQ(PackedDIBColorCount(coreHeader), 16u);
    EXPECT_EQ(PackedDIBPaletteSize(coreHeader), 48u);  // 3-byte entries
}

TEST(PackedDIBHeader, AbsurdColourCountIsNotTruncated)
{
    BITMAPINFOHEADER info{};
    info.biSize = kInfoHeaderSize;
    info.biBitCount = 8;
    info.biClrUsed = 0x10001;  // a 16-bit result would say 1
    EXPECT_EQ(PackedDIBColorCount(&info), 0x10001u);
    EXPECT_EQ(PackedDIBPaletteSize(&info), 0x40004u);
    info.biClrUsed = 0xFFFFFFFF;
    EXPECT_EQ(PackedDIBPaletteSize(&info), 0xFFFFFFFFu);
}

TEST(PackedDIBHeader, ColourCountOfABlock)
{
    EXPECT_EQ(PackedDIBColorCountOf(nullptr), 0u);
    OwnedBlock eight(CreatePackedDIB(2, 2, 8));
    EXPECT_EQ(PackedDIBColorCountOf(eight.get()), 256u);
    OwnedBlock rgb(CreatePackedDIB(2, 2, 24));
    EXPECT_EQ(PackedDIBColorCountOf(rgb.get()), 0u);
    // A block too small for its header is not read past its end.
    OwnedBlock tiny(GlobalAlloc(GHND, 8));
    *static_cast<DWORD*>(GlobalLock(tiny.get())) = kInfoHeaderSize;
    GlobalUnlock(tiny.get());
    EXPECT_EQ(PackedDIBColorCountOf(tiny.get()), 0u);
}

TEST(PackedDIBSize, StrideRoundsRowsToFourBytes)
{
    EXPECT_EQ(PackedDIBStride(3, 8), 4u);
    EXPECT_EQ(PackedDIBStride(4, 8), 4u);
    EXPECT_EQ(PackedDIBStride(5, 8), 8u);
    EXPECT_EQ(PackedDIBStride(45, 4), 24u);
    EXPECT_EQ(PackedDIBStride(127, 1), 16u);
    EXPECT_EQ(PackedDIBStride(3, 24), 12u);
    EXPECT_EQ(PackedDIBStride(0, 8), 0u);
    EXPECT_FALSE(PackedDIBStride(-1, 8));
    EXPECT_EQ(PackedDIBStride(std::numeric_limits<LONG>::max(), 8), 0x80000000u);
    EXPECT_FALSE(PackedDIBStride(std::numeric_limits<LONG>::max(), 24));
}

TEST(PackedDIBSize, StoredSizeOfBlocksAsTheSceneKeepsThem)
{
    // 640 × 480 × 8 with 65 colours: 40 + 260 + 307200.
    BITMAPINFOHEADER info{kInfoHeaderSize, 640, 480, 1, 8, 0, 0, 0, 0, 65, 0};
    EXPECT_EQ(PackedDIBStoredSize(&info, 307500), 307500u);
    EXPECT_FALSE(PackedDIBStoredSize(&info, 307499));  // the block is one byte short
    // 8 bits, colours used 0: a full 256-entry table.
    info.biClrUsed = 0;
    info.biWidth = 3;
    info.biHeight = 2;
    EXPECT_EQ(PackedDIBStoredSize(&info, 5000), 40u + 1024u + 8u);
    // 45 × 45 × 4 with 16 colours: 40 + 64 + 24 × 45.
    info = BITMAPINFOHEADER{kInfoHeaderSize, 45, 45, 1, 4, 0, 0, 0, 0, 16, 0};
    EXPECT_EQ(PackedDIBStoredSize(&info, 1184), 1184u);
    // 3 × 2 × 24: no colour table.
    info = BITMAPINFOHEADER{kInfoHeaderSize, 3, 2, 1, 24, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(PackedDIBStoredSize(&info, 64), 64u);
}

TEST(PackedDIBSize, StoredSizeRefusesHeadersItCannotMeasure)
{
    BITMAPINFOHEADER info{kInfoHeaderSize, 3, 2, 1, 8, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(PackedDIBStoredSize(&info, 39));  // header not all there
    for (const LONG bad : {0, -1}) {
        BITMAPINFOHEADER wrong = info;
        wrong.biWidth = bad;
        EXPECT_FALSE(PackedDIBStoredSize(&wrong, 1u << 20)) << "width " << bad;
        wrong = info;
        wrong.biHeight = bad;
        EXPECT_FALSE(PackedDIBStoredSize(&wrong, 1u << 20)) << "height " << bad;
    }
    BITMAPINFOHEADER wrong = info;
    wrong.biSize = 108;
    EXPECT_FALSE(PackedDIBStoredSize(&wrong, 1u << 20));
    wrong = info;
    wrong.biBitCount = 0;
    EXPECT_FALSE(PackedDIBStoredSize(&wrong, 1u << 20));
    // Sizes whose sum passes 32 bits.
    wrong = BITMAPINFOHEADER{kInfoHeaderSize, 0x10000, 0x10000, 1, 8, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(PackedDIBStoredSize(&wrong, std::numeric_limits<std::size_t>::max()));
    wrong = info;
    wrong.biClrUsed = 0x3FFFFFFF;
    EXPECT_FALSE(PackedDIBStoredSize(&wrong, std::numeric_limits<std::size_t>::max()));

    const std::vector<BYTE> core = CoreHeader(4, 2, 8);
    EXPECT_EQ(PackedDIBStoredSize(reinterpret_cast<const BITMAPINFOHEADER*>(core.data()), 12 + 768 + 8), 12u + 768u + 8u);
}

// A palette's entries as colour values.
std::vector<COLORREF> PaletteColours(HPALETTE palette)
{
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(palette, 0, 0, nullptr));
    GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
    std::vector<COLORREF> colours;
    for (const PALETTEENTRY& e : entries) {
        EXPECT_EQ(e.peFlags, 0);
        colours.push_back(RGB(e.peRed, e.peGreen, e.peBlue));
    }
    return colours;
}

TEST(CreatePackedDIBPalette, OneEntryPerColourOfTheTable)
{
    OwnedBlock block(CreatePackedDIB(2, 2, 4));
    auto* table = reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(GlobalLock(block.get())) + 40);
    table[3] = RGBQUAD{0x30, 0x20, 0x10, 0};  // blue, green, red
    GlobalUnlock(block.get());

    const HPALETTE palette = CreatePackedDIBPalette(block.get());
    ASSERT_NE(palette, nullptr);
    const std::vector<COLORREF> colours = PaletteColours(palette);
    ASSERT_EQ(colours.size(), 16u);
    EXPECT_EQ(colours[3], RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(colours[9], RGB(0xFF, 0, 0));
    EXPECT_EQ(GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u);  // unlocked again
    DeleteObject(palette);
}

TEST(CreatePackedDIBPalette, CoreHeaderTableHasThreeByteEntries)
{
    std::vector<BYTE> core = CoreHeader(1, 1, 1);
    core.resize(12);
    const BYTE entries[] = {1, 2, 3, 4, 5, 6};  // two entries: blue, green, red
    core.insert(core.end(), entries, entries + 6);
    core.resize(core.size() + 4);
    OwnedBlock block(GlobalAlloc(GHND, core.size()));
    std::memcpy(GlobalLock(block.get()), core.data(), core.size());
    GlobalUnlock(block.get());

    const HPALETTE palette = CreatePackedDIBPalette(block.get());
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(PaletteColours(palette), (std::vector<COLORREF>{RGB(3, 2, 1), RGB(6, 5, 4)}));
    DeleteObject(palette);
}

TEST(CreatePackedDIBPalette, NoPaletteWithoutColoursOrWithATableLargerThanTheBlock)
{
    EXPECT_EQ(CreatePackedDIBPalette(nullptr), nullptr);
    OwnedBlock rgb(CreatePackedDIB(2, 2, 24));
    EXPECT_EQ(CreatePackedDIBPalette(rgb.get()), nullptr);

    OwnedBlock lying(CreatePackedDIB(2, 2, 8));
    static_cast<BITMAPINFOHEADER*>(GlobalLock(lying.get()))->biClrUsed = 100000;
    GlobalUnlock(lying.get());
    EXPECT_EQ(CreatePackedDIBPalette(lying.get()), nullptr);
    EXPECT_EQ(GlobalFlags(lying.get()) & GMEM_LOCKCOUNT, 0u);
}

TEST(FillColorTable, CopiesPaletteEntriesAsBlueGreenRed)
{
    OwnedBlock block(CreatePackedDIB(2, 2, 8));
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block.get()));
    std::vector<BYTE> record(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(record.data());
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = 3;
    logPalette->palPalEntry[0] = {1, 2, 3, 0};
    logPalette->palPalEntry[1] = {4, 5, 6, 0};
    logPalette->palPalEntry[2] = {7, 8, 9, 0};
    const HPALETTE palette = CreatePalette(logPalette);
    ASSERT_NE(palette, nullptr);

    EXPECT_EQ(FillColorTable(header, palette), TRUE);
    const auto* table = reinterpret_cast<const RGBQUAD*>(header + 1);
    EXPECT_TRUE(SameColour(table[0], RGBQUAD{3, 2, 1, 0}));
    EXPECT_TRUE(SameColour(table[2], RGBQUAD{9, 8, 7, 0}));
    // Entries the palette does not have are black rather than left as they were.
    EXPECT_TRUE(SameColour(table[3], RGBQUAD{0, 0, 0, 0}));
    EXPECT_TRUE(SameColour(table[255], RGBQUAD{0, 0, 0, 0}));
    GlobalUnlock(block.get());
    DeleteObject(palette);
}

TEST(FillColorTable, NullPaletteMeansTheStockPalette)
{
    OwnedBlock block(CreatePackedDIB(2, 2, 4));
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block.get()));
    auto* table = reinterpret_cast<RGBQUAD*>(header + 1);
    std::fill(table, table + 16, RGBQUAD{0x12, 0x34, 0x56, 0});
    EXPECT_EQ(FillColorTable(header, nullptr), TRUE);

    const auto stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    std::vector<PALETTEENTRY> entries(16, PALETTEENTRY{0, 0, 0, 0});
    const UINT got = GetPaletteEntries(stock, 0, 16, entries.data());
    ASSERT_GT(got, 0u);
    for (UINT i = 0; i < 16; ++i) {
        const PALETTEENTRY expected = i < got ? entries[i] : PALETTEENTRY{0, 0, 0, 0};
        EXPECT_TRUE(SameColour(table[i], RGBQUAD{expected.peBlue, expected.peGreen, expected.peRed, 0})) << i;
    }
    GlobalUnlock(block.get());
}

TEST(FillColorTable, TwentyFourBitHeaderIsLeftAloneAndNullHeaderFails)
{
    OwnedBlock block(CreatePackedDIB(3, 2, 24));
    const std::vector<BYTE> before = BlockView(block.get()).rows;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block.get()));
    EXPECT_EQ(FillColorTable(header, nullptr), TRUE);
    GlobalUnlock(block.get());
    EXPECT_EQ(BlockView(block.get()).rows, before);
    EXPECT_EQ(BlockView(block.get()).header.biClrUsed, 0u);
    EXPECT_EQ(FillColorTable(nullptr, nullptr), FALSE);
}

TEST(ReadFileChunked, ReadsAcrossChunksAndFailsOnAShortFile)
{
    ScratchDir dir;
    std::vector<BYTE> bytes(kFileChunkBytes * 2 + 5);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i * 13);
    const auto path = WriteFile(dir / "data", bytes);

    HFILE file = _lopen(path.c_str(), OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    std::vector<BYTE> read(bytes.size());
    EXPECT_EQ(ReadFileChunked(file, read.data(), static_cast<DWORD>(read.size())), TRUE);
    EXPECT_EQ(read, bytes);
    _llseek(file, 0, FILE_BEGIN);
    std::vector<BYTE> more(bytes.size() + 1);
    EXPECT_EQ(ReadFileChunked(file, more.data(), static_cast<DWORD>(more.size())), FALSE);
    _lclose(file);
}

TEST(PlatformQueries, IsExistingFileNamesFilesOnly)
{
    ScratchDir dir;
    const auto path = WriteFile(dir / "picture.bmp", {1, 2, 3});
    EXPECT_EQ(IsExistingFile(path.c_str()), TRUE);
    EXPECT_EQ(IsExistingFile(dir.path().c_str()), FALSE);
    EXPECT_EQ(IsExistingFile((dir / "missing.bmp").c_str()), FALSE);
    EXPECT_EQ(IsExistingFile((dir / "*.bmp").c_str()), FALSE);
    EXPECT_EQ(IsExistingFile(""), FALSE);
    EXPECT_EQ(IsExistingFile(nullptr), FALSE);
}

TEST(PlatformQueries, ReadPackedDIBFileOfAMissingPathShowsNothing)
{
    ScratchDir dir;
    int boxes = 0;
    auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest&) { return ++boxes, IDOK; });
    EXPECT_EQ(ReadPackedDIBFile((dir / "missing.bmp").c_str()), nullptr);
    EXPECT_EQ(ReadPackedDIBFile(nullptr), nullptr);
    platform::SetMessageBoxHandler(previous);
    EXPECT_EQ(boxes, 0);
}

TEST(PlatformQueries, DisplayColourDepthFollowsTheDisplay)
{
    platform::UseHeadlessDisplay({64, 48, 8});
    EXPECT_EQ(GetDisplayColorDepth(), 8);
    platform::UseHeadlessDisplay({64, 48, 24});
    EXPECT_EQ(GetDisplayColorDepth(), 24);
}

}  // namespace
}  // namespace vesper::test
