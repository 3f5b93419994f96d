#include "stage/pixel_scale.h"

#include <gtest/gtest.h>

namespace {

TEST(PixelScale, ReadsAutoAndWholeFactorsOnly)
{
    EXPECT_EQ(ParseScaleChoice("auto"), kAutoScale);
    EXPECT_EQ(ParseScaleChoice("1"), ScaleChoice{1});
    EXPECT_EQ(ParseScaleChoice("3"), ScaleChoice{3});
    EXPECT_EQ(ParseScaleChoice("10000"), ScaleChoice{10000});
    for (const char* bad : {"0", "-2", "+2", "big", "", " 2", "2 ", "2x", "1.5", "AUTO", "10001", "99999999999999"})
        EXPECT_FALSE(ParseScaleChoice(bad)) << bad;
    EXPECT_EQ(ScaleChoiceText(kAutoScale), "auto");
    EXPECT_EQ(ParseScaleChoice(ScaleChoiceText(ScaleChoice{7})), ScaleChoice{7});
}

TEST(PixelScale, AutoKeepsAtLeast1280x720)
{
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{1920, 1080}, std::nullopt), 1);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{2560, 1440}, std::nullopt), 2);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{3840, 2160}, std::nullopt), 3);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{3839, 2160}, std::nullopt), 2);
    // The narrower side decides: a wide screen of modest height stays at 1.
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{5120, 1080}, std::nullopt), 1);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{640, 480}, std::nullopt), 1);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{7680, 4320}, std::nullopt), 6);
}

TEST(PixelScale, AutoFollowsTheDesktopButKeepsAPixel)
{
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{3840, 2160}, 2), 2);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{1920, 1080}, 2), 2);
    EXPECT_EQ(ResolveScale(kAutoScale, SIZE{3, 5}, 4), 3);
    // A fixed factor is never changed here: the layout refuses it instead.
    EXPECT_EQ(ResolveScale(ScaleChoice{5}, SIZE{3840, 2160}, 2), 5);
    EXPECT_EQ(ResolveScale(ScaleChoice{50}, SIZE{10, 10}, std::nullopt), 50);
}

TEST(PixelScale, DesktopHints)
{
    EXPECT_EQ(DesktopScaleFromHints("2", "96"), 2);  // GDK_SCALE first
    EXPECT_EQ(DesktopScaleFromHints(nullptr, "192"), 2);
    EXPECT_EQ(DesktopScaleFromHints("", "143.9"), 1);  // rounded down
    EXPECT_EQ(DesktopScaleFromHints(nullptr, "288"), 3);
    EXPECT_EQ(DesktopScaleFromHints(nullptr, "72"), 1);
    EXPECT_EQ(DesktopScaleFromHints("0", "192"), 2);   // an unusable GDK_SCALE is passed over
    EXPECT_EQ(DesktopScaleFromHints("two", nullptr), std::nullopt);
    EXPECT_EQ(DesktopScaleFromHints(nullptr, "lots"), std::nullopt);
    EXPECT_EQ(DesktopScaleFromHints(nullptr, "-96"), std::nullopt);
    EXPECT_EQ(DesktopScaleFromHints(nullptr, nullptr), std::nullopt);
}

TEST(PixelScale, LayoutCentresTheStageInItsBorder)
{
    const auto exact = LayoutStage(SIZE{3840, 2160}, 3);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->stage.cx, 1280);
    EXPECT_EQ(exact->stage.cy, 720);
    EXPECT_EQ(exact->origin.x, 0);
    EXPECT_EQ(exact->origin.y, 0);

    // 1366 x 768 at 3: 455 x 256 stage pixels, 1 and 0 left over.
    const auto odd = LayoutStage(SIZE{1366, 768}, 3);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->stage.cx, 455);
    EXPECT_EQ(odd->stage.cy, 256);
    EXPECT_EQ(odd->origin.x, 0);
    // 1003 x 1002 at 4: 250 stage pixels each way, 3 and 2 area pixels over,
    // one of them before the stage on each axis.
    const auto border = LayoutStage(SIZE{1003, 1002}, 4);
    ASSERT_TRUE(border);
    EXPECT_EQ(border->stage.cx, 250);
    EXPECT_EQ(border->origin.x, 1);
    EXPECT_EQ(border->origin.y, 1);

    EXPECT_FALSE(LayoutStage(SIZE{2, 100}, 3));
    EXPECT_FALSE(LayoutStage(SIZE{100, 2}, 3));
    EXPECT_FALSE(LayoutStage(SIZE{100, 100}, 0));
    EXPECT_TRUE(LayoutStage(SIZE{3, 3}, 3));
}

TEST(PixelScale, MapsRectanglesBothWays)
{
    const auto layout = LayoutStage(SIZE{1003, 1002}, 4);
    ASSERT_TRUE(layout);
    const RECT area = layout->AreaOf(RECT{10, 20, 11, 22});
    EXPECT_EQ(area.left, 41);
    EXPECT_EQ(area.top, 81);
    EXPECT_EQ(area.right, 45);
    EXPECT_EQ(area.bottom, 89);
    // Any area pixel of a block brings in that block's stage pixel.
    const RECT back = layout->StageOf(RECT{42, 82, 43, 83});
    EXPECT_EQ(back.left, 10);
    EXPECT_EQ(back.top, 20);
    EXPECT_EQ(back.right, 11);
    EXPECT_EQ(back.bottom, 21);
    // The border before the stage maps to a column left of it (then cut).
    const RECT border = layout->StageOf(RECT{0, 0, 1, 1});
    EXPECT_EQ(border.left, -1);
    EXPECT_EQ(border.right, 0);
    const RECT whole = layout->StageOf(RECT{0, 0, 1003, 1002});
    EXPECT_EQ(whole.left, -1);
    EXPECT_EQ(whole.right, 251);
}

TEST(PixelScale, MessagesNameWhereAndTheValues)
{
    const std::string bad = BadScaleMessage("the option \"--scale\"", "big");
    EXPECT_NE(bad.find("--scale"), std::string::npos);
    EXPECT_NE(bad.find("auto, 1, 2, 3"), std::string::npos);
    EXPECT_NE(bad.find("\"big\""), std::string::npos);
    const std::string large = ScaleTooLargeMessage("the option \"--scale\"", 900, SIZE{800, 600});
    EXPECT_NE(large.find("800x600"), std::string::npos);
    EXPECT_NE(large.find("600"), std::string::npos);
}

}  // namespace
