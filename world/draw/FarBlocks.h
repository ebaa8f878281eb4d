#pragma once
// Far ground squares of one colour merged into larger blocks: fewer, larger triangles for the
// rasteriser, which pays for every triangle and for every 4x4 pixel block each one touches. No GL.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace pellam::worlddraw {

// Squares (I0, J0) .. (I0 + Across - 1, J0 + Down - 1) of the grid, each with a key: 0 keeps the
// square as it is; squares of one key may be drawn together. Blocks are aligned to their size on
// the whole grid, so a block merged this frame is the same block the next.
struct BlockGrid {
    int I0 = 0, J0 = 0, Across = 0, Down = 0;
    std::vector<uint8_t> Keys;   // per square, row by row
    std::vector<uint8_t> Sizes;  // per square: the size of the block it was merged into; 0: none

    void reset(int i0, int j0, int across, int down);
    bool holds(int i, int j) const { return i >= I0 && j >= J0 && i < I0 + Across && j < J0 + Down; }
    size_t at(int i, int j) const { return size_t(j - J0) * size_t(Across) + size_t(i - I0); }
    uint8_t sizeAt(int i, int j) const { return holds(i, j) ? Sizes[at(i, j)] : 0; }
};

// Whether the posts of the block of `size` squares from (i, j) all lie within `tolerance` (ft) of the
// plane through its corners (i, j), (i + size, j) and (i, j + size).
bool postsOnOnePlane(const std::function<float(int, int)>& height, int i, int j, int size, double tolerance);

// Marks in `grid.Sizes` the blocks drawn whole: for each size of `sizes` (largest first), every
// aligned block not yet taken whose squares all hold one key and whose posts lie on one plane within
// `tolerance(i, j, size)` ft.
void mergeBlocks(BlockGrid& grid, const std::function<float(int, int)>& height,
                 const std::function<double(int, int, int)>& tolerance, const std::vector<int>& sizes);

// The block's sides that must pass through every post along them, as bits (0: j, 1: i + size,
// 2: j + size, 3: i): those whose neighbour across is not a block of the same size, and so has
// corners there. A side drawn through only its two ends would leave T-junctions, where the GL's
// rounding can open a pixel between the two.
uint8_t sidesWithPosts(const BlockGrid& grid, int i, int j, int size);

// The triangles (posts as offsets from the block's corner, counter-clockwise seen from above) of a
// square block of `size` squares (even, or 1) whose sides of `sides` pass through each post along
// them: a fan from a corner between two sides without, the one that leaves the fewest; where every
// corner meets such a side, a fan from the middle post. With no such side, the two triangles cut
// along the diagonal from corner 0 (0, 0) when `diagonal0`, else from corner 1 (size, 0).
using PostOffset = std::array<int, 2>;
void blockTriangles(int size, uint8_t sides, bool diagonal0, std::vector<std::array<PostOffset, 3>>& out);

}  // namespace pellam::worlddraw
