#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

using namespace world;

namespace {

// Codes whose pictures are laid out per square (fields, houses): each square turns its picture by
// its own quarter turns, so neighbouring squares do not repeat one another.
bool perSquarePicture(int code) {
    return code == kWheatField || code == kPloughed || code == kBeetField || code == kVillage || code == kTown;
}

uint32_t squareHash(int i, int j) {
    uint32_t h = uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    return h ^ (h >> 15);
}

void drawRun(const std::vector<GLT2FN3FV3FFormat>& run, uint32_t texture) {
    if (run.empty()) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, run.data());
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(run.size()));
}

}  // namespace

void TerrainDrawer::addSquare(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, bool worldUV, double uvScale,
                              std::vector<Vertex>& out) const {
    // Corners in the order (0,0) (1,0) (1,1) (0,0) (1,1) (0,1): the altitude query's diagonal.
    static constexpr int kCorner[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (const auto& c : kCorner) {
        const int pi = i + c[0], pj = j + c[1];
        Vertex v;
        float u = float(c[0]), w = float(c[1]);
        if (worldUV) {
            u = float(((i % 64) + c[0]) * uvScale);
            w = float(((j % 64) + c[1]) * uvScale);
        } else {
            for (int k = 0; k < turns; ++k) {  // a quarter turn the other way about the centre
                const float nu = w, nw = 1.0f - u;
                u = nu;
                w = nw;
            }
        }
        v.U = u;
        v.V = w;
        const int li = std::max(pi - 1, 0), hi = std::min(pi + 1, kGridSize - 1);
        const int lj = std::max(pj - 1, 0), hj = std::min(pj + 1, kGridSize - 1);
        const double sx = (t.postFeet(hi, pj) - t.postFeet(li, pj)) / ((hi - li) * kSquareFeet);
        const double sz = (t.postFeet(pi, hj) - t.postFeet(pi, lj)) / ((hj - lj) * kSquareFeet);
        const double len = std::sqrt(sx * sx + 1.0 + sz * sz);
        v.NX = float(-sx / len);
        v.NY = float(1.0 / len);
        v.NZ = float(-sz / len);
        v.X = float(pi * kSquareFeet - eye.X);
        v.Y = float(t.postFeet(pi, pj) - eye.Y);
        v.Z = float(pj * kSquareFeet - eye.Z);
        out.push_back(v);
    }
}

void TerrainDrawer::draw(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light) {
    Triangles = 0;
    for (auto& run : Runs) run.clear();
    Straights.clear();
    Bends.clear();
    Detail.clear();
    if (!t.hasGrid()) return;

    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const int r = int(reach / kSquareFeet) + 1;
    const int ci = int(std::floor(eye.X / kSquareFeet)), cj = int(std::floor(eye.Z / kSquareFeet));
    const int i0 = std::max(ci - r, 0), i1 = std::min(ci + r, kGridSize - 2);
    const int j0 = std::max(cj - r, 0), j1 = std::min(cj + r, kGridSize - 2);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            // Horizontal distance from the eye to the nearest point of the square.
            const double dx = std::max({i * kSquareFeet - eye.X, eye.X - (i + 1) * kSquareFeet, 0.0});
            const double dz = std::max({j * kSquareFeet - eye.Z, eye.Z - (j + 1) * kSquareFeet, 0.0});
            const double d = std::sqrt(dx * dx + dz * dz);
            if (d > reach) continue;
            const int code = t.groundCodeAt(i, j);
            const bool perSquare = perSquarePicture(code);
            // The shelled ground's pictures span two squares: its craters repeat less.
            const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
            addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquare, uvScale, Runs[code]);
            if (d < kDetailDistance && t.getDrawDetail()) addSquare(t, eye, i, j, 0, true, 8.0, Detail);

            const uint8_t edges = t.roadEdgesAt(i, j);
            if (!edges) continue;
            // Each road edge is covered by a straight piece or a bend; a road that ends here runs
            // straight through the square.
            uint8_t covered = 0;
            if ((edges & (kEdgeLowZ | kEdgeHighZ)) == (kEdgeLowZ | kEdgeHighZ)) {
                addSquare(t, eye, i, j, 0, false, 1.0, Straights);
                covered |= kEdgeLowZ | kEdgeHighZ;
            }
            if ((edges & (kEdgeLowX | kEdgeHighX)) == (kEdgeLowX | kEdgeHighX)) {
                addSquare(t, eye, i, j, 1, false, 1.0, Straights);
                covered |= kEdgeLowX | kEdgeHighX;
            }
            static constexpr uint8_t kBendEdges[4] = {kEdgeHighX | kEdgeLowZ, kEdgeHighX | kEdgeHighZ,
                                                      kEdgeLowX | kEdgeHighZ, kEdgeLowX | kEdgeLowZ};
            for (int pass = 0; pass < 2; ++pass)  // first bends joining two loose ends, then any
                for (int turn = 0; turn < 4; ++turn) {
                    const uint8_t b = kBendEdges[turn];
                    if ((edges & b) != b || (covered & b) == b) continue;
                    if (pass == 0 && (covered & b)) continue;
                    addSquare(t, eye, i, j, turn, false, 1.0, Bends);
                    covered |= b;
                }
            const uint8_t loose = edges & ~covered;
            if (loose & (kEdgeLowZ | kEdgeHighZ)) addSquare(t, eye, i, j, 0, false, 1.0, Straights);
            if (loose & (kEdgeLowX | kEdgeHighX)) addSquare(t, eye, i, j, 1, false, 1.0, Straights);
        }

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_POLYGON_BIT |
                 GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(light[0], light[1], light[2], 1);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, float(reach * 0.25));
    glFogf(GL_FOG_END, float(reach));

    for (int code = 0; code < kGroundCodes; ++code) {
        drawRun(Runs[code], glName(t.GroundTextureSlots[code]));
        Triangles += long(Runs[code].size() / 3);
    }

    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -2.0f);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    drawRun(Straights, glName(t.RoadStraightSlot));
    drawRun(Bends, glName(t.RoadBendSlot));
    glDisable(GL_ALPHA_TEST);
    Triangles += long((Straights.size() + Bends.size()) / 3);

    if (!Detail.empty()) {
        // Twice the product of the two pictures: mid-grey in the detail map leaves the ground as it was.
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
        glDisable(GL_FOG);
        drawRun(Detail, glName(t.DetailSlot));
        Triangles += long(Detail.size() / 3);
    }
    glPopClientAttrib();
    glPopAttrib();
}

