// Bullets in flight, hits on aircraft and ground objects, bomb blast, aircraft-to-object
// collisions, and the ground gunners' flak, against box objects and bare records.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Constants.h"
#include "flight/FlightModel.h"
#include "flight/ObjectFireData.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

using Death = std::pair<long, long>;

TEST(Bullets, FlyUnderGravityAndWindForTheirLifeOrUntilTheGround) {
    FlatTerrain ground(0.0);
    BulletsList list = spentPool();
    aimBullet(list, 7, {0, 1000, 0}, {0, 1000, 40.66});
    list.TheBullets[7].TimeAlive = 0;
    aimBullet(list, 8, {0, 2, 0}, {0, 1, 40});
    list.TheBullets[8].YMove = -3.0;
    const double wind[3] = {0.1, 0.0, 0.0};
    for (int t = 1; t <= 71; ++t) MoveBullets(&list, &ground, wind);
    const ProjectileType& b = list.TheBullets[7];
    EXPECT_EQ(b.TimeAlive, 71);
    EXPECT_EQ(b.GraphicsType, -1);
    EXPECT_NEAR(b.P2Y, 1000.0 - kGravity * 71 * 72 / 2, 1e-9);  // g more each tick
    EXPECT_NEAR(b.P2X, 71 * 0.1, 1e-9);
    const ProjectileType& s = list.TheBullets[8];  // struck on its first tick and lies there
    EXPECT_EQ(s.GraphicsType, 2);
    EXPECT_EQ(s.P2Y, 0.0);
    EXPECT_EQ(list.ActiveBullets, 1);
    MoveBullets(&list, &ground, wind);
    EXPECT_EQ(list.ActiveBullets, 0);

    // An aircraft rolling over the strike is not hit by it.
    RecordAircraft target;
    target.oneVolume({0, 0, 0}, {50, 50, 50});
    target.live.attitude.Position = {0, 0, 80};
    list.TheBullets[8].TimeAlive = 30;
    EXPECT_EQ(buCheckForBulletsOnAircraftHit(&list, &target, 1, false, 1.0), 0);
}

struct AircraftHits : ::testing::Test {
    AircraftHits() {
        ZephModel::simulationRandom().seed(4);
        target.oneVolume({0, 1, 0}, {2, 2, 2});
        target.live.attitude.Position = {0, 1000, 0};
    }
    int32_t shoot(std::array<double, 3> from, std::array<double, 3> to, int32_t shooter = 3, bool replay = false,
                  double punch = 0.2, double modifier = 1.0) {
        aimBullet(list, 0, from, to, punch);
        return buCheckForBulletsOnAircraftHit(&list, &target, shooter, replay, modifier);
    }
    int32_t through(int32_t shooter = 3, bool replay = false) {
        return shoot({0, 1001, -20}, {0, 1001, 20}, shooter, replay);
    }
    BulletsList list = spentPool();
    RecordAircraft target;
};

TEST_F(AircraftHits, AMidPlaneCrossingHitsOnceInTheTargetsDrawnFrameAndAGrazeMisses) {
    EXPECT_EQ(shoot({0.5, 1001.5, -20}, {0.5, 1001.5, 20}), 1);  // no end inside the box
    const std::array<double, 3> hit{target.a.HitX, target.a.HitY, target.a.HitZ};
    EXPECT_EQ(hit, (std::array<double, 3>{0.5, 1.5, 0.0}));
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 5000);
    EXPECT_DOUBLE_EQ(target.a.TotalHits, 0.2);
    EXPECT_EQ(target.a.PlayThisSound, 6);
    EXPECT_EQ(buCheckForBulletsOnAircraftHit(&list, &target, 3, false, 1.0), 0);  // consumed
    EXPECT_EQ(shoot({2.5, 1001.5, -20}, {2.5, 1001.5, 20}), 0);
    EXPECT_EQ(shoot({1.9, 1003.5, -20}, {1.9, 1002.99, 20}), 0);

    // Tested in the target's own frame, where it is drawn.
    target.oneVolume({0, 0, 0}, {1, 1, 10});  // a long fuselage, turned to lie along world X
    target.rotateHeadingByDegrees(90.0);
    EXPECT_EQ(shoot({8, 1020, 0}, {8, 980, 0}), 1);
    EXPECT_NEAR(target.a.HitZ, 8.0, 1e-9);
    EXPECT_EQ(shoot({0, 1020, 8}, {0, 980, 8}), 0);
    target.a.SliderX = 30.0;  // drawn 30 ft aside
    EXPECT_EQ(shoot({38, 1020, 0}, {38, 980, 0}), 1);
    EXPECT_EQ(shoot({8, 1020, 0}, {8, 980, 0}), 0);
}

