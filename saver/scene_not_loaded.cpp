#include "saver/scene_not_loaded.h"

#include "scene/vesper_doc.h"

std::string SceneNotLoadedText(const std::string& path, const CVesperDoc* document)
{
    const std::string start = "the scene in " + path + " cannot be loaded: ";
    if (!document)
        return start + "out of memory.";
    const std::optional<SceneLoadFailure>& failure = document->LastLoadFailure();
    if (!failure)
        return start + "the file cannot be opened.";
    return start + failure->description + " (at byte " + std::to_string(failure->FileOffset()) + " of the file).";
}
