#include "platform/drivers/web/web_display.h"

#include <algorithm>

namespace vesper::platform {

namespace {

constexpr int kBytesPerPixel = 4;
constexpr BYTE kOpaque = 0xFF;

DisplayMode TrueColour(DisplayMode mode)
{
    mode.bitsPerPixel = 32;
    return mode;
}

}  // namespace

void CopyAreaAsRgba(const Surface& surface, const RECT& area, BYTE* rgba)
{
    const int width = area.right - area.left;
    for (int y = area.top; y < area.bottom; ++y) {
        const BYTE* from = surface.Row(y) + area.left * kBytesPerPixel;
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, rgba += kBytesPerPixel) {
            rgba[0] = from[2];
            rgba[1] = from[1];
            rgba[2] = from[0];
            rgba[3] = kOpaque;
        }
    }
}

WebDisplay::WebDisplay(const DisplayMode& mode, RgbaPresenter presenter)
    : Display(TrueColour(mode)),
      m_pixels(static_cast<std::size_t>(Mode().width) * Mode().height * kBytesPerPixel),
      m_presenter(std::move(presenter))
{
}

Surface WebDisplay::Pixels()
{
    return Surface{m_pixels.data(), std::ptrdiff_t{Mode().width} * kBytesPerPixel, Mode().width, Mode().height,
                   kBytesPerPixel};
}

void WebDisplay::AreaChanged(const RECT& changed)
{
    const RECT area{std::max<LONG>(changed.left, 0), std::max<LONG>(changed.top, 0),
                    std::min<LONG>(changed.right, Mode().width), std::min<LONG>(changed.bottom, Mode().height)};
    if (area.left >= area.right || area.top >= area.bottom || !m_presenter)
        return;
    const auto bytes = static_cast<std::size_t>(area.right - area.left) * (area.bottom - area.top) * kBytesPerPixel;
    if (m_rgba.size() < bytes)
        m_rgba.resize(bytes);
    CopyAreaAsRgba(Pixels(), area, m_rgba.data());
    m_presenter(m_rgba.data(), area);
    ++m_areasPresented;
}

}  // namespace vesper::platform
