#include "platform/drivers/wayland/wayland_windows.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <wayland-client.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "platform/api/win32_user.h"
#include "platform/drivers/wayland/wayland_keys.h"
#include "platform/drivers/window_layer_calls.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vesper::platform::wayland {

namespace {

constexpr int kBytesPerPixel = 4;
// The distance (|dx| + |dy|, in pixels) the pointer must move from where it
// was found before its positions are the true ones: the saver's own
// threshold, so a still pointer never counts as moved.
constexpr int kPointerSettleDistance = 4;
constexpr int kCursorSize = 24;
// Past this many areas waiting for a buffer, they merge into their box.
constexpr std::size_t kMostStaleAreas = 32;
constexpr const char* kLayerNamespace = "vesper";

struct Piece;

struct Buffer {
    Piece* piece = nullptr;
    wl_buffer* buffer = nullptr;
    BYTE* pixels = nullptr;
    bool busy = false;
    // Areas of the screen this buffer does not show yet.
    std::vector<RECT> stale;
};

// One surface of a native window, on one output.
struct Piece {
    WaylandWindowBackend::State* state = nullptr;
    HWND window = nullptr;
    std::uint32_t output = 0;
    int scale = 1;
    // The screen area the surface shows; its top left is the buffer's.
    RECT area{0, 0, 0, 0};
    bool fillsOutput = false;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    // The size the compositor gave, in its logical units (0: ours to choose).
    SIZE offered{0, 0};
    bool configured = false;
    // Changes arrived while both buffers were with the compositor.
    bool waiting = false;
    // Its one buffer is its area of the screen's memory (buffers[0]).
    bool direct = false;
    SIZE bufferSize{0, 0};
    void* memory = nullptr;
    std::size_t memorySize = 0;
    std::array<Buffer, 2> buffers;
    std::size_t lastUsed = 0;
};

struct NativeWindow {
    HWND window = nullptr;
    RECT area{0, 0, 0, 0};
    std::string title;
    bool visible = false;
    // When it was last shown: the newest shown window is the one in front.
    std::uint64_t shownAt = 0;
    std::vector<std::unique_ptr<Piece>> pieces;
};

LONG Width(const RECT& area)
{
    return area.right - area.left;
}

LONG Height(const RECT& area)
{
    return area.bottom - area.top;
}

bool SameMonitors(const std::vector<MonitorArea>& a, const std::vector<MonitorArea>& b)
{
    return std::ranges::equal(a, b, [](const MonitorArea& x, const MonitorArea& y) {
        return EqualRect(&x.area, &y.area) && x.primary == y.primary && x.scale == y.scale;
    });
}

int CeilDivide(LONG value, int by)
{
    return static_cast<int>((value + by - 1) / by);
}

void AddStale(Buffer& buffer, const RECT& area)
{
    buffer.stale.push_back(area);
    if (buffer.stale.size() > kMostStaleAreas) {
        RECT bounds = buffer.stale.front();
        for (const RECT& known : buffer.stale)
            UnionRect(&bounds, &bounds, &known);
        buffer.stale.assign(1, bounds);
    }
}

void ReleaseBuffers(Piece& piece)
{
    for (Buffer& buffer : piece.buffers) {
        if (buffer.buffer)
            wl_buffer_destroy(buffer.buffer);
        buffer = Buffer{};
    }
    if (piece.memory)
        munmap(piece.memory, piece.memorySize);
    piece.memory = nullptr;
    piece.memorySize = 0;
    piece.bufferSize = SIZE{0, 0};
    piece.lastUsed = 0;
    piece.direct = false;
}

void OnBufferRelease(void* data, wl_buffer*);
const wl_buffer_listener kBufferListener = {OnBufferRelease};

// Two buffers of the size in one shared-memory file; false when the memory
// cannot be had.
bool MakeBuffers(Piece& piece, wl_shm* shm, SIZE size)
{
    ReleaseBuffers(piece);
    const std::size_t stride = static_cast<std::size_t>(size.cx) * kBytesPerPixel;
    const std::size_t frame = stride * size.cy;
    const int file = memfd_create("vesper-surface", MFD_CLOEXEC);
    if (file < 0)
        return false;
    if (ftruncate(file, static_cast<off_t>(frame * piece.buffers.size())) != 0) {
        close(file);
        return false;
    }
    void* memory = mmap(nullptr, frame * piece.buffers.size(), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (memory == MAP_FAILED) {
        close(file);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, file, static_cast<std::int32_t>(frame * piece.buffers.size()));
    close(file);
    piece.memory = memory;
    piece.memorySize = frame * piece.buffers.size();
    piece.bufferSize = size;
    for (std::size_t i = 0; i < piece.buffers.size(); ++i) {
        Buffer& buffer = piece.buffers[i];
        buffer.piece = &piece;
        buffer.pixels = static_cast<BYTE*>(memory) + i * frame;
        buffer.buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(i * frame), size.cx, size.cy,
                                                  static_cast<std::int32_t>(stride), WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffer.buffer, &kBufferListener, &buffer);
        buffer.stale.assign(1, piece.area);
    }
    wl_shm_pool_destroy(pool);
    return true;
}

// Whether the surface's buffer can be its area of the screen's memory: the
// compositor wants a buffer of the area's size, and the area lies on the
// screen.
bool FitsScreen(const Piece& piece, SIZE size, const Screen& screen)
{
    const RECT screenRect{0, 0, screen.Mode().width, screen.Mode().height};
    RECT inside{};
    return screen.File() >= 0 && size.cx == Width(piece.area) && size.cy == Height(piece.area) &&
           IntersectRect(&inside, &piece.area, &screenRect) && EqualRect(&inside, &piece.area);
}

// The piece's one buffer: its area of the screen's memory, read by the
// compositor straight from where GDI draws. A compositor that copies a buffer
// when it is committed (any that draws with the graphics card) has the tick's
// pixels long before the next tick draws; one that reads the buffer again
// when it repaints may show part of the next tick for one frame when it
// repaints late, which the next commit's damage puts right.
void MakeScreenBuffer(Piece& piece, wl_shm_pool* pool, Screen& screen)
{
    ReleaseBuffers(piece);
    const Surface pixels = screen.Pixels();
    const auto offset = static_cast<std::int32_t>(piece.area.top * pixels.stride + piece.area.left * kBytesPerPixel);
    Buffer& buffer = piece.buffers[0];
    buffer.piece = &piece;
    buffer.buffer = wl_shm_pool_create_buffer(pool, offset, Width(piece.area), Height(piece.area),
                                              static_cast<std::int32_t>(pixels.stride), WL_SHM_FORMAT_XRGB8888);
    buffer.stale.assign(1, piece.area);
    piece.bufferSize = SIZE{Width(piece.area), Height(piece.area)};
    piece.direct = true;
}

// The parts of the areas (screen coordinates) on the piece, in its buffer's
// coordinates.
std::vector<RECT> PartsOnPiece(const std::vector<RECT>& areas, const Piece& piece)
{
    std::vector<RECT> parts;
    for (const RECT& area : areas) {
        RECT part{};
        if (IntersectRect(&part, &area, &piece.area)) {
            OffsetRect(&part, -piece.area.left, -piece.area.top);
            parts.push_back(part);
        }
    }
    return parts;
}

// Copies the area of the screen (screen coordinates) into the buffer, cut
// to both; returns the buffer's rectangle written (empty when none).
RECT CopyArea(const Surface& screen, const RECT& area, const Piece& piece, const Buffer& buffer)
{
    RECT part{};
    const RECT screenRect{0, 0, screen.width, screen.height};
    const RECT bufferOnScreen{piece.area.left, piece.area.top, piece.area.left + piece.bufferSize.cx,
                              piece.area.top + piece.bufferSize.cy};
    if (!IntersectRect(&part, &area, &piece.area) || !IntersectRect(&part, &part, &screenRect) ||
        !IntersectRect(&part, &part, &bufferOnScreen))
        return RECT{0, 0, 0, 0};
    const std::size_t stride = static_cast<std::size_t>(piece.bufferSize.cx) * kBytesPerPixel;
    for (LONG y = part.top; y < part.bottom; ++y)
        std::memcpy(buffer.pixels + (y - piece.area.top) * stride + (part.left - piece.area.left) * kBytesPerPixel,
                    screen.Row(y) + part.left * kBytesPerPixel, static_cast<std::size_t>(Width(part)) * kBytesPerPixel);
    OffsetRect(&part, -piece.area.left, -piece.area.top);
    return part;
}

}  // namespace

