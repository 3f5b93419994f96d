#include "tools/vesper_scene/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesper::tools {
namespace {

constexpr mode_t kPlainFileMode = 0666;

std::string SystemError(const std::string& what, const std::string& path)
{
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

bool WriteAll(int fd, std::span<const BYTE> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes, std::optional<mode_t> mode)
{
    const std::filesystem::path target(path);
    if (target.filename().empty())
        return "cannot write " + path + ": not a file name";
    std::error_code error;
    if (std::filesystem::is_directory(target, error))
        return "cannot write " + path + ": it is a directory";
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    // A hidden name beside the target: ".NAME.XXXXXX".
    std::string hidden = target.filename().string();
    hidden.insert(hidden.begin(), '.');
    hidden.append(".XXXXXX");
    const std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return SystemError("create a temporary file in", folder.string());
    const std::string temporary(name.data());

    std::string problem;
    if (fchmod(fd, mode.value_or(kPlainFileMode & ~CurrentUmask())) != 0)
        problem = SystemError("set the permissions of", temporary);
    else if (!WriteAll(fd, bytes))
        problem = SystemError("write", temporary);
    else if (fsync(fd) != 0)
        problem = SystemError("flush", temporary);
    if (close(fd) != 0 && problem.empty())
        problem = SystemError("close", temporary);
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0)
        problem = SystemError("rename the temporary file to", path);
    if (!problem.empty())
        unlink(temporary.c_str());
    return problem;
}

}  // namespace vesper::tools
