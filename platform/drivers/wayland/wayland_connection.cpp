#include "platform/drivers/wayland/wayland_connection.h"

#include <poll.h>
#include <unistd.h>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <string_view>
#include <thread>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vesper::platform::wayland {

namespace {

// The protocol versions used: buffer scale and damage in buffer pixels need
// wl_compositor 4; an output's name needs wl_output 4.
constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kOutputVersion = 4;
constexpr std::uint32_t kSeatVersion = 5;
constexpr std::uint32_t kWindowManagerVersion = 2;
constexpr std::uint32_t kLayerShellVersion = 4;

struct StartState {
    std::once_flag once;
    Connection* connection = nullptr;
    // One that failed to start: its thread has ended, the object stays
    // (held here, so that leak checkers see it kept, not lost).
    Connection* abandoned = nullptr;
    std::string failure;
};

StartState& Started()
{
    static auto* state = new StartState;
    return *state;
}

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

}  // namespace

std::string SocketName()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name && *name ? name : "wayland-0";
}

struct Connection::Output {
    Connection* connection = nullptr;
    wl_output* object = nullptr;
    // What the compositor said so far, and what it said up to its last "done".
    OutputInfo pending;
    std::int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    SIZE mode{0, 0};
    bool described = false;
    OutputInfo info;
};

namespace {

void OnGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
                const char*, const char*, std::int32_t transform)
{
    auto* output = static_cast<Connection::Output*>(data);
    output->pending.logical = POINT{x, y};
    output->transform = transform;
}

void OnMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t)
{
    if (flags & WL_OUTPUT_MODE_CURRENT)
        static_cast<Connection::Output*>(data)->mode = SIZE{width, height};
}

void OnScale(void* data, wl_output*, std::int32_t scale)
{
    static_cast<Connection::Output*>(data)->pending.scale = std::max(scale, 1);
}

void OnName(void* data, wl_output*, const char* name)
{
    static_cast<Connection::Output*>(data)->pending.name = name;
}

void OnDescription(void*, wl_output*, const char*) {}

void OnOutputDone(void* data, wl_output*)
{
    auto* output = static_cast<Connection::Output*>(data);
    output->connection->OutputDone(*output);
}

const wl_output_listener kOutputListener = {OnGeometry, OnMode, OnOutputDone, OnScale, OnName, OnDescription};

void OnGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version)
{
    static_cast<Connection*>(data)->Announce(name, interface, version);
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name)
{
    static_cast<Connection*>(data)->Forget(name);
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* windowManager, std::uint32_t serial)
{
    xdg_wm_base_pong(windowManager, serial);
}

const xdg_wm_base_listener kWindowManagerListener = {OnPing};

void OnSeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities)
{
    static_cast<Connection*>(data)->SetSeatCapabilities(capabilities);
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

}  // namespace

