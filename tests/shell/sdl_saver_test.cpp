// The packed demo saver as a user meets it: started full screen on a real X
// server (the SDL backend), it shows the demo's background with sprites moving
// over it, and a key press sent through the X server ends it with exit code 0.
// The expected background is rendered in this process, on a headless screen,
// from the same scene file the saver holds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/default_palette.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "scene/vesper_doc.h"
#include "tests/stage/stage_test_support.h"
#include "tests/support/test_data.h"
// Last: Xlib defines macros (None, Status) that the headers above use as names.
#include "tests/platform/drivers/sdl/sdl_test_support.h"

extern char** environ;

namespace vesper::test {
namespace {

using Clock = std::chrono::steady_clock;

// The X server shows the palette's colours at 24 bits; a little room for a
// server that rounds them.
constexpr int kColourTolerance = 3;
// The debug build (sanitizers) renders a large background slowly: every wait
// polls up to this long.
constexpr auto kStartTimeout = std::chrono::seconds(90);
constexpr auto kExitTimeout = std::chrono::seconds(20);
constexpr auto kPollInterval = std::chrono::milliseconds(50);
// Time between the two screenshots: fifteen ticks at the full-screen pace.
constexpr auto kShotInterval = std::chrono::milliseconds(300);

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= kColourTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= kColourTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kColourTolerance;
}

// The whole screen, width x height; none when X cannot read it.
std::optional<Screenshot> WholeScreen(const XConnection& x, int width, int height)
{
    Screenshot shot = x.Capture(RECT{0, 0, width, height});
    if (shot.pixels.empty())
        return std::nullopt;
    return shot;
}

// The scene's background alone at width × height, as the default palette's
// colours, rendered on a headless screen of that size.
std::optional<Screenshot> RenderBackground(const std::string& scenePath, int width, int height)
{
    platform::UseHeadlessDisplay({width, height, 32});
    platform::UseHeadlessWindowBackend();
    std::optional<Screenshot> picture;
    if (CreateDefaultPalette(g_defaultPalette)) {
        CVesperDoc document;
        if (document.LoadSceneFromFile(scenePath, 0)) {
            CDIB8BPP rendered;
            rendered.block = document.RenderBackground(width, height);
            if (rendered.GetWidth() == width && rendered.GetHeight() == height) {
                picture = Screenshot{width, height, {}};
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        picture->pixels.push_back(PaletteColour(rendered.GetPixelIndex(x, y)));
            }
        }
        document.DeleteContents();
    }
    g_defaultPalette.DeleteObject();
    platform::UseWindowBackend(nullptr);
    platform::UseDisplay(nullptr);
    return picture;
}

// How two screenshots of the running saver relate to the background.
struct Comparison {
    long changed = 0;                 // pixels that differ between the shots
    long changedOverBackground = 0;   // of those, pixels where both shots show the background
    long unchanged = 0;               // pixels the same in both shots
    long unchangedBackground = 0;     // of those, pixels that show the background
};

Comparison Compare(const Screenshot& first, const Screenshot& second, const Screenshot& background)
{
    Comparison result;
    for (std::size_t i = 0; i < first.pixels.size(); ++i) {
        const bool firstIsBackground = Near(first.pixels[i], background.pixels[i]);
        if (first.pixels[i] == second.pixels[i]) {
            ++result.unchanged;
            result.unchangedBackground += firstIsBackground;
        } else {
            ++result.changed;
            result.changedOverBackground += firstIsBackground && Near(second.pixels[i], background.pixels[i]);
        }
    }
    return result;
}

// Share of the pixels of `shot` that show the background.
double BackgroundShare(const Screenshot& shot, const Screenshot& background)
{
    long matching = 0;
    for (std::size_t i = 0; i < shot.pixels.size(); ++i)
        matching += Near(shot.pixels[i], background.pixels[i]);
    return static_cast<double>(matching) / static_cast<double>(shot.pixels.size());
}

bool PollUntil(const std::function<bool()>& condition, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

// A program started with its own settings folder and the SDL backend, its
// output kept in a file; killed and reaped on destruction if it still runs.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& configFolder, const std::filesystem::path& outputFile)
        : m_outputFile(outputFile)
    {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry)
            if (!StartsWith(*entry, "XDG_CONFIG_HOME=") && !StartsWith(*entry, "VESPER_DISPLAY="))
                environment.emplace_back(*entry);
        environment.push_back("XDG_CONFIG_HOME=" + configFolder.string());
        environment.push_back("VESPER_DISPLAY=sdl");

        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());

        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        const std::vector<char*> argPointers = Pointers(argv);
        const std::vector<char*> environmentPointers = Pointers(environment);
        if (posix_spawn(&m_pid, program.c_str(), &files, nullptr, argPointers.data(), environmentPointers.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
    }

    ~ChildProcess()
    {
        if (Running()) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }

    // Whether the process still runs; reaps it once it has ended.
    bool Running()
    {
        if (m_pid <= 0 || m_status)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid)
            return true;
        m_status = status;
        return false;
    }

