#include "game/BuilderLink.h"

#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "world/RIDUdidav.h"

namespace pellam {

void BuilderLink::beep() { platform::SystemBeep(); }
void BuilderLink::tellPlayer(const std::string& text) { game_.tellPlayer(text); }

std::unique_ptr<ZephModel> BuilderLink::lendTerrain() {
    game_.setRunning(false);
    game_.view().sceneChanged();
    ModelArray* models = game_.getModelArray();
    lentFrom_ = models ? models->indexOf(game_.keptScene().TheRIDUdidavWorld) : -1;
    if (lentFrom_ >= 0) return models->take(lentFrom_);
    return game_.takeKeptTerrain();
}

void BuilderLink::returnTerrain(std::unique_ptr<ZephModel> terrain) {
    if (!terrain) return;
    if (auto* grid = dynamic_cast<RIDUdidav*>(terrain.get())) grid->setGL(builderView());
    ModelArray* models = game_.getModelArray();
    if (models && lentFrom_ >= 0 && !models->at(lentFrom_)) models->put(lentFrom_, std::move(terrain));
    else game_.keepTerrain(std::move(terrain));
    lentFrom_ = -1;
    game_.view().sceneChanged();
}

// One view and one GL context serve the game and the builder.
ViewServices* BuilderLink::builderView() { return game_.objectView(); }
ControllerServices* BuilderLink::controller() { return &game_; }
double BuilderLink::missionHaze() { return game_.missionState().MissionHaze; }

std::array<missions::CloudLayer, 3> BuilderLink::missionLayers() {
    const missions::MissionData* mission = game_.currentMission();
    return mission ? mission->Layers : std::array<missions::CloudLayer, 3>{};
}

bool BuilderLink::reloadUserMissionsWanted() { return game_.prefs().ReloadUserMissions; }
void BuilderLink::reloadUserMissions() { game_.reloadUserMissionsInBackground(); }
double BuilderLink::secondsSince2001() { return game_.secondsSince2001(); }
void BuilderLink::viewNeedsDrawing() { game_.view().sceneChanged(); }
std::optional<std::string>& BuilderLink::lastOpenedMission() { return game_.lastOpenedMission(); }
std::string BuilderLink::missionsFolder() { return game_.userMissionsFolder(); }

void VADArizodazar2::fromMBMenu(int tag) {
    toMyZephGLView->sceneChanged();
    missionBuilder_.fromMBMenu(tag);
    // The builder takes the place of the mission window.
    if (tag == kMenuOpenBuilder && MBWindowOpen) missionWindow.toSelectMission.close();
}

ModelArray* VADArizodazar2::getArrayForTerrain(long* builder) {
    if (!MBWindowOpen) return GameController::getArrayForTerrain(builder);
    if (builder) *builder = 1;
    return &missionBuilder_.MBArray;
}

bool VADArizodazar2::drawBuilderFrame() {
    if (!MBWindowOpen) return false;
    clock_.gamePause = false;  // the game stays paused while its terrain is the builder's
    toMyZephGLView->drawBuilder(missionBuilder_);
    return true;
}

}  // namespace pellam
