// Static controls: a text line or paragraph, aligned by SS_LEFT, SS_CENTER or
// SS_RIGHT, on the dialog's face colour.
#include "platform/user/controls/controls.h"

namespace vesper::platform::controls {

namespace {

constexpr DWORD kAlignmentMask = SS_CENTER | SS_RIGHT;

UINT TextFormatOf(DWORD style)
{
    UINT format = DT_WORDBREAK | DT_EXPANDTABS;
    if ((style & kAlignmentMask) == SS_CENTER)
        format |= DT_CENTER;
    else if ((style & kAlignmentMask) == SS_RIGHT)
        format |= DT_RIGHT;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    return format;
}

void Paint(HWND control)
{
    ControlPaint paint(control);
    RECT area = paint.Client();
    FillRect(paint.Dc(), &area, GetSysColorBrush(COLOR_BTNFACE));
    const std::string text = TextOf(control);
    DrawTextA(paint.Dc(), text.c_str(), static_cast<int>(text.size()), &area,
              TextFormatOf(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE))));
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const auto handled = HandleCommon<ControlState>(control, message, wParam, lParam))
        return *handled;
    switch (message) {
    case WM_PAINT:
        Paint(control);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint fills the whole control
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefWindowProcA(control, message, wParam, lParam);
        InvalidateRect(control, nullptr, TRUE);
        return message == WM_SETTEXT ? result : 0;
    }
    default:
        return DefWindowProcA(control, message, wParam, lParam);
    }
}

}  // namespace vesper::platform::controls
