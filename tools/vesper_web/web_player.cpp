// The page's player: the functions the page's script calls. A file the page
// was given lies in the module's in-memory file system; it is played as
// `vesper --scene FILE` plays it, on a stage of the canvas's size, one tick
// per due timer event of the saver's pace.
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "platform/drivers/backends.h"
#include "platform/drivers/web/web_backend.h"
#include "saver/scene_not_loaded.h"
#include "scene/scene_source.h"
#include "scene/vesper_doc.h"
#include "stage/saver_stage.h"
#include "tools/vesper_web/canvas_stage.h"
#include "tools/vesper_web/tick_pacing.h"

// Title and credit line ("title|credit", or the scene's name) for the page, as
// bytes in UTF-8 or (codePage) the Windows code page.
EM_JS(void, vesper_page_caption, (const char* text, int length, int codePage), {
    Module.vesperCaption(HEAPU8.slice(text, text + length), codePage != 0);
});

namespace {

struct Player {
    std::unique_ptr<CVesperDoc> document;
    vesper::web::TickPacing pacing;
    long long ticks = 0;
    std::string problem;
    int stageOut[3] = {0, 0, 0};
};

Player& ThePlayer()
{
    static auto* player = new Player;
    return *player;
}

void Stop(Player& player)
{
    g_stage.ReleaseScene();
    if (player.document) {
        player.document->DeleteContents();
        player.document.reset();
    }
}

// String 1 of a saver program, else the scene's name.
void ShowCaption(const std::string& path, const CVesperDoc& document)
{
    using vesper::scene::SceneFileKind;
    std::optional<vesper::scene::SceneSource> source;
    if (const auto bytes = vesper::scene::ReadWholeFile(path))
        if (auto classified = vesper::scene::ClassifySceneFile(*bytes))
            source = std::move(*classified.value);
    if (source && source->kind == SceneFileKind::vesperLinuxSaver && source->block &&
        !source->block->stringResource1.empty()) {
        const std::string& text = source->block->stringResource1;
        vesper_page_caption(text.data(), static_cast<int>(text.size()), 1);
    } else if (source && source->peStringResource1 && !source->peStringResource1->empty()) {
        const std::string& text = *source->peStringResource1;
        vesper_page_caption(text.data(), static_cast<int>(text.size()), 0);
    } else
        vesper_page_caption(document.sceneName.data(), static_cast<int>(document.sceneName.size()), 1);
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int vesper_start()
{
    return vesper::platform::UseBackend("web") ? 1 : 0;
}

// Plays the scene of the file at `path` on a width x height stage, the
// random numbers seeded with `seed`, in the saver window's order. 0 when it
// cannot be played: the document has shown its box, vesper_problem says why.
EMSCRIPTEN_KEEPALIVE int vesper_open(const char* path, int width, int height, unsigned seed)
{
    Player& player = ThePlayer();
    Stop(player);
    player.problem.clear();
    player.ticks = 0;
    player.pacing = vesper::web::TickPacing(player.pacing.Speed());

    vesper::platform::web::UseCanvasDisplay({width, height, 32});
    g_nDisplayBits = GetDisplayColorDepth();
    std::srand(seed);
    CreateDefaultPalette(g_defaultPalette);
    player.document = std::make_unique<CVesperDoc>();
    if (!player.document->LoadSceneOfAnyFile(path)) {
        player.problem = SceneNotLoadedText(path, player.document.get());
        Stop(player);
        return 0;
    }
    g_stage.LoadScene(player.document.get(), width, height);
    if (!g_stage.m_pFrame) {
        player.problem = std::string("the scene in ") + path +
                         " shows no background (no picture, or a background the player cannot render).";
        Stop(player);
        return 0;
    }
    ShowCaption(path, *player.document);
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* vesper_problem()
{
    return ThePlayer().problem.c_str();
}

EMSCRIPTEN_KEEPALIVE void vesper_close()
{
    Stop(ThePlayer());
}

EMSCRIPTEN_KEEPALIVE void vesper_set_speed(int speed)
{
    ThePlayer().pacing.SetSpeed(speed);
}

// Runs `count` ticks now, whatever the pace.
EMSCRIPTEN_KEEPALIVE void vesper_tick(int count)
{
    Player& player = ThePlayer();
    if (!player.document)
        return;
    for (int i = 0; i < count; ++i)
        g_stage.Tick();
    player.ticks += count;
}

// An animation frame at `now` (ms): the ticks of the timer events due by
// then. Returns how many ran.
EMSCRIPTEN_KEEPALIVE int vesper_frame(double now)
{
    Player& player = ThePlayer();
    if (!player.document)
        return 0;
    const int due = player.pacing.TicksDue(now);
    vesper_tick(due);
    return due;
}

EMSCRIPTEN_KEEPALIVE double vesper_ticks()
{
    return static_cast<double>(ThePlayer().ticks);
}

// The stage for a canvas area of device pixels: width, height and the factor
// (0: the preview stage, fitted).
EMSCRIPTEN_KEEPALIVE const int* vesper_stage_for(int deviceWidth, int deviceHeight, double devicePixelRatio)
{
    Player& player = ThePlayer();
    const auto chosen = vesper::web::StageForCanvas({deviceWidth, deviceHeight}, devicePixelRatio);
    player.stageOut[0] = chosen.stage.cx;
    player.stageOut[1] = chosen.stage.cy;
    player.stageOut[2] = chosen.factor;
    return player.stageOut;
}

}  // extern "C"
