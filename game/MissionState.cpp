#include "game/MissionState.h"

namespace pellam {

bool MissionState::keepAircraft(long n) {
    const missions::MissionData* mission = current();
    if (!mission || n < 1 || n >= ModelArray::kAircraftSlots) return false;
    if (!keptMissionAircraft_[n].kept)
        keptMissionAircraft_[n] = {true, CurrentMissionNumber, mission->AircraftStarts[n].AircraftType,
                                   mission->ResetAircraftStarts[n].AircraftType, mission->DogfightOnlyTeams[n]};
    return true;
}

MissionState::KeptMissionAircraft MissionState::takeKeptAircraft(long n) {
    if (n < 1 || n >= ModelArray::kAircraftSlots || !keptMissionAircraft_[n].kept) return {};
    KeptMissionAircraft kept = keptMissionAircraft_[n];
    keptMissionAircraft_[n].kept = false;
    return kept;
}

}  // namespace pellam
