// The cockpit's triangles hidden by its own nearer parts from one eye place, worked out on the
// directions from the eye (so that they hold whichever way the head turns) and kept.
#include "render/CockpitHidden.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/DrawHints.h"

namespace pellam::render {
namespace {

struct V {
    double x, y, z;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(V a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V a) { return std::sqrt(dot(a, a)); }

// Depths are compared as q = 1 / t, t the distance along a ray r = u U + v V + W: a hiding
// triangle must be nearer than the hidden one by this share and this much, many times the
// depth buffer's steps in the cockpit's slice and GL's single-precision rounding.
constexpr double kShare = 2e-3, kBy = 1e-5;
constexpr int kMostCells = 256;  // a side of the grid one triangle is looked at on

// A triangle with its corners as seen from the eye, and what it is.
struct Seen {
    V a, b, c;     // corners less the eye
    V n;           // (b - a) x (c - a)
    double h = 0;  // n . a: the plane is n . x = h
    V edges[3];    // a x b, b x c, c x a, oriented so that a direction inside has them all >= 0
    // The narrowest cone about the middle direction holding the corners: its axis, and the cosine
    // and sine of its half angle (a cosine of -1: every direction).
    V axis{0, 0, 1};
    double cosine = -1, sine = 0;
};

void coneOf(Seen& s) {
    const double la = length(s.a), lb = length(s.b), lc = length(s.c);
    const V sum = s.a * (1 / la) + s.b * (1 / lb) + s.c * (1 / lc);
    const double ls = length(sum);
    if (!(ls > 1e-9)) return;
    s.axis = sum * (1 / ls);
    const double c = std::min({dot(s.a, s.axis) / la, dot(s.b, s.axis) / lb, dot(s.c, s.axis) / lc});
    if (!(c > 0)) return;  // a cone of half a sphere or more is not convex: every direction
    s.cosine = c * (1 - 1e-9) - 1e-9;
    s.sine = std::sqrt(std::max(0.0, 1 - s.cosine * s.cosine));
}

// Whether two triangles' cones may share a direction.
bool conesMeet(const Seen& p, const Seen& q) {
    if (p.cosine <= -1 || q.cosine <= -1) return true;
    const double both = p.cosine * q.cosine - p.sine * q.sine;  // the cosine of the two half angles summed
    if (both <= -1 + 1e-9 || p.sine * q.cosine + p.cosine * q.sine < 0) return true;  // beyond half a turn
    return dot(p.axis, q.axis) >= both - 1e-9;
}

bool hitBy(const Seen& o, V r, double tHidden, double nearReach) {
    // Whether the ray r meets o inside its edges, nearer the eye than tHidden (along r), and no
    // nearer than nearReach.
    for (const V& e : o.edges)
        if (dot(e, r) < 0) return false;
    const double along = dot(o.n, r);
    if (along == 0 || (along > 0) != (o.h > 0)) return false;
    const double t = o.h / along;
    if (t * length(r) < nearReach) return false;
    return 1 / t > (1 / tHidden) * (1 + kShare) + kBy;
}

// The grid one asked triangle is looked at on: cells of `cell` (tangent units along U and V)
// from (u0, v0), samples at the cells' centres.
struct Grid {
    V U, V_, W;
    double u0 = 0, v0 = 0, cell = 0;
    int nx = 0, ny = 0;
    std::vector<float> q;
};

using Poly = std::array<V, 10>;

// Cuts the polygon (x along U, y along V, z along W) to the half-space a . p >= 0.
int cut(const Poly& in, int n, V a, Poly& out) {
    int k = 0;
    for (int i = 0; i < n; ++i) {
        const V &p = in[size_t(i)], &q = in[size_t(i + 1 < n ? i + 1 : 0)];
        const double dp = dot(a, p), dq = dot(a, q);
        if (dp >= 0 && k < 10) out[size_t(k++)] = p;
        if ((dp >= 0) != (dq >= 0) && k < 10) out[size_t(k++)] = p + (q - p) * (dp / (dp - dq));
    }
    return k;
}

// Lays the hiding triangle's depths (the nearest kept) on the grid's samples it covers.
void lay(Grid& g, const Seen& o, double nearReach, double farthest) {
    Poly a{}, b{};
    a[0] = {dot(o.a, g.U), dot(o.a, g.V_), dot(o.a, g.W)};
    a[1] = {dot(o.b, g.U), dot(o.b, g.V_), dot(o.b, g.W)};
    a[2] = {dot(o.c, g.U), dot(o.c, g.V_), dot(o.c, g.W)};
    if (a[0].z <= 0 && a[1].z <= 0 && a[2].z <= 0) return;
    // In front of the eye, no point of it is nearer (along W) than its nearest corner: where that
    // lies beyond the asked triangle's farthest, it hides nothing of it.
    if (a[0].z > 0 && a[1].z > 0 && a[2].z > 0 && std::min({a[0].z, a[1].z, a[2].z}) >= farthest) return;
    // Where its plane lies beyond the near reach, no ray meets it nearer.
    const bool beyondReach = std::fabs(o.h) >= nearReach * length(o.n);
    const double u1 = g.u0 + g.nx * g.cell, v1 = g.v0 + g.ny * g.cell;
    int n = 3;
    n = cut(a, n, {1, 0, -g.u0}, b);
    n = cut(b, n, {-1, 0, u1}, a);
    n = cut(a, n, {0, 1, -g.v0}, b);
    n = cut(b, n, {0, -1, v1}, a);
    n = cut(a, n, {0, 0, 1}, b);
    if (n < 3) return;
    // On the grid, in cells; the plane's q = (n.U u + n.V v + n.W) / h.
    double x[10], y[10];
    double lo = 1e300, hi = -1e300;
    for (int i = 0; i < n; ++i) {
        const V& p = b[size_t(i)];
        if (!(p.z > 1e-12)) return;  // touching the eye: left alone
        x[i] = (p.x / p.z - g.u0) / g.cell;
        y[i] = (p.y / p.z - g.v0) / g.cell;
        lo = std::min(lo, y[i]);
        hi = std::max(hi, y[i]);
    }
    const double qu = dot(o.n, g.U) / o.h, qv = dot(o.n, g.V_) / o.h, qw = dot(o.n, g.W) / o.h;
    const int j0 = std::max(0, int(std::ceil(lo - 0.5))), j1 = std::min(g.ny - 1, int(std::floor(hi - 0.5)));
    for (int j = j0; j <= j1; ++j) {
        const double yc = j + 0.5;
        double from = 1e300, to = -1e300;
        for (int i = 0; i < n; ++i) {
            const int k = i + 1 < n ? i + 1 : 0;
            const double ya = y[i], yb = y[k];
            if ((ya <= yc && yb >= yc) || (yb <= yc && ya >= yc)) {
                const double xc = ya == yb ? std::min(x[i], x[k]) : x[i] + (yc - ya) / (yb - ya) * (x[k] - x[i]);
                const double xd = ya == yb ? std::max(x[i], x[k]) : xc;
                from = std::min(from, xc);
                to = std::max(to, xd);
            }
        }
        const int i0 = std::max(0, int(std::ceil(from - 0.5))), i1 = std::min(g.nx - 1, int(std::floor(to - 0.5)));
        const double v = g.v0 + yc * g.cell;
        for (int i = i0; i <= i1; ++i) {
            const double u = g.u0 + (i + 0.5) * g.cell;
            const double q = qu * u + qv * v + qw;
            // Nearer than the near reach along this ray, it may be cut away: it hides nothing there.
            if (!(q > 0) || (!beyondReach && q * nearReach > std::sqrt(1 + u * u + v * v))) continue;
            float& at = g.q[size_t(j) * size_t(g.nx) + size_t(i)];
            at = std::max(at, float(q));
        }
    }
}

// Whether every sample within half a cell of the asked triangle lies behind what the grid's
// narrowed hiding triangles hold there.
bool hiddenOnGrid(Grid& g, const Seen& t, const std::vector<const Seen*>& hiders, double nearReach) {
    const size_t cells = size_t(g.nx) * size_t(g.ny);
    g.q.assign(cells, 0.0f);
    const double farthest = std::max({dot(t.a, g.W), dot(t.b, g.W), dot(t.c, g.W)});
    for (const Seen* o : hiders) lay(g, *o, nearReach, farthest);
    // Narrowed by a sample: a sample counts only as near as the farthest of the nine about it
    // (the grid's edge as open).
    const auto narrowed = [&g](int i, int j) {
        if (i < 1 || j < 1 || i + 1 >= g.nx || j + 1 >= g.ny) return 0.0f;
        float m = 1e30f;
        for (int dj = -1; dj <= 1; ++dj) {
            const float* row = &g.q[size_t(j + dj) * size_t(g.nx) + size_t(i - 1)];
            m = std::min({m, row[0], row[1], row[2]});
        }
        return m;
    };
    // The asked triangle on the grid, its edges pushed out by half a cell.
    double x[3], y[3], qMost = 0;
    for (int k = 0; k < 3; ++k) {
        const V& p = k == 0 ? t.a : k == 1 ? t.b : t.c;
        const double z = dot(p, g.W);
        x[k] = (dot(p, g.U) / z - g.u0) / g.cell;
        y[k] = (dot(p, g.V_) / z - g.v0) / g.cell;
        qMost = std::max(qMost, 1 / z);
    }
    const double area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (!(std::fabs(area) > 1e-12)) return false;
    double ea[3], eb[3], ec[3];
    for (int k = 0; k < 3; ++k) {
        const int l = (k + 1) % 3;
        // Inside where ea x + eb y + ec >= 0.
        ea[k] = -(y[l] - y[k]);
        eb[k] = x[l] - x[k];
        const double side = std::hypot(ea[k], eb[k]) * (area < 0 ? -1 : 1);
        if (!(std::fabs(side) > 0)) return false;
        ea[k] /= side, eb[k] /= side;
        ec[k] = -(ea[k] * x[k] + eb[k] * y[k]) + 0.5 * (std::fabs(ea[k]) + std::fabs(eb[k]));
    }
    const double qu = dot(t.n, g.U) / t.h, qv = dot(t.n, g.V_) / t.h, qw = dot(t.n, g.W) / t.h;
    const double slack = 0.5 * g.cell * (std::fabs(qu) + std::fabs(qv));
    // Within half a cell of its bounds too: the pushed-out edges of a sharp corner meet far beyond it.
    const int i0 = int(std::floor(std::min({x[0], x[1], x[2]}) - 0.5)), i1 = int(std::ceil(std::max({x[0], x[1], x[2]})));
    const int j0 = int(std::floor(std::min({y[0], y[1], y[2]}) - 0.5)), j1 = int(std::ceil(std::max({y[0], y[1], y[2]})));
    for (int j = std::max(j0, 0); j < std::min(j1 + 1, g.ny); ++j) {
        const double yc = j + 0.5, v = g.v0 + yc * g.cell;
        for (int i = std::max(i0, 0); i < std::min(i1 + 1, g.nx); ++i) {
            const double xc = i + 0.5;
            if (ea[0] * xc + eb[0] * yc + ec[0] < 0 || ea[1] * xc + eb[1] * yc + ec[1] < 0 ||
                ea[2] * xc + eb[2] * yc + ec[2] < 0)
                continue;
            const double u = g.u0 + xc * g.cell;
            const double q = std::min(qu * u + qv * v + qw + slack, qMost);
            if (!(double(narrowed(i, j)) > q * (1 + kShare) + kBy)) return false;
        }
    }
    return true;
}

// Whether the triangle with corners a, b, c (less the eye), an asked one or a half of one, is hidden: looked at
// on one grid about its middle direction, or, spread too wide about the eye for one, cut in two
// across its longest side (its plane is the triangle's) and each half looked at.
bool hiddenBehind(Grid& grid, const Seen& t, const std::vector<const Seen*>& near, const HidingEye& eye, int depth) {
    const double la = length(t.a), lb = length(t.b), lc = length(t.c);
    if (!(la > 1e-6 && lb > 1e-6 && lc > 1e-6)) return false;
    const V sum = t.a * (1 / la) + t.b * (1 / lb) + t.c * (1 / lc);
    const double ls = length(sum);
    const bool narrow = ls > 2.4;  // each corner within about 35 degrees of the middle
    if (!narrow) {
        if (depth >= 8) return false;
        // Cut across the side that spans the widest angle.
        const double ab = dot(t.a, t.b) / (la * lb), bc = dot(t.b, t.c) / (lb * lc), ca = dot(t.c, t.a) / (lc * la);
        const V* p[3] = {&t.a, &t.b, &t.c};
        int k = ab <= bc && ab <= ca ? 0 : bc <= ca ? 1 : 2;  // side k runs from corner k to k + 1
        const V from = *p[k], to = *p[(k + 1) % 3], other = *p[(k + 2) % 3];
        const V mid = (from + to) * 0.5;
        for (const auto& [x, y] : {std::pair{from, mid}, std::pair{mid, to}}) {
            Seen half = t;
            half.a = x, half.b = y, half.c = other;
            half.n = cross(half.b - half.a, half.c - half.a);
            half.h = dot(half.n, half.a);
            if (!(std::fabs(half.h) > 0)) return false;
            if (!hiddenBehind(grid, half, near, eye, depth + 1)) return false;
        }
        return true;
    }
    const V w = sum * (1 / ls);
    // Axes across the view about w.
    const V helper = std::fabs(w.x) < 0.6 ? V{1, 0, 0} : V{0, 1, 0};
    const V u = cross(helper, w) * (1 / length(cross(helper, w)));
    const V v = cross(w, u);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const V& p : {t.a, t.b, t.c}) {
        const double z = dot(p, w), pu = dot(p, u) / z, pv = dot(p, v) / z;
        lo[0] = std::min(lo[0], pu), hi[0] = std::max(hi[0], pu);
        lo[1] = std::min(lo[1], pv), hi[1] = std::max(hi[1], pv);
    }
    const double span = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    grid.U = u, grid.V_ = v, grid.W = w;
    grid.cell = std::max(eye.Cell, span / kMostCells);
    grid.u0 = lo[0] - 2 * grid.cell;
    grid.v0 = lo[1] - 2 * grid.cell;
    grid.nx = int(std::ceil((hi[0] - lo[0]) / grid.cell)) + 5;
    grid.ny = int(std::ceil((hi[1] - lo[1]) / grid.cell)) + 5;
    return hiddenOnGrid(grid, t, near, eye.NearReach);
}

}  // namespace

std::vector<uint8_t> findHiddenTriangles(const unsigned char* points, int stride, std::span<const HidingTriangle> triangles,
                                         const HidingEye& eye, const std::atomic<bool>* stop) {
    std::vector<uint8_t> hidden(triangles.size(), 0);
    const V e{eye.X, eye.Y, eye.Z};
    const auto at = [&](uint16_t i) {
        const float* p = reinterpret_cast<const float*>(points + size_t(i) * size_t(stride));
        return V{p[0], p[1], p[2]} - e;
    };
    std::vector<Seen> seen(triangles.size());
    std::vector<uint8_t> drawn(triangles.size(), 0);
    std::vector<const Seen*> hiders;
    for (size_t k = 0; k < triangles.size(); ++k) {
        const HidingTriangle& t = triangles[k];
        if (!t.Hides && !t.Asked) continue;
        Seen& s = seen[k];
        s.a = at(t.A), s.b = at(t.B), s.c = at(t.C);
        s.n = cross(s.b - s.a, s.c - s.a);
        s.h = dot(s.n, s.a);
        // GL culls where Sign * (n . (eye - a)) = -Sign * h is positive; the drawer leaves out
        // those clearly so. Only a triangle clearly drawn hides.
        const double scale = length(s.n) * length(s.a);
        const double facing = -eye.Sign * s.h;
        if (!(scale > 0) || !std::isfinite(scale)) continue;
        const bool culled = !t.TwoSided && facing > 1e-3 * scale;
        const bool surelyDrawn = t.TwoSided || facing < -1e-3 * scale;
        if (!(std::fabs(s.h) > 1e-9 * scale)) continue;  // edge on to the eye
        const double orient = dot(cross(s.a, s.b), s.c);
        const double o = orient > 0 ? 1 : -1;
        s.edges[0] = cross(s.a, s.b) * o;
        s.edges[1] = cross(s.b, s.c) * o;
        s.edges[2] = cross(s.c, s.a) * o;
        coneOf(s);
        drawn[k] = t.Asked && !culled;
        if (t.Hides && surelyDrawn) hiders.push_back(&s);
    }
    Grid grid;
    std::vector<const Seen*> near;
    for (size_t k = 0; k < triangles.size(); ++k) {
        if (!drawn[k]) continue;
        if (stop && stop->load(std::memory_order_relaxed)) return {};
        const Seen& t = seen[k];
        // The ray to the middle first: most triangles that show, show there.
        const V middle = (t.a + t.b + t.c) * (1.0 / 3);
        near.clear();
        bool covered = false;
        for (const Seen* o : hiders) {
            if (o == &t) continue;
            if (!conesMeet(*o, t)) continue;
            if (!covered && hitBy(*o, middle, 1.0, eye.NearReach)) covered = true;
            near.push_back(o);
        }
        if (covered) hidden[k] = hiddenBehind(grid, t, near, eye, 0);
    }
    return hidden;
}

bool CockpitHidden::madeOfTriangles(int type, int n) {
    switch (type) {
    case 0x0004: return n % 3 == 0;
    case 0x0007: return n % 4 == 0;
    case 0x0005:
    case 0x0006:
    case 0x0009: return n >= 3;
    default: return false;
    }
}

bool CockpitHidden::learn(Model& m, const unsigned char* points, int stride, std::span<const PolygonLook> looks) {
    // Only what changes for the first time drops the kept answers: a part known to move is
    // neither hiding nor hidden in any of them.
    bool learnt = false;
    for (size_t i = 0; i < looks.size(); ++i) {
        if (m.Changed[i] || looks[i] == m.Looks[i]) continue;
        m.Changed[i] = 1;
        learnt = true;
    }
    // The points as a whole first: most frames nothing has moved.
    const size_t bytes = m.PointCount * size_t(stride);
    if (std::memcmp(points, m.Last.data(), bytes) == 0) return learnt;
    for (size_t i = 0; i < m.PointCount; ++i) {
        const unsigned char* p = points + i * size_t(stride) + size_t(stride) - 3 * sizeof(float);
        unsigned char* last = &m.Last[i * size_t(stride) + size_t(stride) - 3 * sizeof(float)];
        if (std::memcmp(p, last, 3 * sizeof(float)) == 0) continue;
        if (!m.Moved[i]) learnt = true;
        m.Moved[i] = 1;
    }
    std::memcpy(m.Last.data(), points, bytes);
    return learnt;
}

CockpitHidden::~CockpitHidden() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
        cancel_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void CockpitHidden::waitForSearches() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return waiting_.empty() && !busy_; });
}

