#include "platform/drivers/sdl/sdl_message_box.h"

#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_windows.h"
#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/win32.h"

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
    // Each button's answer (IDOK, IDCANCEL, IDYES, IDNO) and text, left to
    // right.
    std::vector<std::pair<int, const char*>> buttons;
};

// SDL wants UTF-8; the program's texts are Windows-1252.
std::string Utf8Of(const std::string& text)
{
    char* converted = SDL_iconv_string("UTF-8", "WINDOWS-1252", text.c_str(), text.size() + 1);
    if (!converted)
        return text;
    std::string result(converted);
    SDL_free(converted);
    return result;
}

MessageBoxLayout LayoutOf(UINT type)
{
    MessageBoxLayout layout;
    layout.flags = IconFlag(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    switch (type & kButtonsMask) {
    case MB_OKCANCEL:
        layout.buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_YESNO:
        layout.buttons = {{IDYES, "Yes"}, {IDNO, "No"}};
        break;
    default:
        layout.buttons = {{IDOK, "OK"}};
        break;
    }
    return layout;
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
    const std::string caption = Utf8Of(request.caption.empty() ? "Error" : request.caption);
    const std::string text = Utf8Of(request.text);
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
        shown = SDL_ShowMessageBox(&box, &answer) == 0;
    });
    // Closing the box without a button (its close box) gives -1: the answer
    // of Escape, as on Windows, or the last button where Escape does nothing.
    if (shown && answer < 0)
        answer = AnswerOfKey(request.type, VK_ESCAPE) ? AnswerOfKey(request.type, VK_ESCAPE) : buttons.back().buttonid;
    return shown ? answer : WriteMessageBoxToStandardError(request);
}

}  // namespace vesper::platform::sdl
