// The bomber in a running game: an escorted bomber flies its way point to a wooden bridge and
// bombs it while a triplane comes in to attack.
#include <gtest/gtest.h>

#include "missions/RecordBuilding.h"
#include "objects/AllBombs.h"
#include "objects/Bomber.h"
#include "tests/game/mission_rig.h"

namespace pellam {
namespace {

using testing::MissionRig;

class BomberMission : public MissionRig {};

TEST_F(BomberMission, AnEscortedBomberBombsItsTargetWhileATriplaneAttacks) {
    missions::MissionData& m = mission(0);
    constexpr double kX = 1985000.0, kZ = 2046000.0, kGround = 100.0, kHeight = 1000.0;
    m.WindSpeed = 0.0;  // a calm morning
    // The player's Camel and his wingman alongside the bomber; one Dr.I coming the other way.
    for (int n : {2, 3, 5, 6, 7}) m.AircraftStarts[n].OnOff = m.ResetAircraftStarts[n].OnOff = 0;
    auto place = [&](int n, double x, double y, double z, double heading) {
        const double at[5] = {x, y, z, heading, 1.0};
        std::copy(at, at + 5, m.MissionStartLocations[n]);
    };
    place(0, kX - 200.0, kGround + kHeight + 150.0, kZ + 150.0, 90.0);
    place(1, kX - 400.0, kGround + kHeight + 250.0, kZ - 150.0, 90.0);
    place(4, kX + 4500.0, kGround + kHeight + 400.0, kZ + 300.0, 270.0);
    m.AircraftStarts[4].AIType = 1;  // a fighter: it goes for the nearest enemy

    const long bridge = m.TotalObjects;
    missions::fillInObjectForMissionType(m, m.TotalObjects++, 69, kX + 5000.0, -1.0, kZ, 0.0, 0.0, 2, 100);
    const long bomberRow = m.TotalObjects;
    missions::fillInObjectForMissionType(m, m.TotalObjects++, 79, kX, kGround + kHeight, kZ, 0.0, 90.0, 1, 250);
    m.ObjectList[bomberRow].Seed = 11 << 24;  // way point 10 first
    m.FlyToPoints[10] = {{kX + 5000.0, kGround + kHeight, kZ}, double(bridge) * 65536.0, 0, 0, 0, 11};
    m.FlyToPoints[11] = {{kX + 12000.0, kGround + kHeight, kZ}, 0, 0, 0, 0, -1};
    c->rebuildWorldOnNextGame();  // rebuild the world from the changed record
    c->newDocument();

    auto* bomber = dynamic_cast<AircoDH4*>(c->modelAt(bomberRow));
    ZephModel* target = c->modelAt(bridge);
    auto* bombs = dynamic_cast<AllBombs*>(c->modelAt(ModelArray::kBombs));
    ASSERT_NE(bomber, nullptr);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(bombs, nullptr);
    ASSERT_EQ(bomber->Livery, AircoDH4::kBritishLivery);
    const int32_t score = c->pilotScoring().PilotStats[c->pilotScoring().pilotIndex()].PilotScore;

    bool gunnerTookAim = false;
    int frames = 0;
    const Object3DData& struck = target->getCompleteObjectPtr()->TheObject;
    for (; frames < 2000 && struck.GlobalDeadTime == 0; ++frames) {
        frame(3);
        gunnerTookAim = gunnerTookAim || bomber->Gunner.own.fire.TrackingAircraft == 4;
    }
    ASSERT_TRUE(target->areYouDestroyed()) << frames;  // counts for a victory, though no pilot is credited
    EXPECT_EQ(c->pilotScoring().PilotStats[c->pilotScoring().pilotIndex()].PilotScore, score);
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, 0);
    EXPECT_EQ(bomber->Gunner.own.fire.NumberOfBombs, 0);
    EXPECT_TRUE(gunnerTookAim);
    // The bombs burst along the bomber's line over the bridge, the nearest within its reach.
    double nearest = 1e9;
    for (const auto& mark : bombs->own.marks) {
        if (mark.Pos[1] < -9000.0) continue;
        EXPECT_NEAR(mark.Pos[2], kZ, 20.0);
        nearest = std::min(nearest, std::fabs(mark.Pos[0] - (kX + 5000.0)));
    }
    EXPECT_LT(nearest, struck.BlastDistance);
    // Its bombs gone, the bomber flies on to its next point.
    for (int k = 0; k < 200; ++k) frame(3);
    if (!bomber->areYouDead()) {
        EXPECT_EQ(bomber->own.drivePath, 12);
    }
}

}  // namespace
}  // namespace pellam
