// A cloud deck's pieces sent to the GL as arrays: fogged by their distance ahead, in the colour
// current (held flat), under each scissor box in turn, fogged in the GL or in their vertices
// (DeckFogInVertices.cpp). Under a box only the runs of pieces that can reach its window are sent:
// a piece all of whose points lie outside one side of it lights no pixel there. The deck's one
// colour sent with its points and held flat, rather than left current for the rasteriser to fetch
// at each pixel, saves, in instructions a frame of the game frame benchmark (cockpit_camel,
// cockpit_dvii, chase, low_front, wreck_smoke): 0.6, 5.0, 6.0, 0.7, 14.9 M.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

SentPoint PointMaker::of(const DeckPoint& p) const {
    const double ahead = View.ahead(p);
    SentPoint s{p.X, p.Y, p.Z, p.U, p.V, Fogged ? float(ahead + Raise) : 0.0f, Colour, {}};
    if (FogInVertices) fogInColours(s, ahead, View);
    return s;
}

namespace {

// The fog as the points are sent: worked out in their colours, left to the GL with its start and
// end raised as their coordinates are, or off.
void setDeckFog(const DeckView& view, bool fogged, bool inVertices, double raise) {
    if (inVertices) {
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
}

// The vertices GL is sent, once for every scissor box: a single piece's as they stand (a quad or a
// fan), several pieces' as the triangles of their fans. Kept from call to call: no allocation a frame.
const std::vector<SentPoint>& sentPoints(const PieceList& list, const PointMaker& make) {
    static thread_local std::vector<SentPoint> sent;
    sent.clear();
    const auto send = [&](const DeckPoint& p) { sent.push_back(make.of(p)); };
    if (list.Pieces == 1) {
        for (int i = 0; i < list.Counts[0]; ++i) send(list.Points[i]);
    } else {
        const DeckPoint* at = list.Points;
        for (int k = 0; k < list.Pieces; at += list.Counts[k++])
            for (int i = 2; i < list.Counts[k]; ++i) send(at[0]), send(at[i - 1]), send(at[i]);
    }
    return sent;
}

// The points sent under each scissor box in turn, as the scissor stands where there are none. Not
// under a box whose window every point lies outside one side of; of several pieces, only the runs
// of those that can reach the window, in their order. Whether any were sent.
bool drawUnderEachBox(const PieceList& list, const DeckView& view, const std::vector<SentPoint>& sent) {
    static thread_local std::vector<GLint> firsts;  // of the runs of pieces sent under a box
    static thread_local std::vector<GLsizei> runs;
    const GLenum primitive = list.Pieces > 1 ? GL_TRIANGLES : list.Counts[0] == 4 ? GL_QUADS : GL_TRIANGLE_FAN;
    bool drawn = false;
    forEachScissorBox(view.Boxes, [&](size_t box) {
        if (sent.empty()) return;
        if (box < view.Windows.size()) {
            const DrawnWindow& window = *view.Windows[box];
            firsts.clear(), runs.clear();
            bool open = false;
            GLint first = 0;
            const DeckPoint* p = list.Points;
            for (int k = 0; k < list.Pieces; p += list.Counts[k++]) {
                const bool outside = window.missesAll(p, list.Counts[k]);
                const GLsizei sends = list.Pieces > 1 ? 3 * std::max(list.Counts[k] - 2, 0) : GLsizei(sent.size());
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
    });
    return drawn;
}

}  // namespace

// Pieces of a deck, `counts[k]` points each one after another, fogged by their distance ahead of
// the eye or not at all. The GL takes the magnitude of a fog coordinate at each vertex, which
// behind the eye is not the distance interpolated; so every coordinate is raised by the same
// amount to stay positive, and the fog's start and end with it. A single piece is sent as a fan
// (a whole deck keeps the two triangles of its quad), several as the triangles of their fans.
void sky::drawDeckPieces(const DeckPoint* points, const int* counts, int pieces, const DeckView& view, bool fogged,
                         double raise) {
    if (pieces <= 0 || (pieces == 1 && counts[0] < 3) || (view.Boxed && view.Boxes.empty())) return;
    PieceList list{points, counts, pieces};
    PointMaker make{view, fogged, false, raise};
    make.FogInVertices = fogged && view.FogInVertices && view.ColourInVertices && view.FogEnd > view.FogStart &&
                         fogInVertices(list, view);
    if (make.FogInVertices && list.Pieces == 0) return;
    setDeckFog(view, fogged, make.FogInVertices, raise);
    // Given with the points and held flat, the colour is the one left current at every pixel.
    GLint shading = GL_SMOOTH;
    if (view.ColourInVertices) {
        glGetFloatv(GL_CURRENT_COLOR, make.Colour.data());
        glGetIntegerv(GL_SHADE_MODEL, &shading);
        shadeModel(make.FogInVertices ? GL_SMOOTH : GL_FLAT);
    }
    GLfloat secondary[4] = {0, 0, 0, 0};
    if (make.FogInVertices) glGetFloatv(GL_CURRENT_SECONDARY_COLOR, secondary);
    const std::vector<SentPoint>& sent = sentPoints(list, make);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    useArrays(view.ColourInVertices, fogged && !make.FogInVertices);
    if (make.FogInVertices) glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
    if (!sent.empty()) pointArrays(sent.data(), make.FogInVertices);
    const bool drawn = drawUnderEachBox(list, view, sent);
    glPopClientAttrib();
    // What the last vertex leaves current, as when the points were sent one by one.
    if (drawn) {
        if (fogged) glFogCoordf(sent.back().Fog);
        glTexCoord2f(sent.back().U, sent.back().V);
    }
    if (view.ColourInVertices) {
        shadeModel(GLenum(shading));
        glColor4fv(make.Colour.data());
    }
    if (make.FogInVertices) {
        glDisable(GL_COLOR_SUM);
        glSecondaryColor3fv(secondary);
    }
}

}  // namespace pellam::worlddraw
