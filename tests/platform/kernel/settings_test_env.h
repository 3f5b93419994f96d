// A test fixture that points the user's Vesper folder at a scratch folder:
// XDG_CONFIG_HOME is set for the test and restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "tests/support/test_data.h"

namespace vesper::test {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class UserFolderTest : public ::testing::Test {
protected:
    // The folder Vesper's bare file names resolve to (not created up front).
    std::filesystem::path VesperFolder() const { return m_scratch.path() / "config" / "vesper"; }
    const ScratchDir& Scratch() const { return m_scratch; }

    // The names of the entries of a folder.
    static std::set<std::string> Entries(const std::filesystem::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    ScratchDir m_scratch;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", (m_scratch.path() / "config").c_str()};
};

}  // namespace vesper::test
