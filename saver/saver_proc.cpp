#include "saver/saver_proc.h"

#include <cstdio>
#include <cstdlib>
#include <new>
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

CVesperDoc* g_pDocument = nullptr;

namespace {

// The pacing timer of the current window: the window timer's id in preview
// mode, the multimedia timer's id in full-screen mode; 0 when none runs.
UINT_PTR s_previewTimer = 0;
MMRESULT s_tickTimer = 0;

// The area a stage is laid out on: a host window large enough for a scaled
// stage, or the screen; none in preview, whose stage is stretched.
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
    HDC screen = GetDC(nullptr);
    const SIZE size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    ReleaseDC(nullptr, screen);
    return size;
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
}

// After the box that the document showed (in the system's own words): one
// line for whoever started the program, saying which file, what and where.
void ReportSceneNotLoaded(const CVesperDoc* document)
{
    // The file the scene was read from: the one chosen with --scene, or the program itself.
    const std::string& path = ChosenSceneFile() ? *ChosenSceneFile() : g_szModulePath;
    std::fprintf(stderr, "vesper: %s
", SceneNotLoadedText(path, document).c_str());
}

// -1 when the scene cannot be loaded, which makes the window creation fail.
LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefScreenSaverProc(window, WM_CREATE, wParam, lParam);
    // The whole path, however long: a fixed buffer would cut a long one and
    // make the scene load fail.
    g_szModulePath = vesper::platform::ModulePath();
    g_nSpeed = g_nSpeedOverride != 0 ? g_nSpeedOverride : ReadSpeedSetting();
    std::srand(GetTickCount());
    CreateDefaultPalette(g_defaultPalette);
    g_stage.Attach(window);

    g_pDocument = new (std::nothrow) CVesperDoc;
    if (!g_pDocument || !g_pDocument->LoadEmbeddedScene()) {
        ReportSceneNotLoaded(g_pDocument);
        return -1;
    }

    const StageLayout layout = StageLayoutFor(window);
    g_stage.SetLayout(layout);
    g_stage.LoadScene(g_pDocument, layout.stage.cx, layout.stage.cy);
    StartPacing(window);
    return result;
}

LRESULT OnDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    StopPacing(window);
    if (g_pDocument) {
        g_pDocument->DeleteContents();
        delete g_pDocument;
        g_pDocument = nullptr;
    }
    g_stage.Detach();
    g_stage.ReleaseScene();
    return DefScreenSaverProc(window, WM_DESTROY, wParam, lParam);
}

}  // namespace

LRESULT ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy(window, wParam, lParam);
    case WM_PAINT:
        g_stage.PaintWindow();
        break;
    case WM_TIMER:
    case WM_SAVERTICK:
        g_stage.Tick();
        break;
    case WM_QUERYNEWPALETTE:
        g_stage.RealizeStagePalette();
        break;
    case WM_PALETTECHANGED:
        g_stage.PaletteChanged(reinterpret_cast<HWND>(wParam));
        break;
    default:
        break;
    }
    return DefScreenSaverProc(window, message, wParam, lParam);
}
