#include "aircraft/draw/Modeller.h"

#include <cmath>
#include <stdexcept>

#include "core/DrawHints.h"

namespace pellam::looks {

V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 unit(V3 a) {
    const float l = std::sqrt(dot(a, a));
    return l > 1e-9f ? a * (1.0f / l) : V3{0, 1, 0};
}

namespace {

// Texture coordinates must stay positive: a U below 0 ends a points list.
constexpr float kUVBias = 64.0f;

V3 newellNormal(const std::vector<V3>& c) {
    V3 n{};
    for (size_t i = 0; i < c.size(); ++i) {
        const V3 a = c[i], b = c[(i + 1) % c.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

V3 centroid(const std::vector<V3>& c) {
    V3 s{};
    for (const V3& p : c) s = s + p;
    return c.empty() ? s : s * (1.0f / float(c.size()));
}

}  // namespace

Modeller::Modeller() {
    // Polygon 0 is the hit flash over the reserved points; it starts hidden.
    OnePolygonVer2 flash;
    flash.MapNumber = kMapPlain;
    flash.DefaultDrawType = 7;
    flash.DrawHints = kSkip | kTransparent | kNoCull | kNoFog | kUnlit | kUntextured;
    flash.PolyColor = {1.0f, 0.82f, 0.35f, 0.8f};
    flash.MaterialLightDataOffset = kMatWhite;
    mesh_.polygon(flash, {kHitFlashPoint, kHitFlashPoint + 1, kHitFlashPoint + 2, kHitFlashPoint + 3});
}

void Modeller::padToHitFlash() {
    // Four corners of an 11-ft square; displayAHit moves them to the hit.
    const float c[4][2] = {{-5.5f, 5.5f}, {5.5f, 5.5f}, {5.5f, -5.5f}, {-5.5f, -5.5f}};
    for (const auto& k : c) mesh_.vertex({kUVBias, kUVBias, 0, 0, -1, k[0], k[1], 0});
    flashPlaced_ = true;
}

void Modeller::reservePoints() {
    if (!altPointsPlaced_ && int(mesh_.points.size()) == kAltFlashPoint) {
        const float c[4][2] = {{-5.5f, 5.5f}, {5.5f, 5.5f}, {5.5f, -5.5f}, {-5.5f, -5.5f}};
        for (const auto& k : c) mesh_.vertex({kUVBias, kUVBias, 0, 0, -1, k[0], k[1], 0});
        altPointsPlaced_ = true;
    }
    if (!flashPlaced_ && int(mesh_.points.size()) == kHitFlashPoint) padToHitFlash();
}

void Modeller::reservePolygons() {
    if (int(mesh_.polygons.size()) != kAltFlashPolygon) return;
    mesh_.polygon(mesh_.polygons[0], {kAltFlashPoint, kAltFlashPoint + 1, kAltFlashPoint + 2, kAltFlashPoint + 3});
}

int Modeller::point(V3 p, float u, float v) {
    reservePoints();
    return mesh_.vertex({u + kUVBias, v + kUVBias, 0, 0, 0, p.x, p.y, p.z});
}

void Modeller::poly(int16_t mode, const std::vector<int>& indexes) {
    reservePolygons();
    OnePolygonVer2 p;
    p.MapNumber = map_;
    p.DefaultDrawType = mode;
    p.DrawHints = hints_;
    p.MaterialLightDataOffset = material_;
    mesh_.polygon(p, indexes);
}

void Modeller::marker(int m) {
    reservePolygons();
    mesh_.marker(m, kMapPlain);
}

void Modeller::faceRun(const std::vector<V3>& corners, int16_t mode) {
    // Planar projection on the plane the face mostly lies in.
    const V3 n = newellNormal(corners);
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    std::vector<int> idx;
    idx.reserve(corners.size());
    for (const V3& c : corners) {
        float u, v;
        if (ay >= ax && ay >= az) {
            u = c.x / uvScale_;
            v = c.z / uvScale_;
        } else if (ax >= az) {
            u = c.z / uvScale_;
            v = c.y / uvScale_;
        } else {
            u = c.x / uvScale_;
            v = c.y / uvScale_;
        }
        idx.push_back(point(c, u, v));
    }
    poly(mode, idx);
}

void Modeller::face(std::vector<V3> corners, V3 outward) {
    if (corners.size() < 3) return;
    if (dot(outward, outward) > 0 && dot(newellNormal(corners), outward) < 0)
        std::vector<V3>(corners.rbegin(), corners.rend()).swap(corners);
    faceRun(corners, corners.size() == 3 ? 4 : corners.size() == 4 ? 7 : 9);
}

void Modeller::faceBothSides(const std::vector<V3>& corners) {
    face(corners);
    face(std::vector<V3>(corners.rbegin(), corners.rend()));
}

void Modeller::loft(const std::vector<std::vector<V3>>& rings, bool smooth, bool capFirst, bool capLast) {
    if (rings.size() < 2) return;
    const size_t n = rings[0].size();
    for (const auto& r : rings)
        if (r.size() != n) throw std::invalid_argument("loft rings differ in size");
    // Outward is away from the axis through the ring centres.
    std::vector<V3> centres;
    for (const auto& r : rings) centres.push_back(centroid(r));

    if (!smooth) {
        for (size_t i = 0; i + 1 < rings.size(); ++i)
            for (size_t k = 0; k < n; ++k) {
                const size_t k2 = (k + 1) % n;
                std::vector<V3> q = {rings[i][k], rings[i][k2], rings[i + 1][k2], rings[i + 1][k]};
                const V3 mid = centroid(q), axis = (centres[i] + centres[i + 1]) * 0.5f;
                face(q, mid - axis);
            }
    } else {
        // Shared points: u runs along the body, v round it.
        std::vector<std::vector<int>> ids(rings.size(), std::vector<int>(n + 1));
        for (size_t i = 0; i < rings.size(); ++i) {
            for (size_t k = 0; k <= n; ++k) {
                const V3 p = rings[i][k % n];
                const float u = p.z / uvScale_, v = float(k) / float(n) * 2.0f;
                ids[i][k] = point(p, u, v);
            }
        }
        for (size_t i = 0; i + 1 < rings.size(); ++i) {
            std::vector<int> quads;
            for (size_t k = 0; k < n; ++k) {
                int a = ids[i][k], b = ids[i][k + 1], c = ids[i + 1][k + 1], d = ids[i + 1][k];
                const V3 pa = rings[i][k], pb = rings[i][(k + 1) % n], pd = rings[i + 1][k];
                const V3 nrm = cross(pb - pa, pd - pa);
                const V3 axis = (centres[i] + centres[i + 1]) * 0.5f;
                if (dot(nrm, pa - axis) < 0) std::swap(b, d);
                quads.insert(quads.end(), {a, b, c, d});
            }
            poly(7, quads);
        }
    }
    auto cap = [&](const std::vector<V3>& r, V3 out) { face(r, out); };
    if (capFirst) cap(rings.front(), centres.front() - centres[1]);
    if (capLast) cap(rings.back(), centres.back() - centres[centres.size() - 2]);
}

void Modeller::slab(const std::vector<std::array<float, 2>>& outline, V3 origin, V3 u, V3 v, float thickness) {
    const V3 n = unit(cross(u, v)) * (thickness * 0.5f);
    std::vector<V3> top, bottom;
    for (const auto& p : outline) {
        const V3 q = origin + u * p[0] + v * p[1];
        top.push_back(q + n);
        bottom.push_back(q - n);
    }
    face(top, n);
    face(bottom, n * -1.0f);
    const V3 c = centroid(top) - n;
    for (size_t k = 0; k < top.size(); ++k) {
        const size_t k2 = (k + 1) % top.size();
        std::vector<V3> side = {bottom[k], bottom[k2], top[k2], top[k]};
        face(side, centroid(side) - c);
    }
}

void Modeller::box(V3 lo, V3 hi) {
    const V3 c = (lo + hi) * 0.5f;
    auto f = [&](std::vector<V3> q) { face(q, centroid(q) - c); };
    f({{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}});
    f({{lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}});
    f({{lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}});
    f({{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}});
    f({{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}});
    f({{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}});
}

namespace {
// Two unit vectors across `axis`.
void basis(V3 axis, V3& e1, V3& e2) {
    const V3 a = unit(axis);
    const V3 ref = std::fabs(a.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
    e1 = unit(cross(a, ref));
    e2 = cross(a, e1);
}
}  // namespace

void Modeller::tube(V3 a, V3 b, float radius, int sides, bool caps) {
    V3 e1, e2;
    basis(b - a, e1, e2);
    std::vector<V3> r0, r1;
    for (int k = 0; k < sides; ++k) {
        const float t = 6.2831853f * float(k) / float(sides);
        const V3 off = e1 * (std::cos(t) * radius) + e2 * (std::sin(t) * radius);
        r0.push_back(a + off);
        r1.push_back(b + off);
    }
    loft({r0, r1}, sides > 6, caps, caps);
}

void Modeller::disc(V3 centre, V3 normal, float radius, int segments) {
    V3 e1, e2;
    basis(normal, e1, e2);
    std::vector<V3> r;
    for (int k = 0; k < segments; ++k) {
        const float t = 6.2831853f * float(k) / float(segments);
        r.push_back(centre + e1 * (std::cos(t) * radius) + e2 * (std::sin(t) * radius));
    }
    face(r, normal);
}

void Modeller::annulus(V3 centre, V3 normal, float r0, float r1, int segments) {
    V3 e1, e2;
    basis(normal, e1, e2);
    for (int k = 0; k < segments; ++k) {
        const float t0 = 6.2831853f * float(k) / float(segments), t1 = 6.2831853f * float(k + 1) / float(segments);
        const V3 d0 = e1 * std::cos(t0) + e2 * std::sin(t0), d1 = e1 * std::cos(t1) + e2 * std::sin(t1);
        face({centre + d0 * r0, centre + d0 * r1, centre + d1 * r1, centre + d1 * r0}, normal);
    }
}

void Modeller::rect(V3 centre, V3 a, V3 b, float ha, float hb) {
    const V3 n = cross(a, b);
    face({centre - a * ha - b * hb, centre + a * ha - b * hb, centre + a * ha + b * hb, centre - a * ha + b * hb}, n);
}

V3 Modeller::wingPoint(const WingPanel& w, float x, float c, bool top) {
    const float span = w.x1 - w.x0;
    const float s = span != 0 ? (x - w.x0) / span : 0.0f;
    const float lift = std::fabs(x - w.x0) * std::tan(w.dihedral / 57.29578f);
    const float le = w.zLeadingEdge - std::fabs(s) * w.sweep;
    // Clark-Y-like section: flat underside, thickest at 30 % chord.
    const float t = w.thickness * w.chord;
    const float shape = c <= 0.3f ? std::sqrt(std::max(0.0f, c / 0.3f)) : 1.0f - (c - 0.3f) / 0.7f * 0.92f;
    const float yTop = t * shape, yBottom = -t * shape * 0.15f;
    const float inc = w.incidence / 57.29578f;
    const float dz = -c * w.chord;
    // Nose-up incidence lowers the trailing edge.
    const float y = w.y + lift + (top ? yTop : yBottom) + dz * std::sin(inc);
    return {x, y, le + dz};
}

void Modeller::wing(const WingPanel& w) {
    // Sections at both ends; 7 chord stations on top, 5 below (flat-bottomed section).
    const float topC[] = {0.0f, 0.05f, 0.15f, 0.3f, 0.5f, 0.75f, 1.0f};
    auto clampC = [&](float c) { return w.c0 + (w.c1 - w.c0) * c; };
    auto section = [&](float x) {
        std::vector<V3> r;
        for (float c : topC) r.push_back(wingPoint(w, x, clampC(c), true));
        for (int i = 5; i >= 1; --i) r.push_back(wingPoint(w, x, clampC(topC[i]), false));
        return r;
    };
    const std::vector<V3> s0 = section(w.x0), s1 = section(w.x1);
    const size_t n = s0.size();
    for (size_t k = 0; k < n; ++k) {
        const size_t k2 = (k + 1) % n;
        std::vector<V3> q = {s0[k], s0[k2], s1[k2], s1[k]};
        const bool upper = k < 6;
        style(upper ? w.topMap : w.bottomMap, upper ? w.topMaterial : w.bottomMaterial, 0);
        face(q, upper ? V3{0, 1, 0} : V3{0, -1, 0});
    }
    style(w.topMap, w.topMaterial, 0);
    const V3 outTip = {w.x1 > w.x0 ? 1.0f : -1.0f, 0, 0};
    if (w.capTip) face(s1, outTip);
    if (w.capRoot) face(s0, outTip * -1.0f);
}

MovingGroup Modeller::endGroup(Mover mover, V3 hinge, int axis, double scale, int tiltAxis, double tilt) {
    MovingGroup g;
    g.mover = mover;
    g.first = groupStart_;
    g.count = int(mesh_.points.size()) - groupStart_;
    // The hit flash points may have been slipped into the middle of a group; they move with it,
    // which is harmless: displayAHit places them afresh.
    g.hinge = hinge;
    g.axis = axis;
    g.scale = scale;
    g.tiltAxis = tiltAxis;
    g.tilt = tilt;
    groups_.push_back(g);
    return g;
}

void Modeller::finish() {
    while (!flashPlaced_) {
        reservePoints();
        if (!flashPlaced_) mesh_.vertex({kUVBias, kUVBias, 0, 1, 0, 0, 0, 0});  // unused filler
    }
    mesh_.finish();
}

}  // namespace pellam::looks
