// ADVAPI services of the Win32 subset: the registry, kept per user in a small
// file-backed store in the Vesper settings folder (see registry_store.h).
// Key and value names match without regard to ASCII case and keep the case
// they were created with.
#pragma once

#include "platform/api/win32_types.h"

using ULONG_PTR = std::uintptr_t;
using PHKEY = HKEY*;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

// Results are Win32 error codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such
// key or value), ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER, ERROR_MORE_DATA,
// or the error of a failed store write.

// Opens an existing key; a NULL or empty sub key gives hKey itself back.
LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
// Opens the key, creating it and any missing parent keys first.
LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LONG RegCloseKey(HKEY hKey);
// A NULL or empty value name is the key's default value. With lpData NULL only
// the type and size are returned. When the buffer is too small the result is
// ERROR_MORE_DATA with the needed size in *lpcbData and the buffer untouched.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData);
// Stores exactly cbData bytes (for REG_SZ the terminating NUL included).
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);

#define RegOpenKey RegOpenKeyA
#define RegCreateKey RegCreateKeyA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