    // The wait status once the process has ended.
    std::optional<int> WaitStatus() const { return m_status; }

    std::string Output() const
    {
        std::ifstream in(m_outputFile);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static bool StartsWith(const char* text, const char* prefix)
    {
        return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
    }

    static std::vector<char*> Pointers(const std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (const std::string& text : texts)
            pointers.push_back(const_cast<char*>(text.c_str()));
        pointers.push_back(nullptr);
        return pointers;
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::filesystem::path m_outputFile;
};

std::string Describe(const Comparison& c)
{
    std::ostringstream text;
    text << c.changed << " pixels changed (" << c.changedOverBackground << " of them background in both shots), "
         << c.unchanged << " unchanged (" << c.unchangedBackground << " of them background)";
    return text.str();
}

TEST(SdlSaver, DemoShowsMovingSpritesOverItsBackgroundAndEndsOnAKey)
{
#if !defined(VESPER_DEMO_SAVER) || !defined(VESPER_DEMO_SCENE)
    GTEST_SKIP() << "the packed demo saver is not part of this build";
#else
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X server (DISPLAY is not set); scripts/test.sh runs this test under xvfb-run";
    XConnection x;
    if (!x.Get())
        GTEST_SKIP() << "cannot connect to the X server " << display;
    ASSERT_FALSE(x.FindByName("Screen Saver")) << "a saver window is already on this X server";

    const int width = DisplayWidth(x.Get(), DefaultScreen(x.Get()));
    const int height = DisplayHeight(x.Get(), DefaultScreen(x.Get()));
    const std::optional<Screenshot> background = RenderBackground(VESPER_DEMO_SCENE, width, height);
    ASSERT_TRUE(background) << "cannot render the background of " << VESPER_DEMO_SCENE;
    // A background of many colours cannot be matched by a blank or stray screen.
    const std::set<COLORREF> colours(background->pixels.begin(), background->pixels.end());
    ASSERT_GE(colours.size(), 16u) << "the demo's background is nearly plain";

    ScratchDir folder;
    ChildProcess saver(VESPER_DEMO_SAVER, {"/s"}, folder.path(), folder / "output.txt");
    ASSERT_TRUE(saver.Started()) << "cannot start " << VESPER_DEMO_SAVER;

    // The saver is up once most of the screen shows the background (sprites
    // and the rest of the frame may still be on their way).
    std::optional<Screenshot> first;
    const bool shown = PollUntil(
        [&] {
            if (!saver.Running())
                return true;
            first = WholeScreen(x, width, height);
            return first && BackgroundShare(*first, *background) > 0.9;
        },
        kStartTimeout);
    ASSERT_TRUE(saver.Running()) << "the saver ended early with wait status " << saver.WaitStatus().value_or(-1) << ":\n"
                                 << saver.Output();
    ASSERT_TRUE(shown) << "the screen never showed the demo's background; share "
                       << (first ? BackgroundShare(*first, *background) : 0.0) << "\n"
                       << saver.Output();
    EXPECT_TRUE(x.FindByName("Screen Saver")) << "no window titled \"Screen Saver\"";

    // Two screenshots some ticks apart, the first taken after the whole frame
    // was shown.
    std::this_thread::sleep_for(kShotInterval);
    first = WholeScreen(x, width, height);
    ASSERT_TRUE(first);
    std::this_thread::sleep_for(kShotInterval);
    const std::optional<Screenshot> second = WholeScreen(x, width, height);
    ASSERT_TRUE(second);

    const Comparison comparison = Compare(*first, *second, *background);
    const long screenPixels = static_cast<long>(width) * height;
    // Sprites moved, over a small part of the screen.
    EXPECT_GT(comparison.changed, 100) << Describe(comparison);
    EXPECT_LT(comparison.changed, screenPixels / 10) << Describe(comparison);
    // Wherever the screen changed, a sprite was there in one of the shots.
    EXPECT_EQ(comparison.changedOverBackground, 0) << Describe(comparison);
    // What stayed is the background, apart from the sprites that stood still.
    EXPECT_GT(comparison.unchangedBackground, comparison.unchanged * 9 / 10) << Describe(comparison);

    ASSERT_TRUE(RunCommand("xdotool key space")) << "xdotool failed (scripts/setup.sh installs it)";
    PollUntil([&] { return !saver.Running(); }, kExitTimeout);
    ASSERT_FALSE(saver.Running()) << "the saver still runs after a key press";
    const int status = *saver.WaitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "wait status " << status << ", output:\n" << saver.Output();
    // The X server drops a client's windows once it sees the connection close.
    EXPECT_TRUE(PollUntil([&] { return !x.FindByName("Screen Saver"); }, kExitTimeout))
        << "the saver's window outlived it";
#endif
}

}  // namespace
}  // namespace vesper::test
