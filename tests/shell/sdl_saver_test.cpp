// The packed demo saver as a user meets it: started full screen on a real X
// server (the SDL backend), it shows the demo's background with sprites moving
// over it, and a key press sent through the X server ends it with exit code 0.
// The expected background is rendered in this process, on a headless screen,
// from the same scene file the saver holds.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "tests/support/pe_builder.h"
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

// A saver kept from Windows: a Windows program with the demo scene appended
// after its image. The bare player, which holds no scene of its own, plays it
// with --scene as it plays its own.
TEST(SdlSaver, TheBarePlayerPlaysTheSceneOfAWindowsSaverFile)
{
#if !defined(VESPER_PLAYER) || !defined(VESPER_DEMO_SCENE)
    GTEST_SKIP() << "the player or the demo scene is not part of this build";
#else
    XConnection x;
    if (const std::string reason = DemoOnXUnavailable(x); !reason.empty())
        GTEST_SKIP() << reason;
    const int width = DisplayWidth(x.Get(), DefaultScreen(x.Get()));
    const int height = DisplayHeight(x.Get(), DefaultScreen(x.Get()));
    const std::optional<Screenshot> background = RenderBackground(VESPER_DEMO_SCENE, width, height);
    ASSERT_TRUE(background);

    ScratchDir folder;
    std::vector<std::uint8_t> bytes = BuildPe({.string1 = u"Old saver|by someone"});
    std::ifstream scene(VESPER_DEMO_SCENE, std::ios::binary);
    bytes.insert(bytes.end(), std::istreambuf_iterator<char>(scene), std::istreambuf_iterator<char>());
    const std::filesystem::path oldSaver = folder / "old-saver.scr";
    std::ofstream(oldSaver, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));

    ChildProcess saver(VESPER_PLAYER, {"--scene", oldSaver.string(), "/s"}, folder.path(), folder / "output.txt");
    ASSERT_TRUE(saver.Started());
    std::optional<Screenshot> shot;
    PollUntil(
        [&] {
            shot = WholeScreen(x, width, height);
            return !saver.Running() || (shot && BackgroundShare(*shot, *background) > 0.9);
        },
        kStartTimeout);
    ASSERT_TRUE(saver.Running()) << "the player ended early:\n" << saver.Output();
    EXPECT_GT(shot ? BackgroundShare(*shot, *background) : 0.0, 0.9) << "the screen does not show the demo";

    ASSERT_TRUE(RunCommand("xdotool key space"));
    PollUntil([&] { return !saver.Running(); }, kExitTimeout);
    ASSERT_FALSE(saver.Running()) << "the player still runs after a key press";
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Output();
    EXPECT_TRUE(PollUntil([&] { return !x.FindByName("Screen Saver"); }, kExitTimeout));
#endif
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

constexpr const char* kPasswordCaption = "Screen saver password";

// A top-level window with this name other than `other`, once keys typed
// reach it (a key typed before would be lost, as a person's would).
std::optional<XWindow> WaitForWindow(const XConnection& x, const std::string& name,
                                     std::optional<XWindow> other = std::nullopt)
{
    std::optional<XWindow> found;
    const auto shown = [&] {
        found = x.FindByName(name);
        return found && found != other && x.ReceivesKeys(*found);
    };
    return PollUntil(shown, kStartTimeout) ? found : std::nullopt;
}

// Types into the focused window, then presses Return.
bool TypeAndEnter(const std::string& text)
{
    return RunCommand("xdotool type --delay 30 '" + text + "'") && RunCommand("xdotool key Return");
}

// Whether any file under the folder holds the text.
bool AnyFileHolds(const std::filesystem::path& folder, const std::string& text)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.find(text) != std::string::npos)
            return true;
    }
    return false;
}

