#include "platform/user/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

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
    std::fprintf(stderr, "%s: %s\n", request.caption.empty() ? "Error" : request.caption.c_str(),
                 request.text.c_str());
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
    const MessageBoxRequest request{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "", uType};
    MessageBoxHandler handler;
    BackendMessageBox show = nullptr;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler;
        show = backendBox;
    }
    return handler ? handler(request) : show(request);
}
