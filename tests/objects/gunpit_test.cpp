// The flak gun and the machine-gun post in their pits: whom they engage, where the barrel
// points and the destroyed pit (paused and replayed in the running game in the effects tests);
// and every armed unit made by the mission object factory from its code.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/ArmedModels.h"
#include "objects/ArmedObjects.h"
#include "missions/ObjectFactory.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using testing::ArmedWorld;

struct Pits : ::testing::Test {
    Pits() { platform::seedRandom(9); }
    ArmedWorld w;
    AAAGunWWI& flak() { return w.unit<AAAGunWWI>(armed::createFlakGun(), {1000, ArmedWorld::kGround, 2000}); }
    AAAMachineGunWWI& post() {
        return w.unit<AAAMachineGunWWI>(armed::createMachineGunPost(), {1000, ArmedWorld::kGround, 2000});
    }
    // The world direction of the muzzle (+z of the barrel) as the gun is drawn.
    static std::array<double, 3> muzzle(GunPit& g, int32_t t) {
        g.getDrawingData(t);
        const auto& m = g.ThisModel.OptionalObjectMatrix[1];
        const double z[3] = {0, 0, 1};
        double out[3];
        ZephModel::RotateVector(z, out, m.data());
        return {out[0], out[1], out[2]};
    }
};

