// The cockpit's flat pictures drawn untextured in their mean colour: a lit, textured pixel costs the
// software rasteriser several times an untextured one, and the cockpit covers half the view.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {

float MyZephGLView::mostSunCosine(const ObjectPointsPolysVer2& g, const std::vector<uint16_t>& points,
                                  const GLMatrix& pose) const {
    // GL lights a point by its normal taken to the eye's frame by the inverse transpose of the
    // modelview, n M^-1, dotted with the sun's direction there: that is n dotted with M^-1 times
    // the direction, in the part's own frame. Unnormalized, as GL takes it here.
    GLfloat sun[4] = {0, 0, 1, 0};
    glGetLightfv(GL_LIGHT0, GL_POSITION, sun);
    GLint twoSided = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    const double length = std::sqrt(double(sun[0]) * sun[0] + double(sun[1]) * sun[1] + double(sun[2]) * sun[2]);
    if (sun[3] != 0 || !(length > 0) || glIsEnabled(GL_NORMALIZE) || glIsEnabled(GL_RESCALE_NORMAL)) return 1;
    const GLMatrix& m = pose;
    const auto a = [&m](int r, int c) { return m[size_t(4 * c + r)]; };
    const double det = a(0, 0) * (a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1)) - a(0, 1) * (a(1, 0) * a(2, 2) - a(1, 2) * a(2, 0)) +
                       a(0, 2) * (a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0));
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return 1;
    const double l[3] = {sun[0] / length, sun[1] / length, sun[2] / length};
    // M^-1 l by Cramer's rule: the solution v of M v = l.
    double v[3];
    for (int k = 0; k < 3; ++k) {
        const auto col = [&](int r, int c) { return c == k ? l[r] : a(r, c); };
        v[k] = (col(0, 0) * (col(1, 1) * col(2, 2) - col(1, 2) * col(2, 1)) -
                col(0, 1) * (col(1, 0) * col(2, 2) - col(1, 2) * col(2, 0)) +
                col(0, 2) * (col(1, 0) * col(2, 1) - col(1, 1) * col(2, 0))) / det;
    }
    double most = 0;
    for (const uint16_t i : points) {
        const GLT2FN3FV3FFormat& q = g.ThePoints[i];
        const double d = q.NX * v[0] + q.NY * v[1] + q.NZ * v[2];
        most = std::max(most, twoSided ? std::fabs(d) : d);
    }
    // A thousandth over, for GL's single-precision matrices: a quarter of a level at most.
    return std::isfinite(most) ? float(std::min(1.0, most + 1e-3)) : 1.0f;
}

bool MyZephGLView::drawsInMean(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                               const std::vector<uint16_t>& triangles, const GLMatrix& pose) {
    // Only the cockpit, whose pieces are near and large; only pictures whose texels, times the
    // brightest the sun makes the batch's points, lie close enough to their mean.
    if (!meanInCockpit_ || !plainWhereSure_ || !(coverColour_ || drawingCockpit_) || (p.DrawHints & kUntextured))
        return false;
    const int32_t slot = pictureSlot(p, g);
    const bool lit = !(p.DrawHints & kUnlit);
    if (!flatEnough(slot, brightestLit(lit ? mostSunCosine(g, triangles, pose) : 1.0f))) return false;
    const std::array<float, 3>& mean = TheTextureMaps_[slot].MeanColour;
    // What modulated the picture now gives the mean times it: every term of the lit colour but the
    // specular, which is added after the texture either way; or the unlit colour.
    MeanSent& sent = meanSent_;
    glGetMaterialfv(GL_FRONT, GL_EMISSION, sent.Emission.data());
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, sent.Ambient.data());
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, sent.Diffuse.data());
    glGetFloatv(GL_CURRENT_COLOR, sent.Colour.data());
    std::array<GLfloat, 4> emission = sent.Emission, ambient = sent.Ambient, diffuse = sent.Diffuse, colour = sent.Colour;
    for (size_t c = 0; c < 3; ++c) {
        emission[c] *= mean[c];
        ambient[c] *= mean[c];
        diffuse[c] *= mean[c];
        colour[c] *= mean[c];
    }
    if (lit) {
        glMaterialfv(GL_FRONT, GL_EMISSION, emission.data());
        glMaterialfv(GL_FRONT, GL_AMBIENT, ambient.data());
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
    } else {
        glColor4fv(colour.data());
    }
    setTexturing(false);
    sent.Lit = lit;
    ++drawnInMean_;
    return true;
}

void MyZephGLView::putBackPicture() {
    const MeanSent& sent = meanSent_;
    if (sent.Lit) {
        glMaterialfv(GL_FRONT, GL_EMISSION, sent.Emission.data());
        glMaterialfv(GL_FRONT, GL_AMBIENT, sent.Ambient.data());
        glMaterialfv(GL_FRONT, GL_DIFFUSE, sent.Diffuse.data());
    } else {
        glColor4fv(sent.Colour.data());
    }
    setTexturing(true);
}

}  // namespace pellam::render
