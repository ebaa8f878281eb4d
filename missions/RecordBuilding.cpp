#include "missions/RecordBuilding.h"

namespace pellam::missions {

void clearVictoryStructure(VictoryConditions& v) {
    v.TotalLandings = 0;
    v.MustBeAlive = 0;
    for (int k = 0; k < 3; ++k) v.Location1[k] = v.Location2[k] = v.Location3[k] = 0.0;
    v.SpeedMPH1 = 0.0;
    v.Kills = v.TeamKills = v.Points = 0;
    v.MustWinInXTicks = v.DontCheckForWinForXTicks = 0;
    for (int k = 0; k < 10; ++k) v.ParticularDeadObjects[k] = 0;
    v.Location1Flags = v.Speed1Flags = v.Location2Flags = v.Location3Flags = 1;
}

void fillInObjectForMissionType(MissionData& mission, long row, int32_t code, double x, double y, double z,
                                double speed, double heading, int32_t team, int32_t points) {
    if (row < 0 || row >= kMaxObjects) return;
    ObjectForMission& o = mission.ObjectList[row];
    o.ObjectCode = code;
    o.Location[0] = x;
    o.Location[1] = y;
    o.Location[2] = z;
    o.SpeedMPH = speed;
    o.Heading = heading;
    o.Team = team;
    o.Points = points;
}

}  // namespace pellam::missions
