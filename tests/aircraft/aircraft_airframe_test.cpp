// The three airframes: a ground start that rests where it was placed, flying starts, mass with
// fuel and bombs, the record a set-up repairs; then where the Fokkers differ from the Camel: the
// Dr.I's middle wing in every wing loss, the g band of each airframe and the raised strip.
#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

// Each aircraft with the step's rules in reach.
template <typename T>
struct Reach : T {
    using FlyableAircraft::downStateAndHitLimit;
    using FlyableAircraft::gLoadLimits;
};

template <typename T>
struct Airframe : ::testing::Test {
    Airframe() { ZephModel::simulationRandom().seed(1917); }
    void TestBody() override {}
    BasicCamelWorld<Reach<T>> w{std::make_unique<FlatTerrain>(250.0)};
    bool dr1() { return w.a().AircraftType == 77; }
    void fly() { w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    // True when `g` with `bombs` aboard counts as safe.
    bool safe(double g, int bombs) {
        w.a().CurrentNumberOfBombs = static_cast<int16_t>(bombs);
        w.a().DangerousGs = 0;
        w.a().Gs = g / 111.9403027;
        w.camel->gLoadLimits();
        return w.a().DangerousGs == 0;
    }
};
TYPED_TEST_SUITE(Airframe, AllThreeAircraft);
template <typename T>
struct FokkerAirframe : Airframe<T> {};
TYPED_TEST_SUITE(FokkerAirframe, TheFokkers);

TYPED_TEST(Airframe, GroundStartRestsWhereItIsPlacedAndFlyingStartsClearTheGround) {
    auto& w = this->w;
    w.camel->SetUpAircraft(10.0, -1.0, 20.0, 90.0, 400.0, 0.0, 0.2);  // tail down on the field, idle
    const double y0 = w.pos()[1], pitch0 = w.a().AircraftPitch;
    EXPECT_GT(y0, 250.0);
    EXPECT_GT(pitch0, 5.0);
    // Placed on its wheels and skid: with the brakes on it stays put and does not tip.
    w.camel->turnBrakesOn();
    w.run(120);
    EXPECT_NEAR(w.pos()[1], y0, 1.0);  // ft: the gear settles by less than a foot
    EXPECT_NEAR(w.a().AircraftPitch, pitch0, 1.0);
    EXPECT_NEAR(w.pos()[0], 10.0, 0.5);
    EXPECT_EQ(w.a().Damage1, 0u);

    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 50.0, 0.21);  // moving: lifted clear
    EXPECT_GT(w.pos()[1], 500.0);

    BasicCamelWorld<TypeParam> sea;  // ground at exactly 0 breaks the gear of a ground start
    sea.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    EXPECT_EQ(sea.a().Damage1, dmg::GearBroken);
}

TYPED_TEST(Airframe, MassFollowsFuelAndBombsAndTheRecordIsRepaired) {
    auto& w = this->w;
    this->fly();  // engine at 1000 rpm
    const double empty = w.a().Mass;
    w.a().CurrentNumberOfBombs = 2;
    w.camel->FigureMass();
    EXPECT_NEAR((w.a().Mass - empty) * 32.2, 40.0, 1e-9);
    const auto coupled = w.camel->iTensor;
    w.a().CurrentRPM = 0.0;
    w.camel->FigureMass();
    if constexpr (std::is_same_v<TypeParam, ObjectTestFile>) {
        EXPECT_NE(w.camel->iTensor[1], coupled[1]) << "the Camel's rotary couples pitch and yaw";
    } else {
        for (int i : {1, 2, 4, 6, 8, 9}) EXPECT_EQ(w.camel->iTensor[i], 0.0) << i;
    }

    const auto whole = w.camel->Surfaces;
    w.a().Damage1 = 0xffffffu;
    w.a().TotalHits = 50;
    w.camel->Surfaces[0].Area = 1.0;
    this->fly();
    const Aircraft& a = w.a();
    EXPECT_EQ(a.Damage1, 0u);
    EXPECT_EQ(a.Damage2, 0u);
    EXPECT_EQ(a.TotalHits, 0.0);
    EXPECT_EQ(w.camel->Surfaces[0].Area, whole[0].Area);
    EXPECT_EQ(a.WhoShotMe, -1);
    EXPECT_EQ(a.PlayThisSound, -1);
    for (int v = 0; v < a.NumberOfHitVolumes; ++v) {
        const auto& list = a.DamageProbabilities[v].DamageType;
        bool ended = false;
        for (int e = 0; e < 8 && !ended; ++e) ended = list[e] == -1;
        EXPECT_TRUE(ended) << "volume " << v;
    }
}

