#include "objects/Tanks.h"

#include <cmath>

#include "core/Constants.h"
#include "core/Mesh.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {

using Outline = std::array<std::array<float, 2>, 16>;  // (z, y) round the track, ft

// Picture regions (u0, v0, u1, v1): riveted armour, the track frame with its rollers.
constexpr Mesh::UVRect kArmour{0.1f, 0.0f, 0.6f, 0.8f}, kFrame{0.62f, 0.0f, 1.0f, 0.8f},
    kDark{0.9f, 0.9f, 0.95f, 0.95f};

// The two edges of a tread strip: 17 vertices each (the last repeats the first), outer then inner.
std::vector<int> tread(Mesh& m, const Outline& o, float outer, float inner) {
    std::vector<int> run;
    const int a = int(m.points.size());
    for (float x : {outer, inner})
        for (int k = 0; k <= 16; ++k) m.vertex(x, o[k % 16][1], o[k % 16][0]);
    for (int k = 0; k < 16; ++k) run.insert(run.end(), {a + k, a + k + 1, a + 18 + k, a + 17 + k});
    return run;
}

// The flat side of a track frame: a fan of its centre and the 17-point closed outline (18).
std::vector<int> frame(Mesh& m, const Outline& o, float x) {
    std::vector<int> run;
    float zl = 1e9f, zh = -1e9f, yh = 0;
    for (const auto& p : o) zl = std::min(zl, p[0]), zh = std::max(zh, p[0]), yh = std::max(yh, p[1]);
    const auto uv = [&](float z, float y, float& u, float& v) {
        u = kFrame[0] + (kFrame[2] - kFrame[0]) * (z - zl) / (zh - zl);
        v = kFrame[1] + (kFrame[3] - kFrame[1]) * (y / yh);
    };
    float u, v;
    uv((zl + zh) / 2, yh / 2, u, v);
    run.push_back(m.vertex(x, yh / 2, (zl + zh) / 2, u, v));
    for (int k = 0; k <= 16; ++k) {
        const auto& p = o[k % 16];
        uv(p[0], p[1], u, v);
        run.push_back(m.vertex(x, p[1], p[0], u, v));
    }
    return run;
}

// A fan of a centre and n rim points round (cx, cy, cz) in the horizontal plane (n + 1 vertices).
std::vector<int> disc(Mesh& m, float cx, float cy, float cz, float r, int n, Mesh::UVRect uv) {
    std::vector<int> run{m.vertex(cx, cy, cz, (uv[0] + uv[2]) / 2, (uv[1] + uv[3]) / 2)};
    for (int k = 0; k < n; ++k) {
        const double a = 2 * kPi * k / n;
        run.push_back(m.vertex(float(cx + r * std::sin(a)), cy, float(cz + r * std::cos(a)),
                               float(uv[0] + (uv[2] - uv[0]) * (0.5 + 0.5 * std::sin(a))),
                               float(uv[1] + (uv[3] - uv[1]) * (0.5 + 0.5 * std::cos(a)))));
    }
    run.push_back(run[1]);
    return run;
}

// A gun barrel 0.4 ft across from `from` along unit direction (dx, dz), `length` ft: the breech
// ring and the muzzle ring, 9 points each (the last repeats the first's place).
std::vector<int> barrel(Mesh& m, std::array<float, 3> from, float dx, float dz, float length) {
    std::vector<int> run;
    const int a = int(m.points.size());
    for (float t : {0.0f, length}) {
        for (int k = 0; k <= 8; ++k) {
            const double ang = 2 * kPi * k / 8;
            const float side = float(0.2 * std::cos(ang)), up = float(0.2 * std::sin(ang));
            m.vertex(from[0] + dx * t + dz * side, from[1] + up, from[2] + dz * t - dx * side);
        }
    }
    for (int k = 0; k < 8; ++k) run.insert(run.end(), {a + k, a + k + 1, a + 10 + k, a + 9 + k});
    return run;
}

