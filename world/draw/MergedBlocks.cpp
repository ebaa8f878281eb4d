#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Aligned blocks of 2, 4 or 8 far squares drawn in their mean, drawn whole in a few triangles
// reading each square's mean from a colour map of a texel a square: where the block's posts lie on
// one plane within a quarter pixel, all its triangles face the eye and its squares' colours lie within
// MergedSpread levels, a pixel moves by less than that.
// Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 1.8, 1.3, 1.7, -0.1, 0 M.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

// Linear fog is affine in the eye's depth, and so across a triangle's plane: where each corner
// lies between the fog's start and end, the fog's share at the corners, interpolated with
// perspective as the GL interpolates the depth it fogs by, is the share at every pixel. Such
// triangles of `triangles` go to `corners`, the rest to `byGL`; `inside` per vertex.
void splitByFog(const std::vector<uint32_t>& triangles, const std::vector<uint8_t>& inside,
                std::vector<uint32_t>& corners, std::vector<uint32_t>& byGL) {
    const size_t n = triangles.size() / 3 * 3;
    corners.resize(n);
    byGL.resize(n);
    size_t atCorners = 0, atGL = 0;
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t* t = &triangles[i];
        uint32_t* to = inside[t[0]] && inside[t[1]] && inside[t[2]] ? &corners[std::exchange(atCorners, atCorners + 3)]
                                                                      : &byGL[std::exchange(atGL, atGL + 3)];
        to[0] = t[0], to[1] = t[1], to[2] = t[2];
    }
    corners.resize(atCorners);
    byGL.resize(atGL);
}

// Per vertex: (`colour`, the fog's share) in `shares`, and whether it lies within the fog's start
// and end in `inside`.
void fogAtVertices(const LoadedFog& fog, const std::vector<GroundVertex>& vertices, const float* colour,
                   std::vector<float>& shares, std::vector<uint8_t>& inside) {
    const size_t n = vertices.size();
    shares.resize(n * 4);
    inside.resize(n);
    for (size_t v = 0; v < n; ++v) {
        bool in = true;
        const double f = fog.usable() ? fog.share(vertices[v], in) : 1.0;
        inside[v] = in && fog.usable();
        for (size_t c = 0; c < 3; ++c) shares[v * 4 + c] = colour[c];
        shares[v * 4 + 3] = float(f);
    }
}

