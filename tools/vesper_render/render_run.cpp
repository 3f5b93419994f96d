#include "tools/vesper_render/render_run.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/kernel/translation.h"
#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "platform/drivers/backends.h"
#include "scene/vesper_doc.h"
#include "stage/saver_stage.h"
#include "tools/vesper_render/picture_output.h"
#include "tools/vesper_scene/atomic_file.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {

namespace {

// The full-screen pace: one tick per 20 ms timer event, in GIF centiseconds.
constexpr int kTickCentiseconds = 2;
constexpr int kTrueColourBits = 32;

// Plays one scene on g_stage and takes the stage down again at the end, so
// that the document and its working sprites are gone before the stage is.
class StagePlay {
public:
    ~StagePlay()
    {
        g_stage.ReleaseScene();
        document.DeleteContents();
    }

    CVesperDoc document;
};

std::string Describe(const SceneLoadFailure& failure)
{
    std::string text = Tr(failure.message.c_str());
    if (!failure.description.empty())
        text += " (" + failure.description + ")";
    return text;
}

platform::Outcome<std::vector<BYTE>> EncodeFrame(const CDIB8BPP& frame, PictureFormat format)
{
    if (format == PictureFormat::bmp)
        return {EncodeFrameBmp(frame), {}};
    return EncodeFramePng(frame);
}

}  // namespace

int RenderScene(const RenderOptions& options, std::ostream& err)
{
    // The stage draws on a screen of its own size; it was built before this
    // screen was chosen, so the colour depth is measured again for it.
    platform::UseOffscreenBackend({options.width, options.height, kTrueColourBits});
    g_nDisplayBits = GetDisplayColorDepth();

    // The saver window's creation, in its order: the random numbers are
    // seeded before the document is loaded, since loading its sprites
    // draws from them.
    std::srand(options.seed);
    if (!CreateDefaultPalette(g_defaultPalette)) {
        err << "vesper-render: cannot create the default palette\n";
        return kRenderFailed;
    }
    StagePlay play;
    const auto loaded = LoadFileScene(options.input, play.document);
    if (!loaded) {
        err << "vesper-render: " << loaded.error << "\n";
        return kRenderFailed;
    }
    if (loaded.value->failure) {
        err << "vesper-render: cannot load the scene of " << options.input << ": " << Describe(*loaded.value->failure)
            << "\n";
        return kRenderFailed;
    }
    g_stage.LoadScene(&play.document, options.width, options.height);
    if (!g_stage.m_pFrame) {
        err << "vesper-render: the scene of " << options.input
            << " shows no background (no picture, or a background the player cannot render), so there is no frame\n";
        return kRenderFailed;
    }
    const CDIB8BPP& frame = *g_stage.m_pFrame;

    std::unique_ptr<GifRecording> gif;
    if (options.gif) {
        const long long centiseconds = static_cast<long long>(options.every) * kTickCentiseconds;
        auto started =
            GifRecording::Start(options.width, options.height, static_cast<int>(std::min(centiseconds, 0xFFFFLL)));
        if (!started) {
            err << "vesper-render: " << started.error << "\n";
            return kRenderFailed;
        }
        gif = std::move(*started.value);
    }
    const auto record = [&]() {
        const std::string error = gif ? gif->AddFrame(frame) : std::string();
        if (!error.empty())
            err << "vesper-render: " << error << "\n";
        return error.empty();
    };

    if (!record())
        return kRenderFailed;
    for (long long tick = 1; tick <= options.ticks; ++tick) {
        g_stage.Tick();
        if (tick % options.every == 0 && !record())
            return kRenderFailed;
    }

    const auto picture = EncodeFrame(frame, *PictureFormatOf(options.out));
    if (!picture) {
        err << "vesper-render: cannot encode " << options.out << ": " << picture.error << "\n";
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
        err << "vesper-render: " << error << (animation ? " (neither picture was written)" : "") << "\n";
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
