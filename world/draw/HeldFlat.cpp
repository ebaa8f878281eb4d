#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Far triangles whose vertices' colours move a pixel by at most FlatSpread levels across them are
// drawn with the colour held flat, at the last vertex's: the rasteriser then sets up and
// interpolates no colour across them. The GL interpolates within the corners' values, so a triangle
// in one corner's colour lies within that spread of its smooth drawing.
// SAVING_FLAT
#include <algorithm>
#include <utility>

#include <xmmintrin.h>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

namespace {

// Of `triangles`, those across whose corners no channel of a pixel coloured by `colours` (RGBA per
// vertex, 0..1) moves by more than `most` levels, to `flat`, the rest to `smooth`. A unit of alpha
// moves a channel by at most `alphaLevels`. The GL interpolates within the corners' values, so a
// triangle drawn in one corner's colour lies within that spread of its smooth drawing.
void splitBySpread(const std::vector<uint32_t>& triangles, const std::vector<float>& colours, double alphaLevels,
                   double most, std::vector<uint32_t>& flat, std::vector<uint32_t>& smooth) {
    const size_t n = triangles.size() / 3 * 3, vertices = colours.size() / 4;
    flat.resize(n);
    smooth.resize(n);
    size_t atFlat = 0, atSmooth = 0;
    const float scale = float(alphaLevels / 255.0), bound = float(most / 255.0);
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t* t = &triangles[i];
        bool held = t[0] < vertices && t[1] < vertices && t[2] < vertices;
        if (held) {
            // The four channels' ranges at once, each as std::max and std::min over (a, b, d) take
            // it: a later value replaces the one kept only where it is greater (or less).
            const __m128 a = _mm_loadu_ps(&colours[size_t(t[0]) * 4]), b = _mm_loadu_ps(&colours[size_t(t[1]) * 4]),
                         d = _mm_loadu_ps(&colours[size_t(t[2]) * 4]);
            const __m128 most = _mm_max_ps(d, _mm_max_ps(b, a)), least = _mm_min_ps(d, _mm_min_ps(b, a));
            alignas(16) float range[4];
            _mm_store_ps(range, _mm_sub_ps(most, least));
            held = std::max({range[0], range[1], range[2]}) + range[3] * scale <= bound;
        }
        uint32_t* to = held ? &flat[std::exchange(atFlat, atFlat + 3)] : &smooth[std::exchange(atSmooth, atSmooth + 3)];
        to[0] = t[0], to[1] = t[1], to[2] = t[2];
    }
    flat.resize(atFlat);
    smooth.resize(atSmooth);
}

}  // namespace

void TerrainDrawer::drawHeldFlat(const std::vector<uint32_t>& triangles, const std::vector<float>& colours,
                                 double alphaLevels) {
    if (triangles.empty()) return;
    const bool holds = !Exact && HoldsFarColoursFlat;
    if (holds) splitBySpread(triangles, colours, alphaLevels, FlatSpread, FlatTriangles, SmoothTriangles);
    // The shade model is set only before a draw of the other kind, and left as it stands after
    // (the terrain's own draw restores it): the rasteriser takes up a changed fragment state at its
    // next draw, which a draw without a colour array, held flat or not, draws alike.
    GLint shading = GL_SMOOTH;
    glGetIntegerv(GL_SHADE_MODEL, &shading);
    const auto send = [&](const std::vector<uint32_t>& t, GLenum model) {
        if (t.empty()) return;
        if (GLenum(shading) != model) shadeModel(model), shading = GLint(model);
        glDrawElements(GL_TRIANGLES, GLsizei(t.size()), GL_UNSIGNED_INT, t.data());
    };
    if (!holds) {
        send(triangles, GL_SMOOTH);
        return;
    }
    // Whichever shading stands first, so that a run of draws changes it as seldom as it may.
    const bool flatFirst = shading == GL_FLAT;
    send(flatFirst ? FlatTriangles : SmoothTriangles, flatFirst ? GL_FLAT : GL_SMOOTH);
    send(flatFirst ? SmoothTriangles : FlatTriangles, flatFirst ? GL_SMOOTH : GL_FLAT);
    HeldFlat += long(FlatTriangles.size() / 3);
}

}  // namespace pellam::worlddraw
