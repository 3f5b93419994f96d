#include "framework/archive.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

namespace {

// Object tags: 0 is the null reference, 1..0x7FFF a back reference, 0x8000|i a
// new object of the class at index i, 0xFFFF a new object of a new class.
constexpr WORD kNullTag = 0x0000;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kIndexMask = 0x7FFF;

// String length prefixes: one byte below 0xFF; else 0xFF and a 16-bit length
// below 0xFFFE; else 0xFF, 0xFFFF and a 32-bit length. 0xFF 0xFFFE marks a
// wide string, whose own length prefix follows.
constexpr BYTE kByteLengthEscape = 0xFF;
constexpr WORD kWideStringMarker = 0xFFFE;
constexpr WORD kWordLengthEscape = 0xFFFF;

// Long strings are read piece by piece, so a length field that promises more
// than the stream holds fails at the end of the data instead of allocating.
constexpr std::size_t kStringPiece = 4096;

// A wide character outside the 8-bit range has no 8-bit form.
constexpr char kUnmappableCharacter = '?';

}  // namespace

CArchive::CArchive(CFile* file, UINT mode, int bufferSize)
    : m_pFile(file), m_nMode(mode), m_buffer(static_cast<std::size_t>(std::max(bufferSize, kMinimumBufferSize)))
{
    m_loadMap.push_back({nullptr, nullptr});
}

CArchive::~CArchive()
{
    if (m_pFile && IsStoring() && !(m_nMode & bNoFlushOnDelete)) {
        try {
            WriteOutBuffer();
        } catch (...) {
            // Nothing can be reported from a destructor; Close() reports it.
        }
    }
}

void CArchive::Fail(int cause, std::uint64_t offset, std::string detail) const
{
    throw CArchiveException(cause, m_pFile ? m_pFile->GetFilePath() : std::string(), offset, std::move(detail));
}

void CArchive::RequireOpenFor(Mode direction) const
{
    if (!m_pFile)
        Fail(CArchiveException::genericException, m_streamPosition, "the archive is closed");
    const bool loading = direction == load;
    if (loading != IsLoading())
        Fail(loading ? CArchiveException::writeOnly : CArchiveException::readOnly, m_streamPosition);
}

// ---- Loading: primitives ----------------------------------------------------

bool CArchive::Refill(std::size_t needed)
{
    const std::size_t unread = m_end - m_current;
    std::memmove(m_buffer.data(), m_buffer.data() + m_current, unread);
    m_current = 0;
    m_end = unread;
    const auto room = static_cast<UINT>(m_buffer.size() - unread);
    m_end += m_pFile->Read(m_buffer.data() + unread, room);
    return m_end >= needed;
}

bool CArchive::TryRead(void* target, std::size_t count)
{
    RequireOpenFor(load);
    if (m_end - m_current < count && !Refill(count))
        return false;
    std::memcpy(target, m_buffer.data() + m_current, count);
    m_current += count;
    m_streamPosition += count;
    return true;
}

template <typename T>
T CArchive::ReadValue(int cause, std::uint64_t failureOffset)
{
    T value;
    if (!TryRead(&value, sizeof(T)))
        Fail(cause, failureOffset);
    return value;  // the machine is little-endian, like the stream
}

template <typename T>
T CArchive::Read()
{
    return ReadValue<T>(CArchiveException::endOfFile, m_streamPosition);
}

CArchive& CArchive::operator>>(BYTE& value)
{
    value = Read<BYTE>();
    return *this;
}

CArchive& CArchive::operator>>(WORD& value)
{
    value = Read<WORD>();
    return *this;
}

CArchive& CArchive::operator>>(SHORT& value)
{
    value = Read<SHORT>();
    return *this;
}

CArchive& CArchive::operator>>(DWORD& value)
{
    value = Read<DWORD>();
    return *this;
}

