// The three aircraft's guns, bombs, damage effects and reset on the shared weapons: muzzles that
// alternate, tracers at an interval, bombs hung in mirrored pairs and dropped last first, bombs
// that go with a lost wing, and a wreck that a reset rebuilds.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;

template <typename T>
struct Arms : ::testing::Test {
    BasicCamelWorld<T> w{std::make_unique<FlatTerrain>(kField)};
    BombsPool* bombs = nullptr;
    Arms() {
        ZephModel::simulationRandom().seed(1918);
        bombs = static_cast<BombsPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        w.camel->SetUpAircraft(0.0, kField + 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        w.camel->copyCurrentQNionToStart();
    }
};
TYPED_TEST_SUITE(Arms, AllThreeAircraft);

// A reset (a restart or a new life) rebuilds a wreck.
TYPED_TEST(Arms, ResetRebuildsAWreck) {
    auto& w = this->w;
    const auto whole = w.camel->Surfaces;
    w.camel->setNumberOfBombs(2);
    w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    w.camel->wingComesOff(0);
    w.run(900, [&] { return !(w.a().Damage1 & dmg::BlownUp); });
    ASSERT_TRUE(w.a().Damage1 & dmg::Down);

    w.camel->resetModel();
    EXPECT_EQ(w.a().Damage1, 0u);
    EXPECT_EQ(w.a().TotalHits, 0.0);
    EXPECT_EQ(w.a().BlowsUpAt, 0);
    EXPECT_EQ(w.a().LeftWingGoneAt, 0);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 2);
    for (int i = 0; i < Aircraft::kSurfaces; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, whole[i].Area) << i;
    EXPECT_NEAR(w.pos()[1], kField + 2000.0, 1e-9);  // back at its start
    w.run(120);
    EXPECT_EQ(w.a().Damage1 & dmg::Down, 0u);
    EXPECT_TRUE(w.finite());
}

TYPED_TEST(Arms, GunsAlternateMuzzlesWithTracersAtAFixedInterval) {
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

TYPED_TEST(Arms, SixBombsHangInMirroredPairsAndTheLastLoadedGoesFirst) {
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
TYPED_TEST(Arms, WingLostAfterBailOutKeepsItsBombsOtherwiseTheyFallWithIt) {
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

TYPED_TEST(Arms, DamageEffectsComeOnceAndABellyLanderSurvives) {
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

}  // namespace
}  // namespace pellam::testing
