// The default palette's contents and the palette objects made from it and
// from frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "imaging/default_palette.h"
#include "imaging/dib8bpp.h"
#include "imaging/dib_palette.h"
#include "platform/drivers/headless/headless_display.h"
#include "tests/imaging/bmp_test_support.h"

namespace vesper::test {
namespace {

COLORREF ColourAt(int index)
{
    const PALETTEENTRY& e = defaultPalette[index];
    return RGB(e.peRed, e.peGreen, e.peBlue);
}

bool IsGrey(int index)
{
    const PALETTEENTRY& e = defaultPalette[index];
    return e.peRed == e.peGreen && e.peGreen == e.peBlue;
}

bool IsCubeLevel(BYTE value)
{
    return value % 0x33 == 0;
}

bool IsCubeColour(int index)
{
    const PALETTEENTRY& e = defaultPalette[index];
    return IsCubeLevel(e.peRed) && IsCubeLevel(e.peGreen) && IsCubeLevel(e.peBlue);
}

TEST(DefaultPalette, SystemColoursSitAtBothEnds)
{
    // The platform's twenty fixed colours in system order.
    const COLORREF low[10] = {RGB(0, 0, 0),       RGB(0x80, 0, 0),    RGB(0, 0x80, 0),       RGB(0x80, 0x80, 0),
                              RGB(0, 0, 0x80),    RGB(0x80, 0, 0x80), RGB(0, 0x80, 0x80),    RGB(0xC0, 0xC0, 0xC0),
                              RGB(0xC0, 0xDC, 0xC0), RGB(0xA4, 0xC8, 0xF0)};
    const COLORREF high[10] = {RGB(0xFF, 0xFB, 0xF0), RGB(0xA0, 0xA0, 0xA4), RGB(0x80, 0x80, 0x80), RGB(0xFF, 0, 0),
                               RGB(0, 0xFF, 0),       RGB(0xFF, 0xFF, 0),    RGB(0, 0, 0xFF),       RGB(0xFF, 0, 0xFF),
                               RGB(0, 0xFF, 0xFF),    RGB(0xFF, 0xFF, 0xFF)};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ColourAt(i), low[i]) << i;
        EXPECT_EQ(ColourAt(246 + i), high[i]) << 246 + i;
    }
    // Index 1 marks transparent pixels of converted sprites.
    EXPECT_EQ(ColourAt(1), RGB(0x80, 0, 0));
}

TEST(DefaultPalette, GreysAndNearCopiesOfTheDarkSystemColours)
{
    for (int i = 10; i <= 22; ++i)
        EXPECT_TRUE(IsGrey(i)) << i;
    for (int i = 233; i <= 245; ++i)
        EXPECT_TRUE(IsGrey(i)) << i;
    // Entries 23-28 repeat entries 1-6 with 0x81 for every 0x80.
    for (int i = 0; i < 6; ++i) {
        const PALETTEENTRY& dark = defaultPalette[1 + i];
        const PALETTEENTRY& copy = defaultPalette[23 + i];
        const auto bump = [](BYTE v) { return static_cast<BYTE>(v == 0x80 ? 0x81 : v); };
        EXPECT_EQ(copy.peRed, bump(dark.peRed)) << 23 + i;
        EXPECT_EQ(copy.peGreen, bump(dark.peGreen)) << 23 + i;
        EXPECT_EQ(copy.peBlue, bump(dark.peBlue)) << 23 + i;
    }
}

TEST(DefaultPalette, MiddleHolds204DistinctCubeColoursAnd212OfTheCubeOverall)
{
    std::set<COLORREF> middle;
    for (int i = 29; i <= 232; ++i) {
        EXPECT_TRUE(IsCubeColour(i)) << i;
        middle.insert(ColourAt(i));
    }
    EXPECT_EQ(middle.size(), 204u);

    std::set<COLORREF> cube;
    for (int i = 0; i < 256; ++i)
        if (IsCubeColour(i))
            cube.insert(ColourAt(i));
    EXPECT_EQ(cube.size(), 212u);
    std::set<COLORREF> missing;
    for (int r = 0; r <= 0xFF; r += 0x33)
        for (int g = 0; g <= 0xFF; g += 0x33)
            for (int b = 0; b <= 0xFF; b += 0x33)
                if (!cube.count(RGB(r, g, b)))
                    missing.insert(RGB(r, g, b));
    EXPECT_EQ(missing, (std::set<COLORREF>{RGB(0x33, 0xFF, 0), RGB(0, 0xFF, 0x33), RGB(0x33, 0, 0xFF), RGB(0, 0x33, 0xFF)}));
}

TEST(DefaultPalette, EveryFlagIsZero)
{
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(defaultPalette[i].peFlags, 0) << i;
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette)
{
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(palette, 0, 0, nullptr));
    GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

