#include "platform/drivers/headless/headless_display.h"

#include "platform/api/win32_kernel.h"

namespace vesper::platform {

namespace {

int BytesPerPixel(const DisplayMode& mode) { return mode.bitsPerPixel == 8 ? 1 : 4; }

}  // namespace

HeadlessDisplay::HeadlessDisplay(const DisplayMode& mode)
    : Display(mode),
      m_pixels(static_cast<std::size_t>(Mode().width) * Mode().height * BytesPerPixel(Mode()), 0)
{
}

Surface HeadlessDisplay::Pixels()
{
    const int bytesPerPixel = BytesPerPixel(Mode());
    return Surface{m_pixels.data(), static_cast<std::ptrdiff_t>(Mode().width) * bytesPerPixel, Mode().width,
                   Mode().height, bytesPerPixel};
}

void HeadlessDisplay::AreaChanged(const RECT& area)
{
    RECT merged;
    UnionRect(&merged, &m_changed, &area);
    m_changed = merged;
}

HeadlessDisplay& UseHeadlessDisplay(const DisplayMode& mode)
{
    auto display = std::make_unique<HeadlessDisplay>(IsSupportedMode(mode) ? mode : DisplayMode{});
    HeadlessDisplay& result = *display;
    UseDisplay(std::move(display));
    return result;
}

}  // namespace vesper::platform
