// The JSON description of a scene: `build` turns one (with the picture files
// it names) into a scene document, `dump` turns a document back into one.
// Every stored field has a name in the description, so dump followed by
// build gives back the same scene stream.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/api/win32_types.h"
#include "scene/vesper_doc.h"

namespace vesper::tools {

// Problems found while building; errors stop the build, warnings do not.
// Each message names the description file and the field ("sprites[2].dx").
struct BuildReport {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    bool Succeeded() const { return errors.empty(); }
};

// Fills doc, a newly made document, from the description in `descriptionPath`;
// picture paths are taken relative to the description's folder. On errors
// the document is left empty.
BuildReport BuildSceneFromDescription(const std::string& descriptionPath, CVesperDoc& doc);
// The same from the description's text; `fileName` names it in messages.
BuildReport BuildSceneFromText(const std::string& text, const std::string& fileName,
                               const std::filesystem::path& pictureFolder, CVesperDoc& doc);

// The description of a document and the picture files it names, file name
// first: "background.bmp" and "sprite-NN.bmp" (NN the sprite's index in the
// list), each the stored picture as it is behind a .bmp file header.
struct SceneDescription {
    std::string text;
    std::vector<std::pair<std::string, std::vector<BYTE>>> pictures;
};
SceneDescription DescribeScene(const CVesperDoc& doc);

// Names of the fields a description accepts, for its schema.
const std::vector<std::string>& SceneFieldNames();
const std::vector<std::string>& SpriteFieldNames();

}  // namespace vesper::tools
