// A test host for the preview run mode under Wine: a top-level window of its
// own, in which the saver runs as "/p HWND" in this same process (Wine shows
// no child window placed in another process's window). The scene is the one
// of the saver file given, as the player's own would be.
//
//   vesper-preview-host SAVER WIDTH HEIGHT SECONDS
//
// The host window, titled "vesper-preview-host", is closed after SECONDS;
// the exit code is the preview's (0 when it ran to the end).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/vesper_doc.h"
#include "shell/entry.h"

namespace {

constexpr const char* kHostClass = "VesperPreviewHost";

struct Closing {
    HWND host;
    DWORD afterMs;
};

// The close request is posted from a thread of its own: posted messages come
// before timer messages, and the preview's window timer is due all the time.
DWORD WINAPI CloseLater(LPVOID parameter)
{
    const auto* closing = static_cast<const Closing*>(parameter);
    Sleep(closing->afterMs);
    PostMessageA(closing->host, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fputs("usage: vesper-preview-host SAVER WIDTH HEIGHT SECONDS\n", stderr);
        return 2;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = instance;
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    hostClass.lpszClassName = kHostClass;
    RegisterClassA(&hostClass);
    RECT frame{0, 0, std::atoi(argv[2]), std::atoi(argv[3])};
    AdjustWindowRect(&frame, WS_POPUP, FALSE);
    HWND host = CreateWindowExA(0, kHostClass, "vesper-preview-host", WS_POPUP | WS_VISIBLE, 100, 100,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!host) {
        std::fputs("vesper-preview-host: the host window cannot be made\n", stderr);
        return 1;
    }
    static Closing closing{host, static_cast<DWORD>(std::atoi(argv[4]) * 1000)};
    CloseHandle(CreateThread(nullptr, 0, CloseLater, &closing, 0, nullptr));
    ChooseSceneFile(std::string(argv[1]));
    std::string tail = "/p " + std::to_string(reinterpret_cast<UINT_PTR>(host));
    return WinMain(instance, nullptr, tail.data(), SW_SHOW);
}
