// The three airframes: a ground start, a crash that blows up once and the reset that rebuilds the
// wreck; the shared guns and bombs, bombs that go with a lost wing, damage effects that come once;
// the Dr.I's middle wing in every wing loss. Then the Camel's rules around the step (loads,
// black-out, once-only damage, overspeed and buffet, catch-up ticks, hidden slots), its controls
// under damage, full-or-idle throttle and rudder trim, its guns in the step, re-arming in place,
// and a Camel flying into a turned shed.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/FlightModel.h"
#include "platform/TickCount.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

template <typename T>
struct Airframe : AircraftTest<T> {};
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

    w.camel->live.chuteOpened = true;
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 50.0, 0.21);  // moving: lifted clear
    EXPECT_GT(w.pos()[1], kField + 500.0);
    EXPECT_FALSE(w.camel->live.chuteOpened) << "every set-up packs a new parachute";

    BasicCamelWorld<TypeParam> sea;  // ground at exactly 0 breaks the gear of a ground start
    sea.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    EXPECT_EQ(sea.a().Damage1, dmg::GearBroken);
}

// Nose first into the field: one explosion, the wreck stays where it hit; a reset (a restart or
// a new life) rebuilds it where it started and forgets the flight.
TYPED_TEST(Airframe, CrashBlowsUpOnceAndAResetRebuildsTheWreckAtItsStart) {
    auto& w = this->w;
    w.camel->copyCurrentQNionToStart();
    const auto whole = w.camel->own.surfaces;
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
    EXPECT_EQ(w.camel->live.velocity, (Vector3{0, 0, 0}));
    EXPECT_EQ(w.a().TotalHits, w.a().TotalHitsBeforeDead + 10.0);
    EXPECT_EQ(w.controller.explosions, 1);
    ASSERT_GT(w.camel->ReplayBufferOffset, 0);
    w.camel->wingComesOff(0);

    w.camel->resetModel();
    EXPECT_EQ(w.a().Damage1, 0u);
    EXPECT_EQ(w.a().TotalHits, 0.0);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 2);
    for (int i = 0; i < Aircraft::kSurfaces; ++i) EXPECT_EQ(w.camel->own.surfaces[i].Area, whole[i].Area) << i;
    EXPECT_NEAR(w.pos()[1], kField + 2000.0, 1e-9);
    EXPECT_EQ(w.camel->ReplayBufferOffset, 0);
    for (int i = 0; i < w.camel->ReplayBufferSize; ++i) ASSERT_EQ(w.camel->ReplayBufferAddress[i], 0) << i;
    w.run(120);
    EXPECT_EQ(w.a().Damage1 & dmg::Down, 0u);
    EXPECT_TRUE(w.finite());
}

