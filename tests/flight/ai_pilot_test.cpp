// The AI pilot on stand-in aircraft whose controls move as the real ones do: its control laws,
// the look-around and roles in a model array, and the guards (the dive near the ground, a
// fighter with no manoeuvre shares, a split-S begun too low); then path flying and the patrol's
// ground attack: bad links from a mission file, target decoding, the parked start delay and the
// release distances of a stick of bombs.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "flight/AiGroundAttack.h"
#include "flight/AiPilot.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {
namespace {

// Stand-in aircraft in a model array over flat ground, the mission's path table, and ground
// objects from model index 21.
struct Fleet {
    Fleet() {
        controller.models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(0.0));
        controller.models.put(ModelArray::kGroundClutter, nullptr);
    }
    FakeAircraft& add(int n, int team, double x, double y, double z) {
        auto* f = static_cast<FakeAircraft*>(
            controller.models.put(ModelArray::kFirstAircraft + n, std::make_unique<FakeAircraft>()));
        f->setaController(&controller);
        f->a.Team = team;
        f->a.AIType = -1;
        f->speedMph(100.0);
        f->place(x, y, z);
        return *f;
    }
    void fly(FakeAircraft& f) { flyAircraftAI(&f, &controller.models, controller.missionTime); }
    ZephModel* at(int n) { return controller.models.at(ModelArray::kFirstAircraft + n); }
    // Aircraft 0 on the path: level at 1,000 ft, 100 mph.
    FakeAircraft& pathFlyer() {
        FakeAircraft& me = add(0, 0, 0.0, 1000.0, 0.0);
        me.a.AIType = 5;
        return me;
    }
    BoxObject& target(double x, double z) {
        return *static_cast<BoxObject*>(controller.models.append(std::make_unique<BoxObject>(x, 0.0, z, 20, 15, 20)));
    }
    PathController controller;
};

TEST(AiPilot, ForcedTargetIsTakenOnceAndOnlyWhenItNamesAnAircraft) {
    Fleet w;
    FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
    me.a.AIType = 1;
    w.add(1, 1, 0, 1000, 900);
    FakeAircraft& far = w.add(2, 1, 0, 1000, 2500);
    me.a.aiVariables[0] = 2.0;
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(2));
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], -1.0);
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(1));

    // Not an aircraft, itself, or a friend (a pilot that has seen no enemy marks 0, aircraft 0):
    // dropped, and the look-around goes on as usual.
    w.add(3, 0, 0, 1000, 300);
    for (double bad : {8.0, 9.5, 1e12, 0.0, 3.0}) {
        me.a.aiVariables[0] = bad;
        w.fly(me);
        EXPECT_EQ(me.a.ClosestEnemy, w.at(1)) << bad;
        EXPECT_DOUBLE_EQ(me.a.aiVariables[0], 1.0) << bad;  // the enemy it now chases, 900 ft off
    }
    // A dead one: nobody this step.
    far.a.Damage1 = dmg::Down;
    me.a.aiVariables[0] = 2.0;
    w.fly(me);
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], -1.0);
    EXPECT_EQ(me.a.ClosestEnemy, nullptr);
    far.a.Damage1 = 0;
    // A target out of the world is kept for later.
    far.place(0, -9500, 0);
    me.a.aiVariables[0] = 2.0;
    w.fly(me);
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], 2.0);
}

TEST(AiPilot, NoInputForPeopleNetworkAircraftOrTheDowned) {
    Fleet w;
    w.add(1, 1, 0, 1000, 900);
    for (int k = 0; k < 3; ++k) {
        FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
        me.a.AIType = k == 0 ? 0 : 1;
        if (k == 1) me.a.RemoteLocal = 3;
        if (k == 2) me.a.Damage1 = dmg::Down;
        w.fly(me);
        EXPECT_EQ(me.calls, 0) << k;
        EXPECT_EQ(me.a.ClosestEnemy, nullptr) << k;
    }
}