CArchive& CArchive::operator>>(LONG& value)
{
    value = Read<LONG>();
    return *this;
}

UINT CArchive::ReadBytes(void* buffer, UINT count)
{
    RequireOpenFor(load);
    auto* target = static_cast<BYTE*>(buffer);
    const auto buffered = static_cast<UINT>(std::min<std::size_t>(count, m_end - m_current));
    if (buffered > 0)
        std::memcpy(target, m_buffer.data() + m_current, buffered);
    m_current += buffered;
    UINT obtained = buffered;
    if (obtained < count)
        obtained += m_pFile->Read(target + obtained, count - obtained);
    m_streamPosition += obtained;
    return obtained;
}

// ---- Loading: strings -------------------------------------------------------

std::uint32_t CArchive::ReadStringLength(std::uint64_t start, bool& wide)
{
    constexpr int cause = CArchiveException::endOfFile;
    wide = false;
    for (;;) {
        const auto shortLength = ReadValue<BYTE>(cause, start);
        if (shortLength != kByteLengthEscape)
            return shortLength;
        const auto wordLength = ReadValue<WORD>(cause, start);
        if (wordLength == kWordLengthEscape)
            return ReadValue<DWORD>(cause, start);
        if (wordLength != kWideStringMarker)
            return wordLength;
        if (wide)
            Fail(CArchiveException::genericException, start, "a wide-string marker follows a wide-string marker");
        wide = true;
    }
}

std::string CArchive::ReadCharacters(std::uint64_t count, bool wide, std::uint64_t start)
{
    const std::size_t unitSize = wide ? 2 : 1;
    std::string text;
    std::vector<BYTE> piece;
    for (std::uint64_t remaining = count; remaining > 0;) {
        const std::size_t units = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kStringPiece));
        piece.resize(units * unitSize);
        if (ReadBytes(piece.data(), static_cast<UINT>(piece.size())) < piece.size())
            Fail(CArchiveException::endOfFile, start, "string characters cut short");
        if (wide) {
            for (std::size_t i = 0; i < units; ++i) {
                const unsigned unit = piece[2 * i] | (piece[2 * i + 1] << 8);
                text += unit <= 0xFF ? static_cast<char>(unit) : kUnmappableCharacter;
            }
        } else {
            text.append(reinterpret_cast<const char*>(piece.data()), units);
        }
        remaining -= units;
    }
    return text;
}

CArchive& CArchive::operator>>(std::string& text)
{
    const std::uint64_t start = m_streamPosition;
    bool wide = false;
    const std::uint32_t length = ReadStringLength(start, wide);
    text = ReadCharacters(length, wide, start);
    return *this;
}

// ---- Loading: objects -------------------------------------------------------

CObject* CArchive::LoadObject(const CRuntimeClass* required)
{
    if (required && !required->IsSerializable())
        throw CNotSupportedException(std::string("class ") + required->m_lpszClassName + " cannot be loaded");
    const std::uint64_t tagOffset = m_streamPosition;
    const WORD tag = Read<WORD>();
    if (tag == kNewClassTag)
        return LoadNewObject(*ReadClassRecord(tagOffset), required, tagOffset);
    if (tag & kClassTag)
        return LoadNewObject(*LoadedClassAt(tag & kIndexMask, tagOffset), required, tagOffset);
    return LoadedObjectAt(tag, required, tagOffset);
}

