#pragma once
// Helpers for building a mission record in code: the victory conditions cleared and one placed
// object. The mission tools build the built-in missions with them.
#include "missions/MissionRecord.h"

namespace pellam::missions {

// Clears the victory conditions to "nothing required": counts, locations and times 0, the three
// location flags and the first speed flag 1, the first ten particular dead objects 0. The other
// fields keep their values.
void clearVictoryStructure(VictoryConditions& victory);

// Writes code, location, speed, heading, team and points of object row `offset` (0..259); Seed
// and SubType keep their values. A row outside the list changes nothing.
void fillInObjectForMissionType(MissionData& mission, long offset, int32_t code, double PosX, double PosY, double PosZ,
                                double speed, double heading, int32_t team, int32_t points);

}  // namespace pellam::missions
