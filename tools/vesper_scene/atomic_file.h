// Writing an output file so that it is either complete or absent: the bytes
// go to a temporary file in the same folder, which is flushed to disk and
// then renamed over the target. A failure removes the temporary file and
// leaves any earlier target as it was.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>
#include <sys/types.h>

#include "platform/api/win32_types.h"

namespace vesper::tools {

// The error text, or empty on success. `mode` sets the new file's permission
// bits exactly (for instance a player's, executable bits included); without
// it the file gets 0666 less the process's umask, as a plain new file does.
std::string WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes,
                                std::optional<mode_t> mode = std::nullopt);

struct OutputFile {
    std::string path;
    std::span<const BYTE> bytes;
    std::optional<mode_t> mode;  // as for WriteFileAtomically
};

// Several outputs, all or none: every file is first written in full beside
// its target, and only then are they renamed over their targets. When any
// step fails, every target is left as it was (an earlier file is put back)
// and the error text is returned; empty on success.
std::string WriteFilesAtomically(const std::vector<OutputFile>& files);

}  // namespace vesper::tools
