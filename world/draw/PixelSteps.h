#pragma once
// How far along the ground one pixel step across or up the window moves, at points of the two
// planes of a square's triangles: the GL picks the level of a picture it reads from that step.
// Both planes are worked on at once, a lane each, every lane computed exactly as a double alone
// (the same products and sums in the same order, no fused operations), so that a lane answers
// to the last bit what the plain arithmetic would.
#include <array>
#include <limits>

#include <emmintrin.h>

namespace pellam::worlddraw {

// Two doubles, one for each triangle of a square.
using Pair = double __attribute__((vector_size(16)));

// How the clip x, y and w change along x and along z on a plane y = gx x + gz z + c (y moving with
// x and z on it): the same at every point of the plane. `clip` is projection x modelview.
struct PlaneSteps {
    Pair XX, XY, XW, ZX, ZY, ZW;
};
inline PlaneSteps planeSteps(const std::array<double, 16>& clip, Pair gx, Pair gz) {
    const auto& c = clip;
    return {c[0] + c[4] * gx, c[1] + c[5] * gx, c[3] + c[7] * gx, c[4] * gz + c[8], c[5] * gz + c[9], c[7] * gz + c[11]};
}

// Eye-relative points' clip x, y and w.
struct ClipPoints {
    Pair X, Y, W;
};
inline ClipPoints clipPoints(const std::array<double, 16>& clip, Pair x, Pair y, Pair z) {
    const auto& c = clip;
    return {c[0] * x + c[4] * y + c[8] * z + c[12], c[1] * x + c[5] * y + c[9] * z + c[13],
            c[3] * x + c[7] * y + c[11] * z + c[15]};
}

// At the points `p` on the planes of `s`, the largest of |dx/dwx|, |dx/dwy|, |dz/dwx|, |dz/dwy| (ft
// a pixel): how far along x or z on the plane one pixel step across or up the window moves. 0 where
// the point lies beside or behind the eye (w not above 1e-6); infinite where the window's Jacobian
// has no inverse. `half` is the viewport's width and height halved (px).
inline Pair longestSteps(const ClipPoints& p, const PlaneSteps& s, const std::array<double, 2>& half) {
    const Pair cx = p.X, cy = p.Y, cw = p.W;
    // Moving along x (and y with it, on the plane), then along z.
    const Pair sx = half[0] / (cw * cw), sy = half[1] / (cw * cw);
    const Pair a = sx * (s.XX * cw - cx * s.XW), b = sx * (s.ZX * cw - cx * s.ZW);  // window x along x, z
    const Pair d = sy * (s.XY * cw - cy * s.XW), e = sy * (s.ZY * cw - cy * s.ZW);  // window y along x, z
    const Pair det = a * e - b * d;
    const __m128d sign = _mm_set1_pd(-0.0);
    const auto magnitude = [sign](Pair v) { return Pair(_mm_andnot_pd(sign, v)); };
    // The first largest of |e|, |b|, |d|, |a|: a later one takes over only where it is greater
    // (max(x, r) is x > r ? x : r), as std::max over a list keeps it.
    Pair largest = magnitude(e);
    for (const Pair v : {b, d, a}) largest = _mm_max_pd(magnitude(v), largest);
    const Pair ratio = largest / magnitude(det);
    const auto select = [](__m128d where, Pair yes, Pair no) {
        return Pair(_mm_or_pd(_mm_and_pd(where, yes), _mm_andnot_pd(where, no)));
    };
    const Pair none = {0.0, 0.0}, endless = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    const Pair step = select(_mm_cmpeq_pd(det, none), endless, ratio);
    return select(_mm_cmpgt_pd(cw, _mm_set1_pd(1e-6)), step, none);
}

}  // namespace pellam::worlddraw
