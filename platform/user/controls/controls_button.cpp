// Buttons: push buttons (clicked with the left mouse button or Space, which
// sends BN_CLICKED to the parent) and group boxes (a frame with a title).
#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_manager.h"

namespace vesper::platform::controls {

namespace {

constexpr int kGroupTextIndent = 8;
constexpr int kFocusInset = 4;

struct ButtonState : ControlState {
    bool pressed = false;
    bool focused = false;
    bool mouseDown = false;
    bool spaceDown = false;
};

DWORD StyleOf(HWND button)
{
    return static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
}

bool IsGroupBox(HWND button)
{
    return (StyleOf(button) & BS_TYPEMASK) == BS_GROUPBOX;
}

void PaintPushButton(HWND button, const ButtonState& state)
{
    ControlPaint paint(button);
    RECT area = paint.Client();
    HDC dc = paint.Dc();
    if ((StyleOf(button) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        FrameRect(dc, &area, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&area, -1, -1);
    }
    if (state.pressed) {
        FrameRect(dc, &area, GetSysColorBrush(COLOR_BTNSHADOW));
        InflateRect(&area, -1, -1);
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        OffsetRect(&area, 1, 1);
    } else {
        DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    const std::string text = TextOf(button);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (state.focused) {
        RECT focus = paint.Client();
        InflateRect(&focus, -kFocusInset, -kFocusInset);
        DrawFocusRect(dc, &focus);
    }
}

// The frame runs through the middle of the title; the inside is left alone,
// since the controls it frames lie there.
void PaintGroupBox(HWND box)
{
    ControlPaint paint(box);
    HDC dc = paint.Dc();
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT frame = paint.Client();
    frame.top += metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    const std::string text = TextOf(box);
    if (text.empty())
        return;
    RECT title{kGroupTextIndent, 0, paint.Client().right - kGroupTextIndent, metrics.tmHeight};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &title, DT_SINGLELINE | DT_CALCRECT);
    InflateRect(&title, 2, 0);
    FillRect(dc, &title, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(&title, -2, 0);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &title, DT_SINGLELINE);
}

void SetPressed(HWND button, ButtonState& state, bool pressed)
{
    if (state.pressed == pressed)
        return;
    state.pressed = pressed;
    InvalidateRect(button, nullptr, FALSE);
}

void Click(HWND button)
{
    Notify(button, BN_CLICKED);
}

bool Inside(HWND button, LPARAM position)
{
    RECT client{};
    GetClientRect(button, &client);
    const POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    return PtInRect(&client, at) != FALSE;
}

LRESULT PushButtonMessage(HWND button, ButtonState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintPushButton(button, state);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON |
               ((StyleOf(button) & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(button);
        SetCapture(button);
        state.mouseDown = true;
        SetPressed(button, state, true);
        return 0;
    case WM_MOUSEMOVE:
        if (state.mouseDown)
            SetPressed(button, state, Inside(button, lParam));
        return 0;
    case WM_LBUTTONUP:
        if (!state.mouseDown)
            return 0;
        state.mouseDown = false;
        ReleaseCapture();
        if (state.pressed) {
            SetPressed(button, state, false);
            Click(button);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            state.spaceDown = true;
            SetPressed(button, state, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && state.spaceDown) {
            state.spaceDown = false;
            SetPressed(button, state, false);
            Click(button);
        }
        return 0;
    case WM_SETFOCUS:
        state.focused = true;
        InvalidateRect(button, nullptr, FALSE);
        dialog::NoteControlFocus(button);
        return 0;
    case WM_KILLFOCUS:
        state.focused = false;
        state.spaceDown = false;
        if (state.mouseDown) {
            state.mouseDown = false;
            ReleaseCapture();
        }
        SetPressed(button, state, false);
        InvalidateRect(button, nullptr, FALSE);
        return 0;
    case BM_CLICK:
        Click(button);
        return 0;
    case BM_GETSTATE:
        return (state.pressed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        SetPressed(button, state, wParam != 0);
        return 0;
    default:
        return DefWindowProcA(button, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const auto handled = HandleCommon<ButtonState>(button, message, wParam, lParam))
        return *handled;
    auto* state = StateOf<ButtonState>(button);
    if (!state)
        return DefWindowProcA(button, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // push buttons paint all of themselves, group boxes only their frame
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefWindowProcA(button, message, wParam, lParam);
        InvalidateRect(button, nullptr, TRUE);
        return message == WM_SETTEXT ? result : 0;
    }
    case BM_SETSTYLE: {
        const DWORD style = StyleOf(button);
        const DWORD changed = (style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
        if (changed != style) {
            SetWindowLongA(button, GWL_STYLE, static_cast<LONG>(changed));
            if (lParam)
                InvalidateRect(button, nullptr, FALSE);
        }
        return 0;
    }
    default:
        break;
    }
    if (IsGroupBox(button)) {
        if (message == WM_PAINT) {
            PaintGroupBox(button);
            return 0;
        }
        if (message == WM_GETDLGCODE)
            return DLGC_STATIC;
        return DefWindowProcA(button, message, wParam, lParam);
    }
    return PushButtonMessage(button, *state, message, wParam, lParam);
}

}  // namespace vesper::platform::controls
