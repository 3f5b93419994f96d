#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "platform/gdi/display_palette.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "tests/platform/gdi/gdi_test_dib.h"

namespace {

using vesper::platform::HeadlessDisplay;
using vesper::platform::Realisation;
using vesper::platform::StaticColours;
using vesper::platform::SystemPalette;
using vesper::platform::UseHeadlessDisplay;
using vesper::test::MakePalette;

PALETTEENTRY Entry(int i, BYTE flags = 0)
{
    // Distinct colours that are none of the static ones.
    return PALETTEENTRY{BYTE(i), BYTE(0x31 + i / 2), BYTE(0x57), flags};
}

std::vector<PALETTEENTRY> Entries(int first, int count, BYTE flags = 0)
{
    std::vector<PALETTEENTRY> entries;
    for (int i = first; i < first + count; ++i)
        entries.push_back(Entry(i, flags));
    return entries;
}

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

std::array<PALETTEENTRY, 256> SystemEntries(HDC dc)
{
    std::array<PALETTEENTRY, 256> entries{};
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 256, entries.data()), 256u);
    return entries;
}

int StaticSlot(int i) { return i < 10 ? i : 236 + i; }

void ExpectStaticColoursInPlace(const std::array<PALETTEENTRY, 256>& system)
{
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(SameColour(system[StaticSlot(i)], StaticColours()[i])) << "static colour at " << StaticSlot(i);
}

class RealiseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = &UseHeadlessDisplay({16, 4, 8});
        dc = GetDC(nullptr);
        previousHandler = vesper::platform::SetPaletteChangedHandler(nullptr);
    }
    void TearDown() override
    {
        SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        ReleaseDC(nullptr, dc);
        for (HPALETTE palette : palettes)
            DeleteObject(palette);
        vesper::platform::SetPaletteChangedHandler(previousHandler);
    }

    UINT Realise(const std::vector<PALETTEENTRY>& entries, BOOL background = FALSE)
    {
        palettes.push_back(MakePalette(entries));
        SelectPalette(dc, palettes.back(), background);
        return RealizePalette(dc);
    }

    HeadlessDisplay* screen = nullptr;
    HDC dc = nullptr;
    std::vector<HPALETTE> palettes;
    vesper::platform::PaletteChangedHandler previousHandler;
};

TEST_F(RealiseTest, TheSystemPaletteStartsWithTheStaticColours)
{
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 0, nullptr), 256u);
    ExpectStaticColoursInPlace(SystemEntries(dc));
    EXPECT_EQ(GetSystemPaletteUse(dc), static_cast<UINT>(SYSPAL_STATIC));
    std::array<PALETTEENTRY, 8> tail{};
    EXPECT_EQ(GetSystemPaletteEntries(dc, 250, 8, tail.data()), 6u) << "clamped to the palette";
    EXPECT_TRUE(SameColour(tail[5], PALETTEENTRY{255, 255, 255, 0}));
    EXPECT_EQ(GetSystemPaletteEntries(dc, 256, 1, tail.data()), 0u);
}

TEST_F(RealiseTest, RealisingCountsTheSystemEntriesThatChange)
{
    EXPECT_EQ(Realise(Entries(0, 5)), 5u) << "five new colours";
    auto system = SystemEntries(dc);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(SameColour(system[10 + i], Entry(i))) << "placed from the first free entry";
    EXPECT_EQ(RealizePalette(dc), 0u) << "the same palette again";
    EXPECT_EQ(Realise(Entries(0, 5)), 0u) << "an equal palette finds its colours in place";

    EXPECT_EQ(Realise(Entries(3, 4)), 2u) << "colours 3 and 4 stay, 5 and 6 take the first free entries";
    system = SystemEntries(dc);
    EXPECT_TRUE(SameColour(system[10], Entry(5)));
    EXPECT_TRUE(SameColour(system[11], Entry(6)));
    EXPECT_TRUE(SameColour(system[13], Entry(3)));
    EXPECT_TRUE(SameColour(system[14], Entry(4)));

    std::vector<PALETTEENTRY> statics(StaticColours().begin(), StaticColours().end());
    EXPECT_EQ(Realise(statics), 0u) << "static colours are always present";
}

TEST_F(RealiseTest, StaticColoursNeverMoveUnderStaticUse)
{
    // 256 colours that want their own entries: 236 get one, the rest collapse.
    EXPECT_EQ(Realise(Entries(0, 256, PC_NOCOLLAPSE)), 236u);
    const auto system = SystemEntries(dc);
    ExpectStaticColoursInPlace(system);
    for (int i = 0; i < 236; ++i)
        EXPECT_TRUE(SameColour(system[10 + i], Entry(i))) << i;
}

