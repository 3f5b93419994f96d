// vesper-render and vesper-thumbnailer in the locale's language: their help
// line by line, their complaints, and the real thumbnailer started under a
// French locale on a damaged file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/stage/stage_test_support.h"
#include "tests/support/language.h"
#include "tests/support/test_data.h"
#include "tools/vesper_render/render_options.h"
#include "tools/vesper_render/thumbnail.h"

namespace vesper::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

class ToolLanguage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LocaleGenerated(kFrench)) << "scripts/setup.sh generates the locale"; }
};

// Every line of the French help but the blank ones differs from the English
// one at its place: a line equal to its English one was left out of the
// catalogue.
TEST_F(ToolLanguage, EveryLineOfTheHelpIsTranslated)
{
    for (std::string (*usage)() : {&tools::RenderUsage, &tools::ThumbnailUsage}) {
        std::string french;
        {
            const ScopedLanguage language(kFrench);
            french = usage();
        }
        const ScopedLanguage language(kEnglish);
        const std::string english = usage();
        EXPECT_GT(std::count(english.begin(), english.end(), '\n'), 10);
        EXPECT_EQ(UntranslatedLines(french, english), std::vector<std::size_t>{}) << french;
    }
}

TEST_F(ToolLanguage, ComplaintsSpeakTheLocalesLanguage)
{
    const ScopedLanguage french(kFrench);
    const auto badScale =
        tools::ParseRenderArguments(Args{"in", "--size", "640x480", "--scale", "big", "--out", "o.png"});
    ASSERT_FALSE(badScale);
    EXPECT_EQ(badScale.error,
              "--scale accepte auto, 1, 2, 3, ... (auto, ou un nombre entier de 1 ou plus), pas \"big\"");
    const auto tooLarge =
        tools::ParseRenderArguments(Args{"in", "--size", "100x80", "--scale", "90", "--out", "o.png"});
    ASSERT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.error, "--scale accepte auto, 1, 2, 3, ..., mais une \xc3\xa9" "chelle de 90 ne laisse aucune "
                              "sc\xc3\xa8ne sur 100x80 pixels (au plus 80 ici)");
    const auto preview = tools::ParseRenderArguments(Args{"in", "--preview", "--scale", "2", "--out", "o.png"});
    ASSERT_FALSE(preview);
    EXPECT_EQ(preview.error, "--scale va avec --size ; la sc\xc3\xa8ne de l'aper\xc3\xa7u fait toujours 640x480");
    const auto size = tools::ParseThumbnailArguments(Args{"-s", "0", "a", "b"});
    ASSERT_FALSE(size);
    EXPECT_EQ(size.error, "-s accepte un nombre entier de 1 \xc3\xa0 4096, pas \"0\"");
    const auto files = tools::ParseThumbnailArguments(Args{"a"});
    ASSERT_FALSE(files);
    EXPECT_EQ(files.error, "donnez le fichier d'entr\xc3\xa9" "e et le fichier de sortie (1 donn\xc3\xa9s)");
}

// The program finds the catalogue of its build tree (or its package) by
// itself; a locale without a catalogue gives English.
TEST_F(ToolLanguage, TheThumbnailerTellsOfADamagedFileInTheLocalesLanguageAndWritesNothing)
{
    const ScratchDir scratch;
    const fs::path damaged = scratch.path() / "damaged.scene";
    const auto doc = MakeScene(RGB(0, 102, 102), {});
    std::vector<BYTE> bytes = SceneBytes(*doc);
    doc->DeleteContents();
    bytes.resize(bytes.size() / 2);
    WriteBytes(damaged, bytes);
    const fs::path out = scratch.path() / "out.png";
    const std::string arguments = std::string(VESPER_THUMBNAILER_EXECUTABLE) + " " + ShellQuote(damaged) + " " +
                                  ShellQuote(out);
    const ProgramRun french = RunProgram("env -u LC_ALL -u LC_MESSAGES LANG=fr_FR.UTF-8 " + arguments);
    EXPECT_EQ(french.status, 1) << french.output;
    const std::string frenchStart = "vesper-thumbnailer: impossible de charger la sc\xc3\xa8ne de " + damaged.string();
    EXPECT_EQ(french.output.rfind(frenchStart, 0), 0u) << french.output;
    const ProgramRun german = RunProgram("env -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 " + arguments);
    EXPECT_EQ(german.status, 1) << german.output;
    EXPECT_EQ(german.output.rfind("vesper-thumbnailer: cannot load the scene of " + damaged.string(), 0), 0u)
        << german.output;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace vesper::test
