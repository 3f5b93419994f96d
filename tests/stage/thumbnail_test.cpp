// The thumbnailer: shrinking by averaging, its command line, and the real
// executable on scenes and savers written here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/stage/stage_test_support.h"
#include "tests/support/oversized_scene.h"
#include "tests/support/test_data.h"
#include "tools/vesper_render/thumbnail.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/png_codec.h"

namespace {

namespace fs = std::filesystem;
using vesper::test::ProgramRun;
using vesper::test::ReadBytes;
using vesper::test::ShellQuote;
using vesper::test::SpriteSpec;
using vesper::test::WriteBytes;
using vesper::tools::DecodePng;
using vesper::tools::FitWithin;
using vesper::tools::PictureSize;
using vesper::tools::RgbaImage;
using vesper::tools::ShrinkByAveraging;

constexpr COLORREF kTeal = RGB(0, 102, 102);
constexpr COLORREF kRed = RGB(255, 0, 0);

RgbaImage Picture(LONG width, LONG height, const std::vector<BYTE>& greys)
{
    RgbaImage picture;
    picture.width = width;
    picture.height = height;
    for (const BYTE grey : greys)
        picture.pixels.insert(picture.pixels.end(), {grey, grey, grey, 255});
    return picture;
}

TEST(ThumbnailSize, FitsTheSquareWithTheAspectKeptAndNeverGrows)
{
    EXPECT_EQ(FitWithin(640, 480, 256), (PictureSize{256, 192}));
    EXPECT_EQ(FitWithin(640, 480, 128), (PictureSize{128, 96}));
    EXPECT_EQ(FitWithin(480, 640, 256), (PictureSize{192, 256}));
    EXPECT_EQ(FitWithin(640, 480, 100), (PictureSize{100, 75}));
    EXPECT_EQ(FitWithin(640, 480, 101), (PictureSize{101, 76})) << "75.75 rounds up";
    EXPECT_EQ(FitWithin(640, 480, 1), (PictureSize{1, 1})) << "no side shrinks to nothing";
    EXPECT_EQ(FitWithin(1000, 3, 10), (PictureSize{10, 1}));
    EXPECT_EQ(FitWithin(640, 480, 640), (PictureSize{640, 480}));
    EXPECT_EQ(FitWithin(640, 480, 1024), (PictureSize{640, 480})) << "a thumbnail is never enlarged";
}

TEST(ShrinkByAveraging, EachPixelIsTheAverageOfTheAreaItCovers)
{
    // Three pixels into two: each target pixel covers one and a half source
    // pixels, so (2*0 + 90) / 3 and (90 + 2*255) / 3.
    const RgbaImage row = ShrinkByAveraging(Picture(3, 1, {0, 90, 255}), {2, 1});
    ASSERT_EQ(row.pixels.size(), 8u);
    EXPECT_EQ(row.At(0, 0)[0], 30);
    EXPECT_EQ(row.At(1, 0)[0], 200);
    EXPECT_EQ(row.At(1, 0)[3], 255) << "opaque stays opaque";

    // Down as across: a 2x3 picture into 1x2.
    const RgbaImage column = ShrinkByAveraging(Picture(2, 3, {0, 0, 30, 60, 255, 255}), {1, 2});
    EXPECT_EQ(column.At(0, 0)[1], 15);   // (2*0 + 45) / 3
    EXPECT_EQ(column.At(0, 1)[1], 185);  // (45 + 2*255) / 3

    // Sizes that are not whole multiples of each other keep a plain colour
    // exactly and the picture's mean colour to within rounding.
    std::mt19937 random(7);
    std::vector<BYTE> greys(97 * 61);
    for (BYTE& grey : greys)
        grey = static_cast<BYTE>(random() & 0xFF);
    for (const PictureSize size : {PictureSize{40, 25}, PictureSize{13, 61}, PictureSize{1, 1}, PictureSize{97, 61}}) {
        const RgbaImage plain = ShrinkByAveraging(Picture(97, 61, std::vector<BYTE>(97 * 61, 77)), size);
        for (std::size_t i = 0; i < plain.pixels.size(); i += 4)
            ASSERT_EQ(plain.pixels[i], 77) << size.width << "x" << size.height;

        const RgbaImage shrunk = ShrinkByAveraging(Picture(97, 61, greys), size);
        ASSERT_EQ(shrunk.width, size.width);
        ASSERT_EQ(shrunk.height, size.height);
        double sourceMean = 0;
        for (const BYTE grey : greys)
            sourceMean += grey;
        sourceMean /= static_cast<double>(greys.size());
        double shrunkMean = 0;
        for (std::size_t i = 0; i < shrunk.pixels.size(); i += 4)
            shrunkMean += shrunk.pixels[i];
        shrunkMean /= static_cast<double>(shrunk.pixels.size() / 4);
        EXPECT_NEAR(shrunkMean, sourceMean, 0.5) << size.width << "x" << size.height;
    }
    // The same size gives the same picture.
    EXPECT_EQ(ShrinkByAveraging(Picture(97, 61, greys), {97, 61}).pixels, Picture(97, 61, greys).pixels);
}

TEST(ThumbnailArguments, TheDesktopsFormAndItsRefusals)
{
    using vesper::tools::ParseThumbnailArguments;
    using Args = std::vector<std::string>;
    const auto command = ParseThumbnailArguments(Args{"-s", "128", "in.scr", "out.png"});
    ASSERT_TRUE(command) << command.error;
    EXPECT_EQ(command.value->options.size, 128);
    EXPECT_EQ(command.value->options.input, "in.scr");
    EXPECT_EQ(command.value->options.output, "out.png");
    const auto defaulted = ParseThumbnailArguments(Args{"in", "out"});
    ASSERT_TRUE(defaulted);
    EXPECT_EQ(defaulted.value->options.size, 256);
    EXPECT_TRUE(ParseThumbnailArguments(Args{"x", "--help"}).value->help);

    const struct {
        Args args;
        const char* says;
    } refusals[] = {
        {{"-s", "0", "a", "b"}, "-s takes a whole number from 1 to 4096, not \"0\""},
        {{"-s", "4097", "a", "b"}, "not \"4097\""},
        {{"-s", "12px", "a", "b"}, "not \"12px\""},
        {{"a", "b", "-s"}, "-s needs a value"},
        {{"--large", "a", "b"}, "unknown option --large"},
        {{"a"}, "(1 given)"},
        {{"a", "b", "c"}, "(3 given)"},
    };
    for (const auto& refusal : refusals) {
        const auto refused = ParseThumbnailArguments(refusal.args);
        ASSERT_FALSE(refused) << refusal.says;
        EXPECT_NE(refused.error.find(refusal.says), std::string::npos) << refused.error;
    }
}

class ThumbnailerTest : public ::testing::Test {
protected:
    ProgramRun Thumbnail(const std::string& arguments)
    {
        return vesper::test::RunProgram(std::string(VESPER_THUMBNAILER_EXECUTABLE) + " " + arguments);
    }

