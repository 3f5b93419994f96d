// MergeOverlaps against the pairwise merge it replaces: on random sets of
// rectangles of every kind the list must come out identical, node for node.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "sprites/rect_list.h"
#include "tests/stage/stage_test_support.h"

namespace {

// The pairwise merge, kept as the reference: for each rectangle from the
// head, for each one after it, merge the later into the earlier when they
// intersect, and start again from the head after every merge.
std::vector<RECT> ReferenceMerge(std::vector<RECT> rects)
{
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t a = 0; a < rects.size() && !merged; ++a)
            for (std::size_t b = a + 1; b < rects.size(); ++b) {
                RECT common;
                if (!IntersectRect(&common, &rects[a], &rects[b]))
                    continue;
                RECT grown;
                UnionRect(&grown, &rects[a], &rects[b]);
                rects[a] = grown;
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(b));
                merged = true;
                break;
            }
    }
    return rects;
}

class MergeOverlapsTest : public ::testing::Test {
protected:
    ~MergeOverlapsTest() override { list.DeleteAllRects(); }

    // Fills the list with the rectangles, head first, in exactly this order.
    // AddRect puts each at the head, merging it with the head when the two
    // intersect; an empty rectangle added between them prevents that, and
    // these separators are taken out again afterwards.
    void Fill(const std::vector<RECT>& rects)
    {
        list.DeleteAllRects();
        const RECT separator{0, 0, 0, 0};
        for (auto r = rects.rbegin(); r != rects.rend(); ++r) {
            list.AddRect(&separator);
            list.AddRect(&*r);
        }
        bool isSeparator = false;
        for (POSITION pos = list.GetHeadPosition(); pos; isSeparator = !isSeparator) {
            const POSITION current = pos;
            list.GetNext(pos);
            if (isSeparator) {
                delete list.GetAt(current);
                list.RemoveAt(current);
            }
        }
        ASSERT_EQ(vesper::test::RectsOf(list), rects);
    }

    std::vector<RECT> Merged()
    {
        list.MergeOverlaps();
        return vesper::test::RectsOf(list);
    }

    void ExpectSameAsReference(const std::vector<RECT>& rects)
    {
        Fill(rects);
        ASSERT_EQ(Merged(), ReferenceMerge(rects));
    }

    CRectList list;
};

std::vector<RECT> RandomRects(std::mt19937& random, int count, int areaWidth, int areaHeight, int largest)
{
    std::vector<RECT> rects;
    for (int i = 0; i < count; ++i)
        rects.push_back(vesper::test::RandomRect(random, areaWidth, areaHeight, largest));
    return rects;
}

TEST_F(MergeOverlapsTest, MatchesThePairwiseMergeOnRandomSets)
{
    std::mt19937 random(20240611);
    // Sparse and dense sets, small and large rectangles, some of them empty
    // (a side of 0); the dense ones chain into large merged areas.
    struct Kind {
        int count, width, height, largest;
    };
    for (const Kind kind : {Kind{2, 50, 50, 30}, Kind{10, 100, 100, 40}, Kind{60, 640, 480, 60}, Kind{200, 1920, 1080, 90},
                            Kind{300, 400, 300, 40}, Kind{500, 1920, 1080, 20}, Kind{120, 20, 20, 6}}) {
        for (int round = 0; round < 15; ++round) {
            SCOPED_TRACE(testing::Message() << kind.count << " rectangles, round " << round);
            ExpectSameAsReference(RandomRects(random, kind.count, kind.width, kind.height, kind.largest));
        }
    }
}

TEST_F(MergeOverlapsTest, MatchesThePairwiseMergeOnSpriteLikeLists)
{
    // What a tick leaves: for each moving sprite the union of its old and
    // new rectangle, added with AddRect, which already merges with the head.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const std::vector<RECT> moves = RandomRects(random, 150, 800, 600, 70);
        for (const RECT& r : moves) {
            const RECT moved{r.left + 3, r.top - 2, r.right + 3, r.bottom - 2};
            list.AddRect(&r);
            list.AddRect(&moved);
        }
        const std::vector<RECT> before = vesper::test::RectsOf(list);
        ASSERT_EQ(Merged(), ReferenceMerge(before)) << "round " << round;
        list.DeleteAllRects();
    }
}

TEST_F(MergeOverlapsTest, EdgeCasesMatchThePairwiseMerge)
{
    // Empty rectangles keep their place, touching ones stay apart, identical
    // ones become one in the earlier node's place.
    ExpectSameAsReference(
        {{5, 5, 5, 20}, {0, 0, 10, 10}, {10, 0, 20, 10}, {30, 30, 25, 40}, {0, 0, 10, 10}, {0, 10, 10, 20}});
    EXPECT_EQ(list.GetCount(), 5);

    // Positions saturated at the ends of the 32-bit range, as sprites pushed
    // out of the stage by extreme velocities report them.
    const LONG low = INT32_MIN;
    const LONG high = INT32_MAX;
    const std::vector<RECT> rects{{low, low, low + 10, low + 10}, {high - 10, high - 10, high, high},
                                  {low + 5, low + 5, low + 20, low + 20}, {-5, -5, 5, 5},
                                  {high - 15, 0, high, 10}, {0, 0, 3, 3}};
    ExpectSameAsReference(rects);
    EXPECT_EQ(list.GetCount(), 4);
}

}  // namespace
