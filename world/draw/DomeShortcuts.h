#pragma once

namespace pellam::worlddraw {

// The dome's shortcuts, each the same picture and each off to compare: the rings the ground cannot
// hide drawn without the depth test (world/draw/DomeDepthTest.cpp) and rings whose picture is
// magnified read unmipped (MagnifiedRings.cpp). The plain drawing takes none.
struct DomeShortcuts {
    bool UntestedRings = true;
    bool RingsMagnified = true;
};

}  // namespace pellam::worlddraw
