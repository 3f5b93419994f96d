// What the stage last showed: the parts of a rectangle that changed since.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "imaging/dib8bpp.h"
#include "stage/frame_lock.h"
#include "stage/shown_frame.h"
#include "tests/sprites/sprite_test_support.h"
#include "tests/stage/stage_test_support.h"

namespace {

using vesper::test::PixelsIn;

constexpr int kWidth = 300;
constexpr int kHeight = 200;
constexpr RECT kWhole{0, 0, kWidth, kHeight};

class ShownFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(frame.Create(kWidth, kHeight));
        lock = std::make_unique<CFrameLock>(frame);
        screen.assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
    }

    BYTE& Pixel(int x, int y) { return *frame.PixelAddress(x, y); }

    // Copies the parts to the stand-in for the window, as the stage would.
    void Show(const std::vector<RECT>& parts)
    {
        for (const RECT& part : parts)
            for (LONG y = part.top; y < part.bottom; ++y)
                for (LONG x = part.left; x < part.right; ++x)
                    screen[static_cast<std::size_t>(y) * kWidth + x] = Pixel(x, y);
    }

    // The first pixel where the window and the frame differ, or none.
    ::testing::AssertionResult WindowShowsFrame()
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (screen[static_cast<std::size_t>(y) * kWidth + x] != Pixel(x, y))
                    return ::testing::AssertionFailure() << "stale pixel at " << x << "," << y;
        return ::testing::AssertionSuccess();
    }

    CDIB8BPP frame;
    std::unique_ptr<CFrameLock> lock;
    std::vector<BYTE> screen;
    ShownFrame shown;
};

TEST_F(ShownFrameTest, UntilTheWholeFrameWasShownRectanglesGoWhole)
{
    const RECT tick{10, 10, 50, 40};
    EXPECT_EQ(shown.Changes(frame, tick), (std::vector<RECT>{tick}));
    shown.Shown(frame, RECT{0, 0, kWidth, 100});
    EXPECT_EQ(shown.Changes(frame, tick), (std::vector<RECT>{tick})) << "only half of it was shown";
    shown.Shown(frame, kWhole);
    EXPECT_TRUE(shown.Changes(frame, tick).empty());
    shown.Forget();
    EXPECT_EQ(shown.Changes(frame, tick), (std::vector<RECT>{tick}));
}

TEST_F(ShownFrameTest, AFrameOfAnotherSizeIsNotTakenForTheOneShown)
{
    shown.Shown(frame, kWhole);
    CDIB8BPP other;
    ASSERT_TRUE(other.Create(kWidth, kHeight + 1));
    const CFrameLock otherLock(other);
    const RECT tick{0, 0, 10, 10};
    EXPECT_EQ(shown.Changes(other, tick), (std::vector<RECT>{tick}));
}

// A sprite of flat colours stepping about: after every step the parts shown
// leave no stale pixel, and cover far less than the rectangles asked.
TEST_F(ShownFrameTest, StepsShowEveryChangedPixelInAFractionOfTheArea)
{
    shown.Shown(frame, kWhole);
    std::mt19937 random(21);
    long long asked = 0;
    long long sent = 0;
    int x = 20;
    int y = 30;
    for (int step = 0; step < 200; ++step) {
        const RECT before{x, y, x + 160, y + 80};
        x = std::clamp(x + static_cast<int>(random() % 3) - 1, 0, kWidth - 160);
        y = std::clamp(y + static_cast<int>(random() % 3) - 1, 0, kHeight - 80);
        // The background, then the sprite: a disc-like blob of two colours.
        for (LONG py = before.top; py < before.bottom; ++py)
            for (LONG px = before.left; px < before.right; ++px)
                Pixel(px, py) = 0;
        for (int py = 0; py < 80; ++py)
            for (int px = 0; px < 160; ++px)
                if ((px - 80) * (px - 80) + (py - 40) * (py - 40) * 4 < 6400)
                    Pixel(x + px, y + py) = px < 80 ? 7 : 9;
        // A stray single pixel changed elsewhere inside the rectangle too.
        RECT tick;
        const RECT after{x, y, x + 160, y + 80};
        UnionRect(&tick, &before, &after);
        Pixel(tick.right - 1, tick.bottom - 1) ^= 0x40;
        const std::vector<RECT> parts = shown.Changes(frame, tick);
        for (const RECT& part : parts) {
            RECT inside;
            ASSERT_TRUE(IntersectRect(&inside, &part, &tick) && EqualRect(&inside, &part)) << "a part outside the rectangle";
        }
        Show(parts);
        ASSERT_TRUE(WindowShowsFrame()) << "after step " << step;
        asked += PixelsIn({tick});
        sent += PixelsIn(parts);
    }
    EXPECT_LT(sent * 2, asked);
}

}  // namespace
