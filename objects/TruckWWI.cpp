#include "objects/TruckWWI.h"

#include <cmath>
#include <utility>

#include "core/Constants.h"
#include "core/Mesh.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {


// The body picture's quarters (u0, v0, u1, v1): paint, tilt canvas, radiator, cab front.
constexpr Mesh::UVRect kPaint{0.0f, 0.0f, 0.5f, 0.5f}, kCanvas{0.5f, 0.0f, 1.0f, 0.5f},
    kRadiator{0.0f, 0.5f, 0.5f, 1.0f}, kCabFront{0.5f, 0.5f, 1.0f, 1.0f};

const TableName kMaps[] = {{"AlliedTruckL"}, {"TruckTireM"}, {"EarthN"},  {"AlliedTruckL"}, {"GermanTruckL"},
                           {"MedicTruckL"},  {"Earth2N"},    {"Earth3N"}, {kEndOfNameList}};

// A wheel (solid rubber tyre on a spoked wheel): the outer face as a fan of 14 vertices, then the
// tread as 13 pairs. `side` is +1 for a right wheel, -1 for a left one.
std::pair<std::vector<int>, std::vector<int>> wheel(Mesh& m, float cx, float cz, float r, float width, int side) {
    constexpr int n = 12;
    std::vector<int> face, tread;
    const float outer = cx + side * width / 2, inner = cx - side * width / 2;
    face.push_back(m.vertex(outer, r, cz, 0.25f, 0.5f));
    for (int k = 0; k <= n; ++k) {
        const double a = 2 * kPi * k / n * side;
        face.push_back(m.vertex(outer, float(r + r * std::cos(a)), float(cz + r * std::sin(a)),
                                float(0.25 + 0.24 * std::sin(a)), float(0.5 + 0.48 * std::cos(a))));
    }
    std::vector<int> a, b;
    for (int k = 0; k <= n; ++k) {
        const double t = 2 * kPi * k / n;
        const float y = float(r + r * std::cos(t)), z = float(cz + r * std::sin(t)), v = float(k) / n;
        a.push_back(m.vertex(outer, y, z, 0.52f, v));
        b.push_back(m.vertex(inner, y, z, 0.98f, v));
    }
    for (int k = 0; k < n; ++k) tread.insert(tread.end(), {a[k], a[k + 1], b[k + 1], b[k]});
    return {face, tread};
}

// A mudguard: a curved strip of 5 x 2 vertices over a wheel.
void mudguard(Mesh& m, std::vector<int>& run, float x0, float x1, float cz, float r, float y0) {
    int first = int(m.points.size());
    for (int k = 0; k <= 4; ++k) {
        const double a = kPi * (0.15 + 0.7 * k / 4.0);
        const float y = float(y0 + r * std::sin(a)), z = float(cz + r * std::cos(a));
        m.vertex(x0, y, z, 0.05f, 0.05f + 0.1f * k);
        m.vertex(x1, y, z, 0.45f, 0.05f + 0.1f * k);
    }
    for (int k = 0; k < 4; ++k) run.insert(run.end(), {first + 2 * k, first + 2 * k + 1, first + 2 * k + 3, first + 2 * k + 2});
}

