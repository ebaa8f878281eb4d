#pragma once
// Geometry written as code: points and polygons appended in order, so the numbers the behaviour
// poses (shadow, patch, tracks, barrels) are the order in which a model adds its parts.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam::vehicles {

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
        p.FirstItem = int16_t(runs.size());
        runs.push_back(uint16_t(corners.size()));
        for (int c : corners) runs.push_back(uint16_t(c));
        polygons.push_back(p);
        return int(polygons.size()) - 1;
    }
    // The end rows; the tables are then complete.
    void finish() {
        points.push_back(GLT2FN3FV3FFormat{-1.0f, 0, 0, 0, 0, 0, 0, 0});
        polygons.push_back(OnePolygonVer2{});
    }
};

}  // namespace pellam::vehicles
