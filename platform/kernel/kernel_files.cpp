// Files with the old Windows handle calls (OpenFile, _lread, _llseek ...), on
// POSIX descriptors. HFILE is the descriptor itself.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/kernel/errors.h"
#include "platform/win32.h"

namespace {

HFILE FailWithErrno(const char* path = nullptr)
{
    SetLastError(vesper::platform::Win32ErrorFromErrno(errno, path ? path : ""));
    return HFILE_ERROR;
}

int OpenFlagsFromStyle(UINT style)
{
    int flags = O_CLOEXEC;
    switch (style & 0x3) {
    case OF_WRITE: flags |= O_WRONLY; break;
    case OF_READWRITE: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (style & OF_CREATE)
        flags |= O_CREAT | O_TRUNC;
    return flags;
}

void CopyTruncated(char* target, std::size_t capacity, const char* text)
{
    std::strncpy(target, text, capacity - 1);
    target[capacity - 1] = '\0';
}

// These calls are for plain files: a directory is refused like on Windows.
bool IsDirectoryDescriptor(int fd)
{
    struct stat status{};
    return fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle)
{
    if (lpReOpenBuff) {
        std::memset(lpReOpenBuff, 0, sizeof(*lpReOpenBuff));
        lpReOpenBuff->cBytes = sizeof(*lpReOpenBuff);
        lpReOpenBuff->fFixedDisk = 1;
    }
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    const int fd = open(lpFileName, OpenFlagsFromStyle(uStyle), 0666);
    const bool isDirectory = fd >= 0 && IsDirectoryDescriptor(fd);
    if (fd < 0 || isDirectory) {
        if (isDirectory) {
            close(fd);
            errno = EISDIR;
        }
        const HFILE result = FailWithErrno(lpFileName);
        if (lpReOpenBuff)
            lpReOpenBuff->nErrCode = static_cast<WORD>(GetLastError());
        return result;
    }
    if (lpReOpenBuff)
        CopyTruncated(lpReOpenBuff->szPathName, OFS_MAXPATHNAME, lpFileName);
    if (uStyle & OF_EXIST) {
        close(fd);
        return 1;
    }
    return fd;
}

HFILE _lopen(LPCSTR lpPathName, int iReadWrite)
{
    return OpenFile(lpPathName, nullptr, static_cast<UINT>(iReadWrite) & ~static_cast<UINT>(OF_CREATE | OF_EXIST));
}

HFILE _lcreat(LPCSTR lpPathName, int /*iAttribute*/)
{
    return OpenFile(lpPathName, nullptr, OF_READWRITE | OF_CREATE);
}

UINT _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes)
{
    auto* target = static_cast<BYTE*>(lpBuffer);
    UINT total = 0;
    while (total < uBytes) {
        const ssize_t got = read(hFile, target + total, uBytes - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return static_cast<UINT>(FailWithErrno());
        if (got == 0)
            break;
        total += static_cast<UINT>(got);
    }
    return total;
}

UINT _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes)
{
    UINT total = 0;
    while (total < uBytes) {
        const ssize_t put = write(hFile, lpBuffer + total, uBytes - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return static_cast<UINT>(FailWithErrno());
        total += static_cast<UINT>(put);
    }
    return total;
}

LONG _llseek(HFILE hFile, LONG lOffset, int iOrigin)
{
    int whence = SEEK_SET;
    if (iOrigin == FILE_CURRENT)
        whence = SEEK_CUR;
    else if (iOrigin == FILE_END)
        whence = SEEK_END;
    else if (iOrigin != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    const off_t position = lseek(hFile, lOffset, whence);
    if (position < 0)
        return FailWithErrno();
    if (position > LONG_MAX) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return HFILE_ERROR;
    }
    return static_cast<LONG>(position);
}

HFILE _lclose(HFILE hFile)
{
    if (close(hFile) != 0)
        return FailWithErrno();
    return 0;
}

// ---- Directory search ----------------------------------------------------

namespace {

// A search handle; only the first match is ever asked for.
struct FindSearch {};

bool HasWildcards(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

bool FillFindData(const std::string& path, const std::string& name, LPWIN32_FIND_DATAA data)
{
    struct stat status{};
    if (stat(path.c_str(), &status) != 0)
        return false;
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (access(path.c_str(), W_OK) != 0)
        data->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (data->dwFileAttributes == 0)
        data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    CopyTruncated(data->cFileName, MAX_PATH, name.c_str());
    return true;
}

// Finds the first directory entry whose name matches the pattern.
bool FindMatchInDirectory(const std::string& directory, const std::string& pattern, LPWIN32_FIND_DATAA data)
{
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (fnmatch(pattern.c_str(), entry->d_name, 0) != 0)
            continue;
        const std::string path = directory.empty() ? entry->d_name : directory + "/" + entry->d_name;
        if (FillFindData(path, entry->d_name, data)) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (!lpFileName || !*lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = lpFileName;
    const auto slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const bool found = HasWildcards(name) ? FindMatchInDirectory(directory, name, lpFindFileData)
                                          : FillFindData(path, name, lpFindFileData);
    if (!found) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return new FindSearch;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<FindSearch*>(hFindFile);
    return TRUE;
}
