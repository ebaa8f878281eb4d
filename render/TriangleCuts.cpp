// Triangles of a polygon run left out before they are sent: those the GL would cull as facing away,
// those whose bounds on the window hold no pixel centre, those wholly in cells the cover hides, and
// the cockpit's own hidden ones (render/CockpitHidden). The software rasteriser transforms and sets
// up every triangle it is sent; these make no fragment, so the picture stays the same (the tests
// err towards sending). They save, in instructions a frame of the game frame benchmark
// (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): those facing away or lighting no
// pixel centre 12.9, 10.9, 12.5, 4.7, 2.3 M; those behind the cover 1.3, 6.4, 0, 0.1, 0.6 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include <emmintrin.h>

#include "render/Facing.h"
#include "world/draw/WorldDraw.h"

#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {
using namespace objectdraw;

void MyZephGLView::noteEyeForCuts(const ObjectRun& r) {
    worlddraw::WidenedView::loaded(partEye_.Projection, partEye_.Viewport);
    for (int k = 0; k < 2; ++k) {
        partEye_.Origin[k] = partEye_.Viewport[k];
        partEye_.Half[k] = 0.5 * partEye_.Viewport[2 + k];
        partEye_.Last[k] = partEye_.Viewport[k] + partEye_.Viewport[2 + k];
    }
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    // With several samples a pixel, any point of it may be one: a triangle must miss the pixel.
    partEye_.Margin = 1.0 / 16 + (samples > 0 ? 0.5 : 0.0);
    GLint mode = GL_FRONT, front = GL_CCW;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    glGetIntegerv(GL_FRONT_FACE, &front);
    partEye_.Culled = mode == GL_FRONT_AND_BACK ? 0.0 : (mode == GL_FRONT) == (front == GL_CCW) ? 1.0 : -1.0;
    noteEyeInPart(r.Stride);
    glGetDoublev(GL_DEPTH_RANGE, partEye_.DepthRange.data());
    // What the cover hides is left out only where leaving it out moves no state a later
    // polygon reads: a lit polygon keeps the diffuse alpha last sent with its colour, so no
    // two materials may share a colour with different alphas.
    partEye_.CoverMay = coverBelow_ > 0 && !coverOnly_ && !skipCover_ && !cover_.empty();
    partEye_.BehindCover =
        partEye_.CoverMay && cullsHidden_ && depthTestedNearer() && !alphaFollowsOrder(r.Materials);
    partEye_.Hidden = partEye_.BehindCover && cullOutside_ && !depthAlways_ && sphereHidden(r.Reach);
    objectsHidden_ += partEye_.Hidden;
    if (hidesCockpitTriangles_ && (coverOnly_ || drawingCockpit_) && !r.Coloured)
        lookUpCockpitHidden(*r.Object, *r.G, r.Polygons, r.Materials, r.Stride);
}

