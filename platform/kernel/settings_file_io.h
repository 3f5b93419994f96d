// Whole-file reads and atomic replacement for the small files Vesper keeps for
// the user (settings, registry store, password hash).
#pragma once

#include "platform/internal.h"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/kernel/errors.h"
#include "platform/api/win32_types.h"

namespace vesper::platform {

// No user file of Vesper's grows anywhere near this; a larger one is refused
// rather than read into memory.
inline constexpr std::size_t kMaxUserFileBytes = 1024 * 1024;

struct UserFileContents {
    bool exists = false;
    std::string bytes;
};

// Reads the whole file into contents. A missing file (or folder on its way) is
// not an error: it gives exists == false. Returns NO_ERROR or a Win32 error code (ERROR_INVALID_DATA
// for a file over maxBytes or one that is not a regular file).
DWORD ReadUserFile(const std::filesystem::path& path, std::size_t maxBytes, UserFileContents& contents);

enum class ExistingFileMode {
    Keep,     // a replaced file keeps its permission bits
    Override  // the file always gets the given mode
};

// Replaces the file with bytes so that readers see either the old or the new
// contents, never a mixture, even after a crash: the bytes go to a temporary
// file in the same folder, are flushed to disk, and the temporary file is
// renamed over the target. On failure the target is untouched, the temporary
// file is removed and the Win32 error code is returned; NO_ERROR on success.
// Bytes over kMaxUserFileBytes, which could not be read back, are refused with
// ERROR_NOT_ENOUGH_QUOTA.
DWORD ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                            ExistingFileMode existing);

}  // namespace vesper::platform
