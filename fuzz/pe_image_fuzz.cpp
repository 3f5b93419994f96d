// Feeds arbitrary bytes to the PE reader and to the classification of files
// that hold a scene. Besides the sanitizers' checks: an image that is read
// ends inside the file, and a scene found after a program image starts
// inside the file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "scene/pe_image.h"
#include "scene/scene_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const BYTE> file(data, size);
    if (const auto image = vesper::scene::ReadPeImage(file); image && image.value->imageEnd > size)
        __builtin_trap();
    const auto source = vesper::scene::ClassifySceneFile(file);
    if (source && source.value->kind == vesper::scene::SceneFileKind::foreignWindowsSaver &&
        *source.value->sceneOffset >= size)
        __builtin_trap();
    return 0;
}
