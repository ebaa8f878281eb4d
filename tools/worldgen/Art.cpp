// The terrain, sky and cloud pictures. Each tiles seamlessly where the terrain repeats it; the
// ground pictures span one 1760-ft square (about 6.9 ft a texel at 256), the shelled ground two.
//
// Index: canvas and tiling noise · hedges and fields · woods · craters and trenches · towns and
// villages · chalk, marsh, water · road pieces · detail · sky, sun, clouds · the list of pictures.
#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/worldgen/WorldGen.h"
#include "world/WorldGrid.h"

namespace pellam::worldgen {

namespace {

constexpr int kEdge = 256;
constexpr double kPi = 3.14159265358979;

struct RGB {
    double R, G, B;
};

RGB mix(RGB a, RGB b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}
RGB scale(RGB a, double s) { return {a.R * s, a.G * s, a.B * s}; }

struct Canvas {
    int Edge;
    std::vector<RGB> Colour;
    std::vector<double> Alpha;
    explicit Canvas(int edge, RGB fill = {0, 0, 0}) : Edge(edge), Colour(size_t(edge) * edge, fill), Alpha(size_t(edge) * edge, 1.0) {}
    RGB& at(int x, int y) { return Colour[size_t((y % Edge + Edge) % Edge) * Edge + (x % Edge + Edge) % Edge]; }
    double& alpha(int x, int y) { return Alpha[size_t((y % Edge + Edge) % Edge) * Edge + (x % Edge + Edge) % Edge]; }
    // A filled disc that wraps round the edges; shade(d) gives the colour at distance d / radius.
    void disc(double cx, double cy, double r, const std::function<RGB(RGB, double)>& shade) {
        for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
            for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / r;
                if (d <= 1.0) at(x, y) = shade(at(x, y), d);
            }
    }
    void rect(int x0, int y0, int w, int h, RGB c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) at(x, y) = c;
    }
    platform::RGBAImage image() const {
        platform::RGBAImage im;
        im.width = im.height = Edge;
        im.pixels.resize(size_t(Edge) * Edge * 4);
        for (size_t k = 0; k < Colour.size(); ++k) {
            im.pixels[4 * k + 0] = uint8_t(std::clamp(Colour[k].R, 0.0, 255.0));
            im.pixels[4 * k + 1] = uint8_t(std::clamp(Colour[k].G, 0.0, 255.0));
            im.pixels[4 * k + 2] = uint8_t(std::clamp(Colour[k].B, 0.0, 255.0));
            im.pixels[4 * k + 3] = uint8_t(std::clamp(Alpha[k] * 255.0, 0.0, 255.0));
        }
        return im;
    }
};

// Value noise that repeats every `period` lattice cells, so pictures tile.
double wrapNoise(double x, double y, int period, uint32_t seed) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    double tx = x - ix, ty = y - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto v = [&](int a, int b) {
        return hash32(uint32_t((a % period + period) % period), uint32_t((b % period + period) % period), seed) / 4294967295.0;
    };
    const double a = v(ix, iy), b = v(ix + 1, iy), c = v(ix, iy + 1), d = v(ix + 1, iy + 1);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}
// Octaves of wrapNoise over a picture of `edge` texels, starting at `cells` lattice cells across.
double wrapFbm(int x, int y, int edge, int cells, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const int c = cells << o;
        sum += amp * wrapNoise((x + 0.5) * c / edge, (y + 0.5) * c / edge, c, seed + o * 131u);
        norm += amp;
        amp *= 0.5;
    }
    return sum / norm;
}

struct Rand {
    uint32_t S;
    double next() {
        S = S * 1664525u + 1013904223u;
        return hash32(S, 7, 9) / 4294967295.0;
    }
    double from(double a, double b) { return a + (b - a) * next(); }
};

void mottle(Canvas& c, RGB base, double amount, int cells, uint32_t seed) {
    for (int y = 0; y < c.Edge; ++y)
        for (int x = 0; x < c.Edge; ++x) {
            const double n = wrapFbm(x, y, c.Edge, cells, 4, seed) - 0.5;
            const double fine = hash32(uint32_t(x), uint32_t(y), seed + 3) / 4294967295.0 - 0.5;
            c.at(x, y) = scale(base, 1.0 + n * amount + fine * amount * 0.35);
        }
}

