#include "platform/kernel/errors.h"

#include <cerrno>
#include <system_error>

#include "platform/win32.h"

namespace vesper::platform {
namespace {

DWORD MissingEntryError(const std::filesystem::path& path)
{
    if (path.empty() || !path.has_parent_path())
        return ERROR_FILE_NOT_FOUND;
    std::error_code ignored;
    return std::filesystem::is_directory(path.parent_path(), ignored) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace

DWORD Win32ErrorFromErrno(int error, const std::filesystem::path& path)
{
    switch (error) {
    case ENOENT: return MissingEntryError(path);
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_INVALID_PARAMETER;
    }
}

}  // namespace vesper::platform
