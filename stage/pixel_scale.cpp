#include "stage/pixel_scale.h"
#include "platform/kernel/translation.h"

#include <algorithm>
#include <charconv>

namespace {

std::optional<int> WholeNumber(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || text.front() == '+' || failure != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// Floor division for area offsets left of or above the stage.
LONG FloorDivide(LONG value, LONG divisor)
{
    const LONG quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

LONG CeilDivide(LONG value, LONG divisor)
{
    return -FloorDivide(-value, divisor);
}

}  // namespace

std::optional<ScaleChoice> ParseScaleChoice(std::string_view text)
{
    if (text == "auto")
        return kAutoScale;
    const std::optional<int> factor = WholeNumber(text);
    if (!factor || *factor < 1 || *factor > kLargestScale)
        return std::nullopt;
    return ScaleChoice{*factor};
}

std::string ScaleChoiceText(ScaleChoice choice)
{
    return choice.IsAuto() ? "auto" : std::to_string(choice.factor);
}

int ScaleOfDotsPerInch(int dotsPerInch)
{
    return std::max(1, dotsPerInch / kDotsPerInchAtScaleOne);
}

std::optional<int> DesktopScaleFromHints(const char* gdkScale, const char* xftDpi)
{
    if (gdkScale && *gdkScale) {
        const std::optional<int> scale = WholeNumber(gdkScale);
        if (scale && *scale >= 1 && *scale <= kLargestScale)
            return *scale;
    }
    if (xftDpi && *xftDpi) {
        // X resources may give the dots per inch with a fraction ("144.5").
        std::string_view text(xftDpi);
        text = text.substr(0, text.find('.'));
        const std::optional<int> dpi = WholeNumber(text);
        if (dpi && *dpi > 0)
            return ScaleOfDotsPerInch(*dpi);
    }
    return std::nullopt;
}

int LargestScaleKeepingDetail(SIZE area)
{
    return std::max<LONG>(1, std::min(area.cx / kSmallestAutoStage.cx, area.cy / kSmallestAutoStage.cy));
}

int ResolveScale(ScaleChoice choice, SIZE area, std::optional<int> desktopScale)
{
    if (!choice.IsAuto())
        return choice.factor;
    const int wanted = desktopScale.value_or(LargestScaleKeepingDetail(area));
    return std::max<LONG>(1, std::min<LONG>(wanted, std::min(area.cx, area.cy)));
}

RECT StageLayout::AreaOf(const RECT& r) const
{
    return RECT{origin.x + r.left * factor, origin.y + r.top * factor, origin.x + r.right * factor,
                origin.y + r.bottom * factor};
}

RECT StageLayout::StageOf(const RECT& r) const
{
    return RECT{FloorDivide(r.left - origin.x, factor), FloorDivide(r.top - origin.y, factor),
                CeilDivide(r.right - origin.x, factor), CeilDivide(r.bottom - origin.y, factor)};
}

std::optional<StageLayout> LayoutStage(SIZE area, int factor)
{
    if (factor < 1 || area.cx < factor || area.cy < factor)
        return std::nullopt;
    StageLayout layout;
    layout.factor = factor;
    layout.area = area;
    layout.stage = SIZE{area.cx / factor, area.cy / factor};
    layout.origin = POINT{(area.cx - layout.stage.cx * factor) / 2, (area.cy - layout.stage.cy * factor) / 2};
    return layout;
}

std::string BadScaleMessage(std::string_view where, std::string_view given)
{
    return vesper::Fill(vesper::Tr("%s takes %s (auto, or a whole number of 1 or more), not \"%s\""),
                        {where, kScaleValues, given});
}

std::string ScaleTooLargeMessage(std::string_view where, int factor, SIZE area)
{
    return vesper::Fill(vesper::Tr("%s takes %s, but a scale of %s leaves no stage on %sx%s pixels (at most %s there)"),
                        {where, kScaleValues, std::to_string(factor), std::to_string(area.cx),
                         std::to_string(area.cy), std::to_string(std::min(area.cx, area.cy))});
}
