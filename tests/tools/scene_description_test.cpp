// Scene descriptions: what build accepts and refuses, with messages that
// name the file and the field, and the round trips between scene streams,
// descriptions and pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>

#include <nlohmann/json.hpp>
#include <png.h>

#include "sprites/anim_sprite.h"
#include "tests/support/test_data.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/sample_scene.h"
#include "tools/vesper_scene/scene_description.h"
#include "tools/vesper_scene/scene_info.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;
using vesper::test::ScratchDir;
using nlohmann::json;

struct Built {
    BuildReport report;
    std::vector<BYTE> scene;  // empty when the build failed
};

Built Build(const ScratchDir& dir, const json& description)
{
    CVesperDoc doc;
    Built built;
    built.report = BuildSceneFromText(description.dump(), "scene.json", dir.path(), doc);
    if (built.report.Succeeded())
        built.scene = StoredScene(doc);
    EXPECT_TRUE(built.report.Succeeded() || doc.sprites.IsEmpty());
    doc.DeleteContents();
    return built;
}

// The one error a description gives.
std::string OnlyError(const ScratchDir& dir, const json& description)
{
    const Built built = Build(dir, description);
    EXPECT_EQ(built.report.errors.size(), 1u) << description.dump();
    return built.report.errors.empty() ? "" : built.report.errors.front();
}

bool HasWarning(const BuildReport& report, const std::string& part)
{
    for (const auto& warning : report.warnings) {
        if (warning.find(part) != std::string::npos)
            return true;
    }
    return false;
}

// Dumps a scene stream into `folder` and builds the description found there.
std::vector<BYTE> DumpAndBuild(const std::vector<BYTE>& scene, const std::filesystem::path& folder,
                               json* description = nullptr)
{
    CVesperDoc loaded;
    EXPECT_TRUE(LoadSceneBytesQuietly(loaded, scene));
    const SceneDescription dumped = DescribeScene(loaded);
    loaded.DeleteContents();
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : dumped.pictures)
        WriteFile(folder / name, bytes);
    WriteText(folder / "scene.json", dumped.text);
    if (description)
        *description = json::parse(dumped.text);
    CVesperDoc rebuilt;
    const BuildReport report = BuildSceneFromDescription((folder / "scene.json").string(), rebuilt);
    EXPECT_TRUE(report.Succeeded()) << (report.errors.empty() ? "" : report.errors.front());
    auto bytes = StoredScene(rebuilt);
    rebuilt.DeleteContents();
    return bytes;
}

void WriteSpritePng(const std::filesystem::path& path, LONG width, LONG height)
{
    std::vector<std::uint32_t> rgba(static_cast<std::size_t>(width * height), Rgba(0, 0, 0, 0));
    for (LONG i = 0; i < width; ++i)
        rgba[static_cast<std::size_t>((height / 2) * width + i)] = Rgba(200, 100, 0);
    WritePng(path, width, height, rgba, PNG_FORMAT_RGBA);
}

