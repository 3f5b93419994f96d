// Where full-screen saving puts its windows for each layout: the primary
// monitor's window first whatever order the system lists them in, the span
// over the box around monitors that need not touch, and nothing without
// monitors.
#include <gtest/gtest.h>

#include "saver/saver_screens.h"

namespace {

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

// A taller monitor on the left, the primary one on the right, a gap between.
const std::vector<MonitorRect> kMonitors{{{-1280, -200, 0, 824}, false}, {{100, 0, 2020, 1080}, true}};

TEST(PlanSaverScreens, EachGivesEveryMonitorAStagePrimaryFirst)
{
    const std::vector<SaverScreen> screens = PlanSaverScreens(MonitorLayout::each, kMonitors);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(Same(screens[0].area, kMonitors[1].area));
    EXPECT_TRUE(Same(screens[1].area, kMonitors[0].area));
    EXPECT_TRUE(screens[0].showsScene && screens[1].showsScene);
}

TEST(PlanSaverScreens, PrimaryPlaysOnlyOnThePrimaryAndBlacksOutTheRest)
{
    const std::vector<SaverScreen> screens = PlanSaverScreens(MonitorLayout::primary, kMonitors);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(Same(screens[0].area, kMonitors[1].area));
    EXPECT_TRUE(screens[0].showsScene);
    EXPECT_FALSE(screens[1].showsScene);
}

TEST(PlanSaverScreens, SpanCoversTheBoxAroundAllMonitorsGapsIncluded)
{
    const std::vector<SaverScreen> screens = PlanSaverScreens(MonitorLayout::span, kMonitors);
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(Same(screens[0].area, RECT{-1280, -200, 2020, 1080}));
    EXPECT_TRUE(screens[0].showsScene);
}

TEST(PlanSaverScreens, OneMonitorIsTheSameInEveryLayoutAndNoneGivesNothing)
{
    const std::vector<MonitorRect> one{{{0, 0, 640, 480}, true}};
    for (const MonitorLayout layout : {MonitorLayout::each, MonitorLayout::span, MonitorLayout::primary}) {
        const std::vector<SaverScreen> screens = PlanSaverScreens(layout, one);
        ASSERT_EQ(screens.size(), 1u);
        EXPECT_TRUE(Same(screens[0].area, one[0].area));
        EXPECT_TRUE(screens[0].showsScene);
        EXPECT_TRUE(PlanSaverScreens(layout, {}).empty());
    }
}

// Without a primary flag the first monitor listed plays the scene.
TEST(PlanSaverScreens, WithoutAPrimaryTheFirstListedLeads)
{
    const std::vector<MonitorRect> unflagged{{{0, 0, 800, 600}, false}, {{800, 0, 1600, 600}, false}};
    const std::vector<SaverScreen> screens = PlanSaverScreens(MonitorLayout::primary, unflagged);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(Same(screens[0].area, unflagged[0].area));
    EXPECT_TRUE(screens[0].showsScene);
    EXPECT_FALSE(screens[1].showsScene);
}

}  // namespace
