#include "platform/drivers/headless/headless_windows.h"

#include <algorithm>

namespace vesper::platform {

NativeWindowId HeadlessWindowBackend::CreateNativeWindow(const NativeWindowRequest& request)
{
    std::lock_guard lock(m_mutex);
    if (request.foreignParent && !m_hosts.contains(request.foreignParent))
        return 0;
    const NativeWindowId id = m_nextWindow++;
    m_windows.emplace(id, NativeWindow{request, false});
    return id;
}

void HeadlessWindowBackend::DestroyNativeWindow(NativeWindowId window)
{
    std::lock_guard lock(m_mutex);
    m_windows.erase(window);
}

void HeadlessWindowBackend::ShowNativeWindow(NativeWindowId window, bool visible)
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_windows.find(window); found != m_windows.end())
        found->second.visible = visible;
}

std::vector<InputEvent> HeadlessWindowBackend::TakeInputEvents()
{
    std::lock_guard lock(m_mutex);
    std::vector<InputEvent> events(m_input.begin(), m_input.end());
    m_input.clear();
    return events;
}

void HeadlessWindowBackend::SetCursorVisible(bool visible)
{
    std::lock_guard lock(m_mutex);
    m_cursorVisible = visible;
}

void HeadlessWindowBackend::MoveCursor(POINT)
{
    // The headless screen has no pointer of its own to move.
}

std::optional<RECT> HeadlessWindowBackend::FindForeignWindow(NativeWindowId window)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_hosts.find(window);
    return found == m_hosts.end() ? std::nullopt : std::optional(found->second);
}

bool HeadlessWindowBackend::DeliverToForeignWindow(NativeWindowId window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(m_mutex);
    if (!m_hosts.contains(window))
        return false;
    m_hostMessages[window].push_back(HostMessage{message, wParam, lParam});
    return true;
}

void HeadlessWindowBackend::QueueInput(const InputEvent& event)
{
    {
        std::lock_guard lock(m_mutex);
        m_input.push_back(event);
    }
    NotifyInputAvailable();
}

void HeadlessWindowBackend::QueueInputs(const std::vector<InputEvent>& events)
{
    {
        std::lock_guard lock(m_mutex);
        m_input.insert(m_input.end(), events.begin(), events.end());
    }
    NotifyInputAvailable();
}

NativeWindowId HeadlessWindowBackend::AddHostWindow(const RECT& screenArea)
{
    std::lock_guard lock(m_mutex);
    const NativeWindowId id = m_nextHost;
    m_nextHost += kHostStep;
    m_hosts.emplace(id, screenArea);
    return id;
}

void HeadlessWindowBackend::RemoveHostWindow(NativeWindowId host)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_hosts.erase(host))
            return;
        m_hostMessages.erase(host);
    }
    InputEvent gone;
    gone.kind = InputEvent::Kind::ForeignWindowGone;
    gone.foreignWindow = host;
    QueueInput(gone);
}

std::vector<HeadlessWindowBackend::HostMessage> HeadlessWindowBackend::HostMessages(NativeWindowId host) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_hostMessages.find(host);
    return found == m_hostMessages.end() ? std::vector<HostMessage>{} : found->second;
}

bool HeadlessWindowBackend::CursorVisible() const
{
    std::lock_guard lock(m_mutex);
    return m_cursorVisible;
}

std::size_t HeadlessWindowBackend::PendingInput() const
{
    std::lock_guard lock(m_mutex);
    return m_input.size();
}

std::size_t HeadlessWindowBackend::NativeWindowCount() const
{
    std::lock_guard lock(m_mutex);
    return m_windows.size();
}

bool HeadlessWindowBackend::NativeWindowShown(HWND window) const
{
    std::lock_guard lock(m_mutex);
    return std::ranges::any_of(m_windows, [window](const auto& entry) {
        return entry.second.request.window == window && entry.second.visible;
    });
}

HeadlessWindowBackend& UseHeadlessWindowBackend()
{
    auto backend = std::make_shared<HeadlessWindowBackend>();
    HeadlessWindowBackend& result = *backend;
    UseWindowBackend(std::move(backend));
    return result;
}

namespace headless {

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

}  // namespace headless

}  // namespace vesper::platform
