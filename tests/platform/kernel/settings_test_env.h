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
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
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
    std::filesystem::path VesperFolder() const { return scratch_.path() / "config" / "vesper"; }
    const ScratchDir& Scratch() const { return scratch_; }

    // The names of the entries of a folder.
    static std::set<std::string> Entries(const std::filesystem::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    ScratchDir scratch_;
    ScopedEnvironment config_{"XDG_CONFIG_HOME", (scratch_.path() / "config").c_str()};
};

}  // namespace vesper::test