bool MyZephGLView::offsetStaysBehind(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c) const {
    // glPolygonOffset(-3, -3) brings a fragment nearer by 3 times the triangle's steepest depth
    // slope (window depth a pixel) and 3 of the depth buffer's steps, and GL does not keep the
    // result within the depth range. Bounded here with room to spare for GL's rounding (positions
    // to a thousandth of a pixel, steps as coarse as 16 bits); a triangle too thin for its slope
    // to be bounded so is taken to come through.
    const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride);
    const std::array<double, 16>& m = partEye_.Clip;
    const double n = partEye_.DepthRange[0], f = partEye_.DepthRange[1];
    double x[3], y[3], z[3];
    int k = 0;
    for (const uint16_t i : {a, b, c}) {
        const float* q = reinterpret_cast<const float*>(bytes + size_t(i) * partEye_.Stride);
        const double w = m[3] * q[0] + m[7] * q[1] + m[11] * q[2] + m[15];
        if (!(w > 1e-3)) return false;
        const auto ndc = [&](int row) { return (m[row] * q[0] + m[4 + row] * q[1] + m[8 + row] * q[2] + m[12 + row]) / w; };
        x[k] = partEye_.Viewport[0] + (ndc(0) + 1) * 0.5 * partEye_.Viewport[2];
        y[k] = partEye_.Viewport[1] + (ndc(1) + 1) * 0.5 * partEye_.Viewport[3];
        z[k] = n + (ndc(2) + 1) * 0.5 * (f - n);
        ++k;
    }
    const double ex = x[0] - x[2], ey = y[0] - y[2], ez = z[0] - z[2];
    const double fx = x[1] - x[2], fy = y[1] - y[2], fz = z[1] - z[2];
    const double det = std::fabs(ex * fy - ey * fx);
    const double rounding = 1e-3 * (std::fabs(ex) + std::fabs(ey) + std::fabs(fx) + std::fabs(fy));
    if (!(det > 2 * rounding)) return false;
    const double slope = std::fmax(std::fabs(ez * fy - ey * fz), std::fabs(ex * fz - ez * fx)) / (det - rounding);
    const double pull = 3 * (slope * 1.01 + 1e-6) + 3.0 / 65536;
    return std::fmin(z[0], std::fmin(z[1], z[2])) - pull > coverBelow_;
}

void MyZephGLView::noteEyeInPart(int stride) {
    // FinalMatrix_ takes the part's frame to the eye's: x_eye = A x + t. The eye, at the origin, is
    // -A^-1 t in the part's frame; A^-1 = adj(A) / det A, with A[r][c] at 4c + r.
    const GLMatrix& m = FinalMatrix_;
    const auto a = [&m](int r, int c) { return m[4 * c + r]; };
    const double c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
                 c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const double det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    partEye_.Stride = stride;
    partEye_.On = std::isfinite(det) && std::fabs(det) > 1e-12;
    if (!partEye_.On) return;
    const double adj[3][3] = {{c00, a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2), a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)},
                              {c01, a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)},
                              {c02, a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1), a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)}};
    double eye[3];
    for (int r = 0; r < 3; ++r) eye[r] = -(adj[r][0] * m[12] + adj[r][1] * m[13] + adj[r][2] * m[14]) / det;
    partEye_.X = eye[0];
    partEye_.Y = eye[1];
    partEye_.Z = eye[2];
    partEye_.Sign = (det > 0 ? 1.0 : -1.0) * partEye_.Culled;
    partEye_.Clip = multiply(partEye_.Projection, FinalMatrix_);
    partEye_.On = std::isfinite(eye[0]) && std::isfinite(eye[1]) && std::isfinite(eye[2]);
}

[[gnu::always_inline]] inline const MyZephGLView::Projected& MyZephGLView::projected(const PartPoints& points, uint16_t i,
                                                                                    RecentCorners& recent) const {
    // The triangles of a quad, fan or strip share corners with the one before: a corner's window
    // position is worked out once for them.
    const int slot = i & (RecentCorners::kSize - 1);
    Projected& out = recent.Corner[slot];
    if (recent.Point[slot] == i) return out;
    recent.Point[slot] = i;
    out.Ahead = windowOf(points.at(i), out.Window);
    return out;
}

