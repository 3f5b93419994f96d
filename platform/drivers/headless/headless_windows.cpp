#include "platform/drivers/headless/headless_windows.h"

#ifndef __EMSCRIPTEN__
#include <sys/eventfd.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cstdint>

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

HeadlessWindowBackend::ChangeSignal::~ChangeSignal()
{
    if (file >= 0)
        close(file);
}

class HeadlessWindowBackend::HostWatch final : public ForeignWindowWatch {
public:
    explicit HostWatch(std::shared_ptr<ChangeSignal> signal) : m_signal(std::move(signal)) {}
    int ChangeFile() const override { return m_signal->file; }
    bool TakeChanges() override
    {
        std::uint64_t changes = 0;
        return read(m_signal->file, &changes, sizeof changes) == sizeof changes && changes > 0;
    }

private:
    std::shared_ptr<ChangeSignal> m_signal;
};

namespace {

// A counter that a poll wakes on; -1 where there is none. The browser's C
// library has no eventfd, and a page has no other programs' windows to watch.
int MakeChangeCounter()
{
#ifdef __EMSCRIPTEN__
    return -1;
#else
    return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
#endif
}

}  // namespace

std::unique_ptr<ForeignWindowWatch> HeadlessWindowBackend::WatchForeignWindow(NativeWindowId window)
{
    auto signal = std::make_shared<ChangeSignal>();
    signal->file = MakeChangeCounter();
    if (signal->file < 0)
        return nullptr;
    std::lock_guard lock(m_mutex);
    m_watches.emplace(window, signal);
    return std::make_unique<HostWatch>(std::move(signal));
}

void HeadlessWindowBackend::TellWatchesLocked(NativeWindowId host)
{
    const auto [first, end] = m_watches.equal_range(host);
    for (auto watch = first; watch != end;) {
        if (const std::shared_ptr<ChangeSignal> signal = watch->second.lock()) {
            const std::uint64_t one = 1;
            if (write(signal->file, &one, sizeof one) < 0) {
                // The count is already as high as it goes: the change is told.
            }
            ++watch;
        } else {
            watch = m_watches.erase(watch);
        }
    }
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

void HeadlessWindowBackend::MoveHostWindow(NativeWindowId host, const RECT& screenArea)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_hosts.find(host);
    if (found == m_hosts.end())
        return;
    found->second = screenArea;
    TellWatchesLocked(host);
}

void HeadlessWindowBackend::RemoveHostWindow(NativeWindowId host)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_hosts.erase(host))
            return;
        m_hostMessages.erase(host);
        TellWatchesLocked(host);
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

std::vector<NativeWindowRequest> HeadlessWindowBackend::ChildrenOf(NativeWindowId host) const
{
    std::lock_guard lock(m_mutex);
    std::vector<NativeWindowRequest> children;
    for (const auto& [id, window] : m_windows)
        if (window.request.foreignParent == host)
            children.push_back(window.request);
    return children;
}

bool HeadlessWindowBackend::NativeWindowShown(HWND window) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_windows.begin(), m_windows.end(), [window](const auto& entry) {
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

std::vector<MonitorArea> HeadlessWindowBackend::Monitors()
{
    std::lock_guard lock(m_mutex);
    return m_monitors;
}

void HeadlessWindowBackend::SetMonitors(std::vector<MonitorArea> monitors)
{
    {
        std::lock_guard lock(m_mutex);
        m_monitors = std::move(monitors);
    }
    InputEvent changed;
    changed.kind = InputEvent::Kind::MonitorsChanged;
    QueueInput(changed);
}

}  // namespace vesper::platform
