#pragma once
// Helpers for building a mission record in code: the victory conditions cleared, an aircraft's
// start or restart record, and one placed object. The mission tools build the built-in missions
// with them.
#include "missions/MissionRecord.h"

namespace pellam::missions {

// Clears the victory conditions to "nothing required": counts, locations and times 0, the three
// location flags and the first speed flag 1, the first ten particular dead objects 0. The other
// fields keep their values.
void clearVictoryStructure(VictoryConditions& victory);

struct AircraftStartParameters {
    int32_t AircraftType = 55;
    int32_t LocationOffset = 0;
    int32_t StartType = 0;
    int32_t Team = 1;
    double MPH = 0, Heading = 0, Throttle = 0;
    bool WillComeBack = true;
    double Gear = 1.0, Flaps = 0.0;
    int32_t Bombs = 0;
};
// Writes those eleven fields into the start (fromStart) or restart record of aircraft n (0..7);
// an aircraft number outside 0..7 changes nothing.
void setAircraftStartParameters(MissionData& mission, long aircraft, const AircraftStartParameters& p, bool fromStart);

// Writes code, location, speed, heading, team and points of object row `row` (0..259); Seed and
// SubType keep their values. A row outside the list changes nothing.
void fillInObjectForMission(MissionData& mission, long row, int32_t code, double x, double y, double z, double speed,
                            double heading, int32_t team, int32_t points);

}  // namespace pellam::missions
