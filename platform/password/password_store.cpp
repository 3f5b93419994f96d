#include "platform/password/password_store.h"

#include <crypt.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "platform/kernel/config_paths.h"
#include "platform/kernel/settings_file_io.h"
#include "platform/win32.h"

namespace vesper::platform {
namespace {

constexpr const char* kHashFileName = "password.hash";
constexpr mode_t kHashFileMode = 0600;
constexpr std::size_t kMaxHashFileBytes = 1024;
// Only hashes this code wrote are accepted; crypt's failure strings begin
// with '*' and must never be taken as a stored hash.
constexpr std::string_view kYescryptPrefix = "$y$";
constexpr unsigned long kDefaultCost = 0;

// crypt_r's work area holds intermediate values derived from the password:
// wiped before it is freed.
struct CryptArea {
    CryptArea() : data(std::make_unique<crypt_data>()) {}
    ~CryptArea() { WipeMemory(data.get(), sizeof(crypt_data)); }
    std::unique_ptr<crypt_data> data;
};

bool IsOurHash(std::string_view hash)
{
    return hash.starts_with(kYescryptPrefix) && hash.find_first_of("\n\r") == std::string_view::npos;
}

// The stored hash: nullopt when no hash file exists. A file that cannot be
// read or does not hold one of our hashes gives an empty string: a password is
// set, and nothing matches it.
std::optional<std::string> ReadStoredHash()
{
    UserFileContents contents;
    const DWORD error = ReadUserFile(PasswordHashPath(), kMaxHashFileBytes, contents);
    if (error == NO_ERROR && !contents.exists)
        return std::nullopt;
    std::string hash = std::move(contents.bytes);
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r'))
        hash.pop_back();
    if (error != NO_ERROR || !IsOurHash(hash))
        return std::string();
    return hash;
}

bool EqualInConstantTime(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

DWORD WriteFlag(DWORD flag)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyA(HKEY_CURRENT_USER, kDesktopKey, &key);
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    result = RegSetValueExA(key, kUsePasswordValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flag), sizeof flag);
    RegCloseKey(key);
    return static_cast<DWORD>(result);
}

DWORD WriteHash(const SecretText& password)
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn(kYescryptPrefix.data(), kDefaultCost, nullptr, 0, salt, sizeof salt))
        return Win32ErrorFromErrno(errno);
    CryptArea area;
    const char* hash = crypt_r(password.CStr(), salt, area.data.get());
    if (!hash || !IsOurHash(hash))
        return ERROR_INVALID_DATA;
    const std::filesystem::path path = PasswordHashPath();
    if (path.empty() || !EnsureConfigDirectory(path.parent_path()))
        return path.empty() ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);
    return ReplaceFileAtomically(path, std::string(hash) + "\n", kHashFileMode, ExistingFileMode::Override);
}

DWORD RemoveHash()
{
    const std::filesystem::path path = PasswordHashPath();
    if (path.empty() || unlink(path.c_str()) == 0 || errno == ENOENT)
        return NO_ERROR;
    return Win32ErrorFromErrno(errno);
}

}  // namespace

std::filesystem::path PasswordHashPath()
{
    return ResolveUserFile(kHashFileName);
}

bool IsPasswordSet()
{
    return ReadStoredHash().has_value();
}

DWORD StorePassword(const SecretText& password)
{
    if (password.Empty()) {
        const DWORD error = WriteFlag(0);
        return error != NO_ERROR ? error : RemoveHash();
    }
    const DWORD error = WriteHash(password);
    return error != NO_ERROR ? error : WriteFlag(1);
}

bool CheckPassword(const SecretText& attempt)
{
    const std::optional<std::string> stored = ReadStoredHash();
    if (!stored || stored->empty())
        return false;
    CryptArea area;
    const char* computed = crypt_r(attempt.CStr(), stored->c_str(), area.data.get());
    return computed && IsOurHash(computed) && EqualInConstantTime(computed, *stored);
}

}  // namespace vesper::platform
