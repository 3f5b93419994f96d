#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/gdi/gdi_objects.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using vesper::platform::DisplayMode;
using vesper::platform::ParseHeadlessDisplaySpec;
using vesper::platform::UseHeadlessDisplay;
using vesper::test::ScopedEnvironment;

struct ScreenDC {
    HDC dc = GetDC(nullptr);
    ~ScreenDC() { ReleaseDC(nullptr, dc); }
};

TEST(DeviceCaps, PaletteDisplayReportsItsPaletteAndSize)
{
    UseHeadlessDisplay({640, 480, 8});
    ScreenDC screen;
    ASSERT_NE(screen.dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen.dc, HORZRES), 640);
    EXPECT_EQ(GetDeviceCaps(screen.dc, VERTRES), 480);
    EXPECT_EQ(GetDeviceCaps(screen.dc, BITSPIXEL), 8);
    EXPECT_EQ(GetDeviceCaps(screen.dc, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(screen.dc, RASTERCAPS), RC_PALETTE | RC_STRETCHDIB | RC_DI_BITMAP);
    EXPECT_EQ(GetDeviceCaps(screen.dc, NUMCOLORS), 256);
    EXPECT_EQ(GetDeviceCaps(screen.dc, SIZEPALETTE), 256);
    EXPECT_EQ(GetDeviceCaps(screen.dc, NUMRESERVED), 20);
}

TEST(DeviceCaps, TrueColourDisplayHasNoPalette)
{
    for (int bits : {24, 32}) {
        UseHeadlessDisplay({800, 600, bits});
        ScreenDC screen;
        EXPECT_EQ(GetDeviceCaps(screen.dc, BITSPIXEL), bits);
        EXPECT_EQ(GetDeviceCaps(screen.dc, PLANES) * GetDeviceCaps(screen.dc, BITSPIXEL), bits);
        EXPECT_EQ(GetDeviceCaps(screen.dc, RASTERCAPS) & RC_PALETTE, 0) << bits << " bits";
        EXPECT_NE(GetDeviceCaps(screen.dc, RASTERCAPS) & RC_STRETCHDIB, 0) << bits << " bits";
        EXPECT_EQ(GetDeviceCaps(screen.dc, SIZEPALETTE), 0) << bits << " bits";
        EXPECT_EQ(GetDeviceCaps(screen.dc, NUMCOLORS), -1) << bits << " bits";
        EXPECT_EQ(GetDeviceCaps(screen.dc, HORZRES), 800);
        EXPECT_EQ(GetSystemPaletteEntries(screen.dc, 0, 256, nullptr), 0u);
        EXPECT_EQ(SetSystemPaletteUse(screen.dc, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_ERROR));
        EXPECT_EQ(RealizePalette(screen.dc), 0u) << "nothing to realise on true colour";
    }
}

TEST(DeviceContexts, ContextsFollowTheCurrentDisplayAndFailWhenReleased)
{
    UseHeadlessDisplay({320, 200, 8});
    HDC dc = GetDC(nullptr);
    UseHeadlessDisplay({100, 50, 32});
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 100) << "the screen context describes the display in use";
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
    EXPECT_EQ(SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE), nullptr);
    EXPECT_EQ(RealizePalette(dc), static_cast<UINT>(GDI_ERROR));
    EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), 0);
}

TEST(DeviceContexts, WindowContextsNeedAWindowLayer)
{
    UseHeadlessDisplay({320, 200, 32});
    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x42});
    EXPECT_EQ(GetDC(window), nullptr) << "no window layer, no window";

    using vesper::platform::gdi::SetWindowAreaProvider;
    const auto previousProvider = SetWindowAreaProvider([window](HWND hwnd) -> std::optional<RECT> {
        if (hwnd == window)
            return RECT{10, 20, 110, 70};
        return std::nullopt;
    });
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 320) << "device caps describe the whole screen";
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0) << "released with another window";
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t{0x43})), nullptr);
    SetWindowAreaProvider(previousProvider);
}