TEST(AiPilot, WingmanFollowsAircraftZeroForABadLeaderAndFightsOnWhenItIsLost) {
    Fleet w;
    FakeAircraft& lead = w.add(0, 0, 0, 1000, 800);
    FakeAircraft& me = w.add(3, 0, 0, 1000, 0);
    me.a.AIType = 2;
    me.a.LeadAircraftNumber = 9;
    me.a.AttackEnemyDistance = 100000;  // no enemy at all: it still follows
    me.a.aiVariables[1] = 0.0;          // the last enemy number it holds names its friend
    w.fly(me);
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], -1.0);  // following a friend 800 ft ahead marks nobody
    EXPECT_EQ(me.a.ClosestEnemy, w.at(0));
    EXPECT_DOUBLE_EQ(me.a.ClosestEnemyData[0], 800.0);
    EXPECT_EQ(me.a.AIType, 2);
    EXPECT_EQ(me.a.GunsFiring, 0);

    // At its limit a leader counts as lost, though it is still in the fight: the fighter the
    // wingman becomes never takes that mark of its friend for an enemy, nor fires on it.
    lead.a.TotalHits = 10.0;
    w.fly(me);
    EXPECT_EQ(me.a.AIType, 1);
    EXPECT_EQ(me.a.ClosestEnemy, nullptr);
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, nullptr);
    EXPECT_EQ(me.a.GunsFiring, 0);

    // A wingman told to follow itself has no leader either.
    FakeAircraft& alone = w.add(4, 0, 500, 1000, 0);
    alone.a.AIType = 2;
    alone.a.LeadAircraftNumber = 4;
    w.fly(alone);
    EXPECT_EQ(alone.a.AIType, 1);
}

// A person 580 ft behind, off to one side and flying parallel keeps no aim of its own: the fighter
// takes itself to be in its sights all the same, and goes into the scissors.
TEST(AiPilot, APersonOnTheTailCountsAsAimingAtIt) {
    Fleet w;
    FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
    me.a.AIType = 1;
    w.add(1, 1, 300, 1000, -500);
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(1));
    EXPECT_DOUBLE_EQ(me.a.AutoPilotData[1], 4.0);  // defending
    EXPECT_DOUBLE_EQ(std::fabs(me.a.AutoPilotData[3]), 1.0);
}

TEST(AiPilot, FighterWithNobodyToFightStillMindsTheHills) {
    Fleet w;
    FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
    me.a.AIType = 1;
    HeightField ridge([](double, double z) { return z > 300.0 ? 900.0 : 0.0; });
    me.terrain = &ridge;
    w.fly(me);
    EXPECT_EQ(me.a.LastTimeWeLookedAhead, 240);
}

// ---- Control laws.

// +3.1 rad against -178 deg: a small roll through inverted, not 6.2 rad the long way; the angle
// stepper likewise crosses the seam.
TEST(AiLaws, AnglesTakeTheShortWayRound) {
    FakeAircraft f;
    f.a.AircraftBank = -178.0;
    MainSetBankTarget(3.1, 1.0, &f);
    EXPECT_LT(f.a.Ailerons, 0.0);
    EXPECT_GT(f.a.Ailerons, -0.5);
    double a = 3.1;
    MoveA(&a, -3.1, 10.0);
    EXPECT_NEAR(a, -3.1, 1e-4);
}

TEST(AiLaws, PilotNumberFromAFileIsHeldToTheTable) {
    FakeAircraft f;
    f.profiles[9].ShootDistance = 123.0;
    f.profiles[9].XAim = f.profiles[9].YAim = 0.1;
    for (int32_t n : {10, 4000, -7}) {
        f.a.aiPilotNumber = n;
        ShouldIShoot(100.0, 0.0, 0.0, &f);  // reads a profile, and never past the table
    }
    f.a.aiPilotNumber = 4000;
    ShouldIShoot(120.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 1);  // record 9
    f.a.aiPilotNumber = 5;         // an empty record: never fires
    ShouldIShoot(10.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 0);
    f.a.aiPilotsPtr = nullptr;     // no table handed over: the built-in profiles
    f.a.aiPilotNumber = 0;
    ShouldIShoot(1900.0, 0.0, 0.0, &f);
    EXPECT_EQ(f.a.GunsFiring, 1);
}

// ---- Guards.

TEST(AiGuards, DiveNearTheGroundPullsUpWingsLevel) {
    FlatTerrain ground(0.0);
    FakeAircraft f;
    f.terrain = &ground;
    f.speedMph(100.0);
    f.place(0.0, 900.0, 0.0);
    f.a.AircraftPitch = -35.0;
    f.a.AircraftBank = 20.0;
    for (int i = 0; i < 5; ++i) collsionAvoidance(&f);
    EXPECT_GT(f.a.Elevator, 0.25);
    EXPECT_DOUBLE_EQ(f.a.Ailerons, -1.0);
    EXPECT_EQ(f.a.LastTimeWeLookedAhead, 0);
}

