// Feeds arbitrary text to vesper-scene build's reader of JSON scene
// descriptions, with a picture folder holding a small .bmp and a small PNG
// that descriptions may name ("a.bmp", "b.png"). A description that builds
// must give a scene that stores, loads again and stores to the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/archive.h"
#include "fuzz/scene_bytes.h"
#include "imaging/picture_limits.h"
#include "tools/vesper_scene/png_codec.h"
#include "tools/vesper_scene/scene_description.h"

namespace {

std::filesystem::path g_pictures;

void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// A 2 x 2 24-bit .bmp, bottom row blue and green, top row red and white.
std::vector<BYTE> SmallBmp()
{
    std::vector<BYTE> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                             1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<BYTE> rows = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 0};
    bmp.insert(bmp.end(), rows.begin(), rows.end());
    return bmp;
}

void MakePictureFolder()
{
    char folder[] = "/tmp/vesper-description-fuzz-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    g_pictures = folder;
    WriteBytes(g_pictures / "a.bmp", SmallBmp());
    vesper::tools::RgbaImage image{3, 2, std::vector<BYTE>(3 * 2 * 4, 0)};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<BYTE>(i % 4 == 3 ? (i < 12 ? 255 : 0) : i * 40);
    WriteBytes(g_pictures / "b.png", *vesper::tools::EncodePng(image).value);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    AnswerMessageBoxesAtOnce();
    vesper::imaging::SetPictureLimits({1024, std::uint64_t{3} << 16, 16u << 10, 64});
    MakePictureFolder();
    std::atexit([] { std::filesystem::remove_all(g_pictures); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CVesperDoc doc;
    const auto report = vesper::tools::BuildSceneFromText(text, "fuzz.json", g_pictures, doc);
    if (report.Succeeded()) {
        const std::vector<BYTE> stored = StoreToBytes(doc);
        CVesperDoc again;
        if (!LoadSceneBytes(again, stored) || StoreToBytes(again) != stored)
            __builtin_trap();
    }
    doc.DeleteContents();
    return 0;
}
