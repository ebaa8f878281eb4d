#include "objects/ArmedModels.h"

#include <cmath>
#include <initializer_list>

#include "core/Constants.h"
#include "objects/EffectModel.h"

namespace pellam::armed {
namespace {

using effects::kLines;
using effects::kQuads;
using effects::kTriangleFan;
using effects::kTriangleStrip;

// Map layout of the balloon picture: the envelope's panels over v 0..0.72, the basket's wicker
// over 0.75..0.86, rope and the observer's coat over 0.88..1.
constexpr double kWickerV0 = 0.75, kWickerV1 = 0.86, kRopeV = 0.9, kCoatV0 = 0.88, kCoatV1 = 1.0;

Mesh buildBalloon() {
    Mesh b;
    // Envelope: nine rings of 13 (the seam doubled for the panels' wrap), a kite balloon's
    // rounded nose and tapering tail; the axis 3.5 ft below the origin.
    constexpr int kRing = 12;
    const double zs[9] = {44, 36, 26, 14, 2, -10, -22, -32, -39};
    const double rs[9] = {8.5, 13.4, 15.6, 16, 16, 15.2, 12.8, 9.2, 5.2};
    constexpr double cy = -3.5;
    int ring[9];
    for (int i = 0; i < 9; ++i) {
        for (int k = 0; k <= kRing; ++k) {
            const double a = 2 * kPi * k / kRing;
            const int p = b.vertex(rs[i] * std::sin(a), cy + rs[i] * std::cos(a), zs[i], double(k) / kRing,
                                  0.72 * (49.0 - zs[i]) / 93.0);
            if (k == 0) ring[i] = p;
        }
    }
    const int nose = b.vertex(0, cy, 49, 0.5, 0.0);
    const int tail = b.vertex(0, cy, -44, 0.5, 0.72);
    for (int i = 0; i < 8; ++i) b.polygon(0, kTriangleStrip, 0, Mesh::band(ring[i], ring[i + 1], kRing));
    std::vector<int> cap{nose}, back{tail};
    for (int k = 0; k <= kRing; ++k) cap.push_back(ring[0] + k);
    for (int k = 0; k <= kRing; ++k) back.push_back(ring[8] + kRing - k);
    b.polygon(0, kTriangleFan, 0, cap);
    b.polygon(0, kTriangleFan, 0, back);
    // Three inflated steering lobes at the tail: one up, two down at 135 degrees either side.
    for (double deg : {0.0, 135.0, -135.0}) {
        const double a = deg * kPi / 180.0, s = std::sin(a), c = std::cos(a);
        const double root = 9.0, reach = 18.5 / std::max(std::fabs(c), 0.7);
        const int f = b.vertex(root * s, cy + root * c, -18, 0.1, 0.6);
        b.vertex(5.0 * s, cy + 5.0 * c, -42, 0.1, 0.72);
        b.vertex(reach * s, cy + reach * c, -44, 0.35, 0.72);
        b.vertex(reach * s, cy + reach * c, -28, 0.35, 0.6);
        b.polygon(0, kQuads, kNoCull, {f, f + 1, f + 2, f + 3});
    }
    // The load ring the rigging gathers to, and the mooring tether forward and down.
    const int load = b.vertex(0, -32, -15, 0.5, kRopeV);
    for (int k = 0; k < 5; ++k) {
        const double a = 2 * kPi * k / 5;
        b.vertex(2.5 * std::sin(a), -32, -15 + 2.5 * std::cos(a), 0.5, kRopeV);
    }
    const int tether = b.vertex(0, -55, 55, 0.5, kRopeV);
    b.vertex(0, -165, 80, 0.5, kRopeV);
    // Basket (wicker) and the observer standing in it.
    const int basket = b.cornerBox(-1.5, 1.5, -60, -56, -16.5, -13.5, 0, 1, kWickerV0, kWickerV1);
    const int man = b.cornerBox(-0.55, 0.55, -59.5, -53, -15.4, -14.6, 0, 0.25, kCoatV0, kCoatV1);

    // Rigging: belly of the envelope to the load ring, the load ring to the basket's corners,
    // and the mooring lines from the nose's belly to the tether's head.
    std::vector<int> upper;
    const int belly = kRing / 2;  // the lowest point of each ring
    for (int i = 2; i <= 6; ++i) {
        for (int side : {-1, 0, 1}) {
            upper.push_back(ring[i] + belly + side);
            upper.push_back(load + 1 + (i + side + 5) % 5);
        }
    }
    b.polygon(0, kLines, kUnlit, upper);
    const int corners[4] = {basket + 3, basket + 2, basket + 6, basket + 7};
    std::vector<int> lower;
    for (int k = 0; k < 4; ++k) {
        lower.push_back(load + 1 + k);
        lower.push_back(corners[k]);
        lower.push_back(load);
        lower.push_back(corners[(k + 1) % 4]);
    }
    b.polygon(0, kLines, kUnlit, lower);
    b.polygon(0, kLines, kUnlit,
              {ring[0] + belly, tether, ring[1] + belly - 1, tether, ring[1] + belly + 1, tether, tether, tether + 1});
    b.polygon(0, kQuads, 0, Mesh::cornerBoxFaces(basket));
    b.polygon(0, kQuads, 0, Mesh::cornerBoxFaces(man));
    // Scorched ground under the wreck, shown once it is down.
    const int patch = b.vertex(-45, 0.5, 70, 0, 1);
    b.vertex(45, 0.5, 70, 1, 1);
    b.vertex(45, 0.5, -70, 1, 0);
    b.vertex(-45, 0.5, -70, 0, 0);
    OnePolygonVer2& p = b.polygon(3, kQuads, 0x13, {patch, patch + 1, patch + 2, patch + 3});
    p.PolyColor = {0.9f, 0.9f, 0.9f, 1.0f};
    b.finish();
    return b;
}

// Map layout of the pit: map 0 sandbags (u along the wall), map 1 canvas, map 5 the gun's
// painted steel with the breech and sights.
Mesh buildGunPit() {
    Mesh b;
    // Pit: an octagonal sandbag wall, its outer face and the canvas-draped inner slope.
    constexpr int kSides = 8;
    int outerFoot = 0, outerTop = 0, innerFoot = 0;
    for (int ringNo = 0; ringNo < 3; ++ringNo) {
        const double r = ringNo == 0 ? 15.0 : ringNo == 1 ? 13.0 : 10.0;
        const double y = ringNo == 1 ? 3.6 : 0.2;
        for (int k = 0; k <= kSides; ++k) {
            const double a = 2 * kPi * k / kSides + kPi / kSides;
            const int p = b.vertex(r * std::sin(a), y, r * std::cos(a), 3.0 * k / kSides, ringNo == 0 ? 0 : 1);
            if (k == 0) (ringNo == 0 ? outerFoot : ringNo == 1 ? outerTop : innerFoot) = p;
        }
    }
    // Pedestal: an eight-sided cone on the pit floor, turned by the turret matrix.
    int foot = 0, top = 0;
    for (int ringNo = 0; ringNo < 2; ++ringNo) {
        const double r = ringNo == 0 ? 1.8 : 0.9, y = ringNo == 0 ? 0.2 : 6.3;
        for (int k = 0; k < kSides; ++k) {
            const double a = 2 * kPi * k / kSides;
            const int p = b.vertex(r * std::sin(a), y, r * std::cos(a), 0.5 * k / kSides, ringNo == 0 ? 0.0 : 0.45);
            if (k == 0) (ringNo == 0 ? foot : top) = p;
        }
    }
    // The gun about its trunnions (7 ft up), barrel along +z: tube, muzzle band, recoil
    // cylinder, breech, cradle plates, hand wheel and sight.
    int tube[2], muzzle[2];
    for (int ringNo = 0; ringNo < 4; ++ringNo) {
        const double z = ringNo == 0 ? -2.0 : ringNo == 1 ? 10.6 : ringNo == 2 ? 10.6 : 11.4;
        const double r = ringNo == 0 ? 0.36 : ringNo == 1 ? 0.28 : 0.36;
        for (int k = 0; k <= kSides; ++k) {
            const double a = 2 * kPi * k / kSides;
            const int p = b.vertex(r * std::sin(a), r * std::cos(a), z, 0.5 + 0.5 * k / kSides, ringNo < 2 ? 0.5 + 0.3 * ringNo : 0.85);
            if (k == 0) (ringNo < 2 ? tube[ringNo] : muzzle[ringNo - 2]) = p;
        }
    }
    const int recoil = b.cornerBox(-0.3, 0.3, -0.95, -0.35, -1.5, 6.0, 0.5, 1.0, 0.45, 0.5);
    const int breech = b.cornerBox(-0.5, 0.5, -0.6, 0.6, -3.3, -1.8, 0.0, 0.5, 0.5, 0.75);
    const int leftPlate = b.vertex(-0.8, -1.3, -1.6, 0, 0.75);
    b.vertex(-0.8, -1.3, 1.6, 0.5, 0.75);
    b.vertex(-0.8, 0.8, 1.2, 0.5, 1.0);
    b.vertex(-0.8, 0.8, -1.2, 0, 1.0);
    const int rightPlate = b.vertex(0.8, -1.3, -1.6, 0, 0.75);
    b.vertex(0.8, -1.3, 1.6, 0.5, 0.75);
    b.vertex(0.8, 0.8, 1.2, 0.5, 1.0);
    b.vertex(0.8, 0.8, -1.2, 0, 1.0);
    const int wheel = b.vertex(-1.0, -0.6, -0.4, 0.75, 0.9);
    for (int k = 0; k < 4; ++k) {
        const double a = 2 * kPi * k / 4;
        b.vertex(-1.0, -0.6 + 0.45 * std::sin(a), -0.4 + 0.45 * std::cos(a), 0.75, 0.95);
    }
    const int sight = b.cornerBox(0.85, 1.05, 0.3, 0.9, -1.2, -0.6, 0.9, 1.0, 0.9, 1.0);

    // Sprites: burst puffs and muzzle flashes, rewritten every frame; then the scorched patch.
    const int bursts = b.pointCount() + 1;
    for (int k = 0; k < 4 * (pit::kBursts + pit::kFlashes); ++k) b.vertex(0, 0, 0, effects::kQuadUV[k % 4][0], effects::kQuadUV[k % 4][1]);
    const int patch = b.vertex(-50, 0.5, 50, 0, 1);
    b.vertex(50, 0.5, 50, 1, 1);
    b.vertex(50, 0.5, -50, 1, 0);
    b.vertex(-50, 0.5, -50, 0, 0);

    for (int k = 0; k < pit::kBursts + pit::kFlashes; ++k) {
        const int f = bursts + 4 * k;
        OnePolygonVer2& p = b.polygon(k < pit::kBursts ? 2 : 6, kQuads, kTransparent | kUnlit | kNoCull | kSkip,
                                      {f, f + 1, f + 2, f + 3});
        p.PolyColor = {1, 1, 1, 0.9f};
    }
    b.polygon(4, kQuads, kSkip, {patch, patch + 1, patch + 2, patch + 3});
    b.polygon(0, kTriangleStrip, kNoCull, Mesh::band(outerTop, outerFoot, kSides));
    b.polygon(1, kTriangleStrip, kNoCull, Mesh::band(innerFoot, outerTop, kSides));
    b.marker(1);
    std::vector<int> cone;
    for (int k = 0; k < kSides; ++k) {
        const int n = (k + 1) % kSides;
        for (int c : {foot + k, foot + n, top + n, top + k}) cone.push_back(c);
    }
    for (int c : {0, 1, 2, 3, 0, 3, 4, 7, 4, 5, 6, 7}) cone.push_back(top + (kSides - 1 - c));
    b.polygon(5, kQuads, 0, cone);
    b.marker(2);
    b.polygon(5, kTriangleStrip, 0, Mesh::band(tube[0], tube[1], kSides));
    b.polygon(5, kTriangleStrip, 0, Mesh::band(muzzle[0], muzzle[1], kSides));
    b.polygon(5, kQuads, 0, Mesh::cornerBoxFaces(recoil));
    b.polygon(5, kQuads, 0, Mesh::cornerBoxFaces(breech));
    b.polygon(5, kQuads, kNoCull, {leftPlate, leftPlate + 1, leftPlate + 2, leftPlate + 3});
    b.polygon(5, kQuads, kNoCull, {rightPlate, rightPlate + 1, rightPlate + 2, rightPlate + 3});
    b.polygon(5, kTriangleFan, kNoCull, {wheel, wheel + 1, wheel + 2, wheel + 3, wheel + 4, wheel + 1});
    b.polygon(5, kQuads, 0, Mesh::cornerBoxFaces(sight));
    b.finish();
    return b;
}

}  // namespace

const Mesh& balloonMesh() {
    static const Mesh m = buildBalloon();
    return m;
}

void groundObjectValues(Object3DData& o, ObjectPointsPolysVer2& g, float hitsWhenDead, float blastDistance,
                        int16_t points, int16_t category) {
    o.ObjectHitsWhenDead = hitsWhenDead;
    o.BlastDistance = blastDistance;
    o.PointsAwarded = points;
    o.Category = category;
    o.CurrentAnimateItem = 0;
    o.AnimateFrameTime = 3;
    o.AnimateItems.fill(kItemEndOfList);
    o.AnimateItems[0] = 0;
    standardMaterials(g);
}

void standardMaterials(ObjectPointsPolysVer2& g) {
    for (int k = 0; k < kMaxMaterials; ++k) {
        MaterialLightData& m = g.MaterialLightingData[k];
        m = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 30};
        if (k == 1) m.SpecularRed = m.SpecularGreen = m.SpecularBlue = 0;
        if (k == 2) m.Shinny = 10;
        if (k == 3) m.Shinny = 90;
    }
}

const Mesh& gunPitMesh() {
    static const Mesh m = buildGunPit();
    return m;
}

}  // namespace pellam::armed