TEST_F(RealiseTest, NoStaticUseFreesAllButBlackAndWhite)
{
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(GetSystemPaletteUse(dc), static_cast<UINT>(SYSPAL_NOSTATIC));
    EXPECT_EQ(Realise(Entries(0, 256, PC_NOCOLLAPSE)), 254u);
    auto system = SystemEntries(dc);
    EXPECT_TRUE(SameColour(system[0], PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_TRUE(SameColour(system[255], PALETTEENTRY{255, 255, 255, 0}));
    for (int i = 0; i < 254; ++i)
        EXPECT_TRUE(SameColour(system[1 + i], Entry(i))) << i;

    int notifications = 0;
    vesper::platform::SetPaletteChangedHandler([&](HWND) { ++notifications; });
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_NOSTATIC));
    ExpectStaticColoursInPlace(SystemEntries(dc));
    EXPECT_EQ(notifications, 1) << "restoring the static colours changes the system palette";
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(SetSystemPaletteUse(dc, 9), static_cast<UINT>(SYSPAL_ERROR));
    EXPECT_EQ(GetSystemPaletteUse(dc), static_cast<UINT>(SYSPAL_STATIC));
}

TEST_F(RealiseTest, NoStatic256LeavesNoEntryFixed)
{
    SetSystemPaletteUse(dc, SYSPAL_NOSTATIC256);
    EXPECT_EQ(Realise(Entries(0, 256, PC_NOCOLLAPSE)), 256u);
    const auto system = SystemEntries(dc);
    EXPECT_TRUE(SameColour(system[0], Entry(0)));
    EXPECT_TRUE(SameColour(system[255], Entry(255)));
    SetSystemPaletteUse(dc, SYSPAL_STATIC);
    ExpectStaticColoursInPlace(SystemEntries(dc));
}

TEST_F(RealiseTest, BackgroundRealisationChangesNothing)
{
    const auto before = SystemEntries(dc);
    EXPECT_EQ(Realise(Entries(0, 5), TRUE), 0u);
    const auto after = SystemEntries(dc);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(SameColour(before[i], after[i])) << i;
}

TEST_F(RealiseTest, ChangesAreAnnouncedWithTheRealisingWindow)
{
    std::vector<HWND> announced;
    vesper::platform::SetPaletteChangedHandler([&](HWND window) { announced.push_back(window); });
    Realise(Entries(0, 3));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0], nullptr) << "the screen context has no window";
    RealizePalette(dc);
    EXPECT_EQ(announced.size(), 1u) << "nothing changed, nothing announced";

    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x99});
    const auto previousProvider =
        vesper::platform::gdi::SetWindowAreaProvider([](HWND) { return std::optional(RECT{0, 0, 4, 4}); });
    HDC windowDc = GetDC(window);
    palettes.push_back(MakePalette(Entries(50, 2)));
    SelectPalette(windowDc, palettes.back(), FALSE);
    EXPECT_EQ(RealizePalette(windowDc), 2u);
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_EQ(announced[1], window);
    ReleaseDC(window, windowDc);
    vesper::platform::gdi::SetWindowAreaProvider(previousProvider);
}

TEST_F(RealiseTest, ARealisationFromAnEarlierDisplayIsNotTrusted)
{
    Realise(Entries(0, 2));
    UseHeadlessDisplay({4, 1, 8});
    // The palette was placed at 10-11 on the old display; here it is not
    // realised, so its entries show as their nearest colours.
    const vesper::test::TestDib dib =
        vesper::test::MakeDib(2, 1, 8, {0, 1}, {0, 1}, vesper::test::RowOrder::BottomUp, true);
    ASSERT_EQ(StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, dib.bits.data(), dib.Info(), DIB_PAL_COLORS, SRCCOPY), 1);
    auto& display = vesper::platform::CurrentDisplay();
    EXPECT_LT(display.IndexAt(0, 0), 10);
    EXPECT_LT(display.IndexAt(1, 0), 10);
}

// The sequence an 8-bit stage uses: reset the static colours, realise the
// picture's palette, rebuild the palette from what the system palette then
// holds, and copy the frame with a 0..255 index table.
TEST_F(RealiseTest, APaletteReadBackFromTheSystemDrawsPixelValuesUnchanged)
{
    std::vector<PALETTEENTRY> picture = Entries(0, 200);
    SetSystemPaletteUse(dc, SYSPAL_NOSTATIC);
    SetSystemPaletteUse(dc, SYSPAL_STATIC);
    palettes.push_back(MakePalette(picture));
    HPALETTE previous = SelectPalette(dc, palettes.back(), FALSE);
    EXPECT_EQ(RealizePalette(dc), 200u);
    SelectPalette(dc, previous, FALSE);

    std::vector<unsigned> pixels(16 * 4);
    std::vector<unsigned> indexTable(256);
    for (int i = 0; i < 256; ++i)
        indexTable[i] = i;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i * 37 + 5) % 256;
    const vesper::test::TestDib frame =
        vesper::test::MakeDib(16, 4, 8, pixels, indexTable, vesper::test::RowOrder::BottomUp, true);

    // Entries 210-245 are unused and black, like the static entry 0; the
    // middle entries are read back with flags 0 or marked not to collapse.
    for (const BYTE middleFlags : {BYTE{0}, BYTE{PC_NOCOLLAPSE}}) {
        std::array<PALETTEENTRY, 256> system = SystemEntries(dc);
        for (int i = 10; i < 246; ++i)
            system[i].peFlags = middleFlags;
        HPALETTE identity = MakePalette(std::vector<PALETTEENTRY>(system.begin(), system.end()));
        palettes.push_back(identity);
        SelectPalette(dc, identity, FALSE);
        EXPECT_EQ(RealizePalette(dc), 0u) << "every colour is already where it belongs; flags " << int(middleFlags);

        std::memset(screen->Pixels().pixels, 0, 16 * 4);
        ASSERT_EQ(StretchDIBits(dc, 0, 0, 16, 4, 0, 0, 16, 4, frame.bits.data(), frame.Info(), DIB_PAL_COLORS, SRCCOPY),
                  4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(screen->IndexAt(x, y), pixels[y * 16 + x]) << x << "," << y << " flags " << int(middleFlags);
    }
}