const RGB kHedge{48, 70, 36};

// Hedges along the picture's edges: where squares of fields meet they make the field pattern.
void hedges(Canvas& c, uint32_t seed) {
    Rand r{seed};
    for (int k = 0; k < c.Edge; ++k) {
        const double t = 0.8 + 0.4 * r.next();
        c.at(k, 0) = scale(kHedge, t);
        c.at(0, k) = scale(kHedge, t);
        if (r.next() < 0.08) c.disc(k, 0.5, 2.2, [&](RGB, double d) { return scale(kHedge, 0.75 + 0.3 * d); });
        if (r.next() < 0.08) c.disc(0.5, k, 2.2, [&](RGB, double d) { return scale(kHedge, 0.75 + 0.3 * d); });
    }
}

// Fields laid in strips across the square, each with its crop, rows and a hedge between.
Canvas fields(const std::vector<RGB>& crops, bool rows, uint32_t seed) {
    Canvas c(kEdge);
    Rand r{seed};
    const int strips = 2 + int(r.next() * 2.0);
    std::vector<int> cuts{0};
    for (int s = 1; s < strips; ++s) cuts.push_back(int(kEdge * (s + r.from(-0.25, 0.25)) / strips));
    cuts.push_back(kEdge);
    for (int s = 0; s < strips; ++s) {
        const RGB crop = crops[size_t(r.next() * crops.size()) % crops.size()];
        const bool across = r.next() < 0.5;
        const double spacing = r.from(3.0, 5.0);
        for (int y = cuts[s]; y < cuts[s + 1]; ++y)
            for (int x = 0; x < kEdge; ++x) {
                const double n = wrapFbm(x, y, kEdge, 6, 4, seed + s) - 0.5;
                double shade = 1.0 + n * 0.22 + (hash32(x, y, seed) / 4294967295.0 - 0.5) * 0.06;
                if (rows) shade *= 0.9 + 0.1 * std::cos(2 * kPi * (across ? x : y) / spacing);
                c.at(x, y) = scale(crop, shade);
            }
        if (s > 0)
            for (int x = 0; x < kEdge; ++x) c.at(x, cuts[s]) = scale(kHedge, 0.9 + 0.2 * r.next());
    }
    hedges(c, seed + 99);
    return c;
}

Canvas woods(uint32_t seed) {
    Canvas c(kEdge, {34, 52, 28});
    Rand r{seed};
    for (int k = 0; k < 2600; ++k) {
        const double x = r.from(0, kEdge), y = r.from(0, kEdge), rad = r.from(2.0, 5.5);
        const RGB crown{r.from(38, 72), r.from(62, 98), r.from(28, 46)};
        c.disc(x, y, rad, [&](RGB, double d) {
            return scale(crown, 1.12 - 0.45 * d * d);  // lit crown, dark rim
        });
    }
    return c;
}

Canvas craters(RGB mud, int count, uint32_t seed, int edge = kEdge) {
    Canvas c(edge);
    mottle(c, mud, 0.35, 8, seed);
    Rand r{seed + 1};
    for (int k = 0; k < count; ++k) {
        const double x = r.from(0, edge), y = r.from(0, edge), rad = r.from(2.0, 9.0) * (r.next() < 0.1 ? 1.8 : 1.0);
        const bool water = r.next() < 0.25;
        c.disc(x, y, rad * 1.35, [&](RGB under, double d) { return d > 0.74 ? mix(under, RGB{150, 132, 104}, 0.55) : under; });
        c.disc(x, y, rad, [&](RGB, double d) {
            if (water && d < 0.6) return RGB{62, 72, 70};
            return scale(mud, 0.55 + 0.35 * d);
        });
    }
    return c;
}