TEST(BuildErrors, EachNamesTheFileAndTheField)
{
    ScratchDir dir;
    WriteSpritePng(dir / "bird.png", 8, 4);
    const json sprite = {{"picture", "bird.png"}};
    struct Case {
        json description;
        const char* message;
    };
    const Case cases[] = {
        {{{"sceneWidht", 640}}, "scene.json: sceneWidht: unknown field (did you mean \"sceneWidth\"?)"},
        {{{"sceneWidth", -1}}, "scene.json: sceneWidth: -1 is outside 0..65535"},
        {{{"spareWord2", 65536}}, "scene.json: spareWord2: 65536 is outside 0..65535"},
        {{{"backgroundKind", "sky"}},
         "scene.json: backgroundKind: \"sky\" is not one of \"picture\", \"gradient\", \"solid\" (or a number)"},
        {{{"imagePlacement", "center"}},
         "scene.json: imagePlacement: \"center\" is not one of \"stretch\", \"centre\", \"tile\" (or a number)"},
        {{{"solidColour", "#12345"}},
         "scene.json: solidColour: \"#12345\" is not a colour (\"#RRGGBB\" or a number 0x00BBGGRR)"},
        {{{"gradientTo", 4294967296}}, "scene.json: gradientTo: 4294967296 is outside 0..4294967295"},
        {{{"sceneName", 7}}, "scene.json: sceneName: expected a text, found 7"},
        {{{"sceneName", "\u65E5"}}, "scene.json: sceneName: the character U+65E5 has no 8-bit (Windows-1252) form"},
        {{{"background", "nowhere.png"}}, "scene.json: background: nowhere.png: cannot read the file"},
        {{{"sprites", {{"picture", "bird.png"}}}}, "scene.json: sprites: expected a list of sprites"},
        {{{"sprites", {7}}}, "scene.json: sprites[0]: expected an object, found 7"},
        {{{"sprites", {sprite, {{"picture", "bird.png"}, {"x", 40000}}}}},
         "scene.json: sprites[1].x: 40000 is outside -32768..32767"},
        {{{"sprites", {{{"picture", "bird.png"}, {"depth", "10"}}}}},
         "scene.json: sprites[0].depth: expected a whole number, found \"10\""},
        {{{"sprites", {{{"picture", "bird.png"}, {"dx", 1.5}}}}},
         "scene.json: sprites[0].dx: expected a whole number, found 1.5"},
        {{{"sprites", {{{"picture", "bird.png"}, {"dx", 2147483648}}}}},
         "scene.json: sprites[0].dx: 2147483648 is outside -2147483648..2147483647"},
        {{{"sprites", {{{"picture", "bird.png"}, {"motion", "zigzag"}}}}},
         "scene.json: sprites[0].motion: \"zigzag\" is not one of \"linear\", \"bounce\" (or a number)"},
        {{{"sprites", {{{"picture", "bird.png"}, {"edgeMode", true}}}}},
         "scene.json: sprites[0].edgeMode: true is not one of \"wrap\", \"wrapPause\", \"rebound\" (or a number)"},
        {{{"sprites", {{{"picture", "bird.png"}, {"auxWord1", 65536}}}}},
         "scene.json: sprites[0].auxWord1: 65536 is outside 0..65535"},
        {{{"sprites", {{{"picture", "bird.png"}, {"class", "CBird"}}}}},
         "scene.json: sprites[0].class: \"CBird\" is not one of \"CAnimSprite\", \"CPhasedSprite\", \"CSprite\""},
        {{{"sprites", {{{"picture", "bird.png"}, {"class", "CSprite"}, {"phaseCount", 2}}}}},
         "scene.json: sprites[0].phaseCount: this sprite's class does not store it"},
        {{{"sprites", {{{"picture", "bird.png"}, {"class", "CPhasedSprite"}, {"dx", 2}}}}},
         "scene.json: sprites[0].dx: this sprite's class does not store it"},
        {{{"sprites", {{{"picture", "bird.png"}, {"edgemode", "wrap"}}}}},
         "scene.json: sprites[0].edgemode: unknown field (did you mean \"edgeMode\"?)"},
        {{{"sprites", {{{"x", 1}}}}}, "scene.json: sprites[0].picture: missing: give the path of a PNG or .bmp file"},
        {{{"sprites", {{{"picture", 3}}}}}, "scene.json: sprites[0].picture: expected the path of a PNG or .bmp file"},
        {{{"sprites", {{{"picture", "scene.json"}}}}},
         "scene.json: sprites[0].picture: scene.json: neither a PNG nor a .bmp picture"},
    };
    WriteText(dir / "scene.json", "{}");
    for (const Case& c : cases) {
        const std::string error = OnlyError(dir, c.description);
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << "got: " << error;
    }
}

