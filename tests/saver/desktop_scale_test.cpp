// The scale a display server states for the monitor a window is on (a
// Wayland output's), which "auto" scaling follows.
#include <gtest/gtest.h>

#include <vector>

#include "saver/desktop_scale.h"

namespace {

using vesper::platform::MonitorArea;

const std::vector<MonitorArea> kOutputs = {
    {RECT{0, 0, 800, 600}, true, 1},
    {RECT{800, 0, 3360, 1440}, false, 2},
};

TEST(MonitorScale, TheMonitorHoldingTheWindowsMiddleGivesItsScale)
{
    EXPECT_EQ(MonitorScaleAt(RECT{0, 0, 800, 600}, kOutputs), 1);
    EXPECT_EQ(MonitorScaleAt(RECT{800, 0, 3360, 1440}, kOutputs), 2);
    // A dialog mostly on the scaled output.
    EXPECT_EQ(MonitorScaleAt(RECT{700, 100, 1100, 300}, kOutputs), 2);
    // A window over both (spanning them) has its middle on the larger one.
    EXPECT_EQ(MonitorScaleAt(RECT{0, 0, 3360, 1440}, kOutputs), 2);
}

TEST(MonitorScale, NoneWhereNoMonitorOrNoScaleIsStated)
{
    EXPECT_EQ(MonitorScaleAt(RECT{0, 700, 400, 1100}, kOutputs), std::nullopt);
    EXPECT_EQ(MonitorScaleAt(RECT{0, 0, 800, 600}, {}), std::nullopt);
    // X11's monitors state no scale of their own.
    const std::vector<MonitorArea> x11 = {{RECT{0, 0, 1920, 1080}, true, 0}};
    EXPECT_EQ(MonitorScaleAt(RECT{0, 0, 1920, 1080}, x11), std::nullopt);
}

}  // namespace
