// Where Vesper keeps the user's files: the settings files, the registry store
// and the password hash all live in one folder per user.
#pragma once

#include "platform/internal.h"

#include <filesystem>
#include <string_view>

namespace vesper::platform {

// $XDG_CONFIG_HOME/vesper when that variable holds an absolute path, else
// $HOME/.config/vesper (the home folder from the user database when HOME is
// unset). Empty when no home folder is known. Read afresh on every call.
std::filesystem::path ConfigDirectory();

// Creates the folder (and missing parents) with mode 0700. Returns false with
// errno set when it cannot be made.
bool EnsureConfigDirectory(const std::filesystem::path& directory);

// A name without a '/': one that ResolveUserFile places in ConfigDirectory().
bool IsBareFileName(std::string_view name);

// A bare file name lives in ConfigDirectory(); a name with a '/' is used as given.
std::filesystem::path ResolveUserFile(std::string_view name);

}  // namespace vesper::platform
