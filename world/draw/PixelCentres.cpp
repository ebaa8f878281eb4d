#include "world/draw/PixelCentres.h"

#include <algorithm>
#include <cmath>

namespace pellam::worlddraw {

namespace {

// The centres k + 0.5 in [from, to] and within [first, end): their k as [lo, hi], empty when lo > hi.
void centresBetween(double from, double to, int first, int end, int& lo, int& hi) {
    lo = std::max(first, int(std::ceil(std::max(from - 0.5, double(first) - 1.0))));
    hi = std::min(end - 1, int(std::floor(std::min(to - 0.5, double(end)))));
}

}  // namespace

bool lightsNoPixelCentre(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c, const PixelRect& rect,
                         double margin) {
    // Beyond this many rows a triangle all but surely lights a centre; walking them costs more
    // than the triangle.
    constexpr int kMostRows = 4;
    const WindowPoint p[3] = {a, b, c};
    for (const WindowPoint& q : p)
        if (!std::isfinite(q.X) || !std::isfinite(q.Y)) return false;
    int col0, col1, row0, row1;
    centresBetween(std::min({a.X, b.X, c.X}) - margin, std::max({a.X, b.X, c.X}) + margin, rect.X0, rect.X1, col0, col1);
    centresBetween(std::min({a.Y, b.Y, c.Y}) - margin, std::max({a.Y, b.Y, c.Y}) + margin, rect.Y0, rect.Y1, row0, row1);
    if (col0 > col1 || row0 > row1) return true;
    if (row1 - row0 >= kMostRows) return false;
    for (int row = row0; row <= row1; ++row) {
        // A point within the margin of the triangle, on this row's centre line, lies across from
        // some point of the triangle in the band the margin spans above and below the line.
        const double y = row + 0.5, lines[2] = {y - margin, y + margin};
        double x0 = INFINITY, x1 = -INFINITY;
        for (int k = 0; k < 3; ++k) {
            const WindowPoint& s = p[k];
            const WindowPoint& e = p[(k + 1) % 3];
            if (s.Y >= lines[0] && s.Y <= lines[1]) x0 = std::min(x0, s.X), x1 = std::max(x1, s.X);
            for (const double line : lines)
                if ((s.Y < line && e.Y > line) || (s.Y > line && e.Y < line)) {
                    const double x = s.X + (line - s.Y) / (e.Y - s.Y) * (e.X - s.X);
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                }
        }
        if (!(x0 <= x1)) continue;
        int lo, hi;
        centresBetween(x0 - margin, x1 + margin, col0, col1 + 1, lo, hi);
        if (lo <= hi) return false;
    }
    return true;
}

}  // namespace pellam::worlddraw
