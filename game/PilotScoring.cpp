#include "game/PilotScoring.h"

namespace pellam {

void PilotScoring::startGame() {
    AircraftResults = {};
    TeamResults = {};  // the kills line shows them before the first tally of the new game
    LeftTeamKills = {};
    Landings = 0;
    DeadObjectPoints = 0;
    onlineGameCredited_ = false;
}

bool PilotScoring::countLiveTick() {
    PilotAliveTime += 1;
    if (PilotAliveTime <= 60 || CurrentPilotNumber < 0 || CurrentPilotNumber >= kPilotCount) return false;
    PilotType& pilot = PilotStats[CurrentPilotNumber];
    addToCounter(pilot.PilotFlightTime, 1);
    PilotAliveTime -= 60;
    return pilot.PilotFlightTime % 60 == 0;
}

bool PilotScoring::creditObject(int32_t category, int32_t points) {
    if (CurrentPilotNumber < 0 || CurrentPilotNumber >= kPilotCount) return false;
    if (category < 0 || category >= int32_t(PilotType{}.ObjectKillCounts.size())) category = 0;
    PilotType& pilot = PilotStats[CurrentPilotNumber];
    addToCounter(pilot.ObjectKillCounts[category], 1);
    addToCounter(pilot.PilotScore, points);
    return true;
}

}  // namespace pellam