[[gnu::always_inline]] inline bool MyZephGLView::coversNoPixel(const ObjectPointsPolysVer2& g, const PartPoints& points,
                                                               uint16_t a, uint16_t b, uint16_t c, ScreenBox& box,
                                                               RecentCorners& recent) {
    // A fragment is made where a pixel's centre lies inside the triangle. Behind the eye the
    // projection would not bound the triangle: such a triangle is sent, and may reach anywhere.
    // The margin's sixteenth of a pixel is far wider than the rounding of GL's own transform and
    // its 1/256-pixel grid.
    // Run for every triangle sent: the comparisons are written out, as std::fmin and std::fmax
    // are library calls here (they keep the bound where a corner is not a number, as these do).
    const double margin = partEye_.Margin;
    Pair lo = {1e300, 1e300}, hi = {-1e300, -1e300};
    for (const uint16_t i : {a, b, c}) {
        const Projected& q = projected(points, i, recent);
        if (!q.Ahead) {
            // Reaching behind the eye (a cockpit's sides and floor): bounded by what GL keeps of it.
            double kl[2] = {1e300, 1e300}, kh[2] = {-1e300, -1e300};
            const Kept kept = keptBounds(g, a, b, c, kl, kh);
            if (kept == Kept::Nothing) return true;
            if (kept == Kept::Unbounded) {
                box = kWholeScreen;
                return false;
            }
            lo = Pair{kl[0], kl[1]}, hi = Pair{kh[0], kh[1]};
            break;
        }
        // q < lo ? q : lo and q > hi ? q : hi, each one instruction.
        lo = _mm_min_pd(q.Window, lo);
        hi = _mm_max_pd(q.Window, hi);
    }
    const Pair lower = lo - margin, upper = hi + margin;
    box = {lower[0], lower[1], upper[0], upper[1]};
    // x and y together: no centre k + 0.5 between from and to, no whole k in [from, to], in either.
    const Pair from = (lower > partEye_.Origin ? lower : partEye_.Origin) - 0.5;
    const Pair to = (upper < partEye_.Last ? upper : partEye_.Last) - 0.5;
    if (_mm_movemask_pd(__m128d(from > to))) return true;
    // Now both lie within the viewport's bounds: the whole number at or above from, as the
    // truncation of a small number is.
    Pair whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(from));
    whole = whole < from ? whole + 1 : whole;
    return _mm_movemask_pd(__m128d(whole > to)) != 0;
}

MyZephGLView::Kept MyZephGLView::keptBounds(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c,
                                              double* lo, double* hi) const {
    // GL keeps what lies between its near and far planes, -w <= z <= w in clip coordinates, where
    // w >= 0: the triangle is cut to that slab and what is left bounded on the window. Wholly
    // beyond one plane by more than GL's single-precision rounding, nothing is left; cut, its
    // window positions lie along the near plane's, far from the eye's singular w = 0.
    using Clip = std::array<double, 4>;
    // A triangle cut by two planes has five corners at most; each cut is written to the other array.
    std::array<Clip, 5> corners[2];
    std::array<Clip, 5>* poly = &corners[0];
    int n = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride);
    const std::array<double, 16>& m = partEye_.Clip;
    for (const uint16_t i : {a, b, c}) {
        const float* p = reinterpret_cast<const float*>(bytes + size_t(i) * partEye_.Stride);
        Clip& q = (*poly)[size_t(n++)];
        for (int r = 0; r < 4; ++r) q[size_t(r)] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        for (const double v : q)
            if (!std::isfinite(v)) return Kept::Unbounded;
    }
    for (const double side : {1.0, -1.0}) {  // the near plane, z + w >= 0, then the far, w - z >= 0
        const auto inside = [side](const Clip& q) { return q[3] + side * q[2]; };
        const auto clearlyOut = [&](const Clip& q) { return inside(q) < -1e-6 * (std::fabs(q[2]) + std::fabs(q[3])); };
        if (std::all_of(poly->begin(), poly->begin() + n, clearlyOut)) return Kept::Nothing;
        std::array<Clip, 5>& cut = poly == &corners[0] ? corners[1] : corners[0];
        int kept = 0;
        for (int k = 0; k < n; ++k) {
            const Clip &p = (*poly)[size_t(k)], &q = (*poly)[size_t(k + 1 < n ? k + 1 : 0)];
            const double dp = inside(p), dq = inside(q);
            if (dp >= 0) cut[size_t(kept++)] = p;
            if ((dp >= 0) != (dq >= 0)) {
                const double t = dp / (dp - dq);
                Clip& r = cut[size_t(kept++)];
                for (size_t j = 0; j < 4; ++j) r[j] = p[j] + t * (q[j] - p[j]);
            }
        }
        if (kept < 3) return Kept::Unbounded;  // a sliver at a plane: left to GL
        poly = &cut;
        n = kept;
    }
    for (int k = 0; k < n; ++k) {
        const Clip& q = (*poly)[size_t(k)];
        if (!(q[3] > 1e-6)) return Kept::Unbounded;
        for (int j = 0; j < 2; ++j) {
            const double at = partEye_.Viewport[j] + (q[size_t(j)] / q[3] + 1) * 0.5 * partEye_.Viewport[2 + j];
            lo[j] = at < lo[j] ? at : lo[j];
            hi[j] = at > hi[j] ? at : hi[j];
        }
    }
    return Kept::Bounded;
}

