#include "platform/drivers/wayland/wayland_screen.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "platform/api/win32_user.h"
#include "platform/drivers/wayland/wayland_connection.h"

namespace vesper::platform::wayland {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

Screen::Screen(const DisplayMode& mode) : m_mode(mode), m_pixels(nullptr, std::free)
{
    const std::size_t size = static_cast<std::size_t>(mode.width) * mode.height * kBytesPerPixel;
    m_pixels.reset(static_cast<BYTE*>(std::calloc(1, size)));
    if (!m_pixels)
        throw std::bad_alloc();
}

Surface Screen::Pixels()
{
    return Surface{m_pixels.get(), static_cast<std::ptrdiff_t>(m_mode.width) * kBytesPerPixel, m_mode.width,
                   m_mode.height, kBytesPerPixel};
}

void Screen::AreaChanged(const RECT& area)
{
    if (!m_changed.Add(area))
        return;
    ChangeListener listener;
    {
        std::lock_guard lock(m_listenerMutex);
        listener = m_listener;
    }
    if (listener)
        listener();
}

std::vector<RECT> Screen::TakeChangedAreas()
{
    return m_changed.Take();
}

void Screen::SetChangeListener(ChangeListener listener)
{
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

std::shared_ptr<Screen> SharedScreen()
{
    // Kept alive past static destruction: GDI objects are released at exit.
    static auto* screen = [] {
        Connection* connection = Connection::Get();
        if (!connection)
            return new std::shared_ptr<Screen>;
        const SIZE size = ScreenSizeFor(connection->StartOutputs());
        const DisplayMode mode{std::min<int>(size.cx, kLargestDisplaySide), std::min<int>(size.cy, kLargestDisplaySide),
                               32};
        return new std::shared_ptr<Screen>(std::make_shared<Screen>(mode));
    }();
    return *screen;
}

WaylandDisplay::WaylandDisplay(std::shared_ptr<Screen> screen) : Display(screen->Mode()), m_screen(std::move(screen)) {}

}  // namespace vesper::platform::wayland
