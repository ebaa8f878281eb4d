// Structural limits that a remote aircraft never meets, black-out and red-out, the hit limit,
// gear and flaps, and the parts of the per-tick step around them (catch-up ticks, hidden slots,
// remote damage); the controls under damage; the guns: spent ammunition stops them in the step,
// the player's long bursts jam at their rates per tick and jammed guns only click until cleared;
// re-arming in place, and a Camel flying into a turned shed.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/FlightModel.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

struct Rules : ::testing::Test {
    Rules() {
        w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        ZephModel::simulationRandom().seed(1918);  // the random rules replay the same way every run
    }
    Aircraft& a() { return w.a(); }
    void load(double g) { a().Gs = g / 111.9403027; }
    // Ticks that jammed, out of `ticks`, for a burst `age` ticks old at every tick.
    int jamsIn(int age, int ticks, int32_t aiType = -1) {
        ZephModel::simulationRandom().seed(1918);
        w.a().AIType = aiType;
        int jams = 0;
        for (int i = 0; i < ticks; ++i) {
            w.a().Damage1 &= ~dmg::GunsJammed;
            w.a().PlayThisSound = -1;
            w.camel->GunsOnAt = 1000 - age;
            w.camel->burstLimits(1000);
            if (w.a().Damage1 & dmg::GunsJammed) {
                ++jams;
                EXPECT_EQ(w.camel->GunsOnAt, 0);
                EXPECT_EQ(w.a().PlayThisSound, 41);
            }
        }
        return jams;
    }
    BasicCamelWorld<Reach<ObjectTestFile>> w{std::make_unique<FlatTerrain>(100.0)};
};

// A remote aircraft's damage comes from its sender: neither load nor the ground breaks it here.
TEST_F(Rules, RemoteAircraftNeverBreaksOnItsOwn) {
    a().RemoteLocal = 1;
    load(10.0);
    for (int i = 0; i < 3000; ++i) w.camel->gLoadLimits();
    EXPECT_EQ(a().Damage1, 0u);
    w.camel->SetUpAircraft(0.0, 700.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    a().RemoteLocal = 1;
    for (int i = 0; i < 600; ++i) {
        w.camel->ElevatorInputAbsolute(-1.0);
        w.tick();
    }
    EXPECT_EQ(a().Damage1, 0u);
    EXPECT_TRUE(w.finite());
}

// Held at +6 g or -2 g the blood's movement stops at its bound; back at 1 g it clears; a downed
// pilot sees nothing more to black out.
TEST_F(Rules, BlackOutAndRedOutAreBoundedAndClear) {
    for (auto [g, bound] : {std::pair{6.0, 600.0}, {-2.0, -600.0}}) {
        load(g);
        for (int i = 0; i < 100000; ++i) w.camel->blackRedOut();
        EXPECT_EQ(a().BloodMovementFromGs, bound);
        load(1.0);
        for (int i = 0; i < 1600; ++i) w.camel->blackRedOut();
        EXPECT_EQ(a().BlackRedOutLevel, 100) << g;
        EXPECT_EQ(a().PilotLosesConscienceness, 0) << g;
    }
    a().Damage1 = dmg::Down;
    a().BloodMovementFromGs = 500.0;
    w.camel->blackRedOut();
    EXPECT_EQ(a().BlackRedOutLevel, 100);
}

TEST_F(Rules, HitLimitOnTheGroundBlowsUpOnce) {
    a().OnGround = 1;
    a().CurrentNumberOfBombs = 2;
    a().TotalHits = 11.0;
    w.camel->downStateAndHitLimit();
    w.camel->downStateAndHitLimit();
    EXPECT_EQ(w.controller.explosions, 1);
    const uint32_t bits = dmg::EngineStopped | dmg::BlownUp | dmg::Down | dmg::ControlsDead | dmg::EngineDamaged;
    EXPECT_EQ(a().Damage1 & bits, bits);
    EXPECT_EQ(a().CurrentNumberOfBombs, 0);
    EXPECT_EQ(a().TotalHits, 20.0);
    EXPECT_NE(a().Damage1 & (dmg::LeftWingGone | dmg::RightWingGone | dmg::WingsBroken), 0u);
}

TEST_F(Rules, GearTearsOffOnceAboveItsSpeed) {
    a().CurrentVelocity = 196.0 / 40.9;
    w.camel->gearAndFlapOverspeed();
    EXPECT_EQ(a().Gear, 0);
    EXPECT_TRUE(a().Damage1 & dmg::GearBroken);
    EXPECT_EQ(a().PlayThisSound, 13);
    a().PlayThisSound = -1;
    w.camel->gearAndFlapOverspeed();
    EXPECT_EQ(a().PlayThisSound, -1);
}

// A catch-up tick (-1) flies without touching the sliders, the clock or the parts; a slot hidden
// below the world is not flown at all.
TEST_F(Rules, CatchUpTicksAndHiddenSlots) {
    a().SliderX = 10.0;
    w.camel->wingComesOff(0);
    const auto part = w.camel->OptionalModelAttitude[0].Position;
    w.camel->GlobalTime = 77;
    w.camel->driveModel(1, -1, false, false);
    EXPECT_EQ(a().SliderX, 10.0);
    EXPECT_EQ(w.camel->GlobalTime, 77);
    EXPECT_EQ(w.camel->OptionalModelAttitude[0].Position, part);
    w.camel->driveModel(1, 5, false, false);
    EXPECT_DOUBLE_EQ(a().SliderX, 9.6);
    EXPECT_EQ(w.camel->GlobalTime, 5);
    EXPECT_LT(w.camel->OptionalModelAttitude[0].Position[1], part[1]);  // the wing falls away

    w.camel->ModelAttitude.Position[1] = -9000.5;
    w.camel->driveModel(1, 10, false, false);
    EXPECT_EQ(w.camel->ModelAttitude.Position[1], -9000.5);
    EXPECT_NE(w.camel->GlobalTime, 10);
    w.camel->ModelAttitude.Position[1] = -9000.0;
    w.camel->driveModel(1, 11, false, false);
    EXPECT_EQ(w.camel->GlobalTime, 11);
}

// ---- Controls.

TEST_F(Rules, DamageLimitsTheControls) {
    w.camel->Surfaces[10].NormalXYZ[0] = 0.9;  // a lower aileron tilted hard outward
    w.camel->AileronInputAbsolute(1.0);
    for (int i = 6; i <= 13; ++i) {
        for (double c : w.camel->Surfaces.at(i).NormalXYZ) EXPECT_TRUE(std::isfinite(c)) << i;
    }
    EXPECT_EQ(w.camel->Surfaces[10].NormalXYZ[1], 0.0);
    w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);

    a().AIType = 1;
    a().Damage1 = dmg::ElevatorHit;
    w.camel->ElevatorInputAbsolute(1.0);
    EXPECT_EQ(a().Elevator, 0.3);

    a().Damage1 = dmg::LeftAileronHit;
    w.camel->AileronInputAbsolute(1.0);
    // The hit aileron (left upper top, 6) barely moves against the whole one (right upper top, 8).
    EXPECT_LT(std::fabs(w.camel->Surfaces[6].NormalXYZ[2]), std::fabs(w.camel->Surfaces[8].NormalXYZ[2]) / 10);
    EXPECT_LT(w.camel->Surfaces[7].NormalXYZ[1], 0.0);

    w.camel->RudderInputAbsolute(1.0);
    a().Damage1 = dmg::ControlsDead;
    w.camel->ElevatorInputAbsolute(-1.0);
    w.camel->RudderInput(-1.0);
    EXPECT_EQ(a().Elevator, 0.3);
    EXPECT_EQ(a().Rudder, 1.0);
}

