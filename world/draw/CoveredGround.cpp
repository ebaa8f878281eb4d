// Ground squares wholly behind the cockpit's cover, which is drawn over them later in opaque colour,
// are not sent: no pixel of theirs would stay (switch LeavesCoveredOut). Saves, in instructions a
// frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke):
// 2.7, 5.7, 0, 0.3, 0 M.
#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

bool behindCover(const ScreenCover& cover, const ViewFrustum& view, int i, int j, double low, double high, const Eye& eye) {
    const double x0 = i * kSquareFeet - eye.X, z0 = j * kSquareFeet - eye.Z;
    // Most squares are not: the box's middle tells them at a ninth of the cost.
    double mx, my;
    if (!view.window(x0 + kSquareFeet / 2, (low + high) / 2, z0 + kSquareFeet / 2, mx, my) || cover.openAt(mx, my))
        return false;
    double wx0, wy0, wx1, wy1;
    return view.windowBox(x0, low, z0, x0 + kSquareFeet, high, z0 + kSquareFeet, wx0, wy0, wx1, wy1) &&
           cover.hides(wx0, wy0, wx1, wy1);
}

}  // namespace pellam::worlddraw