// A quad-strip mantlet of 6 vertices round a gun's root.
std::vector<int> mantlet(Mesh& m, float x, float y, float z, float w, float h) {
    const int a = int(m.points.size());
    for (int k = 0; k < 3; ++k) {
        const float dx = w * (k - 1) * 0.5f, dz = k == 1 ? 0.35f : 0.0f;
        m.vertex(x + dx, y + h, z + dz, 0.15f + 0.2f * k, 0.0f);
        m.vertex(x + dx, y - h, z + dz, 0.15f + 0.2f * k, 0.15f);
    }
    return {a, a + 1, a + 3, a + 2, a + 2, a + 3, a + 5, a + 4};
}

std::vector<int> shadowRun(Mesh& m) {
    const int a = int(m.points.size());
    for (int k = 0; k < 8; ++k) m.vertex(0, 0.05f, 0);
    std::vector<int> run;
    run.reserve(16);
    for (int k = 0; k < 4; ++k)
        for (int corner : {a + k, a + (k + 1) % 4, a + 4 + (k + 1) % 4, a + 4 + k}) run.push_back(corner);
    return run;
}

std::vector<int> patchRun(Mesh& m) {
    std::vector<int> run;
    m.plate(run, {-19, 1, -19}, {-19, 1, 19}, {19, 1, 19}, {19, 1, -19}, {0, 0, 1, 1});
    return run;
}

constexpr std::array<float, 4> kShade{0.15f, 0.15f, 0.15f, 1.0f};