TEST(BuildErrors, AllProblemsAreReportedAtOnceAndNothingIsKept)
{
    ScratchDir dir;
    const json description = {{"sceneWidth", "wide"},
                              {"sprites", {{{"picture", nullptr}, {"x", 1e9}}, {{"picture", "no.png"}, {"y", -40000}}}}};
    CVesperDoc doc;
    const BuildReport report = BuildSceneFromText(description.dump(), "s.json", dir.path(), doc);
    EXPECT_EQ(report.errors.size(), 4u);
    EXPECT_TRUE(doc.sprites.IsEmpty());
    EXPECT_EQ(doc.background, nullptr);
}

TEST(BuildErrors, AFieldGivenTwiceIsRefused)
{
    ScratchDir dir;
    CVesperDoc doc;
    const BuildReport report = BuildSceneFromText(
        R"({"sceneName": "a", "sprites": [{"picture": null, "x": 1, "x": 2}], "sceneName": "b"})", "s.json",
        dir.path(), doc);
    ASSERT_EQ(report.errors.size(), 2u);
    EXPECT_EQ(report.errors[0], "s.json: x: given twice in one object");
    EXPECT_EQ(report.errors[1], "s.json: sceneName: given twice in one object");
    // The same name in different objects is fine.
    EXPECT_TRUE(BuildSceneFromText(R"({"sprites": [{"picture": null, "x": 1}, {"picture": null, "x": 2}]})", "s.json",
                                   dir.path(), doc)
                    .Succeeded());
    doc.DeleteContents();
}

TEST(BuildErrors, TextThatIsNotJsonGivesThePlace)
{
    ScratchDir dir;
    CVesperDoc doc;
    const BuildReport report = BuildSceneFromText("{\n  \"sceneName\": \"a\",\n  oops\n}", "s.json", dir.path(), doc);
    ASSERT_EQ(report.errors.size(), 1u);
    EXPECT_NE(report.errors[0].find("s.json: not valid JSON"), std::string::npos);
    EXPECT_NE(report.errors[0].find("line 3"), std::string::npos);
    EXPECT_FALSE(BuildSceneFromText("[1, 2]", "s.json", dir.path(), doc).Succeeded());
    // A number beyond every number type is refused like any other fault, not thrown.
    const BuildReport overflow = BuildSceneFromText(R"({"speed": 66e6666664})", "s.json", dir.path(), doc);
    ASSERT_EQ(overflow.errors.size(), 1u);
    EXPECT_NE(overflow.errors[0].find("s.json: not valid JSON"), std::string::npos) << overflow.errors[0];
    EXPECT_NE(overflow.errors[0].find("66e6666664"), std::string::npos) << overflow.errors[0];
    EXPECT_FALSE(BuildSceneFromDescription((dir / "absent.json").string(), doc).Succeeded());
}

