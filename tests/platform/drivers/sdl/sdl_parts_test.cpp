// The parts of the SDL backend that need no display server: copying screen
// pixels into surfaces of other formats, the bookkeeping of changed areas,
// and key codes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/drivers/sdl/sdl_display.h"
#include "platform/drivers/sdl/sdl_keys.h"
#include "platform/win32.h"

namespace {

using namespace vesper::platform;
using namespace vesper::platform::sdl;

// A 4 x 3 screen whose pixel (x, y) has red x * 60, green y * 100, blue 7.
class ScreenPixels {
public:
    ScreenPixels() : m_screen(DisplayMode{4, 3, 32})
    {
        const Surface pixels = m_screen.Pixels();
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                BYTE* pixel = pixels.Row(y) + x * 4;
                pixel[0] = 7;
                pixel[1] = static_cast<BYTE>(y * 100);
                pixel[2] = static_cast<BYTE>(x * 60);
                pixel[3] = 0;
            }
    }
    Surface Pixels() { return m_screen.Pixels(); }

private:
    Screen m_screen;
};

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

SurfacePtr MakeSurface(Uint32 format, int width, int height)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, format);
    if (surface)
        SDL_FillRect(surface, nullptr, 0);
    return SurfacePtr(surface);
}

// The colour of a surface pixel, as RGB().
COLORREF ColourOf(SDL_Surface& surface, int x, int y)
{
    const BYTE* pixel = static_cast<const BYTE*>(surface.pixels) + y * surface.pitch + x * surface.format->BytesPerPixel;
    Uint32 value = 0;
    std::memcpy(&value, pixel, surface.format->BytesPerPixel);
    Uint8 red = 0;
    Uint8 green = 0;
    Uint8 blue = 0;
    SDL_GetRGB(value, surface.format, &red, &green, &blue);
    return RGB(red, green, blue);
}

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

bool SameRect(const SDL_Rect& rect, int x, int y, int w, int h)
{
    return rect.x == x && rect.y == y && rect.w == w && rect.h == h;
}

TEST(SdlCopyToSurface, ConvertsToTheSurfaceFormatAtTheGivenOrigin)
{
    ScreenPixels screen;
    for (const Uint32 format : {SDL_PIXELFORMAT_XRGB8888, SDL_PIXELFORMAT_ABGR8888, SDL_PIXELFORMAT_BGR888}) {
        SCOPED_TRACE(SDL_GetPixelFormatName(format));
        SurfacePtr surface = MakeSurface(format, 10, 10);
        ASSERT_TRUE(surface);
        const SDL_Rect written = CopyToSurface(screen.Pixels(), RECT{1, 1, 3, 3}, *surface, POINT{5, 6});
        EXPECT_TRUE(SameRect(written, 5, 6, 2, 2));
        EXPECT_EQ(ColourOf(*surface, 5, 6), RGB(60, 100, 7));
        EXPECT_EQ(ColourOf(*surface, 6, 7), RGB(120, 200, 7));
        EXPECT_EQ(ColourOf(*surface, 4, 6), RGB(0, 0, 0)) << "nothing is written left of the area";
        EXPECT_EQ(ColourOf(*surface, 7, 7), RGB(0, 0, 0)) << "nothing is written right of the area";
    }
}

TEST(SdlCopyToSurface, SixteenBitSurfacesKeepTheColoursTheyCanHold)
{
    ScreenPixels screen;
    SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, 4, 3, 16, SDL_PIXELFORMAT_RGB565));
    ASSERT_TRUE(surface);
    const SDL_Rect written = CopyToSurface(screen.Pixels(), RECT{0, 0, 4, 3}, *surface, POINT{0, 0});
    EXPECT_TRUE(SameRect(written, 0, 0, 4, 3));
    const COLORREF colour = ColourOf(*surface, 3, 2);  // red 180, green 200, blue 7
    EXPECT_NEAR(GetRValue(colour), 180, 8);
    EXPECT_NEAR(GetGValue(colour), 200, 4);
    EXPECT_NEAR(GetBValue(colour), 7, 8);
}

