// Horizontal scroll bar controls. They send WM_HSCROLL to their parent as a
// user works them: SB_LINELEFT/SB_LINERIGHT for the arrows, SB_PAGELEFT/
// SB_PAGERIGHT for the trough beside the thumb (both repeated while the
// button is held), SB_THUMBTRACK while the thumb is dragged and
// SB_THUMBPOSITION where it is released (the position in the high word),
// then SB_ENDSCROLL when the button or key is released. The position itself
// changes only through SBM_SETPOS (SetScrollPos): the parent decides.
#include <algorithm>
#include <utility>

#include "platform/kernel/settings_text.h"
#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_manager.h"
#include "platform/user/user_state.h"

namespace vesper::platform::controls {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatDelay = 400;
constexpr UINT kRepeatInterval = 50;
constexpr int kDefaultMaximum = 100;
constexpr COLORREF kTroughColour = RGB(224, 224, 224);

enum class Part { None, LeftArrow, RightArrow, LeftTrough, RightTrough, Thumb };

struct ScrollBarState : ControlState {
    int minimum = 0;
    int maximum = kDefaultMaximum;
    int position = 0;
    Part held = Part::None;
    // While the thumb is dragged: the position under it, and where in the
    // thumb the button went down.
    int trackPosition = 0;
    int grip = 0;
    bool focused = false;

    int Clamped(int value) const { return std::clamp(value, minimum, std::max(minimum, maximum)); }
};

ScrollBarLayout LayoutOf(HWND bar, const ScrollBarState& state, int position)
{
    RECT client{};
    GetClientRect(bar, &client);
    return LayoutScrollBar(client, state.minimum, state.maximum, position);
}

int ShownPosition(const ScrollBarState& state)
{
    return state.held == Part::Thumb ? state.trackPosition : state.position;
}

Part HitTest(HWND bar, const ScrollBarState& state, POINT at)
{
    const ScrollBarLayout layout = LayoutOf(bar, state, state.position);
    if (PtInRect(&layout.leftArrow, at))
        return Part::LeftArrow;
    if (PtInRect(&layout.rightArrow, at))
        return Part::RightArrow;
    if (PtInRect(&layout.thumb, at))
        return Part::Thumb;
    if (!PtInRect(&layout.track, at))
        return Part::None;
    return at.x < layout.thumb.left ? Part::LeftTrough : Part::RightTrough;
}

void Send(HWND bar, int code, int position = 0)
{
    if (HWND parent = GetParent(bar))
        SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(bar));
}

int CodeOf(Part part)
{
    switch (part) {
    case Part::LeftArrow: return SB_LINELEFT;
    case Part::RightArrow: return SB_LINERIGHT;
    case Part::LeftTrough: return SB_PAGELEFT;
    case Part::RightTrough: return SB_PAGERIGHT;
    default: return SB_ENDSCROLL;
    }
}

void PaintArrow(HDC dc, RECT box, bool pointsLeft, bool pressed, bool enabled)
{
    if (pressed) {
        FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
        InflateRect(&box, -1, -1);
        FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
        OffsetRect(&box, 1, 1);
    } else {
        DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    // A solid triangle, one column at a time.
    const int height = std::max<LONG>(1, (box.bottom - box.top) / 4);
    const LONG middle = (box.top + box.bottom) / 2;
    const LONG left = (box.left + box.right - height) / 2;
    HBRUSH ink = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (int column = 0; column < height; ++column) {
        const int reach = pointsLeft ? column : height - 1 - column;
        const RECT line{left + column, middle - reach, left + column + 1, middle + reach + 1};
        FillRect(dc, &line, ink);
    }
}

void Paint(HWND bar, const ScrollBarState& state)
{
    ControlPaint paint(bar);
    HDC dc = paint.Dc();
    const ScrollBarLayout layout = LayoutOf(bar, state, ShownPosition(state));
    PaintArrow(dc, layout.leftArrow, true, state.held == Part::LeftArrow, paint.Enabled());
    PaintArrow(dc, layout.rightArrow, false, state.held == Part::RightArrow, paint.Enabled());
    HBRUSH trough = CreateSolidBrush(kTroughColour);
    FillRect(dc, &layout.track, trough);
    DeleteObject(trough);
    if (!paint.Enabled() || state.maximum <= state.minimum)
        return;
    RECT thumb = layout.thumb;
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    if (state.focused) {
        InflateRect(&thumb, -3, -3);
        DrawFocusRect(dc, &thumb);
    }
}

void Redraw(HWND bar)
{
    InvalidateRect(bar, nullptr, FALSE);
}

// Whether a held arrow or trough still applies where the cursor is now.
bool StillHeld(HWND bar, const ScrollBarState& state)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(bar, &cursor);
    return HitTest(bar, state, cursor) == state.held;
}

