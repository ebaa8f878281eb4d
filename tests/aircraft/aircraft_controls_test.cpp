// Controls and pilot view: rate limits, damage limits, trims, normals, throttle rules, brakes,
// gun clearing and head easing.
#include <gtest/gtest.h>

#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

struct Controls : ::testing::Test {
    Controls() { w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    Aircraft& a() { return w.a(); }
    AirSurface& surface(int i) { return w.camel->Surfaces[i]; }
    CamelWorld w;
};

TEST_F(Controls, RateLimitedElevatorTakesTenCallsAbsoluteIsImmediate) {
    for (int i = 1; i <= 10; ++i) {
        w.camel->ElevatorInput(1.0);
        EXPECT_NEAR(a().PElevator, std::min(1.0, 0.1 * i), 1e-12);
    }
    EXPECT_EQ(a().Elevator, 1.0);
    EXPECT_GT(surface(4).NormalXYZ[2], 0.0);
    w.camel->ElevatorInputAbsolute(-1.0);
    EXPECT_EQ(a().Elevator, -1.0);
    EXPECT_LT(surface(4).NormalXYZ[2], 0.0);
}

TEST_F(Controls, DamageLimitsTheControls) {
    a().AIType = 1;
    a().Damage1 = dmg::ElevatorHit;
    w.camel->ElevatorInputAbsolute(1.0);
    EXPECT_EQ(a().Elevator, 0.3);

    a().Damage1 = dmg::LeftAileronHit;
    w.camel->AileronInputAbsolute(1.0);
    // The hit aileron (left upper top, 6) barely moves against the whole one (right upper top, 8).
    EXPECT_LT(std::fabs(surface(6).NormalXYZ[2]), std::fabs(surface(8).NormalXYZ[2]) / 10);
    EXPECT_LT(surface(7).NormalXYZ[1], 0.0);

    w.camel->RudderInputAbsolute(1.0);
    a().Damage1 = dmg::ControlsDead;
    w.camel->ElevatorInputAbsolute(-1.0);
    w.camel->RudderInput(-1.0);
    EXPECT_EQ(a().Elevator, 0.3);
    EXPECT_EQ(a().Rudder, 1.0);
}

TEST_F(Controls, AileronNormalStaysFiniteWhenTheFaceLeansFarSideways) {
    surface(10).NormalXYZ[0] = 0.9;  // a lower aileron tilted hard outward
    w.camel->AileronInputAbsolute(1.0);
    for (int i = 6; i <= 13; ++i) {
        for (double c : surface(i).NormalXYZ) EXPECT_TRUE(std::isfinite(c)) << i;
    }
    EXPECT_EQ(surface(10).NormalXYZ[1], 0.0);
}

TEST_F(Controls, RudderGoesToANewTrim) {
    for (int i = 0; i < 6; ++i) w.camel->RudderInputIncRight();
    w.camel->RudderTrimLeftRight(4);
    EXPECT_GT(a().RudderTrim, 0.0);
    EXPECT_EQ(a().Rudder, a().RudderTrim);
}

TEST_F(Controls, CamelThrottleIsFullOrIdle) {
    w.camel->setThrottle(0.3);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    w.camel->setThrottle(0.6);
    EXPECT_EQ(a().CurrentEngineSetting, 1.0);
    w.camel->throttleDown(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    w.camel->throttleDown(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);  // the down key never stops the engine
    w.camel->throttleUp(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 1.0);
}

TEST_F(Controls, SwitchingOffWorksOnADeadThrottleAndStartingDoesNot) {
    a().Damage1 = dmg::ThrottleDead;
    w.camel->setThrottle(0.0);
    EXPECT_EQ(a().CurrentEngineSetting, 0.0);
    EXPECT_EQ(a().PlayThisSound, 32);
    a().PlayThisSound = -1;
    w.camel->setThrottle(1.0);
    w.camel->throttleUp(1.0);
    EXPECT_EQ(a().CurrentEngineSetting, 0.0);
    EXPECT_EQ(a().PlayThisSound, -1);
    a().Damage1 = 0;
    w.camel->setThrottleToIdle();
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    EXPECT_EQ(a().PlayThisSound, 31);
}

TEST_F(Controls, BrakesAndGunClearing) {
    w.camel->toggleBrakes();
    EXPECT_EQ(a().Brakes, 1.0);
    w.camel->toggleBrakes();
    EXPECT_EQ(a().Brakes, 0.0);
    w.camel->unJamGuns();
    EXPECT_EQ(a().PlayThisSound, 42);
    a().Damage1 = dmg::GunsJammed;
    int cleared = 0;
    for (int i = 0; i < 200; ++i) {
        a().Damage1 = dmg::GunsJammed;
        w.camel->unJamGuns();
        cleared += !(a().Damage1 & dmg::GunsJammed);
    }
    EXPECT_GT(cleared, 100);
    EXPECT_LT(cleared, 180);
}

TEST_F(Controls, LookTargetsAndHeadEasing) {
    w.camel->lookDownToggle();
    const double down = a().PilotHeadToPitch;
    w.camel->lookIncDown();
    EXPECT_EQ(a().PilotHeadToPitch, down) << "held at its limit";
    for (int i = 0; i < 10; ++i) w.camel->lookIncRight();
    EXPECT_EQ(a().PilotHeadToHeading, 157.5);

    a().PilotHeadHeading = 0.0;
    w.camel->movePilotHead();
    EXPECT_NEAR(a().PilotHeadHeading, 15.75, 1e-12);  // a tenth of the gap per call
    for (int i = 0; i < 400; ++i) w.camel->movePilotHead();
    const auto& head = w.camel->PilotAttitude;
    EXPECT_GT(head.Position[0], 0.0);  // turned over the right shoulder
    double n = 0;
    for (double q : head.QAttitude) n += q * q;
    EXPECT_NEAR(n, 1.0, 1e-12);
}

}  // namespace
}  // namespace pellam::testing
