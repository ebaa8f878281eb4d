// Both Fokkers' definitions and set-up: placement with their own gear geometry and speeds, the
// engine start rule, mass and inertia, wing loss with and without a middle wing, the controls in
// which the two differ, and the definition tables as the other subsystems read them.
#include <gtest/gtest.h>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

// Each aircraft with the step's rules in reach.
template <typename T>
struct Reach : T {
    using FlyableAircraft::downStateAndHitLimit;
};

template <typename T>
struct FokkerSetUp : ::testing::Test {
    BasicCamelWorld<Reach<T>> w{std::make_unique<FlatTerrain>(250.0)};
    bool dr1() { return w.a().AircraftType == 77; }
};
using Fokkers = ::testing::Types<FokkerDr1, FokkerDVII>;
TYPED_TEST_SUITE(FokkerSetUp, Fokkers);

TYPED_TEST(FokkerSetUp, GroundStartStandsOnItsOwnGear) {
    auto& w = this->w;
    const double tailDown = this->dr1() ? 4.9 : 3.8, angle = this->dr1() ? 17.0 : 13.3;
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 0.0, 0.0, 0.0);
    EXPECT_NEAR(w.pos()[1], 250.0 + tailDown, 1e-9);
    EXPECT_EQ(w.a().AircraftPitch, 0.0);
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 0.0);  // tail down: the height once only
    EXPECT_NEAR(w.pos()[1], 250.0 + tailDown, 1e-9);
    EXPECT_EQ(w.a().AircraftPitch, angle);
    EXPECT_EQ(w.a().Damage1, 0u);
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 50.0, 0.0);  // moving: lifted clear
    EXPECT_NEAR(w.pos()[1], 770.0, 1e-9);
    w.camel->SetUpAircraft(0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0);      // 0 is not a ground start
    EXPECT_EQ(w.pos()[1], 0.0);
    w.camel->SetUpAircraft(0.0, 275.0, 0.0, 0.0, 0.0, 80.0, 1.0);   // 25 ft up: kept
    EXPECT_EQ(w.pos()[1], 275.0);
}

TYPED_TEST(FokkerSetUp, StartOnSeaLevelGroundBreaksTheGear) {
    BasicCamelWorld<TypeParam> sea;
    sea.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    EXPECT_EQ(sea.a().Damage1, dmg::GearBroken);
}

TYPED_TEST(FokkerSetUp, SpeedAndEngineAtTheStart) {
    auto& w = this->w;
    const double top = this->dr1() ? 130.0 : 116.0;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 1.0, 0.2);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, top / 40.9);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.1);
    EXPECT_EQ(w.a().CurrentRPM, 0.0);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 0.5, 0.21);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, top / 2.0 / 40.9);
    EXPECT_EQ(w.a().CurrentEngineSetting, 1.0);
    EXPECT_EQ(w.a().CurrentRPM, 1000.0);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 70.0, 0.0);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, 70.0 / 40.9);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.0);
    EXPECT_EQ(w.camel->EngineVolumeAtStart, 0.0);
}

TYPED_TEST(FokkerSetUp, MassHasNoEngineCoupling) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);  // engine at 1000 rpm
    const double empty = this->dr1() ? 1122.0 : 1845.0, izz = this->dr1() ? 0.5 : 0.35;
    w.a().CurrentNumberOfBombs = 2;
    w.camel->FigureMass();
    const double m = (empty + 180.0 + 40.0) / 32.2;
    EXPECT_DOUBLE_EQ(w.a().Mass, m);
    EXPECT_DOUBLE_EQ(w.camel->iTensor[0], 1.0 / (0.5 * m));
    EXPECT_DOUBLE_EQ(w.camel->iTensor[5], 1.0 / (0.5 * m));
    EXPECT_DOUBLE_EQ(w.camel->iTensor[10], 1.0 / (izz * m));
    for (int i : {1, 2, 4, 6, 8, 9}) EXPECT_EQ(w.camel->iTensor[i], 0.0) << i;
    EXPECT_EQ(w.a().Ixy, 0.0);
}

