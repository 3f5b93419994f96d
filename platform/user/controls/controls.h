// The standard controls of dialogs: what their window procedures share.
// Each control keeps its state in an object that its window's extra bytes
// point to, made on WM_NCCREATE and deleted on WM_NCDESTROY.
#pragma once

#include "platform/internal.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/win32.h"

namespace vesper::platform::controls {

// Registers "Static", "Button", "ScrollBar" and "Edit" (once per process).
void RegisterControlClasses();

// Gives the dialog's push buttons their look: the focused push button is the
// default one; when no push button has the focus, the button with the
// dialog's default id is.
void ShowDefaultButton(HWND dialog, HWND focus, int defaultId);

struct ControlState {
    virtual ~ControlState() = default;
    HFONT font = nullptr;
};

ControlState* BaseStateOf(HWND control);
template <typename State>
State* StateOf(HWND control)
{
    return static_cast<State*>(BaseStateOf(control));
}
void AttachState(HWND control, ControlState* state);
void DeleteState(HWND control);

// Handles what every control does the same way: its state's life, WM_SETFONT
// (redrawing when lParam says so) and WM_GETFONT. None for other messages.
template <typename State>
std::optional<LRESULT> HandleCommon(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        AttachState(control, new State);
        return DefWindowProcA(control, message, wParam, lParam);
    case WM_NCDESTROY:
        DeleteState(control);
        return 0;
    default:
        break;
    }
    ControlState* state = BaseStateOf(control);
    if (!state)
        return std::nullopt;
    switch (message) {
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(control, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state->font);
    default:
        return std::nullopt;
    }
}

// One paint cycle of a control with its font selected and its text colours
// set: COLOR_BTNTEXT (COLOR_GRAYTEXT when disabled) on a transparent background.
class ControlPaint {
public:
    explicit ControlPaint(HWND control);
    ~ControlPaint();
    ControlPaint(const ControlPaint&) = delete;
    ControlPaint& operator=(const ControlPaint&) = delete;

    HDC Dc() const { return m_paint.hdc; }
    const RECT& Client() const { return m_client; }
    bool Enabled() const { return m_enabled; }

private:
    HWND m_control;
    PAINTSTRUCT m_paint{};
    RECT m_client{};
    HGDIOBJ m_previousFont = nullptr;
    bool m_enabled = true;
};

// WM_COMMAND with a notification code from a control to its parent.
void Notify(HWND control, WORD code);
std::string TextOf(HWND control);

// Where the parts of a horizontal scroll bar lie in its client area: square
// arrows at both ends, the track between them and in it a square thumb at
// the position.
struct ScrollBarLayout {
    RECT leftArrow;
    RECT rightArrow;
    RECT track;
    RECT thumb;

    LONG Travel() const { return std::max<LONG>(0, (track.right - track.left) - (thumb.right - thumb.left)); }
};
ScrollBarLayout LayoutScrollBar(const RECT& client, int minimum, int maximum, int position);
// The position whose thumb starts `offset` pixels into the track.
int ScrollPositionAt(const ScrollBarLayout& layout, int minimum, int maximum, LONG offset);

LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace vesper::platform::controls
