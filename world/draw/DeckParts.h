#pragma once
// The cloud decks' pieces, the view they are drawn under, and the shortcuts' entry points, shared
// between CloudDecks.cpp and the files beside it. Not for other drawers.
#include <functional>
#include <vector>

#include "world/draw/SkyParts.h"

namespace pellam::worlddraw::sky {

// A corner of a cloud deck's piece: eye-relative position (ft) and picture coordinates.
struct DeckPoint {
    float X, Y, Z, U, V;
};
constexpr int kMaxDeckPoints = 12;  // a quad cut by six planes has at most ten
// A deck piece nearer than the fog's start is drawn apart, without fog, only when it covers at
// least this share of the view that the cockpit leaves open: the edge between the pieces costs a row of
// partly covered blocks, and fogging a pixel costs about 25 instructions of the rasteriser's.
constexpr double kUnfoggedShare = 0.1;
// What the fog worked out at a deck's corners saves the rasteriser on each 4x4 block of it the
// view shows (instructions, measured), against TerrainDrawer::DeckFogCutCost.
constexpr double kFogSavedPerBlock = 80.0;
// The most a pixel's step may move over a deck's picture, in its first level's texels, where the
// GL is sure to magnify it: below one by the error of the rasteriser's quick logarithm and more.
constexpr double kMagnified = 0.85;
// The share of the view's open cells the magnified part must cover to be drawn apart.
constexpr double kMagnifiedShare = 0.1;

// The part of the convex polygon `in` where side(point) >= 0, into `out`; the number of its points.
// A cut point is found along its edge in the edge's own direction, so the two parts a plane makes
// share their cut points exactly.
template <class Side>
int keepWhere(const DeckPoint* in, int count, DeckPoint* out, const Side& side) {
    int kept = 0;
    for (int k = 0; k < count && kept + 2 <= kMaxDeckPoints; ++k) {
        const DeckPoint& a = in[k];
        const DeckPoint& b = in[(k + 1) % count];
        const double sa = side(a), sb = side(b);
        if (sa >= 0) out[kept++] = a;
        if ((sa >= 0) != (sb >= 0)) {
            // From the same end whichever way the edge runs: pieces on either side of it, wound
            // alike, meet at the same point.
            const bool ab = std::tie(a.X, a.Z, a.Y) < std::tie(b.X, b.Z, b.Y);
            const DeckPoint& p = ab ? a : b;
            const DeckPoint& q = ab ? b : a;
            const double sp = ab ? sa : sb, sq = ab ? sb : sa;
            const float f = float(sp / (sp - sq));
            out[kept++] = {p.X + (q.X - p.X) * f, p.Y + (q.Y - p.Y) * f, p.Z + (q.Z - p.Z) * f, p.U + (q.U - p.U) * f,
                           p.V + (q.V - p.V) * f};
        }
    }
    return kept;
}

// The matrices a deck is drawn under, and what shows of the viewport.
struct DeckView {
    std::array<float, 16> Modelview{}, Projection{};
    double FogStart = 0, FogEnd = 0;  // ft
    // The viewport, and what a cockpit drawn over the world hides of it (none: nothing).
    std::array<int, 4> Viewport{};
    const ScreenCover* Cover = nullptr;
    // Drawn under each of these scissor boxes in turn, where Boxed (none: nothing drawn), else as
    // the scissor stands.
    bool Boxed = false;
    std::span<const std::array<int, 4>> Boxes;
    std::span<const DrawnWindow* const> Windows;  // the drawn window under each box
    // The windows a piece is judged shown in (none: the scissor as it stands): the boxes' own, or
    // those of the boxes they were cut from, so that the pieces are drawn alike under both.
    std::span<const DrawnWindow* const> Judged;
    bool ColourInVertices = false;  // the current colour sent with the points, held flat
    // With it, a fogged piece's fog given in its vertices' colours: the picture times the colour
    // times the fog's factor, plus the fog's colour times what the factor leaves, added as the
    // secondary colour. The GL's linear fog, worked out at the corners: along the deck the factor
    // is affine, so interpolated it is the same at every pixel, where the rasteriser then reads
    // no fog colour or fog parameter.
    bool FogInVertices = false;
    std::array<GLfloat, 3> FogColour{};
    double CutCostPerPixel = 0;  // of a cut where the fog starts or ends, for each pixel of its length on the window
    long* FoggedInVertices = nullptr;  // counts the draws fogged so, where given