Canvas trenches(uint32_t seed) {
    Canvas c = craters({104, 90, 72}, 1000, seed, 2 * kEdge);
    auto trench = [&](bool alongV, double base, double tooth, uint32_t s) {
        for (int t = 0; t < 2 * kEdge; ++t) {
            const int phase = (t / 8) % 2;  // fire bays and traverses
            const double off = base + (phase ? tooth : 0.0) + (wrapNoise(t / 32.0, 0.5, 8, s) - 0.5) * 14.0;
            for (int w = -2; w <= 3; ++w) {
                const int x = alongV ? int(off) + w : t, y = alongV ? t : int(off) + w;
                c.at(x, y) = w <= 1 ? RGB{40, 36, 32} : RGB{160, 148, 120};  // the cut, then the parapet
            }
            if (t % 3 == 0) c.at(alongV ? int(off) - 9 : t, alongV ? t : int(off) - 9) = RGB{120, 120, 118};  // wire
        }
    };
    trench(true, 70, 5, seed + 5);
    trench(true, 150, -5, seed + 6);
    trench(true, 330, 5, seed + 8);
    trench(false, 200, 4, seed + 7);
    trench(false, 420, -4, seed + 9);
    return c;
}

Canvas houses(bool town, uint32_t seed) {
    Canvas c(kEdge);
    Rand r{seed};
    if (town) {
        // Blocks of uneven size that still tile: houses round each block, yards inside.
        mottle(c, {116, 112, 104}, 0.12, 8, seed);
        auto cuts = [&]() {
            std::vector<int> v{0};
            double w[7], sum = 0;
            for (double& x : w) sum += x = r.from(0.7, 1.3);
            double at = 0;
            for (double x : w) v.push_back(int(at += x / sum * kEdge));
            v.back() = kEdge;
            return v;
        };
        const std::vector<int> xs = cuts(), ys = cuts();
        for (size_t by = 0; by + 1 < ys.size(); ++by)
            for (size_t bx = 0; bx + 1 < xs.size(); ++bx) {
                const int x0 = xs[bx] + 3, x1 = xs[bx + 1] - 1, y0 = ys[by] + 3, y1 = ys[by + 1] - 1;
                if (r.next() < 0.1) {  // a square or a park
                    c.rect(x0, y0, x1 - x0, y1 - y0, r.next() < 0.5 ? RGB{88, 118, 62} : RGB{152, 146, 132});
                    continue;
                }
                c.rect(x0, y0, x1 - x0, y1 - y0, r.next() < 0.5 ? RGB{104, 112, 84} : RGB{128, 122, 110});
                auto roofs = [&](int x, int y, int w, int h, bool alongX) {
                    for (int s = 0; s < (alongX ? w : h);) {
                        const int len = 3 + int(r.next() * 4);
                        const RGB roof = r.next() < 0.55 ? RGB{r.from(118, 152), r.from(70, 88), r.from(56, 68)}
                                                         : RGB{r.from(80, 98), r.from(82, 98), r.from(90, 106)};
                        const int l = std::min(len, (alongX ? w : h) - s);
                        if (alongX) c.rect(x + s, y, l, h, roof); else c.rect(x, y + s, w, l, roof);
                        s += len;
                    }
                };
                const int d = 5;
                roofs(x0, y0, x1 - x0, d, true);
                roofs(x0, y1 - d, x1 - x0, d, true);
                roofs(x0, y0 + d, d, y1 - y0 - 2 * d, false);
                roofs(x1 - d, y0 + d, d, y1 - y0 - 2 * d, false);
            }
        return c;
    }
    // A village: orchards and gardens round a crossroads, a church by the street.
    mottle(c, {96, 124, 62}, 0.25, 6, seed);
    for (int k = 0; k < 40; ++k)
        c.disc(r.from(20, 236), r.from(20, 236), r.from(1.8, 3.0), [](RGB, double d) { return RGB{52 + 20 * d, 82 + 10 * d, 38}; });
    for (int t = 0; t < kEdge; ++t)
        for (int w = -2; w <= 2; ++w) {
            c.at(t, 128 + w) = {168, 158, 136};
            c.at(128 + w, t) = {168, 158, 136};
        }
    for (int k = 0; k < 22; ++k) {
        const bool alongX = r.next() < 0.5;
        const double along = r.from(40, 216), side = (r.next() < 0.5 ? -1 : 1) * r.from(6, 14);
        const int w = alongX ? 6 + int(r.next() * 4) : 4, h = alongX ? 4 : 6 + int(r.next() * 4);
        const int x = alongX ? int(along) : int(128 + side), y = alongX ? int(128 + side) : int(along);
        const RGB roof = r.next() < 0.7 ? RGB{r.from(135, 170), r.from(62, 82), r.from(46, 60)} : RGB{86, 88, 96};
        c.rect(x + 1, y + 1, w, h, {60, 64, 44});
        c.rect(x, y, w, h, roof);
    }
    c.rect(138, 140, 16, 7, {150, 146, 138});  // the church's nave and tower
    c.rect(150, 138, 6, 11, {120, 118, 112});
    hedges(c, seed + 1);
    return c;
}

