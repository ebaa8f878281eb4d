#include "game/VADArizodazar2.h"

#include <string>

#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "world/RIDUdidav.h"

namespace pellam {

VADArizodazar2::VADArizodazar2(Links links, Content content)
    : GameController(links), content_(std::move(content)) {
    draw_ = content_.draw ? content_.draw : missions::sharedDraw();
    scene_.fixedWorld_ = static_cast<bool>(content_.populateWorld);
}

// The builder hands the terrain back before the fields it would go into are gone.
VADArizodazar2::~VADArizodazar2() { missionBuilder_.returnTerrain(); }

void VADArizodazar2::awakeFromNib() { GameController::awakeFromNib(); }

std::unique_ptr<ControllerSound> VADArizodazar2::loadSoundGuy() {
    if (content_.makeSound)
        if (auto sound = content_.makeSound()) return sound;
    return GameController::loadSoundGuy();
}

void VADArizodazar2::doAfterPrefsChangeItems() {
    if (ModelArray* models = getModelArray())
        if (ZephModel* terrain = models->at(ModelArray::kTerrain)) terrain->setDrawDetail(prefs_.DoDetailPass);
}

void VADArizodazar2::doFogCeiling() {
    if (auto* terrain = dynamic_cast<RIDUdidav*>(scene_.TheRIDUdidavWorld)) mission_.CloudLayerState = terrain->returnAbsoluteCloudLayerState();
}

const aiFlyToPoint* VADArizodazar2::getFlyToPoints() {
    missions::MissionData* mission = currentMission();
    return mission ? mission->FlyToPoints.data() : nullptr;
}

void VADArizodazar2::setNetworkAircraftTypeForAircraft(long aircraftNumber, int32_t type) {
    missions::MissionData* mission = currentMission();
    if (!mission || aircraftNumber < 1 || aircraftNumber >= ModelArray::kAircraftSlots) return;
    keepMissionAircraft(aircraftNumber);
    mission->AircraftStarts[aircraftNumber].AircraftType = type;
    mission->ResetAircraftStarts[aircraftNumber].AircraftType = type;
}

void VADArizodazar2::keepMissionAircraft(long n) { mission_.keepAircraft(n); }

void VADArizodazar2::restoreMissionAircraft(long n, bool now) {
    const MissionState::KeptMissionAircraft kept = mission_.takeKeptAircraft(n);
    if (!kept.kept) return;
    missions::MissionData* mission = mission_.TheMissions.record(kept.mission);
    if (!mission) return;
    mission->AircraftStarts[n].AircraftType = kept.type;
    mission->ResetAircraftStarts[n].AircraftType = kept.resetType;
    mission->DogfightOnlyTeams[n] = kept.team;
    if (!now || kept.mission != mission_.CurrentMissionNumber) return;
    if (ZephModel* aircraft = modelAt(n + ModelArray::kFirstAircraft)) aircraft->setTeamNumber(static_cast<int32_t>(kept.team));
    startThisAircraft(n, true);
}

}  // namespace pellam
