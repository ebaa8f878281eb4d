// The guns' limits in the flight step: spent ammunition stops them, and the player's long bursts
// jam at their rates per tick, drawn from the simulation's own stream.
#include <gtest/gtest.h>

#include "tests/aircraft/CamelWorld.h"

namespace pellam {
namespace {

using World = testing::BasicCamelWorld<ObjectTestFile>;

// Ticks that jammed, out of `ticks`, for a burst `age` ticks old at every tick.
int jamsIn(World& w, int age, int ticks, int32_t aiType = -1) {
    ZephModel::simulationRandom().seed(1918);
    w.a().AIType = aiType;
    int jams = 0;
    for (int i = 0; i < ticks; ++i) {
        w.a().Damage1 &= ~dmg::GunsJammed;
        w.a().PlayThisSound = -1;
        w.camel->GunsOnAt = 1000 - age;
        w.camel->burstLimits(1000);
        if (w.a().Damage1 & dmg::GunsJammed) {
            ++jams;
            EXPECT_EQ(w.camel->GunsOnAt, 0);
            EXPECT_EQ(w.a().PlayThisSound, 41);
        }
    }
    return jams;
}

TEST(AircraftBursts, SpentAmmunitionStopsTheGunsInTheStep) {
    World w;
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().GunsFiring = 1;
    w.a().CurrentAmmoUsed = w.a().AmmoInTicks - 1;
    w.tick();  // the last round
    w.tick();
    EXPECT_EQ(w.a().GunsFiring, 0);
    EXPECT_GE(w.a().CurrentAmmoUsed, w.a().AmmoInTicks);
}

TEST(AircraftBursts, LongBurstsJamThePlayersGunsAtTheirRatesPerTick) {
    World w;
    // 0.006 a tick past 540 ticks, 0.0003 past 240 ticks, never for shorter bursts.
    EXPECT_NEAR(jamsIn(w, 600, 20000), 120, 40);
    EXPECT_NEAR(jamsIn(w, 540, 100000), 30, 16);  // 540 itself is still the lower rate
    EXPECT_EQ(jamsIn(w, 240, 20000), 0);
    EXPECT_EQ(jamsIn(w, 600, 20000, 1), 0);  // the computer's guns never jam
    // In the step: a long burst of the player's jams within a few hundred ticks.
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 90.0, 0.8);
    w.a().AIType = -1;
    w.a().Damage1 = 0;
    w.camel->GunsOnAt = w.controller.missionTime - 600;
    w.run(2000, [&] { return !(w.a().Damage1 & dmg::GunsJammed); });
    EXPECT_TRUE(w.a().Damage1 & dmg::GunsJammed);
    EXPECT_TRUE(w.heard(41));
}

}  // namespace
}  // namespace pellam
