// The Camel's guns and bombs, its damage, re-arming and reset, and whole fights: a Camel
// shooting another down, flying into a shed, and flying over a flak gun.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/FlightModel.h"
#include "flight/ObjectFireData.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

struct Armed : ::testing::Test {
    Armed() {
        ZephModel::simulationRandom().seed(1916);
        bombs = static_cast<BombsPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    }
    Aircraft& a() { return w.a(); }
    const BulletsList& gun() { return w.a().GunBullets; }
    CamelWorld w;
    BombsPool* bombs = nullptr;
};

// ---- Guns.

TEST_F(Armed, TheTriggerStopsWhenTheAmmunitionIsGone) {
    w.controller.missionTime = 400;
    a().AmmoInTicks = 5;
    w.camel->gunsOnOff(-1);
    EXPECT_EQ(w.camel->GunsOnAt, 400);
    w.run(10);
    EXPECT_EQ(a().CurrentAmmoUsed, 5.0);
    w.camel->gunsOnOff(1);
    EXPECT_EQ(a().GunsFiring, 0);
}

TEST_F(Armed, JammedGunsOnlyClickUntilCleared) {
    int32_t now = 1000;
    platform::ScopedTickSource clock([&now] { return now; });
    a().Damage1 |= dmg::GunsJammed;
    w.camel->gunsOnOff(1);
    EXPECT_EQ(a().GunsFiring, 0);
    EXPECT_EQ(a().PlayThisSound, 41);
    a().PlayThisSound = -1;
    now += 20;
    w.camel->gunsOnOff(1);
    EXPECT_EQ(a().PlayThisSound, -1);  // at most one click per 20 ticks
    now += 1;
    w.camel->gunsOnOff(0);             // letting go does not click
    EXPECT_EQ(a().PlayThisSound, -1);
    w.camel->gunsOnOff(1);
    EXPECT_EQ(a().PlayThisSound, 41);
    int tries = 0;
    while ((a().Damage1 & dmg::GunsJammed) && tries < 100) ++tries, w.camel->unJamGuns();
    ASSERT_LT(tries, 100);
    w.camel->gunsOnOff(1);
    EXPECT_EQ(a().GunsFiring, 1);
}

// ---- Re-arming and reset (a blow-up comes once in the scripted flights' dive).

TEST_F(Armed, ReArmingRepairsInPlaceAndLoadsWhatTheMissionGave) {
    w.camel->setNumberOfBombs(4);
    w.camel->setFuelLoad(0.5);
    EXPECT_EQ(a().FuelLoadInPounds, 90.0);
    w.camel->SetUpAircraft(100.0, -1.0, 200.0, 30.0, 400.0, 0.0, 0.0);
    w.run(120);
    const QNion pose = w.camel->ModelAttitude;
    a().Brakes = 1.0;
    a().NextFlyPointNumber = 17;
    a().AIType = 3;
    a().Damage1 |= dmg::RudderHit | dmg::GunsJammed;
    a().TotalHits = 4.0;
    a().CurrentAmmoUsed = 300.0;
    a().FuelLoadInPounds = 3.0;
    a().CurrentNumberOfBombs = 0;
    w.camel->refuelReArm();
    EXPECT_EQ(w.camel->ModelAttitude.Position, pose.Position);
    EXPECT_EQ(w.camel->ModelAttitude.QAttitude, pose.QAttitude);
    EXPECT_EQ(w.camel->PreviousModelAttitude.Position, pose.Position);
    EXPECT_EQ(a().Brakes, 1.0);
    EXPECT_EQ(a().NextFlyPointNumber, 17);
    EXPECT_EQ(a().AIType, 3);
    EXPECT_EQ(a().Damage1, 0u);
    EXPECT_EQ(a().TotalHits, 0.0);
    EXPECT_EQ(a().CurrentAmmoUsed, 0.0);
    EXPECT_EQ(a().FuelLoadInPounds, 90.0);
    EXPECT_EQ(a().CurrentNumberOfBombs, 4);
    EXPECT_EQ(a().PlayThisSound, 8);
    const double loaded = a().Mass;  // the load just taken on
    w.camel->FigureMass();
    EXPECT_DOUBLE_EQ(a().Mass, loaded);

    a().Damage1 = dmg::Down;  // a wreck is not re-armed
    a().CurrentNumberOfBombs = 1;
    w.camel->refuelReArm();
    EXPECT_EQ(a().Damage1, dmg::Down);
    EXPECT_EQ(a().CurrentNumberOfBombs, 1);
}