double chalkCover(double n) {
    const double t = std::clamp((n - 0.58) / 0.12, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Canvas chalk(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 4, 5, seed);
            const double fine = hash32(x, y, seed) / 4294967295.0 - 0.5;
            RGB grass = scale(RGB{138, 150, 98}, 1.0 + (n - 0.5) * 0.25 + fine * 0.06);
            c.at(x, y) = mix(grass, RGB{212, 206, 186}, chalkCover(n));
        }
    return c;
}

Canvas marsh(uint32_t seed) {
    Canvas c(kEdge);
    mottle(c, {92, 108, 66}, 0.3, 6, seed);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 5, 4, seed + 9);
            if (n > 0.6) c.at(x, y) = mix(c.at(x, y), RGB{58, 80, 86}, (n - 0.6) * 8.0);
        }
    return c;
}

Canvas water(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 4, 4, seed);
            const double ripple = 0.04 * std::sin(2 * kPi * (y / 6.0 + n * 3.0));
            c.at(x, y) = scale(RGB{50, 74, 84}, 0.92 + (n - 0.5) * 0.2 + ripple);
        }
    return c;
}

// A road piece over the key colour: a straight along V through u = 900/1760, or the bend round
// the high-X, low-V corner at 900 ft, lined with trees.
Canvas roadPiece(bool bend, uint32_t seed) {
    Canvas c(kEdge, {100, 106, 70});  // the key colour: olive, so filtered edges stay earthy
    for (double& a : c.Alpha) a = 0.0;
    const double ft = world::kSquareFeet / kEdge;  // ft a texel
    for (int py = 0; py < kEdge; ++py)
        for (int px = 0; px < kEdge; ++px) {
            const double u = (px + 0.5) * ft, v = (kEdge - py - 0.5) * ft;  // ft; the loader puts the bottom row first
            double across, along;
            if (bend) {
                const double d = std::hypot(world::kSquareFeet - u, v);
                across = d - 900.0;
                along = std::atan2(v, world::kSquareFeet - u) * 900.0;
            } else {
                across = u - 900.0;
                along = v;
            }
            const double a = std::fabs(across);
            if (a < 36.0) {  // the road runs 864..936 ft across the square
                const double rut = (a > 10 && a < 16) ? 0.88 : 1.0;
                const double n = hash32(px, py, seed) / 4294967295.0 - 0.5;
                c.at(px, py) = scale(RGB{172, 162, 140}, rut * (1.0 + n * 0.1));
                c.alpha(px, py) = 1.0;
            } else if (a > 44.0 && a < 60.0) {  // poplars every 40 ft along the verges
                const double m = std::fmod(along + 4000.0, 40.0);
                if (std::hypot(m - 20.0, a - 52.0) < 7.0) {
                    c.at(px, py) = RGB{44, 66, 34};
                    c.alpha(px, py) = 1.0;
                }
            }
        }
    return c;
}

Canvas detail(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 16, 3, seed) - 0.5;
            const double fine = hash32(x, y, seed) / 4294967295.0 - 0.5;
            const double g = 128.0 * (1.0 + n * 0.35 + fine * 0.18);
            c.at(x, y) = {g, g, g};
        }
    return c;
}

