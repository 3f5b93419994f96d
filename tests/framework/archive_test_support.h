// Helpers shared by the archive tests: storing into and loading from memory,
// and a memory file that records how it is used.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/archive.h"
#include "framework/file.h"

namespace archive_test {

using Bytes = std::vector<BYTE>;

// Runs store on a storing archive over a memory file and returns what it wrote.
inline Bytes Store(const std::function<void(CArchive&)>& store, int bufferSize = 4096)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store, bufferSize);
    store(ar);
    ar.Close();
    return file.Bytes();
}

// Runs load on a loading archive over the given bytes.
inline void Load(const Bytes& bytes, const std::function<void(CArchive&)>& load, int bufferSize = 4096)
{
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load, bufferSize);
    load(ar);
    ar.Close();
}

// The CArchiveException that load raises; fails the test when none is raised.
inline CArchiveException LoadFailure(const Bytes& bytes, const std::function<void(CArchive&)>& load)
{
    try {
        Load(bytes, load);
    } catch (const CArchiveException& failure) {
        return failure;
    }
    ADD_FAILURE() << "the load did not fail";
    return CArchiveException(CArchiveException::none);
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A memory file that remembers the size of every read and can fail its writes.
class RecordingMemFile : public CMemFile {
public:
    using CMemFile::CMemFile;

    UINT Read(void* buffer, UINT count) override
    {
        readRequests.push_back(count);
        return CMemFile::Read(buffer, count);
    }
    void Write(const void* buffer, UINT count) override
    {
        if (failWrites)
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, "full.bin");
        writeSizes.push_back(count);
        CMemFile::Write(buffer, count);
    }

    std::vector<UINT> readRequests;
    std::vector<UINT> writeSizes;
    bool failWrites = false;
};

}  // namespace archive_test
