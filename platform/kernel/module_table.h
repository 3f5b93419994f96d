// The modules that LoadLibraryA can load: the platform's built-in stand-ins for
// the system components the saver loads by name, each with its exports.
//
//   PASSWORD.CPL  VerifyScreenSavePwd   BOOL (HWND)
//   MPR.DLL       PwdChangePasswordA    DWORD (LPCSTR, HWND, DWORD, LPVOID)
//
// The input-method module is deliberately absent: it is never loaded.
#pragma once

#include "platform/internal.h"

#include <span>
#include <string_view>

#include "platform/win32.h"

namespace vesper::platform {

struct BuiltInExport {
    std::string_view name;
    FARPROC address;
};

struct BuiltInModule {
    std::string_view name;  // upper case, with its extension
    HMODULE handle;
    std::span<const BuiltInExport> exports;
};

std::span<const BuiltInModule> BuiltInModules();

}  // namespace vesper::platform
