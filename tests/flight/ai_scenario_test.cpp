// Whole flights of AI Camels in the main loop's order, each from a fixed random seed: a fight to a
// kill, a patrol round its path that turns to fight, a bombing run, the far approach to a ground
// target, a wingman in formation that turns on an enemy behind, and two against two for four minutes over hills; and the
// Fokkers: a Dr.I against a D.VII, and the pair against a Camel. In every fight each aircraft stays finite and above the ground while it flies.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "flight/FlightModel.h"
#include "tests/flight/ai_world.h"

namespace pellam::testing {
namespace {

constexpr int kMinute = 60 * 60;  // ticks

double distance(const ZephModel* a, const ZephModel* b) {
    const auto &p = a->live.attitude.Position, &q = b->live.attitude.Position;
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

// Every aircraft's pose finite, and each above the ground while it flies.
void expectInBounds(AiWorld& w, int tick) {
    for (int n = 0; n < 8; ++n) {
        const FlyableAircraft* p = w.planes[n];
        if (!p) continue;
        const auto& at = p->live.attitude.Position;
        for (double v : at) ASSERT_TRUE(std::isfinite(v)) << n << " at " << tick;
        for (double v : p->live.attitude.QAttitude) ASSERT_TRUE(std::isfinite(v)) << n << " at " << tick;
        if (!(p->ThisAircraft.Damage1 & dmg::Down)) {
            ASSERT_GT(at[1], w.terrain->getAltitudeAtX(at[0], at[2]) - 10.0) << n << " at " << tick;
        }
    }
}

bool anyKilled(const AiWorld& w) {
    for (const FlyableAircraft* p : w.planes)
        if (p && AiWorld::killed(p)) return true;
    return false;
}

// Runs until `done` or the time is up, every aircraft in bounds; answers the ticks run.
template <typename Done>
int fight(AiWorld& w, int limit, Done done) {
    for (int i = 0; i < limit; ++i) {
        w.tick();
        expectInBounds(w, i);
        if (done() || ::testing::Test::HasFatalFailure()) return i + 1;
    }
    return limit;
}

// A square path of 8,000 ft sides at 2,000 ft from table entry `first` on, looping.
void square(AiWorld& w, int first, double throttle) {
    const double corner[4][2] = {{0, 8000}, {8000, 8000}, {8000, 0}, {0, 0}};
    for (int k = 0; k < 4; ++k) w.controller.point(first + k, corner[k][0], 2000.0, corner[k][1], throttle);
    w.controller.points[first + 3].NextPoint = first;
}

TEST(AiScenario, CamelAgainstCamelFightsToAKill) {
    ZephModel::simulationRandom().seed(1);
    AiWorld w;
    ObjectTestFile* ace = w.camel(0, 0, 1, 0.0, 3000.0, 0.0, 0.0);
    ObjectTestFile* novice = w.camel(1, 1, 1, 600.0, 3200.0, 3000.0, 180.0);
    novice->ThisAircraft.aiPilotNumber = 2;
    const int ticks = fight(w, 6 * kMinute, [&] { return AiWorld::killed(ace) || AiWorld::killed(novice); });
    EXPECT_LT(ticks, 6 * kMinute);
    EXPECT_TRUE(AiWorld::killed(novice));
    EXPECT_GT(w.firingTicks[0], 0);
    EXPECT_GT(w.hits[0], 0);
    EXPECT_EQ(novice->ThisAircraft.WhoShotMe, 0);
}

TEST(AiScenario, PatrolLoopsItsPathAndTurnsToFightAnEnemyNearBy) {
    ZephModel::simulationRandom().seed(3);
    AiWorld w;
    square(w, 10, 100.0);
    ObjectTestFile* patrol = w.camel(0, 0, 5, 0.0, 2000.0, -500.0, 0.0);
    Aircraft& a = patrol->ThisAircraft;
    a.NextFlyPointNumber = 10;
    a.AttackEnemyDistance = 3000;
    a.ReturnToPatrolDistance = 8000;
    std::vector<int> visited;
    for (int i = 0; i < 5 * kMinute; ++i) {
        w.tick();
        if (visited.empty() || visited.back() != a.NextFlyPointNumber) visited.push_back(a.NextFlyPointNumber);
        const auto& p = patrol->live.attitude.Position;
        ASSERT_GT(p[1], 1500.0);
        ASSERT_LT(std::fabs(p[0] - 4000.0), 6000.0);
        ASSERT_LT(std::fabs(p[2] - 4000.0), 6000.0);
    }
    ASSERT_GE(visited.size(), 6u);
    for (size_t k = 1; k < visited.size(); ++k) EXPECT_EQ(visited[k], 10 + (visited[k - 1] - 10 + 1) % 4);

    // An enemy crossing 2500 ft off: the patrol leaves its path and closes on it.
    const auto& me = patrol->live.attitude.Position;
    const double h = a.AircraftHeading / 57.29577951 + 1.2;
    ObjectTestFile* enemy = w.camel(1, 1, -1, me[0] + 2500.0 * std::sin(h), 2000.0, me[2] + 2500.0 * std::cos(h),
                                    a.AircraftHeading + 90.0);
    double closest = distance(patrol, enemy);
    int fighting = 0;
    for (int i = 0; i < kMinute; ++i) {
        w.tick();
        fighting += a.WasDogfighting;
        closest = std::min(closest, distance(patrol, enemy));
    }
    EXPECT_GT(fighting, kMinute / 2);
    EXPECT_LT(closest, 800.0);
}

TEST(AiScenario, PatrolWithBombsLaysAStickOnABox) {
    ZephModel::simulationRandom().seed(5);
    AiWorld w;
    BoxObject* target = w.box(0.0, 9000.0, 1);
    ASSERT_EQ(w.controller.models.indexOf(target), 21);
    w.controller.point(0, 0.0, 1000.0, 20000.0, 100.0).PSTargets = 21 * 65536.0;
    ObjectTestFile* bomber = w.camel(0, 0, 5, 0.0, 1000.0, 0.0, 0.0);
    bomber->setNumberOfBombs(6);
    const BombsPool& pool = *w.bombs;
    for (int i = 0; i < 2 * kMinute && pool.bombs.size() < 2; ++i) w.tick();
    ASSERT_GE(pool.bombs.size(), 2u);
    for (size_t k = 0; k < pool.bombs.size(); ++k) {
        const auto& d = pool.bombs[k];
        EXPECT_EQ(pool.droppers[k], 2);  // dropped by model index 2
        EXPECT_LT(std::hypot(d[0], d[2] - 9000.0), 1500.0);  // released on the run in
        EXPECT_LT(d[1], 1000.0);
        if (k > 0) {
            EXPECT_GE(pool.times[k] - pool.times[k - 1], 40);
        }
    }
    EXPECT_EQ(bomber->getNumberOfBombs(), 6 - static_cast<int>(pool.bombs.size()));
    EXPECT_FALSE(AiWorld::killed(bomber));
}

// A ground target 30,000 ft off to the right: the bomber turns toward it in a steep bank, then
// comes to its attack height (500 to 800 ft above the target) before it is 8,000 ft away: down
// from high above, up from low over the ground.
TEST(AiScenario, FarApproachTurnsThenComesToAttackHeight) {
    for (double start : {3000.0, 150.0}) {
        SCOPED_TRACE(start);
        ZephModel::simulationRandom().seed(7);
        AiWorld w;
        BoxObject* target = w.box(30000.0, 0.0, 1);
        const double ground = target->live.attitude.Position[1];
        w.controller.point(0, 30000.0, 1000.0, 0.0, 100.0).PSTargets = 21 * 65536.0;
        ObjectTestFile* bomber = w.camel(0, 0, 5, 0.0, ground + start, 0.0, 0.0);
        bomber->setNumberOfBombs(2);
        const Aircraft& a = bomber->ThisAircraft;
        auto off = [&] {  // deg between the heading and the bearing of the target
            const auto& at = bomber->live.attitude.Position;
            const double bearing = std::atan2(30000.0 - at[0], -at[2]) * 57.29577951;
            return std::fabs(std::fmod(bearing - a.AircraftHeading + 540.0, 360.0) - 180.0);
        };
        const double offAtStart = off();
        double steepest = 0.0, above = -1.0;
        int faced = -1, ticks = 0;
        fight(w, 4 * kMinute, [&] {
            ++ticks;
            steepest = std::max(steepest, std::fabs(a.AircraftBank));
            if (faced < 0 && off() < 15.0) faced = ticks;
            const auto& at = bomber->live.attitude.Position;
            above = at[1] - ground;
            return std::hypot(at[0] - 30000.0, at[2]) < 8000.0;
        });
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_NEAR(offAtStart, 90.0, 1.0);
        EXPECT_GT(steepest, 55.0);
        EXPECT_GT(faced, 0);
        EXPECT_LT(faced, 15 * 60);
        EXPECT_GT(above, 450.0);
        EXPECT_LT(above, 850.0);
    }
}

TEST(AiScenario, ParkedPatrolWaitsItsStartDelayThenTakesOffAlongItsPath) {
    ZephModel::simulationRandom().seed(6);
    AiWorld w;
    w.controller.point(0, 0.0, 1500.0, 12000.0, 1.0).PSTargets = 5.0;  // 5 s on the field
    ObjectTestFile* c = w.camel(0, 0, 5, 0.0, 0.0, 0.0, 0.0, 0.0);
    c->SetUpAircraft(0.0, 0.0, 0.0, 0.0, 400.0, 0.0, 1.0);  // standing tail-down
    c->ThisAircraft.AIType = 5;
    for (int i = 0; i < 290; ++i) {
        w.tick();
        ASSERT_LT(std::hypot(c->live.attitude.Position[0], c->live.attitude.Position[2]), 3.0) << i;
    }
    for (int i = 0; i < kMinute; ++i) w.tick();
    EXPECT_GT(c->live.attitude.Position[1], 200.0);
    EXPECT_GT(c->live.attitude.Position[2], 3000.0);
    EXPECT_FALSE(AiWorld::killed(c));
}

// The wingman keeps formation while an enemy far off is in the world, and turns to fight a second
// one that comes up 1,000 ft behind it, inside its attack distance.
TEST(AiScenario, WingmanHoldsFormationOnItsLeaderAndTurnsOnAnEnemyBehind) {
    ZephModel::simulationRandom().seed(9);
    AiWorld w;
    square(w, 0, 0.8);
    ObjectTestFile* leader = w.camel(0, 0, 5, 0.0, 2000.0, 0.0, 0.0);
    ObjectTestFile* wingman = w.camel(1, 0, 2, -150.0, 2000.0, -200.0, 0.0);
    Aircraft& a = wingman->ThisAircraft;
    a.LeadAircraftNumber = 0;
    a.AttackEnemyDistance = 3000;
    ObjectTestFile* far = w.camel(2, 1, 1, -30000.0, 9000.0, 4000.0, 0.0);
    far->ThisAircraft.AttackEnemyDistance = 0;
    double farthest = 0.0;
    for (int i = 0; i < 2 * kMinute; ++i) {  // round two corners of the square
        w.tick();
        if (i > 30 * 60) farthest = std::max(farthest, distance(leader, wingman));
        ASSERT_GT(distance(leader, wingman), 60.0);
    }
    EXPECT_LT(farthest, 700.0);
    EXPECT_EQ(w.firingTicks[1], 0);
    EXPECT_EQ(a.AIType, 2);
    ASSERT_FALSE(AiWorld::killed(far));
    ASSERT_GT(distance(wingman, far), 5000.0);

    const auto& at = wingman->live.attitude.Position;
    const double h = a.AircraftHeading / 57.29577951;
    ObjectTestFile* behind = w.camel(3, 1, -1, at[0] - 1000.0 * std::sin(h), at[1], at[2] - 1000.0 * std::cos(h),
                                     a.AircraftHeading);
    bool faced = false;
    for (int i = 0; i < 30 * 60 && !faced; ++i) {
        w.tick();
        ASSERT_EQ(a.ClosestEnemy, behind) << i;
        const auto &p = wingman->live.attitude.Position, &q = behind->live.attitude.Position;
        const double bearing = std::atan2(q[0] - p[0], q[2] - p[2]) * 57.29577951;
        faced = std::fabs(std::remainder(bearing - a.AircraftHeading, 360.0)) < 30.0;
    }
    EXPECT_TRUE(faced);
}

// Two against two for four minutes over hills: long enough for each pilot to start and end several
// manoeuvres in the fight, and for both sides to shoot and hit.
TEST(AiScenario, TwoAgainstTwoForFourMinutesOverHills) {
    ZephModel::simulationRandom().seed(11);
    AiWorld w(std::make_unique<HeightField>([](double x, double z) {
        return 600.0 + 500.0 * std::sin(x / 3000.0) * std::cos(z / 2500.0) + 300.0 * std::sin((x + z) / 1700.0);
    }));
    w.camel(0, 0, 1, 0.0, 3500.0, 0.0, 0.0);
    w.camel(1, 0, 1, 300.0, 3500.0, -300.0, 0.0)->ThisAircraft.aiPilotNumber = 2;
    w.camel(2, 1, 1, 500.0, 3600.0, 6000.0, 180.0)->ThisAircraft.aiPilotNumber = 1;
    w.camel(3, 1, 1, 900.0, 3600.0, 6300.0, 180.0)->ThisAircraft.aiPilotNumber = 2;
    std::array<int, 4> held{};
    std::array<double, 4> code{-1.0, -1.0, -1.0, -1.0};
    int longest = 0;
    for (int i = 0; i < 4 * kMinute; ++i) {
        w.tick();
        ASSERT_NO_FATAL_FAILURE(expectInBounds(w, i));
        for (int n = 0; n < 4; ++n) {
            const Aircraft& a = w.planes[n]->ThisAircraft;
            ASSERT_TRUE(std::isfinite(a.Elevator) && std::isfinite(a.Ailerons) && std::isfinite(a.Rudder));
            // A manoeuvre in progress while fighting must end in time.
            const bool fighting = a.ClosestEnemy && !(a.Damage1 & dmg::Down);
            if (!fighting || a.AutoPilotData[2] != code[n] || a.AutoPilotData[2] == -1.0) {
                held[n] = 0;
                code[n] = a.AutoPilotData[2];
            } else {
                longest = std::max(longest, ++held[n]);
            }
        }
    }
    EXPECT_LT(longest, kMinute);
    int shooters = 0, hits = 0;
    for (int n = 0; n < 4; ++n) shooters += w.firingTicks[n] > 0, hits += w.hits[n];
    EXPECT_GE(shooters, 2);
    EXPECT_GT(hits, 0);
}

// ---- The Fokkers.

TEST(FokkerFight, DrIAgainstDVIIFightsToAKill) {
    ZephModel::simulationRandom().seed(6);
    AiWorld w(std::make_unique<FlatTerrain>(100.0));
    w.aircraft<FokkerDr1>(0, 0, 1, 0.0, 3000.0, 0.0, 0.0);
    w.aircraft<FokkerDVII>(1, 1, 1, 600.0, 3200.0, 3000.0, 180.0);
    EXPECT_LT(fight(w, 8 * kMinute, [&] { return anyKilled(w); }), 8 * kMinute);
    EXPECT_GT(w.firingTicks[0], 0);
    EXPECT_GT(w.firingTicks[1], 0);
    EXPECT_GT(w.hits[0] + w.hits[1], 0);
}

TEST(FokkerFight, TheFokkersAgainstACamel) {
    ZephModel::simulationRandom().seed(5);
    AiWorld w(std::make_unique<FlatTerrain>(100.0));
    w.camel(0, 0, 1, 0.0, 3000.0, 0.0, 0.0);
    w.aircraft<FokkerDr1>(1, 1, 1, 300.0, 3300.0, 4000.0, 180.0);
    w.aircraft<FokkerDVII>(2, 1, 1, -300.0, 3300.0, 4300.0, 180.0);
    EXPECT_LT(fight(w, 8 * kMinute, [&] { return anyKilled(w); }), 8 * kMinute);
    for (int n = 0; n < 3; ++n) EXPECT_GT(w.firingTicks[n], 0) << n;
    EXPECT_GT(w.hits[1] + w.hits[2], 0);
    const int32_t by = w.planes[0]->ThisAircraft.WhoShotMe;
    EXPECT_TRUE(by == 1 || by == 2) << by;  // the Camel has been hit by a Fokker
}

}  // namespace
}  // namespace pellam::testing
