// The ground's draw as its steps in order: the pictures read, the squares within reach chosen and
// put in runs (each far one in its picture, its mean colour or a merged block), then the runs
// drawn, fogged then not, far then near, then the roads over them. The shortcuts each live in a
// file of their own beside this one (UnlitTriangles, FarMeans, MergedBlocks, CutAlongTheSight,
// WidenedView, RoadShape, SquareLevels, CoveredGround), each saying what it saves. Two small ones
// live in the steps here: ground nearer than the fog's start is drawn without fog (prepareFog,
// switch UnfogsNearGround), and daylight pictures are drawn without modulating by the colour
// (setGroundState, switch DaylightAsIs). Each saves, in
// instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front,
// wreck_smoke): the fog 2.5, 3.0, 3.9, 4.7, 1.5 M; daylight 4.5, 4.3, 5.2, 4.4, 1.3 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

// What one draw works from, set at its start.
struct TerrainDrawer::Frame {
    std::array<uint32_t, 2> Roads{};  // GL names: the straight piece, the bend
    std::array<uint32_t, kGroundCodes> Ground{};
    bool Daylight = false;  // the light is white: the pictures are drawn as they are
    // Per road picture, the least squares a pixel step spans at which no texel of it passes.
    std::array<double, 2> BlankAt{};
    double Reach = 0;  // ft: the fog's end, beyond which no square is drawn
    int R = 0, CI = 0, CJ = 0;  // squares: the reach, and the eye's square
    int I0 = 0, I1 = 0, J0 = 0, J1 = 0;  // the squares within reach on the grid
    ViewFrustum Frustum;  // squares wholly outside it are left out rather than clipped by the GL
    const ScreenCover* Cover = nullptr;  // a cover that hides something, or none
    bool FindsUnlit = false, Widens = false, Merges = false;
    double PixelTan = 0;  // of the narrower pixel at the window's centre
    double FogStart = 0, GLFogStart = 0, GLFogEnd = 0;  // ft of eye depth
    double ClearReach = 0;  // ft of eye depth: squares wholly nearer are drawn without fog
    bool NearFogged = false;  // some near square reaches into the fog
    float Lowest = std::numeric_limits<float>::max();  // ft: the lowest post within reach
};

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


}  // namespace

void TerrainDrawer::draw(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light,
                         const ScreenCover* cover) {
    clearDraw();
    if (!t.hasGrid()) return;
    Frame f;
    preparePictures(t, glName, light, f);
    if (!placeReach(t, eye, f)) return;
    prepareView(cover, f);
    prepareFog(f);
    chooseSquares(t, eye, f);
    if (f.Merges) addMergedSquares(t, eye, f.Frustum, f.GLFogStart, f.GLFogEnd);
    findLowestOpenElevation(t, eye, f);
    drawPasses(t, glName, light, f);
}

void TerrainDrawer::clearDraw() {
    Triangles = CutAnew = Covered = Unlit = InMean = Merged = 0;
    LowestOpenElevation = kWholeDome;
    for (auto* runs : {&Runs, &ClearRuns})
        for (auto& run : *runs) run.clear();
    for (Run* run : {&MeanRuns, &ClearMeanRuns, &BlockRun, &ClearBlockRun, &Roads[0], &Roads[1]}) run->clear();
}

void TerrainDrawer::preparePictures(const RIDUdidav& t, const GLNameOfSlot& glName, const std::array<float, 3>& light,
                                    Frame& f) {
    f.Roads = {glName(t.RoadStraightSlot), glName(t.RoadBendSlot)};
    prepareRoadShapes(f.Roads);
    for (int code = 0; code < kGroundCodes; ++code) f.Ground[code] = glName(t.GroundTextureSlots[code]);
    prepareGroundPictures(f.Ground.data());
    // In full daylight the pictures are drawn as they are: modulating by white would change no
    // pixel, and without it the rasteriser neither interpolates nor multiplies a colour.
    f.Daylight = DaylightAsIs && std::all_of(light.begin(), light.end(), [](float l) { return l >= 1.0f - 1.0f / 512; });
    prepareMeans(light, f.Daylight);
    // (A picture whose last level still passes somewhere is never blank: the GL stops at that level.)
    for (int k = 0; k < 2; ++k)
        f.BlankAt[k] = RoadLevels[k].Last >= 0 && RoadBlankLevel[k] <= RoadLevels[k].Last
                           ? std::exp2(RoadBlankLevel[k] - 0.5) / RoadLevels[k].Size
                           : std::numeric_limits<double>::infinity();
}