TEST_F(Armed, WithoutAGivenLoadTheTankIsFilled) {
    const double full = w.a().FuelLoadInPounds;
    w.a().FuelLoadInPounds = 0.0;
    w.camel->refuelReArm();
    EXPECT_EQ(w.a().FuelLoadInPounds, full);
}

TEST_F(Armed, ResetReturnsToTheStartAndForgetsTheFlight) {
    QNion start;
    start.Position = {500.0, 3.8, 600.0};
    w.camel->setStartingModelQNionX(500.0, 3.8, 600.0, &start);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    w.camel->setNumberOfBombs(2);
    w.run(60);
    a().SliderX = 5.0;
    a().SlerpValue = 0.5;
    a().LeftWingGoneAt = 9;
    w.camel->HaveDoneEngineSeizesSound = true;
    ASSERT_GT(w.camel->ReplayBufferOffset, 0);
    w.camel->resetModel();
    EXPECT_EQ(w.pos(), start.Position);
    EXPECT_EQ(a().CurrentNumberOfBombs, 2);
    EXPECT_EQ(a().SliderX, 0.0);
    EXPECT_EQ(a().LeftWingGoneAt, 0);
    EXPECT_FALSE(w.camel->HaveDoneEngineSeizesSound);
    EXPECT_EQ(w.camel->ReplayBufferOffset, 0);
    for (int i = 0; i < w.camel->ReplayBufferSize; ++i) ASSERT_EQ(w.camel->ReplayBufferAddress[i], 0) << i;
    w.camel->orDamage1(dmg::EngineStopped);  // the seize sound plays again after a reset
    EXPECT_EQ(a().PlayThisSound, 30);
}

// ---- Whole fights.

// Two Camels with the controller's per-tick duties: steps, then each gun against the other.
struct Duel {
    Duel() {
        ZephModel::simulationRandom().seed(1917);
        terrain = controller.models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(0.0));
        for (int k = 0; k < 2; ++k) {
            auto* c = static_cast<ObjectTestFile*>(
                controller.models.put(ModelArray::kFirstAircraft + k, std::make_unique<ObjectTestFile>()));
            c->setaController(&controller);
            c->setTerrain(terrain);
            c->afterLightTexture3dPointChangesFor(nullptr);
            camels[k] = c;
        }
        controller.models.put(ModelArray::kDebris, std::make_unique<DebrisPool>());
        controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>());
    }
    int tick() {
        ++controller.missionTime;
        int hits = 0;
        for (auto* c : camels) c->driveModel(1, controller.missionTime, true, false);
        for (int k = 0; k < 2; ++k) {
            hits += buCheckForBulletsOnAircraftHit(&camels[k]->ThisAircraft.GunBullets, camels[1 - k], k,
                                                             false, k == 0 ? 0.49 : 1.0);
            CheckForObjectHit(k, &camels[k]->ThisAircraft.GunBullets, &controller.models,
                                         controller.missionTime, false, &controller);
        }
        for (auto* c : camels) c->ThisAircraft.PlayThisSound = -1;
        return hits;
    }
    TestController controller;
    ZephModel* terrain = nullptr;
    ObjectTestFile* camels[2] = {};
};

