// Savers of every kind as the tool's input: Windows savers made by other
// tools turned into Linux ones, files that hold no scene refused, pictures
// of depths the player does not draw kept through dump and build, and
// outputs written all together or not at all.
#include <gtest/gtest.h>

#include "platform/kernel/patchable_data.h"
#include "imaging/dib.h"
#include "sprites/sprite.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/atomic_file.h"
#include "tools/vesper_scene/command_line.h"
#include "tools/vesper_scene/dialog_fit.h"
#include "tools/vesper_scene/sample_scene.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::BuildPe;
using vesper::test::PeSpec;
using vesper::test::ScratchDir;

std::vector<BYTE> SampleSceneBytes()
{
    CVesperDoc doc;
    FillSampleScene(doc);
    auto bytes = StoredScene(doc);
    doc.DeleteContents();
    return bytes;
}

std::vector<BYTE> WindowsSaver(std::optional<std::u16string> strings, const std::vector<BYTE>& scene)
{
    auto file = BuildPe(PeSpec{false, std::move(strings), {}});
    file.insert(file.end(), scene.begin(), scene.end());
    return file;
}

std::string StringResource1Of(const std::filesystem::path& saver)
{
    const auto values = vesper::platform::ReadPatchableValues(ReadFile(saver));
    return values ? values.value->stringResource1 : "(" + values.error + ")";
}

