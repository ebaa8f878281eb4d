// The AI's control laws against a stand-in aircraft whose controls move as the real ones do.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/AiPilot.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {
namespace {

// +3.1 rad against -178 deg: a small roll through inverted, not 6.2 rad the long way.
TEST(AiLaws, BankTargetTakesTheShortWayRound) {
    FakeAircraft f;
    f.a.AircraftBank = -178.0;
    MainSetBankTarget(3.1, 1.0, &f);
    EXPECT_LT(f.a.Ailerons, 0.0);
    EXPECT_GT(f.a.Ailerons, -0.5);
}

TEST(AiLaws, AngleStepperCrossesTheSeam) {
    double a = 3.1;
    MoveA(&a, -3.1, 10.0);
    EXPECT_NEAR(a, -3.1, 1e-4);
    a = 0.0;
    MoveA(&a, 1.0, 10.0);
    EXPECT_NEAR(a, 0.174532, 1e-6);
}

TEST(AiLaws, PilotNumberFromAFileIsHeldToTheTable) {
    FakeAircraft f;
    f.profiles[9].ShootDistance = 123.0;
    f.profiles[9].XAim = f.profiles[9].YAim = 0.1;
    for (int32_t n : {10, 4000, -7}) {
        f.a.aiPilotNumber = n;
        ShouldIShoot(100.0, 0.0, 0.0, &f);  // reads a profile, and never past the table
    }
    f.a.aiPilotNumber = 4000;
    ShouldIShoot(120.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 1);  // record 9
    f.a.aiPilotNumber = 5;         // an empty record: never fires
    ShouldIShoot(10.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 0);
    f.a.aiPilotsPtr = nullptr;     // no table handed over: the built-in profiles
    f.a.aiPilotNumber = 0;
    ShouldIShoot(1900.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 1);
}

}  // namespace
}  // namespace pellam::testing