// A box-hulled tank, 8 ft wide, 19 long: tracks low along the hull, a superstructure with a
// cupola, one short gun forward.
Mesh buildTank1() {
    Mesh m;
    const Outline o{{{0, 0}, {4, 0}, {7, 0.1f}, {9.2f, 0.8f}, {10.5f, 2.2f}, {10.3f, 3.8f}, {9.3f, 4.6f}, {6, 4.6f},
                     {2, 4.6f}, {-2, 4.6f}, {-6, 4.6f}, {-7.9f, 4.2f}, {-8.5f, 3.0f}, {-8.2f, 1.4f}, {-6.8f, 0.3f}, {-4, 0}}};
    std::vector<int> hull;
    m.plate(hull, {-2.6f, 5.6f, -8.0f}, {2.6f, 5.6f, -8.0f}, {2.6f, 5.6f, 9.0f}, {-2.6f, 5.6f, 9.0f}, kArmour);  // deck
    m.plate(hull, {-2.6f, 0.6f, 9.0f}, {2.6f, 0.6f, 9.0f}, {2.6f, 0.6f, -8.0f}, {-2.6f, 0.6f, -8.0f}, kArmour);  // belly
    m.plate(hull, {-2.6f, 5.6f, 9.0f}, {2.6f, 5.6f, 9.0f}, {2.6f, 2.0f, 10.2f}, {-2.6f, 2.0f, 10.2f}, kArmour);  // glacis
    m.plate(hull, {2.6f, 5.6f, -8.0f}, {-2.6f, 5.6f, -8.0f}, {-2.6f, 1.0f, -8.3f}, {2.6f, 1.0f, -8.3f}, kArmour);  // tail
    const std::vector<int> leftTread = tread(m, o, -4.0f, -2.6f);
    m.expectAt(50, "TankWWI");
    std::vector<int> sides[7];
    m.plate(sides[0], {-2.6f, 5.6f, -8.0f}, {-2.6f, 5.6f, 9.0f}, {-2.6f, 0.6f, 9.0f}, {-2.6f, 0.6f, -8.0f}, kArmour);
    m.plate(sides[1], {2.6f, 5.6f, 9.0f}, {2.6f, 5.6f, -8.0f}, {2.6f, 0.6f, -8.0f}, {2.6f, 0.6f, 9.0f}, kArmour);
    m.plate(sides[2], {-2.6f, 2.0f, 10.2f}, {2.6f, 2.0f, 10.2f}, {2.6f, 0.6f, 9.0f}, {-2.6f, 0.6f, 9.0f}, kArmour);
    m.plate(sides[3], {-1.2f, 5.0f, 9.31f}, {1.2f, 5.0f, 9.31f}, {1.2f, 4.7f, 9.43f}, {-1.2f, 4.7f, 9.43f}, kDark);  // vision slit
    m.plate(sides[4], {-4.1f, 4.75f, -8.0f}, {-4.1f, 4.75f, 9.6f}, {-2.5f, 4.75f, 9.6f}, {-2.5f, 4.75f, -8.0f}, kArmour);
    m.plate(sides[5], {2.5f, 4.75f, -8.0f}, {2.5f, 4.75f, 9.6f}, {4.1f, 4.75f, 9.6f}, {4.1f, 4.75f, -8.0f}, kArmour);
    m.plate(sides[6], {-0.8f, 3.0f, -8.35f}, {0.8f, 3.0f, -8.35f}, {0.8f, 1.6f, -8.35f}, {-0.8f, 1.6f, -8.35f}, kDark);  // door
    m.expectAt(78, "TankWWI");
    const std::vector<int> rightTread = tread(m, o, 4.0f, 2.6f);
    m.expectAt(112, "TankWWI");
    const std::vector<int> rightFrame = frame(m, o, 4.02f);
    const std::vector<int> leftFrame = frame(m, o, -4.02f);
    m.expectAt(148, "TankWWI");
    const std::vector<int> cupola = disc(m, -0.5f, 9.0f, 1.0f, 1.3f, 12, kArmour);
    m.expectAt(161, "TankWWI");
    const std::vector<int> gunShield = mantlet(m, 0.0f, 6.6f, 6.5f, 2.4f, 0.9f);
    m.expectAt(167, "TankWWI");
    std::vector<int> hatch{m.vertex(-0.5f, 9.02f, 1.0f)};
    for (int k = 0; k < 4; ++k) hatch.push_back(m.vertex(-0.5f + (k % 3 ? 0.6f : -0.6f), 9.02f, 1.0f + (k < 2 ? 0.6f : -0.6f)));
    hatch.push_back(hatch[1]);
    m.expectAt(172, "TankWWI");
    std::vector<int> superstructure, cab;
    m.box(superstructure, -2.5f, 2.5f, 5.6f, 8.0f, -6.0f, 6.5f, kArmour);
    m.box(cab, -1.6f, 1.0f, 8.0f, 9.0f, -0.5f, 2.5f, kArmour);
    const std::vector<int> exhaust = disc(m, 1.6f, 8.3f, -5.0f, 0.4f, 4, kDark);
    m.expectAt(225, "TankWWI");
    const std::vector<int> gun = barrel(m, {0.0f, 6.6f, 6.8f}, 0.0f, 1.0f, 3.7f);
    m.expectAt(243, "TankWWI");
    std::vector<int> guards[2];
    for (float x : {-1.0f, 1.0f})  // mud chutes over the track fronts
        m.plate(guards[0], {x * 4.1f, 4.9f, 8.0f}, {x * 2.5f, 4.9f, 8.0f}, {x * 2.5f, 4.9f, 10.4f}, {x * 4.1f, 4.9f, 10.4f}, kArmour);
    for (float z : {-3.0f, 0.0f, 3.0f})  // louvres along the superstructure
        m.plate(guards[1], {2.52f, 7.4f, z - 0.8f}, {2.52f, 7.4f, z + 0.8f}, {2.52f, 6.6f, z + 0.8f}, {2.52f, 6.6f, z - 0.8f}, kDark);
    m.expectAt(263, "TankWWI");
    const std::vector<int> patch = patchRun(m);
    const std::vector<int> shadow = shadowRun(m);
    m.expectAt(275, "TankWWI");
    std::vector<int> door = disc(m, 0.0f, 8.02f, -4.0f, 0.5f, 4, kDark);
    m.expectAt(TankWWI::kVertices, "TankWWI");

    m.polygon(0, effects::kQuads, kUntextured | kUnlit, shadow, kShade);
    m.polygon(0, effects::kQuads, kNoCull, hull);
    m.polygon(0, effects::kTriangleFan, kNoCull, leftFrame);
    m.polygon(0, effects::kQuads, kNoCull, leftTread);
    m.polygon(0, effects::kQuads, kNoCull, sides[0]);
    m.polygon(0, effects::kTriangleFan, kNoCull, rightFrame);
    m.polygon(0, effects::kTriangleFan, kNoCull, cupola);
    m.polygon(0, effects::kQuads, kNoCull, rightTread);
    m.polygon(0, effects::kQuads, kNoCull, gunShield);
    m.polygon(0, effects::kTriangleFan, kNoCull, hatch);
    m.polygon(0, effects::kQuads, kNoCull, superstructure);
    m.polygon(0, effects::kQuads, kNoCull, cab);
    m.polygon(0, effects::kTriangleFan, kNoCull, exhaust);
    m.polygon(0, effects::kQuads, kNoCull, gun);
    m.polygon(0, effects::kQuads, kNoCull, guards[0]);
    m.polygon(0, effects::kQuads, kNoCull, guards[1]);
    m.polygon(0, effects::kTriangleFan, kNoCull, door);
    for (int k = 1; k < 7; ++k) m.polygon(0, effects::kQuads, kNoCull, sides[k]);
    m.polygon(2, effects::kQuads, 0, patch);
    m.finish();
    return m;
}