// Everything but the input queue belongs to the connection's thread (and to
// presenting work that Connection::RunOrPost runs while that thread sleeps).
struct WaylandWindowBackend::State {
    Connection* connection = nullptr;
    std::shared_ptr<Screen> screen;
    // The screen's memory as the compositor maps it (made on first use).
    wl_shm_pool* screenPool = nullptr;
    OutputLayout layout{SIZE{0, 0}};
    std::vector<MonitorArea> monitors;
    std::map<NativeWindowId, NativeWindow> windows;
    NativeWindowId nextWindow = 1;
    std::uint64_t shownCount = 0;

    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    Piece* pointerPiece = nullptr;
    std::uint32_t pointerSerial = 0;
    POINT pointerAt{0, 0};
    PointerPlace place{kPointerSettleDistance};
    bool cursorVisible = true;
    wl_cursor_theme* cursorTheme = nullptr;
    wl_surface* cursorSurface = nullptr;
    xkb_context* keys = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;

    std::mutex inputMutex;
    std::deque<InputEvent> input;
    bool inputArrived = false;

    void Queue(const InputEvent& event)
    {
        std::lock_guard lock(inputMutex);
        input.push_back(event);
        inputArrived = true;
    }

    void AfterEvents()
    {
        bool arrived = false;
        {
            std::lock_guard lock(inputMutex);
            arrived = std::exchange(inputArrived, false);
        }
        if (arrived)
            NotifyInputAvailable();
    }

