#include "world/draw/RoadShape.h"

#include <cmath>

namespace pellam::worlddraw {
namespace {

constexpr int N = RoadShape::kCells;

int wrapCell(int c) { return ((c % N) + N) % N; }

// Sutherland-Hodgman: the part of a convex polygon where side * (S - T) >= 0.
std::vector<SquarePoint> clipToSide(const std::vector<SquarePoint>& poly, float side) {
    std::vector<SquarePoint> out;
    for (size_t k = 0; k < poly.size(); ++k) {
        const SquarePoint& a = poly[k];
        const SquarePoint& b = poly[(k + 1) % poly.size()];
        const float fa = side * (a.S - a.T), fb = side * (b.S - b.T);
        if (fa >= 0) out.push_back(a);
        if ((fa < 0) != (fb < 0)) {
            const float r = fa / (fa - fb);
            out.push_back({a.S + r * (b.S - a.S), a.T + r * (b.T - a.T)});
        }
    }
    return out;
}

}  // namespace

void RoadShape::build(const std::vector<std::vector<uint8_t>>& levels) {
    for (auto& column : Kept) column.fill(false);
    for (auto& t : Triangles) t.clear();
    Ready = false;
    if (levels.empty()) return;  // nothing read: keep whole squares
    for (const std::vector<uint8_t>& level : levels) {
        const int edge = int(std::lround(std::sqrt(double(level.size()))));
        if (edge < 1 || size_t(edge) * edge != level.size()) return;  // not a square level: keep whole squares
        // Texel x is read by samples with u * edge in (x - 0.5, x + 1.5).
        auto cells = [&](int x, int& first, int& last) {
            first = int(std::floor((x - 0.5) * N / edge));
            last = int(std::floor((x + 1.5) * N / edge));
            if (last - first >= N) first = 0, last = N - 1;
        };
        for (int y = 0; y < edge; ++y)
            for (int x = 0; x < edge; ++x) {
                if (level[size_t(y) * edge + x] < 128) continue;
                int u0, u1, v0, v1;
                cells(x, u0, u1);
                cells(y, v0, v1);
                for (int u = u0; u <= u1; ++u)
                    for (int v = v0; v <= v1; ++v) Kept[wrapCell(u)][wrapCell(v)] = true;
            }
    }

    for (int turns = 0; turns < 4; ++turns) {
        // Which cells of the square hold a kept cell of the turned picture.
        std::array<std::array<bool, N>, N> square{};  // [s cell][t cell]
        for (int s = 0; s < N; ++s)
            for (int t = 0; t < N; ++t) {
                double u = (s + 0.5) / N, v = (t + 0.5) / N;
                for (int k = 0; k < turns; ++k) {
                    const double nu = v, nv = 1.0 - u;
                    u = nu, v = nv;
                }
                square[s][t] = Kept[int(u * N)][int(v * N)];
            }
        // Rows of cells merged into spans, runs of rows with the same spans into blocks; each
        // block is cut along the square's diagonal and fanned into triangles.
        auto spansOf = [&](int t) {
            std::vector<std::pair<int, int>> spans;
            for (int s = 0; s < N; ++s) {
                if (!square[s][t]) continue;
                if (!spans.empty() && spans.back().second == s - 1)
                    spans.back().second = s;
                else
                    spans.push_back({s, s});
            }
            return spans;
        };
        for (int t0 = 0; t0 < N;) {
            const auto spans = spansOf(t0);
            int t1 = t0 + 1;
            while (t1 < N && spansOf(t1) == spans) ++t1;
            for (const auto& [s0, s1] : spans) {
                const float a = float(s0) / N, b = float(s1 + 1) / N, c = float(t0) / N, d = float(t1) / N;
                const std::vector<SquarePoint> block = {{a, c}, {b, c}, {b, d}, {a, d}};
                for (const float side : {1.0f, -1.0f}) {
                    const std::vector<SquarePoint> piece = clipToSide(block, side);
                    for (size_t k = 1; k + 1 < piece.size(); ++k) {
                        const SquarePoint &p = piece[0], &q = piece[k], &r = piece[k + 1];
                        const float area = (q.S - p.S) * (r.T - p.T) - (q.T - p.T) * (r.S - p.S);
                        if (std::fabs(area) < 1e-9f) continue;  // a block that only touches the diagonal
                        for (const SquarePoint& e : {p, q, r}) Triangles[turns].push_back({e.S, e.T, side > 0});
                    }
                }
            }
            t0 = t1;
        }
    }
    Ready = true;
}

}  // namespace pellam::worlddraw