TYPED_TEST(FokkerSetUp, LostWingsComeBackWithTheNextSetUp) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    const auto whole = w.camel->Surfaces;
    w.camel->wingComesOff(1);
    EXPECT_EQ(w.camel->Surfaces[1].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[3].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[0].Area, whole[0].Area);
    for (int i = 6; i <= 13; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, 0.0) << i;
    // The Dr.I's right middle wing goes with the right side; the D.VII's surfaces 26 and 27 are
    // a wheel and a spare slot, left alone.
    EXPECT_EQ(w.camel->Surfaces[27].Area, this->dr1() ? 1.0 : whole[27].Area);
    EXPECT_EQ(w.camel->Surfaces[26].Area, whole[26].Area);
    w.camel->wingComesOff(7);  // no such side
    EXPECT_EQ(w.camel->Surfaces[0].Area, whole[0].Area);

    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    for (int i = 0; i < Aircraft::kSurfaces; ++i) {
        EXPECT_EQ(w.camel->Surfaces[i].Area, whole[i].Area) << i;
        EXPECT_EQ(w.camel->Surfaces[i].NormalXYZ, whole[i].NormalXYZ) << i;
    }
    EXPECT_EQ(w.a().Damage1, 0u);
}

TYPED_TEST(FokkerSetUp, BrokenStructureCutsEveryWing) {
    auto& w = this->w;
    platform::seedRandom(1917);
    // Shot down in the air: draws decide between a single wing, a broken structure that stays
    // together, and one that lets both wings go. Wait for the second.
    const auto broken = [&] {
        return (w.a().Damage1 & dmg::WingsBroken) && !(w.a().Damage1 & (dmg::LeftWingGone | dmg::RightWingGone));
    };
    for (int tries = 0; tries < 200 && !broken(); ++tries) {
        w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        w.a().TotalHits = w.a().TotalHitsBeforeDead + 0.5;
        w.camel->downStateAndHitLimit();
    }
    ASSERT_TRUE(broken());
    for (int i = 6; i <= 13; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, 0.0) << i;
    EXPECT_EQ(w.camel->Surfaces[0].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[1].Area, 3.0);
    if (this->dr1()) {
        EXPECT_EQ(w.camel->Surfaces[26].Area, 1.0);
        EXPECT_EQ(w.camel->Surfaces[27].Area, 3.0);
    } else {
        EXPECT_EQ(w.camel->Surfaces[26].Area, 2.4749999999999996);  // the right wheel
    }
}

TYPED_TEST(FokkerSetUp, HeadSitsAtItsOwnCockpit) {
    auto& w = this->w;
    const double z = this->dr1() ? -3.1 : -4.3, y = this->dr1() ? 2.1 : 2.88;
    w.camel->movePilotHead();
    EXPECT_EQ(w.camel->PilotAttitude.Position, (std::array<double, 3>{0.0, y, z}));
    w.a().PilotHeadHeading = w.a().PilotHeadToHeading = 157.5;  // looking back over the right shoulder
    w.camel->movePilotHead();
    EXPECT_NEAR(w.camel->PilotAttitude.Position[0], 0.441, 1e-12);
    EXPECT_NEAR(w.camel->PilotAttitude.Position[2], 0.441 + z, 1e-12);
}

TEST(FokkerControls, DrIRunsFullOrIdleAndTheDVIIAnyPower) {
    BasicCamelWorld<FokkerDr1> dr1;
    BasicCamelWorld<FokkerDVII> dvii;
    for (auto* a : {&dr1.a(), &dvii.a()}) a->CurrentEngineSetting = 0.0;
    dr1.camel->setThrottle(0.3);
    dvii.camel->setThrottle(0.3);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 0.1);
    EXPECT_EQ(dvii.a().CurrentEngineSetting, 0.3);
    EXPECT_EQ(dr1.a().PlayThisSound, 31);  // the rotary catches
    EXPECT_EQ(dvii.a().PlayThisSound, 40);
    dr1.camel->setThrottle(0.51);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 1.0);
    dr1.camel->throttleDown(0.25);
    dvii.camel->throttleUp(0.25);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 0.1);
    EXPECT_DOUBLE_EQ(dvii.a().CurrentEngineSetting, 0.55);
    dr1.camel->throttleUp(0.25);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 1.0);
    dvii.camel->setThrottle(-1.0);
    EXPECT_EQ(dvii.a().CurrentEngineSetting, 0.0);
}

