// The areas of a screen picture waiting to be presented.
#include <gtest/gtest.h>

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

TEST(ChangedAreas, ManyAreasMergeIntoTheirBox)
{
    ChangedAreas areas;
    for (int i = 0; i < 40; ++i)
        areas.Add(RECT{i * 10, i * 5, i * 10 + 4, i * 5 + 3});
    const std::vector<RECT> taken = areas.Take();
    ASSERT_LE(taken.size(), 32u);
    RECT box = taken.front();
    for (const RECT& area : taken)
        UnionRect(&box, &box, &area);
    EXPECT_TRUE(Same(box, RECT{0, 0, 394, 198}));
}

}  // namespace
