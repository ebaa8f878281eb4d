// The pilot's look-around and roles, on stand-in aircraft in a model array.
#include <gtest/gtest.h>

#include <memory>

#include "flight/AiPilot.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {
namespace {

struct Fleet {
    Fleet() { controller.models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(0.0)); }
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
    TestController controller;
};

TEST(AiPilot, ForcedTargetIsTakenOnceAndOnlyWhenItNamesAnAircraft) {
    Fleet w;
    FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
    me.a.AIType = 1;
    w.add(1, 1, 0, 1000, 900);
    w.add(2, 1, 0, 1000, 2500);
    me.a.aiVariables[0] = 2.0;
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(2));
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], -1.0);
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(1));

    // Not an aircraft, itself, or a friend (a fresh record holds 0, naming aircraft 0): dropped,
    // and the look-around goes on as usual.
    w.add(3, 0, 0, 1000, 300);
    for (double bad : {8.0, 9.5, 1e12, 0.0, 3.0}) {
        me.a.aiVariables[0] = bad;
        w.fly(me);
        EXPECT_EQ(me.a.ClosestEnemy, w.at(1)) << bad;
        EXPECT_DOUBLE_EQ(me.a.aiVariables[0], 1.0) << bad;  // the enemy it now chases, 900 ft off
    }
    // A dead one: nobody this step.
    static_cast<FakeAircraft*>(w.at(2))->a.Damage1 = dmg::Down;
    me.a.aiVariables[0] = 2.0;
    w.fly(me);
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], -1.0);
    EXPECT_EQ(me.a.ClosestEnemy, nullptr);
    static_cast<FakeAircraft*>(w.at(2))->a.Damage1 = 0;
    // A target out of the world is kept for later.
    static_cast<FakeAircraft*>(w.at(2))->place(0, -9500, 0);
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
    w.fly(me);
    EXPECT_EQ(me.a.ClosestEnemy, w.at(0));
    EXPECT_DOUBLE_EQ(me.a.ClosestEnemyData[0], 800.0);
    EXPECT_EQ(me.a.AIType, 2);
    EXPECT_EQ(me.a.GunsFiring, 0);

    lead.a.TotalHits = 10.0;  // at its limit a leader counts as lost
    w.fly(me);
    EXPECT_EQ(me.a.AIType, 1);

    // A wingman told to follow itself has no leader either.
    FakeAircraft& alone = w.add(4, 0, 500, 1000, 0);
    alone.a.AIType = 2;
    alone.a.LeadAircraftNumber = 4;
    w.fly(alone);
    EXPECT_EQ(alone.a.AIType, 1);
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

TEST(AiPilot, OnlyAnEnemyChasedCloseIsMarkedForTheNextLook) {
    Fleet w;
    FakeAircraft& me = w.add(0, 0, 0, 1000, 0);
    me.a.AIType = 1;
    w.add(1, 1, 0, 1000, 1500);  // straight ahead, going our way
    w.fly(me);
    EXPECT_DOUBLE_EQ(me.a.aiVariables[0], 1.0);

    // A wingman closing on its leader marks nobody, whatever enemy number it last saw.
    Fleet v;
    v.add(0, 0, 0, 1000, 1500);
    FakeAircraft& wing = v.add(2, 0, 0, 1000, 0);
    wing.a.AIType = 2;
    wing.a.aiVariables[1] = 0.0;
    v.fly(wing);
    EXPECT_EQ(wing.a.ClosestEnemy, v.at(0));
    EXPECT_DOUBLE_EQ(wing.a.aiVariables[0], -1.0);
}

}  // namespace
}  // namespace pellam::testing
