#include "framework/file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

namespace {

// The platform's read and write calls return this on failure.
constexpr UINT kTransferError = static_cast<UINT>(HFILE_ERROR);

// The open style bits of OpenFile that the open flags carry.
constexpr UINT kOpenStyleMask = 0x3 | 0x70 | CFile::modeCreate;

}  // namespace

CFile::CFile() = default;

CFile::CFile(LPCSTR path, UINT flags)
{
    CFileException error;
    if (!Open(path, flags, &error))
        throw error;
}

CFile::~CFile()
{
    Abort();
}

BOOL CFile::Open(LPCSTR path, UINT flags, CFileException* error)
{
    Abort();
    m_strFileName = path ? path : "";
    OFSTRUCT info{};
    const HFILE handle = OpenFile(path, &info, flags & kOpenStyleMask);
    if (handle == HFILE_ERROR) {
        if (error) {
            const auto osError = static_cast<LONG>(GetLastError());
            *error = CFileException(CFileException::OsErrorToCause(osError), osError, m_strFileName);
        }
        return FALSE;
    }
    m_hFile = handle;
    return TRUE;
}

void CFile::ThrowOsError(int fallbackCause) const
{
    const auto osError = static_cast<LONG>(GetLastError());
    const int cause = CFileException::OsErrorToCause(osError);
    throw CFileException(cause == CFileException::genericException || cause == CFileException::none ? fallbackCause
                                                                                                     : cause,
                         osError, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (count == 0)
        return 0;
    const UINT got = _lread(m_hFile, buffer, count);
    if (got == kTransferError)
        ThrowOsError(CFileException::hardIO);
    return got;
}

void CFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    const UINT put = _lwrite(m_hFile, static_cast<LPCSTR>(buffer), count);
    if (put == kTransferError)
        ThrowOsError(CFileException::hardIO);
    if (put != count)
        throw CFileException(CFileException::diskFull, -1, m_strFileName);
}

LONG CFile::Seek(LONG offset, UINT from)
{
    const LONG position = _llseek(m_hFile, offset, static_cast<int>(from));
    if (position == HFILE_ERROR)
        throw CFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
    return position;
}

DWORD CFile::GetPosition() const
{
    const LONG position = _llseek(m_hFile, 0, FILE_CURRENT);
    if (position == HFILE_ERROR)
        throw CFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<DWORD>(position);
}

DWORD CFile::GetLength() const
{
    const DWORD position = GetPosition();
    const LONG length = _llseek(m_hFile, 0, FILE_END);
    const LONG restored = _llseek(m_hFile, static_cast<LONG>(position), FILE_BEGIN);
    if (length == HFILE_ERROR || restored == HFILE_ERROR)
        throw CFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<DWORD>(length);
}

void CFile::Close()
{
    if (m_hFile == HFILE_ERROR)
        return;
    const HFILE result = _lclose(std::exchange(m_hFile, HFILE_ERROR));
    if (result == HFILE_ERROR)
        ThrowOsError(CFileException::hardIO);
}

void CFile::Abort()
{
    if (m_hFile != HFILE_ERROR)
        _lclose(std::exchange(m_hFile, HFILE_ERROR));
}

CMemFile::CMemFile(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}

BOOL CMemFile::Open(LPCSTR, UINT, CFileException*)
{
    throw CNotSupportedException("a memory file has no path to open");
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (count == 0 || m_position >= m_bytes.size())
        return 0;
    const auto got = static_cast<UINT>(std::min<std::size_t>(count, m_bytes.size() - m_position));
    std::memcpy(buffer, m_bytes.data() + m_position, got);
    m_position += got;
    return got;
}

void CMemFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    // Positions are LONG: the file cannot grow past what Seek can reach.
    if (m_position + count > static_cast<std::size_t>(LONG_MAX))
        throw CFileException(CFileException::diskFull, -1);
    if (m_bytes.size() < m_position + count)
        m_bytes.resize(m_position + count);
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position += count;
}

LONG CMemFile::Seek(LONG offset, UINT from)
{
    std::int64_t base = 0;
    switch (from) {
    case begin: base = 0; break;
    case current: base = static_cast<std::int64_t>(m_position); break;
    case end: base = static_cast<std::int64_t>(m_bytes.size()); break;
    default: throw CFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER);
    }
    const std::int64_t target = base + offset;
    if (target < 0 || target > LONG_MAX)
        throw CFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK);
    m_position = static_cast<std::size_t>(target);
    return static_cast<LONG>(target);
}

DWORD CMemFile::GetLength() const
{
    return static_cast<DWORD>(m_bytes.size());
}

DWORD CMemFile::GetPosition() const
{
    return static_cast<DWORD>(m_position);
}

void CMemFile::Close() {}

void CMemFile::Abort() {}
