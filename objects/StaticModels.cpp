// Index: shared pieces (shadow points, earth patch, walls); the hangars; the huts; the wind sock
// and the race pylon; the bridges and the crater; the stone houses.
#include "objects/StaticModels.h"

#include <cmath>

#include "core/Constants.h"
#include "objects/EffectModel.h"

namespace pellam::statics {
namespace {

using effects::kQuads;
using effects::kTriangleFan;
using effects::kTriangleStrip;
using effects::kTriangles;
using Corner = Mesh::Corner;

constexpr int32_t kShadowHints = kUntextured | kUnlit | kNoCull | kOffset;
constexpr int32_t kPatchHints = kNoCull | kOffset;
constexpr std::array<float, 4> kShade{0.15f, 0.15f, 0.15f, 1.0f};
constexpr std::array<float, 4> kWhite{1, 1, 1, 1};
constexpr int16_t kLineStrip = 3;

void padTo(Mesh& m, int n) {
    while (int(m.points.size()) < n) m.vertex(0, 0, 0);
}
std::vector<int> range(int first, int end) {
    std::vector<int> r;
    for (int i = first; i < end; ++i) r.push_back(i);
    return r;
}
float dist(Corner a, Corner b) { return float(std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2])); }

// A flat quad of plates a (top left), b, c, d (foot left) whose texture repeats every `tile` ft.
void wall(Mesh& m, std::vector<int>& run, Corner a, Corner b, Corner c, Corner d, float tile) {
    m.plate(run, a, b, c, d, {0, 0, dist(a, b) / tile, dist(a, d) / tile});
}

// A roof plate covered once by the roofing picture's field of tarred felt (the right half of
// its lower 0.45), the battens running across the plate's V.
void roofing(Mesh& m, std::vector<int>& run, Corner a, Corner b, Corner c, Corner d) {
    m.plate(run, a, b, c, d, {0.52f, 0.01f, 0.98f, 0.44f});
}

// The box shadow's points at 0.5 ft: quad A over the footprint (its night shape), then quads B
// and C lying on the footprint's far edges until the first sunlit frame sweeps them out.
void shadowPoints(Mesh& m, double a, double b, bool withA) {
    const float fa = float(a), fb = float(b);
    if (withA)
        for (Corner c : {Corner{-fa, 0.5f, -fb}, Corner{-fa, 0.5f, fb}, Corner{fa, 0.5f, fb}, Corner{fa, 0.5f, -fb}})
            m.vertex(c[0], c[1], c[2]);
    for (Corner c : {Corner{fa, 0.5f, -fb}, Corner{fa, 0.5f, -fb}, Corner{-fa, 0.5f, -fb}, Corner{-fa, 0.5f, -fb},
                     Corner{-fa, 0.5f, -fb}, Corner{-fa, 0.5f, -fb}, Corner{-fa, 0.5f, fb}, Corner{-fa, 0.5f, fb}})
        m.vertex(c[0], c[1], c[2]);
}

// The earth patch a destroyed object leaves: a square of half-side h at 0.5 ft.
void patchPoints(Mesh& m, float h) {
    m.vertex(-h, 0.5f, h, 0, 1);
    m.vertex(h, 0.5f, h, 1, 1);
    m.vertex(h, 0.5f, -h, 1, 0);
    m.vertex(-h, 0.5f, -h, 0, 0);
}

// The destroyed look's patch from point `first`, drawn by the next polygon on map 2 ("EarthN").
void deadPatch(Mesh& m, int first, float half) {
    padTo(m, first);
    patchPoints(m, half);
    m.polygon(2, kQuads, kPatchHints, range(first, first + 4), {0.9f, 0.9f, 0.9f, 1});
}

// ---- The family's placeholder: a 30 x 60 ft ground plate in two triangles.
Mesh buildBase() {
    Mesh m;
    for (Corner c : {Corner{-15, 0.5f, 30}, Corner{15, 0.5f, 30}, Corner{15, 0.5f, -30}, Corner{-15, 0.5f, 30},
                     Corner{15, 0.5f, -30}, Corner{-15, 0.5f, -30}})
        m.vertex(c[0], c[1], c[2], c[0] > 0, c[2] > 0);
    m.polygon(0, kTriangles, kNoCull, range(0, 6));
    padTo(m, 13);
    m.finish();
    return m;
}

