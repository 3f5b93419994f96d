#include "platform/drivers/web/web_backend.h"

#include <emscripten/emscripten.h>

#include "platform/api/win32_user.h"
#include "platform/drivers/web/web_display.h"

// The page's side, in its script: draws the RGBA bytes at (left, top) of the
// canvas, and shows a message box.
EM_JS(void, vesper_canvas_present, (const unsigned char* rgba, int left, int top, int width, int height), {
    Module.vesperPresent(rgba, left, top, width, height);
});
// The texts go as bytes: the player's are UTF-8 or the Windows code page,
// which the page tells apart.
EM_JS(void, vesper_page_message_box,
      (const char* caption, int captionLength, const char* text, int textLength, unsigned type), {
    Module.vesperMessageBox(HEAPU8.slice(caption, caption + captionLength), HEAPU8.slice(text, text + textLength),
                            type);
});

namespace vesper::platform::web {

namespace {

void PresentOnCanvas(const BYTE* rgba, const RECT& area)
{
    vesper_canvas_present(rgba, area.left, area.top, area.right - area.left, area.bottom - area.top);
}

}  // namespace

std::string UnavailableReason(bool)
{
    return {};
}

std::unique_ptr<Display> MakeDisplay(std::string_view)
{
    return std::make_unique<WebDisplay>(DisplayMode{}, PresentOnCanvas);
}

int ShowMessageBox(const MessageBoxRequest& request)
{
    const std::string caption = request.caption.empty() ? "Error" : request.caption;
    vesper_page_message_box(caption.data(), static_cast<int>(caption.size()), request.text.data(),
                            static_cast<int>(request.text.size()), request.type);
    // The default button: the first, Yes in a box of Yes and No.
    return (request.type & 0xF) == MB_YESNO ? IDYES : IDOK;
}

void UseCanvasDisplay(const DisplayMode& mode)
{
    UseDisplay(std::make_unique<WebDisplay>(mode, PresentOnCanvas));
}

}  // namespace vesper::platform::web