const CRuntimeClass* CArchive::ReadClassRecord(std::uint64_t tagOffset)
{
    if (m_loadMap.size() > kMaxMapCount)
        Fail(CArchiveException::badIndex, tagOffset, "too many classes and objects in one stream");
    const auto schema = ReadValue<WORD>(CArchiveException::badClass, tagOffset);
    const auto nameLength = ReadValue<WORD>(CArchiveException::badClass, tagOffset);
    if (nameLength >= kMaxClassNameLength)
        Fail(CArchiveException::badClass, tagOffset, "class name of " + std::to_string(nameLength) + " characters");
    char name[kMaxClassNameLength];
    if (ReadBytes(name, nameLength) < nameLength)
        Fail(CArchiveException::badClass, tagOffset, "class name cut short");
    const std::string_view className(name, nameLength);
    const CRuntimeClass* runtimeClass = CRuntimeClass::FromName(className);
    if (!runtimeClass)
        Fail(CArchiveException::badClass, tagOffset, "unknown class \"" + std::string(className) + "\"");
    if (!runtimeClass->IsSerializable())
        Fail(CArchiveException::badClass, tagOffset, "class " + std::string(className) + " cannot be loaded");
    if (schema != runtimeClass->m_wSchema)
        Fail(CArchiveException::badSchema, tagOffset,
             "class " + std::string(className) + " schema " + std::to_string(schema) + ", expected " +
                 std::to_string(runtimeClass->m_wSchema));
    m_loadMap.push_back({runtimeClass, nullptr});
    return runtimeClass;
}

const CRuntimeClass* CArchive::LoadedClassAt(std::size_t index, std::uint64_t tagOffset) const
{
    if (index >= m_loadMap.size())
        Fail(CArchiveException::badIndex, tagOffset, "class index " + std::to_string(index) + " not assigned yet");
    const LoadedEntry& entry = m_loadMap[index];
    if (!entry.runtimeClass)
        Fail(CArchiveException::badIndex, tagOffset, "index " + std::to_string(index) + " is not a class");
    return entry.runtimeClass;
}

CObject* CArchive::LoadNewObject(const CRuntimeClass& runtimeClass, const CRuntimeClass* required,
                                 std::uint64_t tagOffset)
{
    std::unique_ptr<CObject> object(runtimeClass.CreateObject());
    if (!object)
        throw CMemoryException();
    const std::size_t index = m_loadMap.size();
    m_loadMap.push_back({nullptr, object.get()});
    try {
        object->Serialize(*this);
        if (required && !object->IsKindOf(required))
            Fail(CArchiveException::badClass, tagOffset,
                 std::string(runtimeClass.m_lpszClassName) + " where " + required->m_lpszClassName + " is required");
    } catch (...) {
        // The object is deleted here, with whatever it took from the stream
        // (a sprite list's sprites); a later back reference must not find it.
        m_loadMap[index].object = nullptr;
        object->FreeOwnedObjects();
        throw;
    }
    return object.release();
}

CObject* CArchive::LoadedObjectAt(std::size_t index, const CRuntimeClass* required, std::uint64_t tagOffset) const
{
    if (index >= m_loadMap.size())
        Fail(CArchiveException::badIndex, tagOffset, "object index " + std::to_string(index) + " not assigned yet");
    CObject* object = m_loadMap[index].object;
    if (index == kNullTag)
        return nullptr;
    if (!object)
        Fail(CArchiveException::badIndex, tagOffset, "index " + std::to_string(index) + " is not an object");
    if (required && !object->IsKindOf(required))
        Fail(CArchiveException::badClass, tagOffset,
             std::string(object->GetRuntimeClass()->m_lpszClassName) + " where " + required->m_lpszClassName +
                 " is required");
    return object;
}

// ---- Storing ----------------------------------------------------------------

void CArchive::WriteOutBuffer()
{
    if (m_current == 0)
        return;
    const auto count = static_cast<UINT>(std::exchange(m_current, 0));
    m_pFile->Write(m_buffer.data(), count);
}

template <typename T>
void CArchive::Write(T value)
{
    RequireOpenFor(store);
    if (m_buffer.size() - m_current < sizeof(T))
        WriteOutBuffer();
    std::memcpy(m_buffer.data() + m_current, &value, sizeof(T));
    m_current += sizeof(T);
    m_streamPosition += sizeof(T);
}

CArchive& CArchive::operator<<(BYTE value)
{
    Write(value);
    return *this;
}

