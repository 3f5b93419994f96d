#include "platform/drivers/sdl/sdl_video.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "platform/drivers/sdl/sdl_x11.h"

namespace vesper::platform::sdl {

namespace {

// Events taken in one turn of the loop before pending work gets its turn, so
// that a flood of pointer motion cannot hold up presenting.
constexpr int kLargestEventBatch = 256;
// Without X there is no connection to wait on: SDL is asked for events this
// often while nothing else happens.
constexpr int kPollMillisecondsWithoutX = 10;
// How long the program's exit waits for the video thread to put SDL down.
constexpr auto kStopTimeout = std::chrono::seconds(2);

// Hints given before SDL starts. The window surface is presented by copying
// only the changed rectangles; without the first hint SDL would put the
// surface through a (software) OpenGL renderer and re-create the window.
void SetStartHints()
{
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The program is itself a screen saver: SDL must neither hold off the
    // system's saver nor turn SIGINT and SIGTERM into quit events.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A full-screen window stays when a dialog takes the focus, and the first
    // click on a window that has no focus still counts as input.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

// SDL falls back to drivers that show nothing when no display server
// answers; those count only when SDL_VIDEODRIVER asks for them (as tests
// without a display server do).
bool ShowsWindows(const std::string& driver)
{
    if (driver != "offscreen" && driver != "dummy")
        return true;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    return asked && driver == asked;
}

struct StartState {
    std::once_flag once;
    VideoThread* thread = nullptr;
    // One that failed to start: its thread has ended, the object stays
    // (held here, so that leak checkers see it kept, not lost).
    VideoThread* abandoned = nullptr;
    std::string failure;
};

// Kept alive past static destruction, like the thread itself.
StartState& Started()
{
    static auto* state = new StartState;
    return *state;
}

}  // namespace

struct VideoThread::Shared {
    // Stopped once the program exits: no work runs any more.
    WorkQueue queue;
    std::promise<void> ended;
    // Taken before the thread starts, so that Stop never races the loop for it.
    std::shared_future<void> endedFuture = ended.get_future().share();
    EventListener listener;
};

namespace {

// The libraries SDL uses (Xlib's among them) are taken down as the process
// exits; the video thread must be out of them by then.
void StopVideoThreadAtExit()
{
    if (VideoThread* video = Started().thread)
        video->Stop();
}

}  // namespace

VideoThread* VideoThread::Get()
{
    StartState& state = Started();
    std::call_once(state.once, [&state] {
        auto* video = new VideoThread;
        video->m_shared = std::make_shared<Shared>();
        std::promise<std::string> started;
        std::future<std::string> result = started.get_future();
        std::thread([video, &started] {
            std::string failure = video->Start();
            const bool running = failure.empty();
            started.set_value(std::move(failure));
            if (running)
                video->Loop();
        }).detach();
        state.failure = result.get();
        if (state.failure.empty()) {
            state.thread = video;
            std::atexit(StopVideoThreadAtExit);
        } else {
            state.abandoned = video;
        }
    });
    return state.thread;
}

std::string VideoThread::StartFailure()
{
    Get();
    return Started().failure;
}

std::string VideoThread::Start()
{
    if (!m_shared->queue.Open())
        return "no event file for the video thread";
    SetStartHints();
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return std::string("SDL could not start its video subsystem: ") + SDL_GetError();
    // Text input would start an input method connection nothing here uses.
    SDL_StopTextInput();
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        std::string failure = std::string("SDL could not measure the desktop: ") + SDL_GetError();
        SDL_Quit();
        return failure;
    }
    m_mode = DisplayMode{desktop.w, desktop.h, 32};
    // On X the screen is the root window, which holds every monitor.
    if (const std::optional<SIZE> root = x11::RootSize())
        m_mode = DisplayMode{root->cx, root->cy, 32};
    if (!IsSupportedMode(m_mode)) {
        SDL_Quit();
        return "the desktop's size " + std::to_string(desktop.w) + "x" + std::to_string(desktop.h) +
               " is not one a display can have";
    }
    m_driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if (!ShowsWindows(m_driver)) {
        SDL_Quit();
        return "SDL found no display server (it would draw only into memory with its \"" + m_driver +
               "\" driver)";
    }
    return {};
}

void VideoThread::Loop()
{
    const int xFile = x11::EventFile();
    for (;;) {
        const bool worked = m_shared->queue.RunPending();
        if (m_shared->queue.Stopped()) {
            m_shared->ended.set_value();
            return;
        }
        // SDL_PollEvent reads everything the X connection holds, so the wait
        // below starts with nothing unread.
        SDL_Event event;
        int taken = 0;
        while (taken < kLargestEventBatch && SDL_PollEvent(&event)) {
            ++taken;
            if (m_shared->listener)
                m_shared->listener(&event);
        }
        if (m_shared->listener)
            m_shared->listener(nullptr);
        if (!worked && taken < kLargestEventBatch)
            WaitForActivity(xFile);
    }
}

void VideoThread::WaitForActivity(int xFile)
{
    pollfd files[2] = {{m_shared->queue.WakeFile(), POLLIN, 0}, {xFile, POLLIN, 0}};
    const int count = xFile >= 0 ? 2 : 1;
    const int timeout = xFile >= 0 ? -1 : kPollMillisecondsWithoutX;
    while (poll(files, static_cast<nfds_t>(count), timeout) < 0 && errno == EINTR) {
    }
}

void VideoThread::Stop()
{
    if (OnVideoThread() || !m_shared->queue.Stop())
        return;
    m_shared->endedFuture.wait_for(kStopTimeout);
}

bool VideoThread::OnVideoThread() const
{
    return m_shared->queue.OnOwnThread();
}

void VideoThread::Post(std::function<void()> work)
{
    m_shared->queue.Post(std::move(work));
}

void VideoThread::Call(const std::function<void()>& work)
{
    m_shared->queue.Call(work);
}

void VideoThread::SetEventListener(EventListener listener)
{
    Call([this, &listener] { m_shared->listener = std::move(listener); });
}

}  // namespace vesper::platform::sdl

#if defined(__SANITIZE_ADDRESS__)
// SDL asks D-Bus for an input method as its video subsystem starts; libdbus
// keeps what it allocated for that (even when no bus answers) until the
// process ends, which LeakSanitizer would report at every exit. SDL's own
// state of the video thread (its per-thread data among it) is let go only by
// SDL_Quit, which the exit leaves out: the video thread is stopped at exit
// and its data is no longer reachable from a running thread.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\nleak:libSDL2-2.0.so\n";
}
#endif
