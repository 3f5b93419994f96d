// The screen of a backend that shows it in windows of a display server: GDI
// draws into one true-colour picture kept in memory, and the backend copies
// the areas that changed into its windows. Shared by the SDL and the Wayland
// backends; a picture lives as long as the process, shared by every display
// and window backend made on it.
#pragma once

#include "platform/internal.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/drivers/changed_areas.h"
#include "platform/drivers/display.h"

namespace vesper::platform {

class ScreenPicture {
public:
    // A picture of its own, zeroed.
    explicit ScreenPicture(const DisplayMode& mode);
    // Pixels that something else owns (memory shared with a display server)
    // and keeps for as long as the picture lives.
    ScreenPicture(const DisplayMode& mode, BYTE* borrowed);
    virtual ~ScreenPicture() = default;
    ScreenPicture(const ScreenPicture&) = delete;
    ScreenPicture& operator=(const ScreenPicture&) = delete;

    const DisplayMode& Mode() const { return m_mode; }
    // Rows of blue, green, red and one unused byte, top row first. Read and
    // written with GdiMutex() held.
    Surface Pixels();

    // Records a written area (already inside the screen). The first area
    // after the changes were last taken calls the change listener, which
    // must not block: it is called with GdiMutex() held.
    virtual void AreaChanged(const RECT& area);
    // The areas written since the last call (platform/drivers/changed_areas.h).
    std::vector<RECT> TakeChangedAreas() { return m_changed.Take(); }

    using ChangeListener = std::function<void()>;
    void SetChangeListener(ChangeListener listener);

private:
    DisplayMode m_mode;
    // Allocated zeroed and untouched, so that large pages can back it, and
    // pages nothing draws on cost nothing.
    std::unique_ptr<BYTE, void (*)(void*)> m_pixels;
    ChangedAreas m_changed;
    std::mutex m_listenerMutex;
    ChangeListener m_listener;
};

// The display GDI draws on: a screen picture.
class PictureDisplay final : public Display {
public:
    explicit PictureDisplay(std::shared_ptr<ScreenPicture> picture);

    Surface Pixels() override { return m_picture->Pixels(); }
    void AreaChanged(const RECT& area) override { m_picture->AreaChanged(area); }

private:
    std::shared_ptr<ScreenPicture> m_picture;
};

}  // namespace vesper::platform
