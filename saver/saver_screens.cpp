#include "saver/saver_screens.h"

#include <algorithm>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<MonitorRect>*>(data)->push_back(
            {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

bool IsPrimary(const MonitorRect& monitor)
{
    return monitor.primary;
}

}  // namespace

std::vector<MonitorRect> ListMonitors()
{
    std::vector<MonitorRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    std::stable_partition(monitors.begin(), monitors.end(), IsPrimary);
    return monitors;
}

std::vector<SaverScreen> PlanSaverScreens(MonitorLayout layout, const std::vector<MonitorRect>& monitors)
{
    std::vector<SaverScreen> screens;
    if (monitors.empty())
        return screens;
    // The primary monitor's window first: it takes the keyboard.
    std::vector<MonitorRect> ordered = monitors;
    std::stable_partition(ordered.begin(), ordered.end(), IsPrimary);
    switch (layout) {
    case MonitorLayout::span: {
        RECT box = ordered.front().area;
        for (const MonitorRect& monitor : ordered)
            UnionRect(&box, &box, &monitor.area);
        screens.push_back({box, true});
        break;
    }
    case MonitorLayout::each:
    case MonitorLayout::primary:
        for (const MonitorRect& monitor : ordered)
            screens.push_back({monitor.area, layout == MonitorLayout::each || &monitor == &ordered.front()});
        break;
    }
    return screens;
}
