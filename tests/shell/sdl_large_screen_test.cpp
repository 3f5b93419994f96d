// Whole-pixel scaling as a user meets it on a large screen: the packed demo
// saver on a 3840 x 2160 X server shows its stage of 1280 x 720 in 3 x 3
// blocks (auto), and as a hack in a 2560 x 1440 window in 2 x 2 blocks. The
// expected picture is the background rendered at the stage size in this
// process, magnified. Where the system grants shared memory large pages on
// request, the picture shared with the X server has them. scripts/test.sh runs
// these on an Xvfb of that size.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <optional>
#include <string>

#include "tests/support/platform/memory_pages.h"
#include "tests/support/test_data.h"
// Last: it brings Xlib, whose macros (None, Status) other headers use as names.
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

constexpr int kLargeWidth = 3840;
constexpr int kLargeHeight = 2160;

// Each pixel of the picture as a factor x factor block.
Screenshot Magnified(const Screenshot& picture, int factor)
{
    Screenshot large{picture.width * factor, picture.height * factor, {}};
    large.pixels.reserve(static_cast<std::size_t>(large.width) * large.height);
    for (int y = 0; y < large.height; ++y)
        for (int x = 0; x < large.width; ++x)
            large.pixels.push_back(picture.At(x / factor, y / factor));
    return large;
}

// The blocks of factor x factor pixels (from the top left) that hold more
// than one colour.
long MixedBlocks(const Screenshot& shot, int factor)
{
    long mixed = 0;
    for (int top = 0; top + factor <= shot.height; top += factor)
        for (int left = 0; left + factor <= shot.width; left += factor) {
            const COLORREF colour = shot.At(left, top);
            bool same = true;
            for (int y = top; y < top + factor && same; ++y)
                for (int x = left; x < left + factor && same; ++x)
                    same = shot.At(x, y) == colour;
            mixed += !same;
        }
    return mixed;
}

class SdlLargeScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
#if !defined(VESPER_DEMO_SAVER) || !defined(VESPER_DEMO_SCENE)
        GTEST_SKIP() << "the packed demo saver is not part of this build";
#else
        if (const std::string reason = DemoOnXUnavailable(x); !reason.empty())
            GTEST_SKIP() << reason;
        const int width = DisplayWidth(x.Get(), DefaultScreen(x.Get()));
        const int height = DisplayHeight(x.Get(), DefaultScreen(x.Get()));
        if (width != kLargeWidth || height != kLargeHeight)
            GTEST_SKIP() << "needs a 3840x2160 X server, this one is " << width << "x" << height
                         << " (scripts/test.sh runs it on one)";
#endif
    }

    // Waits until the area shows most of the expected picture; the last shot.
    std::optional<Screenshot> ShotShowing(ChildProcess& saver, const RECT& area, const Screenshot& expected)
    {
        std::optional<Screenshot> shot;
        PollUntil(
            [&] {
                if (!saver.Running())
                    return true;
                Screenshot taken = x.Capture(area);
                if (taken.pixels.empty())
                    return false;
                shot = std::move(taken);
                return BackgroundShare(*shot, expected) > 0.9;
            },
            kStartTimeout);
        return shot;
    }

    XConnection x;
    ScratchDir folder;
};

TEST_F(SdlLargeScreen, AutoShowsTheStageOf1280x720In3x3Blocks)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const std::optional<Screenshot> stage = RenderBackground(VESPER_DEMO_SCENE, 1280, 720);
    ASSERT_TRUE(stage) << "cannot render the background of " << VESPER_DEMO_SCENE;
    const Screenshot expected = Magnified(*stage, 3);

    ChildProcess saver(VESPER_DEMO_SAVER, {"/s"}, folder.path(), folder / "output.txt");
    ASSERT_TRUE(saver.Started());
    const std::optional<Screenshot> shot = ShotShowing(saver, RECT{0, 0, kLargeWidth, kLargeHeight}, expected);
    ASSERT_TRUE(saver.Running()) << "the saver ended early:\n" << saver.Output();
    ASSERT_TRUE(shot);
    EXPECT_GT(BackgroundShare(*shot, expected), 0.9) << saver.Output();
    // Sprites too are whole blocks: every 3 x 3 block of the screen is one colour.
    EXPECT_EQ(MixedBlocks(*shot, 3), 0);

    ASSERT_TRUE(RunCommand("xdotool key space")) << "xdotool failed (scripts/setup.sh installs it)";
    PollUntil([&] { return !saver.Running(); }, kExitTimeout);
    ASSERT_FALSE(saver.Running()) << "the saver still runs after a key press";
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Output();
#endif
}

