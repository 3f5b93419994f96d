// The player's patchable block: one record in the program's initialised data
// that the packaging tool finds by its marker and rewrites in the program
// file. It holds the file offset of the scene appended to the program and
// string resource 1 (the saver's title and credit line joined by "|").
//
// An unpackaged player carries sceneOffset 0 ("no scene appended"; loading its
// scene fails cleanly) and an empty string resource 1 (LoadStringA returns 0).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace vesper::platform {

inline constexpr std::size_t kPatchableMarkerSize = 16;
// Bytes of string resource 1, the terminating NUL included.
inline constexpr std::size_t kStringResourceCapacity = 200;
inline constexpr DWORD kPatchableFormatVersion = 1;
inline constexpr DWORD kNoSceneAppended = 0;

// Layout of the block, identical in memory and in the program file.
struct PatchableData {
    BYTE marker[kPatchableMarkerSize];
    DWORD formatVersion;
    DWORD sceneOffset;
    char stringResource1[kStringResourceCapacity];
};
static_assert(sizeof(PatchableData) == kPatchableMarkerSize + 8 + kStringResourceCapacity);

// The marker, read from this program's own block at run time, so that the
// program file holds the marker bytes exactly once.
std::array<BYTE, kPatchableMarkerSize> PatchableMarker();

// This program's values.
DWORD ProgramSceneOffset();
std::string ProgramStringResource1();

// The values held by a block in a file image.
struct PatchableValues {
    DWORD formatVersion = 0;
    DWORD sceneOffset = kNoSceneAppended;
    std::string stringResource1;
};

// A value, or the reason why there is none.
template <typename T>
struct Outcome {
    std::optional<T> value;
    std::string error;
    explicit operator bool() const { return value.has_value(); }
};

// Offset of the one block in a file image. Refused when the marker is absent
// or occurs more than once, when the block runs past the end of the image, or
// when its format version is not the one this program knows.
Outcome<std::size_t> FindPatchableBlock(std::span<const BYTE> image);
Outcome<PatchableValues> ReadPatchableValues(std::span<const BYTE> image);
// A copy of the image with sceneOffset and string resource 1 rewritten (the
// rest of the string area zero-filled). Refused when the block cannot be
// found or the string does not fit with its NUL (at most 199 characters) or
// holds a NUL itself.
Outcome<std::vector<BYTE>> PatchPatchableValues(std::span<const BYTE> image, DWORD sceneOffset,
                                                std::string_view stringResource1);

}  // namespace vesper::platform

// This program's block. Kept by the compiler and the linker and read through
// volatile, because the packaging tool changes its bytes in the file after
// the program was built.
extern volatile vesper::platform::PatchableData g_patchableData;
