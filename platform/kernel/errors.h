// The one translation from POSIX errno values to Win32 error codes that every
// part of the platform layer reports through GetLastError.
#pragma once

#include "platform/internal.h"

#include <filesystem>

#include "platform/api/win32_types.h"

namespace vesper::platform {

// The Win32 error code closest to an errno value. Linux says ENOENT both for
// a missing file and for a missing folder on its way, which Windows tells
// apart: given the path, a missing parent folder gives ERROR_PATH_NOT_FOUND,
// otherwise ERROR_FILE_NOT_FOUND.
DWORD Win32ErrorFromErrno(int error, const std::filesystem::path& path = {});

}  // namespace vesper::platform
