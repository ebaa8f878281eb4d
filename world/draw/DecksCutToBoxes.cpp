// Under several scissor boxes a deck is not sent once a box: each box changes the rasteriser's
// fragment state, which it copies (some 33 KB) at the next draw. The pieces are cut instead to the
// part of the view each box's window shows and sent in one draw. Their picture and fog coordinates
// and colour are linear across the deck's plane, so the points made where the cuts cross its edges
// carry the values the GL would interpolate there, and every pixel centre lies half a pixel off a
// box's edge, inside or outside it. Saving in instructions a frame: not yet measured.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw::sky {

namespace {

// A convex piece gains at most a point a cut.
constexpr int kMostCut = kMaxDeckPoints + 4;

// A box's edge as a plane in clip coordinates: window x (axis 0) or y (1) inside where
// sign (c[axis] - edge c.w) >= 0, with the edge in normalised device units.
using EdgePlane = std::array<double, 3>;  // axis, sign, edge

// The edge point of a piece's edge from i to j, where the plane crosses it: worked out from the
// edge's ends in one order whichever way the piece runs, so that two pieces sharing the edge share
// the point to the bit.
void crossing(const SentPoint* a, const std::array<double, 4>* ca, size_t i, size_t j, double di, double dj,
              bool colours, SentPoint& made, std::array<double, 4>& madeClip) {
    size_t lo = i, hi = j;
    double dlo = di, dhi = dj;
    if (std::tie(a[hi].X, a[hi].Z, a[hi].Y) < std::tie(a[lo].X, a[lo].Z, a[lo].Y)) std::swap(lo, hi), std::swap(dlo, dhi);
    const double t = dlo / (dlo - dhi);
    const SentPoint &p = a[lo], &q = a[hi];
    const auto mix = [t](float x, float y) { return float(x + t * (double(y) - x)); };
    made = {mix(p.X, q.X), mix(p.Y, q.Y), mix(p.Z, q.Z), mix(p.U, q.U), mix(p.V, q.V), mix(p.Fog, q.Fog), p.Colour, p.Secondary};
    if (colours) {
        for (size_t r = 0; r < 4; ++r) made.Colour[r] = mix(p.Colour[r], q.Colour[r]);
        for (size_t r = 0; r < 3; ++r) made.Secondary[r] = mix(p.Secondary[r], q.Secondary[r]);
    }
    for (size_t r = 0; r < 4; ++r) madeClip[r] = ca[lo][r] + t * (ca[hi][r] - ca[lo][r]);
}

// The piece of `n` points (as sent, and in clip coordinates) cut to the box's four planes, as the
// triangles of its fan onto `out`. Cut plane by plane into one of two buffers in turn; a plane every
// point lies inside leaves the piece as it is.
void cutPiece(const SentPoint* in, const std::array<double, 4>* inClip, int n, const std::array<EdgePlane, 4>& planes,
              bool colours, std::vector<SentPoint>& out) {
    std::array<std::array<SentPoint, kMostCut>, 2> made;
    std::array<std::array<std::array<double, 4>, kMostCut>, 2> madeClip;
    size_t into = 0;
    const SentPoint* a = in;
    const std::array<double, 4>* ca = inClip;
    n = std::min(n, kMaxDeckPoints);
    for (const auto& plane : planes) {
        const auto side = [&](const std::array<double, 4>& q) { return plane[1] * (q[size_t(plane[0])] - plane[2] * q[3]); };
        if (std::all_of(ca, ca + n, [&](const std::array<double, 4>& q) { return side(q) >= 0; })) continue;
        SentPoint* c = made[into].data();
        std::array<double, 4>* cc = madeClip[into].data();
        into ^= 1;
        int m = 0;
        for (int i = 0; i < n && m + 2 <= kMostCut; ++i) {
            const int j = (i + 1) % n;
            const double di = side(ca[size_t(i)]), dj = side(ca[size_t(j)]);
            if (di >= 0) c[size_t(m)] = a[size_t(i)], cc[size_t(m++)] = ca[size_t(i)];
            if ((di >= 0) != (dj >= 0)) crossing(a, ca, size_t(i), size_t(j), di, dj, colours, c[size_t(m)], cc[size_t(m)]), ++m;
        }
        n = m;
        a = c, ca = cc;
        if (n < 3) return;
    }
    for (int i = 2; i < n; ++i) out.push_back(a[0]), out.push_back(a[size_t(i - 1)]), out.push_back(a[size_t(i)]);
}

}  // namespace

bool drawCutToBoxes(const PieceList& list, const PointMaker& make) {
    const DeckView& view = make.View;
    static thread_local std::vector<SentPoint> cutSent;
    cutSent.clear();
    // Every point as sent and in clip coordinates, worked out once for all the boxes.
    static thread_local std::vector<SentPoint> pieceSent;
    static thread_local std::vector<std::array<double, 4>> pieceClip;
    pieceSent.clear(), pieceClip.clear();
    const DeckPoint* piece = list.Points;
    for (int k = 0; k < list.Pieces; piece += list.Counts[k++])
        for (int i = 0; i < list.Counts[k]; ++i) pieceSent.push_back(make.of(piece[i])), pieceClip.push_back(view.clip(piece[i]));
    bool drawn = false;
    for (size_t box = 0; box < view.Boxes.size(); ++box) {
        // Not where every point lies outside one side of the window drawn under the box.
        if (box < view.Windows.size() && view.Windows[box]->missesAll(list.Points, list.total())) continue;
        drawn = true;
        const auto& b = view.Boxes[box];
        const auto ndc = [&](int axis, int at) { return 2.0 * (at - view.Viewport[axis]) / view.Viewport[2 + axis] - 1; };
        const std::array<EdgePlane, 4> planes{
            {{0, 1, ndc(0, b[0])}, {0, -1, ndc(0, b[0] + b[2])}, {1, 1, ndc(1, b[1])}, {1, -1, ndc(1, b[1] + b[3])}}};
        size_t at = 0;
        for (int k = 0; k < list.Pieces; at += size_t(list.Counts[k++]))
            if (list.Counts[k] >= 3) cutPiece(&pieceSent[at], &pieceClip[at], list.Counts[k], planes, make.FogInVertices, cutSent);
    }
    if (!cutSent.empty()) {
        pointArrays(cutSent.data(), make.FogInVertices);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(cutSent.size()));
        if (view.Draws) ++*view.Draws;
    }
    return drawn;
}

}  // namespace pellam::worlddraw::sky
