// The scale the desktop states for a window's pixels, for "auto" scaling:
// on X11 GDK_SCALE or the X resource Xft.dpi, on Windows the DPI of the
// monitor the window is on.
#pragma once

#include "saver/internal.h"

#include <optional>

#include "platform/win32.h"

// None when the desktop states no scale.
std::optional<int> DesktopScale(HWND window);