void TerrainDrawer::drawCloudLayers(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName,
                                    const std::array<float, 3>& light) {
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    constexpr double kTile = 24000.0;  // ft one picture of the deck spans
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, float(reach * 0.25));
    glFogf(GL_FOG_END, float(reach));
    const double u0 = std::fmod(eye.X, kTile) / kTile, v0 = std::fmod(eye.Z, kTile) / kTile;
    const float span = float(reach / kTile);
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) {
        const CloudLayer& layer = t.getCloudLayer(k);
        if (layer.TextureNumber <= 0) continue;
        const bool ceiling = layer.TextureNumber <= 2;
        const bool thin = layer.TextureNumber % 2 == 0;
        glBindTexture(GL_TEXTURE_2D, glName(ceiling ? t.CloudDeckSlot : t.CloudScatterSlot));
        const float a = thin ? 0.55f : 1.0f;
        // The underside is in shadow, the top in sunlight.
        const double heights[2] = {layer.LayerBottom, layer.LayerTop};
        for (int s = 0; s < 2; ++s) {
            const float shade = s == 0 ? 0.72f : 1.0f;
            glColor4f(light[0] * shade, light[1] * shade, light[2] * shade, a);
            const float y = float(heights[s] - eye.Y), r = float(reach);
            glBegin(GL_QUADS);
            glTexCoord2f(float(u0) - span, float(v0) - span);
            glVertex3f(-r, y, -r);
            glTexCoord2f(float(u0) + span, float(v0) - span);
            glVertex3f(r, y, -r);
            glTexCoord2f(float(u0) + span, float(v0) + span);
            glVertex3f(r, y, r);
            glTexCoord2f(float(u0) - span, float(v0) + span);
            glVertex3f(-r, y, r);
            glEnd();
        }
    }
    glPopAttrib();
}

}  // namespace pellam::worlddraw
