#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/registry_store.h"
#include "platform/win32.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using vesper::platform::RegistryStore;
using vesper::test::ReadText;
using vesper::test::WriteText;

class Registry : public vesper::test::UserFolderTest {
protected:
    std::filesystem::path StorePath() const { return VesperFolder() / "registry.ini"; }

    HKEY Create(LPCSTR path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS) << path;
        m_opened.push_back(key);
        return key;
    }

    void TearDown() override
    {
        for (HKEY key : m_opened)
            RegCloseKey(key);
    }

private:
    std::vector<HKEY> m_opened;
};

// Reads the password flag as the saver does: open, read four bytes, close.
LONG ReadUsePassword(DWORD& flag)
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key);
    if (result != ERROR_SUCCESS)
        return result;
    DWORD size = sizeof flag;
    result = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&flag), &size);
    RegCloseKey(key);
    return result;
}

TEST_F(Registry, MissingKeysAndValuesAreNotFound)
{
    DWORD flag = 0;
    EXPECT_EQ(ReadUsePassword(flag), ERROR_FILE_NOT_FOUND);
    HKEY key = Create("Control Panel\\Desktop");
    EXPECT_EQ(ReadUsePassword(flag), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DwordRoundTripSeenThroughANewHandle)
{
    HKEY key = Create("Control Panel\\Desktop");
    const DWORD on = 1;
    ASSERT_EQ(RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), 4),
              ERROR_SUCCESS);
    DWORD flag = 0;
    ASSERT_EQ(ReadUsePassword(flag), ERROR_SUCCESS);
    EXPECT_EQ(flag, 1u);
    EXPECT_NE(ReadText(StorePath()).find("ScreenSaveUsePassword=dword:00000001"), std::string::npos);
}

TEST_F(Registry, KeyAndValueNamesMatchWithoutCaseAndParentsExist)
{
    HKEY key = Create("Control Panel\\Desktop");
    const DWORD value = 0x12345678;
    ASSERT_EQ(RegSetValueExA(key, "MixedCase", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);

    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "CONTROL PANEL\\desktop", &again), ERROR_SUCCESS);
    DWORD read = 0;
    DWORD size = sizeof read;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(again, "mixedcase", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
    EXPECT_EQ(read, value);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);

    HKEY parent = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel", &parent), ERROR_SUCCESS);
    HKEY child = nullptr;
    EXPECT_EQ(RegOpenKeyA(parent, "Desktop", &child), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Control", &again), ERROR_FILE_NOT_FOUND) << "a name prefix is no key";
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Control Panel", &again), ERROR_FILE_NOT_FOUND);
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(Registry, QuerySizesAndMoreData)
{
    HKEY key = Create("Software\\Vesper");
    const char text[] = "a string";
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS) << "size only";
    EXPECT_EQ(size, sizeof text);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    char small[4] = {'#', '#', '#', '#'};
    size = sizeof small;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof text) << "the size needed";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(small, 4), "####") << "the buffer is left alone";

    char exact[sizeof text];
    size = sizeof exact;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size), ERROR_SUCCESS);
    EXPECT_STREQ(exact, text);

    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, AnyNameAndBytesSurviveTheStoreFile)
{
    HKEY key = Create("Odd]=Names;%@\x7f\xe9 here");
    const std::vector<std::string> names = {"eq=", "per%cent", "[br]", "semi;colon", "@", "back\\slash",
                                            "line\nbreak", " blank ", "\xff\x01"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const DWORD value = static_cast<DWORD>(i);
        ASSERT_EQ(RegSetValueExA(key, names[i].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_SUCCESS)
            << i;
    }
    const BYTE binary[] = {0, 1, 0xFE, 0xFF, '\n', '%'};
    ASSERT_EQ(RegSetValueExA(key, "bin", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    const char embedded[] = "two\0strings";
    ASSERT_EQ(RegSetValueExA(key, "multi", 0, REG_SZ, reinterpret_cast<const BYTE*>(embedded), sizeof embedded),
              ERROR_SUCCESS);
    const char unterminated[] = {'a', 'b'};
    ASSERT_EQ(RegSetValueExA(key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 2), ERROR_SUCCESS);
    const char text[] = "line\none=%41[x]";
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);

    // Every value reads back from the file as written.
    for (std::size_t i = 0; i < names.size(); ++i) {
        DWORD value = 99;
        DWORD size = 4;
        ASSERT_EQ(RegQueryValueExA(key, names[i].c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS)
            << i;
        EXPECT_EQ(value, i);
    }
    auto read = [&](LPCSTR name, DWORD expectedType) {
        BYTE buffer[64];
        DWORD size = sizeof buffer;
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &type, buffer, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, expectedType);
        return std::string(reinterpret_cast<char*>(buffer), size);
    };
    EXPECT_EQ(read("bin", REG_BINARY), std::string(reinterpret_cast<const char*>(binary), sizeof binary));
    EXPECT_EQ(read("multi", REG_SZ), std::string(embedded, sizeof embedded));
    EXPECT_EQ(read("raw", REG_SZ), "ab");
    EXPECT_EQ(read("", REG_SZ), std::string(text, sizeof text));
    EXPECT_EQ(read("empty", REG_NONE), "");

    // One line per key header and value: nothing in a name broke a line.
    const std::string file = ReadText(StorePath());
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1 + 1 + static_cast<long>(names.size()) + 5);
}

TEST_F(Registry, TheStoreFileIsPrivateAndLeavesNoTemporaryFiles)
{
    HKEY key = Create("Control Panel\\Desktop");
    for (DWORD i = 0; i < 3; ++i)
        ASSERT_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4), ERROR_SUCCESS);
    struct stat info {};
    ASSERT_EQ(stat(StorePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Entries(VesperFolder()), std::set<std::string>{"registry.ini"});
}

