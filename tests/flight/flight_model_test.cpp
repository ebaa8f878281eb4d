// The flight model where it must stay sound: a moment curve with a bad slope, the turn rate and
// the smoothing block, the per-surface forces in odd flows, fuel running out, and the deck hook.
// (Lift, drag and the integration as a whole fly in the scripted flights and the seeded fights.)
#include <gtest/gtest.h>

#include <cmath>

#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

// Entry 1 takes the power-law moment; entry 2 is a blade; entry 4 the wing's airfoil.
std::array<AirFoilDef, 8> foils() {
    std::array<AirFoilDef, 8> f{};
    f[1] = {0.095, 0.2, 16, -16, 13, -13, 0.01, 7000, 0.3 / 32.0};
    f[2] = {0.07, 0.35, 21, -21, 19, -19, 0.018, 2045, 0.3 / 42.0};
    f[4] = {0.065, 0.2, 15, -12, 13, -10, 0.018, 2045, 0.01};
    return f;
}

TEST(Airfoil, PowerLawMomentStaysFiniteWithANegativeSlope) {
    auto f = foils();
    f[1].MaxMoment = -0.01;
    for (double aoa : {-10.0, -0.5, 0.0, 0.5, 10.0}) {
        const double m = GetCMo(1, aoa, f.data(), 16.0);
        EXPECT_TRUE(std::isfinite(m)) << aoa;
        if (aoa > 0) { EXPECT_LT(m, 0.0); }
        if (aoa < 0) { EXPECT_GT(m, 0.0); }
    }
}

TEST(Integration, TurnRateMovesAttitudeAndSlerpBlockTogether) {
    QNion pose;
    double slerp[5] = {1, 0, 0, 0, 0};
    const double none[3] = {};
    doVelocityToAngle(none, none, &pose, slerp);
    EXPECT_EQ(pose.QAttitude, (Quaternion{1, 0, 0, 0}));

    // 2 deg/tick about X then 0: the mean is 1 deg, the same turn as a 1-deg pitch down.
    const double prev[3] = {2.0, 0, 0}, now[3] = {0, 0, 0};
    doVelocityToAngle(prev, now, &pose, slerp);
    EXPECT_EQ(slerp[0], 1.0);  // switch off: the block stays as it was
    ZephModel expected;
    expected.rotatePitchByDegrees(1.0);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(pose.QAttitude[i], expected.ModelAttitude.QAttitude[i], 1e-12);
    slerp[4] = 1.0;
    doVelocityToAngle(prev, now, &pose, slerp);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(slerp[i], expected.ModelAttitude.QAttitude[i], 1e-12);
}

// A record with one wing surface of airfoil 4 and the fields the force step reads.
struct OneWing {
    OneWing() {
        a.Shape = s.data();
        a.NumberOfSurfaces = 1;
        a.PlusStall = 15, a.MinusStall = -12;
        s[0] = AirSurface{};
        s[0].Area = 100, s[0].Cdp = 1.18, s[0].KOverAspectRatio = 7.74324, s[0].TypeOfAirfoil = 4;
        s[0].NormalXYZ = {0, 1, 0};
        s[0].Hints = hint::Airfoil;
        a.CMoFactor = 1.0;
    }
    // Moves the aircraft by d (ft) over one tick, level, and computes the forces.
    void fly(double dx, double dy, double dz) {
        QNion now, before;
        now.Position = {dx, dy, dz};
        figureAeroForce(0.002377, &a, &now, &before, f.data());
    }
    Aircraft a{};
    std::array<AirSurface, 32> s{};
    std::array<AirFoilDef, 8> f = foils();
};

TEST(AeroForce, SlowMotionGivesNoForceAndKeepsTheFlightPathAngles) {
    OneWing w;
    w.a.PitchOffDegrees = 7.0;
    w.s[0].ForceXYZ = {1, 1, 1};
    w.fly(0.0, 0.0, 0.09);
    EXPECT_EQ(w.s[0].ForceXYZ, (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(w.a.PitchOffDegrees, 7.0);
}

TEST(AeroForce, OneSidedPlateTakesNoForceFromBehind) {
    OneWing w;
    w.s[0].Hints = hint::OneSided;
    w.s[0].NormalXYZ = {0, 0, -1};  // faces back, the flow comes on its back
    w.fly(0, 0, 2);
    EXPECT_EQ(w.s[0].ForceXYZ, (std::array<double, 3>{0, 0, 0}));
    w.s[0].Hints = 0;  // two-sided: drag against the motion
    w.fly(0, 0, 2);
    EXPECT_LT(w.s[0].ForceXYZ[2], 0.0);
}

// Propeller and engine of the Camel's values in a bare record.
struct Engine {
    Engine() {
        a.BladeArea = 6.4, a.BladeDiameter = 8.84, a.BladeMinAngle = a.BladeMaxAngle = 39.0;
        a.EngineTorque = 0.06303030303030303, a.RPMSetting = 1200, a.PressureAltitude = 0.0023;
        a.FuelUseAtFullThrottle = 0.000277777, a.FuelLoadInPounds = 180, a.CurrentEngineSetting = 1.0;
        a.CurrentRPM = 1000;
    }
    void run(double vz = 2.0) {
        QNion now, before;
        now.Position = {0, 0, vz};
        FigureEnginePowerDrag(&a, &now, &before, f.data());
    }
    Aircraft a{};
    std::array<AirFoilDef, 8> f = foils();
};

TEST(Engine, FuelExactlyEmptyStillRunsButBelowStops) {
    Engine e;
    e.a.FuelLoadInPounds = 0.000277777;
    e.run();
    EXPECT_EQ(e.a.FuelLoadInPounds, 0.0);
    EXPECT_FALSE(e.a.Damage1 & dmg::EngineStopped);
    EXPECT_GT(e.a.EngineThrust, 0.0);
    e.run();
    EXPECT_EQ(e.a.FuelLoadInPounds, 0.0);
    EXPECT_TRUE(e.a.Damage1 & dmg::EngineStopped);
}

TEST(CarrierDeck, NoObjectIsADeck) {
    testing::TestController c;
    c.models.put(ModelArray::kFirstAircraft, std::make_unique<ZephModel>());
    double deck[2] = {0.0, 7.0};
    EXPECT_FALSE(quickOverCarrierCheck(nullptr, &c.models, deck));
    EXPECT_EQ(deck[0], 30.0);
    EXPECT_EQ(deck[1], 7.0);
}

}  // namespace
}  // namespace pellam
