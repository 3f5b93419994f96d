// The program-wide values of the screen saver that more than one subsystem
// reads: the instance handle and the run mode, set by the entry point before
// the saver window exists, and the speed, read when the window is created.
#pragma once

#include "platform/win32.h"

// This program's instance handle, set first thing by the entry point.
extern HINSTANCE g_hInstance;
// Set when the saver runs inside a preview host window; the stage then
// stretches its whole frame into the small window.
extern BOOL g_bPreview;
// The speed setting, 1 (slowest) to 100 (fastest), as read from the settings.
extern int g_nSpeed;
// Set when the saver is a hack drawing into a window of a screen saver
// daemon (g_bPreview is set too: the host owns input, cursor and password).
// The stage then takes the host window's size when it is large enough, and
// the multimedia timer paces it as in full-screen saving.
extern BOOL g_bHosted;
// The speed given on the command line for this run, 0 when none was: it
// replaces the settings file's.
extern int g_nSpeedOverride;
