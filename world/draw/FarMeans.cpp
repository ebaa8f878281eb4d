#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Far squares whose picture, at every level the GL can read across them, lies within MeanBound
// levels of its mean (less the fog's share) are drawn untextured in that mean: the rasteriser reads
// no texel there, and each pixel stays within the bound of the textured drawing.
// Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 3.6, 2.9, 3.1, -0.1, -0.3 M (with the merged
// blocks, which are made of such squares). Which squares, SquareLevels.cpp tells.
#include <algorithm>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

void TerrainDrawer::drawMeanRun(const Run& run, bool fogged) {
    const std::vector<uint32_t>& t = run.FarTriangles;
    if (t.empty()) return;
    // The triangles fogged at their corners take the fogged colour as their vertices' and are
    // drawn without the GL's fog.
    const LoadedFog fog;
    fogged = fogged && fog.usable();
    GLfloat colour[4] = {1, 1, 1, 1};  // a colour array leaves the current colour undefined
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &run.Far[0].X);
    const auto shade = [](double c) { return float(std::clamp(c, 0.0, 1.0)); };
    // Per vertex: its fogged colour, and whether it lies within the fog's reach.
    const size_t n = run.Far.size();
    MeanShades.resize(n * 4);
    FogInside.resize(n);
    const auto codeOf = [&](size_t v) {
        return v < run.FarCodes.size() ? std::min<size_t>(run.FarCodes[v], kGroundCodes - 1) : 0;
    };
    for (size_t v = 0; v < n; ++v) {
        const std::array<float, 3>& mean = MeanColours[codeOf(v)];
        bool inside = true;
        const double f = fogged ? fog.share(run.Far[v], inside) : 1.0;
        FogInside[v] = inside;
        for (size_t ch = 0; ch < 3; ++ch) MeanShades[v * 4 + ch] = shade(f * mean[ch] + (1.0 - f) * fog.Colour[ch]);
        MeanShades[v * 4 + 3] = 1.0f;
    }
    // Those the GL fogs first, in each picture's plain mean, then those fogged at their corners,
    // as the ground drawn after them is, without the GL's fog: the squares do not overlap.
    splitByFog(t, FogInside, FogAtCorners, FogByGL);
    if (!FogByGL.empty()) {
        std::array<std::array<float, 4>, kGroundCodes> plain;
        for (size_t code = 0; code < kGroundCodes; ++code) {
            const std::array<float, 3>& mean = MeanColours[code];
            plain[code] = {shade(mean[0]), shade(mean[1]), shade(mean[2]), 1.0f};
        }
        MeanPlain.resize(n * 4);
        for (size_t v = 0; v < n; ++v) std::copy_n(plain[codeOf(v)].begin(), 4, MeanPlain.begin() + ptrdiff_t(v * 4));
        glColorPointer(4, GL_FLOAT, 0, MeanPlain.data());
        glDrawElements(GL_TRIANGLES, GLsizei(FogByGL.size()), GL_UNSIGNED_INT, FogByGL.data());
    }
    if (!FogAtCorners.empty()) {
        const bool switches = fogged;
        if (switches) glDisable(GL_FOG);
        glColorPointer(4, GL_FLOAT, 0, MeanShades.data());
        glDrawElements(GL_TRIANGLES, GLsizei(FogAtCorners.size()), GL_UNSIGNED_INT, FogAtCorners.data());
        if (switches) glEnable(GL_FOG);
    }
    Triangles += long(t.size() / 3);
    InMean += long(t.size() / 3);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4fv(colour);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace pellam::worlddraw
