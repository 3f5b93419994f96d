// Dialogs: creation from templates, the dialog window procedure, the modal
// loop, EndDialog and the calls that reach a dialog's controls.
#include "platform/user/dialog/dialog_manager.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_observer.h"
#include "platform/user/dialog/dialog_template.h"
#include "platform/user/user_state.h"

namespace vesper::platform::dialog {

namespace {

std::atomic<DialogObserver*> installedObserver{nullptr};

// Tells the observer, if any, of a dialog's life event.
void Tell(void (DialogObserver::*event)(HWND), HWND dialog)
{
    if (DialogObserver* observer = installedObserver.load())
        (observer->*event)(dialog);
}

constexpr char kDialogClass[] = "#32770";
constexpr int kPointsPerInch = 72;
constexpr int kDotsPerInch = 96;
// Base units when the dialog font cannot be measured: those of Windows'
// 8-point MS Sans Serif.
constexpr SIZE kFallbackBaseUnits{6, 13};

struct DialogRecord {
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE baseUnits = kFallbackBaseUnits;
    DWORD style = 0;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    int defaultId = IDOK;
    HWND savedFocus = nullptr;
    std::vector<HWND> controls;
};

struct DialogTable {
    std::mutex mutex;
    std::map<HWND, DialogRecord> dialogs;
};

DialogTable& Dialogs()
{
    static auto* table = new DialogTable;
    return *table;
}

// Runs `use` on the dialog's record under the table's lock; false when the
// window is no dialog.
template <typename Use>
bool WithRecord(HWND dialog, Use&& use)
{
    DialogTable& table = Dialogs();
    std::lock_guard lock(table.mutex);
    const auto found = table.dialogs.find(dialog);
    if (found == table.dialogs.end())
        return false;
    use(found->second);
    return true;
}


RECT ToPixels(SIZE units, int x, int y, int cx, int cy)
{
    return RECT{MulDiv(x, units.cx, 4), MulDiv(y, units.cy, 8), MulDiv(x + cx, units.cx, 4),
                MulDiv(y + cy, units.cy, 8)};
}

LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefDlgProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        HFONT owned = nullptr;
        DialogTable& table = Dialogs();
        {
            std::lock_guard lock(table.mutex);
            const auto found = table.dialogs.find(window);
            if (found != table.dialogs.end()) {
                if (found->second.ownsFont)
                    owned = found->second.font;
                table.dialogs.erase(found);
            }
        }
        if (owned)
            DeleteObject(owned);
        Tell(&DialogObserver::Closed, window);
    }
    return result;
}

void RegisterDialogClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSA windowClass{};
        windowClass.style = CS_DBLCLKS | CS_SAVEBITS;
        windowClass.lpfnWndProc = DialogWindowProc;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kDialogClass;
        RegisterClassA(&windowClass);
        controls::RegisterControlClasses();
    });
}

// The top-level window that owns the dialog: the root of the given window.
HWND OwnerRoot(HWND owner)
{
    if (!owner || !IsWindow(owner))
        return nullptr;
    while (HWND parent = GetParent(owner))
        owner = parent;
    return owner;
}

