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
    fixedWorld_ = static_cast<bool>(content_.populateWorld);
}

void VADArizodazar2::awakeFromNib() { GameController::awakeFromNib(); }

std::unique_ptr<ControllerSound> VADArizodazar2::loadSoundGuy() {
    if (content_.makeSound)
        if (auto sound = content_.makeSound()) return sound;
    return GameController::loadSoundGuy();
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
    // No world to fly in, or a mission that could not be started.
    if (!worldProblem.empty() || (!fixedWorld_ && !whyMissionCannotStart(CurrentMissionNumber).empty())) {
        platform::SystemBeep();
        return;
    }
    toMissionWindow.close();
    ShouldNotPlay = false;
    gamePause = true;
    HandleCursorType(1, MousePosFeedback);
    centreTheMouseStick();
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
