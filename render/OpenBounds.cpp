#include "render/OpenBounds.h"

#include <algorithm>

namespace pellam::render {

void OpenRectangles::findAlike(const OpenRectangles& other, int most, long leastSaved) {
    Hidden.assign(other.Hidden.begin(), other.Hidden.end());
    settle(other.Viewport, other.Cell, other.Across, other.Down, most, leastSaved);
}

void OpenRectangles::settle(const std::array<int, 4>& viewport, int cell, int across, int down, int most,
                            long leastSaved) {
    // The cockpit's cover stays put while the head does: then so do the rectangles.
    if (Count > 0 && viewport == Viewport && cell == Cell && across == Across && down == Down && most == LastMost &&
        leastSaved == LastLeastSaved && Hidden == LastHidden)
        return;
    Viewport = viewport;
    Cell = cell;
    Across = across;
    Down = down;
    LastMost = most;
    LastLeastSaved = leastSaved;
    LastHidden = Hidden;
    cut(most, leastSaved);
}

long OpenRectangles::countIn(const std::vector<int32_t>& before, int i0, int i1, int j0, int j1) const {
    if (i0 >= i1 || j0 >= j1) return 0;
    const size_t row = size_t(Across) + 1;
    return long(before[j1 * row + i1]) - before[j0 * row + i1] - before[j1 * row + i0] + before[j0 * row + i0];
}

long OpenRectangles::openIn(int i0, int i1, int j0, int j1) const { return countIn(OpenBefore, i0, i1, j0, j1); }

long OpenRectangles::coveredIn(const Cells& c) const { return countIn(CoveredBefore, c.I0, c.I1, c.J0, c.J1); }

OpenRectangles::Cells OpenRectangles::shrunk(Cells c) const {
    if (openIn(c.I0, c.I1, c.J0, c.J1) == 0) return {};
    while (openIn(c.I0, c.I1, c.J0, c.J0 + 1) == 0) ++c.J0;
    while (openIn(c.I0, c.I1, c.J1 - 1, c.J1) == 0) --c.J1;
    while (openIn(c.I0, c.I0 + 1, c.J0, c.J1) == 0) ++c.I0;
    while (openIn(c.I1 - 1, c.I1, c.J0, c.J1) == 0) --c.I1;
    return c;
}

ScissorBox OpenRectangles::box(const Cells& c) const {
    if (c.area() <= 0) return {};
    const int x0 = c.I0 * Cell, x1 = std::min(c.I1 * Cell, Viewport[2]);
    const int y0 = c.J0 * Cell, y1 = std::min(c.J1 * Cell, Viewport[3]);
    return {Viewport[0] + x0, Viewport[1] + y0, x1 - x0, y1 - y0};
}

OpenRectangles::Cells OpenRectangles::largestHidden(const Cells& c) {
    // Row by row, each column's run of hidden cells up to the row, and the rectangles under those
    // runs found with a stack of rising heights: the one holding most covered cells.
    Cells best;
    long most = 0;
    const int w = c.I1 - c.I0;
    Height.assign(size_t(w) + 1, 0);  // the last stays 0 and empties the stack
    Stack.resize(size_t(w) + 1);
    for (int j = c.J0; j < c.J1; ++j) {
        const uint8_t* row = Hidden.data() + size_t(j) * Across + c.I0;
        for (int i = 0; i < w; ++i) Height[size_t(i)] = row[i] ? Height[size_t(i)] + 1 : 0;
        int top = 0;
        for (int i = 0; i <= w; ++i) {
            while (top > 0 && Height[size_t(Stack[size_t(top - 1)])] >= Height[size_t(i)]) {
                const int h = Height[size_t(Stack[size_t(--top)])];
                const int left = top > 0 ? Stack[size_t(top - 1)] + 1 : 0;
                const Cells r{c.I0 + left, c.I0 + i, j + 1 - h, j + 1};
                if (long(h) * (i - left) <= most) continue;  // holds no more covered cells than that
                const long covered = coveredIn(r);
                if (covered > most) best = r, most = covered;
            }
            Stack[size_t(top++)] = i;
        }
    }
    return best;
}

OpenRectangles::Split OpenRectangles::bestCut(const Cells& p) {
    Split best{p, {}, 0, 0};
    const Cells h = largestHidden(p);
    if (h.area() <= 0) return best;
    // Round the hole: bands across above and below it and pieces beside it, or columns beside it
    // and pieces above and below; every open cell of the part lies in one of them.
    const std::array<Cells, 4> across{Cells{p.I0, p.I1, p.J0, h.J0}, Cells{p.I0, p.I1, h.J1, p.J1},
                                      Cells{p.I0, h.I0, h.J0, h.J1}, Cells{h.I1, p.I1, h.J0, h.J1}};
    const std::array<Cells, 4> along{Cells{p.I0, h.I0, p.J0, p.J1}, Cells{h.I1, p.I1, p.J0, p.J1},
                                     Cells{h.I0, h.I1, p.J0, h.J0}, Cells{h.I0, h.I1, h.J1, p.J1}};
    // What a cut saves: the covered cells it leaves out; blank ones count for nothing.
    for (const auto& pieces : {across, along}) {
        Split s{p, {}, 0, coveredIn(p)};
        for (const Cells& piece : pieces) {
            const Cells kept = shrunk(piece);
            if (kept.area() <= 0) continue;
            s.Pieces[size_t(s.Count++)] = kept;
            s.Saved -= coveredIn(kept);
        }
        if (s.Saved > best.Saved || (s.Saved == best.Saved && s.Count < best.Count)) best = s;
    }
    return best;
}

void OpenRectangles::cut(int most, long leastSaved) {
    Count = 0;
    Bounds = {};
    if (Across <= 0 || Down <= 0) return;
    const size_t row = size_t(Across) + 1;
    OpenBefore.assign(row * (size_t(Down) + 1), 0);
    CoveredBefore.assign(row * (size_t(Down) + 1), 0);
    for (int j = 0; j < Down; ++j)
        for (int i = 0; i < Across; ++i) {
            const uint8_t h = Hidden[size_t(j) * Across + i];
            OpenBefore[(j + 1) * row + i + 1] =
                OpenBefore[(j + 1) * row + i] + OpenBefore[j * row + i + 1] - OpenBefore[j * row + i] + (h ? 0 : 1);
            CoveredBefore[(j + 1) * row + i + 1] = CoveredBefore[(j + 1) * row + i] + CoveredBefore[j * row + i + 1] -
                                                   CoveredBefore[j * row + i] + (h == kCovered ? 1 : 0);
        }
    const Cells all = shrunk({0, Across, 0, Down});
    if (all.area() <= 0) return;
    Bounds = box(all);
    most = std::clamp(most, 1, kMost);
    Count = 1;
    Splits[0] = most > 1 ? bestCut(all) : Split{all, {}, 0, 0};
    // Each round cuts the part where a cut leaves out most for each rectangle it adds.
    for (;;) {
        int k = -1;
        const auto gain = [&](const Split& s) { return s.Saved / std::max(s.Count - 1, 1); };
        for (int m = 0; m < Count; ++m) {
            const Split& s = Splits[size_t(m)];
            if (s.Saved <= 0 || Count + s.Count - 1 > most || gain(s) < leastSaved) continue;
            if (k < 0 || gain(s) > gain(Splits[size_t(k)])) k = m;
        }
        if (k < 0) break;
        const Split s = Splits[size_t(k)];
        Splits[size_t(k)] = bestCut(s.Pieces[0]);
        for (int m = 1; m < s.Count; ++m) Splits[size_t(Count++)] = bestCut(s.Pieces[size_t(m)]);
    }
    for (int k = 0; k < Count; ++k) Boxes[size_t(k)] = box(Splits[size_t(k)].Whole);
}

bool OpenRectangles::whole() const {
    return Count > 0 && Bounds.X == Viewport[0] && Bounds.Y == Viewport[1] && Bounds.Width == Viewport[2] &&
           Bounds.Height == Viewport[3];
}

}  // namespace pellam::render
