// The exceptions of the framework layer. They are thrown by value and caught
// by const reference; Describe() gives a sentence that names the cause.
#pragma once

#include <cstdint>
#include <string>

#include "framework/object.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    virtual std::string Describe() const;
};

// A failure of the archive stream. m_streamOffset is the byte offset in the
// stream (from the start of the archive) at which the failing operation began.
class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };

    explicit CArchiveException(int cause = none, std::string fileName = {}, std::uint64_t streamOffset = 0,
                               std::string detail = {});
    std::string Describe() const override;
    static const char* CauseText(int cause);

    int m_cause;
    std::string m_strFileName;
    std::uint64_t m_streamOffset;
    std::string m_strDetail;  // what exactly was wrong, when the cause alone does not say
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG osError = -1, std::string fileName = {});
    std::string Describe() const override;
    static const char* CauseText(int cause);
    // The cause that matches a platform error code (GetLastError()).
    static int OsErrorToCause(LONG osError);

    int m_cause;
    LONG m_lOsError;  // -1 when no platform error is known
    std::string m_strFileName;
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    explicit CNotSupportedException(std::string detail = {});
    std::string Describe() const override;

    std::string m_strDetail;
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    std::string Describe() const override;
};
