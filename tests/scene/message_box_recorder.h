// Message boxes of the platform's message box layer, recorded instead of
// shown (a test support of Vesper's own platform; Windows shows its boxes).
#pragma once

#include <vector>

#include "platform/user/message_box.h"
#include "platform/win32.h"

namespace vesper::test {

// Records the message boxes shown while it lives, without showing them.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<platform::MessageBoxRequest> boxes;

private:
    platform::MessageBoxHandler m_previous;
};

}  // namespace vesper::test
