#pragma once
// The frame's decisions without GL: frame time, camera items, the second window's size and label,
// and the identification squares' band and size.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pellam::render {

// Ticks since the previous frame, 0 to 120 (a clock set back counts as none).
inline int32_t frameTicks(int32_t now, int32_t last) {
    return std::clamp<int32_t>(int32_t(uint32_t(now) - uint32_t(last)), 0, 120);
}

// A cockpit camera item: a model index from 2 inside the array, else -1.
inline long checkedCameraItem(long item, long modelCount) {
    return item > 1 && (modelCount <= 0 || item < modelCount) ? item : -1;
}

// The second window: 30 % of the view, rounded down, at least 8 pixels each way.
inline int secondWindowSide(int viewSide) { return std::max(8, int(viewSide * 0.3)); }

// Length-prefixed " #n " for the aircraft at model index 2..9 (aircraft 1..8); false outside.
inline bool secondWindowLabel(long modelIndex, unsigned char* out) {
    if (modelIndex < 2 || modelIndex > 9) return false;
    out[0] = 4;
    out[1] = ' ';
    out[2] = '#';
    out[3] = static_cast<unsigned char>('0' + modelIndex - 1);
    out[4] = ' ';
    return true;
}

// Half side of an identification square over a point (x right, y up, z ahead, ft), as a fraction
// of z; 0 for no square. Normal rule: beyond 1000 ft, shrinking from 0.025 at 1000 ft to 0.005 at
// 5000 ft. Close-in rule: from 600 ft (full size to 1000 ft) up to 2400 ft, shrinking the same way
// between; at exactly 2400 ft it is full size again. Points right of or above the 45-degree lines
// get none (those left and below lie outside the view anyway).
inline double idSquareFactor(double x, double y, double z, bool closeIn, bool normal) {
    const bool byNormal = normal && z > 1000.0;
    if (!(x < z && y < z) || !(byNormal || (closeIn && z > 600.0))) return 0.0;
    if (!normal && z > 2400.0) return 0.0;
    if (byNormal || (closeIn && z > 1000.0 && z < 2400.0)) return (5000.0 - std::min(z - 1000.0, 4000.0)) * 0.000005;
    return 0.025;
}

}  // namespace pellam::render
