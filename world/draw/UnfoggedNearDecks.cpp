// A deck side's part nearer than the fog's start, which the fog leaves as it is, is drawn apart
// without fog, so the rasteriser fogs none of its pixels; only where it covers enough of the view
// the cockpit leaves open, as the edge between the parts costs a row of partly covered blocks and
// fogging a pixel about 25 instructions. The fog's factor there is one either way, so every pixel
// stays the same. Saves, in instructions a frame of the game frame benchmark (cockpit_camel,
// cockpit_dvii, chase, low_front, wreck_smoke): 0, 4.6, 5.6, 0, 7.8 M.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

void TerrainDrawer::DeckPass::splitAtFogStart(Side& side) {
    const auto beyond = [&](const DeckPoint& p) { return View.ahead(p) - FogStart; };
    const auto within = [&](const DeckPoint& p) { return FogStart - View.ahead(p); };
    side.NearCount = keepWhere(side.Quad, 4, side.NearPart, within);
    side.Apart = Drawer.UnfoggedDeckPieces && !Drawer.Exact && View.openShare(side.NearPart, side.NearCount) >= kUnfoggedShare;
    side.FarCount = side.Apart ? keepWhere(side.Quad, 4, side.FarPart, beyond) : 0;
    Drawer.DecksApart += side.Apart;
}

}  // namespace pellam::worlddraw
