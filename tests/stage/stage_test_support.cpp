#include "tests/stage/stage_test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "framework/archive.h"
#include "framework/file.h"
#include "imaging/default_palette.h"
#include "platform/kernel/patchable_data.h"
#include "imaging/quantizer.h"
#include "platform/drivers/headless/headless_windows.h"
#include "stage/stage_wnd.h"

namespace vesper::test {

void RecordingDisplay::AreaChanged(const RECT& area)
{
    writes.push_back(area);
    HeadlessDisplay::AreaChanged(area);
}

RecordingDisplay& UseRecordingDisplay(const platform::DisplayMode& mode)
{
    auto display = std::make_unique<RecordingDisplay>(mode);
    RecordingDisplay& made = *display;
    platform::UseDisplay(std::move(display));
    return made;
}

BYTE IndexOfCubeColour(COLORREF colour)
{
    return QuantizePixel(GetRValue(colour), GetGValue(colour), GetBValue(colour), 0);
}

namespace {

// A 24-bit packed picture: fill, with the left column and top row in the key colour.
HGLOBAL SpritePicture(int width, int height, COLORREF fill)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<BYTE> bytes;
    PutLE(bytes, 40, 4);
    PutLE(bytes, static_cast<std::uint32_t>(width), 4);
    PutLE(bytes, static_cast<std::uint32_t>(height), 4);
    PutLE(bytes, 1, 2);
    PutLE(bytes, 24, 2);
    PutLE(bytes, 0, 4);
    PutLE(bytes, static_cast<std::uint32_t>(stride * height), 4);
    for (int i = 0; i < 4; ++i)
        PutLE(bytes, 0, 4);
    for (int storedRow = 0; storedRow < height; ++storedRow) {
        const bool topRow = storedRow == height - 1;
        for (int x = 0; x < stride; ++x) {
            if (x >= width * 3) {
                bytes.push_back(0);
                continue;
            }
            const COLORREF colour = topRow || x < 3 ? kKeyColour : fill;
            const int component = x % 3;  // blue, green, red
            bytes.push_back(component == 0 ? GetBValue(colour) : component == 1 ? GetGValue(colour) : GetRValue(colour));
        }
    }
    return BlockOf(bytes);
}

}  // namespace

CAnimSprite* MakeSprite(const SpriteSpec& spec)
{
    auto* sprite = new CAnimSprite;
    sprite->image.dib = SpritePicture(spec.width, spec.height * spec.phaseCount, spec.fill);
    sprite->x = spec.x;
    sprite->y = spec.y;
    sprite->phaseHeight = spec.height;
    sprite->phaseSpeed = spec.phaseSpeed;
    sprite->phaseCount = spec.phaseCount;
    sprite->dx = spec.dx;
    sprite->dy = spec.dy;
    sprite->motion = spec.motion;
    sprite->edgeMode = spec.edgeMode;
    return sprite;
}

std::unique_ptr<CVesperDoc> MakeScene(COLORREF background, const std::vector<SpriteSpec>& sprites)
{
    auto doc = std::make_unique<CVesperDoc>();
    doc->backgroundKind = CVesperDoc::backgroundSolid;
    doc->solidColour = background;
    for (const SpriteSpec& spec : sprites)
        doc->sprites.AddSprite(MakeSprite(spec));
    return doc;
}

std::vector<BYTE> SceneBytes(CVesperDoc& doc)
{
    return StoredBytes([&](CArchive& ar) { doc.Serialize(ar); });
}

std::vector<BYTE> FramePixels(const CDIB8BPP& frame)
{
    std::vector<BYTE> pixels;
    pixels.reserve(static_cast<std::size_t>(frame.GetWidth()) * static_cast<std::size_t>(frame.GetHeight()));
    for (int y = 0; y < frame.GetHeight(); ++y) {
        const BYTE* row = frame.PixelAddress(0, y);
        pixels.insert(pixels.end(), row, row + frame.GetWidth());
    }
    return pixels;
}

COLORREF PaletteColour(BYTE index)
{
    return RGB(defaultPalette[index].peRed, defaultPalette[index].peGreen, defaultPalette[index].peBlue);
}

namespace {

constexpr char kWindowClass[] = "VesperStageTestWindow";

}  // namespace

void StageTest::TearDown()
{
    for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window)
        if (IsWindow(*window))
            DestroyWindow(*window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    if (m_classRegistered)
        UnregisterClassA(kWindowClass, nullptr);
    stage.reset();
    doc.reset();
    g_defaultPalette.DeleteObject();
    g_bPreview = FALSE;
}

void StageTest::UseScreen(int width, int height, int bitsPerPixel)
{
    screen = &UseRecordingDisplay({width, height, bitsPerPixel});
    platform::UseHeadlessWindowBackend();
    ASSERT_TRUE(CreateDefaultPalette(g_defaultPalette));
    g_bPreview = FALSE;
    stage = std::make_unique<CSaverStage>();
}

HWND StageTest::MakeWindow(const RECT& area, HWND parent)
{
    if (!m_classRegistered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = kWindowClass;
        m_classRegistered = RegisterClassA(&windowClass) != 0;
    }
    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    HWND window = CreateWindowExA(0, kWindowClass, "stage", style, area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, parent, nullptr, nullptr, nullptr);
    if (window) {
        m_windows.push_back(window);
        ValidateRect(window, nullptr);
    }
    return window;
}

void StageTest::Play(COLORREF background, const std::vector<SpriteSpec>& sprites, int width, int height)
{
    doc = MakeScene(background, sprites);
    stage->LoadScene(doc.get(), width, height);
}

std::vector<CAnimSprite*> StageTest::StageSprites() const
{
    std::vector<CAnimSprite*> sprites;
    for (POSITION pos = stage->m_sprites.GetHeadPosition(); pos;)
        sprites.push_back(static_cast<CAnimSprite*>(stage->m_sprites.GetNext(pos)));
    return sprites;
}

std::optional<POINT> StageTest::FirstDifferenceFromFrame(int left, int top) const
{
    const CDIB8BPP& frame = *stage->m_pFrame;
    for (int y = 0; y < frame.GetHeight(); ++y)
        for (int x = 0; x < frame.GetWidth(); ++x)
            if (screen->ColourAt(left + x, top + y) != PaletteColour(frame.GetPixelIndex(x, y)))
                return POINT{x, y};
    return std::nullopt;
}

std::vector<RECT> StageTest::TakeWrites()
{
    std::vector<RECT> writes;
    writes.swap(screen->writes);
    return writes;
}

ProgramRun RunProgram(const std::string& command)
{
    const std::string withErrors = command + " 2>&1";
    FILE* pipe = popen(withErrors.c_str(), "r");
    if (!pipe)
        return {-1, "cannot start " + command};
    std::string output;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string ShellQuote(const std::filesystem::path& path)
{
    // Appended piece by piece: GCC 12 misreports "'" + text + "'" at -O3.
    std::string quoted(1, '\'');
    quoted.append(path.string());
    quoted.push_back('\'');
    return quoted;
}

std::vector<BYTE> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<BYTE> StandInPlayer()
{
    std::vector<BYTE> player(6000, 0x5A);
    const auto* block = reinterpret_cast<const volatile BYTE*>(&g_patchableData);
    for (std::size_t i = 0; i < sizeof(platform::PatchableData); ++i)
        player[1500 + i] = block[i];
    return player;
}

}  // namespace vesper::test