void ButtonDown(HWND bar, ScrollBarState& state, POINT at)
{
    if (GetWindowLongA(bar, GWL_STYLE) & WS_TABSTOP)
        SetFocus(bar);
    const Part part = HitTest(bar, state, at);
    if (part == Part::None || state.maximum <= state.minimum)
        return;
    SetCapture(bar);
    state.held = part;
    if (part == Part::Thumb) {
        state.trackPosition = state.position;
        state.grip = at.x - LayoutOf(bar, state, state.position).thumb.left;
        return;
    }
    Redraw(bar);
    Send(bar, CodeOf(part));
    SetTimer(bar, kRepeatTimer, kFirstRepeatDelay, nullptr);
}

void Drag(HWND bar, ScrollBarState& state, POINT at)
{
    if (state.held != Part::Thumb)
        return;
    const ScrollBarLayout layout = LayoutOf(bar, state, state.position);
    const int position = ScrollPositionAt(layout, state.minimum, state.maximum, at.x - state.grip - layout.track.left);
    if (position == state.trackPosition)
        return;
    state.trackPosition = position;
    Redraw(bar);
    Send(bar, SB_THUMBTRACK, position);
}

void ButtonUp(HWND bar, ScrollBarState& state)
{
    const Part released = std::exchange(state.held, Part::None);
    if (released == Part::None)
        return;
    KillTimer(bar, kRepeatTimer);
    ReleaseCapture();
    Redraw(bar);
    if (released == Part::Thumb)
        Send(bar, SB_THUMBPOSITION, state.trackPosition);
    Send(bar, SB_ENDSCROLL);
}

void Repeat(HWND bar, ScrollBarState& state)
{
    if (state.held == Part::None || state.held == Part::Thumb) {
        KillTimer(bar, kRepeatTimer);
        return;
    }
    SetTimer(bar, kRepeatTimer, kRepeatInterval, nullptr);
    if (StillHeld(bar, state))
        Send(bar, CodeOf(state.held));
}

int KeyCode(WPARAM key)
{
    switch (key) {
    case VK_LEFT:
    case VK_UP: return SB_LINELEFT;
    case VK_RIGHT:
    case VK_DOWN: return SB_LINERIGHT;
    case VK_PRIOR: return SB_PAGELEFT;
    case VK_NEXT: return SB_PAGERIGHT;
    case VK_HOME: return SB_LEFT;
    case VK_END: return SB_RIGHT;
    default: return -1;
    }
}

LRESULT SetPosition(HWND bar, ScrollBarState& state, int position, bool redraw)
{
    const int previous = state.position;
    state.position = state.Clamped(position);
    if (redraw && state.position != previous)
        Redraw(bar);
    return previous;
}

void SetRange(HWND bar, ScrollBarState& state, int minimum, int maximum, bool redraw)
{
    state.minimum = minimum;
    state.maximum = maximum;
    state.position = state.Clamped(state.position);
    if (redraw)
        Redraw(bar);
}

POINT PointOf(LPARAM lParam)
{
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

}  // namespace

