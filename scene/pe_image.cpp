#include "scene/pe_image.h"

#include <algorithm>
#include <vector>

namespace vesper::scene {
namespace {

// DOS header: "MZ", and at 0x3C the file offset of the PE signature.
constexpr BYTE kDosSignature[] = {'M', 'Z'};
constexpr std::size_t kPeHeaderPointerField = 0x3C;
constexpr DWORD kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kPeSignatureSize = 4;

// COFF file header, right after the signature.
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionCountField = 2;
constexpr std::size_t kOptionalHeaderSizeField = 16;

// Optional header, right after the COFF header.
constexpr WORD kPe32Magic = 0x10B;
constexpr WORD kPe32PlusMagic = 0x20B;
constexpr std::size_t kCheckSumField = 64;     // the same in both forms
constexpr std::size_t kHeadersSizeField = 60;  // the same in both forms
constexpr std::size_t kPe32DirectoryCountField = 92;
constexpr std::size_t kPe32PlusDirectoryCountField = 108;
constexpr std::size_t kDataDirectorySize = 8;  // RVA, size
constexpr DWORD kResourceDirectory = 2;

// Section table entries.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionNameSize = 8;
constexpr std::size_t kSectionVirtualSizeField = 8;
constexpr std::size_t kSectionAddressField = 12;
constexpr std::size_t kSectionRawSizeField = 16;
constexpr std::size_t kSectionRawPointerField = 20;

// Resource tree: directories of entries (id or name, then data or a
// subdirectory, offsets from the start of the tree), three levels deep
// (type, name, language), ending in data entries (RVA, size).
constexpr std::size_t kResourceDirectoryHeaderSize = 16;
constexpr std::size_t kNamedEntryCountField = 12;
constexpr std::size_t kIdEntryCountField = 14;
constexpr std::size_t kResourceEntrySize = 8;
constexpr DWORD kResourceNameIsString = 0x80000000;
constexpr DWORD kResourceIsSubdirectory = 0x80000000;
constexpr std::size_t kResourceDataEntrySize = 16;
constexpr DWORD kStringTableType = 6;
// String n lives in block n / 16 + 1, at position n % 16.
constexpr DWORD kStringsPerBlock = 16;
constexpr DWORD kWantedString = 1;

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Little-endian values at absolute offsets, present only inside the bytes.
class Bytes {
public:
    explicit Bytes(std::span<const BYTE> bytes) : m_bytes(bytes) {}

