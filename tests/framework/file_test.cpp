// CFile over the platform's file calls, and CMemFile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/file.h"
#include "tests/support/test_data.h"

namespace {

using Bytes = std::vector<BYTE>;

void WriteFile(const std::filesystem::path& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

int OpenFailureCause(const std::string& path, UINT flags)
{
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), flags, &error));
    EXPECT_EQ(file.m_hFile, HFILE_ERROR);
    EXPECT_EQ(error.m_strFileName, path);
    return error.m_cause;
}

TEST(File, OpenFailuresAreMappedToTheirCauses)
{
    vesper::test::ScratchDir scratch;
    WriteFile(scratch / "plain.txt", "x");
    EXPECT_EQ(OpenFailureCause((scratch / "missing.scr").string(), CFile::modeRead), CFileException::fileNotFound);
    // A missing folder: Windows and Vesper's platform say the path is not
    // found, the OpenFile of Wine says the file is not.
    const int missingFolder = OpenFailureCause((scratch / "no-folder" / "inner").string(), CFile::modeRead);
    EXPECT_TRUE(missingFolder == CFileException::badPath || missingFolder == CFileException::fileNotFound)
        << missingFolder;
    EXPECT_EQ(OpenFailureCause(scratch.path().string(), CFile::modeRead), CFileException::accessDenied);
}

TEST(File, SystemErrorsGiveTheirCauses)
{
    struct Case {
        LONG osError;
        int cause;
    };
    for (const Case& c : {Case{NO_ERROR, CFileException::none}, Case{ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
                          Case{ERROR_PATH_NOT_FOUND, CFileException::badPath},
                          Case{ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
                          Case{ERROR_ACCESS_DENIED, CFileException::accessDenied},
                          Case{ERROR_HANDLE_EOF, CFileException::endOfFile},
                          Case{ERROR_NOT_ENOUGH_MEMORY, CFileException::genericException}})
        EXPECT_EQ(CFileException::OsErrorToCause(c.osError), c.cause) << c.osError;
}

TEST(File, ConstructorThrowsWhatOpenReports)
{
    vesper::test::ScratchDir scratch;
    const std::string path = (scratch / "missing.scr").string();
    try {
        CFile file(path.c_str(), CFile::modeRead);
        FAIL() << "opening a missing file succeeded";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(failure.m_lOsError, ERROR_FILE_NOT_FOUND);
        EXPECT_NE(failure.Describe().find(path), std::string::npos);
    }
}

TEST(File, WritesReadsAndSeeksAFile)
{
    vesper::test::ScratchDir scratch;
    const std::string path = (scratch / "data.bin").string();
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        EXPECT_EQ(file.GetFilePath(), path);
        file.Write("hello, world", 12);
        EXPECT_EQ(file.GetPosition(), 12u);
        file.Close();
        EXPECT_EQ(file.m_hFile, HFILE_ERROR);
    }
    CFile file(path.c_str(), CFile::modeRead);
    EXPECT_EQ(file.GetLength(), 12u);
    EXPECT_EQ(file.GetPosition(), 0u) << "GetLength moved the position";
    EXPECT_EQ(file.Seek(7, CFile::begin), 7);
    char text[16] = {};
    EXPECT_EQ(file.Read(text, 16), 5u);  // short count at the end, no failure
    EXPECT_STREQ(text, "world");
    EXPECT_EQ(file.Read(text, 16), 0u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 7);
    EXPECT_EQ(file.Seek(-2, CFile::current), 5);
    EXPECT_EQ(file.Read(text, 1), 1u);
    EXPECT_EQ(text[0], ',');
    // The handle is usable directly, as the picture readers do.
    EXPECT_EQ(_lread(file.m_hFile, text, 1), 1u);
    EXPECT_EQ(text[0], ' ');
}

TEST(File, SeekBeforeTheStartAndWritingAReadOnlyFileFail)
{
    vesper::test::ScratchDir scratch;
    WriteFile(scratch / "data.bin", "abc");
    CFile file((scratch / "data.bin").string().c_str(), CFile::modeRead);
    try {
        file.Seek(-1, CFile::begin);
        FAIL() << "seeking before the start succeeded";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.m_cause, CFileException::badSeek);
    }
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_THROW(file.Write("x", 1), CFileException);
}

TEST(File, OperationsOnAClosedFileThrowAndClosingTwiceIsHarmless)
{
    CFile file;
    char byte = 0;
    try {
        file.Read(&byte, 1);
        FAIL() << "reading a closed file succeeded";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.m_cause, CFileException::invalidFile);
    }
    EXPECT_THROW(file.Write("x", 1), CFileException);
    EXPECT_THROW(file.GetLength(), CFileException);
    file.Close();
    file.Abort();
    EXPECT_EQ(file.m_hFile, HFILE_ERROR);
}

TEST(File, ReopeningClosesThePreviousFile)
{
    vesper::test::ScratchDir scratch;
    WriteFile(scratch / "a.bin", "aaaa");
    WriteFile(scratch / "b.bin", "bb");
    CFile file((scratch / "a.bin").string().c_str(), CFile::modeRead);
    ASSERT_TRUE(file.Open((scratch / "b.bin").string().c_str(), CFile::modeRead));
    EXPECT_EQ(file.GetLength(), 2u);
    EXPECT_EQ(file.GetFilePath(), (scratch / "b.bin").string());
}

TEST(MemFile, ReadsWritesAndSeeksInMemory)
{
    CMemFile file(Bytes{'a', 'b', 'c', 'd'});
    EXPECT_EQ(file.m_hFile, HFILE_ERROR);
    EXPECT_EQ(file.GetLength(), 4u);
    char text[8] = {};
    EXPECT_EQ(file.Read(text, 3), 3u);
    EXPECT_EQ(file.GetPosition(), 3u);
    EXPECT_EQ(file.Read(text, 8), 1u);
    EXPECT_EQ(text[0], 'd');
    EXPECT_EQ(file.Read(text, 8), 0u);
    EXPECT_EQ(file.Seek(1, CFile::begin), 1);
    file.Write("XY", 2);
    EXPECT_EQ(file.Bytes(), (Bytes{'a', 'X', 'Y', 'd'}));
    file.Write("Z!", 2);  // grows at the end
    EXPECT_EQ(file.Bytes(), (Bytes{'a', 'X', 'Y', 'Z', '!'}));
}

TEST(MemFile, SeekingPastTheEndLeavesAZeroGapOnWrite)
{
    CMemFile file;
    EXPECT_EQ(file.Seek(3, CFile::end), 3);
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    file.Write("x", 1);
    EXPECT_EQ(file.Bytes(), (Bytes{0, 0, 0, 'x'}));
    EXPECT_EQ(file.Seek(-1, CFile::current), 3);
}

TEST(MemFile, NegativeOrUnknownSeeksFailAndKeepThePosition)
{
    CMemFile file(Bytes(10));
    file.Seek(4, CFile::begin);
    EXPECT_THROW(file.Seek(-5, CFile::current), CFileException);
    EXPECT_THROW(file.Seek(-11, CFile::end), CFileException);
    EXPECT_THROW(file.Seek(0, 7), CFileException);
    EXPECT_EQ(file.GetPosition(), 4u);
}

TEST(MemFile, HasNoPathToOpenAndKeepsItsBytesWhenClosed)
{
    CMemFile file(Bytes{1, 2});
    EXPECT_THROW(file.Open("/tmp/x", CFile::modeRead), CNotSupportedException);
    file.Close();
    EXPECT_EQ(file.Bytes(), (Bytes{1, 2}));
}

}  // namespace
