// Bullets in flight, hits on aircraft and ground objects, bomb blast, aircraft-to-object
// collisions, and the ground gunners' aim and flak, against box objects and bare records.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/ObjectFireData.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

constexpr double kG = 0.008933333;

// ---- Bullet motion.

TEST(Bullets, FlyUnderGravityForTheirLifeThenAreSpent) {
    BulletsList list = spentPool();
    aimBullet(list, 7, {0, 1000, 0}, {0, 1000, 40.66});
    list.TheBullets[7].TimeAlive = 0;
    const double wind[3] = {0.1, 0.0, 0.0};
    for (int t = 1; t <= 71; ++t) {
        ZephModel::MoveBullets(&list, nullptr, wind);
        EXPECT_EQ(list.ActiveBullets, 1);
    }
    const ProjectileType& b = list.TheBullets[7];
    EXPECT_EQ(b.TimeAlive, 71);
    EXPECT_EQ(b.GraphicsType, -1);
    EXPECT_NEAR(b.YMove, -71 * kG, 1e-12);
    EXPECT_NEAR(b.P2Y, 1000.0 - kG * 71 * 72 / 2, 1e-9);  // falls g more each tick
    EXPECT_NEAR(b.P2X, 71 * 0.1, 1e-9);                    // and drifts with the wind
    EXPECT_NEAR(b.P2Z, 40.66 * 72, 1e-9);
    ZephModel::MoveBullets(&list, nullptr, wind);  // nothing left in flight
    EXPECT_EQ(list.ActiveBullets, 0);
    EXPECT_EQ(b.TimeAlive, 71);
}

TEST(Bullets, StopWhereTheyStrikeTheGroundAndHitNothingThere) {
    FlatTerrain ground(100.0);
    BulletsList list = spentPool();
    aimBullet(list, 0, {0, 102, 0}, {0, 101, 40});
    list.TheBullets[0].YMove = -3.0;
    ZephModel::MoveBullets(&list, &ground, nullptr);
    const ProjectileType b = list.TheBullets[0];
    EXPECT_EQ(b.GraphicsType, 2);
    EXPECT_EQ(b.TimeHitGround, b.TimeAlive);
    EXPECT_DOUBLE_EQ(b.PY, 100.0);
    EXPECT_DOUBLE_EQ(b.P2Y, 100.0);
    for (int i = 0; i < 10; ++i) ZephModel::MoveBullets(&list, &ground, nullptr);
    EXPECT_DOUBLE_EQ(list.TheBullets[0].P2Z, b.P2Z);  // lies still
    EXPECT_EQ(list.TheBullets[0].GraphicsType, 2);

    // An aircraft taxiing over the strike is not hit by it.
    RecordAircraft target;
    target.oneVolume({0, 0, 0}, {50, 50, 50});
    target.ModelAttitude.Position = {0, 100, 40};
    EXPECT_EQ(ZephModel::buCheckForBulletsOnAircraftHit(&list, &target, 1, false, 1.0), 0);
}

// ---- Hits on aircraft.

struct AircraftHits : ::testing::Test {
    AircraftHits() {
        platform::seedRandom(4);
        target.oneVolume({0, 1, 0}, {2, 2, 2});
        target.ModelAttitude.Position = {0, 1000, 0};
    }
    int32_t shoot(std::array<double, 3> from, std::array<double, 3> to, int32_t shooter = 3, bool replay = false) {
        aimBullet(list, 0, from, to);
        return ZephModel::buCheckForBulletsOnAircraftHit(&list, &target, shooter, replay, 1.0);
    }
    BulletsList list = spentPool();
    RecordAircraft target;
};

