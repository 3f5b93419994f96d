#include "tools/vesper_render/thumbnail.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/kernel/translation.h"
#include "tools/vesper_render/picture_output.h"
#include "tools/vesper_render/render_run.h"
#include "tools/vesper_render/stage_play.h"
#include "tools/vesper_scene/atomic_file.h"

namespace vesper::tools {

namespace {

constexpr unsigned kThumbnailSeed = 0;
constexpr int kChannels = 4;

LONG RoundedShare(LONG side, int largest, LONG longest)
{
    const std::int64_t scaled = (std::int64_t{side} * largest * 2 + longest) / (std::int64_t{longest} * 2);
    return static_cast<LONG>(std::max<std::int64_t>(scaled, 1));
}

// How much of each source pixel falls in each target pixel along one side,
// in units of 1/target of a source pixel: target pixel t covers the source
// span [t * source, (t + 1) * source) in those units, source pixel s the span
// [s * target, (s + 1) * target). The weights of one target pixel add up to
// `source`.
struct Share {
    LONG source;
    LONG target;
    std::int64_t weight;
};

std::vector<std::vector<Share>> SharesAlong(LONG source, LONG target)
{
    std::vector<std::vector<Share>> shares(static_cast<std::size_t>(target));
    for (LONG t = 0; t < target; ++t) {
        const std::int64_t begin = std::int64_t{t} * source;
        const std::int64_t end = begin + source;
        for (LONG s = static_cast<LONG>(begin / target); s < source && std::int64_t{s} * target < end; ++s) {
            const std::int64_t overlap =
                std::min(end, std::int64_t{s + 1} * target) - std::max(begin, std::int64_t{s} * target);
            if (overlap > 0)
                shares[static_cast<std::size_t>(t)].push_back({s, t, overlap});
        }
    }
    return shares;
}

std::optional<int> ParseSize(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 1 || value > kLargestThumbnailSize)
        return std::nullopt;
    return value;
}

platform::Outcome<ThumbnailCommand> Refuse(const std::string& why)
{
    return {std::nullopt, why};
}

}  // namespace

PictureSize FitWithin(LONG width, LONG height, int largest)
{
    const LONG longest = std::max(width, height);
    if (longest <= largest)
        return {width, height};
    return {RoundedShare(width, largest, longest), RoundedShare(height, largest, longest)};
}

RgbaImage ShrinkByAveraging(const RgbaImage& picture, PictureSize size)
{
    const auto across = SharesAlong(picture.width, size.width);
    const auto down = SharesAlong(picture.height, size.height);
    // Rows first: each source row shrunk across, its sums kept whole.
    std::vector<std::int64_t> rows(static_cast<std::size_t>(picture.height) * size.width * kChannels, 0);
    for (LONG y = 0; y < picture.height; ++y) {
        std::int64_t* row = rows.data() + static_cast<std::size_t>(y) * size.width * kChannels;
        for (LONG x = 0; x < size.width; ++x) {
            for (const Share& share : across[static_cast<std::size_t>(x)]) {
                const BYTE* pixel = picture.At(share.source, y);
                for (int c = 0; c < kChannels; ++c)
                    row[x * kChannels + c] += share.weight * pixel[c];
            }
        }
    }
    RgbaImage shrunk;
    shrunk.width = size.width;
    shrunk.height = size.height;
    shrunk.pixels.resize(static_cast<std::size_t>(size.width) * size.height * kChannels);
    const std::int64_t whole = std::int64_t{picture.width} * picture.height;
    for (LONG y = 0; y < size.height; ++y) {
        BYTE* out = shrunk.At(0, y);
        for (LONG x = 0; x < size.width; ++x) {
            for (int c = 0; c < kChannels; ++c) {
                std::int64_t sum = 0;
                for (const Share& share : down[static_cast<std::size_t>(y)])
                    sum += share.weight *
                           rows[(static_cast<std::size_t>(share.source) * size.width + x) * kChannels + c];
                out[x * kChannels + c] = static_cast<BYTE>((sum + whole / 2) / whole);
            }
        }
    }
    return shrunk;
}

std::string ThumbnailUsage()
{
    // A line at a time, each translated on its own ("" is a blank line).
    static constexpr const char* kLines[] = {
        N_("usage: vesper-thumbnailer [-s SIZE] INPUT OUTPUT"),
        "",
        N_("Writes a PNG picture of the scene that INPUT holds (a packaged screen saver, for"),
        N_("Linux or Windows, or a bare scene) as it looks a few seconds after it starts,"),
        N_("for file managers. The scene plays on a 640x480 stage; the picture is shrunk"),
        N_("to fit SIZE x SIZE pixels with its proportions kept, and never enlarged."),
        "",
        N_("  -s SIZE   the largest width and height, 1 to 4096 (default 256)"),
        N_("  --help    this text"),
        "",
        N_("INPUT is the only file read and OUTPUT the only one written, whole or not at all."),
        N_("A file without a scene that shows ends with the reason and exit code 1, and no"),
        N_("OUTPUT; wrong arguments with 2."),
    };
    std::string usage;
    for (const char* line : kLines)
        usage += std::string(Tr(line)) + "\n";
    return usage;
}

platform::Outcome<ThumbnailCommand> ParseThumbnailArguments(std::span<const std::string> args)
{
    ThumbnailCommand command;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            command.help = true;
            return {command, {}};
        }
        if (arg == "-s" || arg == "--size") {
            if (i + 1 >= args.size())
                return Refuse(Fill(Tr("%s needs a value"), {arg}));
            const auto size = ParseSize(args[++i]);
            if (!size)
                return Refuse(Fill(Tr("%s takes a whole number from 1 to %s, not \"%s\""),
                                   {arg, std::to_string(kLargestThumbnailSize), args[i]}));
            command.options.size = *size;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return Refuse(Fill(Tr("unknown option %s"), {arg}));
        files.push_back(arg);
    }
    if (files.size() != 2)
        return Refuse(Fill(Tr("give the input file and the output file (%s given)"), {std::to_string(files.size())}));
    command.options.input = files[0];
    command.options.output = files[1];
    return {command, {}};
}

int RunThumbnailer(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto command = ParseThumbnailArguments(args);
    if (!command) {
        err << "vesper-thumbnailer: " << command.error << "\n" << ThumbnailUsage();
        return kRenderUsageError;
    }
    if (command.value->help) {
        out << ThumbnailUsage();
        return kRenderSucceeded;
    }
    const ThumbnailOptions& options = command.value->options;
    const auto started = StagePlay::Start(options.input, kThumbnailStageWidth, kThumbnailStageHeight, kThumbnailSeed);
    if (!started) {
        err << "vesper-thumbnailer: " << started.error << "\n";
        return kRenderFailed;
    }
    StagePlay& play = **started.value;
    for (int tick = 0; tick < kThumbnailTicks; ++tick)
        play.Tick();
    const RgbaImage frame = FrameToRgba(play.Frame());
    const auto png = EncodePng(ShrinkByAveraging(frame, FitWithin(frame.width, frame.height, options.size)));
    if (!png) {
        err << "vesper-thumbnailer: " << Fill(Tr("cannot encode the thumbnail: %s"), {png.error}) << "\n";
        return kRenderFailed;
    }
    if (const std::string error = WriteFileAtomically(options.output, *png.value); !error.empty()) {
        err << "vesper-thumbnailer: " << error << "\n";
        return kRenderFailed;
    }
    return kRenderSucceeded;
}

}  // namespace vesper::tools
