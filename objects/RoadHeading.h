#pragma once
// Steering along the road drawn on a 1760-ft terrain square: fixed aim points laid along each road
// piece, chosen by where the vehicle stands in its square and which way it is going.
#include <cstdint>

#include "core/QNion.h"

namespace pellam::vehicles {

constexpr double kSquareFeet = 1760.0;

// Heading (rad, atan2(dx, dz): 0 along +Z, +pi/2 along +X) from the pose's X, Z to the aim point
// of road code `road` (the terrain's code less one), for a vehicle whose heading towards its next
// path point is `heading` (rad). -1.0 for a code the table does not know; nothing is kept.
double makeHeadingForRoad2(const QNion* pose, int32_t road, double heading);

}  // namespace pellam::vehicles
