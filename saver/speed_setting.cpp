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

namespace {

// The scroll bar's notification codes (SB_LINELEFT ... SB_ENDSCROLL).
enum ScrollCode : int {
    kLineLeft = 0,
    kLineRight = 1,
    kPageLeft = 2,
    kPageRight = 3,
    kThumbPosition = 4,
    kThumbTrack = 5,
    kLeft = 6,
    kRight = 7,
    kEndScroll = 8,
};

}  // namespace

std::optional<int> SpeedAfterScroll(int code, int thumbPosition, int speed)
{
    int next = speed;
    switch (code) {
    case kLineLeft:
    case kPageLeft:
        next = speed - 1;
        break;
    case kLineRight:
    case kPageRight:
        next = speed + 1;
        break;
    case kThumbPosition:
        next = thumbPosition;
        break;
    case kThumbTrack:
    case kEndScroll:
        return std::nullopt;
    case kLeft:
        next = kSlowestSpeed;
        break;
    case kRight:
        next = kFastestSpeed;
        break;
    default:
        break;
    }
    return std::clamp(next, kSlowestSpeed, kFastestSpeed);
}
