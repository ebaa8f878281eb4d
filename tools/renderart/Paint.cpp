#include "Paint.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace renderart {

Colour mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

void Mask::polygon(const std::vector<Point>& points, float value) {
    if (points.size() < 3) return;
    double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const Point& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const int x0 = std::max(0, int(std::floor(minX))), x1 = std::min(w - 1, int(std::ceil(maxX)));
    const int y0 = std::max(0, int(std::floor(minY))), y1 = std::min(h - 1, int(std::ceil(maxY)));
    std::vector<double> crossings;
    std::vector<int> counts(size_t(std::max(0, x1 - x0 + 1)));
    for (int y = y0; y <= y1; ++y) {
        std::fill(counts.begin(), counts.end(), 0);
        for (int sy = 0; sy < 4; ++sy) {
            const double py = y + (sy + 0.5) / 4;
            crossings.clear();
            for (size_t i = 0; i < points.size(); ++i) {
                const Point& a = points[i];
                const Point& b = points[(i + 1) % points.size()];
                if ((a.y <= py) != (b.y <= py)) crossings.push_back(a.x + (py - a.y) / (b.y - a.y) * (b.x - a.x));
            }
            std::sort(crossings.begin(), crossings.end());
            for (size_t i = 0; i + 1 < crossings.size(); i += 2)
                for (int x = x0; x <= x1; ++x)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double px = x + (sx + 0.5) / 4;
                        if (px >= crossings[i] && px < crossings[i + 1]) ++counts[size_t(x - x0)];
                    }
        }
        for (int x = x0; x <= x1; ++x)
            if (counts[size_t(x - x0)]) {
                float& m = at(x, y);
                m = std::max(m, value * counts[size_t(x - x0)] / 16.0f);
            }
    }
}

void Mask::ellipse(double cx, double cy, double rx, double ry, double angleRad, float value) {
    std::vector<Point> pts;
    const int n = std::clamp(int((rx + ry) * 1.5), 16, 256);
    const double c = std::cos(angleRad), s = std::sin(angleRad);
    for (int i = 0; i < n; ++i) {
        const double t = 2 * M_PI * i / n;
        const double ex = rx * std::cos(t), ey = ry * std::sin(t);
        pts.push_back({cx + ex * c - ey * s, cy + ex * s + ey * c});
    }
    polygon(pts, value);
}

void Mask::stroke(Point a, Point b, double width, float value) {
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len <= 0) return;
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    polygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}, value);
}

void Mask::blur(int radius, int passes) {
    if (radius <= 0) return;
    std::vector<float> tmp(v.size());
    for (int p = 0; p < passes; ++p) {
        for (int y = 0; y < h; ++y) {
            double sum = 0;
            int n = 0;
            for (int x = -radius; x < w + radius; ++x) {
                if (x + radius < w) {
                    sum += v[size_t(y) * w + x + radius];
                    ++n;
                }
                if (x - radius - 1 >= 0) {
                    sum -= v[size_t(y) * w + x - radius - 1];
                    --n;
                }
                if (x >= 0 && x < w) tmp[size_t(y) * w + x] = float(sum / std::max(1, n));
            }
        }
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            int n = 0;
            for (int y = -radius; y < h + radius; ++y) {
                if (y + radius < h) {
                    sum += tmp[size_t(y + radius) * w + x];
                    ++n;
                }
                if (y - radius - 1 >= 0) {
                    sum -= tmp[size_t(y - radius - 1) * w + x];
                    --n;
                }
                if (y >= 0 && y < h) v[size_t(y) * w + x] = float(sum / std::max(1, n));
            }
        }
    }
}

void Mask::dilate(int radius) {
    std::vector<float> out(v.size(), 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float m = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx)
                    if (dx * dx + dy * dy <= radius * radius + radius) m = std::max(m, get(x + dx, y + dy));
            out[size_t(y) * w + x] = m;
        }
    v.swap(out);
}

void Mask::add(const Mask& other) {
    for (size_t i = 0; i < v.size() && i < other.v.size(); ++i) v[i] = std::max(v[i], other.v[i]);
}

void Mask::subtract(const Mask& other) {
    for (size_t i = 0; i < v.size() && i < other.v.size(); ++i) v[i] = std::max(0.0f, v[i] - other.v[i]);
}

Canvas::Canvas(int width, int height, Colour fill) : w(width), h(height), c(size_t(width) * height, fill) {}

void Canvas::paint(const Mask& mask, const Colour& colour, float opacity, int offsetX, int offsetY) {
    for (int y = 0; y < mask.h; ++y)
        for (int x = 0; x < mask.w; ++x) {
            const float a = mask.v[size_t(y) * mask.w + x] * opacity;
            const int cx = x + offsetX, cy = y + offsetY;
            if (a <= 0 || cx < 0 || cy < 0 || cx >= w || cy >= h) continue;
            Colour& d = at(cx, cy);
            d = mix(d, colour, std::min(1.0f, a));
        }
}

