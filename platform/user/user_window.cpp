// Window creation and destruction, and what a window can be asked about.
#include <algorithm>
#include <mutex>
#include <utility>
#include <cstring>
#include <unistd.h>

#include "platform/kernel/clock.h"
#include "platform/kernel/settings_text.h"
#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

HWND NewHandleLocked(State& state)
{
    // A foreign window adopted under a number may already hold the next one.
    std::uintptr_t value = state.nextHandle;
    while (state.windows.contains(value))
        value += kHandleStep;
    state.nextHandle = value + kHandleStep;
    return reinterpret_cast<HWND>(value);
}

struct Placement {
    int x;
    int y;
    int width;
    int height;
};

// CW_USEDEFAULT means nothing for pop-up and child windows: 0.
Placement PlacementOf(int x, int y, int width, int height)
{
    if (x == CW_USEDEFAULT)
        x = y = 0;
    if (width == CW_USEDEFAULT)
        width = height = 0;
    return Placement{x, y, std::max(width, 0), std::max(height, 0)};
}

// Checks the arguments and makes the window record; no message is sent yet.
HWND MakeWindowRecord(DWORD exStyle, LPCSTR className, DWORD style, const Placement& place, HWND parent, HMENU menu,
                      HINSTANCE instance, NativeWindowRequest& native)
{
    Lock lock = LockState();
    State& state = GetState();
    const auto windowClass = FindClassLocked(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const Window* parentRecord = parent ? RequireWindow(parent) : nullptr;
    if (parent && !parentRecord)
        return nullptr;
    auto window = std::make_unique<Window>();
    window->handle = NewHandleLocked(state);
    window->windowClass = windowClass;
    window->procedure = windowClass->info.lpfnWndProc;
    // WS_VISIBLE is set when the window is shown, after WM_CREATE.
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    window->parent = (style & WS_CHILD) ? parent : nullptr;
    window->rect = RECT{place.x, place.y, place.x + place.width, place.y + place.height};
    window->thread = CurrentThread();
    window->instance = instance;
    window->menu = menu;
    window->extraBytes.assign(static_cast<std::size_t>(windowClass->info.cbWndExtra), 0);
    ++windowClass->windows;
    CurrentQueue();

    const HWND handle = window->handle;
    const bool root = !window->IsChild() || parentRecord->foreign;
    if (window->IsChild())
        FindWindowRecord(parent)->children.push_back(handle);
    if (root) {
        native.window = handle;
        native.topmost = (exStyle & WS_EX_TOPMOST) != 0;
        native.foreignParent = window->IsChild() ? parentRecord->native : 0;
    }
    state.windows.emplace(reinterpret_cast<std::uintptr_t>(handle), std::move(window));
    if (root) {
        native.screenArea = ClientOnScreen(*FindWindowRecord(handle));
        PlaceInFrontLocked(handle);
    }
    return handle;
}

// Gives a root window its native window; false when the backend cannot.
bool AttachNativeWindow(HWND window, const NativeWindowRequest& request)
{
    const NativeWindowId native = CurrentWindowBackend()->CreateNativeWindow(request);
    Lock lock = LockState();
    if (Window* record = FindWindowRecord(window))
        record->native = native;
    return native != 0;
}

void ForgetWindow(HWND window)
{
    NativeWindowId native = 0;
    {
        Lock lock = LockState();
        native = RemoveWindowLocked(window);
    }
    WakeWaiters();
    if (native)
        CurrentWindowBackend()->DestroyNativeWindow(native);
}

// WM_DESTROY to the window, the same for each child, then WM_NCDESTROY.
void DestroyTree(HWND window)
{
    std::vector<HWND> children;
    {
        Lock lock = LockState();
        Window* record = FindWindowRecord(window);
        if (!record || record->destroying)
            return;
        record->destroying = true;
    }
    SendMessageA(window, WM_DESTROY, 0, 0);
    {
        Lock lock = LockState();
        if (const Window* record = FindWindowRecord(window))
            children = record->children;
    }
    for (HWND child : children)
        DestroyTree(child);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    ForgetWindow(window);
}

// A window being destroyed disappears from the screen first.
void HideForDestruction(HWND window)
{
    NativeWindowId native = 0;
    {
        Lock lock = LockState();
        State& state = GetState();
        Window* record = FindWindowRecord(window);
        if (!record)
            return;
        InvalidateUncoveredLocked(*record);
        record->style &= ~WS_VISIBLE;
        if (HasNativeWindow(*record))
            native = record->native;
        if (state.foreground && IsDescendant(window, state.foreground))
            state.foreground = nullptr;
        if (state.capture && IsDescendant(window, state.capture))
            state.capture = nullptr;
        if (state.focus && IsDescendant(window, state.focus))
            state.focus = nullptr;
    }
    if (native)
        CurrentWindowBackend()->ShowNativeWindow(native, false);
}

}  // namespace

