#pragma once
// Where the world must still be drawn when something drawn over it last hides whole cells of the
// screen with opaque colour (the cockpit's upper wing across the top): outside this rectangle the
// scissor keeps the rasteriser from binning and walking blocks that cannot show.
#include <array>
#include <functional>

namespace pellam::render {

struct ScissorBox {
    int X = 0, Y = 0, Width = 0, Height = 0;  // px, from the window's bottom left
    bool empty() const { return Width <= 0 || Height <= 0; }
};

// The rectangle left when whole rows and columns of hidden cells are peeled off each side of
// `viewport` (x, y, width, height); empty when every cell is hidden. Cells `cell` px square run from
// its bottom left, `covered(i, j)` telling whether the cell i across and j up is hidden; a cell
// reaching past the viewport's edge counts as hidden only by what `covered` says of it.
ScissorBox openBounds(const std::array<int, 4>& viewport, int cell, const std::function<bool(int, int)>& covered);

}  // namespace pellam::render
