// The Camel's set-up: placement rules, speed and throttle quantising, mass and inertia, and the
// record's definition as the other subsystems read it.
#include <gtest/gtest.h>

#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

TEST(SetUp, GroundStartRestsOnTheTailSkid) {
    CamelWorld w(std::make_unique<FlatTerrain>(300.0));
    w.camel->SetUpAircraft(10.0, -1.0, 20.0, 90.0, 400.0, 0.0, 0.0);
    EXPECT_NEAR(w.pos()[1], 303.8, 1e-9);
    EXPECT_EQ(w.a().AircraftPitch, 13.3);
    EXPECT_EQ(w.a().CurrentVelocity, 0.0);
    EXPECT_EQ(w.camel->XYZVelocity, (Vector3{0, 0, 0}));
    EXPECT_EQ(w.a().Damage1, 0u);
    // The nose points along heading 90 (+X), raised by the tail-down angle.
    double m[16] = {};
    ZephModel::quaternionToMatrix(w.camel->ModelAttitude.QAttitude.data(), m);
    const double nose[3] = {0, 0, 1};
    double f[3];
    ZephModel::RotateVector(nose, f, m);
    EXPECT_NEAR(f[0], std::cos(13.3 / 57.29577951), 1e-9);
    EXPECT_NEAR(f[1], std::sin(13.3 / 57.29577951), 1e-9);
}

TEST(SetUp, StartOnSeaLevelGroundBreaksTheGear) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 0.0);
    EXPECT_EQ(w.a().Damage1, dmg::GearBroken);
}

TEST(SetUp, FlyingStartNearTheGroundBeginsHigher) {
    CamelWorld w(std::make_unique<FlatTerrain>(90.0));
    w.camel->SetUpAircraft(0.0, 100.0, 0.0, 0.0, 0.0, 80.0, 1.0);
    EXPECT_EQ(w.pos()[1], 610.0);
    w.camel->SetUpAircraft(0.0, 110.0, 0.0, 0.0, 0.0, 80.0, 1.0);  // 20 ft up: kept
    EXPECT_EQ(w.pos()[1], 110.0);
    w.camel->SetUpAircraft(0.0, 100.0, 0.0, 0.0, 0.0, 0.05, 1.0);  // 0.05 of top speed is a flying start
    EXPECT_EQ(w.pos()[1], 610.0);
}

TEST(SetUp, FractionalSpeedIsShareOfTopSpeedAndMotionIsConsistent) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 0.5, 1.0);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, 65.0 / 40.9);
    EXPECT_NEAR(w.camel->XYZVelocity[2], 65.0 / 40.9, 1e-12);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(w.camel->PreviousModelAttitude.Position[i], w.pos()[i] - w.camel->XYZVelocity[i]);
    }
}

TEST(SetUp, ThrottleIsOffIdleOrFull) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 80.0, 0.2);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.1);
    EXPECT_EQ(w.a().CurrentRPM, 0.0);
    EXPECT_EQ(w.camel->EngineVolumeAtStart, 180.0);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 80.0, 0.3);
    EXPECT_EQ(w.a().CurrentEngineSetting, 1.0);
    EXPECT_EQ(w.a().CurrentRPM, 1000.0);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 80.0, 0.0);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.0);
    EXPECT_EQ(w.camel->EngineVolumeAtStart, 0.0);
}

TEST(SetUp, MassAndInertiaFollowFuelBombsAndEngineSpeed) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 80.0, 0.0);
    const double m = 1455.0 / 32.2;
    EXPECT_DOUBLE_EQ(w.a().Mass, m);
    EXPECT_DOUBLE_EQ(w.camel->iTensor[0], 1.0 / (0.5 * m));
    EXPECT_DOUBLE_EQ(w.a().Ixy, -5.7);  // engine stopped
    EXPECT_DOUBLE_EQ(w.camel->iTensor[1], 1.0 / (-5.7 * m));
    EXPECT_DOUBLE_EQ(w.camel->iTensor[4], 1.0 / (-5.7 * m));
    w.a().CurrentRPM = 1200.0;
    w.a().CurrentNumberOfBombs = 2;
    w.camel->FigureMass();
    EXPECT_DOUBLE_EQ(w.a().Mass, 1495.0 / 32.2);
    EXPECT_NEAR(w.a().Ixy, -5.0, 1e-12);
}

TEST(SetUp, RecordIsCompleteAndRepaired) {
    CamelWorld w;
    w.a().Damage1 = 0xffffffu;
    w.a().TotalHits = 50;
    w.camel->Surfaces[0].Area = 1.0;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 80.0, 1.0);
    const Aircraft& a = w.a();
    EXPECT_EQ(a.Damage1, 0u);
    EXPECT_EQ(a.Damage2, 0u);
    EXPECT_EQ(a.TotalHits, 0.0);
    EXPECT_EQ(w.camel->Surfaces[0].Area, 43.0);
    EXPECT_EQ(a.HitY, -15000.0);
    EXPECT_EQ(a.WhoShotMe, -1);
    EXPECT_EQ(a.AIType, -1);
    EXPECT_EQ(a.PlayThisSound, -1);
    EXPECT_EQ(a.NumberOfHitVolumes, 7);
    for (int v = 0; v < a.NumberOfHitVolumes; ++v) {
        const auto& list = a.DamageProbabilities[v].DamageType;
        bool ended = false;
        for (int e = 0; e < 8 && !ended; ++e) ended = list[e] == -1;
        EXPECT_TRUE(ended) << "volume " << v;
    }
    EXPECT_EQ(a.TakeOffPoints[9].PointXYZ[0], 0.0);  // untouched by the pattern
}

}  // namespace
}  // namespace pellam::testing
