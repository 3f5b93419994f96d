#include "scene/scene_source.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>

#include "scene/pe_image.h"

namespace vesper::scene {
namespace {

// The first bytes of programs that cannot hold a scene of their own.
constexpr BYTE kElfMagic[] = {0x7F, 'E', 'L', 'F'};
constexpr BYTE kScriptMagic[] = {'#', '!'};

template <std::size_t N>
bool StartsWith(std::span<const BYTE> file, const BYTE (&magic)[N])
{
    return file.size() >= N && std::equal(magic, magic + N, file.begin());
}

bool HoldsPatchableMarker(std::span<const BYTE> file)
{
    const auto marker = platform::PatchableMarker();
    return std::search(file.begin(), file.end(), marker.begin(), marker.end()) != file.end();
}

platform::Outcome<SceneSource> VesperSaver(std::span<const BYTE> file, const platform::PatchableValues& block)
{
    SceneSource source;
    source.kind = HasDosSignature(file) ? SceneFileKind::vesperWindowsSaver : SceneFileKind::vesperLinuxSaver;
    source.block = block;
    if (source.kind == SceneFileKind::vesperWindowsSaver) {
        if (const auto image = ReadPeImage(file))
            source.peStringResource1 = image.value->stringResource1;
    }
    if (block.sceneOffset == platform::kNoSceneAppended)
        source.sceneOffset.reset();
    else
        source.sceneOffset = block.sceneOffset;
    return {std::move(source), {}};
}

platform::Outcome<SceneSource> ForeignSaver(std::span<const BYTE> file)
{
    const auto image = ReadPeImage(file);
    if (!image)
        return {std::nullopt, "not a Windows program that can hold a scene: " + image.error};
    if (image.value->imageEnd >= file.size())
        return {std::nullopt, "a Windows program with nothing after its image (" +
                                  std::to_string(image.value->imageEnd) + " bytes), so no scene"};
    if (image.value->imageEnd > static_cast<std::uint64_t>(LONG_MAX))
        return {std::nullopt, "a Windows program too large for its scene to be found"};
    SceneSource source;
    source.kind = SceneFileKind::foreignWindowsSaver;
    source.sceneOffset = static_cast<DWORD>(image.value->imageEnd);
    source.peStringResource1 = image.value->stringResource1;
    return {std::move(source), {}};
}

}  // namespace

const char* SceneFileKindName(SceneFileKind kind)
{
    switch (kind) {
    case SceneFileKind::bareScene: return "bare scene";
    case SceneFileKind::vesperLinuxSaver: return "Vesper saver for Linux";
    case SceneFileKind::vesperWindowsSaver: return "Vesper saver for Windows";
    case SceneFileKind::foreignWindowsSaver: return "Windows saver";
    }
    return "unknown";
}

platform::Outcome<SceneSource> ClassifySceneFile(std::span<const BYTE> file)
{
    if (HoldsPatchableMarker(file)) {
        const auto block = platform::ReadPatchableValues(file);
        if (!block)
            return {std::nullopt, "a Vesper player whose patchable block cannot be read: " + block.error};
        return VesperSaver(file, *block.value);
    }
    if (HasDosSignature(file))
        return ForeignSaver(file);
    if (StartsWith(file, kElfMagic) || StartsWith(file, kScriptMagic))
        return {std::nullopt, "a program that is not a Vesper saver (it has no patchable block), so no scene"};
    return {SceneSource{}, {}};
}

platform::Outcome<SceneSource> LocateSceneInFile(const std::string& path)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return {std::nullopt, "cannot read " + path};
    auto source = ClassifySceneFile(*bytes);
    if (!source)
        return {std::nullopt, path + " is " + source.error};
    return source;
}

std::optional<std::vector<BYTE>> ReadWholeFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::vector<BYTE> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
}

}  // namespace vesper::scene
