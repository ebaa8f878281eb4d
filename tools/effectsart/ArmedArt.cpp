#include "tools/effectsart/ArmedArt.h"

#include "tools/effectsart/ArtKit.h"

namespace pellam::effectsart {
namespace {

const Colour kKey = rgb8(255, 0, 255);

// ---- Kite balloon. U round the envelope (0 and 1 along its back, 0.5 the belly), V from the
// nose (0.02) to the tail (0.72); the basket's wicker over V 0.75..0.86, rope over 0.88..0.92
// right of U 0.3, the observer's coat left of U 0.25 over 0.88..0.98. The top-left texel is the
// colour key: a burnt envelope shows holes in it.
void paintBalloon(platform::RGBAImage& im, bool allied, bool burnt) {
    const int n = 256;
    blank(im, n);
    const Colour fabric = allied ? rgb8(178, 164, 128) : rgb8(170, 168, 146);  // doped cotton: buff, grey-yellow
    const Colour seam = allied ? rgb8(130, 116, 84) : rgb8(122, 120, 100);
    const Colour band = allied ? rgb8(112, 98, 70) : rgb8(98, 96, 80);         // the rigging band
    const Colour wicker = rgb8(150, 112, 62), wickerDark = rgb8(96, 68, 36);
    const Colour rope = rgb8(176, 150, 104);
    const Colour coat = allied ? rgb8(112, 98, 62) : rgb8(96, 100, 84), face = rgb8(196, 150, 120);
    const Colour char1 = rgb8(26, 22, 20), char2 = rgb8(70, 58, 46), ember = rgb8(200, 90, 30);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = (x + 0.5f) / n, v = 1.0f - (y + 0.5f) / n;
            const float grain = fractal(x * 0.06f, y * 0.06f, allied ? 71 : 73);
            Colour c;
            if (v < 0.74f) {
                // Gores round the envelope, belts across it, the band along its lower sides.
                c = mix(fabric, seam, (grain - 0.5f) * 0.5f);
                const float gore = std::fabs(u * 12.0f - std::round(u * 12.0f));
                if (gore < 0.05f) c = mix(c, seam, 0.8f);
                const float belt = std::fabs(v * 12.0f - std::round(v * 12.0f));
                if (belt < 0.04f) c = mix(c, seam, 0.35f);
                if (std::fabs(u - 0.33f) < 0.012f || std::fabs(u - 0.67f) < 0.012f) c = band;
                if (v < 0.05f) c = mix(c, seam, 0.4f);  // the reinforced nose cap
                const float shade = 0.82f + 0.18f * std::cos((u - 0.0f) * 6.2832f);  // sunlit back, darker belly
                c = {c.r * shade, c.g * shade, c.b * shade};
            } else if (v < 0.87f) {
                const bool over = ((x / 4) + (y / 3)) % 2 == 0;  // woven willow
                c = mix(over ? wicker : wickerDark, wickerDark, grain * 0.4f);
                if (v > 0.855f || v < 0.755f) c = wickerDark;  // the rim
            } else if (u < 0.25f && v < 0.985f) {
                c = v > 0.955f ? mix(face, coat, u < 0.06f ? 1.0f : 0.0f) : mix(coat, seam, grain * 0.3f);
                if (v > 0.975f) c = rgb8(60, 58, 50);  // cap
            } else {
                c = mix(rope, wickerDark, grain * 0.5f);
            }
            if (burnt) {
                const float soot = fractal(x * 0.04f, y * 0.04f, 91);
                c = mix(c, mix(char1, char2, grain), 0.55f + soot * 0.45f);
                if (v < 0.74f && soot > 0.62f) c = kKey;                          // burnt through
                else if (v < 0.74f && soot > 0.58f) c = mix(ember, char1, grain);  // glowing edges
            }
            put(im, x, y, c);
        }
    put(im, 0, 0, kKey);
}

// ---- Sandbags in stretcher bond, hessian filled with earth; turf on the top courses of the
// flak pit, mud on the post's. U along the wall (three pictures round it), V up it.
void paintSandbags(platform::RGBAImage& im, bool turf) {
    const int n = 128;
    blank(im, n);
    const Colour hessian = turf ? rgb8(150, 132, 96) : rgb8(128, 108, 80);
    const Colour dirt = rgb8(84, 66, 46), grass = rgb8(84, 104, 50), gap = rgb8(44, 36, 28);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int course = y / 16;
            const int shift = (course % 2) * 16;
            const float bx = float((x + shift) % 32) / 32.0f, by = float(y % 16) / 16.0f;
            const float grain = fractal(x * 0.15f, y * 0.15f, turf ? 31 : 37);
            // A bag: a filled pillow, lit from above, sagging between its neighbours.
            const float dx = (bx - 0.5f) / 0.52f, dy = (by - 0.45f) / 0.6f + 0.15f * std::sin(bx * 9.0f + course);
            const float d = dx * dx * dx * dx + dy * dy;
            const float fill = std::clamp((1.0f - d) * 4.0f, 0.0f, 1.0f);
            const float light = 0.75f + 0.35f * (0.5f - by);
            Colour bag = mix(hessian, dirt, grain * (turf ? 0.45f : 0.8f));
            bag = {bag.r * light, bag.g * light, bag.b * light};
            Colour c = mix(gap, bag, fill);
            if (turf && y < 20 && fractal(x * 0.3f, y * 0.2f, 43) + (20 - y) * 0.03f > 0.7f) c = mix(grass, dirt, grain * 0.5f);
            put(im, x, y, c);
        }
}

