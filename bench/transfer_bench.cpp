// CDIB8BPP::TransferTo on sprite-sized rectangles, opaque and with a key
// index, next to a plain memcpy of the same rows in the same run: the inner
// loop of every redraw, in time per pixel.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>
#include <random>

#include "imaging/dib8bpp.h"

namespace {

constexpr BYTE kKeyIndex = 1;
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
// Where the rectangle lands in the frame buffer: off the 4-byte grid, as
// sprites usually are.
constexpr int kTargetX = 37;
constexpr int kTargetY = 51;

enum class Transparency { none, solid, speckled };

// A size × size sprite frame. Solid transparency: a disc of picture on a key
// background, so whole runs are kept or left out; speckled: about half the
// pixels are the key, at random.
void FillSprite(CDIB8BPP& sprite, int size, Transparency transparency)
{
    sprite.Create(size, size);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> index(2, 255);
    std::bernoulli_distribution coin(0.5);
    const double radius = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - radius, dy = y + 0.5 - radius;
            bool transparent = false;
            if (transparency == Transparency::solid)
                transparent = dx * dx + dy * dy > radius * radius;
            else if (transparency == Transparency::speckled)
                transparent = coin(random);
            *sprite.PixelAddress(x, y) = transparent ? kKeyIndex : static_cast<BYTE>(index(random));
        }
    }
}

void ReportPerPixel(benchmark::State& state, int size)
{
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(state.iterations()) * size * size,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Holds a frame's block locked for a scope, through `locked`, as a caller
// that makes many transfers may.
class CallerLock {
public:
    explicit CallerLock(CDIB8BPP& frame) : m_frame(frame)
    {
        frame.locked = static_cast<BYTE*>(GlobalLock(frame.block));
    }
    ~CallerLock()
    {
        GlobalUnlock(m_frame.block);
        m_frame.locked = nullptr;
    }
    CallerLock(const CallerLock&) = delete;
    CallerLock& operator=(const CallerLock&) = delete;

private:
    CDIB8BPP& m_frame;
};

// Unlocked frames (each transfer finds the blocks' bytes itself, as in the
// redraw) or frames the caller holds locked (the copy alone).
void BM_TransferTo(benchmark::State& state, Transparency transparency, bool callerLocks)
{
    const int size = static_cast<int>(state.range(0));
    CDIB8BPP frame;
    frame.Create(kFrameWidth, kFrameHeight);
    CDIB8BPP sprite;
    FillSprite(sprite, size, transparency);
    const DWORD key = transparency == Transparency::none ? kCopyAllPixels : PALETTEINDEX(kKeyIndex);
    std::optional<CallerLock> frameLock, spriteLock;
    if (callerLocks) {
        frameLock.emplace(frame);
        spriteLock.emplace(sprite);
    }
    for (auto _ : state) {
        sprite.TransferTo(frame, kTargetX, kTargetY, size, size, 0, 0, key);
        benchmark::ClobberMemory();
    }
    ReportPerPixel(state, size);
}

// The same rows as the opaque transfer, each moved with memcpy.
void BM_MemcpyRows(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    CDIB8BPP frame;
    frame.Create(kFrameWidth, kFrameHeight);
    CDIB8BPP sprite;
    FillSprite(sprite, size, Transparency::none);
    const BYTE* source = sprite.PixelAddress(0, size - 1);
    BYTE* target = frame.PixelAddress(kTargetX, kTargetY + size - 1);
    const std::size_t sourceStride = sprite.GetStride();
    const std::size_t targetStride = frame.GetStride();
    for (auto _ : state) {
        for (int row = 0; row < size; ++row)
            std::memcpy(target + row * targetStride, source + row * sourceStride, static_cast<std::size_t>(size));
        benchmark::ClobberMemory();
    }
    ReportPerPixel(state, size);
}

void SpriteSizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(45)->Arg(100)->Arg(300);
}

}  // namespace

BENCHMARK(BM_MemcpyRows)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, opaque, Transparency::none, false)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, keyed_solid, Transparency::solid, false)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, keyed_speckled, Transparency::speckled, false)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, opaque_locked, Transparency::none, true)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, keyed_solid_locked, Transparency::solid, true)->Apply(SpriteSizes);
BENCHMARK_CAPTURE(BM_TransferTo, keyed_speckled_locked, Transparency::speckled, true)->Apply(SpriteSizes);

BENCHMARK_MAIN();
