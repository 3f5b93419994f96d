#include "tools/vesper_scene/report_format.h"

#include <cstdio>
#include <sstream>

#include "framework/exceptions.h"
#include "sprites/anim_sprite.h"
#include "tools/vesper_scene/code_page.h"

namespace vesper::tools {
namespace {

using nlohmann::json;

std::string Hex(std::uint64_t value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// A text of the scene or the patchable block, shown as UTF-8 in quotes.
std::string Quoted(const std::string& text)
{
    std::string quoted(1, '"');
    quoted.append(CodePageToUtf8(text)).push_back('"');
    return quoted;
}

std::string PictureText(const PictureInfo& picture)
{
    std::ostringstream out;
    out << picture.width << " x " << picture.height << ", " << picture.bitCount << " bits per pixel, compression "
        << picture.compression << ", " << picture.coloursUsed << " colours used, " << picture.storedSize << " bytes";
    return out.str();
}

void WriteSprite(std::ostream& out, std::size_t index, const SpriteInfo& sprite)
{
    out << "  " << index + 1 << ". " << sprite.className << " at (" << sprite.x << ", " << sprite.y << ")";
    if (sprite.picture)
        out << ", " << sprite.picture->width << " x " << sprite.picture->height << " at "
            << sprite.picture->bitCount << " bits";
    else
        out << ", no picture";
    out << ", depth " << sprite.depth;
    if (sprite.phaseCount)
        out << ", phases " << *sprite.phaseCount << " speed " << *sprite.phaseSpeed;
    if (sprite.dx)
        out << ", dx " << *sprite.dx << " dy " << *sprite.dy << ", motion " << *sprite.motion << " ("
            << MotionName(*sprite.motion) << "), edge " << *sprite.edgeMode << " (" << EdgeModeName(*sprite.edgeMode)
            << ")";
    out << "\n";
}

void WriteScene(std::ostream& out, const SceneFields& scene)
{
    out << "scene:\n"
        << "  design size: " << scene.sceneWidth << " x " << scene.sceneHeight << "\n"
        << "  spare word 1: " << scene.spareWord1 << "\n"
        << "  background path: " << Quoted(scene.backgroundPath) << "\n"
        << "  scene name: " << Quoted(scene.sceneName) << "\n"
        << "  background kind: " << scene.backgroundKind << " (" << BackgroundKindName(scene.backgroundKind) << ")\n"
        << "  gradient horizontal: " << scene.gradientHorizontal << "\n"
        << "  image placement: " << scene.imagePlacement << " (" << PlacementName(scene.imagePlacement) << ")\n"
        << "  solid colour: " << Hex(scene.solidColour, 8) << "\n"
        << "  gradient from: " << Hex(scene.gradientFrom, 8) << "\n"
        << "  gradient to: " << Hex(scene.gradientTo, 8) << "\n"
        << "  spare word 2: " << scene.spareWord2 << "\n";
    out << "background picture: " << (scene.background ? PictureText(*scene.background) : "none") << "\n";
    out << "sprites: " << scene.sprites.size() << "\n";
    for (std::size_t i = 0; i < scene.sprites.size(); ++i)
        WriteSprite(out, i, scene.sprites[i]);
}

json PictureJson(const std::optional<PictureInfo>& picture)
{
    if (!picture)
        return nullptr;
    return {{"width", picture->width},           {"height", picture->height},
            {"bitCount", picture->bitCount},     {"compression", picture->compression},
            {"colorsUsed", picture->coloursUsed}, {"size", picture->storedSize},
            {"paletteEntries", picture->paletteEntries}};
}

json SpriteJson(const SpriteInfo& sprite)
{
    json object = {{"class", sprite.className},
                   {"x", sprite.x},
                   {"y", sprite.y},
                   {"depth", sprite.depth},
                   {"picture", PictureJson(sprite.picture)}};
    if (sprite.phaseCount) {
        object["phaseCount"] = *sprite.phaseCount;
        object["phaseSpeed"] = *sprite.phaseSpeed;
    }
    if (sprite.dx) {
        object["dx"] = *sprite.dx;
        object["dy"] = *sprite.dy;
        object["motion"] = *sprite.motion;
        object["edgeMode"] = *sprite.edgeMode;
    }
    return object;
}

json SceneJson(const SceneFields& scene)
{
    json sprites = json::array();
    for (const auto& sprite : scene.sprites)
        sprites.push_back(SpriteJson(sprite));
    return {{"sceneWidth", scene.sceneWidth},
            {"sceneHeight", scene.sceneHeight},
            {"spareWord1", scene.spareWord1},
            {"backgroundPath", CodePageToUtf8(scene.backgroundPath)},
            {"sceneName", CodePageToUtf8(scene.sceneName)},
            {"backgroundKind", scene.backgroundKind},
            {"gradientHorizontal", scene.gradientHorizontal},
            {"imagePlacement", scene.imagePlacement},
            {"spareWord2", scene.spareWord2},
            {"solidColour", scene.solidColour},
            {"gradientFrom", scene.gradientFrom},
            {"gradientTo", scene.gradientTo},
            {"background", PictureJson(scene.background)},
            {"sprites", sprites}};
}

json FailureJson(const SceneLoadFailure& failure)
{
    return {{"kind", FailureKindName(failure.kind)},
            {"cause", failure.cause},
            {"causeText", CauseName(failure)},
            {"description", failure.description},
            {"message", failure.message},
            {"streamOffset", failure.streamOffset},
            {"fileOffset", failure.FileOffset()}};
}

}  // namespace

std::string BackgroundKindName(DWORD kind)
{
    switch (kind) {
    case CVesperDoc::backgroundPicture: return "picture";
    case CVesperDoc::backgroundGradient: return "gradient";
    case CVesperDoc::backgroundSolid: return "solid colour";
    default: return "none";
    }
}

std::string PlacementName(DWORD placement)
{
    switch (placement) {
    case CVesperDoc::placementStretch: return "stretched";
    case CVesperDoc::placementCentre: return "centred";
    case CVesperDoc::placementTile: return "tiled";
    default: return "no background";
    }
}

std::string MotionName(int motion)
{
    switch (motion) {
    case MotionLinear: return "linear";
    case MotionBounce: return "bounce";
    default: return "still";
    }
}

std::string EdgeModeName(int edgeMode)
{
    switch (edgeMode) {
    case EdgeWrapPause: return "wrap with pause";
    case EdgeRebound: return "rebound";
    default: return "wrap";
    }
}

std::string FailureKindName(SceneLoadFailure::Kind kind)
{
    switch (kind) {
    case SceneLoadFailure::Kind::archive: return "archive";
    case SceneLoadFailure::Kind::file: return "file";
    case SceneLoadFailure::Kind::memory: return "memory";
    case SceneLoadFailure::Kind::notSupported: return "not supported";
    case SceneLoadFailure::Kind::other: return "other";
    }
    return "other";
}

std::string CauseName(const SceneLoadFailure& failure)
{
    switch (failure.kind) {
    case SceneLoadFailure::Kind::archive: return CArchiveException::CauseText(failure.cause);
    case SceneLoadFailure::Kind::file: return CFileException::CauseText(failure.cause);
    case SceneLoadFailure::Kind::memory: return "out of memory";
    case SceneLoadFailure::Kind::notSupported: return "not supported";
    case SceneLoadFailure::Kind::other: return "unexpected failure";
    }
    return "unexpected failure";
}

std::string FormatText(const SceneInspection& inspection)
{
    std::ostringstream out;
    out << "file: " << inspection.path << " (" << inspection.fileSize << " bytes)\n";
    const scene::SceneSource& source = inspection.source;
    out << "kind: " << scene::SceneFileKindName(source.kind) << "\n";
    if (source.kind != scene::SceneFileKind::bareScene) {
        const DWORD offset = source.sceneOffset.value_or(platform::kNoSceneAppended);
        out << "scene offset: " << offset << " (" << Hex(offset, 1) << ")"
            << (source.sceneOffset ? "" : ": no scene packed in") << "\n";
    }
    if (const auto text = StringResource1Of(source)) {
        const auto [title, credit] = SplitStringResource1(*text);
        out << "string resource 1: \"" << *text << "\"\n"
            << "  title: \"" << title << "\"\n"
            << "  credit: \"" << credit << "\"\n";
    }
    if (inspection.scene)
        WriteScene(out, *inspection.scene);
    if (inspection.failure) {
        const SceneLoadFailure& failure = *inspection.failure;
        out << "load failed: " << failure.message << "\n"
            << "  cause: " << FailureKindName(failure.kind) << " " << failure.cause << " (" << CauseName(failure)
            << ")\n"
            << "  description: " << failure.description << "\n"
            << "  at file offset " << failure.FileOffset() << " (" << Hex(failure.FileOffset(), 1)
            << "), scene stream offset " << failure.streamOffset << "\n";
    }
    return out.str();
}

json ToJson(const SceneInspection& inspection)
{
    json report = {{"file", inspection.path},
                   {"fileSize", inspection.fileSize},
                   {"kind", scene::SceneFileKindName(inspection.source.kind)},
                   {"loaded", inspection.scene.has_value()}};
    if (inspection.source.kind != scene::SceneFileKind::bareScene)
        report["sceneOffset"] = inspection.source.sceneOffset.value_or(platform::kNoSceneAppended);
    if (const auto text = StringResource1Of(inspection.source)) {
        const auto [title, credit] = SplitStringResource1(*text);
        report["stringResource1"] = *text;
        report["title"] = title;
        report["credit"] = credit;
    }
    if (inspection.scene)
        report["scene"] = SceneJson(*inspection.scene);
    if (inspection.failure)
        report["failure"] = FailureJson(*inspection.failure);
    return report;
}

std::string FormatJson(const SceneInspection& inspection)
{
    return ToJson(inspection).dump(2) + "\n";
}

}  // namespace vesper::tools
