// The scene player per tick: sprite steps, the merge of changed rectangles,
// their recomposition and the copy to a headless screen. Reported per tick
// with the number of screen pixels the tick wrote, and the time per such
// pixel. The demo scene is played at 1080p and 2160p; a stage of many
// generated sprites shows how a tick scales; the merge is also timed alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "bench/processor_time.h"
#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "platform/drivers/headless/headless_display.h"
#include "scene/vesper_doc.h"
#include "sprites/anim_sprite.h"
#include "sprites/rect_list.h"
#include "stage/saver_stage.h"

namespace {

// A true-colour headless screen that counts the pixels GDI writes.
class CountingDisplay final : public vesper::platform::HeadlessDisplay {
public:
    using HeadlessDisplay::HeadlessDisplay;
    void AreaChanged(const RECT& area) override
    {
        pixels += static_cast<double>(area.right - area.left) * (area.bottom - area.top);
        HeadlessDisplay::AreaChanged(area);
    }
    double pixels = 0;
};

CountingDisplay& UseCountingDisplay(int width, int height)
{
    auto display = std::make_unique<CountingDisplay>(vesper::platform::DisplayMode{width, height, 32});
    CountingDisplay& made = *display;
    vesper::platform::UseDisplay(std::move(display));
    return made;
}

// A side × side 24-bit picture of one colour with a key-coloured left
// column, so that the sprite has transparent pixels to leave out.
HGLOBAL SquarePicture(int side, BYTE red, BYTE green, BYTE blue)
{
    HGLOBAL block = CreatePackedDIB(side, side, 24);
    const DWORD stride = *PackedDIBStride(side, 24);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    for (int row = 0; row < side; ++row) {
        BYTE* pixel = bytes + sizeof(BITMAPINFOHEADER) + static_cast<std::size_t>(row) * stride;
        for (int x = 0; x < side; ++x, pixel += 3) {
            const bool key = x == 0;
            pixel[0] = key ? 255 : blue;
            pixel[1] = key ? 0 : green;
            pixel[2] = key ? 255 : red;
        }
    }
    GlobalUnlock(block);
    return block;
}

// A scene of `count` squares of 8 to `largest` pixels moving in every
// direction, rebounding or wrapping at the edges, over a gradient.
std::unique_ptr<CVesperDoc> ManySpriteScene(int count, int largest)
{
    auto doc = std::make_unique<CVesperDoc>();
    doc->backgroundKind = CVesperDoc::backgroundGradient;
    doc->gradientFrom = RGB(10, 20, 60);
    doc->gradientTo = RGB(240, 160, 90);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> x(0, 620), y(0, 460), velocity(-60, 60), side(8, largest), level(0, 255);
    for (int i = 0; i < count; ++i) {
        auto* sprite = new CAnimSprite;
        const int s = side(random);
        sprite->image.dib = SquarePicture(s, static_cast<BYTE>(level(random)), static_cast<BYTE>(level(random)),
                                          static_cast<BYTE>(level(random)));
        sprite->phaseHeight = s;
        sprite->x = x(random);
        sprite->y = y(random);
        sprite->dx = velocity(random);
        sprite->dy = velocity(random);
        sprite->edgeMode = i % 2 ? EdgeRebound : EdgeWrap;
        doc->sprites.AddSprite(sprite);
    }
    return doc;
}

// One stage playing one document on its own counting screen.
struct Play {
    Play(std::unique_ptr<CVesperDoc> scene, int width, int height)
        : screen(UseCountingDisplay(width, height)), doc(std::move(scene))
    {
        std::srand(1);
        CreateDefaultPalette(g_defaultPalette);
        stage = std::make_unique<CSaverStage>();
        stage->LoadScene(doc.get(), width, height);
        // The first flush also carries the placement areas; start after it.
        stage->Tick();
    }
    ~Play()
    {
        stage.reset();
        doc->DeleteContents();
    }

