#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Far squares whose picture, at every level the GL can read across them, lies within MeanBound
// levels of its mean (less the fog's share) are drawn untextured in that mean: the rasteriser reads
// no texel there, and each pixel stays within the bound of the textured drawing.
// SAVING_MEAN
#include <algorithm>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

void TerrainDrawer::drawMeanRuns(const std::array<Run, 2>& runs, bool fogged) {
    if (runs[0].FarTriangles.empty() && runs[1].FarTriangles.empty()) return;
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
    const auto shade = [](double c) { return float(std::clamp(c, 0.0, 1.0)); };
    // Those the GL fogs first, then those fogged at their corners, as the ground drawn after them
    // is, without the GL's fog: the squares do not overlap, and the fog is switched once (each
    // switch makes the software rasteriser take its fragment state anew).
    std::array<std::vector<float>, 2>& shades = MeanShades;
    std::array<std::vector<uint32_t>, 2>& atCorners = MeanAtCorners;
    for (size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        const std::vector<uint32_t>& t = run.FarTriangles;
        atCorners[r].clear();
        if (t.empty()) continue;
        // Per vertex: its fogged colour, and whether it lies within the fog's reach.
        const size_t n = run.Far.size();
        shades[r].resize(n * 4);
        FogInside.resize(n);
        const auto codeOf = [&](size_t v) {
            return v < run.FarCodes.size() ? std::min<size_t>(run.FarCodes[v], kGroundCodes - 1) : 0;
        };
        for (size_t v = 0; v < n; ++v) {
            const std::array<float, 3>& mean = MeanColours[codeOf(v)];
            bool inside = true;
            const double f = fogged ? fog.share(run.Far[v], inside) : 1.0;
            FogInside[v] = inside;
            for (size_t ch = 0; ch < 3; ++ch) shades[r][v * 4 + ch] = shade(f * mean[ch] + (1.0 - f) * fog.Colour[ch]);
            shades[r][v * 4 + 3] = 1.0f;
        }
        splitByFog(t, FogInside, atCorners[r], FogByGL);
        if (!FogByGL.empty()) {
            // Those the GL fogs take each picture's plain mean.
            std::array<std::array<float, 4>, kGroundCodes> plain;
            for (size_t code = 0; code < kGroundCodes; ++code) {
                const std::array<float, 3>& mean = MeanColours[code];
                plain[code] = {shade(mean[0]), shade(mean[1]), shade(mean[2]), 1.0f};
            }
            MeanPlain.resize(n * 4);
            for (size_t v = 0; v < n; ++v) std::copy_n(plain[codeOf(v)].begin(), 4, MeanPlain.begin() + ptrdiff_t(v * 4));
            glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &run.Far[0].X);
            glColorPointer(4, GL_FLOAT, 0, MeanPlain.data());
            drawHeldFlat(FogByGL, MeanPlain, 0.0);
        }
        Triangles += long(t.size() / 3);
        InMean += long(t.size() / 3);
        if (r == 1) Apart += long(t.size() / 3);
    }
    const bool switches = fogged && (!atCorners[0].empty() || !atCorners[1].empty());
    if (switches) glDisable(GL_FOG);
    for (size_t r = 0; r < runs.size(); ++r) {
        if (atCorners[r].empty()) continue;
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &runs[r].Far[0].X);
        glColorPointer(4, GL_FLOAT, 0, shades[r].data());
        drawHeldFlat(atCorners[r], shades[r], 0.0);
    }
    if (switches) glEnable(GL_FOG);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4fv(colour);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace pellam::worlddraw
