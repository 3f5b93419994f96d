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

// Adding compares a rectangle with the head only; MergeOverlaps then merges
// until no two rectangles intersect. Lists are head first.
TEST_F(RectListTest, AddMergesWithTheHeadAndMergeOverlapsWithAll)
{
    struct Case {
        const char* what;
        std::vector<RECT> added;
        std::vector<RECT> afterAdding;
        std::vector<RECT> afterMerging;
    };
    // Each link of the chain meets only its neighbours; they are added so that
    // every neighbour pair is separated in the list.
    const std::vector<RECT> chain{{0, 0, 10, 10}, {8, 0, 18, 10}, {16, 0, 26, 10}, {24, 0, 34, 10}, {32, 0, 42, 10}};
    const Case cases[] = {
        {"overlapping, then equal", {{0, 0, 10, 10}, {5, 5, 20, 20}, {0, 0, 20, 20}}, {{0, 0, 20, 20}}, {{0, 0, 20, 20}}},
        {"touching edges stay separate", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{10, 0, 20, 10}, {0, 0, 10, 10}},
         {{10, 0, 20, 10}, {0, 0, 10, 10}}},
        // The third meets the head (and the first, which only the merge sees).
        {"only the head is compared on adding", {{0, 0, 10, 10}, {50, 50, 60, 60}, {5, 5, 55, 55}},
         {{5, 5, 60, 60}, {0, 0, 10, 10}}, {{0, 0, 60, 60}}},
        // Head to tail A, B, C: A meets only C, but A grown over C meets B,
        // which the scan from A had already passed.
        {"merge restarts after growing", {{5, 8, 25, 12}, {20, 0, 30, 5}, {0, 0, 10, 10}},
         {{0, 0, 10, 10}, {20, 0, 30, 5}, {5, 8, 25, 12}}, {{0, 0, 30, 12}}},
        {"a chain merges into one", {chain[0], chain[2], chain[4], chain[1], chain[3]},
         {chain[3], chain[1], chain[4], chain[2], chain[0]}, {{0, 0, 42, 10}}},
        {"empty rectangles are added but never merged", {{5, 5, 5, 20}, {0, 0, 10, 10}, {7, 7, 7, 7}},
         {{7, 7, 7, 7}, {0, 0, 10, 10}, {5, 5, 5, 20}}, {{7, 7, 7, 7}, {0, 0, 10, 10}, {5, 5, 5, 20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.DeleteAllRects();
        for (const RECT& r : c.added)
            Add(r);
        EXPECT_EQ(Rects(), c.afterAdding);
        list.MergeOverlaps();
        EXPECT_EQ(Rects(), c.afterMerging);
    }
}

TEST_F(RectListTest, AddedRectangleIsACopy)
{
    RECT r{0, 0, 10, 10};
    list.AddRect(&r);
    r.right = 99;
    EXPECT_EQ(Rects(), (std::vector<RECT>{{0, 0, 10, 10}}));
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
