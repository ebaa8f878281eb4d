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

// AiWorld's rules for aircraft of any class: each steps, then every gun is tested against every
// other aircraft.
struct FightWorld {
    FightWorld() {
        definePilotProfiles(profiles);
        terrain = controller.models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(100.0));
        controller.models.put(ModelArray::kBombs, std::make_unique<BombRack>());
    }
    // Aircraft number n of class T, an AI fighter of `team` at (x, y, z) on `heading`, 100 mph.
    template <typename T>
    T* add(int n, int team, double x, double y, double z, double heading) {
        auto* p = static_cast<T*>(controller.models.put(ModelArray::kFirstAircraft + n, std::make_unique<T>()));
        p->setaController(&controller);
        p->setTerrain(terrain);
        p->afterLightTexture3dPointChangesFor(nullptr);
        p->SetUpAircraft(x, y, z, heading, 0.0, 100.0, 1.0);
        p->setPilotsPtr(profiles.data());
        Aircraft& a = p->ThisAircraft;
        a.AIType = 1;
        a.Team = team;
        a.AutoPilotData[2] = -1.0;
        a.GroundAltitude = 100.0;
        planes[n] = p;
        return p;
    }
    // Runs until an aircraft is out of the fight; answers the ticks run.
    int fight(int limit) {
        for (int i = 0; i < limit; ++i) {
            const int32_t t = ++controller.missionTime;
            for (FlyableAircraft* p : planes) if (p) p->driveModel(1, t, true, false);
            for (int s = 0; s < 8; ++s) {
                for (int v = 0; v < 8; ++v) {
                    if (v == s || !planes[s] || !planes[v]) continue;
                    hits[s] += buCheckForBulletsOnAircraftHit(&planes[s]->ThisAircraft.GunBullets, planes[v],
                                                                         s, false, 1.0);
                }
            }
            for (int n = 0; n < 8; ++n) {
                FlyableAircraft* p = planes[n];
                if (!p) continue;
                const Aircraft& a = p->ThisAircraft;
                firing[n] += a.GunsFiring != 0;
                p->ThisAircraft.PlayThisSound = -1;
                for (double v : p->ModelAttitude.Position) EXPECT_TRUE(std::isfinite(v)) << n;
                if (!(a.Damage1 & dmg::Down)) {
                    EXPECT_GT(p->ModelAttitude.Position[1], 90.0) << n;
                }
            }
            for (FlyableAircraft* p : planes) {
                if (p && (p->ThisAircraft.TotalHits > p->ThisAircraft.TotalHitsBeforeDead ||
                          (p->ThisAircraft.Damage1 & dmg::Down))) {
                    return i + 1;
                }
            }
            if (HasFailure()) return i + 1;
        }
        return limit;
    }
    static bool HasFailure() { return ::testing::Test::HasFailure(); }

    PathController controller;
    AIPilotTable profiles{};
    ZephModel* terrain = nullptr;
    std::array<FlyableAircraft*, 8> planes{};
    std::array<int, 8> hits{}, firing{};
};

TEST(FokkerFight, DrIAgainstDVIIFightsToAKill) {
    ZephModel::simulationRandom().seed(1);
    FightWorld w;
    w.add<FokkerDr1>(0, 0, 0.0, 3000.0, 0.0, 0.0);
    w.add<FokkerDVII>(1, 1, 600.0, 3200.0, 3000.0, 180.0);
    EXPECT_LT(w.fight(8 * kMinute), 8 * kMinute);
    EXPECT_GT(w.firing[0], 0);
    EXPECT_GT(w.firing[1], 0);
    EXPECT_GT(w.hits[0] + w.hits[1], 0);
}

TEST(FokkerFight, TheFokkersAgainstACamel) {
    ZephModel::simulationRandom().seed(5);
    FightWorld w;
    w.add<ObjectTestFile>(0, 0, 0.0, 3000.0, 0.0, 0.0);
    w.add<FokkerDr1>(1, 1, 300.0, 3300.0, 4000.0, 180.0);
    w.add<FokkerDVII>(2, 1, -300.0, 3300.0, 4300.0, 180.0);
    EXPECT_LT(w.fight(8 * kMinute), 8 * kMinute);
    for (int n = 0; n < 3; ++n) EXPECT_GT(w.firing[n], 0) << n;
    EXPECT_GT(w.hits[1] + w.hits[2], 0);
    const int32_t by = w.planes[0]->ThisAircraft.WhoShotMe;
    EXPECT_TRUE(by == 1 || by == 2) << by;  // the Camel has been hit by a Fokker
}

}  // namespace
}  // namespace pellam::testing
