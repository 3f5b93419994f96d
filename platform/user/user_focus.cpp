// The keyboard focus and enabled and disabled windows.
#include "platform/kernel/clock.h"
#include "platform/user/user_state.h"

using namespace vesper::platform;
using namespace vesper::platform::user;

HWND SetFocus(HWND hWnd)
{
    HWND previous = nullptr;
    {
        Lock lock = LockState();
        State& state = GetState();
        if (hWnd) {
            const Window* record = RequireWindow(hWnd);
            if (!record || record->foreign || record->thread != CurrentThread())
                return nullptr;
        }
        previous = state.focus;
        if (previous == hWnd)
            return previous;
        state.focus = hWnd;
    }
    if (previous)
        SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && GetFocus() == hWnd)
        SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus()
{
    Lock lock = LockState();
    return GetState().focus;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    bool wasDisabled = false;
    bool losesFocus = false;
    {
        Lock lock = LockState();
        Window* record = RequireWindow(hWnd);
        if (!record || record->foreign)
            return FALSE;
        wasDisabled = !IsEnabled(*record);
        if (wasDisabled == !bEnable)
            return wasDisabled;
        if (bEnable) {
            record->style &= ~WS_DISABLED;
        } else {
            record->style |= WS_DISABLED;
            const HWND focus = GetState().focus;
            losesFocus = focus && IsDescendant(hWnd, focus);
        }
    }
    if (losesFocus)
        SetFocus(nullptr);
    SendMessageA(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    Lock lock = LockState();
    const Window* record = FindWindowRecord(hWnd);
    return record && IsEnabled(*record);
}
