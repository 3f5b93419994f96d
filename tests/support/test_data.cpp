#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace vesper::test {

std::filesystem::path SharedTestData()
{
    return std::filesystem::path(VESPER_SOURCE_DIR).parent_path() / "shared" / "testdata";
}

// A new folder of a random name (create_directory fails on one that exists,
// so two tests never share one), for its owner only as mkdtemp makes them;
// the same on every system.
ScratchDir::ScratchDir()
{
    constexpr int kAttempts = 100;
    const std::filesystem::path parent = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::filesystem::path candidate = parent / ("vesper-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, error);
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder under " + parent.string());
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace vesper::test
