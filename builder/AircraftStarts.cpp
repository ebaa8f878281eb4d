#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "builder/AircraftTabs.h"
#include "builder/ObjectEditing.h"
#include "builder/TextValues.h"
#include "core/ZephModel.h"

// The aircraft tab's actions: class, team, gear, heading and position of the current slot, placing
// it at the camera, copying its start to its restart and showing either. What one writes into the
// record the shown state takes too, as its field shows it, so a save compares the field with the
// record's value: a field typed back to what it showed at opening is saved as typed.
namespace pellam::builder {
namespace {

enum AircraftTag : int {
    kTagAircraftToCamera = 541, kTagAircraftPosition = 542, kTagAircraftHeading = 543, kTagAircraftTeam = 544,
    kTagAircraftGear = 547, kTagAircraftType = 548, kTagCopyStartToRestart = 558, kTagShowStart = 608,
};
constexpr double kAboveGround = 5.0;        // ft: a start is never lower over the terrain
constexpr double kPlaceDistance = 350.0;    // ft ahead of the camera
constexpr double kSteepPlace = -31.0;       // deg: looking further down, the start goes where the sight meets the ground
constexpr double kCameraBehind = 100.0;     // ft

void setUp(ZephModel* model, const double* at, const missions::AircraftInit& start) {
    if (auto* aircraft = dynamic_cast<FlyableAircraft*>(model))
        aircraft->SetUpAircraft(at[0], at[1], at[2], start.Heading, 0.0, start.MPH, start.Throttle);
}

}  // namespace

bool MissionBuilder::aircraftTabAction(int tag) {
    const int n = std::clamp(controls_.aircraftTab, 0, 7);
    const int page = controls_.startRestart[n] == 1 ? 1 : 0;
    AircraftSlot& slot = controls_.aircraftTabs.slots[n];
    AircraftPage& fields = slot.pages[page];
    missions::AircraftInit& start = MBMission.AircraftStarts[n];
    missions::AircraftInit& record = page == 0 ? start : MBMission.ResetAircraftStarts[n];
    double* row = MBMission.MissionStartLocations[n + 8 * page];
    BuilderControls* shown = shownControls();
    AircraftPage scratch;
    AircraftPage& shownFields = shown ? shown->aircraftTabs.slots[n].pages[page] : scratch;
    const long index = n + ModelArray::kFirstAircraft;
    ZephModel* aircraft = MBArray.at(index);
    QNion pose;
    if (aircraft) aircraft->getModelPositionQNion(&pose);

    switch (tag) {
    case kTagAircraftType: {
        MBSavedFlag = false;
        const int32_t code = slot.typeItem >= 0 && slot.typeItem < static_cast<int>(kAircraftTypeItems.size())
                                 ? kAircraftTypeItems[slot.typeItem]
                                 : 0;
        if (code == 0 || code == 1001 || MBArray.size() <= index) return true;  // random: chosen when flown
        // A new aircraft of the class in the slot's place, set up from the start record.
        missions::ObjectForMission made = MBMission.ObjectList[index];
        made.ObjectCode = code;
        ModelArray scratch;
        missions::FactoryContext context{host_->builderView(), &heldTerrain_, host_->controller(), true, nullptr};
        factory_.loadCorrectObject(made, scratch, context);
        if (scratch.size() == 0) return true;
        aircraft = MBArray.put(index, scratch.take(scratch.size() - 1));
        aircraft->setTimeOfDay(12.0);
        if (ZephModel* ground = terrain()) aircraft->setTerrain(ground);
        const double* first = MBMission.MissionStartLocations[n];
        const double at[3] = {first[0], std::max(first[1], groundAt(first[0], first[2]) + kAboveGround), first[2]};
        setUp(aircraft, at, start);
        aircraft->setTeamNumber(start.Team);
        aircraft->setGear(start.Gear);
        updateMBOpenGLView();
        return true;
    }
    case kTagAircraftTeam:
        MBSavedFlag = false;
        if (const int32_t team = teamNumber(slot.team)) {
            if (aircraft) aircraft->setTeamNumber(team);
            // The team is the slot's: the restart's goes with the start's.
            start.Team = MBMission.ResetAircraftStarts[n].Team = team;
            if (shown) shown->aircraftTabs.slots[n].team = slot.team;
        }
        updateMBOpenGLView();
        return true;
    case kTagAircraftGear:
        record.Gear = fields.gear ? 1.0 : 0.0;
        if (aircraft) aircraft->setGear(record.Gear);
        return true;
    case kTagAircraftHeading: {
        MBSavedFlag = false;
        const int32_t h = textInt(fields.heading);
        const double a = -h / kDegreesPerRadian / 2;
        pose.QAttitude = {std::cos(a), 0, std::sin(a), 0};
        if (aircraft) aircraft->setStartingModelQNionX(pose.Position[0], pose.Position[1], pose.Position[2], &pose);
        row[3] = record.Heading = h;
        shownFields.heading = std::to_string(h);
        updateMBOpenGLView();
        return true;
    }
    case kTagAircraftPosition: {
        MBSavedFlag = false;
        const std::vector<std::string> parts = splitAtCommas(fields.position);
        double at[3] = {pose.Position[0], pose.Position[1], pose.Position[2]};
        for (size_t k = 0; k < parts.size() && k < 3; ++k) at[k] = textInt(parts[k]);
        const bool typedOnGround = parts.size() > 1 && at[1] == -1.0;
        at[1] = std::max(at[1], groundAt(at[0], at[2]) + kAboveGround);
        setUp(aircraft, at, start);
        row[0] = at[0];
        row[1] = typedOnGround ? -1.0 : at[1];
        row[2] = at[2];
        shownFields.position = placeText(row);
        // The view follows the aircraft.
        for (int k = 0; k < 3; ++k) MBCameraPosition.Position[k] += at[k] - pose.Position[k];
        updateMBOpenGLView();
        return true;
    }
    case kTagAircraftToCamera: {
        MBSavedFlag = false;
        const auto ahead = pointAhead(*this, kPlaceDistance);
        std::array<double, 3> at = MBViewingPitch > kSteepPlace ? ahead : groundAlongSight(*this, ahead);
        at[1] = std::max(at[1], groundAt(at[0], at[2]) + kAboveGround);
        if (aircraft) aircraft->setStartingModelQNionX(at[0], at[1], at[2], &pose);
        fields.position = placeText(at.data());
        std::copy(at.begin(), at.end(), row);
        shownFields.position = fields.position;
        const auto back = alongSight(*this, kCameraBehind);
        MBCameraPosition.Position = {at[0] - back[0], at[1] - back[1], at[2] - back[2]};
        updateMBOpenGLView();
        return true;
    }
    case kTagCopyStartToRestart: {
        MBSavedFlag = false;
        copyStartToRestart(MBMission, controls_.aircraftTabs, shown ? &shown->aircraftTabs : nullptr, n);
        const double* restart = MBMission.MissionStartLocations[n + 8];
        moveMBCameraToX(restart[0], restart[1], restart[2], index, restart[3], MBMission.ResetAircraftStarts[n].Gear);
        return true;
    }
    case kTagShowStart: {
        MBSavedFlag = false;
        const double* shown = MBMission.MissionStartLocations[n + 8 * page];
        moveMBCameraToX(shown[0], shown[1], shown[2], index, shown[3], record.Gear);
        return true;
    }
    default: return false;
    }
}

}  // namespace pellam::builder