// ---- The big open hangar: 100 x 120 ft of plank walls under an arched roof, both ends open to
// 22 ft so that an aircraft can fly through; the folded doors stand at the corners. Map 0 planks,
// map 1 roofing.
Mesh buildBigHangar() {
    Mesh m;
    m.polygon(0, kQuads, kShadowHints, range(100, 116), kShade);
    std::vector<int> left, right;
    wall(m, left, {-50, 22, -60}, {-50, 22, 60}, {-50, 0, 60}, {-50, 0, -60}, 8);
    wall(m, right, {50, 22, 60}, {50, 22, -60}, {50, 0, -60}, {50, 0, 60}, 8);
    m.polygon(0, kQuads, kNoCull, left);
    m.polygon(0, kQuads, kNoCull, right);
    // The roof: a shallow arch of four bays, two each side of the ridge, eaves overhanging 2 ft.
    const float rx[5] = {-52, -26, 0, 26, 52}, ry[5] = {21.5f, 28, 30, 28, 21.5f};
    for (int half = 0; half < 2; ++half) {
        std::vector<int> roof;
        for (int k = 2 * half; k < 2 * half + 2; ++k)
            roofing(m, roof, {rx[k], ry[k], 61}, {rx[k + 1], ry[k + 1], 61}, {rx[k + 1], ry[k + 1], -61},
                    {rx[k], ry[k], -61});
        m.polygon(1, kQuads, kNoCull, roof);
    }
    // The gable ends above the opening.
    const float gx[5] = {-50, -26, 0, 26, 50}, gy[5] = {22, 27.7f, 30, 27.7f, 22};
    for (float z : {60.0f, -60.0f}) {
        std::vector<int> fan{m.vertex(0, 22, z, 6.25f, 0)};
        for (int k = 0; k < 5; ++k) fan.push_back(m.vertex(gx[k], gy[k], z, (gx[k] + 50) / 8, (gy[k] - 22) / 8));
        m.polygon(0, kTriangleFan, kNoCull, fan);
    }
    m.expectAt(36, "hangar");
    for (float z : {60.3f, -60.3f}) {  // the lintel beams over the openings
        std::vector<int> beam;
        wall(m, beam, {-50, 24, z}, {50, 24, z}, {50, 22, z}, {-50, 22, z}, 8);
        m.polygon(0, kQuads, kNoCull, beam, {0.7f, 0.62f, 0.55f, 1});
    }
    for (float side : {-1.0f, 1.0f}) {  // raking struts against the walls
        std::vector<int> struts;
        for (float z : {-59.0f, -20.0f, 20.0f, 59.0f})
            wall(m, struts, {side * 50, 20, z - 0.6f}, {side * 50, 20, z + 0.6f}, {side * 54.5f, 0, z + 0.6f},
                 {side * 54.5f, 0, z - 0.6f}, 8);
        m.polygon(0, kQuads, kNoCull, struts, {0.75f, 0.68f, 0.6f, 1});
    }
    for (float z : {60.0f, -60.0f}) {  // the door leaves folded back at the corners
        std::vector<int> doors;
        const float out = z > 0 ? 7 : -7;
        for (float side : {-1.0f, 1.0f})
            wall(m, doors, {side * 49.5f, 20, z}, {side * 49.5f, 20, z + out}, {side * 49.5f, 0, z + out},
                 {side * 49.5f, 0, z}, 8);
        m.polygon(0, kQuads, kNoCull, doors, {0.85f, 0.8f, 0.72f, 1});
    }
    std::vector<int> ridge, eaves;
    roofing(m, ridge, {-1.5f, 30.2f, 61}, {1.5f, 30.2f, 61}, {1.5f, 30.2f, -61}, {-1.5f, 30.2f, -61});
    m.polygon(1, kQuads, kNoCull, ridge);
    wall(m, eaves, {-52, 21.5f, -61}, {-52, 21.5f, 61}, {-52, 20.5f, 61}, {-52, 20.5f, -61}, 8);  // a fascia board
    m.polygon(0, kQuads, kNoCull, eaves);
    m.expectAt(100, "hangar");
    shadowPoints(m, 50, 60, true);
    for (Corner c : {Corner{-50, 0.5f, -60}, Corner{-50, 0.5f, 60}, Corner{50, 0.5f, 60}, Corner{50, 0.5f, -60}})
        m.vertex(c[0], c[1], c[2]);
    deadPatch(m, 116, 40);
    m.finish();
    return m;
}

