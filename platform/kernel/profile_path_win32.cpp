#include "platform/kernel/profile_path.h"

#include <windows.h>

namespace vesper::platform {

std::string ProfileFilePath(std::string_view fileName)
{
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string(fileName);
    return std::string(folder, length) + "\\" + std::string(fileName);
}

}  // namespace vesper::platform
