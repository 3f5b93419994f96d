// The program-wide values of the screen saver that more than one subsystem
// reads: the instance handle and the run mode, set by the entry point before
// the saver window exists, and the speed, read when the window is created.
#pragma once

#include <optional>

#include "platform/win32.h"
#include "stage/pixel_scale.h"
// The run modes g_bPreview and g_bHosted live with the stage, which reads them too.
#include "stage/stage_wnd.h"

// This program's instance handle, set first thing by the entry point.
extern HINSTANCE g_hInstance;
// The speed setting, 1 (slowest) to 100 (fastest), as read from the settings.
extern int g_nSpeed;
// The speed given on the command line for this run, 0 when none was: it
// replaces the settings file's.
extern int g_nSpeedOverride;
// The whole-pixel scale given on the command line for this run, none when
// none was: it replaces the settings file's.
extern std::optional<ScaleChoice> g_scaleOverride;
