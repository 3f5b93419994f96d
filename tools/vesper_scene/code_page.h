// The scene's texts (names, paths, the title and credit line) are 8-bit
// characters of the Windows Western code page (1252); the tool's own texts
// (JSON, the command line, the terminal) are UTF-8. These convert between the
// two. The five bytes that code page leaves undefined stand for the control
// characters of the same number, so every byte string converts to UTF-8 and
// back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesper::tools {

std::string CodePageToUtf8(std::string_view bytes);
// The UTF-16 form of 8-bit text (every character of the code page is one
// UTF-16 unit), as a Windows program's string table holds it.
std::u16string CodePageToUtf16(std::string_view bytes);

// The 8-bit form of UTF-8 text; without it, `problem` names the first
// character that has no 8-bit form, or says that the text is not UTF-8.
struct CodePageText {
    std::optional<std::string> text;
    std::string problem;
};
CodePageText Utf8ToCodePage(std::string_view utf8);

}  // namespace vesper::tools
