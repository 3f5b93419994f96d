// The running program as a module, from the system: GetModuleHandleA and
// GetModuleFileNameA of the program's own image.
#include "platform/kernel/module_path.h"

namespace vesper::platform {

HINSTANCE ProgramInstance()
{
    return GetModuleHandleA(nullptr);
}

std::string ModulePath()
{
    // GetModuleFileNameA cuts the name to the buffer and then returns the
    // buffer's size: grow until the whole name fits.
    std::string path(MAX_PATH, '\0');
    while (true) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace vesper::platform
