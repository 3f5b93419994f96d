// The pack, build and dump commands as an author runs them: what they refuse,
// what they write, and that a refused or failed command leaves no output
// file behind (or the earlier one untouched).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "platform/kernel/patchable_data.h"
#include "scene/saver_note.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/atomic_file.h"
#include "tools/vesper_scene/command_line.h"
#include "tools/vesper_scene/sample_scene.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::ScratchDir;
using nlohmann::json;

// A player program and a scene in a scratch folder.
struct PackFixture {
    ScratchDir dir;
    std::filesystem::path player = dir / "player";
    std::filesystem::path scene = dir / "s.scene";
    std::filesystem::path saver = dir / "saver.scr";

    PackFixture()
    {
        WriteFile(player, FakePlayer(6000, 777));
        chmod(player.c_str(), 0751);
        CVesperDoc doc;
        FillSampleScene(doc);
        WriteFile(scene, StoredScene(doc));
        doc.DeleteContents();
    }

    ToolRun Pack(const std::string& title, const std::string& credit, const std::filesystem::path& from) const
    {
        return RunInProcess({"pack", "--player", from.string(), "--scene", scene.string(), "--title", title,
                             "--credit", credit, "-o", saver.string()});
    }
    ToolRun Pack(const std::string& title, const std::string& credit = "") const { return Pack(title, credit, player); }
};

// Only the named files are in the folder: no temporary file was left behind.
void ExpectOnlyFiles(const std::filesystem::path& folder, std::vector<std::string> names)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(found, names);
}

TEST(PackCommand, AppendsTheSceneAtThePlayersSizeWithTitleAndCredit)
{
    PackFixture f;
    const auto run = f.Pack("Cr\u00E9puscule", "par Vesper | 2024");
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    const auto player = ReadFile(f.player);
    const auto scene = ReadFile(f.scene);
    const auto saver = ReadFile(f.saver);
    ASSERT_EQ(saver.size(), player.size() + scene.size());
    EXPECT_TRUE(std::equal(scene.begin(), scene.end(), saver.begin() + static_cast<std::ptrdiff_t>(player.size())));
    const auto values = vesper::platform::ReadPatchableValues(saver);
    ASSERT_TRUE(values);
    EXPECT_EQ(values.value->sceneOffset, player.size());
    EXPECT_EQ(values.value->stringResource1, "Cr\xE9puscule|par Vesper | 2024");

    struct stat status {};
    ASSERT_EQ(stat(f.saver.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0751u);

    const auto info = RunInProcess({"info", "--json", f.saver.string()});
    ASSERT_EQ(info.status, exitSuccess);
    const json report = json::parse(info.out);
    EXPECT_EQ(report["title"], "Cr\u00E9puscule");
    EXPECT_EQ(report["credit"], "par Vesper | 2024");
    EXPECT_EQ(report["sceneOffset"], player.size());
    ExpectOnlyFiles(f.dir.path(), {"player", "s.scene", "saver.scr"});
}

TEST(PackCommand, PackingASaverAgainReplacesItsScene)
{
    PackFixture f;
    ASSERT_EQ(f.Pack("One").status, exitSuccess);
    const auto first = ReadFile(f.saver);
    std::filesystem::rename(f.saver, f.dir / "first.scr");
    const auto run = f.Pack("Two", "", f.dir / "first.scr");
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    EXPECT_NE(run.out.find("already held a scene"), std::string::npos);
    const auto second = ReadFile(f.saver);
    EXPECT_EQ(second.size(), first.size());
    const auto values = vesper::platform::ReadPatchableValues(second);
    ASSERT_TRUE(values);
    EXPECT_EQ(values.value->sceneOffset, ReadFile(f.player).size());
    EXPECT_EQ(values.value->stringResource1, "Two|");
}

TEST(PackCommand, ALinuxPlayersNoteSaysSaverOnceASceneIsPacked)
{
    PackFixture f;
    auto player = FakePlayer(6000, 777);
    const auto playerNote = vesper::scene::SaverNoteBytes(vesper::scene::SaverNoteKind::player);
    std::copy(playerNote.begin(), playerNote.end(), player.begin() + 400);
    WriteFile(f.player, player);
    const auto run = f.Pack("Noted");
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    const auto saver = ReadFile(f.saver);
    const auto saverNote = vesper::scene::SaverNoteBytes(vesper::scene::SaverNoteKind::saver);
    EXPECT_TRUE(std::equal(saverNote.begin(), saverNote.end(), saver.begin() + 400));
    EXPECT_EQ(std::search(saver.begin(), saver.end(), playerNote.begin(), playerNote.end()), saver.end());

    // A player with two such notes in its first page cannot say which is its
    // own: refused, nothing written.
    std::copy(playerNote.begin(), playerNote.end(), player.begin() + 3000);
    WriteFile(f.player, player);
    std::filesystem::remove(f.saver);
    const auto refused = f.Pack("Twice");
    EXPECT_NE(refused.status, exitSuccess);
    EXPECT_NE(refused.err.find("more than once"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(f.saver));
}

TEST(PackCommand, TitleAndCreditMustFitTheStringResource)
{
    PackFixture f;
    // 199 characters with the "|" fit with the terminator; 200 do not.
    auto run = f.Pack(std::string(100, 't'), std::string(98, 'c'));
    EXPECT_EQ(run.status, exitSuccess) << run.err;
    std::filesystem::remove(f.saver);
    run = f.Pack(std::string(100, 't'), std::string(99, 'c'));
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("take 200 characters"), std::string::npos) << run.err;
    run = f.Pack("A|B");
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("may not contain \"|\""), std::string::npos);
    run = f.Pack("Title", "\u2603");
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("the credit line: the character U+2603"), std::string::npos);
    ExpectOnlyFiles(f.dir.path(), {"player", "s.scene"});
}

