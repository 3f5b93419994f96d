// The exports of the stand-in password modules, reached by the saver through
// LoadLibraryA and GetProcAddress ("PASSWORD.CPL" and "MPR.DLL"). Both ask the
// current PasswordPrompt for the texts they need.
#pragma once

#include "platform/internal.h"

#include <cstdint>

#include "platform/win32.h"

namespace vesper::platform {

// Milliseconds on the platform clock that must pass after a wrong password
// before the next one is checked.
inline constexpr std::uint64_t kPasswordRetryDelayMs = 1000;

// Asks for the password and returns TRUE only when it is right (or when no
// password is set). Within the retry delay after a wrong entry it returns
// FALSE without asking. A cancelled prompt returns FALSE; a prompt that cannot
// be shown at all returns TRUE (with the reason on standard error), so that
// nobody is locked out.
BOOL WINAPI VerifyScreenSavePwd(HWND hwnd);

// For provider "SCRSAVE": asks for the old password when one is set, then the
// new one twice, and stores it (an empty one removes the password). A wrong old
// password or differing entries change nothing and are told to the prompt.
// Returns NO_ERROR, ERROR_CANCELLED, ERROR_INVALID_PASSWORD (wrong old
// password, or asked again within the retry delay), ERROR_INVALID_DATA (the
// entries differ), ERROR_BAD_PROVIDER, or the error of a failed store.
DWORD WINAPI PwdChangePasswordA(LPCSTR lpcRegkeyname, HWND hwnd, DWORD dwUnused1, LPVOID lpUnused2);

// Forgets the last wrong entry, so that the next check is not delayed.
void ResetPasswordRetryDelay();

}  // namespace vesper::platform
