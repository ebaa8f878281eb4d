// The terrain, sky and cloud pictures. Each tiles seamlessly where the terrain repeats it; the
// ground pictures span one 1760-ft square (about 6.9 ft a texel at 256), the shelled ground two.
//
// Index: canvas and tiling noise · hedges and fields · woods · craters and trenches · towns and
// villages · chalk, marsh, water · road pieces · detail · sky, sun, clouds · the list of pictures.
#include <algorithm>
#include <cmath>
#include <functional>

#include "core/Constants.h"
#include "tools/worldgen/WorldGen.h"
#include "world/WorldGrid.h"

namespace pellam::worldgen {

namespace {

constexpr int kEdge = 256;

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

const RGB kHedge{50, 66, 38};
const RGB kLane{148, 136, 110};

// Dark tree crowns, lit on the sun's side: a hedgerow tree, a copse, an orchard.
void tree(Canvas& c, double x, double y, double r, RGB crown) {
    c.disc(x + r * 0.45, y + r * 0.45, r, [](RGB under, double d) { return mix(under, RGB{40, 44, 30}, 0.55 * (1.0 - d)); });
    c.disc(x, y, r, [&](RGB, double d) { return scale(crown, 1.1 - 0.4 * d * d); });
}

// A hedgerow from (x0, y0) to (x1, y1), ragged, with trees standing in it here and there.
void hedgeLine(Canvas& c, double x0, double y0, double x1, double y1, Rand& r) {
    const double len = std::hypot(x1 - x0, y1 - y0);
    for (double t = 0; t <= len; t += 0.5) {
        const double x = x0 + (x1 - x0) * t / len, y = y0 + (y1 - y0) * t / len;
        if (x < 0 || y < 0 || x > c.Edge || y > c.Edge) continue;  // no wrapping round to the far side
        c.disc(x, y, 1.0 + 0.5 * r.next(), [&](RGB, double) { return scale(kHedge, 0.85 + 0.3 * r.next()); });
        if (r.next() < 0.025) tree(c, x, y, r.from(2.0, 3.4), {r.from(44, 62), r.from(62, 82), r.from(34, 44)});
    }
}

// The crops of a summer in Picardy and Flanders: colour, and the strength and spacing (texels) of
// the drill rows or furrows seen from above.
struct Crop {
    RGB Colour;
    double Rows, Spacing;
};
const Crop kWheat{{172, 154, 98}, 0.05, 2.4}, kOats{{140, 140, 88}, 0.06, 2.4}, kStubble{{166, 154, 118}, 0.08, 3.0},
    kPlough{{124, 100, 76}, 0.14, 2.2}, kHarrowed{{138, 116, 88}, 0.06, 3.0}, kBeet{{88, 104, 64}, 0.16, 3.2},
    kClover{{104, 118, 72}, 0.05, 5.0}, kHay{{136, 138, 94}, 0.07, 7.0}, kMeadow{{98, 116, 70}, 0.0, 4.0},
    kPotato{{96, 106, 68}, 0.18, 2.8}, kChalkSoil{{158, 148, 126}, 0.12, 2.4}, kDownGrass{{128, 132, 96}, 0.0, 4.0};

// A square of farmland: two to four blocks parted by lanes or hedges, each laid out in long
// strips of different crops whose rows run the block's way. `crops` weights the crops by
// repeating them, so that every field picture shares the same palette and neighbouring squares of
// different codes run on into one patchwork instead of a checkerboard.
Canvas fields(const std::vector<Crop>& crops, uint32_t seed, bool trees = true) {
    Canvas c(kEdge);
    Rand r{seed};
    // Block boundaries: a line across the square nearly along one axis, mostly another along the other.
    struct Line {
        double X, Y, DX, DY;  // a point and the direction
        double side(double x, double y) const { return (x - X) * DY - (y - Y) * DX; }
    };
    const bool firstAlongX = r.next() < 0.5;
    const double a1 = r.from(-0.2, 0.2), a2 = r.from(-0.25, 0.25);
    const Line l1 = firstAlongX ? Line{0, r.from(70, 186), std::cos(a1), std::sin(a1)} : Line{r.from(70, 186), 0, std::sin(a1), std::cos(a1)};
    const Line l2 = firstAlongX ? Line{r.from(60, 196), 0, std::sin(a2), std::cos(a2)} : Line{0, r.from(60, 196), std::cos(a2), std::sin(a2)};
    const bool secondCut = r.next() < 0.7;
    // Each block is laid in strips across, and each strip cut along into fields of their own crop.
    struct Strip {
        std::vector<double> Along;       // where each field of the strip starts, texels from the centre
        std::vector<const Crop*> Crops;
    };
    struct Block {
        double Angle;
        std::vector<double> From;        // where each strip starts across, texels from the centre
        std::vector<Strip> Strips;
    };
    Block blocks[4];
    const Crop* last = nullptr;
    for (Block& k : blocks) {
        k.Angle = (r.next() < 0.5 ? 0.0 : kPi / 2) + r.from(-0.22, 0.22);
        for (double s = -200.0; s < 200.0; s += r.from(16.0, 56.0)) {
            Strip strip;
            for (double t = -200.0; t < 200.0; t += r.from(50.0, 260.0)) {
                const Crop* crop;
                do crop = &crops[size_t(r.next() * crops.size()) % crops.size()];
                while (crop == last && crops.size() > 1);
                strip.Along.push_back(t);
                strip.Crops.push_back(crop);
                last = crop;
            }
            k.From.push_back(s);
            k.Strips.push_back(std::move(strip));
        }
    }
    auto before = [](const std::vector<double>& cuts, double v) {
        return size_t(std::max<ptrdiff_t>(std::upper_bound(cuts.begin(), cuts.end(), v) - cuts.begin() - 1, 0));
    };
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const int b = (l1.side(x, y) > 0 ? 1 : 0) + (secondCut && l2.side(x, y) > 0 ? 2 : 0);
            const Block& k = blocks[b];
            const double ca = std::cos(k.Angle), sa = std::sin(k.Angle);
            const double across = -(x - 128.0) * sa + (y - 128.0) * ca, along = (x - 128.0) * ca + (y - 128.0) * sa;
            const size_t s = before(k.From, across);
            const Strip& strip = k.Strips[s];
            const size_t f = before(strip.Along, along);
            const Crop& crop = *strip.Crops[f];
            const double n = wrapFbm(x, y, kEdge, 5, 4, seed + uint32_t(s * 13 + f) * 7u) - 0.5;
            double shade = 1.0 + n * 0.18 + (hash32(x, y, seed) / 4294967295.0 - 0.5) * 0.07;
            shade *= 1.0 - crop.Rows + crop.Rows * 2.0 * (0.5 + 0.5 * std::cos(2 * kPi * across / crop.Spacing));
            // A baulk of rough grass round each field.
            const double edge = std::min({across - k.From[s], s + 1 < k.From.size() ? k.From[s + 1] - across : 99.0,
                                          along - strip.Along[f], f + 1 < strip.Along.size() ? strip.Along[f + 1] - along : 99.0});
            RGB colour = scale(crop.Colour, shade);
            if (edge < 0.8) colour = mix(colour, RGB{112, 122, 78}, 0.6);
            c.at(x, y) = colour;
        }
    // The block boundaries: a lane with a hedge beside it, or a hedge alone.
    auto boundary = [&](const Line& l, bool lane) {
        const double x0 = l.X - l.DX * 40, y0 = l.Y - l.DY * 40, x1 = l.X + l.DX * 300, y1 = l.Y + l.DY * 300;
        if (lane) {
            const double len = std::hypot(x1 - x0, y1 - y0);
            for (double t = 0; t <= len; t += 0.5) {
                const double x = x0 + (x1 - x0) * t / len, y = y0 + (y1 - y0) * t / len;
                if (x < 0 || y < 0 || x > kEdge || y > kEdge) continue;
                c.disc(x, y, 1.6, [&](RGB, double d) { return scale(kLane, (d > 0.5 ? 0.92 : 1.0) * (0.95 + 0.1 * r.next())); });
            }
        }
        if (!lane || r.next() < 0.6) {
            const double off = lane ? 2.8 : 0.0;
            hedgeLine(c, x0 + l.DY * off, y0 - l.DX * off, x1 + l.DY * off, y1 - l.DX * off, r);
        }
    };
    boundary(l1, r.next() < 0.45);
    if (secondCut) boundary(l2, r.next() < 0.25);
    // Broken hedgerows along two sides of the square; the other two belong to the neighbours.
    for (int side = 0; side < 2; ++side) {
        if (r.next() > 0.5) continue;
        const double from = r.from(0, 140), to = r.from(from + 60, kEdge);
        if (side) hedgeLine(c, from, 0.5, to, 0.5, r); else hedgeLine(c, 0.5, from, 0.5, to, r);
    }
    if (trees) {
        for (int k = int(r.next() * 4); k > 0; --k)  // field trees
            tree(c, r.from(8, 248), r.from(8, 248), r.from(2.0, 3.4), {r.from(46, 62), r.from(64, 84), r.from(34, 44)});
    }
    return c;
}

// Woodland that tiles: crowns of oak, beech and hornbeam, each with its shadow, in stands of
// lighter and darker trees, with a straight ride along one edge.
Canvas woods(uint32_t seed) {
    Canvas c(kEdge);
    mottle(c, {34, 42, 28}, 0.3, 6, seed + 2);
    Rand r{seed};
    for (int k = 0; k < 2600; ++k) {
        const double x = r.from(0, kEdge), y = r.from(0, kEdge);
        const double stand = wrapFbm(int(x), int(y), kEdge, 3, 3, seed + 5);
        const RGB crown = scale(RGB{r.from(58, 74), r.from(72, 88), r.from(40, 50)}, 0.75 + 0.55 * stand);
        tree(c, x, y, r.from(2.2, 4.6), crown);
    }
    for (int k = 0; k < kEdge; ++k)
        for (int w = -1; w <= 1; ++w) c.at(k, w) = mix(c.at(k, w), RGB{92, 100, 68}, w == 0 ? 0.8 : 0.4);
    return c;
}

// Shell-torn ground: craters of every size overlapping on churned grey-brown mud, the fresh ones
// ringed with thrown-up subsoil, pools in the deepest.
Canvas craters(RGB mud, int count, uint32_t seed, int edge = kEdge) {
    Canvas c(edge);
    mottle(c, mud, 0.35, 10, seed);
    Rand r{seed + 1};
    for (int k = 0; k < count; ++k) {
        const double x = r.from(0, edge), y = r.from(0, edge);
        const double rad = r.next() < 0.9 ? r.from(1.2, 3.5) : r.from(4.0, 8.0);
        const bool water = rad > 2.5 && r.next() < 0.18;
        const double fresh = r.next();
        c.disc(x, y, rad * 1.5, [&](RGB under, double d) { return d > 0.66 ? mix(under, RGB{150, 136, 112}, 0.45 * fresh) : under; });
        c.disc(x, y, rad, [&](RGB under, double d) {
            if (water && d < 0.5) return mix(RGB{74, 82, 80}, RGB{120, 128, 128}, r.next() * 0.3);
            return mix(under, scale(mud, 0.62 + 0.3 * d), 0.7);
        });
    }
    return c;
}

// The trench lines: fire trenches of bays and traverses, a support line behind, communication
// trenches zig-zagging back across them, belts of wire in front, on ground beaten to craters. The
// chalk thrown up from the trenches shows pale along them. `held` 1 draws the lines in use; less
// draws the same lines caved in and half filled, so that the shelled ground on either side, which
// lies on the same two-square tiles, carries them on where the trench squares end.
Canvas trenches(uint32_t seed, double held) {
    const int e = 2 * kEdge;
    Canvas c = craters({96, 90, 82}, 5600, seed, e);
    const RGB cut{40, 36, 32}, spoil{178, 170, 150};
    Rand r{seed + 9};
    auto dig = [&](double x, double y, double w) {
        c.disc(x - 1.2, y, w + 1.4, [&](RGB under, double) { return mix(under, spoil, 0.75 * held); });
        c.disc(x, y, w, [&](RGB under, double) { return mix(under, cut, held); });
    };
    // A line along the picture's V: bays of 8 texels stepping 3 across at each traverse, its wire
    // `wire` texels towards low U (negative: towards high U), facing the other side's lines.
    auto fireTrench = [&](double base, double wander, double wire, uint32_t s) {
        for (double t = 0; t < e; t += 0.5) {
            const double bay = std::fmod(t, 16.0) < 8.0 ? 0.0 : 3.0;
            const double off = base + bay + (wrapNoise(t / 64.0, 0.5, e / 64, s) - 0.5) * wander;
            dig(off, t, 0.9);
            for (int k = 0; wire != 0 && k < 2; ++k) {  // a belt of wire, stakes and coils, dark from above
                const double w = off - wire - (wire > 0 ? 1 : -1) * r.from(0, 9);  // drawn or not, the same stream
                if (held > 0.9) c.disc(w, t, 0.8, [&](RGB under, double) { return mix(under, RGB{56, 54, 52}, 0.55); });
            }
        }
    };
    fireTrench(110, 36, -16, seed + 5);
    fireTrench(140, 36, 0, seed + 6);
    fireTrench(350, 50, 18, seed + 7);
    fireTrench(385, 40, 0, seed + 8);
    // Communication trenches back across the picture: zig-zags of 10 texels.
    for (int k = 0; k < 6; ++k) {
        double y = r.from(0, e), x = r.from(0, e);
        const double heading = r.from(-0.5, 0.5) + (r.next() < 0.5 ? kPi : 0.0);
        for (int step = 0; step < 26; ++step) {
            const double a = heading + (step % 2 ? 0.6 : -0.6) + r.from(-0.2, 0.2);
            for (int s = 0; s < 20; ++s) {
                dig(x, y, 0.7);
                x += std::cos(a) * 0.5;
                y += std::sin(a) * 0.5;
            }
        }
    }
    return c;
}

// Houses: a roof with its ridge along the street, shadow on the far side, tiles or slate.
RGB roofColour(Rand& r) {
    return r.next() < 0.88 ? RGB{r.from(116, 138), r.from(78, 90), r.from(66, 74)} : RGB{r.from(92, 100), r.from(92, 98), r.from(90, 96)};
}
void roof(Canvas& c, int x, int y, int w, int h, RGB tiles) {
    c.rect(x + 1, y + 1, w, h, {54, 56, 42});
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) {
            const bool lit = w >= h ? yy < y + h / 2 : xx < x + w / 2;  // one slope to the sun
            c.at(xx, yy) = scale(tiles, lit ? 1.08 : 0.82);
        }
}
void roof(Canvas& c, int x, int y, int w, int h, Rand& r) { roof(c, x, y, w, h, roofColour(r)); }

