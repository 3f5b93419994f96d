// The screen saver password at rest: a salted yescrypt hash in the file
// "password.hash" of the user's Vesper folder (mode 0600, replaced
// atomically), and the registry flag that tells the saver a password is in
// use: HKEY_CURRENT_USER "Control Panel\Desktop", "ScreenSaveUsePassword".
#pragma once

#include "platform/internal.h"

#include <filesystem>

#include "platform/password/password_secret.h"
#include "platform/api/win32_types.h"

namespace vesper::platform {

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kUsePasswordValue = "ScreenSaveUsePassword";

std::filesystem::path PasswordHashPath();

// Whether a password hash file exists. One that is damaged (unreadable, or
// not holding a hash this code wrote) still counts: its password is set and
// matches nothing, so damage never opens a locked saver.
bool IsPasswordSet();

// A non-empty password replaces the hash and turns the flag on (1); an empty
// one removes the hash and turns the flag off (0). Returns NO_ERROR or the
// Win32 error; the hash is written before the flag is turned on and the flag
// turned off before the hash is removed, so a failure never leaves the flag on
// without a hash written by this call.
DWORD StorePassword(const SecretText& password);

// True only when a sound hash is stored and the attempt matches it.
bool CheckPassword(const SecretText& attempt);

}  // namespace vesper::platform
