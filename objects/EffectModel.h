#pragma once
// What the effect objects share: the view they draw through, and the object matrix of a pose.
#include <cstdint>
#include <vector>

#include "core/DrawHints.h"
#include "core/Mesh.h"
#include "core/TableModel.h"

namespace pellam {
class Debris;
class GroundExplosion;
class AllBombs;
class GroundClutter;
}  // namespace pellam

namespace pellam::effects {

// How the effect objects are drawn, installed by the drawing library (objects/draw); without it
// they keep their state and draw nothing. Each hook draws through the object's view.
struct DrawingHooks {
    void (*debris)(Debris& pool);
    void (*explosion)(GroundExplosion& explosion, float opacity);
    void (*bombs)(AllBombs& pool);  // the hanging and falling bombs, then the marks
    void (*clutter)(GroundClutter& trees, int32_t gameTime);
};
void setDrawingHooks(const DrawingHooks* hooks);
const DrawingHooks* drawingHooks();

// ObjectMatrix of attitude q (w, x, y, z) at position p (ft).
inline void poseMatrix(const double* q, const double* p, std::array<double, 16>& m) {
    m.fill(0.0);
    ZephModel::quaternionToMatrix(q, m.data());
    m[12] = p[0];
    m[13] = p[1];
    m[14] = p[2];
    m[15] = 1.0;
}

// A mesh of `count` separate polygons of `corners` points each on map 0 (polygon k over points
// corners k .. corners k + corners - 1, all at the origin), built once per class.
inline Mesh separatePolygons(int count, int corners, int16_t drawType, int32_t hints, std::array<float, 4> colour) {
    Mesh m;
    for (int k = 0; k < count; ++k) {
        std::vector<int> run;
        for (int c = 0; c < corners; ++c) run.push_back(m.vertex(0, 0, 0));
        m.polygon(0, drawType, hints, run, colour);
    }
    m.finish();
    return m;
}

// The model tables of a class whose one geometry is the finished `mesh`.
inline ModelTables meshTables(const ObjectHeaderTable* header, const char* name, const TableName* maps,
                              const Mesh& mesh) {
    return ModelTables{header,
                       {name, maps, mesh.points.data(), mesh.polygons.data(), mesh.runs.data(),
                        int(mesh.points.size()), int(mesh.polygons.size())},
                       nullptr,
                       nullptr};
}

// The header values every effect object keeps from the model-class template, and its one item.
inline void templateValues(Object3DData& o) {
    o.ObjectHitsWhenDead = 20;
    o.BlastDistance = 100;
    o.PointsAwarded = 100;
    o.Category = 3;
    o.AnimateItems.fill(kItemEndOfList);
    o.AnimateItems[0] = 0;
}

// The template's hit square and its one collision box, 30 ft wide, 25 high and 60 long.
inline void templateBoxes(Object3DData& o, ObjectPointsPolysVer2& g) {
    o.HitSquare = {-15, 15, -0.1, 25, -30, 30};
    g.NumberOfSizeSquares = 1;
    g.SizeSquare[0] = {-15, 0, -30, 15, 25, 30, 0, 0, 0, 0, 0, 0};
}

// Texture coordinates of a quad's corners: top-left, top-right, foot-right, foot-left.
inline constexpr float kQuadUV[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};

// GL primitive numbers as the polygon records carry them.
enum DrawType : int16_t { kLines = 1, kTriangles = 4, kTriangleStrip = 5, kTriangleFan = 6, kQuads = 7 };

}  // namespace pellam::effects
