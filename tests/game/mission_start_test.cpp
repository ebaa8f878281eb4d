#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

using MissionStart = MissionRig;

// Starting the same mission again resets the objects it has; another mission releases them and
// rebuilds the array around the one terrain the run keeps; coming back rebuilds mission 0.
TEST_F(MissionStart, SameMissionKeepsItsObjectsAnotherRebuildsAroundTheSameTerrain) {
    const std::vector<ZephModel*> first = objects();
    ASSERT_EQ(static_cast<long>(first.size()), mission(0).TotalObjects);
    EXPECT_EQ(c->PreviousCurrentMissionNumber, 0);
    ZephModel* terrain = c->modelAt(ModelArray::kTerrain);
    EXPECT_EQ(terrain, c->TheRIDUdidavWorld);

    for (int i = 0; i < 30; ++i) frame(2);
    c->newDocument();
    EXPECT_EQ(objects(), first);
    EXPECT_EQ(c->GlobalMissionTime, 2);

    c->CurrentMissionNumber = 1;
    c->newDocument();
    EXPECT_EQ(c->PreviousCurrentMissionNumber, 1);
    EXPECT_EQ(c->getModelArray()->size(), mission(0).TotalObjects + 2);
    EXPECT_EQ(c->modelAt(ModelArray::kTerrain), terrain);
    EXPECT_EQ(c->getFlyToPoints(), mission(1).FlyToPoints.data());
    for (int i = 0; i < 30; ++i) frame(2);
    c->CurrentMissionNumber = 0;
    c->newDocument();
    EXPECT_EQ(c->getModelArray()->size(), mission(0).TotalObjects);
    EXPECT_EQ(c->modelAt(ModelArray::kTerrain), terrain);
    // Every aircraft is in the air where the mission puts it, and the player flies his own.
    for (long n = 0; n < 8; ++n) EXPECT_GT(aircraft(n).ModelAttitude.Position[1], 4000.0) << n;
    EXPECT_NEAR(aircraft(0).ModelAttitude.Position[0], mission(0).MissionStartLocations[0][0], 100.0);
    EXPECT_LE(aircraft(0).ThisAircraft.AIType, 0);
}

// A random hour stays random in the record: the next start draws again.
TEST_F(MissionStart, ARandomHourIsDrawnAtEveryStart) {
    missions::MissionData& m = mission(0);
    m.SkyFlags = 9000 << 8 | 7;
    m.TimeOfDay = 0;
    draws = {-32768, 32767};  // the group offset, then the hour: the last of the day
    c->newDocument();
    EXPECT_EQ(m.TimeOfDay, 118);
    EXPECT_DOUBLE_EQ(view.sun, 18.0);
    draws = {-32768, 0};
    c->newDocument();
    EXPECT_LT(view.sun, 18.0);
}

TEST_F(MissionStart, AMissionThatCannotStartChangesNothing) {
    const std::vector<ZephModel*> before = objects();
    const long beeps = platform::beepCount();
    c->CurrentMissionNumber = 3;  // no file for it
    c->newDocument();
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(objects(), before);
    EXPECT_EQ(c->PreviousCurrentMissionNumber, 0);
    c->TempNewMissionNumber = 3;  // chosen in the mission window
    c->fromFlyMissionButton();
    EXPECT_EQ(platform::beepCount(), beeps + 2);

    // A head whose debris row names a cloud would hand explosions to a cloud: refused too.
    mission(1).ObjectList[ModelArray::kDebris].ObjectCode = 5;
    c->CurrentMissionNumber = 1;
    EXPECT_FALSE(c->StartMission());
    EXPECT_EQ(objects(), before);
    EXPECT_NE(c->whyMissionCannotStart(1).find("object 10"), std::string::npos);
}

// Three objects with Seed 500, 1, 1 move by one offset; 0x03000000 starts a path at point 3.
TEST_F(MissionStart, GroupedObjectsShareTheirOffset) {
    struct Placed : ZephModel {
        int32_t first = -9;
        void setPathStart(int32_t point, const aiFlyToPoint*) override { first = point; }
    };
    missions::MissionData& m = mission(1);
    const long at = m.TotalObjects;
    for (int32_t seed : {500, 1, 1, 0x03000000, static_cast<int32_t>(0xC8000000)}) {
        m.ObjectList[m.TotalObjects] = missions::ObjectForMission{88, {2000000.0, 0.0, 2040000.0 + 100.0 * m.TotalObjects}};
        m.ObjectList[m.TotalObjects++].Seed = seed;
    }
    c->objectFactory.registerKind(88, [] { return std::make_unique<Placed>(); });
    c->CurrentMissionNumber = 1;
    c->newDocument();
    auto offset = [&](long i) {
        const ZephModel* o = c->modelAt(at + i);
        return std::array<double, 2>{o->ModelAttitude.Position[0] - m.ObjectList[at + i].Location[0],
                                     o->ModelAttitude.Position[2] - m.ObjectList[at + i].Location[2]};
    };
    EXPECT_EQ(offset(1), offset(0));
    EXPECT_EQ(offset(2), offset(0));
    EXPECT_LE(std::hypot(offset(0)[0], offset(0)[1]), 500.0);
    EXPECT_EQ(offset(3), (std::array<double, 2>{0.0, 0.0}));
    EXPECT_EQ(static_cast<Placed*>(c->modelAt(at + 3))->first, 3);
    EXPECT_EQ(static_cast<Placed*>(c->modelAt(at + 4))->first, -1);  // point 200: no path
}

TEST_F(MissionStart, NetworkSettingsReachOnlyTheSlotsTheyName) {
    const int32_t own = mission(0).AircraftStarts[0].AircraftType;
    c->setNetworkAircraftTypeForAircraft(0, 64);
    c->setNetworkAircraftTypeForAircraft(8, 64);
    c->setNetworkAircraftTypeForAircraft(-1, 64);
    EXPECT_EQ(mission(0).AircraftStarts[0].AircraftType, own);
    c->setNetworkAircraftTypeForAircraft(3, 77);
    EXPECT_EQ(mission(0).AircraftStarts[3].AircraftType, 77);
    EXPECT_EQ(mission(0).ResetAircraftStarts[3].AircraftType, 77);
    c->setMissionHash(0xDEADBEEF, 12.5);
    EXPECT_EQ(c->NetworkMissionHash, 0xDEADBEEFu);
    EXPECT_EQ(c->NetworkMissionSeconds, 12.5);
}

}  // namespace
}  // namespace pellam::testing
