// vesper-render end to end: the real executable on scenes written here, and
// its command line read in process.
#include <gtest/gtest.h>

#include <algorithm>

#include <gif_lib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "imaging/dib.h"
#include "sprites/anim_sprite.h"
#include "tests/stage/stage_test_support.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_data.h"
#include "tools/vesper_render/render_options.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/png_codec.h"

namespace {

namespace fs = std::filesystem;
using vesper::test::IndexOfCubeColour;
using vesper::test::SpriteSpec;

constexpr COLORREF kTeal = RGB(0, 102, 102);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr std::size_t kBmpPixelOffset = 14 + 40 + 256 * 4;

using vesper::test::ProgramRun;
using vesper::test::ReadBytes;
using vesper::test::WriteBytes;
using vesper::test::ShellQuote;

ProgramRun RenderTool(const std::string& arguments)
{
    return vesper::test::RunProgram(std::string(VESPER_RENDER_EXECUTABLE) + " " + arguments);
}

std::uint32_t ReadLE(const std::vector<BYTE>& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
    return value;
}

// The palette index of pixel (x, y), row 0 at the top, of an 8-bit .bmp.
BYTE BmpIndex(const std::vector<BYTE>& bmp, int x, int y)
{
    const auto width = static_cast<int>(ReadLE(bmp, 18, 4));
    const auto height = static_cast<int>(ReadLE(bmp, 22, 4));
    const int stride = (width + 3) / 4 * 4;
    return bmp.at(kBmpPixelOffset + static_cast<std::size_t>((height - 1 - y) * stride + x));
}

SpriteSpec StillSquare(int x, int y, int side)
{
    SpriteSpec spec;
    spec.x = x;
    spec.y = y;
    spec.width = spec.height = side;
    spec.fill = kRed;
    spec.motion = 0;
    spec.phaseSpeed = -10000;
    return spec;
}

// A picture of one colour (black) everywhere, so that as a sprite it is all
// key colour; 16 bits per pixel is a depth the renderers do not draw.
HGLOBAL UniformPicture(LONG width, LONG height, WORD bits)
{
    const DWORD stride = (static_cast<DWORD>(bits * width) + 31) / 32 * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + stride * static_cast<DWORD>(height));
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    std::memcpy(GlobalLock(block), &header, sizeof header);
    GlobalUnlock(block);
    return block;
}

void ReplacePicture(CDIB& picture, HGLOBAL block)
{
    picture.CopyFrom(CDIB());
    picture.dib = block;
}

class VesperRenderTest : public ::testing::Test {
protected:
    fs::path WriteScene(const std::string& name, CVesperDoc& doc)
    {
        const fs::path path = scratch / name;
        WriteBytes(path, vesper::test::SceneBytes(doc));
        return path;
    }

    // A teal scene with a still red square stored at (100, 50), 40 pixels wide.
    fs::path StillScene()
    {
        auto doc = vesper::test::MakeScene(kTeal, {StillSquare(100, 50, 40)});
        return WriteScene("still.scene", *doc);
    }

    // Sprites that wrap with pauses: where they are after a while depends
    // on the random numbers drawn for their pause lotteries.
    fs::path PausingScene() { return WriteScene("pausing.scene", *PausingDocument()); }

    std::unique_ptr<CVesperDoc> PausingDocument()
    {
        std::vector<SpriteSpec> sprites;
        for (int i = 0; i < 6; ++i) {
            SpriteSpec spec;
            spec.x = 600;
            spec.y = 40 + 70 * i;
            spec.width = spec.height = 30;
            spec.fill = kRed;
            spec.dx = 150;
            spec.edgeMode = EdgeWrapPause;
            sprites.push_back(spec);
        }
        return vesper::test::MakeScene(kTeal, sprites);
    }

    std::vector<BYTE> RenderBmp(const fs::path& scene, const std::string& options)
    {
        const fs::path out = scratch / "picture.bmp";
        fs::remove(out);
        const ProgramRun run = RenderTool(ShellQuote(scene) + " " + options + " --out " + ShellQuote(out));
        EXPECT_EQ(run.status, 0) << run.output;
        return ReadBytes(out);
    }

    vesper::test::ScratchDir scratch;
};

