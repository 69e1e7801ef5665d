#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sample {

void Canvas::fill(int x, int y, int width, int height, int colour)
{
    for (int yy = y; yy < y + height; ++yy)
        for (int xx = x; xx < x + width; ++xx)
            set(xx, yy, colour);
}

void Canvas::line(int x0, int y0, int x1, int y1, int colour)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        set(x0, y0, colour);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::disc(double cx, double cy, double radius, int colour)
{
    for (int y = int(std::floor(cy - radius)); y <= int(std::ceil(cy + radius)); ++y)
        for (int x = int(std::floor(cx - radius)); x <= int(std::ceil(cx + radius)); ++x) {
            const double ddx = x + 0.5 - cx, ddy = y + 0.5 - cy;
            if (ddx * ddx + ddy * ddy <= radius * radius)
                set(x, y, colour);
        }
}

void Canvas::stamp(int x, int y, std::initializer_list<const char *> rows)
{
    int yy = y;
    for (const char *row : rows) {
        for (int i = 0; row[i]; ++i) {
            const char c = row[i];
            if (c == '.')
                set(x + i, yy, 0);
            else if (c >= '0' && c <= '3')
                set(x + i, yy, c - '0');
        }
        ++yy;
    }
}

Canvas Canvas::cut(int x, int y, int width, int height) const
{
    Canvas part(width, height);
    for (int yy = 0; yy < height; ++yy)
        for (int xx = 0; xx < width; ++xx)
            part.set(xx, yy, at(x + xx, y + yy));
    return part;
}

bool Blob::covers(double x, double y) const
{
    return std::any_of(circles.begin(), circles.end(), [&](const Circle &c) {
        return (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= c.r * c.r;
    });
}

void Blob::paint(Canvas &canvas) const
{
    const auto in = [&](int x, int y) {
        if (openBottom && y >= canvas.height())
            return covers(x + 0.5, canvas.height() - 0.5);
        return covers(x + 0.5, y + 0.5);
    };
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (!in(x, y))
                continue;
            int colour = body;
            if (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1))
                colour = outline;
            else {
                for (int k = 1; k <= shadeDepth && shade; ++k)
                    if (!in(x + k, y + k))
                        colour = shade;
                if (colour == body && (!in(x - 2, y - 2) || !in(x - 1, y - 2)))
                    colour = lit;
            }
            canvas.set(x, y, colour);
        }
    if (!clumps)
        return;
    // Each disc's lower-right rim, where it lies inside the shape, reads as a clump edge.
    for (const Circle &c : circles)
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const double ddx = x + 0.5 - c.x, ddy = y + 0.5 - c.y;
                const double d = std::sqrt(ddx * ddx + ddy * ddy);
                if (d > c.r - 1.0 && d <= c.r && ddx + ddy > c.r * 0.5 && in(x, y) && in(x + 1, y)
                    && in(x, y + 1) && in(x, y - 1) && in(x - 1, y))
                    canvas.set(x, y, shade ? shade : outline);
            }
}

void EncodeTile(const Canvas &canvas, int x, int y, std::uint8_t *out)
{
    for (int row = 0; row < 8; ++row) {
        std::uint8_t low = 0, high = 0;
        for (int col = 0; col < 8; ++col) {
            const int colour = canvas.at(x + col, y + row);
            if (colour & 1)
                low |= std::uint8_t(0x80 >> col);
            if (colour & 2)
                high |= std::uint8_t(0x80 >> col);
        }
        out[row] = low;
        out[8 + row] = high;
    }
}

} // namespace sample
