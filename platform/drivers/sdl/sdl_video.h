// SDL's video subsystem on a thread of its own. Every SDL call of the program
// (and every X call made beside SDL) happens on this one thread, whatever
// thread the window layer runs on: other threads hand it work and wake it
// through an event file, and between events it sleeps until the X connection
// or that file has something, so an idle program uses no processor time.
// (SDL's own wake-up sends an X event to one of its windows, and is lost when
// that window is destroyed meanwhile, as another program's window can be.)
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/drivers/display.h"

namespace vesper::platform::sdl {

class VideoThread {
public:
    // The process's video thread, started on first use; null when SDL's video
    // subsystem cannot start (StartFailure() says why). Started once: a later
    // call gives the same answer.
    static VideoThread* Get();
    static std::string StartFailure();

    // The desktop's size at start, always 32 bits deep: on X the root window's,
    // the box that holds every monitor; elsewhere SDL's first display.
    const DisplayMode& DesktopMode() const { return m_mode; }
    // SDL's name of the video driver in use ("x11", "wayland", "dummy" ...).
    const std::string& DriverName() const { return m_driver; }

    // Runs `work` on the video thread and returns once it has run; runs it at
    // once when called on the video thread. The caller must not hold a lock
    // that the video thread's work takes.
    void Call(const std::function<void()>& work);
    // Runs `work` on the video thread soon and returns at once.
    void Post(std::function<void()> work);
    bool OnVideoThread() const;
    // Ends the video thread once the work handed over so far has run, and
    // waits (briefly) for that; later work is dropped. Called at exit.
    void Stop();

    // Called on the video thread for every SDL event, and once after each
    // batch of events and work with a null event. One listener at a time;
    // setting it waits until the previous one is no longer running.
    using EventListener = std::function<void(const SDL_Event*)>;
    void SetEventListener(EventListener listener);

    VideoThread(const VideoThread&) = delete;
    VideoThread& operator=(const VideoThread&) = delete;

private:
    struct Shared;

    VideoThread() = default;
    // Runs on the video thread: SDL_Init, then the event loop. Fills `m_mode`
    // and `m_driver`, or returns the reason SDL could not start.
    std::string Start();
    void Loop();
    // Runs the work handed over so far; false when there was none.
    bool RunPendingWork();
    // Sleeps until X events or work arrive (or, without X, a short while).
    void WaitForActivity(int xFile);
    void Wake();
    bool Stopping() const;

    std::shared_ptr<Shared> m_shared;
    DisplayMode m_mode;
    std::string m_driver;
    int m_wakeFile = -1;
};

}  // namespace vesper::platform::sdl