TEST(SdlSaver, APasswordSetWithSlashAGuardsTheSaverUntilTypedRight)
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
    ASSERT_TRUE(RunCommand("xdotool version")) << "xdotool is missing (scripts/setup.sh installs it)";
    RunCommand("xdotool mousemove 0 0");
    const int width = DisplayWidth(x.Get(), DefaultScreen(x.Get()));
    const int height = DisplayHeight(x.Get(), DefaultScreen(x.Get()));
    const std::optional<Screenshot> background = RenderBackground(VESPER_DEMO_SCENE, width, height);
    ASSERT_TRUE(background);
    ScratchDir folder;

    // /a: the new password, then the same again, then the box that says so.
    {
        ChildProcess change(VESPER_DEMO_SAVER, {"/a"}, folder.path(), folder / "change.txt");
        const std::optional<XWindow> first = WaitForWindow(x, kPasswordCaption);
        ASSERT_TRUE(first) << "no password dialog; output:\n" << change.Output();
        ASSERT_TRUE(TypeAndEnter("lune"));
        const std::optional<XWindow> second = WaitForWindow(x, kPasswordCaption, first);
        ASSERT_TRUE(second) << "no second dialog; output:\n" << change.Output();
        ASSERT_TRUE(TypeAndEnter("lune"));
        const std::optional<XWindow> told = WaitForWindow(x, kPasswordCaption, second);
        ASSERT_TRUE(told) << "no box saying the password changed; output:\n" << change.Output();
        // Return again until /a ends: a key that comes before the box has
        // taken the focus is lost.
        PollUntil([&] { return !change.Running() || (RunCommand("xdotool key Return"), false); }, kExitTimeout);
        ASSERT_FALSE(change.Running()) << "/a still runs after its last box";
        EXPECT_EQ(change.ExitCode(), 0) << change.Output();
    }
    const std::filesystem::path hash = folder / "vesper" / "password.hash";
    ASSERT_TRUE(std::filesystem::exists(hash)) << "no hash stored";
    EXPECT_EQ(std::filesystem::status(hash).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_FALSE(AnyFileHolds(folder.path(), "lune")) << "the password itself is on disk";

    // /s: a key asks for the password over the saver.
    ChildProcess saver(VESPER_DEMO_SAVER, {"/s"}, folder.path(), folder / "saver.txt");
    const auto showsTheScene = [&] {
        const std::optional<Screenshot> shot = WholeScreen(x, width, height);
        return shot && BackgroundShare(*shot, *background) > 0.9;
    };
    ASSERT_TRUE(PollUntil([&] { return !saver.Running() || showsTheScene(); }, kStartTimeout));
    ASSERT_TRUE(saver.Running()) << saver.Output();
    const auto askFor = [&](const std::string& password) -> std::optional<XWindow> {
        RunCommand("xdotool key space");
        const std::optional<XWindow> dialog = WaitForWindow(x, kPasswordCaption);
        if (!dialog)
            return std::nullopt;
        // The dialog is on the screen, over the scene.
        const std::optional<RECT> area = x.AreaOf(*dialog);
        EXPECT_TRUE(area);
        if (area) {
            // The window may be mapped a moment before the dialog is drawn.
            Screenshot under{area->right - area->left, area->bottom - area->top, {}};
            for (int y = area->top; y < area->bottom; ++y)
                for (int x0 = area->left; x0 < area->right; ++x0)
                    under.pixels.push_back(background->At(x0, y));
            double share = 1;
            PollUntil([&] { return (share = BackgroundShare(x.Capture(*area), under)) < 0.5; }, kStartTimeout);
            EXPECT_LT(share, 0.5) << "the dialog is not what the screen shows";
        }
        EXPECT_TRUE(TypeAndEnter(password));
        return dialog;
    };

    const std::optional<XWindow> refused = askFor("soleil");
    ASSERT_TRUE(refused) << "no verification dialog; output:\n" << saver.Output();
    const std::optional<XWindow> wrong = WaitForWindow(x, kPasswordCaption, refused);
    ASSERT_TRUE(wrong) << "no box saying the password is wrong";
    RunCommand("xdotool key Return");
    EXPECT_TRUE(PollUntil([&] { return !x.FindByName(kPasswordCaption) && showsTheScene(); }, kExitTimeout))
        << "the scene did not come back after the wrong password";
    EXPECT_TRUE(saver.Running()) << "a wrong password ended the saver: " << saver.Output();

    // The password module waits a second after a wrong entry.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_TRUE(askFor("lune")) << "no second verification dialog; output:\n" << saver.Output();
    PollUntil([&] { return !saver.Running(); }, kExitTimeout);
    ASSERT_FALSE(saver.Running()) << "the right password did not end the saver";
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Output();
#endif
}

}  // namespace
}  // namespace vesper::test
