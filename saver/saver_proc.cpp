#include "saver/saver_proc.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "imaging/default_palette.h"
#include "saver/globals.h"
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

using vesper::Fill;
using vesper::Tr;

// The pacing timer of the current window: the window timer's id in preview
// mode, the multimedia timer's id in full-screen mode; 0 when none runs.
UINT_PTR s_previewTimer = 0;
MMRESULT s_tickTimer = 0;

// A host window of at least the preview stage's size gets a stage of its
// own size, copied one to one; a smaller one the preview stage, stretched.
SIZE StageSize(HWND window)
{
    if (g_bHosted) {
        RECT client{};
        GetClientRect(window, &client);
        if (client.right >= kPreviewStageWidth && client.bottom >= kPreviewStageHeight)
            return SIZE{client.right, client.bottom};
    }
    if (g_bPreview)
        return SIZE{kPreviewStageWidth, kPreviewStageHeight};
    HDC screen = GetDC(nullptr);
    const SIZE size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    ReleaseDC(nullptr, screen);
    return size;
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
    const char* path = g_szModulePath.c_str();
    if (!document) {
        std::fputs(Fill(Tr("vesper: the scene in %s cannot be loaded: out of memory.\n"), {path}).c_str(), stderr);
        return;
    }
    const std::optional<SceneLoadFailure>& failure = document->LastLoadFailure();
    if (!failure) {
        std::fputs(Fill(Tr("vesper: the scene in %s cannot be loaded: the file cannot be opened.\n"), {path}).c_str(),
                   stderr);
        return;
    }
    std::fputs(Fill(Tr("vesper: the scene in %s cannot be loaded: %s (at byte %s of the file).\n"),
                    {path, failure->description, std::to_string(failure->FileOffset())})
                   .c_str(),
               stderr);
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

    const SIZE size = StageSize(window);
    g_stage.LoadScene(g_pDocument, size.cx, size.cy);
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