TEST_F(AircraftHits, DamageIsDrawnByChanceOnlyForALocalAircraftInTheAir) {
    target.oneVolume({0, 1, 0}, {2, 2, 2}, dmg::RudderHit, 200000.0);  // certain
    EXPECT_EQ(through(3, true), 1);  // a replay changes nothing
    EXPECT_EQ(target.a.TotalHits, 0.0);
    EXPECT_EQ(target.a.WhoShotMe, -1);
    target.a.OnGround = 1;
    through();
    target.a.OnGround = 0;
    target.a.RemoteLocal = 1;
    through();
    EXPECT_EQ(target.damageCalls, 0);
    EXPECT_NEAR(target.a.TotalHits, 0.4, 1e-12);
    target.a.RemoteLocal = 0;
    through();
    EXPECT_EQ(target.a.Damage1, dmg::RudderHit);
}

struct ObjectWorld : ::testing::Test {
    ObjectWorld() {
        ZephModel::simulationRandom().seed(8);
        debris = static_cast<DebrisPool*>(controller.models.put(ModelArray::kDebris, std::make_unique<DebrisPool>()));
        box = static_cast<BoxObject*>(
            controller.models.put(ModelArray::kFirstMissionObject, std::make_unique<BoxObject>(0, 0, 500, 10, 10, 10)));
    }
    void fire(std::array<double, 3> from, std::array<double, 3> to, int32_t shooter = 2, bool replay = false) {
        aimBullet(list, 0, from, to, 1.0);
        CheckForObjectHit(shooter, &list, &controller.models, 777, replay, &controller);
    }
    TestController controller;
    DebrisPool* debris = nullptr;
    BoxObject* box = nullptr;
    BulletsList list = spentPool();
};

TEST_F(ObjectWorld, ABulletCountsAtEachMidPlaneItCrossesAndTheObjectDiesOnceAtItsLimit) {
    fire({-5, 1, 495}, {5, 1, 505});  // crosses the X and Z mid-planes inside the square
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 2.0f);
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 75);
    ASSERT_EQ(debris->pieces.size(), 2u);
    EXPECT_NEAR(debris->pieces[0][2], 500.0, 1e-9);  // at the crossing, world ft
    EXPECT_GE(debris->pieces[0][4], 0.0);            // thrown up
    fire({-5, 11, 495}, {5, 11, 505});  // over it
    box->data().ObjectFlags |= 0x10000;   // bullets pass through
    fire({0, 1, 480}, {0, 1, 520});
    box->data().ObjectFlags = 0x20;
    fire({0, 1, 480}, {0, 1, 520}, 2, true);  // a replay
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 2.0f);

    // Diving into the ground inside the square, a bullet hits in the tick it strikes.
    FlatTerrain ground(0.0);
    aimBullet(list, 0, {0, 5, 430}, {0, 5, 470}, 1.0);
    list.TheBullets[0].YMove = -8.0;
    MoveBullets(&list, &ground, nullptr);
    ASSERT_EQ(list.TheBullets[0].GraphicsType, 2);
    CheckForObjectHit(4, &list, &controller.models, 777, false, &controller);
    for (int i = 0; i < 2; ++i) fire({0, 1, 480}, {0, 1, 520}, 5);
    EXPECT_FLOAT_EQ(box->data().ObjectHits, 3.0f);
    EXPECT_EQ(box->data().GlobalDeadTime, 777);
    EXPECT_EQ(box->data().WhoKilledMe, 4);
    EXPECT_EQ(controller.deaths, (std::vector<Death>{{ModelArray::kFirstMissionObject, 4}}));
    EXPECT_EQ(list.TheBullets[0].TimeAlive, 3);  // a wreck stops no bullet
}