TEST_F(Pits, FlakEngagesInsideItsBoxAndPointsItsBarrelAtTheTarget) {
    AAAGunWWI& g = flak();
    testing::RecordAircraft& e = w.aircraft(3, 2, {1000, ArmedWorld::kGround - 2100, 2000});
    g.callEveryTick(true, 1, false);
    EXPECT_EQ(g.MyFireData.TrackingAircraft, -1);
    e.ModelAttitude.Position = {1000, ArmedWorld::kGround + 11265, 2000};
    g.callEveryTick(true, 2, false);
    EXPECT_EQ(g.MyFireData.TrackingAircraft, -1);
    // Before any target the barrel lies level, along the pit's +z.
    auto d = muzzle(g, 2);
    EXPECT_NEAR(d[2], 1.0, 1e-9);

    e.ModelAttitude.Position = {1000 + 3000, ArmedWorld::kGround + 3000, 2000};  // outside 2500
    g.callEveryTick(true, 3, false);
    EXPECT_EQ(g.MyFireData.TrackingAircraft, -1);
    e.ModelAttitude.Position = {1000 + 1500, ArmedWorld::kGround + 1500, 2000};  // 45 degrees up, to +x
    g.callEveryTick(true, 4, false);
    EXPECT_EQ(g.MyFireData.TrackingAircraft, 3);
    d = muzzle(g, 4);
    EXPECT_NEAR(d[0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(d[1], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(d[2], 0.0, 1e-6);

    e.ModelAttitude.Position = {1000, ArmedWorld::kGround + 1500, 2000};  // straight above
    g.callEveryTick(true, 5, false);
    EXPECT_NEAR(muzzle(g, 5)[1], 1.0, 1e-6);
    e.ModelAttitude.Position = {1000 - 400, ArmedWorld::kGround - 300, 2000 - 300};  // below: level
    g.callEveryTick(true, 6, false);
    d = muzzle(g, 6);
    EXPECT_NEAR(d[1], 0.0, 1e-9);
    EXPECT_NEAR(d[0], -0.8, 1e-6);
    EXPECT_NEAR(d[2], -0.6, 1e-6);
    // The barrel's trunnions ride 7 ft above the pit.
    EXPECT_NEAR(g.ThisModel.OptionalObjectMatrix[1][13], ArmedWorld::kGround + 7.0, 1e-9);
}

// Destroyed, the pit vanishes over its scorched patch; a reset brings it back.
TEST_F(Pits, TheDestroyedPitShowsItsPatchUntilAReset) {
    AAAGunWWI& g = flak();
    g.ThisModel.TheObject.GlobalDeadTime = 2000;
    g.callEveryTick(true, 2002, false);
    ASSERT_NE(g.Replay.find(2002), nullptr);  // a wreck still records while the game runs
    g.getDrawingData(2002);
    const OnePolygonVer2* poly = g.ModelPointsPolys().ThePolygons;
    EXPECT_EQ(poly[armed::pit::kPit].MapNumber, -1);
    EXPECT_FALSE(poly[armed::pit::kPatch].DrawHints & 0x2);
    EXPECT_EQ(poly[armed::pit::kPatch].MapNumber, g.DeadTexture);
    g.resetModel();
    g.getDrawingData(2003);
    EXPECT_EQ(poly[armed::pit::kPit].MapNumber, 0);
    EXPECT_EQ(g.Replay.find(2002), nullptr);
}

// The post: the flak gun's pit without burst or flash quads, and a machine gunner.
TEST_F(Pits, ThePostsGunnerEngagesWithoutBurstsOrFlashes) {
    AAAMachineGunWWI& p = post();
    w.aircraft(0, 2, {1100, ArmedWorld::kGround + 400, 2200});
    for (int32_t t = 1; t < 100; ++t) p.callEveryTick(true, t, false);
    p.getDrawingData(100);
    for (int k = 0; k < armed::pit::kBursts + armed::pit::kFlashes; ++k) {
        EXPECT_TRUE(p.ModelPointsPolys().ThePolygons[k].DrawHints & 0x2) << k;
    }
    EXPECT_GT(p.barrelElevation(), 0.5);
}

// Registered with the mission object factory, each code makes its class, armed or not, placed
// from its row: a balloon keeps the row's heading, a pit faces north whatever the row says.
TEST(ArmedUnitCodes, TheFactoryMakesEachCodesUnitFromItsRow) {
    missions::ObjectFactory factory;
    factory.registerKind(61, armed::createArmedBalloon);
    factory.registerKind(62, armed::createArmedBalloonA);
    factory.registerKind(65, armed::createFlakGun);
    factory.registerKind(66, armed::createUnarmedBalloon);
    factory.registerKind(67, armed::createUnarmedBalloonA);
    factory.registerKind(74, armed::createMachineGunPost);
    ModelArray array;
    missions::FactoryContext context;
    for (int32_t code : {61, 62, 65, 66, 67, 74}) {
        missions::ObjectForMission row;
        row.ObjectCode = code;
        row.Location[0] = 100.0 * code;
        row.Location[1] = 800.0;
        row.Heading = 30.0;
        row.Team = 2;
        row.Points = -1;
        factory.loadCorrectObject(row, array, context);
    }
    ASSERT_EQ(array.size(), 6);
    auto* armedG = dynamic_cast<BalloonWWI*>(array.at(0));
    auto* armedA = dynamic_cast<BalloonAWWI*>(array.at(1));
    auto* unarmedG = dynamic_cast<BalloonWWI*>(array.at(3));
    auto* unarmedA = dynamic_cast<BalloonAWWI*>(array.at(4));
    ASSERT_TRUE(armedG && armedA && unarmedG && unarmedA);
    EXPECT_EQ(dynamic_cast<BalloonAWWI*>(array.at(0)), nullptr);
    EXPECT_TRUE(armedG->CanShoot && armedA->CanShoot);
    EXPECT_FALSE(unarmedG->CanShoot || unarmedA->CanShoot);
    EXPECT_EQ(armedG->getObjectHeading(), 30.0);
    auto* flak = dynamic_cast<AAAGunWWI*>(array.at(2));
    auto* post = dynamic_cast<AAAMachineGunWWI*>(array.at(5));
    ASSERT_TRUE(flak && post);
    EXPECT_EQ(flak->getObjectHeading(), 0.0);
    EXPECT_EQ(flak->ThisModel.TheObject.Team, 2);
}

}  // namespace
}  // namespace pellam
