#include "builder/MissionBuilder.h"

#include <algorithm>

#include "builder/BuilderSave.h"
#include "core/ZephModel.h"
#include "missions/RecordBuilding.h"
#include "platform/Log.h"

namespace pellam::builder {

MissionBuilder::MissionBuilder(missions::ObjectFactory& factory, BuilderHost* host, bool* windowOpen, bool* savedFlag)
    : MBSavedFlag(savedFlag ? *savedFlag : ownSavedFlag_),
      MBWindowOpen(windowOpen ? *windowOpen : ownWindowOpen_),
      factory_(factory),
      host_(host ? host : &defaultHost_) {}

// The terrain is the game's: it goes back whatever state the builder was left in.
MissionBuilder::~MissionBuilder() { returnTerrain(); }

void MissionBuilder::returnTerrain() {
    releaseObjectsFromMBArray();
    MBOneItem.clear();
    MBTerrainLoadedFlag = false;
    if (heldTerrain_) host_->returnTerrain(std::move(heldTerrain_));
}

int32_t MissionBuilder::totalObjects() const { return std::clamp(MBMission.TotalObjects, 0, missions::kMaxObjects); }

ZephModel* MissionBuilder::terrain() const { return MBTerrainLoadedFlag ? MBArray.at(ModelArray::kTerrain) : nullptr; }

double MissionBuilder::groundAt(double x, double z) const {
    ZephModel* ground = terrain();
    return ground ? ground->getAltitudeAtX(x, z) : 0.0;
}

void MissionBuilder::fillInObjectForMissionTypeMB(int32_t type, double posX, double posY, double posZ, double speed,
                                                  double heading, int32_t team, int32_t points, int32_t offset) {
    if (offset < 0 || offset >= missions::kMaxObjects) {
        platform::logMessage("Mission builder: object row " + std::to_string(offset) + " is outside the list");
        return;
    }
    missions::fillInObjectForMissionType(MBMission, offset, type, posX, posY, posZ, speed, heading, team, points);
    MBMission.ObjectList[offset].Seed = 0;
    MBMission.ObjectList[offset].SubType = 0;
}

void MissionBuilder::releaseObjectsFromMBArray() {
    // The terrain (shouldRelease: no) goes back to the hold; the array owns and frees the rest.
    for (long i = 0; i < MBArray.size(); ++i)
        if (ZephModel* object = MBArray.at(i); object && !object->shouldRelease() && !heldTerrain_)
            heldTerrain_ = MBArray.take(i);
    MBArray.clear();
}

void MissionBuilder::borrowTerrain() {
    if (!heldTerrain_ && !MBArray.at(ModelArray::kTerrain)) heldTerrain_ = host_->lendTerrain();
}

namespace {

ZephModel* makeInto(ModelArray& into, const missions::ObjectForMission& row, missions::ObjectFactory& factory,
                    missions::FactoryContext& context) {
    factory.loadCorrectObject(row, into, context);
    ZephModel* made = into.at(into.size() - 1);
    if (made) made->setTimeOfDay(12.0);  // the builder's light is always noon's
    return made;
}

}  // namespace

ZephModel* MissionBuilder::loadRow(int row) {
    // Only the next row: object i stands at index i or the arrays part company.
    if (row < 0 || row >= missions::kMaxObjects || row != MBArray.size()) {
        platform::logMessage("Mission builder: row " + std::to_string(row) + " is not the next of " +
                             std::to_string(MBArray.size()) + " live objects");
        return nullptr;
    }
    missions::FactoryContext context{host_->builderView(), &heldTerrain_, host_->controller(), true, nullptr};
    return makeInto(MBArray, MBMission.ObjectList[row], factory_, context);
}

ZephModel* MissionBuilder::loadPreview() {
    MBOneItem.clear();
    missions::FactoryContext context{host_->builderView(), nullptr, host_->controller(), true, nullptr};
    return makeInto(MBOneItem, MBMission.ObjectList[kPreviewRow], factory_, context);
}

void MissionBuilder::MBdeleteSelectedItem() {
    // Only objects past the fixed head, and only a row in use with its live object.
    const int32_t total = totalObjects();
    if (MBCurrentObject <= 20 || MBCurrentObject >= total || MBCurrentObject >= MBArray.size()) {
        host_->beep();
        platform::logMessage("error1 (mission builder: nothing deletable is selected, object " +
                             std::to_string(MBCurrentObject) + " of " + std::to_string(total) + ")");
        return;
    }
    MBSavedFlag = false;
    // Rows and live objects close up together so index i stays row i.
    std::vector<std::unique_ptr<ZephModel>> kept;
    for (long i = 0; i < MBArray.size(); ++i) kept.push_back(MBArray.take(i));
    MBArray.clear();
    for (long i = 0; i < static_cast<long>(kept.size()); ++i)
        if (i != MBCurrentObject) MBArray.append(std::move(kept[i]));
    auto& rows = MBMission.ObjectList;
    for (int k = MBCurrentObject; k < total && k + 1 < missions::kMaxObjects; ++k) rows[k] = rows[k + 1];
    MBMission.TotalObjects = total - 1;
    MBDraggingObject = false;
    MBCurrentObject = 0;
    updateMBOpenGLView();
    controls_.objectID = "Unique ID: --";
    controls_.totalObjects = "total items: " + std::to_string(MBMission.TotalObjects);
}

bool MissionBuilder::windowShouldClose() {
    if (MBSavedFlag) leaveBuilder();
    else controls_.cancelSheetShown = true;
    return false;
}

void MissionBuilder::windowDidResize(const ViewFrame& frame) {
    frame_ = frame;
    updateMBOpenGLView();
}

bool MissionBuilder::tabViewShouldSelect(bool aircraftTabs, int tab) {
    if (AllTabs) return true;
    if (!aircraftTabs) {
        if (!MBTerrainLoadedFlag && tab != kTabWorld) {
            host_->beep();
            return false;
        }
        if (tab == kTabObjects && MBCurrentObject <= 20) {
            BuilderControls& c = controls_;
            c.objectID = "Unique ID: --";
            c.objectLocation.clear();
            c.objectHeading.clear();
            c.objectTeam.clear();
            c.itemPath.clear();
            c.randomStart.clear();
            c.objectPoints.clear();
            c.itemNotes = "Notes:";
            c.textureNames.clear();
        }
        if (tab == kTabAircraft) MBCurrentObject = 2 + std::clamp(controls_.aircraftTab, 0, 7);
    } else {
        MBCurrentObject = 2 + std::clamp(tab, 0, 7);
    }
    return true;
}

}  // namespace pellam::builder
