#include "tools/vesper_render/render_run.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "platform/kernel/translation.h"
#include "tools/vesper_render/picture_output.h"
#include "tools/vesper_render/shown_picture.h"
#include "tools/vesper_render/stage_play.h"
#include "tools/vesper_scene/atomic_file.h"

namespace vesper::tools {

namespace {

// The full-screen pace: one tick per 20 ms timer event, in GIF centiseconds.
constexpr int kTickCentiseconds = 2;

platform::Outcome<std::vector<BYTE>> EncodeFrame(const CDIB8BPP& frame, PictureFormat format)
{
    if (format == PictureFormat::bmp)
        return {EncodeFrameBmp(frame), {}};
    return EncodeFramePng(frame);
}

}  // namespace

int RenderScene(const RenderOptions& options, std::ostream& err)
{
    const SIZE stage = options.layout ? options.layout->stage : SIZE{options.width, options.height};
    const auto started = StagePlay::Start(options.input, stage.cx, stage.cy, options.seed);
    if (!started) {
        err << "vesper-render: " << started.error << "\n";
        return kRenderFailed;
    }
    StagePlay& play = **started.value;
    // What the screen shows: the frame, or the frame magnified into its border.
    std::unique_ptr<CDIB8BPP> magnified;
    const auto shown = [&]() -> const CDIB8BPP* {
        if (!options.layout)
            return &play.Frame();
        magnified = MagnifiedFrame(play.Frame(), *options.layout);
        if (!magnified)
            err << "vesper-render: "
                << Fill(Tr("no memory for a picture of %sx%s"),
                        {std::to_string(options.width), std::to_string(options.height)})
                << "\n";
        return magnified.get();
    };

    std::unique_ptr<GifRecording> gif;
    if (options.gif) {
        const long long centiseconds = static_cast<long long>(options.every) * kTickCentiseconds;
        auto recording =
            GifRecording::Start(options.width, options.height, static_cast<int>(std::min(centiseconds, 0xFFFFLL)));
        if (!recording) {
            err << "vesper-render: " << recording.error << "\n";
            return kRenderFailed;
        }
        gif = std::move(*recording.value);
    }
    const auto record = [&]() {
        if (!gif)
            return true;
        const CDIB8BPP* frame = shown();
        if (!frame)
            return false;
        const std::string error = gif->AddFrame(*frame);
        if (!error.empty())
            err << "vesper-render: " << error << "\n";
        return error.empty();
    };

    if (!record())
        return kRenderFailed;
    for (long long tick = 1; tick <= options.ticks; ++tick) {
        play.Tick();
        if (tick % options.every == 0 && !record())
            return kRenderFailed;
    }

    const CDIB8BPP* frame = shown();
    if (!frame)
        return kRenderFailed;
    const auto picture = EncodeFrame(*frame, *PictureFormatOf(options.out));
    if (!picture) {
        err << "vesper-render: " << Fill(Tr("cannot encode %s: %s"), {options.out, picture.error}) << "\n";
        return kRenderFailed;
    }
    std::optional<std::vector<BYTE>> animation;
    if (gif) {
        auto finished = gif->Finish();
        if (!finished) {
            err << "vesper-render: " << finished.error << "\n";
            return kRenderFailed;
        }
        animation = std::move(finished.value);
    }
    // Both pictures or neither.
    std::vector<OutputFile> outputs{{options.out, *picture.value, std::nullopt}};
    if (animation)
        outputs.push_back({*options.gif, *animation, std::nullopt});
    if (const std::string error = WriteFilesAtomically(outputs); !error.empty()) {
        err << "vesper-render: " << (animation ? Fill(Tr("%s (neither picture was written)"), {error}) : error) << "\n";
        return kRenderFailed;
    }
    return kRenderSucceeded;
}

int RunRenderTool(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto command = ParseRenderArguments(args);
    if (!command) {
        err << "vesper-render: " << command.error << "\n" << RenderUsage();
        return kRenderUsageError;
    }
    if (command.value->help) {
        out << RenderUsage();
        return kRenderSucceeded;
    }
    return RenderScene(command.value->options, err);
}

}  // namespace vesper::tools