// ---- The canvas hangar: a 42 x 34 ft tent hangar on a low frame, its roof a canvas arch, the
// back closed, the front open under a valance.
Mesh buildCanvasHangar() {
    Mesh m;
    m.polygon(0, kQuads, kShadowHints, range(40, 52), kShade);
    const float x[5] = {-21, -12, 0, 12, 21}, y[5] = {6, 13, 16, 13, 6};
    std::vector<int> roof, walls, valance;
    for (int k = 0; k < 5; ++k) {
        roof.push_back(m.vertex(x[k], y[k], 16, k * 0.8f, 0));
        roof.push_back(m.vertex(x[k], y[k], -18, k * 0.8f, 3.4f));
    }
    wall(m, walls, {-21, 6, -18}, {-21, 6, 16}, {-21, 0, 16}, {-21, 0, -18}, 10);
    wall(m, walls, {21, 6, 16}, {21, 6, -18}, {21, 0, -18}, {21, 0, 16}, 10);
    for (int k = 0; k < 5; ++k) m.vertex(x[k], y[k], -18, (x[k] + 21) / 10, y[k] / 10);
    for (int k = 0; k < 5; ++k) m.vertex(x[k], 0, -18, (x[k] + 21) / 10, 0);
    for (int k = 0; k < 4; ++k) walls.insert(walls.end(), {18 + k, 18 + k + 1, 23 + k + 1, 23 + k});
    for (int k = 0; k < 5; ++k) m.vertex(x[k], y[k], 16, (x[k] + 21) / 10, 0.25f);
    for (int k = 0; k < 5; ++k) m.vertex(x[k], y[k] - 2.5f, 16, (x[k] + 21) / 10, 0);
    for (int k = 0; k < 4; ++k) valance.insert(valance.end(), {28 + k, 28 + k + 1, 33 + k + 1, 33 + k});
    m.polygon(0, kTriangleStrip, kNoCull, roof);
    m.polygon(0, kQuads, kNoCull, walls);
    m.polygon(0, kQuads, kNoCull, valance, {0.85f, 0.82f, 0.75f, 1});
    padTo(m, 40);
    shadowPoints(m, 21, 16, true);
    deadPatch(m, 52, 15);
    m.finish();
    return m;
}

// ---- The plank huts: 14 ft wide, 30 or 46 ft long, walls to 9 ft, a pitched roof to 14 ft, two
// windows a side and a door in the +Z end.
Mesh buildHut(bool longer) {
    Mesh m;
    const float l = longer ? 23 : 15, w = 7;
    m.polygon(0, kQuads, kShadowHints, range(78, 86), kShade);
    std::vector<int> walls, gables, roof, windows, door;
    wall(m, walls, {-w, 9, -l}, {-w, 9, l}, {-w, 0, l}, {-w, 0, -l}, 8);
    wall(m, walls, {w, 9, l}, {w, 9, -l}, {w, 0, -l}, {w, 0, l}, 8);
    wall(m, walls, {-w, 9, l}, {w, 9, l}, {w, 0, l}, {-w, 0, l}, 8);
    wall(m, walls, {w, 9, -l}, {-w, 9, -l}, {-w, 0, -l}, {w, 0, -l}, 8);
    for (float z : {l, -l}) {
        gables.push_back(m.vertex(-w, 9, z, 0, 9.0f / 8));
        gables.push_back(m.vertex(w, 9, z, 14.0f / 8, 9.0f / 8));
        gables.push_back(m.vertex(0, 14, z, 7.0f / 8, 14.0f / 8));
    }
    roofing(m, roof, {0, 14, l + 1}, {0, 14, -l - 1}, {-w - 1, 8.4f, -l - 1}, {-w - 1, 8.4f, l + 1});
    roofing(m, roof, {0, 14, -l - 1}, {0, 14, l + 1}, {w + 1, 8.4f, l + 1}, {w + 1, 8.4f, -l - 1});
    for (float side : {-1.0f, 1.0f})
        for (float z : {-l / 2, l / 2}) {
            const float x = side * (w + 0.05f);
            wall(m, windows, {x, 6.5f, z - 1.5f}, {x, 6.5f, z + 1.5f}, {x, 3.5f, z + 1.5f}, {x, 3.5f, z - 1.5f}, 8);
        }
    wall(m, door, {-1.6f, 7, l + 0.05f}, {1.6f, 7, l + 0.05f}, {1.6f, 0, l + 0.05f}, {-1.6f, 0, l + 0.05f}, 8);
    m.polygon(0, kQuads, kNoCull, walls);
    m.polygon(0, kTriangles, kNoCull, gables);
    m.polygon(1, kQuads, kNoCull, roof);
    m.polygon(0, kQuads, kUntextured | kUnlit | kNoCull, windows, {0.16f, 0.17f, 0.19f, 1});
    m.polygon(0, kQuads, kNoCull, door, {0.62f, 0.55f, 0.48f, 1});
    padTo(m, 78);
    shadowPoints(m, 8, l + 1, false);
    deadPatch(m, 86, 15);
    padTo(m, 91);
    m.finish();
    return m;
}

