#include "game/VADArizodazar2.h"

#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "platform/Log.h"

namespace pellam {

void VADArizodazar2::awakeFromNib() { GameController::awakeFromNib(); }

std::unique_ptr<ControllerSound> VADArizodazar2::loadSoundGuy() {
    if (content_.makeSound)
        if (auto sound = content_.makeSound()) return sound;
    return GameController::loadSoundGuy();
}

void VADArizodazar2::preloadGameSpecificItems() {
    ModelArray* models = getModelArray();
    if (!models) return;
    models->clear();
    if (content_.populateWorld) content_.populateWorld(*models, *this);
    // Whatever the content left empty still answers every operation.
    for (long i = 0; i <= ModelArray::kGroundClutter; ++i)
        if (!models->at(i)) models->put(i, std::make_unique<ZephModel>());
    for (long i = 0; i < models->size(); ++i)
        if (ZephModel* model = models->at(i)) model->setaController(this);
    for (int k = 0; k < kPilotCount; ++k) ui_.pilotNameFields[k].stringValue = "Pilot " + std::to_string(k + 1);
}

void VADArizodazar2::doPlayerSignIn() {
    PilotStatsLoaded = true;
    if (store_.hasKey("PilotStatsKey")) {
        const auto block = store_.dataForKey("PilotStatsKey");
        if (!block || !decodePilotStats(*block, PilotStats)) {
            // Left in the store untouched: the quit does not save over records it could not read.
            PilotStatsLoaded = false;
            pilotBlockMessage =
                (block ? "The stored pilot records are " + std::to_string(block->size()) + " bytes, not 1,660"
                       : std::string("The stored pilot records cannot be decoded")) +
                "; they are left as they are in " + store_.filePath() +
                ". Fresh records are used this time and are not saved over them.";
            platform::logMessage(pilotBlockMessage);
            tellPlayer(pilotBlockMessage);
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
    if (!worldProblem.empty()) {  // there is no world to fly in
        platform::SystemBeep();
        return;
    }
    toMissionWindow.close();
    ShouldNotPlay = false;
    gamePause = true;
    HandleCursorType(1, MousePosFeedback);
}

// The current mission again from its start: every aircraft back where it began, the clock at 0.
void VADArizodazar2::newDocument() {
    ModelArray* models = getModelArray();
    if (!models) return;
    if (ReplayFlag) endReplay();
    for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
        if (ZephModel* model = models->at(i)) model->resetModel();
    GlobalMissionTime = 0;
    SpecialCameraPosition = 0;
    CameraAircraft = ModelArray::kFirstAircraft;
}

// Until missions carry start and restart entries, both put the aircraft back where it began.
void VADArizodazar2::startThisAircraft(long aircraftNumber, bool) {
    if (aircraftNumber < 0 || aircraftNumber >= ModelArray::kAircraftSlots) return;
    if (ZephModel* aircraft = modelAt(aircraftNumber + ModelArray::kFirstAircraft)) aircraft->resetModel();
}

void VADArizodazar2::doAfterPrefsChangeItems() {
    if (ModelArray* models = getModelArray())
        if (ZephModel* terrain = models->at(ModelArray::kTerrain)) terrain->setDrawDetail(DoDetailPass);
}

}  // namespace pellam
