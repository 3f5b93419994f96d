// Filling an area of a surface with one pixel value, for the pixel sizes of
// the displays and for values whose bytes differ (which cannot be a memset).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_objects.h"

namespace vesper::platform::gdi {
namespace {

constexpr BYTE kUntouched = 0xEE;

TEST(FillAreaTest, WritesThePixelOverExactlyTheAreaWhateverItsWidthAndThePixelSize)
{
    const std::array<BYTE, 4> uniform{0, 0, 0, 0};
    const std::array<BYTE, 4> mixed{0x12, 0x34, 0x56, 0x00};
    for (const int pixelBytes : {1, 3, 4}) {
        for (const auto& pixel : {uniform, mixed}) {
            for (int width = 0; width <= 67; ++width) {
                SCOPED_TRACE(testing::Message() << pixelBytes << " bytes a pixel, width " << width
                                                << ", first byte " << int{pixel[0]});
                constexpr int kSurfaceWidth = 80;
                constexpr int kSurfaceHeight = 6;
                std::vector<BYTE> pixels(kSurfaceWidth * kSurfaceHeight * pixelBytes, kUntouched);
                const Surface surface{pixels.data(), kSurfaceWidth * pixelBytes, kSurfaceWidth, kSurfaceHeight,
                                      pixelBytes};
                const RECT area{5, 1, 5 + width, 4};
                FillArea(surface, area, pixel.data());
                for (int y = 0; y < kSurfaceHeight; ++y)
                    for (int x = 0; x < kSurfaceWidth; ++x) {
                        const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                        for (int b = 0; b < pixelBytes; ++b)
                            ASSERT_EQ(surface.Row(y)[x * pixelBytes + b], inside ? pixel[b] : kUntouched)
                                << "at " << x << ", " << y << " byte " << b;
                    }
            }
        }
    }
}

}  // namespace
}  // namespace vesper::platform::gdi