Canvas sky(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 3, 4, seed);  // faint high haze
            const double g = 234.0 + 21.0 * std::clamp((n - 0.35) * 2.0, 0.0, 1.0);
            c.at(x, y) = {g, g, g};
        }
    return c;
}

Canvas sun() {
    Canvas c(128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const double d = std::hypot(x + 0.5 - 64, y + 0.5 - 64) / 64.0;
            const double core = d < 0.12 ? 1.0 : std::exp(-(d - 0.12) * 9.0) * 0.75;
            const double glow = std::clamp(core * (1.0 - d), 0.0, 1.0);
            c.at(x, y) = {255 * glow, 248 * glow, 225 * glow};
        }
    return c;
}

Canvas cloud(int edge, bool puff, bool deck, uint32_t seed) {
    Canvas c(edge);
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x) {
            const double n = wrapFbm(x, y, edge, puff ? 4 : 6, 5, seed);
            double a;
            if (puff) {
                const double d = std::hypot(x + 0.5 - edge / 2.0, y + 0.5 - edge / 2.0) / (edge / 2.0);
                a = std::clamp((1.0 - d) * 1.6 * (0.55 + 0.8 * n) - 0.12, 0.0, 1.0);
            } else if (deck) {
                a = std::clamp(0.86 + (n - 0.5) * 0.4, 0.0, 1.0);
            } else {
                a = std::clamp((n - 0.47) * 5.0, 0.0, 1.0);
            }
            const double lit = puff ? 0.80 + 0.2 * (1.0 - double(y) / edge) : 0.84 + (n - 0.5) * 0.3;
            const double g = 255.0 * std::clamp(lit, 0.0, 1.0);
            c.at(x, y) = {g, g, g * 1.02};
            c.alpha(x, y) = a;
        }
    return c;
}

}  // namespace

std::vector<NamedTexture> generateTextures(uint32_t seed) {
    using namespace world;
    std::vector<NamedTexture> out;
    auto add = [&](const std::string& name, const Canvas& c, bool mask = false) { out.push_back({name, c.image(), mask}); };
    const RGB ripe{188, 168, 96}, green{128, 142, 70}, stubble{172, 160, 112}, clover{104, 132, 66};
    const RGB soil{116, 93, 68}, wetSoil{98, 80, 62}, beet{72, 104, 50}, pasture{98, 130, 64};
    Canvas grass(kEdge);
    mottle(grass, pasture, 0.28, 6, seed + 40);
    for (int k = 0; k < 9; ++k) {  // a few field trees
        Rand r{seed + 41 + uint32_t(k)};
        grass.disc(r.from(10, 246), r.from(10, 246), r.from(2.5, 4.0), [](RGB, double d) { return RGB{46 + 20 * d, 72 + 14 * d, 36}; });
    }
    hedges(grass, seed + 42);

    std::vector<Canvas> ground;
    ground.push_back(water(seed + 1));
    ground.push_back(fields({ripe, green, stubble, ripe}, true, seed + 2));
    ground.push_back(woods(seed + 3));
    ground.push_back(grass);
    ground.push_back(fields({soil, wetSoil, soil}, true, seed + 5));
    ground.push_back(chalk(seed + 6));
    ground.push_back(houses(false, seed + 7));
    ground.push_back(houses(true, seed + 8));
    ground.push_back(craters({106, 92, 72}, 1500, seed + 9, 2 * kEdge));
    ground.push_back(trenches(seed + 10));
    ground.push_back(marsh(seed + 11));
    ground.push_back(fields({beet, clover, green}, true, seed + 12));
    for (int k = 0; k < kGroundCodes; ++k) add(kGroundTextureNames[k], ground[k]);
    add(kRoadStraightTexture, roadPiece(false, seed + 20));
    add(kRoadBendTexture, roadPiece(true, seed + 21));
    add(kDetailTexture, detail(seed + 22));
    add("SkyDome", sky(seed + 30));
    add("SkySun", sun());
    add("CloudPuffB", cloud(128, true, false, seed + 31), true);
    add("CloudDeckB", cloud(256, false, true, seed + 32), true);
    add("CloudScatterB", cloud(256, false, false, seed + 33), true);
    return out;
}

}  // namespace pellam::worldgen