    bool Holds(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    std::optional<WORD> U16(std::uint64_t offset) const
    {
        if (!Holds(offset, 2))
            return std::nullopt;
        return static_cast<WORD>(m_bytes[offset] | m_bytes[offset + 1] << 8);
    }
    std::optional<DWORD> U32(std::uint64_t offset) const
    {
        if (!Holds(offset, 4))
            return std::nullopt;
        DWORD value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | m_bytes[offset + static_cast<std::uint64_t>(i)];
        return value;
    }
    std::string Name(std::uint64_t offset, std::size_t size) const
    {
        std::string name;
        for (std::size_t i = 0; i < size && Holds(offset + i, 1) && m_bytes[offset + i]; ++i)
            name.push_back(static_cast<char>(m_bytes[offset + i]));
        return name;
    }
    std::size_t Size() const { return m_bytes.size(); }

private:
    std::span<const BYTE> m_bytes;
};

struct Section {
    std::string name;
    DWORD virtualAddress = 0;
    DWORD virtualSize = 0;
    DWORD rawPointer = 0;
    DWORD rawSize = 0;
};

struct Headers {
    std::uint64_t headersEnd = 0;  // end of the section table, or SizeOfHeaders when larger
    std::optional<std::uint64_t> checkSumOffset;
    std::optional<DWORD> resourceRva;
    std::vector<Section> sections;
};

template <typename T>
platform::Outcome<T> Refused(std::string reason)
{
    return {std::nullopt, std::move(reason)};
}

std::string At(std::uint64_t offset)
{
    return "byte " + std::to_string(offset);
}

platform::Outcome<std::optional<DWORD>> ResourceDirectoryRva(const Bytes& file, std::uint64_t optionalAt,
                                                             WORD optionalSize)
{
    const auto magic = file.U16(optionalAt);
    if (!magic || optionalSize < 2)
        return Refused<std::optional<DWORD>>("the optional header is cut short");
    std::size_t countField = 0;
    if (*magic == kPe32Magic)
        countField = kPe32DirectoryCountField;
    else if (*magic == kPe32PlusMagic)
        countField = kPe32PlusDirectoryCountField;
    else
        return Refused<std::optional<DWORD>>("unknown optional header kind " + std::to_string(*magic) +
                                             " (267 or 523 expected)");
    const std::uint64_t directoriesAt = countField + 4;
    const auto count = file.U32(optionalAt + countField);
    if (!count || optionalSize < directoriesAt)
        return {std::optional<DWORD>(), {}};  // no data directories
    const std::uint64_t resourceAt = directoriesAt + kResourceDirectory * kDataDirectorySize;
    if (*count <= kResourceDirectory || optionalSize < resourceAt + kDataDirectorySize)
        return {std::optional<DWORD>(), {}};
    const auto rva = file.U32(optionalAt + resourceAt);
    const auto size = file.U32(optionalAt + resourceAt + 4);
    if (!rva || !size)
        return Refused<std::optional<DWORD>>("the optional header is cut short");
    return {*rva && *size ? std::optional<DWORD>(*rva) : std::nullopt, {}};
}

platform::Outcome<Headers> ReadHeaders(const Bytes& file)
{
    const auto peAt = file.U32(kPeHeaderPointerField);
    if (!peAt)
        return Refused<Headers>("the DOS header is cut short");
    const auto signature = file.U32(*peAt);
    if (!signature)
        return Refused<Headers>("the PE header offset (" + At(*peAt) + ") lies past the end of the file");
    if (*signature != kPeSignature)
        return Refused<Headers>("no PE signature at " + At(*peAt) + " (a DOS program, not a Windows one)");
    const std::uint64_t coffAt = std::uint64_t{*peAt} + kPeSignatureSize;
    const auto sectionCount = file.U16(coffAt + kSectionCountField);
    const auto optionalSize = file.U16(coffAt + kOptionalHeaderSizeField);
    const std::uint64_t optionalAt = coffAt + kCoffHeaderSize;
    if (!sectionCount || !optionalSize || !file.Holds(optionalAt, *optionalSize))
        return Refused<Headers>("the PE headers are cut short by the end of the file");
    Headers headers;
    const auto resources = ResourceDirectoryRva(file, optionalAt, *optionalSize);
    if (!resources)
        return Refused<Headers>(resources.error);
    headers.resourceRva = *resources.value;

    if (*optionalSize >= kCheckSumField + 4)
        headers.checkSumOffset = optionalAt + kCheckSumField;

    const std::uint64_t tableAt = optionalAt + *optionalSize;
    const std::uint64_t tableSize = std::uint64_t{*sectionCount} * kSectionHeaderSize;
    if (!file.Holds(tableAt, tableSize))
        return Refused<Headers>("the section table (" + std::to_string(*sectionCount) +
                                " sections) is cut short by the end of the file");
    headers.headersEnd = tableAt + tableSize;
    if (*optionalSize >= kHeadersSizeField + 4)
        headers.headersEnd = std::max<std::uint64_t>(headers.headersEnd, *file.U32(optionalAt + kHeadersSizeField));
    for (WORD i = 0; i < *sectionCount; ++i) {
        const std::uint64_t at = tableAt + std::uint64_t{i} * kSectionHeaderSize;
        headers.sections.push_back(Section{file.Name(at, kSectionNameSize), *file.U32(at + kSectionAddressField),
                                           *file.U32(at + kSectionVirtualSizeField),
                                           *file.U32(at + kSectionRawPointerField),
                                           *file.U32(at + kSectionRawSizeField)});
    }
    return {std::move(headers), {}};
}

platform::Outcome<std::uint64_t> ImageEnd(const Headers& headers, std::size_t fileSize)
{
    std::uint64_t end = headers.headersEnd;
    for (std::size_t i = 0; i < headers.sections.size(); ++i) {
        const Section& section = headers.sections[i];
        if (section.rawSize == 0)
            continue;
        const std::uint64_t sectionEnd = std::uint64_t{section.rawPointer} + section.rawSize;
        if (sectionEnd > fileSize)
            return Refused<std::uint64_t>("section " + std::to_string(i + 1) + " (\"" + section.name +
                                          "\") has raw data up to " + At(sectionEnd) +
                                          ", past the end of the file (" + std::to_string(fileSize) + " bytes)");
        end = std::max(end, sectionEnd);
    }
    if (end > fileSize)
        return Refused<std::uint64_t>("the headers end at " + At(end) + ", past the end of the file (" +
                                      std::to_string(fileSize) + " bytes)");
    return {end, {}};
}

// The file offset of `size` bytes at a relative virtual address, when they lie
// inside one section's raw data.
std::optional<std::uint64_t> FileOffsetOf(const Headers& headers, DWORD rva, std::uint64_t size)
{
    for (const Section& section : headers.sections) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t into = rva - section.virtualAddress;
        if (into <= section.rawSize && size <= section.rawSize - into)
            return section.rawPointer + into;
    }
    return std::nullopt;
}

// The resource tree, read from its start in the file.
class ResourceTree {
public:
    ResourceTree(const Bytes& file, std::uint64_t start) : m_file(file), m_start(start) {}