TEST_F(ObjectWorld, BombsWreckObjectsInTheirBlastAndParkedAircraftWithin50Feet) {
    auto* parked = static_cast<RecordAircraft*>(
        controller.models.put(ModelArray::kFirstAircraft + 1, std::make_unique<RecordAircraft>()));
    auto* flying = static_cast<RecordAircraft*>(
        controller.models.put(ModelArray::kFirstAircraft + 2, std::make_unique<RecordAircraft>()));
    parked->a.OnGround = 1;
    parked->live.attitude.Position = {0, 0, 549};
    flying->live.attitude.Position = {0, 0, 560};
    auto bomb = [&](long dropper, double z) {
        const double at[3] = {0, 0, z};
        CheckForBombHitObject(dropper, &controller.models, 100, false, &controller, at);
    };
    bomb(2, 599);  // 50 ft from the parked aircraft, 99 from the box
    EXPECT_EQ(parked->a.Damage1, 0u);
    EXPECT_EQ(box->data().GlobalDeadTime, 0);
    bomb(3, 598);
    EXPECT_EQ(parked->a.Damage1, dmg::BlownUp | dmg::Down | dmg::ControlsDead);
    EXPECT_EQ(flying->a.Damage1, 0u);
    bomb(3, 530);
    EXPECT_EQ(box->data().WhoKilledMe, 1);
    // The bomber's bombs come from outside the eight aircraft and credit nobody, but destroy.
    auto* other = static_cast<BoxObject*>(controller.models.append(std::make_unique<BoxObject>(0, 0, -500, 5, 5, 5)));
    bomb(25, -510);
    bomb(2, -510);  // dead already
    EXPECT_EQ(other->data().WhoKilledMe, 23);
    EXPECT_EQ(controller.deaths, (std::vector<Death>{{ModelArray::kFirstMissionObject, 1}, {22, -1}}));
}

struct Collisions : ::testing::Test {
    Collisions() {
        // A shed turned to lie along world X; the aircraft flies along +X beside it, its left
        // wing tip 1.5 ft inside. Its centre is outside, and so is the tip unless it is turned
        // with the shed.
        shed = static_cast<BoxObject*>(
            controller.models.put(ModelArray::kFirstMissionObject, std::make_unique<BoxObject>(0, 0, 0, 5, 5, 40, 90)));
        shed->data().HitSquare[0] = 0.0;  // not every side set: only a fast contact wrecks it
        craft = static_cast<RecordAircraft*>(
            controller.models.put(ModelArray::kFirstAircraft, std::make_unique<RecordAircraft>()));
        craft->setaController(&controller);
        craft->rotateHeadingByDegrees(90.0);
        craft->live.attitude.Position = {0, 0, -15};
        craft->a.CurrentVelocity = 60.0 / 40.9;
    }
    void scan() { checkForAircraftToModelCollision(craft, &controller.models, 50); }
    TestController controller;
    BoxObject* shed = nullptr;
    RecordAircraft* craft = nullptr;
};

TEST_F(Collisions, AWingTipInATurnedObjectWrecksBoth) {
    craft->live.attitude.Position = {0, 0, -19};  // clear of it
    scan();
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);
    craft->live.attitude.Position = {0, 0, -15};
    scan();
    EXPECT_EQ(shed->data().GlobalDeadTime, 50);
    EXPECT_EQ(controller.deaths, (std::vector<Death>{{ModelArray::kFirstMissionObject, 0}}));
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 15.0);
    EXPECT_EQ(craft->stops + craft->splodes, 0);
}

