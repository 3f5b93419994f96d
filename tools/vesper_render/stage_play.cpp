#include "tools/vesper_render/stage_play.h"

#include <cstdlib>

#include "imaging/default_palette.h"
#include "platform/drivers/backends.h"
#include "platform/kernel/translation.h"
#include "stage/saver_stage.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {

namespace {

constexpr int kTrueColourBits = 32;

std::string Describe(const SceneLoadFailure& failure)
{
    std::string text = Tr(failure.message.c_str());
    if (!failure.description.empty())
        text += " (" + failure.description + ")";
    return text;
}

}  // namespace

platform::Outcome<std::unique_ptr<StagePlay>> StagePlay::Start(const std::string& input, int width, int height,
                                                                unsigned seed)
{
    // The stage draws on a screen of its own size; it was built before this
    // screen was chosen, so the colour depth is measured again for it.
    platform::UseOffscreenBackend({width, height, kTrueColourBits});
    g_nDisplayBits = GetDisplayColorDepth();

    // The saver window's creation, in its order: the random numbers are
    // seeded before the document is loaded, since loading its sprites
    // draws from them.
    std::srand(seed);
    if (!CreateDefaultPalette(g_defaultPalette))
        return {std::nullopt, Tr("cannot create the default palette")};
    std::unique_ptr<StagePlay> play(new StagePlay);
    const auto loaded = LoadFileScene(input, play->m_document);
    if (!loaded)
        return {std::nullopt, loaded.error};
    if (loaded.value->failure)
        return {std::nullopt, Fill(Tr("cannot load the scene of %s: %s"), {input, Describe(*loaded.value->failure)})};
    g_stage.LoadScene(&play->m_document, width, height);
    if (!g_stage.m_pFrame)
        return {std::nullopt, Fill(Tr("the scene of %s shows no background (no picture, or a background the player "
                                      "cannot render), so there is no frame"),
                                   {input})};
    return {std::move(play), {}};
}

StagePlay::~StagePlay()
{
    g_stage.ReleaseScene();
    m_document.DeleteContents();
}

const CDIB8BPP& StagePlay::Frame() const
{
    return *g_stage.m_pFrame;
}

void StagePlay::Tick()
{
    g_stage.Tick();
}

}  // namespace vesper::tools