// The tables as the hit test, the flight model and the drawing side read them, with the
// irregular entries kept as the aircraft were measured.
TEST(FokkerTables, DrIDefinition) {
    BasicCamelWorld<FokkerDr1> w;
    const Aircraft& a = w.a();
    const auto& s = w.camel->Surfaces;
    EXPECT_EQ(a.AircraftType, 77);
    EXPECT_EQ(a.NumberOfSurfaces, 28);
    EXPECT_EQ(a.Shape, s.data());
    EXPECT_EQ(s[9].LocationXYZ[0], 15.0);   // right upper aileron, bottom face
    EXPECT_EQ(s[8].LocationXYZ[0], 13.0);
    EXPECT_EQ(s[22].LocationXYZ[1], 0.0);   // left rear fuselage side
    EXPECT_EQ(s[21].LocationXYZ[1], 0.42);
    for (int i : {0, 1, 2, 3, 26, 27}) {
        EXPECT_EQ(s[i].TypeOfAirfoil, 4) << i;
        EXPECT_EQ(s[i].KOverAspectRatio, 5.181) << i;
    }
    EXPECT_EQ(s[15].Area, 0.0);
    EXPECT_EQ(s[15].Hints, 20);
    EXPECT_EQ(w.camel->FokkerDr1LeftMiddleWing, 26);
    EXPECT_EQ(w.camel->FokkerDr1RightMiddleWing, 27);
    EXPECT_EQ(a.NumberOfHitVolumes, 7);
    EXPECT_EQ(a.HitVolumeZSize[0], 3.75);
    EXPECT_EQ(a.HitVolumeXCenter[6], 6.0);
    // Wing boxes: the left holds the left aileron and is the less likely to break a strut.
    EXPECT_EQ(a.DamageProbabilities[5].DamageType[2], 0x100);
    EXPECT_EQ(a.DamageProbabilities[6].DamageType[2], 0x200);
    EXPECT_EQ(a.DamageProbabilities[5].Probability[0], 13041.663999999999);
    EXPECT_EQ(a.DamageProbabilities[6].Probability[0], 19595.264);
    EXPECT_EQ(a.DamageProbabilities[6].DamageType[5], -1);
    EXPECT_EQ(a.GunBullets.BulletStartLocation, (std::array<double, 3>{0.578, 1.71, 2.7}));
    EXPECT_EQ(a.GunBullets.TimeBetweenVisibleTracer, 15);
    EXPECT_EQ(a.TotalHitsBeforeDead, 7.0);
    EXPECT_EQ(w.camel->PowerTable[20], 1.0);
    EXPECT_EQ(w.camel->PowerTable[21], 0.75);
    EXPECT_EQ(w.camel->PowerTable[24], 0.0);
    EXPECT_EQ(w.camel->Airfoils[4].PlusStall, 15.0);
    EXPECT_EQ(a.PlusStall, 15.0);
    EXPECT_EQ(a.MinusStall, -12.0);
}

TEST(FokkerTables, DVIIDefinition) {
    BasicCamelWorld<FokkerDVII> w;
    const Aircraft& a = w.a();
    const auto& s = w.camel->Surfaces;
    EXPECT_EQ(a.AircraftType, 64);
    EXPECT_EQ(a.NumberOfSurfaces, 27);
    EXPECT_EQ(s[8].LocationXYZ[0], 15.65);  // right upper aileron, top face
    EXPECT_EQ(s[9].LocationXYZ[0], 18.65);
    for (int i = 0; i < 27; ++i) {
        EXPECT_EQ(s[i].TypeOfAirfoil, i < 4 ? 4 : 0) << i;
        EXPECT_EQ(s[i].KOverAspectRatio, i < 4 ? 14.638679999999999 : 0.0) << i;
    }
    EXPECT_EQ(s[12].NormalXYZ[0], -0.07);
    EXPECT_EQ(s[15].Hints, 17);
    EXPECT_EQ(w.camel->FokkerDVIIHStab, 14);
    EXPECT_EQ(a.HitVolumeZSize[0], 4.0);
    EXPECT_EQ(a.HitVolumeXSize[5], 5.0);
    EXPECT_EQ(a.DamageProbabilities[4].Probability[3], 26148.863999999998);
    EXPECT_EQ(a.GunBullets.BulletStartLocation, (std::array<double, 3>{0.35, 1.91, 2.6}));
    EXPECT_EQ(a.GunBullets.TimeBetweenVisibleTracer, 12);
    EXPECT_EQ(a.BombStartLocation, (std::array<float, 3>{-6.0f, -1.6f, -0.5f}));
    EXPECT_EQ(a.TotalHitsBeforeDead, 9.0);
    EXPECT_EQ(a.ElevatorMax, 40.0);
    EXPECT_EQ(a.AileronMax, 55.0);  // the Dr.I's
}

}  // namespace
}  // namespace pellam::testing
