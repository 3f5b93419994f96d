#include "tests/support/pe_builder.h"

#include <algorithm>

namespace vesper::test {
namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kDirectoryCount = 16;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kStringTable = 6;
constexpr std::uint32_t kEnglish = 0x409;

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::size_t OptionalHeaderSize(bool pe32Plus)
{
    return (pe32Plus ? 112 : 96) + kDirectoryCount * 8;
}

std::uint32_t Aligned(std::size_t size)
{
    return static_cast<std::uint32_t>((size + kFileAlignment - 1) / kFileAlignment * kFileAlignment);
}

// A directory of one id entry at `at` in the resource section.
void PutDirectory(std::vector<std::uint8_t>& section, std::size_t at, std::uint32_t id, std::uint32_t target)
{
    Put16(section, at + 14, 1);  // one id entry, no named ones
    Put32(section, at + 16, id);
    Put32(section, at + 20, target);
}

// Type 6 → block 1 → English → the block of 16 counted strings, string 1 set.
std::vector<std::uint8_t> ResourceSection(const std::u16string& string1, std::uint32_t sectionRva)
{
    constexpr std::size_t kTypeAt = 0, kBlockAt = 24, kLanguageAt = 48, kDataEntryAt = 72, kStringsAt = 88;
    const std::size_t stringsSize = 2 * 16 + 2 * string1.size();
    std::vector<std::uint8_t> section(Aligned(kStringsAt + stringsSize), 0);
    PutDirectory(section, kTypeAt, kStringTable, kSubdirectory | kBlockAt);
    PutDirectory(section, kBlockAt, 1, kSubdirectory | kLanguageAt);
    PutDirectory(section, kLanguageAt, kEnglish, kDataEntryAt);
    Put32(section, kDataEntryAt, sectionRva + kStringsAt);
    Put32(section, kDataEntryAt + 4, static_cast<std::uint32_t>(stringsSize));
    // String 0 is empty; string 1 follows its length.
    Put16(section, kStringsAt + 2, static_cast<std::uint16_t>(string1.size()));
    for (std::size_t i = 0; i < string1.size(); ++i)
        Put16(section, kStringsAt + 4 + 2 * i, string1[i]);
    return section;
}

void PutSectionHeader(std::vector<std::uint8_t>& file, std::size_t at, const char* name, std::uint32_t rva,
                      std::uint32_t size, std::uint32_t rawPointer)
{
    for (std::size_t i = 0; name[i]; ++i)
        file[at + i] = static_cast<std::uint8_t>(name[i]);
    Put32(file, at + 8, size);   // virtual size
    Put32(file, at + 12, rva);
    Put32(file, at + 16, size);  // raw size
    Put32(file, at + kPeSectionRawPointerField, rawPointer);
}

}  // namespace

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t PeSectionHeaderAt(const PeSpec& spec, std::size_t index)
{
    return kPeSectionTableAt + OptionalHeaderSize(spec.pe32Plus) + index * kPeSectionHeaderSize;
}

std::vector<std::uint8_t> BuildPe(const PeSpec& spec)
{
    std::vector<std::uint8_t> code(Aligned(std::max<std::size_t>(spec.code.size(), 1)), 0xCC);
    std::copy(spec.code.begin(), spec.code.end(), code.begin());
    const std::uint32_t codeRva = kSectionAlignment;
    const std::uint32_t resourceRva = codeRva + ((static_cast<std::uint32_t>(code.size()) + kSectionAlignment - 1) /
                                                 kSectionAlignment * kSectionAlignment);
    const std::vector<std::uint8_t> resources =
        spec.string1 ? ResourceSection(*spec.string1, resourceRva) : std::vector<std::uint8_t>();
    const std::uint16_t sectionCount = spec.string1 ? 2 : 1;

    std::vector<std::uint8_t> file(kPeCodeAt, 0);
    file[0] = 'M';
    file[1] = 'Z';
    Put32(file, 0x3C, kPeHeaderAt);
    Put32(file, kPeHeaderAt, 0x00004550);  // "PE\0\0"
    const std::size_t coff = kPeHeaderAt + 4;
    Put16(file, coff, spec.pe32Plus ? 0x8664 : 0x14C);
    Put16(file, coff + 2, sectionCount);
    Put16(file, coff + 16, static_cast<std::uint16_t>(OptionalHeaderSize(spec.pe32Plus)));
    Put16(file, coff + 18, 0x0102);  // executable, 32-bit words
    const std::size_t optional = coff + 20;
    Put16(file, optional, spec.pe32Plus ? 0x20B : 0x10B);
    Put32(file, optional + 32, kSectionAlignment);
    Put32(file, optional + 36, kFileAlignment);
    Put32(file, optional + 60, kPeCodeAt);  // size of headers
    const std::size_t directories = optional + (spec.pe32Plus ? 112 : 96);
    Put32(file, directories - 4, kDirectoryCount);
    if (spec.string1) {
        Put32(file, directories + kResourceDirectoryIndex * 8, resourceRva);
        Put32(file, directories + kResourceDirectoryIndex * 8 + 4, static_cast<std::uint32_t>(resources.size()));
    }
    PutSectionHeader(file, PeSectionHeaderAt(spec, 0), ".text", codeRva, static_cast<std::uint32_t>(code.size()),
                     kPeCodeAt);
    if (spec.string1)
        PutSectionHeader(file, PeSectionHeaderAt(spec, 1), ".rsrc", resourceRva,
                         static_cast<std::uint32_t>(resources.size()),
                         static_cast<std::uint32_t>(kPeCodeAt + code.size()));
    file.insert(file.end(), code.begin(), code.end());
    file.insert(file.end(), resources.begin(), resources.end());
    return file;
}

}  // namespace vesper::test
