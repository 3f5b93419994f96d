// The browser's screen: what GDI draws reaches the presenter (the page's
// canvas) as RGBA, one call per changed area, cut to the screen.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/drivers/web/web_display.h"
#include "platform/win32.h"

namespace {

using namespace vesper::platform;

struct Presented {
    RECT area;
    std::vector<BYTE> rgba;
};

class WebDisplayTest : public ::testing::Test {
protected:
    WebDisplay& Use(const DisplayMode& mode)
    {
        auto display = std::make_unique<WebDisplay>(mode, [this](const BYTE* rgba, const RECT& area) {
            const auto bytes = static_cast<std::size_t>(area.right - area.left) * (area.bottom - area.top) * 4;
            presented.push_back({area, std::vector<BYTE>(rgba, rgba + bytes)});
        });
        WebDisplay& made = *display;
        UseDisplay(std::move(display));
        return made;
    }
    void TearDown() override { UseDisplay(nullptr); }

    std::vector<Presented> presented;
};

// An 8-bit picture, 4 x 2, rows bottom first: the top row indexes 1 2 1 2,
// the bottom one 3 3 3 3.
struct SmallPicture {
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 4, 2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
    std::array<RGBQUAD, 4> colours{{{0, 0, 0, 0}, {0x10, 0x20, 0x30, 0}, {0xF0, 0x80, 0x01, 0}, {0x00, 0xFF, 0x00, 0}}};
    std::array<BYTE, 8> bits{3, 3, 3, 3, 1, 2, 1, 2};
};

TEST_F(WebDisplayTest, APictureDrawnOnTheScreenArrivesAsRgbaOfItsColourTable)
{
    WebDisplay& display = Use({16, 8, 8});
    EXPECT_EQ(display.Mode().bitsPerPixel, 32) << "the canvas has no palette";
    SmallPicture picture;
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(StretchDIBits(screen, 5, 3, 4, 2, 0, 0, 4, 2, picture.bits.data(),
                            reinterpret_cast<const BITMAPINFO*>(&picture), DIB_RGB_COLORS, SRCCOPY),
              2);
    ReleaseDC(nullptr, screen);

    ASSERT_EQ(presented.size(), 1u);
    const RECT& area = presented[0].area;
    EXPECT_EQ(area.left, 5);
    EXPECT_EQ(area.top, 3);
    EXPECT_EQ(area.right, 9);
    EXPECT_EQ(area.bottom, 5);
    const std::vector<BYTE> expected{
        0x30, 0x20, 0x10, 0xFF, 0x01, 0x80, 0xF0, 0xFF, 0x30, 0x20, 0x10, 0xFF, 0x01, 0x80, 0xF0, 0xFF,
        0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF,
    };
    EXPECT_EQ(presented[0].rgba, expected);
    EXPECT_EQ(display.AreasPresented(), 1);
}

TEST_F(WebDisplayTest, AreasAreCutToTheScreenAndEmptyOnesAreNotPresented)
{
    WebDisplay& display = Use({10, 6, 32});
    display.AreaChanged(RECT{-3, 4, 2, 9});
    display.AreaChanged(RECT{10, 0, 12, 6});
    display.AreaChanged(RECT{3, 3, 3, 5});
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0].area.left, 0);
    EXPECT_EQ(presented[0].area.top, 4);
    EXPECT_EQ(presented[0].area.right, 2);
    EXPECT_EQ(presented[0].area.bottom, 6);
    EXPECT_EQ(presented[0].rgba.size(), 2u * 2u * 4u);
}

TEST(CopyAreaAsRgba, SwapsBlueAndRedAndSkipsTheRestOfEachRow)
{
    // 3 x 2 pixels in rows of 5 pixels' bytes.
    std::vector<BYTE> pixels(5 * 4 * 2, 0x77);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            BYTE* pixel = &pixels[(y * 5 + x) * 4];
            pixel[0] = static_cast<BYTE>(10 * x + y);  // blue
            pixel[1] = 0x40;
            pixel[2] = static_cast<BYTE>(200 + x);     // red
            pixel[3] = 0;
        }
    const Surface surface{pixels.data(), 5 * 4, 3, 2, 4};
    std::vector<BYTE> rgba(2 * 2 * 4, 0xAA);
    CopyAreaAsRgba(surface, RECT{1, 0, 3, 2}, rgba.data());
    const std::vector<BYTE> expected{201, 0x40, 10, 0xFF, 202, 0x40, 20, 0xFF, 201, 0x40, 11, 0xFF, 202, 0x40, 21, 0xFF};
    EXPECT_EQ(rgba, expected);
}

}  // namespace