TEST_F(VesperRenderTest, BmpHoldsTheFrameBufferAndPngItsColours)
{
    const fs::path scene = StillScene();
    const std::vector<BYTE> bmp = RenderBmp(scene, "--size 320x240 --seed 1 --ticks 5");
    ASSERT_EQ(bmp.size(), kBmpPixelOffset + 320u * 240u);
    EXPECT_EQ(ReadLE(bmp, 0, 2), 0x4D42u);
    EXPECT_EQ(ReadLE(bmp, 2, 4), bmp.size());
    EXPECT_EQ(ReadLE(bmp, 10, 4), kBmpPixelOffset);
    EXPECT_EQ(ReadLE(bmp, 14, 4), 40u);
    EXPECT_EQ(ReadLE(bmp, 22, 4), 240u) << "bottom-up, as the frame holds it";
    EXPECT_EQ(ReadLE(bmp, 28, 2), 8u);
    EXPECT_EQ(ReadLE(bmp, 30, 4), 0u) << "uncompressed";
    for (int i = 0; i < 256; ++i) {
        const std::size_t entry = 54 + static_cast<std::size_t>(i) * 4;
        ASSERT_EQ(RGB(bmp[entry + 2], bmp[entry + 1], bmp[entry]), vesper::test::PaletteColour(static_cast<BYTE>(i)));
    }
    // The square is placed at (50, 25) on a stage half the design size; its
    // left column and top row are transparent.
    const BYTE teal = IndexOfCubeColour(kTeal);
    const BYTE red = IndexOfCubeColour(kRed);
    EXPECT_EQ(BmpIndex(bmp, 0, 0), teal);
    EXPECT_EQ(BmpIndex(bmp, 50, 30), teal);
    EXPECT_EQ(BmpIndex(bmp, 55, 25), teal);
    EXPECT_EQ(BmpIndex(bmp, 51, 26), red);
    EXPECT_EQ(BmpIndex(bmp, 89, 64), red);
    EXPECT_EQ(BmpIndex(bmp, 90, 40), teal);
    EXPECT_EQ(BmpIndex(bmp, 70, 65), teal);

    const fs::path png = scratch / "picture.png";
    const ProgramRun run = RenderTool(ShellQuote(scene) + " --size 320x240 --seed 1 --ticks 5 --out " + ShellQuote(png));
    ASSERT_EQ(run.status, 0) << run.output;
    const auto image = vesper::tools::DecodePng(ReadBytes(png));
    ASSERT_TRUE(image) << image.error;
    ASSERT_EQ(image.value->width, 320);
    ASSERT_EQ(image.value->height, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const BYTE* pixel = image.value->At(x, y);
            ASSERT_EQ(RGB(pixel[0], pixel[1], pixel[2]), vesper::test::PaletteColour(BmpIndex(bmp, x, y))) << x << ", " << y;
        }
}

// The picture at scale K is the stage of size / K, each pixel a K x K block,
// centred in a black border: pixel for pixel the smaller picture magnified.
TEST_F(VesperRenderTest, AScaledPictureIsTheSmallerStageMagnifiedInItsBorder)
{
    const fs::path scene = PausingScene();
    struct Case {
        const char* size;
        const char* scale;
        int width, height, factor, stageWidth, stageHeight, left, top;
    };
    const Case cases[] = {
        {"3840x2160", "3", 3840, 2160, 3, 1280, 720, 0, 0},
        {"3840x2160", "auto", 3840, 2160, 3, 1280, 720, 0, 0},
        {"1283x722", "4", 1283, 722, 4, 320, 180, 1, 1},
    };
    for (const Case& c : cases) {
        const std::string ticks = " --seed 3 --ticks 40";
        const std::vector<BYTE> stage =
            RenderBmp(scene, "--size " + std::to_string(c.stageWidth) + "x" + std::to_string(c.stageHeight) + ticks);
        const std::vector<BYTE> shown = RenderBmp(scene, std::string("--size ") + c.size + " --scale " + c.scale + ticks);
        const int stride = (c.width + 3) / 4 * 4;
        ASSERT_EQ(shown.size(), kBmpPixelOffset + static_cast<std::size_t>(stride) * c.height) << c.size;
        ASSERT_TRUE(std::equal(stage.begin() + 54, stage.begin() + kBmpPixelOffset, shown.begin() + 54))
            << "the same colour table";
        const BYTE black = 0;
        ASSERT_EQ(vesper::test::PaletteColour(black), RGB(0, 0, 0));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int sx = (x - c.left) / c.factor;
                const int sy = (y - c.top) / c.factor;
                const bool inside = x >= c.left && y >= c.top && sx < c.stageWidth && sy < c.stageHeight;
                ASSERT_EQ(BmpIndex(shown, x, y), inside ? BmpIndex(stage, sx, sy) : black)
                    << c.size << " at " << c.scale << ": " << x << ", " << y;
            }
    }
}

