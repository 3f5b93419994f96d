// Feeds arbitrary bytes to the recognition of files that hold a scene: Vesper
// players for Linux (ELF) and Windows with their patchable block, other
// programs, bare scenes. Each input is tried as it is and as an ELF program
// with the block's marker planted in its middle, so that the block's fields
// come from the input. A block that reads must take a new scene offset and
// string and read them back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "scene/scene_source.h"

namespace {

constexpr BYTE kElfMagic[] = {0x7F, 'E', 'L', 'F'};
constexpr DWORD kPatchedOffset = 0x2C200;
constexpr std::string_view kPatchedString = "Titre|Auteur";

std::vector<BYTE> ElfWithMarker(std::span<const BYTE> input)
{
    const auto marker = vesper::platform::PatchableMarker();
    const std::size_t half = input.size() / 2;
    std::vector<BYTE> file(std::begin(kElfMagic), std::end(kElfMagic));
    file.insert(file.end(), input.begin(), input.begin() + half);
    file.insert(file.end(), marker.begin(), marker.end());
    file.insert(file.end(), input.begin() + half, input.end());
    return file;
}

void CheckPatching(std::span<const BYTE> file)
{
    if (!vesper::platform::ReadPatchableValues(file))
        return;
    const auto patched = vesper::platform::PatchPatchableValues(file, kPatchedOffset, kPatchedString);
    if (!patched)
        __builtin_trap();  // a block that reads can be patched
    const auto again = vesper::platform::ReadPatchableValues(*patched.value);
    if (!again || again.value->sceneOffset != kPatchedOffset || again.value->stringResource1 != kPatchedString)
        __builtin_trap();
    const auto source = vesper::scene::ClassifySceneFile(*patched.value);
    if (!source || !source.value->sceneOffset || *source.value->sceneOffset != kPatchedOffset)
        __builtin_trap();  // a patched player is a saver whose scene starts where the patch says
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const BYTE> input(data, size);
    vesper::scene::ClassifySceneFile(input);
    CheckPatching(input);
    const std::vector<BYTE> planted = ElfWithMarker(input);
    vesper::scene::ClassifySceneFile(planted);
    CheckPatching(planted);
    return 0;
}
