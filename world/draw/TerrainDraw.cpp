#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

namespace {


void drawRun(const std::vector<GroundVertex>& vertices, const std::vector<uint32_t>& triangles, uint32_t texture) {
    if (triangles.empty()) return;
    bindSoftPicture(texture);
    glInterleavedArrays(GL_T2F_V3F, 0, vertices.data());
    glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

// The second texture unit multiplies the first's result by twice the detail map (mid-grey leaves
// it as it was) and passes its alpha on, so that the roads' alpha test still sees the road.
void setDetailUnit(bool on, uint32_t detailTexture) {
    glActiveTexture(GL_TEXTURE1);
    glClientActiveTexture(GL_TEXTURE1);
    if (on) {
        glEnable(GL_TEXTURE_2D);
        bindSoftPicture(detailTexture);
        setCombineStage(GL_MODULATE, GL_PREVIOUS, GL_TEXTURE, 2.0f, GL_PREVIOUS);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
}

// Whether square (i, j), between the eye-relative heights low and high, lies wholly behind the cover.
bool behind(const ScreenCover& cover, const ViewFrustum& view, int i, int j, double low, double high, const Eye& eye) {
    const double x0 = i * kSquareFeet - eye.X, z0 = j * kSquareFeet - eye.Z;
    // Most squares are not: the box's middle tells them at a ninth of the cost.
    double mx, my;
    if (!view.window(x0 + kSquareFeet / 2, (low + high) / 2, z0 + kSquareFeet / 2, mx, my) || cover.openAt(mx, my))
        return false;
    double wx0, wy0, wx1, wy1;
    return view.windowBox(x0, low, z0, x0 + kSquareFeet, high, z0 + kSquareFeet, wx0, wy0, wx1, wy1) &&
           cover.hides(wx0, wy0, wx1, wy1);
}

}  // namespace

template <size_t N>
void TerrainDrawer::drawRuns(const std::array<std::array<Run, N>, 2>& runs, const uint32_t* textures, bool near) {
    // Each picture's clipped squares straight after its others: the pieces that overlap within a
    // square (a road's straight and its bend) keep their order.
    for (size_t k = 0; k < N; ++k)
        for (const auto& part : runs) {
            const Run& run = part[k];
            const std::vector<Vertex>& v = near ? run.Near : run.Far;
            const std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
            if (triangles.empty()) continue;
            if (near) {
                glClientActiveTexture(GL_TEXTURE1);
                glTexCoordPointer(2, GL_FLOAT, 0, run.NearDetail.data());
                glClientActiveTexture(GL_TEXTURE0);
            }
            drawRun(v, triangles, textures[k]);
            Triangles += long(triangles.size() / 3);
            if (&part == &runs[1]) Apart += long(triangles.size() / 3);
        }
}

void TerrainDrawer::draw(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light,
                         const ScreenCover* cover) {
    Triangles = 0;
    Apart = 0;
    CutAnew = 0;
    Covered = 0;
    Unlit = 0;
    LowestOpenElevation = kWholeDome;
    InMean = 0;
    FogStaged = 0;
    Merged = 0;
    HeldFlat = 0;
    for (auto* runs : {&Runs, &ClearRuns, &StagedRuns})
        for (auto& part : *runs)
            for (auto& run : part) run.clear();
    for (auto* runs : {&MeanRuns, &ClearMeanRuns})
        for (auto& run : *runs) run.clear();
    BlockRun.clear(), ClearBlockRun.clear();
    for (auto& part : Roads)
        for (auto& run : part) run.clear();
    if (!t.hasGrid()) return;

    const std::array<uint32_t, 2> roads = {glName(t.RoadStraightSlot), glName(t.RoadBendSlot)};
    prepareRoadShapes(roads);
    std::array<uint32_t, kGroundCodes> ground;
    for (int code = 0; code < kGroundCodes; ++code) ground[code] = glName(t.GroundTextureSlots[code]);
    prepareGroundPictures(ground.data());
    // In full daylight the pictures are drawn as they are: modulating by white would change no
    // pixel, and without it the rasteriser neither interpolates nor multiplies a colour.
    const bool daylight = std::all_of(light.begin(), light.end(), [](float l) { return l >= 1.0f - 1.0f / 512; });
    prepareMeans(light, daylight);
    const bool stages = daylight && FogsInStage && !Exact;
    // Per road picture (straight, bend), the least squares a pixel step spans at which it is
    // sampled at a level with no texel passing. (A picture whose last level still passes
    // somewhere is never blank: the GL stops at that level.)
    std::array<double, 2> blankAt;
    for (int k = 0; k < 2; ++k)
        blankAt[k] = RoadLevels[k].Last >= 0 && RoadBlankLevel[k] <= RoadLevels[k].Last
                         ? std::exp2(RoadBlankLevel[k] - 0.5) / RoadLevels[k].Size
                         : std::numeric_limits<double>::infinity();
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const int r = int(reach / kSquareFeet) + 1;
    const int ci = int(std::floor(eye.X / kSquareFeet)), cj = int(std::floor(eye.Z / kSquareFeet));
    const int i0 = std::max(ci - r, 0), i1 = std::min(ci + r, kGridSize - 2);
    const int j0 = std::max(cj - r, 0), j1 = std::min(cj + r, kGridSize - 2);
    if (i1 < i0 || j1 < j0) return;
    PostsI0 = i0, PostsJ0 = j0, PostsAcross = size_t(i1 - i0 + 2);
    PostKeys.assign(PostsAcross * size_t(j1 - j0 + 2) * 4, 0);
    PostIndices.resize(PostKeys.size());
    // Squares wholly outside the view are left out here rather than clipped one vertex at a time.
    const ViewFrustum frustum;
    const bool findsUnlit = SkipsUnseenWork && frustum.LeastPixelAngle > 0 && frustum.NearFeet > 0;
    const double pixelTan = std::min(frustum.PixelTan[0], frustum.PixelTan[1]);
    // Squares the GL must clip (across the near or far plane, or the window's edge) go in draws
    // of their own: one such triangle sends its whole draw down the GL's slower clipping route.
    const bool splits = SeparatesClipped && frustum.NearFeet > 0 && frustum.viewport()[2] > 0;
    const bool widens = !Exact && WidensView && WidenedView::possible();
    ClipReach = widens ? WidenedView::kWidening : 1.0;
    if (splits) PostInside.assign(PostKeys.size() / 4, 0);
    Boxed = false;
    if (findsUnlit) {
        PostProjected.assign(PostKeys.size() / 4, 0);
        PostWindow.resize(PostProjected.size());
        const auto& vp = frustum.viewport();
        Viewed = {vp[0], vp[1], vp[0] + vp[2], vp[1] + vp[3]};
        Drawable = Viewed;
        if (glIsEnabled(GL_SCISSOR_TEST)) {
            GLint box[4] = {};
            glGetIntegerv(GL_SCISSOR_BOX, box);
            Drawable = {std::max(Drawable.X0, box[0]), std::max(Drawable.Y0, box[1]),
                        std::min(Drawable.X1, box[0] + box[2]), std::min(Drawable.Y1, box[1] + box[3])};
        }
        Boxed = Drawable.X0 != Viewed.X0 || Drawable.Y0 != Viewed.Y0 || Drawable.X1 != Viewed.X1 ||
                Drawable.Y1 != Viewed.Y1;
        GLint samples = 0;
        glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
        // A sixteenth of a pixel is far wider than the rounding of the GL's transform and its
        // sub-pixel grid; with several samples a pixel, a sample may lie anywhere in it.
        CentreMargin = 1.0 / 16 + (samples > 0 ? 0.5 : 0.0);
    }
    // Ground within this depth of the eye is drawn without fog, which would leave it as it is; the
    // near squares with it when all of them are (1 ft spares the fog coordinate's rounding).
    const double fogStart = reach * 0.25;
    const double glFogStart = float(fogStart), glFogEnd = float(reach);  // as the GL holds them
    // From each band's depth on, the GL's fog factor (end - depth) / (end - start) is at most the
    // band's: where the fog has no reach, no band after the first.
    for (int band = 0; band < kFogBands; ++band)
        BandDepths[size_t(band)] = glFogEnd > glFogStart
                                       ? glFogEnd - fogBandFactor(band) * (glFogEnd - glFogStart)
                                       : std::numeric_limits<double>::infinity();
    const double clearReach = SkipsUnseenWork ? std::max(fogStart - 1.0, 0.0) : 0.0;
    bool nearFogged = false;
    float lowest = std::numeric_limits<float>::max();
    markShownBlocks(t, eye, i0, i1, j0, j1, reach, frustum, lowest);
    const size_t blocksAcross = size_t((i1 - i0) / kBlock + 1);
    ColumnDx.resize(size_t(i1 - i0 + 1));
    for (int i = i0; i <= i1; ++i)
        ColumnDx[size_t(i - i0)] = std::max({i * kSquareFeet - eye.X, eye.X - (i + 1) * kSquareFeet, 0.0});
    const bool coverShows = cover && !cover->empty();
    const bool merges = !Exact && MergesFarBlocks && DrawsInMean;
    Candidates.clear();
    for (int j = j0; j <= j1; ++j) {
        const uint8_t* blocks = &BlockShown[size_t((j - j0) / kBlock) * blocksAcross];
        const double dz = std::max({j * kSquareFeet - eye.Z, eye.Z - (j + 1) * kSquareFeet, 0.0});
        for (int i = i0; i <= i1; ++i) {
            const uint8_t block = blocks[size_t(i - i0) / kBlock];
            if (!block) {
                i += kBlock - 1 - (i - i0) % kBlock;  // to the block's last square
                continue;
            }
            // Horizontal distance from the eye to the nearest point of the square.
            const double dx = ColumnDx[size_t(i - i0)];
            const double d = std::sqrt(dx * dx + dz * dz);
            if (d > reach) continue;
            const float low = lowestPost(t, i, j), high = highestPost(t, i, j);
            lowest = std::min(lowest, low);
            const uint8_t planes = block & ViewFrustum::kAllPlanes;
            if (planes && !frustum.mayShow(i * kSquareFeet - eye.X, low - eye.Y, j * kSquareFeet - eye.Z,
                                           (i + 1) * kSquareFeet - eye.X, high - eye.Y, (j + 1) * kSquareFeet - eye.Z,
                                           planes))
                continue;
            if (coverShows && behind(*cover, frustum, i, j, low - eye.Y, high - eye.Y, eye)) {
                ++Covered;
                continue;
            }
            const int code = t.groundCodeAt(i, j);
            const bool perSquare = perSquarePicture(code);
            // The shelled ground's pictures span two squares: its craters repeat less.
            const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
            const bool near = d < kDetailDistance && t.getDrawDetail();
            // Far squares seen nearly edge-on may fall between the pixel centres; only those whose
            // depth across the line of sight may span under a few pixels are worth projecting.
            // Told against the viewport for the blocks' sake; what is drawn, within the scissor box.
            int lit = 3, viewLit = 3;
            if (findsUnlit && !near && d >= kDetailDistance) {
                const double rise = std::abs(eye.Y - 0.5 * (low + double(high)));
                const double across = (rise * kSquareFeet * M_SQRT2 / d + (double(high) - low)) / d / pixelTan;
                if (across < kThinPixels) viewLit = litTriangles(t, eye, i, j, frustum, lit);
            }
            Unlit += 2 - (lit & 1) - (lit >> 1);
            if (!viewLit || (!lit && (!merges || viewLit != 3))) continue;  // and its roads with it
            // Every corner of the square, and so every point between, nearer than the fog's start in
            // depth, by which the GL fogs: its fog factor is one.
            bool clear = true;
            for (int c = 0; c < 4 && clear; ++c) {
                const int pi = i + (c & 1), pj = j + (c >> 1);
                clear = frustum.fogDepth(pi * kSquareFeet - eye.X, t.postFeet(pi, pj) - eye.Y, pj * kSquareFeet - eye.Z) <
                        clearReach;
            }
            nearFogged = nearFogged || (near && !clear);
            // Kept apart as their own group's vertices.
            const bool clipped = splits && !(block & kBlockUnclipped) && needsClipping(t, eye, i, j, frustum);
            const uint8_t edges = t.roadEdgesAt(i, j);
            // A fogged far square's least and greatest depth, by which the GL fogs, as it sees the
            // vertices: the fog's factor, affine in the depth across each triangle, is greatest at
            // the nearest corner. A picture close enough to its mean at every level needs no credit.
            constexpr double kNone = std::numeric_limits<double>::infinity();
            const bool credit = !near && !clear && FogBands > 1 && MeanFrom[size_t(FogBands - 1)][code] < kNone &&
                                MeanFrom[0][code] > 0;
            double nearest = kNone, farthest = 0;
            if (credit || (stages && !near && !clear))
                for (int c = 0; c < 4; ++c) {
                    const Vertex v = post(t, eye, i + (c & 1), j + (c >> 1));
                    const double z = frustum.fogDepth(v.X, v.Y, v.Z);
                    nearest = std::min(nearest, z), farthest = std::max(farthest, z);
                }
            // The least squares a pixel step spans on a far square, wherever a pixel quad reads its
            // picture or its roads: past the level whose texels all fail the alpha test, a road
            // picture draws nothing (the straight one fades out a level nearer than the bend); past
            // the level from which the ground's picture lies close to its mean, as near as the fog
            // there leaves its texels to it, the square is drawn in it. A pixel quad takes level
            // round(log2(squares x texels across)).
            const int band = credit ? int(std::upper_bound(BandDepths.begin() + 1, BandDepths.begin() + FogBands, nearest) -
                                          BandDepths.begin()) - 1
                                    : 0;
            const double meanFrom = near ? kNone : MeanFrom[size_t(band)][code];
            const bool meanMayDo = meanFrom < kNone;
            double wanted = edges ? std::min(blankAt[0], blankAt[1]) : kNone;
            if (meanMayDo && meanFrom > 0) wanted = std::min(wanted, meanFrom);
            double spans = 0;
            if (!near && !Exact && wanted < kNone) {
                const double rise = std::max({low - eye.Y, eye.Y - double(high), 0.0});
                spans = leastSquaresPerPixel(t, eye, i, j, std::sqrt(d * d + rise * rise), frustum, wanted);
            }
            const bool inMean = meanMayDo && spans >= meanFrom;
            const bool farClear = clear && !near;
            // A far textured square wholly between the fog's start and end, as the GL sees its
            // vertices, in daylight: fogged by its texture stage.
            const bool staged = stages && !near && !clear && !inMean && nearest >= fogStart && farthest <= reach;
            const int group = code + (farClear ? kGroundCodes : 0) + (clipped ? 2 * kGroundCodes : 0) +
                              (inMean ? 4 * kGroundCodes : 0) + (staged ? 8 * kGroundCodes : 0);
            std::array<bool, 2> blank{};
            if (edges && !near && !Exact) blank = {spans >= blankAt[0], spans >= blankAt[1]};
            // Left for the blocks: a mean square the GL need not clip, both triangles lit and no
            // road drawn over it.
            if (merges && inMean && !clipped && viewLit == 3 && (!edges || (blank[0] && blank[1]))) {
                Candidates.push_back({i, j, farClear ? 2 : 1, code, lit});
                continue;
            }
            if (!lit) continue;
            Run& run = inMean   ? (farClear ? ClearMeanRuns : MeanRuns)[clipped]
                       : staged ? StagedRuns[clipped][code]
                                : (farClear ? ClearRuns : Runs)[clipped][code];
            addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquare, uvScale, near, group, run, lit);
            if (inMean) run.FarCodes.resize(run.Far.size(), uint8_t(code));

            if (!edges || (blank[0] && blank[1])) continue;
            const auto road = [&](int turns, int kind) {
                if (!blank[kind]) addRoad(t, eye, i, j, turns, kind, d, near, lit, clipped);
            };
            // Each road edge is covered by a straight piece or a bend; a road that ends here runs
            // straight through the square.
            uint8_t covered = 0;
            if ((edges & (kEdgeLowZ | kEdgeHighZ)) == (kEdgeLowZ | kEdgeHighZ)) {
                road(0, 0);
                covered |= kEdgeLowZ | kEdgeHighZ;
            }
            if ((edges & (kEdgeLowX | kEdgeHighX)) == (kEdgeLowX | kEdgeHighX)) {
                road(1, 0);
                covered |= kEdgeLowX | kEdgeHighX;
            }
            static constexpr uint8_t kBendEdges[4] = {kEdgeHighX | kEdgeLowZ, kEdgeHighX | kEdgeHighZ,
                                                      kEdgeLowX | kEdgeHighZ, kEdgeLowX | kEdgeLowZ};
            for (int pass = 0; pass < 2; ++pass)  // first bends joining two loose ends, then any
                for (int turn = 0; turn < 4; ++turn) {
                    const uint8_t b = kBendEdges[turn];
                    if ((edges & b) != b || (covered & b) == b) continue;
                    if (pass == 0 && (covered & b)) continue;
                    road(turn, 1);
                    covered |= b;
                }
            const uint8_t loose = edges & ~covered;
            if (loose & (kEdgeLowZ | kEdgeHighZ)) road(0, 0);
            if (loose & (kEdgeLowX | kEdgeHighX)) road(1, 0);
        }
    }

    if (merges) addMergedSquares(t, eye, frustum, glFogStart, glFogEnd);

    // Every ray that leaves the eye lower than this meets the ground within the reach: it comes down
    // to the lowest drawn post inside the reach, and the ground is drawn all round to the reach. That
    // holds while the eye is above the ground under it by enough that a ray 20 degrees down meets it
    // beyond the near plane, the reach lies inside the grid, and the far plane is beyond the meeting.
    const double above = eye.Y - lowest;
    const bool wholeReach = ci - r >= 0 && cj - r >= 0 && ci + r <= kGridSize - 2 && cj + r <= kGridSize - 2;
    if (wholeReach && above > 0 && above < kHighestOverGround &&
        eye.Y - highestPost(t, ci, cj) > frustum.NearFeet * kNearRaySine)
        LowestOpenElevation = -std::atan2(above, reach) - kOpenMargin;

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_POLYGON_BIT |
                 GL_TEXTURE_BIT | GL_LIGHTING_BIT | GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    WidenedView wide;
    if (widens) wide.widen();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    // Plain REPLACE still takes an RGB picture's alpha from the colour (one here), which keeps the
    // colour an input of every pixel; the picture's own alpha (one for RGB, the roads' own for
    // RGBA) gives the same and reads no colour at all.
    if (daylight)
        setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(light[0], light[1], light[2], 1);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, float(glFogStart));
    glFogf(GL_FOG_END, float(glFogEnd));

