// The browser backend: its display is the page's canvas (WebDisplay, each
// changed area handed to the page's Module.vesperPresent), its message boxes
// are the page's own (Module.vesperMessageBox shows the text in HTML and the
// box is answered with its default button at once: the page never waits).
// Windows are records only, as on the headless backend: the page has one
// canvas and no window system. Built for the browser only; the page's player
// includes this header to make the canvas's display.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/drivers/display.h"
#include "platform/user/message_box.h"

namespace vesper::platform::web {

std::string UnavailableReason(bool named);
std::unique_ptr<Display> MakeDisplay(std::string_view setting);
int ShowMessageBox(const MessageBoxRequest& request);

// Makes a canvas display of `mode` current (32 bits per pixel whatever the
// mode says).
void UseCanvasDisplay(const DisplayMode& mode);

}  // namespace vesper::platform::web
