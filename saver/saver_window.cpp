#include "saver/saver_window.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "saver/globals.h"
#include "saver/saver_proc.h"
#include "saver/password_support.h"
#include "saver/saver_screens.h"

HWND g_hwndSaver = nullptr;
POINT g_ptCursorRef{0, 0};

namespace {

using ImmAssociateContextProc = HANDLE(WINAPI*)(HWND, HANDLE);

// The input-method module, only when something else loaded it already.
HMODULE g_hImmModule = nullptr;
ImmAssociateContextProc g_pfnImmAssociateContext = nullptr;
HANDLE g_hSavedInputContext = nullptr;

void RecordCursorReference()
{
    GetCursorPos(&g_ptCursorRef);
}

// The saver window takes no text input: it drops its input context while it
// lives and gives it back when destroyed.
void DetachInputContext(HWND window)
{
    g_hImmModule = GetModuleHandleA("IMM32.DLL");
    if (!g_hImmModule)
        return;
    g_pfnImmAssociateContext = reinterpret_cast<ImmAssociateContextProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(g_hImmModule, "ImmAssociateContext")));
    if (g_pfnImmAssociateContext)
        g_hSavedInputContext = g_pfnImmAssociateContext(window, nullptr);
}

void RestoreInputContext(HWND window)
{
    if (g_hImmModule && g_pfnImmAssociateContext && g_hSavedInputContext)
        g_pfnImmAssociateContext(window, g_hSavedInputContext);
}

// In preview the host shows help and context menus for the saver.
LRESULT ForwardHelpToHost(HWND window, UINT message, LPARAM lParam)
{
    HWND host = GetParent(window);
    if (host && IsWindow(host))
        PostMessageA(host, message, reinterpret_cast<WPARAM>(host), lParam);
    return 1;
}

bool IsRefusedSystemCommand(WPARAM command)
{
    return command == SC_SCREENSAVE || command == SC_NEXTWINDOW || command == SC_PREVWINDOW;
}

// The cursor moved more than the threshold from the reference point.
bool MovedBeyondThreshold(const POINT& now)
{
    const DWORD distance = static_cast<DWORD>(std::abs(now.x - g_ptCursorRef.x)) +
                           static_cast<DWORD>(std::abs(now.y - g_ptCursorRef.y));
    return distance > kMouseMoveThreshold;
}

bool IsClosingInput(UINT message)
{
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_LBUTTONDOWN ||
           message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

WNDCLASSA SaverClass()
{
    WNDCLASSA saverClass{};
    saverClass.style = kSaverClassStyle;
    saverClass.lpfnWndProc = SaverWindowProc;
    saverClass.hInstance = g_hInstance;
    saverClass.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(kSaverIconResource));
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = kSaverClassName;
    return saverClass;
}

// The full-screen saver that already runs, if any.
HWND RunningFullScreenSaver()
{
    HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    return running && IsWindow(running) ? running : nullptr;
}

// The exit code when no saver window could be made (the scene could not be
// loaded, or the window system refused the window).
constexpr int kExitNoSaverWindow = 1;

// The full-screen windows of the run and where they lie, the first one made
// first; the layout they follow when the monitors change.
struct ScreenWindow {
    HWND window = nullptr;
    SaverScreen screen;
};
std::vector<ScreenWindow> s_screenWindows;
MonitorLayout s_layout = kDefaultMonitorLayout;
// A window destroyed because its monitor went away: the run goes on.
HWND s_retiring = nullptr;

HWND MakeScreenWindow(const SaverScreen& screen)
{
    const RECT& area = screen.area;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kSaverClassName, kFullScreenTitle, kFullScreenStyle, area.left,
                                  area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                  g_hInstance, screen.showsScene ? nullptr : const_cast<void*>(kBlackScreen));
    if (window)
        s_screenWindows.push_back({window, screen});
    return window;
}

bool Planned(const std::vector<SaverScreen>& plan, const SaverScreen& screen)
{
    return std::find(plan.begin(), plan.end(), screen) != plan.end();
}

// The monitors changed: windows for the new places are made before the old
// ones go, so that the scene (and its document) lives on and no monitor
// shows the desktop meanwhile.
void FollowMonitors()
{
    const std::vector<SaverScreen> plan = PlanSaverScreens(s_layout, ListMonitors());
    if (plan.empty())
        return;
    std::vector<HWND> stale;
    for (const ScreenWindow& known : s_screenWindows)
        if (!Planned(plan, known.screen))
            stale.push_back(known.window);
    for (const SaverScreen& screen : plan)
        if (std::none_of(s_screenWindows.begin(), s_screenWindows.end(),
                         [&](const ScreenWindow& known) { return known.screen == screen; }))
            MakeScreenWindow(screen);
    for (HWND window : stale) {
        s_retiring = window;
        DestroyWindow(window);
        s_retiring = nullptr;
    }
    if (!s_screenWindows.empty() && GetForegroundWindow() != s_screenWindows.front().window)
        SetForegroundWindow(s_screenWindows.front().window);
    g_hwndSaver = s_screenWindows.empty() ? nullptr : s_screenWindows.front().window;
}

