#include "tools/effectsart/EffectsArt.h"

#include "tools/effectsart/ArmedArt.h"
#include "tools/effectsart/BomberArt.h"
#include "tools/effectsart/ArtKit.h"
#include "tools/effectsart/StaticArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace pellam::effectsart {
namespace {


// ---- The bomb: U round the body, V along it from the fins (0) to the nose tip (1).
void paintBomb(platform::RGBAImage& im) {
    const int n = 64;
    blank(im, n);
    const Colour steel = rgb8(86, 90, 82), dark = rgb8(52, 55, 50), red = rgb8(150, 38, 30), brass = rgb8(176, 140, 66);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float v = 1.0f - (y + 0.5f) / n;  // picture rows run top (V 1) to bottom
            const float wear = fractal(x * 0.25f, y * 0.25f, 11);
            Colour c = mix(steel, dark, wear * 0.5f);
            if (v > 0.86f && v < 0.89f) c = red;         // the filling band behind the nose
            if (v > 0.93f) c = mix(brass, dark, wear * 0.4f);  // the fuze
            if (v < 0.22f) c = mix(dark, steel, wear * 0.3f);  // the tail and its fins
            const float seam = (x % 16 == 0) ? 0.85f : 1.0f;  // the body's welded seams
            put(im, x, y, {c.r * seam, c.g * seam, c.b * seam});
        }
}

// ---- The ground mark: churned, scorched earth with a darker lip, fading out at the edge.
// Variants 1 and 2 are other scorches of the same kind, for the wrecked gun pits.
void paintMark(platform::RGBAImage& im, bool mask, uint32_t variant = 0) {
    const int n = 128;
    blank(im, n);
    const Colour earth = rgb8(92, 74, 52), scorch = rgb8(30, 24, 18), chalk = rgb8(150, 140, 118);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            const float ragged = (fractal(x * 0.08f, y * 0.08f, 23 + variant * 101) - 0.5f) * 0.35f;
            const float r = std::sqrt(dx * dx + dy * dy) + ragged;
            if (mask) {
                putMask(im, x, y, std::clamp((1.0f - r) * 3.0f, 0.0f, 1.0f));
                continue;
            }
            const float clods = fractal(x * 0.3f, y * 0.3f, 29 + variant * 101);
            Colour c = mix(scorch, earth, std::clamp(r * 1.4f - 0.1f + clods * 0.3f, 0.0f, 1.0f));
            if (r > 0.45f && r < 0.62f) c = mix(c, chalk, (clods - 0.45f) * 1.5f);  // thrown-up chalk on the lip
            put(im, x, y, c);
        }
}

// ---- Smoke and fire puffs: billowing, soft-edged.
void paintPuff(platform::RGBAImage& im, bool mask, int kind) {
    const int n = 64;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            const float billow = fractal(x * 0.12f, y * 0.12f, 41 + kind * 7);
            const float r = std::sqrt(dx * dx + dy * dy) + (billow - 0.5f) * 0.45f;
            const float a = std::clamp((0.95f - r) * 2.2f, 0.0f, 1.0f);
            if (mask) {
                putMask(im, x, y, a * (kind == 2 ? 0.8f : kind == 3 ? 0.6f : 1.0f));
                continue;
            }
            Colour c;
            if (kind == 0) {  // black smoke of burnt explosive and earth
                c = mix(rgb8(22, 20, 18), rgb8(92, 86, 78), billow * 0.9f + (1 - r) * 0.1f);
            } else if (kind == 1) {  // fire: yellow-white core, orange, then sooty red edges
                const float heat = std::clamp(1.0f - r + (billow - 0.5f) * 0.5f, 0.0f, 1.0f);
                c = heat > 0.55f ? mix(rgb8(236, 150, 40), rgb8(255, 236, 160), (heat - 0.55f) / 0.45f)
                                 : mix(rgb8(70, 30, 14), rgb8(236, 150, 40), heat / 0.55f);
            } else if (kind == 2) {  // pale dust and cloud
                c = mix(rgb8(170, 168, 160), rgb8(236, 234, 228), billow);
            } else if (kind == 3) {  // cordite smoke of the guns, thin and blue-grey
                c = mix(rgb8(128, 136, 150), rgb8(196, 204, 214), billow);
            } else {  // a shell burst's oily black smoke
                c = mix(rgb8(14, 13, 12), rgb8(66, 62, 58), billow * 0.8f);
            }
            put(im, x, y, c);
        }
}