TEST_F(AircraftHits, AMidPlaneCrossingHitsAndAGrazeMisses) {
    EXPECT_EQ(shoot({0.5, 1001.5, -20}, {0.5, 1001.5, 20}), 1);  // through, no end inside
    EXPECT_DOUBLE_EQ(target.a.HitX, 0.5);
    EXPECT_DOUBLE_EQ(target.a.HitY, 1.5);
    EXPECT_DOUBLE_EQ(target.a.HitZ, 0.0);
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 5000);
    EXPECT_DOUBLE_EQ(target.a.TotalHits, 0.2);
    EXPECT_EQ(target.a.PlayThisSound, 6);
    EXPECT_EQ(ZephModel::buCheckForBulletsOnAircraftHit(&list, &target, 3, false, 1.0), 0);  // consumed

    EXPECT_EQ(shoot({2.5, 1001.5, -20}, {2.5, 1001.5, 20}), 0);  // beside the box
    EXPECT_EQ(shoot({1.9, 1003.5, -20}, {1.9, 1002.99, 20}), 0);  // over it
    EXPECT_EQ(shoot({1.9, 1002.5, -1}, {1.9, 1002.5, 1}), 1);     // an end inside
    EXPECT_DOUBLE_EQ(target.a.HitZ, -1.0);
}

TEST_F(AircraftHits, TestsInTheTargetsOwnFrameWhereItIsDrawn) {
    // Turned 90 degrees right, a long fuselage box lies along world X.
    target.oneVolume({0, 0, 0}, {1, 1, 10});
    target.rotateHeadingByDegrees(90.0);
    EXPECT_EQ(shoot({8, 1020, 0}, {8, 980, 0}), 1);
    EXPECT_NEAR(target.a.HitZ, 8.0, 1e-9);
    EXPECT_EQ(shoot({0, 1020, 8}, {0, 980, 8}), 0);
    // Drawn 30 ft to the side of its simulated place: bullets meet the drawing.
    target.a.SliderX = 30.0;
    EXPECT_EQ(shoot({38, 1020, 0}, {38, 980, 0}), 1);
    EXPECT_EQ(shoot({8, 1020, 0}, {8, 980, 0}), 0);
}

TEST_F(AircraftHits, ShooterIsRecordedUntilTheKillIsCounted) {
    shoot({0, 1001, -20}, {0, 1001, 20}, 3);
    EXPECT_EQ(target.a.WhoShotMe, 3);
    shoot({0, 1001, -20}, {0, 1001, 20}, -1);  // no aircraft: the last shooter stands
    EXPECT_EQ(target.a.WhoShotMe, 3);
    shoot({0, 1001, -20}, {0, 1001, 20}, 25);  // no such aircraft either
    EXPECT_EQ(target.a.WhoShotMe, 3);
    target.a.WhoShotMe = -2;  // counted
    shoot({0, 1001, -20}, {0, 1001, 20}, 4);
    EXPECT_EQ(target.a.WhoShotMe, -2);
    target.a.WhoShotMe = 1;
    target.a.TotalHits = 10.0;  // already down to its limit: a later shooter gets no credit
    shoot({0, 1001, -20}, {0, 1001, 20}, 4);
    EXPECT_EQ(target.a.WhoShotMe, 1);
}

TEST_F(AircraftHits, ReplayHitsChangeNothing) {
    target.oneVolume({0, 1, 0}, {2, 2, 2}, dmg::ElevatorHit, 1e9);
    EXPECT_EQ(shoot({0, 1001, -20}, {0, 1001, 20}, 3, true), 1);
    EXPECT_EQ(target.a.WhoShotMe, -1);
    EXPECT_EQ(target.a.TotalHits, 0.0);
    EXPECT_EQ(target.damageCalls, 0);
}

TEST_F(AircraftHits, AGroundedAircraftShotToItsLimitIsDestroyed) {
    target.a.OnGround = 1;
    target.a.TotalHits = 9.9;
    shoot({0, 1001, -20}, {0, 1001, 20});
    EXPECT_EQ(target.a.Damage1 & (dmg::BlownUp | dmg::Down), dmg::BlownUp | dmg::Down);
}

