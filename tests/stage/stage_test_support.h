// Shared pieces of the stage tests: a headless screen that records each area
// GDI writes, scene documents built in memory from a few plain colours, and
// reading what the frame buffer and the screen show.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "scene/vesper_doc.h"
#include "sprites/anim_sprite.h"
#include "stage/saver_stage.h"
#include "tests/sprites/sprite_test_support.h"

namespace vesper::test {

// A headless screen that also keeps every area written to it, one entry per
// GDI write, so that tests can count the copies to the screen.
class RecordingDisplay : public platform::HeadlessDisplay {
public:
    using HeadlessDisplay::HeadlessDisplay;
    void AreaChanged(const RECT& area) override;

    std::vector<RECT> writes;
};

// Makes a recording screen of the mode current and returns it.
RecordingDisplay& UseRecordingDisplay(const platform::DisplayMode& mode);

// The pixels the rectangles cover, overlaps counted twice.
inline long long PixelsIn(const std::vector<RECT>& rects)
{
    long long pixels = 0;
    for (const RECT& r : rects)
        pixels += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
    return pixels;
}

// Colours whose components are all multiples of 51 lie on the palette's
// colour cube, so they convert to one palette index at every pixel.
inline constexpr COLORREF kKeyColour = RGB(255, 0, 255);
// The palette index a cube colour converts to.
BYTE IndexOfCubeColour(COLORREF colour);

// What a test sprite looks like and how it moves. Its picture is `fill`,
// except the left column and the top row, which are in the key colour and
// so transparent.
struct SpriteSpec {
    int x = 0;
    int y = 0;
    int width = 10;
    int height = 10;
    COLORREF fill = RGB(255, 0, 0);
    int dx = 0;
    int dy = 0;
    int motion = MotionLinear;
    int edgeMode = EdgeWrap;
    int phaseSpeed = 8;
    // Phases stacked in the picture, each `height` rows.
    int phaseCount = 1;
};

CAnimSprite* MakeSprite(const SpriteSpec& spec);
// A document with a solid background of one colour and the sprites, the
// first at the head of its list.
std::unique_ptr<CVesperDoc> MakeScene(COLORREF background, const std::vector<SpriteSpec>& sprites);
// The scene stream of a document, as a bare scene file holds it.
std::vector<BYTE> SceneBytes(CVesperDoc& doc);

// Every pixel of a frame, top row first, one index each.
std::vector<BYTE> FramePixels(const CDIB8BPP& frame);
// The colour of a default palette index.
COLORREF PaletteColour(BYTE index);

// A rectangle of sides up to `largest` (0 included: empty ones come too),
// anywhere from just off the top-left of a width x height area to its far
// edges.
inline RECT RandomRect(std::mt19937& random, int width, int height, int largest)
{
    std::uniform_int_distribution<int> x(-largest, width), y(-largest, height), side(0, largest);
    const int left = x(random), top = y(random);
    return RECT{left, top, left + side(random), top + side(random)};
}

// Each test gets a fresh recording screen and window layer, the default
// palette made, full-screen mode, and a stage made after the screen was
// chosen, so that it measured that screen's depth.
class StageTest : public ::testing::Test {
protected:
    void TearDown() override;

    void UseScreen(int width, int height, int bitsPerPixel = 32);
    // A shown window with nothing to repaint; a child when a parent is given.
    HWND MakeWindow(const RECT& area, HWND parent = nullptr);
    // Builds the scene and has the stage load it at the given size.
    void Play(COLORREF background, const std::vector<SpriteSpec>& sprites, int width, int height);

    // The stage's working sprites, head first.
    std::vector<CAnimSprite*> StageSprites() const;
    // Where the screen differs from the frame buffer copied to it with its
    // top-left pixel at (left, top): the first differing frame pixel, if any.
    std::optional<POINT> FirstDifferenceFromFrame(int left = 0, int top = 0) const;
    std::vector<RECT> TakeWrites();

    RecordingDisplay* screen = nullptr;
    std::unique_ptr<CVesperDoc> doc;
    std::unique_ptr<CSaverStage> stage;

private:
    std::vector<HWND> m_windows;
    bool m_classRegistered = false;
};

// A command run through the shell, as a person starts a program: its exit
// code (-1 when it did not end normally) and its standard output and error.
struct ProgramRun {
    int status;
    std::string output;
};
ProgramRun RunProgram(const std::string& command);
// A path as one word of a shell command.
std::string ShellQuote(const std::filesystem::path& path);
std::vector<BYTE> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes);
// A stand-in player to pack scenes into: filler around a copy of this
// program's patchable block.
std::vector<BYTE> StandInPlayer();

}  // namespace vesper::test
