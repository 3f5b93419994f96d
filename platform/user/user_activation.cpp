// Showing and hiding windows, the foreground window and the palette messages
// that go with activation and with changes of the system palette.
#include "platform/kernel/clock.h"
#include "platform/drivers/display.h"
#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

bool DisplayHasPalette()
{
    std::lock_guard lock(GdiMutex());
    return CurrentDisplay().HasPalette();
}

// A window that appears needs painting whole, children included.
void InvalidateShownTreeLocked(Window& window)
{
    InvalidateLocked(window, nullptr, true);
    for (HWND child : window.children)
        if (Window* record = FindWindowRecord(child); record && IsShown(*record))
            InvalidateShownTreeLocked(*record);
}

bool Activates(int command)
{
    return command == SW_SHOWNORMAL || command == SW_SHOW || command == SW_SHOWMAXIMIZED ||
           command == SW_RESTORE || command == SW_SHOWDEFAULT;
}

// Changes the window's visibility after WM_SHOWWINDOW; returns its native
// window to show or hide, if it has one.
NativeWindowId ApplyVisibilityLocked(Window& window, bool show)
{
    State& state = GetState();
    if (show) {
        window.style |= WS_VISIBLE;
        InvalidateShownTreeLocked(window);
    } else {
        InvalidateUncoveredLocked(window);
        window.style &= ~WS_VISIBLE;
        SetRectEmpty(&window.update);
        window.eraseUpdate = false;
        if (state.foreground && IsDescendant(window.handle, state.foreground))
            state.foreground = nullptr;
        if (state.capture && IsDescendant(window.handle, state.capture))
            state.capture = nullptr;
        if (state.focus && IsDescendant(window.handle, state.focus))
            state.focus = nullptr;
    }
    WakeWaiters();
    return HasNativeWindow(window) ? window.native : 0;
}

}  // namespace

void BroadcastPaletteChanged(HWND changedBy)
{
    std::vector<HWND> windows;
    {
        Lock lock = LockState();
        windows = GetState().zOrder;
    }
    for (HWND window : windows)
        SendNotifyMessageA(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(changedBy), 0);
}

}  // namespace vesper::platform::user

using namespace vesper::platform;
using namespace vesper::platform::user;

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    const bool show = nCmdShow != SW_HIDE;
    bool wasVisible = false;
    bool topLevel = false;
    {
        Lock lock = LockState();
        const Window* window = RequireWindow(hWnd);
        if (!window || window->foreign)
            return FALSE;
        wasVisible = window->Visible();
        topLevel = !window->IsChild();
    }
    if (show != wasVisible) {
        SendMessageA(hWnd, WM_SHOWWINDOW, show, 0);
        NativeWindowId native = 0;
        {
            Lock lock = LockState();
            Window* window = FindWindowRecord(hWnd);
            if (!window)
                return wasVisible;
            native = ApplyVisibilityLocked(*window, show);
        }
        if (native)
            CurrentWindowBackend()->ShowNativeWindow(native, show);
    }
    if (show && topLevel && Activates(nCmdShow))
        SetForegroundWindow(hWnd);
    return wasVisible;
}

BOOL SetForegroundWindow(HWND hWnd)
{
    HWND root = nullptr;
    bool changed = false;
    {
        Lock lock = LockState();
        State& state = GetState();
        Window* window = RequireWindow(hWnd);
        if (!window || window->foreign)
            return FALSE;
        root = RootOf(*window)->handle;
        changed = state.foreground != root;
        state.foreground = root;
        PlaceInFrontLocked(root);
    }
    if (changed && DisplayHasPalette())
        SendMessageA(root, WM_QUERYNEWPALETTE, 0, 0);
    return TRUE;
}

HWND GetForegroundWindow()
{
    Lock lock = LockState();
    return GetState().foreground;
}