TEST_F(AircraftHits, DamageIsDrawnByProbabilityScaledByModifierAndPunch) {
    // Certain damage applies only to a local aircraft in the air.
    target.oneVolume({0, 1, 0}, {2, 2, 2}, dmg::RudderHit, 200000.0);
    shoot({0, 1001, -20}, {0, 1001, 20});
    EXPECT_EQ(target.a.Damage1, dmg::RudderHit);
    target.a.Damage1 = 0;
    target.a.OnGround = 1;
    shoot({0, 1001, -20}, {0, 1001, 20});
    target.a.OnGround = 0;
    target.a.RemoteLocal = 1;
    shoot({0, 1001, -20}, {0, 1001, 20});
    EXPECT_EQ(target.a.Damage1, 0u);
    EXPECT_NEAR(target.a.TotalHits, 0.6, 1e-12);  // the hit total still grows

    // Fraction 0.5 of 65536 x 2: half the hits at punch 0.2, a third of that below 0.2.
    target.a.RemoteLocal = 0;
    target.oneVolume({0, 1, 0}, {2, 2, 2}, dmg::RudderHit, 65536.0);
    auto rate = [&](double punch, double modifier) {
        int applied = 0;
        for (int i = 0; i < 4000; ++i) {
            target.damageCalls = 0;
            aimBullet(list, 0, {0, 1001, -20}, {0, 1001, 20}, punch);
            ZephModel::buCheckForBulletsOnAircraftHit(&list, &target, 3, false, modifier);
            applied += target.damageCalls;
        }
        return applied / 4000.0;
    };
    EXPECT_NEAR(rate(0.2, 1.0), 0.5, 0.03);
    EXPECT_NEAR(rate(0.15, 1.0), 0.165, 0.02);
    EXPECT_NEAR(rate(0.2, 0.49), 0.245, 0.025);
}

// ---- Hits on ground objects and bomb blast.

struct ObjectWorld : ::testing::Test {
    ObjectWorld() {
        platform::seedRandom(8);
        debris = static_cast<DebrisPool*>(controller.models.put(ModelArray::kDebris, std::make_unique<DebrisPool>()));
        box = static_cast<BoxObject*>(
            controller.models.put(ModelArray::kFirstMissionObject, std::make_unique<BoxObject>(0, 0, 500, 10, 10, 10)));
    }
    void fire(std::array<double, 3> from, std::array<double, 3> to, int32_t shooter = 2, bool replay = false) {
        aimBullet(list, 0, from, to, 1.0);
        ZephModel::CheckForObjectHit(shooter, &list, &controller.models, 777, replay, &controller);
    }
    TestController controller;
    DebrisPool* debris = nullptr;
    BoxObject* box = nullptr;
    BulletsList list = spentPool();
};

TEST_F(ObjectWorld, ABulletHitsAnObjectOnceWhereverItCrossesIt) {
    fire({-5, -5, 495}, {5, 5, 505});  // crosses all three mid-planes inside the square
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 1.0f);
    EXPECT_EQ(box->data().WhoKilledMe, 2);
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 75);
    ASSERT_EQ(debris->pieces.size(), 1u);
    EXPECT_NEAR(debris->pieces[0][0], 0.0, 1e-9);  // at the X crossing, world feet
    EXPECT_NEAR(debris->pieces[0][2], 500.0, 1e-9);
    EXPECT_GE(debris->pieces[0][4], 0.0);  // thrown upward
    EXPECT_EQ(debris->times[0], 777);
    fire({-5, 11, 495}, {5, 11, 505});  // over the square
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 1.0f);
}

TEST_F(ObjectWorld, AnObjectDiesOnceAtItsLimit) {
    for (int i = 0; i < 5; ++i) fire({0, 1, 480}, {0, 1, 520}, 4);
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 3.0f);
    EXPECT_EQ(box->data().GlobalDeadTime, 777);
    ASSERT_EQ(controller.deaths.size(), 1u);
    EXPECT_EQ(controller.deaths[0], (std::pair<long, long>{ModelArray::kFirstMissionObject, 4}));
    EXPECT_EQ(debris->pieces.size(), 3u);
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 3);  // a wreck stops no bullet
}

TEST_F(ObjectWorld, AnObjectAtItsLimitDiesWithTheNextBullet) {
    box->data().ObjectHits = 3.0f;
    fire({0, 1, 480}, {0, 1, 520}, 1);
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 3.0f);
    EXPECT_EQ(controller.deaths.size(), 1u);
}

TEST_F(ObjectWorld, BulletsPassThroughObjectsThatAsk) {
    box->data().ObjectFlags |= 0x10000;
    fire({0, 1, 480}, {0, 1, 520});
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 0.0f);
    box->data().ObjectFlags = 0x20;
    fire({0, 1, 480}, {0, 1, 520}, 2, true);  // replays hit nothing
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 0.0f);
}

