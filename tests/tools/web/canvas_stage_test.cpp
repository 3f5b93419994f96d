#include <gtest/gtest.h>

#include <limits>

#include "tools/vesper_web/canvas_stage.h"

namespace {

using vesper::web::CanvasStage;
using vesper::web::StageForCanvas;

void ExpectStage(const CanvasStage& chosen, LONG width, LONG height, int factor, const char* what)
{
    EXPECT_EQ(chosen.stage.cx, width) << what;
    EXPECT_EQ(chosen.stage.cy, height) << what;
    EXPECT_EQ(chosen.factor, factor) << what;
}

TEST(CanvasStage, WholePixelFactorsKeepAtLeast1280By720WhenTheBrowserStatesNoScale)
{
    ExpectStage(StageForCanvas({1920, 1080}, 1.0), 1920, 1080, 1, "full HD");
    ExpectStage(StageForCanvas({3840, 2160}, 1.0), 1280, 720, 3, "4K at ratio 1");
    ExpectStage(StageForCanvas({2559, 1439}, 1.25), 2559, 1439, 1, "just under twice 1280x720");
    ExpectStage(StageForCanvas({2561, 1441}, 1.5), 1280, 720, 2, "just over, odd sides cut");
}

TEST(CanvasStage, ADevicePixelRatioOfTwoOrMoreIsTheScale)
{
    ExpectStage(StageForCanvas({3840, 2160}, 2.0), 1920, 1080, 2, "4K at ratio 2");
    ExpectStage(StageForCanvas({2000, 1600}, 2.75), 1000, 800, 2, "ratio rounded down");
}

TEST(CanvasStage, SmallCanvasesAndBrokenRatiosGetThePreviewStage)
{
    ExpectStage(StageForCanvas({639, 2000}, 1.0), 640, 480, 0, "narrow");
    ExpectStage(StageForCanvas({1200, 900}, 2.0), 640, 480, 0, "small at ratio 2");
    ExpectStage(StageForCanvas({0, 0}, 1.0), 640, 480, 0, "no area");
    EXPECT_TRUE(StageForCanvas({300, 200}, 1.0).IsPreview());
    ExpectStage(StageForCanvas({1280, 720}, std::numeric_limits<double>::quiet_NaN()), 1280, 720, 1, "no ratio");
}

}  // namespace
