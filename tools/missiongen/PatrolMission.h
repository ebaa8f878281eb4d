#pragma once
// Mission 0, "pellamm1", as its description in the missions folder has it.
#include <string>

#include "missions/MissionFile.h"

namespace pellam::missiongen {

// A morning patrol of four Camels along the Ancre, west of Albert, meeting a patrol of two Dr.Is
// and two D.VIIs coming over the lines. Empty on success, else why the description was refused.
std::string buildPatrolMission(missions::MissionData& record, missions::MissionTexts& texts);

}  // namespace pellam::missiongen
