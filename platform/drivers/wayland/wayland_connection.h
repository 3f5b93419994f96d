// The connection to the Wayland compositor, on a thread of its own: the
// program's Wayland work happens on it, whatever thread the window layer runs
// on, or on another thread while it sleeps and cannot be busy with the same
// objects (RunOrPost). Other threads hand it work and wake it through an
// event file; between events it sleeps until the compositor or that file has
// something. It binds the globals the backend uses and keeps the outputs as
// the compositor describes them.
#pragma once

#include "platform/internal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drivers/wayland/wayland_layout.h"
#include "platform/drivers/work_queue.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_output;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

namespace vesper::platform::wayland {

// The compositor's socket as the environment names it ("wayland-0" when
// WAYLAND_DISPLAY is unset, as the client library does).
std::string SocketName();

class Connection {
public:
    // The process's connection, made on first use; null when there is no
    // compositor to use (ConnectFailure() says why). Made once: a later call
    // gives the same answer.
    static Connection* Get();
    static std::string ConnectFailure();

    // Runs `work` on the connection's thread and returns once it has run; at
    // once when called there.
    void Call(const std::function<void()>& work);
    // Runs `work` on the connection's thread soon and returns at once.
    void Post(std::function<void()> work);
    // Runs `work` at once on the calling thread, and sends the requests it
    // made, when the connection's thread is asleep waiting for events (a
    // tick's commit then wakes no thread) or is the caller; else hands it
    // over as Post does.
    // Never waits for the connection's thread; `work` must not either (no
    // Call inside).
    void RunOrPost(std::function<void()> work);

    // Called on the connection's thread: when the outputs changed (after the
    // compositor described them all), and after each batch of events. One
    // pair at a time.
    struct Hooks {
        std::function<void()> outputsChanged;
        std::function<void()> afterEvents;
        // The seat's pointer or keyboard came or went.
        std::function<void()> seatChanged;
    };
    void SetHooks(Hooks hooks);

    // The globals; only on the connection's thread. The layer shell and the
    // seat may be missing.
    wl_display* Display() const { return m_display; }
    wl_compositor* Compositor() const { return m_compositor; }
    wl_shm* Shm() const { return m_shm; }
    xdg_wm_base* WindowManager() const { return m_windowManager; }
    zwlr_layer_shell_v1* LayerShell() const { return m_layerShell; }
    wl_seat* Seat() const { return m_seat; }
    std::uint32_t SeatCapabilities() const { return m_seatCapabilities; }
    // The outputs described completely so far.
    std::vector<OutputInfo> Outputs() const;
    wl_output* OutputObject(std::uint32_t id) const;

    // The outputs at the start (taken before the thread runs on its own).
    const std::vector<OutputInfo>& StartOutputs() const { return m_startOutputs; }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    struct Output;

    // Registry and output events; only on the connection's thread.
    void Announce(std::uint32_t name, const char* interface, std::uint32_t version);
    void Forget(std::uint32_t name);
    void OutputDone(Output& output);
    void SetSeatCapabilities(std::uint32_t capabilities);

private:
    Connection() = default;
    // Runs on the connection's thread: connects and learns the globals and
    // outputs, or returns why it could not.
    std::string Start();
    void Loop();

    WorkQueue m_queue;
    // Held by the connection's thread except while it sleeps, and by work
    // that RunOrPost runs elsewhere.
    std::mutex m_busy;
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    xdg_wm_base* m_windowManager = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    wl_seat* m_seat = nullptr;
    std::uint32_t m_seatCapabilities = 0;
    std::vector<std::unique_ptr<Output>> m_outputs;
    std::vector<OutputInfo> m_startOutputs;
    Hooks m_hooks;
};

}  // namespace vesper::platform::wayland
