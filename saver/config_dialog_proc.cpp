#include "saver/config_dialog_proc.h"

#include <string>
#include <string_view>

#include "saver/globals.h"
#include "saver/speed_setting.h"

namespace {

// The title's font, made when the dialog opens and deleted with it.
HFONT s_titleFont = nullptr;

HFONT CreateTitleFont()
{
    // 16 points at a fixed 96 dots per inch, italic serif.
    return CreateFontA(MulDiv(-16, 96, 72), 0, 0, 0, FW_NORMAL, TRUE, 0, 0, ANSI_CHARSET, 0, 0, 0, 0x20,
                       "Times New Roman");
}

void SetControlText(HWND dialog, int control, const std::string& text)
{
    SendMessageA(GetDlgItem(dialog, control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Title before the first "|", credit line after it; without one, all title.
void ShowSceneStrings(HWND dialog)
{
    char buffer[kSceneStringsCapacity] = {};
    LoadStringA(g_hInstance, kSceneStringsResource, buffer, kSceneStringsCapacity);
    const std::string_view strings(buffer);
    const std::size_t bar = strings.find('|');
    SetControlText(dialog, kTitleControl, std::string(strings.substr(0, bar)));
    SetControlText(dialog, kCreditControl, bar == std::string_view::npos ? std::string()
                                                                          : std::string(strings.substr(bar + 1)));
}

BOOL OnInitDialog(HWND dialog)
{
    s_titleFont = CreateTitleFont();
    g_nSpeed = ReadSpeedSettingInRange();
    HWND speedBar = GetDlgItem(dialog, kSpeedScrollBar);
    SetScrollRange(speedBar, SB_CTL, kSlowestSpeed, kFastestSpeed, FALSE);
    SetScrollPos(speedBar, SB_CTL, g_nSpeed, TRUE);
    SendMessageA(GetDlgItem(dialog, kTitleControl), WM_SETFONT, reinterpret_cast<WPARAM>(s_titleFont), FALSE);
    ShowSceneStrings(dialog);
    return TRUE;
}

BOOL OnCommand(HWND dialog, int control)
{
    switch (control) {
    case IDOK:
        WriteSpeedSetting(g_nSpeed);
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnHorizontalScroll(WPARAM wParam, HWND scrollBar)
{
    const std::optional<int> speed = SpeedAfterScroll(LOWORD(wParam), HIWORD(wParam), g_nSpeed);
    if (!speed)
        return;
    g_nSpeed = *speed;
    SetScrollPos(scrollBar, SB_CTL, g_nSpeed, TRUE);
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_HSCROLL:
        OnHorizontalScroll(wParam, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DESTROY:
        if (s_titleFont) {
            DeleteObject(s_titleFont);
            s_titleFont = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
