// Where MessageBoxA goes. Until the display backends bring real windows the
// box is written to standard error and answered with its default button; a
// test may install its own handler to record the boxes and choose the answer.
#pragma once

#include <functional>
#include <string>

#include "platform/win32_types.h"

namespace vesper::platform {

struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs a handler (an empty one restores the default); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace vesper::platform
