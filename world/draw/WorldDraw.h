#pragma once
// Drawing of the terrain, the sky dome and the clouds with fixed-function OpenGL.
//
// Every drawer works eye-relative: the caller loads the projection, and a modelview matrix that
// holds the camera's rotation alone; positions are sent as (world - eye), so that floats keep
// their precision three million feet from the origin. Texture slots are turned into GL texture
// names by the caller's view (the slot table belongs to the renderer). Each drawer sets the GL
// state it relies on and leaves depth writes on, blending and alpha test off.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/GeometryRecords.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam::worlddraw {

struct Eye {
    double X = 0, Y = 0, Z = 0;  // ft, world
};

using GLNameOfSlot = std::function<uint32_t(int32_t slot)>;

class TerrainDrawer {
public:
    static constexpr double kDetailDistance = 7000.0;  // ft: the detail pass stops here

    // The terrain out to its fog distance in runs of one texture each, the road pieces over it,
    // and the detail pass near the eye when the terrain's detail is on. Linear fog ends at the
    // fog distance; the fog colour is the caller's.
    // `light` tints the ground: the sky's daylight.
    void draw(const RIDUdidav& terrain, const Eye& eye, const GLNameOfSlot& glName,
              const std::array<float, 3>& light = {1.0f, 1.0f, 1.0f});
    // The cloud decks of the terrain's layers, seen from the eye.
    void drawCloudLayers(const RIDUdidav& terrain, const Eye& eye, const GLNameOfSlot& glName,
                         const std::array<float, 3>& light);
    long trianglesDrawn() const { return Triangles; }

private:
    using Vertex = GLT2FN3FV3FFormat;
    void addSquare(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, bool worldUV, double uvScale,
                   std::vector<Vertex>& out) const;
    std::array<std::vector<Vertex>, world::kGroundCodes> Runs;
    std::vector<Vertex> Straights, Bends, Detail;
    long Triangles = 0;
};

// The dome round the eye with the sky's colours, then the sun. Draw it first: it writes no depth.
void drawSkyDome(const TexturedSkyDome& sky, const GLNameOfSlot& glName);

// A sprite cloud, its sprites sorted far to near and turned to face the camera.
void drawCloud(const FirstCloud& cloud, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light);

}  // namespace pellam::worlddraw
