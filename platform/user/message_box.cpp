#include "platform/user/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/kernel/translation.h"
#include "platform/kernel/windows_1252.h"
#include "platform/win32.h"

namespace vesper::platform {
namespace {

std::mutex handlerMutex;
MessageBoxHandler installedHandler;
BackendMessageBox backendBox = WriteMessageBoxToStandardError;

constexpr UINT kButtonsMask = 0x0000000F;

}  // namespace

int AnswerOfKey(UINT type, UINT virtualKey)
{
    const UINT buttons = type & kButtonsMask;
    switch (virtualKey) {
    case VK_RETURN:
    case VK_SPACE:
        return buttons == MB_YESNO ? IDYES : IDOK;
    case VK_ESCAPE:
        if (buttons == MB_OKCANCEL)
            return IDCANCEL;
        return buttons == MB_YESNO ? 0 : IDOK;
    default:
        return 0;
    }
}

int WriteMessageBoxToStandardError(const MessageBoxRequest& request)
{
    // The box's texts are Windows-1252; the terminal reads UTF-8.
    std::fprintf(stderr, "%s: %s\n", Utf8FromWindows1252(request.caption).c_str(),
                 Utf8FromWindows1252(request.text).c_str());
    return AnswerOfKey(request.type, VK_RETURN);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(handlerMutex);
    return std::exchange(installedHandler, std::move(handler));
}

void SetBackendMessageBox(BackendMessageBox show)
{
    std::lock_guard lock(handlerMutex);
    backendBox = show;
}

}  // namespace vesper::platform

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    using namespace vesper::platform;
    // Without a caption the box is an error's, as Windows names it.
    const MessageBoxRequest request{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : vesper::TrWindows("Error"),
                                    uType};
    MessageBoxHandler handler;
    BackendMessageBox show = nullptr;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler;
        show = backendBox;
    }
    return handler ? handler(request) : show(request);
}