// The texture stage mixing the picture with the vertices' colour by their alpha; the picture's
// own alpha passed on.
void setFogByVertices() {
    setCombineStage(GL_INTERPOLATE, GL_TEXTURE, GL_PRIMARY_COLOR, 1.0f, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
}

// The rules a block is merged and drawn by, at one draw.
struct TerrainDrawer::BlockRules {
    const TerrainDrawer& D;
    const RIDUdidav& T;
    const Eye& E;
    const ViewFrustum& View;
    double FogStart, FogEnd;  // eye depth, ft

    // The least and greatest of each channel of the block's squares' means.
    void colourRange(int i, int j, int size, std::array<float, 3>& low, std::array<float, 3>& high) const {
        const BlockGrid& grid = D.MergeGrid;
        for (int dj = 0; dj < size; ++dj)
            for (int di = 0; di < size; ++di) {
                const auto& mean = D.MeanColours[std::min<size_t>(D.MapCodes[grid.at(i + di, j + dj)], kGroundCodes - 1)];
                for (size_t c = 0; c < 3; ++c) low[c] = std::min(low[c], mean[c]), high[c] = std::max(high[c], mean[c]);
            }
    }
    static double spread(const std::array<float, 3>& low, const std::array<float, 3>& high) {
        return 255.0 * std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    }
    // The fog's factor at the block's nearest corner in depth, where it is greatest.
    double fogShare(int i, int j, int size) const {
        if (D.MergeGrid.Keys[D.MergeGrid.at(i, j)] != 1 || !(FogEnd > FogStart)) return 1.0;
        double nearest = std::numeric_limits<double>::infinity();
        for (int c = 0; c < 4; ++c) {
            const Vertex v = post(T, E, i + (c & 1) * size, j + (c >> 1) * size);
            nearest = std::min(nearest, View.fogDepth(v.X, v.Y, v.Z));
        }
        return std::clamp((FogEnd - nearest) / (FogEnd - FogStart), 0.0, 1.0);
    }
    // How far (ft) the block's posts may lie off its plane; negative: it is not merged. Within a
    // block, which square a pixel takes is told by the colour map's coordinate rather than by the
    // rasteriser's edges, which it snaps to its sub-pixel grid: a pixel on a square's edge may take
    // its neighbour's colour. So only blocks whose squares' colours, as the fog leaves them, lie
    // within MergedSpread levels of each other are merged. A post off the plane by e ft moves by
    // at most e / distance radians, kept within MergedShift of the closest pixel spacing; the
    // block's nearest point is at least its horizontal distance from the eye.
    double tolerance(int i, int j, int size) const {
        const double x0 = i * kSquareFeet - E.X, x1 = (i + size) * kSquareFeet - E.X;
        const double z0 = j * kSquareFeet - E.Z, z1 = (j + size) * kSquareFeet - E.Z;
        const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
        std::array<float, 3> low{1, 1, 1}, high{0, 0, 0};
        colourRange(i, j, size, low, high);
        if (!(fogShare(i, j, size) * spread(low, high) <= D.MergedSpread)) return -1.0;
        return facesTheEye(i, j, size) ? D.MergedShift * View.LeastPixelAngle * std::sqrt(nx * nx + nz * nz) : -1.0;
    }
    // Every triangle of the block faces the eye: no crest within it hides ground beyond, which a
    // post moved down a little could show, or moved up, hide.
    bool facesTheEye(int i, int j, int size) const {
        for (int dj = 0; dj < size; ++dj)
            for (int di = 0; di < size; ++di) {
                const int pi = i + di, pj = j + dj;
                const double ex = E.X - pi * kSquareFeet, ez = E.Z - pj * kSquareFeet;
                const double h00 = T.postFeet(pi, pj), h10 = T.postFeet(pi + 1, pj), h11 = T.postFeet(pi + 1, pj + 1),
                             h01 = T.postFeet(pi, pj + 1);
                // Each triangle's plane y = h00 + gx x + gz z: the eye above it.
                const double g[2][2] = {{(h10 - h00) / kSquareFeet, (h11 - h10) / kSquareFeet},
                                        {(h11 - h01) / kSquareFeet, (h01 - h00) / kSquareFeet}};
                for (const auto& q : g)
                    if (!(E.Y - h00 - q[0] * ex - q[1] * ez > 0)) return false;
            }
        return true;
    }
    // The block's sides drawn through every post along them (bits as sidesWithPosts): besides
    // those a neighbour of another size needs, a side drawn straight between its corners where it
    // meets a block of its size, whose posts lie within the tolerance of both blocks' planes: a
    // pixel there may change block, so only where the two blocks' colours together, as the fog
    // leaves them, lie within MergedSpread, or its posts lie on the line to the floats' rounding;
    // else through them. Both blocks find the same.
    uint8_t sidesThroughPosts(int i, int j, int size) const {
        uint8_t sides = sidesWithPosts(D.MergeGrid, i, j, size);
        std::array<float, 3> low{1, 1, 1}, high{0, 0, 0};
        colourRange(i, j, size, low, high);
        const double share = fogShare(i, j, size);
        static constexpr int kFrom[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        static constexpr int kAlong[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        for (int side = 0; side < 4; ++side) {
            if (sides >> side & 1) continue;
            const int ni = i + (side == 1 ? size : side == 3 ? -size : 0);
            const int nj = j + (side == 2 ? size : side == 0 ? -size : 0);
            std::array<float, 3> bothLow = low, bothHigh = high;
            colourRange(ni, nj, size, bothLow, bothHigh);
            if (std::max(share, fogShare(ni, nj, size)) * spread(bothLow, bothHigh) <= D.MergedSpread) continue;
            const int ai = i + kFrom[side][0] * size, aj = j + kFrom[side][1] * size;
            const int bi = ai + kAlong[side][0] * size, bj = aj + kAlong[side][1] * size;
            const double x0 = std::min(ai, bi) * kSquareFeet - E.X, x1 = std::max(ai, bi) * kSquareFeet - E.X;
            const double z0 = std::min(aj, bj) * kSquareFeet - E.Z, z1 = std::max(aj, bj) * kSquareFeet - E.Z;
            const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
            const double most = kStraightShift * View.LeastPixelAngle * std::sqrt(nx * nx + nz * nz);
            const double ha = T.postFeet(ai, aj), hb = T.postFeet(bi, bj);
            for (int k = 1; k < size; ++k) {
                const double h = T.postFeet(ai + kAlong[side][0] * k, aj + kAlong[side][1] * k);
                if (!(std::abs(h - (ha + (hb - ha) * k / size)) <= most)) {
                    sides |= uint8_t(1 << side);
                    break;
                }
            }
        }
        return sides;
    }
};

void TerrainDrawer::addMergedSquares(const RIDUdidav& t, const Eye& eye, const ViewFrustum& frustum, double fogStart,
                                     double fogEnd) {
    if (Candidates.empty()) return;
    fillMergeGrid();
    const BlockRules rules{*this, t, eye, frustum, fogStart, fogEnd};
    const auto height = [&t](int i, int j) { return t.postFeet(i, j); };
    mergeBlocks(MergeGrid, height, [&rules](int i, int j, int size) { return rules.tolerance(i, j, size); }, {8, 4, 2});
    long squaresMerged = 0, blockTrianglesMade = 0;
    for (const auto& c : Candidates) {
        const int i = c[0], j = c[1];
        const int size = MergeGrid.Sizes[MergeGrid.at(i, j)];
        if (!size) continue;
        ++squaresMerged;
        if (unsigned(i) % unsigned(size) != 0 || unsigned(j) % unsigned(size) != 0) continue;  // not the block's first
        blockTrianglesMade += addBlock(rules, i, j, size, c[2] == 2);
        ++Merged;
    }
    // Blocks that save few triangles do not pay for the map and the change of state they need:
    // then every square is drawn on its own. Counted over the whole viewport, the box or none.
    if (2 * squaresMerged - blockTrianglesMade < kLeastTrianglesSaved) {
        BlockRun.clear(), ClearBlockRun.clear();
        Merged = 0;
        std::fill(MergeGrid.Sizes.begin(), MergeGrid.Sizes.end(), 0);
    }
    for (const auto& c : Candidates) {
        const int i = c[0], j = c[1], code = std::min(c[3], kGroundCodes - 1);
        if (MergeGrid.Sizes[MergeGrid.at(i, j)] || !c[4]) continue;
        const bool farClear = c[2] == 2;
        Run& run = farClear ? ClearMeanRuns : MeanRuns;
        const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
        addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquarePicture(code), uvScale, false, run, c[4]);
        run.FarCodes.resize(run.Far.size(), uint8_t(code));
    }
}

void TerrainDrawer::fillMergeGrid() {
    // The grid spans the candidates alone.
    int ci0 = Candidates[0][0], ci1 = ci0, cj0 = Candidates[0][1], cj1 = cj0;
    for (const auto& c : Candidates)
        ci0 = std::min(ci0, c[0]), ci1 = std::max(ci1, c[0]), cj0 = std::min(cj0, c[1]), cj1 = std::max(cj1, c[1]);
    MergeGrid.reset(ci0, cj0, ci1 - ci0 + 1, cj1 - cj0 + 1);
    MapCodes.assign(MergeGrid.Keys.size(), 0);
    BoxLit.assign(MergeGrid.Keys.size(), 0);
    for (const auto& c : Candidates) {
        const size_t k = MergeGrid.at(c[0], c[1]);
        MergeGrid.Keys[k] = uint8_t(c[2]);
        MapCodes[k] = uint8_t(c[3]);
        BoxLit[k] = uint8_t(c[4]);
    }
}

long TerrainDrawer::addBlock(const BlockRules& rules, int i, int j, int size, bool farClear) {
    const RIDUdidav& t = rules.T;
    const Eye& eye = rules.E;
    const BlockGrid& grid = MergeGrid;
    // The diagonal nearer the line of sight to the block's middle, seen from above, spans fewer
    // pixels.
    bool diagonal0 = true;
    if (CutsAlongTheSight) {
        const double mx = (i + 0.5 * size) * kSquareFeet - eye.X, mz = (j + 0.5 * size) * kSquareFeet - eye.Z;
        diagonal0 = !(std::abs(-mx - mz) < std::abs(mx - mz));  // (1, 1) against (-1, 1) across the sight
    }
    blockTriangles(size, rules.sidesThroughPosts(i, j, size), diagonal0, BlockTriangles);
    // A vertex for each post the triangles use, at its place in the colour map, whose texel
    // (i - I0, j - J0) holds square (i, j)'s mean: every pixel takes its own square's (to within
    // the rounding where squares meet). Under a scissor box, where a square of the block has a
    // triangle lighting no pixel centre within it, the block's triangles that light none are left out.
    bool boxCuts = false;
    for (int dj = 0; dj < size && Boxed && !boxCuts; ++dj)
        for (int di = 0; di < size; ++di) boxCuts = boxCuts || BoxLit[grid.at(i + di, j + dj)] != 3;
    const float across = float(mapSide(grid.Across)), down = float(mapSide(grid.Down));
    Run& run = farClear ? ClearBlockRun : BlockRun;
    std::array<uint32_t, (8 + 1) * (8 + 1)> made;
    made.fill(std::numeric_limits<uint32_t>::max());
    for (const auto& triangle : BlockTriangles) {
        if (boxCuts && !mayLight(t, eye,
                               {{{i + triangle[0][0], j + triangle[0][1]},
                                 {i + triangle[1][0], j + triangle[1][1]},
                                 {i + triangle[2][0], j + triangle[2][1]}}},
                               rules.View))
            continue;
        for (const PostOffset& p : triangle) {
            uint32_t& v = made[size_t(p[1] * (size + 1) + p[0])];
            if (v == std::numeric_limits<uint32_t>::max()) {
                v = uint32_t(run.Far.size());
                Vertex at = post(t, eye, i + p[0], j + p[1]);
                // Drawn a 256th of a texel inside the block's own texels at its edges: a pixel the
                // block covers there would else read its neighbour's by rounding.
                const double middle = 0.5 * size, inward = 1.0 - 2.0 / 256 / size;
                at.U = float((i - grid.I0 + middle + (p[0] - middle) * inward) / across);
                at.V = float((j - grid.J0 + middle + (p[1] - middle) * inward) / down);
                run.Far.push_back(at);
            }
            run.FarTriangles.push_back(v);
        }
    }
    return long(BlockTriangles.size());
}

void TerrainDrawer::drawBlocks() {
    if (BlockRun.FarTriangles.empty() && ClearBlockRun.FarTriangles.empty()) return;
    glPushAttrib(GL_TEXTURE_BIT | GL_ENABLE_BIT | GL_FOG_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
    bindColourMap();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    // The map's colour as it is: no colour read where the fog is not mixed in.
    setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    const auto send = [](const Run& run, const std::vector<uint32_t>& triangles) {
        glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());
        glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_INT, triangles.data());
    };
    const auto count = [this](const Run& run) {
        const long n = long(run.FarTriangles.size() / 3);
        Triangles += n;
        InMean += n;
    };
    if (!ClearBlockRun.FarTriangles.empty()) {
        send(ClearBlockRun, ClearBlockRun.FarTriangles);
        count(ClearBlockRun);
    }
    const Run& run = BlockRun;
    if (!run.FarTriangles.empty()) {
        // Those wholly within the fog's start and end mix the fog's colour, given with each vertex,
        // with the map by the fog's share there, carried as the vertex's alpha: what the GL's fog
        // gives, without reading a constant at every pixel. The rest are fogged by the GL.
        const LoadedFog fog;
        fogAtVertices(fog, run.Far, fog.Colour, FogShares, FogInside);
        splitByFog(run.FarTriangles, FogInside, FogAtCorners, FogByGL);
        if (!FogByGL.empty()) {
            glEnable(GL_FOG);
            send(run, FogByGL);
            glDisable(GL_FOG);
        }
        if (!FogAtCorners.empty()) {
            setFogByVertices();
            glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());  // (which turns the colour array off)
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, FogShares.data());
            glDrawElements(GL_TRIANGLES, GLsizei(FogAtCorners.size()), GL_UNSIGNED_INT, FogAtCorners.data());
        }
        count(run);
    }
    glPopClientAttrib();
    glPopAttrib();
}

