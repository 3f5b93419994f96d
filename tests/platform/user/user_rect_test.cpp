// The rectangle helpers of USER.
#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

TEST(Rectangles, EdgesThatOnlyTouchDoNotIntersect)
{
    const RECT a{0, 0, 10, 10};
    const RECT touching{10, 0, 20, 10};
    RECT out{1, 2, 3, 4};
    EXPECT_FALSE(IntersectRect(&out, &a, &touching));
    EXPECT_TRUE(IsRectEmpty(&out));
    EXPECT_EQ(out.left, 0);
    const RECT overlapping{5, 5, 20, 20};
    EXPECT_TRUE(IntersectRect(&out, &a, &overlapping));
    const RECT expected{5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&out, &expected));
}

TEST(Rectangles, UnionIgnoresAnEmptyOperand)
{
    const RECT a{5, 5, 8, 8};
    const RECT empty{-100, -100, -100, 50};
    RECT out{};
    EXPECT_TRUE(UnionRect(&out, &a, &empty));
    EXPECT_TRUE(EqualRect(&out, &a));
    EXPECT_TRUE(UnionRect(&out, &empty, &a));
    EXPECT_TRUE(EqualRect(&out, &a));
    EXPECT_FALSE(UnionRect(&out, &empty, &empty));
    EXPECT_TRUE(IsRectEmpty(&out));
    const RECT b{0, 7, 6, 20};
    EXPECT_TRUE(UnionRect(&out, &a, &b));
    const RECT both{0, 5, 8, 20};
    EXPECT_TRUE(EqualRect(&out, &both));
}

TEST(Rectangles, PointInsideExcludesRightAndBottom)
{
    const RECT r{0, 0, 10, 10};
    EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
    EXPECT_TRUE(PtInRect(&r, POINT{9, 9}));
    EXPECT_FALSE(PtInRect(&r, POINT{10, 5}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 10}));
}

}  // namespace