// ---- The wind sock: a white pole 20 ft high with a cap, a hoop and a swivel arm, and the cone
// of cloth along +Z from the hoop at 2 ft (2 ft across) to its tail at 10 ft (1 ft across).
Mesh buildWindSock() {
    Mesh m;
    m.polygon(0, kQuads, kShadowHints, range(108, 112), kShade);
    std::vector<int> pole, hoop, arm, cap;
    const float r = 0.25f;
    wall(m, pole, {-r, 20, r}, {r, 20, r}, {r, 0, r}, {-r, 0, r}, 4);
    wall(m, pole, {r, 20, -r}, {-r, 20, -r}, {-r, 0, -r}, {r, 0, -r}, 4);
    wall(m, pole, {r, 20, r}, {r, 20, -r}, {r, 0, -r}, {r, 0, r}, 4);
    wall(m, pole, {-r, 20, -r}, {-r, 20, r}, {-r, 0, r}, {-r, 0, -r}, 4);
    for (int k = 0; k <= 8; ++k) {
        const double a = 2 * kPi * k / 8;
        hoop.push_back(m.vertex(float(2.05 * std::sin(a)), float(19 + 2.05 * std::cos(a)), 2));
    }
    wall(m, arm, {0, 19.3f, 0.2f}, {0, 19.3f, 2}, {0, 18.7f, 2}, {0, 18.7f, 0.2f}, 4);
    cap.push_back(m.vertex(0, 21, 0));
    for (Corner c : {Corner{-0.4f, 20, 0.4f}, Corner{0.4f, 20, 0.4f}, Corner{0.4f, 20, -0.4f}, Corner{-0.4f, 20, -0.4f},
                     Corner{-0.4f, 20, 0.4f}})
        cap.push_back(m.vertex(c[0], c[1], c[2]));
    padTo(m, sock::kFirstSockPoint);
    // Four rings of nine: the outer face runs from ring 0 (the hoop) to ring 2 (the tail), the
    // inner face from ring 3 back to ring 1.
    int ring[4];
    for (int n = 0; n < 4; ++n) {
        const double rad = n < 2 ? 2.0 : 1.0, z = n < 2 ? 2.0 : 10.0;
        ring[n] = int(m.points.size());
        for (int k = 0; k <= 8; ++k) {
            const double a = 2 * kPi * k / 8;
            m.vertex(float(rad * std::sin(a)), float(sock::kAxisHeight + rad * std::cos(a)), float(z), k / 8.0f, n < 2 ? 0 : 1);
        }
    }
    std::vector<int> outside, inside;
    for (int k = 0; k <= 8; ++k) outside.insert(outside.end(), {ring[0] + k, ring[2] + k});
    for (int k = 0; k <= 8; ++k) inside.insert(inside.end(), {ring[3] + k, ring[1] + k});
    m.polygon(1, kQuads, kUntextured, pole, {0.88f, 0.87f, 0.82f, 1});
    m.polygon(1, kLineStrip, kUntextured | kUnlit, hoop, {0.2f, 0.2f, 0.2f, 1});
    // Culled, so that each face shows only its own side.
    m.polygon(0, kTriangleStrip, kUntextured | kUnlit, outside, {0.7f, 0.1f, 0.1f, 1});
    m.polygon(0, kTriangleStrip, kUntextured | kUnlit, inside, {0.3f, 0.28f, 0.26f, 1});
    m.polygon(1, kQuads, kUntextured | kNoCull, arm, {0.3f, 0.3f, 0.3f, 1});
    m.polygon(1, kTriangleFan, kUntextured, cap, {0.3f, 0.3f, 0.3f, 1});
    m.expectAt(sock::kFirstShadowPoint, "wind sock");
    for (Corner c : {Corner{0, 0.5f, 0.2f}, Corner{0, 0.5f, 0.2f}, Corner{0, 0.5f, -0.2f}, Corner{0, 0.5f, -0.2f}})
        m.vertex(c[0], c[1], c[2]);
    deadPatch(m, 120, 10);
    padTo(m, sock::kPoints);
    m.finish();
    return m;
}

