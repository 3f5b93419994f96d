#include "platform/drivers/sdl/sdl_display.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/api/win32_user.h"

namespace vesper::platform::sdl {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

Screen::Screen(const DisplayMode& mode, std::unique_ptr<x11::DirectPresenter> presenter)
    : ScreenPicture(mode, presenter->Pixels()), m_presenter(std::move(presenter))
{
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


}  // namespace vesper::platform::sdl