TEST_F(ObjectWorld, BombsWreckObjectsInTheirBlastAndParkedAircraftWithin50Feet) {
    auto* parked = static_cast<RecordAircraft*>(
        controller.models.put(ModelArray::kFirstAircraft + 1, std::make_unique<RecordAircraft>()));
    auto* flying = static_cast<RecordAircraft*>(
        controller.models.put(ModelArray::kFirstAircraft + 2, std::make_unique<RecordAircraft>()));
    parked->a.OnGround = 1;
    parked->ModelAttitude.Position = {0, 0, 549};
    flying->ModelAttitude.Position = {0, 0, 520};
    const double atParked50[3] = {0, 0, 599};
    ZephModel::CheckForBombHitObject(2, &controller.models, 100, false, &controller, atParked50);
    EXPECT_EQ(parked->a.Damage1, 0u);
    EXPECT_EQ(box->data().GlobalDeadTime, 0);  // 99 ft from the box, blast 40

    const double near[3] = {0, 0, 530};
    ZephModel::CheckForBombHitObject(3, &controller.models, 100, false, &controller, near);
    EXPECT_EQ(parked->a.Damage1, dmg::BlownUp | dmg::Down | dmg::ControlsDead);  // 19 ft
    EXPECT_EQ(flying->a.Damage1, 0u);
    EXPECT_EQ(box->data().GlobalDeadTime, 100);
    EXPECT_EQ(box->data().WhoKilledMe, 1);
    ASSERT_EQ(controller.deaths.size(), 1u);
    EXPECT_EQ(controller.deaths[0].second, 1);

    // A bomb from outside the eight aircraft (the bomber's) credits nobody.
    auto* second = static_cast<BoxObject*>(controller.models.append(std::make_unique<BoxObject>(0, 0, -500, 5, 5, 5)));
    const double far[3] = {0, 0, -510};
    ZephModel::CheckForBombHitObject(25, &controller.models, 200, false, &controller, far);
    EXPECT_EQ(second->data().WhoKilledMe, -1);
    EXPECT_EQ(controller.deaths.back().second, -1);
    ZephModel::CheckForBombHitObject(2, &controller.models, 300, false, &controller, far);  // dead once
    EXPECT_EQ(controller.deaths.size(), 2u);
}

TEST(BombBlast, AParkedAircraftAt49FeetIsWreckedAt50Not) {
    TestController controller;
    auto* parked = static_cast<RecordAircraft*>(
        controller.models.put(ModelArray::kFirstAircraft, std::make_unique<RecordAircraft>()));
    parked->a.OnGround = 1;
    const double at50[3] = {30, 40, 0}, at49[3] = {0, 0, 49};
    ZephModel::CheckForBombHitObject(3, &controller.models, 1, false, &controller, at50);
    EXPECT_EQ(parked->a.Damage1, 0u);
    ZephModel::CheckForBombHitObject(3, &controller.models, 1, true, &controller, at49);
    EXPECT_EQ(parked->a.Damage1, 0u);
    ZephModel::CheckForBombHitObject(3, &controller.models, 1, false, &controller, at49);
    EXPECT_NE(parked->a.Damage1 & dmg::Down, 0u);
}

// ---- Aircraft into objects.

struct Collisions : ::testing::Test {
    Collisions() {
        // A shed 80 ft long turned to lie along world X; the aircraft flies along +X beside it,
        // its left wing tip reaching 1.5 ft into the shed.
        shed = static_cast<BoxObject*>(
            controller.models.put(ModelArray::kFirstMissionObject, std::make_unique<BoxObject>(0, 0, 0, 5, 5, 40, 90)));
        shed->data().HitSquare[0] = 0.0;  // not every side set: only fast contacts wreck it
        craft = static_cast<RecordAircraft*>(
            controller.models.put(ModelArray::kFirstAircraft, std::make_unique<RecordAircraft>()));
        craft->setaController(&controller);
        craft->rotateHeadingByDegrees(90.0);
        craft->ModelAttitude.Position = {0, 0, -15};
        craft->a.CurrentVelocity = 60.0 / 40.9;
    }
    void scan() { ZephModel::checkForAircraftToModelCollision(craft, &controller.models, 50); }
    TestController controller;
    BoxObject* shed = nullptr;
    RecordAircraft* craft = nullptr;
};