// Muzzles alternate and tracers come at a fixed interval; bombs hang in pairs, drop last first and
// go with a lost wing.
TYPED_TEST(Airframe, GunsAndBombs) {
    auto& w = this->w;
    auto& g = w.a().GunBullets;
    const double x = std::fabs(g.BulletStartLocation[0]);
    ASSERT_GT(x, 0.0);
    std::vector<int> tracerShots;
    for (int shot = 0; shot < 73; ++shot) {
        w.camel->live.globalTime = 100 + shot;
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

    // Six bombs at most, hung in pairs; the last loaded goes first.
    w.camel->setNumberOfBombs(9);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 6);
    std::vector<std::array<double, 3>> hooks;
    for (int i = 0; i < 6; ++i) {
        const double* p = w.camel->getBombPosition(i);
        hooks.push_back({p[0], p[1], p[2]});
        if (i % 2) {
            EXPECT_NEAR(hooks[i][0], -hooks[i - 1][0], 1e-6) << i;  // mirrored pairs
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

    // A pilot who has gone over the side drops nothing, so losing a wing with bombs aboard must
    // not wait for the rack to empty: they fall with it.
    this->fly();
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

TYPED_TEST(Airframe, DamageEffectsComeOnce) {
    auto& w = this->w;
    w.camel->live.globalTime = 50;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().PlayThisSound, 30);  // the engine seizes
    w.a().PlayThisSound = -1;
    const auto wing = w.camel->own.parts[0].Position;
    w.camel->live.globalTime = 80;
    w.camel->live.attitude.Position[0] += 100.0;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().LeftWingGoneAt, 50);
    EXPECT_EQ(w.camel->own.parts[0].Position, wing);  // not set loose a second time
    EXPECT_EQ(w.a().PlayThisSound, -1);
}

// The band of safe loads narrows with bombs aboard, at both ends; a fatally damaged airframe has
// no band left to keep.
TYPED_TEST(Airframe, GBandNarrowsWithBombs) {
    auto& w = this->w;
    auto safe = [&](double g, int bombs) {
        w.a().CurrentNumberOfBombs = static_cast<int16_t>(bombs);
        w.a().DangerousGs = 0;
        w.a().Gs = g / 111.9403027;
        w.camel->gLoadLimits();
        return w.a().DangerousGs == 0;
    };
    auto edge = [&](int bombs, double step) {  // the last safe load from 1 g outward
        double g = 1.0;
        while (safe(g + step, bombs) && std::fabs(g) < 30.0) g += step;
        return g;
    };
    EXPECT_GT(edge(0, 0.01), 3.0);
    EXPECT_LT(edge(0, -0.01), -1.0);
    EXPECT_LT(edge(4, 0.01), edge(0, 0.01) - 0.5);
    EXPECT_GT(edge(4, -0.01), edge(0, -0.01) + 0.5);
    w.a().Damage1 = dmg::FatalDamage;
    EXPECT_TRUE(safe(30.0, 4));
}

TYPED_TEST(FokkerAirframe, WingsGoWithTheirMiddleWingAndComeBackWithTheNextSetUp) {
    auto& w = this->w;
    const auto whole = w.camel->own.surfaces;
    w.camel->wingComesOff(1);
    // The Dr.I's right middle wing goes with the right side; the D.VII's surface 26 is a wheel.
    EXPECT_EQ(w.camel->own.surfaces[27].Area, this->dr1() ? 1.0 : 0.0);
    EXPECT_EQ(w.camel->own.surfaces[26].Area, whole[26].Area);
    w.camel->wingComesOff(7);  // no such side
    EXPECT_EQ(w.camel->own.surfaces[0].Area, whole[0].Area);
    // Full aileron: the D.VII tilts its lower faces (which have no area) with the upper ones, the
    // Dr.I leaves them as built.
    w.camel->AileronInputAbsolute(1.0);
    EXPECT_EQ(w.camel->own.surfaces[10].NormalXYZ == whole[10].NormalXYZ, this->dr1());
    EXPECT_NE(w.camel->own.surfaces[6].NormalXYZ, whole[6].NormalXYZ);

    this->fly();
    for (int i = 0; i < Aircraft::kSurfaces; ++i) {
        EXPECT_EQ(w.camel->own.surfaces[i].Area, whole[i].Area) << i;
        EXPECT_EQ(w.camel->own.surfaces[i].NormalXYZ, whole[i].NormalXYZ) << i;
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
    EXPECT_EQ(w.camel->own.surfaces[26].Area, this->dr1() ? w.camel->own.surfaces[0].Area : whole[26].Area);
    if (this->dr1()) {
        EXPECT_EQ(w.camel->own.surfaces[27].Area, w.camel->own.surfaces[1].Area);  // as the upper wings
    }
}

TEST(Airframes, DrIOverloadWarnsThenFailsWithItsMiddleWing) {
    AircraftTest<FokkerDr1> t;
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
    EXPECT_EQ(w.camel->own.surfaces[26 + side].Area, 1.0);
    EXPECT_EQ(w.camel->own.surfaces[27 - side].Area, 25.0);  // the other middle wing holds
}

// ---- The Camel's rules in the step, its controls, guns and re-arming.

using Rules = AircraftTest<ObjectTestFile>;

void load(Aircraft& a, double g) { a.Gs = g / 111.9403027; }

// Ticks that jammed, out of `ticks`, for a burst `age` ticks old at every tick.
int jamsIn(BasicCamelWorld<Reach<ObjectTestFile>>& w, int age, int ticks, int32_t aiType = -1) {
    ZephModel::simulationRandom().seed(1918);
    w.a().AIType = aiType;
    int jams = 0;
    for (int i = 0; i < ticks; ++i) {
        w.a().Damage1 &= ~dmg::GunsJammed;
        w.a().PlayThisSound = -1;
        w.camel->own.gunsOnAt = 1000 - age;
        w.camel->burstLimits(1000);
        if (w.a().Damage1 & dmg::GunsJammed) {
            ++jams;
            EXPECT_EQ(w.camel->own.gunsOnAt, 0);
            EXPECT_EQ(w.a().PlayThisSound, 41);
        }
    }
    return jams;
}

// A remote aircraft's damage comes from its sender: neither load nor the ground breaks it here.
TEST_F(Rules, RemoteAircraftNeverBreaksOnItsOwn) {
    a().RemoteLocal = 1;
    load(a(), 10.0);
    for (int i = 0; i < 3000; ++i) w.camel->gLoadLimits();
    EXPECT_EQ(a().Damage1, 0u);
    w.camel->SetUpAircraft(0.0, 700.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    a().RemoteLocal = 1;
    for (int i = 0; i < 600; ++i) {
        w.camel->ElevatorInputAbsolute(-1.0);
        w.tick();
    }
    EXPECT_EQ(a().Damage1, 0u);
    EXPECT_EQ(w.controller.explosions, 0) << "its owner flies on: no explosion here";
    EXPECT_TRUE(w.finite());
}

// The over-g failure breaks the airframe the same whether or not an earlier tick's sound still
// waits for the frame to play it: the mailbox follows the frame rate, the airframe must not.
TEST_F(Rules, OverloadBreaksAlikeWhateverSoundWaitsForTheFrame) {
    std::vector<std::array<int64_t, 4>> outcomes;
    for (int32_t waiting : {-1, 13}) {
        fly();
        ZephModel::simulationRandom().seed(77);
        w.camel->live.globalTime = 500;
        load(a(), 10.0);
        a().DangerousGs = 120;
        a().PlayThisSound = waiting;
        for (int i = 0; i < 10000 && !(a().Damage1 & dmg::GOverload); ++i) w.camel->gLoadLimits();
        ASSERT_TRUE(a().Damage1 & dmg::GOverload);
        outcomes.push_back({a().LeftWingGoneAt, a().RightWingGoneAt, a().Damage1,
                            ZephModel::GetLongRandomFrom(-32768, 32767)});
    }
    EXPECT_EQ(outcomes[0], outcomes[1]);
}

// A wing lost within 25 ft of the ground plays no sound and records the tick it went.
TEST_F(Rules, AWingLostLowRecordsItsTime) {
    w.camel->live.attitude.Position[1] = kField + 20.0;
    a().GroundAltitude = kField;
    w.camel->live.globalTime = 4321;
    a().PlayThisSound = -1;
    w.camel->wingComesOff(1);
    EXPECT_EQ(a().RightWingGoneAt, 4321);
    EXPECT_EQ(a().PlayThisSound, -1);
}

// Held at +6 g or -2 g the blood's movement stops at its bound; back at 1 g it clears; a downed
// pilot sees nothing more to black out.
TEST_F(Rules, BlackOutAndRedOutAreBoundedAndClear) {
    for (auto [g, bound] : {std::pair{6.0, 600.0}, {-2.0, -600.0}}) {
        load(a(), g);
        for (int i = 0; i < 100000; ++i) w.camel->blackRedOut();
        EXPECT_EQ(a().BloodMovementFromGs, bound);
        load(a(), 1.0);
        for (int i = 0; i < 1600; ++i) w.camel->blackRedOut();
        EXPECT_LE(std::fabs(a().BloodMovementFromGs), 0.4) << g;  // settled about 0
        EXPECT_EQ(a().BlackRedOutLevel, 100) << g;
        EXPECT_EQ(a().PilotLosesConscienceness, 0) << g;
    }
    a().Damage1 = dmg::Down;
    a().BloodMovementFromGs = 500.0;
    w.camel->blackRedOut();
    EXPECT_EQ(a().BlackRedOutLevel, 100);
}

// The gear tears off once above its speed; the hit limit on the ground blows up once.
TEST_F(Rules, OnceOnlyDamage) {
    a().CurrentVelocity = 196.0 / 40.9;
    w.camel->gearAndFlapOverspeed();
    EXPECT_EQ(a().Gear, 0);
    EXPECT_TRUE(a().Damage1 & dmg::GearBroken);
    EXPECT_EQ(a().PlayThisSound, 13);
    a().PlayThisSound = -1;
    w.camel->gearAndFlapOverspeed();
    EXPECT_EQ(a().PlayThisSound, -1);

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

// At 200 mph a stalled wing only buffets; unstalled, the overspeed breaks a wing.
TEST_F(Rules, OverspeedBreaksAWingButAStalledWingOnlyBuffets) {
    a().CurrentVelocity = 200.0 / 40.9;
    a().AOADegrees = a().PlusStall + 1.0;
    bool buffet = false;
    for (int i = 0; i < 20000; ++i) {
        w.camel->buffetAndOverspeed();
        buffet = buffet || a().StallWobble != 0.0;
    }
    EXPECT_TRUE(buffet);
    EXPECT_EQ(a().Damage1, 0u);

    a().AOADegrees = 2.0;
    for (int i = 0; i < 20000 && !(a().Damage1 & (dmg::LeftWingGone | dmg::RightWingGone)); ++i)
        w.camel->buffetAndOverspeed();
    EXPECT_NE(a().Damage1 & (dmg::LeftWingGone | dmg::RightWingGone), 0u);
    EXPECT_TRUE(a().Damage1 & dmg::EngineDamaged);
}

// A catch-up tick (-1) flies without touching the sliders, the clock or the parts; a slot hidden
// below the world is not flown at all.
TEST_F(Rules, CatchUpTicksAndHiddenSlots) {
    a().SliderX = 10.0;
    w.camel->wingComesOff(0);
    const auto part = w.camel->own.parts[0].Position;
    w.camel->live.globalTime = 77;
    w.camel->driveModel(1, -1, false, false);
    EXPECT_EQ(a().SliderX, 10.0);
    EXPECT_EQ(w.camel->live.globalTime, 77);
    EXPECT_EQ(w.camel->own.parts[0].Position, part);
    w.camel->driveModel(1, 5, false, false);
    EXPECT_LT(a().SliderX, 10.0);
    EXPECT_EQ(w.camel->live.globalTime, 5);
    EXPECT_LT(w.camel->own.parts[0].Position[1], part[1]);  // the wing falls away

    w.camel->live.attitude.Position[1] = -9000.5;
    w.camel->driveModel(1, 10, false, false);
    EXPECT_EQ(w.camel->live.attitude.Position[1], -9000.5);
    EXPECT_NE(w.camel->live.globalTime, 10);
    w.camel->live.attitude.Position[1] = -9000.0;
    w.camel->driveModel(1, 11, false, false);
    EXPECT_EQ(w.camel->live.globalTime, 11);
}

TEST_F(Rules, DamageLimitsTheControls) {
    w.camel->own.surfaces[10].NormalXYZ[0] = 0.9;  // a lower aileron tilted hard outward
    w.camel->AileronInputAbsolute(1.0);
    for (int i = 6; i <= 13; ++i) {
        for (double c : w.camel->own.surfaces.at(i).NormalXYZ) EXPECT_TRUE(std::isfinite(c)) << i;
    }
    EXPECT_EQ(w.camel->own.surfaces[10].NormalXYZ[1], 0.0);
    fly();

    a().AIType = 1;
    a().Damage1 = dmg::ElevatorHit;
    w.camel->ElevatorInputAbsolute(1.0);
    EXPECT_EQ(a().Elevator, 0.3);

    a().Damage1 = dmg::LeftAileronHit;
    w.camel->AileronInputAbsolute(1.0);
    // The hit aileron (left upper top, 6) barely moves against the whole one (right upper top, 8).
    EXPECT_LT(std::fabs(w.camel->own.surfaces[6].NormalXYZ[2]), std::fabs(w.camel->own.surfaces[8].NormalXYZ[2]) / 10);
    EXPECT_LT(w.camel->own.surfaces[7].NormalXYZ[1], 0.0);

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

    // The Camel's rotary runs full or at idle, by lever or keys; the down key never stops it.
    w.camel->setThrottle(0.3);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    w.camel->setThrottle(0.6);
    EXPECT_EQ(a().CurrentEngineSetting, 1.0);
    w.camel->throttleDown(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    w.camel->throttleDown(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 0.1);
    w.camel->throttleUp(0.01);
    EXPECT_EQ(a().CurrentEngineSetting, 1.0);

    // Rudder trim steps to the right, and the rudder goes to the new trim.
    for (int i = 0; i < 6; ++i) w.camel->RudderInputIncRight();
    w.camel->RudderTrimLeftRight(4);
    EXPECT_GT(a().RudderTrim, 0.0);
    EXPECT_EQ(a().Rudder, a().RudderTrim);
}

// Spent ammunition stops the guns in the step; the player's long bursts jam; jammed guns click.
TEST_F(Rules, GunsInTheStep) {
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().GunsFiring = 1;
    w.a().CurrentAmmoUsed = w.a().AmmoInTicks - 1;
    w.tick();  // the last round
    w.tick();
    EXPECT_EQ(w.a().GunsFiring, 0);
    EXPECT_GE(w.a().CurrentAmmoUsed, w.a().AmmoInTicks);
    w.camel->gunsOnOff(1);  // the trigger does nothing more
    EXPECT_EQ(w.a().GunsFiring, 0);

    // Long bursts jam the player's guns at their rates per tick: 0.006 a tick past 540 ticks,
    // 0.0003 past 240 ticks, never for shorter bursts.
    EXPECT_NEAR(jamsIn(w, 600, 20000), 120, 40);
    EXPECT_NEAR(jamsIn(w, 540, 100000), 30, 16);  // 540 itself is still the lower rate
    EXPECT_EQ(jamsIn(w, 240, 20000), 0);
    EXPECT_EQ(jamsIn(w, 600, 20000, 1), 0);  // the computer's guns never jam
    // In the step: a long burst of the player's jams within a few hundred ticks.
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().AIType = -1;
    w.a().Damage1 = 0;
    w.camel->own.gunsOnAt = w.controller.missionTime - 600;
    w.run(2000, [&] { return !(w.a().Damage1 & dmg::GunsJammed); });
    EXPECT_TRUE(w.a().Damage1 & dmg::GunsJammed);
    EXPECT_TRUE(w.heard(41));

    // Jammed guns only click until cleared, at most once in 20 ticks of the mission.
    int32_t& now = w.controller.missionTime;
    now = 1000;
    fly();
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

TEST_F(Rules, ReArmingRepairsInPlaceAndLoadsWhatTheMissionGave) {
    w.camel->setNumberOfBombs(4);
    w.camel->setFuelLoad(0.5);
    const double given = a().FuelLoadInPounds;
    w.camel->SetUpAircraft(100.0, -1.0, 200.0, 30.0, 400.0, 0.0, 0.0);
    w.run(120);
    const QNion pose = w.camel->live.attitude;
    a().AIType = 3;
    a().Damage1 |= dmg::RudderHit | dmg::GunsJammed;
    a().TotalHits = 4.0;
    a().CurrentAmmoUsed = 300.0;
    a().FuelLoadInPounds = 3.0;
    a().CurrentNumberOfBombs = 0;
    w.camel->refuelReArm();
    EXPECT_EQ(w.camel->live.attitude.Position, pose.Position);
    EXPECT_EQ(a().AIType, 3);
    EXPECT_EQ(a().Damage1, 0u);
    EXPECT_EQ(a().TotalHits, 0.0);
    EXPECT_EQ(a().CurrentAmmoUsed, 0.0);
    EXPECT_EQ(a().FuelLoadInPounds, given);
    EXPECT_EQ(a().CurrentNumberOfBombs, 4);
    EXPECT_EQ(a().PlayThisSound, 8);
    // The mass stays the set-up's (a full tank, no bombs) until the step's refresh counts the load.
    EXPECT_DOUBLE_EQ(a().Mass, (a().Weight + 180.0) / 32.2);
    w.camel->FigureMass();
    EXPECT_DOUBLE_EQ(a().Mass, (a().Weight + given + 4 * a().WeightInPoundsOfOneBomb) / 32.2);

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
    for (int t = 0; t < 600 && shed->data().GlobalDeadTime == 0; ++t) {
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
