#include "platform/kernel/settings_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/win32.h"

namespace vesper::platform {
namespace {

constexpr const char* kTemporarySuffix = ".tmp-XXXXXX";
constexpr mode_t kPermissionBits = 07777;

// Closes the descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (errno set if not).
    bool CloseChecked() { return close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

mode_t ModeFor(const std::filesystem::path& path, mode_t mode, ExistingFileMode existing)
{
    struct stat info {};
    if (existing == ExistingFileMode::Keep && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & kPermissionBits;
    return mode;
}

// Makes the rename itself durable. Best effort: the new contents are already in
// place when this runs, so a failure here is not reported as a failed write.
void SyncFolder(const std::filesystem::path& folder)
{
    Descriptor directory(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid())
        fsync(directory.get());
}

}  // namespace

DWORD ReadUserFile(const std::filesystem::path& path, std::size_t maxBytes, UserFileContents& contents)
{
    contents = UserFileContents{};
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    // A path through something that is not a folder cannot name a file either.
    if (!file.valid())
        return errno == ENOENT || errno == ENOTDIR ? NO_ERROR : Win32ErrorFromErrno(errno);
    struct stat info {};
    if (fstat(file.get(), &info) != 0)
        return Win32ErrorFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return ERROR_INVALID_DATA;
    // Read one byte past the limit to tell a file at the limit from a larger one.
    std::string bytes;
    char chunk[4096];
    while (bytes.size() <= maxBytes) {
        const ssize_t got = read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Win32ErrorFromErrno(errno);
        }
        if (got == 0) {
            contents.exists = true;
            contents.bytes = std::move(bytes);
            return NO_ERROR;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return ERROR_INVALID_DATA;
}

DWORD ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                            ExistingFileMode existing)
{
    if (bytes.size() > kMaxUserFileBytes)
        return ERROR_NOT_ENOUGH_QUOTA;
    const mode_t finalMode = ModeFor(path, mode, existing);
    std::string hiddenName(".");
    hiddenName += path.filename().string();
    hiddenName += kTemporarySuffix;
    std::string temporary = (path.parent_path() / hiddenName).string();
    Descriptor file(mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.valid())
        return Win32ErrorFromErrno(errno, path);

    const bool written = WriteAll(file.get(), bytes) && fchmod(file.get(), finalMode) == 0 &&
                         fsync(file.get()) == 0 && file.CloseChecked() &&
                         rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        const int error = errno;
        unlink(temporary.c_str());
        return Win32ErrorFromErrno(error);
    }
    SyncFolder(path.parent_path());
    return NO_ERROR;
}

}  // namespace vesper::platform
