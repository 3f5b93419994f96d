// Files for the archive and the picture readers: CFile over the platform's
// handle calls, CMemFile over bytes held in memory.
#pragma once

#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/object.h"
#include "platform/win32.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0,
        modeWrite = 1,
        modeReadWrite = 2,
        shareCompat = 0,
        shareExclusive = 0x10,
        shareDenyWrite = 0x20,
        shareDenyRead = 0x30,
        shareDenyNone = 0x40,
        modeCreate = 0x1000,
        typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens the file; throws CFileException when it cannot.
    CFile(LPCSTR path, UINT flags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() override;  // closes the file if still open, ignoring errors

    // FALSE with *error filled (when given) if the file cannot be opened.
    virtual BOOL Open(LPCSTR path, UINT flags, CFileException* error = nullptr);
    // Fewer bytes than asked only at the end of the file; throws on an OS error.
    virtual UINT Read(void* buffer, UINT count);
    // Writes everything or throws.
    virtual void Write(const void* buffer, UINT count);
    // The new position from the start; throws CFileException(badSeek) on failure.
    virtual LONG Seek(LONG offset, UINT from);
    virtual DWORD GetLength() const;
    virtual DWORD GetPosition() const;
    // Closes the file; throws when the platform reports an error. The file is
    // closed afterwards in either case.
    virtual void Close();
    // Closes the file if open and never throws.
    virtual void Abort();
    std::string GetFilePath() const { return m_strFileName; }

    HFILE m_hFile = HFILE_ERROR;  // public: the picture readers read straight from it

protected:
    [[noreturn]] void ThrowOsError(int fallbackCause) const;

    std::string m_strFileName;
};

class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<BYTE> bytes);

    // A memory file has no path to open; throws CNotSupportedException.
    BOOL Open(LPCSTR path, UINT flags, CFileException* error = nullptr) override;
    UINT Read(void* buffer, UINT count) override;
    // Writes at the position, growing the bytes (a gap left by seeking past the end reads as zeros).
    void Write(const void* buffer, UINT count) override;
    // Positions may lie beyond the end; a negative position throws badSeek.
    LONG Seek(LONG offset, UINT from) override;
    DWORD GetLength() const override;
    DWORD GetPosition() const override;
    // The bytes stay available after closing.
    void Close() override;
    void Abort() override;

    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
    std::size_t m_position = 0;
};
