#include "tools/vesper_scene/packaging.h"

#include <climits>

namespace vesper::tools {

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
    auto packaged =
        platform::PatchPatchableValues(player.first(imageSize), static_cast<DWORD>(imageSize), stringResource1);
    if (!packaged)
        return packaged;
    packaged.value->insert(packaged.value->end(), scene.begin(), scene.end());
    return packaged;
}

}  // namespace vesper::tools