TEST(PackCommand, RefusesWhatCannotMakeASaverAndKeepsAnEarlierOutput)
{
    PackFixture f;
    WriteText(f.saver, "earlier");
    WriteFile(f.dir / "notaplayer", std::vector<BYTE>(3000, 0x90));
    auto run = f.Pack("T", "", f.dir / "notaplayer");
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("no patchable block"), std::string::npos) << run.err;

    auto scene = ReadFile(f.scene);
    scene.resize(scene.size() - 10);
    WriteFile(f.scene, scene);
    run = f.Pack("T");
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("does not load: Unexpected file format."), std::string::npos) << run.err;

    run = RunInProcess({"pack", "--player", (f.dir / "absent").string(), "--scene", f.scene.string(), "--title", "T",
                        "-o", f.saver.string()});
    EXPECT_EQ(run.status, exitUsage);
    EXPECT_EQ(ReadFile(f.saver), (std::vector<BYTE>{'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
    ExpectOnlyFiles(f.dir.path(), {"player", "s.scene", "saver.scr", "notaplayer"});
}

TEST(BuildCommand, ErrorsAreListedAndNothingIsWritten)
{
    ScratchDir dir;
    WriteText(dir / "scene.json", R"({"sceneName": "x", "sprites": [{"picture": "missing.png", "dx": "fast"}]})");
    WriteText(dir / "out.scene", "earlier");
    const auto run = RunInProcess({"build", (dir / "scene.json").string(), "-o", (dir / "out.scene").string()});
    EXPECT_EQ(run.status, exitFailure);
    const std::string prefix = "error: " + (dir / "scene.json").string() + ": sprites[0].";
    EXPECT_NE(run.err.find(prefix + "picture: missing.png: cannot read the file"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(prefix + "dx: expected a whole number"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 errors; "), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "out.scene").size(), 7u);
    ExpectOnlyFiles(dir.path(), {"scene.json", "out.scene"});
}

TEST(BuildCommand, ASceneWithMoreObjectsThanTheFormatCanNumberIsRefused)
{
    ScratchDir dir;
    // Object references are 16-bit: one class and the sprites share 32,765 numbers.
    auto spriteList = [](int count) {
        std::string text = R"({"sprites": [)";
        for (int i = 0; i < count; ++i)
            text += std::string(i ? "," : "") + R"({"picture": null})";
        return text + "]}";
    };
    WriteText(dir / "many.json", spriteList(32765));
    const auto run = RunInProcess({"build", (dir / "many.json").string(), "-o", (dir / "many.scene").string()});
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("sprites: 32765 sprites are more than a scene can number (at most 32764 here)"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "many.scene"));
}

TEST(DumpCommand, WritesADescriptionThatBuildsBackTheSameScene)
{
    PackFixture f;
    ASSERT_EQ(f.Pack("T", "C").status, exitSuccess);
    // A packaged saver dumps its appended scene.
    const auto dumpFolder = f.dir / "dumped";
    auto run = RunInProcess({"dump", f.saver.string(), "-o", dumpFolder.string()});
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    ExpectOnlyFiles(dumpFolder, {"scene.json", "background.bmp", "sprite-00.bmp", "sprite-01.bmp", "sprite-02.bmp"});
    run = RunInProcess({"build", (dumpFolder / "scene.json").string(), "-o", (f.dir / "again.scene").string()});
    ASSERT_EQ(run.status, exitSuccess) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(ReadFile(f.dir / "again.scene"), ReadFile(f.scene));

    // A folder with files in it is only written into when asked.
    run = RunInProcess({"dump", f.scene.string(), "-o", dumpFolder.string()});
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("is not empty"), std::string::npos);
    run = RunInProcess({"dump", f.scene.string(), "-o", dumpFolder.string(), "--force"});
    EXPECT_EQ(run.status, exitSuccess) << run.err;
}

TEST(DumpCommand, ASceneThatDoesNotLoadIsReportedWithItsCause)
{
    ScratchDir dir;
    WriteFile(dir / "cut.scene", {0x80, 0x02, 0xE0});
    const auto run = RunInProcess({"dump", (dir / "cut.scene").string(), "-o", (dir / "out").string()});
    EXPECT_EQ(run.status, exitFailure);
    EXPECT_NE(run.err.find("does not load: Unexpected file format."), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

TEST(AtomicWrite, ReplacesWholeFilesAndLeavesNothingOnFailure)
{
    ScratchDir dir;
    const std::vector<BYTE> bytes = {1, 2, 3};
    EXPECT_EQ(WriteFileAtomically((dir / "a").string(), bytes), "");
    EXPECT_EQ(WriteFileAtomically((dir / "a").string(), std::vector<BYTE>{9}, 0700), "");
    EXPECT_EQ(ReadFile(dir / "a"), std::vector<BYTE>{9});
    struct stat status {};
    ASSERT_EQ(stat((dir / "a").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    std::filesystem::create_directory(dir / "folder");
    EXPECT_NE(WriteFileAtomically((dir / "folder").string(), bytes).find("is a directory"), std::string::npos);
    EXPECT_NE(WriteFileAtomically((dir / "missing" / "a").string(), bytes).find("cannot create a temporary file"),
              std::string::npos);
    ExpectOnlyFiles(dir.path(), {"a", "folder"});
}

// ---- The real executable ----------------------------------------------------

TEST(ToolExecutable, BuildsDumpsAndPacksFromTheCommandLine)
{
    ScratchDir dir;
    WriteText(dir / "scene.json", R"({"sceneName": "Line", "backgroundKind": "solid", "solidColour": "#203040"})");
    auto run = RunExecutable("build " + Quote(dir / "scene.json") + " -o " + Quote(dir / "line.scene"));
    ASSERT_EQ(run.status, 0) << run.out;
    run = RunExecutable("pack --player " + Quote(VESPER_SCENE_EXECUTABLE) + " --scene " + Quote(dir / "line.scene") +
                        " --title 'Ligne' --credit 'Vesper' -o " + Quote(dir / "line.scr"));
    ASSERT_EQ(run.status, 0) << run.out;
    // The copy is a program like the player it was made from.
    EXPECT_EQ(access((dir / "line.scr").c_str(), X_OK), 0);
    run = RunExecutable("info " + Quote(dir / "line.scr"));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("title: \"Ligne\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("solid colour: 0x00403020"), std::string::npos) << run.out;
    run = RunExecutable("dump " + Quote(dir / "line.scr") + " -o " + Quote(dir / "d"));
    ASSERT_EQ(run.status, 0) << run.out;
    const auto text = ReadFile(dir / "d" / "scene.json");
    EXPECT_EQ(json::parse(std::string(text.begin(), text.end()))["solidColour"], "#203040");

    run = RunExecutable("new -o " + Quote(dir / "sample.scene"));
    ASSERT_EQ(run.status, 0) << run.out;
    run = RunExecutable("info " + Quote(dir / "sample.scene"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("sprites: 3"), std::string::npos) << run.out;
}

}  // namespace
