#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/kernel/config_paths.h"
#include "platform/win32.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using vesper::test::ReadText;
using vesper::test::WriteText;

constexpr const char* kIni = "vesper.ini";

std::string ReadString(LPCSTR section, LPCSTR key, LPCSTR fallback, LPCSTR file, DWORD size = 256)
{
    std::string buffer(size, '#');
    const DWORD length = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file);
    EXPECT_EQ(buffer[length], '\0');
    return buffer.substr(0, length);
}

class PrivateProfile : public vesper::test::UserFolderTest {
protected:
    std::filesystem::path IniPath() const { return VesperFolder() / kIni; }
};

TEST_F(PrivateProfile, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    SetLastError(NO_ERROR);
    EXPECT_EQ(GetPrivateProfileIntA("settings", "speed", 100, kIni), 100u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadString("settings", "title", "fallback  ", kIni), "fallback");
    EXPECT_EQ(ReadString("settings", "title", nullptr, kIni), "");
    EXPECT_FALSE(std::filesystem::exists(VesperFolder()));
}

TEST_F(PrivateProfile, WriteCreatesAPrivateFolderAndTheFileAndReadsBack)
{
    char text[16];
    wsprintfA(text, "%ld", 42);
    ASSERT_TRUE(WritePrivateProfileStringA("settings", "speed", text, kIni));
    EXPECT_EQ(GetPrivateProfileIntA("settings", "speed", 100, kIni), 42u);
    EXPECT_EQ(ReadText(IniPath()), "[settings]\nspeed=42\n");
    struct stat info {};
    ASSERT_EQ(stat(VesperFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(PrivateProfile, SectionAndKeyNamesMatchWithoutCaseAndBlanksAroundThemDoNotCount)
{
    WriteText(IniPath(), "  [ Settings ]  \n  Speed  =  37  \n");
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "sPeEd", 100, kIni), 37u);
    EXPECT_EQ(ReadString("settings", "SPEED", "", kIni), "37");
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "SPEED", "12", kIni));
    // The entry is rewritten in place and keeps the spelling of the file.
    EXPECT_EQ(ReadText(IniPath()), "  [ Settings ]  \nSpeed=12\n");
}

