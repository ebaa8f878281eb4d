// Ground contact with the Camel's contact points: bouncing, gear collapse, crashes, belly
// landings, brakes and the rule that ends a disabled aircraft left standing.
#include <gtest/gtest.h>

#include "aircraft/ObjectTestFile.h"
#include "flight/FlightModel.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

constexpr double kGround = 100.0;

struct Contact : ::testing::Test {
    Contact() {
        camel.afterLightTexture3dPointChangesFor(nullptr);
        camel.SetUpAircraft(0.0, 500.0, 0.0, 0.0, 0.0, 0.0, 0.0);  // level, at rest, no terrain
        camel.ThisAircraft.PlayThisSound = -1;
    }
    Aircraft& a() { return camel.ThisAircraft; }
    double& y() { return camel.ModelAttitude.Position[1]; }
    Vector3& v() { return camel.XYZVelocity; }
    void contact(double ground = kGround) {
        CheckForGroundInteraction(ground, &a(), &camel.ModelAttitude, camel.iTensor.data(),
                                             v().data(), camel.PBHAcc.data(), &camel.PreviousModelAttitude,
                                             &controller);
    }
    // Level, wheels `gap` ft above (negative: below) the ground, sinking at `sink` ft/tick.
    void onWheels(double gap, double sink) {
        y() = kGround + 4.8 + gap;
        v() = {0.0, -sink, 0.0};
    }

    ObjectTestFile camel;
    testing::TestController controller;
};

TEST_F(Contact, SinkAtTheSpringBouncesAtZeroAndBeyondThreeSpringsCollapses) {
    onWheels(-0.01, a().GearSpring);
    contact();
    EXPECT_EQ(a().OnGround, 0);
    EXPECT_EQ(v()[1], 0.0);
    EXPECT_EQ(a().GearPosition, 1.0);

    onWheels(-0.01, 2.0 * a().GearSpring);
    contact();
    EXPECT_NEAR(v()[1], a().GearSpring * a().BounceFactor, 1e-12);

    onWheels(-0.01, 3.0 * a().GearSpring + 0.001);
    contact();
    EXPECT_EQ(a().GearPosition, 0.8);
    EXPECT_EQ(a().Gear, 0);
    EXPECT_EQ(a().Damage1, dmg::GearBroken | dmg::EngineStopped);
}

TEST_F(Contact, WingTipCrashesOnlyAboveTheExplodeSpeed) {
    a().WingTip[1] = -5.5;  // the lowest point: a tip strike
    y() = kGround + 5.45;
    a().CurrentVelocity = 50.0 / 40.9 - 1e-9;
    v() = {0.0, -0.1, 1.2};
    contact();
    EXPECT_EQ(a().Damage1 & dmg::BlownUp, 0u);
    EXPECT_NE(v()[1], -0.1);  // pushed
    EXPECT_GE(y(), kGround + 5.5 - 1e-9);

    y() = kGround + 5.45;
    a().CurrentVelocity = 51.0 / 40.9;
    contact();
    EXPECT_EQ(a().Damage1 & (dmg::BlownUp | dmg::Down | dmg::ControlsDead), dmg::BlownUp | dmg::Down | dmg::ControlsDead);
    EXPECT_EQ(a().PlayThisSound, 12);

    y() = 5.45;  // on sea-level ground the crash splashes
    a().Damage1 = 0;
    contact(0.0);
    EXPECT_EQ(a().PlayThisSound, 21);
}

TEST_F(Contact, SlowBellyLandingRestsOnTheFuselage) {
    a().GearPosition = 0.0;
    y() = kGround + 1.5;
    a().CurrentVelocity = 0.2 / 40.9;
    v() = {0.0, -0.01, 0.005};
    contact();
    EXPECT_EQ(a().OnGround, 1);
    EXPECT_EQ(v(), (Vector3{0, 0, 0}));
    EXPECT_NEAR(y(), kGround + 1.4, 1e-12);
    EXPECT_TRUE(a().Damage1 & dmg::GearBroken);
    EXPECT_FALSE(a().Damage1 & dmg::UndercarriageDamage);  // the call ends before the sliding damage
}

TEST_F(Contact, BrakesStopDeadBelowThreeMphAndIdleRollsOn) {
    onWheels(0.0, 0.0);
    a().OnGround = 1;
    a().CurrentVelocity = 2.0 / 40.9;
    v() = {0.0, 0.0, 2.0 / 40.9};
    a().Brakes = 1.0;
    contact();
    EXPECT_EQ(v()[2], 0.0);
    EXPECT_EQ(camel.PreviousModelAttitude.Position[2], camel.ModelAttitude.Position[2]);

    a().Brakes = 0.0;
    a().CurrentVelocity = 20.0 / 40.9;
    v() = {0.0, 0.0, 20.0 / 40.9};
    contact();
    EXPECT_NEAR(v()[2], 20.0 / 40.9 * 0.999, 1e-15);
}

TEST_F(Contact, DisabledAircraftStandingStillEndsAfter900Ticks) {
    onWheels(0.0, 0.0);
    a().OnGround = 1;
    a().Damage1 = dmg::EngineStopped;
    a().TimeWhenStoppedMoving = 100;
    controller.missionTime = 1000;
    contact();
    EXPECT_EQ(a().Damage1, dmg::EngineStopped);
    controller.replay = true;
    controller.missionTime = 1001;
    contact();
    EXPECT_EQ(a().Damage1, dmg::EngineStopped);
    controller.replay = false;
    a().RemoteLocal = 1;
    contact();
    EXPECT_EQ(a().Damage1, dmg::EngineStopped);
    a().RemoteLocal = 0;
    a().OnGround = 1;
    contact();
    EXPECT_TRUE(a().Damage1 & dmg::Down);
    EXPECT_TRUE(a().Damage1 & dmg::BlownUp);
    EXPECT_EQ(a().TotalHits, a().TotalHitsBeforeDead + 10.0);
}

}  // namespace
}  // namespace pellam