TEST_F(Collisions, AWingTipInATurnedObjectWrecksBoth) {
    scan();
    EXPECT_EQ(shed->data().GlobalDeadTime, 50);
    ASSERT_EQ(controller.deaths.size(), 1u);
    EXPECT_EQ(controller.deaths[0], (std::pair<long, long>{ModelArray::kFirstMissionObject, 0}));
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 15.0);
    EXPECT_EQ(craft->stops, 0);
    EXPECT_EQ(craft->splodes, 0);
}

TEST_F(Collisions, MissesWhenTheWingPassesClear) {
    craft->ModelAttitude.Position = {0, 0, -19};
    scan();
    craft->ModelAttitude.Position = {0, 6, -15};  // over the roof
    scan();
    EXPECT_EQ(shed->data().GlobalDeadTime, 0);
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);
}

TEST_F(Collisions, SlowContactsLeaveTheObjectUnlessItsSquareIsWhole) {
    craft->a.CurrentVelocity = 40.0 / 40.9;
    scan();
    EXPECT_EQ(shed->data().GlobalDeadTime, 0);
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 15.0);
    shed->data().HitSquare[0] = -5.0;
    craft->a.TotalHits = 0.0;
    scan();
    EXPECT_EQ(shed->data().GlobalDeadTime, 50);
}

TEST_F(Collisions, OnTheGroundTheAircraftBlowsUpAndHardObjectsStopIt) {
    craft->a.OnGround = 1;
    craft->a.CurrentVelocity = 5.0 / 40.9;
    scan();
    EXPECT_EQ(craft->splodes, 1);
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);

    craft->a.OnGround = 0;
    shed->data().ObjectFlags |= 0x40000;
    scan();
    EXPECT_EQ(craft->stops, 1);
    // The single test used by attack runs never stops the aircraft, and credits the given number.
    shed->data().GlobalDeadTime = 0;
    craft->a.CurrentVelocity = 2.0;
    ZephModel::checkThisAircraftForThisModelCollision(craft, shed, 60, ModelArray::kFirstMissionObject, 5);
    EXPECT_EQ(craft->stops, 1);
    EXPECT_EQ(controller.deaths.back(), (std::pair<long, long>{ModelArray::kFirstMissionObject, 5}));
}

TEST_F(Collisions, SomeObjectsAndAircraftAreNeverTested) {
    shed->data().ObjectFlags |= 0x10000;
    scan();
    shed->data().ObjectFlags = 0x20;
    shed->type = 46;
    scan();
    shed->type = 0;
    shed->shape.OverallSizeDistance = 200.0f;  // the centre is 15 ft away: beyond it
    scan();
    shed->shape.OverallSizeDistance = 6075.0f;
    craft->a.Damage1 = dmg::Down;
    scan();
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);
    EXPECT_TRUE(controller.deaths.empty());
    craft->a.Damage1 = 0;
    shed->data().GlobalDeadTime = 9;  // already dead
    scan();
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);
}

// ---- Ground gunners.

struct Gunners : ::testing::Test {
    Gunners() {
        platform::seedRandom(11);
        for (int k = 0; k < 2; ++k) {
            planes[k] = static_cast<RecordAircraft*>(
                controller.models.put(ModelArray::kFirstAircraft + k, std::make_unique<RecordAircraft>()));
            planes[k]->a.Team = k + 1;
            planes[k]->ModelAttitude.Position = {100.0 * k, 1000, 0};
        }
        fire.NumberOfAAA = 1;
        fire.FireDistance = 3000.0f;
        fire.Accuracy = 1.0f;
        fire.FireDelayTime = 60;
        fire.AAAPower = 2.0f;
        fire.AAADistance = 60.0f;
    }
    bool track() { return ZephModel::TrackAircraftForBullets(&fire, &controller.models, self, 1, 0, false); }
    TestController controller;
    RecordAircraft* planes[2] = {};
    ObjectFireData fire;
    double self[3] = {0, 0, 0};
};

