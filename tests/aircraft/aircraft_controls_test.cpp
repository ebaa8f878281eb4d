// Controls: damage limits, normals and a dead throttle (gun clearing is in the weapons tests).
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

}  // namespace
}  // namespace pellam::testing
