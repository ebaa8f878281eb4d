#include "tools/effectsart/StaticArt.h"

#include "tools/effectsart/ArtKit.h"

namespace pellam::effectsart {
namespace {

// ---- Planks: upright boards a foot wide (eight to the picture), grey with weather, each its
// own shade, with dark gaps, the grain running up them and a nail head where the rails are.
void paintPlanks(platform::RGBAImage& im) {
    const int n = 128, board = 16;
    blank(im, n);
    const Colour fresh = rgb8(132, 108, 78), grey = rgb8(146, 140, 126), gap = rgb8(38, 32, 26);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int b = x / board, bx = x % board;
            const float weather = lattice(b, 3, 211);
            const float grain = fractal(x * 0.5f, y * 0.04f + b * 5.0f, 213);
            Colour c = mix(fresh, grey, 0.35f + weather * 0.6f);
            c = mix(c, gap, (grain - 0.5f) * 0.5f);
            if (bx == 0 || bx == board - 1) c = mix(c, gap, 0.75f);  // the gap between boards
            if ((y % 64 == 10 || y % 64 == 11) && (bx == 4 || bx == 11)) c = rgb8(60, 52, 46);  // nail heads
            const float stain = fractal(x * 0.05f, y * 0.08f, 217);
            if (y > 100) c = mix(c, rgb8(70, 62, 48), (y - 100) / 40.0f * stain);  // splashed from the ground
            put(im, x, y, c);
        }
}

// ---- Limestone rubble in rough courses of uneven height, each stone its own width and tone,
// the mortar joints wandering, the stones' lower arrises shadowed.
void paintRubble(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    const Colour cream = rgb8(194, 182, 152), grey = rgb8(146, 142, 128), mortar = rgb8(200, 194, 176),
                 dark = rgb8(92, 86, 76);
    // Course tops: heights of 12 to 21 texels, the last course closing the picture so it tiles.
    int tops[12] = {0};
    int courses = 0;
    for (int y = 0; y < n && courses < 11; ++courses) {
        tops[courses] = y;
        y += 12 + int(lattice(courses, 7, 301) * 10);
    }
    tops[courses] = n;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float wobble = (fractal(x * 0.2f, y * 0.2f, 313) - 0.5f) * 3.0f;
            const float yy = y + wobble;
            int c = 0;
            while (c + 1 < courses && yy >= tops[c + 1]) ++c;
            const float cy = yy - tops[c], height = float(tops[c + 1] - tops[c]);
            // Stones along the course: widths of 14 to 34 texels, wrapping at the picture's edge.
            int stone = 0, left = int(lattice(c, 3, 303) * 20), width = 0;
            float xx = std::fmod(x + wobble + n - left, float(n));
            for (;; ++stone) {
                width = 14 + int(lattice(c, stone, 305) * 20);
                if (xx < width || stone > 12) break;
                xx -= width;
            }
            const float tone = lattice(stone, c, 307);
            const float pit = fractal(x * 0.35f, y * 0.35f, 311);
            Colour col = mix(cream, grey, tone * 0.8f + (pit - 0.5f) * 0.4f);
            const float edge = std::min({xx, width - 1 - xx, cy * 1.2f, (height - 1 - cy) * 1.2f});
            if (edge < 1.2f) col = mix(mortar, dark, pit * 0.3f);
            else if (cy > height - 3.5f) col = mix(col, dark, 0.35f);  // the stone's lower arris
            put(im, x, y, mix(col, dark, std::clamp((pit - 0.72f) * 1.5f, 0.0f, 0.4f)));
        }
}

// ---- Clay roof tiles in rows (the picture's rows run along the ridge), each row's lower edge
// shadowed, weathered unevenly and sooted here and there.
void paintTiles(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    const Colour clay = rgb8(166, 74, 46), pale = rgb8(186, 110, 76), shade = rgb8(74, 34, 24), soot = rgb8(70, 60, 54);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int row = y / 11, ry = y % 11;
            const int tile = (x + (row % 2) * 8) / 16, tx = (x + (row % 2) * 8) % 16;
            Colour c = mix(clay, pale, lattice(tile, row, 401) * 0.7f);
            const float bulge = std::sin(tx / 16.0f * 3.14159f);  // the tile's roll
            c = {c.r * (0.8f + 0.25f * bulge), c.g * (0.8f + 0.25f * bulge), c.b * (0.8f + 0.25f * bulge)};
            if (ry > 8) c = mix(c, shade, 0.7f);
            if (tx == 0) c = mix(c, shade, 0.5f);
            c = mix(c, soot, std::clamp((fractal(x * 0.04f, y * 0.04f, 409) - 0.55f) * 2.0f, 0.0f, 0.5f));
            put(im, x, y, c);
        }
}

