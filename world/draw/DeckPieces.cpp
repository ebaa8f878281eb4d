// A cloud deck's pieces sent to the GL.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

// Pieces of a deck, `counts[k]` points each one after another, fogged by their distance ahead of
// the eye or not at all. The GL takes the magnitude of a fog coordinate at each vertex, which
// behind the eye is not the distance interpolated; so every coordinate is raised by the same
// amount to stay positive, and the fog's start and end with it. A single piece is sent as a fan
// (a whole deck keeps the two triangles of its quad), several as the triangles of their fans.
void sky::drawDeckPieces(const DeckPoint* points, const int* counts, int pieces, const DeckView& view, bool fogged,
                    double raise) {
    if (pieces <= 0 || (pieces == 1 && counts[0] < 3) || (view.Boxed && view.Boxes.empty())) return;
    // The fog's factor is affine only between its start and end, and clamped beyond them: a piece
    // fogged in its vertices is cut there into bands, each affine across. A cut that shows costs
    // the rasteriser a row of partly covered blocks on either side of it, more than the fog per
    // pixel saves on a deck's share of the view; so the fog is left to the GL where a piece has
    // more than one band that can reach the window drawn.
    bool fogInVertices = fogged && view.FogInVertices && view.ColourInVertices && view.FogEnd > view.FogStart;
    if (fogInVertices) {
        static thread_local std::vector<DeckPoint> bandPoints;
        static thread_local std::vector<int> bandCounts;
        bandPoints.clear(), bandCounts.clear();
        std::optional<DrawnWindow> whole;  // the scissor as it stands, where no boxes are given
        if (view.Windows.empty()) whole.emplace();
        const auto reaches = [&](const DeckPoint* p, int n) {
            const auto reachesWindow = [&](const DrawnWindow& window) { return !window.missesAll(p, n); };
            if (whole) return reachesWindow(*whole);
            return std::any_of(view.Windows.begin(), view.Windows.end(),
                               [&](const DrawnWindow* w) { return reachesWindow(*w); });
        };
        const auto within = [&](const DeckPoint& p) { return view.FogStart - view.ahead(p); };
        const auto beyond = [&](const DeckPoint& p) { return view.ahead(p) - view.FogStart; };
        const auto beforeEnd = [&](const DeckPoint& p) { return view.FogEnd - view.ahead(p); };
        const auto pastEnd = [&](const DeckPoint& p) { return view.ahead(p) - view.FogEnd; };
        // A piece whose cuts show pays for them where, with the rest, it saves more on its blocks.
        double cutLength = 0, blocks = 0;
        const DeckPoint* at = points;
        for (int k = 0; k < pieces; at += counts[k++]) {
            const int n = std::min(counts[k], kMaxDeckPoints);
            std::array<std::array<DeckPoint, kMaxDeckPoints>, 3> bands{};
            DeckPoint rest[kMaxDeckPoints];
            std::array<int, 3> sizes{};
            sizes[0] = keepWhere(at, n, bands[0].data(), within);
            // Both bands past the start are cut from the same part, so they share their points.
            const int m = keepWhere(at, n, rest, beyond);
            sizes[1] = keepWhere(rest, m, bands[1].data(), beforeEnd);
            sizes[2] = keepWhere(rest, m, bands[2].data(), pastEnd);
            int shown = 0;
            for (size_t b = 0; b < bands.size(); ++b) shown += sizes[b] >= 3 && reaches(bands[b].data(), sizes[b]);
            if (shown > 1) {
                cutLength += (sizes[0] >= 3 ? view.crossingLength(at, n, view.FogStart) : 0.0) +
                             (sizes[2] >= 3 ? view.crossingLength(at, n, view.FogEnd) : 0.0);
                blocks += view.openShare(at, n) * view.Viewport[2] * view.Viewport[3] / 16.0;
            }
            for (size_t b = 0; b < bands.size(); ++b)
                if (sizes[b] >= 3) {
                    bandPoints.insert(bandPoints.end(), bands[b].begin(), bands[b].begin() + sizes[b]);
                    bandCounts.push_back(sizes[b]);
                }
        }
        fogInVertices = cutLength * view.CutCostPerPixel <= blocks * kFogSavedPerBlock;
        if (fogInVertices && bandCounts.empty()) return;
        if (fogInVertices) points = bandPoints.data(), counts = bandCounts.data(), pieces = int(bandCounts.size());
    }
    if (fogInVertices) {
        if (view.FoggedInVertices) ++*view.FoggedInVertices;
        glDisable(GL_FOG);
        glEnable(GL_COLOR_SUM);
    } else if (fogged) {
        glEnable(GL_FOG);
        glFogf(GL_FOG_START, float(view.FogStart + raise));
        glFogf(GL_FOG_END, float(view.FogEnd + raise));
    } else {
        glDisable(GL_FOG);
    }
    // Given with the points and held flat, the colour is the one left current at every pixel.
    GLfloat colour[4] = {1, 1, 1, 1};
    GLint shading = GL_SMOOTH;
    if (view.ColourInVertices) {
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetIntegerv(GL_SHADE_MODEL, &shading);
        shadeModel(fogInVertices ? GL_SMOOTH : GL_FLAT);
    }
    GLfloat secondary[4] = {0, 0, 0, 0};
    if (fogInVertices) glGetFloatv(GL_CURRENT_SECONDARY_COLOR, secondary);
    // The vertices GL is sent, once for every scissor box: a single piece's as they stand (a quad
    // or a fan), several pieces' as the triangles of their fans.
    struct Sent {
        float X, Y, Z, U, V, Fog;
        std::array<GLfloat, 4> Colour;
        std::array<GLfloat, 3> Secondary;  // the fog's share, where fogged in the vertices
    };
    static thread_local std::vector<Sent> sent;  // kept from call to call: no allocation a frame
    sent.clear();
    const auto sentOf = [&](const DeckPoint& p) {
        const double ahead = view.ahead(p);
        const float fog = fogged ? float(ahead + raise) : 0.0f;
        if (!fogInVertices) return Sent{p.X, p.Y, p.Z, p.U, p.V, fog, {colour[0], colour[1], colour[2], colour[3]}, {}};
        const double f = std::clamp((view.FogEnd - ahead) / (view.FogEnd - view.FogStart), 0.0, 1.0);
        const auto& c = view.FogColour;
        return Sent{p.X, p.Y, p.Z, p.U, p.V, fog,
                    {float(colour[0] * f), float(colour[1] * f), float(colour[2] * f), colour[3]},
                    {float(c[0] * (1 - f)), float(c[1] * (1 - f)), float(c[2] * (1 - f))}};
    };
    const auto send = [&](const DeckPoint& p) { sent.push_back(sentOf(p)); };
    if (pieces == 1) {
        for (int i = 0; i < counts[0]; ++i) send(points[i]);
    } else {
        const DeckPoint* at = points;
        for (int k = 0; k < pieces; at += counts[k++])
            for (int i = 2; i < counts[k]; ++i) send(at[0]), send(at[i - 1]), send(at[i]);
    }
    const GLenum primitive = pieces > 1 ? GL_TRIANGLES : counts[0] == 4 ? GL_QUADS : GL_TRIANGLE_FAN;
    bool drawn = false;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    useArrays(view.ColourInVertices, fogged && !fogInVertices);
    if (fogInVertices) glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
    if (!sent.empty()) {
        glFogCoordPointer(GL_FLOAT, sizeof(Sent), &sent[0].Fog);
        glColorPointer(4, GL_FLOAT, sizeof(Sent), sent[0].Colour.data());
        if (fogInVertices) glSecondaryColorPointer(3, GL_FLOAT, sizeof(Sent), sent[0].Secondary.data());
        glTexCoordPointer(2, GL_FLOAT, sizeof(Sent), &sent[0].U);
        glVertexPointer(3, GL_FLOAT, sizeof(Sent), &sent[0].X);
    }
    // Whether every point lies outside one side of the window drawn under the box.
    const auto missesBox = [&](size_t box) {
        if (box >= view.Windows.size()) return false;
        int total = 0;
        for (int k = 0; k < pieces; ++k) total += counts[k];
        return view.Windows[box]->missesAll(points, total);
    };
    if (view.Boxed && view.CutsToBoxes) {
        // Each scissor box changes the rasteriser's fragment state, which it copies (some 33 KB)
        // at the next draw. Cut instead to the part of the view each box's window shows: the
        // points' picture and fog coordinates and colour are linear across the deck's plane, so
        // the points made where the cuts cross its edges carry the values the GL would interpolate
        // there, and every pixel centre lies half a pixel off a box's edge, inside or outside it.
        static thread_local std::vector<Sent> cutSent;
        cutSent.clear();
        // Every point as sent and in clip coordinates, worked out once for all the boxes.
        static thread_local std::vector<Sent> pieceSent;
        static thread_local std::vector<std::array<double, 4>> pieceClip;
        pieceSent.clear(), pieceClip.clear();
        const DeckPoint* piece = points;
        for (int k = 0; k < pieces; piece += counts[k++])
            for (int i = 0; i < counts[k]; ++i)
                pieceSent.push_back(sentOf(piece[i])), pieceClip.push_back(view.clip(piece[i]));
        // A convex piece gains at most a point a cut.
        constexpr int kMostCut = kMaxDeckPoints + 4;
        for (size_t box = 0; box < view.Boxes.size(); ++box) {
            if (missesBox(box)) continue;
            drawn = true;
            const auto& b = view.Boxes[box];
            // Window x or y past an edge as a plane in clip coordinates: c[axis] - edge c.w >= 0
            // (or its negative for the far edge), with the edge in normalised device units.
            const auto ndc = [&](int axis, int at) { return 2.0 * (at - view.Viewport[axis]) / view.Viewport[2 + axis] - 1; };
            const std::array<std::array<double, 3>, 4> planes{{{0, 1, ndc(0, b[0])},
                                                                {0, -1, ndc(0, b[0] + b[2])},
                                                                {1, 1, ndc(1, b[1])},
                                                                {1, -1, ndc(1, b[1] + b[3])}}};
            const auto cutPiece = [&](const Sent* in, const std::array<double, 4>* inClip, int n) {
                // Cut plane by plane into one of two buffers in turn; a plane every point lies
                // inside leaves the piece as it is.
                std::array<std::array<Sent, kMostCut>, 2> made;
                std::array<std::array<std::array<double, 4>, kMostCut>, 2> madeClip;
                size_t into = 0;
                const Sent* a = in;
                const std::array<double, 4>* ca = inClip;
                n = std::min(n, kMaxDeckPoints);
                for (const auto& plane : planes) {
                    const auto side = [&](const std::array<double, 4>& q) {
                        return plane[1] * (q[size_t(plane[0])] - plane[2] * q[3]);
                    };
                    if (std::all_of(ca, ca + n, [&](const std::array<double, 4>& q) { return side(q) >= 0; })) continue;
                    Sent* c = made[into].data();
                    std::array<double, 4>* cc = madeClip[into].data();
                    into ^= 1;
                    int m = 0;
                    for (int i = 0; i < n && m + 2 <= kMostCut; ++i) {
                        const int j = (i + 1) % n;
                        const double di = side(ca[size_t(i)]), dj = side(ca[size_t(j)]);
                        if (di >= 0) c[size_t(m)] = a[size_t(i)], cc[size_t(m++)] = ca[size_t(i)];
                        if ((di >= 0) != (dj >= 0)) {
                            // Worked out from the edge's ends in one order whichever way the piece
                            // runs, so that two pieces sharing the edge share the point to the bit.
                            size_t lo = size_t(i), hi = size_t(j);
                            double dlo = di, dhi = dj;
                            if (std::tie(a[hi].X, a[hi].Z, a[hi].Y) < std::tie(a[lo].X, a[lo].Z, a[lo].Y))
                                std::swap(lo, hi), std::swap(dlo, dhi);
                            const double t = dlo / (dlo - dhi);
                            const Sent &p = a[lo], &q = a[hi];
                            const auto mix = [t](float x, float y) { return float(x + t * (double(y) - x)); };
                            Sent& made = c[size_t(m)];
                            made = {mix(p.X, q.X), mix(p.Y, q.Y), mix(p.Z, q.Z), mix(p.U, q.U), mix(p.V, q.V),
                                    mix(p.Fog, q.Fog), p.Colour, p.Secondary};
                            if (fogInVertices) {
                                for (size_t r = 0; r < 4; ++r) made.Colour[r] = mix(p.Colour[r], q.Colour[r]);
                                for (size_t r = 0; r < 3; ++r) made.Secondary[r] = mix(p.Secondary[r], q.Secondary[r]);
                            }
                            for (size_t r = 0; r < 4; ++r) cc[size_t(m)][r] = ca[lo][r] + t * (ca[hi][r] - ca[lo][r]);
                            ++m;
                        }
                    }
                    n = m;
                    a = c, ca = cc;
                    if (n < 3) return;
                }
                for (int i = 2; i < n; ++i) cutSent.push_back(a[0]), cutSent.push_back(a[size_t(i - 1)]), cutSent.push_back(a[size_t(i)]);
            };
            size_t at = 0;
            for (int k = 0; k < pieces; at += size_t(counts[k++]))
                if (counts[k] >= 3) cutPiece(&pieceSent[at], &pieceClip[at], counts[k]);
        }
        if (!cutSent.empty()) {
            glFogCoordPointer(GL_FLOAT, sizeof(Sent), &cutSent[0].Fog);
            glColorPointer(4, GL_FLOAT, sizeof(Sent), cutSent[0].Colour.data());
            if (fogInVertices) glSecondaryColorPointer(3, GL_FLOAT, sizeof(Sent), cutSent[0].Secondary.data());
            glTexCoordPointer(2, GL_FLOAT, sizeof(Sent), &cutSent[0].U);
            glVertexPointer(3, GL_FLOAT, sizeof(Sent), &cutSent[0].X);
            glDrawArrays(GL_TRIANGLES, 0, GLsizei(cutSent.size()));
            if (view.Draws) ++*view.Draws;
        }
    } else {
        static thread_local std::vector<GLint> firsts;  // of the runs of pieces sent under a box
        static thread_local std::vector<GLsizei> runs;
        forEachScissorBox(view.Boxes, [&](size_t box) {
            if (sent.empty()) return;
            // Not sent under a box whose window every point lies outside one side of; of several
            // pieces, only the runs of those that can reach the window, in their order.
            if (box < view.Windows.size()) {
                const DrawnWindow& window = *view.Windows[box];
                firsts.clear(), runs.clear();
                bool open = false;
                GLint first = 0;
                const DeckPoint* p = points;
                for (int k = 0; k < pieces; p += counts[k++]) {
                    const bool outside = window.missesAll(p, counts[k]);
                    const GLsizei sends = pieces > 1 ? 3 * std::max(counts[k] - 2, 0) : GLsizei(sent.size());
                    if (!outside && open) runs.back() += sends;
                    if (!outside && !open) firsts.push_back(first), runs.push_back(sends);
                    open = !outside;
                    first += sends;
                }
                if (firsts.empty()) return;
                glMultiDrawArrays(primitive, firsts.data(), runs.data(), GLsizei(firsts.size()));
            } else {
                glDrawArrays(primitive, 0, GLsizei(sent.size()));
            }
            drawn = true;
            if (view.Draws) ++*view.Draws;
        });
    }
    glPopClientAttrib();
    // What the last vertex leaves current, as when the points were sent one by one.
    if (drawn) {
        if (fogged) glFogCoordf(sent.back().Fog);
        glTexCoord2f(sent.back().U, sent.back().V);
    }
    if (view.ColourInVertices) {
        shadeModel(GLenum(shading));
        glColor4fv(colour);
    }
    if (fogInVertices) {
        glDisable(GL_COLOR_SUM);
        glSecondaryColor3fv(secondary);
    }
}

}  // namespace pellam::worlddraw
