// The cockpit's cover: its flat quads cut along the diagonal that crosses fewer of the window's
// pixel blocks. The software rasteriser shades a 4x4 block an edge passes through once for each
// triangle that lights a pixel of it, as dearly as a whole one: a quad's diagonal costs a block
// twice along all its length on the window, and the cover's quads are large and seen aslant.
// The picture stays the same: the quad is flat and both cuts give every pixel the same values,
// none by more than rounding. Saving: not yet measured.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {
namespace {

struct Corner {
    const GLT2FN3FV3FFormat* Point;
    double X, Y;  // window position, pixels
};

// The length (in pixels across plus pixels up) of the part of the segment within the box: the
// 4x4 blocks a diagonal passes through are about a quarter of it.
double blocksAlong(const Corner& a, const Corner& b, double x0, double y0, double x1, double y1) {
    double t0 = 0, t1 = 1;
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double p[4] = {-dx, dx, -dy, dy}, q[4] = {a.X - x0, x1 - a.X, a.Y - y0, y1 - a.Y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return 0;
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0) t0 = std::fmax(t0, r);
        else t1 = std::fmin(t1, r);
    }
    return t1 > t0 ? (std::fabs(dx) + std::fabs(dy)) * (t1 - t0) : 0;
}

double side(const Corner& o, const Corner& a, const Corner& b) {
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// Whether the quad p x q y, cut along x-y, is drawn alike cut along p-q: one plane, a texture
// coordinate that is one affine map of the position over it, and one colour at every corner for
// light (one normal) where lit. Interpolated across either pair of triangles, depth, texture
// coordinates and colour then take the same values at every pixel, rounding apart.
bool cutsAlike(const GLT2FN3FV3FFormat& p, const GLT2FN3FV3FFormat& x, const GLT2FN3FV3FFormat& q,
               const GLT2FN3FV3FFormat& y, bool lit, bool textured) {
    if (lit && !(sameNormal(p, x) && sameNormal(p, q) && sameNormal(p, y))) return false;
    const double e1[3] = {double(x.X) - p.X, double(x.Y) - p.Y, double(x.Z) - p.Z};
    const double e2[3] = {double(y.X) - p.X, double(y.Y) - p.Y, double(y.Z) - p.Z};
    const double e3[3] = {double(q.X) - p.X, double(q.Y) - p.Y, double(q.Z) - p.Z};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double nn = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    const double span = e3[0] * e3[0] + e3[1] * e3[1] + e3[2] * e3[2];
    if (!(nn > 0) || !(span > 0)) return false;
    // Off the plane by a hundred-thousandth of the diagonal at most: a float's rounding of the
    // model's points, far below a depth step at the cockpit's distances.
    const double off = n[0] * e3[0] + n[1] * e3[1] + n[2] * e3[2];
    if (!(off * off <= 1e-10 * nn * span)) return false;
    if (!textured) return true;
    // q = p + s (x - p) + r (y - p) within the plane: the texture coordinate must follow the same sum.
    const double g11 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2], g22 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
    const double g12 = e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2];
    const double r1 = e3[0] * e1[0] + e3[1] * e1[1] + e3[2] * e1[2], r2 = e3[0] * e2[0] + e3[1] * e2[1] + e3[2] * e2[2];
    const double det = g11 * g22 - g12 * g12;
    if (!(det > 0)) return false;
    const double s = (r1 * g22 - r2 * g12) / det, r = (g11 * r2 - g12 * r1) / det;
    // Two hundred-thousandths of the picture: a float's rounding of coordinates a few pictures
    // across, a fiftieth of a texel of a 1024-texel picture.
    constexpr double kTexture = 2e-5;
    const double u = p.U + s * (double(x.U) - p.U) + r * (double(y.U) - p.U);
    const double v = p.V + s * (double(x.V) - p.V) + r * (double(y.V) - p.V);
    return std::fabs(u - q.U) <= kTexture && std::fabs(v - q.V) <= kTexture;
}

}  // namespace

void MyZephGLView::cutCoverQuadsShorter(const OnePolygonVer2& poly, const ObjectPointsPolysVer2& g, size_t from) {
    // Points with colours of their own are interpolated as sent: left as they are.
    if (!partEye_.On || partEye_.Stride != int(sizeof(GLT2FN3FV3FFormat)) || batch_.Count < from + 6) return;
    const bool lit = !(poly.DrawHints & kUnlit), textured = !(poly.DrawHints & kUntextured);
    const auto corner = [&](uint16_t i, Corner& c) {
        const GLT2FN3FV3FFormat& a = g.ThePoints[i];
        Pair window;
        if (!windowOf(&a.X, window)) return false;
        c.Point = &a;
        c.X = window[0], c.Y = window[1];
        return std::isfinite(c.X) && std::isfinite(c.Y);
    };
    const double x0 = partEye_.Origin[0], y0 = partEye_.Origin[1], x1 = partEye_.Last[0], y1 = partEye_.Last[1];
    uint16_t* t = batch_.Store.data();
    for (size_t k = from; k + 6 <= batch_.Count;) {
        uint16_t* a = t + k;
        uint16_t* b = t + k + 3;
        // a = (p, ex, ey) and b = (q, ey, ex), each turned to start at its own corner off the
        // shared edge: the quad is p ex q ey, wound as both are.
        int i = 0, j = 0;
        const auto findShared = [&] {
            for (i = 0; i < 3; ++i)
                for (j = 0; j < 3; ++j)
                    if (a[(i + 1) % 3] == b[(j + 2) % 3] && a[(i + 2) % 3] == b[(j + 1) % 3]) return true;
            return false;
        };
        if (!findShared()) {
            k += 3;
            continue;
        }
        const uint16_t ip = a[i], ix = a[(i + 1) % 3], iy = a[(i + 2) % 3], iq = b[j];
        Corner p, x, q, y;
        if (ip == iq || !corner(ip, p) || !corner(ix, x) || !corner(iq, q) || !corner(iy, y)) {
            k += 3;
            continue;
        }
        // Convex on the window: p and q either side of the edge, its ends either side of p-q.
        const bool convex = side(x, y, p) * side(x, y, q) < 0 && side(p, q, x) * side(p, q, y) < 0;
        // The two cuts cost alike to set up: turned for any gain.
        if (convex && blocksAlong(p, q, x0, y0, x1, y1) < blocksAlong(x, y, x0, y0, x1, y1) &&
            cutsAlike(*p.Point, *x.Point, *q.Point, *y.Point, lit, textured)) {
            a[0] = ip, a[1] = ix, a[2] = iq;
            b[0] = iq, b[1] = iy, b[2] = ip;
            ++coverQuadsTurned_;
        }
        k += 6;
    }
}

}  // namespace pellam::render