Canvas houses(bool town, uint32_t seed) {
    Rand r{seed};
    if (town) {
        // Blocks of uneven size that still tile: terraces of roofs round each block, yards inside.
        Canvas c(kEdge);
        mottle(c, {128, 122, 110}, 0.12, 8, seed);  // the streets
        auto cuts = [&]() {
            std::vector<int> v{0};
            double w[6], sum = 0;
            for (double& x : w) sum += x = r.from(0.5, 1.5);
            double at = 0;
            for (double x : w) v.push_back(int(at += x / sum * kEdge));
            v.back() = kEdge;
            return v;
        };
        const std::vector<int> xs = cuts(), ys = cuts();
        // Smoke and dust of a town near the line dull its colours.
        auto dull = [](Canvas& k) {
            for (RGB& p : k.Colour) p = mix(p, RGB{110, 106, 98}, 0.3);
        };
        for (size_t by = 0; by + 1 < ys.size(); ++by)
            for (size_t bx = 0; bx + 1 < xs.size(); ++bx) {
                const int x0 = xs[bx] + 4, x1 = xs[bx + 1] - 1, y0 = ys[by] + 4, y1 = ys[by + 1] - 1;
                const double kind = r.next();
                if (kind < 0.08) {  // a square or a park
                    c.rect(x0, y0, x1 - x0, y1 - y0, r.next() < 0.5 ? RGB{82, 98, 62} : RGB{138, 132, 118});
                    if (r.next() < 0.6)
                        for (int k = 0; k < 10; ++k) tree(c, r.from(x0, x1), r.from(y0, y1), 2.5, {50, 72, 40});
                    continue;
                }
                if (kind < 0.14) {  // a mill or a works: long grey roofs side by side
                    for (int s = x0; s + 4 < x1; s += 6) roof(c, s, y0, 5, y1 - y0, RGB{r.from(92, 102), 94, 96});
                    continue;
                }
                // Terraces round the block in the block's own tiles, sheds and yards behind.
                const RGB tiles = roofColour(r);
                auto house = [&](int x, int y, int w, int h) { roof(c, x, y, w, h, scale(tiles, r.from(0.9, 1.1))); };
                c.rect(x0, y0, x1 - x0, y1 - y0, r.next() < 0.4 ? RGB{88, 96, 70} : RGB{104, 98, 86});
                for (int k = 0; k < (x1 - x0) * (y1 - y0) / 40; ++k)
                    house(int(r.from(x0 + 8, x1 - 12)), int(r.from(y0 + 8, y1 - 12)), 2 + int(r.next() * 4), 2 + int(r.next() * 4));
                const int d = 7;
                for (int s = x0; s < x1 - 2;) {
                    const int len = std::min(3 + int(r.next() * 5), x1 - s);
                    house(s, y0, len, d);
                    house(s, y1 - d, len, d);
                    s += len;
                }
                for (int s = y0 + d; s < y1 - d - 2;) {
                    const int len = std::min(3 + int(r.next() * 5), y1 - d - s);
                    house(x0, s, d, len);
                    house(x1 - d, s, d, len);
                    s += len;
                }
            }
        dull(c);
        return c;
    }
    // A village: fields round the edge, then orchards and gardens, and the houses and farmyards
    // along the two streets that cross at the church, where the roads through the square run.
    Canvas c = fields({kWheat, kOats, kMeadow, kClover, kPlough, kBeet}, seed + 3, false);
    const double mid = 128.0;
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {  // gardens and closes round the houses
            const double ax = std::fabs(x - mid), ay = std::fabs(y - mid);
            const double d = std::min(std::hypot(ax * 0.35, ay), std::hypot(ax, ay * 0.35));  // along the streets
            const double n = wrapFbm(x, y, kEdge, 6, 3, seed + 4);
            if (d < 26 + 22 * n) c.at(x, y) = scale(RGB{100, 108, 74}, 0.9 + 0.25 * n);
        }
    for (int k = 0; k < 70; ++k) {  // orchards
        const bool alongX = r.next() < 0.5;
        const double along = r.from(-70, 70), side = (r.next() < 0.5 ? -1 : 1) * r.from(16, 30);
        tree(c, mid + (alongX ? along : side), mid + (alongX ? side : along), r.from(1.8, 2.8), {r.from(52, 66), r.from(76, 92), r.from(38, 46)});
    }
    for (int t = 0; t < kEdge; ++t)
        for (int w = -2; w <= 2; ++w) {
            c.at(t, int(mid) + w) = kLane;
            c.at(int(mid) + w, t) = kLane;
        }
    // Houses along the streets, thickest near the crossing; farmyards set back behind them.
    for (int street = 0; street < 2; ++street)
        for (int side = -1; side <= 1; side += 2)
            for (double along = r.from(-100, -80); along < r.from(80, 100);) {
                const double crowd = 1.0 - std::fabs(along) / 110.0;
                if (r.next() < 0.6 + 0.4 * crowd) {
                    const int len = 4 + int(r.next() * 5), depth = 5 + int(r.next() * 2);
                    const int setback = 4 + int(r.next() * 1.5);
                    const int a0 = int(mid + along), s0 = side < 0 ? int(mid) - setback - depth : int(mid) + setback;
                    if (std::fabs(along) > 10) {
                        if (street == 0) roof(c, a0, s0, len, depth, r); else roof(c, s0, a0, depth, len, r);
                        if (r.next() < 0.35) {  // a farm round its yard behind the house
                            const int back = side < 0 ? s0 - 16 : s0 + depth + 2;
                            if (street == 0) {
                                roof(c, a0, back, 5, 14, r);
                                roof(c, a0 + 10, back, 5, 14, r);
                                c.rect(a0 + 5, back + 1, 5, 12, {124, 110, 86});
                            } else {
                                roof(c, back, a0, 14, 5, r);
                                roof(c, back, a0 + 10, 14, 5, r);
                                c.rect(back + 1, a0 + 5, 12, 5, {124, 110, 86});
                            }
                        }
                    }
                    along += len + (r.next() < 0.6 ? 0 : 2);
                } else {
                    along += 4 + r.next() * 8;
                }
            }
    // The church by the crossing: grey slate nave and its tower, the churchyard round it.
    c.rect(136, 134, 26, 16, {100, 112, 76});
    c.rect(139, 138, 18, 8, {96, 98, 106});
    c.rect(139, 141, 18, 5, {74, 76, 84});
    c.rect(155, 137, 6, 10, {118, 118, 116});
    return c;
}

