// The areas of a screen picture waiting to be presented.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/drivers/changed_areas.h"
#include "platform/win32.h"

namespace {

using vesper::platform::ChangedAreas;

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

TEST(ChangedAreas, OnlyTheFirstAreaSinceTheLastTakeTellsThePresenter)
{
    ChangedAreas areas;
    EXPECT_FALSE(areas.Add(RECT{5, 5, 5, 9})) << "an empty area is no change";
    EXPECT_TRUE(areas.Add(RECT{0, 0, 10, 10}));
    EXPECT_FALSE(areas.Add(RECT{20, 20, 30, 30}));
    EXPECT_EQ(areas.Take().size(), 2u);
    EXPECT_TRUE(areas.Take().empty());
    EXPECT_TRUE(areas.Add(RECT{0, 0, 1, 1}));
}

TEST(ChangedAreas, AreasInsideOthersAreNotRepeated)
{
    ChangedAreas areas;
    areas.Add(RECT{10, 10, 20, 20});
    areas.Add(RECT{12, 12, 18, 18});  // inside: dropped
    areas.Add(RECT{40, 40, 50, 50});
    areas.Add(RECT{0, 0, 30, 30});    // holds the first: it replaces it
    const std::vector<RECT> taken = areas.Take();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_TRUE(Same(taken[0], RECT{40, 40, 50, 50}));
    EXPECT_TRUE(Same(taken[1], RECT{0, 0, 30, 30}));
}

// Past the limit every area written is still covered, by few areas.
TEST(ChangedAreas, ManyAreasStillCoverEverythingWritten)
{
    ChangedAreas areas;
    std::vector<RECT> added;
    for (int i = 0; i < 100; ++i) {
        added.push_back(RECT{i * 10, i * 5, i * 10 + 4, i * 5 + 3});
        areas.Add(added.back());
    }
    const std::vector<RECT> taken = areas.Take();
    ASSERT_LE(taken.size(), 64u);
    for (const RECT& area : added)
        EXPECT_TRUE(std::any_of(taken.begin(), taken.end(), [&](const RECT& known) {
            RECT common;
            return IntersectRect(&common, &known, &area) && Same(common, area);
        })) << area.left << "," << area.top;
}

// Many small areas in two corners of a 4K screen (the outlines of two moving
// sprites) stay two groups: one box over both would send most of the screen.
TEST(ChangedAreas, PastTheLimitNearAreasJoinAndFarOnesStayApart)
{
    ChangedAreas areas;
    for (int i = 0; i < 40; ++i) {
        areas.Add(RECT{i * 6, 0, i * 6 + 3, 3});
        areas.Add(RECT{3600 + i * 6, 2100, 3600 + i * 6 + 3, 2103});
    }
    const std::vector<RECT> taken = areas.Take();
    ASSERT_LE(taken.size(), 64u);
    long long covered = 0;
    for (const RECT& area : taken)
        covered += static_cast<long long>(area.right - area.left) * (area.bottom - area.top);
    EXPECT_LE(covered, 2 * 240 * 3);
}

}  // namespace
