// What `vesper-scene info` learns about a file: whether it is a packaged
// program or a bare scene stream, the patchable block's values, and the scene
// document as the player would load it (or how its loading failed).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"
#include "scene/scene_source.h"
#include "scene/vesper_doc.h"

namespace vesper::tools {

struct PictureInfo {
    LONG width = 0;
    LONG height = 0;
    WORD bitCount = 0;
    DWORD compression = 0;
    DWORD coloursUsed = 0;
    DWORD storedSize = 0;  // n of the stored form
    int paletteEntries = 0;
};

struct SpriteInfo {
    std::string className;
    int x = 0;
    int y = 0;
    int depth = 0;
    std::optional<PictureInfo> picture;
    // Present for phased and animated sprites.
    std::optional<int> phaseCount;
    std::optional<int> phaseSpeed;
    // Present for animated sprites.
    std::optional<int> dx;
    std::optional<int> dy;
    std::optional<int> motion;
    std::optional<int> edgeMode;
};

struct SceneFields {
    DWORD sceneWidth = 0;
    DWORD sceneHeight = 0;
    DWORD spareWord1 = 0;
    std::string backgroundPath;
    std::string sceneName;
    DWORD backgroundKind = 0;
    DWORD gradientHorizontal = 0;
    DWORD imagePlacement = 0;
    DWORD spareWord2 = 0;
    COLORREF solidColour = 0;
    COLORREF gradientFrom = 0;
    COLORREF gradientTo = 0;
    std::optional<PictureInfo> background;
    std::vector<SpriteInfo> sprites;
};

struct SceneInspection {
    std::string path;
    std::uint64_t fileSize = 0;
    // What kind of file it is and where its scene starts.
    scene::SceneSource source;
    // The loaded scene, or the failure of its loading.
    std::optional<SceneFields> scene;
    std::optional<SceneLoadFailure> failure;
};

// String resource 1 ("title|credit") of a saver, as UTF-8; empty for a bare
// scene and for a saver without one.
std::optional<std::string> StringResource1Of(const scene::SceneSource& source);
// Title and credit line: string resource 1 split at its first "|" (all title
// without one).
std::pair<std::string, std::string> SplitStringResource1(const std::string& text);

// Reads the file and loads its scene into doc through the document's own
// loader, as the player would (no message box is shown); `scene` stays empty
// and `failure` tells why the load failed, if it did. Empty with a reason
// when the file cannot be read or holds no scene (scene/scene_source.h).
platform::Outcome<SceneInspection> LoadFileScene(const std::string& path, CVesperDoc& doc);

// Reads the file and loads its scene through the scene document's own loader
// (no message box is shown). Empty with a reason as LoadFileScene.
platform::Outcome<SceneInspection> InspectFile(const std::string& path);

using scene::ReadWholeFile;

// Loads a bare scene stream held in memory into doc through the document's
// loader, without a message box; the failure, if any, stays in the document.
BOOL LoadSceneBytesQuietly(CVesperDoc& doc, const std::vector<BYTE>& scene);

// The document's contents as reported.
SceneFields FieldsOf(const CVesperDoc& doc);
std::optional<PictureInfo> PictureInfoOf(const CDIB& picture);

}  // namespace vesper::tools
