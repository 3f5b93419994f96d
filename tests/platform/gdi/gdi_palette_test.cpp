#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32.h"
#include "tests/platform/gdi/gdi_test_dib.h"

namespace {

constexpr WORD kPaletteVersion = 0x300;

// A palette of `count` entries, entry i being `colourOf(i)`.
template <typename ColourOf>
HPALETTE MakePalette(int count, ColourOf colourOf)
{
    std::vector<PALETTEENTRY> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(colourOf(i));
    return vesper::test::MakePalette(entries);
}

PALETTEENTRY Grey(int i) { return PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0}; }

bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

TEST(LogicalPalette, CreatedEntriesReadBackWithTheirFlags)
{
    HPALETTE palette = MakePalette(3, [](int i) {
        return PALETTEENTRY{BYTE(i), BYTE(10 + i), BYTE(20 + i), BYTE(i == 1 ? PC_NOCOLLAPSE : 0)};
    });
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u) << "a null buffer asks for the size";
    std::array<PALETTEENTRY, 3> read{};
    ASSERT_EQ(GetPaletteEntries(palette, 0, 3, read.data()), 3u);
    EXPECT_TRUE(Same(read[0], PALETTEENTRY{0, 10, 20, 0}));
    EXPECT_TRUE(Same(read[1], PALETTEENTRY{1, 11, 21, PC_NOCOLLAPSE}));
    EXPECT_TRUE(Same(read[2], PALETTEENTRY{2, 12, 22, 0}));
    EXPECT_TRUE(DeleteObject(palette));
}

TEST(LogicalPalette, CreationRefusesBadRecords)
{
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + 1100 * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = kPaletteVersion;
    logical->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(logical), nullptr) << "no entries";
    logical->palNumEntries = 1025;
    EXPECT_EQ(CreatePalette(logical), nullptr) << "more than 1024 entries";
    logical->palNumEntries = 1024;
    HPALETTE largest = CreatePalette(logical);
    EXPECT_NE(largest, nullptr);
    DeleteObject(largest);
    logical->palVersion = 0x200;
    logical->palNumEntries = 4;
    EXPECT_EQ(CreatePalette(logical), nullptr) << "wrong version";
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST(LogicalPalette, RangesAreClampedToThePalette)
{
    HPALETTE palette = MakePalette(8, Grey);
    std::array<PALETTEENTRY, 8> buffer{};
    std::array<PALETTEENTRY, 8> red{};
    red.fill(PALETTEENTRY{255, 0, 0, 0});

    EXPECT_EQ(GetPaletteEntries(palette, 6, 5, buffer.data()), 2u);
    EXPECT_TRUE(Same(buffer[0], Grey(6)));
    EXPECT_TRUE(Same(buffer[1], Grey(7)));
    EXPECT_EQ(GetPaletteEntries(palette, 8, 1, buffer.data()), 0u) << "start at the end";
    EXPECT_EQ(GetPaletteEntries(palette, 0xFFFFFFFFu, 4, buffer.data()), 0u) << "start far past the end";

    EXPECT_EQ(SetPaletteEntries(palette, 5, 8, red.data()), 3u);
    EXPECT_EQ(SetPaletteEntries(palette, 8, 1, red.data()), 0u);
    EXPECT_EQ(SetPaletteEntries(palette, 0, 1, nullptr), 0u);
    ASSERT_EQ(GetPaletteEntries(palette, 0, 8, buffer.data()), 8u);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Same(buffer[i], Grey(i))) << "entry " << i << " outside the range changed";
    for (int i = 5; i < 8; ++i)
        EXPECT_TRUE(Same(buffer[i], red[0])) << "entry " << i;
    DeleteObject(palette);
}

TEST(LogicalPalette, ResizeKeepsEntriesAndAddsBlackOnes)
{
    HPALETTE palette = MakePalette(4, [](int) { return PALETTEENTRY{9, 9, 9, PC_RESERVED}; });
    ASSERT_TRUE(ResizePalette(palette, 6));
    std::array<PALETTEENTRY, 6> read{};
    ASSERT_EQ(GetPaletteEntries(palette, 0, 6, read.data()), 6u);
    EXPECT_TRUE(Same(read[3], PALETTEENTRY{9, 9, 9, PC_RESERVED}));
    EXPECT_TRUE(Same(read[4], PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_TRUE(Same(read[5], PALETTEENTRY{0, 0, 0, 0}));

    ASSERT_TRUE(ResizePalette(palette, 2));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 2u);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 6, read.data()), 2u);
    EXPECT_FALSE(ResizePalette(palette, 0));
    EXPECT_FALSE(ResizePalette(palette, 1025));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 2u) << "a refused resize changes nothing";
    DeleteObject(palette);
}

