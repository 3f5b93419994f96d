#include "platform/drivers/headless/headless_display.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "platform/api/win32_user.h"

namespace vesper::platform {

namespace {

int BytesPerPixel(const DisplayMode& mode) { return mode.bitsPerPixel == 8 ? 1 : 4; }

// Reads a decimal number up to `separator` (or the end when separator is 0).
std::optional<int> ReadNumber(std::string_view& text, char separator)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (separator) {
        if (text.empty() || text.front() != separator)
            return std::nullopt;
        text.remove_prefix(1);
    }
    return value;
}

}  // namespace

std::optional<DisplayMode> ParseHeadlessDisplaySpec(std::string_view text)
{
    constexpr std::string_view prefix = "headless:";
    if (!text.starts_with(prefix))
        return std::nullopt;
    text.remove_prefix(prefix.size());
    const auto width = ReadNumber(text, 'x');
    const auto height = width ? ReadNumber(text, 'x') : std::nullopt;
    const auto bits = height ? ReadNumber(text, 0) : std::nullopt;
    if (!bits || !text.empty())
        return std::nullopt;
    const DisplayMode mode{*width, *height, *bits};
    return IsSupportedMode(mode) ? std::optional(mode) : std::nullopt;
}

std::unique_ptr<Display> MakeHeadlessDisplay(std::string_view setting)
{
    DisplayMode mode;
    if (!setting.empty()) {
        if (const auto parsed = ParseHeadlessDisplaySpec(setting))
            mode = *parsed;
        else
            std::fprintf(stderr, "vesper: VESPER_DISPLAY=\"%s\" is neither sdl nor headless:<width>x<height>x<8|24|32>; "
                                 "using headless:1024x768x32\n", std::string(setting).c_str());
    }
    return std::make_unique<HeadlessDisplay>(mode);
}

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