    // ---- Outputs ----

    void MeasureOutputs()
    {
        layout.Update(connection->Outputs());
        std::vector<MonitorArea> measured = layout.Monitors();
        if (SameMonitors(measured, monitors))
            return;
        monitors = std::move(measured);
        InputEvent changed;
        changed.kind = InputEvent::Kind::MonitorsChanged;
        Queue(changed);
    }

    // ---- Surfaces ----

    void Present(const std::vector<RECT>& areas)
    {
        for (auto& [id, window] : windows)
            for (auto& piece : window.pieces)
                PresentPiece(*piece, areas);
    }

    void PresentPiece(Piece& piece, const std::vector<RECT>& areas)
    {
        for (const RECT& area : areas) {
            RECT part{};
            if (IntersectRect(&part, &area, &piece.area))
                for (Buffer& buffer : piece.buffers)
                    if (buffer.buffer)
                        AddStale(buffer, part);
        }
        if (!piece.configured)
            return;
        // The buffer shown last, when the compositor has let it go already
        // (a shared-memory buffer is often copied at once): only the new
        // areas are stale there. A buffer on the screen's memory is never
        // waited for.
        const auto isFree = [](const Buffer& buffer) { return buffer.buffer && !buffer.busy; };
        Buffer* free = isFree(piece.buffers[piece.lastUsed]) ? &piece.buffers[piece.lastUsed] : nullptr;
        for (Buffer& buffer : piece.buffers)
            if (!free && isFree(buffer))
                free = &buffer;
        if (!free) {
            piece.waiting = true;
            return;
        }
        piece.waiting = false;
        if (free->stale.empty())
            return;
        std::vector<RECT> written;
        if (piece.direct) {
            written = PartsOnPiece(free->stale, piece);
        } else {
            const auto gdi = window_layer::LockScreen();
            const Surface pixels = screen->Pixels();
            for (const RECT& area : free->stale) {
                const RECT part = CopyArea(pixels, area, piece, *free);
                if (!IsRectEmpty(&part))
                    written.push_back(part);
            }
        }
        free->stale.clear();
        wl_surface_attach(piece.surface, free->buffer, 0, 0);
        for (const RECT& part : written)
            wl_surface_damage_buffer(piece.surface, part.left, part.top, Width(part), Height(part));
        wl_surface_commit(piece.surface);
        free->busy = !piece.direct;
        piece.lastUsed = static_cast<std::size_t>(free - piece.buffers.data());
    }

