#include "platform/kernel/config_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace vesper::platform {
namespace {

constexpr const char* kVesperFolder = "vesper";
constexpr mode_t kPrivateFolderMode = 0700;

std::filesystem::path AbsoluteFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || value[0] != '/')
        return {};
    return value;
}

std::filesystem::path HomeFromUserDatabase()
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
        found->pw_dir[0] != '/')
        return {};
    return found->pw_dir;
}

bool MakeFolder(const std::filesystem::path& folder)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    return mkdir(folder.c_str(), kPrivateFolderMode) == 0 || errno == EEXIST;
}

}  // namespace

std::filesystem::path ConfigDirectory()
{
    std::filesystem::path base = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    if (base.empty()) {
        std::filesystem::path home = AbsoluteFromEnvironment("HOME");
        if (home.empty())
            home = HomeFromUserDatabase();
        if (home.empty())
            return {};
        base = home / ".config";
    }
    return base / kVesperFolder;
}

bool EnsureConfigDirectory(const std::filesystem::path& directory)
{
    if (directory.empty()) {
        errno = ENOENT;
        return false;
    }
    // Make each missing level from the top down, so that every folder this
    // creates is private to the user.
    std::filesystem::path partial;
    for (const auto& part : directory) {
        partial /= part;
        if (partial == partial.root_path())
            continue;
        if (!MakeFolder(partial))
            return false;
    }
    return true;
}

bool IsBareFileName(std::string_view name)
{
    return name.find('/') == std::string_view::npos;
}

std::filesystem::path ResolveUserFile(std::string_view name)
{
    if (!IsBareFileName(name))
        return std::filesystem::path(name);
    const std::filesystem::path folder = ConfigDirectory();
    if (folder.empty())
        return {};
    return folder / name;
}

}  // namespace vesper::platform
