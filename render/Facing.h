#pragma once
// Whether a triangle is clearly turned away from the eye, for leaving out what the GL would cull:
// one triangle alone, or two at once (a lane each) with the same products and sums in each lane, so
// that the two answer alike to the last bit.
// The GL culls such a triangle itself, so leaving it out changes no pixel. What it saves is
// counted with the triangles that light no pixel centre (render/TriangleCuts.cpp).
#include <cmath>

#include <emmintrin.h>

namespace pellam::render {

// Two doubles worked on at once, each lane exactly as a double alone (no fused operations).
using Pair = double __attribute__((vector_size(16)));

// The eye in the points' frame, and the sign that turns the normal's dot with the way to the eye
// into "culled where positive": the pose's determinant's times the cull mode's.
struct FacingEye {
    double X = 0, Y = 0, Z = 0, Sign = 1;
};

// Positive facing, the sign times n . (eye - p) with n = (q - p) x (r - p), above a thousandth of
// |n| |eye - p|: clearly turned (more than a few hundredths of a degree), so that the rounding of
// the GL's own test cannot disagree. x and y are worked on together, each lane and each sum in the
// order the plain products and sums would take:
//   u = q - p, v = r - p, n = u x v, e = eye - p,
//   facing = sign (n0 e0 + n1 e1 + n2 e2), scale = sqrt((n0 n0 + n1 n1 + n2 n2) (e0 e0 + e1 e1 + e2 e2)).
[[gnu::always_inline]] inline bool facesAway(const float* p, const float* q, const float* r, const FacingEye& eye) {
    const Pair pxy = {p[0], p[1]};
    const Pair u = Pair{q[0], q[1]} - pxy, v = Pair{r[0], r[1]} - pxy;
    const double pz = p[2], uz = double(q[2]) - pz, vz = double(r[2]) - pz;
    // n0 = u1 v2 - u2 v1, n1 = u2 v0 - u0 v2; n2 = u0 v1 - u1 v0.
    const Pair nxy = Pair{u[1], uz} * Pair{vz, v[0]} - Pair{uz, u[0]} * Pair{v[1], vz};
    const Pair cross = u * Pair{v[1], v[0]};
    const double nz = cross[0] - cross[1];
    const Pair exy = Pair{eye.X, eye.Y} - pxy;
    const double ez = eye.Z - pz;
    const Pair ne = nxy * exy;
    const double facing = eye.Sign * (ne[0] + ne[1] + nz * ez);
    if (!(facing > 0)) return false;  // the bound below is never negative
    const Pair nn = nxy * nxy, ee = exy * exy;
    const double scale = std::sqrt((nn[0] + nn[1] + nz * nz) * (ee[0] + ee[1] + ez * ez));
    return facing > 1e-3 * scale;
}

// Two triangles (p[k], q[k], r[k]) at once, a lane each: bit k set where triangle k faces away as
// facesAway answers for it alone.
[[gnu::always_inline]] inline int pairFacesAway(const float* const (&p)[2], const float* const (&q)[2],
                                                const float* const (&r)[2], const FacingEye& eye) {
    // Each corner's x and y read and widened together, then gathered a coordinate across the lanes.
    const auto xy = [](const float* s) { return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)))); };
    const __m128d p0 = xy(p[0]), p1 = xy(p[1]), q0 = xy(q[0]), q1 = xy(q[1]), r0 = xy(r[0]), r1 = xy(r[1]);
    const Pair px = _mm_unpacklo_pd(p0, p1), py = _mm_unpackhi_pd(p0, p1), pz = {p[0][2], p[1][2]};
    const Pair ux = _mm_unpacklo_pd(q0, q1) - px, uy = _mm_unpackhi_pd(q0, q1) - py, uz = Pair{q[0][2], q[1][2]} - pz;
    const Pair vx = _mm_unpacklo_pd(r0, r1) - px, vy = _mm_unpackhi_pd(r0, r1) - py, vz = Pair{r[0][2], r[1][2]} - pz;
    const Pair n0 = uy * vz - uz * vy, n1 = uz * vx - ux * vz, n2 = ux * vy - uy * vx;
    const Pair ex = eye.X - px, ey = eye.Y - py, ez = eye.Z - pz;
    const Pair facing = eye.Sign * (n0 * ex + n1 * ey + n2 * ez);
    const Pair scale = _mm_sqrt_pd((n0 * n0 + n1 * n1 + n2 * n2) * (ex * ex + ey * ey + ez * ez));
    const __m128d away = _mm_and_pd(_mm_cmpgt_pd(facing, _mm_setzero_pd()), _mm_cmpgt_pd(facing, 1e-3 * scale));
    return _mm_movemask_pd(away);
}

}  // namespace pellam::render
