#pragma once
// The part of a colour-keyed road picture that can pass the roads' alpha test (alpha > 0.5), as
// triangles across its square. A road square drawn as these triangles gives the pixels of the
// whole square, but for the odd pixel on a road's edge where a cut runs through its centre (under
// 40 of a 640 x 400 view down a road), without shading the four fifths of it that the test
// throws away (switch TerrainDrawer::ShapesRoads). Saves, in instructions a frame of the game
// frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 1.8, 1.2, 1.2,
// 6.4, -0.2 M.
#include <array>
#include <cstdint>
#include <vector>

namespace pellam::worlddraw {

// A point of a terrain square: S across X, T across Z, (0,0) to (1,1). The square is drawn as the
// triangles (0,0) (1,0) (1,1) and (0,0) (1,1) (0,1); `Lower` marks a point of a triangle that lies
// in the first (S >= T), so that it takes that triangle's plane.
struct SquarePoint {
    float S = 0, T = 0;
    bool Lower = false;
};

class RoadShape {
public:
    static constexpr int kCells = 16;  // cells across the picture

    // `levels` holds the alpha (0..255) of every level of the picture, level 0 first, each
    // square and half the edge of the one before. A cell is kept when any sample that filtering
    // can draw from a texel above one half falls in it: within one texel of that texel's centre
    // on its own level (bilinear; trilinear mixes two levels, each judged alone), wrapping round
    // the edges as a repeating texture does.
    void build(const std::vector<std::vector<uint8_t>>& levels);
    bool ready() const { return Ready; }
    // Triangles (three points each) covering every kept cell, for the picture turned as the
    // terrain turns it: a quarter turn maps (u, v) to (v, 1 - u).
    const std::vector<SquarePoint>& triangles(int turns) const { return Triangles[turns & 3]; }

private:
    bool Ready = false;
    std::array<std::array<bool, kCells>, kCells> Kept{};  // [u cell][v cell]
    std::array<std::vector<SquarePoint>, 4> Triangles;
};

}  // namespace pellam::worlddraw