    bool anyNear = false;
    for (const auto& part : Runs)
        for (const Run& run : part) anyNear = anyNear || !run.Near.empty();
    for (const auto& part : Roads)
        for (const Run& run : part) anyNear = anyNear || !run.Near.empty();

    // The far roads' whole squares are cut as the ground's under them: the same test of the same
    // vertices.
    if (!Exact && CutsAlongTheSight) {
        for (auto* runs : {&Runs, &ClearRuns, &StagedRuns})
            for (auto& part : *runs)
                for (auto& run : part) CutAnew += cutAlongTheSight(run.FarTriangles, run.Far);
        for (auto* runs : {&MeanRuns, &ClearMeanRuns})
            for (auto& run : *runs) CutAnew += cutAlongTheSight(run.FarTriangles, run.Far);
        for (auto& part : Roads)
            for (auto& run : part) cutAlongTheSight(run.FarTriangles, run.Far);
    }
    // The ground beyond the detail, fogged then not, then within it; then the roads within it and
    // beyond.
    drawRuns(Runs, ground.data(), false);
    drawMeanRuns(MeanRuns, true);
    // The rest without the GL's fog, the pictures' stage changed last.
    glDisable(GL_FOG);
    drawMeanRuns(ClearMeanRuns, false);
    drawBlocks();
    drawRuns(ClearRuns, ground.data(), false);
    drawStagedRuns(StagedRuns, ground.data());
    if (nearFogged || !SkipsUnseenWork) glEnable(GL_FOG);
    if (anyNear) {
        setDetailUnit(true, glName(t.DetailSlot));
        drawRuns(Runs, ground.data(), true);
    }
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -2.0f);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    if (anyNear) {
        drawRuns(Roads, roads.data(), true);
        setDetailUnit(false, 0);
    }
    glEnable(GL_FOG);
    drawRuns(Roads, roads.data(), false);
    wide.restore();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace pellam::worlddraw
