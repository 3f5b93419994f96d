#include "saver/stage_layout.h"

#include <cstdio>

#include "platform/kernel/profile_path.h"
#include "saver/desktop_scale.h"
#include "saver/saver_proc.h"
#include "saver/scale_setting.h"
#include "saver/speed_setting.h"

bool HostGetsScaledStage(SIZE client)
{
    return client.cx >= kPreviewStageWidth && client.cy >= kPreviewStageHeight;
}

StageLayout ScaledStageLayout(SIZE area, ScaleChoice choice, HWND window)
{
    const std::optional<int> desktop = choice.IsAuto() ? DesktopScale(window) : std::nullopt;
    if (const std::optional<StageLayout> layout = LayoutStage(area, ResolveScale(choice, area, desktop)))
        return *layout;
    return LayoutStage(area, ResolveScale(kAutoScale, area, std::nullopt)).value_or(StageLayout{});
}

StageLayout StoredScaleStageLayout(SIZE area, ScaleChoice stored, HWND window)
{
    if (const std::string refusal = FixedScaleRefusal(stored, area, StoredScaleKey()); !refusal.empty())
        std::fputs(StoredScaleRefusedLine(refusal).c_str(), stderr);
    return ScaledStageLayout(area, stored, window);
}

StageLayout PreviewStageLayout()
{
    StageLayout preview;
    preview.stage = preview.area = SIZE{kPreviewStageWidth, kPreviewStageHeight};
    return preview;
}

std::string FixedScaleRefusal(std::optional<ScaleChoice> choice, SIZE area, std::string_view where)
{
    if (!choice || choice->IsAuto() || LayoutStage(area, choice->factor))
        return {};
    return ScaleTooLargeMessage(where, choice->factor, area);
}
