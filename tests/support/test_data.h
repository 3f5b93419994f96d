// Paths the tests share: the shared test data beside the repository, and
// scratch folders that clean up after themselves.
#pragma once

#include <filesystem>
#include <string>

namespace vesper::test {

// ../shared/testdata relative to the repository root.
std::filesystem::path SharedTestData();

// Skips the calling test with a clear message when the folder is absent.
#define VESPER_REQUIRE_TEST_DATA(path)                                                         \
    do {                                                                                        \
        if (!std::filesystem::exists(path))                                                     \
            GTEST_SKIP() << "shared test data not found at " << (path).string() << "; skipped"; \
    } while (0)

// A fresh folder under the system's temporary folder, removed on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

}  // namespace vesper::test
