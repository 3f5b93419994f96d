#include "platform/drivers/screen_picture.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "platform/kernel/large_pages.h"

namespace vesper::platform {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

ScreenPicture::ScreenPicture(const DisplayMode& mode) : m_mode(mode), m_pixels(nullptr, std::free)
{
    const std::size_t size = static_cast<std::size_t>(mode.width) * mode.height * kBytesPerPixel;
    m_pixels.reset(static_cast<BYTE*>(std::calloc(1, size)));
    if (!m_pixels)
        throw std::bad_alloc();
    AdviseLargePages(m_pixels.get(), size);
}

ScreenPicture::ScreenPicture(const DisplayMode& mode, BYTE* borrowed) : m_mode(mode), m_pixels(borrowed, [](void*) {})
{
}

Surface ScreenPicture::Pixels()
{
    return Surface{m_pixels.get(), static_cast<std::ptrdiff_t>(m_mode.width) * kBytesPerPixel, m_mode.width,
                   m_mode.height, kBytesPerPixel};
}

void ScreenPicture::AreaChanged(const RECT& area)
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

void ScreenPicture::SetChangeListener(ChangeListener listener)
{
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

PictureDisplay::PictureDisplay(std::shared_ptr<ScreenPicture> picture)
    : Display(picture->Mode()), m_picture(std::move(picture))
{
}

}  // namespace vesper::platform
