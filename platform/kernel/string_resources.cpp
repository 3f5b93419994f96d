// String resources of the running program. The only one is string 1, the
// saver's title and credit line, kept in the patchable block so that the
// packaging tool can write it into the program file.
#include <algorithm>
#include <cstring>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"

namespace {
constexpr UINT kTitleAndCreditString = 1;
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax <= 0)
        return 0;
    lpBuffer[0] = '\0';
    if (uID != kTitleAndCreditString)
        return 0;
    const std::string text = vesper::platform::ProgramStringResource1();
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, text.data(), count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}