TEST(StockPalette, HoldsTheTwentyStaticColoursAndCannotBeChanged)
{
    auto stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), stock) << "one stock object";
    std::array<PALETTEENTRY, 20> entries{};
    ASSERT_EQ(GetPaletteEntries(stock, 0, 256, entries.data()), 20u);
    const COLORREF expected[20] = {
        RGB(0, 0, 0),          RGB(0x80, 0, 0),       RGB(0, 0x80, 0),       RGB(0x80, 0x80, 0),
        RGB(0, 0, 0x80),       RGB(0x80, 0, 0x80),    RGB(0, 0x80, 0x80),    RGB(0xC0, 0xC0, 0xC0),
        RGB(0xC0, 0xDC, 0xC0), RGB(0xA4, 0xC8, 0xF0), RGB(0xFF, 0xFB, 0xF0), RGB(0xA0, 0xA0, 0xA4),
        RGB(0x80, 0x80, 0x80), RGB(0xFF, 0, 0),       RGB(0, 0xFF, 0),       RGB(0xFF, 0xFF, 0),
        RGB(0, 0, 0xFF),       RGB(0xFF, 0, 0xFF),    RGB(0, 0xFF, 0xFF),    RGB(0xFF, 0xFF, 0xFF)};
    for (int i = 0; i < 20; ++i) {
        const PALETTEENTRY& e = entries[i];
        EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), expected[i]) << "stock entry " << i;
        EXPECT_EQ(e.peFlags, 0) << "stock entry " << i;
    }

    const PALETTEENTRY white{255, 255, 255, 0};
    EXPECT_EQ(SetPaletteEntries(stock, 0, 1, &white), 0u);
    EXPECT_FALSE(ResizePalette(stock, 30));
    EXPECT_TRUE(DeleteObject(stock)) << "deleting a stock object succeeds and does nothing";
    EXPECT_EQ(GetPaletteEntries(stock, 0, 1, entries.data()), 1u);
    EXPECT_EQ(entries[0].peRed, 0);
    EXPECT_EQ(GetStockObject(12345), nullptr);
}

TEST(GdiHandles, DeletedForgedAndWrongKindHandlesFail)
{
    HPALETTE palette = MakePalette(2, Grey);
    ASSERT_TRUE(DeleteObject(palette));
    EXPECT_FALSE(DeleteObject(palette)) << "second delete";
    PALETTEENTRY entry{};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &entry), 0u);
    EXPECT_EQ(SetPaletteEntries(palette, 0, 1, &entry), 0u);
    EXPECT_FALSE(ResizePalette(palette, 4));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x1234})));

    HPALETTE next = MakePalette(2, Grey);
    EXPECT_NE(next, palette) << "a freed handle is never handed out again";
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(screen))) << "a device context is not a GDI object";
    EXPECT_EQ(GetPaletteEntries(reinterpret_cast<HPALETTE>(screen), 0, 1, &entry), 0u);
    ReleaseDC(nullptr, screen);
    DeleteObject(next);
}

TEST(GdiHandles, APaletteSelectedIntoAContextIsNotDeleted)
{
    HPALETTE palette = MakePalette(2, Grey);
    HDC screen = GetDC(nullptr);
    HPALETTE previous = SelectPalette(screen, palette, FALSE);
    EXPECT_EQ(previous, GetStockObject(DEFAULT_PALETTE)) << "a new context has the stock palette";
    EXPECT_FALSE(DeleteObject(palette));
    EXPECT_EQ(SelectPalette(screen, previous, FALSE), palette);
    EXPECT_TRUE(DeleteObject(palette));

    HPALETTE second = MakePalette(2, Grey);
    SelectPalette(screen, second, FALSE);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_TRUE(DeleteObject(second)) << "releasing the context ends the selection";
}

}  // namespace
