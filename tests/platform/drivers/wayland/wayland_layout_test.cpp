// Where the Wayland backend puts the compositor's outputs on its screen, and
// the pointer's positions as the layer sees them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/drivers/wayland/wayland_layout.h"
#include "platform/win32.h"

namespace {

using namespace vesper::platform;
using namespace vesper::platform::wayland;

OutputInfo Output(std::uint32_t id, POINT logical, SIZE pixels, int scale = 1)
{
    OutputInfo output;
    output.id = id;
    output.logical = logical;
    output.pixels = pixels;
    output.scale = scale;
    return output;
}

RECT AreaOf(const OutputLayout& layout, std::uint32_t id)
{
    const PlacedOutput* placed = layout.Find(id);
    return placed ? placed->area : RECT{-1, -1, -1, -1};
}

void ExpectArea(const RECT& area, RECT expected)
{
    EXPECT_TRUE(EqualRect(&area, &expected)) << area.left << "," << area.top << "," << area.right << ","
                                             << area.bottom;
}

TEST(WaylandScreenSize, HoldsTheOutputsSideBySideWithRoomForOneMore)
{
    const SIZE size = ScreenSizeFor({Output(1, {0, 0}, {800, 600}), Output(2, {800, 0}, {2560, 1440}, 2)});
    EXPECT_EQ(size.cx, 800 + 2560 + kRoomForAnotherOutput.cx);
    EXPECT_EQ(size.cy, kRoomForAnotherOutput.cy);
    // An output wider than the room kept gets room for one more like it.
    const SIZE wide = ScreenSizeFor({Output(1, {0, 0}, {5120, 2880})});
    EXPECT_EQ(wide.cx, 5120 * 2);
    EXPECT_EQ(wide.cy, 2880);
    const SIZE none = ScreenSizeFor({});
    EXPECT_EQ(none.cx, kRoomForAnotherOutput.cx);
}

TEST(WaylandOutputLayout, PlacesDevicePixelsInTheCompositorsOrder)
{
    OutputLayout layout(SIZE{10000, 3000});
    // Announced right one first; the scaled one is 1280 x 720 logical.
    layout.Update({Output(7, {800, 0}, {2560, 1440}, 2), Output(3, {0, 0}, {800, 600})});
    ASSERT_EQ(layout.Outputs().size(), 2u);
    ExpectArea(AreaOf(layout, 3), {0, 0, 800, 600});
    ExpectArea(AreaOf(layout, 7), {800, 0, 3360, 1440});
    EXPECT_TRUE(layout.Find(3)->primary);
    EXPECT_FALSE(layout.Find(7)->primary);
    const std::vector<MonitorArea> monitors = layout.Monitors();
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_TRUE(monitors[0].primary);
    EXPECT_EQ(monitors[0].scale, 1);
    EXPECT_EQ(monitors[1].scale, 2);
}

TEST(WaylandOutputLayout, OutputsKeepTheirPlacesAndNewOnesFillGaps)
{
    OutputLayout layout(SIZE{10000, 3000});
    layout.Update({Output(1, {0, 0}, {800, 600}), Output(2, {800, 0}, {1280, 720}), Output(3, {2080, 0}, {1920, 1080})});
    // The first goes: the others stay where they were (their windows need
    // not move), and the first of them is primary now.
    layout.Update({Output(2, {800, 0}, {1280, 720}), Output(3, {2080, 0}, {1920, 1080})});
    ExpectArea(AreaOf(layout, 2), {800, 0, 2080, 720});
    ExpectArea(AreaOf(layout, 3), {2080, 0, 4000, 1080});
    EXPECT_TRUE(layout.Find(2)->primary);
    // A small output fits the gap; a large one goes past the rightmost.
    layout.Update({Output(2, {800, 0}, {1280, 720}), Output(3, {2080, 0}, {1920, 1080}), Output(4, {5000, 0}, {640, 480}),
                   Output(5, {6000, 0}, {1024, 768})});
    ExpectArea(AreaOf(layout, 4), {0, 0, 640, 480});
    ExpectArea(AreaOf(layout, 5), {4000, 0, 5024, 768});
    // A changed size (a new mode) places the output anew.
    layout.Update({Output(2, {800, 0}, {1920, 1080}), Output(3, {2080, 0}, {1920, 1080})});
    ExpectArea(AreaOf(layout, 3), {2080, 0, 4000, 1080});
    ExpectArea(AreaOf(layout, 2), {0, 0, 1920, 1080});
    // A changed scale alone keeps the place and tells the new scale.
    layout.Update({Output(2, {800, 0}, {1920, 1080}, 3), Output(3, {2080, 0}, {1920, 1080})});
    ExpectArea(AreaOf(layout, 2), {0, 0, 1920, 1080});
    EXPECT_EQ(layout.Find(2)->scale, 3);
}

TEST(WaylandOutputLayout, APointFindsItsOutputOrTheNearest)
{
    OutputLayout layout(SIZE{10000, 3000});
    EXPECT_EQ(layout.At(POINT{0, 0}), nullptr);
    layout.Update({Output(1, {0, 0}, {800, 600}), Output(2, {800, 0}, {1280, 720})});
    EXPECT_EQ(layout.At(POINT{799, 599})->id, 1u);
    EXPECT_EQ(layout.At(POINT{800, 0})->id, 2u);
    // Below the short output, nearer the tall one's side.
    EXPECT_EQ(layout.At(POINT{790, 700})->id, 2u);
    EXPECT_EQ(layout.At(POINT{100, 2000})->id, 1u);
}

TEST(WaylandPointerPlace, AStillPointerFoundUnderASurfaceIsWhereTheCursorWas)
{
    PointerPlace place(4);
    place.MoveCursor(POINT{400, 300});
    const POINT found = place.Report(POINT{1500, 200});
    EXPECT_EQ(found.x, 400);
    EXPECT_EQ(found.y, 300);
    // Moves count from there: (3, 1) is within the threshold ...
    POINT now = place.Report(POINT{1503, 201});
    EXPECT_EQ(now.x, 403);
    EXPECT_EQ(now.y, 301);
    // ... and once past it the positions are the true ones.
    now = place.Report(POINT{1503, 202});
    EXPECT_EQ(now.x, 1503);
    EXPECT_EQ(now.y, 202);
    EXPECT_EQ(place.Cursor().x, 1503);
    now = place.Report(POINT{1500, 200});
    EXPECT_EQ(now.x, 1500);
}

TEST(WaylandPointerPlace, APressPutsTheCursorWhereThePointerIs)
{
    PointerPlace place(4);
    place.MoveCursor(POINT{400, 300});
    place.Report(POINT{1500, 200});
    place.Settle();
    const POINT pressed = place.Report(POINT{1500, 200});
    EXPECT_EQ(pressed.x, 1500);
    EXPECT_EQ(pressed.y, 200);
}

}  // namespace
