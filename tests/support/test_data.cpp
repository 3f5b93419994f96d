#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace vesper::test {

std::filesystem::path SharedTestData()
{
    return std::filesystem::path(VESPER_SOURCE_DIR).parent_path() / "shared" / "testdata";
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vesper-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder under " + pattern);
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vesper::test