    wl_shm_pool* ScreenPool()
    {
        if (!screenPool && screen->File() >= 0)
            screenPool = wl_shm_create_pool(connection->Shm(), screen->File(),
                                            static_cast<std::int32_t>(screen->FileSize()));
        return screenPool;
    }

    bool MakeSurfaceBuffers(Piece& piece, SIZE size)
    {
        {
            // Pixels nothing has drawn yet are shown opaque too.
            const auto gdi = window_layer::LockScreen();
            screen->MakeOpaque(piece.area);
        }
        if (!FitsScreen(piece, size, *screen))
            return MakeBuffers(piece, connection->Shm(), size);
        MakeScreenBuffer(piece, ScreenPool(), *screen);
        return true;
    }

    // The compositor gave the surface its size (logical units, 0 for ours).
    void Configure(Piece& piece, SIZE offered)
    {
        const SIZE logical{offered.cx > 0 ? offered.cx : CeilDivide(Width(piece.area), piece.scale),
                           offered.cy > 0 ? offered.cy : CeilDivide(Height(piece.area), piece.scale)};
        const SIZE size{logical.cx * piece.scale, logical.cy * piece.scale};
        if (size.cx != piece.bufferSize.cx || size.cy != piece.bufferSize.cy)
            if (!MakeSurfaceBuffers(piece, size))
                return;
        const bool first = !piece.configured;
        piece.configured = true;
        PresentPiece(piece, {});
        if (first)
            window_layer::RepaintWindow(piece.window);
    }

    std::unique_ptr<Piece> MakePiece(const NativeWindow& window, const PlacedOutput& output, const RECT& area,
                                     bool fillsOutput);
    void ShowWindow(NativeWindow& window);

    void HideWindow(NativeWindow& window)
    {
        for (auto& piece : window.pieces)
            DestroyPiece(*piece);
        window.pieces.clear();
    }

    void DestroyPiece(Piece& piece)
    {
        if (pointerPiece == &piece)
            pointerPiece = nullptr;
        if (piece.layer)
            zwlr_layer_surface_v1_destroy(piece.layer);
        if (piece.toplevel)
            xdg_toplevel_destroy(piece.toplevel);
        if (piece.xdgSurface)
            xdg_surface_destroy(piece.xdgSurface);
        ReleaseBuffers(piece);
        if (piece.surface)
            wl_surface_destroy(piece.surface);
        piece.layer = nullptr;
        piece.toplevel = nullptr;
        piece.xdgSurface = nullptr;
        piece.surface = nullptr;
        piece.configured = false;
    }

    // ---- Input ----

    void ApplyCursor()
    {
        if (!pointer || !pointerPiece)
            return;
        if (!cursorVisible || !ShowArrow())
            wl_pointer_set_cursor(pointer, pointerSerial, nullptr, 0, 0);
    }

    // Shows the theme's arrow; false when the theme has none.
    bool ShowArrow()
    {
        if (!cursorTheme)
            cursorTheme = wl_cursor_theme_load(nullptr, kCursorSize, connection->Shm());
        wl_cursor* arrow = cursorTheme ? wl_cursor_theme_get_cursor(cursorTheme, "left_ptr") : nullptr;
        if (!arrow || arrow->image_count == 0)
            return false;
        wl_cursor_image* image = arrow->images[0];
        if (!cursorSurface)
            cursorSurface = wl_compositor_create_surface(connection->Compositor());
        wl_surface_attach(cursorSurface, wl_cursor_image_get_buffer(image), 0, 0);
        wl_surface_damage(cursorSurface, 0, 0, static_cast<std::int32_t>(image->width),
                          static_cast<std::int32_t>(image->height));
        wl_surface_commit(cursorSurface);
        wl_pointer_set_cursor(pointer, pointerSerial, cursorSurface, static_cast<std::int32_t>(image->hotspot_x),
                              static_cast<std::int32_t>(image->hotspot_y));
        return true;
    }

    void PointerAt(wl_fixed_t x, wl_fixed_t y)
    {
        if (!pointerPiece)
            return;
        pointerAt = POINT{pointerPiece->area.left + static_cast<LONG>(std::floor(wl_fixed_to_double(x) * pointerPiece->scale)),
                          pointerPiece->area.top + static_cast<LONG>(std::floor(wl_fixed_to_double(y) * pointerPiece->scale))};
        QueuePointer();
    }

