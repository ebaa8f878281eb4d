#pragma once
// The terrain drawer's helpers shared between its files (TerrainDraw.cpp and the shortcuts beside
// it); not for other drawers.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "world/draw/ViewFrustum.h"
#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

using namespace world;

// Codes whose pictures are laid out per square (fields, houses): each square turns its picture by
// its own quarter turns, so neighbouring squares do not repeat one another.
inline bool perSquarePicture(int code) {
    return code == kWheatField || code == kPloughed || code == kBeetField || code == kVillage || code == kTown;
}

inline float lowestPost(const RIDUdidav& t, int i, int j) {
    return std::min({t.postFeet(i, j), t.postFeet(i + 1, j), t.postFeet(i, j + 1), t.postFeet(i + 1, j + 1)});
}
inline float highestPost(const RIDUdidav& t, int i, int j) {
    return std::max({t.postFeet(i, j), t.postFeet(i + 1, j), t.postFeet(i, j + 1), t.postFeet(i + 1, j + 1)});
}

inline uint32_t squareHash(int i, int j) {
    uint32_t h = uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    return h ^ (h >> 15);
}

// The loaded linear fog, as the GL fogs by each vertex's eye depth |z|.
struct LoadedFog {
    GLfloat Modelview[16] = {}, Colour[4] = {}, Start = 0, End = 0;
    LoadedFog() {
        glGetFloatv(GL_MODELVIEW_MATRIX, Modelview);
        glGetFloatv(GL_FOG_COLOR, Colour);
        glGetFloatv(GL_FOG_START, &Start);
        glGetFloatv(GL_FOG_END, &End);
        Depth = {Modelview[2], Modelview[6], Modelview[10], Modelview[14]};
        From = Start, To = End, Span = To - From;
    }
    bool usable() const { return End > Start; }
    // The fog's share of the eye-relative point's own colour, 0..1; `inside` whether it lies
    // between the fog's start and end, where that share is not clamped.
    double share(const GroundVertex& p, bool& inside) const {
        const double z = std::abs(Depth[0] * p.X + Depth[1] * p.Y + Depth[2] * p.Z + Depth[3]);
        inside = z >= From && z <= To;
        return std::clamp((To - z) / Span, 0.0, 1.0);
    }

private:
    // The above as doubles, read once rather than at each point.
    std::array<double, 4> Depth{};  // the modelview's row giving the eye-space z
    double From = 0, To = 0, Span = 0;
};

// How one square in view is drawn.
struct TerrainDrawer::SquareLook {
    int Code = 0;
    bool Near = false;     // within the detail map's reach
    int Lit = 3;           // its triangles that may light a pixel centre the draw touches (bits)
    int ViewLit = 3;       // those that may light one of the viewport
    bool Clear = false;    // wholly nearer than the fog's start
    bool InMean = false;   // drawn in its picture's mean colour
    uint8_t Edges = 0;     // its road edges
    std::array<bool, 2> Blank{};  // per road picture: no texel of it passes here
};

// A lower bound on how many square edges of picture one pixel step spans on the square (i, j),
// at a horizontal-and-vertical `range` (ft) from the eye; 0 when no bound is sure or it lies below
// `wanted` (SquareLevels.cpp).
double leastSquaresPerPixel(const RIDUdidav& t, const Eye& eye, int i, int j, double range, const ViewFrustum& view,
                            double wanted);
// Linear fog at the corners (MergedBlocks.cpp): `triangles` split into those wholly within the fog's
// start and end, fogged at their corners, and those the GL fogs; each vertex's colour and the fog's
// share; the stage mixing the picture with the vertices' colour by their alpha.
void splitByFog(const std::vector<uint32_t>& triangles, const std::vector<uint8_t>& inside,
                std::vector<uint32_t>& corners, std::vector<uint32_t>& byGL);
void fogAtVertices(const LoadedFog& fog, const std::vector<GroundVertex>& vertices, const float* colour,
                   std::vector<float>& shares, std::vector<uint8_t>& inside);
void setFogByVertices();
// Whether square (i, j), between the eye-relative heights low and high (ft), lies wholly behind
// the cover (CoveredGround.cpp).
bool behindCover(const ScreenCover& cover, const ViewFrustum& view, int i, int j, double low, double high, const Eye& eye);
// Far squares cut along their other diagonal (CutAlongTheSight.cpp); the number cut.
long cutAlongTheSight(std::vector<uint32_t>& triangles, const std::vector<GroundVertex>& v);
// A picture turned by quarter turns the other way about the square's centre.
void turnPicture(int turns, float& u, float& w);

}  // namespace pellam::worlddraw