TEST_F(PrivateProfile, IntegersParseLikeWindows)
{
    WriteText(IniPath(),
              "[n]\nlead=  42abc\nneg=-7\nplus=+5\nword=abc\nempty=\nquoted=\"12\"\nhex=0x10\n"
              "huge=4294967297\nsign=-\n");
    EXPECT_EQ(GetPrivateProfileIntA("n", "lead", 1, kIni), 42u);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("n", "neg", 1, kIni)), -7);
    EXPECT_EQ(GetPrivateProfileIntA("n", "plus", 1, kIni), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("n", "word", 1, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("n", "empty", 9, kIni), 9u) << "an empty value counts as missing";
    EXPECT_EQ(GetPrivateProfileIntA("n", "quoted", 1, kIni), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("n", "hex", 1, kIni), 0u) << "decimal digits only";
    EXPECT_EQ(GetPrivateProfileIntA("n", "huge", 1, kIni), 1u) << "wraps at 32 bits";
    EXPECT_EQ(GetPrivateProfileIntA("n", "sign", 1, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("n", "absent", -3, kIni), static_cast<UINT>(-3));
    EXPECT_EQ(GetPrivateProfileIntA("other", "lead", 8, kIni), 8u);
}

TEST_F(PrivateProfile, StringsAreCutToTheBufferAndReportTheDocumentedLengths)
{
    WriteText(IniPath(), "[s]\ntitle=abcdef\n");
    EXPECT_EQ(ReadString("s", "title", "", kIni, 7), "abcdef");
    EXPECT_EQ(ReadString("s", "title", "", kIni, 6), "abcde");
    EXPECT_EQ(ReadString("s", "title", "", kIni, 1), "");
    EXPECT_EQ(ReadString("s", "missing", "defaults", kIni, 4), "def");

    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("s", "title", "", &untouched, 0, kIni), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(PrivateProfile, OnePairOfMatchingQuotesIsRemoved)
{
    WriteText(IniPath(), "[q]\ndouble=\" padded \"\nsingle='x'\nmixed=\"a'\nlone=\"\ninner=a\"b\"\n");
    EXPECT_EQ(ReadString("q", "double", "", kIni), " padded ");
    EXPECT_EQ(ReadString("q", "single", "", kIni), "x");
    EXPECT_EQ(ReadString("q", "mixed", "", kIni), "\"a'");
    EXPECT_EQ(ReadString("q", "lone", "", kIni), "\"");
    EXPECT_EQ(ReadString("q", "inner", "", kIni), "a\"b\"");
}

TEST_F(PrivateProfile, RewritesKeepCommentsUnknownLinesAndLineEndings)
{
    WriteText(IniPath(), "; made by hand\r\n[settings]\r\n; speed of the animation\r\nspeed=5\r\nnot a key\r\n"
                         "\r\n[other]\r\nx=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("settings", "speed", "6", kIni));
    ASSERT_TRUE(WritePrivateProfileStringA("settings", "mode", "fast", kIni));
    ASSERT_TRUE(WritePrivateProfileStringA("new", "k", "v", kIni));
    EXPECT_EQ(ReadText(IniPath()), "; made by hand\r\n[settings]\r\n; speed of the animation\r\nspeed=6\r\n"
                                   "mode=fast\r\nnot a key\r\n\r\n[other]\r\nx=1\r\n\r\n[new]\r\nk=v\r\n");
}

TEST_F(PrivateProfile, CommentsAndLinesWithoutEqualsAreNeverKeys)
{
    WriteText(IniPath(), "[s]\n;speed=1\nspeed\nspeed=3\n");
    EXPECT_EQ(GetPrivateProfileIntA("s", "speed", 100, kIni), 3u);
    EXPECT_EQ(GetPrivateProfileIntA("s", ";speed", 100, kIni), 100u);
}

TEST_F(PrivateProfile, TheFirstOfRepeatedSectionsAndKeysCounts)
{
    WriteText(IniPath(), "[s]\nk=1\nk=2\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(GetPrivateProfileIntA("s", "k", 0, kIni), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("s", "j", 0, kIni), 0u);
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "9", kIni));
    EXPECT_EQ(ReadText(IniPath()), "[s]\nk=9\nk=2\n[S]\nk=3\nj=4\n");
}

TEST_F(PrivateProfile, NullValueDeletesTheKeyAndNullKeyTheSection)
{
    WriteText(IniPath(), "[a]\nx=1\ny=2\n[b]\n; about b\nz=3\n[c]\nw=4\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "X", nullptr, kIni));
    EXPECT_EQ(ReadString("a", "x", "gone", kIni), "gone");
    EXPECT_EQ(GetPrivateProfileIntA("a", "y", 0, kIni), 2u);
    ASSERT_TRUE(WritePrivateProfileStringA("B", nullptr, nullptr, kIni));
    EXPECT_EQ(ReadText(IniPath()), "[a]\ny=2\n[c]\nw=4\n");
    // Deleting what is not there succeeds and changes nothing.
    EXPECT_TRUE(WritePrivateProfileStringA("a", "none", nullptr, kIni));
    EXPECT_TRUE(WritePrivateProfileStringA("none", nullptr, nullptr, kIni));
    EXPECT_EQ(ReadText(IniPath()), "[a]\ny=2\n[c]\nw=4\n");
}

TEST_F(PrivateProfile, DeletingFromAMissingFileDoesNotCreateIt)
{
    EXPECT_TRUE(WritePrivateProfileStringA("settings", "speed", nullptr, kIni));
    EXPECT_TRUE(WritePrivateProfileStringA("settings", nullptr, nullptr, kIni));
    EXPECT_FALSE(std::filesystem::exists(VesperFolder()));
}

TEST_F(PrivateProfile, NullSectionOrKeyListsTheNamesWithTheDocumentedTruncation)
{
    WriteText(IniPath(), "[one]\nalpha=1\nbeta=2\n[two]\n");
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, kIni), 8u);
    EXPECT_EQ(std::string(buffer, 9), std::string("one\0two\0\0", 9));

    EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, sizeof buffer, kIni), 11u);
    EXPECT_EQ(std::string(buffer, 12), std::string("alpha\0beta\0\0", 12));

    // Room for "alpha\0" and part of "beta": the last name is cut, two NULs end it.
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, 9, kIni), 7u);
    EXPECT_EQ(std::string(buffer, 9), std::string("alpha\0b\0\0", 9));

    // A name that exactly fills the room before the final NUL.
    EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, 7, kIni), 5u);
    EXPECT_EQ(std::string(buffer, 7), std::string("alpha\0\0", 7));

    EXPECT_EQ(GetPrivateProfileStringA("two", nullptr, "", buffer, sizeof buffer, kIni), 0u);
    EXPECT_EQ(std::string(buffer, 2), std::string("\0\0", 2));
}

