#include "platform/kernel/profile_path.h"

#include "platform/kernel/config_paths.h"

namespace vesper::platform {

std::string ProfileFilePath(std::string_view fileName)
{
    const std::filesystem::path path = ResolveUserFile(fileName);
    return path.empty() ? std::string(fileName) : path.string();
}

}  // namespace vesper::platform