    // ft ahead of the eye, negative behind it.
    double ahead(const DeckPoint& p) const {
        const auto& m = Modelview;
        return -(double(m[2]) * p.X + double(m[6]) * p.Y + double(m[10]) * p.Z + m[14]);
    }
    // Clip coordinates.
    std::array<double, 4> clip(const DeckPoint& p) const {
        std::array<double, 4> e{}, c{};
        for (int i = 0; i < 4; ++i)
            e[i] = double(Modelview[i]) * p.X + double(Modelview[4 + i]) * p.Y + double(Modelview[8 + i]) * p.Z +
                   Modelview[12 + i];
        for (int i = 0; i < 4; ++i)
            c[i] = Projection[i] * e[0] + Projection[4 + i] * e[1] + Projection[8 + i] * e[2] + Projection[12 + i] * e[3];
        return c;
    }
    // The window position (px) of a point ahead of the eye, from its clip coordinates.
    std::array<double, 2> windowAt(const std::array<double, 4>& c) const {
        return {Viewport[0] + (c[0] / c[3] + 1) / 2 * Viewport[2], Viewport[1] + (c[1] / c[3] + 1) / 2 * Viewport[3]};
    }
    // The length (px) on the viewport of the line where the convex polygon crosses the plane `ahead`
    // ft ahead of the eye, measured at a few points along it.
    double crossingLength(const DeckPoint* in, int count, double at) const {
        std::array<DeckPoint, 2> ends{};
        int found = 0;
        for (int k = 0; k < count && found < 2; ++k) {
            const DeckPoint& a = in[k];
            const DeckPoint& b = in[(k + 1) % count];
            const double sa = ahead(a) - at, sb = ahead(b) - at;
            if ((sa >= 0) == (sb >= 0)) continue;
            const float f = float(sa / (sa - sb));
            ends[size_t(found++)] = {a.X + (b.X - a.X) * f, a.Y + (b.Y - a.Y) * f, a.Z + (b.Z - a.Z) * f, 0, 0};
        }
        if (found < 2) return 0.0;
        constexpr int kSteps = 32;
        double length = 0;
        std::array<double, 2> last{};
        bool lastShown = false;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            const DeckPoint p{float(ends[0].X + (ends[1].X - ends[0].X) * t), float(ends[0].Y + (ends[1].Y - ends[0].Y) * t),
                              float(ends[0].Z + (ends[1].Z - ends[0].Z) * t), 0, 0};
            const auto c = clip(p);
            const bool shown = c[3] > 0 && std::abs(c[0]) <= c[3] && std::abs(c[1]) <= c[3];
            const std::array<double, 2> w = shown ? windowAt(c) : std::array<double, 2>{};
            if (shown && lastShown) length += std::hypot(w[0] - last[0], w[1] - last[1]);
            last = w, lastShown = shown;
        }
        return length;
    }
    // The share of the viewport's cells whose centre the polygon covers and the cover leaves open,
    // 0..1: whatever part of the viewport is drawn, the same for the same view.
    double openShare(const DeckPoint* in, int count) const {
        constexpr int kCell = ScreenCover::kCell;
        const int across = (Viewport[2] + kCell - 1) / kCell, down = (Viewport[3] + kCell - 1) / kCell;
        if (across <= 0 || down <= 0) return 0.0;
        // Cut where w + z >= 0 (the near plane), then to the window, px.
        DeckPoint kept[kMaxDeckPoints];
        count = keepWhere(in, count, kept, [&](const DeckPoint& q) {
            const auto c = clip(q);
            return c[3] + c[2];
        });
        if (count < 3) return 0.0;
        std::array<std::array<double, 2>, kMaxDeckPoints> at{};
        for (int k = 0; k < count; ++k) {
            const auto c = clip(kept[k]);
            if (!(c[3] > 0)) return 0.0;
            at[k] = windowAt(c);
        }
        // Row by row of cells: the span of the polygon across the row's centre line; rows whose centre
        // line the polygon does not reach have none.
        double low = at[0][1], high = at[0][1];
        for (int k = 1; k < count; ++k) low = std::min(low, at[k][1]), high = std::max(high, at[k][1]);
        const double first = std::floor((low - Viewport[1]) / kCell - 0.5), last = std::ceil((high - Viewport[1]) / kCell);
        const int j0 = first > 0 ? int(std::min(first, double(down))) : 0;
        const int j1 = !(last < double(down)) ? down : last > 0 ? int(last) : 0;  // exclusive
        long open = 0;
        for (int j = j0; j < j1; ++j) {
            const double y = Viewport[1] + (j + 0.5) * kCell;
            double x0 = std::numeric_limits<double>::infinity(), x1 = -x0;
            for (int k = 0; k < count; ++k) {
                const auto& a = at[k];
                const auto& b = at[(k + 1) % count];
                if ((a[1] <= y) == (b[1] <= y)) continue;
                const double x = a[0] + (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]);
                x0 = std::min(x0, x), x1 = std::max(x1, x);
            }
            if (!(x1 >= x0)) continue;
            const int i0 = std::max(0, int(std::ceil((x0 - Viewport[0]) / kCell - 0.5)));
            const int i1 = std::min(across - 1, int(std::floor((x1 - Viewport[0]) / kCell - 0.5)));
            open += Cover ? Cover->openCells(j, i0, i1) : std::max(0, i1 - i0 + 1);
        }
        return double(open) / (double(across) * down);
    }
};

