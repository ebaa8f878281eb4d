// Collision avoidance, airframe protection, the manoeuvre dispatchers and the dogfight's modes
// before combat, on stand-in aircraft.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "flight/AiPilot.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {
namespace {

struct Pair {
    Pair(double groundAt = 0.0) {
        terrain = std::make_unique<HeightField>([this](double x, double z) { return ground(x, z); });
        flat = groundAt;
        me.terrain = terrain.get();
        me.speedMph(100.0);
        me.place(0.0, 3000.0, 0.0);
        me.a.GroundAltitude = flat;
    }
    std::function<double(double, double)> ground = [this](double, double) { return flat; };
    double flat = 0.0;
    std::unique_ptr<HeightField> terrain;
    FakeAircraft me;
};

TEST(AiGuards, OverspeedCutsTheThrottleAndAboveTheLimitOnlyLevelsOut) {
    Pair p;
    p.me.speedMph(0.95 * 155.0);
    p.me.place(0.0, 100.0, 0.0);  // low as well: the ground rule still runs
    collsionAvoidance(&p.me);
    EXPECT_DOUBLE_EQ(p.me.throttle, 1.0);  // the pull-up's full throttle came after the cut
    EXPECT_GT(p.me.a.Elevator, 0.0);

    Pair q;
    q.me.speedMph(160.0);
    q.me.place(0.0, 100.0, 0.0);
    q.me.a.AircraftBank = 30.0;
    q.me.a.Rudder = 0.4;
    collsionAvoidance(&q.me);
    EXPECT_DOUBLE_EQ(q.me.throttle, 0.05);
    EXPECT_DOUBLE_EQ(q.me.a.Ailerons, -1.0);
    EXPECT_DOUBLE_EQ(q.me.a.Rudder, 0.0);
    EXPECT_NEAR(q.me.a.Elevator, 0.35 / 57.29577951 * 6.0, 1e-12);  // a third of a degree of nose-up
}

TEST(AiGuards, HeadOnPairSplitsUpAndDown) {
    Pair low, high;
    low.me.place(0.0, 3000.0, 0.0);
    high.me.place(0.0, 3060.0, 400.0);
    high.me.setHeading(180.0);
    low.me.a.AircraftHeading = 0.0;
    high.me.a.AircraftHeading = 180.0;
    for (auto [self, other] : {std::pair{&low, &high}, std::pair{&high, &low}}) {
        self->me.a.ClosestAircraft = &other->me;
        self->me.a.ClosestEnemyData[23] = 404.5;
        collsionAvoidance(&self->me);
    }
    EXPECT_DOUBLE_EQ(low.me.a.Elevator, -0.55);
    EXPECT_DOUBLE_EQ(high.me.a.Elevator, 0.5);
}

TEST(AiGuards, DiveNearTheGroundPullsUpWingsLevel) {
    Pair p;
    p.me.place(0.0, 900.0, 0.0);
    p.me.a.AircraftPitch = -35.0;
    p.me.a.AircraftBank = 20.0;
    for (int i = 0; i < 5; ++i) collsionAvoidance(&p.me);
    EXPECT_GT(p.me.a.Elevator, 0.25);
    EXPECT_DOUBLE_EQ(p.me.a.Ailerons, -1.0);
    EXPECT_EQ(p.me.a.LastTimeWeLookedAhead, 0);
}

TEST(AiGuards, RidgeAheadTurnsTowardTheLowerSideForFourSeconds) {
    Pair p;
    // A ridge 400 ft ahead, 140 ft under the aircraft; the valley falls away to the left (-X).
    p.ground = [](double x, double z) { return z > 300.0 ? 2860.0 + x * 0.2 : 0.0; };
    p.me.place(0.0, 3000.0, 0.0);
    collsionAvoidance(&p.me);
    EXPECT_EQ(p.me.a.LastTimeWeLookedAhead, 240);
    EXPECT_DOUBLE_EQ(p.me.a.LeftAheadAltitude, -0.87);
    EXPECT_DOUBLE_EQ(p.me.a.Ailerons, -1.0);
    for (int i = 0; i < 239; ++i) collsionAvoidance(&p.me);
    EXPECT_EQ(p.me.a.LastTimeWeLookedAhead, 1);
    collsionAvoidance(&p.me);
    EXPECT_EQ(p.me.a.LastTimeWeLookedAhead, 0);
}

// ---- Manoeuvre dispatchers.

FakeAircraft& fighter(FakeAircraft& f, double share, std::initializer_list<int> codes) {
    for (auto& m : f.profiles[0].EachManeuver) m.ManeuverProbability = 0.0;
    for (int c : codes) f.profiles[0].EachManeuver[c].ManeuverProbability = share;
    f.place(0.0, 5000.0, 0.0);
    f.speedMph(120.0);
    f.a.ClosestEnemyData[0] = 1000.0;
    f.a.ClosestEnemyData[1] = 1000.0;
    f.a.ClosestEnemyData[2] = 1.0;
    f.a.ClosestEnemyData[3] = 14.0;
    return f;
}

TEST(AiManeuvers, WithNoSharesOnlyTheFallBackFlies) {
    ZephModel::simulationRandom().seed(8);
    FakeAircraft f;
    fighter(f, 0.0, {});
    for (int i = 0; i < 200; ++i) {
        DoEvasiveFromShot(5, 2, &f);
        DoOption3Maneuvers(1, &f);
        EXPECT_EQ(f.a.AutoPilotData[2], -1.0);
    }
    EXPECT_DOUBLE_EQ(f.throttle, 1.0);
}

TEST(AiManeuvers, OptionsExcludeTheirManoeuvres) {
    ZephModel::simulationRandom().seed(8);
    for (int i = 0; i < 50; ++i) {
        FakeAircraft snap;
        fighter(snap, 1.0, {11});  // the snap roll is everything this pilot knows
        DoOption3Maneuvers(3, &snap);
        EXPECT_NE(snap.a.AutoPilotData[2], 11.0);
        FakeAircraft level;
        fighter(level, 1.0, {16});
        DoOption3Maneuvers(1, &level);
        EXPECT_NE(level.a.AutoPilotData[2], 16.0);
    }
    FakeAircraft snap;
    fighter(snap, 1.0, {11});
    DoOption3Maneuvers(1, &snap);
    EXPECT_EQ(snap.a.AutoPilotData[2], 11.0);

    for (double code : {9.0, 11.0, 12.0, 13.0, 14.0}) {
        FakeAircraft f;
        fighter(f, 0.0, {});
        f.a.AutoPilotData[2] = code;
        DoEvasiveFromShot(5, 4, &f);
        EXPECT_EQ(f.a.AutoPilotData[2], -1.0) << code;
    }
}

TEST(AiManeuvers, RollsAndStallsEndWhenTheEnemyIsFarOff) {
    FakeAircraft f;
    fighter(f, 0.0, {});
    f.a.AutoPilotData[2] = 11.0;
    f.a.ClosestEnemyData[1] = 100.0 * 1250.0 + 1.0;  // beyond 100 x its minimum height
    DoEvasiveFromShot(5, 2, &f);
    EXPECT_EQ(f.a.AutoPilotData[2], -1.0);
    EXPECT_DOUBLE_EQ(f.a.ClosestEnemyData[15], 0.0);  // no direction was ever drawn

    for (double code : {12.0, 13.0}) {
        FakeAircraft g;
        fighter(g, 0.0, {});
        g.a.AutoPilotData[2] = code;
        DoEvasiveFromShot(5, 2, &g);
        EXPECT_EQ(g.a.AutoPilotData[2], code);
        g.a.ClosestEnemyData[0] = 2101.0;
        DoEvasiveFromShot(5, 2, &g);
        EXPECT_EQ(g.a.AutoPilotData[2], -1.0);
    }
}

TEST(AiManeuvers, SplitSTooLowBecomesATurnAndEndsPastTheVertical) {
    FakeAircraft f;
    fighter(f, 0.0, {});
    f.place(0.0, 1000.0, 0.0);
    f.a.AutoPilotData[2] = 8.0;
    DoEvasiveFromShot(5, 2, &f);
    EXPECT_EQ(f.a.AutoPilotData[2], -1.0);

    FakeAircraft g;
    fighter(g, 0.0, {});
    g.a.AutoPilotData[2] = 8.0;
    DoEvasiveFromShot(5, 2, &g);
    EXPECT_EQ(g.a.AutoPilotData[2], 8.0);
    EXPECT_DOUBLE_EQ(g.a.Ailerons, 1.0);  // rolling inverted
    g.a.AircraftPitch = -65.0;
    DoEvasiveFromShot(5, 2, &g);
    EXPECT_EQ(g.a.AutoPilotData[2], -1.0);
}

// ---- Dogfight modes before combat.

class Pool : public ZephModel {
public:
    void startADroppedBomb(const double*, const double*, int32_t, int32_t by) override { dropper = by, ++drops; }
    int drops = 0;
    int32_t dropper = -1;
};

TEST(AiDogfight, FighterJettisonsItsBombsOnlyWithRoomBelow) {
    TestController c;
    auto* pool = static_cast<Pool*>(c.models.put(ModelArray::kBombs, std::make_unique<Pool>()));
    auto* f = static_cast<FakeAircraft*>(c.models.put(ModelArray::kFirstAircraft + 3, std::make_unique<FakeAircraft>()));
    f->bombs = 2;
    f->speedMph(100.0);
    f->place(0.0, 200.0, 0.0);
    doDogfighting(f, &c.models, 1);
    EXPECT_EQ(pool->drops, 0);
    f->place(0.0, 300.0, 0.0);
    for (int i = 0; i < 3; ++i) doDogfighting(f, &c.models, 2 + i);
    EXPECT_EQ(pool->drops, 2);
    EXPECT_EQ(pool->dropper, 5);
}

TEST(AiDogfight, TakeOffModeOutlastsTheGroundRun) {
    FakeAircraft f;
    f.a.OnGround = 1;
    f.speedMph(50.0);
    doDogfighting(&f, nullptr, 1);
    EXPECT_DOUBLE_EQ(f.a.ClosestEnemyData[27], 1200.0);
    f.a.OnGround = 0;
    f.speedMph(100.0);
    for (int i = 0; i < 1199; ++i) doDogfighting(&f, nullptr, 2 + i);
    EXPECT_DOUBLE_EQ(f.a.ClosestEnemyData[27], 1.0);
    EXPECT_DOUBLE_EQ(f.a.ClosestEnemyData[21], 0.0);  // the aim oscillator has not run yet
    doDogfighting(&f, nullptr, 1300);
    EXPECT_GT(f.a.ClosestEnemyData[21], 0.0);
}

TEST(AiDogfight, WithNoEnemyItCirclesInTheFifteenThousandFootBand) {
    for (auto [height, sign] : {std::pair{14000.0, 1.0}, std::pair{15100.0, 0.0}, std::pair{15300.0, -1.0}}) {
        FakeAircraft f;
        f.speedMph(100.0);
        f.place(0.0, height, 0.0);
        f.a.AircraftBank = -10.0;
        doDogfighting(&f, nullptr, 1);
        EXPECT_DOUBLE_EQ(f.throttle, 0.6);
        EXPECT_LT(f.a.Ailerons, 0.0);  // on the side it leans to
        const double step = f.a.AutoPilotData[4];
        EXPECT_TRUE(sign > 0 ? step > 0 : (sign < 0 ? step < 0 : step == 0.0)) << height;
    }
}

}  // namespace
}  // namespace pellam::testing