// ---- The race pylon: a four-sided tower painted in black and white checks, 12 ft across at the
// foot and 4 ft at 40 ft, a pointed cap to 45 ft, a mast to 90 ft and a chequered banner.
Mesh buildRacePylon() {
    Mesh m;
    std::vector<int> sides, cap, mast, banner;
    const Corner foot[4] = {{-6, 0, 6}, {6, 0, 6}, {6, 0, -6}, {-6, 0, -6}};
    for (int k = 0; k < 4; ++k) {
        const Corner a = foot[k], b = foot[(k + 1) % 4];
        m.plate(sides, {a[0] / 3, 40, a[2] / 3}, {b[0] / 3, 40, b[2] / 3}, b, a, {0, 0, 1.5f, 5});
    }
    for (int k = 0; k < 4; ++k) {
        const Corner a = foot[k], b = foot[(k + 1) % 4];
        cap.push_back(m.vertex(a[0] / 3, 40, a[2] / 3, 0, 0));
        cap.push_back(m.vertex(b[0] / 3, 40, b[2] / 3, 1, 0));
        cap.push_back(m.vertex(0, 45, 0, 0.5f, 1));
    }
    m.plate(mast, {-0.1f, 90, 0}, {0.1f, 90, 0}, {0.1f, 45, 0}, {-0.1f, 45, 0}, {0, 0, 1, 1});
    m.plate(mast, {0, 90, 0.1f}, {0, 90, -0.1f}, {0, 45, -0.1f}, {0, 45, 0.1f}, {0, 0, 1, 1});
    m.expectAt(pylon::kFirstBannerPoint, "pylon");
    m.plate(banner, {0.5f, 89, 0}, {50, 89, 0}, {50, 60, 0}, {0.5f, 60, 0}, {0, 0, 6, 4});
    m.plate(banner, {50, 89, 0}, {0.5f, 89, 0}, {0.5f, 60, 0}, {50, 60, 0}, {0, 0, 6, 4});
    m.polygon(0, kQuads, 0, sides);
    m.polygon(0, kTriangles, 0, cap);
    m.polygon(0, kQuads, kUntextured | kNoCull, mast, {0.1f, 0.1f, 0.1f, 1});
    m.polygon(1, kQuads, 0, banner);
    deadPatch(m, 110, 15);
    padTo(m, pylon::kPoints);
    m.finish();
    return m;
}

