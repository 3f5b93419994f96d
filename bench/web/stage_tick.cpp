// What a tick of a scene costs in WebAssembly, run under Node.js: the ticks
// stage_bench's BM_DemoTick times natively (the same scene, stage size and
// random seed, after the same first tick), on the headless screen it uses
// ("headless") or on the page's canvas display ("canvas": each changed area
// also made RGBA and handed across to a script function that does nothing
// with it, as the page hands it to putImageData).
//
//   node build/web-cmake/bench/web/stage-tick.js SCENE [WIDTH HEIGHT TICKS headless|canvas]
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
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
    std::srand(1);  // as stage_bench: the sprites draw pause numbers as they load
    auto doc = std::make_unique<CVesperDoc>();
    if (!doc->LoadSceneFromFile(path, 0)) {
        std::fprintf(stderr, "stage-tick: the scene in %s cannot be loaded\n", path.c_str());
        return 1;
    }
    std::srand(1);
    CreateDefaultPalette(g_defaultPalette);
    auto stage = std::make_unique<CSaverStage>();
    stage->LoadScene(doc.get(), width, height);
    if (!stage->m_pFrame) {
        std::fprintf(stderr, "stage-tick: the scene in %s shows no background\n", path.c_str());
        return 1;
    }
    stage->Tick();

    const double start = emscripten_get_now();
    for (int i = 0; i < ticks; ++i)
        stage->Tick();
    const double elapsed = emscripten_get_now() - start;
    std::printf("%.2f us per tick (%d ticks, %dx%d, %s screen)\n", elapsed * 1000.0 / ticks, ticks, width, height,
                screen.c_str());
    stage.reset();
    doc->DeleteContents();
    return 0;
}