void MyZephGLView::appendTriangles(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
    // The triangles GL makes of the primitive, each wound as GL winds it (culling reads the
    // winding); a quad is cut along the diagonal from its second corner to its fourth, as the
    // rasteriser cuts it. Those GL would cull, and those too small or too far aside to make a
    // fragment, are not sent: the software rasteriser shades every vertex it is sent.
    const uint16_t* run = g.RunItems + p.FirstItem;
    const int n = run[0];
    const uint16_t* v = run + 1;
    const int32_t hints = p.DrawHints;
    const bool cull = cutsUnseenTriangles_ && partEye_.On && partEye_.Culled != 0 && !(hints & kNoCull);
    const bool seen = partEye_.On, behindCover = partEye_.BehindCover;
    const bool flatLit = !(hints & kUnlit);
    // The cockpit's triangles its own nearer parts hide from this eye place, one flag a triangle.
    const uint8_t* behindOwn = hiding_.Hidden ? hiding_.of(size_t(&p - hidingPolygons_)) : nullptr;
    int index = 0;
    RecentCorners recent;
    const PartPoints points{reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride),
                            size_t(partEye_.Stride)};
    // GL culls its front faces (glPrepareForModelDrawing), those wound anticlockwise on the screen:
    // there the pose's determinant times the normal's dot with the way to the eye is positive
    // (negative where GL is set to cull the other way; nothing where it culls both).
    const FacingEye facing{partEye_.X, partEye_.Y, partEye_.Z, partEye_.Sign};
    // Room for every triangle the primitive may make (n - 2 at most, whatever its kind), of which
    // those sent are kept: a triangle costs three stores, not three growth checks.
    uint16_t* const first = batch_.room(3 * size_t(std::max(n - 2, 0)));
    uint16_t* out = first;
    // Run for every triangle of every batch: written into each loop below.
    // `away`: whether it faces away, where already asked (0 or 1), else -1.
    const auto tri = [&](uint16_t a, uint16_t b, uint16_t c, int away) __attribute__((always_inline)) {
        if (behindOwn && behindOwn[index++]) {
            ++cockpitTrianglesHidden_;
            return;
        }
        if (cull && (away < 0 ? facesAway(points.at(a), points.at(b), points.at(c), facing) : away)) return;
        ScreenBox box = kWholeScreen;
        if (seen && coversNoPixel(g, points, a, b, c, box, recent) && cutsUnseenTriangles_) {
            ++trianglesUnseen_;
            return;
        }
        if (behindCover && hiddenByCover(box) && (!(hints & kOffset) || offsetStaysBehind(g, a, b, c))) {
            ++trianglesHidden_;
            return;
        }
        batchBox_.widen(box);
        if (batchFlat_ && flatLit) {
            // Lit: one colour only where the three normals are one (plain points: no colours of their own).
            const auto* points = g.ThePoints;
            batchFlat_ = sameNormal(points[b], points[a]) && sameNormal(points[c], points[a]);
        }
        out[0] = a;
        out[1] = b;
        out[2] = c;
        out += 3;
    };
    const auto alone = [&](uint16_t a, uint16_t b, uint16_t c) __attribute__((always_inline)) { tri(a, b, c, -1); };
    if (cull) {
        // A quad's two triangles, and a fan's neighbouring two, are asked whether they face away together.
        eachTrianglePair(
            p.DefaultDrawType, v, n,
            [&](uint16_t a0, uint16_t b0, uint16_t c0, uint16_t a1, uint16_t b1, uint16_t c1) __attribute__((always_inline)) {
                const int away = pairFacesAway({points.at(a0), points.at(a1)}, {points.at(b0), points.at(b1)},
                                               {points.at(c0), points.at(c1)}, facing);
                tri(a0, b0, c0, away & 1);
                tri(a1, b1, c1, away >> 1);
            },
            alone);
    } else {
        eachTriangle(p.DefaultDrawType, v, n, alone);
    }
    batch_.Count += size_t(out - first);
}