TEST_F(Gunners, TakeTheFirstEnemyInTheirSquareOfSky) {
    EXPECT_TRUE(track());
    EXPECT_EQ(fire.TrackingAircraft, 1);  // aircraft 0 is on the gun's own team
    planes[1]->ModelAttitude.Position[1] = 1600.0;  // above a machine gun's reach
    EXPECT_FALSE(track());
    EXPECT_EQ(fire.TrackingAircraft, -1);
    double burst[3];
    EXPECT_TRUE(ZephModel::shootObjectAAA(&fire, &controller.models, self, 1, 10, false, nullptr, nullptr, burst));
    planes[1]->ModelAttitude.Position = {3000.0, 1000, 0};  // the square's edge is outside
    fire.LastFireTime = 0;
    EXPECT_FALSE(ZephModel::shootObjectAAA(&fire, &controller.models, self, 1, 20, false, nullptr, nullptr, burst));
    fire.NumberOfAAA = 0;
    planes[1]->ModelAttitude.Position = {0, 1000, 0};
    EXPECT_FALSE(track());
}

TEST_F(Gunners, AimBuildsWhileTheTargetHoldsItsCourse) {
    planes[1]->a.AircraftHeading = 359.95;
    ASSERT_TRUE(track());
    for (int i = 1; i <= 10; ++i) {  // a steady climb of 5 ft per call
        planes[1]->ModelAttitude.Position[1] += 5.0;
        track();
    }
    EXPECT_NEAR(fire.AimingAccuracy, 9 * 0.005 + 0.003, 1e-5);  // the first call sets the climb rate
    const float before = fire.AimingAccuracy;
    planes[1]->ModelAttitude.Position[1] += 5.0;
    planes[1]->a.AircraftHeading = 0.03;  // across north: 0.08 deg
    track();
    EXPECT_NEAR(fire.AimingAccuracy, before + 0.002 + 0.2 * 0.003, 1e-5);
    planes[1]->ModelAttitude.Position[1] += 5.0;
    planes[1]->a.AircraftHeading = 2.0;
    track();
    EXPECT_EQ(fire.AimingAccuracy, 0.0f);
    planes[1]->a.Damage1 = dmg::Down;
    EXPECT_FALSE(track());
}

TEST_F(Gunners, FlakFiresAtItsPaceAndHurtsNearBursts) {
    struct Ears : SoundServices {
        void PlayASingleSound(int32_t n, int32_t v) override {
            EXPECT_EQ(n, 35);
            EXPECT_GE(v, 20);
            EXPECT_LE(v, 250);
            ++shots;
        }
        int shots = 0;
    } ears;
    fire.AAADistance = 1e6f;  // every burst hurts, a little less the farther it is
    const double camera[3] = {0, 0, 0};
    int last = 0, shots = 0;
    for (int tick = 1; tick < 20000; ++tick) {
        double burst[3] = {0, 0, 0};
        if (!ZephModel::shootObjectAAA(&fire, &controller.models, self, 1, tick, false, &ears, camera, burst)) continue;
        if (last) {
            EXPECT_GE(tick - last, 61);
            EXPECT_LE(tick - last, 224);
        }
        const double d = std::hypot(burst[0] - 100.0, burst[1] - 1000.0, burst[2]);
        EXPECT_LE(d, 500.0 * std::sqrt(3.0) + 1e-6);
        last = tick;
        ++shots;
    }
    EXPECT_GT(shots, 80);
    EXPECT_EQ(ears.shots, shots);
    EXPECT_GT(planes[1]->a.TotalHits, 1.99 * shots);
    EXPECT_LE(planes[1]->a.TotalHits, 2.0 * shots);
    EXPECT_EQ(planes[1]->a.PlayThisSound, 6);

    // Remote aircraft and replays take no damage, and replays show no burst.
    const double hits = planes[1]->a.TotalHits;
    planes[1]->a.RemoteLocal = 1;
    fire.LastFireTime = 0;
    double burst[3] = {7, 7, 7};
    EXPECT_TRUE(ZephModel::shootObjectAAA(&fire, &controller.models, self, 1, 30000, false, nullptr, nullptr, burst));
    planes[1]->a.RemoteLocal = 0;
    fire.LastFireTime = 0;
    burst[0] = 7;
    EXPECT_FALSE(ZephModel::shootObjectAAA(&fire, &controller.models, self, 1, 40000, true, nullptr, nullptr, burst));
    EXPECT_EQ(burst[0], 7);
    EXPECT_EQ(planes[1]->a.TotalHits, hits);
}

}  // namespace
}  // namespace pellam::testing