// ---- The wooden bridge: a 34-ft plank deck 14 ft wide at 5 ft on two trestle bents, with a
// timber truss each side to 12 ft and earth ramps at both ends.
Mesh buildWoodBridge() {
    Mesh m;
    std::vector<int> top, under, fasciaL, fasciaR;
    wall(m, top, {-7, 5, 17}, {7, 5, 17}, {7, 5, -17}, {-7, 5, -17}, 6);
    wall(m, under, {-7, 4, -17}, {7, 4, -17}, {7, 4, 17}, {-7, 4, 17}, 6);
    wall(m, fasciaL, {-7, 5, -17}, {-7, 5, 17}, {-7, 4, 17}, {-7, 4, -17}, 6);
    wall(m, fasciaR, {7, 5, 17}, {7, 5, -17}, {7, 4, -17}, {7, 4, 17}, 6);
    for (const auto* run : {&top, &under, &fasciaL, &fasciaR}) m.polygon(0, kQuads, kNoCull, *run);
    const float posts[5] = {-17, -8.5f, 0, 8.5f, 17};
    std::vector<int> chord[2], verticals[2], diagonals[2];
    for (int s = 0; s < 2; ++s) {
        const float x = s ? 7 : -7;
        wall(m, chord[s], {x, 12, -17}, {x, 12, 17}, {x, 11, 17}, {x, 11, -17}, 6);
        for (float z : posts) wall(m, verticals[s], {x, 11, z - 0.4f}, {x, 11, z + 0.4f}, {x, 5, z + 0.4f}, {x, 5, z - 0.4f}, 6);
        for (int k = 0; k < 4; ++k) {
            const float z0 = posts[k], z1 = posts[k + 1], lean = k < 2 ? 1 : -1;  // each pair leans to the middle
            const float lo = lean > 0 ? z0 : z1, hi = lean > 0 ? z1 : z0;
            wall(m, diagonals[s], {x, 11, hi - 0.4f}, {x, 11, hi + 0.4f}, {x, 5, lo + 0.4f}, {x, 5, lo - 0.4f}, 6);
        }
    }
    for (int s = 0; s < 2; ++s) m.polygon(0, kQuads, kNoCull, chord[s], {0.8f, 0.75f, 0.68f, 1});
    for (int s = 0; s < 2; ++s) m.polygon(0, kQuads, kNoCull, verticals[s], {0.8f, 0.75f, 0.68f, 1});
    for (int s = 0; s < 2; ++s) m.polygon(0, kQuads, kNoCull, diagonals[s], {0.8f, 0.75f, 0.68f, 1});
    std::vector<int> legs, caps, ramps;
    for (float z : {-9.0f, 9.0f}) {
        for (float x : {-5.0f, 5.0f}) wall(m, legs, {x - 0.5f, 4, z}, {x + 0.5f, 4, z}, {x + 0.5f, -8, z}, {x - 0.5f, -8, z}, 6);
        wall(m, caps, {-6.5f, 4, z}, {6.5f, 4, z}, {6.5f, 3.2f, z}, {-6.5f, 3.2f, z}, 6);
    }
    m.polygon(0, kQuads, kNoCull, legs, {0.65f, 0.6f, 0.55f, 1});
    m.polygon(0, kQuads, kNoCull, caps, {0.65f, 0.6f, 0.55f, 1});
    for (float end : {-1.0f, 1.0f}) {
        std::vector<int> ramp;
        wall(m, ramp, {-7, 5, end * 17}, {7, 5, end * 17}, {7, 0, end * 27}, {-7, 0, end * 27}, 6);
        m.polygon(0, kQuads, kNoCull, ramp, {0.6f, 0.55f, 0.45f, 1});
    }
    std::vector<int> rails;
    for (float x : {-7.1f, 7.1f}) wall(m, rails, {x, 8.4f, -17}, {x, 8.4f, 17}, {x, 7.8f, 17}, {x, 7.8f, -17}, 6);
    m.polygon(0, kQuads, kNoCull, rails, {0.8f, 0.75f, 0.68f, 1});
    deadPatch(m, 141, 15);
    m.finish();
    return m;
}

