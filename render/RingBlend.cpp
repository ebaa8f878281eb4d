// A flat ring of transparent quads (the propeller's blur seen from the seat) whose hole the cover's
// nearer parts hide, filled by its outer edge (render/RingFill.h) and blended by its one alpha as the
// blend's constant, its one colour given already weighted by that alpha where it is known and
// unfogged. Skips the thin wedges' edge blocks and the rasteriser's per-pixel alpha fetch (~19
// instructions a 4x4 block, ~50 more premultiplied). The hole's fragments fail the depth test either
// way; the constant is the alpha every pixel had; premultiplying moves a colour by rounding at most.
// Saving: not yet measured.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {

MyZephGLView::RingBlend MyZephGLView::planRingBlend(const TransparentPolyVer2& e, const QueuedLook& look, bool ring,
                                                    bool colourArray, const std::vector<uint16_t>& drawn) {
    // The ring's alpha is the one its material (lit) or colour (unlit) gives every pixel, as
    // the GL clamps it: given as the blend's constant, the same weight blends each pixel
    // without the rasteriser taking it from the pixel's colour (for the propeller's disc,
    // ~19 instructions a 4x4 block of ~370). Where its one colour is known as well, unfogged,
    // it is given at every point already weighted by the alpha, lighting off, and the blend
    // only adds it (~50 fewer; a colour may move by a level or two of rounding).
    const int32_t h = e.ThisPolygon->DrawHints;
    RingBlend b;
    b.ConstantAlpha = ring && ringAlphaConstant_;
    b.Premultiplied = b.ConstantAlpha && ringPremultiplied_ && !drawn.empty() && !glIsEnabled(GL_FOG) &&
                      ((h & kUnlit) ? colourArray && (b.Weighted = look.UnlitColour, true)
                                    : litColour(e.TheFinalDrawMatrix, e.Geometry->ThePoints[drawn[0]], b.Weighted));
    b.Alpha = std::clamp((h & kUnlit) ? look.UnlitColour[3] : diffuseAlpha_, 0.0f, 1.0f);
    if (b.Premultiplied)
        for (int c = 0; c < 3; ++c) b.Weighted[c] *= b.Alpha;
    if (b.Premultiplied && !(h & kUnlit)) glGetFloatv(GL_CURRENT_COLOR, b.Current.data());
    return b;
}

void MyZephGLView::setRingBlend(RingBlend& b, int32_t hints) {
    if (b.ConstantAlpha) {
        glGetIntegerv(GL_BLEND_SRC_RGB, &b.Was[0]);
        glGetIntegerv(GL_BLEND_DST_RGB, &b.Was[1]);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &b.Was[2]);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &b.Was[3]);
        glBlendColor(0, 0, 0, b.Alpha);
        // The picture's own alpha, where it keeps one, blended as before.
        glBlendFuncSeparate(b.Premultiplied ? GL_ONE : GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA,
                            GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
        ++ringsAlphaConstant_;
        ringsPremultiplied_ += b.Premultiplied;
    }
    if (b.Premultiplied && !(hints & kUnlit)) glDisable(GL_LIGHTING);
}

void MyZephGLView::putBackRingBlend(const RingBlend& b, int32_t hints) {
    if (b.Premultiplied && !(hints & kUnlit)) glEnable(GL_LIGHTING);
    if (b.ConstantAlpha) glBlendFuncSeparate(GLenum(b.Was[0]), GLenum(b.Was[1]), GLenum(b.Was[2]), GLenum(b.Was[3]));
}

