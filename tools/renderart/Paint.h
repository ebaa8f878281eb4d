#pragma once
// A small painter for the start-up pictures: float colour canvases, anti-aliased coverage masks
// (polygons, ellipses, strokes, text from TrueType fonts), blur, and seeded value noise.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace renderart {
namespace platform = pellam::platform;

struct Colour {
    float r = 0, g = 0, b = 0;
};
Colour mix(const Colour& a, const Colour& b, float t);
Colour rgb8(int r, int g, int b);

struct Point {
    double x = 0, y = 0;
};

// Coverage 0..1 per pixel.
class Mask {
public:
    Mask(int width, int height) : w(width), h(height), v(size_t(width) * height, 0.0f) {}
    float& at(int x, int y) { return v[size_t(y) * w + x]; }
    float get(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0.0f : v[size_t(y) * w + x]; }
    void polygon(const std::vector<Point>& points, float value = 1.0f);  // even-odd, 4 x 4 samples a pixel
    void ellipse(double cx, double cy, double rx, double ry, double angleRad = 0, float value = 1.0f);
    void stroke(Point a, Point b, double width, float value = 1.0f);
    void blur(int radius, int passes = 3);
    void dilate(int radius);
    // Coverage of a cell-wise max with another mask.
    void add(const Mask& other);
    void subtract(const Mask& other);
    int w, h;
    std::vector<float> v;
};

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {});
    Colour& at(int x, int y) { return c[size_t(y) * w + x]; }
    void paint(const Mask& mask, const Colour& colour, float opacity = 1.0f, int offsetX = 0, int offsetY = 0);
    // Writes into an RGBA image at (x, y); pixels equal to `avoid` are nudged so they never match it.
    void blit(platform::RGBAImage& image, int x, int y, std::array<uint8_t, 3> avoid) const;
    int w, h;
    std::vector<Colour> c;
};

// Seeded 2-D value noise, 0..1, and its fractal sum.
class Noise {
public:
    explicit Noise(uint32_t seed) : seed_(seed) {}
    double value(double x, double y) const;
    double fbm(double x, double y, int octaves, double persistence = 0.5) const;

private:
    double lattice(int x, int y) const;
    uint32_t seed_;
};

// A TrueType font drawn into masks. Sizes in pixels of the em; xScale stretches across.
class Font {
public:
    explicit Font(const std::string& path);
    bool ok() const { return !data_.empty(); }
    // Draws text with its baseline at y; answers the x where it ended.
    double draw(Mask& mask, const std::string& text, double x, double y, double emPixels, double xScale = 1.0,
                double tracking = 0.0) const;
    double width(const std::string& text, double emPixels, double xScale = 1.0, double tracking = 0.0) const;
    // One glyph's coverage at a fixed scale, placed with its origin at (x, baseline y).
    void glyph(Mask& mask, int codepoint, double x, double y, double scaleX, double scaleY) const;
    // Horizontal ink extent of a glyph in em units (x0, x1); false for a blank glyph.
    bool inkBox(int codepoint, double& x0, double& x1) const;
    double emScale(double emPixels) const;  // font units to pixels

private:
    std::vector<unsigned char> data_;
    std::vector<unsigned char> info_;  // stbtt_fontinfo, kept opaque here
};

std::string fontPath(const std::string& file);  // under the system's DejaVu folder

}  // namespace renderart
