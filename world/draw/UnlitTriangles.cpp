#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Far triangles that light no pixel centre: seen nearly edge-on, a far square may fall between the
// pixel centres, and a triangle that lights none is not sent (with the road pieces over it). The GL
// lights a pixel only where its centre lies inside a triangle, so leaving one out changes no pixel.
// Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): -0.2, -0.1, -0.3, 8.7, 12.6 M: low over the ground, where far squares
// are seen edge-on; elsewhere the test costs a little more than it spares.
#include <algorithm>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

void TerrainDrawer::prepareUnlitTest(const ViewFrustum& view) {
    PostProjected.assign(PostCount, 0);
    PostWindow.resize(PostProjected.size());
    const auto& vp = view.viewport();
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

bool TerrainDrawer::postInWindow(const RIDUdidav& t, const Eye& eye, int pi, int pj, const ViewFrustum& view,
                                 WindowPoint& at) {
    const size_t k = size_t(pj - PostsJ0) * PostsAcross + size_t(pi - PostsI0);
    if (PostProjected[k] == 0) {
        // As the GL sees it: the float vertex. Only posts well beyond the near plane and within a
        // window's size of the window are told; a triangle the GL clips at the window's edge lights
        // only pixel centres the whole one holds, so one told unlit stays unlit.
        const Vertex v = post(t, eye, pi, pj);
        const auto& vp = view.viewport();
        WindowPoint w;
        const bool told = view.clipW(v.X, v.Y, v.Z) > 2 * view.NearFeet && view.window(v.X, v.Y, v.Z, w.X, w.Y) &&
                          w.X > vp[0] - vp[2] && w.X < vp[0] + 2.0 * vp[2] && w.Y > vp[1] - vp[3] &&
                          w.Y < vp[1] + 2.0 * vp[3];
        PostWindow[k] = w;
        PostProjected[k] = told ? 1 : 2;
    }
    at = PostWindow[k];
    return PostProjected[k] == 1;
}

int TerrainDrawer::litTriangles(const RIDUdidav& t, const Eye& eye, int i, int j, const ViewFrustum& view,
                                int& drawable) {
    WindowPoint p[4];
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    drawable = 3;
    for (int c = 0; c < 4; ++c)
        if (!postInWindow(t, eye, i + kCorner[c][0], j + kCorner[c][1], view, p[c])) return 3;
    const int lit = (lightsNoPixelCentre(p[0], p[1], p[2], Viewed, CentreMargin) ? 0 : 1) |
                    (lightsNoPixelCentre(p[0], p[2], p[3], Viewed, CentreMargin) ? 0 : 2);
    drawable = lit;
    if (!Boxed) return lit;
    // One that lights no centre of the viewport lights none within the box; one whose corners'
    // bounds, widened by the margin, reach no centre of the viewport outside the box finds there
    // what it found in the viewport.
    const auto withinBox = [this](const WindowPoint& a, const WindowPoint& b, const WindowPoint& c) {
        return std::min({a.X, b.X, c.X}) - CentreMargin > Drawable.X0 - 0.5 &&
               std::max({a.X, b.X, c.X}) + CentreMargin < Drawable.X1 + 0.5 &&
               std::min({a.Y, b.Y, c.Y}) - CentreMargin > Drawable.Y0 - 0.5 &&
               std::max({a.Y, b.Y, c.Y}) + CentreMargin < Drawable.Y1 + 0.5;
    };
    if ((lit & 1) && !withinBox(p[0], p[1], p[2]) && lightsNoPixelCentre(p[0], p[1], p[2], Drawable, CentreMargin))
        drawable &= ~1;
    if ((lit & 2) && !withinBox(p[0], p[2], p[3]) && lightsNoPixelCentre(p[0], p[2], p[3], Drawable, CentreMargin))
        drawable &= ~2;
    return lit;
}

bool TerrainDrawer::mayLight(const RIDUdidav& t, const Eye& eye, const std::array<std::array<int, 2>, 3>& posts,
                             const ViewFrustum& view) {
    WindowPoint p[3];
    for (int c = 0; c < 3; ++c)
        if (!postInWindow(t, eye, posts[size_t(c)][0], posts[size_t(c)][1], view, p[c])) return true;
    return !lightsNoPixelCentre(p[0], p[1], p[2], Drawable, CentreMargin);
}

}  // namespace pellam::worlddraw