// The monitor that holds the middle of the owner's top-level window, the
// primary one without an owner.
RECT OwnerMonitor(HWND owner)
{
    POINT middle{0, 0};
    if (HWND root = OwnerRoot(owner)) {
        RECT rect{};
        GetWindowRect(root, &rect);
        middle = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const DWORD fallback = owner ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTOPRIMARY;
    if (!GetMonitorInfoA(MonitorFromPoint(middle, fallback), &info))
        GetClientRect(GetDesktopWindow(), &info.rcWork);
    return info.rcWork;
}

POINT DialogPosition(const DialogTemplate& dialogTemplate, SIZE units, SIZE size, HWND owner)
{
    RECT screen{};
    GetClientRect(GetDesktopWindow(), &screen);
    POINT at{MulDiv(dialogTemplate.x, units.cx, 4), MulDiv(dialogTemplate.y, units.cy, 8)};
    if (dialogTemplate.style & DS_CENTER) {
        // As on Windows, in the middle of the owner's monitor.
        const RECT monitor = OwnerMonitor(owner);
        at = POINT{(monitor.left + monitor.right - size.cx) / 2, (monitor.top + monitor.bottom - size.cy) / 2};
    } else if (owner && !(dialogTemplate.style & DS_ABSALIGN)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        at.x += origin.x;
        at.y += origin.y;
    }
    // Kept on the screen, its top left corner first.
    at.x = std::max<LONG>(0, std::min<LONG>(at.x, screen.right - size.cx));
    at.y = std::max<LONG>(0, std::min<LONG>(at.y, screen.bottom - size.cy));
    return at;
}


bool CreateControls(HWND dialog, const DialogTemplate& dialogTemplate, SIZE units, HFONT font, HINSTANCE instance)
{
    const POINT origin = ContentOrigin(dialogTemplate.style);
    for (const DialogItemTemplate& item : dialogTemplate.items) {
        RECT area = ToPixels(units, item.x, item.y, item.cx, item.cy);
        OffsetRect(&area, origin.x, origin.y);
        HWND control = CreateWindowExA(item.exStyle, item.className.c_str(), item.text.c_str(),
                                       (item.style | WS_CHILD) & ~WS_POPUP, area.left, area.top,
                                       area.right - area.left, area.bottom - area.top, dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (!control)
            return false;
        WithRecord(dialog, [&](DialogRecord& record) { record.controls.push_back(control); });
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return true;
}

// Makes the dialog, its controls and sends WM_INITDIALOG; the dialog is not
// shown yet. Null when any window cannot be made.
HWND MakeDialog(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM parameter,
                bool modal)
{
    const std::optional<DialogTemplate> found = FindDialogTemplate(templateName);
    if (!found) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const DialogTemplate& dialogTemplate = *found;
    RegisterDialogClass();
    bool ownsFont = false;
    const HFONT font = FontOf(dialogTemplate, ownsFont);
    const SIZE units = BaseUnitsOf(font);
    const SIZE frame = FrameExtent(dialogTemplate.style);
    const SIZE size{MulDiv(dialogTemplate.cx, units.cx, 4) + frame.cx, MulDiv(dialogTemplate.cy, units.cy, 8) + frame.cy};
    const POINT at = DialogPosition(dialogTemplate, units, size, owner);
    DWORD exStyle = dialogTemplate.exStyle;
    if (owner && (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST))
        exStyle |= WS_EX_TOPMOST;
    const DWORD style = (dialogTemplate.style & ~(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
    HWND dialog = CreateWindowExA(exStyle, kDialogClass, dialogTemplate.caption.c_str(), style, at.x, at.y, size.cx,
                                  size.cy, owner, nullptr, instance, nullptr);
    if (!dialog) {
        if (ownsFont)
            DeleteObject(font);
        return nullptr;
    }
    {
        DialogTable& table = Dialogs();
        std::lock_guard lock(table.mutex);
        DialogRecord& record = table.dialogs[dialog];
        record.font = font;
        record.ownsFont = ownsFont;
        record.baseUnits = units;
        record.style = dialogTemplate.style;
        record.modal = modal;
    }
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
    SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!CreateControls(dialog, dialogTemplate, units, font, instance)) {
        DestroyWindow(dialog);
        return nullptr;
    }
    Tell(&DialogObserver::Opened, dialog);
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), parameter) && IsWindow(dialog)) {
        first = GetNextDlgTabItem(dialog, nullptr, FALSE);
        if (first)
            FocusControl(dialog, first);
    }
    if (!IsWindow(dialog))
        return nullptr;
    const bool ended = modal && [&] {
        bool value = false;
        WithRecord(dialog, [&](const DialogRecord& record) { value = record.ended; });
        return value;
    }();
    if ((dialogTemplate.style & WS_VISIBLE) && !ended)
        ShowWindow(dialog, SW_SHOW);
    return dialog;
}

bool Ended(HWND dialog)
{
    bool ended = true;
    WithRecord(dialog, [&](const DialogRecord& record) { ended = record.ended; });
    return ended;
}

// The modal loop; returns false when WM_QUIT ended it.
bool RunModalLoop(HWND dialog, HWND owner)
{
    MSG msg{};
    while (!Ended(dialog)) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Tell(&DialogObserver::Idle, dialog);
            if (owner)
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            if (Ended(dialog))
                break;
            if (!GetMessageA(&msg, nullptr, 0, 0)) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
        } else if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

// What a dialog does with a message its procedure did not handle.
LRESULT DefaultDialogProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT area{};
        GetClipBox(reinterpret_cast<HDC>(wParam), &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
        PaintFrame(dialog, reinterpret_cast<HDC>(wParam));
        return 1;
    }
    case WM_CLOSE: {
        // Closing is cancelling, unless the cancel button is disabled.
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_LBUTTONDOWN: {
        const RECT box = CloseBox(dialog);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&box, at))
            SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, lParam);
        return 0;
    }
    case WM_SETFOCUS: {
        HWND saved = nullptr;
        WithRecord(dialog, [&](const DialogRecord& record) { saved = record.savedFocus; });
        if (!saved || !IsWindow(saved))
            saved = GetNextDlgTabItem(dialog, nullptr, FALSE);
        if (saved)
            FocusControl(dialog, saved);
        return 0;
    }
    case WM_GETFONT: {
        HFONT font = nullptr;
        WithRecord(dialog, [&](const DialogRecord& record) { font = record.font; });
        return reinterpret_cast<LRESULT>(font);
    }
    case DM_GETDEFID:
        return MAKELONG(DefaultId(dialog), DC_HASDEFID);
    case DM_SETDEFID:
        WithRecord(dialog, [&](DialogRecord& record) { record.defaultId = static_cast<int>(wParam); });
        NoteControlFocus(GetFocus());
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND target = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
        if (target)
            FocusControl(dialog, target);
        return 0;
    }
    case WM_SETFONT:
        return 0;
    default:
        return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

