// Changes to a Windows program file (a PE image) that packing makes in place:
// string 1 of its string table, and the image checksum that covers the whole
// file.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "scene/pe_image.h"

namespace vesper::tools {

// Rewrites the string table block at `block` (strings 0 to 15, each a
// UTF-16 length and its characters) with string 1 replaced by `text`, the
// other strings kept and the rest of the block zero-filled. Refused when the
// block is damaged or the strings no longer fit in its size.
std::string ReplaceStringOfBlock1(std::vector<BYTE>& file, const scene::FilePlace& block, std::u16string_view text);

// The PE image checksum of the file (as the system's CheckSumMappedFile
// computes it): the 16-bit one's-complement-style sum of the file with the
// checksum field taken as 0, plus the file's length.
DWORD PeCheckSum(std::span<const BYTE> file, std::uint64_t checkSumOffset);

// Stores PeCheckSum into the checksum field.
void UpdatePeCheckSum(std::vector<BYTE>& file, std::uint64_t checkSumOffset);

}  // namespace vesper::tools
