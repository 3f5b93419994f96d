// The stage for the page's canvas: the area it may fill in device pixels,
// shown in whole-pixel blocks of k x k device pixels by the native player's
// rule (stage/pixel_scale.h) with the browser's devicePixelRatio as the
// desktop's stated scale when it states one (2 or more), and the preview
// stage of 640 x 480 when that leaves a stage smaller than the preview's.
#pragma once

#include "platform/win32.h"

namespace vesper::web {

inline constexpr SIZE kPreviewStage{640, 480};

struct CanvasStage {
    SIZE stage{0, 0};
    // Device pixels per stage pixel along each side; 0 for the preview stage,
    // which is fitted to the area as it is (smoothed, like the player's
    // preview).
    int factor = 1;

    bool IsPreview() const { return factor == 0; }
};

CanvasStage StageForCanvas(SIZE deviceArea, double devicePixelRatio);

}  // namespace vesper::web
