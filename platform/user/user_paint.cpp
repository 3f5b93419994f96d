// Painting: update regions, the paint cycle, window device contexts (through
// GDI's window area hook) and FillRect.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/kernel/clock.h"
#include "platform/drivers/display.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

// Called by GDI, with its lock held, for GetDC of a window: the window draws
// on its visible area less the windows in front of it.
std::optional<gdi::WindowArea> WindowAreaOf(HWND window)
{
    Lock lock = LockState();
    Window* record = FindWindowRecord(window);
    if (!record)
        return std::nullopt;
    gdi::Region visible(VisibleOnScreen(*record));
    if (!visible.IsEmpty())
        for (const RECT& above : AreasInFrontOf(*record))
            visible.Subtract(above);
    return gdi::WindowArea(ClientOnScreen(*record), std::move(visible));
}

// Takes `removed` out of the bounding box `box` where a box remains: when it
// covers the whole box, or a band along one whole side of it. Otherwise the
// box stays as it is: painting a little more than needed is harmless.
void SubtractFromBox(RECT& box, const RECT& removed)
{
    RECT common;
    if (!IntersectRect(&common, &box, &removed))
        return;
    const bool fullWidth = common.left == box.left && common.right == box.right;
    const bool fullHeight = common.top == box.top && common.bottom == box.bottom;
    if (fullWidth && fullHeight)
        SetRectEmpty(&box);
    else if (fullWidth && common.top == box.top)
        box.top = common.bottom;
    else if (fullWidth && common.bottom == box.bottom)
        box.bottom = common.top;
    else if (fullHeight && common.left == box.left)
        box.left = common.right;
    else if (fullHeight && common.right == box.right)
        box.right = common.left;
}

// Windows 95's standard colours, COLOR_SCROLLBAR (0) to COLOR_3DLIGHT (22).
constexpr COLORREF kSystemColours[] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(192, 192, 192)};
constexpr UINT_PTR kSystemColourCount = std::size(kSystemColours);

// The brush's colour; none for an invalid brush, and for the hollow brush,
// which paints nothing.
std::optional<COLORREF> BrushColour(HBRUSH brush, bool& hollow)
{
    const auto value = reinterpret_cast<UINT_PTR>(brush);
    if (value >= 1 && value <= kSystemColourCount)
        return kSystemColours[value - 1];
    const gdi::SolidBrush* solid = gdi::FindBrush(brush);
    if (!solid)
        return std::nullopt;
    hollow = solid->hollow;
    return solid->colour;
}

}  // namespace

void InstallGdiHooks()
{
    gdi::SetWindowAreaProvider(WindowAreaOf);
    SetPaletteChangedHandler(BroadcastPaletteChanged);
}

}  // namespace vesper::platform::user

using namespace vesper::platform;
using namespace vesper::platform::user;

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    Lock lock = LockState();
    if (!hWnd) {
        for (const auto& [key, window] : GetState().windows)
            InvalidateLocked(*window, nullptr, bErase != FALSE);
    } else if (Window* window = RequireWindow(hWnd)) {
        InvalidateLocked(*window, lpRect, bErase != FALSE);
    } else {
        return FALSE;
    }
    WakeWaiters();
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect)
{
    if (!hWnd)  // documented: a NULL window repaints every window
        return InvalidateRect(nullptr, nullptr, TRUE);
    Lock lock = LockState();
    Window* window = RequireWindow(hWnd);
    if (!window)
        return FALSE;
    if (lpRect)
        SubtractFromBox(window->update, *lpRect);
    else
        SetRectEmpty(&window->update);
    if (IsRectEmpty(&window->update)) {
        SetRectEmpty(&window->update);
        window->eraseUpdate = false;
    }
    return TRUE;
}

// The bounding box of the area waiting to be painted, in client coordinates;
// erasing is left to BeginPaint, which does it anyway when it is pending.
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL /*bErase*/)
{
    Lock lock = LockState();
    const Window* window = RequireWindow(hWnd);
    if (!window)
        return FALSE;
    if (lpRect)
        *lpRect = window->update;
    return !IsRectEmpty(&window->update);
}

BOOL UpdateWindow(HWND hWnd)
{
    {
        Lock lock = LockState();
        const Window* window = RequireWindow(hWnd);
        if (!window)
            return FALSE;
        if (IsRectEmpty(&window->update) || !IsShown(*window))
            return TRUE;
    }
    SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (!lpPaint)
        return nullptr;
    RECT box{};
    bool erase = false;
    {
        Lock lock = LockState();
        Window* window = RequireWindow(hWnd);
        if (!window)
            return nullptr;
        box = window->update;
        erase = window->eraseUpdate;
        SetRectEmpty(&window->update);
        window->eraseUpdate = false;
    }
    const HDC dc = GetDC(hWnd);
    if (!dc)
        return nullptr;
    {
        // Drawing is cut to what needed repainting.
        std::lock_guard lock(GdiMutex());
        gdi::DeviceContext* context = gdi::FindDC(dc);
        RECT onScreen = box;
        OffsetRect(&onScreen, context->origin.x, context->origin.y);
        if (context->clip)
            context->clip->Intersect(onScreen);
        else
            context->clip = gdi::Region(onScreen);
    }
    std::memset(lpPaint, 0, sizeof *lpPaint);
    lpPaint->hdc = dc;
    lpPaint->rcPaint = box;
    if (erase)
        lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (!lpPaint)
        return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    CurrentWindowBackend()->PresentChanges();
    return TRUE;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    if (!lprc)
        return 0;
    std::lock_guard lock(GdiMutex());
    const gdi::DeviceContext* context = gdi::FindDC(hDC);
    bool hollow = false;
    const std::optional<COLORREF> colour = BrushColour(hbr, hollow);
    if (!context || !colour)
        return 0;
    if (hollow)
        return 1;
    Display& display = CurrentDisplay();
    RECT area = *lprc;
    OffsetRect(&area, context->origin.x, context->origin.y);
    const RECT drawable = gdi::DrawableArea(*context, display);
    if (!IntersectRect(&area, &area, &drawable))
        return 1;
    BYTE pixel[4]{};
    gdi::DevicePixelOf(*colour, *context, display, pixel);
    const Surface surface = display.Pixels();
    gdi::ForEachVisiblePart(*context, display, area, [&](const RECT& part) {
        gdi::FillArea(surface, part, pixel);
        display.AreaChanged(part);
    });
    return 1;
}

DWORD GetSysColor(int nIndex)
{
    if (nIndex < 0 || static_cast<UINT_PTR>(nIndex) >= kSystemColourCount)
        return 0;
    return kSystemColours[nIndex];
}
