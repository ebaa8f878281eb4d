#include "render/RingFill.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pellam::render {
namespace {

using Vec = std::array<double, 3>;

Vec position(const GLT2FN3FV3FFormat& p) { return {p.X, p.Y, p.Z}; }
Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double length(const Vec& a) { return std::sqrt(dot(a, a)); }

struct Flat {
    double X, Y;  // in the ring's plane, from its centre
};
double cross2(const Flat& a, const Flat& b) { return a.X * b.Y - a.Y * b.X; }
double radius(const Flat& a) { return std::hypot(a.X, a.Y); }

// One quad's wedge: from the ray through its first pair of points to the ray through its second,
// anticlockwise in the plane.
struct Wedge {
    double From, Span;  // radians
    uint16_t InnerFrom, OuterFrom, InnerTo, OuterTo;
};

}  // namespace

bool findRing(const GLT2FN3FV3FFormat* points, const std::vector<uint16_t>& items, RingOutline& ring) {
    ring.Outer.clear();
    ring.Inner.clear();
    const size_t quads = items.size() / 4;
    if (!points || items.size() % 4 != 0 || quads < 3) return false;

    Vec centre{0, 0, 0};
    for (uint16_t k : items)
        for (int a = 0; a < 3; ++a) centre[a] += position(points[k])[a];
    for (double& a : centre) a /= double(items.size());
    double size = 0;
    uint16_t farthest = items[0];
    for (uint16_t k : items) {
        const double d = length(minus(position(points[k]), centre));
        if (d > size) size = d, farthest = k;
    }
    if (!(size > 0) || !std::isfinite(size)) return false;
    const double tolerance = size * 1e-5;

    // The plane: the quads' summed area normals (Newell's), every point within the tolerance of it.
    Vec normal{0, 0, 0};
    for (size_t q = 0; q < quads; ++q)
        for (int i = 0; i < 4; ++i) {
            const Vec a = position(points[items[4 * q + i]]), b = position(points[items[4 * q + (i + 1) % 4]]);
            normal = {normal[0] + (a[1] - b[1]) * (a[2] + b[2]), normal[1] + (a[2] - b[2]) * (a[0] + b[0]),
                      normal[2] + (a[0] - b[0]) * (a[1] + b[1])};
        }
    const double n = length(normal);
    if (!(n > 0)) return false;
    for (double& a : normal) a /= n;
    for (uint16_t k : items)
        if (std::fabs(dot(normal, minus(position(points[k]), centre))) > tolerance) return false;
    Vec u = minus(position(points[farthest]), centre);
    const double along = dot(u, normal);
    u = {u[0] - along * normal[0], u[1] - along * normal[1], u[2] - along * normal[2]};
    const double ul = length(u);
    if (!(ul > 0)) return false;
    for (double& a : u) a /= ul;
    const Vec v = cross(normal, u);
    const auto flat = [&](uint16_t k) {
        const Vec d = minus(position(points[k]), centre);
        return Flat{dot(d, u), dot(d, v)};
    };

    std::vector<Wedge> wedges;
    wedges.reserve(quads);
    int winding = 0;
    for (size_t q = 0; q < quads; ++q) {
        const uint16_t* p = &items[4 * q];
        const Flat f[4] = {flat(p[0]), flat(p[1]), flat(p[2]), flat(p[3])};
        double area = 0;
        for (int i = 0; i < 4; ++i) area += cross2(f[i], f[(i + 1) % 4]);
        const int sign = area > 0 ? 1 : area < 0 ? -1 : 0;
        if (sign == 0 || (winding != 0 && sign != winding)) return false;
        winding = sign;
        // Two points on each of two rays from the centre: the hole's edge nearer, the outer farther.
        const auto onRay = [&](int i, int j) {
            const double ri = radius(f[i]), rj = radius(f[j]);
            return ri > tolerance && rj > tolerance && std::fabs(ri - rj) > tolerance &&
                   std::fabs(cross2(f[i], f[j])) <= tolerance * std::max(ri, rj) &&
                   f[i].X * f[j].X + f[i].Y * f[j].Y > 0;
        };
        std::array<int, 4> pair;  // the first ray's two points, then the second's
        if (onRay(0, 1) && onRay(3, 2)) pair = {0, 1, 3, 2};
        else if (onRay(0, 3) && onRay(1, 2)) pair = {0, 3, 1, 2};
        else return false;
        for (int r = 0; r < 4; r += 2)
            if (radius(f[pair[r]]) > radius(f[pair[r + 1]])) std::swap(pair[r], pair[r + 1]);
        const Flat& a = f[pair[1]];
        const Flat& b = f[pair[3]];
        double span = std::atan2(cross2(a, b), a.X * b.X + a.Y * b.Y);
        if (span < 0) {
            std::swap(pair[0], pair[2]);
            std::swap(pair[1], pair[3]);
            span = -span;
        }
        if (!(span > 0)) return false;
        const Flat& from = f[pair[1]];
        double angle = std::atan2(from.Y, from.X);
        if (angle < 0) angle += 2 * M_PI;
        wedges.push_back({angle, span, p[pair[0]], p[pair[1]], p[pair[2]], p[pair[3]]});
    }
    std::sort(wedges.begin(), wedges.end(), [](const Wedge& a, const Wedge& b) { return a.From < b.From; });
    // Side by side: each wedge's far ray is the next one's near ray, both its points met there, and
    // once round in all.
    double turn = 0;
    for (size_t w = 0; w < wedges.size(); ++w) {
        const Wedge& a = wedges[w];
        const Wedge& b = wedges[(w + 1) % wedges.size()];
        const auto meet = [&](uint16_t i, uint16_t j) {
            return length(minus(position(points[i]), position(points[j]))) <= tolerance;
        };
        if (!meet(a.OuterTo, b.OuterFrom) || !meet(a.InnerTo, b.InnerFrom)) return false;
        turn += a.Span;
    }
    if (std::fabs(turn - 2 * M_PI) > 1e-3) return false;
    // The outer edge turns left at every corner, or runs straight on.
    for (size_t w = 0; w < wedges.size(); ++w) {
        const Flat a = flat(wedges[(w + wedges.size() - 1) % wedges.size()].OuterFrom);
        const Flat b = flat(wedges[w].OuterFrom);
        const Flat c = flat(wedges[(w + 1) % wedges.size()].OuterFrom);
        if (cross2({b.X - a.X, b.Y - a.Y}, {c.X - b.X, c.Y - b.Y}) < -tolerance * size) return false;
    }
    for (const Wedge& w : wedges) {
        ring.Outer.push_back(w.OuterFrom);
        ring.Inner.push_back(w.InnerFrom);
    }
    // Wound as the quads are, so the GL's facing rules treat the fill as they treat them.
    if (winding < 0) {
        std::reverse(ring.Outer.begin(), ring.Outer.end());
        std::reverse(ring.Inner.begin(), ring.Inner.end());
    }
    return true;
}

void fillConvex(const std::vector<uint16_t>& loop, std::vector<uint16_t>& triangles) {
    triangles.clear();
    const size_t n = loop.size();
    if (n < 3) return;
    // At each round the corners left are every step-th from the first: each triangle takes three
    // of them in a row, the last wrapping round to the first.
    for (size_t step = 1; step < n; step *= 2)
        for (size_t k = 0; k + step < n; k += 2 * step) {
            const size_t last = std::min(k + 2 * step, n) % n;
            if (last == k) continue;
            triangles.insert(triangles.end(), {loop[k], loop[k + step], loop[last]});
        }
}

}  // namespace pellam::render
