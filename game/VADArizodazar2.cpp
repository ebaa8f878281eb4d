#include "game/VADArizodazar2.h"

#include <string>

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

namespace {

std::string pilotNameKey(int pilot) { return "Pilot" + std::to_string(pilot + 1) + "NameKey"; }

// The first `n` characters of a UTF-8 name, never half of one.
std::string firstCharacters(const std::string& name, size_t n) {
    size_t at = 0;
    for (size_t kept = 0; at < name.size() && kept < n; ++kept) {
        ++at;
        while (at < name.size() && (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80) ++at;
    }
    return name.substr(0, at);
}

constexpr size_t kPilotNameCharacters = 14;

}  // namespace

void VADArizodazar2::doPlayerSignIn() {
    // The stored choice may come from an older or a hand-edited file: only pilots 0..4 exist.
    const int64_t chosen = store_.integerForKey("PilotNumberKey").value_or(0);
    CurrentPilotNumber = chosen >= 0 && chosen < kPilotCount ? static_cast<long>(chosen) : 0;
    for (int k = 0; k < kPilotCount; ++k)
        if (auto name = store_.stringForKey(pilotNameKey(k))) ui_.pilotNameFields[k].stringValue = *name;
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
    for (int k = 0; k < kPilotCount; ++k) {
        std::string& name = ui_.pilotNameFields[k].stringValue;
        name = firstCharacters(name, kPilotNameCharacters);
        store_.setString(pilotNameKey(k), name);
    }
    CurrentPilotNumber = 0;
    for (int row = 0; row < kPilotCount; ++row)
        if (ui_.pilotRadio.cellAt(row, 0)) CurrentPilotNumber = row;
    store_.setInteger("PilotNumberKey", CurrentPilotNumber);
    // Kept at once: a game that is killed rather than quit still knows who flew.
    store_.synchronize();
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
    centreTheMouseStick();
}

// The current mission again from its start: every aircraft started afresh, every other object
// back where it began, the clock at 0.
void VADArizodazar2::newDocument() {
    ModelArray* models = getModelArray();
    if (!models) return;
    if (ReplayFlag) endReplay();
    for (long n = 0; n < ModelArray::kAircraftSlots; ++n) startThisAircraft(n, true);
    for (long i = ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; i < models->size(); ++i)
        if (ZephModel* model = models->at(i)) model->resetModel();
    GlobalMissionTime = 0;
    SpecialCameraPosition = 0;
    CameraAircraft = ModelArray::kFirstAircraft;
}

// Until missions carry start and restart entries, both start the aircraft as it first started:
// the reset empties its records, the content sets it up flying again.
void VADArizodazar2::startThisAircraft(long aircraftNumber, bool) {
    if (aircraftNumber < 0 || aircraftNumber >= ModelArray::kAircraftSlots) return;
    ZephModel* aircraft = modelAt(aircraftNumber + ModelArray::kFirstAircraft);
    if (!aircraft) return;
    aircraft->resetModel();
    if (content_.startAircraft) content_.startAircraft(aircraftNumber, *aircraft);
}

void VADArizodazar2::doAfterPrefsChangeItems() {
    if (ModelArray* models = getModelArray())
        if (ZephModel* terrain = models->at(ModelArray::kTerrain)) terrain->setDrawDetail(DoDetailPass);
}

}  // namespace pellam