    fs::path WriteScene(const std::string& name, const std::vector<SpriteSpec>& sprites)
    {
        auto doc = vesper::test::MakeScene(kTeal, sprites);
        const fs::path path = scratch.path() / name;
        WriteBytes(path, vesper::test::SceneBytes(*doc));
        doc->DeleteContents();
        return path;
    }

    std::vector<fs::path> Files() const
    {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(scratch.path()))
            files.push_back(entry.path().filename());
        std::sort(files.begin(), files.end());
        return files;
    }

    vesper::test::ScratchDir scratch;
};

TEST_F(ThumbnailerTest, ThePictureIsTheFrameAFewSecondsInShrunkToTheAskedSize)
{
    // A still square and one that moves: the thumbnail shows where it is
    // after the thumbnailer's ticks, which vesper-render shows too.
    SpriteSpec still;
    still.x = 100;
    still.y = 50;
    still.width = still.height = 40;
    still.fill = kRed;
    still.motion = 0;
    still.phaseSpeed = -10000;
    SpriteSpec moving = still;
    moving.x = 400;
    moving.y = 300;
    moving.motion = vesper::test::SpriteSpec{}.motion;
    moving.dx = 30;
    const fs::path scene = WriteScene("pair.scene", {still, moving});
    const fs::path thumbnail = scratch.path() / "thumb.png";
    const ProgramRun run = Thumbnail("-s 64 " + ShellQuote(scene) + " " + ShellQuote(thumbnail));
    ASSERT_EQ(run.status, 0) << run.output;
    const auto picture = DecodePng(ReadBytes(thumbnail));
    ASSERT_TRUE(picture) << picture.error;
    ASSERT_EQ(picture.value->width, 64);
    ASSERT_EQ(picture.value->height, 48);

    const fs::path frame = scratch.path() / "frame.png";
    const ProgramRun render = vesper::test::RunProgram(
        std::string(VESPER_RENDER_EXECUTABLE) + " " + ShellQuote(scene) + " --preview --seed 0 --ticks " +
        std::to_string(vesper::tools::kThumbnailTicks) + " --out " + ShellQuote(frame));
    ASSERT_EQ(render.status, 0) << render.output;
    const auto full = DecodePng(ReadBytes(frame));
    ASSERT_TRUE(full) << full.error;
    const RgbaImage expected = ShrinkByAveraging(*full.value, {64, 48});
    ASSERT_EQ(picture.value->pixels.size(), expected.pixels.size());
    EXPECT_TRUE(picture.value->pixels == expected.pixels);

    // The still square covers (101..139, 51..89) of the 640x480 stage: the
    // thumbnail's pixel (12, 7) lies inside it, its corner is the background.
    const BYTE* inside = picture.value->At(12, 7);
    EXPECT_EQ(RGB(inside[0], inside[1], inside[2]), kRed);
    const BYTE* corner = picture.value->At(0, 0);
    EXPECT_EQ(RGB(corner[0], corner[1], corner[2]), vesper::test::PaletteColour(vesper::test::IndexOfCubeColour(kTeal)));
    // The moving square has left its starting place (40..43, 30..33).
    const BYTE* start = picture.value->At(41, 31);
    EXPECT_NE(RGB(start[0], start[1], start[2]), kRed);

    EXPECT_EQ(Files(), (std::vector<fs::path>{"frame.png", "pair.scene", "thumb.png"})) << "no temporary file left";
}

