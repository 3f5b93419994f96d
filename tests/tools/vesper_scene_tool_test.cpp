#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/kernel/patchable_data.h"
#include "sprites/anim_sprite.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/command_line.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/report_format.h"
#include "tools/vesper_scene/sample_scene.h"
#include "tools/vesper_scene/scene_info.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::ScratchDir;
using nlohmann::json;

std::vector<BYTE> SampleScene()
{
    CVesperDoc doc;
    FillSampleScene(doc);
    return StoredScene(doc);
}

TEST(ToolArguments, HelpForTheToolAndEachCommand)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}}) {
        const auto run = RunInProcess(args);
        EXPECT_EQ(run.status, exitSuccess);
        EXPECT_NE(run.out.find("usage: vesper-scene COMMAND"), std::string::npos);
    }
    for (const std::string command : {"build", "dump", "pack", "info", "new"}) {
        const auto run = RunInProcess({command, "--help"});
        EXPECT_EQ(run.status, exitSuccess) << command;
        EXPECT_NE(run.out.find("usage: vesper-scene " + command), std::string::npos) << command;
    }
}

TEST(ToolArguments, BadArgumentsAreUsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        const char* complaint;
    };
    for (const auto& c : {Case{{}, "no command"}, Case{{"frob"}, "unknown command frob"},
                          Case{{"info"}, "needs a FILE"}, Case{{"info", "a", "b"}, "one FILE"},
                          Case{{"info", "--yaml", "a"}, "unknown option --yaml"}, Case{{"new"}, "needs -o"},
                          Case{{"new", "-o"}, "-o needs a value"}, Case{{"new", "-o", "a", "-o", "b"}, "given twice"},
                          Case{{"build", "-o", "x"}, "needs a DESCRIPTION"}, Case{{"build", "d.json"}, "needs -o"},
                          Case{{"dump", "s", "--force=yes", "-o", "d"}, "takes no value"},
                          Case{{"dump", "s"}, "needs -o"},
                          Case{{"pack", "p", "s", "-o", "x"}, "no positional arguments"},
                          Case{{"pack", "--scene", "s", "--title", "t", "-o", "x"}, "needs --player"}}) {
        const auto run = RunInProcess(c.args);
        EXPECT_EQ(run.status, exitUsage) << c.complaint;
        EXPECT_NE(run.err.find(c.complaint), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(ToolArguments, MissingFilesAndFoldersAreRefusedClearly)
{
    ScratchDir dir;
    auto run = RunInProcess({"info", (dir / "absent.scene").string()});
    EXPECT_EQ(run.status, exitUsage);
    EXPECT_NE(run.err.find("cannot read"), std::string::npos);
    run = RunInProcess({"info", dir.path().string()});
    EXPECT_EQ(run.status, exitUsage);
    EXPECT_NE(run.err.find("is a directory"), std::string::npos);
}

TEST(SceneInspection, ABareSceneShowsItsFieldsPictureAndSprites)
{
    ScratchDir dir;
    CVesperDoc doc;
    FillSampleScene(doc);
    auto* plain = new CSprite;
    plain->image.dib = nullptr;
    plain->x = -5;
    doc.sprites.AddSprite(plain);
    auto* phased = new CPhasedSprite;
    phased->phaseCount = 3;
    doc.sprites.AddSprite(phased);
    const std::string path = (dir / "s.scene").string();
    WriteFile(path, StoredScene(doc));

    const auto inspection = InspectFile(path);
    ASSERT_TRUE(inspection) << inspection.error;
    EXPECT_EQ(inspection.value->source.kind, vesper::scene::SceneFileKind::bareScene);
    EXPECT_FALSE(inspection.value->source.block);
    ASSERT_TRUE(inspection.value->scene);
    const SceneFields& scene = *inspection.value->scene;
    EXPECT_EQ(scene.sceneName, "Sample");
    EXPECT_EQ(scene.backgroundKind, 0u);
    ASSERT_TRUE(scene.background);
    EXPECT_EQ(scene.background->width, 320);
    EXPECT_EQ(scene.background->height, 240);
    EXPECT_EQ(scene.background->bitCount, 8);
    EXPECT_EQ(scene.background->coloursUsed, 64u);
    EXPECT_EQ(scene.background->storedSize, 40u + 64 * 4 + 320 * 240);
    ASSERT_EQ(scene.sprites.size(), 5u);
    const SpriteInfo& first = scene.sprites[0];
    EXPECT_EQ(first.className, "CAnimSprite");
    EXPECT_EQ(first.x, 420);
    ASSERT_TRUE(first.picture);
    EXPECT_EQ(first.picture->width, 45);
    EXPECT_EQ(first.picture->height, 45);
    EXPECT_EQ(*first.phaseCount, 1);
    EXPECT_EQ(*first.dx, 34);
    EXPECT_EQ(*first.edgeMode, EdgeRebound);
    EXPECT_EQ(*scene.sprites[1].motion, MotionBounce);
    EXPECT_EQ(scene.sprites[1].picture->height, 120);  // two phases of 60
    const SpriteInfo& plainInfo = scene.sprites[3];
    EXPECT_EQ(plainInfo.className, "CSprite");
    EXPECT_EQ(plainInfo.x, -5);
    EXPECT_FALSE(plainInfo.picture);
    EXPECT_FALSE(plainInfo.phaseCount);
    EXPECT_FALSE(plainInfo.dx);
    EXPECT_EQ(*scene.sprites[4].phaseCount, 3);
    EXPECT_FALSE(scene.sprites[4].dx);

    const std::string text = FormatText(*inspection.value);
    EXPECT_NE(text.find("kind: bare scene"), std::string::npos);
    EXPECT_NE(text.find("background picture: 320 x 240, 8 bits per pixel, compression 0, 64 colours used, 77096 bytes"),
              std::string::npos);
    EXPECT_NE(text.find("1. CAnimSprite at (420, 420), 45 x 45 at 4 bits"), std::string::npos);
    EXPECT_NE(text.find("4. CSprite at (-5, 0), no picture"), std::string::npos);
    EXPECT_EQ(text.find("scene offset"), std::string::npos);
}

TEST(SceneInspection, APackagedProgramShowsItsBlockAndItsScene)
{
    ScratchDir dir;
    const auto player = FakePlayer();
    const auto packaged = PackageScene(player, SampleScene(), "Aube|par quelqu'un");
    ASSERT_TRUE(packaged) << packaged.error;
    const std::string path = (dir / "saver.scr").string();
    WriteFile(path, *packaged.value);

    const auto inspection = InspectFile(path);
    ASSERT_TRUE(inspection);
    EXPECT_EQ(inspection.value->source.kind, vesper::scene::SceneFileKind::vesperLinuxSaver);
    EXPECT_EQ(inspection.value->source.sceneOffset, player.size());
    EXPECT_EQ(inspection.value->source.block->stringResource1, "Aube|par quelqu'un");
    ASSERT_TRUE(inspection.value->scene);
    EXPECT_EQ(inspection.value->scene->sprites.size(), 3u);

    const json report = json::parse(FormatJson(*inspection.value));
    EXPECT_EQ(report["kind"], "Vesper saver for Linux");
    EXPECT_EQ(report["sceneOffset"], player.size());
    EXPECT_EQ(report["title"], "Aube");
    EXPECT_EQ(report["credit"], "par quelqu'un");
    EXPECT_EQ(report["loaded"], true);
    EXPECT_EQ(report["scene"]["background"]["colorsUsed"], 64);
    EXPECT_EQ(report["scene"]["sprites"][1]["phaseCount"], 2);
    EXPECT_EQ(report["scene"]["sprites"][2]["edgeMode"], EdgeWrapPause);
    EXPECT_FALSE(report.contains("failure"));
}

TEST(SceneInspection, AFailedLoadGivesTheCauseAndTheAbsoluteOffset)
{
    ScratchDir dir;
    auto scene = SampleScene();
    scene.resize(5000);  // inside the background picture, whose block starts at stream offset 60
    const auto packaged = PackageScene(FakePlayer(), SampleScene(), "");
    ASSERT_TRUE(packaged);
    auto cut = *packaged.value;
    const std::size_t sceneOffset = cut.size() - SampleScene().size();
    cut.resize(sceneOffset + scene.size());
    const std::string path = (dir / "cut.scr").string();
    WriteFile(path, cut);

    const auto inspection = InspectFile(path);
    ASSERT_TRUE(inspection);
    EXPECT_FALSE(inspection.value->scene);
    ASSERT_TRUE(inspection.value->failure);
    const SceneLoadFailure& failure = *inspection.value->failure;
    EXPECT_EQ(failure.cause, 3);
    EXPECT_EQ(failure.streamOffset, 60u);
    EXPECT_EQ(failure.FileOffset(), sceneOffset + 60);

    const std::string text = FormatText(*inspection.value);
    EXPECT_NE(text.find("load failed: Unexpected file format."), std::string::npos);
    EXPECT_NE(text.find("cause: archive 3 (unexpected end of data)"), std::string::npos);
    EXPECT_NE(text.find("at file offset " + std::to_string(sceneOffset + 60)), std::string::npos);

    const json report = json::parse(FormatJson(*inspection.value));
    EXPECT_EQ(report["loaded"], false);
    EXPECT_EQ(report["failure"]["cause"], 3);
    EXPECT_EQ(report["failure"]["fileOffset"], sceneOffset + 60);
    EXPECT_EQ(report["failure"]["message"], "Unexpected file format.");

    const auto run = RunInProcess({"info", path});
    EXPECT_EQ(run.status, exitFailure);
}

TEST(SceneInspection, AProgramWithoutASceneSaysSo)
{
    ScratchDir dir;
    const std::string path = (dir / "player").string();
    WriteFile(path, FakePlayer());
    const auto inspection = InspectFile(path);
    ASSERT_TRUE(inspection);
    EXPECT_EQ(inspection.value->source.kind, vesper::scene::SceneFileKind::vesperLinuxSaver);
    EXPECT_FALSE(inspection.value->source.sceneOffset);
    ASSERT_TRUE(inspection.value->failure);
    EXPECT_EQ(inspection.value->failure->cause, 3);
    EXPECT_NE(inspection.value->failure->description.find("no scene"), std::string::npos);
}

TEST(SceneInspection, EightBitTextsAreShownAsUtf8)
{
    ScratchDir dir;
    CVesperDoc doc;
    doc.ResetToNewScene();
    doc.sceneName = "Mat\xE9riel \x80";  // 8-bit code page characters
    const std::string path = (dir / "latin.scene").string();
    WriteFile(path, StoredScene(doc));
    const auto inspection = InspectFile(path);
    ASSERT_TRUE(inspection);
    const json report = json::parse(FormatJson(*inspection.value));
    EXPECT_EQ(report["scene"]["sceneName"], "Mat\u00E9riel \u20AC");
    EXPECT_NE(FormatText(*inspection.value).find("scene name: \"Mat\u00E9riel \u20AC\""), std::string::npos);
}

TEST(Packaging, RefusesWhatCannotMakeAWorkingSaver)
{
    const std::vector<BYTE> scene = {1};
    EXPECT_FALSE(PackageScene(std::vector<BYTE>(100, 0), scene, ""));
    EXPECT_FALSE(PackageScene(FakePlayer(), {}, ""));
    EXPECT_FALSE(PackageScene(FakePlayer(), scene, std::string(200, 't')));
    // A block whose scene offset points into the block itself.
    auto broken = FakePlayer(3000, 100);
    broken[100 + offsetof(vesper::platform::PatchableData, sceneOffset)] = 120;
    EXPECT_FALSE(PackageScene(broken, scene, ""));
}

// ---- The real executable ----------------------------------------------------

TEST(SceneToolExecutable, HoldsItsPatchableBlockExactlyOnce)
{
    const auto image = ReadFile(VESPER_SCENE_EXECUTABLE);
    ASSERT_FALSE(image.empty());
    const auto block = vesper::platform::FindPatchableBlock(image);
    EXPECT_TRUE(block) << block.error;
}

TEST(SceneToolExecutable, ReportsFailuresThroughItsExitStatus)
{
    ScratchDir dir;
    const std::string cut = (dir / "cut.scene").string();
    auto scene = SampleScene();
    scene.resize(30);
    WriteFile(cut, scene);
    auto run = RunExecutable("info '" + cut + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("load failed"), std::string::npos);
    run = RunExecutable("info '" + (dir / "absent").string() + "'");
    EXPECT_EQ(run.status, 2);
    run = RunExecutable("");
    EXPECT_EQ(run.status, 2);
}

}  // namespace
