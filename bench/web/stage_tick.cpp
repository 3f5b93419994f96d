// What a tick of a scene costs in WebAssembly, run under Node.js: the ticks
// stage_bench's BM_DemoTick times natively (the same scene, stage size and
// random seed, after the same first tick), on the headless screen it uses
// ("headless") or on the page's canvas display ("canvas": each changed area
// also made RGBA and handed across to a script function that does nothing
// with it, as the page hands it to putImageData). The ticks are played twice,
// the first time unmeasured.
//
//   node build/web-cmake/bench/web/stage-tick.js SCENE [WIDTH HEIGHT TICKS headless|canvas]
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "imaging/default_palette.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/web/web_display.h"
#include "scene/vesper_doc.h"
#include "stage/saver_stage.h"

EM_JS(void, vesper_bench_present, (const unsigned char* rgba, int left, int top, int width, int height), {
    // Reading the view as the page does, without drawing it.
    globalThis.vesperBenchAreas = (globalThis.vesperBenchAreas || 0) + (HEAPU8.subarray(rgba, rgba + 4).length > 0);
});

namespace {

void UseScreen(const std::string& kind, int width, int height)
{
    const vesper::platform::DisplayMode mode{width, height, 32};
    if (kind == "canvas")
        vesper::platform::UseDisplay(std::make_unique<vesper::platform::WebDisplay>(
            mode, [](const BYTE* rgba, const RECT& area) {
                vesper_bench_present(rgba, area.left, area.top, area.right - area.left, area.bottom - area.top);
            }));
    else
        vesper::platform::UseHeadlessDisplay(mode);
}

// Loads the scene, plays its first tick and then `ticks` more on a stage of
// the given size: the microseconds each of those took, or nothing when the
// scene does not play (said on standard error).
std::optional<double> Play(const std::string& path, int width, int height, int ticks)
{
    std::srand(1);  // as stage_bench: the sprites draw pause numbers as they load
    auto doc = std::make_unique<CVesperDoc>();
    if (!doc->LoadSceneFromFile(path, 0)) {
        std::fprintf(stderr, "stage-tick: the scene in %s cannot be loaded\n", path.c_str());
        return std::nullopt;
    }
    std::srand(1);
    CreateDefaultPalette(g_defaultPalette);
    auto stage = std::make_unique<CSaverStage>();
    stage->LoadScene(doc.get(), width, height);
    if (!stage->m_pFrame) {
        std::fprintf(stderr, "stage-tick: the scene in %s shows no background\n", path.c_str());
        return std::nullopt;
    }
    stage->Tick();

    const double start = emscripten_get_now();
    for (int i = 0; i < ticks; ++i)
        stage->Tick();
    const double elapsed = emscripten_get_now() - start;
    stage.reset();
    doc->DeleteContents();
    return elapsed * 1000.0 / ticks;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "--help") {
        std::puts("usage: stage-tick.js SCENE [WIDTH HEIGHT TICKS headless|canvas]\n"
                  "Plays SCENE on a WIDTHxHEIGHT stage (1920x1080) and prints the microseconds per tick of TICKS\n"
                  "ticks (10000) after the first, on the headless screen or the page's canvas display.");
        return argc < 2 ? 2 : 0;
    }
    const std::string path = argv[1];
    const int width = argc > 2 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;
    const int ticks = argc > 4 ? std::atoi(argv[4]) : 10000;
    const std::string screen = argc > 5 ? argv[5] : "headless";
    if (width <= 0 || height <= 0 || ticks <= 0 || (screen != "headless" && screen != "canvas")) {
        std::fprintf(stderr, "stage-tick: bad size, tick count or screen (headless or canvas)\n");
        return 2;
    }

    UseScreen(screen, width, height);
    // A first play of the same ticks goes unmeasured: V8 starts WebAssembly
    // in quickly compiled code and optimises what runs hot in the background,
    // as a page does in its first second; the stage then starts again from
    // the same seed, so that the ticks measured are those stage_bench times.
    if (!Play(path, width, height, ticks))
        return 1;
    const std::optional<double> microseconds = Play(path, width, height, ticks);
    if (!microseconds)
        return 1;
    std::printf("%.2f us per tick (%d ticks, %dx%d, %s screen)\n", *microseconds, ticks, width, height,
                screen.c_str());
    return 0;
}
