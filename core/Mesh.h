#pragma once
// A model's tables as the object drawer takes them, and the one way every model writes them:
// points with their texture coordinates, polygons as runs of point numbers, moving-part markers and
// the end rows. The numbers a model's behaviour poses are the order in which it adds its parts.
#include <array>
#include <cstdint>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam {

struct Mesh {
    std::vector<GLT2FN3FV3FFormat> points;  // then the end row, U -1
    std::vector<OnePolygonVer2> polygons;   // then the end row, MapNumber -1
    std::vector<uint16_t> runs;             // per polygon: its corner count, then its corners
    int pointCount() const { return int(points.size()) - 1; }      // once finished
    int polygonCount() const { return int(polygons.size()) - 1; }  // once finished

    // A point as given; answers its number. Throws std::length_error past 65535 points, the most a
    // run can name.
    int vertex(const GLT2FN3FV3FFormat& p);
    // A point (ft) facing up until the geometry is prepared, at texture coordinate (u, v).
    int vertex(double x, double y, double z, double u = 0, double v = 0) {
        return vertex(GLT2FN3FV3FFormat{float(u), float(v), 0.0f, 1.0f, 0.0f, float(x), float(y), float(z)});
    }
    // `p` over `corners` (point numbers); the reference holds until the next polygon. Throws
    // std::length_error when the run list would pass the 32767 items a polygon can start at, or
    // a corner is not a point number.
    OnePolygonVer2& polygon(OnePolygonVer2 p, const std::vector<int>& corners);
    OnePolygonVer2& polygon(int16_t map, int16_t drawType, int32_t hints, const std::vector<int>& corners,
                            std::array<float, 4> colour = {1.0f, 1.0f, 1.0f, 1.0f}, int32_t uvHint = -1);
    // The polygons after it are drawn with moving-part matrix `part` - 1.
    void marker(int part, int16_t map = 0);
    // Throws std::logic_error unless the next point is number `index`: the model is out of step
    // with the numbers its behaviour poses.
    void expectAt(int index, const char* what) const;
    // The end rows; the tables are then complete.
    void finish();

    // A flat four-cornered plate (corners in drawing order, ft) textured over `uv` (u0, v0, u1, v1),
    // its quad appended to `run`.
    using Corner = std::array<float, 3>;
    using UVRect = std::array<float, 4>;
    void plate(std::vector<int>& run, Corner a, Corner b, Corner c, Corner d, UVRect uv);
    // A box of six plates (24 points), every face textured over `uv`.
    void box(std::vector<int>& run, float x0, float x1, float y0, float y1, float z0, float z1, UVRect uv);
    // An axis-aligned box on eight shared corners, u over [u0, u1] and v over [v0, v1]; answers
    // its first point. cornerBoxFaces gives its six faces as quads.
    int cornerBox(double x0, double x1, double y0, double y1, double z0, double z1, double u0, double u1, double v0,
                  double v1);
    static std::vector<int> cornerBoxFaces(int first);
    // A strip between two rings of `n` + 1 points starting at a and b.
    static std::vector<int> band(int a, int b, int n);
};

}  // namespace pellam