void Canvas::blit(platform::RGBAImage& image, int x0, int y0, std::array<uint8_t, 3> avoid) const {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ix = x + x0, iy = y + y0;
            if (ix < 0 || iy < 0 || ix >= image.width || iy >= image.height) continue;
            const Colour& s = c[size_t(y) * w + x];
            uint8_t px[3] = {uint8_t(std::clamp(s.r, 0.0f, 1.0f) * 255 + 0.5f),
                             uint8_t(std::clamp(s.g, 0.0f, 1.0f) * 255 + 0.5f),
                             uint8_t(std::clamp(s.b, 0.0f, 1.0f) * 255 + 0.5f)};
            if (px[0] == avoid[0] && px[1] == avoid[1] && px[2] == avoid[2]) px[1] = uint8_t(px[1] ^ 1);
            uint8_t* d = &image.pixels[(size_t(iy) * image.width + ix) * 4];
            d[0] = px[0];
            d[1] = px[1];
            d[2] = px[2];
            d[3] = 255;
        }
}

double Noise::lattice(int x, int y) const {
    uint32_t h = seed_ ^ (uint32_t(x) * 0x8da6b343u) ^ (uint32_t(y) * 0xd8163841u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}

double Noise::value(double x, double y) const {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = lattice(ix, iy), b = lattice(ix + 1, iy), c = lattice(ix, iy + 1), d = lattice(ix + 1, iy + 1);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double Noise::fbm(double x, double y, int octaves, double persistence) const {
    double sum = 0, amp = 1, norm = 0, f = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * value(x * f + i * 17.3, y * f - i * 9.1);
        norm += amp;
        amp *= persistence;
        f *= 2;
    }
    return sum / norm;
}

Font::Font(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    info_.resize(sizeof(stbtt_fontinfo));
    auto* info = reinterpret_cast<stbtt_fontinfo*>(info_.data());
    if (data_.empty() || !stbtt_InitFont(info, data_.data(), stbtt_GetFontOffsetForIndex(data_.data(), 0)))
        data_.clear();
}

double Font::emScale(double emPixels) const {
    return stbtt_ScaleForMappingEmToPixels(reinterpret_cast<const stbtt_fontinfo*>(info_.data()), float(emPixels));
}

void Font::glyph(Mask& mask, int codepoint, double x, double y, double scaleX, double scaleY) const {
    const auto* info = reinterpret_cast<const stbtt_fontinfo*>(info_.data());
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float shiftX = float(x - ix), shiftY = float(y - iy);
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBoxSubpixel(info, codepoint, float(scaleX), float(scaleY), shiftX, shiftY, &x0, &y0, &x1,
                                        &y1);
    const int gw = x1 - x0, gh = y1 - y0;
    if (gw <= 0 || gh <= 0) return;
    std::vector<unsigned char> bitmap(size_t(gw) * gh);
    stbtt_MakeCodepointBitmapSubpixel(info, bitmap.data(), gw, gh, gw, float(scaleX), float(scaleY), shiftX, shiftY,
                                      codepoint);
    for (int by = 0; by < gh; ++by)
        for (int bx = 0; bx < gw; ++bx) {
            const int mx = ix + x0 + bx, my = iy + y0 + by;
            if (mx < 0 || my < 0 || mx >= mask.w || my >= mask.h) continue;
            float& m = mask.at(mx, my);
            m = std::min(1.0f, m + bitmap[size_t(by) * gw + bx] / 255.0f);
        }
}

bool Font::inkBox(int codepoint, double& x0, double& x1) const {
    const auto* info = reinterpret_cast<const stbtt_fontinfo*>(info_.data());
    int ix0, iy0, ix1, iy1;
    if (!stbtt_GetCodepointBox(info, codepoint, &ix0, &iy0, &ix1, &iy1)) return false;
    const double units = stbtt_ScaleForMappingEmToPixels(info, 1.0f);
    x0 = ix0 * units;
    x1 = ix1 * units;
    return ix1 > ix0;
}

double Font::draw(Mask& mask, const std::string& text, double x, double y, double emPixels, double xScale,
                  double tracking) const {
    const auto* info = reinterpret_cast<const stbtt_fontinfo*>(info_.data());
    const double scale = emScale(emPixels);
    for (size_t i = 0; i < text.size(); ++i) {
        const int cp = static_cast<unsigned char>(text[i]);
        glyph(mask, cp, x, y, scale * xScale, scale);
        int advance, lsb;
        stbtt_GetCodepointHMetrics(info, cp, &advance, &lsb);
        x += advance * scale * xScale + tracking;
        if (i + 1 < text.size())
            x += stbtt_GetCodepointKernAdvance(info, cp, static_cast<unsigned char>(text[i + 1])) * scale * xScale;
    }
    return x;
}

double Font::width(const std::string& text, double emPixels, double xScale, double tracking) const {
    Mask none(1, 1);
    const double end = draw(none, text, -100000, -100000, emPixels, xScale, tracking);
    return end + 100000 - (text.empty() ? 0 : tracking);
}

std::string fontPath(const std::string& file) { return "/usr/share/fonts/truetype/dejavu/" + file; }

}  // namespace renderart
