#include "saver/password_support.h"

#include "saver/saver_window.h"

BOOL g_bClosing = FALSE;
BOOL g_bInPasswordDialog = FALSE;
DWORD g_dwLastVerifyTime = kNeverVerified;
VerifyScreenSavePwdProc g_pfnVerifyScreenSavePwd = nullptr;

namespace {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kUsePasswordValue = "ScreenSaveUsePassword";

HMODULE g_hPasswordModule = nullptr;

bool PasswordSwitchedOn(HKEY desktop)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(desktop, kUsePasswordValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    return status == ERROR_SUCCESS && value != 0;
}

}  // namespace

void SetScreenSaverRunning(BOOL running)
{
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &previous, 0);
}

void LoadPasswordSupport()
{
    if (g_hPasswordModule)
        UnloadPasswordSupport();

    HKEY desktop = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kDesktopKey, &desktop) != ERROR_SUCCESS)
        return;
    if (PasswordSwitchedOn(desktop)) {
        g_hPasswordModule = LoadLibraryA(kPasswordModule);
        if (g_hPasswordModule) {
            g_pfnVerifyScreenSavePwd = reinterpret_cast<VerifyScreenSavePwdProc>(
                reinterpret_cast<void (*)()>(GetProcAddress(g_hPasswordModule, kVerifyExport)));
            if (g_pfnVerifyScreenSavePwd)
                SetScreenSaverRunning(TRUE);
            else
                UnloadPasswordSupport();
        }
    }
    RegCloseKey(desktop);
}

void UnloadPasswordSupport()
{
    if (g_hPasswordModule) {
        FreeLibrary(g_hPasswordModule);
        g_hPasswordModule = nullptr;
    }
    if (g_pfnVerifyScreenSavePwd) {
        g_pfnVerifyScreenSavePwd = nullptr;
        SetScreenSaverRunning(FALSE);
    }
}

BOOL VerifyPassword(HWND window)
{
    if (g_bInPasswordDialog || g_bClosing)
        return FALSE;
    if (!g_pfnVerifyScreenSavePwd) {
        g_bClosing = TRUE;
        return TRUE;
    }
    const DWORD now = GetTickCount();
    if (g_dwLastVerifyTime == kNeverVerified || now - g_dwLastVerifyTime >= kVerifyInterval) {
        g_bInPasswordDialog = TRUE;
        // Timer messages that piled up meanwhile would only step the scene
        // in bursts once the dialog is gone.
        MSG pending;
        for (int removal = 0; removal < 2; ++removal)
            PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
        g_bClosing = SendMessageA(window, WM_VERIFYPASSWORD, 0, 0) != 0;
        g_bInPasswordDialog = FALSE;
        if (!g_bClosing)
            HideSaverCursor();
        g_dwLastVerifyTime = GetTickCount();
    }
    return g_bClosing;
}
