// The Wayland backend's screen: a picture (platform/drivers/screen_picture.h)
// that holds every output side by side in device pixels
// (platform/drivers/wayland/wayland_layout.h). Its pixels live in a memory
// file that the compositor maps too, so that a surface's buffer can be a
// window onto the screen itself: GDI draws where the compositor reads, and
// showing a change copies nothing. Its pages are touched only where something
// is drawn, so the room kept for outputs that may arrive costs nothing until
// they do.
#pragma once

#include "platform/internal.h"

#include <cstddef>
#include <memory>

#include "platform/drivers/screen_picture.h"

namespace vesper::platform::wayland {

class Screen final : public ScreenPicture {
public:
    // In a memory file when one can be had, else in private memory.
    static std::shared_ptr<Screen> Make(const DisplayMode& mode);
    ~Screen() override;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // The memory file that holds the pixels (-1 for private memory) and its
    // size in bytes.
    int File() const { return m_file; }
    std::size_t FileSize() const { return m_fileSize; }

    // Sets the unused byte of every pixel of the area (screen coordinates,
    // cut to the screen): some compositors (weston) read that byte of an
    // XRGB8888 buffer as the opacity. Call with GdiMutex() held.
    void MakeOpaque(const RECT& area);
    // Written areas are made opaque at once, by the thread that drew them
    // while their pixels are still in its cache.
    void AreaChanged(const RECT& area) override;

    // Public for std::make_shared; Make() chooses.
    Screen(const DisplayMode& mode, int file, BYTE* pixels, std::size_t fileSize);
    explicit Screen(const DisplayMode& mode);

private:
    int m_file = -1;
    BYTE* m_mapped = nullptr;
    std::size_t m_fileSize = 0;
};

// The process's screen, sized for the outputs at the start; null when there
// is no compositor to use.
std::shared_ptr<Screen> SharedScreen();

}  // namespace vesper::platform::wayland
