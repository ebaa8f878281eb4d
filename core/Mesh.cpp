#include "core/Mesh.h"

#include <stdexcept>
#include <string>

namespace pellam {

namespace {
constexpr size_t kMostPoints = 65535;  // a run names points in 16 bits
constexpr size_t kMostRunItems = 32767;  // a polygon's FirstItem is 16 bits, signed
}  // namespace

int Mesh::vertex(const GLT2FN3FV3FFormat& p) {
    if (points.size() >= kMostPoints) throw std::length_error("model has too many points");
    points.push_back(p);
    return int(points.size()) - 1;
}

OnePolygonVer2& Mesh::polygon(OnePolygonVer2 p, const std::vector<int>& corners) {
    if (runs.size() + corners.size() + 1 > kMostRunItems) throw std::length_error("model run list too long");
    for (int c : corners)
        if (c < 0 || size_t(c) >= kMostPoints) throw std::length_error("model polygon names no point");
    p.FirstItem = int16_t(runs.size());
    runs.push_back(uint16_t(corners.size()));
    for (int c : corners) runs.push_back(uint16_t(c));
    polygons.push_back(p);
    return polygons.back();
}

OnePolygonVer2& Mesh::polygon(int16_t map, int16_t drawType, int32_t hints, const std::vector<int>& corners,
                              std::array<float, 4> colour, int32_t uvHint) {
    OnePolygonVer2 p;
    p.MapNumber = map;
    p.DefaultDrawType = drawType;
    p.DrawHints = hints;
    p.PolyColor = colour;
    p.AutoUVHint = uvHint;
    return polygon(p, corners);
}

void Mesh::marker(int part, int16_t map) {
    OnePolygonVer2 p;
    p.MapNumber = map;
    p.FirstItem = int16_t(-part);
    polygons.push_back(p);
}

void Mesh::expectAt(int index, const char* what) const {
    if (int(points.size()) != index)
        throw std::logic_error(std::string(what) + " geometry out of step at vertex " + std::to_string(index));
}

void Mesh::finish() {
    points.push_back(GLT2FN3FV3FFormat{-1.0f, 0, 0, 0, 0, 0, 0, 0});
    polygons.push_back(OnePolygonVer2{});
}

void Mesh::plate(std::vector<int>& run, Corner a, Corner b, Corner c, Corner d, UVRect uv) {
    run.push_back(vertex(a[0], a[1], a[2], uv[0], uv[3]));
    run.push_back(vertex(b[0], b[1], b[2], uv[2], uv[3]));
    run.push_back(vertex(c[0], c[1], c[2], uv[2], uv[1]));
    run.push_back(vertex(d[0], d[1], d[2], uv[0], uv[1]));
}

void Mesh::box(std::vector<int>& run, float x0, float x1, float y0, float y1, float z0, float z1, UVRect uv) {
    plate(run, {x0, y1, z1}, {x1, y1, z1}, {x1, y0, z1}, {x0, y0, z1}, uv);  // front
    plate(run, {x1, y1, z0}, {x0, y1, z0}, {x0, y0, z0}, {x1, y0, z0}, uv);  // back
    plate(run, {x1, y1, z1}, {x1, y1, z0}, {x1, y0, z0}, {x1, y0, z1}, uv);  // right
    plate(run, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}, {x0, y0, z0}, uv);  // left
    plate(run, {x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, uv);  // top
    plate(run, {x0, y0, z1}, {x1, y0, z1}, {x1, y0, z0}, {x0, y0, z0}, uv);  // bottom
}

int Mesh::cornerBox(double x0, double x1, double y0, double y1, double z0, double z1, double u0, double u1,
                    double v0, double v1) {
    const int f = vertex(x0, y0, z0, u0, v0);
    vertex(x1, y0, z0, u1, v0);
    vertex(x1, y1, z0, u1, v1);
    vertex(x0, y1, z0, u0, v1);
    vertex(x0, y0, z1, u1, v0);
    vertex(x1, y0, z1, u0, v0);
    vertex(x1, y1, z1, u0, v1);
    vertex(x0, y1, z1, u1, v1);
    return f;
}

std::vector<int> Mesh::cornerBoxFaces(int first) {
    const int q[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {3, 7, 6, 2}, {0, 1, 5, 4}};
    std::vector<int> items;
    for (const auto& face : q)
        for (int c : face) items.push_back(first + c);
    return items;
}

std::vector<int> Mesh::band(int a, int b, int n) {
    std::vector<int> items;
    for (int k = 0; k <= n; ++k) {
        items.push_back(a + k);
        items.push_back(b + k);
    }
    return items;
}

}  // namespace pellam
