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

TEST(PlayerOptions, TheUsageNamesEveryRunModeAndOption)
{
    const std::string usage = player::PlayerUsage("vesper-demo.scr");
    EXPECT_EQ(usage.rfind("Usage: vesper-demo.scr ", 0), 0u) << usage;
    for (const char* part : {"/s ", "/p WINDOW-ID", "/c ", "/a ", "--help", "-h", "/?", "--version", "--scene FILE",
                             "--root", "--window-id ID", "--speed N"})
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
    }
    const ScopedLanguage english(kEnglish);
    const std::string help = player::PlayerUsage("vesper");
    EXPECT_EQ(help.rfind("Usage: vesper [RUN MODE] [OPTION...]\n", 0), 0u) << help;
    EXPECT_EQ(help.find("afficher"), std::string::npos);
    EXPECT_EQ(player::ParsePlayerArguments({"--help=1"}).error, "the option \"--help\" takes no value");
}

}  // namespace
}  // namespace vesper::test
