// The virtual-key code of a key the compositor reports, from the symbol the
// keymap puts on the key's first level: the meaning of letters and digits as
// the layout gives them, the US layout's codes for punctuation, and
// kUnmappedKey for keys this layer has no code for, so that any key still
// counts as input. (Keyboards made by programs, such as wtype's, come with
// keymaps of their own, so the key's number alone says nothing.)
#pragma once

#include "platform/internal.h"

#include <cstdint>

#include "platform/api/win32_types.h"

namespace vesper::platform::wayland {

inline constexpr UINT kUnmappedKey = 0xFF;

struct VirtualKey {
    UINT code = kUnmappedKey;
    // The key is one of the extended keys (arrows, Insert ..., right Control).
    bool extended = false;
};

// `keysym` is an xkbcommon key symbol.
VirtualKey VirtualKeyOfSymbol(std::uint32_t keysym);

}  // namespace vesper::platform::wayland