// ---- Trees. The picture is the tree seen from the side: trunk at the centre bottom, the top-left
// texel the key colour that the view makes transparent.
const Colour kKey = rgb8(255, 0, 255);

struct TreeLook {
    Colour leafDark, leafLight, bark;
    std::function<float(float, float)> crown;  // > 0 inside the crown at (across -1..1, up 0..1)
    float trunkTop, trunkWidth;
    float fringe;  // how ragged the crown's edge is, in crown units
};

void paintTree(platform::RGBAImage& im, const TreeLook& look, uint32_t seed) {
    const int n = 128;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float across = (x + 0.5f) / n * 2 - 1, up = 1.0f - (y + 0.5f) / n;
            const float leaves = fractal(x * 0.18f, y * 0.18f, seed);
            const float clumps = fractal(x * 0.06f, y * 0.06f, seed + 5);
            const float inside = look.crown(across, up) + (leaves - 0.5f) * look.fringe;
            if (inside > 0.0f && x > 0 && y > 0) {
                // Light from above and the sun's side; the crown's lower, inner leaves in shade.
                const float light = std::clamp(0.35f + up * 0.4f - across * 0.15f + (clumps - 0.5f) * 0.8f, 0.0f, 1.0f);
                Colour c = mix(look.leafDark, look.leafLight, light * (0.6f + leaves * 0.6f));
                if (leaves > 0.8f) c = mix(c, rgb8(20, 28, 16), 0.5f);  // shadowed hollows in the foliage
                put(im, x, y, c);
                continue;
            }
            const float trunkHalf = look.trunkWidth * (1.0f - up * 0.5f);
            if (std::fabs(across) < trunkHalf && up < look.trunkTop && x > 0 && y > 0) {
                const float grain = fractal(x * 0.5f, y * 0.05f, seed + 9);
                const Colour c = mix(look.bark, rgb8(30, 26, 22), grain * 0.6f + (across > 0 ? 0.25f : 0.0f));
                put(im, x, y, c);
                continue;
            }
            put(im, x, y, kKey);
        }
}

TreeLook broadleaf(int variant) {
    // Oaks, elms and beeches: broad, lumpy crowns on short trunks; summer leaves.
    const float wide = 0.78f + 0.06f * (variant % 2), low = 0.18f + 0.04f * variant;
    const Colour dark[4] = {rgb8(22, 38, 16), rgb8(28, 42, 18), rgb8(20, 36, 20), rgb8(30, 44, 20)};
    return {dark[variant], rgb8(70 + 6 * variant, 98, 40), rgb8(78, 66, 52),
            [=](float a, float u) {
                const float cx = a / wide, cy = (u - (low + 0.98f) / 2) / ((0.98f - low) / 2);
                const float lobes = 0.12f * std::sin(6.0f * std::atan2(cy, cx) + variant);
                return 1.0f - std::sqrt(cx * cx + cy * cy) + lobes;
            },
            low + 0.15f, 0.06f, 0.35f};
}

TreeLook poplar(int variant) {
    // Lombardy poplars, the lines along the French roads: tall narrow columns.
    const float half = 0.16f + 0.03f * variant;
    return {rgb8(22, 38, 18), rgb8(66, 94, 40), rgb8(96, 90, 78),
            [=](float a, float u) {
                if (u < 0.06f || u > 0.99f) return -1.0f;
                const float t = (u - 0.06f) / 0.93f;                           // 0 at the foot, 1 at the tip
                const float w = half * std::pow(std::sin(3.14159f * std::pow(t, 0.7f)), 0.6f);  // widest low, a point on top
                return w - std::fabs(a);
            },
            0.2f, 0.035f, 0.06f};
}

