// How long the .bmp reader takes to refuse a run-length bomb: a file of about
// a kilobyte that declares 8000 x 8000 or 16000 x 16000 pixels. The refusal
// must come from the header and the data's length alone, before any row is
// allocated: the target is under 10 ms a file (it takes microseconds), next
// to reading a real 1920 x 1080 run-length picture of the same kind for scale.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/packed_dib.h"

namespace {

constexpr std::size_t kEncodedBytes = 1000;

// A run-length .bmp of width x height: runs of 255 pixels of colour 1 for
// `encodedBytes` bytes, then the end of the picture.
std::vector<BYTE> RunLengthFile(LONG width, LONG height, std::size_t encodedBytes)
{
    std::vector<BYTE> data;
    while (data.size() + 2 < encodedBytes)
        data.insert(data.end(), {255, 1});
    data.insert(data.end(), {0, 1});
    BITMAPINFOHEADER info{};
    info.biSize = kInfoHeaderSize;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biCompression = BI_RLE8;
    info.biSizeImage = static_cast<DWORD>(data.size());
    info.biClrUsed = 2;
    const RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    BITMAPFILEHEADER file{};
    file.bfType = kBitmapFileType;
    file.bfOffBits = kFileHeaderSize + kInfoHeaderSize + sizeof table;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + data.size());
    std::vector<BYTE> bytes(file.bfOffBits);
    std::memcpy(bytes.data(), &file, kFileHeaderSize);
    std::memcpy(bytes.data() + kFileHeaderSize, &info, kInfoHeaderSize);
    std::memcpy(bytes.data() + kFileHeaderSize + kInfoHeaderSize, table, sizeof table);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::string WriteTemporary(const std::vector<BYTE>& bytes)
{
    char path[] = "/tmp/vesper-refusal-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    close(fd);
    return path;
}

void ReadFile(benchmark::State& state, LONG width, LONG height, std::size_t encodedBytes, bool refused)
{
    const std::string path = WriteTemporary(RunLengthFile(width, height, encodedBytes));
    for (auto _ : state) {
        HGLOBAL block = ReadPackedDIBFile(path.c_str());
        if ((block == nullptr) != refused) {
            state.SkipWithError(refused ? "the bomb was read" : "the picture was refused");
            break;
        }
        FreePackedDIB(block);
    }
    std::remove(path.c_str());
}

void BM_RefuseBomb8000(benchmark::State& state) { ReadFile(state, 8000, 8000, kEncodedBytes, true); }
void BM_RefuseBomb16000(benchmark::State& state) { ReadFile(state, 16000, 16000, kEncodedBytes, true); }
// 1920 x 1080 from 16 KiB of runs: within the allowance, so read.
void BM_ReadRunLength1080p(benchmark::State& state) { ReadFile(state, 1920, 1080, 16384, false); }

}  // namespace

BENCHMARK(BM_RefuseBomb8000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefuseBomb16000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadRunLength1080p)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
