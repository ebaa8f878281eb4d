#include <algorithm>
#include <cstdio>

#include "builder/BuilderOpen.h"
#include "builder/BuilderSave.h"
#include "builder/MissionBuilder.h"

namespace pellam::builder {

// Every control's action. The builder's own tags are tried first (weather, the window and the
// world), then the editing tags (objects, aircraft, paths, victory), the file tags and last the
// aircraft tabs' buttons; tags are unique, so the first branch that takes a tag is the only one.
void MissionBuilder::fromMBMenu(int tag) {
    if (weatherAction(tag) || leavingAction(tag) || worldAction(tag)) return;
    if (editingAction(tag) || fileAction(tag)) return;
    aircraftTabAction(tag);
}

bool MissionBuilder::leavingAction(int tag) {
    switch (tag) {
    case kTagNewMission:
        newMission();
        return true;
    case kTagClose:
        if (MBSavedFlag) leaveBuilder();
        else controls_.cancelSheetShown = true;
        return true;
    case kTagDiscardAndLeave:
        controls_.cancelSheetShown = false;
        leaveBuilder();
        return true;
    case kTagCancelSheet:
        controls_.cancelSheetShown = false;
        return true;
    default:
        return false;
    }
}

// A new, empty mission with the builder's defaults: 22 head rows, eight Camels in two teams, one
// chain through the 200 path points. Ignored while the builder is open.
void MissionBuilder::newMission() {
    if (MBWindowOpen) return;
    MBWindowOpen = true;
    for (missions::ObjectForMission& row : MBMission.ObjectList) {
        row = missions::ObjectForMission{};
        row.Team = 1;
    }
    for (int i = 0; i < missions::kFlyToPoints; ++i) {
        aiFlyToPoint& p = MBMission.FlyToPoints[i];
        p = aiFlyToPoint{};
        p.PointXYZ[0] = 0;
        p.PointXYZ[1] = 10000;
        p.PointXYZ[2] = 0;
        p.ThrottlePosition = 1.0;
        p.TargetClimbDiveSpeed = 1000;
        p.NextPoint = i + 1;
    }
    MBFileName.reset();
    shown_.reset();
    LastOpenedMission().reset();  // a reopen after New must not bring back the file left
    LastEnteredObjectTeam = 1;
    // The terrain stays with the builder from now until it is left.
    borrowTerrain();
    releaseObjectsFromMBArray();
    MBOneItem.clear();
    MBCurrentObject = 0;
    MBDraggingObject = MBDraggingPath = false;
    MBSavedFlag = true;
    MBTerrainLoadedFlag = false;
    controls_ = BuilderControls{};
    controls_.windowOpen = controls_.windowKey = true;
    controls_.worldDescription = "Select the world you want from the menu above and then click on 'Add World'";
    newMissionRecord();
    newMissionControls();
    sendLayersToTerrain(MBMission.Layers);
    controls_.pathSelectedRow = controls_.pathScrollRow = 0;
    updateMBOpenGLView();
}

void MissionBuilder::newMissionRecord() {
    missions::MissionData& m = MBMission;
    m.AppVersionNumber = 2;
    m.MissionStructVersion = 1;
    m.Permissions = 0;
    m.Invoice = 0;
    m.PointsForCompletedMission = 250;
    m.Hash1 = 0;
    m.NewObjectsNumber = missions::kNewestObjectKinds;
    m.SecondsSince2001 = host_->secondsSince2001();
    m.TimeOfDay = 50 * 65536 + 14;   // 14.50 h
    m.SkyFlags = 10000 * 256 + 4;    // ceiling off at 10,000 ft, visibility 2.0
    MBTexts = {"Untitled", "No Description Yet", "No Message Yet", "No Message Yet"};
    m.GameFlags = 0;
    m.DogfightAirStartCenterSpot[0] = 0;
    m.DogfightAirStartCenterSpot[1] = 7000;
    m.DogfightAirStartCenterSpot[2] = 0;
    m.DogfightAirStartDistance = 5280;
    for (int i = 0; i < 8; ++i) m.DogfightOnlyTeams[i] = 1 + i / 2;
    for (int i = 0; i < 16; ++i) {
        const double start[5] = {0, 5000, 200.0 * i, 0, 0.5};
        std::copy(start, start + 5, m.MissionStartLocations[i]);
    }
    for (int i = 0; i < 8; ++i) {
        m.DogfightOnlyBombLoad[i] = 0;
        m.DogfightOnlyRocketLoad[i] = 0;
        m.DogfightOnlyOnOff[i] = 1;
        m.DogfightOnlySkillLevel[i] = 3;
    }
    m.MaxRandomDistance = 5000;
    m.TeamStartDistance = 125;
    for (int i = 0; i < 8; ++i)
        for (missions::AircraftInit* a : {&m.AircraftStarts[i], &m.ResetAircraftStarts[i]}) {
            *a = missions::AircraftInit{};
            a->AircraftType = 55;
            a->LocationOffset = i;
            a->RandomDistance = 5000;
            a->StartType = 1;
            a->Team = i < 4 ? 1 : 2;
            a->MPH = a == &m.AircraftStarts[i] ? 100 : 200;
            a->Throttle = 0.8;
            a->Gear = 1.0;
            a->AISkillLevel = 3;
            a->AIType = i == 0 ? -1 : 1;  // slot 0 is the player's
            a->OnOff = 1;
        }
    m.AttackEnemyObjectDistance.fill(0);
    for (auto& row : m.DogfightGroundStartLocations) {
        const double start[5] = {0, -1.0, 0, 0, 0.5};
        std::copy(start, start + 5, row);
    }
    m.OceanGC = -1;
    m.GC1 = m.GC2 = m.GC3 = m.GC4 = 0;

    // The fixed head: sky, terrain, eight aircraft, the pools and the clutter, and one bridge.
    int row = 0;
    auto head = [&](int32_t code, double x, double y, double z, double speed, double heading, int32_t team,
                    int32_t points, int32_t subType) {
        fillInObjectForMissionTypeMB(code, x, y, z, speed, heading, team, points, row);
        m.ObjectList[row++].SubType = subType;
    };
    head(1, 0, 0, 0, 0, 0, -1, -1, 0);
    head(54, 0, 0, 0, 0, 0, -1, -1, 0);
    for (int i = 0; i < 8; ++i) head(55, 0, 0, 0, 200, 0, i < 4 ? 1 : 2, 100, 2);
    head(4, 0, 0, 0, 0, 0, 1, 100, 0);
    for (int i = 0; i < 8; ++i) head(10, -382850, -1.0, 396000, 0, 0, -1, -1, 0);
    head(11, 0, 0, 0, 0, 0, -1, -1, 2);
    head(13, 0, 0, 0, 0, 0, 0, -1, 2);
    head(70, 2329360, 300, 1846240, 0, 90, 0, 500, 0);
    m.TotalObjects = row;

    missions::VictoryConditions& v = m.TheVictory;
    v = missions::VictoryConditions{};
    v.MustBeAlive = 1;
    v.Location1Flags = v.Location2Flags = v.Location3Flags = 1;
    v.Speed1Flags = v.Speed2Flags = v.Speed3Flags = 1;
    v.Kills = 1;
    m.FlyToPoints[missions::kFlyToPoints - 1].NextPoint = missions::kFlyToPoints - 1;
    m.NumberOfAircraftRestarts.fill(0);
    m.MoreLongItems.fill(0);
    std::fill(std::begin(m.MoreDoubleItems), std::end(m.MoreDoubleItems), 0.0);
}

void MissionBuilder::newMissionControls() {
    showMissionInControls(MBMission, MBTexts, controls_);
    // A new mission keeps the record's wind; its controls start at a calm 88 degrees.
    controls_.windSpeed = 0;
    controls_.windDirection = 88;
}

}  // namespace pellam::builder
