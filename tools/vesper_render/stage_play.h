// A scene playing on the program's one stage without a window or a timer:
// what the saver window's creation sets up, on a headless true-colour screen
// of the stage's size, then ticks on demand. vesper-render and the thumbnailer
// take their pictures of its frame buffer.
#pragma once

#include <memory>
#include <string>

#include "imaging/dib8bpp.h"
#include "platform/kernel/patchable_data.h"
#include "scene/vesper_doc.h"

namespace vesper::tools {

class StagePlay {
public:
    // Loads the scene of `input` (any file the player takes) onto a stage of
    // width x height, the random numbers seeded with `seed` before loading,
    // as the saver does. Empty with the reason when the file cannot be read,
    // its scene cannot be loaded or it shows no background. Uses the one
    // stage: one play at a time.
    static platform::Outcome<std::unique_ptr<StagePlay>> Start(const std::string& input, int width, int height,
                                                                unsigned seed);
    // Takes the stage down, so that the document and its working sprites are
    // gone before the stage is.
    ~StagePlay();
    StagePlay(const StagePlay&) = delete;
    StagePlay& operator=(const StagePlay&) = delete;

    const CDIB8BPP& Frame() const;
    // One pacing tick: sprites move and the changed areas are drawn again.
    void Tick();

private:
    StagePlay() = default;
    CVesperDoc m_document;
};

}  // namespace vesper::tools