Mesh build() {
    Mesh m;
    // Wheels 0..159: front pair at z 6, rear pair at z -7.5.
    const float wx[4] = {3.3f, -3.3f, 3.2f, -3.2f}, wz[4] = {6.0f, 6.0f, -7.5f, -7.5f}, ww[4] = {0.7f, 0.7f, 1.1f, 1.1f};
    std::vector<int> faces[4], treads[4];
    for (int k = 0; k < 4; ++k) std::tie(faces[k], treads[k]) = wheel(m, wx[k], wz[k], 1.6f, ww[k], k % 2 ? -1 : 1);

    std::vector<int> front, cab, bed, tilt, guardsFront, guardsRear;
    m.expectAt(160, "truck");
    m.box(front, -1.6f, 1.6f, 1.6f, 2.3f, -13.5f, 9.5f, kPaint);  // chassis rails
    m.box(front, -1.5f, 1.5f, 2.3f, 4.6f, 5.0f, 9.5f, kPaint);    // bonnet
    m.box(cab, -3.0f, 3.0f, 2.3f, 7.0f, 2.2f, 5.0f, kPaint);      // cab
    m.expectAt(232, "truck");
    m.plate(bed, {-3.8f, 3.3f, -13.8f}, {3.8f, 3.3f, -13.8f}, {3.8f, 3.3f, 2.0f}, {-3.8f, 3.3f, 2.0f}, kPaint);
    m.plate(bed, {-3.8f, 3.3f, 2.0f}, {-3.8f, 3.3f, -13.8f}, {-3.8f, 2.3f, -13.8f}, {-3.8f, 2.3f, 2.0f}, kPaint);
    m.plate(bed, {3.8f, 3.3f, -13.8f}, {3.8f, 3.3f, 2.0f}, {3.8f, 2.3f, 2.0f}, {3.8f, 2.3f, -13.8f}, kPaint);
    m.expectAt(TruckWWI::kMirroredQuad, "truck");
    // The tilt: right and left sides, a hooped roof, closed ends.
    tilt.insert(tilt.end(), {m.vertex(3.8f, 8.0f, 2.0f, 0.5f, 0.0f), m.vertex(3.8f, 3.3f, 2.0f, 0.5f, 0.5f),
                             m.vertex(3.8f, 3.3f, -13.8f, 1.0f, 0.5f), m.vertex(3.8f, 8.0f, -13.8f, 1.0f, 0.0f)});
    m.plate(tilt, {-3.8f, 8.0f, -13.8f}, {-3.8f, 8.0f, 2.0f}, {-3.8f, 3.3f, 2.0f}, {-3.8f, 3.3f, -13.8f}, kCanvas);
    const float hoopX[5] = {3.8f, 2.7f, 0.0f, -2.7f, -3.8f}, hoopY[5] = {8.0f, 9.2f, 9.7f, 9.2f, 8.0f};
    const int roof = int(m.points.size());
    for (int k = 0; k < 5; ++k) {
        m.vertex(hoopX[k], hoopY[k], 2.0f, 0.55f, 0.02f + 0.02f * k);
        m.vertex(hoopX[k], hoopY[k], -13.8f, 0.95f, 0.02f + 0.02f * k);
    }
    for (int k = 0; k < 4; ++k) tilt.insert(tilt.end(), {roof + 2 * k, roof + 2 * k + 2, roof + 2 * k + 3, roof + 2 * k + 1});
    for (float z : {-13.8f, 2.0f}) {
        m.plate(tilt, {-3.8f, 8.0f, z}, {3.8f, 8.0f, z}, {3.8f, 3.3f, z}, {-3.8f, 3.3f, z}, {0.52f, 0.02f, 0.62f, 0.12f});
        int p[5];
        for (int k = 0; k < 5; ++k) p[k] = m.vertex(hoopX[k], hoopY[k], z, 0.6f, 0.05f);
        tilt.insert(tilt.end(), {p[0], p[1], p[3], p[4], p[1], p[2], p[2], p[3]});
    }
    m.expectAt(280, "truck");
    m.plate(front, {-1.5f, 4.7f, 9.8f}, {1.5f, 4.7f, 9.8f}, {1.5f, 2.1f, 9.8f}, {-1.5f, 2.1f, 9.8f}, kRadiator);
    m.plate(cab, {-3.2f, 7.1f, 1.8f}, {3.2f, 7.1f, 1.8f}, {3.2f, 7.1f, 5.4f}, {-3.2f, 7.1f, 5.4f}, kPaint);
    m.plate(cab, {-3.0f, 7.0f, 5.02f}, {3.0f, 7.0f, 5.02f}, {3.0f, 4.6f, 5.02f}, {-3.0f, 4.6f, 5.02f}, kCabFront);
    m.expectAt(292, "truck");
    mudguard(m, guardsFront, 2.9f, 3.8f, 6.0f, 2.0f, 1.6f);
    mudguard(m, guardsFront, -3.8f, -2.9f, 6.0f, 2.0f, 1.6f);
    mudguard(m, guardsRear, 2.6f, 3.85f, -7.5f, 2.0f, 1.6f);
    mudguard(m, guardsRear, -3.85f, -2.6f, -7.5f, 2.0f, 1.6f);
    m.expectAt(332, "truck");
    for (float x : {-1.9f, 1.9f})  // acetylene headlamps
        m.plate(front, {x - 0.35f, 5.2f, 9.9f}, {x + 0.35f, 5.2f, 9.9f}, {x + 0.35f, 4.5f, 9.9f}, {x - 0.35f, 4.5f, 9.9f},
                {0.05f, 0.9f, 0.1f, 0.95f});
    for (float z : {-11.0f, -3.0f}) {  // stake pockets on the bed sides
        for (float x : {-3.82f, 3.82f})
            m.plate(bed, {x, 3.2f, z + 0.3f}, {x, 3.2f, z - 0.3f}, {x, 2.4f, z - 0.3f}, {x, 2.4f, z + 0.3f}, {0.4f, 0.4f, 0.45f, 0.45f});
    }
    m.expectAt(356, "truck");
    std::vector<int> patch;
    m.plate(patch, {-19, 1, -19}, {-19, 1, 19}, {19, 1, 19}, {19, 1, -19}, {0, 0, 1, 1});
    std::vector<int> shadow;
    for (int k = 0; k < 8; ++k) shadow.push_back(m.vertex(0, 0.05f, 0));
    for (int k = 0; k < 4; ++k)
        shadow.insert(shadow.end(), {360 + k, 360 + (k + 1) % 4, 364 + (k + 1) % 4, 364 + k});
    m.plate(bed, {-1.0f, 3.0f, -13.85f}, {1.0f, 3.0f, -13.85f}, {1.0f, 2.4f, -13.85f}, {-1.0f, 2.4f, -13.85f},
            {0.3f, 0.3f, 0.4f, 0.35f});  // the tailboard's number plate
    m.expectAt(TruckWWI::kVertices, "truck");

    m.polygon(0, effects::kQuads, kUntextured | kUnlit, shadow, {0.15f, 0.15f, 0.15f, 1.0f});
    for (int k = 0; k < 4; ++k) {
        m.polygon(1, effects::kTriangleFan, kNoCull, faces[k]);
        m.polygon(1, effects::kQuads, kNoCull, treads[k]);
        const std::vector<int>* body[4] = {&front, &cab, &bed, &tilt};
        m.polygon(0, effects::kQuads, kNoCull, *body[k]);
    }
    m.polygon(0, effects::kQuads, kNoCull, guardsFront);
    m.polygon(0, effects::kQuads, kNoCull, guardsRear);
    m.polygon(2, effects::kQuads, 0, patch);  // shown by the drawing step only once the wreck is still
    m.finish();
    return m;
}