bool TerrainDrawer::placeReach(const RIDUdidav& t, const Eye& eye, Frame& f) {
    f.Reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    f.R = int(f.Reach / kSquareFeet) + 1;
    f.CI = int(std::floor(eye.X / kSquareFeet)), f.CJ = int(std::floor(eye.Z / kSquareFeet));
    f.I0 = std::max(f.CI - f.R, 0), f.I1 = std::min(f.CI + f.R, kGridSize - 2);
    f.J0 = std::max(f.CJ - f.R, 0), f.J1 = std::min(f.CJ + f.R, kGridSize - 2);
    if (f.I1 < f.I0 || f.J1 < f.J0) return false;
    PostsI0 = f.I0, PostsJ0 = f.J0, PostsAcross = size_t(f.I1 - f.I0 + 2);
    PostCount = PostsAcross * size_t(f.J1 - f.J0 + 2);
    ColumnDx.resize(size_t(f.I1 - f.I0 + 1));
    for (int i = f.I0; i <= f.I1; ++i)
        ColumnDx[size_t(i - f.I0)] = std::max({i * kSquareFeet - eye.X, eye.X - (i + 1) * kSquareFeet, 0.0});
    return true;
}

void TerrainDrawer::prepareView(const ScreenCover* cover, Frame& f) {
    const ViewFrustum& frustum = f.Frustum;
    f.FindsUnlit = LeavesUnlitOut && frustum.LeastPixelAngle > 0 && frustum.NearFeet > 0;
    f.PixelTan = std::min(frustum.PixelTan[0], frustum.PixelTan[1]);
    f.Widens = !Exact && WidensView && WidenedView::possible();
    Boxed = false;
    if (f.FindsUnlit) prepareUnlitTest(frustum);
    f.Cover = LeavesCoveredOut && cover && !cover->empty() ? cover : nullptr;
    f.Merges = !Exact && MergesFarBlocks && DrawsInMean;
    Candidates.clear();
}

void TerrainDrawer::prepareFog(Frame& f) {
    // Ground within this depth of the eye is drawn without fog, which would leave it as it is; the
    // near squares with it when all of them are (1 ft spares the fog coordinate's rounding).
    f.FogStart = f.Reach * 0.25;
    f.GLFogStart = float(f.FogStart), f.GLFogEnd = float(f.Reach);  // as the GL holds them
    // From each band's depth on, the GL's fog factor (end - depth) / (end - start) is at most the
    // band's: where the fog has no reach, no band after the first.
    for (int band = 0; band < kFogBands; ++band)
        BandDepths[size_t(band)] = f.GLFogEnd > f.GLFogStart
                                       ? f.GLFogEnd - fogBandFactor(band) * (f.GLFogEnd - f.GLFogStart)
                                       : std::numeric_limits<double>::infinity();
    f.ClearReach = UnfogsNearGround ? std::max(f.FogStart - 1.0, 0.0) : 0.0;
}

void TerrainDrawer::chooseSquares(const RIDUdidav& t, const Eye& eye, Frame& f) {
    for (int j = f.J0; j <= f.J1; ++j) {
        const double dz = std::max({j * kSquareFeet - eye.Z, eye.Z - (j + 1) * kSquareFeet, 0.0});
        for (int i = f.I0; i <= f.I1; ++i) {
            // Horizontal distance from the eye to the nearest point of the square.
            const double dx = ColumnDx[size_t(i - f.I0)];
            const double d = std::sqrt(dx * dx + dz * dz);
            if (d <= f.Reach) chooseSquare(t, eye, i, j, d, f);
        }
    }
}

