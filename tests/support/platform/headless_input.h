// Scripted input and host windows for tests on the headless backend.
#pragma once

#include <vector>

#include "platform/drivers/headless/headless_windows.h"

namespace vesper::platform::headless {

// The current backend, made a new headless one when it is not headless; the
// functions below script it.
HeadlessWindowBackend& Backend();

void MoveMouse(int x, int y);
void KeyDown(UINT virtualKey);
void KeyUp(UINT virtualKey);
void PressKey(UINT virtualKey);
void ButtonDown(MouseButton button);
void ButtonUp(MouseButton button);
void ClickButton(MouseButton button);
// A command of the window manager, such as SC_NEXTWINDOW for Alt+Tab.
void SystemCommand(WPARAM command);

// A window of another program at the given screen area, usable as a parent.
HWND MakeHostWindow(const RECT& screenArea);
void MoveHostWindow(HWND host, const RECT& screenArea);
void DestroyHostWindow(HWND host);
std::vector<HeadlessWindowBackend::HostMessage> HostMessages(HWND host);

bool CursorVisible();

}  // namespace vesper::platform::headless