bool MyZephGLView::litColour(const std::array<float, 16>& m, const GLT2FN3FV3FFormat& point,
                             std::array<float, 4>& colour) {
    // As the GL lights a point of this normal with the front material it holds: parallel lights,
    // the viewer taken as infinitely far, one side lit. Anything else is left to the GL.
    GLint localViewer = 0, twoSided = 0, lights = 0;
    glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &localViewer);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    if (localViewer || twoSided || glIsEnabled(GL_RESCALE_NORMAL) || glIsEnabled(GL_COLOR_MATERIAL)) return false;
    GLfloat emission[4], ambient[4], diffuse[4], specular[4], shininess = 0, sky[4];
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, sky);
    // The normal in the eye's frame: by the modelview's inverse transposed, the cofactors over the
    // determinant.
    const auto at = [&](int r, int c) { return double(m[size_t(c) * 4 + size_t(r)]); };
    double cof[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            cof[r][c] = at((r + 1) % 3, (c + 1) % 3) * at((r + 2) % 3, (c + 2) % 3) -
                        at((r + 1) % 3, (c + 2) % 3) * at((r + 2) % 3, (c + 1) % 3);
    const double det = at(0, 0) * cof[0][0] + at(0, 1) * cof[0][1] + at(0, 2) * cof[0][2];
    if (!(std::fabs(det) > 1e-12)) return false;
    const double n0[3] = {point.NX, point.NY, point.NZ};
    double n[3];
    for (int r = 0; r < 3; ++r) n[r] = (cof[r][0] * n0[0] + cof[r][1] * n0[1] + cof[r][2] * n0[2]) / det;
    if (glIsEnabled(GL_NORMALIZE)) {
        const double l = std::hypot(n[0], n[1], n[2]);
        if (!(l > 0)) return false;
        for (double& a : n) a /= l;
    }
    double c[3];
    for (int k = 0; k < 3; ++k) c[k] = double(emission[k]) + double(ambient[k]) * sky[k];
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    for (int i = 0; i < std::min(lights, 8); ++i) {
        if (!glIsEnabled(GLenum(GL_LIGHT0 + i))) continue;
        GLfloat position[4], cutoff = 180, la[4], ld[4], ls[4];
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_POSITION, position);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_SPOT_CUTOFF, &cutoff);
        if (position[3] != 0 || cutoff != 180) return false;
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_AMBIENT, la);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_DIFFUSE, ld);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_SPECULAR, ls);
        const double pl = std::hypot(double(position[0]), double(position[1]), double(position[2]));
        if (!(pl > 0)) return false;
        const double p[3] = {position[0] / pl, position[1] / pl, position[2] / pl};
        const double facing = n[0] * p[0] + n[1] * p[1] + n[2] * p[2];
        double shine = 0;
        if (facing > 0) {
            const double half[3] = {p[0], p[1], p[2] + 1};
            const double hl = std::hypot(half[0], half[1], half[2]);
            const double towards = hl > 0 ? (n[0] * half[0] + n[1] * half[1] + n[2] * half[2]) / hl : 0;
            shine = std::pow(std::max(towards, 0.0), double(shininess));
        }
        for (int k = 0; k < 3; ++k)
            c[k] += double(ambient[k]) * la[k] + std::max(facing, 0.0) * diffuse[k] * ld[k] + shine * specular[k] * ls[k];
    }
    for (int k = 0; k < 3; ++k) colour[size_t(k)] = float(std::clamp(c[k], 0.0, 1.0));
    colour[3] = std::clamp(diffuse[3], 0.0f, 1.0f);
    return true;
}

bool MyZephGLView::fillsRing(const TransparentPolyVer2& e) {
    // One flat colour over a ring whose hole nearer parts hide: the polygon its outer edge bounds
    // lights the ring's pixels and no other that passes the depth test.
    const GLT2FN3FV3FFormat* points = e.Geometry->ThePoints;
    if (!findRing(points, transparentRun_, ring_)) return false;
    // What the hole's pixels would show of the ring's plane lies within its edge, no nearer than
    // the nearest of the edge's points.
    const std::array<float, 16>& m = e.TheFinalDrawMatrix;
    double nearest = HUGE_VAL;
    for (uint16_t k : ring_.Inner) {
        const GLT2FN3FV3FFormat& q = points[k];
        nearest = std::min(nearest, -(double(m[2]) * q.X + double(m[6]) * q.Y + double(m[10]) * q.Z + m[14]));
    }
    if (!coverHidesOutline(m, points, ring_.Inner, nearest)) return false;
    fillConvex(ring_.Outer, ringFill_);
    ++ringsFilled_;
    return true;
}

}  // namespace pellam::render