TYPED_TEST(FokkerAirframe, WingsGoWithTheirMiddleWingAndComeBackWithTheNextSetUp) {
    auto& w = this->w;
    this->fly();
    const auto whole = w.camel->Surfaces;
    w.camel->wingComesOff(1);
    EXPECT_EQ(w.camel->Surfaces[1].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[3].Area, 1.0);
    for (int i = 6; i <= 13; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, 0.0) << i;
    // The Dr.I's right middle wing goes with the right side; the D.VII's surface 26 is a wheel.
    EXPECT_EQ(w.camel->Surfaces[27].Area, this->dr1() ? 1.0 : 0.0);
    EXPECT_EQ(w.camel->Surfaces[26].Area, whole[26].Area);
    w.camel->wingComesOff(7);  // no such side
    EXPECT_EQ(w.camel->Surfaces[0].Area, whole[0].Area);

    this->fly();
    for (int i = 0; i < Aircraft::kSurfaces; ++i) {
        EXPECT_EQ(w.camel->Surfaces[i].Area, whole[i].Area) << i;
        EXPECT_EQ(w.camel->Surfaces[i].NormalXYZ, whole[i].NormalXYZ) << i;
    }

    // Shot down in the air: draws decide between one wing, a broken structure that holds
    // together, and one that lets both wings go. Wait for the second.
    const auto broken = [&] {
        return (w.a().Damage1 & dmg::WingsBroken) && !(w.a().Damage1 & (dmg::LeftWingGone | dmg::RightWingGone));
    };
    for (int tries = 0; tries < 200 && !broken(); ++tries) {
        this->fly();
        w.a().TotalHits = w.a().TotalHitsBeforeDead + 0.5;
        w.camel->downStateAndHitLimit();
    }
    ASSERT_TRUE(broken());
    EXPECT_EQ(w.camel->Surfaces[0].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[1].Area, 3.0);
    EXPECT_EQ(w.camel->Surfaces[26].Area, this->dr1() ? 1.0 : whole[26].Area);
    if (this->dr1()) {
        EXPECT_EQ(w.camel->Surfaces[27].Area, 3.0);
    }
}

template <typename T>
void expectGBand(int bombs, double low, double high) {
    Airframe<T> t;
    t.fly();
    const double e = 1e-9, out = 1e-6;
    EXPECT_TRUE(t.safe(high - e, bombs) && t.safe(low + e, bombs)) << high << " " << bombs;
    EXPECT_FALSE(t.safe(high + out, bombs) || t.safe(low - out, bombs)) << high << " " << bombs;
    t.w.a().Damage1 = dmg::FatalDamage;  // the limits no longer count
    EXPECT_TRUE(t.safe(30.0, bombs));
}

TEST(Airframes, GBandOfEachNarrowsWithBombs) {
    expectGBand<ObjectTestFile>(2, -5.1, 9.1);
    expectGBand<FokkerDr1>(0, -2.5, 3.5);
    expectGBand<FokkerDr1>(5, -1.5, 2.5);
    expectGBand<FokkerDVII>(0, -6.5, 9.5);
}

TEST(FokkerAirframes, DrIOverloadWarnsThenFailsWithItsMiddleWing) {
    Airframe<FokkerDr1> t;
    auto& w = t.w;
    t.fly();
    w.a().Gs = 4.0 / 111.9403027;
    int warnedAt = 0, failedAt = 0;
    for (int i = 1; i <= 5000 && !failedAt; ++i) {
        w.camel->gLoadLimits();
        if (w.a().PlayThisSound == 10) warnedAt = warnedAt ? -1 : i;
        if (w.a().Damage1 & dmg::FatalDamage) failedAt = i;
        if (w.a().PlayThisSound != 9) w.a().PlayThisSound = -1;
    }
    EXPECT_EQ(warnedAt, 20);
    ASSERT_GT(failedAt, 120);
    const int side = (w.a().Damage1 & dmg::LeftWingGone) ? 0 : 1;
    EXPECT_EQ(w.camel->Surfaces[26 + side].Area, 1.0);
    EXPECT_EQ(w.camel->Surfaces[27 - side].Area, 25.0);  // the other middle wing holds
}

TEST(FokkerAirframes, RaisedStripStandsAt850FeetOnlyFromAbove) {
    BasicCamelWorld<FokkerDVII> w(std::make_unique<FlatTerrain>(100.0));
    const struct {
        double x, y;
        double ground;
    } cases[] = {{2329360.0, 900.0, 850.0}, {2329360.0, 848.0, 100.0}, {2329390.5, 900.0, 100.0}};
    for (const auto& c : cases) {
        w.camel->SetUpAircraft(c.x, c.y, 1846000.0, 0.0, 0.0, 100.0, 1.0);
        w.tick();
        EXPECT_EQ(w.a().GroundAltitude, c.ground) << c.x << " " << c.y;
    }
}

}  // namespace
}  // namespace pellam::testing