void MyZephGLView::lookUpCockpitHidden(const OneCompleteObjectVer2& object, const ObjectPointsPolysVer2& g,
                                       const OnePolygonVer2* polygons, const MaterialLightData* materials, int stride) {
    // Which parts hide which is worked out in the object's own frame: every part the polygons
    // switch to must be posed as the object is. Depths decide it, nearer or as near winning, and
    // a lit polygon's alpha must be its own material's.
    hiding_ = {};
    if (!partEye_.On || partEye_.Culled == 0 || !depthTestedNearer() || alphaFollowsOrder(materials)) return;
    const std::array<double, 16>& p = partEye_.Projection;
    if (p[11] != -1 || p[3] != 0 || p[7] != 0 || p[15] != 0 || !(p[0] > 0) || !(p[5] > 0) || !(p[10] < 1)) return;
    // The polygons' looks do not change between the passes of a frame: read once a pass.
    if (looksFor_ != polygons || looksPass_ != passes_) {
        constexpr size_t kMostPolygons = 65536;
        looksFor_ = polygons;
        looksPass_ = passes_;
        looksFit_ = false;
        polygonLooks_.clear();
        for (const OnePolygonVer2* q = polygons; q->MapNumber >= 0; ++q) {
            if (polygonLooks_.size() == kMostPolygons) return;
            if (q->FirstItem < 0) {
                const int m = -q->FirstItem;
                if (m <= int(object.OptionalObjectMatrix.size()) &&
                    object.OptionalObjectMatrix[size_t(m - 1)] != object.ObjectMatrix)
                    return;
            }
            polygonLooks_.push_back({q->DrawHints, q->FirstItem >= 0 && alwaysOpaque(*q, g, materials)});
        }
        looksFit_ = true;
    }
    if (!looksFit_) return;
    // The near plane cuts away what lies nearer than n along the view's axis: in any direction
    // within the view's corners, nothing nearer the eye than this reach is sure to be drawn.
    const double n = p[14] / (p[10] - 1);
    const double l = (p[8] - 1) / p[0], r = (p[8] + 1) / p[0], b = (p[9] - 1) / p[5], t = (p[9] + 1) / p[5];
    const double reach = n * std::sqrt(1 + std::max(l * l, r * r) + std::max(b * b, t * t));
    // Sampled at half a pixel (as a tangent at the view's middle) or finer.
    const double pixel = partEye_.Viewport[2] > 0 ? (r - l) / partEye_.Viewport[2] : 0;
    if (!(n > 0) || !std::isfinite(reach) || !(pixel > 0)) return;
    const HidingEye eye{partEye_.X, partEye_.Y, partEye_.Z, partEye_.Sign, reach, std::clamp(pixel / 2, 1.0 / 8192, 1.0 / 1024)};
    CockpitHidden::Answer answer;
    if (!cockpitHidden_.lookUp(g, polygons, polygonLooks_, stride, eye, passes_, answer)) return;
    hiding_ = answer;
    hidingPolygons_ = polygons;
}

}  // namespace pellam::render