bool SameEntries(const std::vector<PALETTEENTRY>& entries, const PALETTEENTRY* expected)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (std::memcmp(&entries[i], &expected[i], sizeof(PALETTEENTRY)) != 0)
            return false;
    return true;
}

TEST(CreateDefaultPalette, RecreatingLeavesOnePaletteOf256Entries)
{
    CPalette palette;
    ASSERT_NE(CreateDefaultPalette(palette), FALSE);
    const HPALETTE first = palette;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(CreateDefaultPalette(palette), FALSE);
    const HPALETTE second = palette;
    EXPECT_EQ(GetPaletteEntries(first, 0, 0, nullptr), 0u);  // the first one was deleted
    const std::vector<PALETTEENTRY> entries = EntriesOf(second);
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_TRUE(SameEntries(entries, defaultPalette));
}

TEST(CDIBPalette, CreateFromImageTakesTheFramesColours)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(4, 4), TRUE);
    CDIBPalette palette;
    ASSERT_NE(palette.CreateFromImage(frame), FALSE);
    std::vector<PALETTEENTRY> entries = EntriesOf(palette);
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_TRUE(SameEntries(entries, defaultPalette));

    // Colours used 16: a 16-entry palette; the old palette is replaced.
    static_cast<BITMAPINFOHEADER*>(GlobalLock(frame.block))->biClrUsed = 16;
    GlobalUnlock(frame.block);
    frame.GetColorTable()[2] = RGBQUAD{0x0C, 0x0B, 0x0A, 0};
    const HPALETTE before = palette;
    ASSERT_NE(palette.CreateFromImage(frame), FALSE);
    EXPECT_EQ(GetPaletteEntries(before, 0, 0, nullptr), 0u);
    entries = EntriesOf(palette);
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[2].peRed, 0x0A);
    EXPECT_EQ(entries[2].peGreen, 0x0B);
    EXPECT_EQ(entries[2].peBlue, 0x0C);
    EXPECT_EQ(entries[2].peFlags, 0);
}

TEST(CDIBPalette, CreateFromAnEmptyFrameFails)
{
    CDIB8BPP empty;
    CDIBPalette palette;
    EXPECT_EQ(palette.CreateFromImage(empty), FALSE);
    EXPECT_EQ(palette.m_hObject, nullptr);
}

TEST(CDIBPalette, MakeIdentityOnATrueColourDisplayChangesNothing)
{
    platform::UseHeadlessDisplay({32, 32, 32});
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    CDIBPalette palette;
    ASSERT_NE(palette.CreateFromImage(frame), FALSE);
    const HPALETTE handle = palette;
    EXPECT_EQ(palette.MakeIdentity(), FALSE);
    EXPECT_EQ(static_cast<HPALETTE>(palette), handle);
    EXPECT_TRUE(SameEntries(EntriesOf(palette), defaultPalette));

    CDIBPalette none;
    EXPECT_EQ(none.MakeIdentity(), FALSE);
}

TEST(CDIBPalette, MakeIdentityCopiesTheRealisedSystemPalette)
{
    platform::UseHeadlessDisplay({32, 32, 8});
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    // Make the frame's colours differ from the default palette so that the
    // rebuilt palette cannot equal them by accident.
    for (int i = 10; i < 246; ++i)
        frame.GetColorTable()[i] = RGBQUAD{static_cast<BYTE>(i), 0x40, static_cast<BYTE>(255 - i), 0};
    CDIBPalette palette;
    ASSERT_NE(palette.CreateFromImage(frame), FALSE);
    ASSERT_EQ(palette.MakeIdentity(), TRUE);

    HDC screen = GetDC(nullptr);
    const int size = GetDeviceCaps(screen, SIZEPALETTE);
    std::vector<PALETTEENTRY> system(static_cast<std::size_t>(size));
    GetSystemPaletteEntries(screen, 0, static_cast<UINT>(size), system.data());
    ReleaseDC(nullptr, screen);

    const std::vector<PALETTEENTRY> entries = EntriesOf(palette);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
        EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue),
                  RGB(system[i].peRed, system[i].peGreen, system[i].peBlue))
            << i;
        const BYTE flags = i >= 128 && i < size - 128 ? PC_NOCOLLAPSE : 0;
        EXPECT_EQ(entries[i].peFlags, flags) << i;
    }
    // The frame's own colours made it into the system palette.
    const auto ours = std::count_if(entries.begin(), entries.end(),
                                    [](const PALETTEENTRY& e) { return e.peGreen == 0x40 && e.peRed + e.peBlue == 255; });
    EXPECT_EQ(ours, 236);
    platform::UseHeadlessDisplay({32, 32, 32});
}

}  // namespace
}  // namespace vesper::test
