// CGdiObject ownership and the CPalette operations over the platform's palettes.
#include <gtest/gtest.h>

#include <vector>

#include "framework/palette.h"

namespace {

// A logical palette of `count` entries whose red component is 10 * index.
std::vector<BYTE> LogicalPaletteBytes(WORD count, WORD version = 0x300)
{
    std::vector<BYTE> bytes(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(bytes.data());
    palette->palVersion = version;
    palette->palNumEntries = count;
    for (WORD i = 0; i < count; ++i)
        palette->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(10 * i), 1, 2, 0};
    return bytes;
}

const LOGPALETTE* AsLogPalette(const std::vector<BYTE>& bytes)
{
    return reinterpret_cast<const LOGPALETTE*>(bytes.data());
}

// True while the platform still knows the palette handle.
bool IsLivePalette(HGDIOBJ handle)
{
    return ::GetPaletteEntries(static_cast<HPALETTE>(handle), 0, 0, nullptr) > 0;
}

TEST(Palette, CreatesReadsWritesAndResizesEntries)
{
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(AsLogPalette(LogicalPaletteBytes(3))));
    EXPECT_EQ(palette.GetEntryCount(), 3);
    PALETTEENTRY entries[5] = {};
    EXPECT_EQ(palette.GetPaletteEntries(1, 4, entries), 2u);
    EXPECT_EQ(entries[0].peRed, 10);
    EXPECT_EQ(entries[1].peRed, 20);

    const PALETTEENTRY replacement = {200, 100, 50, 0};
    EXPECT_EQ(palette.SetPaletteEntries(2, 1, &replacement), 1u);
    ASSERT_TRUE(palette.ResizePalette(5));
    EXPECT_EQ(palette.GetEntryCount(), 5);
    ASSERT_EQ(palette.GetPaletteEntries(0, 5, entries), 5u);
    EXPECT_EQ(entries[1].peRed, 10);
    EXPECT_EQ(entries[2].peRed, 200);
    EXPECT_EQ(entries[2].peBlue, 50);
    EXPECT_EQ(entries[4].peRed, 0);
}

TEST(Palette, WithoutAHandleEveryOperationReportsNothing)
{
    CPalette palette;
    PALETTEENTRY entry = {};
    EXPECT_EQ(palette.GetSafeHandle(), nullptr);
    EXPECT_EQ(static_cast<HPALETTE>(palette), nullptr);
    EXPECT_EQ(palette.GetEntryCount(), 0);
    EXPECT_EQ(palette.GetPaletteEntries(0, 1, &entry), 0u);
    EXPECT_EQ(palette.SetPaletteEntries(0, 1, &entry), 0u);
    EXPECT_FALSE(palette.ResizePalette(4));
    EXPECT_FALSE(palette.DeleteObject());
    EXPECT_FALSE(palette.Attach(nullptr));
}

TEST(Palette, DestructionDeletesTheHandleButNotADetachedOne)
{
    HGDIOBJ owned = nullptr;
    HGDIOBJ detached = nullptr;
    {
        CPalette first;
        CPalette second;
        ASSERT_TRUE(first.CreatePalette(AsLogPalette(LogicalPaletteBytes(2))));
        ASSERT_TRUE(second.CreatePalette(AsLogPalette(LogicalPaletteBytes(2))));
        owned = first.GetSafeHandle();
        detached = second.Detach();
        EXPECT_EQ(second.GetSafeHandle(), nullptr);
    }
    EXPECT_FALSE(IsLivePalette(owned));
    EXPECT_TRUE(IsLivePalette(detached));
    EXPECT_TRUE(::DeleteObject(detached));
}

TEST(Palette, ANewPaletteReplacesTheOldOneOnlyWhenItIsMade)
{
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(AsLogPalette(LogicalPaletteBytes(2))));
    const HGDIOBJ first = palette.GetSafeHandle();

    // The platform refuses to make a palette of nothing (which palettes it
    // refuses beside that is the platform's, tested with it).
    EXPECT_FALSE(palette.CreatePalette(nullptr));
    EXPECT_EQ(palette.GetSafeHandle(), first);
    EXPECT_TRUE(IsLivePalette(first));

    ASSERT_TRUE(palette.CreatePalette(AsLogPalette(LogicalPaletteBytes(7))));
    EXPECT_NE(palette.GetSafeHandle(), first);
    EXPECT_EQ(palette.GetEntryCount(), 7);
    EXPECT_FALSE(IsLivePalette(first));
}

TEST(Palette, AttachTakesOwnershipAndDeletesWhatWasHeld)
{
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(AsLogPalette(LogicalPaletteBytes(2))));
    const HGDIOBJ old = palette.GetSafeHandle();
    const HGDIOBJ handle = ::CreatePalette(AsLogPalette(LogicalPaletteBytes(3)));
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(palette.Attach(handle));
    EXPECT_FALSE(IsLivePalette(old));
    EXPECT_EQ(palette.GetEntryCount(), 3);
    EXPECT_TRUE(palette.Attach(handle));  // attaching what it holds keeps it
    EXPECT_TRUE(IsLivePalette(handle));
    EXPECT_TRUE(palette.DeleteObject());
    EXPECT_FALSE(IsLivePalette(handle));
    EXPECT_EQ(palette.GetSafeHandle(), nullptr);
}

TEST(Palette, StockPaletteCanBeHeldAndSurvivesDeletion)
{
    const HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
    ASSERT_NE(stock, nullptr);
    {
        CPalette palette;
        ASSERT_TRUE(palette.Attach(stock));
        EXPECT_EQ(palette.GetEntryCount(), 20);
    }
    EXPECT_TRUE(IsLivePalette(stock));
}

}  // namespace
