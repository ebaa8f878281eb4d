#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include "world/draw/ScreenCover.h"
#include "world/draw/WorldDraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

namespace pellam::worlddraw {

void ScreenCover::begin() {
    WidenedView::loaded(Projection, Viewport);
    GLint mode = GL_BACK, front = GL_CCW;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    glGetIntegerv(GL_FRONT_FACE, &front);
    CullFront = mode == GL_FRONT || mode == GL_FRONT_AND_BACK;
    CullBack = mode == GL_BACK || mode == GL_FRONT_AND_BACK;
    FrontIsCCW = front == GL_CCW;
    Across = std::max(Viewport[2], 0) / kCell;
    Down = std::max(Viewport[3], 0) / kCell;
    Covered.assign(size_t(Across) * size_t(Down), 0);
    Reach.assign(Covered.size(), kOpen);
    OpenBefore.assign(size_t(Across + 1) * size_t(Down + 1), 0);
    Cells = 0;
    Kept.clear();
    KeptFirst.assign(1, 0);
    KeptReach.clear();
    // Held clear between frames; only the rows a frame marks are cleared after it.
    const size_t bits = size_t((Across * kCell + 63) / 64) * size_t(Down * kCell);
    if (Filled.size() != bits) Filled.assign(bits, 0);
    Modelview.fill(std::numeric_limits<double>::quiet_NaN());  // matches no matrix
}

void ScreenCover::clear() {
    Covered.clear();
    Reach.clear();
    OpenBefore.clear();
    Across = Down = 0;
    Cells = 0;
    Kept.clear();
    KeptFirst.assign(1, 0);
}

void ScreenCover::toClip(const double* m, const uint8_t* xyz, size_t stride, const uint16_t* items, int count) {
    // The projection times the modelview, kept while the modelview stays (a part's matrix at a time).
    if (!std::equal(m, m + 16, Modelview.begin())) {
        std::copy(m, m + 16, Modelview.begin());
        const double* p = Projection.data();
        for (int col = 0; col < 4; ++col)
            for (int r = 0; r < 4; ++r)
                Clip[col * 4 + r] = p[r] * m[col * 4] + p[4 + r] * m[col * 4 + 1] + p[8 + r] * m[col * 4 + 2] +
                                    p[12 + r] * m[col * 4 + 3];
    }
    const double* t = Clip.data();
    Points.resize(size_t(count));
    for (int k = 0; k < count; ++k) {
        float v[3];
        std::memcpy(v, xyz + size_t(items[k]) * stride, sizeof v);
        double c[4];
        for (int r = 0; r < 4; ++r) c[r] = t[r] * v[0] + t[4 + r] * v[1] + t[8 + r] * v[2] + t[12 + r];
        Placed& out = Points[size_t(k)];
        out.C = {c[0], c[1], c[2], c[3]};
        std::copy(v, v + 3, out.Model);
    }
}

void ScreenCover::eye(const Placed& p, double* out) const {
    const double* m = Modelview.data();
    const float* v = p.Model;
    for (int r = 0; r < 3; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r];
}

bool ScreenCover::drawnFacing(double area, bool culled) const {
    if (area == 0) return false;
    const bool front = (area > 0) == FrontIsCCW;
    return !culled || !(front ? CullFront : CullBack);
}

bool ScreenCover::addPiece(const Placed* const* p, int n, bool culled) {
    // Wholly beyond a side of the view (most of an aircraft seen from its seat): it fills no pixel,
    // and an edge it shares lies off the window too.
    const auto beyond = [&](auto outside) {
        for (int k = 0; k < n; ++k)
            if (!outside(p[k]->C)) return false;
        return true;
    };
    if (beyond([](const Clipped& c) { return c.X > c.W; }) || beyond([](const Clipped& c) { return c.X < -c.W; }) ||
        beyond([](const Clipped& c) { return c.Y > c.W; }) || beyond([](const Clipped& c) { return c.Y < -c.W; }))
        return true;
    // Cut at the near plane (z >= -w) and the far one (z <= w): the GL fills only what lies between.
    CutA.clear();
    bool cut = false;
    for (int k = 0; k < n; ++k) {
        CutA.push_back(p[k]->C);
        cut = cut || !(std::abs(p[k]->C.Z) <= p[k]->C.W);
    }
    if (cut && n > 3) {
        // A bent piece's triangles, each cut alone, need not fill its cut outline: flat to well
        // under a pixel at the nearest reach, or taken triangle by triangle.
        constexpr double kFlat = 2e-5;  // ft
        double o[3], e1[3], e2[3], u[3], v[3];
        eye(*p[0], o), eye(*p[1], e1), eye(*p[2], e2);
        for (int r = 0; r < 3; ++r) u[r] = e1[r] - o[r], v[r] = e2[r] - o[r];
        const double normal[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (!(length > 0)) return false;
        for (int k = 3; k < n; ++k) {
            double e[3], off = 0;
            eye(*p[k], e);
            for (int r = 0; r < 3; ++r) off += (e[r] - o[r]) * normal[r];
            if (!(std::abs(off) <= kFlat * length)) return false;
        }
    }
    if (cut) {
        for (const double side : {1.0, -1.0}) {  // near, then far
            CutB.clear();
            const size_t m = CutA.size();
            for (size_t k = 0; k < m; ++k) {
                const Clipped &a = CutA[k], &b = CutA[(k + 1) % m];
                const double da = a.W + side * a.Z, db = b.W + side * b.Z;
                if (da >= 0) CutB.push_back(a);
                if ((da >= 0) != (db >= 0)) {
                    const double f = da / (da - db);
                    CutB.push_back({a.X + f * (b.X - a.X), a.Y + f * (b.Y - a.Y), a.Z + f * (b.Z - a.Z), a.W + f * (b.W - a.W)});
                }
            }
            CutA.swap(CutB);
        }
    }
    const int m = int(CutA.size());
    if (m < 3) return true;  // nothing filled
    Outline.clear();
    for (const Clipped& c : CutA) {
        const Point w{Viewport[0] + (c.X / c.W + 1) * Viewport[2] / 2, Viewport[1] + (c.Y / c.W + 1) * Viewport[3] / 2};
        // A point not in front of the eye, or not a number, hides nothing.
        if (!(c.W > 0) || !std::isfinite(w.X) || !std::isfinite(w.Y)) return true;
        Outline.push_back(w);
    }
    // Convex, every turn the same way: the piece's triangles fill its outline and face one way.
    int positive = 0, negative = 0;
    for (int k = 0; k < m; ++k) {
        const Point &a = Outline[k], &b = Outline[(k + 1) % m], &c = Outline[(k + 2) % m];
        const double turn = (b.X - a.X) * (c.Y - b.Y) - (b.Y - a.Y) * (c.X - b.X);
        positive += turn > 0;
        negative += turn < 0;
    }
    if (positive != m && negative != m) return false;
    if (drawnFacing(positive ? 1.0 : -1.0, culled)) {
        float reach = 0;  // w: the distance ahead of the eye
        for (const Clipped& c : CutA) reach = std::max(reach, float(c.W));
        markConvex(Outline.data(), m, reach);
        KeptReach.push_back(reach);
        if (positive) Kept.insert(Kept.end(), Outline.begin(), Outline.end());
        else Kept.insert(Kept.end(), Outline.rbegin(), Outline.rend());
        KeptFirst.push_back(int(Kept.size()));
    }
    return true;
}

void ScreenCover::addPolygon(const double* modelview, const uint8_t* xyz, size_t stride, const uint16_t* items,
                             int count, int primitive, bool culled) {
    if (Across == 0 || Down == 0 || count < 3) return;
    toClip(modelview, xyz, stride, items, count);
    const auto point = [&](int k) { return &Points[size_t(k)]; };
    const auto triangle = [&](int a, int b, int c) {
        const Placed* t[3] = {point(a), point(b), point(c)};
        addPiece(t, 3, culled);
    };
    switch (primitive) {
    case GL_TRIANGLES:
        for (int k = 0; k + 2 < count; k += 3) triangle(k, k + 1, k + 2);
        return;
    case GL_TRIANGLE_STRIP:
        for (int k = 0; k + 2 < count; ++k) k % 2 ? triangle(k + 1, k, k + 2) : triangle(k, k + 1, k + 2);
        return;
    case GL_QUADS:
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        break;
    default:
        return;  // points and lines hide nothing
    }
    // Quads one by one, a fan or polygon whole; otherwise each of its triangles counts alone.
    const int step = primitive == GL_QUADS ? 4 : count;
    Piece.resize(size_t(step));
    for (int first = 0; first + step <= count; first += step) {
        for (int k = 0; k < step; ++k) Piece[size_t(k)] = point(first + k);
        if (addPiece(Piece.data(), step, culled)) continue;
        if (primitive == GL_QUADS) {
            triangle(first, first + 1, first + 3);
            triangle(first + 1, first + 2, first + 3);
        } else {
            for (int k = 1; k + 1 < step; ++k) triangle(first, first + k, first + k + 1);
        }
    }
}

void ScreenCover::markConvex(const Point* p, int n, float reach) {
    double y0 = p[0].Y, y1 = p[0].Y;
    for (int k = 1; k < n; ++k) y0 = std::min(y0, p[k].Y), y1 = std::max(y1, p[k].Y);
    // The grid line at or past `at` (pixels from the viewport's edge) upwards or downwards, within
    // the grid: clamped before it becomes an int, for a point near the eye's plane lies far off.
    const auto line = [](double at, int cells, bool up) {
        const double c = up ? std::ceil(at / kCell) : std::floor(at / kCell);
        return c > 0 ? int(std::min(c, double(cells))) : 0;
    };
    const int cy0 = line(y0 - Viewport[1], Down, true), cy1 = line(y1 - Viewport[1], Down, false);  // cy1 exclusive
    if (cy1 <= cy0) return;
    // The outline's cross-section at a height: convex, it is one span.
    const auto span = [&](double y, double& left, double& right) {
        left = std::numeric_limits<double>::max(), right = std::numeric_limits<double>::lowest();
        for (int k = 0; k < n; ++k) {
            const Point &a = p[k], &b = p[(k + 1) % n];
            if (y < std::min(a.Y, b.Y) || y > std::max(a.Y, b.Y)) continue;
            if (a.Y == b.Y) {
                left = std::min({left, a.X, b.X}), right = std::max({right, a.X, b.X});
                continue;
            }
            const double x = a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
            left = std::min(left, x), right = std::max(right, x);
        }
    };
    // A cell lies inside when its four corners do: within both its lines' spans.
    double belowLeft, belowRight;
    span(Viewport[1] + double(cy0) * kCell, belowLeft, belowRight);
    for (int cy = cy0; cy < cy1; ++cy) {
        double aboveLeft, aboveRight;
        span(Viewport[1] + double(cy + 1) * kCell, aboveLeft, aboveRight);
        const double left = std::max(belowLeft, aboveLeft), right = std::min(belowRight, aboveRight);
        belowLeft = aboveLeft, belowRight = aboveRight;
        if (!(right > left)) continue;
        const int cx0 = line(left - Viewport[0], Across, true), cx1 = line(right - Viewport[0], Across, false);
        for (int cx = cx0; cx < cx1; ++cx) {
            uint8_t& cell = Covered[size_t(cy) * Across + cx];
            Cells += !cell;
            cell = 1;
            // Every pixel's depth is this part's or a nearer one's.
            float& r = Reach[size_t(cy) * Across + cx];
            r = std::min(r, reach);
        }
    }
}

void ScreenCover::markSeams() {
    const size_t outlines = KeptFirst.size() - 1;
    if (outlines == 0 || Across == 0 || Down == 0) return;
    findSharedEdges(outlines);
    SeamGrid grid = seamGrid();
    // Per cell: the farthest any outline over it reaches, for the cells that count only together.
    SeamReach.assign(Covered.size(), 0.0f);
    for (size_t o = 0; o < outlines; ++o) fillOutline(o, grid);
    countFilledCells(grid);
}

void ScreenCover::findSharedEdges(size_t outlines) {
    // Edges shared end for end: one outline's a->b another's b->a, so the two lie on either side
    // and the GL gives each pixel centre on it to one of them. Sorted by a hash of their ends first,
    // so that nearly every comparison is of one integer.
    std::vector<Edge>& edges = Edges;
    edges.clear();
    EdgeOrder.clear();
    const auto bits = [](double v) {
        uint64_t b;
        v += 0.0;  // -0 and +0 are one end
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    for (size_t o = 0; o < outlines; ++o)
        for (int k = KeptFirst[o]; k < KeptFirst[o + 1]; ++k) {
            const Point &a = Kept[size_t(k)], &b = Kept[size_t(k + 1 < KeptFirst[o + 1] ? k + 1 : KeptFirst[o])];
            const bool reversed = std::tie(b.X, b.Y) < std::tie(a.X, a.Y);
            const Point &lo = reversed ? b : a, &hi = reversed ? a : b;
            uint64_t h = 0;
            for (const double v : {lo.X, lo.Y, hi.X, hi.Y}) h = (h ^ bits(v)) * 0x9E3779B97F4A7C15u, h ^= h >> 29;
            EdgeOrder.push_back({h, uint32_t(edges.size())});
            edges.push_back({lo.X, lo.Y, hi.X, hi.Y, reversed, k});
        }
    const auto key = [](const Edge& e) { return std::tie(e.X0, e.Y0, e.X1, e.Y1); };
    std::sort(EdgeOrder.begin(), EdgeOrder.end(), [&](const EdgeKey& a, const EdgeKey& b) {
        if (a.Hash != b.Hash) return a.Hash < b.Hash;
        const Edge &ea = edges[a.Index], &eb = edges[b.Index];
        return std::tie(ea.X0, ea.Y0, ea.X1, ea.Y1, ea.Reversed) < std::tie(eb.X0, eb.Y0, eb.X1, eb.Y1, eb.Reversed);
    });
    Shared.assign(Kept.size(), 0);
    const auto edge = [&](size_t k) -> const Edge& { return edges[EdgeOrder[k].Index]; };
    for (size_t first = 0; first < EdgeOrder.size();) {
        size_t end = first + 1;
        while (end < EdgeOrder.size() && EdgeOrder[end].Hash == EdgeOrder[first].Hash && key(edge(end)) == key(edge(first)))
            ++end;
        if (edge(first).Reversed != edge(end - 1).Reversed)
            for (size_t k = first; k < end; ++k) Shared[size_t(edge(k).At)] = 1;
        first = end;
    }
}

ScreenCover::SeamGrid ScreenCover::seamGrid() const {
    SeamGrid grid;
    grid.Width = Across * kCell, grid.Height = Down * kCell, grid.Words = (grid.Width + 63) / 64;
    grid.RowLow = grid.Height, grid.ColumnLow = grid.Width;
    grid.X0 = Viewport[0] + 0.5, grid.Y0 = Viewport[1] + 0.5;
    return grid;
}

void ScreenCover::fillOutline(size_t o, SeamGrid& grid) {
    const OutlineRows rows = boundOutline(o, grid);
    for (int cy = rows.R0 / kCell; cy <= rows.R1 / kCell && cy < Down && rows.R0 <= rows.R1; ++cy)
        for (int cx = rows.Cx0; cx <= rows.Cx1; ++cx) {
            float& r = SeamReach[size_t(cy) * Across + cx];
            r = std::max(r, KeptReach[o]);
        }
    // Wholly left or right of the pixel centres (a part beside the view, within its rows): its
    // rows' spans all end before the first centre or start past the last.
    if (rows.Most < grid.X0 - 1 || rows.Least > grid.X0 + grid.Width) return;
    fillRows(rows, grid);
}

ScreenCover::OutlineRows ScreenCover::boundOutline(size_t o, const SeamGrid& grid) {
    // Pixel centres each outline holds: beyond a margin inside its outer edges, for the GL's
    // rounding of the corners to its sub-pixel grid; up to its shared edges exactly.
    constexpr double kMargin = 1.0 / 8;  // px
    const int first = KeptFirst[o], n = KeptFirst[o + 1] - first;
    const Point* p = &Kept[size_t(first)];
    double low = p[0].Y, high = p[0].Y, most = p[0].X, least = p[0].X;
    for (int k = 1; k < n; ++k) {
        low = std::min(low, p[k].Y), high = std::max(high, p[k].Y);
        least = std::min(least, p[k].X), most = std::max(most, p[k].X);
    }
    OutlineRows rows;
    rows.Least = least, rows.Most = most;
    // Its pixels count only towards the cells under it: bands of rows whose cells are counted
    // already are passed over.
    rows.Cx0 = int(std::clamp(std::floor((least - Viewport[0]) / kCell), 0.0, double(Across - 1)));
    rows.Cx1 = int(std::clamp(std::floor((most - Viewport[0]) / kCell), 0.0, double(Across - 1)));
    // Inside lies left of each edge a->b: nx (x - a.X) + ny (y - a.Y) >= need; a level edge
    // bounds the rows, any other the span's left or right end along them.
    Lefts.clear(), Rights.clear();
    for (int k = 0; k < n; ++k) {
        const Point &a = p[k], &b = p[k + 1 < n ? k + 1 : 0];
        const double nx = a.Y - b.Y, ny = b.X - a.X;
        const double need = Shared[size_t(first + k)] ? 0.0 : kMargin * std::hypot(nx, ny);
        if (nx != 0) (nx > 0 ? Lefts : Rights).push_back({a.X + (need + ny * a.Y) / nx, -ny / nx});
        else if (ny > 0) low = std::max(low, a.Y + need / ny);
        else high = std::min(high, a.Y + need / ny);
    }
    rows.R0 = int(std::clamp(std::ceil(low - grid.Y0), 0.0, double(grid.Height)));
    rows.R1 = int(std::clamp(std::floor(high - grid.Y0), -1.0, double(grid.Height - 1)));
    return rows;
}

void ScreenCover::fillRows(const OutlineRows& rows, SeamGrid& grid) {
    const int width = grid.Width, words = grid.Words;
    const double x0 = grid.X0, y0 = grid.Y0;
    const Bound *lefts = Lefts.data(), *rights = Rights.data();
    const size_t nl = Lefts.size(), nr = Rights.size();
    for (int r = rows.R0; r <= rows.R1; ++r) {
        if (r == rows.R0 || r % kCell == 0) {
            const uint8_t* band = &Covered[size_t(r / kCell) * Across];
            if (std::all_of(band + rows.Cx0, band + rows.Cx1 + 1, [](uint8_t c) { return c != 0; })) {
                r = (r / kCell + 1) * kCell - 1;
                continue;
            }
        }
        const double y = y0 + r;
        double left = std::numeric_limits<double>::lowest(), right = std::numeric_limits<double>::max();
        if (nl == 2 && nr == 2) {  // a quad's usual two a side, without the loops' upkeep
            left = std::max(std::max(left, lefts[0].At + lefts[0].Slope * y), lefts[1].At + lefts[1].Slope * y);
            right = std::min(std::min(right, rights[0].At + rights[0].Slope * y), rights[1].At + rights[1].Slope * y);
        } else {
            for (size_t k = 0; k < nl; ++k) left = std::max(left, lefts[k].At + lefts[k].Slope * y);
            for (size_t k = 0; k < nr; ++k) right = std::min(right, rights[k].At + rights[k].Slope * y);
        }
        if (!(left <= right)) continue;
        // The first and last pixel centre between them, within the rows' width: the ceiling and
        // floor of offsets that are positive by then, by truncation.
        const double from = left - x0, to = right - x0;
        const int c0 = from <= 0 ? 0 : from >= width ? width : int(from) + (double(int(from)) < from);
        const int c1 = to < 0 ? -1 : to >= width - 1 ? width - 1 : int(to);
        if (c1 < c0) continue;
        uint64_t* row = &Filled[size_t(r) * size_t(words)];
        grid.RowLow = std::min(grid.RowLow, r), grid.RowHigh = std::max(grid.RowHigh, r);
        grid.ColumnLow = std::min(grid.ColumnLow, c0), grid.ColumnHigh = std::max(grid.ColumnHigh, c1);
        const unsigned w0 = unsigned(c0) / 64, w1 = unsigned(c1) / 64;
        const uint64_t fromBit = ~uint64_t(0) << (unsigned(c0) % 64), uptoBit = ~uint64_t(0) >> (63 - unsigned(c1) % 64);
        if (w0 == w1) {
            row[w0] |= fromBit & uptoBit;
            continue;
        }
        row[w0] |= fromBit;
        std::fill(row + w0 + 1, row + w1, ~uint64_t(0));
        row[w1] |= uptoBit;
    }
}

void ScreenCover::countFilledCells(const SeamGrid& grid) {
    // A cell counts when all its pixels are held.
    constexpr uint64_t kCellBits = (uint64_t(1) << kCell) - 1;
    static_assert(64 % kCell == 0);
    if (grid.RowHigh < grid.RowLow) return;
    const int words = grid.Words;
    for (int cy = grid.RowLow / kCell; cy <= grid.RowHigh / kCell; ++cy)
        for (int cx = grid.ColumnLow / kCell; cx <= grid.ColumnHigh / kCell; ++cx) {
            uint8_t& cell = Covered[size_t(cy) * Across + cx];
            if (cell) continue;
            const size_t word = size_t(cx) * kCell / 64;
            const int shift = cx * kCell % 64;
            bool all = true;
            for (int r = cy * kCell; all && r < (cy + 1) * kCell; ++r)
                all = (Filled[size_t(r) * size_t(words) + word] >> shift & kCellBits) == kCellBits;
            Cells += all;
            cell = all;
            if (all) Reach[size_t(cy) * Across + cx] = SeamReach[size_t(cy) * Across + cx];
        }
    // Filled is held clear between frames: only the rows marked are cleared.
    for (int r = grid.RowLow; r <= grid.RowHigh; ++r)
        std::fill_n(&Filled[size_t(r) * size_t(words) + size_t(grid.ColumnLow / 64)],
                    grid.ColumnHigh / 64 - grid.ColumnLow / 64 + 1, uint64_t(0));
}

void ScreenCover::finish() {
    markSeams();
    for (int cy = 0; cy < Down; ++cy)
        for (int cx = 0; cx < Across; ++cx)
            OpenBefore[size_t(cy + 1) * (Across + 1) + cx + 1] = OpenBefore[size_t(cy) * (Across + 1) + cx + 1] +
                                                                   OpenBefore[size_t(cy + 1) * (Across + 1) + cx] -
                                                                   OpenBefore[size_t(cy) * (Across + 1) + cx] +
                                                                   !Covered[size_t(cy) * Across + cx];
}

bool ScreenCover::hides(double x0, double y0, double x1, double y1) const {
    if (Cells == 0) return false;
    // Pixels off the viewport are never drawn; the cells holding the rest: all inside the grid, none open.
    x0 = std::max(x0, double(Viewport[0])), y0 = std::max(y0, double(Viewport[1]));
    x1 = std::min(x1, Viewport[0] + Viewport[2] - 0.5), y1 = std::min(y1, Viewport[1] + Viewport[3] - 0.5);
    if (x1 < x0 || y1 < y0) return false;
    const double cx0 = std::floor((x0 - Viewport[0]) / kCell), cx1 = std::floor((x1 - Viewport[0]) / kCell);
    const double cy0 = std::floor((y0 - Viewport[1]) / kCell), cy1 = std::floor((y1 - Viewport[1]) / kCell);
    if (!(cx0 >= 0 && cy0 >= 0 && cx1 < Across && cy1 < Down)) return false;
    const size_t a = size_t(Across + 1);
    const int i0 = int(cx0), i1 = int(cx1) + 1, j0 = int(cy0), j1 = int(cy1) + 1;
    return OpenBefore[j1 * a + i1] - OpenBefore[j0 * a + i1] - OpenBefore[j1 * a + i0] + OpenBefore[j0 * a + i0] == 0;
}

}  // namespace pellam::worlddraw
