// The saver window: its class, its creation in full-screen or preview mode
// with the message loop that runs it, its window procedure and the default
// processing that ends full-screen saving on input.
//
// Every message passes SaverWindowProc, then ScreenSaverProc, then
// DefScreenSaverProc, then DefWindowProcA; each may consume it.
#pragma once

#include <vector>

#include "platform/win32.h"

inline constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
inline constexpr const char* kFullScreenTitle = "Screen Saver";
inline constexpr const char* kPreviewTitle = "Preview";
inline constexpr UINT kSaverClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
inline constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
inline constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
// Largest cursor movement, |dx| + |dy| in pixels, that does not end saving.
inline constexpr DWORD kMouseMoveThreshold = 4;
// The class's icon resource; the program holds none, so the class has no icon.
inline constexpr WORD kSaverIconResource = 100;

// The saver window made by CreateSaverWindow; null when creation failed. In
// full-screen saving the window on the primary monitor (or over all of them):
// several monitors have a saver window each, as the "monitors" setting says.
extern HWND g_hwndSaver;
// The creation parameter of a full-screen window that covers its monitor in
// black and plays no scene.
extern const void* const kBlackScreen;
// The reference point of the mouse-move rule.
extern POINT g_ptCursorRef;

struct SaverWindowStart {
    // The new saver window; null when none could be made.
    HWND window = nullptr;
    // A full-screen saver ran already and was brought to the front instead.
    bool alreadyRunning = false;
};

// Everything before the message loop: registers the class and creates the
// saver window (a child filling the host in preview mode; otherwise, unless a
// full-screen saver runs already, topmost popups over the monitors as the
// "monitors" setting says, with the password support loaded and the first
// window brought to the front). Input on any of them ends them all; when the
// monitors change the windows follow them.
SaverWindowStart StartSaverWindow(HWND host);

// The full-screen windows of the run, the first one made first.
std::vector<HWND> FullScreenSaverWindows();

// Gets, translates and dispatches the thread's messages until the quit
// message arrives; returns its code.
int RunMessageLoop();

// Registers the class, creates the saver window (a child filling the host in
// preview mode, a topmost popup over the screen otherwise) and runs the
// message loop until the window is gone. Returns the quit message's code; 0
// when a full-screen saver already runs (it is brought to the front), 1 when
// no window could be made.
int CreateSaverWindow(HWND host);

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hides the cursor over the saver window.
void HideSaverCursor();
