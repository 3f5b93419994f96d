// Last-error value, tick count and MulDiv.
#include <cstdint>
#include <limits>

#include "platform/kernel/clock.h"
#include "platform/win32.h"

namespace {
thread_local DWORD lastError = NO_ERROR;
}

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD dwErrCode)
{
    lastError = dwErrCode;
}

DWORD GetTickCount()
{
    // Wraps after 49.7 days, as on Windows.
    return static_cast<DWORD>(vesper::platform::CurrentClock().NowMilliseconds());
}

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(nNumber) * nNumerator;
    std::int64_t magnitude = product < 0 ? -product : product;
    std::int64_t divisor = nDenominator < 0 ? -static_cast<std::int64_t>(nDenominator) : nDenominator;
    std::int64_t quotient = (magnitude + divisor / 2) / divisor;
    if ((product < 0) != (nDenominator < 0))
        quotient = -quotient;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(quotient);
}
