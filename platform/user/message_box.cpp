#include "platform/user/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/win32.h"

namespace vesper::platform {
namespace {

std::mutex handlerMutex;
MessageBoxHandler installedHandler;

int DefaultButton(UINT type)
{
    switch (type & 0xF) {
    case MB_YESNO: return IDYES;
    default: return IDOK;
    }
}

}  // namespace

int WriteMessageBoxToStandardError(const MessageBoxRequest& request)
{
    std::fprintf(stderr, "%s: %s\n", request.caption.empty() ? "Error" : request.caption.c_str(),
                 request.text.c_str());
    return DefaultButton(request.type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(handlerMutex);
    return std::exchange(installedHandler, std::move(handler));
}

}  // namespace vesper::platform

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    using namespace vesper::platform;
    const MessageBoxRequest request{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "", uType};
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler;
    }
    return handler ? handler(request) : WriteMessageBoxToStandardError(request);
}
