// The scale the desktop states for a window's pixels, for "auto" scaling:
// the scale the display server states for the monitor the window is on (a
// Wayland output's), else on X11 GDK_SCALE or the X resource Xft.dpi, on
// Windows the DPI of the monitor the window is on.
#pragma once

#include "saver/internal.h"

#include <optional>
#include <vector>

#include "platform/win32.h"

// None when the desktop states no scale.
std::optional<int> DesktopScale(HWND window);

#ifndef _WIN32
#include "platform/drivers/window_backend.h"

// The scale stated for the monitor that holds the middle of `area`; none
// when no monitor holds it or its server states no scale per monitor.
std::optional<int> MonitorScaleAt(const RECT& area, const std::vector<vesper::platform::MonitorArea>& monitors);
#endif
