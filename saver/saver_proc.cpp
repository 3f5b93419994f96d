#include "saver/saver_proc.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <vector>
#include <optional>

#include "imaging/default_palette.h"
#include "saver/globals.h"
#include "saver/scale_setting.h"
#include "saver/scene_not_loaded.h"
#include "saver/stage_layout.h"
#include "saver/speed_setting.h"
#include "saver/tick_timer.h"
#include "scene/module_path.h"
#include "scene/vesper_doc.h"
#include "saver/saver_window.h"
#include "stage/saver_stage.h"
#include "platform/kernel/module_path.h"
#include "platform/kernel/translation.h"

CVesperDoc* g_pDocument = nullptr;

namespace {

// The pacing timer of the run: the window timer's id in preview mode, the
// multimedia timer's id in full-screen mode, and the window its ticks go to;
// 0 when none runs.
UINT_PTR s_previewTimer = 0;
MMRESULT s_tickTimer = 0;
HWND s_pacedWindow = nullptr;

// Every window that plays the scene has a stage of its own: the first one
// g_stage, any other (a monitor of its own) one made for it.
std::map<HWND, std::unique_ptr<CSaverStage>> s_moreStages;

// The stages in play, g_stage first.
std::vector<CSaverStage*> Stages()
{
    std::vector<CSaverStage*> stages;
    if (g_stage.GetSafeHwnd())
        stages.push_back(&g_stage);
    for (const auto& [window, stage] : s_moreStages)
        stages.push_back(stage.get());
    return stages;
}

// The area a stage is laid out on: a host window large enough for a scaled
// stage, or the full-screen window (the screen, its monitor, or the box
// around all monitors); none in preview, whose stage is stretched.
std::optional<SIZE> ScaledArea(HWND window)
{
    if (g_bHosted) {
        RECT client{};
        GetClientRect(window, &client);
        if (HostGetsScaledStage(SIZE{client.right, client.bottom}))
            return SIZE{client.right, client.bottom};
    }
    if (g_bPreview)
        return std::nullopt;
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

StageLayout StageLayoutFor(HWND window)
{
    const std::optional<SIZE> area = ScaledArea(window);
    if (!area)
        return PreviewStageLayout();
    // A scale given for the run was checked against the screen already.
    return g_scaleOverride ? ScaledStageLayout(*area, *g_scaleOverride, window)
                           : StoredScaleStageLayout(*area, ReadScaleSetting(), window);
}

void StartPacing(HWND window)
{
    s_pacedWindow = window;
    if (g_bPreview && !g_bHosted) {
        s_previewTimer = SetTimer(window, kPreviewTimerId, static_cast<UINT>(101 - g_nSpeed), nullptr);
        return;
    }
    timeBeginPeriod(kTickTimerPeriod);
    s_tickTimer = timeSetEvent(kTickTimerPeriod, kTickTimerPeriod, TickTimerProc, reinterpret_cast<DWORD_PTR>(window),
                               TIME_PERIODIC);
}

// After a failed creation nothing was started, and nothing is stopped.
void StopPacing(HWND window)
{
    if (s_previewTimer != 0) {
        KillTimer(window, s_previewTimer);
        s_previewTimer = 0;
    }
    if (s_tickTimer != 0) {
        timeKillEvent(s_tickTimer);
        s_tickTimer = 0;
        timeEndPeriod(kTickTimerPeriod);
    }
    s_pacedWindow = nullptr;
}

// After the box that the document showed (in the system's own words): one
// line for whoever started the program, saying which file, what and where.
void ReportSceneNotLoaded(const CVesperDoc* document)
{
    // The file the scene was read from: the one chosen with --scene, or the program itself.
    const std::string& path = ChosenSceneFile() ? *ChosenSceneFile() : g_szModulePath;
    std::fprintf(stderr, "%s\n", vesper::Fill(vesper::Tr("vesper: %s"), {SceneNotLoadedText(path, document)}).c_str());
}

// The first window that plays the scene reads the settings and loads the
// document, which every later one shares. False when it cannot be loaded.
bool LoadDocumentOnce()
{
    if (g_pDocument)
        return true;
    // The whole path, however long: a fixed buffer would cut a long one and
    // make the scene load fail.
    g_szModulePath = vesper::platform::ModulePath();
    g_nSpeed = g_nSpeedOverride != 0 ? g_nSpeedOverride : ReadSpeedSetting();
    std::srand(GetTickCount());
    CreateDefaultPalette(g_defaultPalette);
    g_pDocument = new (std::nothrow) CVesperDoc;
    if (!g_pDocument || !g_pDocument->LoadEmbeddedScene()) {
        ReportSceneNotLoaded(g_pDocument);
        return false;
    }
    return true;
}

bool IsBlackScreen(LPARAM lParam)
{
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    return creation && creation->lpCreateParams == kBlackScreen;
}

// -1 when the scene cannot be loaded, which makes the window creation fail.
LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefScreenSaverProc(window, WM_CREATE, wParam, lParam);
    // A window that covers its monitor in black has no stage.
    if (IsBlackScreen(lParam))
        return result;
    CSaverStage* stage = g_stage.GetSafeHwnd() ? nullptr : &g_stage;
    if (!stage)
        stage = s_moreStages.emplace(window, std::make_unique<CSaverStage>()).first->second.get();
    stage->Attach(window);
    if (!LoadDocumentOnce())
        return -1;

    const StageLayout layout = StageLayoutFor(window);
    stage->SetLayout(layout);
    stage->LoadScene(g_pDocument, layout.stage.cx, layout.stage.cy);
    // One timer paces every stage.
    if (!s_pacedWindow)
        StartPacing(window);
    return result;
}

LRESULT OnDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (CSaverStage* stage = StageOf(window)) {
        stage->Detach();
        stage->ReleaseScene();
        s_moreStages.erase(window);
    }
    if (window == s_pacedWindow) {
        StopPacing(window);
        // A monitor that went away took the paced window: another one takes
        // the ticks.
        const std::vector<CSaverStage*> remaining = Stages();
        if (!remaining.empty())
            StartPacing(remaining.front()->GetSafeHwnd());
    }
    if (g_pDocument && Stages().empty()) {
        g_pDocument->DeleteContents();
        delete g_pDocument;
        g_pDocument = nullptr;
    }
    return DefScreenSaverProc(window, WM_DESTROY, wParam, lParam);
}

}  // namespace

CSaverStage* StageOf(HWND window)
{
    if (g_stage.GetSafeHwnd() == window)
        return &g_stage;
    const auto found = s_moreStages.find(window);
    return found == s_moreStages.end() ? nullptr : found->second.get();
}

LRESULT ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy(window, wParam, lParam);
    case WM_PAINT:
        if (CSaverStage* stage = StageOf(window))
            stage->PaintWindow();
        break;
    case WM_TIMER:
    case WM_SAVERTICK:
        for (CSaverStage* stage : Stages())
            stage->Tick();
        break;
    case WM_QUERYNEWPALETTE:
        if (CSaverStage* stage = StageOf(window))
            stage->RealizeStagePalette();
        break;
    case WM_PALETTECHANGED:
        if (CSaverStage* stage = StageOf(window))
            stage->PaletteChanged(reinterpret_cast<HWND>(wParam));
        break;
    default:
        break;
    }
    return DefScreenSaverProc(window, message, wParam, lParam);
}
