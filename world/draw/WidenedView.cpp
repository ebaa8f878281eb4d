#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// The view drawn through a viewport four times the window's size (WorldDraw.h says how): the GL
// then clips only what reaches far past the window. The ground drawn so saves in instructions a
// frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke):
// 1.6, 1.6, 3.3, 1.3, 2.5 M; the cockpit, the objects and the transparent passes drawn so
// (render/FrameDraw.cpp) 2.3, 2.7, 0.3, 2.4, 1.6 M.
#include <algorithm>

#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

bool WidenedView::possible() {
    float p[16];
    GLint vp[4] = {}, most[2] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, vp);
    if (!(p[15] == 0.0f && p[0] > 0.0f && p[5] > 0.0f)) return false;  // a perspective view only
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    // Half the window across and down in whole pixels keeps the viewport's centre where it was; the
    // widened one stays within the sizes and, conservatively, the places the GL takes unclamped.
    const int k = int(kWidening);
    for (int axis = 0; axis < 2; ++axis) {
        const int at = vp[axis], size = vp[axis + 2];
        if (size <= 0 || size % 2 != 0 || size * k > most[axis] || at - size * (k - 1) / 2 < -most[axis] ||
            at + size * (k + 1) / 2 > most[axis])
            return false;
    }
    return true;
}

bool WidenedView::widen() {
    if (Widened) return true;
    if (InForce || !possible()) return false;
    glGetIntegerv(GL_VIEWPORT, Viewport.data());
    glGetIntegerv(GL_SCISSOR_BOX, Box.data());
    Scissor = glIsEnabled(GL_SCISSOR_TEST);
    const auto& vp = Viewport;
    // Nothing is drawn outside the window, nor outside a scissor box already set.
    GLint box[4] = {vp[0], vp[1], vp[2], vp[3]};
    if (Scissor) {
        const auto& set = Box;
        const int x0 = std::max(vp[0], set[0]), y0 = std::max(vp[1], set[1]);
        const int x1 = std::min(vp[0] + vp[2], set[0] + set[2]), y1 = std::min(vp[1] + vp[3], set[1] + set[3]);
        box[0] = x0, box[1] = y0, box[2] = std::max(x1 - x0, 0), box[3] = std::max(y1 - y0, 0);
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box[0], box[1], box[2], box[3]);
    // A power of two divides exactly in floating point, so every vertex lands on the same window
    // position to the bit.
    const int w = vp[2], h = vp[3];
    const int k = int(kWidening);
    glViewport(vp[0] - w * (k - 1) / 2, vp[1] - h * (k - 1) / 2, w * k, h * k);
    glGetFloatv(GL_PROJECTION_MATRIX, Projection.data());
    std::array<GLfloat, 16> p = Projection;
    for (int col = 0; col < 4; ++col) p[col * 4] /= float(k), p[col * 4 + 1] /= float(k);
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(p.data());
    glMatrixMode(GLenum(mode));
    InForce = this;
    return Widened = true;
}

void WidenedView::restore() {
    if (!Widened) return;
    Widened = false;
    InForce = nullptr;
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(Projection.data());  // floats back as they were, to the bit
    glMatrixMode(GLenum(mode));
    glViewport(Viewport[0], Viewport[1], Viewport[2], Viewport[3]);
    glScissor(Box[0], Box[1], Box[2], Box[3]);
    if (!Scissor) glDisable(GL_SCISSOR_TEST);
}

void WidenedView::loaded(std::array<double, 16>& projection, std::array<int, 4>& viewport) {
    if (InForce) {
        std::copy(InForce->Projection.begin(), InForce->Projection.end(), projection.begin());
        viewport = InForce->Viewport;
        return;
    }
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetIntegerv(GL_VIEWPORT, viewport.data());
}

}  // namespace pellam::worlddraw