NativeWindowId RemoveWindowLocked(HWND window)
{
    State& state = GetState();
    Window* record = FindWindowRecord(window);
    if (!record)
        return 0;
    if (Window* parent = record->IsChild() ? FindWindowRecord(record->parent) : nullptr)
        std::erase(parent->children, window);
    std::erase(state.zOrder, window);
    std::erase(state.orphans, window);
    std::erase_if(state.timers, [window](const WindowTimer& timer) { return timer.window == window; });
    if (ThreadQueue* queue = QueueOf(record->thread)) {
        std::erase_if(queue->posted, [window](const MSG& msg) { return msg.hwnd == window; });
        std::erase_if(queue->input, [window](const InputMessage& input) { return input.msg.hwnd == window; });
        std::erase_if(queue->sent, [window](const std::shared_ptr<SentMessage>& send) {
            if (send->window != window)
                return false;
            send->result = 0;
            send->answered = true;
            return true;
        });
    }
    if (state.foreground == window)
        state.foreground = nullptr;
    if (state.capture == window)
        state.capture = nullptr;
    if (state.focus == window)
        state.focus = nullptr;
    if (record->windowClass)
        --record->windowClass->windows;
    for (HWND child : record->children)
        if (FindWindowRecord(child))
            state.orphans.push_back(child);
    const NativeWindowId native = HasNativeWindow(*record) ? record->native : 0;
    state.windows.erase(reinterpret_cast<std::uintptr_t>(window));
    return native;
}

}  // namespace vesper::platform::user