TreeLook pine(int variant) {
    // Scots pines: long bare trunks, dark flat-topped crowns in tiers.
    const float base = 0.45f + 0.05f * variant;
    return {rgb8(16, 30, 20), rgb8(44, 68, 38), rgb8(128, 82, 52),
            [=](float a, float u) {
                if (u < base || u > 0.97f) return -1.0f;
                const float t = (u - base) / (0.97f - base);
                const float tier = 0.5f + 0.5f * std::cos(t * 3.14159f * (3 + variant % 2));
                const float w = (0.62f - 0.3f * t * t) * (0.7f + 0.3f * tier);
                return w - std::fabs(a + 0.1f * std::sin(u * 7.0f + variant));
            },
            base + 0.1f, 0.045f, 0.25f};
}

const std::vector<std::string> kNames = {
    "BombL.png",           "EarthN.png",       "EarthN_.png",     "ExploBlackSmokeN.png", "ExploBlackSmokeN_.png",
    "ExploFireSmokeN.png", "ExploFireSmokeN_.png", "Clouds2N.png", "Clouds2N_.png",       "GCTree1I.png",
    "GCTree2I.png",        "GCTree3I.png",     "GCTree4I.png",    "GCPalm1I.png",         "GCPalm2I.png",
    "GCPalm3I.png",        "GCPalm4I.png",     "GCPine1I.png",    "GCPine2I.png",         "GCPine3I.png",
    "GCPine4I.png",        "Earth2N.png",      "Earth2N_.png",    "Earth3N.png",          "Earth3N_.png",
    "BlueSmokeN.png",      "BlueSmokeN_.png",  "BlackSmokeN.png", "BlackSmokeN_.png",     "AAAFireSmokeN.png",
    "AAAFireSmokeN_.png",  "AAASmokeN.png",    "AAASmokeN_.png",  "GraySmokeN.png",       "GraySmokeN_.png"};

}  // namespace

const std::vector<std::string>& pictureNames() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> names = kNames;
        names.insert(names.end(), armedPictureNames().begin(), armedPictureNames().end());
        names.insert(names.end(), bomberPictureNames().begin(), bomberPictureNames().end());
        names.insert(names.end(), staticPictureNames().begin(), staticPictureNames().end());
        return names;
    }();
    return all;
}

bool paint(const std::string& name, platform::RGBAImage& image) {
    const bool mask = name.find("_.png") != std::string::npos;
    if (name == "BombL.png") return paintBomb(image), true;
    if (name.rfind("EarthN", 0) == 0) return paintMark(image, mask), true;
    if (name.rfind("Earth2N", 0) == 0) return paintMark(image, mask, 1), true;
    if (name.rfind("Earth3N", 0) == 0) return paintMark(image, mask, 2), true;
    if (name.rfind("BlueSmokeN", 0) == 0) return paintPuff(image, mask, 3), true;
    if (name.rfind("BlackSmokeN", 0) == 0) return paintPuff(image, mask, 0), true;
    if (name.rfind("AAAFireSmokeN", 0) == 0) return paintPuff(image, mask, 1), true;
    if (name.rfind("AAASmokeN", 0) == 0) return paintPuff(image, mask, 4), true;
    if (paintArmed(name, image) || paintStatic(name, image) || paintBomber(name, image)) return true;
    if (name.rfind("GraySmokeN", 0) == 0) return paintPuff(image, mask, 2), true;  // chimney wood smoke
    if (name.rfind("ExploBlackSmokeN", 0) == 0) return paintPuff(image, mask, 0), true;
    if (name.rfind("ExploFireSmokeN", 0) == 0) return paintPuff(image, mask, 1), true;
    if (name.rfind("Clouds2N", 0) == 0) return paintPuff(image, mask, 2), true;
    if (name.size() == 12 && name.rfind("GC", 0) == 0) {
        const int variant = name[6] - '1';
        if (variant < 0 || variant > 3) return false;
        const uint32_t seed = 100 + uint32_t(variant) * 13;
        if (name.rfind("GCTree", 0) == 0) return paintTree(image, broadleaf(variant), seed), true;
        if (name.rfind("GCPalm", 0) == 0) return paintTree(image, poplar(variant), seed + 3), true;
        if (name.rfind("GCPine", 0) == 0) return paintTree(image, pine(variant), seed + 7), true;
    }
    return false;
}

}  // namespace pellam::effectsart
