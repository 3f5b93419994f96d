// Keyboard navigation in dialogs: tab stops, groups, Enter and Escape.
#include <algorithm>

#include "platform/user/dialog/dialog_manager.h"

namespace vesper::platform::dialog {

namespace {

DWORD StyleOf(HWND control)
{
    return static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
}

bool CanTakeFocus(HWND control)
{
    // The control's own style: a dialog that is not shown yet still has a focus.
    return (StyleOf(control) & WS_VISIBLE) && IsWindowEnabled(control) &&
           !(SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
}

// The controls of `candidates` after `from` (before it when going back), in
// a circle, ending with `from` itself; all of them when `from` is not there.
std::vector<HWND> InCircleFrom(const std::vector<HWND>& candidates, HWND from, bool previous)
{
    std::vector<HWND> order = candidates;
    if (previous)
        std::reverse(order.begin(), order.end());
    const auto at = std::find(order.begin(), order.end(), from);
    if (at != order.end())
        std::rotate(order.begin(), at + 1, order.end());
    return order;
}

// The controls of the group `control` belongs to: from the WS_GROUP control
// at or before it up to the next WS_GROUP control.
std::vector<HWND> GroupOf(const std::vector<HWND>& controls, HWND control)
{
    const auto at = std::find(controls.begin(), controls.end(), control);
    if (at == controls.end())
        return {};
    auto first = at;
    while (first != controls.begin() && !(StyleOf(*first) & WS_GROUP))
        --first;
    auto last = at + 1;
    while (last != controls.end() && !(StyleOf(*last) & WS_GROUP))
        ++last;
    return std::vector<HWND>(first, last);
}

// Presses the button with the id, as Enter or Escape do: WM_COMMAND
// BN_CLICKED to the dialog, unless the button is there and disabled.
void PressById(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool IsPushButtonCode(LRESULT code)
{
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Handles a key of the dialog's navigation; false when it is not one.
bool NavigationKey(HWND dialog, const MSG& msg, LRESULT code)
{
    HWND focus = GetFocus();
    if (focus && !IsChild(dialog, focus))
        focus = nullptr;
    switch (msg.wParam) {
    case VK_TAB: {
        if (code & DLGC_WANTTAB)
            return false;
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        if (HWND next = GetNextDlgTabItem(dialog, focus, back))
            FocusControl(dialog, next);
        return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if ((code & DLGC_WANTARROWS) || !focus)
            return false;
        const bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP;
        if (HWND next = GetNextDlgGroupItem(dialog, focus, back))
            FocusControl(dialog, next);
        return true;
    }
    case VK_RETURN:
        PressById(dialog, focus && IsPushButtonCode(code) ? GetDlgCtrlID(focus) : DefaultId(dialog));
        return true;
    case VK_ESCAPE:
        PressById(dialog, IDCANCEL);
        return true;
    default:
        return false;
    }
}

// Tab, Enter and Escape typed as characters: dropped unless the control asks
// for them.
bool SwallowedCharacter(const MSG& msg, LRESULT code)
{
    switch (msg.wParam) {
    case '\t':
        return !(code & DLGC_WANTTAB);
    case '\r':
    case 0x1B:
        return !(code & DLGC_WANTALLKEYS);
    default:
        return false;
    }
}

}  // namespace

void FocusControl(HWND dialog, HWND control)
{
    if (GetParent(control) != dialog)
        return;
    SetFocus(control);
    if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace vesper::platform::dialog

using namespace vesper::platform::dialog;

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const std::vector<HWND> controls = ControlsOf(hDlg);
    for (HWND candidate : InCircleFrom(controls, hCtl, bPrevious != FALSE))
        if ((StyleOf(candidate) & WS_TABSTOP) && CanTakeFocus(candidate))
            return candidate;
    return nullptr;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const std::vector<HWND> group = GroupOf(ControlsOf(hDlg), hCtl);
    for (HWND candidate : InCircleFrom(group, hCtl, bPrevious != FALSE))
        if (CanTakeFocus(candidate))
            return candidate;
    return hCtl;
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !hDlg || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
        return FALSE;
    if (lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_CHAR) {
        const LRESULT code =
            SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
        const bool wantsAll = (code & DLGC_WANTMESSAGE) != 0;
        if (!wantsAll && lpMsg->message == WM_KEYDOWN && NavigationKey(hDlg, *lpMsg, code))
            return TRUE;
        if (!wantsAll && lpMsg->message == WM_CHAR && SwallowedCharacter(*lpMsg, code))
            return TRUE;
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}
