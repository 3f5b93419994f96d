// What a backend may call in the window layer, from its own threads as the
// display server's events arrive; nothing else of USER is a backend's to
// call. Each entry point returns without waiting for a window's thread.
#pragma once

#include "platform/internal.h"

#include <mutex>

#include "platform/api/win32_types.h"

namespace vesper::platform::window_layer {

// The native window's picture was lost (uncovered, resized): its owner paints
// the client area again.
void RepaintWindow(HWND window);
// The window manager asked to close the window: WM_CLOSE is posted to it.
void RequestClose(HWND window);
// The display server gave the window the keyboard focus: it becomes the
// foreground window.
void FocusGained(HWND window);
// Held while the backend reads the screen's pixels, which GDI writes under
// the same lock.
[[nodiscard]] std::unique_lock<std::recursive_mutex> LockScreen();

}  // namespace vesper::platform::window_layer
