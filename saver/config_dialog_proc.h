// The configuration dialog (resource 2003, saver/resources.h): the scene's title and credit line
// and a scroll bar for the speed; OK stores the speed, Annuler leaves the
// settings file alone.
#pragma once

#include "platform/win32.h"
#include "saver/config_dialog_template.h"

inline constexpr int kTitleControl = VESPER_CONFIG_TITLE_ID;
inline constexpr int kCreditControl = VESPER_CONFIG_CREDIT_ID;
inline constexpr int kSpeedScrollBar = VESPER_CONFIG_SPEED_ID;
// String resource 1: the title and the credit line joined by "|".
inline constexpr UINT kSceneStringsResource = 1;
inline constexpr int kSceneStringsCapacity = 200;

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
