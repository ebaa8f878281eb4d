#pragma once
// The patrol's ground attack, the first half of its turn: shared by the pilot's top level and the
// ground-attack file only.
#include <cstdint>

#include "flight/Aircraft.h"
#include "core/ZephModel.h"

namespace pellam::ai {

// A target too far off for the attack run, handed to the patrol for its long-range approach.
struct FarTarget {
    bool set = false;
    double bearing = 0;    // world bearing to it, deg
    double above = 0;      // own height above it, ft
    double targetMph = 0;  // its speed
};

// True when the attack took the controls for this step; otherwise the patrol flies, and `far`
// tells it about a target 8000 ft or more away.
bool groundAttackStep(ZephModel* aircraft, Aircraft& a, ModelArray* objects, int32_t missionTime, FarTarget& far);
void longRangeApproach(ZephModel* aircraft, Aircraft& a, const FarTarget& far);
// A relative bearing r (deg) doubled until it is 3 or more either way, toward the side of bx;
// 0 (or no number) starts from 3 on that side rather than doubling forever.
double widenedBearing(double r, double bx);

}  // namespace pellam::ai