TEST(BuildValues, LimitsNamesAndColoursAreStoredExactly)
{
    ScratchDir dir;
    WriteSpritePng(dir / "bird.png", 8, 4);
    const json description = {
        {"sceneName", "Cr\u00E9puscule \u20AC"},
        {"backgroundKind", "solid"},
        {"solidColour", "#FF8000"},
        {"gradientFrom", 0xFFFFFFFF},
        {"gradientTo", "#00ff7f"},
        {"gradientHorizontal", true},
        {"sprites",
         {{{"picture", "bird.png"}, {"x", -32768}, {"y", 32767}, {"auxWord1", 65535}, {"dx", -2147483648LL},
           {"dy", 2147483647}, {"motion", "bounce"}, {"edgeMode", "wrapPause"}},
          {{"picture", "bird.png"}, {"class", "CPhasedSprite"}, {"phaseCount", 2}, {"phaseSpeed", 17}}}}};
    CVesperDoc doc;
    const BuildReport report = BuildSceneFromText(description.dump(), "scene.json", dir.path(), doc);
    ASSERT_TRUE(report.Succeeded()) << report.errors.front();
    EXPECT_EQ(doc.sceneName, "Cr\xE9puscule \x80");
    EXPECT_EQ(doc.backgroundKind, 2u);
    EXPECT_EQ(doc.solidColour, 0x000080FFu);  // red in the low byte
    EXPECT_EQ(doc.gradientFrom, 0xFFFFFFFFu);
    EXPECT_EQ(doc.gradientTo, 0x007FFF00u);
    EXPECT_EQ(doc.gradientHorizontal, 1u);
    ASSERT_EQ(doc.sprites.GetCount(), 2);
    const auto* first = dynamic_cast<const CAnimSprite*>(doc.sprites.GetHead());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->x, -32768);
    EXPECT_EQ(first->y, 32767);
    EXPECT_EQ(first->auxWord1, 65535u);
    EXPECT_EQ(first->dx, INT32_MIN);
    EXPECT_EQ(first->dy, INT32_MAX);
    EXPECT_EQ(first->motion, MotionBounce);
    EXPECT_EQ(first->edgeMode, EdgeWrapPause);
    EXPECT_EQ(first->depth, 50);  // construction default
    const auto* second = doc.sprites.GetTail();
    EXPECT_STREQ(second->GetRuntimeClass()->m_lpszClassName, "CPhasedSprite");
    EXPECT_EQ(static_cast<const CPhasedSprite*>(second)->phaseSpeed, 17);
    EXPECT_TRUE(HasWarning(report, "sprites[1]: the player plays every sprite as a CAnimSprite"));
    doc.DeleteContents();
}

TEST(BuildValues, OmittedFieldsTakeTheNewSceneDefaults)
{
    ScratchDir dir;
    WriteSpritePng(dir / "sky.png", 4, 4);
    const Built built = Build(dir, {{"background", "sky.png"}});
    ASSERT_TRUE(built.report.Succeeded());
    CVesperDoc doc;
    ASSERT_TRUE(LoadSceneBytesQuietly(doc, built.scene));
    EXPECT_EQ(doc.sceneWidth, 640u);
    EXPECT_EQ(doc.sceneHeight, 480u);
    EXPECT_EQ(doc.backgroundKind, 1u);  // a gradient, though a picture is stored
    EXPECT_EQ(doc.gradientTo, 0x00800000u);
    EXPECT_EQ(doc.spareWord2, 1u);
    EXPECT_EQ(doc.backgroundPath, "sky.png");
    ASSERT_NE(doc.background, nullptr);
    EXPECT_EQ(doc.background->Header()->biWidth, 4);
    doc.DeleteContents();
    // The empty description is the new scene: exactly its 36 bytes.
    CVesperDoc fresh;
    fresh.ResetToNewScene();
    EXPECT_EQ(Build(dir, json::object()).scene, StoredScene(fresh));
}

TEST(BuildWarnings, WhatWouldNotLookAsIntended)
{
    ScratchDir dir;
    WriteSpritePng(dir / "strip.png", 8, 10);
    const Built built = Build(dir, {{"sceneWidth", 800},
                                    {"backgroundKind", "picture"},
                                    {"sprites",
                                     {{{"picture", "strip.png"}, {"phaseCount", 3}, {"motion", 0}, {"edgeMode", 9}},
                                      {{"picture", "strip.png"}, {"phaseCount", 11}},
                                      {{"picture", nullptr}}}}});
    ASSERT_TRUE(built.report.Succeeded());
    EXPECT_TRUE(HasWarning(built.report, "sceneWidth: the player places sprites as if the scene were 640 x 480"));
    EXPECT_TRUE(HasWarning(built.report, "background: the background kind is \"picture\" but there is no picture"));
    EXPECT_TRUE(HasWarning(built.report, "sprites[0].phaseCount: the picture's 10 rows do not divide into 3 phases: "
                                         "its last row is never shown"));
    EXPECT_TRUE(HasWarning(built.report, "sprites[0].motion: 0 does not move the sprite"));
    EXPECT_TRUE(HasWarning(built.report, "sprites[0].edgeMode: 9 behaves as \"wrap\""));
    EXPECT_TRUE(HasWarning(built.report, "sprites[1].phaseCount: more phases than the picture has rows"));
    EXPECT_TRUE(HasWarning(built.report, "sprites[2].picture: no picture"));
}