using namespace vesper::platform;
using namespace vesper::platform::user;

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    static std::once_flag gdiHooked;
    std::call_once(gdiHooked, InstallGdiHooks);
    HWND parent = IsDesktop(hWndParent) ? nullptr : hWndParent;
    if ((dwStyle & WS_CHILD) && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    AdoptForeignWindow(parent);
    const Placement place = PlacementOf(X, Y, nWidth, nHeight);
    NativeWindowRequest native;
    native.title = lpWindowName ? lpWindowName : "";
    const HWND window = MakeWindowRecord(dwExStyle, lpClassName, dwStyle, place, parent, hMenu, hInstance, native);
    if (!window)
        return nullptr;
    if (native.window && !AttachNativeWindow(window, native)) {
        ForgetWindow(window);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    CREATESTRUCTA create{lpParam, hInstance, hMenu,   hWndParent, place.height, place.width,
                         place.y, place.x,   static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    const auto createParameter = reinterpret_cast<LPARAM>(&create);
    if (!SendMessageA(window, WM_NCCREATE, 0, createParameter)) {
        SendMessageA(window, WM_NCDESTROY, 0, 0);
        ForgetWindow(window);
        return nullptr;
    }
    if (SendMessageA(window, WM_CREATE, 0, createParameter) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (!IsWindow(window))  // destroyed by its own creation messages
        return nullptr;
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(place.width, place.height));
    SendMessageA(window, WM_MOVE, 0, MAKELPARAM(place.x, place.y));
    if (dwStyle & WS_VISIBLE)
        ShowWindow(window, SW_SHOW);
    return IsWindow(window) ? window : nullptr;
}

BOOL DestroyWindow(HWND hWnd)
{
    {
        Lock lock = LockState();
        const Window* record = RequireWindow(hWnd);
        if (!record)
            return FALSE;
        if (record->foreign || record->thread != CurrentThread()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (record->destroying)
            return TRUE;
    }
    HideForDestruction(hWnd);
    DestroyTree(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd)
{
    if (IsDesktop(hWnd))
        return TRUE;
    AdoptForeignWindow(hWnd);
    Lock lock = LockState();
    return FindWindowRecord(hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd)
{
    if (IsDesktop(hWnd))
        return TRUE;
    Lock lock = LockState();
    const Window* record = FindWindowRecord(hWnd);
    return record && IsShown(*record);
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    Lock lock = LockState();
    return hWnd != hWndParent && IsDescendant(hWndParent, hWnd);
}

HWND GetParent(HWND hWnd)
{
    Lock lock = LockState();
    const Window* record = RequireWindow(hWnd);
    return record && record->IsChild() ? record->parent : nullptr;
}

HWND GetDesktopWindow()
{
    return reinterpret_cast<HWND>(kDesktopWindow);
}

HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName)
{
    Lock lock = LockState();
    const auto windowClass = lpClassName ? FindClassLocked(lpClassName) : nullptr;
    if (lpClassName && !windowClass)
        return nullptr;
    for (HWND candidate : GetState().zOrder) {
        const Window* record = FindWindowRecord(candidate);
        if (!record || record->IsChild() || record->destroying)
            continue;
        if (windowClass && record->windowClass != windowClass)
            continue;
        if (lpWindowName && !EqualsIgnoringCase(record->title, lpWindowName))
            continue;
        return candidate;
    }
    return nullptr;
}

namespace {

// Runs `read` on the record of a window of ours or of another program (which
// is adopted first), with the window state locked; FALSE for no window.
template <typename Read>
BOOL ReadWindowRecord(HWND window, Read read)
{
    AdoptForeignWindow(window);
    Lock lock = LockState();
    const Window* record = RequireWindow(window);
    if (!record)
        return FALSE;
    read(*record);
    return TRUE;
}

BOOL OffsetByClientOrigin(HWND window, LPPOINT point, int direction)
{
    if (!point)
        return FALSE;
    if (IsDesktop(window))
        return TRUE;
    return ReadWindowRecord(window, [&](const Window& record) {
        const RECT client = ClientOnScreen(record);
        point->x += direction * client.left;
        point->y += direction * client.top;
    });
}

}  // namespace

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    if (!lpRect)
        return FALSE;
    if (IsDesktop(hWnd)) {
        const SIZE screen = ScreenSize();
        *lpRect = RECT{0, 0, screen.cx, screen.cy};
        return TRUE;
    }
    return ReadWindowRecord(hWnd, [&](const Window& record) { *lpRect = RECT{0, 0, record.Width(), record.Height()}; });
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    if (!lpRect)
        return FALSE;
    if (IsDesktop(hWnd))
        return GetClientRect(hWnd, lpRect);
    return ReadWindowRecord(hWnd, [&](const Window& record) { *lpRect = ClientOnScreen(record); });
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    return OffsetByClientOrigin(hWnd, lpPoint, 1);
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    return OffsetByClientOrigin(hWnd, lpPoint, -1);
}

namespace {

// The window's extra bytes at `index`, when `size` bytes fit there.
BYTE* ExtraBytes(Window& window, int index, std::size_t size)
{
    if (index < 0 || static_cast<std::size_t>(index) > window.extraBytes.size() ||
        window.extraBytes.size() - static_cast<std::size_t>(index) < size) {
        SetLastError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    return window.extraBytes.data() + index;
}

template <typename Value>
Value ReadExtra(HWND hWnd, int index)
{
    Lock lock = LockState();
    Window* record = RequireWindow(hWnd);
    Value value{};
    if (BYTE* bytes = record ? ExtraBytes(*record, index, sizeof value) : nullptr)
        std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename Value>
Value WriteExtra(HWND hWnd, int index, Value value)
{
    Lock lock = LockState();
    Window* record = RequireWindow(hWnd);
    Value previous{};
    if (BYTE* bytes = record ? ExtraBytes(*record, index, sizeof value) : nullptr) {
        std::memcpy(&previous, bytes, sizeof previous);
        std::memcpy(bytes, &value, sizeof value);
    }
    return previous;
}

}  // namespace

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    if (nIndex >= 0)
        return ReadExtra<LONG_PTR>(hWnd, nIndex);
    Lock lock = LockState();
    const Window* record = RequireWindow(hWnd);
    if (!record)
        return 0;
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(record->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(record->exStyle);
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(record->procedure);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(record->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(record->parent);
    case GWLP_ID:
        return reinterpret_cast<LONG_PTR>(record->menu);
    case GWLP_USERDATA:
        return record->userData;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    if (nIndex >= 0)
        return WriteExtra<LONG_PTR>(hWnd, nIndex, dwNewLong);
    Lock lock = LockState();
    Window* record = RequireWindow(hWnd);
    if (!record)
        return 0;
    if (record->foreign || record->thread != CurrentThread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(std::exchange(record->style, static_cast<DWORD>(dwNewLong)));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(std::exchange(record->exStyle, static_cast<DWORD>(dwNewLong)));
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(
            std::exchange(record->procedure, reinterpret_cast<WNDPROC>(dwNewLong)));
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(
            std::exchange(record->instance, reinterpret_cast<HINSTANCE>(dwNewLong)));
    case GWLP_ID:
        return reinterpret_cast<LONG_PTR>(std::exchange(record->menu, reinterpret_cast<HMENU>(dwNewLong)));
    case GWLP_USERDATA:
        return std::exchange(record->userData, dwNewLong);
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG GetWindowLongA(HWND hWnd, int nIndex)
{
    if (nIndex >= 0)
        return ReadExtra<LONG>(hWnd, nIndex);
    return static_cast<LONG>(GetWindowLongPtrA(hWnd, nIndex));
}

LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    if (nIndex >= 0)
        return WriteExtra<LONG>(hWnd, nIndex, dwNewLong);
    return static_cast<LONG>(SetWindowLongPtrA(hWnd, nIndex, dwNewLong));
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    return static_cast<int>(
        SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthA(HWND hWnd)
{
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    Lock lock = LockState();
    const Window* record = RequireWindow(hWnd);
    if (!record || record->foreign)
        return 0;
    if (lpdwProcessId)
        *lpdwProcessId = static_cast<DWORD>(getpid());
    return record->thread;
}
