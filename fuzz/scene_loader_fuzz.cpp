// Feeds arbitrary bytes to the scene document's loader as a bare scene
// stream. Besides the sanitizers' checks, a scene that loads must store to a
// stream that loads again and stores to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/archive.h"
#include "fuzz/scene_bytes.h"
#include "imaging/picture_limits.h"

namespace {

std::vector<BYTE> Stored(CVesperDoc& doc)
{
    return StoreToBytes(doc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    AnswerMessageBoxesAtOnce();
    // Small pictures keep each input cheap; the product's limits are tested
    // on their own.
    vesper::imaging::SetPictureLimits({1024, 256u << 10, 16u << 10, 64});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CVesperDoc doc;
    if (LoadSceneBytes(doc, std::vector<BYTE>(data, data + size))) {
        const std::vector<BYTE> first = Stored(doc);
        CVesperDoc again;
        if (!LoadSceneBytes(again, first) || Stored(again) != first)
            __builtin_trap();
    }
    return 0;
}
