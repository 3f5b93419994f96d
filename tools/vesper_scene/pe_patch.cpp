#include "tools/vesper_scene/pe_patch.h"

#include <algorithm>

namespace vesper::tools {
namespace {

constexpr std::size_t kStringsPerBlock = 16;
constexpr std::size_t kWantedString = 1;
constexpr std::size_t kCheckSumSize = 4;

WORD Read16(const std::vector<BYTE>& file, std::uint64_t at)
{
    return static_cast<WORD>(file[at] | file[at + 1] << 8);
}

void Write16(std::vector<BYTE>& file, std::uint64_t at, WORD value)
{
    file[at] = static_cast<BYTE>(value);
    file[at + 1] = static_cast<BYTE>(value >> 8);
}

}  // namespace

std::string ReplaceStringOfBlock1(std::vector<BYTE>& file, const scene::FilePlace& block, std::u16string_view text)
{
    if (block.offset > file.size() || block.size > file.size() - block.offset)
        return "the string table block lies past the end of the file";
    std::vector<std::u16string> strings;
    for (std::uint64_t at = block.offset, end = block.offset + block.size; strings.size() < kStringsPerBlock;) {
        if (end - at < 2)
            return "the string table block is cut short";
        const WORD length = Read16(file, at);
        at += 2;
        if ((end - at) / 2 < length)
            return "the string table block is cut short";
        std::u16string string;
        for (WORD i = 0; i < length; ++i, at += 2)
            string.push_back(static_cast<char16_t>(Read16(file, at)));
        strings.push_back(std::move(string));
    }
    strings[kWantedString] = std::u16string(text);

    std::uint64_t needed = 0;
    for (const auto& string : strings)
        needed += 2 + 2 * string.size();
    if (text.size() > 0xFFFF || needed > block.size)
        return "string 1 (" + std::to_string(text.size()) + " characters) does not fit in the room the program's " +
               "string table keeps for it (" + std::to_string(block.size / 2 - kStringsPerBlock) + " characters)";
    std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(block.offset), block.size, BYTE{0});
    std::uint64_t at = block.offset;
    for (const auto& string : strings) {
        Write16(file, at, static_cast<WORD>(string.size()));
        at += 2;
        for (const char16_t unit : string) {
            Write16(file, at, unit);
            at += 2;
        }
    }
    return {};
}

DWORD PeCheckSum(std::span<const BYTE> file, std::uint64_t checkSumOffset)
{
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        WORD word = file[at];
        if (at + 1 < file.size())
            word = static_cast<WORD>(word | file[at + 1] << 8);
        if (at >= checkSumOffset && at < checkSumOffset + kCheckSumSize)
            word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<DWORD>(sum + file.size());
}

void UpdatePeCheckSum(std::vector<BYTE>& file, std::uint64_t checkSumOffset)
{
    const DWORD sum = PeCheckSum(file, checkSumOffset);
    for (std::size_t i = 0; i < kCheckSumSize; ++i)
        file[checkSumOffset + i] = static_cast<BYTE>(sum >> (8 * i));
}

}  // namespace vesper::tools