    void QueuePointer()
    {
        InputEvent event;
        event.kind = InputEvent::Kind::MouseMove;
        event.position = place.Report(pointerAt);
        Queue(event);
    }

    void Button(std::uint32_t button, bool pressed)
    {
        InputEvent event;
        switch (button) {
        case BTN_LEFT: event.button = MouseButton::Left; break;
        case BTN_RIGHT: event.button = MouseButton::Right; break;
        case BTN_MIDDLE: event.button = MouseButton::Middle; break;
        default: return;
        }
        // A press happens where the pointer truly is: the window there takes it.
        if (pressed) {
            place.Settle();
            QueuePointer();
            if (pointerPiece)
                Focus(pointerPiece->window);
        }
        event.kind = pressed ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
        Queue(event);
    }

    void Keymap(std::uint32_t format, int file, std::uint32_t size)
    {
        if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
            close(file);
            return;
        }
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        close(file);
        if (text == MAP_FAILED)
            return;
        if (!keys)
            keys = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        xkb_keymap* made = keys ? xkb_keymap_new_from_string(keys, static_cast<const char*>(text),
                                                              XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
                                : nullptr;
        munmap(text, size);
        if (!made)
            return;
        if (keyState)
            xkb_state_unref(keyState);
        if (keymap)
            xkb_keymap_unref(keymap);
        keymap = made;
        keyState = xkb_state_new(keymap);
    }

    void Key(std::uint32_t key, bool pressed)
    {
        InputEvent event;
        event.kind = pressed ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        if (keymap && keyState) {
            // Evdev numbers keys 8 below X's (and xkbcommon's) numbers.
            const xkb_keycode_t code = key + 8;
            const xkb_keysym_t* symbols = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, xkb_state_key_get_layout(keyState, code),
                                                               0, &symbols);
            if (count > 0) {
                const VirtualKey virtualKey = VirtualKeyOfSymbol(symbols[0]);
                event.virtualKey = virtualKey.code;
                event.extendedKey = virtualKey.extended;
            }
        }
        if (!event.virtualKey)
            event.virtualKey = kUnmappedKey;
        Queue(event);
    }

    void SeatChanged();

    // The compositor gave the keyboard, or a press went, to a surface of
    // this window. The window layer hears of it only when no window shown
    // later (a dialog over a saver) is in front: a compositor may hand the
    // keyboard to any surface that asked for it, and the layer would bring
    // the saver over its own dialog.
    void Focus(HWND window)
    {
        const NativeWindow* front = nullptr;
        for (const auto& [id, known] : windows)
            if (known.visible && (!front || known.shownAt > front->shownAt))
                front = &known;
        if (front && front->window == window)
            window_layer::FocusGained(window);
    }
};

namespace {

Piece* PieceOf(wl_surface* surface)
{
    return surface ? static_cast<Piece*>(wl_surface_get_user_data(surface)) : nullptr;
}

void OnBufferRelease(void* data, wl_buffer*)
{
    auto* buffer = static_cast<Buffer*>(data);
    buffer->busy = false;
    if (buffer->piece->waiting)
        buffer->piece->state->PresentPiece(*buffer->piece, {});
}

void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                      std::uint32_t height)
{
    auto* piece = static_cast<Piece*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    piece->state->Configure(*piece, SIZE{static_cast<LONG>(width), static_cast<LONG>(height)});
}

void OnLayerClosed(void* data, zwlr_layer_surface_v1*)
{
    // Its output went away: the surface shows nothing more; the layer hears
    // of the outputs and moves its windows.
    auto* piece = static_cast<Piece*>(data);
    piece->state->DestroyPiece(*piece);
}

const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

void OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*)
{
    static_cast<Piece*>(data)->offered = SIZE{width, height};
}

void OnToplevelClose(void* data, xdg_toplevel*)
{
    window_layer::RequestClose(static_cast<Piece*>(data)->window);
}

void OnToplevelBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void OnToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose, OnToplevelBounds,
                                                 OnToplevelCapabilities};

void OnXdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial)
{
    auto* piece = static_cast<Piece*>(data);
    xdg_surface_ack_configure(surface, serial);
    piece->state->Configure(*piece, piece->offered);
}

const xdg_surface_listener kXdgSurfaceListener = {OnXdgConfigure};

void OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y)
{
    auto* state = static_cast<WaylandWindowBackend::State*>(data);
    state->pointerPiece = PieceOf(surface);
    state->pointerSerial = serial;
    state->ApplyCursor();
    state->PointerAt(x, y);
}

void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*)
{
    static_cast<WaylandWindowBackend::State*>(data)->pointerPiece = nullptr;
}

void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    static_cast<WaylandWindowBackend::State*>(data)->PointerAt(x, y);
}

void OnPointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t pressed)
{
    static_cast<WaylandWindowBackend::State*>(data)->Button(button, pressed == WL_POINTER_BUTTON_STATE_PRESSED);
}

void OnPointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void OnPointerFrame(void*, wl_pointer*) {}
void OnPointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
void OnPointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void OnPointerAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
void OnPointerAxisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

const wl_pointer_listener kPointerListener = {OnPointerEnter,      OnPointerLeave,     OnPointerMotion,
                                              OnPointerButton,     OnPointerAxis,      OnPointerFrame,
                                              OnPointerAxisSource, OnPointerAxisStop,  OnPointerAxisDiscrete,
                                              OnPointerAxisValue120};

void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t file, std::uint32_t size)
{
    static_cast<WaylandWindowBackend::State*>(data)->Keymap(format, file, size);
}

void OnKeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*)
{
    // The window that has the keyboard takes the keys (and a password
    // prompt they bring shows on its output).
    if (const Piece* piece = PieceOf(surface))
        static_cast<WaylandWindowBackend::State*>(data)->Focus(piece->window);
}

void OnKeyboardLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}

void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t pressed)
{
    static_cast<WaylandWindowBackend::State*>(data)->Key(key, pressed == WL_KEYBOARD_KEY_STATE_PRESSED);
}

void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                 std::uint32_t locked, std::uint32_t group)
{
    auto* state = static_cast<WaylandWindowBackend::State*>(data);
    if (state->keyState)
        xkb_state_update_mask(state->keyState, depressed, latched, locked, 0, 0, group);
}

void OnRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

}  // namespace

void WaylandWindowBackend::State::SeatChanged()
{
    wl_seat* seat = connection->Seat();
    const std::uint32_t capabilities = connection->SeatCapabilities();
    const bool hasPointer = seat && (capabilities & WL_SEAT_CAPABILITY_POINTER);
    const bool hasKeyboard = seat && (capabilities & WL_SEAT_CAPABILITY_KEYBOARD);
    if (hasPointer && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &kPointerListener, this);
    } else if (!hasPointer && pointer) {
        wl_pointer_release(pointer);
        pointer = nullptr;
        pointerPiece = nullptr;
    }
    if (hasKeyboard && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    } else if (!hasKeyboard && keyboard) {
        wl_keyboard_release(keyboard);
        keyboard = nullptr;
    }
}

