#include "tools/effectsart/BomberArt.h"

#include <cstring>

#include "objects/BomberModel.h"
#include "tools/effectsart/ArtKit.h"

namespace pellam::effectsart {
namespace {

namespace atlas = armed::bomber::atlas;

// ---- The bomber's airframe in two liveries, laid out as the model's atlas says. Both have
// clear-doped linen undersides and grey engine panels; the British machine wears brown-green
// PC10 with blue-white-red roundels and rudder stripes, the American one olive drab with the
// red-blue-white roundel and the red stripe at the rudder post.
struct Livery {
    Colour upper, upperDark;            // the top coat and its shadow along seams
    Colour outer, middle, centre;       // roundel rings from the outside in
    Colour stripes[3];                  // rudder, post to trailing edge
    Colour wheel;                       // the wheel covers
    const char* serial;                 // painted on the rear fuselage
};

const Colour kLinen = rgb8(214, 200, 166), kLinenDark = rgb8(176, 160, 124);
const Colour kPanel = rgb8(118, 122, 118), kPanelDark = rgb8(84, 88, 86);
const Colour kWhite = rgb8(232, 228, 214), kRed = rgb8(168, 34, 30), kBlue = rgb8(36, 48, 112);
const Colour kSoot = rgb8(34, 30, 28), kCockpit = rgb8(30, 24, 18);

const Livery kBritish{rgb8(86, 74, 46),  rgb8(60, 52, 32),  kBlue, kWhite, kRed, {kBlue, kWhite, kRed},
                      rgb8(150, 136, 104), "D8356"};
const Livery kAmerican{rgb8(96, 98, 62), rgb8(70, 72, 44), kRed, kBlue, kWhite, {kRed, kWhite, kBlue},
                       rgb8(96, 98, 62), "32"};

// Three-by-five block figures for the serials.
const char* glyph(char c) {
    switch (c) {
        case '0': return "111101101101111";
        case '1': return "010110010010111";
        case '2': return "111001111100111";
        case '3': return "111001111001111";
        case '4': return "101101111001001";
        case '5': return "111100111001111";
        case '6': return "111100111101111";
        case '7': return "111001001001001";
        case '8': return "111101111101111";
        case '9': return "111101111001111";
        case 'D': return "110101101101110";
        default: return "000000000000000";
    }
}
// Whether (s, t), both 0..1 over the text's box, falls on a stroke of `text`.
bool onText(const char* text, float s, float t) {
    if (!(s >= 0.0f && s < 1.0f && t >= 0.0f && t < 1.0f)) return false;
    const int n = int(std::strlen(text));
    const float cell = 1.0f / n;
    const int k = std::min(n - 1, int(s / cell));
    const float gs = (s - k * cell) / cell * 4.0f, gt = (1.0f - t) * 5.0f;  // a blank column between figures
    const int gx = int(gs), gy = int(gt);
    if (gx > 2 || gy < 0 || gy > 4) return false;
    return glyph(text[k])[gy * 3 + gx] == '1';
}

// A roundel of radius r (ft) round (cx, cy) in ft; false outside it.
bool roundel(const Livery& l, double x, double y, double r, Colour& c) {
    const double d = std::hypot(x, y) / r;
    if (d > 1.0) return false;
    c = d > 2.0 / 3.0 ? l.outer : d > 1.0 / 3.0 ? l.middle : l.centre;
    return true;
}

bool inside(const atlas::Region& r, float u, float v, float& s, float& t) {
    if (u < r.u0 || u >= r.u1 || v < r.v0 || v >= r.v1) return false;
    s = (u - r.u0) / (r.u1 - r.u0);
    t = (v - r.v0) / (r.v1 - r.v0);
    return true;
}

// Doped fabric over ribs: the rib tapes across the span every `pitch` (of s), the grain.
Colour fabric(Colour base, Colour dark, float s, float grain, float pitch) {
    Colour c = mix(base, dark, (grain - 0.45f) * 0.6f);
    if (std::fabs(s / pitch - std::round(s / pitch)) < 0.07f) c = mix(c, dark, 0.35f);
    return c;
}

Colour swatch(const Livery& l, int which, int x, int y, float grain) {
    switch (which) {
        case atlas::kWood: return mix(rgb8(128, 86, 46), rgb8(86, 54, 26), 0.5f + 0.5f * std::sin(y * 0.9f + grain * 6.0f));
        case atlas::kRubber: return mix(rgb8(34, 32, 30), rgb8(20, 20, 20), grain);
        case atlas::kMetal: return mix(kPanel, kPanelDark, grain * 0.6f);
        case atlas::kRadiator: return ((x % 4 == 0) || (y % 4 == 0)) ? rgb8(36, 36, 34) : rgb8(96, 94, 86);
        case atlas::kGunMetal: return mix(rgb8(44, 46, 48), rgb8(26, 26, 28), grain);
        case atlas::kWheelCover: return mix(l.wheel, kLinenDark, grain * 0.4f);
        case atlas::kLeather: return mix(rgb8(82, 52, 28), rgb8(52, 32, 18), grain);
        default: return mix(kLinen, kLinenDark, grain * 0.4f);
    }
}

void paintAirframe(platform::RGBAImage& im, const Livery& l) {
    const int n = 512;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = (x + 0.5f) / n, v = 1.0f - (y + 0.5f) / n;
            const float grain = fractal(x * 0.05f, y * 0.05f, 211);
            float s = 0, t = 0;
            Colour c = l.upper;
            if (inside(atlas::kWingTop, u, v, s, t)) {
                c = fabric(l.upper, l.upperDark, s, grain, 0.055f);
                roundel(l, (s - 0.8) * 21.2, (t - 0.5) * 5.6, 2.4, c);
            } else if (inside(atlas::kLowerTop, u, v, s, t)) {
                c = fabric(l.upper, l.upperDark, s, grain, 0.055f);
            } else if (inside(atlas::kWingUnder, u, v, s, t)) {
                c = fabric(kLinen, kLinenDark, s, grain, 0.055f);
                roundel(l, (s - 0.8) * 21.2, (t - 0.5) * 5.6, 2.4, c);
            } else if (inside(atlas::kSide, u, v, s, t) || inside(atlas::kStarboard, u, v, s, t)) {
                // Nose (s 0) to tail post (s 1), keel (t 0) to the top longeron (t 1).
                const double z = 7.0 - 28.0 * s;
                if (s < 0.19f) {
                    c = mix(kPanel, kPanelDark, grain * 0.5f);
                    if (std::fabs(s * 40.0f - std::round(s * 40.0f)) < 0.12f && t > 0.2f && t < 0.55f) c = kPanelDark;  // louvres
                    if ((x % 9 == 0) && (t < 0.08f || t > 0.92f)) c = kPanelDark;                                  // rivets
                } else {
                    c = fabric(l.upper, l.upperDark, s * 3.0f, grain, 0.1f);
                    // Seen from starboard the nose is on the right: the serial is laid backwards.
                    const float along = (s - 0.76f) / 0.14f;
                    const bool starboard = v < atlas::kSide.v0;
                    if (onText(l.serial, starboard ? 1.0f - along : along, (t - 0.38f) / 0.3f)) c = kWhite;
                }
                const float soot = std::clamp(1.0f - (s - 0.12f) * 3.0f, 0.0f, 1.0f) * std::clamp((t - 0.7f) * 4.0f, 0.0f, 1.0f);
                if (s > 0.12f) c = mix(c, kSoot, soot * (0.5f + 0.4f * grain));  // the exhausts' soot
                roundel(l, z + 11.5, (t - 0.5) * 3.0, 1.15, c);
            } else if (inside(atlas::kTop, u, v, s, t)) {
                c = s < 0.19f ? mix(kPanel, kPanelDark, grain * 0.5f) : fabric(l.upper, l.upperDark, s * 3.0f, grain, 0.1f);
                const bool pilot = s > 0.2f && s < 0.31f, gunner = s > 0.365f && s < 0.49f;
                if ((pilot || gunner) && std::fabs(t - 0.5f) < 0.33f) c = mix(kCockpit, rgb8(60, 44, 30), grain);
                if (std::fabs(t - 0.5f) < 0.02f && s > 0.5f) c = mix(c, l.upperDark, 0.5f);  // the stringer
            } else if (inside(atlas::kFin, u, v, s, t)) {
                c = fabric(l.upper, l.upperDark, t, grain, 0.2f);
                constexpr float kPost = 0.586f;  // the rudder post, z -20.4
                if (s >= kPost) c = l.stripes[std::min(2, int((s - kPost) / (1.0f - kPost) * 3.0f))];
            } else if (inside(atlas::kTailplane, u, v, s, t)) {
                c = fabric(l.upper, l.upperDark, s, grain, 0.12f);
            } else if (v < 0.125f) {
                c = swatch(l, std::min(7, int(u * 8)), x, y, grain);
            }
            // Every surface weathered a little: oil, exhaust and handling.
            c = mix(c, kSoot, std::clamp((fractal(x * 0.02f, y * 0.02f, 223) - 0.7f) * 0.5f, 0.0f, 0.12f));
            put(im, x, y, c);
        }
}

// ---- The crew: leather coats below v 0.5, faces to 0.75, helmets and goggles above.
void paintCrew(platform::RGBAImage& im) {
    const int n = 128;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float v = 1.0f - (y + 0.5f) / n;
            const float grain = fractal(x * 0.12f, y * 0.12f, 241);
            Colour c;
            if (v < 0.5f) {
                c = mix(rgb8(104, 70, 40), rgb8(64, 42, 24), grain);
                if (std::fabs(std::sin(x * 0.35f + grain * 3.0f)) < 0.12f) c = mix(c, rgb8(44, 30, 18), 0.5f);  // creases
            } else if (v < 0.75f) {
                c = mix(rgb8(206, 158, 126), rgb8(170, 120, 96), grain);
                if (v > 0.66f && v < 0.71f) c = mix(rgb8(40, 36, 30), rgb8(140, 150, 150), (x % 16 < 6) ? 0.7f : 0.0f);
            } else {
                c = mix(rgb8(70, 46, 28), rgb8(42, 28, 18), grain);
                if (v > 0.86f && v < 0.9f) c = mix(rgb8(50, 44, 36), rgb8(150, 160, 160), (x % 20 < 7) ? 0.8f : 0.2f);
            }
            put(im, x, y, c);
        }
}

