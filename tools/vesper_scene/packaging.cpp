#include "tools/vesper_scene/packaging.h"

#include <climits>

#include "scene/pe_image.h"
#include "scene/saver_note.h"
#include "tools/vesper_scene/code_page.h"
#include "tools/vesper_scene/pe_patch.h"

namespace vesper::tools {
namespace {

// A Windows player shows string 1 from its string table: the text goes there,
// in place (the block's string area stays empty), and the checksum is made
// again over the whole file once the scene is appended.
platform::Outcome<std::vector<BYTE>> PackageWindowsPlayer(std::span<const BYTE> image, std::span<const BYTE> scene,
                                                          std::string_view stringResource1)
{
    const auto pe = scene::ReadPeImage(image);
    if (!pe)
        return {std::nullopt, "not a Windows program that can be packed: " + pe.error};
    if (!pe.value->stringBlock1)
        return {std::nullopt, "a Windows player without string 1 in its string table, so no place for the title"};
    if (!pe.value->checkSumOffset)
        return {std::nullopt, "a Windows player whose optional header holds no checksum"};
    auto packaged = platform::PatchPatchableValues(image, static_cast<DWORD>(image.size()), "");
    if (!packaged)
        return packaged;
    if (const std::string problem =
            ReplaceStringOfBlock1(*packaged.value, *pe.value->stringBlock1, CodePageToUtf16(stringResource1));
        !problem.empty())
        return {std::nullopt, problem};
    packaged.value->insert(packaged.value->end(), scene.begin(), scene.end());
    UpdatePeCheckSum(*packaged.value, *pe.value->checkSumOffset);
    return packaged;
}

}  // namespace

platform::Outcome<std::vector<BYTE>> PackageScene(std::span<const BYTE> player, std::span<const BYTE> scene,
                                                  std::string_view stringResource1)
{
    if (scene.empty())
        return {std::nullopt, "the scene is empty"};
    const auto block = platform::FindPatchableBlock(player);
    if (!block)
        return {std::nullopt, "the player: " + block.error};
    const auto values = platform::ReadPatchableValues(player);
    std::size_t imageSize = player.size();
    if (values.value->sceneOffset != platform::kNoSceneAppended) {
        if (values.value->sceneOffset > player.size() ||
            *block.value + sizeof(platform::PatchableData) > values.value->sceneOffset)
            return {std::nullopt, "the player's scene offset does not point after its own image"};
        imageSize = values.value->sceneOffset;
    }
    if (imageSize > static_cast<std::size_t>(LONG_MAX))
        return {std::nullopt, "the player is too large for a 32-bit scene offset"};
    if (scene::HasDosSignature(player))
        return PackageWindowsPlayer(player.first(imageSize), scene, stringResource1);
    auto packaged =
        platform::PatchPatchableValues(player.first(imageSize), static_cast<DWORD>(imageSize), stringResource1);
    if (!packaged)
        return packaged;
    if (const std::string problem = scene::MarkPlayerNoteAsSaver(*packaged.value); !problem.empty())
        return {std::nullopt, "the player: " + problem};
    packaged.value->insert(packaged.value->end(), scene.begin(), scene.end());
    return packaged;
}

}  // namespace vesper::tools