// The raise that keeps a piece's fog coordinates positive (see drawDeckPieces).
inline double fogRaise(const DeckPoint* piece, int count, const DeckView& view) {
    double raise = 0;
    for (int i = 0; i < count; ++i) raise = std::max(raise, 1.0 - view.ahead(piece[i]));
    return raise;
}

// Pieces of a deck, `counts[k]` points each one after another, fogged by their distance ahead of
// the eye or not at all. The GL takes the magnitude of a fog coordinate at each vertex, which
// behind the eye is not the distance interpolated; so every coordinate is raised by the same
// amount to stay positive, and the fog's start and end with it. A single piece is sent as a fan
// (a whole deck keeps the two triangles of its quad), several as the triangles of their fans.
void drawDeckPieces(const DeckPoint* points, const int* counts, int pieces, const DeckView& view, bool fogged,
                    double raise);

inline void drawDeckPiece(const DeckPoint* piece, int count, const DeckView& view, bool fogged) {
    drawDeckPieces(piece, &count, 1, view, fogged, fogRaise(piece, count, view));
}

// A deck's pieces gathered for drawing: their points one piece after another.
struct DeckPieces {
    std::vector<DeckPoint> Points;
    std::vector<int> Counts;
    void clear() { Points.clear(), Counts.clear(); }
    void add(const DeckPoint* p, int n) {
        if (n < 3) return;
        Points.insert(Points.end(), p, p + n);
        Counts.push_back(n);
    }
    void draw(const DeckView& view, bool fogged, double raise) const {
        drawDeckPieces(Points.data(), Counts.data(), int(Counts.size()), view, fogged, raise);
    }
};

// A deck's point as the GL is sent it.
struct SentPoint {
    float X, Y, Z, U, V, Fog;
    std::array<GLfloat, 4> Colour;
    std::array<GLfloat, 3> Secondary;  // the fog's share, where fogged in the vertices
};

// Pieces of a deck, `Counts[k]` points each one after another.
struct PieceList {
    const DeckPoint* Points;
    const int* Counts;
    int Pieces;
};

// How a deck's points are sent: fogged by their distance ahead, raised by Raise, or not at all;
// in the colour that was current, with the fog worked out in it where FogInVertices.
struct PointMaker {
    const DeckView& View;
    bool Fogged = false, FogInVertices = false;
    double Raise = 0;
    std::array<GLfloat, 4> Colour{1, 1, 1, 1};
    SentPoint of(const DeckPoint& p) const;
};

// Points the arrays in use at `points`.
inline void pointArrays(const SentPoint* points, bool secondary) {
    glFogCoordPointer(GL_FLOAT, sizeof(SentPoint), &points[0].Fog);
    glColorPointer(4, GL_FLOAT, sizeof(SentPoint), points[0].Colour.data());
    if (secondary) glSecondaryColorPointer(3, GL_FLOAT, sizeof(SentPoint), points[0].Secondary.data());
    glTexCoordPointer(2, GL_FLOAT, sizeof(SentPoint), &points[0].U);
    glVertexPointer(3, GL_FLOAT, sizeof(SentPoint), &points[0].X);
}

// Whether fogged pieces go with their fog worked out at their corners; if so `pieces` becomes their
// bands between the fog's start and end (none: nothing to draw). See DeckFogInVertices.cpp.
bool fogInVertices(PieceList& pieces, const DeckView& view);
// A point's colour times the fog's factor at `ahead` ft, and the fog's colour times the rest as its
// secondary colour. See DeckFogInVertices.cpp.
void fogInColours(SentPoint& point, double ahead, const DeckView& view);

