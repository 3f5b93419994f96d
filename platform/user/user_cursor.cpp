// The cursor: shapes, visibility, position and mouse capture.
#include <algorithm>
#include <utility>

#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

// System cursors and icons are shared handles: these numbers plus their
// resource identifier, outside the ranges of every other handle.
constexpr UINT_PTR kSystemCursorBase = 0x00030000;
constexpr UINT_PTR kSystemIconBase = 0x00040000;
constexpr WORD kSystemCursorIds[] = {32512, 32513, 32514, 32515};  // IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS
constexpr WORD kFirstSystemIcon = 32512;                             // IDI_APPLICATION
constexpr WORD kLastSystemIcon = 32517;                              // IDI_WINLOGO

// The cursor shows while it has a shape and its display count is not negative.
bool CursorShownLocked()
{
    const State& state = GetState();
    return state.cursorShape && state.cursorDisplayCount >= 0;
}

// The system cursor's number (IDC_*) of a cursor handle, 0 for any other.
WORD SystemCursorNumber(HCURSOR cursor)
{
    const auto value = reinterpret_cast<UINT_PTR>(cursor);
    if (value <= kSystemCursorBase)
        return 0;
    const UINT_PTR number = value - kSystemCursorBase;
    return std::find(std::begin(kSystemCursorIds), std::end(kSystemCursorIds), number) == std::end(kSystemCursorIds) ? 0 : static_cast<WORD>(number);
}

}  // namespace

HCURSOR SystemCursor(LPCSTR id)
{
    if (!IS_INTRESOURCE(id))
        return nullptr;
    const auto number = static_cast<WORD>(reinterpret_cast<UINT_PTR>(id));
    if (std::find(std::begin(kSystemCursorIds), std::end(kSystemCursorIds), number) == std::end(kSystemCursorIds))
        return nullptr;
    return reinterpret_cast<HCURSOR>(kSystemCursorBase + number);
}

}  // namespace vesper::platform::user

using namespace vesper::platform;
using namespace vesper::platform::user;

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    const HCURSOR cursor = hInstance ? nullptr : SystemCursor(lpCursorName);
    if (!cursor)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return cursor;
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    const auto number = static_cast<WORD>(reinterpret_cast<UINT_PTR>(lpIconName));
    if (hInstance || !IS_INTRESOURCE(lpIconName) || number < kFirstSystemIcon || number > kLastSystemIcon) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>(kSystemIconBase + number);
}

HCURSOR SetCursor(HCURSOR hCursor)
{
    Lock lock = LockState();
    State& state = GetState();
    const HCURSOR previous = std::exchange(state.cursorShape, hCursor);
    const bool shown = CursorShownLocked();
    lock.unlock();
    const auto backend = CurrentWindowBackend();
    if (hCursor)
        backend->SetCursorShape(SystemCursorNumber(hCursor));
    backend->SetCursorVisible(shown);
    return previous;
}

HCURSOR GetCursor()
{
    Lock lock = LockState();
    return GetState().cursorShape;
}

int ShowCursor(BOOL bShow)
{
    Lock lock = LockState();
    State& state = GetState();
    state.cursorDisplayCount += bShow ? 1 : -1;
    const int count = state.cursorDisplayCount;
    const bool shown = CursorShownLocked();
    lock.unlock();
    CurrentWindowBackend()->SetCursorVisible(shown);
    return count;
}

BOOL GetCursorPos(LPPOINT lpPoint)
{
    if (!lpPoint)
        return FALSE;
    Lock lock = LockState();
    *lpPoint = GetState().cursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y)
{
    const SIZE screen = ScreenSize();
    POINT position{};
    {
        Lock lock = LockState();
        MoveCursorLocked(POINT{X, Y}, screen);
        position = GetState().cursor;
    }
    CurrentWindowBackend()->MoveCursor(position);
    return TRUE;
}

HWND SetCapture(HWND hWnd)
{
    Lock lock = LockState();
    State& state = GetState();
    const Window* window = RequireWindow(hWnd);
    if (!window || window->foreign)
        return nullptr;
    return std::exchange(state.capture, hWnd);
}

BOOL ReleaseCapture()
{
    Lock lock = LockState();
    GetState().capture = nullptr;
    return TRUE;
}

HWND GetCapture()
{
    Lock lock = LockState();
    return GetState().capture;
}
