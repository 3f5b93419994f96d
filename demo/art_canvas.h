// A small RGBA canvas with the shapes the demo's pictures are drawn from.
// Sprite shapes have hard edges: a sprite's transparent colour is one exact
// colour, so a pixel is either fully covered or left transparent. Shapes
// cover the pixels whose centres lie inside them. Shapes are given in the
// canvas's own units, which its scale turns into pixels, so one drawing can be
// made at any size.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/vesper_scene/png_codec.h"

namespace vesper::demo {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
};

struct Point {
    double x = 0;
    double y = 0;
};

class Canvas {
public:
    // Fully transparent; width x height units of `scale` pixels each.
    Canvas(int width, int height, double scale = 1);

    // Size in pixels.
    int Width() const { return m_image.width; }
    int Height() const { return m_image.height; }
    Colour At(int x, int y) const;
    void SetPixel(int x, int y, Colour colour);
    // Covers the unit square at (x, y): one pixel at scale 1.
    void Set(int x, int y, Colour colour);

    void FillRect(double left, double top, double right, double bottom, Colour colour);
    void FillEllipse(Point centre, double rx, double ry, Colour colour);
    void FillCircle(Point centre, double radius, Colour colour) { FillEllipse(centre, radius, radius, colour); }
    // Any simple or self-touching polygon, by the even-odd rule.
    void FillPolygon(const std::vector<Point>& points, Colour colour);
    // A straight stroke of the given width with square ends.
    void Line(Point from, Point to, double width, Colour colour);
    // Copies another canvas's pixels to pixel (x, y), transparent ones included.
    void Paste(const Canvas& other, int x, int y);

    const tools::RgbaImage& Image() const { return m_image; }

private:
    Point Scaled(Point p) const { return {p.x * m_scale, p.y * m_scale}; }
    void FillPixelPolygon(const std::vector<Point>& points, Colour colour);

    tools::RgbaImage m_image;
    double m_scale;
};

// Phases of equal size stacked vertically, phase 0 at the top.
Canvas StackPhases(const std::vector<Canvas>& phases);

}  // namespace vesper::demo
