// The three airframes: a ground start that rests where it was placed, the record a set-up repairs,
// a crash that blows up once and the reset that rebuilds the wreck at its start; the shared guns
// and bombs: muzzles that alternate, tracers at an interval, bombs hung in mirrored pairs and
// dropped last first, bombs that go with a lost wing, damage effects that come once; then where
// the Fokkers differ from the Camel: the Dr.I's middle wing in every wing loss and overload, and
// the raised strip.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;  // ft; ground at exactly 0 would count as water

template <typename T>
struct Airframe : ::testing::Test {
    Airframe() {
        ZephModel::simulationRandom().seed(1917);
        bombs = static_cast<BombsPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        fly();
    }
    void TestBody() override {}
    bool dr1() { return w.a().AircraftType == 77; }
    void fly() { w.camel->SetUpAircraft(0.0, kField + 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    BasicCamelWorld<Reach<T>> w{std::make_unique<FlatTerrain>(kField)};
    BombsPool* bombs = nullptr;
};
TYPED_TEST_SUITE(Airframe, AllThreeAircraft);
template <typename T>
struct FokkerAirframe : Airframe<T> {};
TYPED_TEST_SUITE(FokkerAirframe, TheFokkers);

TYPED_TEST(Airframe, GroundStartRestsWhereItIsPlacedAndFlyingStartsClearTheGround) {
    auto& w = this->w;
    w.camel->SetUpAircraft(10.0, -1.0, 20.0, 90.0, 400.0, 0.0, 0.2);  // tail down on the field, idle
    const double y0 = w.pos()[1], pitch0 = w.a().AircraftPitch;
    EXPECT_GT(y0, kField);
    EXPECT_GT(pitch0, 5.0);
    // Placed on its wheels and skid: with the brakes on it stays put and does not tip.
    w.camel->turnBrakesOn();
    w.run(120);
    EXPECT_NEAR(w.pos()[1], y0, 1.0);  // ft: the gear settles by less than a foot
    EXPECT_NEAR(w.a().AircraftPitch, pitch0, 1.0);
    EXPECT_NEAR(w.pos()[0], 10.0, 0.5);
    EXPECT_EQ(w.a().Damage1, 0u);

    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 50.0, 0.21);  // moving: lifted clear
    EXPECT_GT(w.pos()[1], kField + 500.0);

    BasicCamelWorld<TypeParam> sea;  // ground at exactly 0 breaks the gear of a ground start
    sea.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    EXPECT_EQ(sea.a().Damage1, dmg::GearBroken);
}

TYPED_TEST(Airframe, SetUpRepairsTheRecord) {
    auto& w = this->w;
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

// Nose first into the field: one explosion, the wreck stays where it hit; a reset (a restart or
// a new life) rebuilds it where it started and forgets the flight.
TYPED_TEST(Airframe, CrashBlowsUpOnceAndAResetRebuildsTheWreckAtItsStart) {
    auto& w = this->w;
    w.camel->copyCurrentQNionToStart();
    const auto whole = w.camel->Surfaces;
    w.camel->setNumberOfBombs(2);
    w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    w.run(600, [&] {
        w.camel->ElevatorInputAbsolute(-1.0);
        return !(w.a().Damage1 & dmg::BlownUp);
    });
    const uint32_t crash = dmg::BlownUp | dmg::Down | dmg::ControlsDead;
    EXPECT_EQ(w.a().Damage1 & crash, crash);
    EXPECT_NEAR(w.pos()[1], kField, 1.01);
    w.run(120);
    EXPECT_TRUE(w.finite());
    EXPECT_EQ(w.camel->XYZVelocity, (Vector3{0, 0, 0}));
    EXPECT_EQ(w.a().TotalHits, w.a().TotalHitsBeforeDead + 10.0);
    EXPECT_EQ(w.controller.explosions, 1);
    ASSERT_GT(w.camel->ReplayBufferOffset, 0);
    w.a().SliderX = 5.0;
    w.camel->HaveDoneEngineSeizesSound = true;

    w.camel->resetModel();
    EXPECT_EQ(w.a().Damage1, 0u);
    EXPECT_EQ(w.a().TotalHits, 0.0);
    EXPECT_EQ(w.a().BlowsUpAt, 0);
    EXPECT_EQ(w.a().LeftWingGoneAt, 0);
    EXPECT_EQ(w.a().SliderX, 0.0);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 2);
    for (int i = 0; i < Aircraft::kSurfaces; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, whole[i].Area) << i;
    EXPECT_NEAR(w.pos()[1], kField + 2000.0, 1e-9);
    EXPECT_EQ(w.camel->ReplayBufferOffset, 0);
    for (int i = 0; i < w.camel->ReplayBufferSize; ++i) ASSERT_EQ(w.camel->ReplayBufferAddress[i], 0) << i;
    w.camel->orDamage1(dmg::EngineStopped);  // the seize sound plays again
    EXPECT_EQ(w.a().PlayThisSound, 30);
    w.a().Damage1 = 0;
    w.run(120);
    EXPECT_EQ(w.a().Damage1 & dmg::Down, 0u);
    EXPECT_TRUE(w.finite());
}

TYPED_TEST(Airframe, GunsAlternateMuzzlesWithTracersAtAFixedInterval) {
    auto& w = this->w;
    auto& g = w.a().GunBullets;
    const double x = std::fabs(g.BulletStartLocation[0]);
    ASSERT_GT(x, 0.0);
    std::vector<int> tracerShots;
    for (int shot = 0; shot < 73; ++shot) {
        w.camel->GlobalTime = 100 + shot;
        EXPECT_EQ(g.BulletStartLocation[0], shot % 2 ? -x : x) << shot;
        w.camel->startABullet();
        const ProjectileType& b = g.TheBullets[shot % BulletsList::kSlots];
        if (b.GraphicsType == 1) tracerShots.push_back(shot);
        EXPECT_NEAR(std::fabs(b.PX - w.pos()[0]), x, 1e-9) << shot;
    }
    ASSERT_GE(tracerShots.size(), 4u);
    const int interval = tracerShots[1] - tracerShots[0];
    EXPECT_GE(interval, 10);
    for (size_t k = 1; k < tracerShots.size(); ++k) EXPECT_EQ(tracerShots[k] - tracerShots[k - 1], interval);
    EXPECT_EQ(g.NextTheBullets, 1);  // the 73rd shot took slot 0 again
    EXPECT_EQ(w.a().CurrentAmmoUsed, 73.0);
}

TYPED_TEST(Airframe, SixBombsHangInMirroredPairsAndTheLastLoadedGoesFirst) {
    auto& w = this->w;
    w.camel->setNumberOfBombs(9);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 6);
    std::vector<std::array<double, 3>> hooks;
    for (int i = 0; i < 6; ++i) {
        const double* p = w.camel->getBombPosition(i);
        hooks.push_back({p[0], p[1], p[2]});
    }
    for (int i = 0; i < 6; i += 2) {
        EXPECT_NEAR(hooks[i][0], -hooks[i + 1][0], 1e-6) << i;
        EXPECT_EQ(hooks[i][1], hooks[i + 1][1]);
        if (i > 0) {
            EXPECT_GT(std::fabs(hooks[i][0]), std::fabs(hooks[i - 2][0])) << "pairs hang outwards";
        }
    }
    EXPECT_EQ(w.camel->getBombPosition(99)[0], hooks[5][0]);  // asked out of range: the last hook
    // Level on heading 0: body axes are world axes.
    for (int i = 5; i >= 0; --i) {
        const double* p = w.camel->dropBomb();
        ASSERT_NE(p, nullptr);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k] - w.pos()[k], hooks[i][k], 1e-6) << i;
        EXPECT_EQ(w.a().CurrentNumberOfBombs, i);
    }
    EXPECT_EQ(w.camel->dropBomb(), nullptr);

    w.camel->setNumberOfBombs(2);
    w.a().GuyBailedOut = 1;
    EXPECT_EQ(w.camel->dropBomb(), nullptr);
    EXPECT_EQ(w.camel->getNumberOfBombs(), 2);
    w.a().GuyBailedOut = 0;
    w.a().Damage1 |= dmg::Down;
    EXPECT_EQ(w.camel->getNumberOfBombs(), 0);
}

