#pragma once
// Geometry written as code: points and polygons appended in order, so the numbers the behaviour
// poses (shadow, patch, tracks, barrels) are the order in which a model adds its parts.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam::vehicles {

// `p` over `corners` (vertex numbers) appended to a model's tables; answers its number.
inline int appendPolygon(std::vector<OnePolygonVer2>& polygons, std::vector<uint16_t>& runs, OnePolygonVer2 p,
                         const std::vector<int>& corners) {
    p.FirstItem = int16_t(runs.size());
    runs.push_back(uint16_t(corners.size()));
    for (int c : corners) runs.push_back(uint16_t(c));
    polygons.push_back(p);
    return int(polygons.size()) - 1;
}
// The end rows; the tables are then complete.
inline void closeTables(std::vector<GLT2FN3FV3FFormat>& points, std::vector<OnePolygonVer2>& polygons) {
    points.push_back(GLT2FN3FV3FFormat{-1.0f, 0, 0, 0, 0, 0, 0, 0});
    polygons.push_back(OnePolygonVer2{});
}

struct VehicleMesh {
    std::vector<GLT2FN3FV3FFormat> points;
    std::vector<OnePolygonVer2> polygons;
    std::vector<uint16_t> runs;

    int vertex(float x, float y, float z, float u = 0.0f, float v = 0.0f) {
        points.push_back(GLT2FN3FV3FFormat{u, v, 0.0f, 1.0f, 0.0f, x, y, z});
        return int(points.size()) - 1;
    }
    // A polygon over `corners` (vertex numbers) drawn as `drawType` with texture map `map`.
    int polygon(int16_t map, int16_t drawType, int32_t hints, const std::vector<int>& corners,
                std::array<float, 4> colour = {1.0f, 1.0f, 1.0f, 1.0f}, int32_t uvHint = -1) {
        OnePolygonVer2 p;
        p.MapNumber = map;
        p.DefaultDrawType = drawType;
        p.DrawHints = hints;
        p.PolyColor = colour;
        p.AutoUVHint = uvHint;
        return appendPolygon(polygons, runs, p, corners);
    }
    // A flat four-cornered plate (corners in drawing order) textured over `uv` (u0, v0, u1, v1),
    // its quad appended to `run`.
    using Corner = std::array<float, 3>;
    using UVRect = std::array<float, 4>;
    void plate(std::vector<int>& run, Corner a, Corner b, Corner c, Corner d, UVRect uv) {
        run.push_back(vertex(a[0], a[1], a[2], uv[0], uv[3]));
        run.push_back(vertex(b[0], b[1], b[2], uv[2], uv[3]));
        run.push_back(vertex(c[0], c[1], c[2], uv[2], uv[1]));
        run.push_back(vertex(d[0], d[1], d[2], uv[0], uv[1]));
    }
    // A box of six plates (24 vertices), every face textured over `uv`.
    void box(std::vector<int>& run, float x0, float x1, float y0, float y1, float z0, float z1, UVRect uv) {
        plate(run, {x0, y1, z1}, {x1, y1, z1}, {x1, y0, z1}, {x0, y0, z1}, uv);  // front
        plate(run, {x1, y1, z0}, {x0, y1, z0}, {x0, y0, z0}, {x1, y0, z0}, uv);  // back
        plate(run, {x1, y1, z1}, {x1, y1, z0}, {x1, y0, z0}, {x1, y0, z1}, uv);  // right
        plate(run, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}, {x0, y0, z0}, uv);  // left
        plate(run, {x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, uv);  // top
        plate(run, {x0, y0, z1}, {x1, y0, z1}, {x1, y0, z0}, {x0, y0, z0}, uv);  // bottom
    }
    // The end rows; the tables are then complete.
    void finish() { closeTables(points, polygons); }
};

}  // namespace pellam::vehicles
