#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace sample {

// A small picture of colour indices 0..3 (0 shows the backdrop) that tile art is drawn
// on before it is cut into 8x8 tiles.
class Canvas
{
public:
    Canvas(int width, int height) : w(width), h(height), px(std::size_t(width * height), 0) {}

    int width() const { return w; }
    int height() const { return h; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    int at(int x, int y) const { return inside(x, y) ? px[std::size_t(y * w + x)] : 0; }
    void set(int x, int y, int colour)
    {
        if (inside(x, y))
            px[std::size_t(y * w + x)] = std::uint8_t(colour);
    }

    void fill(int x, int y, int width, int height, int colour);
    void hline(int x0, int x1, int y, int colour) { fill(x0, y, x1 - x0 + 1, 1, colour); }
    void vline(int x, int y0, int y1, int colour) { fill(x, y0, 1, y1 - y0 + 1, colour); }
    void line(int x0, int y0, int x1, int y1, int colour);
    // Every pixel whose centre lies within radius of (cx, cy).
    void disc(double cx, double cy, double radius, int colour);

    // Copies rows of text onto the picture: '.' or '0'..'3' set that colour, ' ' leaves
    // the pixel as it is.
    void stamp(int x, int y, std::initializer_list<const char *> rows);

    // The width x height part whose top-left corner is (x, y).
    Canvas cut(int x, int y, int width, int height) const;

private:
    int w, h;
    std::vector<std::uint8_t> px;
};

// A round-edged shape made of overlapping discs, such as a cloud, a bush or a tree top.
struct Blob
{
    struct Circle { double x, y, r; };
    std::vector<Circle> circles;
    int outline = 1;    // colour of the edge
    int body = 2;       // main colour
    int lit = 3;        // colour near the upper-left edge
    int shade = 1;      // colour near the lower-right edge (0: none)
    int shadeDepth = 2; // how far the shaded band reaches in
    bool openBottom = false; // no edge along the bottom of the canvas (the shape goes on below)
    bool clumps = false;     // draw each disc's lower-right rim inside the shape, as leaves

    bool covers(double x, double y) const;
    void paint(Canvas &canvas) const;
};

// The 16 bytes of the 8x8 tile at (x, y) of the canvas: plane 0 (low bits) a row a
// byte from the top, then plane 1; the leftmost pixel in bit 7.
void EncodeTile(const Canvas &canvas, int x, int y, std::uint8_t *out);

} // namespace sample
