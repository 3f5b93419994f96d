// Scripted input and host windows on the headless backend.
#include "tests/support/platform/headless_input.h"

namespace vesper::platform::headless {

namespace {

void Queue(InputEvent::Kind kind, auto&& fill)
{
    InputEvent event;
    event.kind = kind;
    fill(event);
    Backend().QueueInput(event);
}

}  // namespace

HeadlessWindowBackend& Backend()
{
    const auto current = CurrentWindowBackend();
    if (auto* headless = dynamic_cast<HeadlessWindowBackend*>(current.get()))
        return *headless;
    return UseHeadlessWindowBackend();
}

void MoveMouse(int x, int y)
{
    Queue(InputEvent::Kind::MouseMove, [&](InputEvent& event) { event.position = POINT{x, y}; });
}

void KeyDown(UINT virtualKey)
{
    Queue(InputEvent::Kind::KeyDown, [&](InputEvent& event) { event.virtualKey = virtualKey; });
}

void KeyUp(UINT virtualKey)
{
    Queue(InputEvent::Kind::KeyUp, [&](InputEvent& event) { event.virtualKey = virtualKey; });
}

void PressKey(UINT virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void ButtonDown(MouseButton button)
{
    Queue(InputEvent::Kind::ButtonDown, [&](InputEvent& event) { event.button = button; });
}

void ButtonUp(MouseButton button)
{
    Queue(InputEvent::Kind::ButtonUp, [&](InputEvent& event) { event.button = button; });
}

void ClickButton(MouseButton button)
{
    ButtonDown(button);
    ButtonUp(button);
}

void SystemCommand(WPARAM command)
{
    Queue(InputEvent::Kind::SystemCommand, [&](InputEvent& event) { event.command = command; });
}

HWND MakeHostWindow(const RECT& screenArea)
{
    return reinterpret_cast<HWND>(Backend().AddHostWindow(screenArea));
}

void MoveHostWindow(HWND host, const RECT& screenArea)
{
    Backend().MoveHostWindow(reinterpret_cast<NativeWindowId>(host), screenArea);
}

void DestroyHostWindow(HWND host)
{
    Backend().RemoveHostWindow(reinterpret_cast<NativeWindowId>(host));
}

std::vector<HeadlessWindowBackend::HostMessage> HostMessages(HWND host)
{
    return Backend().HostMessages(reinterpret_cast<NativeWindowId>(host));
}

bool CursorVisible()
{
    return Backend().CursorVisible();
}

}  // namespace vesper::platform::headless