TEST(SaverFiles, PackTurnsAWindowsSaverIntoALinuxOneTakingOverTitleAndCredit)
{
    ScratchDir dir;
    const auto scene = SampleSceneBytes();
    WriteFile(dir / "player", FakePlayer(6000, 777));
    WriteFile(dir / "old.scr", WindowsSaver(u"Aube \u00E9t\u00E9|par quelqu'un", scene));
    WriteFile(dir / "bare.scene", scene);
    struct Case {
        std::vector<std::string> extra;
        std::string expected;  // string resource 1, Windows-1252
    };
    for (const Case& c : {Case{{}, "Aube \xE9t\xE9|par quelqu'un"}, Case{{"--title", "Neuf"}, "Neuf|par quelqu'un"},
                          Case{{"--credit", "moi"}, "Aube \xE9t\xE9|moi"}}) {
        SCOPED_TRACE(c.expected);
        std::vector<std::string> args = {"pack", "--player", (dir / "player").string(), "--scene",
                                         (dir / "old.scr").string(), "-o", (dir / "new").string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto run = RunInProcess(args);
        ASSERT_EQ(run.status, exitSuccess) << run.err;
        EXPECT_EQ(StringResource1Of(dir / "new"), c.expected);
        const auto packed = ReadFile(dir / "new");
        EXPECT_EQ(std::vector<BYTE>(packed.end() - static_cast<std::ptrdiff_t>(scene.size()), packed.end()), scene);
    }
    // A bare scene has no title to take over.
    const auto run = RunInProcess({"pack", "--player", (dir / "player").string(), "--scene",
                                   (dir / "bare.scene").string(), "-o", (dir / "other").string()});
    EXPECT_EQ(run.status, exitUsage);
    EXPECT_NE(run.err.find("needs --title"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "other"));
}

TEST(SaverFiles, InfoShowsEveryKindAndRefusesProgramsWithoutAScene)
{
    ScratchDir dir;
    const auto scene = SampleSceneBytes();
    WriteFile(dir / "old.scr", WindowsSaver(u"Aube|moi", scene));
    WriteFile(dir / "plain.scr", WindowsSaver(std::nullopt, scene));
    WriteFile(dir / "program", {0x7F, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0});
    WriteFile(dir / "empty.exe", BuildPe(PeSpec{false, u"T|C", {}}));
    struct Case {
        const char* name;
        int status;
        std::vector<std::string> shown;
    };
    for (const Case& c : {Case{"old.scr", exitSuccess, {"kind: Windows saver", "scene offset: 1536", "title: \"Aube\"",
                                                         "credit: \"moi\"", "sprites: 3"}},
                          Case{"plain.scr", exitSuccess, {"kind: Windows saver", "scene offset: 1024", "sprites: 3"}},
                          Case{"program", exitUsage, {"is a program that is not a Vesper saver"}},
                          Case{"empty.exe", exitUsage, {"nothing after its image"}}}) {
        SCOPED_TRACE(c.name);
        const auto run = RunInProcess({"info", (dir / c.name).string()});
        EXPECT_EQ(run.status, c.status) << run.err;
        for (const std::string& text : c.shown)
            EXPECT_NE((run.out + run.err).find(text), std::string::npos) << text << "\n" << run.out << run.err;
    }
    EXPECT_EQ(RunInProcess({"info", (dir / "plain.scr").string()}).out.find("title:"), std::string::npos);
}

TEST(SaverFiles, TitlesWiderThanTheDialogsControlsAreWarnedAbout)
{
    EXPECT_TRUE(DialogFitWarnings("Vesper", "Dusk over the hills, the bundled demo").empty());
    const auto longTitle = DialogFitWarnings(std::string(52, 'M'), "short");
    ASSERT_EQ(longTitle.size(), 1u);
    EXPECT_NE(longTitle[0].find("the title is "), std::string::npos) << longTitle[0];
    EXPECT_NE(longTitle[0].find("cut off"), std::string::npos);
    const auto both = DialogFitWarnings(std::string(40, 'W'), std::string(120, 'W'));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_NE(both[1].find("the credit line is "), std::string::npos) << both[1];

    // pack writes the saver and says so.
    ScratchDir dir;
    WriteFile(dir / "player", FakePlayer(6000, 777));
    WriteFile(dir / "s.scene", SampleSceneBytes());
    const auto run = RunInProcess({"pack", "--player", (dir / "player").string(), "--scene",
                                   (dir / "s.scene").string(), "--title", std::string(52, 'M'), "-o",
                                   (dir / "saver").string()});
    EXPECT_EQ(run.status, exitSuccess) << run.err;
    EXPECT_NE(run.err.find("warning: the title is "), std::string::npos) << run.err;
}

// A scene whose background and one sprite hold pictures of 16 and 32 bits
// per pixel: info shows them, dump writes them and build gives the same bytes.
TEST(SaverFiles, PicturesThePlayerDoesNotDrawSurviveDumpAndBuild)
{
    ScratchDir dir;
    CVesperDoc doc;
    FillSampleScene(doc);
    auto* background = new CDIB;
    background->dib = BlockOf(PackedBytes(20, 10, 16, 0, 0x21));
    doc.SetBackground(background);
    auto* sprite = static_cast<CSprite*>(doc.sprites.GetHead());
    sprite->image.CopyFrom(CDIB());
    sprite->image.dib = BlockOf(PackedBytes(6, 4, 32, 0, 0x42));
    const auto scene = StoredScene(doc);
    doc.DeleteContents();
    WriteFile(dir / "deep.scene", scene);

    auto run = RunInProcess({"info", (dir / "deep.scene").string()});
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    EXPECT_NE(run.out.find("20 x 10, 16 bits per pixel"), std::string::npos) << run.out;
    run = RunInProcess({"dump", (dir / "deep.scene").string(), "-o", (dir / "d").string()});
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    run = RunInProcess({"build", (dir / "d" / "scene.json").string(), "-o", (dir / "again.scene").string()});
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    EXPECT_EQ(ReadFile(dir / "again.scene"), scene);
    EXPECT_NE(run.err.find("a picture of 32 bits per pixel, which the player keeps but does not draw: the sprite is "
                           "invisible"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("16 bits per pixel, which the player keeps but does not draw: the background stays black"),
              std::string::npos)
        << run.err;
}

TEST(SaverFiles, SeveralOutputsAreWrittenAllOrNone)
{
    ScratchDir dir;
    const std::vector<BYTE> one = {1}, two = {2, 2};
    WriteFile(dir / "kept", {7, 7, 7});
    // The second output cannot be made: the first keeps its earlier contents,
    // the new one is not made, and no temporary file is left.
    std::string problem = WriteFilesAtomically(
        {{(dir / "kept").string(), one, std::nullopt}, {(dir / "new").string(), two, std::nullopt},
         {(dir / "missing" / "x").string(), two, std::nullopt}});
    EXPECT_NE(problem.find("missing"), std::string::npos) << problem;
    EXPECT_EQ(ReadFile(dir / "kept"), (std::vector<BYTE>{7, 7, 7}));
    EXPECT_FALSE(std::filesystem::exists(dir / "new"));
    // A target that is a folder is found before anything is renamed.
    std::filesystem::create_directory(dir / "folder");
    problem = WriteFilesAtomically({{(dir / "kept").string(), one, std::nullopt},
                                    {(dir / "folder").string(), two, std::nullopt}});
    EXPECT_NE(problem.find("is a directory"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "kept"), (std::vector<BYTE>{7, 7, 7}));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "kept"}));

    EXPECT_EQ(WriteFilesAtomically({{(dir / "kept").string(), one, std::nullopt},
                                    {(dir / "new").string(), two, std::nullopt}}),
              "");
    EXPECT_EQ(ReadFile(dir / "kept"), one);
    EXPECT_EQ(ReadFile(dir / "new"), two);
}

}  // namespace