TEST_F(Registry, HandlesAreCheckedAndPredefinedKeysNeedNoClosing)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_NONE, nullptr, 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(key, "y", &key), ERROR_INVALID_HANDLE);

    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_CURRENT_USER);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "a\\\\b", &same), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "a", nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, ADamagedStoreIsReportedAndNeverOverwritten)
{
    const std::string damaged = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\nScreenSaveUsePassword=dword:1\n";
    WriteText(StorePath(), damaged);
    DWORD flag = 0;
    EXPECT_EQ(ReadUsePassword(flag), ERROR_BADDB);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Other", &key), ERROR_BADDB);
    EXPECT_EQ(ReadText(StorePath()), damaged);
}

TEST(RegistryStoreText, MalformedStoresAreRejected)
{
    const char* const malformed[] = {
        "v=dword:00000001\n",                        // a value before any key
        "[HKEY_CURRENT_USER\\A\n",                   // no closing bracket
        "[HKEY_CURRENT_USER\\\\A]\n",                // an empty key component
        "[HKEY_CURRENT_USER\\A]\nv\n",               // no '='
        "[HKEY_CURRENT_USER\\A]\nv=dword:1234567\n",   // seven digits
        "[HKEY_CURRENT_USER\\A]\nv=dword:1234567G\n",  // not hexadecimal
        "[HKEY_CURRENT_USER\\A]\nv=hex(3):0\n",       // half a byte
        "[HKEY_CURRENT_USER\\A]\nv=hex(3):00,\n",     // dangling comma
        "[HKEY_CURRENT_USER\\A]\nv=hex(3):0000\n",    // missing comma
        "[HKEY_CURRENT_USER\\A]\nv=hex(x):00\n",      // bad type
        "[HKEY_CURRENT_USER\\A]\nv=hex(3)00\n",       // no "):"
        "[HKEY_CURRENT_USER\\A]\nv=sz:%4\n",          // cut escape
        "[HKEY_CURRENT_USER\\A]\nv=sz:a b\n",         // unescaped blank
        "[HKEY_CURRENT_USER\\A]\nv%=sz:x\n",          // bad escape in a name
        "[HKEY_CURRENT_USER\\A]\nv=other:1\n",        // unknown form
        "[HKEY_CURRENT_USER\\A]\nv=sz:1\nV=sz:2\n",   // the same value twice
        "[HKEY_CURRENT_USER\\A]\n[hkey_current_user\\a]\n",  // the same key twice
    };
    for (const char* text : malformed)
        EXPECT_FALSE(RegistryStore::Parse(text).has_value()) << text;
    EXPECT_TRUE(RegistryStore::Parse("; comment\r\n\r\n[HKEY_USERS\\A]\r\n@=hex(0):\r\n").has_value());
}

TEST(RegistryStoreText, SerializeThenParseGivesTheSameStore)
{
    RegistryStore store;
    store.SetValue("HKEY_CURRENT_USER\\A b\\C", "x", REG_BINARY, {1, 2, 3});
    store.SetValue("HKEY_CURRENT_USER\\A b\\C", "", REG_SZ, {'h', 'i', 0});
    store.CreateKey("HKEY_USERS\\Empty");
    const auto again = RegistryStore::Parse(store.Serialize());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->Serialize(), store.Serialize());
    EXPECT_TRUE(again->KeyExists("hkey_users\\empty"));
    EXPECT_TRUE(again->KeyExists("HKEY_CURRENT_USER\\A b"));
    ASSERT_NE(again->FindValue("HKEY_CURRENT_USER\\A b\\C", "X"), nullptr);
    EXPECT_EQ(again->FindValue("HKEY_CURRENT_USER\\A b\\C", "X")->data, (std::vector<BYTE>{1, 2, 3}));
}

}  // namespace
