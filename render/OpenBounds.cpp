#include "render/OpenBounds.h"

#include <algorithm>

namespace pellam::render {

ScissorBox openBounds(const std::array<int, 4>& viewport, int cell, const std::function<bool(int, int)>& covered) {
    if (cell <= 0 || viewport[2] <= 0 || viewport[3] <= 0) return {};
    const int across = (viewport[2] + cell - 1) / cell, down = (viewport[3] + cell - 1) / cell;
    // `covered` is asked only along the sides being peeled.
    const auto rowHidden = [&](int j, int i0, int i1) {
        for (int i = i0; i < i1; ++i)
            if (!covered(i, j)) return false;
        return true;
    };
    const auto columnHidden = [&](int i, int j0, int j1) {
        for (int j = j0; j < j1; ++j)
            if (!covered(i, j)) return false;
        return true;
    };
    // Whole hidden rows and columns peeled off each side until none is left at any.
    int i0 = 0, i1 = across, j0 = 0, j1 = down;
    for (bool peeled = true; peeled && i0 < i1 && j0 < j1;) {
        peeled = false;
        while (j0 < j1 && rowHidden(j1 - 1, i0, i1)) --j1, peeled = true;
        while (j0 < j1 && rowHidden(j0, i0, i1)) ++j0, peeled = true;
        while (i0 < i1 && columnHidden(i1 - 1, j0, j1)) --i1, peeled = true;
        while (i0 < i1 && columnHidden(i0, j0, j1)) ++i0, peeled = true;
    }
    if (i0 >= i1 || j0 >= j1) return {};
    const int x0 = i0 * cell, x1 = std::min(i1 * cell, viewport[2]);
    const int y0 = j0 * cell, y1 = std::min(j1 * cell, viewport[3]);
    return {viewport[0] + x0, viewport[1] + y0, x1 - x0, y1 - y0};
}

}  // namespace pellam::render
