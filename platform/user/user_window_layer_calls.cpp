// The window layer's entry points for backends.
#include "platform/drivers/window_layer_calls.h"

#include "platform/drivers/display.h"
#include "platform/win32.h"

namespace vesper::platform::window_layer {

void RepaintWindow(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
}

void RequestClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void FocusGained(HWND window)
{
    SetForegroundWindow(window);
}

std::unique_lock<std::recursive_mutex> LockScreen()
{
    return std::unique_lock(GdiMutex());
}

}  // namespace vesper::platform::window_layer
