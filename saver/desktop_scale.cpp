#include "saver/desktop_scale.h"

#include <cstdlib>
#include <string>

#include "platform/drivers/window_backend.h"
#include "stage/pixel_scale.h"

std::optional<int> MonitorScaleAt(const RECT& area, const std::vector<vesper::platform::MonitorArea>& monitors)
{
    const POINT middle{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    for (const vesper::platform::MonitorArea& monitor : monitors)
        if (PtInRect(&monitor.area, middle))
            return monitor.scale > 0 ? std::optional<int>(monitor.scale) : std::nullopt;
    return std::nullopt;
}

std::optional<int> DesktopScale(HWND window)
{
    const auto backend = vesper::platform::CurrentWindowBackend();
    RECT area{};
    if (window && GetWindowRect(window, &area))
        if (const std::optional<int> stated = MonitorScaleAt(area, backend->Monitors()))
            return stated;
    const std::string dotsPerInch = backend->DesktopResource("Xft.dpi");
    return DesktopScaleFromHints(std::getenv("GDK_SCALE"), dotsPerInch.c_str());
}
