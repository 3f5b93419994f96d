// Presenting without a hand-over: the screen picture lives in memory shared
// with the X server (MIT-SHM), and the thread that drew an area asks the
// server, over an X connection of its own, to copy it into the windows it
// touches. Nothing is copied on our side, no other thread is woken and
// nothing waits for the server's answer; the server reads the pixels when it
// carries the request out.
//
// Made only when the X server is local, offers shared memory and shows
// 32-bit pixels of blue, green, red and an unused byte (the screen picture's
// layout) in its default visual; otherwise the SDL backend presents through
// SDL's window surfaces.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/drivers/sdl/sdl_x11.h"

namespace vesper::platform::sdl::x11 {

class DirectPresenter {
public:
    // A window the pictures go into, and where its client area lies on the
    // screen.
    struct Target {
        WindowNumber window = 0;
        RECT area{0, 0, 0, 0};
    };

    // Connects to the X server of that name (ServerName()) and shares a
    // picture of the mode's size with it; null when any of that fails.
    static std::unique_ptr<DirectPresenter> Open(const std::string& serverName, const DisplayMode& mode);
    ~DirectPresenter();
    DirectPresenter(const DirectPresenter&) = delete;
    DirectPresenter& operator=(const DirectPresenter&) = delete;

    // The shared picture: rows of blue, green, red and an unused byte, top
    // row first, zero at first; it lives as long as the presenter.
    BYTE* Pixels() const { return m_pixels; }

    // Whether the server shows the picture's pixels as they are in this
    // window (same depth and colour layout); false for a window that is gone.
    bool CanShowIn(WindowNumber window);

    // The windows presented into from now on.
    void SetTargets(std::vector<Target> targets);
    // Asks the server to copy the areas (screen coordinates) into every
    // target they touch, and sends the requests on their way. The first time
    // an area covers a whole target, the time (nanoseconds since the epoch)
    // is written to the file VESPER_FIRST_FRAME_LOG names, if it names one,
    // for measuring start-up.
    void Present(const std::vector<RECT>& areas);
    // Waits until the server has carried out everything presented so far.
    void Synchronise();

    struct Connection;

private:
    explicit DirectPresenter(std::unique_ptr<Connection> connection);

    std::mutex m_mutex;
    std::unique_ptr<Connection> m_connection;
    BYTE* m_pixels = nullptr;
    std::vector<Target> m_targets;
    std::string m_firstFrameLog;
};

}  // namespace vesper::platform::sdl::x11
