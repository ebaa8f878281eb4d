#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Squares the GL must clip (across the near or far plane, or the window's edge) are drawn apart
// from the rest of their picture's: one such triangle sends its whole draw down the GL's slower
// clipping route. The same triangles in the same order per square, so the same pixels.
// SAVING_CLIPPED
#include <cmath>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

bool TerrainDrawer::needsClipping(const RIDUdidav& t, const Eye& eye, int i, int j, const ViewFrustum& view) {
    const size_t post0 = size_t(j - PostsJ0) * PostsAcross + size_t(i - PostsI0);
    for (int c = 0; c < 4; ++c) {
        const int pi = i + (c & 1), pj = j + (c >> 1);
        uint8_t& inside = PostInside[post0 + size_t(c >> 1) * PostsAcross + size_t(c & 1)];
        if (inside == 0) {
            // The GL clips to the window's edges themselves (no guard band) and to the near and far
            // planes; a post well inside all of them is drawn as it is.
            const Vertex v = post(t, eye, pi, pj);
            double x, y, w;
            view.clip(v.X, v.Y, v.Z, x, y, w);
            const double edge = w * kInsideShare * ClipReach;
            inside = w > 2 * view.NearFeet && w < view.FarFeet * kInsideShare && std::abs(x) < edge && std::abs(y) < edge
                         ? 1
                         : 2;
        }
        if (inside == 2) return true;
    }
    return false;
}

}  // namespace pellam::worlddraw