// Messages whose answer is the dialog procedure's return value itself.
bool AnswersDirectly(UINT message)
{
    return message == WM_INITDIALOG || message == WM_GETDLGCODE;
}

}  // namespace

SIZE BaseUnitsOf(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    TEXTMETRICA metrics{};
    SIZE alphabet{};
    SIZE units = kFallbackBaseUnits;
    if (GetTextMetricsA(dc, &metrics) && GetTextExtentPoint32A(dc, kAlphabet, sizeof kAlphabet - 1, &alphabet))
        units = SIZE{(alphabet.cx / 26 + 1) / 2, metrics.tmHeight};
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return units;
}

HFONT FontOf(const DialogTemplate& dialogTemplate, bool& owned)
{
    owned = false;
    if (!(dialogTemplate.style & DS_SETFONT))
        return static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    HFONT font = CreateFontA(-MulDiv(dialogTemplate.pointSize, kDotsPerInch, kPointsPerInch), 0, 0, 0, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, dialogTemplate.faceName.c_str());
    owned = font != nullptr;
    return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

DialogObserver* SetDialogObserver(DialogObserver* observer)
{
    return installedObserver.exchange(observer);
}

bool IsDialog(HWND window)
{
    return WithRecord(window, [](const DialogRecord&) {});
}

std::vector<HWND> ControlsOf(HWND dialog)
{
    std::vector<HWND> controls;
    WithRecord(dialog, [&](const DialogRecord& record) { controls = record.controls; });
    std::erase_if(controls, [](HWND control) { return !IsWindow(control); });
    return controls;
}

int DefaultId(HWND dialog)
{
    int id = IDOK;
    WithRecord(dialog, [&](const DialogRecord& record) { id = record.defaultId; });
    return id;
}

void NoteControlFocus(HWND control)
{
    HWND dialog = control ? GetParent(control) : nullptr;
    if (!dialog || !WithRecord(dialog, [&](DialogRecord& record) { record.savedFocus = control; }))
        return;
    controls::ShowDefaultButton(dialog, control, DefaultId(dialog));
}

}  // namespace vesper::platform::dialog

using namespace vesper::platform;
using namespace vesper::platform::dialog;

LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, DWLP_DLGPROC));
    if (procedure) {
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
        const INT_PTR handled = procedure(hDlg, Msg, wParam, lParam);
        if (AnswersDirectly(Msg))
            return handled;
        if (handled)
            return IsWindow(hDlg) ? GetWindowLongPtrA(hDlg, DWLP_MSGRESULT) : 0;
    }
    if (Msg == WM_INITDIALOG)
        return TRUE;
    return DefaultDialogProcessing(hDlg, Msg, wParam, lParam);
}

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    const HWND owner = OwnerRoot(hWndParent);
    // The owner is disabled first, so that it takes no input once the dialog shows.
    const bool reenableOwner = owner && IsWindowEnabled(owner) && EnableWindow(owner, FALSE) == FALSE;
    HWND dialog = MakeDialog(hInstance, lpTemplateName, owner, lpDialogFunc, dwInitParam, true);
    INT_PTR result = -1;
    if (dialog) {
        RunModalLoop(dialog, owner);
        result = 0;
        WithRecord(dialog, [&](const DialogRecord& record) { result = record.result; });
    }
    if (reenableOwner) {
        EnableWindow(owner, TRUE);
        if (dialog && IsWindow(owner))
            SetForegroundWindow(owner);
    }
    if (dialog && IsWindow(dialog))
        DestroyWindow(dialog);
    return result;
}

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    return MakeDialog(hInstance, lpTemplateName, OwnerRoot(hWndParent), lpDialogFunc, dwInitParam, false);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    bool modal = false;
    const bool found = WithRecord(hDlg, [&](DialogRecord& record) {
        record.ended = true;
        record.result = nResult;
        modal = record.modal;
    });
    if (!found)
        return FALSE;
    if (modal)
        PostMessageA(hDlg, WM_NULL, 0, 0);  // wakes the modal loop if it waits
    else
        ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    user::Lock lock = user::LockState();
    const user::Window* dialog = user::RequireWindow(hDlg);
    if (!dialog)
        return nullptr;
    for (HWND child : dialog->children)
        if (const user::Window* record = user::FindWindowRecord(child);
            record && static_cast<int>(reinterpret_cast<INT_PTR>(record->menu)) == nIDDlgItem)
            return child;
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    return static_cast<int>(GetWindowLongPtrA(hWnd, GWLP_ID));
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control && SetWindowTextA(control, lpString);
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        lpString[0] = '\0';
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? static_cast<UINT>(GetWindowTextA(control, lpString, cchMax)) : 0;
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageA(control, Msg, wParam, lParam) : 0;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    if (!lpRect)
        return FALSE;
    SIZE units{};
    if (!WithRecord(hDlg, [&](const DialogRecord& record) { units = record.baseUnits; }))
        return FALSE;
    *lpRect = ToPixels(units, lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    const SIZE units = BaseUnitsOf(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    return MAKELONG(units.cx, units.cy);
}
