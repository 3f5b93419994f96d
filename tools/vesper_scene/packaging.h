// Packaging: a player program followed by a scene, with the player's
// patchable block pointing at the scene and holding the title and credit line.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"

namespace vesper::tools {

// The packaged program: the player's image (a player that is already packaged
// gives up its old scene), then the scene; sceneOffset is the image size.
// Refused when the player has no single usable block, its image is too large
// for the 32-bit positive offset the loader accepts, or the scene is empty.
platform::Outcome<std::vector<BYTE>> PackageScene(std::span<const BYTE> player, std::span<const BYTE> scene,
                                                  std::string_view stringResource1);

}  // namespace vesper::tools
