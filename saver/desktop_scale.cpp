#include "saver/desktop_scale.h"

#include <cstdlib>
#include <string>

#include "platform/drivers/window_backend.h"
#include "stage/pixel_scale.h"

std::optional<int> DesktopScale(HWND)
{
    const std::string dotsPerInch = vesper::platform::CurrentWindowBackend()->DesktopResource("Xft.dpi");
    return DesktopScaleFromHints(std::getenv("GDK_SCALE"), dotsPerInch.c_str());
}
