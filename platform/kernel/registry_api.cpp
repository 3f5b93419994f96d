// RegOpenKeyA, RegCreateKeyA, RegCloseKey, RegQueryValueExA and RegSetValueExA
// over the file-backed RegistryStore. Every call reads the store afresh, so
// that a change made by another Vesper process (the password setting, say) is
// seen at once; every change is written back atomically.
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/kernel/config_paths.h"
#include "platform/kernel/registry_store.h"
#include "platform/kernel/settings_file_io.h"
#include "platform/win32.h"

namespace {

using vesper::platform::RegistryStore;

constexpr const char* kStoreFileName = "registry.ini";
constexpr mode_t kStoreFileMode = 0600;
constexpr std::size_t kMaxKeyNameLength = 255;

struct PredefinedKey {
    HKEY handle;
    const char* path;
};

const std::array<PredefinedKey, 4>& PredefinedKeys()
{
    static const std::array<PredefinedKey, 4> keys{{
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, "HKEY_USERS"},
    }};
    return keys;
}

// Open keys by handle value. Handles count up from a small base in steps of 4,
// far below the predefined keys' values.
class OpenKeys {
public:
    HKEY Add(std::string path)
    {
        const ULONG_PTR value = m_nextHandle;
        m_nextHandle += 4;
        m_paths.emplace(value, std::move(path));
        return reinterpret_cast<HKEY>(value);
    }
    bool Remove(HKEY key) { return m_paths.erase(reinterpret_cast<ULONG_PTR>(key)) == 1; }
    std::optional<std::string> PathOf(HKEY key) const
    {
        for (const PredefinedKey& predefined : PredefinedKeys()) {
            if (predefined.handle == key)
                return predefined.path;
        }
        const auto found = m_paths.find(reinterpret_cast<ULONG_PTR>(key));
        if (found == m_paths.end())
            return std::nullopt;
        return found->second;
    }
    static bool IsPredefined(HKEY key)
    {
        for (const PredefinedKey& predefined : PredefinedKeys()) {
            if (predefined.handle == key)
                return true;
        }
        return false;
    }

private:
    ULONG_PTR m_nextHandle = 0x100;
    std::map<ULONG_PTR, std::string> m_paths;
};

// The handle table and the store file are both guarded by this one lock.
std::mutex registryMutex;
OpenKeys openKeys;

std::filesystem::path StorePath()
{
    return vesper::platform::ResolveUserFile(kStoreFileName);
}

// Loads the store; a missing file is an empty store.
LONG LoadStore(std::optional<RegistryStore>& store)
{
    const std::filesystem::path path = StorePath();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    vesper::platform::UserFileContents contents;
    if (const DWORD error = vesper::platform::ReadUserFile(path, vesper::platform::kMaxUserFileBytes, contents))
        return static_cast<LONG>(error);
    store = RegistryStore::Parse(contents.bytes);
    return store ? ERROR_SUCCESS : ERROR_BADDB;
}

LONG SaveStore(const RegistryStore& store)
{
    const std::filesystem::path path = StorePath();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    if (!vesper::platform::EnsureConfigDirectory(path.parent_path()))
        return static_cast<LONG>(vesper::platform::Win32ErrorFromErrno(errno));
    return static_cast<LONG>(vesper::platform::ReplaceFileAtomically(
        path, store.Serialize(), kStoreFileMode, vesper::platform::ExistingFileMode::Override));
}

// The full path of hKey\subKey; the error when the handle or name is unusable.
LONG ResolveSubKey(HKEY key, LPCSTR subKey, std::string& path)
{
    const auto base = openKeys.PathOf(key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    path = *base;
    if (!subKey || !*subKey)
        return ERROR_SUCCESS;
    std::string_view rest = subKey;
    while (true) {
        const auto separator = rest.find('\\');
        const std::string_view component = rest.substr(0, separator);
        if (component.empty() || component.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        path += '\\';
        path += component;
        if (separator == std::string_view::npos)
            return ERROR_SUCCESS;
        rest.remove_prefix(separator + 1);
    }
}

LONG OpenOrCreate(HKEY key, LPCSTR subKey, PHKEY result, bool create)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(registryMutex);
    std::string path;
    if (const LONG error = ResolveSubKey(key, subKey, path))
        return error;
    if (!subKey || !*subKey) {
        // The same handle comes back, as on Windows; closing it is harmless
        // for a predefined key and closes the caller's key otherwise.
        *result = key;
        return ERROR_SUCCESS;
    }
    std::optional<RegistryStore> store;
    if (const LONG error = LoadStore(store))
        return error;
    if (!store->KeyExists(path)) {
        if (!create)
            return ERROR_FILE_NOT_FOUND;
        store->CreateKey(path);
        if (const LONG error = SaveStore(*store))
            return error;
    }
    *result = openKeys.Add(std::move(path));
    return ERROR_SUCCESS;
}

// The open key's path and the store as it is on disk. Called with
// registryMutex held.
LONG LoadKeyAndStore(HKEY key, std::string& path, std::optional<RegistryStore>& store)
{
    const auto found = openKeys.PathOf(key);
    if (!found)
        return ERROR_INVALID_HANDLE;
    path = *found;
    return LoadStore(store);
}

}  // namespace

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return OpenOrCreate(hKey, lpSubKey, phkResult, false);
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return OpenOrCreate(hKey, lpSubKey, phkResult, true);
}

LONG RegCloseKey(HKEY hKey)
{
    std::lock_guard lock(registryMutex);
    if (OpenKeys::IsPredefined(hKey) || openKeys.Remove(hKey))
        return ERROR_SUCCESS;
    return ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(registryMutex);
    std::string path;
    std::optional<RegistryStore> store;
    if (const LONG error = LoadKeyAndStore(hKey, path, store))
        return error;
    const vesper::platform::RegistryValue* value = store->FindValue(path, lpValueName ? lpValueName : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = value->type;
    if (!lpcbData)
        return ERROR_SUCCESS;
    const auto size = static_cast<DWORD>(value->data.size());
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData && size > 0)
        std::memcpy(lpData, value->data.data(), size);
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (!lpData && cbData > 0)
        return ERROR_INVALID_PARAMETER;
    if (cbData > vesper::platform::kMaxUserFileBytes)
        return ERROR_NOT_ENOUGH_QUOTA;
    std::lock_guard lock(registryMutex);
    std::string path;
    std::optional<RegistryStore> store;
    if (const LONG error = LoadKeyAndStore(hKey, path, store))
        return error;
    store->SetValue(path, lpValueName ? lpValueName : "", dwType,
                    std::vector<BYTE>(lpData, lpData + cbData));
    return SaveStore(*store);
}
