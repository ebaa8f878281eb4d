#include "objects/GroundClutter.h"

#include <algorithm>
#include <cmath>

#include "platform/Random.h"

namespace pellam {
namespace {

constexpr double kSquare = 1760.0;                 // ft: one terrain square
constexpr double kBehind = -500.0, kAhead = 12500.0;  // ft in eye depth

// Aerodrome ground kept clear of trees: X from, X to, Z from, Z to.
constexpr double kClear[2][4] = {{378100, 382440, -389357, -385180}, {381200, 386070, -382508, -379268}};

const Mesh& mesh() {
    static const Mesh m = effects::separatePolygons(GroundClutter::kTrees * 2, 4, effects::kQuads,
                                                    kUnlit | kNoCull, {1.0f, 1.0f, 1.0f, 1.0f});
    return m;
}

// Drawn with the object drawer in full wherever the eye is: the trees stand round it.
const ObjectHeaderTable kHeader{"GroundClutter", 1024 | 0x200, 0, {}, 0, 0, 0, 20000.0f, 100000.0f, -100.0f,
                                15000.0f};
const TableName kMaps[] = {{"GCTree1I"}, {"GCTree2I"}, {"GCTree3I"}, {"GCTree4I"}, {"GCPalm1I"},
                           {"GCPalm2I"}, {"GCPalm3I"}, {"GCPalm4I"}, {"GCPine1I"}, {"GCPine2I"},
                           {"GCPine3I"}, {"GCPine4I"}, {kEndOfNameList}};

// The place of a coordinate within its terrain square, 0 <= f < 1760 on both sides of 0.
double inSquare(double v) { return v - kSquare * std::floor(v / kSquare); }

}  // namespace

const ModelTables& GroundClutter::tables() const {
    static const ModelTables t = effects::meshTables(&kHeader, "GroundClutterPP", kMaps, mesh());
    return t;
}

void GroundClutter::setClassValues() {
    Object3DData& o = ThisModel.TheObject;
    effects::templateValues(o);
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    effects::templateBoxes(o, g);
    for (int i = 0; i < kTrees * 2 * 4; ++i) {
        g.ThePoints[i].U = effects::kQuadUV[i % 4][0];
        g.ThePoints[i].V = effects::kQuadUV[i % 4][1];
    }
    for (int i = 0; i < kTrees * 2; ++i) g.ThePolygons[i].DrawHints |= kSkip;
}

void GroundClutter::resetModel() {
    ZephModel::resetModel();
    ThisModel.TheObject.GlobalDeadTime = 0;
    ThisModel.TheObject.ObjectHits = 0;
}

void GroundClutter::setTreeFamily(int32_t family) { TreeFamily = family < 0 || family >= kFamilies ? 0 : family; }

int GroundClutter::liveTrees() const {
    return int(std::count_if(GCTrees.begin(), GCTrees.end(), [](const OneGCTree1& t) { return t.Size != 0.0; }));
}

bool GroundClutter::plant(OneGCTree1& tree, int32_t t, const double* E, const double* R) {
    // Trees are planted as the view sees the ground: scenery, off the simulation's stream.
    platform::RandomStream& scenery = platform::presentationRandom();
    const double ahead[3] = {double(scenery.longFrom(-5000, 5000)), 0.0, double(scenery.longFrom(4000, 12000))};
    double w[3];
    InverseRotateVector(ahead, w, R);
    double dx = w[0], dz = w[2];
    const double fx = inSquare(E[12] + dx), fz = inSquare(E[14] + dz);
    // Off the square's diagonal and off the roads through its middle.
    if (fz > 0.0) {
        const double ratio = fx / fz;
        if (ratio > 0.9 && ratio < 1.1) dx += 160.0;
    }
    if (fx > 840.0 && fx < 900.0) dx += 960.0 - fx;
    if (fz > 840.0 && fz < 900.0) dz += 960.0 - fz;
    const double x = E[12] + dx, z = E[14] + dz;
    double y = Terrain ? Terrain->getAltitudeAtX(x, z) : 0.0;
    if (!Terrain || Terrain->getLastTerrainTexture() != kTreeGround) y = 0.0;
    if (y < 50.0) y = 0.0;
    if (Terrain) {
        const double* plane = Terrain->lastTerrainPlaneEq();
        if (!plane || (plane[0] == 0.0 && plane[2] == 0.0)) y = 0.0;
    }
    tree.XYZPosition = {x, y, z};
    tree.TreeType = TreeFamily * kTypesPerFamily + ((scenery.longFrom(-32768, 32767) + 32768) & 3);
    if (y == 0.0) return false;
    tree.Size = (scenery.longFrom(-32768, 32767) + 32768) / 65536.0 * 0.5 + 0.9;
    lastnewGC = t;
    return true;
}

void GroundClutter::updateTrees(int32_t t, const double* E, const double* R) {
    bool planted = false;
    for (OneGCTree1& tree : GCTrees) {
        if (tree.Size == 0.0 && !planted) planted = plant(tree, t, E, R);
        if (tree.Size == 0.0) continue;
        const double rel[3] = {tree.XYZPosition[0] - E[12], tree.XYZPosition[1] - E[13], tree.XYZPosition[2] - E[14]};
        double d[3];
        RotateVector(rel, d, R);
        bool drop = d[2] < kBehind || d[2] > kAhead;
        for (const auto& c : kClear)
            drop = drop || (tree.XYZPosition[0] > c[0] && tree.XYZPosition[0] < c[1] && tree.XYZPosition[2] > c[2] &&
                            tree.XYZPosition[2] < c[3]);
        if (drop) tree.Size = 0.0;
    }
}

OneCompleteObjectVer2* GroundClutter::getDrawingData(int32_t t) {
    if (const effects::DrawingHooks* hooks = effects::drawingHooks()) hooks->clutter(*this, t);
    return nullptr;
}

void GroundClutter::seenFrom(int32_t t, const double* eye, const double* rotation) {
    const bool running = !aController || aController->isRunning();
    if (running && t - lastnewGC > 0) updateTrees(t, eye, rotation);
}

}  // namespace pellam