// ---- The spinning propeller: a faint walnut disc, darker where the tips run, with two blurred
// blade shadows.
void paintDisc(platform::RGBAImage& im, bool mask) {
    const int n = 128;
    blank(im, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            const float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
            const float blade = std::pow(std::fabs(std::cos(a + 0.6f)), 24.0f);
            float alpha = r > 0.98f ? 0.0f : 0.16f + 0.22f * blade * (1.0f - r) + (r > 0.86f ? 0.18f : 0.0f);
            if (r < 0.08f) alpha = 0.0f;  // the hub shows through
            if (mask) {
                putMask(im, x, y, alpha);
                continue;
            }
            put(im, x, y, mix(rgb8(120, 86, 52), rgb8(60, 44, 30), r));
        }
}

const std::vector<std::string> kNames = {"AircoDH4AL.png", "AircoDH4BL.png", "Pilot1L.png", "PropDisk2N.png",
                                         "PropDisk2N_.png"};

}  // namespace

const std::vector<std::string>& bomberPictureNames() { return kNames; }

bool paintBomber(const std::string& name, platform::RGBAImage& image) {
    if (name == "AircoDH4AL.png") return paintAirframe(image, kAmerican), true;
    if (name == "AircoDH4BL.png") return paintAirframe(image, kBritish), true;
    if (name == "Pilot1L.png") return paintCrew(image), true;
    if (name.rfind("PropDisk2N", 0) == 0) return paintDisc(image, name.find("_.png") != std::string::npos), true;
    return false;
}

}  // namespace pellam::effectsart
