// LoadLibraryA, FreeLibrary, GetModuleHandleA, GetProcAddress and
// GetModuleFileNameA over the built-in module table, with reference counts.
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/module_path.h"
#include "platform/kernel/module_table.h"
#include "platform/kernel/settings_text.h"
#include "platform/win32.h"

namespace vesper::platform {

HINSTANCE ProgramInstance()
{
    // The customary base address of a Windows program image.
    return reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x00400000));
}

std::string ModulePath()
{
    // readlink does not say how long the link is: grow until it fits.
    std::string path(256, '\0');
    while (true) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace vesper::platform

namespace {

using vesper::platform::BuiltInModule;
using vesper::platform::BuiltInModules;

constexpr std::string_view kDefaultExtension = ".DLL";
std::mutex moduleMutex;

// How many times each built-in module is loaded, by its place in the table.
unsigned& ReferenceCount(const BuiltInModule& module)
{
    static std::vector<unsigned> counts(BuiltInModules().size());
    return counts[static_cast<std::size_t>(&module - BuiltInModules().data())];
}

// The module a name refers to: its file name part, with ".DLL" supplied when
// it has no extension and a trailing '.' meaning "no extension".
const BuiltInModule* FindByName(std::string_view name)
{
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string fileName(name);
    if (fileName.ends_with('.'))
        fileName.pop_back();
    else if (fileName.find('.') == std::string::npos)
        fileName += kDefaultExtension;
    for (const BuiltInModule& module : BuiltInModules()) {
        if (vesper::platform::EqualsIgnoringCase(module.name, fileName))
            return &module;
    }
    return nullptr;
}

// The loaded module with this handle, or null.
const BuiltInModule* FindLoaded(HMODULE handle)
{
    for (const BuiltInModule& module : BuiltInModules()) {
        if (module.handle == handle && ReferenceCount(module) > 0)
            return &module;
    }
    return nullptr;
}

DWORD CopyTruncatedName(std::string_view text, LPSTR buffer, DWORD size)
{
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (text.size() >= size) {
        std::memcpy(buffer, text.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard lock(moduleMutex);
    const BuiltInModule* module = FindByName(lpLibFileName);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++ReferenceCount(*module);
    return module->handle;
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    if (hLibModule && hLibModule == vesper::platform::ProgramInstance())
        return TRUE;
    std::lock_guard lock(moduleMutex);
    const BuiltInModule* module = FindLoaded(hLibModule);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --ReferenceCount(*module);
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    if (!lpModuleName)
        return vesper::platform::ProgramInstance();
    std::lock_guard lock(moduleMutex);
    const BuiltInModule* module = FindByName(lpModuleName);
    if (!module || ReferenceCount(*module) == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return module->handle;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    std::lock_guard lock(moduleMutex);
    const BuiltInModule* module = FindLoaded(hModule);
    if (!module) {
        SetLastError(hModule == vesper::platform::ProgramInstance() ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // A value below 0x10000 is an ordinal; the stand-ins export by name only.
    if (reinterpret_cast<ULONG_PTR>(lpProcName) >= 0x10000) {
        for (const auto& entry : module->exports) {
            if (entry.name == lpProcName)
                return entry.address;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (!hModule || hModule == vesper::platform::ProgramInstance()) {
        const std::string path = vesper::platform::ModulePath();
        if (path.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        return CopyTruncatedName(path, lpFilename, nSize);
    }
    std::string name;
    {
        std::lock_guard lock(moduleMutex);
        const BuiltInModule* module = FindLoaded(hModule);
        if (!module) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        name = module->name;
    }
    return CopyTruncatedName(name, lpFilename, nSize);
}
