// The player's options as a hack: which window it draws in, at which speed,
// and which command lines are refused before anything starts.
#include <gtest/gtest.h>

#include "tools/vesper/hosted_options.h"

namespace {

using Outcome = HostedOptions::Outcome;

struct Case {
    std::vector<std::string> args;
    const char* daemonWindow;  // XSCREENSAVER_WINDOW, null when unset
    Outcome outcome;
    std::uintptr_t window;
    int speed;
};

TEST(HostedOptions, ChoosesTheWindowAndTheSpeed)
{
    const Case cases[] = {
        // Run-mode letters are not hosted options, even with the daemon's variable set.
        {{"/s"}, "0x400007", Outcome::notHosted, 0, 0},
        {{"/p", "1234"}, nullptr, Outcome::notHosted, 0, 0},
        {{}, nullptr, Outcome::notHosted, 0, 0},
        // --root alone: the root window.
        {{"--root"}, nullptr, Outcome::hosted, 0, 0},
        {{"-root"}, "", Outcome::hosted, 0, 0},
        // The daemon's window wins over --root, with or without 0x.
        {{"--root"}, "0x400007", Outcome::hosted, 0x400007, 0},
        {{"-root"}, "1a00003", Outcome::hosted, 0x1a00003, 0},
        // --window-id in decimal or in hexadecimal with 0x; it wins over the variable.
        {{"--window-id", "4194311"}, nullptr, Outcome::hosted, 4194311, 0},
        {{"-window-id", "0x400007"}, "0x999", Outcome::hosted, 0x400007, 0},
        {{"--window-id", "0XFFFFFFFF"}, nullptr, Outcome::hosted, 0xFFFFFFFF, 0},
        // --speed 1 to 100, in any place.
        {{"--speed", "1", "--root"}, nullptr, Outcome::hosted, 0, 1},
        {{"--root", "--speed", "100"}, "0x10", Outcome::hosted, 0x10, 100},
        {{"--speed", "40"}, "0x10", Outcome::hosted, 0x10, 40},
    };
    for (const Case& c : cases) {
        const std::string described = ::testing::PrintToString(c.args) + " XSCREENSAVER_WINDOW=" +
                                      (c.daemonWindow ? c.daemonWindow : "(unset)");
        const HostedOptions options = ParseHostedOptions(c.args, c.daemonWindow);
        ASSERT_EQ(options.outcome, c.outcome) << described << ": " << options.error;
        EXPECT_EQ(options.run.window, c.window) << described;
        EXPECT_EQ(options.run.speed, c.speed) << described;
    }
}

TEST(HostedOptions, ScaleForTheRunOrTheSettingsFiles)
{
    EXPECT_EQ(ParseHostedOptions({"--root"}, nullptr).run.scale, std::nullopt);
    EXPECT_EQ(ParseHostedOptions({"--root", "--scale", "2"}, nullptr).run.scale, ScaleChoice{2});
    EXPECT_EQ(ParseHostedOptions({"-scale", "auto", "-root"}, nullptr).run.scale, kAutoScale);
    const HostedOptions daemon = ParseHostedOptions({"--speed", "9", "--scale", "3"}, "0x10");
    EXPECT_EQ(daemon.outcome, Outcome::hosted);
    EXPECT_EQ(daemon.run.window, 0x10u);
    EXPECT_EQ(daemon.run.scale, ScaleChoice{3});
    // --scale also goes with full-screen saving: alone it leaves the run-mode
    // letters to count, even under the daemon.
    EXPECT_EQ(ParseHostedOptions({"/s", "--scale", "3"}, "0x10").outcome, Outcome::notHosted);
}

struct Refusal {
    std::vector<std::string> args;
    const char* daemonWindow;
    const char* named;  // what the message must name
};

TEST(HostedOptions, RefusesWhatItCannotUseWithAMessageThatNamesIt)
{
    const Refusal refusals[] = {
        {{"--window-id"}, nullptr, "--window-id needs a value"},
        {{"--root", "--speed"}, nullptr, "--speed needs a value"},
        {{"--window-id", "0x"}, nullptr, "\"0x\""},
        {{"--window-id", "12ab"}, nullptr, "\"12ab\""},
        {{"--window-id", "0"}, nullptr, "\"0\""},
        {{"--window-id", "-5"}, nullptr, "\"-5\""},
        {{"--window-id", "0x100000000"}, nullptr, "\"0x100000000\""},
        {{"--root", "--speed", "0"}, nullptr, "from 1 to 100, not \"0\""},
        {{"--root", "--speed", "101"}, nullptr, "not \"101\""},
        {{"--root", "--speed", "5x"}, nullptr, "not \"5x\""},
        {{"--root", "/s"}, nullptr, "\"/s\" cannot go with"},
        {{"--root", "--fullscreen"}, nullptr, "\"--fullscreen\""},
        {{"--root"}, "zz", "XSCREENSAVER_WINDOW is not a window number in hexadecimal: \"zz\""},
        {{"--root"}, "0", "\"0\""},
        {{"--speed", "50"}, nullptr, "--speed goes with --root or --window-id"},
        {{"--root", "--scale"}, nullptr, "--scale needs a value"},
        {{"--root", "--scale", "0"}, nullptr, "\"--scale\" takes auto, 1, 2, 3, ... (auto, or a whole number of 1 or more), not \"0\""},
        {{"--root", "--scale", "-2"}, nullptr, "not \"-2\""},
        {{"--root", "--scale", "big"}, nullptr, "not \"big\""},
    };
    for (const Refusal& r : refusals) {
        const HostedOptions options = ParseHostedOptions(r.args, r.daemonWindow);
        EXPECT_EQ(options.outcome, Outcome::invalid) << ::testing::PrintToString(r.args);
        EXPECT_NE(options.error.find(r.named), std::string::npos)
            << ::testing::PrintToString(r.args) << " gave: " << options.error;
    }
}

}  // namespace