// Where the system grants shared memory large pages on request, the picture
// the saver shares with the X server asks for them: its magnified rows lie a
// page or more apart, each a TLB miss on small pages.
TEST_F(SdlLargeScreen, TheScreenPictureSharedWithTheServerHasLargePagesWhereTheSystemAllows)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const std::string setting = "/sys/kernel/mm/transparent_hugepage/shmem_enabled";
    if (!LargePagesGrantedOnRequest(setting))
        GTEST_SKIP() << "this system gives shared memory no large pages on request (" << setting << ")";
    const std::optional<Screenshot> stage = RenderBackground(VESPER_DEMO_SCENE, 1280, 720);
    ASSERT_TRUE(stage);
    ChildProcess saver(VESPER_DEMO_SAVER, {"/s"}, folder.path(), folder / "output.txt");
    ASSERT_TRUE(saver.Started());
    ASSERT_TRUE(ShotShowing(saver, RECT{0, 0, kLargeWidth, kLargeHeight}, Magnified(*stage, 3)));
    ASSERT_TRUE(saver.Running()) << "the saver ended early:\n" << saver.Output();

    // The picture's mapping is split where its large pages end; SDL keeps
    // a segment of the screen's size of its own, which it never writes.
    constexpr long kPictureKilobytes = long{kLargeWidth} * kLargeHeight * 4 / 1024;
    long largePageKilobytes = 0;
    for (Mapping& mapping : ReadMappings("/proc/" + std::to_string(saver.Pid()) + "/smaps"))
        if (mapping.path.rfind("/SYSV", 0) == 0)
            largePageKilobytes += mapping.kilobytes["ShmemPmdMapped"];
    EXPECT_GT(largePageKilobytes, kPictureKilobytes / 2);

    ASSERT_TRUE(RunCommand("xdotool key space"));
    PollUntil([&] { return !saver.Running(); }, kExitTimeout);
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Output();
#endif
}

TEST_F(SdlLargeScreen, AHostWindowOf2560x1440GetsScale2)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const std::optional<Screenshot> stage = RenderBackground(VESPER_DEMO_SCENE, 1280, 720);
    ASSERT_TRUE(stage);
    const Screenshot expected = Magnified(*stage, 2);

    const XWindow host = x.MakeHostWindow(0, 0, 2560, 1440);
    ChildProcess hack(VESPER_DEMO_SAVER, {"--window-id", std::to_string(host)}, folder.path(), folder / "output.txt");
    ASSERT_TRUE(hack.Started());
    const std::optional<Screenshot> shot = ShotShowing(hack, RECT{0, 0, 2560, 1440}, expected);
    ASSERT_TRUE(hack.Running()) << "the hack ended early:\n" << hack.Output();
    ASSERT_TRUE(shot);
    EXPECT_GT(BackgroundShare(*shot, expected), 0.9) << hack.Output();
    EXPECT_EQ(MixedBlocks(*shot, 2), 0);
    // Not the 3 x 3 blocks the whole screen would get.
    EXPECT_GT(MixedBlocks(*shot, 3), 1000);

    ASSERT_EQ(kill(hack.Pid(), SIGTERM), 0);
    PollUntil([&] { return !hack.Running(); }, kExitTimeout);
    ASSERT_FALSE(hack.Running());
    EXPECT_EQ(hack.ExitCode(), 0) << hack.Output();
#endif
}

}  // namespace
}  // namespace vesper::test
