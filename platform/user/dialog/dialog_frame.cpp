// The frame a dialog draws inside its window: a raised border and a caption
// bar with the title and a close box.
#include <string>

#include "platform/user/dialog/dialog_manager.h"

namespace vesper::platform::dialog {

namespace {

constexpr int kCloseBoxWidth = 16;
constexpr int kCloseBoxHeight = 14;
constexpr int kCaptionTextIndent = 4;
constexpr int kCaptionFontHeight = -11;

bool HasCaption(DWORD style)
{
    return (style & WS_CAPTION) == WS_CAPTION;
}

// The caption bar, in window coordinates.
RECT CaptionBar(HWND dialog)
{
    RECT window{};
    GetClientRect(dialog, &window);
    return RECT{kFrameBorder, kFrameBorder, window.right - kFrameBorder, kFrameBorder + kCaptionHeight};
}

HFONT CaptionFont()
{
    static HFONT font = CreateFontA(kCaptionFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                                    VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
    return font;
}

// A small cross of two diagonals, two pixels thick.
void PaintCross(HDC dc, const RECT& box)
{
    constexpr int kArm = 7;
    const int left = (box.left + box.right - kArm) / 2;
    const int top = (box.top + box.bottom - kArm) / 2;
    HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
    for (int i = 0; i < kArm; ++i) {
        const RECT falling{left + i, top + i, left + i + 2, top + i + 1};
        const RECT rising{left + kArm - 1 - i, top + i, left + kArm + 1 - i, top + i + 1};
        FillRect(dc, &falling, ink);
        FillRect(dc, &rising, ink);
    }
}

}  // namespace

POINT ContentOrigin(DWORD style)
{
    return POINT{kFrameBorder, kFrameBorder + (HasCaption(style) ? kCaptionHeight : 0)};
}

SIZE FrameExtent(DWORD style)
{
    return SIZE{2 * kFrameBorder, 2 * kFrameBorder + (HasCaption(style) ? kCaptionHeight : 0)};
}

RECT CloseBox(HWND dialog)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    if (!HasCaption(style) || !(style & WS_SYSMENU))
        return RECT{0, 0, 0, 0};
    const RECT bar = CaptionBar(dialog);
    const int top = bar.top + (kCaptionHeight - kCloseBoxHeight) / 2;
    return RECT{bar.right - 2 - kCloseBoxWidth, top, bar.right - 2, top + kCloseBoxHeight};
}

void PaintFrame(HWND dialog, HDC dc)
{
    RECT window{};
    GetClientRect(dialog, &window);
    DrawEdge(dc, &window, EDGE_RAISED, BF_RECT);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    if (!HasCaption(style))
        return;
    RECT bar = CaptionBar(dialog);
    FillRect(dc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
    char title[256]{};
    GetWindowTextA(dialog, title, sizeof title);
    HGDIOBJ previous = SelectObject(dc, CaptionFont());
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    SetBkMode(dc, TRANSPARENT);
    RECT text = bar;
    text.left += kCaptionTextIndent;
    const RECT box = CloseBox(dialog);
    if (!IsRectEmpty(&box))
        text.right = box.left;
    DrawTextA(dc, title, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (previous)
        SelectObject(dc, previous);
    if (!IsRectEmpty(&box)) {
        RECT edge = box;
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        PaintCross(dc, box);
    }
}

}  // namespace vesper::platform::dialog