std::unique_ptr<Piece> WaylandWindowBackend::State::MakePiece(const NativeWindow& window, const PlacedOutput& output,
                                                              const RECT& area, bool fillsOutput)
{
    wl_output* outputObject = connection->OutputObject(output.id);
    if (!outputObject)
        return nullptr;
    auto piece = std::make_unique<Piece>();
    piece->state = this;
    piece->window = window.window;
    piece->output = output.id;
    piece->scale = output.scale;
    piece->area = area;
    piece->fillsOutput = fillsOutput;
    piece->surface = wl_compositor_create_surface(connection->Compositor());
    wl_surface_set_user_data(piece->surface, piece.get());
    wl_surface_set_buffer_scale(piece->surface, output.scale);
    // Nothing of it is see-through: the compositor need not draw what lies
    // below, nor blend.
    wl_region* opaque = wl_compositor_create_region(connection->Compositor());
    wl_region_add(opaque, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(piece->surface, opaque);
    wl_region_destroy(opaque);
    if (zwlr_layer_shell_v1* shell = connection->LayerShell()) {
        piece->layer = zwlr_layer_shell_v1_get_layer_surface(shell, piece->surface, outputObject,
                                                             ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kLayerNamespace);
        zwlr_layer_surface_v1_add_listener(piece->layer, &kLayerListener, piece.get());
        if (fillsOutput) {
            zwlr_layer_surface_v1_set_anchor(piece->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
            // Over the whole output, panels and all.
            zwlr_layer_surface_v1_set_exclusive_zone(piece->layer, -1);
            zwlr_layer_surface_v1_set_size(piece->layer, 0, 0);
        } else {
            zwlr_layer_surface_v1_set_size(piece->layer, CeilDivide(Width(area), output.scale),
                                           CeilDivide(Height(area), output.scale));
        }
        zwlr_layer_surface_v1_set_keyboard_interactivity(piece->layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else {
        piece->xdgSurface = xdg_wm_base_get_xdg_surface(connection->WindowManager(), piece->surface);
        xdg_surface_add_listener(piece->xdgSurface, &kXdgSurfaceListener, piece.get());
        piece->toplevel = xdg_surface_get_toplevel(piece->xdgSurface);
        xdg_toplevel_add_listener(piece->toplevel, &kToplevelListener, piece.get());
        xdg_toplevel_set_title(piece->toplevel, window.title.c_str());
        xdg_toplevel_set_app_id(piece->toplevel, kLayerNamespace);
        if (fillsOutput)
            xdg_toplevel_set_fullscreen(piece->toplevel, outputObject);
    }
    // The first commit, without a buffer, asks for the first configure.
    wl_surface_commit(piece->surface);
    return piece;
}

void WaylandWindowBackend::State::ShowWindow(NativeWindow& window)
{
    HideWindow(window);
    // A surface on each output the window covers whole ...
    for (const PlacedOutput& output : layout.Outputs()) {
        RECT part{};
        if (IntersectRect(&part, &window.area, &output.area) && EqualRect(&part, &output.area))
            if (auto piece = MakePiece(window, output, output.area, true))
                window.pieces.push_back(std::move(piece));
    }
    if (!window.pieces.empty())
        return;
    // ... or, for a window smaller than an output, one of its size on the
    // output that holds its middle.
    const POINT middle{(window.area.left + window.area.right) / 2, (window.area.top + window.area.bottom) / 2};
    if (const PlacedOutput* output = layout.At(middle))
        if (auto piece = MakePiece(window, *output, window.area, false))
            window.pieces.push_back(std::move(piece));
}

WaylandWindowBackend::WaylandWindowBackend(Connection& connection, std::shared_ptr<Screen> screen)
    : m_connection(connection), m_state(std::make_shared<State>())
{
    m_state->connection = &connection;
    m_state->screen = std::move(screen);
    const DisplayMode& mode = m_state->screen->Mode();
    m_connection.Call([state = m_state, mode] {
        state->layout = OutputLayout(SIZE{mode.width, mode.height});
        state->layout.Update(state->connection->Outputs());
        state->monitors = state->layout.Monitors();
        // The layer's cursor starts in the middle of the primary output.
        if (!state->monitors.empty()) {
            const RECT& primary = state->monitors.front().area;
            state->place.MoveCursor(POINT{(primary.left + primary.right) / 2, (primary.top + primary.bottom) / 2});
        }
        state->SeatChanged();
    });
    std::weak_ptr<State> weak = m_state;
    m_connection.SetHooks(Connection::Hooks{
        .outputsChanged = [weak] { if (const auto state = weak.lock()) state->MeasureOutputs(); },
        .afterEvents = [weak] { if (const auto state = weak.lock()) state->AfterEvents(); },
        .seatChanged = [weak] { if (const auto state = weak.lock()) state->SeatChanged(); },
    });
    Connection* posting = &m_connection;
    m_state->screen->SetChangeListener([posting, weak] {
        // Inside a window procedure the areas wait for it to return (a tick's
        // rectangles go out together); otherwise they go now.
        if (InsideWindowProcedure())
            return;
        posting->RunOrPost([weak] {
            if (const auto state = weak.lock())
                state->Present(state->screen->TakeChangedAreas());
        });
    });
}

WaylandWindowBackend::~WaylandWindowBackend()
{
    // Handed over without waiting: the layer may drop a backend while
    // holding a lock that the connection's thread needs.
    m_connection.Post([state = m_state] {
        for (auto& [id, window] : state->windows)
            state->HideWindow(window);
        state->windows.clear();
        if (state->pointer)
            wl_pointer_release(state->pointer);
        if (state->keyboard)
            wl_keyboard_release(state->keyboard);
        if (state->cursorSurface)
            wl_surface_destroy(state->cursorSurface);
        if (state->cursorTheme)
            wl_cursor_theme_destroy(state->cursorTheme);
        if (state->screenPool)
            wl_shm_pool_destroy(state->screenPool);
        if (state->keyState)
            xkb_state_unref(state->keyState);
        if (state->keymap)
            xkb_keymap_unref(state->keymap);
        if (state->keys)
            xkb_context_unref(state->keys);
        wl_display_flush(state->connection->Display());
    });
}

NativeWindowId WaylandWindowBackend::CreateNativeWindow(const NativeWindowRequest& request)
{
    // Another program's window is an X11 thing; a Wayland client has none.
    if (request.foreignParent)
        return 0;
    NativeWindowId made = 0;
    m_connection.Call([&] {
        NativeWindow window;
        window.window = request.window;
        window.area = request.screenArea;
        window.title = request.title;
        made = m_state->nextWindow++;
        m_state->windows.emplace(made, std::move(window));
    });
    return made;
}

void WaylandWindowBackend::DestroyNativeWindow(NativeWindowId id)
{
    m_connection.Call([&] {
        const auto found = m_state->windows.find(id);
        if (found == m_state->windows.end())
            return;
        m_state->HideWindow(found->second);
        m_state->windows.erase(found);
        wl_display_flush(m_state->connection->Display());
    });
}

void WaylandWindowBackend::ShowNativeWindow(NativeWindowId id, bool visible)
{
    m_connection.Call([&] {
        const auto found = m_state->windows.find(id);
        if (found == m_state->windows.end() || found->second.visible == visible)
            return;
        found->second.visible = visible;
        if (visible) {
            found->second.shownAt = ++m_state->shownCount;
            m_state->ShowWindow(found->second);
        }
        else
            m_state->HideWindow(found->second);
    });
}

void WaylandWindowBackend::PresentChanges()
{
    // The layer calls this often (each look at a message queue): only when
    // something changed is there work, done here while the connection's
    // thread sleeps.
    std::vector<RECT> areas = m_state->screen->TakeChangedAreas();
    if (!areas.empty())
        m_connection.RunOrPost([state = m_state, areas = std::move(areas)] { state->Present(areas); });
}

std::vector<InputEvent> WaylandWindowBackend::TakeInputEvents()
{
    std::lock_guard lock(m_state->inputMutex);
    std::vector<InputEvent> events(m_state->input.begin(), m_state->input.end());
    m_state->input.clear();
    return events;
}

void WaylandWindowBackend::SetCursorVisible(bool visible)
{
    m_connection.Post([state = m_state, visible] {
        state->cursorVisible = visible;
        state->ApplyCursor();
    });
}

void WaylandWindowBackend::MoveCursor(POINT screenPosition)
{
    // A client cannot move the pointer; the layer's cursor goes there.
    m_connection.Post([state = m_state, screenPosition] { state->place.MoveCursor(screenPosition); });
}

std::optional<POINT> WaylandWindowBackend::PointerPosition()
{
    POINT position{0, 0};
    m_connection.Call([&] { position = m_state->place.Cursor(); });
    return position;
}

std::optional<RECT> WaylandWindowBackend::FindForeignWindow(NativeWindowId)
{
    return std::nullopt;
}

bool WaylandWindowBackend::DeliverToForeignWindow(NativeWindowId, UINT, WPARAM, LPARAM)
{
    return false;
}

std::vector<MonitorArea> WaylandWindowBackend::Monitors()
{
    std::vector<MonitorArea> monitors;
    m_connection.Call([&] { monitors = m_state->monitors; });
    return monitors;
}

}  // namespace vesper::platform::wayland