CArchive& CArchive::operator<<(WORD value)
{
    Write(value);
    return *this;
}

CArchive& CArchive::operator<<(SHORT value)
{
    Write(value);
    return *this;
}

CArchive& CArchive::operator<<(DWORD value)
{
    Write(value);
    return *this;
}

CArchive& CArchive::operator<<(LONG value)
{
    Write(value);
    return *this;
}

void CArchive::WriteBytes(const void* buffer, UINT count)
{
    RequireOpenFor(store);
    if (m_buffer.size() - m_current < count) {
        WriteOutBuffer();
        if (count >= m_buffer.size()) {
            m_pFile->Write(buffer, count);
            m_streamPosition += count;
            return;
        }
    }
    if (count > 0)
        std::memcpy(m_buffer.data() + m_current, buffer, count);
    m_current += count;
    m_streamPosition += count;
}

CArchive& CArchive::operator<<(const std::string& text)
{
    const std::size_t length = text.size();
    if (length > std::numeric_limits<DWORD>::max())
        Fail(CArchiveException::genericException, m_streamPosition, "string too long for a 32-bit length");
    if (length < kByteLengthEscape) {
        Write(static_cast<BYTE>(length));
    } else {
        Write(kByteLengthEscape);
        if (length < kWideStringMarker) {
            Write(static_cast<WORD>(length));
        } else {
            Write(kWordLengthEscape);
            Write(static_cast<DWORD>(length));
        }
    }
    WriteBytes(text.data(), static_cast<UINT>(length));
    return *this;
}

WORD CArchive::TakeStoreIndex()
{
    const auto index = static_cast<WORD>(m_storeMapCount++);
    if (m_storeMapCount > kMaxMapCount)
        Fail(CArchiveException::badIndex, m_streamPosition, "too many classes and objects in one stream");
    return index;
}

void CArchive::WriteClassRecord(const CRuntimeClass& runtimeClass)
{
    const std::string_view name = runtimeClass.m_lpszClassName;
    if (name.size() >= kMaxClassNameLength)
        Fail(CArchiveException::badClass, m_streamPosition, "class name too long to store");
    Write(static_cast<WORD>(runtimeClass.m_wSchema));
    Write(static_cast<WORD>(name.size()));
    WriteBytes(name.data(), static_cast<UINT>(name.size()));
}

void CArchive::StoreObject(const CObject* object)
{
    RequireOpenFor(store);
    if (!object) {
        Write(kNullTag);
        return;
    }
    const CRuntimeClass* runtimeClass = object->GetRuntimeClass();
    if (!runtimeClass->IsSerializable())
        throw CNotSupportedException(std::string("class ") + runtimeClass->m_lpszClassName + " cannot be stored");
    if (const auto stored = m_storedObjects.find(object); stored != m_storedObjects.end()) {
        Write(stored->second);
        return;
    }
    if (const auto known = m_storedClasses.find(runtimeClass); known != m_storedClasses.end()) {
        Write(static_cast<WORD>(kClassTag | known->second));
    } else {
        Write(kNewClassTag);
        WriteClassRecord(*runtimeClass);
        m_storedClasses.emplace(runtimeClass, TakeStoreIndex());
    }
    m_storedObjects.emplace(object, TakeStoreIndex());
    // Serialize serves both directions and so is not const; storing only reads the object.
    const_cast<CObject*>(object)->Serialize(*this);
}

// ---- Ending -----------------------------------------------------------------

void CArchive::Flush()
{
    if (m_pFile && IsStoring())
        WriteOutBuffer();
}

void CArchive::Close()
{
    if (!m_pFile)
        return;
    try {
        Flush();
    } catch (...) {
        m_pFile = nullptr;
        throw;
    }
    m_pFile = nullptr;
}

std::vector<BYTE> StoreToBytes(CObject& object)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return file.Bytes();
}