// A fighter with no manoeuvre shares at `height`, an enemy 1000 ft off.
void fighter(FakeAircraft& f, double height = 5000.0) {
    for (auto& m : f.profiles[0].EachManeuver) m.ManeuverProbability = 0.0;
    f.place(0.0, height, 0.0);
    f.speedMph(120.0);
    f.a.ClosestEnemyData = {1000.0, 1000.0, 1.0, 14.0};
}

TEST(AiManeuvers, WithNoSharesOnlyTheFallBackFlies) {
    ZephModel::simulationRandom().seed(8);
    FakeAircraft f;
    fighter(f);
    for (int i = 0; i < 200; ++i) {
        DoEvasiveFromShot(5, 2, &f);
        DoOption3Maneuvers(1, &f);
        EXPECT_EQ(f.a.AutoPilotData[2], -1.0);
    }
    EXPECT_DOUBLE_EQ(f.throttle, 1.0);
}

// Option 3 never starts a snap roll: a draw that falls on its share flies the fall-back, and the
// manoeuvres after it are drawn without that share, so half the shares starts nothing at all.
TEST(AiManeuvers, OptionThreeBarsTheSnapRollsShare) {
    ZephModel::simulationRandom().seed(8);
    FakeAircraft f;
    fighter(f);
    f.profiles[0].EachManeuver[11].ManeuverProbability = 0.5;
    f.profiles[0].EachManeuver[7].ManeuverProbability = 0.5;
    int overTop = 0, snapRoll = 0;
    for (int i = 0; i < 200; ++i) {
        f.a.AutoPilotData[2] = -1.0;
        DoOption3Maneuvers(3, &f);
        EXPECT_EQ(f.a.AutoPilotData[2], -1.0);
        f.a.AutoPilotData[2] = -1.0;
        DoOption3Maneuvers(1, &f);
        overTop += f.a.AutoPilotData[2] == 7.0;
        snapRoll += f.a.AutoPilotData[2] == 11.0;
    }
    EXPECT_GT(overTop, 60);
    EXPECT_GT(snapRoll, 60);
}

TEST(AiManeuvers, SplitSTooLowBecomesATurnAndEndsPastTheVertical) {
    FakeAircraft f;
    fighter(f, 1000.0);
    f.a.AutoPilotData[2] = 8.0;
    DoEvasiveFromShot(5, 2, &f);
    EXPECT_EQ(f.a.AutoPilotData[2], -1.0);

    FakeAircraft g;
    fighter(g);
    g.a.AutoPilotData[2] = 8.0;
    DoEvasiveFromShot(5, 2, &g);
    EXPECT_EQ(g.a.AutoPilotData[2], 8.0);
    EXPECT_DOUBLE_EQ(g.a.Ailerons, 1.0);  // rolling inverted
    g.a.AircraftPitch = -65.0;
    DoEvasiveFromShot(5, 2, &g);
    EXPECT_EQ(g.a.AutoPilotData[2], -1.0);
}

// ---- Paths.

TEST(AiPaths, LinksFromTheMissionFileStayInsideTheTable) {
    Fleet w;
    FakeAircraft& me = w.pathFlyer();
    w.controller.point(0, 0.0, 1000.0, 100.0).NextPoint = 250;  // arrives, but the link leads nowhere
    w.fly(me);
    EXPECT_EQ(me.a.NextFlyPointNumber, 0);
    w.controller.points[0].NextPoint = -3;
    w.fly(me);
    EXPECT_EQ(me.a.NextFlyPointNumber, 0);
    for (int32_t bad : {200, -1, 1 << 30}) {
        me.a.NextFlyPointNumber = bad;
        me.a.Ailerons = 0.0;
        w.fly(me);  // no point to read: it circles where it is
        EXPECT_EQ(me.a.NextFlyPointNumber, bad);
        EXPECT_GT(me.a.Ailerons, 0.0);
    }
}

// Within 40 mph of its point's speed the engine creeps: the large steps stop at 0.05 and 1.0, the
// small ones go on, up to war emergency power (held at 1.05) and down to a stopped engine at most.
TEST(AiPaths, SpeedHoldCreepsPastTheLargeStepsBoundsButNotBelowOff) {
    Fleet w;
    FakeAircraft& me = w.pathFlyer();
    w.controller.point(0, 0.0, 1000.0, 90000.0, 150.0);
    const auto hold = [&](double mph, double change, double engine) {  // change: mph since the last call
        me.a.CurrentEngineSetting = engine;
        for (int k = 0; k < 1000; ++k) {
            me.speedMph(mph - change);
            me.a.PreviousCurrentVelocity = me.a.CurrentVelocity;
            me.speedMph(mph);
            w.fly(me);
        }
        return me.a.CurrentEngineSetting;
    };
    EXPECT_DOUBLE_EQ(hold(145.0, 0.1, 0.99), 1.05);  // short and gaining
    EXPECT_DOUBLE_EQ(hold(155.0, -0.1, 0.06), 0.0);  // fast and slowing
    EXPECT_DOUBLE_EQ(hold(150.0, 0.1, 0.02), 0.0);   // on the speed and gaining
}

