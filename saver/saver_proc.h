// The saver-specific message handling of the saver window: it loads the scene
// when the window is made, paces the stage while it lives and lets it go when
// the window is destroyed. Every message then goes on to DefScreenSaverProc.
#pragma once

#include "saver/internal.h"

#include "platform/win32.h"

class CVesperDoc;
class CSaverStage;

// One pacing tick, sent by the multimedia timer's thread in full-screen mode.
inline constexpr UINT WM_SAVERTICK = WM_USER + 1;
// The preview's window timer.
inline constexpr UINT_PTR kPreviewTimerId = 1;
// Full-screen pacing: the multimedia timer's period and resolution, and the
// timer resolution requested for the window's lifetime.
inline constexpr UINT kTickTimerPeriod = 20;
// The stage size in preview mode, whatever the size of the preview window.
inline constexpr int kPreviewStageWidth = 640;
inline constexpr int kPreviewStageHeight = 480;

// The scene document of the current saver window, owned from window creation
// to window destruction.
extern CVesperDoc* g_pDocument;

LRESULT ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The stage that plays the scene in a saver window: g_stage for the first,
// one of its own for each other monitor's; null for a window that plays none.
CSaverStage* StageOf(HWND window);
