// Running a built saver program as its own process and judging what the X
// server shows of it: the program with a settings folder of its own, the
// scene's background rendered in this process for comparison, and polling.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Last: Xlib defines macros (None, Status) that other headers use as names.
#include "tests/platform/drivers/sdl/sdl_test_support.h"

namespace vesper::test {

// The X server shows the palette's colours at 24 bits; a little room for a
// server that rounds them.
inline constexpr int kColourTolerance = 3;
// The debug build (sanitizers) renders a large background slowly: every wait
// polls up to this long.
inline constexpr auto kStartTimeout = std::chrono::seconds(90);
inline constexpr auto kExitTimeout = std::chrono::seconds(20);
inline constexpr auto kPollInterval = std::chrono::milliseconds(50);

bool Near(COLORREF a, COLORREF b);

// Why a test of the packed demo saver on the X server cannot run: no demo
// in this build, no DISPLAY, or no connection; empty when it can.
std::string DemoOnXUnavailable(const XConnection& x);

#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
// The demo saver cut short in the middle of its scene (the player before it
// is of another size in each build), as "damaged-saver" in the folder.
std::filesystem::path WriteDamagedDemoSaver(const std::filesystem::path& folder);
#endif

// The scene's background alone at width x height, as the default palette's
// colours, rendered on a headless screen of that size.
std::optional<Screenshot> RenderBackground(const std::string& scenePath, int width, int height);

// How two screenshots of the running saver relate to the background.
struct Comparison {
    long changed = 0;                 // pixels that differ between the shots
    long changedOverBackground = 0;   // of those, pixels where both shots show the background
    long unchanged = 0;               // pixels the same in both shots
    long unchangedBackground = 0;     // of those, pixels that show the background
};

Comparison Compare(const Screenshot& first, const Screenshot& second, const Screenshot& background);
std::string Describe(const Comparison& comparison);

// Share of the pixels of `shot` that show the background.
double BackgroundShare(const Screenshot& shot, const Screenshot& background);

bool PollUntil(const std::function<bool()>& condition, std::chrono::steady_clock::duration timeout);

// A program started with its own settings folder, the SDL backend and the
// extra environment entries ("NAME=value"), its output kept in a file; killed
// with whatever it started, and reaped, on destruction if it still runs.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& configFolder, const std::filesystem::path& outputFile,
                 const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Whether the process still runs; reaps it once it has ended.
    bool Running();
    // The wait status once the process has ended.
    std::optional<int> WaitStatus() const { return m_status; }
    // The exit code once the process has ended by itself; none otherwise.
    std::optional<int> ExitCode() const;
    // Seconds of processor time (user and system) the running process used
    // so far, from /proc; none once it has ended.
    std::optional<double> ProcessorSeconds() const;
    std::string Output() const;

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::filesystem::path m_outputFile;
};

}  // namespace vesper::test
