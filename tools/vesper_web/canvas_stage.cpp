#include "tools/vesper_web/canvas_stage.h"

#include <cmath>
#include <optional>

#include "stage/pixel_scale.h"

namespace vesper::web {

CanvasStage StageForCanvas(SIZE deviceArea, double devicePixelRatio)
{
    std::optional<int> statedScale;
    if (std::isfinite(devicePixelRatio) && devicePixelRatio >= 2)
        statedScale = static_cast<int>(std::min(std::floor(devicePixelRatio), double{kLargestScale}));
    const int factor = deviceArea.cx > 0 && deviceArea.cy > 0 ? ResolveScale(kAutoScale, deviceArea, statedScale) : 1;
    const auto layout = LayoutStage(deviceArea, factor);
    if (!layout || layout->stage.cx < kPreviewStage.cx || layout->stage.cy < kPreviewStage.cy)
        return CanvasStage{kPreviewStage, 0};
    return CanvasStage{layout->stage, factor};
}

}  // namespace vesper::web
