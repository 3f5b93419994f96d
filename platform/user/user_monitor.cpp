// The monitors of the screen, as the window backend reports them: listed,
// described and found by point. A monitor's handle is its place in the list
// (the primary one first) plus one, valid until the monitors change.
#include <algorithm>

#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

bool SameArea(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

}  // namespace

std::vector<MonitorArea> ScreenMonitors()
{
    const SIZE screen = ScreenSize();
    const RECT whole{0, 0, screen.cx, screen.cy};
    std::vector<MonitorArea> monitors;
    bool primaryFlagged = false;
    for (MonitorArea monitor : CurrentWindowBackend()->Monitors()) {
        if (!IntersectRect(&monitor.area, &monitor.area, &whole))
            continue;
        const auto same = std::find_if(monitors.begin(), monitors.end(), [&](const MonitorArea& known) {
            return SameArea(known.area, monitor.area);
        });
        if (same != monitors.end()) {
            same->primary = same->primary || monitor.primary;
            continue;
        }
        primaryFlagged = primaryFlagged || monitor.primary;
        monitors.push_back(monitor);
    }
    if (monitors.empty())
        return {MonitorArea{whole, true}};
    const auto primary = primaryFlagged
                             ? std::find_if(monitors.begin(), monitors.end(), [](const MonitorArea& m) { return m.primary; })
                             : monitors.begin();
    std::rotate(monitors.begin(), primary, primary + 1);
    for (MonitorArea& monitor : monitors)
        monitor.primary = &monitor == &monitors.front();
    return monitors;
}

RECT VirtualScreen()
{
    RECT box{0, 0, 0, 0};
    for (const MonitorArea& monitor : ScreenMonitors())
        UnionRect(&box, &box, &monitor.area);
    return box;
}

}  // namespace vesper::platform::user

using namespace vesper::platform::user;

namespace {

HMONITOR HandleOf(std::size_t index)
{
    return reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(index + 1));
}

std::optional<std::size_t> IndexOf(HMONITOR monitor, std::size_t count)
{
    const UINT_PTR number = reinterpret_cast<UINT_PTR>(monitor);
    if (number == 0 || number > count)
        return std::nullopt;
    return number - 1;
}

}  // namespace

BOOL EnumDisplayMonitors(HDC hdc, LPCRECT lprcClip, MONITORENUMPROC lpfnEnum, LPARAM dwData)
{
    if (hdc || !lpfnEnum) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::vector<vesper::platform::MonitorArea> monitors = ScreenMonitors();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        RECT area = monitors[i].area;
        if (lprcClip && !IntersectRect(&area, &area, lprcClip))
            continue;
        if (!lpfnEnum(HandleOf(i), nullptr, &area, dwData))
            return FALSE;
    }
    return TRUE;
}

BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi)
{
    const std::vector<vesper::platform::MonitorArea> monitors = ScreenMonitors();
    const std::optional<std::size_t> index = IndexOf(hMonitor, monitors.size());
    if (!index || !lpmi || lpmi->cbSize < sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpmi->rcMonitor = monitors[*index].area;
    lpmi->rcWork = monitors[*index].area;
    lpmi->dwFlags = monitors[*index].primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

HMONITOR MonitorFromPoint(POINT pt, DWORD dwFlags)
{
    const std::vector<vesper::platform::MonitorArea> monitors = ScreenMonitors();
    std::size_t nearest = 0;
    LONG nearestDistance = -1;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const RECT& area = monitors[i].area;
        if (PtInRect(&area, pt))
            return HandleOf(i);
        const LONG dx = std::max<LONG>({area.left - pt.x, 0, pt.x - (area.right - 1)});
        const LONG dy = std::max<LONG>({area.top - pt.y, 0, pt.y - (area.bottom - 1)});
        if (nearestDistance < 0 || dx + dy < nearestDistance) {
            nearestDistance = dx + dy;
            nearest = i;
        }
    }
    switch (dwFlags) {
    case MONITOR_DEFAULTTOPRIMARY:
        return HandleOf(0);
    case MONITOR_DEFAULTTONEAREST:
        return HandleOf(nearest);
    default:
        return nullptr;
    }
}
