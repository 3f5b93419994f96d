// What the standard controls share: class registration, state objects,
// painting set-up, notifications and the default push button's look.
#include <mutex>

#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_manager.h"

namespace vesper::platform::controls {

namespace {

constexpr int kStateSlot = 0;

void Register(const char* name, WNDPROC procedure, LPCSTR cursor)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS | CS_PARENTDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hCursor = LoadCursorA(nullptr, cursor);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

bool IsPushButton(HWND window)
{
    const LRESULT code = SendMessageA(window, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

void RegisterControlClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Register("Static", StaticProc, IDC_ARROW);
        Register("Button", ButtonProc, IDC_ARROW);
        Register("ScrollBar", ScrollBarProc, IDC_ARROW);
        Register("Edit", EditProc, IDC_IBEAM);
    });
}

void ShowDefaultButton(HWND dialog, HWND focus, int defaultId)
{
    const bool focusIsPushButton = focus && IsPushButton(focus);
    for (HWND control : dialog::ControlsOf(dialog)) {
        if (!IsPushButton(control))
            continue;
        const bool isDefault = focusIsPushButton ? control == focus : GetDlgCtrlID(control) == defaultId;
        SendMessageA(control, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

ControlState* BaseStateOf(HWND control)
{
    return reinterpret_cast<ControlState*>(GetWindowLongPtrA(control, kStateSlot));
}

void AttachState(HWND control, ControlState* state)
{
    SetWindowLongPtrA(control, kStateSlot, reinterpret_cast<LONG_PTR>(state));
}

void DeleteState(HWND control)
{
    delete BaseStateOf(control);
    SetWindowLongPtrA(control, kStateSlot, 0);
}

ControlPaint::ControlPaint(HWND control) : m_control(control)
{
    BeginPaint(control, &m_paint);
    GetClientRect(control, &m_client);
    m_enabled = IsWindowEnabled(control) != FALSE;
    if (const ControlState* state = BaseStateOf(control); state && state->font)
        m_previousFont = SelectObject(m_paint.hdc, state->font);
    SetBkMode(m_paint.hdc, TRANSPARENT);
    SetTextColor(m_paint.hdc, GetSysColor(m_enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
}

ControlPaint::~ControlPaint()
{
    if (m_previousFont)
        SelectObject(m_paint.hdc, m_previousFont);
    EndPaint(m_control, &m_paint);
}

void Notify(HWND control, WORD code)
{
    if (HWND parent = GetParent(control))
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

std::string TextOf(HWND control)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace vesper::platform::controls
