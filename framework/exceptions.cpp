#include "framework/exceptions.h"

#include <utility>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)

std::string CException::Describe() const
{
    return "unspecified error";
}

CArchiveException::CArchiveException(int cause, std::string fileName, std::uint64_t streamOffset, std::string detail)
    : m_cause(cause), m_strFileName(std::move(fileName)), m_streamOffset(streamOffset), m_strDetail(std::move(detail))
{
}

const char* CArchiveException::CauseText(int cause)
{
    switch (cause) {
    case none: return "no error";
    case genericException: return "archive error";
    case readOnly: return "write to an archive opened for loading";
    case endOfFile: return "unexpected end of data";
    case writeOnly: return "read from an archive opened for storing";
    case badIndex: return "bad object or class index";
    case badClass: return "bad class";
    case badSchema: return "class schema does not match";
    default: return "unknown archive error";
    }
}

std::string CArchiveException::Describe() const
{
    std::string text = CauseText(m_cause);
    if (!m_strDetail.empty())
        text += " (" + m_strDetail + ")";
    text += " at stream offset " + std::to_string(m_streamOffset);
    if (!m_strFileName.empty())
        text += " in " + m_strFileName;
    return text;
}

CFileException::CFileException(int cause, LONG osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

const char* CFileException::CauseText(int cause)
{
    switch (cause) {
    case none: return "no error";
    case genericException: return "file error";
    case fileNotFound: return "file not found";
    case badPath: return "bad path";
    case tooManyOpenFiles: return "too many open files";
    case accessDenied: return "access denied";
    case invalidFile: return "invalid file handle";
    case removeCurrentDir: return "cannot remove the current directory";
    case directoryFull: return "directory full";
    case badSeek: return "seek failed";
    case hardIO: return "hardware input/output error";
    case sharingViolation: return "sharing violation";
    case lockViolation: return "lock violation";
    case diskFull: return "disk full";
    case endOfFile: return "end of file reached";
    default: return "unknown file error";
    }
}

int CFileException::OsErrorToCause(LONG osError)
{
    switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_NOT_LOCKED: return lockViolation;
    case ERROR_DISK_FULL: return diskFull;
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

std::string CFileException::Describe() const
{
    std::string text = CauseText(m_cause);
    if (!m_strFileName.empty())
        text += " on " + m_strFileName;
    if (m_lOsError != -1)
        text += " (system error " + std::to_string(m_lOsError) + ")";
    return text;
}

CNotSupportedException::CNotSupportedException(std::string detail) : m_strDetail(std::move(detail)) {}

std::string CNotSupportedException::Describe() const
{
    return m_strDetail.empty() ? "operation not supported" : "operation not supported: " + m_strDetail;
}

std::string CMemoryException::Describe() const
{
    return "out of memory";
}
