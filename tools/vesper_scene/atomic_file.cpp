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

// One output written to its temporary file, waiting to be renamed over its
// target; `backup` is a second name of the target's earlier contents.
struct StagedFile {
    std::string temporary;
    std::string target;
    std::string backup;
    bool committed = false;
};

std::string Stage(const OutputFile& file, StagedFile& staged)
{
    const std::filesystem::path target(file.path);
    if (target.filename().empty())
        return "cannot write " + file.path + ": not a file name";
    std::error_code error;
    if (std::filesystem::is_directory(target, error))
        return "cannot write " + file.path + ": it is a directory";
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
        return "cannot write " + file.path + ": " + SystemError("create a temporary file in", folder.string());
    staged.temporary = name.data();
    staged.target = file.path;

    std::string problem;
    if (fchmod(fd, file.mode.value_or(kPlainFileMode & ~CurrentUmask())) != 0)
        problem = SystemError("set the permissions of", staged.temporary);
    else if (!WriteAll(fd, file.bytes))
        problem = SystemError("write", staged.temporary);
    else if (fsync(fd) != 0)
        problem = SystemError("flush", staged.temporary);
    if (close(fd) != 0 && problem.empty())
        problem = SystemError("close", staged.temporary);
    return problem;
}

// Renames the temporary file over its target, keeping a second name of the
// target's earlier contents so that a later failure can put them back.
std::string Commit(StagedFile& staged)
{
    const std::string backup = staged.temporary + ".old";
    if (link(staged.target.c_str(), backup.c_str()) == 0)
        staged.backup = backup;
    if (std::rename(staged.temporary.c_str(), staged.target.c_str()) != 0)
        return SystemError("rename the temporary file to", staged.target);
    staged.committed = true;
    return {};
}

// Puts every target back as it was and removes every temporary name.
void RollBack(std::vector<StagedFile>& staged)
{
    for (auto file = staged.rbegin(); file != staged.rend(); ++file) {
        if (file->committed && !file->backup.empty())
            std::rename(file->backup.c_str(), file->target.c_str());
        else if (file->committed)
            unlink(file->target.c_str());
        unlink(file->temporary.c_str());
        if (!file->backup.empty())
            unlink(file->backup.c_str());
    }
}

}  // namespace

std::string WriteFilesAtomically(const std::vector<OutputFile>& files)
{
    std::vector<StagedFile> staged;
    staged.reserve(files.size());
    for (const OutputFile& file : files) {
        staged.emplace_back();
        if (std::string problem = Stage(file, staged.back()); !problem.empty()) {
            RollBack(staged);
            return problem;
        }
    }
    for (StagedFile& file : staged) {
        if (std::string problem = Commit(file); !problem.empty()) {
            RollBack(staged);
            return problem;
        }
    }
    for (const StagedFile& file : staged) {
        if (!file.backup.empty())
            unlink(file.backup.c_str());
    }
    return {};
}

std::string WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes, std::optional<mode_t> mode)
{
    return WriteFilesAtomically({OutputFile{path, bytes, mode}});
}

}  // namespace vesper::tools