void CockpitHidden::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        if (stopping_) break;
        Search s = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        runningModel_ = s.Model;
        cancel_ = false;
        lock.unlock();
        s.Hidden = findHiddenTriangles(reinterpret_cast<const unsigned char*>(s.Points.data()), 3 * int(sizeof(float)),
                                       s.Triangles, s.Eye, &cancel_);
        s.Triangles = {};
        s.Points = {};
        lock.lock();
        busy_ = false;
        if (!cancel_ && !stopping_) landed_.push_back(std::move(s));
        idle_.notify_all();
    }
    busy_ = false;
    idle_.notify_all();
}

namespace {
// The eye may wander within a hundred-thousandth of a foot of a place: what that shifts on the
// screen is far within the sample the outlines were widened by.
constexpr double kNear = 1e-5;
bool sameEyePlace(const HidingEye& a, const HidingEye& b) {
    return std::fabs(a.X - b.X) <= kNear && std::fabs(a.Y - b.Y) <= kNear && std::fabs(a.Z - b.Z) <= kNear;
}
}  // namespace

void CockpitHidden::ask(Model& m, const ObjectPointsPolysVer2& g, std::span<const PolygonLook> looks, int stride,
                        const HidingEye& eye) {
    if (m.Asked && m.AskedGeneration == m.Generation && sameEyePlace(m.AskedEye, eye) &&
        m.AskedEye.NearReach >= eye.NearReach && m.AskedEye.Sign == eye.Sign)
        return;
    if (m.Last.size() < m.PointCount * size_t(stride)) return;
    Search s;
    s.Serial = ++asked_;
    s.Model = m.Id;
    s.Generation = m.Generation;
    s.Eye = eye;
    s.Triangles.assign(m.Triangles, HidingTriangle{});
    for (size_t i = 0; i < looks.size(); ++i) {
        if (m.First[i] < 0) continue;
        const OnePolygonVer2& p = m.Polygons[i];
        const int32_t h = looks[i].Hints;
        const bool drawn = !(h & (kSkip | kTransparent | kOffset | kAlways | kLEqual)) && !m.Changed[i];
        const bool hides = drawn && looks[i].Opaque;
        const uint16_t* run = g.RunItems + p.FirstItem;
        HidingTriangle* t = s.Triangles.data() + m.First[i];
        eachTriangle(p.DefaultDrawType, run + 1, run[0], [&](uint16_t a, uint16_t b, uint16_t c) {
            const bool fixed = !m.Moved[a] && !m.Moved[b] && !m.Moved[c];
            *t++ = {a, b, c, hides && fixed, bool(h & kNoCull), drawn && fixed};
        });
    }
    // The points as last seen (this pass's): the model's own may change while the search runs.
    s.Points.resize(3 * m.PointCount);
    for (size_t i = 0; i < m.PointCount; ++i)
        std::memcpy(&s.Points[3 * i], &m.Last[(i + 1) * size_t(stride) - 3 * sizeof(float)], 3 * sizeof(float));
    m.Asked = s.Serial;
    m.AskedEye = eye;
    m.AskedGeneration = m.Generation;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(waiting_, [&](const Search& w) { return w.Model == m.Id; });
        if (busy_ && runningModel_ == m.Id) cancel_ = true;
        waiting_.push_back(std::move(s));
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void CockpitHidden::takeLanded(Model& m, const HidingEye& eye) {
    std::vector<Search> mine;
    {
        std::lock_guard lock(mutex_);
        if (landed_.empty()) return;
        for (auto it = landed_.begin(); it != landed_.end();) {
            const uint64_t id = it->Model;
            const bool kept = std::any_of(models_.begin(), models_.end(), [&](const Model& k) { return k.Id == id; });
            if (id == m.Id) mine.push_back(std::move(*it));
            else if (kept) {
                ++it;
                continue;
            } else ++thrownAway_;
            it = landed_.erase(it);
        }
    }
    for (Search& s : mine) {
        if (s.Serial == m.Asked) m.Asked = 0;
        // Worked out before a part moved or a look changed, or from where the eye no longer is: of no use.
        const bool fits = s.Generation == m.Generation && sameEyePlace(s.Eye, eye) && s.Eye.NearReach >= eye.NearReach && s.Eye.Sign == eye.Sign &&
                          s.Hidden.size() == m.Triangles;
        if (!fits) {
            ++thrownAway_;
            continue;
        }
        ++built_;
        constexpr size_t kPlaces = 4;
        if (m.Places.size() >= kPlaces)
            m.Places.erase(std::min_element(m.Places.begin(), m.Places.end(),
                                            [](const Place& a, const Place& b) { return a.Used < b.Used; }));
        m.Places.push_back({s.Eye.X, s.Eye.Y, s.Eye.Z, s.Eye.NearReach, s.Eye.Sign, clock_, std::move(s.Hidden)});
    }
}

bool CockpitHidden::lookUp(const ObjectPointsPolysVer2& g, const OnePolygonVer2* polygons, std::span<const PolygonLook> looks,
                           int stride, const HidingEye& eye, long pass, Answer& answer) {
    if (!g.ThePoints || !polygons || !g.RunItems || stride < 12) return false;
    auto it = std::find_if(models_.begin(), models_.end(), [&](const Model& m) {
        return m.Points == g.ThePoints && m.Polygons == polygons && m.Runs == g.RunItems && m.Looks.size() == looks.size();
    });
    const auto* bytes = static_cast<const unsigned char*>(static_cast<const void*>(g.ThePoints));
    if (it == models_.end()) {
        // A new model: its triangles numbered, its points as they stand.
        constexpr size_t kModels = 2;
        if (models_.size() >= kModels)
            models_.erase(std::min_element(models_.begin(), models_.end(),
                                           [](const Model& a, const Model& b) { return a.Used < b.Used; }));
        Model m;
        m.Id = ++modelsMade_;
        m.Points = g.ThePoints;
        m.Polygons = polygons;
        m.Runs = g.RunItems;
        m.Looks.assign(looks.begin(), looks.end());
        m.Changed.assign(looks.size(), 0);
        m.First.assign(looks.size(), -1);
        size_t count = 0, most = 0;
        for (size_t i = 0; i < looks.size(); ++i) {
            const OnePolygonVer2& p = polygons[i];
            if (p.FirstItem < 0) continue;
            const uint16_t* run = g.RunItems + p.FirstItem;
            if (!madeOfTriangles(p.DefaultDrawType, run[0])) continue;
            m.First[i] = int32_t(count);
            eachTriangle(p.DefaultDrawType, run + 1, run[0], [&](uint16_t a, uint16_t b, uint16_t c) {
                ++count;
                most = std::max({most, size_t(a) + 1, size_t(b) + 1, size_t(c) + 1});
            });
        }
        m.Triangles = count;
        m.PointCount = most;
        m.Moved.assign(most, 0);
        m.Last.assign(bytes, bytes + most * size_t(stride));
        models_.push_back(std::move(m));
        it = models_.end() - 1;
    }
    Model& m = *it;
    m.Used = ++clock_;
    // Nothing moves between the passes of one frame: once a pass is enough.
    if (m.LearntPass != pass && learn(m, bytes, stride, looks)) {
        m.Places.clear();
        m.MovedPass = pass;
        ++m.Generation;
    }
    m.LearntPass = pass;
    takeLanded(m, eye);
    const auto close = [&](double x, double y, double z) {
        return std::fabs(x - eye.X) <= kNear && std::fabs(y - eye.Y) <= kNear && std::fabs(z - eye.Z) <= kNear;
    };
    const bool stayed = m.EyePass >= 0 && m.EyePass < pass && close(m.EyeX, m.EyeY, m.EyeZ);
    if (m.EyePass != pass || !close(m.EyeX, m.EyeY, m.EyeZ)) {
        m.EyeX = eye.X, m.EyeY = eye.Y, m.EyeZ = eye.Z;
        m.EyePass = pass;
    }
    Place* found = nullptr;
    for (Place& p : m.Places)
        if (close(p.X, p.Y, p.Z) && p.NearReach >= eye.NearReach && p.Sign == eye.Sign) found = &p;
    // Parts start moving together (the stick, the rudder bar, the needles as the flight starts):
    // what they hide is worked out again once none has started for a while.
    const bool settled = m.MovedPass < 0 || pass - m.MovedPass >= kSettlingPasses;
    if (!found && settled && (m.Places.empty() || stayed)) ask(m, g, looks, stride, eye);
    if (!found) return false;
    found->Used = clock_;
    answer.First = &m.First;
    answer.Hidden = &found->Hidden;
    return true;
}

}  // namespace pellam::render
