// The Fokkers' airframes where they differ from the Camel: placement on their own gear, speeds
// and engines, mass without engine coupling, the Dr.I's middle wing in every wing loss, the g
// band of each airframe, the controls in which the two differ, and the irregular table entries
// that are kept as the aircraft were measured.
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
using Fokkers = ::testing::Types<FokkerDr1, FokkerDVII>;
TYPED_TEST_SUITE(Airframe, Fokkers);

TYPED_TEST(Airframe, StartsOnItsOwnGearAtItsOwnSpeeds) {
    auto& w = this->w;
    const double tailDown = this->dr1() ? 4.9 : 3.8, angle = this->dr1() ? 17.0 : 13.3;
    const double top = this->dr1() ? 130.0 : 116.0;
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 0.0, 0.0, 0.2);
    EXPECT_NEAR(w.pos()[1], 250.0 + tailDown, 1e-9);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.1);
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 0.21);  // tail down: the height once only
    EXPECT_NEAR(w.pos()[1], 250.0 + tailDown, 1e-9);
    EXPECT_EQ(w.a().AircraftPitch, angle);
    EXPECT_EQ(w.a().CurrentEngineSetting, 1.0);
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 50.0, 0.0);  // moving: lifted clear
    EXPECT_NEAR(w.pos()[1], 770.0, 1e-9);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 1.0, 1.0);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, top / 40.9);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 0.5, 1.0);
    EXPECT_DOUBLE_EQ(w.a().CurrentVelocity, top / 2.0 / 40.9);

    BasicCamelWorld<TypeParam> sea;  // ground at exactly 0 breaks the gear of a ground start
    sea.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    EXPECT_EQ(sea.a().Damage1, dmg::GearBroken);
}

TYPED_TEST(Airframe, MassHasNoEngineCoupling) {
    auto& w = this->w;
    this->fly();  // engine at 1000 rpm
    const double empty = this->dr1() ? 1122.0 : 1845.0, izz = this->dr1() ? 0.5 : 0.35;
    w.a().CurrentNumberOfBombs = 2;
    w.camel->FigureMass();
    const double m = (empty + 180.0 + 40.0) / 32.2;
    EXPECT_DOUBLE_EQ(w.a().Mass, m);
    EXPECT_DOUBLE_EQ(w.camel->iTensor[0], 1.0 / (0.5 * m));
    EXPECT_DOUBLE_EQ(w.camel->iTensor[10], 1.0 / (izz * m));
    for (int i : {1, 2, 4, 6, 8, 9}) EXPECT_EQ(w.camel->iTensor[i], 0.0) << i;
}

TYPED_TEST(Airframe, WingsGoWithTheirMiddleWingAndComeBackWithTheNextSetUp) {
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

TYPED_TEST(Airframe, HeadSitsAtItsOwnCockpit) {
    auto& w = this->w;
    const double z = this->dr1() ? -3.1 : -4.3;
    w.camel->movePilotHead();
    EXPECT_EQ(w.camel->PilotAttitude.Position[2], z);
    EXPECT_EQ(w.camel->PilotAttitude.Position[1], this->dr1() ? 2.1 : 2.88);
    w.a().PilotHeadHeading = w.a().PilotHeadToHeading = 157.5;  // over the right shoulder
    w.camel->movePilotHead();
    EXPECT_NEAR(w.camel->PilotAttitude.Position[0], 0.441, 1e-12);
    EXPECT_NEAR(w.camel->PilotAttitude.Position[2], 0.441 + z, 1e-12);
}

TEST(FokkerAirframes, GBandOfEachNarrowsWithBombs) {
    Airframe<FokkerDr1> dr1;
    Airframe<FokkerDVII> dvii;
    const double e = 1e-9, out = 1e-6;
    const struct {
        Airframe<FokkerDr1>* dr1;
        Airframe<FokkerDVII>* dvii;
        int bombs;
        double low, high;
    } bands[] = {{&dr1, nullptr, 0, -2.5, 3.5}, {&dr1, nullptr, 1, -2.3, 3.3}, {&dr1, nullptr, 5, -1.5, 2.5},
                 {nullptr, &dvii, 0, -6.5, 9.5}, {nullptr, &dvii, 2, -6.1, 9.1}};
    for (const auto& b : bands) {
        auto safe = [&](double g) { return b.dr1 ? b.dr1->safe(g, b.bombs) : b.dvii->safe(g, b.bombs); };
        EXPECT_TRUE(safe(b.high - e) && safe(b.low + e)) << b.high << " " << b.bombs;
        EXPECT_FALSE(safe(b.high + out) || safe(b.low - out)) << b.high << " " << b.bombs;
    }
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

TEST(FokkerAirframes, DrIRunsFullOrIdleAndTheDVIIAnyPower) {
    BasicCamelWorld<FokkerDr1> dr1;
    BasicCamelWorld<FokkerDVII> dvii;
    dr1.a().CurrentEngineSetting = dvii.a().CurrentEngineSetting = 0.0;
    dr1.camel->setThrottle(0.3);
    dvii.camel->setThrottle(0.3);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 0.1);
    EXPECT_EQ(dvii.a().CurrentEngineSetting, 0.3);
    EXPECT_EQ(dr1.a().PlayThisSound, 31);  // the rotary catches
    EXPECT_EQ(dvii.a().PlayThisSound, 40);
    dr1.camel->throttleUp(0.25);
    dvii.camel->throttleUp(0.25);
    EXPECT_EQ(dr1.a().CurrentEngineSetting, 1.0);
    EXPECT_DOUBLE_EQ(dvii.a().CurrentEngineSetting, 0.55);
}

TEST(FokkerAirframes, IrregularEntriesAreKept) {
    BasicCamelWorld<FokkerDr1> dr1;
    BasicCamelWorld<FokkerDVII> dvii;
    EXPECT_EQ(dr1.a().NumberOfSurfaces, 28);
    EXPECT_EQ(dvii.a().NumberOfSurfaces, 27);
    EXPECT_EQ(dr1.camel->Surfaces[9].LocationXYZ[0], 15.0);    // not 13.0 as its top face
    EXPECT_EQ(dr1.camel->Surfaces[22].LocationXYZ[1], 0.0);    // not 0.42 as the right side
    EXPECT_EQ(dvii.camel->Surfaces[8].LocationXYZ[0], 15.65);  // not 18.65 as its bottom face
    // The wing boxes: the left holds the left aileron and less often breaks a strut.
    const auto& d = dr1.a().DamageProbabilities;
    EXPECT_EQ(d[5].DamageType[2], 0x100);
    EXPECT_EQ(d[6].DamageType[2], 0x200);
    EXPECT_LT(d[5].Probability[0], d[6].Probability[0]);
    EXPECT_EQ(dvii.a().DamageProbabilities[6].DamageType[2], 0x200);
}

}  // namespace
}  // namespace pellam::testing
