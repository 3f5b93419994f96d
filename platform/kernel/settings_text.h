// ASCII case folding for the names that Windows compares without regard to
// case: profile sections and keys, registry keys and values, module names,
// window classes and titles, font faces.
#pragma once

#include "platform/internal.h"

#include <algorithm>
#include <string_view>

namespace vesper::platform {

constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace vesper::platform
