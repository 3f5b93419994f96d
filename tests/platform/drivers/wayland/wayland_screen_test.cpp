// The Wayland backend's screen: its pixels are the memory file the
// compositor maps (the surfaces' buffers are windows onto it), and what GDI
// writes there is made opaque for compositors that read the unused byte.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "platform/drivers/wayland/wayland_screen.h"
#include "platform/win32.h"

namespace {

using namespace vesper::platform;
using namespace vesper::platform::wayland;

constexpr int kWidth = 64;
constexpr int kHeight = 32;

std::uint32_t PixelAt(const Surface& pixels, int x, int y)
{
    std::uint32_t pixel;
    std::memcpy(&pixel, pixels.Row(y) + x * 4, sizeof pixel);
    return pixel;
}

void SetPixel(const Surface& pixels, int x, int y, std::uint32_t value)
{
    std::memcpy(pixels.Row(y) + x * 4, &value, sizeof value);
}

TEST(WaylandScreen, ItsPixelsAreTheMemoryFileTheCompositorMaps)
{
    const auto screen = Screen::Make(DisplayMode{kWidth, kHeight, 32});
    ASSERT_GE(screen->File(), 0);
    ASSERT_EQ(screen->FileSize(), std::size_t{kWidth} * kHeight * 4);
    const Surface pixels = screen->Pixels();
    ASSERT_EQ(pixels.stride, kWidth * 4);
    SetPixel(pixels, 5, 3, 0x00123456u);
    SetPixel(pixels, kWidth - 1, kHeight - 1, 0x00ABCDEFu);

    // A second mapping of the file, as the compositor's.
    void* mapped = mmap(nullptr, screen->FileSize(), PROT_READ, MAP_SHARED, screen->File(), 0);
    ASSERT_NE(mapped, MAP_FAILED);
    const Surface seen{static_cast<BYTE*>(mapped), pixels.stride, kWidth, kHeight, 4};
    EXPECT_EQ(PixelAt(seen, 5, 3), 0x00123456u);
    EXPECT_EQ(PixelAt(seen, kWidth - 1, kHeight - 1), 0x00ABCDEFu);
    munmap(mapped, screen->FileSize());
}

TEST(WaylandScreen, AWrittenAreaIsMadeOpaqueAndNothingBesideIt)
{
    const auto screen = Screen::Make(DisplayMode{kWidth, kHeight, 32});
    const Surface pixels = screen->Pixels();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetPixel(pixels, x, y, 0x00102030u);

    screen->AreaChanged(RECT{2, 1, 5, 3});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(PixelAt(pixels, x, y), inside ? 0xFF102030u : 0x00102030u) << x << "," << y;
        }
    // The area is still recorded for the presenter.
    const std::vector<RECT> changed = screen->TakeChangedAreas();
    ASSERT_EQ(changed.size(), 1u);
    const RECT expected{2, 1, 5, 3};
    EXPECT_TRUE(EqualRect(&changed.front(), &expected));
}

TEST(WaylandScreen, AnAreaPastTheEdgesIsCutToTheScreen)
{
    const auto screen = Screen::Make(DisplayMode{kWidth, kHeight, 32});
    screen->MakeOpaque(RECT{kWidth - 2, kHeight - 1, kWidth + 40, kHeight + 40});
    screen->MakeOpaque(RECT{-10, -10, 1, 1});
    const Surface pixels = screen->Pixels();
    EXPECT_EQ(PixelAt(pixels, kWidth - 2, kHeight - 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(pixels, kWidth - 3, kHeight - 1), 0u);
    EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 2), 0u);
    EXPECT_EQ(PixelAt(pixels, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(pixels, 1, 0), 0u);
    EXPECT_EQ(PixelAt(pixels, 0, 1), 0u);
}

}  // namespace
