#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <typeinfo>

#include "aircraft/FokkerDr1.h"
#include "builder/ObjectEditing.h"
#include "tests/builder/BuilderFixture.h"

namespace pellam::builder {
namespace {

struct Editing : BuilderTest {
    Editing() {
        westernFront();
        builder.MBCameraPosition.Position = {2100000, 3000, 2100000};
        builder.controls().mainTab = kTabObjects;
    }
    int add(int32_t code) {
        builder.controls().objectMenuTag = code;
        builder.fromMBMenu(kTagAddObject);
        return builder.MBCurrentObject;
    }
    const missions::ObjectForMission& row(int i) { return builder.MBMission.ObjectList[i]; }
    void type(std::string BuilderControls::*field, const std::string& text, int tag) {
        builder.controls().*field = text;
        builder.fromMBMenu(tag);
    }
};

TEST_F(Editing, ObjectsGoAheadOfTheCameraOrWhereItsSightMeetsTheGround) {
    // Looking level from 3,000 ft: a German balloon hangs over its winch ahead, on the team typed
    // into the team field, which the panel then shows.
    builder.controls().objectTeam = "blue";
    const int ahead = add(66);
    EXPECT_EQ(ahead, 22);
    EXPECT_EQ(double(row(ahead).Location[2]), 2100350);
    EXPECT_EQ(double(row(ahead).Location[1]), 600 + kBalloonHeight);
    EXPECT_EQ(pose(ahead).Position[1], 600 + kBalloonHeight);
    EXPECT_EQ(row(ahead).Team, 2);
    EXPECT_EQ(builder.controls().objectTeam, "Blue");
    EXPECT_EQ(builder.controls().objectID, "Unique ID: 22");
    EXPECT_EQ(builder.controls().totalObjects, "total items: 23");
    // An Allied lorry stands on the ground, on that team too: markings choose no side.
    const int lorry = add(14);
    EXPECT_EQ(double(row(lorry).Location[1]), -1.0);
    EXPECT_EQ(pose(lorry).Position[1], 600);
    EXPECT_EQ(row(lorry).Team, 2);
    // Nor does the player's aircraft; a text that names no team leaves the last one.
    builder.MBMission.AircraftStarts[0].AircraftType = 77;
    builder.controls().objectTeam = "Yellow";
    EXPECT_EQ(row(add(61)).Team, 3);
    builder.controls().objectTeam = "green";
    EXPECT_EQ(row(add(67)).Team, 3);
    EXPECT_EQ(builder.LastEnteredObjectTeam, 3);
    const int cloud = add(kCloudCode);
    EXPECT_EQ(double(row(cloud).Location[2]), 2103000);
    EXPECT_EQ(row(cloud).Seed & 0xFF, cloud);
    EXPECT_EQ(row(cloud).SubType, 1);

    builder.mouseDragWithShiftAmountX(0, 30);  // look 30 degrees down: 2,400 ft above the ground
    ASSERT_EQ(builder.MBViewingPitch, -30);
    const int low = add(65);
    EXPECT_EQ(double(row(low).Location[1]), -1.0);
    EXPECT_NEAR(double(row(low).Location[2]), 2100000 + 2400 / std::tan(M_PI / 6), 1.0);
    EXPECT_EQ(builder.MBArray.size(), builder.MBMission.TotalObjects);

    // The list stops at 240 rows: the add beeps and nothing changes.
    while (builder.MBMission.TotalObjects < kMaxBuilderObjects) add(14);
    const int beeps = host.beeps;
    add(14);
    EXPECT_EQ(host.beeps, beeps + 1);
    EXPECT_EQ(builder.MBMission.TotalObjects, kMaxBuilderObjects);
    EXPECT_EQ(builder.MBArray.size(), kMaxBuilderObjects);
}

TEST_F(Editing, HeadingPointsPathAndRandomStartKeepTheirRanges) {
    const int balloon = add(66);
    builder.fromMBMenu(kTagObjectMenu);  // the preview: nothing selected, the list unchanged
    ASSERT_NE(builder.MBOneItem.at(0), nullptr);
    EXPECT_EQ(builder.MBCurrentObject, 0);
    EXPECT_EQ(builder.MBArray.size(), builder.MBMission.TotalObjects);
    builder.MBCurrentObject = balloon;
    const std::pair<const char*, double> headings[] = {{"190", -170}, {"600", 0}, {"-190", 170}, {"45", 45}};
    for (const auto& [text, stored] : headings) {
        type(&BuilderControls::objectHeading, text, kTagObjectHeading);
        EXPECT_EQ(double(row(balloon).Heading), stored) << text;
    }
    type(&BuilderControls::objectPoints, "-5", kTagObjectPoints);
    EXPECT_EQ(row(balloon).Points, 0);
    type(&BuilderControls::objectPoints, "20000", kTagObjectPoints);
    EXPECT_EQ(row(balloon).Points, 10000);
    type(&BuilderControls::randomStart, "42", kTagObjectRandomStart);
    type(&BuilderControls::itemPath, "250", kTagObjectPath);
    EXPECT_EQ(static_cast<uint32_t>(row(balloon).Seed), (199u << 24) + 42);
    type(&BuilderControls::randomStart, "2000000", kTagObjectRandomStart);
    EXPECT_EQ(static_cast<uint32_t>(row(balloon).Seed), (199u << 24) + 1000000);
    type(&BuilderControls::objectLocation, "2100100", kTagObjectLocation);  // only x moves
    EXPECT_EQ(double(row(balloon).Location[0]), 2100100);
    EXPECT_EQ(double(row(balloon).Location[2]), 2100350);
    type(&BuilderControls::objectLocation, "2100100, 10, 2100500", kTagObjectLocation);  // below ground
    EXPECT_EQ(double(row(balloon).Location[1]), -1.0);
    EXPECT_EQ(pose(balloon).Position[1], 600);

    // Off the objects tab, and for the fixed head, the panel edits nothing.
    builder.controls().mainTab = kTabAircraft;
    type(&BuilderControls::objectPoints, "7", kTagObjectPoints);
    EXPECT_EQ(row(balloon).Points, 10000);
    builder.controls().mainTab = kTabObjects;
    builder.MBCurrentObject = 3;
    type(&BuilderControls::objectTeam, "BLUE", kTagObjectTeam);
    EXPECT_EQ(builder.LastEnteredObjectTeam, 2);
    EXPECT_EQ(row(3).Team, 1);
    const int beeps = host.beeps;
    builder.fromMBMenu(kTagDeleteObject);
    EXPECT_EQ(host.beeps, beeps + 1);

    // The stepper: one user object is always the one stepped to; from it down wraps to the last.
    builder.controls().objectStepper = 6;
    builder.fromMBMenu(kTagObjectStepper);
    EXPECT_EQ(builder.MBCurrentObject, 22);
    const int last = add(65);
    builder.MBCurrentObject = 22;
    builder.controls().objectStepper = 4;
    builder.fromMBMenu(kTagObjectStepper);
    EXPECT_EQ(builder.MBCurrentObject, last);
    EXPECT_EQ(builder.controls().objectStepper, kStepperRest);
}

TEST_F(Editing, PathPointsComeFromTheCameraAndTheCameraGoesToThem) {
    BuilderControls& c = builder.controls();
    c.pathSelectedRow = 7;
    builder.fromMBMenu(kTagPathPointFromCamera);
    const auto& p = builder.MBMission.FlyToPoints[7].PointXYZ;
    EXPECT_NEAR(p[0], 2100000, 1e-6);
    EXPECT_NEAR(p[1], 3000, 1e-6);
    EXPECT_NEAR(p[2], 2100400, 1e-6);
    builder.LastEnteredWayPointAlt = 1500;
    builder.mouseDragWithShiftAmountX(50, 20);
    builder.fromMBMenu(kTagPathPointFromCamera);
    EXPECT_EQ(p[1], 1500);
    EXPECT_EQ(p[0], 2100000);
    builder.mouseDragWithShiftAmountX(-50, 20);  // heading 0, pitch -40
    builder.fromMBMenu(kTagCameraToPathPoint);
    EXPECT_NEAR(builder.MBCameraPosition.Position[1], 1500 + 10000 * std::sin(40 * M_PI / 180), 1e-6);
    const auto before = builder.MBMission.FlyToPoints;
    c.pathSelectedRow = -1;
    builder.fromMBMenu(kTagPathPointFromCamera);
    c.pathSelectedRow = 200;
    builder.fromMBMenu(kTagPathPointFromCamera);
    EXPECT_EQ(std::memcmp(&before, &builder.MBMission.FlyToPoints, sizeof before), 0);
}

TEST_F(Editing, AircraftStartsStayAboveTheGroundAndCopyToTheirRestarts) {
    BuilderControls& c = builder.controls();
    c.mainTab = kTabAircraft;
    c.aircraftTab = 2;
    AircraftSlot& slot = c.aircraftTabs.slots[2];
    slot.pages[0].position = "2100000, -1, 2100000";
    builder.fromMBMenu(542);
    EXPECT_EQ(builder.MBMission.MissionStartLocations[2][1], -1.0);
    EXPECT_GE(pose(4).Position[1], 605);  // a flying start lifts itself clear of the ground
    // The view follows the aircraft 6,400 ft down, but not under the ground.
    EXPECT_EQ(builder.MBCameraPosition.Position[1], 600 + kCameraClearance);
    slot.pages[0].heading = "400";
    builder.fromMBMenu(543);
    EXPECT_EQ(builder.MBMission.AircraftStarts[2].Heading, 400);
    slot.typeItem = 2;  // the triplane
    builder.fromMBMenu(548);
    EXPECT_EQ(typeid(*builder.MBArray.at(4)), typeid(FokkerDr1));
    EXPECT_GE(pose(4).Position[1], 605);  // a flying start lifts itself clear of the ground
    EXPECT_EQ(builder.MBArray.size(), builder.MBMission.TotalObjects);
    slot.typeItem = 4;  // random: nothing changes until the save
    builder.fromMBMenu(548);
    EXPECT_EQ(typeid(*builder.MBArray.at(4)), typeid(FokkerDr1));
    builder.fromMBMenu(558);
    const missions::MissionData& m = builder.MBMission;
    EXPECT_EQ(std::memcmp(&m.AircraftStarts[2], &m.ResetAircraftStarts[2], sizeof m.AircraftStarts[2]), 0);
    EXPECT_EQ(std::memcmp(m.MissionStartLocations[2], m.MissionStartLocations[10], 5 * sizeof(double)), 0);
    EXPECT_EQ(slot.pages[1].heading, "400");
}

}  // namespace
}  // namespace pellam::builder