// A rhomboid tank 13 ft wide and 32 long whose tracks run right round the hull, a short gun
// forward and a gun in a sponson on each side.
Mesh buildTank2() {
    Mesh m;
    const Outline o{{{0, 0}, {6, 0}, {11, 0.5f}, {14.5f, 2.5f}, {16, 5.5f}, {15.2f, 8.0f}, {12, 8.6f}, {6, 8.7f},
                     {0, 8.7f}, {-6, 8.7f}, {-12, 8.6f}, {-15, 7.8f}, {-16, 5.0f}, {-14.5f, 2.2f}, {-11, 0.4f}, {-6, 0}}};
    std::vector<int> hull;
    m.plate(hull, {-4.5f, 8.2f, -13.0f}, {4.5f, 8.2f, -13.0f}, {4.5f, 8.2f, 13.0f}, {-4.5f, 8.2f, 13.0f}, kArmour);
    m.plate(hull, {-4.5f, 0.8f, 11.0f}, {4.5f, 0.8f, 11.0f}, {4.5f, 0.8f, -11.0f}, {-4.5f, 0.8f, -11.0f}, kArmour);
    m.plate(hull, {-4.5f, 8.2f, 13.0f}, {4.5f, 8.2f, 13.0f}, {4.5f, 2.5f, 14.5f}, {-4.5f, 2.5f, 14.5f}, kArmour);
    m.plate(hull, {4.5f, 8.2f, -13.0f}, {-4.5f, 8.2f, -13.0f}, {-4.5f, 2.2f, -14.5f}, {4.5f, 2.2f, -14.5f}, kArmour);
    const std::vector<int> leftTread = tread(m, o, -6.5f, -4.5f);
    m.expectAt(50, "Tank2WWI");
    const std::vector<int> leftFrame = frame(m, o, -6.52f);
    const std::vector<int> cupola = disc(m, 0.0f, 10.0f, 9.0f, 1.2f, 12, kArmour);
    m.expectAt(81, "Tank2WWI");
    const std::vector<int> rightTread = tread(m, o, 6.5f, 4.5f);
    m.expectAt(115, "Tank2WWI");
    const std::vector<int> rightFrame = frame(m, o, 6.52f);
    const std::vector<int> leftInner = frame(m, o, -4.48f);
    const std::vector<int> rightInner = frame(m, o, 4.48f);
    std::vector<int> vent{m.vertex(-1.0f, 10.02f, 6.0f, 1, 1), m.vertex(1.0f, 10.02f, 6.0f, 1, 1), m.vertex(0.0f, 10.02f, 4.5f, 1, 1)};
    m.expectAt(172, "Tank2WWI");
    std::vector<int> facets;  // the sponsons' angled front facets
    for (float x : {-1.0f, 1.0f}) {
        m.plate(facets, {x * 6.5f, 6.8f, 3.0f}, {x * 8.2f, 6.8f, 2.0f}, {x * 8.2f, 3.2f, 2.0f}, {x * 6.5f, 3.2f, 3.0f}, {0.1f, 0.0f, 0.3f, 0.1f});
    }
    m.plate(facets, {-1.4f, 9.6f, 10.3f}, {1.4f, 9.6f, 10.3f}, {1.4f, 8.3f, 10.5f}, {-1.4f, 8.3f, 10.5f}, {0.1f, 0.0f, 0.3f, 0.1f});
    m.expectAt(184, "Tank2WWI");
    std::vector<int> hatch;
    m.plate(hatch, {-0.8f, 8.3f, -13.2f}, {0.8f, 8.3f, -13.2f}, {0.8f, 3.5f, -13.6f}, {-0.8f, 3.5f, -13.6f}, kDark);
    m.expectAt(188, "Tank2WWI");
    std::vector<int> body, cab;
    m.box(body, -4.5f, 4.5f, 0.8f, 8.2f, -12.0f, 12.0f, kArmour);
    m.box(cab, -1.8f, 1.8f, 8.2f, 10.0f, 7.5f, 10.5f, kArmour);
    std::vector<int> vent2{m.vertex(-1.0f, 8.22f, -6.0f, 1, 1), m.vertex(1.0f, 8.22f, -6.0f, 1, 1), m.vertex(0.0f, 8.22f, -7.5f, 1, 1)};
    m.expectAt(239, "Tank2WWI");
    const std::vector<int> gunForward = barrel(m, {0.0f, 9.0f, 10.5f}, 0.0f, 1.0f, 3.0f);
    m.expectAt(257, "Tank2WWI");
    std::vector<int> sponsons[2];
    const auto sponson = [&m](std::vector<int>& run, float x) {
        const float xi = 6.5f * x, xo = 8.2f * x, xl = xo + 0.02f * x;
        m.plate(run, {xo, 6.8f, 2.0f}, {xo, 6.8f, -3.0f}, {xo, 3.2f, -3.0f}, {xo, 3.2f, 2.0f}, kArmour);
        m.plate(run, {xi, 6.8f, -4.0f}, {xo, 6.8f, -3.0f}, {xo, 3.2f, -3.0f}, {xi, 3.2f, -4.0f}, kArmour);
        m.plate(run, {xi, 6.8f, 3.0f}, {xo, 6.8f, 2.0f}, {xo, 6.8f, -3.0f}, {xi, 6.8f, -4.0f}, kArmour);
        m.plate(run, {xi, 3.2f, 3.0f}, {xo, 3.2f, 2.0f}, {xo, 3.2f, -3.0f}, {xi, 3.2f, -4.0f}, kArmour);
        m.plate(run, {xl, 6.2f, 1.0f}, {xl, 6.2f, -2.0f}, {xl, 5.6f, -2.0f}, {xl, 5.6f, 1.0f}, kDark);  // loophole
    };
    sponson(sponsons[0], -1.0f);
    m.expectAt(277, "Tank2WWI");
    const std::vector<int> patch = patchRun(m);
    sponson(sponsons[1], 1.0f);
    m.expectAt(301, "Tank2WWI");
    const std::vector<int> gunLeft = barrel(m, {-8.3f, 5.9f, -0.5f}, -1.0f, 0.0f, 2.6f);
    std::vector<int> plates[7];
    for (int k = 0; k < 3; ++k) {  // louvres on the roof
        const float z = -8.0f + 3.0f * k;
        m.plate(plates[k], {-2.0f, 8.22f, z}, {2.0f, 8.22f, z}, {2.0f, 8.22f, z + 1.5f}, {-2.0f, 8.22f, z + 1.5f}, kDark);
    }
    for (int k = 0; k < 2; ++k) {  // mud chutes at the track tails
        const float x = k ? 1.0f : -1.0f;
        m.plate(plates[3 + k], {x * 6.6f, 2.0f, -15.0f}, {x * 4.4f, 2.0f, -15.0f}, {x * 4.4f, 0.6f, -14.0f},
                {x * 6.6f, 0.6f, -14.0f}, kArmour);
    }
    m.plate(plates[5], {-4.5f, 6.0f, 14.55f}, {4.5f, 6.0f, 14.55f}, {4.5f, 5.0f, 14.2f}, {-4.5f, 5.0f, 14.2f}, kDark);
    m.plate(plates[6], {-1.0f, 9.6f, 10.52f}, {1.0f, 9.6f, 10.52f}, {1.0f, 9.3f, 10.52f}, {-1.0f, 9.3f, 10.52f}, kDark);
    m.expectAt(347, "Tank2WWI");
    const std::vector<int> gunRight = barrel(m, {8.3f, 5.9f, -0.5f}, 1.0f, 0.0f, 2.6f);
    m.expectAt(365, "Tank2WWI");
    std::vector<int> beam;  // the unditching beam's rails on the roof
    for (float x : {-5.2f, 5.2f})
        m.plate(beam, {x - 0.3f, 8.9f, -13.5f}, {x + 0.3f, 8.9f, -13.5f}, {x + 0.3f, 8.9f, 6.0f}, {x - 0.3f, 8.9f, 6.0f}, kArmour);
    m.expectAt(373, "Tank2WWI");
    const std::vector<int> shadow = shadowRun(m);
    const std::vector<int> door = disc(m, 0.0f, 10.02f, 9.0f, 0.5f, 4, kDark);
    m.expectAt(Tank2WWI::kVertices, "Tank2WWI");

    m.polygon(0, effects::kQuads, kUntextured | kUnlit, shadow, kShade);
    m.polygon(0, effects::kQuads, kNoCull, hull);
    m.polygon(0, effects::kTriangleFan, kNoCull, leftFrame);
    m.polygon(0, effects::kQuads, kNoCull, leftTread);
    m.polygon(0, effects::kTriangleFan, kNoCull, cupola);
    m.polygon(0, effects::kTriangleFan, kNoCull, rightFrame);
    m.polygon(0, effects::kTriangleFan, kNoCull, leftInner);
    m.polygon(0, effects::kQuads, kNoCull, rightTread);
    m.polygon(0, effects::kTriangleFan, kNoCull, rightInner);
    m.polygon(0, effects::kTriangles, kNoCull, vent);
    m.polygon(0, effects::kQuads, kNoCull, facets);
    m.polygon(0, effects::kQuads, kNoCull, hatch);
    m.polygon(0, effects::kQuads, kNoCull, body);
    m.polygon(0, effects::kQuads, kNoCull, cab);
    m.polygon(0, effects::kTriangles, kNoCull, vent2);
    m.polygon(0, effects::kQuads, kNoCull, gunForward);
    m.polygon(0, effects::kQuads, kNoCull, sponsons[0]);
    m.polygon(0, effects::kQuads, kNoCull, sponsons[1]);
    m.polygon(0, effects::kQuads, kNoCull, gunLeft);
    for (const auto& p : plates) m.polygon(0, effects::kQuads, kNoCull, p);
    m.polygon(0, effects::kQuads, kNoCull, gunRight);
    m.polygon(0, effects::kQuads, kNoCull, beam);
    m.polygon(0, effects::kTriangleFan, kNoCull, door);
    m.polygon(2, effects::kQuads, 0, patch);
    m.finish();
    return m;
}