TEST_F(ThumbnailerTest, ASaverGivesTheThumbnailOfItsScene)
{
    const fs::path scene = WriteScene("plain.scene", {});
    const auto saver = vesper::tools::PackageScene(vesper::test::StandInPlayer(), ReadBytes(scene), "T|C");
    ASSERT_TRUE(saver) << saver.error;
    // GNOME hands the thumbnailer a copy named after the original's ending.
    const fs::path copy = scratch.path() / "gnome-desktop-file-to-thumbnail.scr";
    WriteBytes(copy, *saver.value);
    ASSERT_EQ(Thumbnail("-s 256 " + ShellQuote(copy) + " " + ShellQuote(scratch.path() / "a.png")).status, 0);
    ASSERT_EQ(Thumbnail("-s 256 " + ShellQuote(scene) + " " + ShellQuote(scratch.path() / "b.png")).status, 0);
    const auto a = ReadBytes(scratch.path() / "a.png");
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, ReadBytes(scratch.path() / "b.png"));
    EXPECT_EQ(DecodePng(a).value->width, 256);
}

TEST_F(ThumbnailerTest, ADamagedOrForeignFileFailsAndWritesNothing)
{
    const fs::path scene = WriteScene("whole.scene", {});
    auto bytes = ReadBytes(scene);
    bytes.resize(bytes.size() / 2);
    WriteBytes(scratch.path() / "cut.scene", bytes);
    WriteBytes(scratch.path() / "elf", {0x7F, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    WriteBytes(scratch.path() / "empty", {});
    // The player refuses this scene for its picture's size; so does the thumbnailer, in the same words.
    WriteBytes(scratch.path() / "too-wide.scene", vesper::test::SceneWithBackgroundOfWidth(32769));
    const struct {
        const char* input;
        const char* says;
    } failures[] = {
        {"cut.scene", "cannot load the scene of"},
        {"elf", "not a Vesper saver"},
        {"empty", "cannot load the scene of"},
        {"missing.scr", "cannot read"},
        {"too-wide.scene", "a picture of 32769 x 1 pixels is too large: at most 32768 pixels on each side"},
    };
    for (const auto& failure : failures) {
        const ProgramRun run = Thumbnail("-s 128 " + ShellQuote(scratch.path() / failure.input) + " " +
                                         ShellQuote(scratch.path() / "out.png"));
        EXPECT_EQ(run.status, 1) << failure.input;
        EXPECT_NE(run.output.find(failure.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(scratch.path() / "out.png")) << failure.input;
    }
    // An output that cannot be written is a failure too, not a crash.
    const ProgramRun unwritable =
        Thumbnail(ShellQuote(scene) + " " + ShellQuote(scratch.path() / "no-such-folder" / "out.png"));
    EXPECT_EQ(unwritable.status, 1) << unwritable.output;
    EXPECT_EQ(Files(), (std::vector<fs::path>{"cut.scene", "elf", "empty", "too-wide.scene", "whole.scene"}));

    const ProgramRun usage = Thumbnail("-s 9999 a b");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.output.find("usage: vesper-thumbnailer"), std::string::npos);
}

}  // namespace
