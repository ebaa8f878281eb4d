#pragma once

namespace pellam::worlddraw {

// The dome's shortcuts, each the same picture and each off to compare: the rings the ground cannot
// hide drawn without the depth test (world/draw/DomeDepthTest.cpp), rings whose picture is
// magnified read unmipped (MagnifiedRings.cpp), only the runs of each ring's quads that can reach
// the window sent (RingRuns, SkyDome.cpp), and the dome drawn through a widened view
// (WidenedView.cpp). The plain drawing takes none.
struct DomeShortcuts {
    bool UntestedRings = true;
    bool RingsMagnified = true;
    bool RingRuns = true;
    bool WidenedView = true;
};

}  // namespace pellam::worlddraw
