#pragma once

namespace pellam::worlddraw {

// The dome's shortcuts, each the same picture and each off to compare: the rings the ground cannot
// hide drawn without the depth test (world/draw/DomeDepthTest.cpp), an alpha test that passes every
// fragment turned off (DomeAlphaTest.cpp), and rings whose picture is magnified read unmipped
// (MagnifiedRings.cpp). The plain drawing takes none.
struct DomeShortcuts {
    bool UntestedRings = true;
    bool AlphaTestDropped = true;
    bool RingsMagnified = true;
};

}  // namespace pellam::worlddraw
