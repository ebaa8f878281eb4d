#include "game/VADArizodazar2.h"

#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "world/RIDUdidav.h"

namespace pellam {

VADArizodazar2::VADArizodazar2(Links links, Content content)
    : GameController(links), content_(std::move(content)) {
    draw_ = content_.draw ? content_.draw : missions::sharedDraw();
    fixedWorld_ = static_cast<bool>(content_.populateWorld);
}

void VADArizodazar2::awakeFromNib() { GameController::awakeFromNib(); }

std::unique_ptr<ControllerSound> VADArizodazar2::loadSoundGuy() {
    if (content_.makeSound)
        if (auto sound = content_.makeSound()) return sound;
    return GameController::loadSoundGuy();
}

void VADArizodazar2::doPlayerSignIn() {
    if (auto block = store_.dataForKey("PilotStatsKey")) {
        if (!decodePilotStats(*block, PilotStats)) {
            pilotBlockMessage = "The stored pilot records are " + std::to_string(block->size()) +
                                " bytes, not 1,660; they are left as they are and fresh records are used.";
            platform::logMessage(pilotBlockMessage);
        }
    }
    ui_.pilotRadio.clear();
    ui_.pilotRadio.setState(true, static_cast<int>(CurrentPilotNumber), 0);
    ui_.toPilotSignInWindow.makeKeyAndOrderFront();
    pilotsigninhasclosed = false;
}

void VADArizodazar2::fromPilotSignInOK() {
    PilotType& pilot = PilotStats[CurrentPilotNumber];
    if (pilot.PilotLives == 0 && pilot.StartDate == 0) pilot.PilotLives = 1;
    ui_.toPilotSignInWindow.close();
    pilotsigninhasclosed = true;
}

bool VADArizodazar2::handleThisMenu(int tag) {
    if (tag != kMenuSelectMission) return GameController::handleThisMenu(tag);
    gamePause = false;
    toMissionWindow.makeKeyAndOrderFront();
    HandleCursorType(0, true);
    return true;
}

void VADArizodazar2::fromFlyMissionButton() {
    // No world to fly in, or a mission that could not be started.
    if (!worldProblem.empty() || (!fixedWorld_ && !whyMissionCannotStart(CurrentMissionNumber).empty())) {
        platform::SystemBeep();
        return;
    }
    toMissionWindow.close();
    ShouldNotPlay = false;
    gamePause = true;
    HandleCursorType(1, MousePosFeedback);
}

void VADArizodazar2::doAfterPrefsChangeItems() {
    if (ModelArray* models = getModelArray())
        if (ZephModel* terrain = models->at(ModelArray::kTerrain)) terrain->setDrawDetail(DoDetailPass);
}

void VADArizodazar2::doFogCeiling() {
    if (auto* terrain = dynamic_cast<RIDUdidav*>(TheRIDUdidavWorld)) CloudLayerState = terrain->returnAbsoluteCloudLayerState();
}

const aiFlyToPoint* VADArizodazar2::getFlyToPoints() {
    missions::MissionData* mission = currentMission();
    return mission ? mission->FlyToPoints.data() : nullptr;
}

void VADArizodazar2::setNetworkAircraftTypeForAircraft(long aircraftNumber, int32_t type) {
    missions::MissionData* mission = currentMission();
    if (!mission || aircraftNumber < 1 || aircraftNumber >= ModelArray::kAircraftSlots) return;
    mission->AircraftStarts[aircraftNumber].AircraftType = type;
    mission->ResetAircraftStarts[aircraftNumber].AircraftType = type;
}

}  // namespace pellam
