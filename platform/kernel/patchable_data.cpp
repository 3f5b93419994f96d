#include "platform/kernel/patchable_data.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <version>

using vesper::platform::PatchableData;

// The marker bytes appear here only: everything else reads them back from
// this block at run time.
[[gnu::used]] volatile PatchableData g_patchableData = {
    {0x56, 0x65, 0x73, 0x70, 0x65, 0x72, 0x2D, 0x50, 0x61, 0x74, 0x63, 0x68, 0xB7, 0x1E, 0xD4, 0x3A},
    vesper::platform::kPatchableFormatVersion,
    vesper::platform::kNoSceneAppended,
    "",
};

namespace vesper::platform {
namespace {

constexpr std::size_t kVersionOffset = offsetof(PatchableData, formatVersion);
constexpr std::size_t kSceneOffsetOffset = offsetof(PatchableData, sceneOffset);
constexpr std::size_t kStringOffset = offsetof(PatchableData, stringResource1);

DWORD ReadLittleEndian32(const BYTE* bytes)
{
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
           static_cast<DWORD>(bytes[3]) << 24;
}

void WriteLittleEndian32(BYTE* bytes, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

// The string up to its first NUL; a string area without one gives its first
// capacity - 1 characters, the last byte being reserved for the terminator.
std::string StringOfArea(const char* area)
{
    const std::size_t length = std::find(area, area + kStringResourceCapacity - 1, '\0') - area;
    return std::string(area, length);
}

}  // namespace

std::array<BYTE, kPatchableMarkerSize> PatchableMarker()
{
    std::array<BYTE, kPatchableMarkerSize> marker{};
    for (std::size_t i = 0; i < marker.size(); ++i)
        marker[i] = g_patchableData.marker[i];
    return marker;
}

DWORD ProgramSceneOffset()
{
    return g_patchableData.sceneOffset;
}

std::string ProgramStringResource1()
{
    char area[kStringResourceCapacity];
    for (std::size_t i = 0; i < kStringResourceCapacity; ++i)
        area[i] = g_patchableData.stringResource1[i];
    return StringOfArea(area);
}

Outcome<std::size_t> FindPatchableBlock(std::span<const BYTE> image)
{
    const auto marker = PatchableMarker();
    // The skipping searcher where the C++ library has it (not libc++ 13).
#ifdef __cpp_lib_boyer_moore_searcher
    const std::boyer_moore_horspool_searcher searcher(marker.begin(), marker.end());
#else
    const std::default_searcher searcher(marker.begin(), marker.end());
#endif
    std::optional<std::size_t> found;
    for (auto at = image.begin();;) {
        at = std::search(at, image.end(), searcher);
        if (at == image.end())
            break;
        if (found)
            return {std::nullopt, "the patchable block's marker occurs more than once"};
        found = static_cast<std::size_t>(at - image.begin());
        ++at;
    }
    if (!found)
        return {std::nullopt, "no patchable block (not a Vesper player)"};
    if (image.size() - *found < sizeof(PatchableData))
        return {std::nullopt, "the patchable block is cut short by the end of the file"};
    const DWORD version = ReadLittleEndian32(image.data() + *found + kVersionOffset);
    if (version != kPatchableFormatVersion)
        return {std::nullopt, "unknown patchable block version " + std::to_string(version)};
    return {found, {}};
}

Outcome<PatchableValues> ReadPatchableValues(std::span<const BYTE> image)
{
    const auto block = FindPatchableBlock(image);
    if (!block)
        return {std::nullopt, block.error};
    const BYTE* start = image.data() + *block.value;
    PatchableValues values;
    values.formatVersion = ReadLittleEndian32(start + kVersionOffset);
    values.sceneOffset = ReadLittleEndian32(start + kSceneOffsetOffset);
    values.stringResource1 = StringOfArea(reinterpret_cast<const char*>(start + kStringOffset));
    return {values, {}};
}

Outcome<std::vector<BYTE>> PatchPatchableValues(std::span<const BYTE> image, DWORD sceneOffset,
                                                std::string_view stringResource1)
{
    if (stringResource1.size() >= kStringResourceCapacity)
        return {std::nullopt, "string resource 1 is longer than " + std::to_string(kStringResourceCapacity - 1) +
                                  " characters"};
    if (stringResource1.find('\0') != std::string_view::npos)
        return {std::nullopt, "string resource 1 holds a NUL character"};
    const auto block = FindPatchableBlock(image);
    if (!block)
        return {std::nullopt, block.error};
    std::vector<BYTE> patched(image.begin(), image.end());
    BYTE* start = patched.data() + *block.value;
    WriteLittleEndian32(start + kSceneOffsetOffset, sceneOffset);
    std::memset(start + kStringOffset, 0, kStringResourceCapacity);
    std::memcpy(start + kStringOffset, stringResource1.data(), stringResource1.size());
    return {std::move(patched), {}};
}

}  // namespace vesper::platform
