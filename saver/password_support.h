// The system's screen saver password as the saver window sees it: whether a
// password is in use (the registry flag), the password module's verification
// asked before a full-screen saver may close, and the state that decides
// whether input may end saving.
#pragma once

#include "platform/win32.h"

// Sent by the saver window to itself to run the password verification; the
// answer is non-zero when the saver may close.
inline constexpr UINT WM_VERIFYPASSWORD = 0x8000;
// Milliseconds that must pass between two verifications.
inline constexpr DWORD kVerifyInterval = 200;
inline constexpr DWORD kNeverVerified = 0xFFFFFFFF;

inline constexpr const char* kPasswordModule = "PASSWORD.CPL";
inline constexpr const char* kVerifyExport = "VerifyScreenSavePwd";

using VerifyScreenSavePwdProc = BOOL(WINAPI*)(HWND);

// The saver may close: no password is in use, or it was verified. Never
// cleared once set.
extern BOOL g_bClosing;
// The verification dialog is running.
extern BOOL g_bInPasswordDialog;
// Tick count taken after the last verification; kNeverVerified before one.
extern DWORD g_dwLastVerifyTime;
// Null when no password is in use.
extern VerifyScreenSavePwdProc g_pfnVerifyScreenSavePwd;

// Loads the password module when the user switched the password on, and tells
// the system that a password-protected saver runs.
void LoadPasswordSupport();
// Unloads it and clears the system's flag again.
void UnloadPasswordSupport();
// Asks for the password unless a verification runs, the saver may close
// already, or the last one was less than kVerifyInterval ago. Returns
// g_bClosing: non-zero when the saver may close.
BOOL VerifyPassword(HWND window);
void SetScreenSaverRunning(BOOL running);
