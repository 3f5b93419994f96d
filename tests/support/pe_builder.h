// Small Windows program files (PE) written byte by byte for tests: DOS and
// PE headers, a code section and, when asked, a resource section with a
// string table, then whatever the test appends after the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesper::test {

struct PeSpec {
    bool pe32Plus = false;
    // String 1 of the string table (UTF-16); none: no resource section.
    std::optional<std::u16string> string1;
    // Bytes placed at the start of the code section (for instance a copy of
    // a patchable block); the section is 512 bytes or more as needed.
    std::vector<std::uint8_t> code{};
};

// Where things are in a built file.
inline constexpr std::size_t kPeHeaderAt = 0x40;
inline constexpr std::size_t kPeSectionTableAt = kPeHeaderAt + 4 + 20;  // plus the optional header
inline constexpr std::size_t kPeSectionHeaderSize = 40;
inline constexpr std::size_t kPeSectionRawPointerField = 20;
inline constexpr std::size_t kPeCodeAt = 0x200;

// The program image; its last section's raw data ends at the file's end.
std::vector<std::uint8_t> BuildPe(const PeSpec& spec);

// Offset of section `index`'s header in a file from BuildPe.
std::size_t PeSectionHeaderAt(const PeSpec& spec, std::size_t index);

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

}  // namespace vesper::test