    // The entry value of `id` in the directory at `directory` (an offset in
    // the tree), or of its first entry when `id` is empty; none when absent.
    platform::Outcome<std::optional<DWORD>> Find(DWORD directory, std::optional<DWORD> id) const
    {
        const std::uint64_t at = m_start + directory;
        const auto named = m_file.U16(at + kNamedEntryCountField);
        const auto ids = m_file.U16(at + kIdEntryCountField);
        const std::uint64_t count = std::uint64_t{named.value_or(0)} + ids.value_or(0);
        if (!named || !ids || !m_file.Holds(at + kResourceDirectoryHeaderSize, count * kResourceEntrySize))
            return Refused<std::optional<DWORD>>("a resource directory lies past the end of the file");
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t entry = at + kResourceDirectoryHeaderSize + i * kResourceEntrySize;
            const DWORD name = *m_file.U32(entry);
            if (!id || (!(name & kResourceNameIsString) && name == *id))
                return {std::optional<DWORD>(*m_file.U32(entry + 4)), {}};
        }
        return {std::optional<DWORD>(), {}};
    }

    // Follows a subdirectory entry one level down.
    platform::Outcome<std::optional<DWORD>> Descend(std::optional<DWORD> entry, std::optional<DWORD> id) const
    {
        if (!entry)
            return {std::optional<DWORD>(), {}};
        if (!(*entry & kResourceIsSubdirectory))
            return Refused<std::optional<DWORD>>("the string table's resource tree has data where a directory belongs");
        return Find(*entry & ~kResourceIsSubdirectory, id);
    }

    // RVA and size of the data entry at `entry`.
    platform::Outcome<std::pair<DWORD, DWORD>> Data(DWORD entry) const
    {
        if (entry & kResourceIsSubdirectory)
            return Refused<std::pair<DWORD, DWORD>>("the string table's resource tree is deeper than three levels");
        const std::uint64_t at = m_start + entry;
        if (!m_file.Holds(at, kResourceDataEntrySize))
            return Refused<std::pair<DWORD, DWORD>>("a resource data entry lies past the end of the file");
        return {std::pair(*m_file.U32(at), *m_file.U32(at + 4)), {}};
    }

private:
    const Bytes& m_file;
    std::uint64_t m_start;
};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16 code units as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8OfUtf16(const std::vector<WORD>& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, high || low ? kReplacementCharacter : unit);
        }
    }
    return out;
}

