// Where the private profile functions (GetPrivateProfileStringA and its
// kind) keep a settings file named without a folder, for messages about it.
#pragma once

#include <string>
#include <string_view>

namespace vesper::platform {

// The full path of the settings file `fileName` ("vesper.ini"): the user's
// Vesper folder on Linux, the Windows folder on Windows.
std::string ProfileFilePath(std::string_view fileName);

}  // namespace vesper::platform
