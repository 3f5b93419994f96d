// What the SDL backend does with X directly, beside SDL, on SDL's own X
// connection: windows of other programs (the host of a preview, known only by
// its number), a child window of ours inside such a window for SDL to draw
// in, and news of their destruction. X reports a request about a window that
// no longer exists as an error that would end the program; errors about the
// windows named here are expected (their owner may destroy them at any time)
// and are ignored.
//
// Everything here runs on the video thread.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>

#include "platform/api/win32_types.h"

namespace vesper::platform::sdl::x11 {

using WindowNumber = std::uintptr_t;

// Whether SDL runs on X and these functions can work. The first call (which
// needs SDL's video subsystem) attaches to SDL's connection and asks SDL for
// the X events of windows that are not its own.
bool Available();

// The client area on the screen of an existing X window, none when there is
// no such window (or X is not in use).
std::optional<RECT> ClientAreaOf(WindowNumber window);

// Makes a child window of `parent` at (x, y) of its client area with the
// given size, unmapped, and watches both for destruction; 0 when it cannot be
// made.
WindowNumber CreateChildWindow(WindowNumber parent, int x, int y, int width, int height);
void ShowChildWindow(WindowNumber child, bool visible);
void DestroyChildWindow(WindowNumber child);

// The window an SDL_SYSWMEVENT reports destroyed, none for any other event.
std::optional<WindowNumber> DestroyedWindow(const SDL_Event& event);

// Waits until the X server has carried out every request made so far (and so
// shows what was presented).
void Synchronise();

// Where the pointer is on the screen, asked of the X server (SDL's answer
// lags while the pointer is outside SDL's windows); none without X.
std::optional<POINT> PointerPosition();

// The file of SDL's X connection, readable when X events arrive; -1 when X is
// not in use.
int EventFile();

}  // namespace vesper::platform::sdl::x11