// ---- Round trips ----------------------------------------------------------------

// A scene with every sprite class, pictures of every depth, unusual stored
// values the player ignores, texts beyond the one-byte length form and
// 8-bit characters, and a sprite without a picture.
std::vector<BYTE> VariedScene()
{
    CVesperDoc doc;
    doc.ResetToNewScene();
    doc.sceneWidth = 800;
    doc.spareWord1 = 65535;
    doc.backgroundPath = std::string(300, 'p');
    doc.sceneName = "Nuit \xE9toil\xE9" "e \x80";
    doc.backgroundKind = 7;
    doc.gradientHorizontal = 3;
    doc.imagePlacement = 2;
    doc.spareWord2 = 0;
    doc.solidColour = 0x01000005;  // a palette-index colour
    doc.gradientFrom = 0x00123456;
    auto* background = new CDIB;
    background->dib = BlockOf(PackedBytes(7, 5, 24, 0, 0x5A));
    doc.SetBackground(background);
    const WORD depths[] = {1, 4, 8, 24};
    for (int i = 0; i < 4; ++i) {
        CSprite* sprite = i == 0 ? new CSprite : i == 1 ? new CPhasedSprite : new CAnimSprite;
        sprite->image.dib = BlockOf(PackedBytes(3 + i, 6, depths[i], i == 2 ? 0 : 3, static_cast<BYTE>(0x11 * i)));
        sprite->x = -5 * i;
        sprite->y = 32767 - i;
        sprite->depth = -32768 + i;
        sprite->auxWord1 = 65535;
        sprite->auxWord2 = static_cast<DWORD>(i);
        sprite->auxText1 = i == 3 ? std::string(70000, 'x') : "note " + std::to_string(i);
        sprite->auxText2 = "\x81\x8D\xFF";
        if (auto* phased = dynamic_cast<CPhasedSprite*>(sprite)) {
            phased->phaseCount = i == 1 ? 3 : -2;
            phased->phaseSpeed = 25;
        }
        if (auto* animated = dynamic_cast<CAnimSprite*>(sprite)) {
            animated->dx = -23;
            animated->dy = i == 3 ? 0 : 44;
            animated->motion = i == 3 ? 5 : MotionBounce;
            animated->edgeMode = i == 3 ? -1 : EdgeRebound;
        }
        doc.sprites.AddSprite(sprite);
    }
    doc.sprites.AddSprite(new CAnimSprite);  // no picture
    auto bytes = StoredScene(doc);
    doc.DeleteContents();
    return bytes;
}

TEST(RoundTrip, SceneBytesThroughDumpAndBuildComeBackIdentical)
{
    ScratchDir dir;
    CVesperDoc sample;
    FillSampleScene(sample);
    CVesperDoc empty;
    empty.ResetToNewScene();
    const std::vector<std::vector<BYTE>> scenes = {StoredScene(sample), StoredScene(empty), VariedScene()};
    sample.DeleteContents();
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const auto rebuilt = DumpAndBuild(scenes[i], dir / ("scene" + std::to_string(i)));
        EXPECT_EQ(rebuilt, scenes[i]) << "scene " << i;
    }
}