ScrollBarLayout LayoutScrollBar(const RECT& client, int minimum, int maximum, int position)
{
    const LONG arrow = std::min(client.bottom, client.right / 2);
    ScrollBarLayout layout{};
    layout.leftArrow = RECT{0, 0, arrow, client.bottom};
    layout.rightArrow = RECT{client.right - arrow, 0, client.right, client.bottom};
    layout.track = RECT{arrow, 0, client.right - arrow, client.bottom};
    const LONG thumbWidth = std::min<LONG>(client.bottom, layout.track.right - layout.track.left);
    layout.thumb = RECT{arrow, 0, arrow + thumbWidth, client.bottom};
    const int span = maximum - minimum;
    if (span > 0)
        OffsetRect(&layout.thumb, MulDiv(std::clamp(position, minimum, maximum) - minimum, layout.Travel(), span), 0);
    return layout;
}

int ScrollPositionAt(const ScrollBarLayout& layout, int minimum, int maximum, LONG offset)
{
    const LONG travel = layout.Travel();
    if (travel == 0 || maximum <= minimum)
        return minimum;
    return minimum + MulDiv(std::clamp<LONG>(offset, 0, travel), maximum - minimum, travel);
}

LRESULT CALLBACK ScrollBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const auto handled = HandleCommon<ScrollBarState>(bar, message, wParam, lParam))
        return *handled;
    auto* state = StateOf<ScrollBarState>(bar);
    if (!state)
        return DefWindowProcA(bar, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(bar, *state);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ButtonDown(bar, *state, PointOf(lParam));
        return 0;
    case WM_MOUSEMOVE:
        Drag(bar, *state, PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        ButtonUp(bar, *state);
        return 0;
    case WM_TIMER:
        if (wParam == kRepeatTimer)
            Repeat(bar, *state);
        return 0;
    case WM_KEYDOWN:
        if (const int code = KeyCode(wParam); code >= 0)
            Send(bar, code);
        return 0;
    case WM_KEYUP:
        if (KeyCode(wParam) >= 0)
            Send(bar, SB_ENDSCROLL);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state->focused = message == WM_SETFOCUS;
        Redraw(bar);
        if (state->focused)
            dialog::NoteControlFocus(bar);
        return 0;
    case WM_ENABLE:
        Redraw(bar);
        return 0;
    case SBM_SETPOS:
        return SetPosition(bar, *state, static_cast<int>(wParam), lParam != 0);
    case SBM_GETPOS:
        return state->position;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
        SetRange(bar, *state, static_cast<int>(wParam), static_cast<int>(lParam), message == SBM_SETRANGEREDRAW);
        return state->position;
    case SBM_GETRANGE:
        if (wParam)
            *reinterpret_cast<LPINT>(wParam) = state->minimum;
        if (lParam)
            *reinterpret_cast<LPINT>(lParam) = state->maximum;
        return 0;
    default:
        return DefWindowProcA(bar, message, wParam, lParam);
    }
}

}  // namespace vesper::platform::controls

namespace {

// Only scroll bar controls have scroll bars here.
bool IsScrollBarControl(HWND window, int bar)
{
    using namespace vesper::platform;
    if (bar == SB_CTL) {
        user::Lock lock = user::LockState();
        const user::Window* record = user::FindWindowRecord(window);
        if (record && record->windowClass && EqualsIgnoringCase(record->windowClass->name, "ScrollBar"))
            return true;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

}  // namespace

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw)
{
    return IsScrollBarControl(hWnd, nBar) ? static_cast<int>(SendMessageA(hWnd, SBM_SETPOS, nPos, bRedraw)) : 0;
}

int GetScrollPos(HWND hWnd, int nBar)
{
    return IsScrollBarControl(hWnd, nBar) ? static_cast<int>(SendMessageA(hWnd, SBM_GETPOS, 0, 0)) : 0;
}

BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw)
{
    if (!IsScrollBarControl(hWnd, nBar))
        return FALSE;
    SendMessageA(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(nMinPos), nMaxPos);
    return TRUE;
}

BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos)
{
    if (!IsScrollBarControl(hWnd, nBar) || !lpMinPos || !lpMaxPos)
        return FALSE;
    SendMessageA(hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(lpMinPos), reinterpret_cast<LPARAM>(lpMaxPos));
    return TRUE;
}