void TerrainDrawer::bindColourMap() {
    const BlockGrid& grid = MergeGrid;
    // The colour map: each square's mean as drawn, as it now stands, loaded again only when it
    // changed (the eye's square, the light, or which squares are drawn in their mean).
    MapTexels.assign(size_t(grid.Across) * size_t(grid.Down) * 4, 0);
    const auto level = [](float c) { return uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); };
    for (size_t k = 0; k < grid.Keys.size(); ++k) {
        if (!grid.Sizes[k]) continue;
        const std::array<float, 3>& mean = MeanColours[std::min<size_t>(MapCodes[k], kGroundCodes - 1)];
        for (size_t c = 0; c < 3; ++c) MapTexels[k * 4 + c] = level(mean[c]);
        MapTexels[k * 4 + 3] = 255;
    }
    // The name kept is still the map only while it reads as one: a context made anew, or the name
    // deleted and given out again, leaves it another picture or none, which is left alone.
    bool ours = ColourMap && glIsTexture(ColourMap);
    if (ours) {
        glBindTexture(GL_TEXTURE_2D, ColourMap);
        GLint width = 0, height = 0, filter = 0, last = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &last);
        ours = width == MapSize[0] && height == MapSize[1] && filter == GL_NEAREST && last == 0;
    }
    if (!ours) {
        glGenTextures(1, &ColourMap);
        glBindTexture(GL_TEXTURE_2D, ColourMap);
        MapLoaded.clear();
        MapSize = MapGrid = {};
    }
    // The same texels laid out for another grid are another map.
    const std::array<int, 2> squares{grid.Across, grid.Down}, sides{mapSide(grid.Across), mapSide(grid.Down)};
    if (MapTexels != MapLoaded || MapGrid != squares) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        if (MapSize != sides) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            // Only the grid's corner is ever read: the rest is left as the GL gives it.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, sides[0], sides[1], 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            MapSize = sides;
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, grid.Across, grid.Down, GL_RGBA, GL_UNSIGNED_BYTE, MapTexels.data());
        MapLoaded = MapTexels;
        MapGrid = squares;
    }
}

}  // namespace pellam::worlddraw