TEST_F(Rules, SwitchingOffWorksOnADeadThrottleAndStartingDoesNot) {
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

// ---- Guns.

TEST_F(Rules, SpentAmmunitionStopsTheGunsInTheStep) {
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().GunsFiring = 1;
    w.a().CurrentAmmoUsed = w.a().AmmoInTicks - 1;
    w.tick();  // the last round
    w.tick();
    EXPECT_EQ(w.a().GunsFiring, 0);
    EXPECT_GE(w.a().CurrentAmmoUsed, w.a().AmmoInTicks);
    w.camel->gunsOnOff(1);  // the trigger does nothing more
    EXPECT_EQ(w.a().GunsFiring, 0);
}

TEST_F(Rules, LongBurstsJamThePlayersGunsAtTheirRatesPerTick) {
    // 0.006 a tick past 540 ticks, 0.0003 past 240 ticks, never for shorter bursts.
    EXPECT_NEAR(jamsIn(600, 20000), 120, 40);
    EXPECT_NEAR(jamsIn(540, 100000), 30, 16);  // 540 itself is still the lower rate
    EXPECT_EQ(jamsIn(240, 20000), 0);
    EXPECT_EQ(jamsIn(600, 20000, 1), 0);  // the computer's guns never jam
    // In the step: a long burst of the player's jams within a few hundred ticks.
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().AIType = -1;
    w.a().Damage1 = 0;
    w.camel->GunsOnAt = w.controller.missionTime - 600;
    w.run(2000, [&] { return !(w.a().Damage1 & dmg::GunsJammed); });
    EXPECT_TRUE(w.a().Damage1 & dmg::GunsJammed);
    EXPECT_TRUE(w.heard(41));
}

TEST_F(Rules, JammedGunsOnlyClickUntilCleared) {
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

// ---- Re-arming and collisions.

TEST_F(Rules, ReArmingRepairsInPlaceAndLoadsWhatTheMissionGave) {
    const double full = a().FuelLoadInPounds;
    a().FuelLoadInPounds = 0.0;  // without a given load the tank is filled
    w.camel->refuelReArm();
    EXPECT_EQ(a().FuelLoadInPounds, full);

    w.camel->setNumberOfBombs(4);
    w.camel->setFuelLoad(0.5);
    const double given = a().FuelLoadInPounds;
    w.camel->SetUpAircraft(100.0, -1.0, 200.0, 30.0, 400.0, 0.0, 0.0);
    w.run(120);
    const QNion pose = w.camel->ModelAttitude;
    a().Brakes = 1.0;
    a().AIType = 3;
    a().Damage1 |= dmg::RudderHit | dmg::GunsJammed;
    a().TotalHits = 4.0;
    a().CurrentAmmoUsed = 300.0;
    a().FuelLoadInPounds = 3.0;
    a().CurrentNumberOfBombs = 0;
    w.camel->refuelReArm();
    EXPECT_EQ(w.camel->ModelAttitude.Position, pose.Position);
    EXPECT_EQ(w.camel->ModelAttitude.QAttitude, pose.QAttitude);
    EXPECT_EQ(a().Brakes, 1.0);
    EXPECT_EQ(a().AIType, 3);
    EXPECT_EQ(a().Damage1, 0u);
    EXPECT_EQ(a().TotalHits, 0.0);
    EXPECT_EQ(a().CurrentAmmoUsed, 0.0);
    EXPECT_EQ(a().FuelLoadInPounds, given);
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

TEST(Collision, ACamelFliesIntoATurnedShed) {
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

}  // namespace
}  // namespace pellam::testing
