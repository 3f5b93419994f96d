// The player's command line: its own options, and the run-mode words passed
// on as the host's command tail.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/language.h"
#include "tools/vesper/options.h"

namespace vesper::test {
namespace {

using player::ParsePlayerArguments;

struct Case {
    std::vector<std::string_view> arguments;
    bool help;
    bool version;
    std::string tail;
    std::string error;  // the start of the complaint; empty when sound
};

TEST(PlayerOptions, OptionsAndRunModeWords)
{
    const std::vector<Case> cases{
        {{}, false, false, "", ""},
        {{"/s"}, false, false, "/s", ""},
        {{"-s"}, false, false, "-s", ""},
        {{"/p", "0x200011"}, false, false, "/p 0x200011", ""},
        {{"/c:1 2"}, false, false, "/c:1 2", ""},
        {{"/a", "77"}, false, false, "/a 77", ""},
        {{"--help"}, true, false, "", ""},
        {{"-h"}, true, false, "", ""},
        {{"/?"}, true, false, "", ""},
        {{"/s", "--help"}, true, false, "/s", ""},
        {{"--version"}, false, true, "", ""},
        // Words that begin with "--" are never run-mode letters.
        {{"--settings"}, false, false, "", "unknown option \"--settings\""},
        {{"--s"}, false, false, "", "unknown option \"--s\""},
        {{"/s", "--"}, false, false, "", "unknown option \"--\""},
        {{"--help=yes"}, false, false, "", "the option \"--help\" takes no value"},
        // What the host would refuse is refused here, with a reason.
        {{"hello"}, false, false, "", "unknown run mode \"hello\""},
        {{"?"}, false, false, "", "unknown run mode \"?\""},
        {{"/x", "/s"}, false, false, "", "unknown run mode \"/x /s\""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (std::string_view word : c.arguments)
            shown += "[" + std::string(word) + "]";
        const player::ParsedArguments parsed = ParsePlayerArguments(c.arguments);
        EXPECT_EQ(parsed.error.substr(0, c.error.size()), c.error) << shown;
        EXPECT_EQ(parsed.error.empty(), c.error.empty()) << shown << ": " << parsed.error;
        if (!c.error.empty())
            continue;
        EXPECT_EQ(parsed.request.showHelp, c.help) << shown;
        EXPECT_EQ(parsed.request.showVersion, c.version) << shown;
        EXPECT_EQ(parsed.request.commandTail, c.tail) << shown;
    }
}

// --monitors takes one of its three words, before or after the run mode,
// and names its values when it gets another.
TEST(PlayerOptions, MonitorsTakesEachSpanOrPrimaryAndRefusesAnythingElse)
{
    for (const auto& [arguments, layout] :
         {std::pair{std::vector<std::string_view>{"/s", "--monitors", "span"}, MonitorLayout::span},
          {{"--monitors=primary", "/s"}, MonitorLayout::primary},
          {{"--monitors", "each", "/s"}, MonitorLayout::each}}) {
        const player::ParsedArguments parsed = ParsePlayerArguments(arguments);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.request.monitors, layout);
        EXPECT_EQ(parsed.request.commandTail, "/s");
    }
    EXPECT_EQ(ParsePlayerArguments({"/s"}).request.monitors, std::nullopt);
    for (const std::vector<std::string_view>& arguments :
         {std::vector<std::string_view>{"/s", "--monitors", "both"}, {"--monitors=", "/s"}, {"--monitors", "Span"}}) {
        const std::string error = ParsePlayerArguments(arguments).error;
        EXPECT_NE(error.find("\"--monitors\""), std::string::npos) << error;
        EXPECT_NE(error.find("each, span or primary"), std::string::npos) << error;
    }
    EXPECT_EQ(ParsePlayerArguments({"/s", "--monitors"}).error, "the option \"--monitors\" needs a value (MODE)");
}

TEST(PlayerOptions, ScaleTakesAutoOrAWholeFactor)
{
    const auto scaleOf = [](std::vector<std::string_view> words) { return ParsePlayerArguments(words); };
    EXPECT_EQ(scaleOf({"/s"}).request.scale, std::nullopt);
    EXPECT_EQ(scaleOf({"/s", "--scale", "3"}).request.scale, ScaleChoice{3});
    EXPECT_EQ(scaleOf({"--scale=auto", "/s"}).request.scale, kAutoScale);
    EXPECT_EQ(scaleOf({"/s", "--scale", "2"}).request.commandTail, "/s");
    for (const char* bad : {"0", "-2", "big", ""}) {
        const player::ParsedArguments parsed = scaleOf({"/s", "--scale", bad});
        EXPECT_NE(parsed.error.find("\"--scale\""), std::string::npos) << bad << ": " << parsed.error;
        EXPECT_NE(parsed.error.find("auto, 1, 2, 3"), std::string::npos) << parsed.error;
        EXPECT_NE(parsed.error.find("\"" + std::string(bad) + "\""), std::string::npos) << parsed.error;
    }
    EXPECT_EQ(scaleOf({"/s", "--scale"}).error, "the option \"--scale\" needs a value (auto|K)");
}

TEST(PlayerOptions, TheUsageNamesEveryRunModeAndOption)
{
    const std::string usage = player::PlayerUsage("vesper-demo.scr");
    EXPECT_EQ(usage.rfind("Usage: vesper-demo.scr ", 0), 0u) << usage;
    for (const char* part : {"/s ", "/p WINDOW-ID", "/c ", "/a ", "--help", "-h", "/?", "--version", "--scene FILE",
                             "--root", "--window-id ID", "--speed N", "--monitors MODE", "each", "span", "primary",
                             "--scale auto|K"})
        EXPECT_NE(usage.find(part), std::string::npos) << part << " in\n" << usage;
    EXPECT_EQ(player::PlayerVersion().rfind("vesper ", 0), 0u);
}

// --scene goes with every run mode and with the hosted options, so it is
// taken out of the arguments before either reads them.
TEST(PlayerOptions, SceneFileIsTakenOutOfTheArguments)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string file;
        std::string error;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {{"/s"}, "", "", {"/s"}},
        {{"--scene", "old.scr", "/s"}, "old.scr", "", {"/s"}},
        {{"--root", "--scene=a b.scene", "--speed", "5"}, "a b.scene", "", {"--root", "--speed", "5"}},
        {{"/p", "12", "--scene"}, "", "needs a value", {"/p", "12", "--scene"}},
        {{"--scene="}, "", "needs a file name", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        const player::SceneChoice choice = player::TakeSceneOption(arguments);
        EXPECT_EQ(choice.file, c.file);
        if (c.error.empty())
            EXPECT_EQ(choice.error, "");
        else
            EXPECT_NE(choice.error.find(c.error), std::string::npos) << choice.error;
        EXPECT_EQ(arguments, c.left);
    }
}

// The help and the complaints in the locale's language, whole: no line of
// the other language left in either.
TEST(PlayerOptions, HelpAndComplaintsSpeakTheLocalesLanguage)
{
    ASSERT_TRUE(LocaleGenerated(kFrench)) << "scripts/setup.sh generates the locale";
    {
        const ScopedLanguage french(kFrench);
        const std::string help = player::PlayerUsage("vesper");
        EXPECT_EQ(help.rfind("Utilisation : vesper [MODE] [OPTION...]\n", 0), 0u) << help;
        EXPECT_NE(help.find("afficher cette aide et quitter"), std::string::npos) << help;
        EXPECT_NE(help.find("  /a             changer le mot de passe"), std::string::npos) << "columns kept";
        for (const char* english : {"Usage", "show this help", "Run modes", "change the screen saver password"})
            EXPECT_EQ(help.find(english), std::string::npos) << english;
        const player::ParsedArguments parsed = player::ParsePlayerArguments({"--bogus"});
        EXPECT_EQ(parsed.error, "option inconnue \"--bogus\"");
        const player::ParsedArguments mode = player::ParsePlayerArguments({"/x"});
        EXPECT_EQ(mode.error, "mode inconnu \"/x\"");
        EXPECT_NE(help.find("  --monitors MODE       avec /s, comment la sc\xc3\xa8ne couvre plusieurs \xc3\xa9" "crans"),
                  std::string::npos)
            << help;
        EXPECT_NE(help.find("\n                        primary : la sc\xc3\xa8ne sur l'\xc3\xa9" "cran principal"),
                  std::string::npos)
            << help;
        EXPECT_EQ(player::ParsePlayerArguments({"/s", "--scale", "big"}).error,
                  "l'option \"--scale\" accepte auto, 1, 2, 3, ... (auto, ou un nombre entier de 1 ou plus), pas "
                  "\"big\"");
        EXPECT_EQ(player::ParsePlayerArguments({"/s", "--monitors=all"}).error,
                  "l'option \"--monitors\" accepte each, span ou primary, pas \"all\"");
        // Every line but the blank ones differs from its English one: none
        // was left out of the catalogue.
        const ScopedLanguage english(kEnglish);
        EXPECT_EQ(UntranslatedLines(help, player::PlayerUsage("vesper")), std::vector<std::size_t>{}) << help;
    }
    const ScopedLanguage english(kEnglish);
    const std::string help = player::PlayerUsage("vesper");
    EXPECT_EQ(help.rfind("Usage: vesper [RUN MODE] [OPTION...]\n", 0), 0u) << help;
    EXPECT_EQ(help.find("afficher"), std::string::npos);
    EXPECT_EQ(player::ParsePlayerArguments({"--help=1"}).error, "the option \"--help\" takes no value");
    EXPECT_EQ(player::ParsePlayerArguments({"/s", "--monitors=all"}).error,
              "the option \"--monitors\" takes each, span or primary, not \"all\"");
}

}  // namespace
}  // namespace vesper::test
