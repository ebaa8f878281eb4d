// The lobby's entries into network play: hosting a mission, asking a host to join, ending.
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"

namespace pellam {

bool VADArizodazar2::hostNetworkGame(uint16_t port, long missionNumber) {
    if (network_->startNetworkRoutines(port, ControllerNetwork::kHostRole) != 0) return false;
    // The flight flown is hosted as it was flown (a dogfight again after a Quick Dogfight); a
    // mission chosen in Select Mission but not flown yet is hosted as that mission, by its own rules.
    if (missionNumber != mission_.CurrentMissionNumber) mission_.isDogfightOnly = false;
    if (mission_.TheMissions.record(missionNumber)) chooseMission(missionNumber);
    newDocument();
    return true;
}

bool VADArizodazar2::joinNetworkGame(uint32_t address, uint16_t port, int32_t team, int32_t aircraftType) {
    lobby_.TeamRequest = team >= 1 && team <= 4 ? team : 1;
    if (ZephModel* ours = modelAt(ModelArray::kFirstAircraft)) ours->setTeamNumber(lobby_.TeamRequest);
    if (aircraftType == 55 || aircraftType == 64 || aircraftType == 77) lobby_.JoinerTypeRequest = aircraftType;
    if (missions::MissionData* mission = currentMission()) {
        mission->AircraftStarts[0].AircraftType = lobby_.JoinerTypeRequest;
        mission->ResetAircraftStarts[0].AircraftType = lobby_.JoinerTypeRequest;
    }
    lobby_.JoinAddress = address;
    network_->setJoinerParticularsName(pilots_.PlayerNameString, lobby_.JoinAddress, lobby_.TeamRequest, 0, mission_.CurrentMissionNumber);
    return network_->startNetworkRoutines(port, ControllerNetwork::kJoinerRole) == 0;
}

void VADArizodazar2::endNetworkGame() {
    clock_.ShouldNotPlay = false;
    tellServerToEnd();
    network_->closeNetworkRoutines();
    for (long i = ModelArray::kFirstAircraft + 1; i < ModelArray::kDebris; ++i)
        if (ZephModel* aircraft = modelAt(i)) aircraft->setRemoteLocal(0);
    for (long n = 1; n < ModelArray::kAircraftSlots; ++n) restoreMissionAircraft(n);
}

}  // namespace pellam