const TableName kTank1Maps[] = {{"Tank1L"}, {"TruckTireM"}, {"EarthN"},  {"Tank1L"}, {"GermanTankL"},
                                {"MedicTruckL"}, {"Earth2N"}, {"Earth3N"}, {kEndOfNameList}};
const TableName kTank2Maps[] = {{"Tank2L"}, {"TruckTireM"}, {"EarthN"},  {"Tank2L"}, {"GermanTankL"},
                                {"MedicTruckL"}, {"Earth2N"}, {"Earth3N"}, {kEndOfNameList}};

}  // namespace

void Tank::setModelType(int32_t code) {
    ModelType = code;
    ModelPointsPolys().MapListOffset[0] = ModelPointsPolys().MapListOffset[3];
}

void Tank::setTankValues() {
    setVehicleValues(25.0f, 35.0f, 150, 10);
    ThisModel.TheObject.HitSquare = {-4.0, 4.0, -0.1, 7.0, -7.0, 7.0};
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 1;
    g.SizeSquare[0] = {-4.0f, 0.0f, -8.0f, 4.0f, 10.0f, 8.0f, 0, 0, 0, 0, 0, 0};
}

// Texture coordinates laid once: the treads run back and forth over the link picture (v kept
// within about 0.3..0.7), the barrels over their own strip. Nothing moves them afterwards.
void Tank::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    GroundVehicle::afterLightTexture3dPointChangesFor(pp);
    const TankParts& t = parts();
    GLT2FN3FV3FFormat* p = pp->ThePoints;
    double v = 0.5, s = 1.0;
    bool armed = true;
    const GLT2FN3FV3FFormat* previous = &p[t.leftTrack[0] + 15];
    for (int i = 0; i <= 16; ++i) {
        const GLT2FN3FV3FFormat& k = p[t.leftTrack[0] + i];
        v += std::hypot(double(k.Z) - previous->Z, double(k.Y) - previous->Y) * 0.025 * s;
        if (v > 0.3 && v < 0.7) armed = true;
        if ((v < 0.3 || v > 0.7) && armed) {
            s = -s;
            armed = false;
        }
        for (const int* edges : {t.leftTrack, t.rightTrack}) {
            p[edges[0] + i].U = 0.0f;
            p[edges[1] + i].U = 0.07f;
            p[edges[0] + i].V = p[edges[1] + i].V = float(v);
        }
        previous = &k;
    }
    for (int i = t.raisedFirst; i <= t.raisedLast; ++i) p[i].V += t.raiseBy;
    for (int i = t.flatFirst; i <= t.flatLast; ++i) p[i].U = p[i].V = 1.0f;
    for (const auto& b : t.barrels) {
        double bv = 1.0;
        for (int i = 0; i < 9; ++i, bv -= 0.02) {
            p[b[0] + i].U = 0.65f;
            p[b[1] + i].U = 0.87f;
            p[b[0] + i].V = p[b[1] + i].V = float(bv);
        }
    }
}

