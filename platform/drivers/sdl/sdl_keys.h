// The virtual-key code of an SDL key: the key's meaning for letters and
// digits (as the keyboard layout gives them), its position for every other
// key, and kUnmappedKey for keys this layer has no code for, so that any key
// still counts as input.
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include "platform/api/win32_types.h"

namespace vesper::platform::sdl {

inline constexpr UINT kUnmappedKey = 0xFF;

struct VirtualKey {
    UINT code = kUnmappedKey;
    // The key is one of the extended keys (arrows, Insert ..., right Control).
    bool extended = false;
};

VirtualKey VirtualKeyOf(const SDL_Keysym& key);

}  // namespace vesper::platform::sdl
