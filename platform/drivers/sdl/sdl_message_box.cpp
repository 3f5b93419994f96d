#include "platform/drivers/sdl/sdl_message_box.h"

#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_windows.h"
#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/kernel/translation.h"
#include "platform/win32.h"
#include "platform/kernel/windows_1252.h"

namespace vesper::platform::sdl {

namespace {

constexpr UINT kButtonsMask = 0x0000000F;
constexpr UINT kIconMask = 0x000000F0;

Uint32 IconFlag(UINT type)
{
    switch (type & kIconMask) {
    case MB_ICONHAND: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    case MB_ICONQUESTION:
    case MB_ICONASTERISK: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
    }
}

struct MessageBoxLayout {
    Uint32 flags = 0;  // SDL_MESSAGEBOX_ERROR / WARNING / INFORMATION and button order
    // Each button's answer (IDOK, IDCANCEL, IDYES, IDNO) and text (UTF-8,
    // living as long as the program), left to right.
    std::vector<std::pair<int, const char*>> buttons;
};

MessageBoxLayout LayoutOf(UINT type)
{
    MessageBoxLayout layout;
    layout.flags = IconFlag(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    switch (type & kButtonsMask) {
    case MB_OKCANCEL:
        layout.buttons = {{IDOK, Tr("OK")}, {IDCANCEL, Tr("Cancel")}};
        break;
    case MB_YESNO:
        layout.buttons = {{IDYES, Tr("Yes")}, {IDNO, Tr("No")}};
        break;
    default:
        layout.buttons = {{IDOK, Tr("OK")}};
        break;
    }
    return layout;
}

// SDL shows the box from a forked copy of the process. The copy holds the
// process's X connection and with it every window of ours: were the player
// killed while the box is up, the copy would keep its full-screen window and
// the box on the screen until someone answered. A copy forked while a box is
// shown therefore ends with the thread that forked it.
thread_local bool t_showingMessageBox = false;
pid_t g_boxProcess = 0;

void EndForkedBoxesWithTheirParent()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_boxProcess = getpid();
        pthread_atfork(nullptr, nullptr, [] {
            if (!t_showingMessageBox)
                return;
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // The parent may have gone before the signal was asked for.
            if (getppid() != g_boxProcess)
                _exit(1);
        });
    });
}

}  // namespace

std::vector<SDL_MessageBoxButtonData> SdlButtonsOf(UINT type)
{
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const auto& [answer, text] : LayoutOf(type).buttons) {
        Uint32 flags = 0;
        if (answer == AnswerOfKey(type, VK_RETURN))
            flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (answer == AnswerOfKey(type, VK_ESCAPE))
            flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons.push_back(SDL_MessageBoxButtonData{flags, answer, text});
    }
    return buttons;
}

int ShowMessageBox(const MessageBoxRequest& request)
{
    VideoThread* video = VideoThread::Get();
    if (!video)
        return WriteMessageBoxToStandardError(request);
    const MessageBoxLayout layout = LayoutOf(request.type);
    const std::vector<SDL_MessageBoxButtonData> buttons = SdlButtonsOf(request.type);
    const std::string caption = Utf8FromWindows1252(request.caption);
    const std::string text = Utf8FromWindows1252(request.text);
    int answer = 0;
    bool shown = false;
    video->Call([&] {
        const SDL_MessageBoxData box{layout.flags,
                                     SdlWindowOf(request.owner),
                                     caption.c_str(),
                                     text.c_str(),
                                     static_cast<int>(buttons.size()),
                                     buttons.data(),
                                     nullptr};
        const x11::MessageBoxKeyboard keyboard(caption);
        EndForkedBoxesWithTheirParent();
        t_showingMessageBox = true;
        shown = SDL_ShowMessageBox(&box, &answer) == 0;
        t_showingMessageBox = false;
    });
    // Closing the box without a button (its close box) gives -1: the answer
    // of Escape, as on Windows, or the last button where Escape does nothing.
    if (shown && answer < 0)
        answer = AnswerOfKey(request.type, VK_ESCAPE) ? AnswerOfKey(request.type, VK_ESCAPE) : buttons.back().buttonid;
    return shown ? answer : WriteMessageBoxToStandardError(request);
}

}  // namespace vesper::platform::sdl
