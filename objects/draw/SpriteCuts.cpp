#include "objects/draw/SpriteCuts.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pellam::effects {
namespace {

// Depths closer than this (ft) may come out of the GL's float transform in either order.
double tieWithin(double depth) { return 0.01 + 1e-5 * std::fabs(depth); }

// A sprite is cut only if at most this share of its cells stays: leaving out fewer does not pay
// for the extra quads' set-up and their edges' part-covered blocks.
constexpr double kWorthCutting = 0.85;
// Nor if it leaves out fewer cells than this for each quad it adds.
constexpr int kLeastSavedPerPiece = 6;

// A column's or row's texels, and whether it lies wholly inside the sprite's square.
struct Span {
    int T0, T1;
    bool Inside;
};

// Range a..b (inclusive, b - a < n + n) split into at most two ranges of 0..n-1.
int wrapped(int a, int b, int n, int out[2][2]) {
    if (b - a + 1 >= n) {
        out[0][0] = 0;
        out[0][1] = n - 1;
        return 1;
    }
    const int s = ((a % n) + n) % n, e = s + (b - a);
    if (e < n) {
        out[0][0] = s;
        out[0][1] = e;
        return 1;
    }
    out[0][0] = s;
    out[0][1] = n - 1;
    out[1][0] = 0;
    out[1][1] = e - n;
    return 2;
}

}  // namespace

AlphaSums::AlphaSums(const uint8_t* alpha, int width, int height) : W_(width), H_(height) {
    if (!alpha || width <= 0 || height <= 0) {
        W_ = H_ = 0;
        return;
    }
    const size_t stride = size_t(W_) + 1;
    seen_.assign(stride * (size_t(H_) + 1), 0);
    for (auto& t : atLeast_) t.assign(seen_.size(), 0);
    auto add = [&](std::vector<int32_t>& t, size_t i, bool one) { t[i] = one + t[i - 1] + t[i - stride] - t[i - stride - 1]; };
    for (int y = 0; y < H_; ++y)
        for (int x = 0; x < W_; ++x) {
            const uint8_t a = alpha[size_t(y) * W_ + x];
            const size_t i = (y + 1) * stride + x + 1;
            add(seen_, i, a != 0);
            for (int k = 0; k < kLevels; ++k) add(atLeast_[k], i, a >= kLevel[k]);
        }
}

double AlphaSums::leastAlpha(int x0, int x1, int y0, int y1) const {
    // Past an edge the GL reads the border (clear) or the other side, as the picture wraps.
    if (x0 < 0 || y0 < 0 || x1 >= W_ || y1 >= H_) return 0.0;
    const int64_t all = area(x0, x1, y0, y1);
    auto met = [&](int k) { return count(atLeast_[k], x0, x1, y0, y1) == all; };
    if (!met(kLevels - 1)) return 0.0;
    // The strongest level met: levels met form a run from the weakest.
    int lo = 0, hi = kLevels - 1;  // hi met; every level before lo not met
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (met(mid)) hi = mid;
        else lo = mid + 1;
    }
    return kLevel[hi] / 255.0;
}

int64_t AlphaSums::area(int x0, int x1, int y0, int y1) const {
    if (x0 >= 0 && x1 < W_ && y0 >= 0 && y1 < H_) return int64_t(x1 - x0 + 1) * (y1 - y0 + 1);
    int xs[2][2], ys[2][2];
    const int nx = wrapped(x0, x1, W_, xs), ny = wrapped(y0, y1, H_, ys);
    int64_t n = 0;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) n += int64_t(xs[i][1] - xs[i][0] + 1) * (ys[j][1] - ys[j][0] + 1);
    return n;
}

int64_t AlphaSums::count(const std::vector<int32_t>& sums, int x0, int x1, int y0, int y1) const {
    if (W_ <= 0 || x1 < x0 || y1 < y0) return -1;  // matches no area: neither all opaque nor all clear
    const size_t stride = size_t(W_) + 1;
    if (x0 >= 0 && x1 < W_ && y0 >= 0 && y1 < H_)
        return int64_t(sums[(y1 + 1) * stride + x1 + 1]) - sums[y0 * stride + x1 + 1] - sums[(y1 + 1) * stride + x0] +
               sums[y0 * stride + x0];
    int xs[2][2], ys[2][2];
    const int nx = wrapped(x0, x1, W_, xs), ny = wrapped(y0, y1, H_, ys);
    int64_t n = 0;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            const int a = xs[i][0], b = xs[i][1] + 1, c = ys[j][0], d = ys[j][1] + 1;
            n += sums[d * stride + b] - sums[c * stride + b] - sums[d * stride + a] + sums[c * stride + a];
        }
    return n;
}