// String `index` of a string block: 16 counted UTF-16 strings one after the other.
platform::Outcome<std::string> StringOfBlock(const Bytes& file, std::uint64_t at, DWORD size, DWORD index)
{
    const std::uint64_t end = at + size;
    for (DWORD i = 0;; ++i) {
        const auto length = at + 2 <= end ? file.U16(at) : std::nullopt;
        if (!length || at + 2 + std::uint64_t{*length} * 2 > end)
            return Refused<std::string>("the string table block is cut short");
        at += 2;
        if (i == index) {
            std::vector<WORD> units;
            for (WORD k = 0; k < *length; ++k) {
                const WORD unit = *file.U16(at + 2 * std::uint64_t{k});
                if (unit == 0)
                    break;
                units.push_back(unit);
            }
            return {Utf8OfUtf16(units), {}};
        }
        at += std::uint64_t{*length} * 2;
    }
}

struct StringFound {
    std::optional<std::string> text;
    std::optional<FilePlace> block;
};

platform::Outcome<StringFound> StringResource(const Bytes& file, const Headers& headers, DWORD id)
{
    using Result = StringFound;
    if (!headers.resourceRva)
        return {Result(), {}};
    const auto start = FileOffsetOf(headers, *headers.resourceRva, kResourceDirectoryHeaderSize);
    if (!start)
        return Refused<Result>("the resource directory lies outside the sections' data");
    const ResourceTree tree(file, *start);
    const auto type = tree.Find(0, kStringTableType);
    if (!type)
        return Refused<Result>(type.error);
    const auto block = tree.Descend(*type.value, id / kStringsPerBlock + 1);
    if (!block)
        return Refused<Result>(block.error);
    const auto language = tree.Descend(*block.value, std::nullopt);  // the first language
    if (!language)
        return Refused<Result>(language.error);
    if (!*language.value)
        return {Result(), {}};
    const auto data = tree.Data(**language.value);
    if (!data)
        return Refused<Result>(data.error);
    const auto [rva, size] = *data.value;
    const auto at = FileOffsetOf(headers, rva, size);
    if (!at)
        return Refused<Result>("the string table's data lies outside the sections' data");
    auto text = StringOfBlock(file, *at, size, id % kStringsPerBlock);
    if (!text)
        return Refused<Result>(text.error);
    Result found{std::nullopt, FilePlace{*at, size}};
    if (!text.value->empty())
        found.text = std::move(*text.value);
    return {std::move(found), {}};
}

}  // namespace

bool HasDosSignature(std::span<const BYTE> file)
{
    return file.size() >= sizeof kDosSignature && std::equal(std::begin(kDosSignature), std::end(kDosSignature), file.begin());
}

platform::Outcome<PeImage> ReadPeImage(std::span<const BYTE> bytes)
{
    if (!HasDosSignature(bytes))
        return Refused<PeImage>("no \"MZ\" signature: not a Windows program");
    const Bytes file(bytes);
    const auto headers = ReadHeaders(file);
    if (!headers)
        return Refused<PeImage>(headers.error);
    const auto end = ImageEnd(*headers.value, file.Size());
    if (!end)
        return Refused<PeImage>(end.error);
    auto text = StringResource(file, *headers.value, kWantedString);
    if (!text)
        return Refused<PeImage>("string resource 1: " + text.error);
    return {PeImage{*end.value, std::move(text.value->text), text.value->block, headers.value->checkSumOffset}, {}};
}

}  // namespace vesper::scene
