#include "saver/scene_not_loaded.h"

#include "platform/kernel/translation.h"
#include "scene/vesper_doc.h"

using vesper::Fill;
using vesper::Tr;

std::string SceneNotLoadedText(const std::string& path, const CVesperDoc* document)
{
    if (!document)
        return Fill(Tr("the scene in %s cannot be loaded: out of memory."), {path});
    const std::optional<SceneLoadFailure>& failure = document->LastLoadFailure();
    if (!failure)
        return Fill(Tr("the scene in %s cannot be loaded: the file cannot be opened."), {path});
    return Fill(Tr("the scene in %s cannot be loaded: %s (at byte %s of the file)."),
                {path, failure->description, std::to_string(failure->FileOffset())});
}