void Connection::Announce(std::uint32_t name, const char* interface, std::uint32_t version)
{
    const std::string_view kind = interface;
    if (kind == wl_compositor_interface.name) {
        m_compositor = Bind<wl_compositor>(m_registry, name, &wl_compositor_interface, version, kCompositorVersion);
    } else if (kind == wl_shm_interface.name) {
        m_shm = Bind<wl_shm>(m_registry, name, &wl_shm_interface, version, 1);
    } else if (kind == xdg_wm_base_interface.name) {
        m_windowManager = Bind<xdg_wm_base>(m_registry, name, &xdg_wm_base_interface, version, kWindowManagerVersion);
        xdg_wm_base_add_listener(m_windowManager, &kWindowManagerListener, this);
    } else if (kind == zwlr_layer_shell_v1_interface.name) {
        m_layerShell =
            Bind<zwlr_layer_shell_v1>(m_registry, name, &zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
    } else if (kind == wl_seat_interface.name && !m_seat) {
        // The first seat is the one a person sits at.
        m_seat = Bind<wl_seat>(m_registry, name, &wl_seat_interface, version, kSeatVersion);
        wl_seat_add_listener(m_seat, &kSeatListener, this);
    } else if (kind == wl_output_interface.name && version >= 2) {
        auto output = std::make_unique<Output>();
        output->connection = this;
        output->pending.id = name;
        output->info.id = name;
        output->object = Bind<wl_output>(m_registry, name, &wl_output_interface, version, kOutputVersion);
        wl_output_add_listener(output->object, &kOutputListener, output.get());
        m_outputs.push_back(std::move(output));
    }
}

void Connection::Forget(std::uint32_t name)
{
    const auto found =
        std::ranges::find_if(m_outputs, [name](const auto& output) { return output->info.id == name || output->pending.id == name; });
    if (found == m_outputs.end())
        return;
    const bool wasDescribed = (*found)->described;
    if (wl_output_get_version((*found)->object) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release((*found)->object);
    else
        wl_output_destroy((*found)->object);
    m_outputs.erase(found);
    if (wasDescribed && m_hooks.outputsChanged)
        m_hooks.outputsChanged();
}

void Connection::OutputDone(Output& output)
{
    // Turned a quarter (odd transforms), the output shows its mode on its side.
    const bool turned = output.transform % 2 == 1;
    output.pending.pixels = turned ? SIZE{output.mode.cy, output.mode.cx} : output.mode;
    output.info = output.pending;
    output.described = true;
    if (m_hooks.outputsChanged)
        m_hooks.outputsChanged();
}

void Connection::SetSeatCapabilities(std::uint32_t capabilities)
{
    m_seatCapabilities = capabilities;
    if (m_hooks.seatChanged)
        m_hooks.seatChanged();
}

std::vector<OutputInfo> Connection::Outputs() const
{
    std::vector<OutputInfo> outputs;
    for (const auto& output : m_outputs)
        if (output->described && output->info.pixels.cx > 0 && output->info.pixels.cy > 0)
            outputs.push_back(output->info);
    return outputs;
}

wl_output* Connection::OutputObject(std::uint32_t id) const
{
    for (const auto& output : m_outputs)
        if (output->info.id == id)
            return output->object;
    return nullptr;
}

Connection* Connection::Get()
{
    StartState& state = Started();
    std::call_once(state.once, [&state] {
        auto* connection = new Connection;
        std::promise<std::string> started;
        std::future<std::string> result = started.get_future();
        std::thread([connection, &started] {
            std::string failure = connection->Start();
            const bool running = failure.empty();
            started.set_value(std::move(failure));
            if (running)
                connection->Loop();
        }).detach();
        state.failure = result.get();
        if (state.failure.empty())
            state.connection = connection;
        else
            state.abandoned = connection;
    });
    return state.connection;
}

std::string Connection::ConnectFailure()
{
    Get();
    return Started().failure;
}

std::string Connection::Start()
{
    if (!m_queue.Open())
        return "no event file for the Wayland connection's thread";
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return "no Wayland compositor answers at \"" + SocketName() + "\" (WAYLAND_DISPLAY): " + std::strerror(errno);
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &kRegistryListener, this);
    // The first round trip brings the globals, the second what the outputs
    // and the seat say of themselves.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0) {
        wl_display_disconnect(m_display);
        return "the Wayland compositor at \"" + SocketName() + "\" closed the connection at once";
    }
    std::string missing;
    if (!m_compositor)
        missing = "wl_compositor 4";
    else if (!m_shm)
        missing = "wl_shm";
    else if (!m_layerShell && !m_windowManager)
        missing = "a shell (neither the wlroots layer shell nor xdg-shell)";
    if (!missing.empty()) {
        wl_display_disconnect(m_display);
        return "the Wayland compositor at \"" + SocketName() + "\" offers no " + missing;
    }
    m_startOutputs = Outputs();
    return {};
}

void Connection::Loop()
{
    const int displayFile = wl_display_get_fd(m_display);
    for (;;) {
        std::unique_lock busy(m_busy);
        m_queue.RunPending();
        while (wl_display_prepare_read(m_display) != 0)
            wl_display_dispatch_pending(m_display);
        wl_display_flush(m_display);
        busy.unlock();
        pollfd files[2] = {{displayFile, POLLIN, 0}, {m_queue.WakeFile(), POLLIN, 0}};
        while (poll(files, 2, -1) < 0 && errno == EINTR) {
        }
        busy.lock();
        if (files[0].revents & POLLIN) {
            wl_display_read_events(m_display);
        } else {
            wl_display_cancel_read(m_display);
        }
        if (wl_display_dispatch_pending(m_display) < 0 || (files[0].revents & (POLLERR | POLLHUP))) {
            // Nothing of the run can be shown any more.
            std::fprintf(stderr, "vesper: the Wayland compositor at \"%s\" ended the connection (%s)\n",
                         SocketName().c_str(), std::strerror(wl_display_get_error(m_display)));
            std::_Exit(1);
        }
        if (m_hooks.afterEvents)
            m_hooks.afterEvents();
    }
}

void Connection::Post(std::function<void()> work)
{
    m_queue.Post(std::move(work));
}

void Connection::RunOrPost(std::function<void()> work)
{
    // The connection's own thread holds m_busy whenever it runs anything.
    if (m_queue.OnOwnThread()) {
        work();
        return;
    }
    std::unique_lock busy(m_busy, std::try_to_lock);
    if (!busy) {
        Post(std::move(work));
        return;
    }
    work();
    wl_display_flush(m_display);
}

void Connection::Call(const std::function<void()>& work)
{
    m_queue.Call(work);
}

void Connection::SetHooks(Hooks hooks)
{
    Call([this, &hooks] { m_hooks = std::move(hooks); });
}

}  // namespace vesper::platform::wayland
