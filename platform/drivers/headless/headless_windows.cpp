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

}  // namespace vesper::platform