// The chalk downs of Picardy and Champagne: fields on pale chalky soil, and rough grass with the
// chalk showing through on the steeper ground.
Canvas chalk(uint32_t seed) {
    Canvas c = fields({kChalkSoil, kChalkSoil, kDownGrass, kDownGrass, kWheat, kStubble, kOats}, seed);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 4, 5, seed + 2);
            const double t = std::clamp((n - 0.62) / 0.1, 0.0, 1.0);
            c.at(x, y) = mix(c.at(x, y), RGB{190, 184, 164}, 0.35 * t * t * (3 - 2 * t));
        }
    return c;
}

Canvas marsh(uint32_t seed) {
    Canvas c(kEdge);
    mottle(c, {88, 102, 66}, 0.3, 6, seed);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 5, 4, seed + 9);
            if (n > 0.6) c.at(x, y) = mix(c.at(x, y), RGB{58, 78, 84}, (n - 0.6) * 8.0);
        }
    Rand r{seed + 1};
    for (int k = 0; k < 40; ++k)  // pollard willows along the ditches
        tree(c, r.from(0, kEdge), r.from(0, kEdge), r.from(1.6, 2.4), {74, 92, 60});
    return c;
}

Canvas water(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double n = wrapFbm(x, y, kEdge, 4, 4, seed);
            const double ripple = 0.04 * std::sin(2 * kPi * (y / 6.0 + n * 3.0));
            c.at(x, y) = scale(RGB{50, 70, 78}, 0.92 + (n - 0.5) * 0.2 + ripple);
        }
    return c;
}

