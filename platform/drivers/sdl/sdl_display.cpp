#include "platform/drivers/sdl/sdl_display.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "platform/kernel/large_pages.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/api/win32_user.h"

namespace vesper::platform::sdl {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

Screen::Screen(const DisplayMode& mode) : m_mode(mode), m_pixels(nullptr, std::free)
{
    const std::size_t size = static_cast<std::size_t>(mode.width) * mode.height * kBytesPerPixel;
    m_pixels.reset(static_cast<BYTE*>(std::calloc(1, size)));
    if (!m_pixels)
        throw std::bad_alloc();
    AdviseLargePages(m_pixels.get(), size);
}

Screen::Screen(const DisplayMode& mode, std::unique_ptr<x11::DirectPresenter> presenter)
    : m_mode(mode), m_presenter(std::move(presenter)), m_pixels(m_presenter->Pixels(), [](void*) {})
{
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
        VideoThread* video = VideoThread::Get();
        if (!video)
            return new std::shared_ptr<Screen>;
        std::string server;
        video->Call([&server] { server = x11::ServerName(); });
        auto presenter = x11::DirectPresenter::Open(server, video->DesktopMode());
        return new std::shared_ptr<Screen>(presenter
                                               ? std::make_shared<Screen>(video->DesktopMode(), std::move(presenter))
                                               : std::make_shared<Screen>(video->DesktopMode()));
    }();
    return *screen;
}

SDL_Rect CopyToSurface(const Surface& from, const RECT& area, SDL_Surface& to, POINT toOrigin)
{
    RECT source = area;
    const RECT pixels{0, 0, from.width, from.height};
    if (!IntersectRect(&source, &source, &pixels))
        return SDL_Rect{0, 0, 0, 0};
    // Where the source lands on the surface, cut to the surface.
    RECT target = source;
    OffsetRect(&target, toOrigin.x - area.left, toOrigin.y - area.top);
    const RECT surface{0, 0, to.w, to.h};
    if (!IntersectRect(&target, &target, &surface))
        return SDL_Rect{0, 0, 0, 0};
    const LONG sourceX = target.left - toOrigin.x + area.left;
    const LONG sourceY = target.top - toOrigin.y + area.top;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (SDL_MUSTLOCK(&to) && SDL_LockSurface(&to) != 0)
        return SDL_Rect{0, 0, 0, 0};
    const BYTE* sourcePixels = from.Row(sourceY) + sourceX * from.bytesPerPixel;
    auto* targetPixels = static_cast<BYTE*>(to.pixels) + target.top * to.pitch + target.left * to.format->BytesPerPixel;
    const int converted = SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_XRGB8888, sourcePixels,
                                            static_cast<int>(from.stride), to.format->format, targetPixels, to.pitch);
    if (SDL_MUSTLOCK(&to))
        SDL_UnlockSurface(&to);
    if (converted != 0)
        return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{target.left, target.top, width, height};
}

SdlDisplay::SdlDisplay(std::shared_ptr<Screen> screen) : Display(screen->Mode()), m_screen(std::move(screen)) {}

}  // namespace vesper::platform::sdl
