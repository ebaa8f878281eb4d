// The flight model where it must stay sound: a moment curve with a bad slope, a surface in too slow
// a flow, fuel running out and the deck hook (lift, drag and the integration fly in the scripted
// flights); then ground contact: bouncing, gear collapse, crashes, belly landings, brakes and the
// rule that ends a disabled aircraft left standing.
#include <gtest/gtest.h>

#include <cmath>

#include "aircraft/ObjectTestFile.h"
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

// ---- Ground contact with the Camel's contact points.

constexpr double kGround = 100.0;

struct Contact : ::testing::Test {
    Contact() {
        camel.afterLightTexture3dPointChangesFor(nullptr);
        camel.SetUpAircraft(0.0, 500.0, 0.0, 0.0, 0.0, 0.0, 0.0);  // level, at rest, no terrain
        camel.ThisAircraft.PlayThisSound = -1;
    }
    Aircraft& a() { return camel.ThisAircraft; }
    double& y() { return camel.live.attitude.Position[1]; }
    Vector3& v() { return camel.live.velocity; }
    void contact(double ground = kGround) {
        CheckForGroundInteraction(ground, &a(), &camel.live.attitude, camel.iTensor.data(),
                                             v().data(), camel.live.rotation.data(), &camel.live.previousAttitude,
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

TEST_F(Contact, BrakesStopDeadBelowThreeMph) {
    onWheels(0.0, 0.0);
    a().OnGround = 1;
    a().CurrentVelocity = 2.0 / 40.9;
    v() = {0.0, 0.0, 2.0 / 40.9};
    a().Brakes = 1.0;
    contact();
    EXPECT_EQ(v()[2], 0.0);
    EXPECT_EQ(camel.live.previousAttitude.Position[2], camel.live.attitude.Position[2]);
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