// A road piece over the key colour: a straight along V through the middle of the square, or the
// bend round the high-X, low-V corner at half a square, so that pieces meet at the middles of the
// edges. The metalled way is about 24 ft, with beaten earth verges and a line of trees on each side.
Canvas roadPiece(bool bend, uint32_t seed) {
    Canvas c(kEdge, {100, 106, 70});  // the key colour: olive, so filtered edges stay earthy
    for (double& a : c.Alpha) a = 0.0;
    const double ft = world::kSquareFeet / kEdge;  // ft a texel
    const double middle = world::kSquareFeet / 2;
    for (int py = 0; py < kEdge; ++py)
        for (int px = 0; px < kEdge; ++px) {
            const double u = (px + 0.5) * ft, v = (kEdge - py - 0.5) * ft;  // ft; the loader puts the bottom row first
            double across, along;
            if (bend) {
                const double d = std::hypot(world::kSquareFeet - u, v);
                across = d - middle;
                along = std::atan2(v, world::kSquareFeet - u) * middle;
            } else {
                across = u - middle;
                along = v;
            }
            const double a = std::fabs(across);
            const double n = hash32(px, py, seed) / 4294967295.0 - 0.5;
            const double dust = wrapNoise(along / 120.0 + 3.0, across / 30.0, 64, seed + 1) - 0.5;
            if (a < 13.0) {  // the metalled way, worn darker in the wheel tracks
                const double rut = (a > 4 && a < 8) ? 0.9 : 1.0;
                c.at(px, py) = scale(RGB{142, 132, 112}, rut * (1.0 + n * 0.08 + dust * 0.12));
                c.alpha(px, py) = 1.0;
            } else if (a < 38.0) {  // verges of trodden earth and grass
                c.at(px, py) = scale(mix(RGB{126, 116, 90}, RGB{104, 112, 74}, (a - 13.0) / 25.0), 1.0 + n * 0.1 + dust * 0.15);
                c.alpha(px, py) = 1.0;
            } else if (a < 64.0) {  // trees every 36 ft along the verges, their crowns touching
                const double m = std::fmod(along + 3600.0, 36.0);
                const double d = std::hypot(m - 18.0, a - 50.0);
                if (d < 14.0) {
                    c.at(px, py) = scale(RGB{50, 68, 40}, 1.1 - 0.35 * (d / 14.0) * (d / 14.0));
                    c.alpha(px, py) = 1.0;
                }
            }
        }
    return c;
}