const Mesh& mesh() {
    static const Mesh m = build();
    return m;
}

}  // namespace

const ModelTables& TruckWWI::tables() const {
    static const ObjectHeaderTable header{"TruckWWI", 0x420, 0, {}, 0, 0, 0, 42240.0f, 47520.0f, -250.0f, 26400.0f};
    static const ModelTables t = effects::meshTables(&header, "TruckWWIFilePP", kMaps, mesh());
    return t;
}

const GroundVehicle::Layout& TruckWWI::layout() const {
    static const Layout l{{356, 357, 358, 359}, kPatchPolygon, kFirstShadowVertex, {-4, 4, -14, 10}};
    return l;
}

void TruckWWI::setClassValues() {
    setVehicleValues(7.0f, 200.0f, 100, 9);
    Object3DData& o = ThisModel.TheObject;
    o.HitSquare = {-4.0, 4.0, -0.1, 10.0, -14.0, 10.0};
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 1;
    g.SizeSquare[0] = {-4.0f, 0.0f, -14.0f, 4.0f, 10.0f, 10.0f, 0, 0, 0, 0, 0, 0};
}

void TruckWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    GroundVehicle::afterLightTexture3dPointChangesFor(pp);
    GLT2FN3FV3FFormat* p = pp->ThePoints + kMirroredQuad;
    std::swap(p[0].U, p[3].U);
    std::swap(p[1].U, p[2].U);
}

void TruckWWI::setModelType(int32_t code) {
    ModelType = code;
    const int livery = code == 63 ? 4 : code == 16 ? 5 : 3;
    ModelPointsPolys().MapListOffset[0] = ModelPointsPolys().MapListOffset[livery];
}

auto TruckWWI::getUsedTextureNames() -> const char (*)[32] { return kMaps; }

}  // namespace pellam
