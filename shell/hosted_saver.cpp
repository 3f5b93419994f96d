#include "shell/hosted_saver.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/drivers/window_backend.h"
#include "platform/kernel/translation.h"
#include "saver/globals.h"
#include "saver/resources.h"
#include "saver/saver_window.h"
#include "saver/stage_layout.h"

namespace {

using vesper::Fill;
using vesper::Tr;

// A window number as X tools write it: "0x" and hexadecimal digits.
std::string Hexadecimal(std::uintptr_t number)
{
    char text[2 + 2 * sizeof number + 1];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(number));
    return text;
}

constexpr int kExitNoWindow = 1;
// How often the host window's size is looked at (each look asks the X
// server) where the backend cannot tell of its changes. Ending signals wake
// the watch at once.
constexpr int kHostCheckMilliseconds = 200;

// Set by the handler of an ending signal that reached a thread that does not
// block it (a library's thread with a mask of its own), which also writes a
// byte into the pipe the watch waits on.
std::atomic<bool> s_endingSignalCaught{false};
int s_wakePipe[2] = {-1, -1};

// Only write(2) inside: safe in a signal handler.
void WakeTheWatch()
{
    const char byte = 0;
    if (s_wakePipe[1] >= 0 && write(s_wakePipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
}

void OnEndingSignal(int)
{
    s_endingSignalCaught = true;
    const int saved = errno;
    WakeTheWatch();
    errno = saved;
}

// Without a descriptor for them, pending signals are taken when the watch
// wakes to look at the host.
bool TakePendingSignal(const sigset_t& signals)
{
    const timespec now{0, 0};
    return sigtimedwait(&signals, nullptr, &now) > 0;
}

void DrainTheWakePipe()
{
    char bytes[64];
    while (s_wakePipe[0] >= 0 && read(s_wakePipe[0], bytes, sizeof bytes) > 0) {
    }
}

// Watches, on a thread of its own, for an ending signal and for the host
// window changing size or going away, and closes the saver window when one
// of them happens. The host is looked at when the backend tells of a change
// to it, or every kHostCheckMilliseconds where it cannot, and once for each
// saver window.
class HostWatch {
public:
    explicit HostWatch(HWND host)
        : m_host(host),
          m_changes(vesper::platform::CurrentWindowBackend()->WatchForeignWindow(HostNumber())),
          m_thread([this] { Run(); })
    {
    }

    ~HostWatch()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        WakeTheWatch();
        m_thread.join();
    }

    HostWatch(const HostWatch&) = delete;
    HostWatch& operator=(const HostWatch&) = delete;

    // The saver window now drawing in the host; an ending already asked for
    // closes it at once. The host may have changed since the window measured
    // it: the watch looks at it now.
    void Watch(HWND saver)
    {
        RECT client{};
        GetClientRect(saver, &client);
        {
            std::lock_guard lock(m_mutex);
            m_saver = saver;
            m_size = SIZE{client.right, client.bottom};
            m_resized = false;
            m_lookNow = true;
            if (m_ending)
                CloseSaverLocked();
        }
        WakeTheWatch();
    }

    // Whether the last saver window was closed because the host changed size
    // (and nothing asked the run to end since).
    bool Resized()
    {
        std::lock_guard lock(m_mutex);
        return m_resized && !m_ending;
    }

private:
    vesper::platform::NativeWindowId HostNumber() const
    {
        return reinterpret_cast<vesper::platform::NativeWindowId>(m_host);
    }

    // Sleeps until an ending signal comes (pending for the process, as every
    // thread of ours blocks them, or caught by the handler on a library's
    // thread), the host may have changed or it is time to look at the host.
    void Run()
    {
        const sigset_t signals = HostedEndingSignals();
        const int pending = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
        for (;;) {
            pollfd waits[3] = {{pending, POLLIN, 0}, {s_wakePipe[0], POLLIN, 0}, {-1, POLLIN, 0}};
            if (m_changes)
                waits[2].fd = m_changes->ChangeFile();
            // Without a descriptor for signals, or for the host's changes,
            // the watch wakes from time to time to look for them.
            const bool toldOfEverything = pending >= 0 && m_changes;
            const int ready = poll(waits, 3, toldOfEverything ? -1 : kHostCheckMilliseconds);
            DrainTheWakePipe();
            signalfd_siginfo taken{};
            const bool signalled = pending >= 0 ? (waits[0].revents & POLLIN) && read(pending, &taken, sizeof taken) > 0
                                                : TakePendingSignal(signals);
            const bool changed = m_changes ? TakeHostChanges(waits[2].revents) : ready == 0;
            {
                std::lock_guard lock(m_mutex);
                if (m_stop)
                    break;
                if (signalled || s_endingSignalCaught) {
                    m_ending = true;
                    CloseSaverLocked();
                    break;
                }
                const bool lookNow = std::exchange(m_lookNow, false);
                if (!m_saver || !(changed || lookNow))
                    continue;
            }
            CheckHost();
        }
        if (pending >= 0)
            close(pending);
    }

    // Whether the backend told of a change to the host. When its connection
    // breaks, the watch looks at the host from time to time instead.
    bool TakeHostChanges(short events)
    {
        if (events & (POLLERR | POLLHUP | POLLNVAL)) {
            m_changes.reset();
            return true;
        }
        return (events & POLLIN) && m_changes->TakeChanges();
    }

    void CheckHost()
    {
        const std::optional<RECT> area = vesper::platform::CurrentWindowBackend()->FindForeignWindow(HostNumber());
        std::lock_guard lock(m_mutex);
        if (!m_saver)
            return;
        if (!area) {
            m_ending = true;
            CloseSaverLocked();
        } else if (area->right - area->left != m_size.cx || area->bottom - area->top != m_size.cy) {
            m_resized = true;
            CloseSaverLocked();
        }
    }

    // In hosted mode a close request destroys the window straight away,
    // which ends its message loop.
    void CloseSaverLocked()
    {
        if (m_saver)
            PostMessageA(m_saver, WM_CLOSE, 0, 0);
        m_saver = nullptr;
    }

    const HWND m_host;
    // Used by the watch's thread alone once it runs.
    std::unique_ptr<vesper::platform::ForeignWindowWatch> m_changes;
    std::mutex m_mutex;
    HWND m_saver = nullptr;
    SIZE m_size{0, 0};
    bool m_lookNow = false;
    bool m_resized = false;
    bool m_ending = false;
    bool m_stop = false;
    std::thread m_thread;
};

HWND HostWindow(const HostedRun& run)
{
    const vesper::platform::NativeWindowId number =
        run.window ? run.window : vesper::platform::CurrentWindowBackend()->ScreenRootWindow();
    return reinterpret_cast<HWND>(number);
}

}  // namespace