// The detail map laid over near ground, eight to a square: mid-grey is neutral. Clods, tufts and
// the light and shade of uneven ground at a few feet, over broader patches of tens of feet.
Canvas detail(uint32_t seed) {
    Canvas c(kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double broad = wrapFbm(x, y, kEdge, 3, 2, seed + 5) - 0.5;
            const double n = wrapFbm(x, y, kEdge, 16, 3, seed) - 0.5;
            const double tuft = wrapFbm(x, y, kEdge, 64, 2, seed + 9) - 0.5;
            const double fine = hash32(x, y, seed) / 4294967295.0 - 0.5;
            const double g = 128.0 * (1.0 + broad * 0.35 + n * 0.4 + tuft * 0.35 + fine * 0.16);
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
    // Every farmland code draws from the same crops, weighted to its own.
    Canvas grass = fields({kMeadow, kMeadow, kMeadow, kHay, kClover, kWheat, kOats}, seed + 40);
    std::vector<Canvas> ground;
    ground.push_back(water(seed + 1));
    ground.push_back(fields({kWheat, kWheat, kWheat, kOats, kOats, kStubble, kClover, kBeet, kPlough, kHay}, seed + 2));
    ground.push_back(woods(seed + 3));
    ground.push_back(grass);
    ground.push_back(fields({kPlough, kPlough, kPlough, kHarrowed, kHarrowed, kWheat, kStubble, kPotato, kMeadow}, seed + 5));
    ground.push_back(chalk(seed + 6));
    ground.push_back(houses(false, seed + 7));
    ground.push_back(houses(true, seed + 8));
    ground.push_back(trenches(seed + 10, 0.35));
    ground.push_back(trenches(seed + 10, 1.0));
    ground.push_back(marsh(seed + 11));
    ground.push_back(fields({kBeet, kBeet, kBeet, kPotato, kClover, kOats, kWheat, kHarrowed}, seed + 12));
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
