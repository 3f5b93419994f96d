// The window layer's texts are in Windows-1252, the code page of the "A"
// functions; fonts, SDL and terminals read UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vesper::platform {

// The Unicode character of one byte; every byte has one (the five the code
// page leaves unassigned stand for the control characters of their number).
char32_t CharacterOfWindows1252Byte(unsigned char byte);
std::string Utf8FromWindows1252(std::string_view text);

}  // namespace vesper::platform
