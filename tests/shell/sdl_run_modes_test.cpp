// The run modes of the packed demo saver as its users meet them, each started
// as its own process on a real X server and driven with xdotool: the preview
// inside a host window, the configuration dialog, and a damaged saver file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/oversized_scene.h"
#include "tests/support/test_data.h"
// Last: Xlib defines macros (None, Status) that the headers above use as names.
#include "tests/platform/drivers/sdl/sdl_test_support.h"
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(90);
constexpr auto kExitTimeout = std::chrono::seconds(20);

class SdlRunModes : public ::testing::Test {
protected:
    void SetUp() override
    {
#if !defined(VESPER_DEMO_SAVER)
        GTEST_SKIP() << "the packed demo saver is not part of this build";
#endif
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no X server (DISPLAY is not set); scripts/test.sh runs this test under xvfb-run";
        if (!m_x.Get())
            GTEST_SKIP() << "cannot connect to the X server " << display;
        ASSERT_TRUE(RunCommand("xdotool version")) << "xdotool is missing (scripts/setup.sh installs it)";
        RunCommand("xdotool mousemove 0 0");
    }

    // The saver's run, with the settings folder of this test.
    std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& args, const char* program = nullptr)
    {
#if defined(VESPER_DEMO_SAVER)
        if (!program)
            program = VESPER_DEMO_SAVER;
#endif
        return std::make_unique<ChildProcess>(program, args, m_folder.path(), m_folder / "output.txt");
    }

    // The window with this name once keys typed reach it, as a person would
    // wait to see it before typing.
    std::optional<XWindow> WaitForKeyboard(const std::string& name)
    {
        std::optional<XWindow> found;
        PollUntil([&] { return (found = m_x.FindByName(name)) && m_x.ReceivesKeys(*found); }, kStartTimeout);
        return found && m_x.ReceivesKeys(*found) ? found : std::nullopt;
    }

#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    // The demo saver cut short in the middle of its scene (the player before
    // it is of another size in each build).
    std::filesystem::path MakeDamagedSaver() const { return WriteDamagedDemoSaver(m_folder.path()); }
#endif

    static bool Ended(ChildProcess& child)
    {
        PollUntil([&] { return !child.Running(); }, kExitTimeout);
        return !child.Running();
    }

    XConnection m_x;
    ScratchDir m_folder;
};

// How many different colours a picture holds.
std::size_t ColourCount(const Screenshot& shot)
{
    return std::set<COLORREF>(shot.pixels.begin(), shot.pixels.end()).size();
}

TEST_F(SdlRunModes, PreviewPlaysInsideTheHostIdlesBetweenTicksAndEndsWithTheHost)
{
    constexpr int kHostWidth = 320;
    constexpr int kHostHeight = 240;
    const XWindow host = m_x.MakeHostWindow(60, 50, kHostWidth, kHostHeight);
    std::ostringstream id;
    id << "0x" << std::hex << host;
    const auto preview = Start({"/p", id.str()});
    ASSERT_TRUE(preview->Started());

    // The host is one plain colour until the stretched scene shows in it.
    const RECT area{60, 50, 60 + kHostWidth, 50 + kHostHeight};
    ASSERT_TRUE(PollUntil([&] { return !preview->Running() || ColourCount(m_x.Capture(area)) >= 16; }, kStartTimeout));
    ASSERT_TRUE(preview->Running()) << "the preview ended: " << preview->Output();

    // The scene plays at speed 100, and the player idles between the ticks.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Screenshot before = m_x.Capture(area);
    const std::optional<double> start = preview->ProcessorSeconds();
    const auto startTime = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const std::optional<double> end = preview->ProcessorSeconds();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
    ASSERT_TRUE(start && end);
#if defined(NDEBUG)
    // The bound holds for the optimised build; the sanitizers' build does
    // the same work many times slower.
    EXPECT_LT((*end - *start) / wall, 0.05) << "processor time " << (*end - *start) << " s in " << wall << " s";
#endif
    EXPECT_NE(m_x.Capture(area).pixels, before.pixels) << "the scene stood still";

    XDestroyWindow(m_x.Get(), host);
    XSync(m_x.Get(), False);
    ASSERT_TRUE(Ended(*preview)) << "the preview outlived its host";
    EXPECT_EQ(preview->ExitCode(), 0) << preview->Output();
}

