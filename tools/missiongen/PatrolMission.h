#pragma once
// The built-in missions this project writes at build time with the mission writer.
#include "missions/MissionFile.h"

namespace pellam::missiongen {

// Mission 0, "pellamm1": a morning patrol of four Camels along the Ancre, west of Albert, meeting a
// patrol of two Dr.Is and two D.VIIs coming over the lines.
void buildPatrolMission(missions::MissionData& record, missions::MissionTexts& texts);

}  // namespace pellam::missiongen