TEST(SdlCopyToSurface, CutsToTheScreenAndTheSurface)
{
    ScreenPixels screen;
    SurfacePtr surface = MakeSurface(SDL_PIXELFORMAT_XRGB8888, 3, 3);
    ASSERT_TRUE(surface);

    // The area reaches past the screen's left and top: only the pixels that
    // exist are copied, where they belong relative to the area's corner.
    SDL_Rect written = CopyToSurface(screen.Pixels(), RECT{-1, -1, 2, 2}, *surface, POINT{0, 0});
    EXPECT_TRUE(SameRect(written, 1, 1, 2, 2));
    EXPECT_EQ(ColourOf(*surface, 1, 1), RGB(0, 0, 7));
    EXPECT_EQ(ColourOf(*surface, 2, 2), RGB(60, 100, 7));

    // The target reaches past the surface's right and bottom.
    written = CopyToSurface(screen.Pixels(), RECT{0, 0, 4, 3}, *surface, POINT{2, 1});
    EXPECT_TRUE(SameRect(written, 2, 1, 1, 2));
    EXPECT_EQ(ColourOf(*surface, 2, 2), RGB(0, 100, 7));

    EXPECT_EQ(CopyToSurface(screen.Pixels(), RECT{4, 0, 6, 3}, *surface, POINT{0, 0}).w, 0)
        << "an area beside the screen copies nothing";
    EXPECT_EQ(CopyToSurface(screen.Pixels(), RECT{0, 0, 2, 2}, *surface, POINT{3, 0}).w, 0)
        << "a target beside the surface copies nothing";
    EXPECT_EQ(CopyToSurface(screen.Pixels(), RECT{0, 0, 2, 2}, *surface, POINT{-2, 0}).w, 0);
}

TEST(SdlScreen, KeepsChangedAreasWithoutRepeatsAndTellsOncePerRound)
{
    Screen screen(DisplayMode{100, 100, 32});
    int told = 0;
    screen.SetChangeListener([&told] { ++told; });

    screen.AreaChanged(RECT{10, 10, 20, 20});
    screen.AreaChanged(RECT{12, 12, 18, 18});  // inside the first
    screen.AreaChanged(RECT{50, 50, 60, 60});
    screen.AreaChanged(RECT{5, 5, 25, 25});  // holds the first
    screen.AreaChanged(RECT{30, 30, 30, 40});  // empty
    EXPECT_EQ(told, 1) << "only the first change of a round calls the listener";
    std::vector<RECT> areas = screen.TakeChangedAreas();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_TRUE(Same(areas[0], RECT{50, 50, 60, 60}));
    EXPECT_TRUE(Same(areas[1], RECT{5, 5, 25, 25}));

    EXPECT_TRUE(screen.TakeChangedAreas().empty());
    screen.AreaChanged(RECT{1, 1, 2, 2});
    EXPECT_EQ(told, 2) << "a new round starts once the areas were taken";
}

TEST(SdlScreen, ManySeparateAreasMergeIntoFewer)
{
    Screen screen(DisplayMode{1000, 100, 32});
    for (int i = 0; i < 100; ++i)
        screen.AreaChanged(RECT{i * 9, 10, i * 9 + 5, 20 + i / 2});
    const std::vector<RECT> areas = screen.TakeChangedAreas();
    ASSERT_FALSE(areas.empty());
    EXPECT_LE(areas.size(), 64u);
    RECT bounds{0, 0, 0, 0};
    for (const RECT& area : areas)
        UnionRect(&bounds, &bounds, &area);
    EXPECT_TRUE(Same(bounds, RECT{0, 10, 896, 69})) << "no changed pixel is lost";
}

SDL_Keysym Key(SDL_Scancode scancode, SDL_Keycode sym)
{
    SDL_Keysym key{};
    key.scancode = scancode;
    key.sym = sym;
    return key;
}

TEST(SdlKeys, LettersDigitsAndFunctionKeys)
{
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_A, SDLK_a)).code, UINT('A'));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_Z, SDLK_z)).code, UINT('Z'));
    // The layout's letter counts (an AZERTY keyboard has A where US has Q)...
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_Q, SDLK_a)).code, UINT('A'));
    // ...and a key whose letter is not Latin is known by its position.
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_F, 0x0430)).code, UINT('F'));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_1, SDLK_AMPERSAND)).code, UINT('1'));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_9, SDLK_9)).code, UINT('9'));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_0, SDLK_0)).code, UINT('0'));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_F1, SDLK_F1)).code, UINT(VK_F1));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_F12, SDLK_F12)).code, UINT(VK_F12));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_KP_1, SDLK_KP_1)).code, UINT(VK_NUMPAD1));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_KP_0, SDLK_KP_0)).code, UINT(VK_NUMPAD0));
}

TEST(SdlKeys, KeysOutsideTheRunsAndKeysWithoutACode)
{
    const VirtualKey enter = VirtualKeyOf(Key(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER));
    EXPECT_EQ(enter.code, UINT(VK_RETURN));
    EXPECT_TRUE(enter.extended) << "the keypad's Enter is told apart from the main one";
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_RCTRL, SDLK_RCTRL)).code, UINT(VK_RCONTROL));
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_SEMICOLON, SDLK_m)).code, UINT('M'))
        << "a letter on a punctuation key's place (AZERTY) is that letter";
    EXPECT_EQ(VirtualKeyOf(Key(SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP)).code, kUnmappedKey)
        << "a key without a code still arrives, so that it ends saving";
}

}  // namespace
