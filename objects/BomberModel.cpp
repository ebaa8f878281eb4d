#include "objects/BomberModel.h"

#include <array>
#include <cmath>

#include "core/Constants.h"
#include "objects/EffectModel.h"

namespace pellam::armed::bomber {
namespace {

using atlas::Region;
using effects::kLines;
using effects::kQuads;
using effects::kTriangleFan;

constexpr int16_t kFabric = 1;  // the material without a shine: doped linen, wood and leather

struct V3 {
    double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 unit(V3 a) {
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}

// The builder with the habits of this model: quads turned to face outward, gathered into the
// current polygon until it is closed with its map.
struct Airframe {
    Mesh b;
    std::vector<int> items;

    V3 at(int i) const {
        const GLT2FN3FV3FFormat& p = b.points[i];
        return {p.X, p.Y, p.Z};
    }
    int point(V3 p, float u, float v) { return b.vertex(p.x, p.y, p.z, u, v); }
    int point(V3 p, const Region& r, double s, double t) {
        return b.vertex(p.x, p.y, p.z, r.u0 + s * (r.u1 - r.u0), r.v0 + t * (r.v1 - r.v0));
    }
    // A quad whose lit side faces `out`: the renderer's normal is (d - c) x (b - c).
    void quad(int p, int q, int r, int s, V3 out) {
        const V3 n = cross(at(s) - at(r), at(q) - at(r));
        if (dot(n, out) >= 0) items.insert(items.end(), {p, q, r, s});
        else items.insert(items.end(), {p, s, r, q});
    }
    void quadFrom(int p, int q, int r, int s, V3 centre) {
        const V3 mid = (at(p) + at(q) + at(r) + at(s)) * 0.25;
        quad(p, q, r, s, mid - centre);
    }
    OnePolygonVer2& close(int16_t map, int32_t hints = 0, int16_t type = kQuads, int16_t material = kFabric) {
        OnePolygonVer2& p = b.polygon(map, type, hints, items);
        p.MaterialLightDataOffset = material;
        items.clear();
        return p;
    }
    // Eight corners: four round `a` and four round `b`, a rectangle w wide and h deep across the
    // line between them; the six faces outward. `r` colours it.
    void beam(V3 a, V3 c, double w, double h, const Region& r, V3 side = {1, 0, 0}) {
        const V3 along = unit(c - a);
        V3 across = unit(side - along * dot(side, along));
        const V3 up = cross(along, across);
        int k[8];
        for (int end = 0; end < 2; ++end) {
            const V3 o = end ? c : a;
            for (int j = 0; j < 4; ++j) {
                const double sx = (j == 1 || j == 2) ? 0.5 : -0.5, sy = j >= 2 ? 0.5 : -0.5;
                k[end * 4 + j] = point(o + across * (sx * w) + up * (sy * h), r, j % 2, end);
            }
        }
        const V3 centre = (a + c) * 0.5;
        const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
        for (const auto& f : faces) quadFrom(k[f[0]], k[f[1]], k[f[2]], k[f[3]], centre);
    }
};

// One fuselage station: z, half-width, keel and top longeron heights (ft).
struct Station {
    double z, hw, keel, top;
};
constexpr Station kStations[] = {{7.0, 1.45, 3.7, 6.9},     {5.6, 1.6, 3.0, 7.2},   {1.8, 1.6, 2.8, 7.0},
                                 {-3.0, 1.55, 2.9, 6.7},    {-7.0, 1.3, 3.3, 6.4},  {-12.0, 0.95, 3.9, 6.1},
                                 {-17.0, 0.55, 4.5, 5.9},   {-21.0, 0.12, 5.0, 5.6}};
constexpr int kSegments = 7;
constexpr double kNoseZ = 7.0, kTailZ = -21.0;
double alongFuselage(double z) { return (kNoseZ - z) / (kNoseZ - kTailZ); }

void fuselage(Airframe& f) {
    int left[8], right[8], topL[8], topM[8], topR[8], keelL[8], keelR[8];
    for (int i = 0; i <= kSegments; ++i) {
        const Station& s = kStations[i];
        const double u = alongFuselage(s.z);
        left[i] = f.point({-s.hw, s.keel, s.z}, atlas::kSide, u, 0.0);
        f.point({-s.hw, s.top, s.z}, atlas::kSide, u, 1.0);
        right[i] = f.point({s.hw, s.keel, s.z}, atlas::kStarboard, u, 0.0);
        f.point({s.hw, s.top, s.z}, atlas::kStarboard, u, 1.0);
        // The top decking is rounded a little: a ridge along the middle.
        topL[i] = f.point({-s.hw, s.top, s.z}, atlas::kTop, u, 0.0);
        topM[i] = f.point({0, s.top + 0.3 * s.hw, s.z}, atlas::kTop, u, 0.5);
        topR[i] = f.point({s.hw, s.top, s.z}, atlas::kTop, u, 1.0);
        keelL[i] = f.point({-s.hw, s.keel, s.z}, atlas::kWingUnder, 0.05 + 0.45 * u, 0.1);
        keelR[i] = f.point({s.hw, s.keel, s.z}, atlas::kWingUnder, 0.05 + 0.45 * u, 0.3);
    }
    for (int i = 0; i < kSegments; ++i) {
        f.quad(left[i], left[i] + 1, left[i + 1] + 1, left[i + 1], {-1, 0, 0});
        f.close(kAirframeMap);
        f.quad(right[i], right[i] + 1, right[i + 1] + 1, right[i + 1], {1, 0, 0});
        f.close(kAirframeMap);
        f.quad(topL[i], topM[i], topM[i + 1], topL[i + 1], {-0.3, 1, 0});
        f.quad(topM[i], topR[i], topR[i + 1], topM[i + 1], {0.3, 1, 0});
        f.close(kAirframeMap);
        f.quad(keelL[i], keelR[i], keelR[i + 1], keelL[i + 1], {0, -1, 0});
        f.close(kAirframeMap);
    }
    // The radiator's honeycomb across the nose.
    const Station& n = kStations[0];
    const Region honey = atlas::swatch(atlas::kRadiator);
    const int r = f.point({-n.hw, n.keel, n.z}, honey, 0, 0);
    f.point({n.hw, n.keel, n.z}, honey, 1, 0);
    f.point({n.hw, n.top, n.z}, honey, 1, 1);
    f.point({-n.hw, n.top, n.z}, honey, 0, 1);
    f.quad(r, r + 1, r + 2, r + 3, {0, 0, 1});
    f.close(kAirframeMap, 0, kQuads, 0);
}

// A wing half from the root at x0 to the tip at x1 (either side), its top and under surfaces
// painted from their regions, then its edges.
void wing(Airframe& f, double x0, double x1, double y0, double y1, double lead, double trail, const Region& top,
          double span) {
    constexpr double kHalfThick = 0.13;
    const double s0 = std::fabs(x0) / span, s1 = std::fabs(x1) / span;
    const V3 c{(x0 + x1) / 2, (y0 + y1) / 2, (lead + trail) / 2};
    const int t = f.point({x0, y0 + kHalfThick, lead}, top, s0, 1);
    f.point({x0, y0 + kHalfThick, trail}, top, s0, 0);
    f.point({x1, y1 + kHalfThick, trail}, top, s1, 0);
    f.point({x1, y1 + kHalfThick, lead}, top, s1, 1);
    const Region& under = atlas::kWingUnder;
    const int u = f.point({x0, y0 - kHalfThick, lead}, under, s0, 1);
    f.point({x0, y0 - kHalfThick, trail}, under, s0, 0);
    f.point({x1, y1 - kHalfThick, trail}, under, s1, 0);
    f.point({x1, y1 - kHalfThick, lead}, under, s1, 1);
    f.quad(t, t + 1, t + 2, t + 3, {0, 1, 0});
    f.close(kAirframeMap);
    f.quad(u, u + 1, u + 2, u + 3, {0, -1, 0});
    f.close(kAirframeMap);
    f.quadFrom(t, t + 3, u + 3, u, c);          // leading edge
    f.quadFrom(t + 1, t + 2, u + 2, u + 1, c);  // trailing edge
    f.quadFrom(t + 2, t + 3, u + 3, u + 2, c);  // tip
    f.close(kAirframeMap);
}

// A wheel at x, its outer side toward `side` (+1 or -1): doped cover discs and a rubber tyre.
void wheel(Airframe& f, double x, double side) {
    constexpr int kSpokes = 15;
    constexpr double kY = -0.85, kZ = 3.6, kRadius = 1.25, kHalfWidth = 0.28;
    const Region cover = atlas::swatch(atlas::kWheelCover), tyre = atlas::swatch(atlas::kRubber);
    int rim[2], band[2];
    for (int face = 0; face < 2; ++face) {
        const double fx = x + (face ? side : -side) * kHalfWidth;
        const int hub = f.point({fx + (face ? side : -side) * 0.15, kY, kZ}, cover, 0.5, 0.5);
        rim[face] = hub;
        for (int k = 0; k <= kSpokes; ++k) {
            const double a = 2 * kPi * k / kSpokes;
            f.point({fx, kY + kRadius * std::cos(a), kZ + kRadius * std::sin(a)}, cover, 0.5 + 0.5 * std::sin(a),
                    0.5 + 0.5 * std::cos(a));
        }
    }
    for (int face = 0; face < 2; ++face) {
        const double fx = x + (face ? side : -side) * kHalfWidth;
        band[face] = f.point({fx, kY + kRadius, kZ}, tyre, face, 0);
        for (int k = 1; k <= kSpokes; ++k) {
            const double a = 2 * kPi * k / kSpokes;
            f.point({fx, kY + kRadius * std::cos(a), kZ + kRadius * std::sin(a)}, tyre, face, double(k) / kSpokes);
        }
    }
    const V3 centre{x, kY, kZ};
    for (int face = 0; face < 2; ++face) {
        for (int k = 0; k < kSpokes; ++k) {
            const int a = rim[face] + 1 + k, c = rim[face] + 2 + k;
            // Each spoke sector as a quad with its hub corner doubled.
            f.quadFrom(rim[face], a, c, rim[face], centre);
        }
        f.close(kAirframeMap);
    }
    for (int k = 0; k < kSpokes; ++k) {
        const int a = band[0] + k, c = band[0] + k + 1, bb = band[1] + k, d = band[1] + k + 1;
        f.quadFrom(a, c, d, bb, centre);
    }
    f.close(kAirframeMap, 0, kQuads, 0);
}

// The crew picture over a box: the coat, face or helmet band of the crew map.
void crewBox(Airframe& f, V3 lo, V3 hi, float v0, float v1) {
    f.beam({(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, lo.z}, {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, hi.z}, hi.x - lo.x,
           hi.y - lo.y, Region{0.05f, 0.95f, v0, v1});
    f.close(kCrewMap);
}

void crew(Airframe& f) {
    using crew::kCoatV;
    using crew::kFaceV;
    using crew::kHelmetV;
    // The pilot under the upper wing's trailing edge, facing forward.
    crewBox(f, {-0.62, 6.3, -0.9}, {0.62, 7.15, 0.2}, 0.02f, 0.45f);              // shoulders
    crewBox(f, {-0.3, 7.1, -0.55}, {0.3, 7.8, 0.05}, 0.52f, 0.72f);               // face
    crewBox(f, {-0.34, 7.72, -0.6}, {0.34, 8.0, 0.1}, 0.78f, 0.98f);              // helmet
    crewBox(f, {-0.28, 7.45, 0.05}, {0.28, 7.6, 0.12}, kHelmetV, kHelmetV + 0.05f);  // goggles
    crewBox(f, {-0.75, 6.7, -0.2}, {-0.5, 6.95, 0.9}, 0.02f, 0.45f);              // arms to the stick
    crewBox(f, {0.5, 6.7, -0.2}, {0.75, 6.95, 0.9}, 0.02f, 0.45f);
    // The gunner standing in the rear cockpit, facing aft to his guns.
    crewBox(f, {-0.62, 6.5, -5.5}, {0.62, 7.75, -4.5}, 0.02f, 0.45f);             // shoulders
    crewBox(f, {-0.3, 7.7, -5.3}, {0.3, 8.4, -4.7}, 0.52f, 0.72f);                // face
    crewBox(f, {-0.34, 8.32, -5.35}, {0.34, 8.6, -4.65}, 0.78f, 0.98f);           // helmet
    crewBox(f, {-0.28, 8.05, -5.37}, {0.28, 8.2, -5.3}, kHelmetV, kHelmetV + 0.05f);  // goggles
    crewBox(f, {-0.8, 7.2, -6.4}, {-0.55, 7.45, -5.0}, 0.02f, 0.45f);             // arms to the spade grips
    crewBox(f, {0.55, 7.2, -6.4}, {0.8, 7.45, -5.0}, 0.02f, 0.45f);
    crewBox(f, {-0.45, 7.6, -5.1}, {0.45, 7.8, -4.6}, kCoatV, kFaceV);             // fur collar
}

constexpr double kUpperSpan = 21.2, kLowerSpan = 20.5;  // ft: half spans

// Wings: the upper staggered a foot ahead of the lower, both with a little dihedral.
void wings(Airframe& f) {
    for (double side : {-1.0, 1.0}) wing(f, 0.0, side * kUpperSpan, 9.0, 9.35, 3.4, -2.2, atlas::kWingTop, kUpperSpan);
    for (double side : {-1.0, 1.0})
        wing(f, side * 1.55, side * kLowerSpan, 2.9, 3.55, 2.4, -3.2, atlas::kLowerTop, kLowerSpan);
}

// Two bays of interplane struts each side, leaning forward with the stagger; the cabane.
void struts(Airframe& f) {
    const Region wood = atlas::swatch(atlas::kWood);
    for (double side : {-1.0, 1.0}) {
        for (double x : {7.4, 14.9}) {
            const double lift = 0.65 * x / kLowerSpan;
            f.beam({side * x, 3.0 + lift, 1.6}, {side * x, 9.0 + 0.35 * x / kUpperSpan, 2.6}, 0.16, 0.45, wood,
                   {0, 0, 1});
            f.close(kAirframeMap);
            f.beam({side * x, 3.0 + lift, -2.4}, {side * x, 9.0 + 0.35 * x / kUpperSpan, -1.4}, 0.16, 0.45, wood,
                   {0, 0, 1});
            f.close(kAirframeMap);
        }
        for (double z : {2.4, -1.2}) {
            f.beam({side * 1.3, 7.0, z}, {side * 0.9, 9.0, z + 0.3}, 0.14, 0.35, wood, {0, 0, 1});
            f.close(kAirframeMap);
        }
    }
}

// A V each side to the axle, the axle, the wheels outside it.
void undercarriage(Airframe& f) {
    const Region wood = atlas::swatch(atlas::kWood), metal = atlas::swatch(atlas::kMetal);
    for (double side : {-1.0, 1.0}) {
        f.beam({side * 1.4, 2.9, 5.0}, {side * 2.6, -0.85, 3.6}, 0.14, 0.4, wood, {0, 0, 1});
        f.close(kAirframeMap);
        f.beam({side * 1.4, 2.9, 1.6}, {side * 2.6, -0.85, 3.6}, 0.14, 0.4, wood, {0, 0, 1});
        f.close(kAirframeMap);
    }
    f.beam({-3.1, -0.85, 3.6}, {3.1, -0.85, 3.6}, 0.2, 0.2, metal, {0, 0, 1});
    f.close(kAirframeMap, 0, kQuads, 0);
    for (double side : {-1.0, 1.0}) wheel(f, side * 2.9, side);
}

// The tailplane halves, each with its elevator hinged behind it.
void tailplane(Airframe& f) {
    for (double side : {-1.0, 1.0}) {
        constexpr double kHalf = 0.08;
        const Region& r = atlas::kTailplane;
        const int t = f.point({side * 0.4, 5.85 + kHalf, -16.4}, r, 0, 1);
        f.point({side * 0.4, 5.85 + kHalf, -19.6}, r, 0, 0.3);
        f.point({side * 6.7, 5.85 + kHalf, -19.4}, r, 1, 0.3);
        f.point({side * 6.7, 5.85 + kHalf, -17.6}, r, 1, 1);
        const int u = f.point({side * 0.4, 5.85 - kHalf, -16.4}, atlas::kWingUnder, 0.05, 0.6);
        f.point({side * 0.4, 5.85 - kHalf, -19.6}, atlas::kWingUnder, 0.05, 0.1);
        f.point({side * 6.7, 5.85 - kHalf, -19.4}, atlas::kWingUnder, 0.3, 0.1);
        f.point({side * 6.7, 5.85 - kHalf, -17.6}, atlas::kWingUnder, 0.3, 0.6);
        f.quad(t, t + 1, t + 2, t + 3, {0, 1, 0});
        f.close(kAirframeMap);
        const V3 c{side * 3.5, 5.85, -18.5};
        f.quad(u, u + 1, u + 2, u + 3, {0, -1, 0});
        f.quadFrom(t, t + 3, u + 3, u, c);
        f.quadFrom(t + 2, t + 3, u + 3, u + 2, c);
        f.quadFrom(t + 1, t + 2, u + 2, u + 1, c);
        f.close(kAirframeMap);
        f.beam({side * 0.45, 5.85, -20.3}, {side * 6.5, 5.85, -20.1}, 1.4, 0.12, Region{r.u0, r.u1, r.v0, r.v0 + 0.07f},
               {0, 0, 1});
        f.close(kAirframeMap);
    }
}

// The fin and the tall rudder, flat and seen from both sides; the tailplane's struts and the skid.
void finAndRudder(Airframe& f) {
    const Region& fin = atlas::kFin;
    auto finU = [](double z) { return (-17.0 - z) / 5.8; };
    auto finV = [](double y) { return (y - 5.6) / 5.0; };
    auto finPoint = [&](double y, double z) { return f.point({0, y, z}, fin, finU(z), finV(y)); };
    const int fa = finPoint(5.9, -17.0), fb = finPoint(9.2, -19.9), fc = finPoint(9.4, -20.4), fd = finPoint(5.65, -20.4);
    f.items.insert(f.items.end(), {fa, fb, fc, fd});
    f.close(kAirframeMap, kNoCull);
    const int ra = finPoint(4.6, -20.4), rb = finPoint(10.4, -20.4), rc = finPoint(10.2, -21.6),
              rd = finPoint(9.0, -22.6), re = finPoint(4.9, -22.5);
    f.items.insert(f.items.end(), {ra, rb, rc, rd, ra, rd, re, ra});
    f.close(kAirframeMap, kNoCull);
    const Region wood = atlas::swatch(atlas::kWood), metal = atlas::swatch(atlas::kMetal);
    for (double side : {-1.0, 1.0}) {
        f.beam({side * 0.3, 4.7, -19.0}, {side * 3.2, 5.8, -19.0}, 0.08, 0.18, metal, {0, 0, 1});
        f.close(kAirframeMap, 0, kQuads, 0);
    }
    f.beam({0, 4.9, -18.8}, {0, 3.7, -19.8}, 0.15, 0.3, wood, {1, 0, 0});
    f.close(kAirframeMap);
}

// The Liberty's exhaust manifolds along both sides of the cowl, the spinner, the synchronised gun
// on the cowl with the pilot's telescopic sight beside it, and the windscreen.
void engine(Airframe& f) {
    const Region metal = atlas::swatch(atlas::kMetal), gun = atlas::swatch(atlas::kGunMetal);
    for (double side : {-1.0, 1.0}) {
        f.beam({side * 1.72, 6.9, 6.4}, {side * 1.72, 6.9, 1.9}, 0.22, 0.3, gun, {1, 0, 0});
        f.close(kAirframeMap, 0, kQuads, 0);
    }
    const int hub = f.point({0, kHubY, 7.35}, metal, 0.5, 0.5);
    for (int k = 0; k <= 8; ++k) {
        const double a = 2 * kPi * k / 8;
        f.point({0.55 * std::sin(a), kHubY + 0.55 * std::cos(a), 7.02}, metal, 0.5 + 0.5 * std::sin(a),
                0.5 + 0.5 * std::cos(a));
    }
    for (int k = 0; k < 8; ++k) f.quadFrom(hub, hub + 1 + k, hub + 2 + k, hub, {0, kHubY, 6.0});
    f.close(kAirframeMap, 0, kQuads, 0);
    f.beam({-0.55, 7.35, 5.4}, {-0.55, 7.35, 2.0}, 0.22, 0.24, gun, {1, 0, 0});
    f.close(kAirframeMap, 0, kQuads, 0);
    f.beam({0.35, 7.75, 4.2}, {0.35, 7.85, 1.3}, 0.12, 0.12, gun, {1, 0, 0});
    f.close(kAirframeMap, 0, kQuads, 0);
    const int ws = f.point({-0.55, 7.05, 1.7}, metal, 0, 0);
    f.point({0.55, 7.05, 1.7}, metal, 1, 0);
    f.point({0.45, 7.65, 1.5}, metal, 1, 1);
    f.point({-0.45, 7.65, 1.5}, metal, 0, 1);
    f.items.insert(f.items.end(), {ws, ws + 1, ws + 2, ws + 3});
    f.close(kAirframeMap, kNoCull, kQuads, 0);
}

// The cockpits' leather coamings, and the gunner's ring with twin guns pointing aft.
void cockpits(Airframe& f) {
    const Region gun = atlas::swatch(atlas::kGunMetal), leather = atlas::swatch(atlas::kLeather);
    const double coamings[2][3] = {{1.2, -1.5, 7.0}, {-3.4, -6.6, 6.65}};  // front z, back z, top y (ft)
    for (const auto& c : coamings) {
        const double zc = (c[0] + c[1]) / 2, rz = (c[0] - c[1]) / 2, rx = 1.1;
        int ring = 0;
        for (int k = 0; k <= 10; ++k) {
            const double a = 2 * kPi * k / 10;
            const int p = f.point({rx * std::sin(a), c[2] + 0.05, zc + rz * std::cos(a)}, leather, k / 10.0, 0);
            f.point({rx * std::sin(a), c[2] + 0.3, zc + rz * std::cos(a)}, leather, k / 10.0, 1);
            if (k == 0) ring = p;
        }
        for (int k = 0; k < 10; ++k)
            f.quadFrom(ring + 2 * k, ring + 2 * k + 1, ring + 2 * k + 3, ring + 2 * k + 2, {0, c[2] + 0.2, zc});
        f.close(kAirframeMap);
    }
    int scarff = 0;
    for (int k = 0; k <= 12; ++k) {
        const double a = 2 * kPi * k / 12;
        const int p = f.point({1.45 * std::sin(a), 7.0, -5.0 + 1.45 * std::cos(a)}, gun, k / 12.0, 0);
        f.point({1.25 * std::sin(a), 7.12, -5.0 + 1.25 * std::cos(a)}, gun, k / 12.0, 1);
        if (k == 0) scarff = p;
    }
    for (int k = 0; k < 12; ++k)
        f.quadFrom(scarff + 2 * k, scarff + 2 * k + 1, scarff + 2 * k + 3, scarff + 2 * k + 2, {0, 6.0, -5.0});
    f.close(kAirframeMap, 0, kQuads, 0);
    for (double side : {-0.22, 0.22}) {
        f.beam({side, 7.55, -5.9}, {side, 7.75, -8.9}, 0.16, 0.22, gun, {1, 0, 0});
        f.close(kAirframeMap, 0, kQuads, 0);
    }
}

// Bomb racks under the lower wings, inboard of the first struts.
void bombRacks(Airframe& f) {
    const Region metal = atlas::swatch(atlas::kMetal);
    for (double side : {-1.0, 1.0}) {
        f.beam({side * 4.6, 2.62, 1.0}, {side * 4.6, 2.62, -2.2}, 0.35, 0.2, metal, {1, 0, 0});
        f.close(kAirframeMap, 0, kQuads, 0);
    }
}

// Flying wires from the lower roots to the outer struts' heads, landing wires from the upper roots
// to the outer struts' feet, and the tail's bracing; drawn as unlit lines.
void rigging(Airframe& f) {
    const Region wire = atlas::swatch(atlas::kMetal);
    for (double side : {-1.0, 1.0}) {
        for (double z : {1.8, -2.2}) {
            const int w = f.point({side * 1.6, 3.0, z}, wire, 0.5, 0.5);
            f.point({side * 7.3, 9.1, z + 0.9}, wire, 0.5, 0.5);
            f.point({side * 7.4, 3.2, z}, wire, 0.5, 0.5);
            f.point({side * 14.8, 9.2, z + 0.9}, wire, 0.5, 0.5);
            f.point({side * 1.2, 9.0, z + 0.9}, wire, 0.5, 0.5);
            f.point({side * 14.9, 3.5, z}, wire, 0.5, 0.5);
            f.items.insert(f.items.end(), {w, w + 1, w + 2, w + 3, w + 4, w + 2, w + 1, w + 5});
        }
        f.close(kAirframeMap, kUnlit, kLines, 0);
    }
    const int tw = f.point({0, 9.0, -19.9}, wire, 0.5, 0.5);
    f.point({-3.0, 5.9, -19.4}, wire, 0.5, 0.5);
    f.point({3.0, 5.9, -19.4}, wire, 0.5, 0.5);
    f.items.insert(f.items.end(), {tw, tw + 1, tw, tw + 2});
    f.close(kAirframeMap, kUnlit, kLines, 0);
}

// Polygons 4.. of the airframe in the order they are built; the caller lays them out, and the
// bomber's step addresses them by number, so the order of these steps is part of the model.
void airframe(Airframe& f) {
    fuselage(f);
    wings(f);
    struts(f);
    undercarriage(f);
    tailplane(f);
    finAndRudder(f);
    engine(f);
    cockpits(f);
    bombRacks(f);
    rigging(f);
    crew(f);
}

Mesh buildBomber() {
    Airframe f;
    Mesh& b = f.b;
    // Points 0 and 1: the never-drawn first polygon's stroke along the propeller's axis.
    b.vertex(0, kHubY, 7.0, 0, 0);
    b.vertex(0, kHubY, 7.5, 0, 0);
    // Points 2..5: the spinning disc, a square round the hub (turned each frame by the object).
    const double r = 4.41;
    b.vertex(-r, kHubY - r, 7.24, 0, 0);
    b.vertex(r, kHubY - r, 7.24, 1, 0);
    b.vertex(r, kHubY + r, 7.24, 1, 1);
    b.vertex(-r, kHubY + r, 7.24, 0, 1);

    b.polygon(kDiscMap, kLines, kSkip | kUnlit, {0, 1});
    OnePolygonVer2& disc = b.polygon(kDiscMap, kQuads, kTransparent | kNoCull, {2, 3, 4, 5});
    disc.MaterialLightDataOffset = kFabric;
    const size_t firstBody = b.polygons.size();
    airframe(f);
    const size_t bodyCount = b.polygons.size() - firstBody;

    // The stopped propeller: two blades of walnut, upright.
    const Region wood = atlas::swatch(atlas::kWood);
    for (double dir : {1.0, -1.0}) {
        const int p = f.point({-0.32, kHubY + dir * 0.5, 7.3}, wood, 0, 0);
        f.point({0.32, kHubY + dir * 0.5, 7.3}, wood, 1, 0);
        f.point({0.2, kHubY + dir * r, 7.3}, wood, 1, 1);
        f.point({-0.2, kHubY + dir * r, 7.3}, wood, 0, 1);
        f.items.insert(f.items.end(), {p, p + 1, p + 2, p + 3});
        f.close(kAirframeMap, kNoCull);
    }
    // The points the model does not use up to the scar's four.
    while (int(b.points.size()) < kFirstScarPoint) b.vertex(0, kHubY, 0, 0.5, 0.5);
    const int scar = b.vertex(-45, 0.5, 70, 0, 1);
    b.vertex(45, 0.5, 70, 1, 1);
    b.vertex(45, 0.5, -70, 1, 0);
    b.vertex(-45, 0.5, -70, 0, 0);
    OnePolygonVer2& earth = b.polygon(kEarthMap, kQuads, 0x13, {scar, scar + 1, scar + 2, scar + 3});
    earth.PolyColor = {0.9f, 0.9f, 0.9f, 1.0f};

    // Lay the polygons out in the order the object addresses: the hidden stroke, two airframe
    // polygons, the disc, the airframe up to the blades, the blades, the rest, the scar.
    std::vector<OnePolygonVer2> all = b.polygons, laid;
    const auto body = [&](size_t k) { return all[firstBody + k]; };
    laid.push_back(all[0]);
    laid.push_back(body(0));
    laid.push_back(body(1));
    laid.push_back(all[1]);
    size_t k = 2;
    while (int(laid.size()) < kBladeA && k < bodyCount) laid.push_back(body(k++));
    laid.push_back(all[firstBody + bodyCount]);
    laid.push_back(all[firstBody + bodyCount + 1]);
    while (k < bodyCount) laid.push_back(body(k++));
    laid.push_back(all.back());
    b.polygons = laid;
    b.finish();
    return b;
}

}  // namespace

const Mesh& bomberMesh() {
    static const Mesh m = buildBomber();
    return m;
}

}  // namespace pellam::armed::bomber
