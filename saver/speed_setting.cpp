#include "saver/speed_setting.h"

#include <algorithm>

int ReadSpeedSetting()
{
    // The value comes back as UINT; a stored negative number reads as itself.
    return static_cast<int>(GetPrivateProfileIntA(kSettingsSection, kSpeedKey, kDefaultSpeed, kSettingsFile));
}

int ReadSpeedSettingInRange()
{
    const int speed = ReadSpeedSetting();
    return speed < kSlowestSpeed || speed > kFastestSpeed ? kDefaultSpeed : speed;
}

BOOL WriteSpeedSetting(int speed)
{
    char text[16];
    wsprintfA(text, "%ld", static_cast<LONG>(speed));
    return WritePrivateProfileStringA(kSettingsSection, kSpeedKey, text, kSettingsFile);
}

std::optional<int> SpeedAfterScroll(int code, int thumbPosition, int speed)
{
    int next = speed;
    switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
        next = speed - 1;
        break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
        next = speed + 1;
        break;
    case SB_THUMBPOSITION:
        next = thumbPosition;
        break;
    case SB_THUMBTRACK:
    case SB_ENDSCROLL:
        return std::nullopt;
    case SB_LEFT:
        next = kSlowestSpeed;
        break;
    case SB_RIGHT:
        next = kFastestSpeed;
        break;
    default:
        break;
    }
    return std::clamp(next, kSlowestSpeed, kFastestSpeed);
}
