// Draws the demo scene's pictures into a folder as PNG files: a dusk sky over
// hills for the background, and the sprites (birds, a bat, a shooting star,
// clouds, a balloon, a hare, a frog, a windmill and a tree). Everything is
// computed here; nothing is read.
//
// The player shows every picture through a 6 x 6 x 6 colour cube with an
// ordered dither: the background uses gentle gradients, which dither
// smoothly, and the sprites use flat colours on the cube's levels (multiples
// of 51), which come out exact, with hard edges around their transparency.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "demo/art_canvas.h"
#include "tools/vesper_scene/atomic_file.h"
#include "tools/vesper_scene/png_codec.h"

namespace vesper::demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSkyWidth = 640;
constexpr int kSkyHeight = 480;
// Sprites keep their pixel size on every screen while the background is
// stretched to it, so they are drawn larger than the 640 x 480 design space
// would suggest: a good size on common screens, still fine in the preview.
constexpr double kSpriteScale = 1.6;
constexpr double kTreeScale = 1.3;

// ---- Colours of the sprites, all on the cube's levels ----------------------------

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kNightInk{51, 0, 51};
constexpr Colour kDuskWing{51, 51, 102};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kPaleYellow{255, 255, 204};
constexpr Colour kGold{255, 204, 0};
constexpr Colour kLamp{255, 255, 102};
constexpr Colour kCloudShadow{51, 51, 102};
constexpr Colour kCloudBody{102, 102, 153};
constexpr Colour kCloudLight{153, 153, 204};
constexpr Colour kRed{204, 0, 51};
constexpr Colour kDarkRed{153, 0, 51};
constexpr Colour kRope{51, 51, 51};
constexpr Colour kWicker{153, 102, 51};
constexpr Colour kWickerDark{102, 51, 0};
constexpr Colour kHareFur{153, 102, 51};
constexpr Colour kHareBelly{204, 153, 102};
constexpr Colour kFrogGreen{51, 153, 51};
constexpr Colour kFrogBelly{153, 204, 102};
constexpr Colour kFrogDark{0, 102, 0};
constexpr Colour kStone{204, 204, 153};
constexpr Colour kStoneShade{153, 153, 102};
constexpr Colour kRoof{153, 51, 0};
constexpr Colour kSail{255, 255, 204};
constexpr Colour kTrunk{51, 51, 0};
constexpr Colour kLeavesDark{0, 51, 51};
constexpr Colour kLeaves{0, 102, 51};

// ---- Background ---------------------------------------------------------------------

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Night blue at the top, violet in the middle, a warm glow at the horizon.
Rgb SkyAt(double y)
{
    const Rgb top{8, 10, 40};
    const Rgb high{30, 28, 82};
    const Rgb middle{92, 52, 112};
    const Rgb low{200, 96, 96};
    const Rgb horizon{245, 160, 100};
    if (y < 140)
        return Mix(top, high, SmoothStep(0, 140, y));
    if (y < 250)
        return Mix(high, middle, SmoothStep(140, 250, y));
    if (y < 320)
        return Mix(middle, low, SmoothStep(250, 320, y));
    return Mix(low, horizon, SmoothStep(320, 380, y));
}

constexpr Point kMoon{472, 86};
constexpr double kMoonRadius = 24;

Rgb AddMoonlight(Rgb sky, double x, double y)
{
    const double distance = std::hypot(x - kMoon.x, y - kMoon.y);
    const double glow = 70 * std::exp(-std::max(0.0, distance - kMoonRadius) / 45);
    return {sky.r + glow * 0.8, sky.g + glow * 0.8, sky.b + glow};
}

Rgb MoonSurface(double x, double y)
{
    Rgb surface{250, 244, 218};
    // A few soft grey seas.
    const Point seas[] = {{465, 78}, {480, 94}, {462, 97}};
    const double radii[] = {7, 6, 4};
    for (int i = 0; i < 3; ++i) {
        const double d = std::hypot(x - seas[i].x, y - seas[i].y) / radii[i];
        surface = Mix(surface, {214, 208, 190}, 0.8 * (1 - SmoothStep(0.6, 1.0, d)));
    }
    return surface;
}

