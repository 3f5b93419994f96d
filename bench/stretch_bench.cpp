// StretchDIBits one to one from an 8-bit frame to a 32-bit screen (the copy
// of every changed rectangle to the window), next to a memcpy of the 32-bit
// rectangle it writes, in the same run: whole 1080p frames and rectangles of
// the sizes a tick copies. Reported per pixel and in bytes written a second.
// Also a stage rectangle magnified k times into whole blocks of a 4K screen,
// as a magnified tick copies it. Also the halftone stretch of a preview: the whole 640x480 stage into
// preview windows of two sizes, and the part of one that a sprite's
// rectangle reaches.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kBytesPerScreenPixel = 4;
// Where rectangles smaller than the screen start: off every alignment.
constexpr int kLeft = 37;
constexpr int kTop = 51;

// A bottom-up 8-bit frame (of the screen's size unless given) with a
// 256-colour table of random colours and random pixels.
struct Frame {
    explicit Frame(int width = kScreenWidth, int height = kScreenHeight)
    {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> byte(0, 255);
        info.resize(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        for (std::size_t i = sizeof(BITMAPINFOHEADER); i < info.size(); ++i)
            info[i] = static_cast<BYTE>(byte(random));
        bits.resize(static_cast<std::size_t>(width) * height);
        for (BYTE& pixel : bits)
            pixel = static_cast<BYTE>(byte(random));
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }

    std::vector<BYTE> info;
    std::vector<BYTE> bits;
};

int LeftOf(int width) { return width == kScreenWidth ? 0 : kLeft; }
int TopOf(int height) { return height == kScreenHeight ? 0 : kTop; }

void ReportPixels(benchmark::State& state, int width, int height)
{
    const double pixels = static_cast<double>(state.iterations()) * width * height;
    state.counters["per_pixel"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<std::int64_t>(pixels) * kBytesPerScreenPixel);
}

void BM_EightBitFrameToScreen(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    vesper::platform::UseHeadlessDisplay({kScreenWidth, kScreenHeight, 32});
    const Frame frame;
    HDC screen = GetDC(nullptr);
    const int left = LeftOf(width);
    const int top = TopOf(height);
    for (auto _ : state) {
        // The frame is bottom-up: source rows count from its bottom.
        const int rows = StretchDIBits(screen, left, top, width, height, left, kScreenHeight - (top + height), width,
                                       height, frame.bits.data(), frame.Info(), DIB_RGB_COLORS, SRCCOPY);
        benchmark::DoNotOptimize(rows);
    }
    ReleaseDC(nullptr, screen);
    ReportPixels(state, width, height);
}

void BM_MemcpyOfScreenRectangle(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::size_t stride = static_cast<std::size_t>(kScreenWidth) * kBytesPerScreenPixel;
    std::vector<BYTE> from(stride * kScreenHeight, 1);
    std::vector<BYTE> to(stride * kScreenHeight, 2);
    const std::size_t start = static_cast<std::size_t>(TopOf(height)) * stride +
                              static_cast<std::size_t>(LeftOf(width)) * kBytesPerScreenPixel;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kBytesPerScreenPixel;
    for (auto _ : state) {
        for (int row = 0; row < height; ++row)
            std::memcpy(to.data() + start + row * stride, from.data() + start + row * stride, rowBytes);
        benchmark::ClobberMemory();
    }
    ReportPixels(state, width, height);
}

void BM_MagnifiedRectangleToScreen(benchmark::State& state)
{
    constexpr int kLargeWidth = 3840;
    constexpr int kLargeHeight = 2160;
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int k = static_cast<int>(state.range(2));
    vesper::platform::UseHeadlessDisplay({kLargeWidth, kLargeHeight, 32});
    const Frame frame(kLargeWidth / k, kLargeHeight / k);
    HDC screen = GetDC(nullptr);
    SetStretchBltMode(screen, COLORONCOLOR);
    for (auto _ : state) {
        const int rows = StretchDIBits(screen, kLeft * k, kTop * k, width * k, height * k, kLeft,
                                       kLargeHeight / k - (kTop + height), width, height, frame.bits.data(),
                                       frame.Info(), DIB_RGB_COLORS, SRCCOPY);
        benchmark::DoNotOptimize(rows);
    }
    ReleaseDC(nullptr, screen);
    ReportPixels(state, width * k, height * k);
}

void RectangleSizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Args({kScreenWidth, kScreenHeight})->Args({400, 300})->Args({120, 90})->Args({45, 45});
}

constexpr int kStageWidth = 640;
constexpr int kStageHeight = 480;

// The stage stretched into a preview window of width x height at the screen's
// corner, clipped to the given part of it (the whole window when empty).
void BM_HalftoneStageIntoPreview(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int clipWidth = state.range(2) ? static_cast<int>(state.range(2)) : width;
    const int clipHeight = state.range(3) ? static_cast<int>(state.range(3)) : height;
    vesper::platform::UseHeadlessDisplay({kScreenWidth, kScreenHeight, 32});
    const Frame frame(kStageWidth, kStageHeight);
    HDC screen = GetDC(nullptr);
    SetStretchBltMode(screen, HALFTONE);
    IntersectClipRect(screen, kLeft / 4, kTop / 4, kLeft / 4 + clipWidth, kTop / 4 + clipHeight);
    for (auto _ : state) {
        const int rows = StretchDIBits(screen, 0, 0, width, height, 0, 0, kStageWidth, kStageHeight, frame.bits.data(),
                                       frame.Info(), DIB_RGB_COLORS, SRCCOPY);
        benchmark::DoNotOptimize(rows);
    }
    ReleaseDC(nullptr, screen);
    ReportPixels(state, clipWidth, clipHeight);
}

BENCHMARK(BM_EightBitFrameToScreen)->Apply(RectangleSizes);
BENCHMARK(BM_MemcpyOfScreenRectangle)->Apply(RectangleSizes);
BENCHMARK(BM_MagnifiedRectangleToScreen)->Args({120, 90, 3})->Args({45, 45, 3})->Args({400, 300, 2});
BENCHMARK(BM_HalftoneStageIntoPreview)->Args({320, 240, 0, 0})->Args({152, 112, 0, 0})->Args({320, 240, 30, 30});

}  // namespace

BENCHMARK_MAIN();