// A pilot who has gone over the side drops nothing, so losing a wing with bombs aboard must not
// wait for the rack to empty.
TYPED_TEST(Airframe, WingLostAfterBailOutKeepsItsBombsOtherwiseTheyFallWithIt) {
    auto& w = this->w;
    w.camel->setNumberOfBombs(4);
    w.a().GuyBailedOut = 1;
    w.camel->wingComesOff(0);
    EXPECT_TRUE(w.a().Damage1 & dmg::LeftWingGone);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 4);
    w.a().GuyBailedOut = 0;
    w.camel->orDamage1(dmg::RightWingGone);
    w.camel->orDamage1(dmg::RightWingGone);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 0);
    EXPECT_EQ(this->bombs->bombs.size(), 4u) << "each falls once";
    for (int32_t d : this->bombs->droppers) EXPECT_EQ(d, ModelArray::kFirstAircraft);
}

TYPED_TEST(Airframe, DamageEffectsComeOnceAndABellyLanderSurvives) {
    auto& w = this->w;
    w.camel->GlobalTime = 50;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().PlayThisSound, 30);  // the engine seizes
    w.a().PlayThisSound = -1;
    const auto wing = w.camel->OptionalModelAttitude[0].Position;
    w.camel->GlobalTime = 80;
    w.camel->ModelAttitude.Position[0] += 100.0;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().LeftWingGoneAt, 50);
    EXPECT_EQ(w.camel->OptionalModelAttitude[0].Position, wing);  // not set loose a second time
    EXPECT_EQ(w.a().PlayThisSound, -1);

    // Down on its belly, at rest since tick 100: dead for 900 ticks, a survivor from the 901st.
    w.a().Damage1 = dmg::Down;
    w.a().OnGround = 1;
    w.a().GearPosition = 0.0;
    w.a().TimeWhenStoppedMoving = 100;
    w.controller.missionTime = 1000;
    EXPECT_TRUE(w.camel->pilotDied());
    w.controller.missionTime = 1001;
    EXPECT_FALSE(w.camel->pilotDied());
}

TYPED_TEST(FokkerAirframe, WingsGoWithTheirMiddleWingAndComeBackWithTheNextSetUp) {
    auto& w = this->w;
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

TEST(Airframes, DrIOverloadWarnsThenFailsWithItsMiddleWing) {
    Airframe<FokkerDr1> t;
    auto& w = t.w;
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

TEST(Airframes, RaisedStripStandsAt850FeetOnlyFromAbove) {
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
