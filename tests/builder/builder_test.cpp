#include <gtest/gtest.h>

#include <cmath>

#include "tests/builder/BuilderFixture.h"

namespace pellam::builder {
namespace {

TEST_F(BuilderTest, NewMissionOnTheWesternFrontGivesTheHeadTeamsPathsSkyAndStarts) {
    westernFront();
    const missions::MissionData& m = builder.MBMission;
    ASSERT_EQ(m.TotalObjects, 22);
    EXPECT_EQ(builder.MBArray.size(), 22);  // every row has its live object, placeholders included
    EXPECT_EQ(builder.MBArray.at(1), host.terrain);
    for (int r = 2; r < 10; ++r) EXPECT_EQ(m.ObjectList[r].Team, r < 6 ? 1 : 2) << r;
    for (int i = 0; i < 200; ++i) EXPECT_EQ(m.FlyToPoints[i].NextPoint, std::min(i + 1, 199));
    const double starts[][4] = {{0, 2112000, 2112000, 0}, {3, 2112600, 2112000, 0},
                                {4, 2111900, 2118000, 180}, {7, 2112500, 2118000, 180}};
    for (const auto& s : starts) {
        const int n = int(s[0]);
        EXPECT_EQ(m.MissionStartLocations[n][0], s[1]);
        EXPECT_EQ(m.MissionStartLocations[n][2], s[2]);
        EXPECT_EQ(m.MissionStartLocations[n][3], s[3]);
        EXPECT_EQ(m.MissionStartLocations[n + 8][0], s[1] + 1600);  // restarts: 200 ft a row further
        EXPECT_EQ(pose(n + 2).Position[0], s[1]);
        EXPECT_EQ(pose(n + 2).Position[1], 7000);
    }
    EXPECT_TRUE(builder.MBTerrainLoadedFlag);
    EXPECT_FALSE(builder.MBSavedFlag);
    // The world added again shows the record's mission points and starts afresh; a start type
    // stands at its value - 1 in its pop-up.
    builder.MBMission.PointsForCompletedMission = 600;
    builder.MBMission.AircraftStarts[1].StartType = 30;
    builder.controls().missionPoints = 5;
    builder.fromMBMenu(kTagAddWorld);
    EXPECT_EQ(builder.controls().missionPoints, 600);
    EXPECT_EQ(builder.controls().aircraftTabs.slots[1].pages[0].startTypeItem, 29);
    // A second new mission while the builder is open changes nothing.
    builder.MBMission.TimeOfDay = 7;
    builder.fromMBMenu(kTagNewMission);
    EXPECT_EQ(builder.MBMission.TimeOfDay, 7);
}

TEST_F(BuilderTest, WorldsWithoutTerrainAreRefusedAndTheArraysStayAligned) {
    westernFront();
    for (int world : {0, 4, 5, 6, 9}) {
        const int beeps = host.beeps;
        builder.controls().worldMenu = world;
        builder.fromMBMenu(kTagAddWorld);
        EXPECT_EQ(host.beeps, beeps + 1) << world;
        EXPECT_EQ(builder.MBWorld, 1);
        EXPECT_EQ(builder.MBMission.ObjectList[1].ObjectCode, 54);
    }
    // A code with no class still takes its row, so later rows keep their objects.
    const int unknown = place(999, 2100000, 700, 2100000);
    const int balloon = place(66, 2101000, 900, 2100000);
    EXPECT_EQ(builder.MBArray.size(), balloon + 1);
    EXPECT_EQ(builder.loadRow(5), nullptr);  // only the next row is made
    EXPECT_EQ(builder.MBArray.size(), balloon + 1);
    EXPECT_EQ(pose(unknown).Position[0], 2100000);
    EXPECT_EQ(pose(balloon).Position[0], 2101000);
    // Deleting keeps index i on row i, and the head cannot be deleted.
    builder.MBCurrentObject = unknown;
    builder.MBdeleteSelectedItem();
    EXPECT_EQ(builder.MBMission.TotalObjects, 23);
    EXPECT_EQ(builder.MBArray.size(), 23);
    EXPECT_EQ(builder.MBMission.ObjectList[22].ObjectCode, 66);
    EXPECT_EQ(pose(22).Position[0], 2101000);
    const int beeps = host.beeps;
    for (int32_t selected : {0, 20, 23, 300, -5}) {
        builder.MBCurrentObject = selected;
        builder.MBdeleteSelectedItem();
    }
    EXPECT_EQ(builder.MBMission.TotalObjects, 23);
    EXPECT_EQ(host.beeps, beeps + 5);
}

TEST_F(BuilderTest, PickingFindsTheLowestIndexUnderTheRayAndClicksOnALevelRayBeepForEachObject) {
    westernFront();
    builder.controls().mainTab = kTabObjects;
    const int near = place(66, 2100050, 900, 2100000);
    place(66, 2100000, 900, 2100040);
    const int cloud = place(5, 2100500, 900, 2100000);
    lookDown(2100000, 5000, 2100000);
    clickCentre();
    EXPECT_EQ(builder.MBCurrentObject, near);
    EXPECT_TRUE(builder.MBDraggingObject);
    EXPECT_EQ(builder.controls().objectID, "Unique ID: 22");
    EXPECT_EQ(builder.controls().objectMenuTag, 66);  // the object menu shows what was picked
    // Only the cloud's wider box reaches 500 ft.
    builder.MBCameraPosition.Position = {2100000, 5000, 2100550};
    clickCentre();
    EXPECT_EQ(builder.MBCurrentObject, cloud);
    // A bridge (from a file) is not in the object menu, which keeps its choice: Add Object adds
    // what the menu shows.
    const int bridge = place(70, 2100000, 900, 2130000);
    builder.MBCameraPosition.Position = {2100000, 5000, 2130000};
    clickCentre();
    ASSERT_EQ(builder.MBCurrentObject, bridge);
    EXPECT_EQ(builder.controls().objectMenuTag, 66);
    // The world fills the view while nothing is shown close up: an object under the view's right
    // part (0.83 of its width, 1.515 x the 4,100 ft drop to the east) is picked there. Once it
    // is shown close up, a click there is the close-up's and picks nothing.
    const ViewFrame f = builder.viewFrame();
    builder.MBCurrentObject = 0;
    const int east = place(66, 2100000 + 1.515 * 4100, 900, 2100000);
    builder.MBCameraPosition.Position = {2100000, 5000, 2100000};
    ASSERT_EQ(builder.closeUpItem(), nullptr);
    builder.MBMouseDown(20 + 0.83 * f.width, 20 + f.height / 2);
    ASSERT_EQ(builder.MBCurrentObject, east);
    ASSERT_EQ(builder.closeUpItem(), builder.MBArray.at(east));
    builder.MBCurrentObject = near;
    builder.MBMouseDown(20 + 0.83 * f.width, 20 + f.height / 2);
    EXPECT_EQ(builder.MBCurrentObject, near);
    // Looking level: a beep for each object passed over, nothing picked.
    builder.MBCurrentObject = 0;
    builder.mouseDragWithShiftAmountX(0, -90);
    const int beeps = host.beeps;
    clickCentre();
    EXPECT_EQ(host.beeps, beeps + builder.MBArray.size() - kFirstPickable);
    EXPECT_EQ(builder.MBCurrentObject, 0);
    EXPECT_FALSE(builder.MBDraggingObject);
    // On the paths tab the highest of two points under the click is picked.
    builder.controls().mainTab = kTabPaths;
    lookDown(0, 15000, 0);
    builder.MBMission.FlyToPoints[40].PointXYZ = {60, 10000, 0};
    clickCentre();
    EXPECT_EQ(builder.MBCurrentPath, 199);
    EXPECT_EQ(builder.controls().pathSelectedRow, 199);
}

TEST_F(BuilderTest, DragsScaleWithHeightStopAtTheWorldsEdgeAndSettleOnTheGround) {
    westernFront();
    builder.MBCameraPosition.Position = {2000000, 2450, 2000000};
    builder.mouseDragWithShiftAmountX(0, 5);  // pitch -5
    builder.mouseDragAmountX(1, 0);
    EXPECT_NEAR(builder.MBCameraPosition.Position[0], 2000000 - 9, 1e-9);
    builder.mouseDragWithShiftAmountX(0, 40);  // pitch -45
    builder.mouseDragAmountX(0, 1);
    EXPECT_NEAR(builder.MBCameraPosition.Position[2], 2000000 - 9 * (std::cos(M_PI / 4) + 1), 1e-9);
    builder.mouseDragAmountX(-1000000, 0);
    EXPECT_EQ(builder.MBCameraPosition.Position[0], builder.MinMaxXZ[1]);
    // The camera never stays within 10 ft of the ground.
    builder.MBCameraPosition.Position[1] = 603;
    builder.MBMouseUp(0, 0);
    EXPECT_EQ(builder.MBCameraPosition.Position[1], 610);
    // An object dragged below the ground is stood on it, the camera rising as much.
    builder.controls().mainTab = kTabObjects;
    const int sunk = place(66, 2100000, 550, 2100000);
    lookDown(2100000, 3000, 2100000);
    clickCentre();
    ASSERT_EQ(builder.MBCurrentObject, sunk);
    builder.mouseDragAmountX(0, 10);
    builder.MBMouseUp(0, 0);
    EXPECT_EQ(pose(sunk).Position[1], 600);
    const missions::ObjectForMission& row = builder.MBMission.ObjectList[sunk];
    const double rowY = row.Location[1], rowZ = row.Location[2];
    EXPECT_EQ(rowY, 600);
    EXPECT_EQ(builder.MBCameraPosition.Position[1], 3050);
    EXPECT_EQ(rowZ, pose(sunk).Position[2]);
    // A shift-drag turns the picked object, wrapping once into -180 .. 180.
    builder.mouseDragWithShiftAmountX(200, 0);
    const double heading = row.Heading;
    EXPECT_EQ(heading, 160);
}

TEST_F(BuilderTest, PathsDrawEveryPointOnceWhateverTheLinks) {
    westernFront();
    auto& points = builder.MBMission.FlyToPoints;
    points[3].NextPoint = 1;       // a loop
    points[10].NextPoint = 250;    // links a file may carry
    points[11].NextPoint = -7;
    std::array<int, 200> drawn{};
    for (const PathLink& link : builder.pathLinks()) {
        ASSERT_GE(link.to, 0);
        ASSERT_LT(link.to, 200);
        ++drawn.at(link.from);
    }
    for (int i = 0; i < 200; ++i) EXPECT_EQ(drawn[i], 1) << i;
}

TEST_F(BuilderTest, LeavingGivesTheGameItsTerrainFogAndCloudsBack) {
    westernFront();
    auto* ground = static_cast<RIDUdidav*>(host.terrain);
    ground->setFogDistance(0.01);
    builder.controls().ceilingFB = 8000;
    builder.controls().thickness = 2;
    builder.controls().ceilingCheck = 1;
    builder.fromMBMenu(kTagCeilingOnOff);
    EXPECT_EQ(ground->getCloudLayer(0).LayerBottom, 8000);
    EXPECT_EQ(builder.MBMission.Layers[0].LayerTop, 8005);
    // Unsaved: the sheet, and the builder stays.
    EXPECT_FALSE(builder.windowShouldClose());
    EXPECT_TRUE(builder.controls().cancelSheetShown);
    EXPECT_TRUE(builder.MBWindowOpen);
    builder.fromMBMenu(kTagCancelSheet);
    EXPECT_TRUE(builder.MBWindowOpen);
    builder.fromMBMenu(kTagClose);
    builder.fromMBMenu(kTagDiscardAndLeave);
    EXPECT_FALSE(builder.MBWindowOpen);
    EXPECT_FALSE(builder.controls().windowOpen);
    ASSERT_EQ(host.gameTerrain.get(), host.terrain);
    EXPECT_EQ(host.reloads, 1);
    RIDUdidav expected;
    expected.setFogDistance(host.missionHaze());
    EXPECT_EQ(ground->getFogDistance(), expected.getFogDistance());
    for (int n = 0; n < 3; ++n) {
        expected.SetDetailsForLayer(n, host.layers[n].TextureNumber, host.layers[n].LayerBottom, host.layers[n].LayerTop);
        EXPECT_EQ(ground->getCloudLayer(n).TextureNumber, expected.getCloudLayer(n).TextureNumber);
        EXPECT_EQ(ground->getCloudLayer(n).LayerBottom, expected.getCloudLayer(n).LayerBottom);
        EXPECT_EQ(ground->getCloudLayer(n).LayerTop, expected.getCloudLayer(n).LayerTop);
    }
}

}  // namespace
}  // namespace pellam::builder
