#pragma once
// Writing a model's tables by hand: points with their texture coordinates, polygons as runs of
// point indexes, moving-part markers, boxes and strips; the end rows close the tables.
#include <initializer_list>
#include <vector>

#include "objects/ArmedModels.h"
#include "objects/VehicleMesh.h"

namespace pellam::armed {

constexpr int16_t kLines = 1;

struct Builder {
    Mesh m;
    int point(double x, double y, double z, double u = 0, double v = 0) {
        GLT2FN3FV3FFormat p{};
        p.U = float(u), p.V = float(v), p.NY = 1.0f;
        p.X = float(x), p.Y = float(y), p.Z = float(z);
        m.points.push_back(p);
        return int(m.points.size()) - 1;
    }
    OnePolygonVer2& polygon(int16_t map, int16_t type, int32_t hints, std::initializer_list<int> items) {
        return polygon(map, type, hints, std::vector<int>(items));
    }
    OnePolygonVer2& polygon(int16_t map, int16_t type, int32_t hints, const std::vector<int>& items) {
        OnePolygonVer2 p;
        p.MapNumber = map;
        p.DefaultDrawType = type;
        p.DrawHints = hints;
        return m.polygons[vehicles::appendPolygon(m.polygons, m.runs, p, items)];
    }
    // A marker: the polygons after it are drawn with moving-part matrix `part` - 1.
    void marker(int part) {
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.FirstItem = int16_t(-part);
        m.polygons.push_back(p);
    }
    // An axis-aligned box, u over [u0, u1] and v over [v0, v1] of the map; answers its first point.
    int box(double x0, double x1, double y0, double y1, double z0, double z1, double u0, double u1, double v0,
            double v1) {
        const int f = point(x0, y0, z0, u0, v0);
        point(x1, y0, z0, u1, v0);
        point(x1, y1, z0, u1, v1);
        point(x0, y1, z0, u0, v1);
        point(x0, y0, z1, u1, v0);
        point(x1, y0, z1, u0, v0);
        point(x1, y1, z1, u0, v1);
        point(x0, y1, z1, u1, v1);
        return f;
    }
    // The six faces of box `f` as quads.
    static std::vector<int> boxFaces(int f) {
        const int q[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {3, 7, 6, 2}, {0, 1, 5, 4}};
        std::vector<int> items;
        for (const auto& face : q)
            for (int c : face) items.push_back(f + c);
        return items;
    }
    // A strip between two rings of `n` + 1 points starting at a and b.
    static std::vector<int> band(int a, int b, int n) {
        std::vector<int> items;
        for (int k = 0; k <= n; ++k) {
            items.push_back(a + k);
            items.push_back(b + k);
        }
        return items;
    }
    void end() { vehicles::closeTables(m.points, m.polygons); }
};


}  // namespace pellam::armed