sigset_t HostedEndingSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

void BlockHostedEndingSignals()
{
    const sigset_t signals = HostedEndingSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (s_wakePipe[0] < 0 && pipe2(s_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        s_wakePipe[0] = s_wakePipe[1] = -1;
    // A thread that unblocks them must not let them end the process unseen.
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int RunHostedSaver(HINSTANCE instance, const HostedRun& run)
{
    g_hInstance = instance;
    RegisterSaverResources();
    const HWND host = HostWindow(run);
    if (!host || !IsWindow(host)) {
        const std::string line =
            Fill(Tr("vesper: there is no window %s to draw in on this display\n"), {Hexadecimal(run.window)});
        std::fputs(line.c_str(), stderr);
        return kExitNoWindow;
    }
    g_bHosted = TRUE;
    g_nSpeedOverride = run.speed;
    g_scaleOverride = run.scale;
    if (const std::optional<RECT> area = vesper::platform::CurrentWindowBackend()->FindForeignWindow(
            reinterpret_cast<vesper::platform::NativeWindowId>(host))) {
        const SIZE client{area->right - area->left, area->bottom - area->top};
        const std::string refusal =
            HostGetsScaledStage(client) ? FixedScaleRefusal(run.scale, client, Tr("the option \"--scale\"")) : "";
        if (!refusal.empty()) {
            std::fputs(Fill(Tr("vesper: %s (the window to draw in)\n"), {refusal}).c_str(), stderr);
            return kExitScaleTooLarge;
        }
    }

    HostWatch watch(host);
    for (;;) {
        const SaverWindowStart start = StartSaverWindow(host);
        if (!start.window) {
            std::fputs(Fill(Tr("vesper: the scene could not be shown in window %s\n"),
                            {Hexadecimal(reinterpret_cast<std::uintptr_t>(host))})
                           .c_str(),
                       stderr);
            return kExitNoWindow;
        }
        watch.Watch(start.window);
        RunMessageLoop();
        if (!watch.Resized())
            return 0;
        // The next saver window is made at the host's new size.
        UnregisterClassA(kSaverClassName, g_hInstance);
        vesper::platform::RefreshForeignWindows();
    }
}
