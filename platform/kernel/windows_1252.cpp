#include "platform/kernel/windows_1252.h"

namespace vesper::platform {

namespace {

constexpr unsigned char kFirstSpecialByte = 0x80;
constexpr unsigned char kLastSpecialByte = 0x9F;

}  // namespace

char32_t CharacterOfWindows1252Byte(unsigned char byte)
{
    // The characters of 0x80 to 0x9F; the five unassigned bytes keep their C1
    // code points, so that every byte has a character and comes back from it.
    static constexpr char16_t kSpecialCharacters[kLastSpecialByte - kFirstSpecialByte + 1] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= kFirstSpecialByte && byte <= kLastSpecialByte)
        return kSpecialCharacters[byte - kFirstSpecialByte];
    return byte;
}

std::string Utf8FromWindows1252(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const char32_t code = CharacterOfWindows1252Byte(static_cast<unsigned char>(c));
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

}  // namespace vesper::platform