TEST(RoundTrip, TheDumpedDescriptionUsesReadableNamesAndKeepsOddValues)
{
    ScratchDir dir;
    json description;
    DumpAndBuild(VariedScene(), dir.path(), &description);
    EXPECT_EQ(description["sceneName"], "Nuit \u00E9toil\u00E9e \u20AC");
    EXPECT_EQ(description["backgroundKind"], 7);
    EXPECT_EQ(description["imagePlacement"], "tile");
    EXPECT_EQ(description["gradientHorizontal"], 3);
    EXPECT_EQ(description["solidColour"], 0x01000005);
    EXPECT_EQ(description["gradientFrom"], "#563412");
    EXPECT_EQ(description["background"], "background.bmp");
    const json& sprites = description["sprites"];
    ASSERT_EQ(sprites.size(), 5u);
    EXPECT_EQ(sprites[0]["class"], "CSprite");
    EXPECT_FALSE(sprites[0].contains("phaseCount"));
    EXPECT_FALSE(sprites[1].contains("dx"));
    EXPECT_EQ(sprites[2]["motion"], "bounce");
    EXPECT_EQ(sprites[2]["edgeMode"], "rebound");
    EXPECT_EQ(sprites[3]["motion"], 5);
    EXPECT_EQ(sprites[3]["edgeMode"], -1);
    EXPECT_EQ(sprites[3]["picture"], "sprite-03.bmp");
    EXPECT_EQ(sprites[4]["picture"], nullptr);
    EXPECT_EQ(sprites[0]["auxText2"], "\u0081\u008D\u00FF");
    EXPECT_TRUE(std::filesystem::exists(dir / "sprite-02.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "sprite-04.bmp"));
}

TEST(RoundTrip, ADescriptionBuiltDumpedAndBuiltAgainGivesTheSameScene)
{
    ScratchDir dir;
    WriteSpritePng(dir / "bird.png", 9, 6);
    WritePng(dir / "sky.png", 40, 30, std::vector<std::uint32_t>(1200, Rgba(20, 30, 90)), PNG_FORMAT_RGB);
    const json description = {{"sceneName", "Dusk"},
                              {"backgroundKind", "picture"},
                              {"imagePlacement", "centre"},
                              {"background", "sky.png"},
                              {"gradientFrom", "#102030"},
                              {"sprites",
                               {{{"picture", "bird.png"}, {"x", 10}, {"phaseCount", 3}, {"phaseSpeed", 17}},
                                {{"class", "CSprite"}, {"picture", "bird.png"}, {"auxText1", "\u00E9t\u00E9"}}}}};
    const Built built = Build(dir, description);
    ASSERT_TRUE(built.report.Succeeded());
    json dumped;
    EXPECT_EQ(DumpAndBuild(built.scene, dir / "dumped", &dumped), built.scene);
    for (const char* field : {"sceneName", "backgroundKind", "imagePlacement", "gradientFrom"})
        EXPECT_EQ(dumped[field], description[field]) << field;
    EXPECT_EQ(dumped["backgroundPath"], "sky.png");
    EXPECT_EQ(dumped["sprites"][0]["phaseCount"], 3);
    EXPECT_EQ(dumped["sprites"][1]["auxText1"], "\u00E9t\u00E9");
}

TEST(Schema, NamesExactlyTheFieldsTheBuilderAccepts)
{
    std::ifstream in(std::filesystem::path(VESPER_SOURCE_DIR) / "docs" / "scene.schema.json");
    ASSERT_TRUE(in) << "docs/scene.schema.json";
    const json schema = json::parse(in);
    std::vector<std::string> sceneFields;
    for (const auto& [name, value] : schema["properties"].items()) {
        if (name != "$schema")
            sceneFields.push_back(name);
    }
    std::vector<std::string> spriteFields;
    for (const auto& [name, value] : schema["$defs"]["sprite"]["properties"].items())
        spriteFields.push_back(name);
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(sceneFields), sorted(SceneFieldNames()));
    EXPECT_EQ(sorted(spriteFields), sorted(SpriteFieldNames()));
    EXPECT_EQ(schema["additionalProperties"], false);
    EXPECT_EQ(schema["$defs"]["sprite"]["additionalProperties"], false);
}

}  // namespace
