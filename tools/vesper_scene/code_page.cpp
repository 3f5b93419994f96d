#include "tools/vesper_scene/code_page.h"

#include <cstdint>
#include <cstdio>

#include "platform/kernel/windows_1252.h"

namespace vesper::tools {
namespace {

constexpr std::uint8_t kFirstSpecialByte = 0x80;
constexpr std::uint8_t kLastSpecialByte = 0x9F;

std::optional<std::uint8_t> ByteOfCharacter(char32_t character)
{
    if (character < kFirstSpecialByte || (character > kLastSpecialByte && character <= 0xFF))
        return static_cast<std::uint8_t>(character);
    for (unsigned byte = kFirstSpecialByte; byte <= kLastSpecialByte; ++byte) {
        if (platform::CharacterOfWindows1252Byte(static_cast<std::uint8_t>(byte)) == character)
            return static_cast<std::uint8_t>(byte);
    }
    return std::nullopt;
}

// Decodes one character at `at` and advances past it; empty for a malformed,
// overlong or surrogate sequence.
std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        value = value << 6 | (next & 0x3F);
    }
    constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallestOfLength[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    at += length;
    return value;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes)
{
    return platform::Utf8FromWindows1252(bytes);
}

std::u16string CodePageToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (const char byte : bytes)
        out.push_back(static_cast<char16_t>(platform::CharacterOfWindows1252Byte(static_cast<std::uint8_t>(byte))));
    return out;
}

CodePageText Utf8ToCodePage(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const auto character = NextCharacter(utf8, at);
        if (!character)
            return {std::nullopt, "invalid UTF-8"};
        const auto byte = ByteOfCharacter(*character);
        if (!byte) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(*character));
            return {std::nullopt, std::string("the character ") + name + " has no 8-bit (Windows-1252) form"};
        }
        out += static_cast<char>(*byte);
    }
    return {std::move(out), {}};
}

}  // namespace vesper::tools