const ModelTables& TankWWI::tables() const {
    static const ObjectHeaderTable header{"TankWWI", 0x420, 0, {}, 0, 0, 0, 42240.0f, 47520.0f, -250.0f, 26400.0f};
    static const Mesh mesh = buildTank1();
    static const ModelTables t = effects::meshTables(&header, "TankWWIFilePP", kTank1Maps, mesh);
    return t;
}

const GroundVehicle::Layout& TankWWI::layout() const {
    static const Layout l{{263, 264, 265, 266}, kPatchPolygon, 267, {-4, 4, -14, 10}};
    return l;
}

const TankParts& TankWWI::parts() const {
    static const TankParts t{{16, 33}, {78, 95}, 161, 166, 0.83f, 167, 171, {{225, 234}}};
    return t;
}

void TankWWI::setClassValues() { setTankValues(); }
auto TankWWI::getUsedTextureNames() -> const char (*)[32] { return kTank1Maps; }

const ModelTables& Tank2WWI::tables() const {
    static const ObjectHeaderTable header{"Tank2WWI", 0x420, 0, {}, 0, 0, 0, 42240.0f, 47520.0f, -250.0f, 26400.0f};
    static const Mesh mesh = buildTank2();
    static const ModelTables t = effects::meshTables(&header, "Tank2WWIFilePP", kTank2Maps, mesh);
    return t;
}

// The shadow covers the whole rhomboid, 13 by 32 ft.
const GroundVehicle::Layout& Tank2WWI::layout() const {
    static const Layout l{{277, 278, 279, 280}, kPatchPolygon, 373, {-6.5, 6.5, -16, 16}};
    return l;
}

const TankParts& Tank2WWI::parts() const {
    static const TankParts t{{16, 33}, {81, 98}, 172, 183, 0.88f, 184, 187, {{239, 248}, {301, 310}, {347, 356}}};
    return t;
}

// The tank's boxes are its body's, so that bullets through its sides hit.
void Tank2WWI::setClassValues() {
    setTankValues();
    ThisModel.TheObject.HitSquare = {-6.5, 6.5, -0.1, 10.0, -16.0, 16.0};
    ModelPointsPolys().SizeSquare[0] = {-6.5f, 0.0f, -16.0f, 6.5f, 10.0f, 16.0f, 0, 0, 0, 0, 0, 0};
}

auto Tank2WWI::getUsedTextureNames() -> const char (*)[32] { return kTank2Maps; }

}  // namespace pellam