TEST(Fights, ACamelShootsAnotherDown) {
    Duel d;
    d.camels[0]->SetUpAircraft(0.0, 1500.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    d.camels[1]->SetUpAircraft(0.0, 1501.0, 60.0, 0.0, 0.0, 100.0, 1.0);  // close behind, the guns on its tail
    Aircraft& b = d.camels[1]->ThisAircraft;
    d.camels[0]->gunsOnOff(1);
    int hits = 0, t = 0;
    for (; t < 600 && b.TotalHits <= b.TotalHitsBeforeDead; ++t) hits += d.tick();
    ASSERT_GT(b.TotalHits, b.TotalHitsBeforeDead) << "after " << t << " ticks and " << hits << " hits";
    EXPECT_EQ(b.WhoShotMe, 0);
    d.camels[0]->gunsOnOff(0);
    for (int i = 0; i < 3600 && !(b.Damage1 & dmg::Down); ++i) d.tick();
    EXPECT_NE(b.Damage1 & dmg::Down, 0u);  // it fell
    EXPECT_NE(b.Damage1 & dmg::EngineDamaged, 0u);
    EXPECT_NE(b.Damage1 & (dmg::LeftWingGone | dmg::RightWingGone | dmg::WingsBroken), 0u);
    EXPECT_TRUE(d.camels[1]->pilotDied());
    EXPECT_EQ(d.camels[0]->ThisAircraft.TotalHits, 0.0);
}

TEST(Fights, ACamelShootsABalloonDownAndTheControllerHearsOfIt) {
    Duel d;
    d.camels[0]->SetUpAircraft(0.0, 1500.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    d.camels[1]->SetUpAircraft(0.0, -9500.0, 0.0, 0.0, 0.0, 0.0, 0.0);  // out of the world
    auto* balloon = d.controller.models.put(ModelArray::kFirstMissionObject,
                                            std::make_unique<BoxObject>(0.0, 1502.0, 500.0, 12.0, 12.0, 12.0));
    d.camels[0]->gunsOnOff(1);
    for (int t = 0; t < 60 && d.controller.deaths.empty(); ++t) d.tick();
    EXPECT_EQ(d.controller.deaths, (std::vector<std::pair<long, long>>{{ModelArray::kFirstMissionObject, 0}}));
    EXPECT_TRUE(balloon->areYouDead());
}

TEST(Fights, ACamelFliesIntoATurnedShed) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, 30.0, 0.0, 45.0, 0.0, 90.0, 1.0);
    // A long shed turned across the Camel's path, 600 ft ahead.
    auto* shed = static_cast<BoxObject*>(w.controller.models.put(
        ModelArray::kFirstMissionObject, std::make_unique<BoxObject>(424.3, 40.0, 424.3, 60.0, 60.0, 8.0, 45.0)));
    shed->data().ObjectFlags |= 0x40000;
    int t = 0;
    for (; t < 600 && shed->data().GlobalDeadTime == 0; ++t) {
        w.tick();
        checkForAircraftToModelCollision(w.camel, &w.controller.models, w.controller.missionTime);
    }
    ASSERT_NE(shed->data().GlobalDeadTime, 0);
    EXPECT_EQ(w.controller.deaths.size(), 1u);
    EXPECT_GE(w.a().TotalHits, w.a().TotalHitsBeforeDead);
    const double along = (w.pos()[0] + w.pos()[2]) / std::sqrt(2.0);
    EXPECT_LT(along, 600.0 - 8.0 + 3.0);  // met the near face, nose first
    EXPECT_EQ(w.a().CurrentVelocity, 0.0);  // stopped dead by a hard object
}

TEST(Fights, FlakHurtsACamelThatFliesStraight) {
    CamelWorld w;
    ZephModel::simulationRandom().seed(1918);
    w.camel->SetUpAircraft(-3000.0, 2000.0, 0.0, 90.0, 0.0, 100.0, 1.0);
    ObjectFireData flak;
    flak.NumberOfAAA = 1;
    flak.FireDistance = 4000.0f;
    flak.FireDelayTime = 30;
    flak.Accuracy = 1.0f;
    flak.AAAPower = 2.0f;
    flak.AAADistance = 150.0f;
    const double gun[3] = {0.0, 0.0, 0.0};
    int bursts = 0, hurt = 0;
    for (int t = 0; t < 2400; ++t) {
        w.tick();
        const double before = w.a().TotalHits;
        double at[3];
        if (shootObjectAAA(&flak, &w.controller.models, gun, 1, w.controller.missionTime, false, nullptr,
                                      nullptr, at)) {
            ++bursts;
            const double d = std::hypot(at[0] - w.pos()[0], at[1] - w.pos()[1], at[2] - w.pos()[2]);
            if (w.a().TotalHits > before) {
                ++hurt;
                EXPECT_LT(d, 150.0 * std::sqrt(3.0));
            }
        } else {
            EXPECT_EQ(w.a().TotalHits, before);
        }
    }
    EXPECT_GT(bursts, 10);
    EXPECT_GT(hurt, 0);
    EXPECT_GT(w.a().TotalHits, 0.0);
    EXPECT_TRUE(w.heard(6));
}

}  // namespace
}  // namespace pellam::testing
