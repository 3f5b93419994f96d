#include <gtest/gtest.h>

#include <algorithm>

#include "sprites/rect_list.h"
#include "tests/sprites/sprite_test_support.h"

using vesper::test::RectsOf;

namespace {

class RectListTest : public ::testing::Test {
protected:
    ~RectListTest() override { list.DeleteAllRects(); }

    void Add(const RECT& r) { list.AddRect(&r); }
    std::vector<RECT> Rects() const { return RectsOf(list); }

    CRectList list;
};

TEST_F(RectListTest, OverlappingOrEqualRectangleGrowsTheHead)
{
    Add({0, 0, 10, 10});
    Add({5, 5, 20, 20});
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 20, 20}}));
    Add({0, 0, 20, 20});
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 20, 20}}));
}

TEST_F(RectListTest, AddedRectangleIsACopy)
{
    RECT r{0, 0, 10, 10};
    list.AddRect(&r);
    r.right = 99;
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 10, 10}}));
}

TEST_F(RectListTest, TouchingEdgesStaySeparateThroughMerge)
{
    Add({0, 0, 10, 10});
    Add({10, 0, 20, 10});
    EXPECT_EQ(Rects(), (std::vector<RECT>{{10, 0, 20, 10}, {0, 0, 10, 10}}));
    list.MergeOverlaps();
    EXPECT_EQ(Rects(), (std::vector<RECT>{{10, 0, 20, 10}, {0, 0, 10, 10}}));
}

TEST_F(RectListTest, OnlyTheHeadIsComparedUntilMergeOverlaps)
{
    Add({0, 0, 10, 10});     // P
    Add({50, 50, 60, 60});   // Q, now the head
    Add({5, 5, 55, 55});     // R meets Q (and P)
    EXPECT_EQ(Rects(), (std::vector<RECT>{{5, 5, 60, 60}, {0, 0, 10, 10}}));
    list.MergeOverlaps();
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 60, 60}}));
}

TEST_F(RectListTest, MergeRestartsWhenAGrownRectangleMeetsOneAlreadyPassed)
{
    // Head to tail A, B, C: A meets only C, but A grown over C meets B,
    // which the scan from A had already passed.
    Add({5, 8, 25, 12});   // C
    Add({20, 0, 30, 5});   // B
    Add({0, 0, 10, 10});   // A
    ASSERT_EQ(Rects(), (std::vector<RECT>{{0, 0, 10, 10}, {20, 0, 30, 5}, {5, 8, 25, 12}}));
    list.MergeOverlaps();
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 30, 12}}));
}

TEST_F(RectListTest, ChainMergesIntoOneRectangle)
{
    // Each rectangle meets only its neighbours in the chain, and they are
    // added so that every neighbour pair is separated in the list.
    const std::vector<RECT> chain{{0, 0, 10, 10}, {8, 0, 18, 10}, {16, 0, 26, 10}, {24, 0, 34, 10}, {32, 0, 42, 10}};
    for (int i : {0, 2, 4, 1, 3})
        Add(chain[i]);
    list.MergeOverlaps();
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 42, 10}}));
}

TEST_F(RectListTest, EmptyRectangleIsAddedButNeverMerged)
{
    Add({5, 5, 5, 20});
    Add({0, 0, 10, 10});
    Add({7, 7, 7, 7});
    EXPECT_EQ(Rects().size(), 3u);
    list.MergeOverlaps();
    EXPECT_EQ(Rects(), (std::vector<RECT>{{7, 7, 7, 7}, {0, 0, 10, 10}, {5, 5, 5, 20}}));
}

TEST_F(RectListTest, MergeLeavesNoIntersectingPairAmongMany)
{
    // A grid of small rectangles, some of which overlap their right-hand
    // neighbour; whatever the merge order, no two results may intersect and
    // their union must cover exactly the rectangles added.
    std::vector<RECT> added;
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 8; ++col) {
            const int width = (row * 8 + col) % 3 == 0 ? 14 : 8;
            added.push_back({col * 10, row * 20, col * 10 + width, row * 20 + 10});
        }
    for (const RECT& r : added)
        Add(r);
    list.MergeOverlaps();

    const std::vector<RECT> merged = Rects();
    for (size_t i = 0; i < merged.size(); ++i)
        for (size_t j = i + 1; j < merged.size(); ++j) {
            RECT common;
            EXPECT_FALSE(IntersectRect(&common, &merged[i], &merged[j])) << i << " and " << j;
        }
    for (const RECT& r : added) {
        const bool covered = std::any_of(merged.begin(), merged.end(), [&](const RECT& m) {
            return m.left <= r.left && m.top <= r.top && m.right >= r.right && m.bottom >= r.bottom;
        });
        EXPECT_TRUE(covered);
    }
    EXPECT_LT(merged.size(), added.size());
}

TEST_F(RectListTest, DeleteAllRectsEmptiesTheListForReuse)
{
    list.MergeOverlaps();
    EXPECT_TRUE(list.IsEmpty());
    Add({0, 0, 1, 1});
    Add({5, 5, 6, 6});
    list.DeleteAllRects();
    EXPECT_TRUE(list.IsEmpty());
    Add({0, 0, 4, 4});
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 4, 4}}));
}

}  // namespace
