// Regions as lists of disjoint rectangles, checked pixel by pixel against a
// plain bitmap of the same area after each operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/gdi/gdi_region.h"
#include "platform/win32.h"

namespace {

using vesper::platform::gdi::Region;

constexpr int kSide = 24;

// The area as a kSide x kSide bitmap, shifted by kSide / 4 so that
// rectangles reaching past the region's edges stay representable.
class Bitmap {
public:
    void Set(const RECT& rect, bool value)
    {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                if (Inside(rect, x, y))
                    m_pixels[y * kSide + x] = value;
    }
    void KeepOnly(const RECT& rect)
    {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                if (!Inside(rect, x, y))
                    m_pixels[y * kSide + x] = false;
    }
    bool At(int x, int y) const { return m_pixels[y * kSide + x]; }

    static bool Inside(const RECT& rect, int x, int y)
    {
        return x + kOffset >= rect.left && x + kOffset < rect.right && y + kOffset >= rect.top &&
               y + kOffset < rect.bottom;
    }
    static constexpr int kOffset = -kSide / 4;

private:
    std::vector<bool> m_pixels = std::vector<bool>(kSide * kSide, false);
};

// The region covers exactly the bitmap's pixels, each once, with no empty
// piece, and its box is the bitmap's bounding box.
void ExpectSameArea(const Region& region, const Bitmap& expected)
{
    RECT box{0, 0, 0, 0};
    for (const RECT& piece : region.Rects()) {
        EXPECT_FALSE(IsRectEmpty(&piece)) << "an empty piece is kept";
        UnionRect(&box, &box, &piece);
    }
    RECT expectedBox{0, 0, 0, 0};
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            int covering = 0;
            for (const RECT& piece : region.Rects())
                covering += Bitmap::Inside(piece, x, y) ? 1 : 0;
            ASSERT_EQ(covering, expected.At(x, y) ? 1 : 0) << "at " << x + Bitmap::kOffset << ", " << y + Bitmap::kOffset;
            if (expected.At(x, y)) {
                const RECT dot{x + Bitmap::kOffset, y + Bitmap::kOffset, x + Bitmap::kOffset + 1, y + Bitmap::kOffset + 1};
                UnionRect(&expectedBox, &expectedBox, &dot);
            }
        }
    const RECT regionBox = region.Box();
    EXPECT_TRUE(EqualRect(&regionBox, &expectedBox));
    EXPECT_TRUE(EqualRect(&box, &expectedBox));
    EXPECT_EQ(region.IsEmpty(), IsRectEmpty(&expectedBox));
}

TEST(Region, EdgesThatOnlyTouchCutNothingAndCoveringCutsEverything)
{
    const RECT whole{0, 0, 10, 8};
    Region region(whole);
    region.Subtract(RECT{10, 0, 14, 8});
    region.Subtract(RECT{0, -3, 10, 0});
    region.Subtract(RECT{4, 4, 4, 6});  // empty
    ASSERT_EQ(region.Rects().size(), 1u);
    EXPECT_TRUE(EqualRect(&region.Rects()[0], &whole));

    region.Subtract(RECT{-1, -1, 11, 9});
    EXPECT_TRUE(region.IsEmpty());
    const RECT box = region.Box();
    EXPECT_TRUE(IsRectEmpty(&box));

    EXPECT_TRUE(Region(RECT{5, 5, 5, 9}).IsEmpty()) << "an empty rectangle makes an empty region";
    EXPECT_TRUE(Region().IsEmpty());
}

TEST(Region, IntersectionDropsPiecesOutsideAndCutsTheOthers)
{
    Region region(RECT{0, 0, 12, 12});
    region.Subtract(RECT{4, 0, 8, 12});  // two columns: 0..4 and 8..12
    region.Intersect(RECT{6, 2, 14, 5});
    ASSERT_EQ(region.Rects().size(), 1u);
    const RECT kept{8, 2, 12, 5};
    EXPECT_TRUE(EqualRect(&region.Rects()[0], &kept));
    region.Intersect(RECT{0, 0, 8, 12});
    EXPECT_TRUE(region.IsEmpty());
}

TEST(Region, RandomSubtractionsAndIntersectionsMatchTheBitmap)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(Bitmap::kOffset, kSide + Bitmap::kOffset);
    const auto randomRect = [&] {
        const int x1 = coordinate(random), x2 = coordinate(random), y1 = coordinate(random), y2 = coordinate(random);
        return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    };
    for (int round = 0; round < 200; ++round) {
        const RECT start = randomRect();
        Region region(start);
        Bitmap expected;
        expected.Set(start, true);
        for (int step = 0; step < 6; ++step) {
            const RECT rect = randomRect();
            if (step % 3 == 2) {
                region.Intersect(rect);
                expected.KeepOnly(rect);
            } else {
                region.Subtract(rect);
                expected.Set(rect, false);
            }
            ExpectSameArea(region, expected);
            if (HasFatalFailure())
                return;
        }
    }
}

}  // namespace
