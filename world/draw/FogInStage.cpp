#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Far textured squares lying wholly between the fog's start and end, in daylight, fogged in their
// texture stage by the fog's share worked out at their corners, rather than by the GL's fog at every
// pixel: linear fog is affine in the eye's depth across a triangle, so the share interpolated from
// the corners is the share the GL would take, rounding apart. The fog's colour comes with each vertex,
// so the rasteriser reads no constant colour at every pixel.
// SAVING_STAGE
#include <algorithm>
#include <cmath>
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

// The most any channel of a picture with these levels' colours lies from the fog's `colour` (0..1),
// in levels: by how much a unit of the fog's share moves its pixel. 255 where the levels are unknown.
double fogContrast(const std::vector<LevelColours>& levels, const float* colour) {
    if (levels.empty()) return 255.0;
    double most = 0;
    for (const LevelColours& l : levels)
        for (size_t c = 0; c < 3; ++c) {
            const double fog = 255.0 * colour[c];
            most = std::max({most, std::abs(l.Least[c] - fog), std::abs(l.Most[c] - fog)});
        }
    return most;
}

// The texture stage mixing the picture with the vertices' colour by their alpha; the picture's
// own alpha passed on.
void setFogByVertices() {
    setCombineStage(GL_INTERPOLATE, GL_TEXTURE, GL_PRIMARY_COLOR, 1.0f, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
}

void TerrainDrawer::drawStagedRuns(const std::array<std::array<Run, kGroundCodes>, 2>& runs, const uint32_t* textures) {
    bool any = false;
    for (const auto& part : runs)
        for (const Run& run : part) any = any || !run.FarTriangles.empty();
    if (!any) return;
    // In daylight the texture stage gives the picture as it is; mixing it there with the fog's
    // colour by the fog's share, carried as each vertex's alpha, gives what the GL's fog would,
    // without a fog coordinate to interpolate and a blend after the stage. The fog's colour comes
    // with each vertex too, unless FogColourInVertices is off: as the stage's constant colour the
    // rasteriser would read it at every pixel.
    const LoadedFog fog;
    GLfloat colour[4] = {1, 1, 1, 1};  // a colour array leaves the current colour undefined
    glGetFloatv(GL_CURRENT_COLOR, colour);
    const bool fogOn = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    static constexpr float kWhite[3] = {1, 1, 1};
    const float* colourOfVertices = FogColourInVertices ? fog.Colour : kWhite;
    if (FogColourInVertices)
        setFogByVertices();
    else
        setFogInStage(fog.Colour);
    for (size_t k = 0; k < kGroundCodes; ++k)
        for (const auto& part : runs) {
            const Run& run = part[k];
            if (run.FarTriangles.empty()) continue;
            fogAtVertices(fog, run.Far, colourOfVertices, FogShares, FogInside);
            bindSoftPicture(textures[k]);
            glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, FogShares.data());
            drawHeldFlat(run.FarTriangles, FogShares, fogContrast(GroundPictures[k].Colours, fog.Colour));
            const long n = long(run.FarTriangles.size() / 3);
            Triangles += n;
            FogStaged += n;
            if (&part == &runs[1]) Apart += n;
        }
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4fv(colour);
    setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    if (fogOn) glEnable(GL_FOG);
}

}  // namespace pellam::worlddraw