    // With a pause, each tick follows `pause` of sleep, as in a running saver,
    // and only the tick's own processor time counts.
    void Measure(benchmark::State& state, std::chrono::milliseconds pause = {})
    {
        if (!stage->m_pFrame) {
            state.SkipWithError("the scene has no background");
            return;
        }
        screen.pixels = 0;
        for (auto _ : state) {
            if (pause.count() == 0) {
                stage->Tick();
                continue;
            }
            std::this_thread::sleep_for(pause);
            const double before = ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID);
            stage->Tick();
            state.SetIterationTime(ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID) - before);
        }
        const double perTick = screen.pixels / static_cast<double>(state.iterations());
        state.counters["changed_px"] = perTick;
        state.counters["per_changed_px"] =
            benchmark::Counter(screen.pixels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    CountingDisplay& screen;
    std::unique_ptr<CVesperDoc> doc;
    std::unique_ptr<CSaverStage> stage;
};

std::unique_ptr<CVesperDoc> DemoScene(benchmark::State& state)
{
#ifdef VESPER_DEMO_SCENE
    const std::string path = VESPER_DEMO_SCENE;
#else
    const std::string path;
#endif
    if (path.empty() || !std::filesystem::exists(path)) {
        state.SkipWithError("demo scene not built (target demo_scene)");
        return nullptr;
    }
    std::srand(1);  // the document's sprites draw pause numbers as they load
    auto doc = std::make_unique<CVesperDoc>();
    if (!doc->LoadSceneFromFile(path, 0)) {
        state.SkipWithError("the demo scene does not load");
        return nullptr;
    }
    return doc;
}

void BM_DemoTick(benchmark::State& state)
{
    if (auto doc = DemoScene(state)) {
        Play play(std::move(doc), static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
        play.Measure(state);
    }
}
BENCHMARK(BM_DemoTick)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The same ticks 20 ms apart, the pace of a saver at full speed: the
// processor's caches have cooled in between.
void BM_DemoTickEvery20ms(benchmark::State& state)
{
    if (auto doc = DemoScene(state)) {
        Play play(std::move(doc), static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
        play.Measure(state, std::chrono::milliseconds(20));
    }
}
BENCHMARK(BM_DemoTickEvery20ms)
    ->Args({1920, 1080})
    ->UseManualTime()
    ->Iterations(250)
    ->Unit(benchmark::kMicrosecond);

void BM_ManySpritesTick(benchmark::State& state)
{
    Play play(ManySpriteScene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), 1920, 1080);
    play.Measure(state);
}
// Squares of up to 40 pixels soon cover a 1080p stage so densely that the
// merge makes one rectangle of it; squares of up to 12 leave many apart.
BENCHMARK(BM_ManySpritesTick)
    ->Args({100, 40})
    ->Args({500, 40})
    ->Args({2000, 40})
    ->Args({5000, 40})
    ->Args({2000, 12})
    ->Unit(benchmark::kMillisecond);

// MergeOverlaps alone on what a tick of n moving sprites of 4 to `largest`
// pixels leaves on a 1080p stage: for each, its old and new rectangle, added
// with AddRect. Small sprites leave many rectangles apart, larger ones chain
// into one.
void BM_MergeOverlaps(benchmark::State& state)
{
    const auto count = static_cast<int>(state.range(0));
    std::mt19937 random(5);
    std::uniform_int_distribution<int> x(0, 1900), y(0, 1060), step(-4, 4), side(4, static_cast<int>(state.range(1)));
    std::vector<RECT> moves;
    for (int i = 0; i < count; ++i) {
        const int left = x(random), top = y(random), w = side(random), h = side(random);
        const int dx = step(random), dy = step(random);
        moves.push_back(RECT{left, top, left + w, top + h});
        moves.push_back(RECT{left + dx, top + dy, left + dx + w, top + dy + h});
    }
    CRectList list;
    for (auto _ : state) {
        state.PauseTiming();
        list.DeleteAllRects();
        for (const RECT& r : moves)
            list.AddRect(&r);
        state.ResumeTiming();
        list.MergeOverlaps();
    }
    state.counters["merged"] = static_cast<double>(list.GetCount());
    list.DeleteAllRects();
}
BENCHMARK(BM_MergeOverlaps)
    ->Args({1000, 12})
    ->Args({2000, 12})
    ->Args({5000, 12})
    ->Args({1000, 48})
    ->Args({5000, 48})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
