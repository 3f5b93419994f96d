// DefWindowProcA: the default processing of window messages.
#include <algorithm>
#include <cstring>

#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

struct WindowFacts {
    HWND parent = nullptr;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
    HMENU id = nullptr;
};

std::optional<WindowFacts> FactsOf(HWND window)
{
    Lock lock = LockState();
    const Window* record = FindWindowRecord(window);
    if (!record)
        return std::nullopt;
    WindowFacts facts;
    facts.parent = record->IsChild() ? record->parent : nullptr;
    if (record->windowClass) {
        facts.background = record->windowClass->info.hbrBackground;
        facts.cursor = record->windowClass->info.hCursor;
    }
    facts.id = record->menu;
    return facts;
}

LRESULT SetTitle(HWND window, LPCSTR text)
{
    Lock lock = LockState();
    Window* record = FindWindowRecord(window);
    if (!record)
        return FALSE;
    record->title = text ? text : "";
    return TRUE;
}

LRESULT CopyTitle(HWND window, WPARAM capacity, LPSTR buffer)
{
    if (!buffer || capacity == 0)
        return 0;
    Lock lock = LockState();
    const Window* record = FindWindowRecord(window);
    const std::string title = record ? record->title : std::string();
    const std::size_t count = std::min<std::size_t>(title.size(), capacity - 1);
    std::memcpy(buffer, title.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

LRESULT TitleLength(HWND window)
{
    Lock lock = LockState();
    const Window* record = FindWindowRecord(window);
    return record ? static_cast<LRESULT>(record->title.size()) : 0;
}

LRESULT EraseBackground(HWND window, HDC dc)
{
    const auto facts = FactsOf(window);
    if (!facts || !facts->background)
        return 0;
    RECT area;
    if (GetClipBox(dc, &area) == ERROR)
        return 0;
    FillRect(dc, &area, facts->background);
    return 1;
}

LRESULT SetClassCursor(HWND window, WPARAM wParam, LPARAM lParam)
{
    const auto facts = FactsOf(window);
    if (!facts)
        return FALSE;
    if (facts->parent && SendMessageA(facts->parent, WM_SETCURSOR, wParam, lParam))
        return TRUE;
    if (LOWORD(lParam) != HTCLIENT || !facts->cursor)
        return FALSE;
    SetCursor(facts->cursor);
    return TRUE;
}

void SendHelp(HWND window)
{
    const auto facts = FactsOf(window);
    HELPINFO help{};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = facts ? static_cast<int>(reinterpret_cast<UINT_PTR>(facts->id)) : 0;
    help.hItemHandle = window;
    GetCursorPos(&help.MousePos);
    SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
}

// WM_CONTEXTMENU from the keyboard carries (-1, -1) as its position.
void SendKeyboardContextMenu(HWND window)
{
    SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-1, -1));
}

void SendMouseContextMenu(HWND window, LPARAM clientPosition)
{
    POINT position{GET_X_LPARAM(clientPosition), GET_Y_LPARAM(clientPosition)};
    ClientToScreen(window, &position);
    SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(position.x, position.y));
}

// A child hands WM_HELP and WM_CONTEXTMENU to its parent.
LRESULT PassToParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto facts = FactsOf(window);
    if (!facts || !facts->parent)
        return 0;
    return SendMessageA(facts->parent, message, wParam, lParam);
}

bool ShiftDown()
{
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

}  // namespace

}  // namespace vesper::platform::user

using namespace vesper::platform::user;

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (create && create->lpszName)
            SetTitle(hWnd, create->lpszName);
        return TRUE;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(hWnd, &paint))
            EndPaint(hWnd, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return EraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR:
        return SetClassCursor(hWnd, wParam, lParam);
    case WM_SETTEXT:
        return SetTitle(hWnd, reinterpret_cast<LPCSTR>(lParam));
    case WM_GETTEXT:
        return CopyTitle(hWnd, wParam, reinterpret_cast<LPSTR>(lParam));
    case WM_GETTEXTLENGTH:
        return TitleLength(hWnd);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F1)
            SendHelp(hWnd);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_APPS)
            SendKeyboardContextMenu(hWnd);
        return 0;
    case WM_SYSKEYUP:
        if (wParam == VK_F10 && ShiftDown())
            SendKeyboardContextMenu(hWnd);
        return 0;
    case WM_RBUTTONUP:
        SendMouseContextMenu(hWnd, lParam);
        return 0;
    case WM_HELP:
    case WM_CONTEXTMENU:
        return PassToParent(hWnd, Msg, wParam, lParam);
    default:
        return 0;
    }
}
