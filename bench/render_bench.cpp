// Background rendering at stage sizes, in time per output pixel: pictures
// stretched, converted, tiled and centred, gradients and solid colours. The
// quantiser runs once per screen pixel whenever a scene loads, so these are
// the figures that decide how long the saver takes to start.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "imaging/quantizer.h"
#include "imaging/renderers.h"

namespace {

// A picture of smooth colour ramps with some noise, so that neighbouring
// pixels differ as in a photograph. 8-bit pictures get a 256-colour table.
HGLOBAL MakePicture(int width, int height, WORD bits)
{
    HGLOBAL block = CreatePackedDIB(width, height, bits);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
    auto* table = reinterpret_cast<RGBQUAD*>(bytes + kInfoHeaderSize);
    const UINT colours = PackedDIBColorCount(header);
    for (UINT i = 0; i < colours; ++i)
        table[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    BYTE* rows = bytes + kInfoHeaderSize + PackedDIBPaletteSize(header);
    const std::size_t stride = *PackedDIBStride(width, bits);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> noise(0, 15);
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows + y * stride;
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                row[3 * x] = BYTE(x * 255 / width + noise(random));
                row[3 * x + 1] = BYTE(y * 255 / height + noise(random));
                row[3 * x + 2] = BYTE((x + y) / 4 + noise(random));
            } else {
                row[x] = BYTE((x + y) / 3 + noise(random));
            }
        }
    }
    GlobalUnlock(block);
    return block;
}

HPALETTE StagePalette()
{
    static const bool created = CreateDefaultPalette(g_defaultPalette) != FALSE;
    (void)created;
    return static_cast<HPALETTE>(g_defaultPalette.GetSafeHandle());
}

// Runs render once per iteration, freeing its output, and reports the time
// per output pixel.
template <class Render>
void MeasurePerPixel(benchmark::State& state, Render render)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    for (auto _ : state) {
        HGLOBAL output = render(width, height);
        if (!output) {
            state.SkipWithError("renderer returned null");
            break;
        }
        benchmark::DoNotOptimize(output);
        FreePackedDIB(output);
    }
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(state.iterations()) * width * height,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void StretchedPicture(benchmark::State& state, WORD bits)
{
    HGLOBAL picture = MakePicture(640, 480, bits);
    MeasurePerPixel(state, [&](int w, int h) { return StretchToStage(picture, w, h, StagePalette()); });
    FreePackedDIB(picture);
}

void BM_Stretch8BitPicture(benchmark::State& state) { StretchedPicture(state, 8); }
void BM_Stretch24BitPicture(benchmark::State& state) { StretchedPicture(state, 24); }

// A picture already of the stage's size, converted as it is.
void ConvertedPicture(benchmark::State& state, WORD bits)
{
    HGLOBAL picture = MakePicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), bits);
    MeasurePerPixel(state, [&](int, int) { return ConvertToStage(picture, StagePalette()); });
    FreePackedDIB(picture);
}

void BM_Convert8BitPicture(benchmark::State& state) { ConvertedPicture(state, 8); }
void BM_Convert24BitPicture(benchmark::State& state) { ConvertedPicture(state, 24); }

void BM_Tile8BitPicture(benchmark::State& state)
{
    HGLOBAL picture = MakePicture(640, 480, 8);
    MeasurePerPixel(state, [&](int w, int h) { return TileOnStage(picture, StagePalette(), w, h); });
    FreePackedDIB(picture);
}

void BM_Centre8BitPicture(benchmark::State& state)
{
    HGLOBAL picture = MakePicture(640, 480, 8);
    MeasurePerPixel(state, [&](int w, int h) { return CentreOnStage(picture, StagePalette(), w, h); });
    FreePackedDIB(picture);
}

void BM_VerticalGradient(benchmark::State& state)
{
    MeasurePerPixel(state, [](int w, int h) { return FillGradient(RGB(0, 0, 0), RGB(0, 0, 128), w, h, FALSE, StagePalette()); });
}

void BM_HorizontalGradient(benchmark::State& state)
{
    MeasurePerPixel(state, [](int w, int h) { return FillGradient(RGB(250, 20, 0), RGB(0, 90, 200), w, h, TRUE, StagePalette()); });
}

void BM_Solid(benchmark::State& state)
{
    MeasurePerPixel(state, [](int w, int h) { return FillSolid(RGB(70, 130, 180), w, h, StagePalette()); });
}

// For comparison: QuantizePixel called once per pixel of a 24-bit picture of
// the stage's size, as the quantiser's definition reads, into a plain buffer.
void BM_QuantizePixelPerPixel24Bit(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    HGLOBAL picture = MakePicture(width, height, 24);
    const auto* rows = static_cast<const BYTE*>(GlobalLock(picture)) + kInfoHeaderSize;
    const std::size_t stride = *PackedDIBStride(width, 24);
    std::vector<BYTE> output(static_cast<std::size_t>(width) * height);
    for (auto _ : state) {
        for (int y = 0; y < height; ++y) {
            const BYTE* row = rows + y * stride;
            BYTE* out = output.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x)
                out[x] = QuantizePixel(row[3 * x + 2], row[3 * x + 1], row[3 * x], DitherThreshold(x, y));
        }
        benchmark::ClobberMemory();
    }
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(state.iterations()) * width * height,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    GlobalUnlock(picture);
    FreePackedDIB(picture);
}

void StageSizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_Stretch8BitPicture)->Apply(StageSizes);
BENCHMARK(BM_Stretch24BitPicture)->Apply(StageSizes);
BENCHMARK(BM_Convert8BitPicture)->Apply(StageSizes);
BENCHMARK(BM_Convert24BitPicture)->Apply(StageSizes);
BENCHMARK(BM_Tile8BitPicture)->Apply(StageSizes);
BENCHMARK(BM_Centre8BitPicture)->Apply(StageSizes);
BENCHMARK(BM_VerticalGradient)->Apply(StageSizes);
BENCHMARK(BM_HorizontalGradient)->Apply(StageSizes);
BENCHMARK(BM_Solid)->Apply(StageSizes);
BENCHMARK(BM_QuantizePixelPerPixel24Bit)->Apply(StageSizes);

BENCHMARK_MAIN();
