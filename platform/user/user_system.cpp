// System metrics and the system parameters the saver uses.
#include "platform/user/user_state.h"

namespace {

constexpr int kDoubleClickSide = 4;
constexpr int kMouseButtons = 3;
constexpr UINT kDoubleClickMilliseconds = 500;

}  // namespace

using namespace vesper::platform::user;

int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
        return ScreenSize().cx;
    case SM_CYSCREEN:
        return ScreenSize().cy;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return kDoubleClickSide;
    case SM_CMOUSEBUTTONS:
        return kMouseButtons;
    case SM_XVIRTUALSCREEN:
        return VirtualScreen().left;
    case SM_YVIRTUALSCREEN:
        return VirtualScreen().top;
    case SM_CXVIRTUALSCREEN:
        return VirtualScreen().right - VirtualScreen().left;
    case SM_CYVIRTUALSCREEN:
        return VirtualScreen().bottom - VirtualScreen().top;
    case SM_CMONITORS:
        return static_cast<int>(ScreenMonitors().size());
    default:
        return 0;
    }
}

UINT GetDoubleClickTime()
{
    return kDoubleClickMilliseconds;
}

BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, LPVOID pvParam, UINT)
{
    Lock lock = LockState();
    State& state = GetState();
    switch (uiAction) {
    case SPI_SETSCREENSAVERRUNNING: {
        const bool previous = state.screenSaverRunning;
        state.screenSaverRunning = uiParam != 0;
        if (pvParam)
            *static_cast<BOOL*>(pvParam) = previous;
        return TRUE;
    }
    case SPI_GETSCREENSAVERRUNNING:
        if (!pvParam)
            break;
        *static_cast<BOOL*>(pvParam) = state.screenSaverRunning;
        return TRUE;
    default:
        break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