TEST_F(PrivateProfile, TextThatWouldNotReadBackIsRefused)
{
    WriteText(IniPath(), "[s]\nk=1\n");
    const struct {
        LPCSTR section;
        LPCSTR key;
        LPCSTR value;
    } refused[] = {
        {"s", "k", "1\nevil=2"}, {"s", "k", "1\r"}, {"s]", "k", "1"}, {"s", "a=b", "1"},
        {"s", "[x", "1"},        {"s", ";x", "1"},  {nullptr, "k", "1"},
    };
    for (const auto& request : refused) {
        SetLastError(NO_ERROR);
        EXPECT_FALSE(WritePrivateProfileStringA(request.section, request.key, request.value, kIni))
            << (request.key ? request.key : "(null)");
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(ReadText(IniPath()), "[s]\nk=1\n");
}

TEST_F(PrivateProfile, ANameWithAFolderIsUsedAsGiven)
{
    const auto path = Scratch() / "elsewhere.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", path.c_str()));
    EXPECT_EQ(ReadText(path), "[s]\nk=v\n");
    EXPECT_FALSE(std::filesystem::exists(VesperFolder()));

    const auto missingFolder = Scratch() / "no" / "such" / "folder.ini";
    SetLastError(NO_ERROR);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", missingFolder.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(Scratch() / "no"));
}

TEST_F(PrivateProfile, WritesLeaveNoTemporaryFilesBehind)
{
    for (const char* key : {"a", "b", "c", "d", "e"})
        ASSERT_TRUE(WritePrivateProfileStringA("s", key, "v", kIni));
    EXPECT_EQ(Entries(VesperFolder()), std::set<std::string>{kIni});
}

TEST_F(PrivateProfile, AReplacedFileKeepsItsPermissions)
{
    WriteText(IniPath(), "[s]\nk=1\n");
    ASSERT_EQ(chmod(IniPath().c_str(), 0640), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "2", kIni));
    struct stat info {};
    ASSERT_EQ(stat(IniPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// Makes writing fail part-way, as a full disk would: files may not grow past
// a few bytes while the object lives. Works for every user, root included.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_previousHandler;
};

TEST_F(PrivateProfile, AFailedWriteKeepsTheOldFileAndReportsTheError)
{
    const std::string original = "[s]\nk=1\n";
    WriteText(IniPath(), original);
    BOOL written;
    {
        FileSizeLimit limit(4);
        SetLastError(NO_ERROR);
        written = WritePrivateProfileStringA("s", "k", "a longer value than the limit allows", kIni);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(ReadText(IniPath()), original);
    EXPECT_EQ(Entries(VesperFolder()), std::set<std::string>{kIni});
}

TEST_F(PrivateProfile, AWriteIntoAnUnwritableFolderFailsAndKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers failed writes";
    const std::string original = "[s]\nk=1\n";
    WriteText(IniPath(), original);
    ASSERT_EQ(chmod(VesperFolder().c_str(), 0500), 0);
    SetLastError(NO_ERROR);
    const BOOL written = WritePrivateProfileStringA("s", "k", "2", kIni);
    const DWORD error = GetLastError();
    chmod(VesperFolder().c_str(), 0700);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadText(IniPath()), original);
}

TEST_F(PrivateProfile, AnOversizedFileIsNeitherReadNorRewritten)
{
    const std::string huge = "[s]\nk=1\n" + std::string(1024 * 1024, ';') + "\n";
    WriteText(IniPath(), huge);
    EXPECT_EQ(GetPrivateProfileIntA("s", "k", 77, kIni), 77u);
    SetLastError(NO_ERROR);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "2", kIni));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(std::filesystem::file_size(IniPath()), huge.size());
}

TEST_F(PrivateProfile, ARelativeXdgConfigHomeIsIgnoredInFavourOfHome)
{
    vesper::test::ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
    vesper::test::ScopedEnvironment home("HOME", Scratch().path().c_str());
    EXPECT_EQ(vesper::platform::ConfigDirectory(), Scratch() / ".config" / "vesper");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", kIni));
    EXPECT_TRUE(std::filesystem::exists(Scratch() / ".config" / "vesper" / kIni));
}

TEST_F(PrivateProfile, XdgConfigHomeDecidesTheFolder)
{
    EXPECT_EQ(vesper::platform::ConfigDirectory(), VesperFolder());
    EXPECT_EQ(vesper::platform::ResolveUserFile("vesper.ini"), VesperFolder() / "vesper.ini");
    EXPECT_EQ(vesper::platform::ResolveUserFile("/etc/x.ini"), std::filesystem::path("/etc/x.ini"));
}

}  // namespace