void TerrainDrawer::chooseSquare(const RIDUdidav& t, const Eye& eye, int i, int j, double d, Frame& f) {
    const float low = lowestPost(t, i, j), high = highestPost(t, i, j);
    f.Lowest = std::min(f.Lowest, low);
    if (!f.Frustum.mayShow(i * kSquareFeet - eye.X, low - eye.Y, j * kSquareFeet - eye.Z, (i + 1) * kSquareFeet - eye.X,
                           high - eye.Y, (j + 1) * kSquareFeet - eye.Z))
        return;
    if (f.Cover && behindCover(*f.Cover, f.Frustum, i, j, low - eye.Y, high - eye.Y, eye)) {
        ++Covered;
        return;
    }
    SquareLook look;
    look.Code = t.groundCodeAt(i, j);
    look.Near = d < kDetailDistance && t.getDrawDetail();
    // Far squares seen nearly edge-on may fall between the pixel centres; only those whose depth
    // across the line of sight may span under a few pixels are worth projecting. Told against the
    // viewport for the blocks' sake; what is drawn, within the scissor box.
    if (f.FindsUnlit && !look.Near && d >= kDetailDistance) {
        const double rise = std::abs(eye.Y - 0.5 * (low + double(high)));
        const double across = (rise * kSquareFeet * M_SQRT2 / d + (double(high) - low)) / d / f.PixelTan;
        if (across < kThinPixels) look.ViewLit = litTriangles(t, eye, i, j, f.Frustum, look.Lit);
    }
    Unlit += 2 - (look.Lit & 1) - (look.Lit >> 1);
    if (!look.ViewLit || (!look.Lit && (!f.Merges || look.ViewLit != 3))) return;  // and its roads with it
    // Every corner of the square, and so every point between, nearer than the fog's start in depth,
    // by which the GL fogs: its fog factor is one.
    look.Clear = true;
    for (int c = 0; c < 4 && look.Clear; ++c) {
        const int pi = i + (c & 1), pj = j + (c >> 1);
        look.Clear = f.Frustum.fogDepth(pi * kSquareFeet - eye.X, t.postFeet(pi, pj) - eye.Y, pj * kSquareFeet - eye.Z) <
                     f.ClearReach;
    }
    f.NearFogged = f.NearFogged || (look.Near && !look.Clear);
    look.Edges = t.roadEdgesAt(i, j);
    chooseFarDrawing(t, eye, i, j, d, low, high, f, look);
    // Left for the blocks: a mean square with both triangles lit and no road drawn over it.
    const bool noRoad = !look.Edges || (look.Blank[0] && look.Blank[1]);
    const bool farClear = look.Clear && !look.Near;
    if (f.Merges && look.InMean && look.ViewLit == 3 && noRoad) {
        Candidates.push_back({i, j, farClear ? 2 : 1, look.Code, look.Lit});
        return;
    }
    if (!look.Lit) return;
    const int code = look.Code;
    Run& run = look.InMean ? (farClear ? ClearMeanRuns : MeanRuns) : (farClear ? ClearRuns : Runs)[code];
    // The shelled ground's pictures span two squares: its craters repeat less.
    const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
    addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquarePicture(code), uvScale, look.Near, run, look.Lit);
    if (look.InMean) run.FarCodes.resize(run.Far.size(), uint8_t(code));
    if (!noRoad) addRoads(t, eye, i, j, d, look);
}

void TerrainDrawer::chooseFarDrawing(const RIDUdidav& t, const Eye& eye, int i, int j, double d, float low, float high,
                                     const Frame& f, SquareLook& look) {
    const int code = look.Code;
    const bool near = look.Near, fogged = !look.Clear;
    // A fogged far square's least depth, by which the GL fogs, as it sees the vertices: the fog's
    // factor, affine in the depth across each triangle, is greatest at the nearest corner. A
    // picture close enough to its mean at every level needs no credit.
    constexpr double kNone = std::numeric_limits<double>::infinity();
    const bool credit = !near && fogged && FogBands > 1 && MeanFrom[size_t(FogBands - 1)][code] < kNone &&
                        MeanFrom[0][code] > 0;
    double nearest = kNone;
    if (credit)
        for (int c = 0; c < 4; ++c) {
            const Vertex v = post(t, eye, i + (c & 1), j + (c >> 1));
            const double z = f.Frustum.fogDepth(v.X, v.Y, v.Z);
            nearest = std::min(nearest, z);
        }
    // The least squares a pixel step spans on a far square, wherever a pixel quad reads its picture
    // or its roads: past the level whose texels all fail the alpha test, a road picture draws
    // nothing (the straight one fades out a level nearer than the bend); past the level from which
    // the ground's picture lies close to its mean, as near as the fog there leaves its texels to
    // it, the square is drawn in it. A pixel quad takes level round(log2(squares x texels across)).
    const int band = credit ? int(std::upper_bound(BandDepths.begin() + 1, BandDepths.begin() + FogBands, nearest) -
                                  BandDepths.begin()) - 1
                            : 0;
    const double meanFrom = near ? kNone : MeanFrom[size_t(band)][code];
    const bool meanMayDo = meanFrom < kNone;
    double wanted = look.Edges && LeavesBlankRoadsOut ? std::min(f.BlankAt[0], f.BlankAt[1]) : kNone;
    if (meanMayDo && meanFrom > 0) wanted = std::min(wanted, meanFrom);
    double spans = 0;
    if (!near && !Exact && wanted < kNone) {
        const double rise = std::max({low - eye.Y, eye.Y - double(high), 0.0});
        spans = leastSquaresPerPixel(t, eye, i, j, std::sqrt(d * d + rise * rise), f.Frustum, wanted);
    }
    look.InMean = meanMayDo && spans >= meanFrom;
    if (look.Edges && !near && !Exact && LeavesBlankRoadsOut) look.Blank = {spans >= f.BlankAt[0], spans >= f.BlankAt[1]};
}

