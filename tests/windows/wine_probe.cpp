// A test helper run under Wine beside the player: it reads what the player's
// windows show, which the X server alone cannot tell (the text of a message
// box, the texts of the configuration dialog's controls).
//
//   vesper-wine-probe message-box TIMEOUT_MS
//       waits for a message box, prints "caption: ..." and "text: ...", and
//       answers it with OK
//   vesper-wine-probe dialog CAPTION TIMEOUT_MS ID...
//       waits for the dialog with that caption and prints, for each control
//       id, "ID: text" and "ID at: left top right bottom" (its place on the
//       screen, for a click)
//
//   vesper-wine-probe find-window CLASS
//       whether a window of that class exists now
//
// Exit code 0 when the window was found, 1 when it did not show in time, 2 on
// wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kDialogClass = "#32770";
// The control of a message box that holds its text.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kPollMs = 50;

// A dialog is shown once its WM_INITDIALOG has run, so a visible one shows
// the texts its procedure gave it.
HWND WaitForWindow(const char* caption, DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += kPollMs) {
        HWND window = FindWindowA(kDialogClass, caption);
        if (window && IsWindowVisible(window))
            return window;
        if (waited >= timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

std::string TextOf(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

int MessageBoxProbe(DWORD timeoutMs)
{
    HWND box = WaitForWindow(nullptr, timeoutMs);
    if (!box) {
        std::puts("no message box");
        return 1;
    }
    std::printf("caption: %s\ntext: %s\n", TextOf(box).c_str(), TextOf(GetDlgItem(box, kMessageBoxTextId)).c_str());
    std::fflush(stdout);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

int DialogProbe(const char* caption, DWORD timeoutMs, int idCount, char** ids)
{
    HWND dialog = WaitForWindow(caption, timeoutMs);
    if (!dialog) {
        std::printf("no dialog \"%s\"\n", caption);
        return 1;
    }
    for (int i = 0; i < idCount; ++i) {
        const int id = std::atoi(ids[i]);
        HWND control = GetDlgItem(dialog, id);
        RECT place{};
        GetWindowRect(control, &place);
        std::printf("%d: %s\n%d at: %ld %ld %ld %ld\n", id, TextOf(control).c_str(), id, place.left, place.top,
                    place.right, place.bottom);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "message-box" && argc == 3)
        return MessageBoxProbe(static_cast<DWORD>(std::atol(argv[2])));
    if (command == "find-window" && argc == 3)
        return FindWindowA(argv[2], nullptr) ? 0 : 1;
    if (command == "dialog" && argc >= 4)
        return DialogProbe(argv[2], static_cast<DWORD>(std::atol(argv[3])), argc - 4, argv + 4);
    std::fputs("usage: vesper-wine-probe message-box TIMEOUT_MS | dialog CAPTION TIMEOUT_MS ID...\n", stderr);
    return 2;
}