// The steepest climb from the eye to the ground within `reach` (see DeckOverGround.cpp).
double steepestGround(const RIDUdidav& t, const Eye& eye, double reach, double highest, double least);
// Whether a level deck `height` ft off the eye shows nowhere the ground does (see DeckOverGround.cpp).
bool deckClearOfGround(const RIDUdidav& t, const Eye& eye, double height, double reach, double highest);
// The highest post of the ground within `reach` of the eye (ft); minus infinity without ground.
double highestGround(const RIDUdidav& t, const Eye& eye, double reach);

}  // namespace pellam::worlddraw::sky

namespace pellam::worlddraw {

// A frame's cloud decks as they are drawn: the view, what the GL's state allows, and the windows
// under the scissor boxes (CloudDecks.cpp), with the shortcuts' steps in the files beside it.
struct TerrainDrawer::DeckPass {
    // A deck's layer: its picture and how it is read.
    struct Layer {
        float Alpha = 1;  // of the deck's colour
        GLint MinFilter = 0, MagFilter = 0;
        Levels Sound;
        double Texel = 0;  // ft a texel of the first level spans; 0: not known
    };
    // One side of a deck (its underside or top), level `Y` ft off the eye.
    struct Side {
        float Y = 0;
        bool Above = false;  // above the eye
        sky::DeckPoint Quad[4];
        // Where Apart, the part nearer than the fog's start and the rest.
        bool Apart = false;
        sky::DeckPoint NearPart[sky::kMaxDeckPoints], FarPart[sky::kMaxDeckPoints];
        int NearCount = 0, FarCount = 0;
        double Half = 0;  // ft: the square round the eye's foot where the picture is magnified for sure
    };

    // Scissor boxes a side is drawn under (none, where not Boxed: as the scissor stands), each as
    // it stands clipped to the scissor, with the window drawn under it.
    struct BoxSet {
        bool Boxed = false;
        std::array<std::array<int, 4>, sky::kMostBoxes> Live{};
        std::vector<sky::DrawnWindow> Windows;
        std::array<int, sky::kMostBoxes> From{};  // the given box each was cut from
        int Count = 0;
        void read(std::span<const std::array<int, 4>> boxes, std::span<const int> from = {});
    };

    DeckPass(TerrainDrawer& drawer, const RIDUdidav& t, const Eye& eye, const ScreenCover* cover);
    void readBoxes(std::span<const std::array<int, 4>> boxes, const std::array<double, 4>& depths);
    void drawLayer(const CloudLayer& layer, const GLNameOfSlot& glName, const std::array<float, 3>& light);

    // CloudDecks.cpp
    void readProjection();
    void drawSide(const Layer& layer, double height, float shade, const std::array<float, 3>& light);
    void drawUnder(const Layer& layer, const Side& side, const BoxSet& set);
    void drawWhole(const Layer& layer, const Side& side);
    // DeckOverGround.cpp
    void partBoxes(const std::array<double, 4>& depths);
    // UnfoggedNearDecks.cpp
    void splitAtFogStart(Side& side);
    // MagnifiedDecks.cpp
    double magnifiedHalf(const Layer& layer, double h) const;
    void sortBoxes(const Side& side, const BoxSet& set);
    void drawMagnified(const Layer& layer, const Side& side);

    TerrainDrawer& Drawer;
    const RIDUdidav& T;
    const Eye& E;
    double Reach = 0, FogStart = 0;  // ft
    static constexpr double kTile = 24000.0;  // ft one picture of the deck spans
    float U0 = 0, V0 = 0, Span = 0;  // the picture's coordinates under the eye, and its span to the fog's end
    sky::DeckView View;
    bool GroundOnly = false;  // the depth buffer holds the ground alone, save within the objects' box
    double Highest = std::numeric_limits<double>::quiet_NaN();  // the ground's highest post within reach, found when first asked
    double Focal = 0;           // px: the window's focal length
    bool Perspective = false;
    // The boxes given; where objects were drawn in part of the window, the same cut into those
    // over the objects' box (Near) and those clear of it (Clear), where Parted. Of a side, those it
    // is drawn under whole and those it is cut round its magnified square under.
    BoxSet Given, Near, Clear;
    bool Parted = false;
    std::array<std::array<int, 4>, sky::kMostBoxes> Whole{}, Cut{};
    std::array<const sky::DrawnWindow*, sky::kMostBoxes> WholeWindows{}, CutWindows{};
    int WholeCount = 0, CutCount = 0;
    std::array<const sky::DrawnWindow*, sky::kMostBoxes> JudgedWhole{}, JudgedCut{};  // of the given boxes
    int JudgedWholeCount = 0, JudgedCutCount = 0;
    sky::DeckPieces NearPieces, FarPieces, NearMagnified, FarMagnified;
};

}  // namespace pellam::worlddraw