namespace {

// The shown cells of a sprite's span covered by rectangles of them, largest first: each quad's
// edges cost the rasteriser (the blocks along its diagonal are shaded by both triangles), so broad
// pieces are cheaper than strips. The largest rectangle of a region leaves four bands of it (below,
// above, left, right), each searched in turn, so every cell is read a few times, not once a piece.
// Rectangles as shares of the square (its own sides exactly 0 and 1). Gives up (false) once more
// than `most` rectangles would be needed.
bool rectangles(const std::vector<char>& shown, int c0, int c1, int r0, int r1, double px0, double py0, double w,
                double h, int sprite, size_t most, std::vector<SpritePiece>& out) {
    const int span = c1 - c0 + 1;
    struct Region {
        int C0, C1, R0, R1;  // cells of the span, inclusive
    };
    std::vector<Region> regions{{0, span - 1, 0, r1 - r0}};
    std::vector<int> height(size_t(span) + 1, 0), stack;
    size_t made = 0;
    while (!regions.empty()) {
        const Region g = regions.back();
        regions.pop_back();
        if (g.C0 > g.C1 || g.R0 > g.R1) continue;
        // Its largest rectangle of shown cells: per row, the columns' runs of shown cells up to it
        // as a histogram, whose largest rectangle the stack of rising bars finds.
        int best = 0, bc0 = 0, bc1 = 0, br0 = 0, br1 = 0;
        std::fill(height.begin() + g.C0, height.begin() + g.C1 + 2, 0);
        for (int r = g.R0; r <= g.R1; ++r) {
            for (int c = g.C0; c <= g.C1; ++c) height[size_t(c)] = shown[size_t(r) * span + c] ? height[size_t(c)] + 1 : 0;
            stack.clear();
            for (int c = g.C0; c <= g.C1 + 1; ++c) {
                const int bar = c <= g.C1 ? height[size_t(c)] : 0;
                while (!stack.empty() && height[size_t(stack.back())] >= bar) {
                    const int tall = height[size_t(stack.back())];
                    stack.pop_back();
                    const int from = stack.empty() ? g.C0 : stack.back() + 1;
                    if (tall * (c - from) > best) {
                        best = tall * (c - from);
                        bc0 = from, bc1 = c - 1, br0 = r - tall + 1, br1 = r;
                    }
                }
                stack.push_back(c);
            }
        }
        if (best == 0) continue;
        if (made++ == most) return false;
        regions.push_back({g.C0, g.C1, g.R0, br0 - 1});
        regions.push_back({g.C0, g.C1, br1 + 1, g.R1});
        regions.push_back({g.C0, bc0 - 1, br0, br1});
        regions.push_back({bc1 + 1, g.C1, br0, br1});
        const int a0 = bc0 + c0, a1 = bc1 + c0, b0 = br0 + r0, b1 = br1 + r0;
        SpritePiece p;
        p.Sprite = sprite;
        p.U0 = a0 == c0 ? 0.0 : (a0 * kSpriteCell - px0) / w;
        p.U1 = a1 == c1 ? 1.0 : ((a1 + 1) * kSpriteCell - px0) / w;
        p.V0 = b0 == r0 ? 0.0 : (b0 * kSpriteCell - py0) / h;
        p.V1 = b1 == r1 ? 1.0 : ((b1 + 1) * kSpriteCell - py0) / h;
        out.push_back(p);
    }
    return true;
}

}  // namespace