TEST(AiPaths, TargetsDecodeFromPointsAndIgnoreTheLowIndexes) {
    Fleet w;
    FakeAircraft& me = w.pathFlyer();
    me.a.CurrentAmmoUsed = 0.0;
    BoxObject& first = w.target(0.0, -20000.0);
    for (int i = 22; i <= 23; ++i) w.target(0.0, -20000.0);
    BoxObject& ahead = w.target(0.0, 2000.0);
    aiFlyToPoint& p = w.controller.point(0, 0.0, 1000.0, 50000.0);
    p.Flags = 0x80;                  // gun attack
    p.PSTargets = 24 * 65536.0 + 5;  // target 24; secondary 5 is no target
    w.fly(me);
    EXPECT_EQ(me.a.GunsFiring, 1);  // lined up on 24 inside 3000 ft

    ahead.data().GlobalDeadTime = 1;
    w.fly(me);
    EXPECT_EQ(me.a.GunsFiring, 0);

    // A dead primary with a live secondary: the secondary.
    p.PSTargets = 21 * 65536.0 + 24;
    ahead.data().GlobalDeadTime = 0;
    first.data().GlobalDeadTime = 1;
    w.fly(me);
    EXPECT_EQ(me.a.GunsFiring, 1);

    for (double junk : {-24 * 65536.0, std::nan(""), 1e300, 99 * 65536.0}) {
        p.PSTargets = junk;
        w.fly(me);
        EXPECT_EQ(me.a.GunsFiring, 0) << junk;
    }
}

TEST(AiPaths, StartDelaySpreadShortensAWaitButNeverLengthensIt) {
    // 10 s with a spread of 15 s either way: a draw below -9 s waits the shortest second.
    Fleet w;
    FakeAircraft& me = w.pathFlyer();
    w.controller.point(0, 0.0, 250.015, 5000.0).PSTargets = 10.0;
    ZephModel::simulationRandom().seed(21);
    int shortest = 0;
    for (int k = 0; k < 300; ++k) {
        me.a.AIDelayOnFlyThePointsTime = 0;
        me.speedMph(0.0);
        w.fly(me);
        const double seconds = (me.a.AIDelayOnFlyThePointsTime + 1 - 600) / 60.0;
        EXPECT_GE(seconds, 1.0);
        EXPECT_LE(seconds, 25.0);
        if (seconds < 1.02) ++shortest;
    }
    EXPECT_GT(shortest, 30);  // about a fifth of the draws
}

// Lined up 1,000 ft short of a box with bombs to drop: each release draws where the next falls,
// from 740 ft out, and aimed flatter than -10 deg once more from 430 ft out; the stream every
// aircraft shares moves by those draws and no others.
TEST(AiPaths, EachBombDrawsTheNextReleaseDistanceOnceOrTwice) {
    struct FakeBomber : FakeAircraft {
        int32_t getNumberOfBombs() override { return 4; }
    };
    platform::RandomStream& stream = ZephModel::simulationRandom();
    for (const auto& [height, draws] : {std::pair{100.0, 2}, {300.0, 1}}) {  // aimed -5.7 and -16.7 deg
        Fleet w;
        auto* me = static_cast<FakeBomber*>(
            w.controller.models.put(ModelArray::kFirstAircraft, std::make_unique<FakeBomber>()));
        me->setaController(&w.controller);
        me->a.AIType = 5;
        me->place(0.0, height, 0.0);
        w.target(0.0, 1000.0);
        w.controller.point(0, 0.0, 1000.0, 50000.0).PSTargets = 21 * 65536.0;
        me->a.RandomDropNumber = 1300;
        stream.seed(3);
        ai::FarTarget far;
        ai::groundAttackStep(me, me->a, &w.controller.models, 10, far);
        EXPECT_EQ(me->a.LastBombDropTime, 50) << "released at " << height << " ft";
        const int32_t next = stream.next();
        stream.seed(3);
        for (int k = 0; k < draws; ++k) stream.next();
        EXPECT_EQ(stream.next(), next) << draws << " draws at " << height << " ft";
    }
}

}  // namespace
}  // namespace pellam::testing
