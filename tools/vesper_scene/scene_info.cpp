#include "tools/vesper_scene/scene_info.h"

#include <filesystem>
#include <fstream>

#include "framework/file.h"
#include "platform/user/message_box.h"
#include "sprites/anim_sprite.h"

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

std::optional<std::vector<BYTE>> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::vector<BYTE> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
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
    info.colorsUsed = header->biClrUsed;
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
    const std::vector<BYTE>& image = *read;

    SceneInspection inspection;
    inspection.path = path;
    inspection.fileSize = image.size();
    std::optional<DWORD> sceneOffset = 0;
    if (auto block = platform::ReadPatchableValues(image)) {
        inspection.block = *block.value;
        inspection.sceneOffset = block.value->sceneOffset;
        if (inspection.sceneOffset == platform::kNoSceneAppended) {
            inspection.kind = FileKind::unpackagedProgram;
            sceneOffset.reset();
        } else {
            inspection.kind = FileKind::packagedProgram;
            sceneOffset = inspection.sceneOffset;
        }
    }

    BOOL loaded = FALSE;
    {
        const SilentMessageBoxes silence;
        loaded = doc.LoadSceneFromFile(path, sceneOffset);
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
