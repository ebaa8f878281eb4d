// The dive near the ground, a fighter with no manoeuvre shares and a split-S begun too low, on
// stand-in aircraft.
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

}  // namespace
}  // namespace pellam::testing
