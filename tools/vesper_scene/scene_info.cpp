#include "tools/vesper_scene/scene_info.h"

#include <filesystem>

#include "framework/file.h"
#include "platform/user/message_box.h"
#include "sprites/anim_sprite.h"
#include "tools/vesper_scene/code_page.h"

namespace vesper::tools {
namespace {

// Silences the loader's message box for the time of one load: the failure is
// reported by the tool itself, from the document's record of it.
class SilentMessageBoxes {
public:
    SilentMessageBoxes()
        : m_previous(platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) { return IDOK; }))
    {
    }
    ~SilentMessageBoxes() { platform::SetMessageBoxHandler(m_previous); }
    SilentMessageBoxes(const SilentMessageBoxes&) = delete;
    SilentMessageBoxes& operator=(const SilentMessageBoxes&) = delete;

private:
    platform::MessageBoxHandler m_previous;
};

SpriteInfo SpriteInfoOf(const CSprite& sprite)
{
    SpriteInfo info;
    info.className = sprite.GetRuntimeClass()->m_lpszClassName;
    info.x = sprite.x;
    info.y = sprite.y;
    info.depth = sprite.depth;
    info.picture = PictureInfoOf(sprite.image);
    if (const auto* phased = dynamic_cast<const CPhasedSprite*>(&sprite)) {
        info.phaseCount = phased->phaseCount;
        info.phaseSpeed = phased->phaseSpeed;
    }
    if (const auto* animated = dynamic_cast<const CAnimSprite*>(&sprite)) {
        info.dx = animated->dx;
        info.dy = animated->dy;
        info.motion = animated->motion;
        info.edgeMode = animated->edgeMode;
    }
    return info;
}

}  // namespace

std::optional<std::string> StringResource1Of(const scene::SceneSource& source)
{
    if (source.kind == scene::SceneFileKind::vesperLinuxSaver)
        return CodePageToUtf8(source.block->stringResource1);
    return source.peStringResource1;
}

std::pair<std::string, std::string> SplitStringResource1(const std::string& text)
{
    const auto bar = text.find('|');
    if (bar == std::string::npos)
        return {text, {}};
    return {text.substr(0, bar), text.substr(bar + 1)};
}

BOOL LoadSceneBytesQuietly(CVesperDoc& doc, const std::vector<BYTE>& scene)
{
    const SilentMessageBoxes silence;
    CMemFile file(scene);
    return doc.LoadScene(file, 0);
}

std::optional<PictureInfo> PictureInfoOf(const CDIB& picture)
{
    const auto header = picture.Header();
    if (!header)
        return std::nullopt;
    PictureInfo info;
    info.width = header->biWidth;
    info.height = header->biHeight;
    info.bitCount = header->biBitCount;
    info.compression = header->biCompression;
    info.coloursUsed = header->biClrUsed;
    info.storedSize = picture.StoredSize();
    info.paletteEntries = picture.palette.GetEntryCount();
    return info;
}

SceneFields FieldsOf(const CVesperDoc& doc)
{
    SceneFields fields;
    fields.sceneWidth = doc.sceneWidth;
    fields.sceneHeight = doc.sceneHeight;
    fields.spareWord1 = doc.spareWord1;
    fields.backgroundPath = doc.backgroundPath;
    fields.sceneName = doc.sceneName;
    fields.backgroundKind = doc.backgroundKind;
    fields.gradientHorizontal = doc.gradientHorizontal;
    fields.imagePlacement = doc.imagePlacement;
    fields.spareWord2 = doc.spareWord2;
    fields.solidColour = doc.solidColour;
    fields.gradientFrom = doc.gradientFrom;
    fields.gradientTo = doc.gradientTo;
    if (doc.background)
        fields.background = PictureInfoOf(*doc.background);
    for (POSITION pos = doc.sprites.GetHeadPosition(); pos;)
        fields.sprites.push_back(SpriteInfoOf(*static_cast<const CSprite*>(doc.sprites.GetNext(pos))));
    return fields;
}

platform::Outcome<SceneInspection> LoadFileScene(const std::string& path, CVesperDoc& doc)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return {std::nullopt, path + " is a directory"};
    const auto read = ReadWholeFile(path);
    if (!read)
        return {std::nullopt, "cannot read " + path};
    auto source = scene::ClassifySceneFile(*read);
    if (!source)
        return {std::nullopt, path + " is " + source.error};

    SceneInspection inspection;
    inspection.path = path;
    inspection.fileSize = read->size();
    inspection.source = std::move(*source.value);
    BOOL loaded = FALSE;
    {
        const SilentMessageBoxes silence;
        loaded = doc.LoadSceneFromFile(path, inspection.source.sceneOffset);
    }
    if (!loaded && !doc.LastLoadFailure())
        return {std::nullopt, "cannot open " + path};
    if (!loaded)
        inspection.failure = doc.LastLoadFailure();
    return {std::move(inspection), {}};
}

platform::Outcome<SceneInspection> InspectFile(const std::string& path)
{
    CVesperDoc doc;
    auto inspection = LoadFileScene(path, doc);
    if (inspection && !inspection.value->failure)
        inspection.value->scene = FieldsOf(doc);
    doc.DeleteContents();
    return inspection;
}

}  // namespace vesper::tools
