// Controls and pilot view: rate limits, damage limits, trims, normals, throttle rules, brakes,
// look operations and head easing.
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
    EXPECT_NEAR(surface(4).NormalXYZ[2], std::sin(45.0 / 57.295), 1e-12);
    EXPECT_NEAR(surface(4).NormalXYZ[1], std::cos(45.0 / 57.295), 1e-12);
    w.camel->ElevatorInputAbsolute(-1.0);
    EXPECT_EQ(a().Elevator, -1.0);
    EXPECT_LT(surface(4).NormalXYZ[2], 0.0);
    w.camel->AileronInput(1.0);
    EXPECT_NEAR(a().Ailerons, 0.15, 1e-12);
}

TEST_F(Controls, DamageLimitsTheControls) {
    a().AIType = 1;
    a().Damage1 = dmg::ElevatorHit;
    w.camel->ElevatorInputAbsolute(1.0);
    EXPECT_EQ(a().Elevator, 0.3);

    a().Damage1 = dmg::LeftAileronHit;
    w.camel->AileronInputAbsolute(1.0);
    const double right = std::sin(55.0 / 57.295), left = std::sin(-55.0 * 0.05 / 57.295);
    EXPECT_NEAR(surface(8).NormalXYZ[2], right, 1e-12);   // right upper top
    EXPECT_NEAR(surface(6).NormalXYZ[2], left, 1e-12);    // left upper top
    EXPECT_NEAR(surface(7).NormalXYZ[2], -left, 1e-12);   // left upper bottom
    EXPECT_LT(surface(7).NormalXYZ[1], 0.0);

    a().Damage1 = dmg::RudderHit;
    w.camel->RudderInputAbsolute(1.0);
    EXPECT_NEAR(surface(5).NormalXYZ[2], std::sin(35.0 * 0.2 / 57.295), 1e-12);

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

TEST_F(Controls, KeyboardRudderStepsFineThenCoarse) {
    const double expected[] = {0.025, 0.05, 0.075, 0.1, 0.125, 0.225};
    for (double e : expected) {
        w.camel->RudderInputIncRight();
        EXPECT_NEAR(a().Rudder, e, 1e-12);
    }
    w.camel->RudderTrimLeftRight(4);
    EXPECT_NEAR(a().RudderTrim, 0.02, 1e-12);
    EXPECT_NEAR(a().Rudder, 0.02, 1e-12);  // the rudder goes to the new trim
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
    w.camel->look4590Up();
    EXPECT_EQ(a().PilotHeadToPitch, -45.0);
    w.camel->look4590Up();
    EXPECT_EQ(a().PilotHeadToPitch, -90.0);
    w.camel->look4590Up();
    EXPECT_EQ(a().PilotHeadToPitch, -45.0);
    w.camel->lookDownToggle();
    EXPECT_EQ(a().PilotHeadToPitch, 35.0);
    w.camel->lookIncDown();
    EXPECT_EQ(a().PilotHeadToPitch, 35.0);
    for (int i = 0; i < 10; ++i) w.camel->lookIncRight();
    EXPECT_EQ(a().PilotHeadToHeading, 157.5);

    a().PilotHeadHeading = 0.0;
    w.camel->movePilotHead();
    EXPECT_NEAR(a().PilotHeadHeading, 15.75, 1e-12);  // a tenth of the gap per call
    for (int i = 0; i < 400; ++i) w.camel->movePilotHead();
    const auto& head = w.camel->PilotAttitude;
    EXPECT_NEAR(head.Position[0], 0.441, 1e-6);
    EXPECT_NEAR(head.Position[2], -0.809, 1e-6);
    EXPECT_EQ(head.Position[1], 2.58);
    double n = 0;
    for (double q : head.QAttitude) n += q * q;
    EXPECT_NEAR(n, 1.0, 1e-12);
}

}  // namespace
}  // namespace pellam::testing