TEST_F(SdlRunModes, TheConfigurationDialogTakesTheSpeedFromTheKeysAndStoresItOnEnter)
{
    const auto configure = Start({"/c"});
    const std::optional<XWindow> dialog = WaitForKeyboard("Configuration");
    ASSERT_TRUE(dialog) << "no configuration dialog with the keyboard: " << configure->Output();
    // OK has the focus; Left moves it to the speed bar in the buttons' group,
    // Home takes the slowest speed and Right one faster.
    RunCommand("xdotool key Left Home Right Return");
    ASSERT_TRUE(Ended(*configure)) << "Enter did not close the dialog";
    EXPECT_EQ(configure->ExitCode(), 1) << "OK answers 1: " << configure->Output();
    std::ifstream settings(m_folder / "vesper" / "vesper.ini");
    std::stringstream text;
    text << settings.rdbuf();
    EXPECT_NE(text.str().find("speed=2"), std::string::npos) << "settings file:\n" << text.str();
}

TEST_F(SdlRunModes, ADamagedSaverShowsTheBoxThenSaysWhichFileAndEndsWithAnError)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const std::filesystem::path damaged = MakeDamagedSaver();
    const auto saver = Start({"/s"}, damaged.c_str());
    // The box takes the keyboard although the pointer is elsewhere.
    ASSERT_TRUE(WaitForKeyboard("Error")) << "no message box with the keyboard: " << saver->Output();
    RunCommand("xdotool key Return");
    ASSERT_TRUE(Ended(*saver)) << "Enter did not dismiss the box";
    EXPECT_NE(saver->ExitCode(), 0);
    const std::string output = saver->Output();
    EXPECT_NE(output.find("vesper: the scene in " + damaged.string() + " cannot be loaded: "), std::string::npos)
        << output;
    EXPECT_NE(output.find("(at byte "), std::string::npos) << output;
#endif
}

TEST_F(SdlRunModes, AScenePastThePictureLimitsIsRefusedNamingTheFileAndTheLimit)
{
#if defined(VESPER_PLAYER)
    const std::filesystem::path scene = m_folder / "too-wide.scene";
    const std::vector<std::uint8_t> bytes = SceneWithBackgroundOfWidth(32769);
    std::ofstream(scene, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto player = Start({"--scene", scene.string(), "/s"}, VESPER_PLAYER);
    ASSERT_TRUE(WaitForKeyboard("Error")) << "no message box with the keyboard: " << player->Output();
    RunCommand("xdotool key Return");
    ASSERT_TRUE(Ended(*player)) << "Enter did not dismiss the box";
    EXPECT_EQ(player->ExitCode(), 1);
    const std::string output = player->Output();
    EXPECT_NE(output.find("a picture of 32769 x 1 pixels is too large: at most 32768 pixels on each side"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("vesper: the scene in " + scene.string() + " cannot be loaded: "), std::string::npos)
        << output;
#endif
}

TEST_F(SdlRunModes, ASaverKilledWhileItsMessageBoxIsUpLeavesNothingOnTheScreen)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const auto saver = Start({"/s"}, MakeDamagedSaver().c_str());
    ASSERT_TRUE(WaitForKeyboard("Error")) << "no message box: " << saver->Output();
    ASSERT_TRUE(m_x.FindByName("Screen Saver")) << "no saver window behind the box";
    kill(saver->Pid(), SIGTERM);
    ASSERT_TRUE(Ended(*saver));
    EXPECT_TRUE(PollUntil([&] { return !m_x.FindByName("Error") && !m_x.FindByName("Screen Saver"); }, kExitTimeout))
        << "the box or the saver's window outlived the saver";
#endif
}

}  // namespace
}  // namespace vesper::test