TEST(DeviceContexts, ClipBoxIsTheDrawableAreaInContextCoordinates)
{
    UseHeadlessDisplay({320, 200, 8});
    RECT box{};
    {
        ScreenDC screen;
        EXPECT_EQ(GetClipBox(screen.dc, &box), SIMPLEREGION);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(box.right, 320);
        EXPECT_EQ(box.bottom, 200);
        EXPECT_EQ(GetClipBox(screen.dc, nullptr), ERROR);
    }
    EXPECT_EQ(GetClipBox(nullptr, &box), ERROR);

    RECT windowArea{300, 190, 340, 210};
    const auto previousProvider =
        vesper::platform::gdi::SetWindowAreaProvider([&](HWND) { return std::optional(windowArea); });
    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x42});
    HDC dc = GetDC(window);
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION) << "a window partly off the screen";
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 10);
    ReleaseDC(window, dc);

    windowArea = RECT{-50, 10, -10, 30};
    dc = GetDC(window);
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
    EXPECT_TRUE(IsRectEmpty(&box));
    ReleaseDC(window, dc);
    vesper::platform::gdi::SetWindowAreaProvider(previousProvider);
}

TEST(DeviceContexts, StretchModeStartsAtBlackOnWhiteAndRejectsUnknownModes)
{
    ScreenDC screen;
    EXPECT_EQ(GetStretchBltMode(screen.dc), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(screen.dc, HALFTONE), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(screen.dc, 0), 0);
    EXPECT_EQ(SetStretchBltMode(screen.dc, 5), 0);
    EXPECT_EQ(GetStretchBltMode(screen.dc), HALFTONE);
    EXPECT_EQ(SetStretchBltMode(screen.dc, COLORONCOLOR), HALFTONE);
}

TEST(DisplaySpec, ParsesTheHeadlessFormAndRejectsAnythingElse)
{
    EXPECT_EQ(ParseHeadlessDisplaySpec("headless:1920x1080x8"), (DisplayMode{1920, 1080, 8}));
    EXPECT_EQ(ParseHeadlessDisplaySpec("headless:1x1x24"), (DisplayMode{1, 1, 24}));
    for (const char* bad : {"", "headless:", "headless:640x480", "headless:640x480x16", "headless:0x480x8",
                            "headless:640x-480x8", "headless:640x480x8x", "headless:640x480x8 ", "sdl:640x480x8",
                            "headless:99999999999x480x8", "headless:16385x16x8", "headless: 640x480x8"})
        EXPECT_EQ(ParseHeadlessDisplaySpec(bad), std::nullopt) << '"' << bad << '"';
}

TEST(DisplaySpec, TheEnvironmentChoosesTheDisplayWhenNoneIsSet)
{
    {
        ScopedEnvironment setting("VESPER_DISPLAY", "headless:320x200x8");
        vesper::platform::UseDisplay(nullptr);
        EXPECT_EQ(vesper::platform::CurrentDisplay().Mode(), (DisplayMode{320, 200, 8}));
    }
    {
        ScopedEnvironment setting("VESPER_DISPLAY", "headless:320x200x15");
        vesper::platform::UseDisplay(nullptr);
        EXPECT_EQ(vesper::platform::CurrentDisplay().Mode(), (DisplayMode{1024, 768, 32})) << "unreadable: the default";
    }
    // Unset, with no display server to show windows on (with one, SDL is chosen).
    ScopedEnvironment setting("VESPER_DISPLAY", nullptr);
    ScopedEnvironment x("DISPLAY", nullptr);
    ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    vesper::platform::UseDisplay(nullptr);
    EXPECT_EQ(vesper::platform::CurrentDisplay().Mode(), (DisplayMode{1024, 768, 32}));
    vesper::platform::UseDisplay(nullptr);
}

TEST(DisplayPixels, ReadingOffTheScreenGivesNoPixel)
{
    auto& palette = UseHeadlessDisplay({4, 3, 8});
    EXPECT_EQ(palette.IndexAt(4, 0), 0);
    EXPECT_EQ(palette.ColourAt(-1, 0), vesper::platform::Display::kNoColour);
    EXPECT_EQ(palette.ColourAt(0, 0), RGB(0, 0, 0)) << "a new palette screen shows entry 0, black";
    auto& trueColour = UseHeadlessDisplay({4, 3, 32});
    EXPECT_EQ(trueColour.ColourAt(3, 3), vesper::platform::Display::kNoColour);
    EXPECT_EQ(trueColour.ColourAt(3, 2), RGB(0, 0, 0));
}

TEST(DisplaySpec, UnsupportedHeadlessModeFallsBackToTheDefault)
{
    auto& display = UseHeadlessDisplay({0, 10, 8});
    EXPECT_EQ(display.Mode(), (DisplayMode{1024, 768, 32}));
}

}  // namespace
