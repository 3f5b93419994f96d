// The saver's one setting: its speed, 1 (slowest) to 100 (fastest), kept in
// the private settings file "vesper.ini", section "settings", key "speed".
#pragma once

#include "saver/internal.h"

#include <optional>

#include "platform/win32.h"

inline constexpr const char* kSettingsFile = "vesper.ini";
inline constexpr const char* kSettingsSection = "settings";
inline constexpr const char* kSpeedKey = "speed";
inline constexpr int kSlowestSpeed = 1;
inline constexpr int kFastestSpeed = 100;
inline constexpr int kDefaultSpeed = kFastestSpeed;

// The stored speed as it stands (the default when the file or key is
// missing), without a range check.
int ReadSpeedSetting();
// The stored speed, or the default when it lies outside 1..100.
int ReadSpeedSettingInRange();
// Writes the speed as a decimal number; false when the file cannot be written.
BOOL WriteSpeedSetting(int speed);

// The speed after a scroll bar action (its code and, for SB_THUMBPOSITION,
// the thumb position), limited to 1..100; none for SB_THUMBTRACK and
// SB_ENDSCROLL, which change nothing: the thumb is followed only when it is
// released. A page is one step, like an arrow; unknown codes keep the speed.
std::optional<int> SpeedAfterScroll(int code, int thumbPosition, int speed);
