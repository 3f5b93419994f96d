// MessageBoxA on the SDL backend: a modal box of SDL's with the buttons of the
// box type (MB_OK, MB_OKCANCEL, MB_YESNO) and its icon, shown on the video
// thread; the calling thread waits for the answer.
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include <vector>

#include "platform/user/message_box.h"

namespace vesper::platform::sdl {

// SDL's buttons for a box type, left to right, with the keys that press them
// as AnswerOfKey says (SDL's box knows Return and Escape; Space comes through
// x11::MessageBoxKeyboard).
std::vector<SDL_MessageBoxButtonData> SdlButtonsOf(UINT type);

// Shows the box; when SDL cannot, the box goes to standard error like a box
// without a handler.
int ShowMessageBox(const MessageBoxRequest& request);

}  // namespace vesper::platform::sdl