TEST_F(VesperRenderTest, GifHasAFrameEveryKTicksInTheDefaultPalette)
{
    SpriteSpec mover = StillSquare(0, 100, 40);
    mover.motion = MotionLinear;
    mover.dx = 100;  // 10 pixels a tick: velocities are not scaled to the stage
    auto doc = vesper::test::MakeScene(kTeal, {mover});
    const fs::path scene = WriteScene("mover.scene", *doc);
    const fs::path gifPath = scratch / "run.gif";
    const fs::path bmpPath = scratch / "last.bmp";
    const ProgramRun run = RenderTool(ShellQuote(scene) + " --size 320x240 --ticks 12 --gif " + ShellQuote(gifPath) + " --every 4 --out " +
                               ShellQuote(bmpPath));
    ASSERT_EQ(run.status, 0) << run.output;

    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 320);
    EXPECT_EQ(gif->SHeight, 240);
    ASSERT_NE(gif->SColorMap, nullptr);
    ASSERT_EQ(gif->SColorMap->ColorCount, 256);
    for (int i = 0; i < 256; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        ASSERT_EQ(RGB(c.Red, c.Green, c.Blue), vesper::test::PaletteColour(static_cast<BYTE>(i))) << i;
    }
    ASSERT_EQ(gif->ImageCount, 4) << "ticks 0, 4, 8 and 12";
    for (int frame = 0; frame < gif->ImageCount; ++frame) {
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, frame, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 8) << "four ticks of 20 ms";
    }
    // The square, placed at (0, 50), moves 40 pixels between frames; the
    // last frame is the picture written with --out.
    const BYTE red = IndexOfCubeColour(kRed);
    const BYTE teal = IndexOfCubeColour(kTeal);
    const auto indexAt = [&](int frame, int x, int y) { return gif->SavedImages[frame].RasterBits[y * 320 + x]; };
    EXPECT_EQ(indexAt(0, 20, 60), red);
    EXPECT_EQ(indexAt(0, 60, 60), teal);
    EXPECT_EQ(indexAt(1, 20, 60), teal);
    EXPECT_EQ(indexAt(1, 60, 60), red);
    EXPECT_EQ(indexAt(3, 140, 60), red);
    const std::vector<BYTE> bmp = ReadBytes(bmpPath);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(indexAt(3, x, y), BmpIndex(bmp, x, y)) << x << ", " << y;
    DGifCloseFile(gif, &error);
}

TEST_F(VesperRenderTest, TheSeedAloneDecidesThePauses)
{
    const fs::path scene = PausingScene();
    const std::vector<BYTE> first = RenderBmp(scene, "--size 320x240 --seed 7 --ticks 600");
    const std::vector<BYTE> again = RenderBmp(scene, "--size 320x240 --seed 7 --ticks 600");
    const std::vector<BYTE> other = RenderBmp(scene, "--size 320x240 --seed 8 --ticks 600");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
}

TEST_F(VesperRenderTest, PackagedProgramPlaysTheSceneAppendedToIt)
{
    const fs::path scene = PausingScene();
    const auto packaged = vesper::tools::PackageScene(vesper::test::StandInPlayer(), ReadBytes(scene), "Title|Credit");
    ASSERT_TRUE(packaged) << packaged.error;
    const fs::path program = scratch / "saver.scr";
    WriteBytes(program, *packaged.value);

    EXPECT_EQ(RenderBmp(program, "--preview --seed 3 --ticks 100"), RenderBmp(scene, "--preview --seed 3 --ticks 100"));
}

