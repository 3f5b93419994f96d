#include "demo/art_canvas.h"

#include <algorithm>
#include <cmath>

namespace vesper::demo {

Canvas::Canvas(int width, int height, double scale) : m_scale(scale)
{
    m_image.width = static_cast<int>(std::lround(width * scale));
    m_image.height = static_cast<int>(std::lround(height * scale));
    m_image.pixels.assign(static_cast<std::size_t>(m_image.width) * m_image.height * 4, 0);
}

Colour Canvas::At(int x, int y) const
{
    const BYTE* pixel = m_image.At(x, y);
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

void Canvas::Set(int x, int y, Colour colour)
{
    if (m_scale == 1)
        SetPixel(x, y, colour);
    else
        FillRect(x, y, x + 1, y + 1, colour);
}

void Canvas::SetPixel(int x, int y, Colour colour)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    BYTE* pixel = m_image.At(x, y);
    pixel[0] = colour.red;
    pixel[1] = colour.green;
    pixel[2] = colour.blue;
    pixel[3] = colour.alpha;
}

void Canvas::FillRect(double left, double top, double right, double bottom, Colour colour)
{
    FillPolygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}}, colour);
}

void Canvas::FillEllipse(Point centre, double rx, double ry, Colour colour)
{
    centre = Scaled(centre);
    rx *= m_scale;
    ry *= m_scale;
    const int top = std::max(0, static_cast<int>(std::floor(centre.y - ry)));
    const int bottom = std::min(Height() - 1, static_cast<int>(std::ceil(centre.y + ry)));
    for (int y = top; y <= bottom; ++y) {
        const double dy = (y + 0.5 - centre.y) / ry;
        if (dy * dy > 1)
            continue;
        const double half = rx * std::sqrt(1 - dy * dy);
        // Pixels whose centres lie within [centre - half, centre + half].
        const int first = static_cast<int>(std::ceil(centre.x - half - 0.5));
        const int last = static_cast<int>(std::floor(centre.x + half - 0.5));
        for (int x = first; x <= last; ++x)
            SetPixel(x, y, colour);
    }
}

void Canvas::FillPolygon(const std::vector<Point>& points, Colour colour)
{
    std::vector<Point> scaled;
    for (const Point& p : points)
        scaled.push_back(Scaled(p));
    FillPixelPolygon(scaled, colour);
}

void Canvas::FillPixelPolygon(const std::vector<Point>& points, Colour colour)
{
    if (points.size() < 3)
        return;
    double minY = points[0].y;
    double maxY = points[0].y;
    for (const Point& p : points) {
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const int top = std::max(0, static_cast<int>(std::floor(minY)));
    const int bottom = std::min(Height() - 1, static_cast<int>(std::ceil(maxY)));
    std::vector<double> crossings;
    for (int y = top; y <= bottom; ++y) {
        const double sampleY = y + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % points.size()];
            if ((a.y <= sampleY) != (b.y <= sampleY))
                crossings.push_back(a.x + (sampleY - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const int first = static_cast<int>(std::ceil(crossings[i] - 0.5));
            const int last = static_cast<int>(std::floor(crossings[i + 1] - 0.5));
            for (int x = first; x <= last; ++x)
                SetPixel(x, y, colour);
        }
    }
}

void Canvas::Line(Point from, Point to, double width, Colour colour)
{
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double length = std::hypot(dx, dy);
    if (length == 0) {
        FillRect(from.x - width / 2, from.y - width / 2, from.x + width / 2, from.y + width / 2, colour);
        return;
    }
    // Half-width across the line and half-width along it (square ends).
    const double ax = dx / length * width / 2;
    const double ay = dy / length * width / 2;
    FillPolygon({{from.x - ax + ay, from.y - ay - ax},
                 {to.x + ax + ay, to.y + ay - ax},
                 {to.x + ax - ay, to.y + ay + ax},
                 {from.x - ax - ay, from.y - ay + ax}},
                colour);
}

void Canvas::Paste(const Canvas& other, int x, int y)
{
    for (int row = 0; row < other.Height(); ++row) {
        for (int column = 0; column < other.Width(); ++column)
            SetPixel(x + column, y + row, other.At(column, row));
    }
}

Canvas StackPhases(const std::vector<Canvas>& phases)
{
    const int width = phases.front().Width();
    const int height = phases.front().Height();
    Canvas strip(width, height * static_cast<int>(phases.size()));
    for (std::size_t i = 0; i < phases.size(); ++i)
        strip.Paste(phases[i], 0, height * static_cast<int>(i));
    return strip;
}

}  // namespace vesper::demo