// ---- The stone bridge: a viaduct 3,520 ft long and 34 ft wide with its deck at 550 ft, along X.
// Solid masonry runs from each end to 600 ft short of the middle, two piers stand between 200 and
// 400 ft either side of it, and three arches (200, 400 and 200 ft across) carry the deck.
Mesh buildStoneBridge() {
    Mesh m;
    const float top = float(stone::kDeck), w = 17, tile = 24;
    // Three arches: the spandrel face either side, then the barrel under.
    const float spans[3][2] = {{-600, -400}, {-200, 200}, {400, 600}};
    for (const auto& s : spans) {
        const double cx = (s[0] + s[1]) / 2, r = (s[1] - s[0]) / 2, spring = 500.0 - r;
        int arch[2];
        for (int f = 0; f < 2; ++f) {
            const float z = f ? -w : w;
            arch[f] = int(m.points.size());
            for (int k = 0; k <= 8; ++k) {
                const double a = kPi * k / 8;
                const float x = float(cx - r * std::cos(a)), y = float(spring + r * std::sin(a));
                m.vertex(x, y, z, (x + 1760) / tile, y / tile);  // U never below 0: that ends a points list
            }
            for (int k = 0; k <= 8; ++k) {
                const float x = float(cx - r * std::cos(kPi * k / 8));
                m.vertex(x, top, z, (x + 1760) / tile, top / tile);
            }
            std::vector<int> face;
            for (int k = 0; k < 8; ++k) face.insert(face.end(), {arch[f] + 9 + k, arch[f] + 9 + k + 1, arch[f] + k + 1, arch[f] + k});
            m.polygon(0, kQuads, kNoCull, face);
        }
        std::vector<int> barrel;
        for (int k = 0; k <= 8; ++k) barrel.insert(barrel.end(), {arch[0] + k, arch[1] + k});
        m.polygon(0, kTriangleStrip, kNoCull, barrel, {0.8f, 0.8f, 0.8f, 1});
    }
    // Piers and end blocks: their faces either side and their sides under the arches' springing.
    for (float side : {-1.0f, 1.0f}) {
        std::vector<int> pier;
        const float in = side * 200, out = side * 400;
        wall(m, pier, {in, top, w}, {out, top, w}, {out, 0, w}, {in, 0, w}, tile);
        wall(m, pier, {out, top, -w}, {in, top, -w}, {in, 0, -w}, {out, 0, -w}, tile);
        wall(m, pier, {in, 300, -w}, {in, 300, w}, {in, 0, w}, {in, 0, -w}, tile);
        wall(m, pier, {out, 400, w}, {out, 400, -w}, {out, 0, -w}, {out, 0, w}, tile);
        m.polygon(0, kQuads, kNoCull, pier);
    }
    for (float side : {-1.0f, 1.0f}) {
        std::vector<int> faces, ends;
        const float in = side * 600, out = side * 1760;
        wall(m, faces, {in, top, w}, {out, top, w}, {out, 0, w}, {in, 0, w}, tile);
        wall(m, faces, {out, top, -w}, {in, top, -w}, {in, 0, -w}, {out, 0, -w}, tile);
        wall(m, ends, {in, 400, -w}, {in, 400, w}, {in, 0, w}, {in, 0, -w}, tile);
        wall(m, ends, {out, top, w}, {out, top, -w}, {out, 0, -w}, {out, 0, w}, tile);
        m.polygon(0, kQuads, kNoCull, faces);
        m.polygon(0, kQuads, kNoCull, ends);
    }
    for (float z : {w, -w}) {  // the parapets
        std::vector<int> parapet;
        wall(m, parapet, {-1760, top + 4, z}, {1760, top + 4, z}, {1760, top, z}, {-1760, top, z}, 6);
        m.polygon(0, kQuads, kNoCull, parapet, {0.9f, 0.88f, 0.85f, 1});
    }
    std::vector<int> deck;
    wall(m, deck, {-1760, top + 0.2f, w}, {1760, top + 0.2f, w}, {1760, top + 0.2f, -w}, {-1760, top + 0.2f, -w}, 8);
    m.polygon(1, kQuads, kNoCull, deck, {0.7f, 0.66f, 0.6f, 1});
    deadPatch(m, int(m.points.size()), 40);
    padTo(m, stone::kPoints);
    m.finish();
    return m;
}

// ---- The crater: a 50-ft square of churned earth lying on the ground.
Mesh buildCrater() {
    Mesh m;
    patchPoints(m, 25);
    m.vertex(0, 0.5f, 0);
    m.polygon(0, kQuads, kPatchHints, range(0, 4));
    m.finish();
    return m;
}

