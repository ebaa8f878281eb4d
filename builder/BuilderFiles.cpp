#include <algorithm>
#include <cmath>
#include <filesystem>

#include "aircraft/FlyableAircraft.h"
#include "builder/BuilderOpen.h"
#include "builder/BuilderSave.h"
#include "builder/MissionBuilder.h"
#include "builder/TextValues.h"
#include "platform/Log.h"
#include "platform/Paths.h"

// Saving and opening mission files: the file controls, the save sheet and the open panel.
namespace pellam::builder {
namespace {

namespace fs = std::filesystem;

bool fileExists(const std::optional<std::string>& path) {
    std::error_code ignored;
    return path && fs::is_regular_file(*path, ignored);
}

// A name typed into the save sheet names a file in the missions folder, nothing else.
bool plainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::vector<std::string> missionFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (missions::confirmFileIsMission(it->path().string())) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string BuilderHost::missionsFolder() { return platform::necessaryDataFolder() + "/Missions/"; }

bool MissionBuilder::fileAction(int tag) {
    FileSheets& files = controls_.files;
    switch (tag) {
        case kTagSave:
        case kTagSaveAs: saveMission(tag); return true;
        case kTagOpen:
            controls_.showsWorldMap = false;
            files.openChoices = missionFilesIn(host_->missionsFolder());
            files.openChoice = -1;
            files.openShown = true;
            return true;
        case kTagReopen:
            if (fileExists(MBFileName)) openMission(*MBFileName);
            else if (fileExists(LastOpenedMission())) openMission(*LastOpenedMission());
            return true;
        default: return false;
    }
}

void MissionBuilder::saveMission(int tag) {
    if (!MBTerrainLoadedFlag) {
        host_->beep();
        return;
    }
    const BuilderCameraState camera = cameraState();
    const int unread = takeControlsIntoMission(controls_, camera, shown_.get(),
                                               [this](double x, double z) { return groundAt(x, z); },
                                               host_->secondsSince2001(), MBMission, MBTexts);
    // The record now holds what the window shows, whether or not a file is written.
    shown_ = std::make_unique<ShownMission>(ShownMission{controls_, camera});
    for (int k = 0; k < unread; ++k) host_->beep();
    if (MBFileName && tag == kTagSave) {
        writeMission(*MBFileName);
        return;
    }
    controls_.files.saveName.clear();
    controls_.files.saveShown = true;
}

void MissionBuilder::savePanelMBDidEnd(bool confirmed) {
    FileSheets& files = controls_.files;
    files.saveShown = false;
    if (!confirmed) return;
    if (!plainFileName(files.saveName)) {
        host_->beep();
        return;
    }
    writeMission(host_->missionsFolder() + files.saveName);
}

BuilderCameraState MissionBuilder::cameraState() const {
    BuilderCameraState camera;
    std::copy(MBCameraPosition.Position.begin(), MBCameraPosition.Position.end(), camera.position);
    camera.heading = MBViewingHeading;
    camera.pitch = MBViewingPitch;
    camera.world = MBWorld;
    return camera;
}

BuilderControls* MissionBuilder::shownControls() { return shown_ ? &shown_->controls : nullptr; }

bool MissionBuilder::writeMission(std::string path) {
    if (std::string why = writeBuilderMission(path, MBMission, MBTexts); !why.empty()) {
        // The mission stays unsaved under its old name; the file on disk is as it was.
        host_->beep();
        platform::logMessage("Mission builder: " + why);
        host_->tellPlayer("The mission could not be saved: " + why + ". The file there is as it was.");
        return false;
    }
    MBFileName = path;
    LastOpenedMission() = path;
    controls_.windowTitle = "Mission Builder: " + fs::path(path).filename().string();
    MBSavedFlag = true;
    return true;
}

void MissionBuilder::openPanelDidEnd(bool confirmed) {
    FileSheets& files = controls_.files;
    files.openShown = false;
    if (!confirmed || files.openChoice < 0 || files.openChoice >= static_cast<int>(files.openChoices.size())) return;
    openMission(host_->missionsFolder() + files.openChoices[files.openChoice]);
}

bool MissionBuilder::openMission(const std::string& path) {
    auto opened = std::make_unique<missions::MissionFileContents>();
    if (const BuilderFileRefusal refused = readBuilderMission(path, *opened)) {
        // The builder keeps the mission and the file it had, so a later save cannot overwrite the
        // refused file.
        host_->beep();
        platform::logMessage("Mission builder: " + refused.why);
        host_->tellPlayer("The mission could not be opened: " + refused.why + ".");
        return false;
    }
    MBSavedFlag = true;
    LastEnteredObjectTeam = 1;
    MBFileName = LastOpenedMission() = path;
    BuilderControls& c = controls_;
    c.windowTitle = "Mission Builder: " + fs::path(path).filename().string();
    MBMission = opened->record;
    MBTexts = opened->texts;

    MBWindowOpen = true;
    c.windowOpen = c.windowKey = true;
    releaseObjectsFromMBArray();
    MBCurrentObject = 0;
    MBDraggingObject = MBDraggingPath = false;
    MBTerrainLoadedFlag = true;
    c.altSlider = 0.0;
    c.aircraftTab = 0;
    c.startRestart.fill(0);
    showMissionInControls(MBMission, MBTexts, c);
    rebuildOpenedObjects();

    // The camera where the mission was saved: pitch about x, then the heading about y on the left.
    const missions::MissionData& m = MBMission;
    MBCameraPosition.Position = {m.CameraLocation[0], m.CameraLocation[1], m.CameraLocation[2]};
    const double savedHeading = m.CameraHeading, savedPitch = m.CameraPitch;  // members at 4-byte boundaries
    MBViewingHeading = std::isfinite(savedHeading) ? std::clamp(savedHeading, -180.0, 180.0) : 0.0;
    MBViewingPitch = std::isfinite(savedPitch) ? std::clamp(savedPitch, -90.0, 10.0) : 0.0;
    MBWorld = m.WorldMenuOffsetNumber;
    const double a = MBViewingPitch / -kDegreesPerRadian / 2, b = MBViewingHeading / -kDegreesPerRadian / 2;
    MBCameraPosition.QAttitude = {std::cos(a), std::sin(a), 0, 0};
    QNion heading;
    heading.QAttitude = {std::cos(b), 0, std::sin(b), 0};
    ZephModel::multQnionsAnswer(&heading, &MBCameraPosition);

    c.worldMenu = MBWorld;
    c.showsWorldMap = MBWorld == 1;
    // Tabs past the window's are shown as its last; the record keeps what it holds.
    c.mainTab = std::clamp(m.TabNumber & 0xFFFF, 0, kBuilderTabs - 1);
    c.aircraftTab = std::clamp((m.TabNumber >> 16) & 0xFF, 0, 7);
    c.startRestart[c.aircraftTab] = std::clamp((m.TabNumber >> 24) & 0xFF, 0, 1);
    // The stored tabs are chosen as a click chooses them: the objects tab clears the item panel,
    // and the aircraft tabs select their aircraft (kept below only on the aircraft tab).
    tabViewShouldSelect(false, c.mainTab);
    tabViewShouldSelect(true, c.aircraftTab);
    setWorldTables(MBWorld);
    showQuickDogfight();
    c.altSlider = MBCameraPosition.Position[1] / 500.0;
    fillInVictoryLocationInfo();
    fillInAircraftTabInfo();
    if (c.mainTab != kTabAircraft) MBCurrentObject = 0;
    sendLayersToTerrain(MBMission.Layers);
    c.pathScrollRow = c.pathSelectedRow = 0;
    updateMBOpenGLView();
    shown_ = std::make_unique<ShownMission>(ShownMission{controls_, cameraState()});
    return true;
}

// One live object per row in use, then the eight aircraft at their starts, placed as the view
// shows a start (on the object it names, never below 5 ft over the ground) and set flying there.
// Only the shown aircraft move: the record keeps its starts. The camera is set afterwards.
void MissionBuilder::rebuildOpenedObjects() {
    borrowTerrain();
    const int32_t total = MBMission.TotalObjects;
    for (int32_t i = 0; i < total; ++i) loadRow(i);
    for (int n = 0; n < ModelArray::kAircraftSlots; ++n) {
        const long index = n + ModelArray::kFirstAircraft;
        auto* aircraft = dynamic_cast<FlyableAircraft*>(MBArray.at(index));
        if (!aircraft) continue;
        const double* row = MBMission.MissionStartLocations[n];
        const missions::AircraftInit& r = MBMission.AircraftStarts[n];
        moveMBCameraToX(row[0], row[1], row[2], index, row[3], r.Gear);
        QNion shown;
        aircraft->getModelPositionQNion(&shown);
        aircraft->SetUpAircraft(shown.Position[0], shown.Position[1], shown.Position[2], row[3], 0.0, r.MPH, r.Throttle);
        aircraft->gearUpDown(cutToInt(r.Gear));
        aircraft->setTeamNumber(r.Team);
        aircraft->setNumberOfBombs(std::clamp(r.NumberOfBombs, 0, kMaxBombs));
        Aircraft* record = aircraft->getAircraftStruct();
        record->GearPosition = record->GearPosition2 = r.Gear;
    }
}

void MissionBuilder::fillInVictoryLocationInfo() { builder::fillInVictoryLocationInfo(MBMission, controls_.aircraftTabs); }
void MissionBuilder::fillInAircraftTabInfo() {
    builder::fillInAircraftTabInfo(MBMission, controls_.aircraftTabs);
    controls_.missionPoints = MBMission.PointsForCompletedMission;
}

}  // namespace pellam::builder