// ---- The realisation rules, on a system palette of its own -------------------

TEST(SystemPaletteRealisation, APaletteLaidOutLikeTheSystemPaletteRealisesToTheIdentity)
{
    SystemPalette system;
    std::vector<PALETTEENTRY> logical(256);
    for (int i = 0; i < 256; ++i)
        logical[i] = Entry(i, PC_NOCOLLAPSE);
    for (int i = 0; i < 20; ++i)
        logical[StaticSlot(i)] = StaticColours()[i];
    // A few colours that duplicate static ones must still get their own entries.
    logical[10] = PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE};
    logical[245] = PALETTEENTRY{255, 255, 255, PC_NOCOLLAPSE};
    const Realisation realisation = system.RealizeForeground(logical);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(realisation.toSystem[i], i) << i;
    EXPECT_EQ(system.RealizeForeground(logical).changedEntries, 0u);
}

TEST(SystemPaletteRealisation, EqualColoursShareOneEntryUnlessTheyMayNotCollapse)
{
    SystemPalette system;
    const PALETTEENTRY colour{0x12, 0x34, 0x56, 0};
    const PALETTEENTRY own{0x12, 0x34, 0x56, PC_NOCOLLAPSE};
    const Realisation realisation = system.RealizeForeground(std::vector{colour, colour, own, own});
    EXPECT_EQ(realisation.toSystem, (std::vector<BYTE>{10, 10, 10, 11}))
        << "entries of their own are placed first; the others share the first of them";
    EXPECT_EQ(realisation.changedEntries, 2u);
    EXPECT_EQ(system.RealizeForeground(std::vector{colour, colour, own, own}).changedEntries, 0u);
}

TEST(SystemPaletteRealisation, ExplicitEntriesNameSystemEntriesAndChangeNothing)
{
    SystemPalette system;
    const Realisation realisation =
        system.RealizeForeground(std::vector{PALETTEENTRY{3, 0, 0, PC_EXPLICIT}, PALETTEENTRY{250, 0, 0, PC_EXPLICIT}});
    EXPECT_EQ(realisation.toSystem, (std::vector<BYTE>{3, 250}));
    EXPECT_EQ(realisation.changedEntries, 0u);
}

TEST(SystemPaletteRealisation, WhenEntriesRunOutTheRestMapToTheNearestColour)
{
    SystemPalette system;
    std::vector<PALETTEENTRY> logical = Entries(0, 236, PC_NOCOLLAPSE);
    logical.push_back(PALETTEENTRY{0xF0, 0x10, 0x10, 0});  // red-ish, no entry left
    logical.push_back(PALETTEENTRY{0xFF, 0xFF, 0xFF, PC_NOCOLLAPSE});
    const Realisation realisation = system.RealizeForeground(logical);
    EXPECT_EQ(realisation.changedEntries, 236u);
    EXPECT_EQ(realisation.toSystem[236], 249) << "the static red";
    EXPECT_EQ(realisation.toSystem[237], 255) << "no entry of its own left: the static white";
}

TEST(SystemPaletteRealisation, ReservedEntriesAreLeftOutOfColourMatching)
{
    SystemPalette system;
    const PALETTEENTRY animated{0x80, 0x00, 0x00, PC_RESERVED};
    const Realisation realisation = system.RealizeForeground(std::vector{animated});
    EXPECT_EQ(realisation.toSystem[0], 10);
    EXPECT_EQ(system.Nearest(0x80, 0x00, 0x00), 1) << "the static dark red, not the reserved copy";
    // An entry that may collapse does not share the reserved entry either.
    const Realisation again = system.RealizeForeground(std::vector{animated, PALETTEENTRY{0x81, 0x01, 0x01, 0}});
    EXPECT_EQ(again.toSystem, (std::vector<BYTE>{10, 11}));
    EXPECT_EQ(system.RealizeBackground(std::vector{PALETTEENTRY{0x81, 0x01, 0x01, 0}}).toSystem,
              (std::vector<BYTE>{11}));
}

}  // namespace