// Small deterministic generator, so the stars fall in the same places on every build.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : m_state(seed) {}
    double Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / 16777216.0;
    }

private:
    std::uint32_t m_state;
};

// Ridge heights of the three hill ranges, from back to front.
double FarRidge(double x)
{
    return 318 + 16 * std::sin(x / 70 + 0.4) + 9 * std::sin(x / 29 + 1.3);
}
double MiddleRidge(double x)
{
    return 362 + 22 * std::sin(x / 96 + 2.1) + 10 * std::sin(x / 41);
}
double NearRidge(double x)
{
    return 418 + 18 * std::sin(x / 120 + 0.6) + 7 * std::sin(x / 37 + 2.0);
}

struct Hill {
    double (*ridge)(double);
    Rgb crest;
    Rgb foot;
};

const Hill kHills[] = {{FarRidge, {86, 62, 118}, {58, 44, 92}},
                       {MiddleRidge, {44, 48, 88}, {28, 32, 64}},
                       {NearRidge, {26, 50, 56}, {12, 28, 34}}};

Colour ToColour(Rgb c)
{
    auto channel = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

Canvas DrawBackground()
{
    Canvas sky(kSkyWidth, kSkyHeight);
    for (int y = 0; y < kSkyHeight; ++y) {
        for (int x = 0; x < kSkyWidth; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            Rgb colour = AddMoonlight(SkyAt(py), px, py);
            // The moon's disc, its edge softened over one pixel.
            const double moonEdge = std::clamp(kMoonRadius + 0.5 - std::hypot(px - kMoon.x, py - kMoon.y), 0.0, 1.0);
            colour = Mix(colour, MoonSurface(px, py), moonEdge);
            for (const Hill& hill : kHills) {
                const double ridge = hill.ridge(px);
                const double cover = std::clamp(py - ridge + 0.5, 0.0, 1.0);
                const Rgb ground = Mix(hill.crest, hill.foot, SmoothStep(ridge, ridge + 90, py));
                colour = Mix(colour, ground, cover);
            }
            sky.Set(x, y, ToColour(colour));
        }
    }
    // Stars in the dark upper sky, fewer and dimmer towards the horizon.
    Lcg random(20240611);
    for (int i = 0; i < 170; ++i) {
        const int x = static_cast<int>(random.Next() * kSkyWidth);
        const int y = static_cast<int>(random.Next() * 260);
        const double brightness = random.Next();
        if (std::hypot(x - kMoon.x, y - kMoon.y) < kMoonRadius + 30 || random.Next() * 260 < y - 60)
            continue;
        const Colour star = brightness > 0.8 ? Colour{255, 255, 230} : Colour{200, 200, 235};
        sky.Set(x, y, star);
        if (brightness > 0.93) {
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                sky.Set(x + dx, y + dy, {190, 190, 220});
        }
    }
    // Lit windows of a village on the far hills.
    for (const double x : {182.0, 188.0, 197.0, 205.0, 214.0}) {
        const int y = static_cast<int>(FarRidge(x) + 6 + std::fmod(x, 3.0));
        sky.Set(static_cast<int>(x), y, {255, 204, 102});
    }
    return sky;
}

// ---- Sprites ---------------------------------------------------------------------

// A bird flying right, seen a little from behind so both wings show:
// wings 0 up, 1 level, 2 down, 3 level again.
Canvas DrawBirdPhase(int phase)
{
    Canvas bird(40, 24, kSpriteScale);
    const double elbowY[] = {5, 10, 15, 10};
    const double tipY[] = {1, 9, 21, 9};
    for (const double side : {-1.0, 1.0}) {
        const double elbowX = 20 + side * 8;
        const double tipX = 20 + side * 18;
        bird.FillPolygon({{20 - side * 1.5, 10.5},
                          {elbowX, elbowY[phase] - 2},
                          {tipX, tipY[phase]},
                          {tipX - side * 5, tipY[phase] + 3},
                          {elbowX - side * 1, elbowY[phase] + 2.5},
                          {20 + side * 1.5, 14}},
                         side < 0 ? kDuskWing : kBlack);
    }
    bird.FillEllipse({20, 12.5}, 6.5, 2.6, kBlack);
    bird.FillPolygon({{14.5, 12}, {10, 10.5}, {10.5, 14.5}}, kBlack);  // tail
    bird.FillCircle({26, 11.5}, 2.4, kBlack);
    bird.FillPolygon({{27.8, 10.8}, {31, 11.8}, {27.8, 12.8}}, kGold);
    return bird;
}

// A bat flying left, wings up and down.
Canvas DrawBatPhase(int phase)
{
    Canvas bat(36, 20, kSpriteScale);
    const double tipY = phase == 0 ? 2 : 17;
    const double elbowY = phase == 0 ? 6 : 13;
    for (const double side : {-1.0, 1.0}) {
        const double sx = 18 + side * 2;
        bat.FillPolygon({{sx, 8},
                         {18 + side * 9, elbowY},
                         {18 + side * 17, tipY},
                         {18 + side * 13, tipY + 5},
                         {18 + side * 9, elbowY + 4},
                         {18 + side * 5, elbowY + 6},
                         {sx, 13}},
                        kNightInk);
    }
    bat.FillEllipse({18, 10.5}, 3, 4.5, kNightInk);
    bat.FillPolygon({{15.5, 7}, {16, 3}, {17.5, 6.5}}, kNightInk);
    bat.FillPolygon({{18.5, 6.5}, {20, 3}, {20.5, 7}}, kNightInk);
    bat.Set(16, 8, kGold);
    bat.Set(19, 8, kGold);
    return bat;
}

// A bright head with a tail fading to the left, falling slightly as it goes right.
Canvas DrawShootingStar()
{
    Canvas star(64, 16, kSpriteScale);
    const Colour fade[] = {{102, 102, 153}, {153, 153, 204}, {204, 204, 255}, kPaleYellow, kWhite};
    for (int segment = 0; segment < 5; ++segment) {
        const double from = 2 + segment * 11.0;
        const double to = from + 12;
        const double y0 = 6.5 + from * 4.5 / 64;
        const double y1 = 6.5 + to * 4.5 / 64;
        star.Line({from, y0}, {to, y1}, 1 + segment * 0.45, fade[segment]);
    }
    star.FillCircle({58, 10.6}, 2.6, kWhite);
    star.Line({58, 6}, {58, 15.2}, 1, kPaleYellow);
    star.Line({53.5, 10.6}, {62.5, 10.6}, 1, kPaleYellow);
    star.Set(58, 10, kWhite);
    return star;
}

// A cloud lit by the moon from the upper right.
Canvas DrawCloud(int width, int height, const std::vector<std::pair<Point, double>>& puffs)
{
    Canvas cloud(width, height, kSpriteScale);
    for (const auto& [centre, radius] : puffs)
        cloud.FillCircle({centre.x, centre.y + 3}, radius, kCloudShadow);
    for (const auto& [centre, radius] : puffs)
        cloud.FillCircle(centre, radius - 1, kCloudBody);
    // Each puff's rim towards the moon catches the light.
    for (const auto& [centre, radius] : puffs) {
        cloud.FillCircle({centre.x + radius * 0.15, centre.y - radius * 0.2}, radius * 0.8, kCloudLight);
        cloud.FillCircle({centre.x - radius * 0.05, centre.y + radius * 0.05}, radius * 0.8, kCloudBody);
    }
    return cloud;
}

Canvas DrawLargeCloud()
{
    return DrawCloud(150, 60, {{{30, 38}, 16}, {{55, 28}, 20}, {{85, 24}, 22}, {{112, 33}, 17}, {{128, 41}, 11},
                               {{70, 42}, 14}, {{100, 44}, 12}, {{20, 46}, 8}});
}

Canvas DrawSmallCloud()
{
    return DrawCloud(100, 40, {{{22, 26}, 11}, {{42, 18}, 14}, {{62, 20}, 13}, {{80, 27}, 9}, {{50, 29}, 9}});
}

// A striped hot-air balloon with its basket.
Canvas DrawBalloon()
{
    Canvas balloon(44, 64, kSpriteScale);
    const Point centre{22, 20};
    const double radius = 18;
    for (int y = 0; y < balloon.Height(); ++y) {
        const double py = (y + 0.5) / kSpriteScale;
        if (py > 46)
            break;
        // Round above the centre, tapering to the mouth below it.
        double half = 0;
        if (py <= centre.y)
            half = std::sqrt(std::max(0.0, radius * radius - (py - centre.y) * (py - centre.y)));
        else
            half = radius * std::cos((py - centre.y) / (46 - centre.y) * kPi / 2.6);
        half = std::max(half, py > 40 ? 4.0 : 0.0);
        for (int x = 0; x < balloon.Width(); ++x) {
            const double u = ((x + 0.5) / kSpriteScale - centre.x) / half;
            if (half <= 0 || std::abs(u) > 1)
                continue;
            // Five gores curving with the envelope; the left side in shade.
            const int gore = static_cast<int>((std::asin(u) / kPi + 0.5) * 5);
            const bool red = gore % 2 == 0;
            const bool shaded = u < -0.55;
            balloon.SetPixel(x, y, red ? (shaded ? kDarkRed : kRed) : (shaded ? Colour{204, 153, 0} : kGold));
        }
    }
    balloon.Line({18, 46}, {18, 53}, 1, kRope);
    balloon.Line({26, 46}, {26, 53}, 1, kRope);
    balloon.FillRect(20, 47, 24, 50, kLamp);
    balloon.FillRect(16, 53, 28, 61, kWicker);
    balloon.Line({16, 57}, {28, 57}, 1, kWickerDark);
    balloon.Line({22, 53}, {22, 61}, 1, kWickerDark);
    return balloon;
}

// A hare in mid-leap, facing right.
Canvas DrawHare()
{
    Canvas hare(40, 32, kSpriteScale);
    hare.FillEllipse({13, 24}, 7, 4, kWickerDark);  // hind leg
    hare.FillEllipse({18, 19}, 11, 7, kHareFur);
    hare.FillEllipse({19, 22.5}, 8, 3.5, kHareBelly);
    hare.FillPolygon({{26, 10}, {22, 1}, {25, 1}, {29, 9}}, kHareFur);  // ears
    hare.FillPolygon({{28, 10}, {27, 2}, {29.5, 2}, {31, 9}}, kHareBelly);
    hare.FillCircle({29.5, 14}, 5, kHareFur);
    hare.FillEllipse({32, 26}, 5, 2, kHareFur);  // fore paws reaching forward
    hare.FillCircle({6.5, 17}, 3, kWhite);       // tail
    hare.Set(31, 12, kBlack);
    hare.Set(34, 15, kBlack);
    return hare;
}

// A frog, facing left.
Canvas DrawFrog()
{
    Canvas frog(28, 20, kSpriteScale);
    frog.FillEllipse({21, 15}, 6, 3.5, kFrogDark);  // hind leg
    frog.FillEllipse({14, 11.5}, 10, 6, kFrogGreen);
    frog.FillEllipse({12, 15}, 7, 2.5, kFrogBelly);
    for (const double x : {7.0, 13.0}) {
        frog.FillCircle({x, 6}, 3, kFrogGreen);
        frog.FillCircle({x, 5.5}, 1.8, kWhite);
        frog.Set(static_cast<int>(x) - 1, 5, kBlack);
    }
    frog.FillEllipse({6, 17}, 3, 1.5, kFrogDark);  // fore foot
    return frog;
}

// A windmill; the sails turn a quarter of their spacing from one phase to the next.
Canvas DrawWindmillPhase(int phase)
{
    Canvas mill(64, 96, kSpriteScale);
    mill.FillPolygon({{25, 44}, {39, 44}, {46, 95}, {18, 95}}, kStone);
    mill.FillPolygon({{25, 44}, {30, 44}, {27, 95}, {18, 95}}, kStoneShade);
    mill.FillPolygon({{29, 95}, {29, 84}, {32, 81}, {35, 84}, {35, 95}}, kTrunk);  // door
    mill.FillRect(30, 60, 34, 65, kLamp);                                            // lit window
    mill.FillPolygon({{21, 46}, {43, 46}, {32, 33}}, kRoof);
    const Point hub{32, 40};
    for (int blade = 0; blade < 4; ++blade) {
        const double angle = (blade * 90 + phase * 22.5 + 10) * kPi / 180;
        const Point along{std::cos(angle), std::sin(angle)};
        const Point across{-along.y, along.x};
        auto at = [&](double out, double side) {
            return Point{hub.x + along.x * out + across.x * side, hub.y + along.y * out + across.y * side};
        };
        mill.FillPolygon({at(8, 1), at(30, 1), at(30, 8), at(8, 7)}, kSail);
        for (const double out : {14.0, 20.0, 26.0})
            mill.Line(at(out, 1), at(out, 7.8), 1, kWicker);
        mill.Line(at(0, 0), at(31, 0), 2, kWickerDark);
    }
    mill.FillCircle(hub, 2.5, kWickerDark);
    return mill;
}

// A tree in the foreground.
Canvas DrawTree()
{
    Canvas tree(110, 150, kTreeScale);
    tree.FillPolygon({{49, 150}, {52, 82}, {58, 82}, {63, 150}}, kTrunk);
    tree.Line({55, 100}, {34, 78}, 4, kTrunk);
    tree.Line({56, 95}, {78, 74}, 4, kTrunk);
    const std::pair<Point, double> crown[] = {{{55, 40}, 30}, {{32, 62}, 22}, {{80, 60}, 24}, {{56, 70}, 22},
                                              {{38, 34}, 18}, {{74, 30}, 19}, {{56, 16}, 15}};
    for (const auto& [centre, radius] : crown)
        tree.FillCircle(centre, radius, kLeavesDark);
    for (const auto& [centre, radius] : crown) {
        tree.FillCircle({centre.x + radius * 0.12, centre.y - radius * 0.15}, radius * 0.8, kLeaves);
        tree.FillCircle({centre.x - radius * 0.1, centre.y + radius * 0.1}, radius * 0.8, kLeavesDark);
    }
    return tree;
}

std::vector<Canvas> Phases(Canvas (*draw)(int), int count)
{
    std::vector<Canvas> phases;
    for (int i = 0; i < count; ++i)
        phases.push_back(draw(i));
    return phases;
}

bool Save(const Canvas& canvas, const std::string& folder, const std::string& name)
{
    const auto png = tools::EncodePng(canvas.Image());
    const std::string path = folder + "/" + name;
    const std::string problem = png ? tools::WriteFileAtomically(path, *png.value) : png.error;
    if (!problem.empty())
        std::cerr << "vesper-demo-art: " << path << ": " << problem << "\n";
    return problem.empty();
}

}  // namespace
}  // namespace vesper::demo

int main(int argc, char** argv)
{
    using namespace vesper::demo;
    if (argc != 2) {
        std::cerr << "usage: vesper-demo-art FOLDER\n\nDraws the demo scene's pictures into FOLDER as PNG files.\n";
        return 2;
    }
    const std::string folder = argv[1];
    const bool saved = Save(DrawBackground(), folder, "sky.png") &&
                       Save(StackPhases(Phases(DrawBirdPhase, 4)), folder, "bird.png") &&
                       Save(StackPhases(Phases(DrawBatPhase, 2)), folder, "bat.png") &&
                       Save(DrawShootingStar(), folder, "shooting-star.png") &&
                       Save(DrawLargeCloud(), folder, "cloud-large.png") &&
                       Save(DrawSmallCloud(), folder, "cloud-small.png") && Save(DrawBalloon(), folder, "balloon.png") &&
                       Save(DrawHare(), folder, "hare.png") && Save(DrawFrog(), folder, "frog.png") &&
                       Save(StackPhases(Phases(DrawWindmillPhase, 4)), folder, "windmill.png") &&
                       Save(DrawTree(), folder, "tree.png");
    return saved ? 0 : 1;
}