void ForgetScreenWindow(HWND window)
{
    std::erase_if(s_screenWindows, [window](const ScreenWindow& known) { return known.window == window; });
}

// After the run: whatever windows remain go with it.
void DestroyScreenWindows()
{
    while (!s_screenWindows.empty()) {
        const HWND window = s_screenWindows.back().window;
        if (!DestroyWindow(window))
            ForgetScreenWindow(window);
    }
}

// The full-screen windows, one for each place the layout asks for; the
// first (the scene on the primary monitor, or over them all) must be made,
// the others are made as far as they can be.
HWND MakeScreenWindows(MonitorLayout layout)
{
    s_layout = layout;
    std::vector<SaverScreen> plan = PlanSaverScreens(layout, ListMonitors());
    if (plan.empty())
        plan.push_back({RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, true});
    HWND first = MakeScreenWindow(plan.front());
    if (!first)
        return nullptr;
    for (auto screen = plan.begin() + 1; screen != plan.end(); ++screen)
        MakeScreenWindow(*screen);
    return first;
}
}  // namespace

const void* const kBlackScreen = &kBlackScreen;

std::vector<HWND> FullScreenSaverWindows()
{
    std::vector<HWND> windows;
    for (const ScreenWindow& known : s_screenWindows)
        windows.push_back(known.window);
    return windows;
}

int RunMessageLoop()
{
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void HideSaverCursor()
{
    SetCursor(nullptr);
}

SaverWindowStart StartSaverWindow(HWND host)
{
    const WNDCLASSA saverClass = SaverClass();
    if (host) {
        g_bPreview = TRUE;
        if (!RegisterClassA(&saverClass))
            return {};
        RECT client{};
        GetClientRect(host, &client);
        g_hwndSaver = CreateWindowExA(0, kSaverClassName, kPreviewTitle, kPreviewStyle, 0, 0, client.right,
                                      client.bottom, host, nullptr, g_hInstance, nullptr);
        return {g_hwndSaver, false};
    }
    if (HWND running = RunningFullScreenSaver()) {
        SetForegroundWindow(running);
        return {nullptr, true};
    }
    LoadPasswordSupport();
    if (!RegisterClassA(&saverClass))
        return {};
    g_hwndSaver = MakeScreenWindows(ChosenMonitorLayout());
    if (g_hwndSaver)
        SetForegroundWindow(g_hwndSaver);
    return {g_hwndSaver, false};
}

int CreateSaverWindow(HWND host)
{
    const SaverWindowStart start = StartSaverWindow(host);
    if (start.alreadyRunning)
        return 0;
    const int exitCode = start.window ? RunMessageLoop() : kExitNoSaverWindow;
    DestroyScreenWindows();
    UnloadPasswordSupport();
    return exitCode;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        DetachInputContext(window);
        RecordCursorReference();
        if (!g_bPreview)
            HideSaverCursor();
        break;
    case WM_DESTROY:
        RestoreInputContext(window);
        ForgetScreenWindow(window);
        // One window ending ends the run, unless its monitor went away.
        if (window != s_retiring)
            PostQuitMessage(0);
        break;
    case WM_DISPLAYCHANGE:
        if (!g_bPreview && !g_bClosing)
            FollowMonitors();
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (g_bClosing)
            return DefWindowProcA(window, message, wParam, lParam);
        if (!g_bPreview)
            HideSaverCursor();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (g_bPreview)
            return ForwardHelpToHost(window, message, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (g_bClosing)
            return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!g_bPreview && IsRefusedSystemCommand(wParam))
            return 0;
        break;
    case WM_TIMER:
        if (g_bClosing)
            return 0;
        Sleep(0);
        break;
    default:
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_bPreview || g_bClosing)
        return DefWindowProcA(window, message, wParam, lParam);

    if (message == WM_CLOSE) {
        if (!VerifyPassword(window)) {
            RecordCursorReference();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_VERIFYPASSWORD)
        return g_pfnVerifyScreenSavePwd ? g_pfnVerifyScreenSavePwd(window) : 1;
    if (g_bInPasswordDialog)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam)
            HideSaverCursor();
        break;
    case WM_SETCURSOR:
        HideSaverCursor();
        return 1;
    case WM_MOUSEMOVE: {
        POINT now{};
        GetCursorPos(&now);
        if (MovedBeyondThreshold(now)) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            g_ptCursorRef = now;
        }
        break;
    }
    default:
        if (IsClosingInput(message))
            PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
