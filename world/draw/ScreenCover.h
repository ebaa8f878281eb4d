#pragma once
// The part of the screen that something drawn last hides with opaque colour whatever lies behind
// it (the cockpit's wing, cowling and guns), kept as a coarse grid of cells: a cell counts only
// when the GL fills every pixel in it with some opaque polygon, whether one polygon holds the cell
// whole or panels meeting at shared edges do between them. What lies behind a rectangle of counted
// cells can be left out without changing a pixel. The cockpit's cover marked so, with all that
// reads it (the world and the objects left out behind it, the cockpit's slice of the depths),
// saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 53.3, 28.1, 0, 66.7, 0 M; the cover drawn in colour before the world
// rather than marked and drawn again after it (render/FrameDraw.cpp) 13.9, 10.5, 0, 13.9, 0 M.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace pellam::worlddraw {

class ScreenCover {
public:
    static constexpr int kCell = 16;  // px across a cell

    // Starts an empty cover for the loaded projection and viewport, and the GL's facing rules.
    void begin();
    // Forgets the cover: nothing is hidden.
    void clear();
    // A polygon of `count` points drawn as GL `primitive` (triangles, quads, a strip, a fan or a
    // convex polygon), the points' positions at `xyz` every `stride` bytes, numbered by `items`,
    // under `modelview`. `culled`: the GL leaves out the faces its cull mode names.
    void addPolygon(const double* modelview, const uint8_t* xyz, size_t stride, const uint16_t* items, int count,
                    int primitive, bool culled);
    // Readies the counted cells for `hides`, once every polygon is in.
    void finish();
    // Whether the window rectangle (pixels, x right, y up; inclusive) lies wholly in counted cells.
    bool hides(double x0, double y0, double x1, double y1) const;
    // Whether the point (pixels) lies in no counted cell: then nothing round it is hidden.
    bool openAt(double x, double y) const {
        const double cx = std::floor((x - Viewport[0]) / kCell), cy = std::floor((y - Viewport[1]) / kCell);
        if (!(cx >= 0 && cy >= 0 && cx < Across && cy < Down)) return true;
        return !Covered[size_t(cy) * size_t(Across) + size_t(cx)];
    }
    bool empty() const { return Cells == 0; }
    // The cell i across and j up from the viewport's bottom left: whether it is counted, and how
    // far ahead of the eye (ft) the parts that fill it reach at most (infinite where it is open):
    // what lies farther off there fails the depth test.
    bool hidesCell(int i, int j) const {
        return i >= 0 && j >= 0 && i < Across && j < Down && Covered[size_t(j) * size_t(Across) + size_t(i)];
    }
    // How many of the cells i0..i1 of row j are not counted, those outside the grid among them.
    int openCells(int j, int i0, int i1) const {
        if (i1 < i0) return 0;
        int open = i1 - i0 + 1;
        if (j < 0 || j >= Down) return open;
        const uint8_t* row = Covered.data() + size_t(j) * size_t(Across);
        for (int i = std::max(i0, 0), end = std::min(i1, Across - 1); i <= end; ++i) open -= row[i] != 0;
        return open;
    }
    float cellReach(int i, int j) const { return hidesCell(i, j) ? Reach[size_t(j) * size_t(Across) + size_t(i)] : kOpen; }
    // Whether cell (i, j) hides what lies farther than `depth` ft ahead of the eye: its parts all lie
    // nearer, by far more than the depth buffer's steps a few feet out.
    bool hidesCellBeyond(int i, int j, double depth) const { return cellReach(i, j) * kDepthMargin < depth; }
    static constexpr double kDepthMargin = 1.01;

private:
    struct Point {
        double X = 0, Y = 0;  // window, px
    };
    struct Clipped {
        double X = 0, Y = 0, Z = 0, W = 0;  // clip coordinates
    };
    struct Placed {
        Clipped C;
        float Model[3];  // ft, as given
    };
    void eye(const Placed& p, double* out) const;  // ft, eye frame: under the last modelview
    // The points through the modelview and the projection.
    void toClip(const double* modelview, const uint8_t* xyz, size_t stride, const uint16_t* items, int count);
    bool drawnFacing(double area, bool culled) const;
    // Counts the cells wholly inside a convex outline, wound either way, of a part reaching `reach` ft ahead.
    void markConvex(const Point* p, int n, float reach);
    // Counts the cells whose every pixel centre some kept outline holds, once all are in: an edge two
    // outlines share end for end, one on each side, leaves no pixel between them open.
    void markSeams();
    // The steps of markSeams, in order, and what they share.
    struct SeamGrid {
        int Width = 0, Height = 0, Words = 0;  // px of whole cells, and 64-bit words a row of Filled
        double X0 = 0, Y0 = 0;                 // the first pixel centre, px
        // The rows and columns of pixels any outline marks: no cell outside them can count.
        int RowLow = 0, RowHigh = -1, ColumnLow = 0, ColumnHigh = -1;
    };
    struct OutlineRows {
        int R0 = 0, R1 = -1;    // the rows of pixel centres it may hold, inclusive
        int Cx0 = 0, Cx1 = -1;  // the columns of cells under it
        double Least = 0, Most = 0;  // its outline's x, px
    };
    void findSharedEdges(size_t outlines);  // fills Shared
    SeamGrid seamGrid() const;
    // Marks the pixel centres outline `o` holds in Filled, and its reach over the cells under it.
    void fillOutline(size_t o, SeamGrid& grid);
    OutlineRows boundOutline(size_t o, const SeamGrid& grid);  // and its left and right edges, in Lefts and Rights
    void fillRows(const OutlineRows& rows, SeamGrid& grid);
    void countFilledCells(const SeamGrid& grid);  // and clears Filled again
    // Marks what the GL fills of a flat convex piece of `n` points, cut at the near and far planes;
    // false when the piece, so cut, is not a flat convex outline whose triangles fill it.
    bool addPiece(const Placed* const* p, int n, bool culled);

