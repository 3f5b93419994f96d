#include "tools/vesper_scene/sample_scene.h"

#include <cstring>

#include "sprites/anim_sprite.h"

namespace vesper::tools {
namespace {

constexpr LONG kBackgroundWidth = 320;
constexpr LONG kBackgroundHeight = 240;
constexpr DWORD kBackgroundColours = 64;

struct Picture {
    HGLOBAL block;
    BYTE* bytes;
    DWORD stride;
    DWORD pixelsOffset;
};

// A block with an info header and a zeroed colour table and rows; locked.
Picture NewPicture(LONG width, LONG height, WORD bits, DWORD colours)
{
    const DWORD stride = ((bits * width + 31) / 32) * 4;
    const DWORD pixelsOffset = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GHND, pixelsOffset + stride * height);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    header.biSizeImage = stride * height;
    header.biClrUsed = colours;
    header.biClrImportant = colours;
    std::memcpy(bytes, &header, sizeof header);
    return {block, bytes, stride, pixelsOffset};
}

void SetColour(Picture& picture, DWORD index, BYTE red, BYTE green, BYTE blue)
{
    const RGBQUAD entry{blue, green, red, 0};
    std::memcpy(picture.bytes + sizeof(BITMAPINFOHEADER) + index * sizeof(RGBQUAD), &entry, sizeof entry);
}

HGLOBAL Finish(const Picture& picture)
{
    GlobalUnlock(picture.block);
    return picture.block;
}

// Night blue at the top to pale dawn at the bottom; stored rows run bottom-up.
HGLOBAL MakeBackground()
{
    Picture picture = NewPicture(kBackgroundWidth, kBackgroundHeight, 8, kBackgroundColours);
    for (DWORD i = 0; i < kBackgroundColours; ++i)
        SetColour(picture, i, static_cast<BYTE>(i * 3), static_cast<BYTE>(40 + i * 2), static_cast<BYTE>(120 + i * 2));
    for (LONG row = 0; row < kBackgroundHeight; ++row) {
        const BYTE index = static_cast<BYTE>((kBackgroundHeight - 1 - row) * kBackgroundColours / kBackgroundHeight);
        std::memset(picture.bytes + picture.pixelsOffset + row * picture.stride, index, kBackgroundWidth);
    }
    return Finish(picture);
}

// A 4-bit picture of `phases` discs stacked vertically on colour 0, each disc
// of its own colour; colour 0 is the key colour the stage leaves out.
HGLOBAL MakeDiscs(LONG size, int phases)
{
    Picture picture = NewPicture(size, size * phases, 4, 16);
    const BYTE colours[][3] = {{0, 0, 0}, {255, 200, 0}, {230, 60, 40}, {60, 200, 90}, {90, 120, 255}};
    for (DWORD i = 0; i < 5; ++i)
        SetColour(picture, i, colours[i][0], colours[i][1], colours[i][2]);
    const LONG radius = size / 2;
    for (LONG row = 0; row < size * phases; ++row) {
        const int phase = phases - 1 - row / size;  // rows are stored bottom-up
        const LONG dy = row % size - radius;
        for (LONG column = 0; column < size; ++column) {
            const LONG dx = column - radius;
            if (dx * dx + dy * dy >= radius * radius)
                continue;
            BYTE& pair = picture.bytes[picture.pixelsOffset + row * picture.stride + column / 2];
            const BYTE index = static_cast<BYTE>(1 + phase % 4);
            pair = column % 2 ? static_cast<BYTE>((pair & 0xF0) | index) : static_cast<BYTE>((pair & 0x0F) | index << 4);
        }
    }
    return Finish(picture);
}

CAnimSprite* MakeSprite(LONG size, int phases, int x, int y, int dx, int dy, int motion, int edgeMode)
{
    auto* sprite = new CAnimSprite;
    sprite->image.dib = MakeDiscs(size, phases);
    sprite->x = x;
    sprite->y = y;
    sprite->phaseCount = phases;
    sprite->phaseSpeed = 12;
    sprite->dx = dx;
    sprite->dy = dy;
    sprite->motion = motion;
    sprite->edgeMode = edgeMode;
    return sprite;
}

}  // namespace

void FillSampleScene(CVesperDoc& doc)
{
    doc.ResetToNewScene();
    doc.spareWord1 = 0;
    doc.backgroundPath = "dawn.bmp";
    doc.sceneName = "Sample";
    doc.backgroundKind = CVesperDoc::backgroundPicture;
    doc.imagePlacement = CVesperDoc::placementStretch;
    doc.gradientFrom = 0x00C00000;
    doc.gradientTo = 0x00400000;
    auto* background = new CDIB;
    background->dib = MakeBackground();
    doc.SetBackground(background);
    doc.sprites.AddSprite(MakeSprite(45, 1, 420, 420, 34, 12, MotionLinear, EdgeRebound));
    doc.sprites.AddSprite(MakeSprite(60, 2, 100, 60, 11, 44, MotionBounce, EdgeRebound));
    doc.sprites.AddSprite(MakeSprite(32, 1, 0, 0, 25, 4, MotionLinear, EdgeWrapPause));
}

}  // namespace vesper::tools
