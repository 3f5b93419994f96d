// The packed demo saver as a user meets it: started full screen on a real X
// server (the SDL backend), it shows the demo's background with sprites moving
// over it, and a key press sent through the X server ends it with exit code 0.
// The expected background is rendered in this process, on a headless screen,
// from the same scene file the saver holds.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "tests/support/test_data.h"
// Last: it brings Xlib, whose macros (None, Status) other headers use as names.
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

// Time between the two screenshots: fifteen ticks at the full-screen pace.
constexpr auto kShotInterval = std::chrono::milliseconds(300);

// The whole screen, width x height; none when X cannot read it.
std::optional<Screenshot> WholeScreen(const XConnection& x, int width, int height)
{
    Screenshot shot = x.Capture(RECT{0, 0, width, height});
    if (shot.pixels.empty())
        return std::nullopt;
    return shot;
}

TEST(SdlSaver, DemoShowsMovingSpritesOverItsBackgroundAndEndsOnAKey)
{
#if !defined(VESPER_DEMO_SAVER) || !defined(VESPER_DEMO_SCENE)
    GTEST_SKIP() << "the packed demo saver is not part of this build";
#else
    XConnection x;
    if (const std::string reason = DemoOnXUnavailable(x); !reason.empty())
        GTEST_SKIP() << reason;
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