    std::array<double, 16> Projection{};
    std::array<double, 16> Modelview{}, Clip{};  // the last modelview, and the projection times it
    std::array<int, 4> Viewport{};
    int Across = 0, Down = 0;  // cells
    bool CullFront = false, CullBack = false, FrontIsCCW = true;
    std::vector<uint8_t> Covered;      // Across x Down, row by row from the bottom
    std::vector<int32_t> OpenBefore;   // (Across + 1) x (Down + 1): open cells below and left of each corner
    long Cells = 0;                     // counted cells
    static constexpr float kOpen = std::numeric_limits<float>::infinity();
    std::vector<float> Reach;           // per cell: ft ahead of the eye that its filling parts reach at most
    std::vector<float> SeamReach;       // per cell: the farthest any kept outline over it reaches, ft
    std::vector<Placed> Points;
    std::vector<Clipped> CutA, CutB;
    std::vector<Point> Outline;
    std::vector<Point> Kept;           // every drawn outline's points, wound anticlockwise, one after another
    std::vector<int> KeptFirst;        // where each outline starts in Kept, and its end last
    std::vector<float> KeptReach;      // per outline: ft ahead of the eye that its part reaches
    std::vector<uint8_t> Shared;       // per point of Kept: its edge to the next point is shared
    std::vector<uint64_t> Filled;      // pixel centres held, a bit each, row by row from the bottom; clear between frames
    // Scratch kept from frame to frame, so a frame allocates nothing once the cover has been seen.
    struct Edge {
        double X0, Y0, X1, Y1;  // the lower end first
        bool Reversed;
        int At;  // its first point in Kept
    };
    struct EdgeKey {
        uint64_t Hash;   // of the edge's ends
        uint32_t Index;  // in Edges
    };
    struct Bound {
        double At, Slope;  // x = At + Slope y, px
    };
    std::vector<Edge> Edges;
    std::vector<EdgeKey> EdgeOrder;
    std::vector<Bound> Lefts, Rights;  // an outline's left and right ends along the rows
    std::vector<const Placed*> Piece;
};

}  // namespace pellam::worlddraw