void cutSprites(const std::vector<FacingSprite>& sprites, const SpriteWindow& window, int pieceRoom, SpriteCuts& out) {
    const int n = int(sprites.size());
    out.draw.assign(static_cast<size_t>(n), SpriteCuts::Draw::Whole);
    out.pieces.clear();
    if (window.Width <= 0 || window.Height <= 0 || n < 2) return;
    const int cols = (window.Width + kSpriteCell - 1) / kSpriteCell, rows = (window.Height + kSpriteCell - 1) / kSpriteCell;
    // What each cell of the window lets through of what lies behind the sprites laid on it so far.
    std::vector<double> through(size_t(cols) * rows, 1.0);
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return sprites[a].Depth < sprites[b].Depth; });

    auto overlap = [](const FacingSprite& a, const FacingSprite& b) {
        return a.Left < b.Right && b.Left < a.Right && a.Bottom < b.Top && b.Bottom < a.Top;
    };
    // A sprite tied in depth with one it overlaps keeps its one quad, and with it its drawing order.
    std::vector<char> tied(static_cast<size_t>(n), 0);
    for (int k = 0; k + 1 < n; ++k)
        for (int m = k + 1; m < n && sprites[order[m]].Depth - sprites[order[k]].Depth < tieWithin(sprites[order[k]].Depth);
             ++m)
            if (overlap(sprites[order[k]], sprites[order[m]])) tied[order[k]] = tied[order[m]] = 1;

    struct Candidate {
        int Sprite;
        int Saved;  // cells left out
        std::vector<SpritePiece> pieces;
    };
    std::vector<Candidate> candidates;
    std::vector<char> shownCells;
    std::vector<std::pair<int, double>> laid;
    std::vector<Span> across, up;
    for (const int i : order) {
        const FacingSprite& s = sprites[i];
        if (!(s.Depth > window.Near && s.Depth < window.Far && s.Right > s.Left && s.Top > s.Bottom)) continue;
        const double px0 = s.Left - window.X, px1 = s.Right - window.X, py0 = s.Bottom - window.Y,
                     py1 = s.Top - window.Y;
        if (px1 <= 0 || py1 <= 0 || px0 >= window.Width || py0 >= window.Height) continue;
        const int c0 = std::max(0, int(std::floor(px0 / kSpriteCell))), c1 = std::min(cols - 1, int(std::ceil(px1 / kSpriteCell)) - 1);
        const int r0 = std::max(0, int(std::floor(py0 / kSpriteCell))), r1 = std::min(rows - 1, int(std::ceil(py1 / kSpriteCell)) - 1);
        const AlphaSums* alpha = s.Alpha && s.Alpha->width() > 0 ? s.Alpha : nullptr;
        if (c1 < c0 || r1 < r0 || !alpha) continue;
        const double w = px1 - px0, h = py1 - py0;
        // Texels a pixel spans: minified, the GL reads coarser levels that blur the picture's
        // edges by up to a few of those; magnified, bilinear reads one texel round the point.
        const double perPixel = std::max(alpha->width() / w, alpha->height() / h);
        // Texels to spare: a quarter where magnified, for where this arithmetic and the GL's
        // place a pixel apart (well under a tenth of a pixel).
        const double margin = perPixel < 0.25 ? 0.25 : 1.0 + 8.0 * perPixel;
        auto texels = [&](double a, double b, double length, int size, int& t0, int& t1) {
            // Shares a..b of the side; a sample at x reads texels floor(x - 0.5) and the next.
            t0 = int(std::floor(a / length * size - 0.5 - margin));
            t1 = int(std::floor(b / length * size - 0.5 + margin)) + 1;
        };
        const int spanC = c1 - c0 + 1, spanR = r1 - r0 + 1;
        shownCells.assign(size_t(spanC) * spanR, 0);
        // Each column's and row's texels, and whether it lies wholly inside the square with a
        // pixel's width to spare for the GL's rounding.
        auto spans = [&](int first, int last, double p0, double p1, double length, int size, std::vector<Span>& out) {
            out.clear();
            for (int k = first; k <= last; ++k) {
                const double a = std::max(p0, double(k * kSpriteCell)), b = std::min(p1, double((k + 1) * kSpriteCell));
                Span t{};
                texels(a - p0, b - p0, length, size, t.T0, t.T1);
                t.Inside = k * kSpriteCell >= p0 + 1 && (k + 1) * kSpriteCell <= p1 - 1;
                out.push_back(t);
            }
        };
        spans(c0, c1, px0, px1, w, alpha->width(), across);
        spans(r0, r1, py0, py1, h, alpha->height(), up);
        // What this sprite lets through, laid on the window for the sprites behind it (one behind
        // by less than the GL can order is tied with it, and drawn whole whatever this hides).
        laid.clear();
        int shown = 0;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                const int cell = r * cols + c;
                const Span& a = across[size_t(c - c0)];
                const Span& b = up[size_t(r - r0)];
                const int tx0 = a.T0, tx1 = a.T1, ty0 = b.T0, ty1 = b.T1;
                const bool show = through[size_t(cell)] >= kHiddenBelow && !alpha->allClear(tx0, tx1, ty0, ty1);
                const bool inside = a.Inside && b.Inside;
                // Where what lies behind is hidden already, what this sprite lets through no longer counts.
                const double opacity = inside && through[size_t(cell)] >= kHiddenBelow
                                           ? std::clamp(s.Opacity, 0.0, 1.0) * alpha->leastAlpha(tx0, tx1, ty0, ty1)
                                           : 0.0;
                if (opacity > 0) laid.push_back({cell, 1.0 - opacity});
                shownCells[size_t(r - r0) * spanC + (c - c0)] = show;
                shown += show;
            }
        for (const auto& [cell, lets] : laid) through[size_t(cell)] *= lets;
        const int cells = spanC * spanR;
        // Cells of the window beyond the square's own are not counted: the GL clips those.
        if (shown == cells || tied[i]) continue;
        if (shown == 0) {
            out.draw[i] = SpriteCuts::Draw::Nothing;
            continue;
        }
        if (shown > kWorthCutting * cells) continue;
        Candidate cut{i, cells - shown, {}};
        // Worth cutting only while each quad leaves out enough, and only into what the room holds.
        const size_t most = size_t(std::clamp(cut.Saved / kLeastSavedPerPiece, 0, std::max(pieceRoom, 0)));
        if (rectangles(shownCells, c0, c1, r0, r1, px0, py0, w, h, i, most, cut.pieces)) candidates.push_back(std::move(cut));
    }
    // The room for pieces goes to the cuts that leave out most for each quad they add.
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return double(a.Saved) / double(a.pieces.size()) > double(b.Saved) / double(b.pieces.size());
    });
    for (const Candidate& c : candidates) {
        if (int(out.pieces.size() + c.pieces.size()) > pieceRoom) continue;
        out.draw[size_t(c.Sprite)] = SpriteCuts::Draw::Pieces;
        out.pieces.insert(out.pieces.end(), c.pieces.begin(), c.pieces.end());
    }
    // Sprite by sprite, in the order given.
    std::stable_sort(out.pieces.begin(), out.pieces.end(),
                     [](const SpritePiece& a, const SpritePiece& b) { return a.Sprite < b.Sprite; });
}

}  // namespace pellam::effects