TEST_F(VesperRenderTest, EveryKindOfSaverFileGivesTheSameFrameAsItsBareScene)
{
    const fs::path scene = PausingScene();
    const auto bytes = ReadBytes(scene);
    const std::string options = "--preview --seed 5 --ticks 120";
    const auto expected = RenderBmp(scene, options);
    ASSERT_FALSE(expected.empty());

    // A Windows saver made by other tools: the scene follows the program image.
    auto foreign = vesper::test::BuildPe({false, u"Aube|moi", {}});
    foreign.insert(foreign.end(), bytes.begin(), bytes.end());
    WriteBytes(scratch / "foreign.scr", foreign);
    // A Vesper saver for Windows: a program image holding the patchable block.
    std::vector<BYTE> block(sizeof(vesper::platform::PatchableData));
    const auto* own = reinterpret_cast<const volatile BYTE*>(&g_patchableData);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = own[i];
    const auto program = vesper::test::BuildPe({false, std::nullopt, block});
    auto vesperWindows = vesper::platform::PatchPatchableValues(program, static_cast<DWORD>(program.size()), "W|c");
    ASSERT_TRUE(vesperWindows) << vesperWindows.error;
    vesperWindows.value->insert(vesperWindows.value->end(), bytes.begin(), bytes.end());
    WriteBytes(scratch / "vesper.scr", *vesperWindows.value);

    EXPECT_EQ(RenderBmp(scratch / "foreign.scr", options), expected);
    EXPECT_EQ(RenderBmp(scratch / "vesper.scr", options), expected);

    // A program that holds no scene is refused, not played.
    WriteBytes(scratch / "program", {0x7F, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const ProgramRun run = RenderTool(ShellQuote(scratch / "program") + " --preview --out " + ShellQuote(scratch / "p.bmp"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("is a program that is not a Vesper saver"), std::string::npos) << run.output;
}

// A sprite whose picture has a depth the renderers do not draw gets no frame,
// yet it is built, steps and draws its random numbers like any sprite: the
// frame equals that of the same scene with a sprite that is all transparent.
TEST_F(VesperRenderTest, ASpriteOfAnUndrawnDepthIsInvisibleButStillTakesItsTurn)
{
    SpriteSpec waiting;  // waits for its pause lottery, where it stands
    waiting.x = 300;
    waiting.y = 200;
    waiting.width = waiting.height = 30;
    waiting.edgeMode = EdgeWrapPause;
    const auto sceneWith = [&](const char* name, std::optional<WORD> bits) {
        auto doc = PausingDocument();
        if (bits) {
            auto* sprite = vesper::test::MakeSprite(waiting);
            ReplacePicture(sprite->image, UniformPicture(30, 30, *bits));
            doc->sprites.InsertAfter(doc->sprites.FindIndex(2), sprite);
        }
        return WriteScene(name, *doc);
    };
    const std::string options = "--preview --seed 11 --ticks 300";
    const auto undrawn = RenderBmp(sceneWith("undrawn.scene", 16), options);
    const auto transparent = RenderBmp(sceneWith("transparent.scene", 24), options);
    const auto without = RenderBmp(sceneWith("without.scene", std::nullopt), options);
    ASSERT_FALSE(undrawn.empty());
    EXPECT_EQ(undrawn, transparent);
    EXPECT_NE(undrawn, without) << "the sprite's lottery draws move the others";

    // Such a background gives no frame at all.
    auto doc = vesper::test::MakeScene(kTeal, {});
    auto* background = new CDIB;
    background->dib = UniformPicture(64, 48, 16);
    doc->SetBackground(background);
    doc->backgroundKind = CVesperDoc::backgroundPicture;
    const ProgramRun run =
        RenderTool(ShellQuote(WriteScene("deep.scene", *doc)) + " --size 64x48 --out " + ShellQuote(scratch / "deep.bmp"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no background"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(scratch / "deep.bmp"));
}

TEST_F(VesperRenderTest, BothPicturesAreWrittenOrNeither)
{
    const fs::path still = StillScene();
    const fs::path png = scratch / "r1.png";
    ProgramRun run = RenderTool(ShellQuote(still) + " --size 64x48 --ticks 2 --out " + ShellQuote(png) + " --gif " +
                             ShellQuote(scratch / "no" / "such" / "x.gif"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("x.gif"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(png));

    WriteBytes(png, {'o', 'l', 'd'});
    run = RenderTool(ShellQuote(still) + " --size 64x48 --ticks 2 --out " + ShellQuote(png) + " --gif " +
                     ShellQuote(scratch / "no" / "such" / "x.gif"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(png), (std::vector<BYTE>{'o', 'l', 'd'}));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.path()))
        ++files;
    EXPECT_EQ(files, 2u) << "the scene and the earlier picture, no temporary file";
}

TEST_F(VesperRenderTest, FailuresSayWhyAndWriteNothing)
{
    const fs::path out = scratch / "kept.bmp";
    WriteBytes(out, {'o', 'l', 'd'});
    const auto expectFailure = [&](const std::string& arguments, const std::string& reason) {
        const ProgramRun run = RenderTool(arguments);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(out), (std::vector<BYTE>{'o', 'l', 'd'})) << "an earlier file stays as it was";
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.path()))
            ++files;
        return files;
    };

    const fs::path garbage = scratch / "garbage.scene";
    WriteBytes(garbage, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(expectFailure(ShellQuote(garbage) + " --size 64x48 --out " + ShellQuote(out), "cannot load the scene"), 2u)
        << "no output and no temporary file left behind";
    expectFailure(ShellQuote(scratch / "missing.scene") + " --size 64x48 --out " + ShellQuote(out), "missing.scene");

    auto doc = vesper::test::MakeScene(kTeal, {StillSquare(10, 10, 8)});
    doc->backgroundKind = 3;
    const fs::path noBackground = WriteScene("nobackground.scene", *doc);
    expectFailure(ShellQuote(noBackground) + " --size 64x48 --out " + ShellQuote(out), "no background");

    const fs::path still = StillScene();
    expectFailure(ShellQuote(still) + " --size 64x48 --out " + ShellQuote(scratch / "no" / "such" / "folder.bmp"),
                  "cannot write");
}

TEST(RenderArgumentsTest, ValuesAndRefusals)
{
    using vesper::tools::ParseRenderArguments;
    const auto parse = [](std::vector<std::string> args) { return ParseRenderArguments(args); };

    const auto full = parse({"in.scr", "--size", "800x600", "--seed", "4294967295", "--ticks", "25", "--out", "a.PNG",
                             "--gif", "a.gif", "--every", "5"});
    ASSERT_TRUE(full) << full.error;
    const auto& options = full.value->options;
    EXPECT_EQ(options.input, "in.scr");
    EXPECT_EQ(options.width, 800);
    EXPECT_EQ(options.height, 600);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.ticks, 25);
    EXPECT_EQ(options.gif, "a.gif");
    EXPECT_EQ(options.every, 5);

    const auto scaled = parse({"in", "--size", "1366x768", "--scale", "3", "--out", "a.bmp"});
    ASSERT_TRUE(scaled) << scaled.error;
    ASSERT_TRUE(scaled.value->options.layout);
    EXPECT_EQ(scaled.value->options.layout->stage.cx, 455);
    EXPECT_EQ(scaled.value->options.layout->stage.cy, 256);
    EXPECT_EQ(scaled.value->options.width, 1366);
    const auto autoScaled = parse({"in", "--size", "2560x1440", "--scale", "auto", "--out", "a.bmp"});
    ASSERT_TRUE(autoScaled) << autoScaled.error;
    EXPECT_EQ(autoScaled.value->options.layout->factor, 2);
    const auto tooLarge = parse({"in", "--size", "10x10", "--out", "a.bmp", "--scale", "11"});
    EXPECT_NE(tooLarge.error.find("--scale"), std::string::npos) << tooLarge.error;
    EXPECT_NE(tooLarge.error.find("auto, 1, 2, 3"), std::string::npos) << tooLarge.error;

    const auto help = parse({"in", "--help"});
    ASSERT_TRUE(help);
    EXPECT_TRUE(help.value->help);

    const auto preview = parse({"in.scene", "--preview", "--out", "b.bmp"});
    ASSERT_TRUE(preview) << preview.error;
    EXPECT_EQ(preview.value->options.width, 640);
    EXPECT_EQ(preview.value->options.height, 480);
    EXPECT_EQ(preview.value->options.ticks, 0);

    const std::vector<std::vector<std::string>> refused{
        {"--size", "10x10", "--out", "a.bmp"},                                // no input
        {"in", "--out", "a.bmp"},                                             // no size
        {"in", "--size", "10x10", "--preview", "--out", "a.bmp"},            // two sizes
        {"in", "--size", "10x10"},                                            // no output
        {"in", "--size", "10x10", "--out", "a.jpg"},                          // unknown picture type
        {"in", "--size", "10x", "--out", "a.bmp"},                            // half a size
        {"in", "--size", "16385x10", "--out", "a.bmp"},                       // larger than any screen
        {"in", "--size", "10x10", "--ticks", "-1", "--out", "a.bmp"},        // negative ticks
        {"in", "--size", "10x10", "--seed", "4294967296", "--out", "a.bmp"}, // seed out of range
        {"in", "--size", "10x10", "--out", "a.bmp", "--every", "2"},         // --every without --gif
        {"in", "other", "--size", "10x10", "--out", "a.bmp"},                 // two inputs
        {"in", "--size", "10x10", "--out", "a.bmp", "--fast"},                // unknown option
        {"in", "--size", "10x10", "--out", "a.bmp", "--scale", "0"},         // no scale
        {"in", "--size", "10x10", "--out", "a.bmp", "--scale", "-2"},
        {"in", "--size", "10x10", "--out", "a.bmp", "--scale", "big"},
        {"in", "--size", "10x10", "--out", "a.bmp", "--scale", "11"},        // no stage left
        {"in", "--size", "100x10", "--out", "a.bmp", "--scale", "11"},
        {"in", "--preview", "--out", "a.bmp", "--scale", "2"},               // the preview is never scaled
    };
    for (const auto& args : refused) {
        const auto result = parse(args);
        EXPECT_FALSE(result) << ::testing::PrintToString(args);
        EXPECT_FALSE(result.error.empty());
    }
}

}  // namespace