// Objects bullets pass through, decks, objects out of reach and wrecks are never met.
TEST_F(Collisions, SomeObjectsAreNeverMet) {
    shed->data().ObjectFlags |= 0x10000;
    scan();
    shed->data().ObjectFlags = 0x20;
    shed->type = 46;  // a deck
    scan();
    shed->type = 0;
    shed->shape.OverallSizeDistance = 200.0f;  // the centre is 15 ft away: beyond it
    scan();
    shed->shape.OverallSizeDistance = 6075.0f;
    shed->data().GlobalDeadTime = 9;
    scan();
    EXPECT_DOUBLE_EQ(craft->a.TotalHits, 0.0);
}

struct Gunners : ::testing::Test {
    Gunners() {
        ZephModel::simulationRandom().seed(11);
        for (int k = 0; k < 2; ++k) {
            planes[k] = static_cast<RecordAircraft*>(
                controller.models.put(ModelArray::kFirstAircraft + k, std::make_unique<RecordAircraft>()));
            planes[k]->a.Team = k + 1;
            planes[k]->live.attitude.Position = {100.0 * k, 1000, 0};
        }
        fire.NumberOfAAA = 1;
        fire.FireDistance = 3000.0f;
        fire.Accuracy = 1.0f;
        fire.FireDelayTime = 60;
        fire.AAAPower = 2.0f;
        fire.AAADistance = 1e6f;  // every burst hurts, less the farther it is
    }
    bool flak(int32_t tick, bool replay, double* burst) {
        return shootObjectAAA(&fire, &controller.models, self, 1, tick, replay, nullptr, nullptr, burst);
    }
    TestController controller;
    RecordAircraft* planes[2] = {};
    ObjectFireData fire;
    double self[3] = {0, 0, 0};
};

// A target holding its heading and its rate of climb lets the aim build by 0.005 a call once the
// gunner has noted its course twice; the first note compares it with the course of whatever was
// tracked before. A turn of 0.1 deg spoils it.
TEST_F(Gunners, TheAimBuildsOnASteadyTargetAndATurnSpoilsIt) {
    fire.AircraftHeading = 90.0f;  // the course of a target tracked before
    double before = 0.0;
    for (int call = 1; call <= 6; ++call) {
        planes[1]->live.attitude.Position[1] += 2.0;  // climbing 2 ft a call
        ASSERT_TRUE(TrackAircraftForBullets(&fire, &controller.models, self, 1, call, false));
        if (call <= 2) {
            EXPECT_EQ(fire.AimingAccuracy, 0.0f) << call;
        } else if (call >= 4) {
            EXPECT_NEAR(fire.AimingAccuracy - before, 0.005, 1e-6) << call;
        }
        before = fire.AimingAccuracy;
    }
    planes[1]->a.AircraftHeading = 0.1;
    TrackAircraftForBullets(&fire, &controller.models, self, 1, 7, false);
    EXPECT_EQ(fire.AimingAccuracy, 0.0f);
}

TEST_F(Gunners, FlakBurstsNearItsTargetAndHurtsOnlyLocalAircraftOutsideReplays) {
    int shots = 0;
    for (int tick = 1; tick < 20000; ++tick) {
        double burst[3] = {0, 0, 0};
        if (!flak(tick, false, burst)) continue;
        EXPECT_LE(std::hypot(burst[0] - 100.0, burst[1] - 1000.0, burst[2]), 500.0 * std::sqrt(3.0) + 1e-6);
        ++shots;
    }
    EXPECT_GT(shots, 80);
    EXPECT_GT(planes[1]->a.TotalHits, 1.99 * shots);
    EXPECT_LE(planes[1]->a.TotalHits, 2.0 * shots);
    EXPECT_EQ(planes[1]->a.PlayThisSound, 6);

    const double hits = planes[1]->a.TotalHits;
    planes[1]->a.RemoteLocal = 1;
    fire.LastFireTime = 0;
    double burst[3] = {7, 7, 7};
    EXPECT_TRUE(flak(30000, false, burst));
    planes[1]->a.RemoteLocal = 0;
    fire.LastFireTime = 0;
    burst[0] = 7;
    EXPECT_FALSE(flak(40000, true, burst));  // a replay shows no burst and hurts nobody
    EXPECT_EQ(burst[0], 7);
    EXPECT_EQ(planes[1]->a.TotalHits, hits);
}

}  // namespace
}  // namespace pellam::testing
