#include "tools/vesper_render/render_options.h"

#include <charconv>
#include <limits>

#include "platform/drivers/display.h"
#include "platform/kernel/translation.h"
#include "tools/vesper_render/picture_output.h"

namespace vesper::tools {

namespace {

constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 480;

platform::Outcome<RenderCommand> Refuse(const std::string& why)
{
    return {std::nullopt, why};
}

// A whole decimal number from min to max, with nothing around it.
template <typename T>
std::optional<T> ParseNumber(const std::string& text, T min, T max)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < min || value > max)
        return std::nullopt;
    return value;
}

// "<width>x<height>", each side from 1 to the largest screen side.
bool ParseSize(const std::string& text, int& width, int& height)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos)
        return false;
    const auto w = ParseNumber<int>(text.substr(0, cross), 1, platform::kLargestDisplaySide);
    const auto h = ParseNumber<int>(text.substr(cross + 1), 1, platform::kLargestDisplaySide);
    if (!w || !h)
        return false;
    width = *w;
    height = *h;
    return true;
}

}  // namespace

std::string RenderUsage()
{
    // A line at a time, each translated on its own ("" is a blank line).
    static constexpr const char* kLines[] = {
        N_("usage: vesper-render INPUT (--size WxH [--scale K] | --preview) --out FILE [--seed N] [--ticks T]"),
        N_("                     [--gif FILE [--every K]]"),
        "",
        N_("Plays the scene of INPUT (a packaged screen saver or a bare scene stream) on a"),
        N_("headless stage exactly as the saver window would, without a window or a timer,"),
        N_("and writes the frame buffer after T ticks."),
        "",
        N_("  --size WxH     stage size in pixels, as a full screen of that size"),
        N_("  --preview      the preview stage, 640x480"),
        N_("  --scale K      with --size: the picture a screen of that size shows at scale K"),
        N_("                 (auto, 1, 2, 3, ...): a stage of (W / K) x (H / K), each of its"),
        N_("                 pixels a K x K block, centred in a black border; auto keeps the"),
        N_("                 stage at least 1280x720 (default 1)"),
        N_("  --seed N       seed of the random numbers (pauses), in place of the tick count"),
        N_("                 (default 0)"),
        N_("  --ticks T      pacing ticks to play before the picture is taken (default 0)"),
        N_("  --out FILE     FILE.bmp: 8-bit picture of the frame buffer's palette indexes;"),
        N_("                 FILE.png: the same picture in true colour"),
        N_("  --gif FILE     also an animated GIF of the run, one frame every K ticks"),
        N_("  --every K      ticks between GIF frames (default 1); a tick lasts 20 ms"),
        N_("  --help         this text"),
        "",
        N_("Outputs are written whole or not at all. A scene that cannot be loaded or has no"),
        N_("background to show ends with the reason and exit code 1; wrong arguments with 2."),
    };
    std::string usage;
    for (const char* line : kLines)
        usage += std::string(Tr(line)) + "\n";
    return usage;
}

platform::Outcome<RenderCommand> ParseRenderArguments(std::span<const std::string> args)
{
    RenderCommand command;
    RenderOptions& options = command.options;
    bool sized = false;
    bool everyGiven = false;
    std::optional<ScaleChoice> scale;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            command.help = true;
            return {command, {}};
        }
        if (arg == "--preview") {
            options.preview = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            if (i + 1 >= args.size())
                return Refuse(Fill(Tr("%s needs a value"), {arg}));
            const std::string& value = args[++i];
            if (arg == "--size") {
                if (!ParseSize(value, options.width, options.height))
                    return Refuse(Fill(Tr("--size takes WIDTHxHEIGHT, each from 1 to %s, not \"%s\""),
                                       {std::to_string(platform::kLargestDisplaySide), value}));
                sized = true;
            } else if (arg == "--seed") {
                const auto seed = ParseNumber<unsigned>(value, 0, std::numeric_limits<unsigned>::max());
                if (!seed)
                    return Refuse(Fill(Tr("--seed takes a whole number from 0 to 4294967295, not \"%s\""), {value}));
                options.seed = *seed;
            } else if (arg == "--ticks") {
                const auto ticks = ParseNumber<int>(value, 0, std::numeric_limits<int>::max());
                if (!ticks)
                    return Refuse(Fill(Tr("--ticks takes a whole number of at least 0, not \"%s\""), {value}));
                options.ticks = *ticks;
            } else if (arg == "--every") {
                const auto every = ParseNumber<int>(value, 1, std::numeric_limits<int>::max());
                if (!every)
                    return Refuse(Fill(Tr("--every takes a whole number of at least 1, not \"%s\""), {value}));
                options.every = *every;
                everyGiven = true;
            } else if (arg == "--scale") {
                scale = ParseScaleChoice(value);
                if (!scale)
                    return Refuse(BadScaleMessage("--scale", value));
            } else if (arg == "--out") {
                options.out = value;
            } else if (arg == "--gif") {
                options.gif = value;
            } else {
                return Refuse(Fill(Tr("unknown option %s"), {arg}));
            }
            continue;
        }
        if (!options.input.empty())
            return Refuse(Fill(Tr("one input only: \"%s\" and \"%s\""), {options.input, arg}));
        options.input = arg;
    }

    if (options.input.empty())
        return Refuse(Tr("no input scene or packaged screen saver"));
    if (sized == options.preview)
        return Refuse(sized ? Tr("--size and --preview both set the stage size: give one")
                            : Tr("no stage size: give --size WxH or --preview"));
    if (options.preview) {
        if (scale)
            return Refuse(Tr("--scale goes with --size; the preview stage is always 640x480"));
        options.width = kPreviewWidth;
        options.height = kPreviewHeight;
    }
    if (scale) {
        const SIZE size{options.width, options.height};
        const int factor = ResolveScale(*scale, size, std::nullopt);
        options.layout = LayoutStage(size, factor);
        if (!options.layout)
            return Refuse(ScaleTooLargeMessage("--scale", factor, size));
    }
    if (options.out.empty())
        return Refuse(Tr("no output: give --out FILE.bmp or --out FILE.png"));
    if (!PictureFormatOf(options.out))
        return Refuse(Fill(Tr("the output \"%s\" must end in .bmp or .png"), {options.out}));
    if (everyGiven && !options.gif)
        return Refuse(Tr("--every only goes with --gif"));
    return {command, {}};
}

}  // namespace vesper::tools
