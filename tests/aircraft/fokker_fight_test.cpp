// The Fokkers under the computer pilot, in the main loop's order: a Dr.I against a D.VII, and the
// pair against a Camel. Each from a fixed random seed, to a kill, with every aircraft finite and
// above the ground while it flies.
#include <gtest/gtest.h>

#include <cmath>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "flight/FlightModel.h"
#include "tests/flight/ai_world.h"

namespace pellam::testing {
namespace {

constexpr int kMinute = 60 * 60;  // ticks

// Runs the fight until an aircraft is out of it, every aircraft finite and above the ground
// while it flies; answers the ticks run.
int fight(AiWorld& w, int limit) {
    for (int i = 0; i < limit; ++i) {
        w.tick();
        for (int n = 0; n < 8; ++n) {
            const FlyableAircraft* p = w.planes[n];
            if (!p) continue;
            for (double v : p->ModelAttitude.Position) EXPECT_TRUE(std::isfinite(v)) << n;
            if (!(p->ThisAircraft.Damage1 & dmg::Down)) {
                EXPECT_GT(p->ModelAttitude.Position[1], 90.0) << n;
            }
        }
        for (const FlyableAircraft* p : w.planes)
            if (p && AiWorld::killed(p)) return i + 1;
        if (::testing::Test::HasFailure()) return i + 1;
    }
    return limit;
}

TEST(FokkerFight, DrIAgainstDVIIFightsToAKill) {
    ZephModel::simulationRandom().seed(1);
    AiWorld w(std::make_unique<FlatTerrain>(100.0));
    w.aircraft<FokkerDr1>(0, 0, 1, 0.0, 3000.0, 0.0, 0.0);
    w.aircraft<FokkerDVII>(1, 1, 1, 600.0, 3200.0, 3000.0, 180.0);
    EXPECT_LT(fight(w, 8 * kMinute), 8 * kMinute);
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
    EXPECT_LT(fight(w, 8 * kMinute), 8 * kMinute);
    for (int n = 0; n < 3; ++n) EXPECT_GT(w.firingTicks[n], 0) << n;
    EXPECT_GT(w.hits[1] + w.hits[2], 0);
    const int32_t by = w.planes[0]->ThisAircraft.WhoShotMe;
    EXPECT_TRUE(by == 1 || by == 2) << by;  // the Camel has been hit by a Fokker
}

}  // namespace
}  // namespace pellam::testing