void TerrainDrawer::findLowestOpenElevation(const RIDUdidav& t, const Eye& eye, const Frame& f) {
    // Every ray that leaves the eye lower than this meets the ground within the reach: it comes down
    // to the lowest drawn post inside the reach, and the ground is drawn all round to the reach. That
    // holds while the eye is above the ground under it by enough that a ray 20 degrees down meets it
    // beyond the near plane, the reach lies inside the grid, and the far plane is beyond the meeting.
    const double above = eye.Y - f.Lowest;
    const bool wholeReach =
        f.CI - f.R >= 0 && f.CJ - f.R >= 0 && f.CI + f.R <= kGridSize - 2 && f.CJ + f.R <= kGridSize - 2;
    if (wholeReach && above > 0 && above < kHighestOverGround &&
        eye.Y - highestPost(t, f.CI, f.CJ) > f.Frustum.NearFeet * kNearRaySine)
        LowestOpenElevation = -std::atan2(above, f.Reach) - kOpenMargin;
}

void TerrainDrawer::setGroundState(const std::array<float, 3>& light, const Frame& f) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    shadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    // Plain REPLACE still takes an RGB picture's alpha from the colour (one here), which keeps the
    // colour an input of every pixel; the picture's own alpha (one for RGB, the roads' own for
    // RGBA) gives the same and reads no colour at all.
    if (f.Daylight)
        setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(light[0], light[1], light[2], 1);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, float(f.GLFogStart));
    glFogf(GL_FOG_END, float(f.GLFogEnd));
}

void TerrainDrawer::drawPasses(const RIDUdidav& t, const GLNameOfSlot& glName, const std::array<float, 3>& light,
                               const Frame& f) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_POLYGON_BIT |
                 GL_TEXTURE_BIT | GL_LIGHTING_BIT | GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    WidenedView wide;
    if (f.Widens) wide.widen();
    setGroundState(light, f);
    const auto hasNear = [](const Run& run) { return !run.Near.empty(); };
    const bool anyNear = std::any_of(Runs.begin(), Runs.end(), hasNear) || std::any_of(Roads.begin(), Roads.end(), hasNear);
    if (!Exact && CutsAlongTheSight) cutRunsAlongTheSight();
    // The ground beyond the detail, fogged then not, then within it; then the roads within it and
    // beyond. Far before near costs nothing: in the fight under 0.2 % of the far ground's pixels lie
    // behind near ground. What the far squares shade and throw away is mostly the rest of the 4x4
    // blocks their thin triangles cross (about 40 % of their fragments, fixed by the triangles), and
    // pixels behind the cockpit laid first (about 15 %), which fail the depth test before shading.
    drawRuns(Runs, f.Ground.data(), false);
    drawMeanRun(MeanRuns, true);
    // The rest without the GL's fog, the pictures' stage changed last.
    glDisable(GL_FOG);
    drawMeanRun(ClearMeanRuns, false);
    drawBlocks();
    drawRuns(ClearRuns, f.Ground.data(), false);
    if (f.NearFogged || !UnfogsNearGround) glEnable(GL_FOG);
    if (anyNear) {
        setDetailUnit(true, glName(t.DetailSlot));
        drawRuns(Runs, f.Ground.data(), true);
    }
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -2.0f);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    if (anyNear) {
        drawRuns(Roads, f.Roads.data(), true);
        setDetailUnit(false, 0);
    }
    glEnable(GL_FOG);
    drawRuns(Roads, f.Roads.data(), false);
    wide.restore();
    glPopClientAttrib();
    glPopAttrib();
}

template <size_t N>
void TerrainDrawer::drawRuns(const std::array<Run, N>& runs, const uint32_t* textures, bool near) {
    for (size_t k = 0; k < N; ++k) {
        const Run& run = runs[k];
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
    }
}

}  // namespace pellam::worlddraw
