#include "saver/desktop_scale.h"

#include "stage/pixel_scale.h"

namespace {

// GetDpiForWindow came with Windows 10 (1607); older systems have one DPI
// for the whole desktop, that of the screen's device context.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

UINT WindowDotsPerInch(HWND window)
{
    const HMODULE user = GetModuleHandleA("user32.dll");
    const auto getDpi =
        user ? reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
             : nullptr;
    if (getDpi && window) {
        const UINT dpi = getDpi(window);
        if (dpi != 0)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDotsPerInchAtScaleOne;
}

}  // namespace

// Windows always states a DPI (96 at 100 %).
std::optional<int> DesktopScale(HWND window)
{
    return ScaleOfDotsPerInch(static_cast<int>(WindowDotsPerInch(window)));
}
