#pragma once
// The path table: the mission's 200 fly-to points, one row each, shown and typed as short codes.
// Columns by identifier: 1 row number, 2 position "x, height, z", 3 throttle, 4 climb/dive speed,
// 5 gear Up/Down, 6 flaps %, 7 brakes On/off, 8 and 9 the two target objects packed into
// PSTargets, 10 the path letters, 11 the next point's row number. Every text the table shows
// reads back to the same record when typed again.
#include <string>

#include "missions/MissionRecord.h"

namespace pellam::builder {

inline constexpr int kPathTableRows = missions::kFlyToPoints;

// Path-letter bits of aiFlyToPoint::Flags.
inline constexpr int32_t kPathLetterD = 0x40, kPathLetterS = 0x80, kPathLetterW = 0x100, kPathLetterK = 0x200,
                         kPathLetterR = 0x400;
inline constexpr int32_t kPathLetters = 0x7C0;

// The text of one cell; "nothing" for an unknown column, "" for a row outside the table.
std::string pathCellText(const missions::MissionData& mission, int row, int column);

// Takes a typed cell into the record. A height typed into the position becomes
// `lastEnteredWayPointAlt` (the height of points set from the camera). Answers whether the
// drawn paths changed (position or link), so the view must be drawn again.
bool setPathCell(missions::MissionData& mission, int row, int column, const std::string& text,
                 double& lastEnteredWayPointAlt);

// The two object indexes of PSTargets (high, low), each 0..65,535 whatever the record holds.
struct PathTargets {
    int32_t high = 0, low = 0;
};
PathTargets pathTargets(double psTargets);

}  // namespace pellam::builder
