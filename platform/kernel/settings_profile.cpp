// GetPrivateProfileIntA, GetPrivateProfileStringA and WritePrivateProfileStringA
// over IniDocument, with the files in the user's Vesper folder.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/kernel/config_paths.h"
#include "platform/kernel/settings_file_io.h"
#include "platform/kernel/settings_ini.h"
#include "platform/win32.h"

namespace {

using vesper::platform::IniDocument;

constexpr mode_t kNewProfileFileMode = 0644;

// One read-modify-write at a time within the process.
std::mutex& ProfileMutex()
{
    static std::mutex mutex;
    return mutex;
}

struct LoadedProfile {
    std::filesystem::path path;
    bool exists = false;
    IniDocument document;
};

// Reads the profile file; nullopt with the last error set when the name is
// unusable or the file cannot be read. A missing file loads as empty.
std::optional<LoadedProfile> LoadProfile(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    LoadedProfile profile;
    profile.path = vesper::platform::ResolveUserFile(fileName);
    if (profile.path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    vesper::platform::UserFileContents contents;
    const DWORD error = vesper::platform::ReadUserFile(profile.path, vesper::platform::kMaxUserFileBytes, contents);
    if (error != NO_ERROR) {
        SetLastError(error);
        return std::nullopt;
    }
    profile.exists = contents.exists;
    profile.document = IniDocument::Parse(contents.bytes);
    return profile;
}

// A value enclosed in a matching pair of single or double quotes loses them.
std::string_view WithoutQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string_view WithoutTrailingBlanks(std::string_view text)
{
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

DWORD CopyString(std::string_view text, LPSTR buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// Names one after another, each terminated, the list ended by a second NUL.
// When the list does not fit, the last name that fits in part is cut, two NULs
// end the buffer and size - 2 is returned.
DWORD CopyNameList(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::size_t used = 0;
    for (const std::string& name : names) {
        if (used + name.size() + 1 > size - 1) {
            const std::size_t room = used <= size - 2 ? size - 2 - used : 0;
            std::memcpy(buffer + used, name.data(), room);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
    }
    buffer[used] = '\0';
    if (names.empty())
        buffer[1] = '\0';
    return static_cast<DWORD>(used);
}

// The stored value for reading (quotes removed); nullopt with
// ERROR_FILE_NOT_FOUND when the file, section or key is missing.
std::optional<std::string> ReadValue(LPCSTR appName, LPCSTR keyName, LPCSTR fileName)
{
    std::lock_guard lock(ProfileMutex());
    const auto profile = LoadProfile(fileName);
    if (!profile)
        return std::nullopt;
    const auto value = profile->document.Find(appName, keyName);
    if (!value) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    return std::string(WithoutQuotes(*value));
}

UINT ParseProfileInt(std::string_view text)
{
    std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string_view::npos)
        return 0;
    bool negative = false;
    if (text[at] == '+' || text[at] == '-') {
        negative = text[at] == '-';
        ++at;
    }
    // Unsigned arithmetic: values beyond 32 bits wrap instead of overflowing.
    UINT value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = value * 10u + static_cast<UINT>(text[at] - '0');
    return negative ? 0u - value : value;
}

bool IsWritableRequest(LPCSTR appName, LPCSTR keyName, LPCSTR value)
{
    return IniDocument::IsWritableSectionName(appName) && (!keyName || IniDocument::IsWritableKeyName(keyName)) &&
           (!value || IniDocument::IsWritableValue(value));
}

}  // namespace

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName)
{
    if (!lpAppName || !lpKeyName)
        return static_cast<UINT>(nDefault);
    const auto value = ReadValue(lpAppName, lpKeyName, lpFileName);
    if (!value || value->empty())
        return static_cast<UINT>(nDefault);
    return ParseProfileInt(*value);
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName)
{
    if (!lpAppName || !lpKeyName) {
        std::lock_guard lock(ProfileMutex());
        const auto profile = LoadProfile(lpFileName);
        std::vector<std::string> names;
        if (profile)
            names = lpAppName ? profile->document.KeyNames(lpAppName) : profile->document.SectionNames();
        return CopyNameList(names, lpReturnedString, nSize);
    }
    if (const auto value = ReadValue(lpAppName, lpKeyName, lpFileName))
        return CopyString(*value, lpReturnedString, nSize);
    return CopyString(WithoutTrailingBlanks(lpDefault ? lpDefault : ""), lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName)
{
    if (!lpAppName || !IsWritableRequest(lpAppName, lpKeyName, lpString)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(ProfileMutex());
    auto profile = LoadProfile(lpFileName);
    if (!profile)
        return FALSE;
    IniDocument& document = profile->document;
    const bool changed = !lpKeyName   ? document.DeleteSection(lpAppName)
                         : !lpString ? document.DeleteKey(lpAppName, lpKeyName)
                                     : document.Set(lpAppName, lpKeyName, lpString);
    if (!changed)
        return TRUE;
    if (!profile->exists && vesper::platform::IsBareFileName(lpFileName) &&
        !vesper::platform::EnsureConfigDirectory(profile->path.parent_path())) {
        SetLastError(vesper::platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    const DWORD error = vesper::platform::ReplaceFileAtomically(profile->path, document.Serialize(), kNewProfileFileMode,
                                                                vesper::platform::ExistingFileMode::Keep);
    if (error != NO_ERROR) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
