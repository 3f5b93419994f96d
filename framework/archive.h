// CArchive: the serialization stream. Little-endian primitives, counted
// strings and polymorphic objects introduced by 16-bit tags, read or written
// through a buffer over a CFile.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/exceptions.h"
#include "framework/file.h"
#include "framework/object.h"

class CDocument;

class CArchive {
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2 };

    // Smaller buffer requests get this size.
    static constexpr int kMinimumBufferSize = 128;
    // The highest map count: a class index above it could not be told apart
    // from the new-class tag.
    static constexpr std::size_t kMaxMapCount = 32766;
    // Class names of this length or longer are refused.
    static constexpr std::size_t kMaxClassNameLength = 64;

    // The file must be positioned at the first byte of the stream.
    CArchive(CFile* file, UINT mode, int bufferSize = 4096);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // A storing archive that was not closed writes out its buffer here (unless
    // made with bNoFlushOnDelete); errors are then lost, so call Close() to see them.
    ~CArchive();

    bool IsLoading() const { return (m_nMode & load) != 0; }
    bool IsStoring() const { return !IsLoading(); }
    CFile* GetFile() const { return m_pFile; }

    CDocument* m_pDocument = nullptr;  // the document being loaded or stored, set by its owner

    CArchive& operator<<(BYTE value);
    CArchive& operator<<(WORD value);
    CArchive& operator<<(SHORT value);
    CArchive& operator<<(DWORD value);
    CArchive& operator<<(LONG value);
    CArchive& operator<<(const std::string& text);
    // No silent widening of characters or flags to a 32-bit value.
    CArchive& operator<<(bool) = delete;
    CArchive& operator<<(char) = delete;

    CArchive& operator>>(BYTE& value);
    CArchive& operator>>(WORD& value);
    CArchive& operator>>(SHORT& value);
    CArchive& operator>>(DWORD& value);
    CArchive& operator>>(LONG& value);
    // Reads any of the length forms, and wide strings; a failure inside the
    // string (length or characters) is reported at the offset where it begins.
    CArchive& operator>>(std::string& text);

    // Copies up to count bytes; fewer only at the end of the stream.
    UINT ReadBytes(void* buffer, UINT count);
    void WriteBytes(const void* buffer, UINT count);

    // Reads an object reference: null, an object read before, or a new object
    // created by its class and read by its Serialize. With a required class the
    // object must be of that class or derived from it. A new object whose
    // reading fails is deleted before the failure propagates.
    CObject* LoadObject(const CRuntimeClass* required = nullptr);
    // Writes an object reference (and, the first time, the object itself).
    void StoreObject(const CObject* object);

    // Storing: writes the buffered bytes to the file.
    void Flush();
    // Storing: writes out what is buffered. Either way the file is detached
    // from the archive; the caller closes the file.
    void Close();

    // Bytes consumed (loading) or produced (storing) since the archive was made.
    std::uint64_t GetStreamPosition() const { return m_streamPosition; }

private:
    // One entry of the load map: a class, an object, or neither (index 0 = null,
    // or an object whose reading failed).
    struct LoadedEntry {
        const CRuntimeClass* runtimeClass;
        CObject* object;
    };

    [[noreturn]] void Fail(int cause, std::uint64_t offset, std::string detail = {}) const;
    // Fails unless the archive still has its file and works in that direction (load or store).
    void RequireOpenFor(Mode direction) const;

    // Loading
    bool Refill(std::size_t needed);
    bool TryRead(void* target, std::size_t count);
    // A value from the stream; too few bytes fail with cause at failureOffset.
    template <typename T>
    T ReadValue(int cause, std::uint64_t failureOffset);
    template <typename T>
    T Read();
    std::uint32_t ReadStringLength(std::uint64_t start, bool& wide);
    std::string ReadCharacters(std::uint64_t count, bool wide, std::uint64_t start);
    const CRuntimeClass* ReadClassRecord(std::uint64_t tagOffset);
    const CRuntimeClass* LoadedClassAt(std::size_t index, std::uint64_t tagOffset) const;
    CObject* LoadNewObject(const CRuntimeClass& runtimeClass, const CRuntimeClass* required, std::uint64_t tagOffset);
    CObject* LoadedObjectAt(std::size_t index, const CRuntimeClass* required, std::uint64_t tagOffset) const;

    // Storing
    template <typename T>
    void Write(T value);
    void WriteOutBuffer();
    void WriteClassRecord(const CRuntimeClass& runtimeClass);
    WORD TakeStoreIndex();

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_buffer;
    std::size_t m_current = 0;  // next byte to read or write
    std::size_t m_end = 0;      // loading: end of the valid bytes
    std::uint64_t m_streamPosition = 0;

    std::vector<LoadedEntry> m_loadMap;
    std::unordered_map<const CObject*, WORD> m_storedObjects;
    std::unordered_map<const CRuntimeClass*, WORD> m_storedClasses;
    std::size_t m_storeMapCount = 1;  // index 0 is the null reference
};

// The bytes an object stores through a storing archive of its own; failures
// of storing propagate as the archive's exceptions.
std::vector<BYTE> StoreToBytes(CObject& object);