// ---- A house front: rendered stone, windows with shutters, a door. `u0..u1`, `v0..v1` is the
// part of the picture it fills; openings are given in that part's own 0..1 units.
struct Opening {
    float u, width, v0, v1;
    bool door;
};
void paintFront(platform::RGBAImage& im, float v0, float v1, const std::vector<Opening>& openings, Colour render,
                uint32_t seed) {
    const int n = im.width;
    const Colour stone = rgb8(150, 140, 118), glass = rgb8(40, 46, 52), frame = rgb8(210, 206, 196),
                 shutter = rgb8(84, 104, 88), door = rgb8(96, 70, 48), sill = rgb8(170, 164, 150);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = (x + 0.5f) / n, vv = 1.0f - (y + 0.5f) / n;
            if (vv < v0 || vv > v1) continue;
            const float v = (vv - v0) / (v1 - v0);
            const float grain = fractal(x * 0.15f, y * 0.15f, seed);
            // Lime render fallen away in patches to show the rubble under it; damp at the foot.
            Colour c = mix(render, stone, std::clamp((fractal(x * 0.03f, y * 0.03f, seed + 5) - 0.6f) * 4.0f, 0.0f, 1.0f));
            c = mix(c, rgb8(90, 84, 70), (grain - 0.5f) * 0.3f + (v < 0.1f ? (0.1f - v) * 4.0f : 0.0f));
            for (const Opening& o : openings) {
                const float du = std::fabs(u - o.u), half = o.width / 2;
                if (v < o.v0 - 0.03f || v > o.v1 + 0.03f || du > half * 2.1f) continue;
                if (du <= half && v >= o.v0 && v <= o.v1) {
                    if (o.door) {
                        c = mix(door, rgb8(60, 44, 30), (x % 6 == 0) ? 0.6f : grain * 0.3f);  // boarded door
                    } else {
                        const bool bar = std::fabs(du) < half * 0.06f || std::fabs(v - (o.v0 + o.v1) / 2) < 0.02f;
                        c = bar ? frame : mix(glass, rgb8(90, 100, 110), grain * 0.5f);
                    }
                } else if (!o.door && du > half && du <= half * 2.05f && v >= o.v0 && v <= o.v1) {
                    c = mix(shutter, rgb8(50, 60, 52), (y % 5 == 0) ? 0.5f : grain * 0.3f);  // louvred shutters
                } else if (v < o.v0 && v >= o.v0 - 0.03f && du <= half * 1.2f) {
                    c = sill;
                } else if (du <= half * 1.1f) {
                    c = mix(c, sill, 0.6f);  // the dressed stone round the opening
                }
            }
            put(im, x, y, c);
        }
}

void paintStoneHouse(platform::RGBAImage& im) {
    blank(im, 256);
    const Colour render = rgb8(206, 196, 172);
    // The front (lower half): a door between two shuttered windows; the back: three windows.
    paintFront(im, 0.0f, 0.5f, {{0.18f, 0.12f, 0.35f, 0.7f, false}, {0.5f, 0.14f, 0.0f, 0.72f, true},
                               {0.82f, 0.12f, 0.35f, 0.7f, false}}, render, 503);
    paintFront(im, 0.505f, 1.0f, {{0.25f, 0.11f, 0.35f, 0.7f, false}, {0.5f, 0.11f, 0.35f, 0.7f, false},
                                 {0.75f, 0.11f, 0.35f, 0.7f, false}}, render, 507);
}

void paintLongHouse(platform::RGBAImage& im) {
    blank(im, 256);
    // Ochre render; a cart door and four windows along the street front.
    paintFront(im, 0.0f, 1.0f, {}, rgb8(200, 176, 132), 601);
    paintFront(im, 0.0f, 0.66f, {{0.1f, 0.07f, 0.35f, 0.72f, false}, {0.3f, 0.07f, 0.35f, 0.72f, false},
                                {0.5f, 0.12f, 0.0f, 0.8f, true}, {0.7f, 0.07f, 0.35f, 0.72f, false},
                                {0.9f, 0.07f, 0.35f, 0.72f, false}}, rgb8(200, 176, 132), 601);
}

// ---- Black and white checks, two of each to the picture, the paint chipped and dirtied.
void paintChecks(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const bool white = ((x / 64) + (y / 64)) % 2 == 0;
            const float wear = fractal(x * 0.1f, y * 0.1f, 701);
            Colour c = white ? mix(rgb8(236, 232, 220), rgb8(180, 176, 164), wear * 0.5f)
                             : mix(rgb8(24, 24, 26), rgb8(70, 68, 64), wear * 0.5f);
            if (wear > 0.78f) c = rgb8(120, 104, 84);  // chipped to the wood
            put(im, x, y, c);
        }
}

const std::vector<std::string> kNames = {"WoodWall@.png",       "StoneWall@.png", "RedRoofD.png",
                                         "StoneHouseWallD.png", "HouseL.png",     "blackwhiteD.png"};

}  // namespace

const std::vector<std::string>& staticPictureNames() { return kNames; }

bool paintStatic(const std::string& name, platform::RGBAImage& image) {
    if (name == "WoodWall@.png") return paintPlanks(image), true;
    if (name == "StoneWall@.png") return paintRubble(image), true;
    if (name == "RedRoofD.png") return paintTiles(image), true;
    if (name == "StoneHouseWallD.png") return paintStoneHouse(image), true;
    if (name == "HouseL.png") return paintLongHouse(image), true;
    if (name == "blackwhiteD.png") return paintChecks(image), true;
    return false;
}

}  // namespace pellam::effectsart
