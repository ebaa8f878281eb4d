#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// The ground's squares and road pieces into runs of vertices and triangles, one run a picture.
#include <array>
#include <vector>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

// A picture turned by quarter turns the other way about the square's centre.
void turnPicture(int turns, float& u, float& w) {
    for (int k = 0; k < turns; ++k) {
        const float nu = w, nw = 1.0f - u;
        u = nu;
        w = nw;
    }
}

// Per quarter turns, the picture coordinates of a square's corners (0,0) (1,0) (1,1) (0,1).
const std::array<std::array<std::array<float, 2>, 4>, 4> kTurnedCorners = [] {
    std::array<std::array<std::array<float, 2>, 4>, 4> out{};
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int turns = 0; turns < 4; ++turns)
        for (int c = 0; c < 4; ++c) {
            float u = float(kCorner[c][0]), w = float(kCorner[c][1]);
            turnPicture(turns, u, w);
            out[size_t(turns)][size_t(c)] = {u, w};
        }
    return out;
}();

TerrainDrawer::Vertex TerrainDrawer::post(const RIDUdidav& t, const Eye& eye, int pi, int pj) {
    Vertex v;
    v.X = float(pi * kSquareFeet - eye.X);
    v.Y = float(t.postFeet(pi, pj) - eye.Y);
    v.Z = float(pj * kSquareFeet - eye.Z);
    return v;
}

void TerrainDrawer::addSquare(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, bool worldUV, double uvScale,
                              bool near, Run& run, int lit) {
    // Corners (0,0) (1,0) (1,1) (0,1), drawn as (0,0) (1,0) (1,1) and (0,0) (1,1) (0,1): the
    // altitude query's diagonal.
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    uint32_t at[4] = {};
    // Eight detail pictures to a square, and the world's pictures, repeat every 64 squares.
    const int i64 = int(unsigned(i) % 64u), j64 = int(unsigned(j) % 64u);
    std::vector<Vertex>& out = near ? run.Near : run.Far;
    for (int c = 0; c < 4; ++c) {
        if ((c == 1 && !(lit & 1)) || (c == 3 && !(lit & 2))) continue;  // a corner only a left-out triangle uses
        const int ci = kCorner[c][0], cj = kCorner[c][1];
        const int si = i64 + ci, sj = j64 + cj;
        Vertex v = post(t, eye, i + ci, j + cj);
        if (worldUV) {
            v.U = float(si * uvScale), v.V = float(sj * uvScale);
        } else {
            const auto& turned = kTurnedCorners[size_t(turns & 3)][size_t(c)];
            v.U = turned[0], v.V = turned[1];
        }
        at[c] = uint32_t(out.size());
        out.push_back(v);
        if (near) {
            run.NearDetail.push_back(float(si * 8.0));
            run.NearDetail.push_back(float(sj * 8.0));
        }
    }
    std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
    if (lit == 3) {
        const uint32_t both[6] = {at[0], at[1], at[2], at[0], at[2], at[3]};
        triangles.insert(triangles.end(), both, both + 6);
        return;
    }
    if (lit & 1) triangles.push_back(at[0]), triangles.push_back(at[1]), triangles.push_back(at[2]);
    if (lit & 2) triangles.push_back(at[0]), triangles.push_back(at[2]), triangles.push_back(at[3]);
}

void TerrainDrawer::addRoad(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, int kind, double distance,
                            bool near, int lit) {
    const RoadShape& shape = RoadShapes[kind];
    Run& run = Roads[kind];
    if (!ShapesRoads || distance >= RoadShapeDistance || !shape.ready()) {
        addSquare(t, eye, i, j, turns, false, 1.0, near, run, lit);
        return;
    }
    // Points inside the square's two triangles, each on its own triangle's plane: the same
    // positions, normals and picture coordinates the whole square would interpolate there.
    const Vertex p00 = post(t, eye, i, j), p10 = post(t, eye, i + 1, j);
    const Vertex p11 = post(t, eye, i + 1, j + 1), p01 = post(t, eye, i, j + 1);
    std::vector<Vertex>& out = near ? run.Near : run.Far;
    std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
    for (const SquarePoint& q : shape.triangles(turns)) {
        if (!(lit & (q.Lower ? 1 : 2))) continue;  // within a triangle that lights no pixel (a piece's points share it)
        // Lower: p00 + S (p10 - p00) + T (p11 - p10); upper: p00 + T (p01 - p00) + S (p11 - p01).
        auto mix = [&](float Vertex::*f) {
            return q.Lower ? p00.*f + q.S * (p10.*f - p00.*f) + q.T * (p11.*f - p10.*f)
                           : p00.*f + q.T * (p01.*f - p00.*f) + q.S * (p11.*f - p01.*f);
        };
        Vertex v;
        v.X = mix(&Vertex::X), v.Y = mix(&Vertex::Y), v.Z = mix(&Vertex::Z);
        float u = q.S, w = q.T;
        turnPicture(turns, u, w);
        v.U = u;
        v.V = w;
        triangles.push_back(uint32_t(out.size()));
        out.push_back(v);
        if (near) {
            run.NearDetail.push_back(float(((i % 64) + q.S) * 8.0));
            run.NearDetail.push_back(float(((j % 64) + q.T) * 8.0));
        }
    }
}

void TerrainDrawer::addRoads(const RIDUdidav& t, const Eye& eye, int i, int j, double d, const SquareLook& look) {
    const auto road = [&](int turns, int kind) {
        if (!look.Blank[kind]) addRoad(t, eye, i, j, turns, kind, d, look.Near, look.Lit);
    };
    // Each road edge is covered by a straight piece or a bend; a road that ends here runs
    // straight through the square.
    uint8_t covered = 0;
    if ((look.Edges & (kEdgeLowZ | kEdgeHighZ)) == (kEdgeLowZ | kEdgeHighZ)) {
        road(0, 0);
        covered |= kEdgeLowZ | kEdgeHighZ;
    }
    if ((look.Edges & (kEdgeLowX | kEdgeHighX)) == (kEdgeLowX | kEdgeHighX)) {
        road(1, 0);
        covered |= kEdgeLowX | kEdgeHighX;
    }
    static constexpr uint8_t kBendEdges[4] = {kEdgeHighX | kEdgeLowZ, kEdgeHighX | kEdgeHighZ,
                                              kEdgeLowX | kEdgeHighZ, kEdgeLowX | kEdgeLowZ};
    for (int pass = 0; pass < 2; ++pass)  // first bends joining two loose ends, then any
        for (int turn = 0; turn < 4; ++turn) {
            const uint8_t b = kBendEdges[turn];
            if ((look.Edges & b) != b || (covered & b) == b) continue;
            if (pass == 0 && (covered & b)) continue;
            road(turn, 1);
            covered |= b;
        }
    const uint8_t loose = look.Edges & ~covered;
    if (loose & (kEdgeLowZ | kEdgeHighZ)) road(0, 0);
    if (loose & (kEdgeLowX | kEdgeHighX)) road(1, 0);
}

}  // namespace pellam::worlddraw
