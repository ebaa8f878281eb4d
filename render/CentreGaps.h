#pragma once
// Whether a small triangle on the window passes between the pixel centres its bounds hold. The GL
// makes a fragment only where a pixel's centre (x + 0.5, y + 0.5) lies inside a triangle; a far
// part's small triangles often lie across a centre's row and column without holding the centre,
// and cost the software rasteriser their set-up and block walk for nothing.
// Such a triangle makes no fragment, so leaving it out changes no pixel. Saving: not yet measured
// (with the other triangle cuts, render/TriangleCuts.cpp).
#include <array>
#include <cmath>

namespace pellam::render {

// Most centres looked at: beyond these a triangle all but surely lights one.
constexpr int kMostCentresLookedAt = 16;

// True only where no centre (i + 0.5, j + 0.5), for whole i from first[0] to last[0] and j from
// first[1] to last[1], lies within `margin` pixels of the triangle with window corners `at`
// (x, y); false too where there are more than kMostCentresLookedAt of them, or the triangle has
// no area. A point within the margin of the triangle lies within the margin of each side's line
// on the triangle's side of it, and more surely so with the margin measured across both axes
// (|dx| + |dy| for the side's length): where no centre does, none lights, whatever the winding.
[[gnu::always_inline]] inline bool passesBetweenCentres(const std::array<std::array<double, 2>, 3>& at,
                                                        const std::array<double, 2>& first,
                                                        const std::array<double, 2>& last, double margin) {
    if (!(last[0] >= first[0] && last[1] >= first[1])) return false;
    const double across = last[0] - first[0] + 1, up = last[1] - first[1] + 1;
    if (!(across * up <= kMostCentresLookedAt)) return false;
    const double twice = (at[1][0] - at[0][0]) * (at[2][1] - at[0][1]) - (at[2][0] - at[0][0]) * (at[1][1] - at[0][1]);
    if (!(twice != 0)) return false;  // no area (or not a number): the rasteriser drops it at once itself
    const double turn = twice > 0 ? 1.0 : -1.0;
    // Side k, from corner k to the next: turn (dx (y - y_k) - dy (x - x_k)) >= -margin (|dx| + |dy|)
    // at every point within the margin, written a x + b y >= c.
    double sa[3], sb[3], sc[3];
    for (int k = 0; k < 3; ++k) {
        const std::array<double, 2>& p = at[size_t(k)];
        const std::array<double, 2>& q = at[size_t(k == 2 ? 0 : k + 1)];
        const double dx = q[0] - p[0], dy = q[1] - p[1];
        sa[k] = -turn * dy;
        sb[k] = turn * dx;
        sc[k] = sa[k] * p[0] + sb[k] * p[1] - margin * (std::fabs(dx) + std::fabs(dy));
    }
    for (double j = first[1]; j <= last[1]; ++j) {
        const double y = j + 0.5;
        for (double i = first[0]; i <= last[0]; ++i) {
            const double x = i + 0.5;
            if (sa[0] * x + sb[0] * y >= sc[0] && sa[1] * x + sb[1] * y >= sc[1] && sa[2] * x + sb[2] * y >= sc[2])
                return false;
        }
    }
    return true;
}

}  // namespace pellam::render