// ---- Canvas: drab duck with its weave and the sag of its folds.
void paintCanvas(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    const Colour duck = rgb8(140, 128, 92), fold = rgb8(100, 90, 64);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float weave = ((x + y) % 2) ? 0.04f : -0.04f;
            const float sag = 0.5f + 0.5f * std::sin(x * 0.2f + 2.0f * fractal(x * 0.05f, y * 0.05f, 53));
            Colour c = mix(duck, fold, sag * 0.6f + weave);
            put(im, x, y, c);
        }
}

// ---- The gun: painted steel, the paint worn through to dark metal on the breech and edges,
// rivet lines on the plates.
void paintGunSteel(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    const Colour paint = rgb8(92, 96, 78), worn = rgb8(54, 56, 52), breech = rgb8(64, 64, 62);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = (x + 0.5f) / n, v = 1.0f - (y + 0.5f) / n;
            const float wear = fractal(x * 0.2f, y * 0.2f, 61);
            Colour c = mix(paint, worn, std::clamp((wear - 0.6f) * 3.0f, 0.0f, 1.0f));
            if (u < 0.5f && v > 0.5f && v < 0.75f) c = mix(breech, worn, wear);  // the breech block
            if (v > 0.75f && u < 0.5f && (x % 12 == 6) && (y % 8 == 4)) c = worn;   // rivets
            if (u > 0.5f && v > 0.8f && v < 0.87f) c = worn;                          // the muzzle
            if (u > 0.5f && v < 0.45f) {
                // A field the gun leaves free: tarred roofing felt in six strips held by battens,
                // weathered grey, for the huts' and hangars' roofs.
                const float strip = v / 0.45f * 6.0f, f = strip - std::floor(strip);
                c = mix(rgb8(46, 48, 48), rgb8(104, 106, 98), std::clamp((wear - 0.4f) * 1.5f, 0.0f, 1.0f));
                if (f < 0.06f) c = mix(c, rgb8(24, 24, 24), 0.7f);
                else if (f < 0.12f) c = mix(c, rgb8(118, 108, 90), 0.6f);
            }
            put(im, x, y, c);
        }
}

// ---- A tracer: a white-hot core drawn out along the picture's height, orange at its edges.
void paintTracer(platform::RGBAImage& im, bool mask) {
    const int n = 64;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = ((x + 0.5f) / n * 2 - 1) * 3.0f, dy = (y + 0.5f) / n * 2 - 1;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float a = std::clamp(1.0f - r, 0.0f, 1.0f);
            if (mask) {
                putMask(im, x, y, a);
                continue;
            }
            put(im, x, y, mix(rgb8(230, 110, 30), rgb8(255, 250, 220), a * 1.5f));
        }
}

const std::vector<std::string> kNames = {"ObBalloonGM.png", "ObBalloon2GM.png", "ObBalloonAM.png", "ObBalloon2AM.png",
                                         "Grass@.png",      "Dirt@.png",        "Canvas@.png",     "RoofD.png",
                                         "TracerBulletN.png", "TracerBulletN_.png"};

}  // namespace

const std::vector<std::string>& armedPictureNames() { return kNames; }

bool paintArmed(const std::string& name, platform::RGBAImage& image) {
    if (name == "ObBalloonGM.png") return paintBalloon(image, false, false), true;
    if (name == "ObBalloon2GM.png") return paintBalloon(image, false, true), true;
    if (name == "ObBalloonAM.png") return paintBalloon(image, true, false), true;
    if (name == "ObBalloon2AM.png") return paintBalloon(image, true, true), true;
    if (name == "Grass@.png") return paintSandbags(image, true), true;
    if (name == "Dirt@.png") return paintSandbags(image, false), true;
    if (name == "Canvas@.png") return paintCanvas(image), true;
    if (name == "RoofD.png") return paintGunSteel(image), true;
    if (name.rfind("TracerBulletN", 0) == 0) return paintTracer(image, name.find("_.png") != std::string::npos), true;
    return false;
}

}  // namespace pellam::effectsart