// ---- The stone houses: rubble-stone walls, a red tiled roof pitched along Z, the long sides
// (vertices 5..12) carrying the façade pictures, a chimney stack at the -Z end and a door step.
Mesh buildHouse(bool longer) {
    Mesh m;
    const float w = longer ? 9 : 6, l = longer ? 20 : 12, eaves = longer ? 11 : 10, ridge = longer ? 19 : 16;
    const float cz = longer ? -19.5f : -12.5f, stackFoot = longer ? ridge - 4 : 0;
    m.polygon(0, kQuads, kShadowHints, range(78, 86), kShade);
    std::vector<int> step, ends, gables, east, west, roof, stack;
    // The step before the door, on the -X side, where the façade picture shows the front.
    wall(m, step, {-w - 1.5f, 0.4f, -1.5f}, {-w - 1.5f, 0.4f, 1.5f}, {-w, 0.4f, 1.5f}, {-w, 0.4f, -1.5f}, 6);
    m.vertex(0, 0, 0);
    m.expectAt(5, "house");
    for (Corner c : {Corner{w, 0, l}, Corner{w, eaves, l}, Corner{w, eaves, -l}, Corner{w, 0, -l}}) east.push_back(m.vertex(c[0], c[1], c[2]));
    for (Corner c : {Corner{-w, 0, -l}, Corner{-w, eaves, -l}, Corner{-w, eaves, l}, Corner{-w, 0, l}}) west.push_back(m.vertex(c[0], c[1], c[2]));
    wall(m, ends, {-w, eaves, l}, {w, eaves, l}, {w, 0, l}, {-w, 0, l}, 8);
    wall(m, ends, {w, eaves, -l}, {-w, eaves, -l}, {-w, 0, -l}, {w, 0, -l}, 8);
    for (float z : {l, -l}) {
        gables.push_back(m.vertex(-w, eaves, z, 0, eaves / 8));
        gables.push_back(m.vertex(w, eaves, z, 2 * w / 8, eaves / 8));
        gables.push_back(m.vertex(0, ridge, z, w / 8, ridge / 8));
    }
    const float drop = (ridge - eaves) / w;  // the roof's fall per ft across
    wall(m, roof, {0, ridge + 0.1f, l + 0.8f}, {0, ridge + 0.1f, -l - 0.8f}, {-w - 1, eaves - drop, -l - 0.8f},
         {-w - 1, eaves - drop, l + 0.8f}, 6);
    wall(m, roof, {0, ridge + 0.1f, -l - 0.8f}, {0, ridge + 0.1f, l + 0.8f}, {w + 1, eaves - drop, l + 0.8f},
         {w + 1, eaves - drop, -l - 0.8f}, 6);
    const float s = 1.2f, z0 = cz - s, z1 = cz + s;
    wall(m, stack, {-s, 22, z1}, {s, 22, z1}, {s, stackFoot, z1}, {-s, stackFoot, z1}, 6);
    wall(m, stack, {s, 22, z0}, {-s, 22, z0}, {-s, stackFoot, z0}, {s, stackFoot, z0}, 6);
    wall(m, stack, {s, 22, z1}, {s, 22, z0}, {s, stackFoot, z0}, {s, stackFoot, z1}, 6);
    wall(m, stack, {-s, 22, z0}, {-s, 22, z1}, {-s, stackFoot, z1}, {-s, stackFoot, z0}, 6);
    m.polygon(0, kQuads, kNoCull, ends);
    m.polygon(0, kTriangles, kNoCull, gables);
    m.polygon(3, kQuads, 0, east);
    m.polygon(3, kQuads, 0, west);
    m.polygon(1, kQuads, kNoCull, roof);
    m.polygon(0, kQuads, kNoCull, stack, {0.85f, 0.82f, 0.8f, 1});
    m.polygon(0, kQuads, kOffset, step, {0.8f, 0.8f, 0.8f, 1});
    padTo(m, 74);
    shadowPoints(m, longer ? 10 : 6, longer ? 24 : 12, true);
    m.expectAt(house::kFirstSmokePoint, "house");
    for (int i = 0; i < 16; ++i) {
        std::vector<int> puff;
        for (int c = 0; c < 4; ++c)
            puff.push_back(m.vertex(0, 20, cz, effects::kQuadUV[c][0], effects::kQuadUV[c][1]));
        m.polygon(4, kQuads, kTransparent | kUnlit | kNoCull, puff, {1, 1, 1, 0.5f});
    }
    deadPatch(m, 150, 15);
    m.finish();
    return m;
}

// Weathered wood, canvas, stone and tile have no shine: every polygon takes material 1, the
// family's material without a specular part.
Mesh matte(Mesh m) {
    for (OnePolygonVer2& p : m.polygons) p.MaterialLightDataOffset = 1;
    return m;
}

}  // namespace

const Mesh& baseObjectMesh() { static const Mesh m = matte(buildBase()); return m; }
const Mesh& bigHangarMesh() { static const Mesh m = matte(buildBigHangar()); return m; }
const Mesh& canvasHangarMesh() { static const Mesh m = matte(buildCanvasHangar()); return m; }
const Mesh& woodHutMesh(bool longer) {
    static const Mesh shortHut = matte(buildHut(false)), longHut = matte(buildHut(true));
    return longer ? longHut : shortHut;
}
const Mesh& windSockMesh() { static const Mesh m = matte(buildWindSock()); return m; }
const Mesh& racePylonMesh() { static const Mesh m = matte(buildRacePylon()); return m; }
const Mesh& woodBridgeMesh() { static const Mesh m = matte(buildWoodBridge()); return m; }
const Mesh& stoneBridgeMesh() { static const Mesh m = matte(buildStoneBridge()); return m; }
const Mesh& craterMesh() { static const Mesh m = matte(buildCrater()); return m; }
const Mesh& frenchHouseMesh(bool longer) {
    static const Mesh one = matte(buildHouse(false)), two = matte(buildHouse(true));
    return longer ? two : one;
}

}  // namespace pellam::statics
