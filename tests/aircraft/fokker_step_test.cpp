// The Fokkers' flight step where it differs from the Camel's: the g band of each airframe and
// how bombs narrow it, the overload failure taking the Dr.I's middle wing, red-out bounds, and
// the raised strip that stands at 850 ft.
#include <gtest/gtest.h>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

template <typename T>
struct Reach : T {
    using FlyableAircraft::blackRedOut;
    using FlyableAircraft::gLoadLimits;
};

template <typename T>
struct World {
    World() {
        w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        platform::seedRandom(1918);
    }
    Aircraft& a() { return w.a(); }
    void load(double g) { a().Gs = g / 111.9403027; }
    // True when `g` with `bombs` aboard counts as safe.
    bool safe(double g, int bombs) {
        a().CurrentNumberOfBombs = static_cast<int16_t>(bombs);
        a().DangerousGs = 0;
        load(g);
        w.camel->gLoadLimits();
        return a().DangerousGs == 0;
    }
    BasicCamelWorld<Reach<T>> w{std::make_unique<FlatTerrain>(100.0)};
};

TEST(FokkerStep, GBandOfEachAirframeNarrowsWithBombs) {
    World<FokkerDr1> dr1;
    World<FokkerDVII> dvii;
    const double e = 1e-9;
    const struct {
        int bombs;
        double low, high;
    } dr1Bands[] = {{0, -2.5, 3.5}, {1, -2.3, 3.3}, {5, -1.5, 2.5}};
    for (const auto& b : dr1Bands) {
        EXPECT_TRUE(dr1.safe(b.high - e, b.bombs)) << b.bombs;
        EXPECT_FALSE(dr1.safe(b.high + 1e-6, b.bombs)) << b.bombs;
        EXPECT_TRUE(dr1.safe(b.low + e, b.bombs)) << b.bombs;
        EXPECT_FALSE(dr1.safe(b.low - 1e-6, b.bombs)) << b.bombs;
    }
    EXPECT_TRUE(dvii.safe(9.5 - e, 0));
    EXPECT_FALSE(dvii.safe(9.5 + 1e-6, 0));
    EXPECT_TRUE(dvii.safe(-6.5 + e, 0));
    EXPECT_FALSE(dvii.safe(-6.5 - 1e-6, 0));
    EXPECT_TRUE(dvii.safe(-6.1 + e, 2));
    EXPECT_FALSE(dvii.safe(-6.1 - 1e-6, 2));
    EXPECT_TRUE(dvii.safe(5.0, 0));  // a load that would break a Dr.I
    EXPECT_FALSE(dr1.safe(5.0, 0));
}

TEST(FokkerStep, DrIOverloadWarnsThenFailsWithItsMiddleWing) {
    World<FokkerDr1> t;
    t.load(4.0);
    int warnedAt = 0, failedAt = 0;
    for (int i = 1; i <= 5000 && !failedAt; ++i) {
        t.w.camel->gLoadLimits();
        if (t.a().PlayThisSound == 10) {
            EXPECT_EQ(warnedAt, 0);
            warnedAt = i;
        }
        if (t.a().Damage1 & dmg::FatalDamage) failedAt = i;
        if (t.a().PlayThisSound != 9) t.a().PlayThisSound = -1;
    }
    EXPECT_EQ(warnedAt, 20);
    ASSERT_GT(failedAt, 120);
    EXPECT_EQ(t.a().PlayThisSound, 9);
    const bool left = t.a().Damage1 & dmg::LeftWingGone;
    EXPECT_NE(left, static_cast<bool>(t.a().Damage1 & dmg::RightWingGone));
    const int side = left ? 0 : 1;
    EXPECT_EQ(t.w.camel->Surfaces[side].Area, 1.0);
    EXPECT_EQ(t.w.camel->Surfaces[2 + side].Area, 1.0);
    EXPECT_EQ(t.w.camel->Surfaces[26 + side].Area, 1.0);
    EXPECT_EQ(t.w.camel->Surfaces[27 - side].Area, 25.0);  // the other middle wing holds
    // 0x2000 is among the failure's bits: no second failure, no more counting.
    t.w.camel->gLoadLimits();
    EXPECT_EQ(t.a().DangerousGs, 0);
}

TEST(FokkerStep, RedOutIsBoundedLikeBlackOut) {
    World<FokkerDr1> t;
    t.load(-2.0);
    for (int i = 0; i < 5000; ++i) t.w.camel->blackRedOut();
    EXPECT_EQ(t.a().BloodMovementFromGs, -600.0);
    EXPECT_EQ(t.a().BlackRedOutLevel, -1);
    t.load(1.0);
    for (int i = 0; i < 1510; ++i) t.w.camel->blackRedOut();  // clears in 1500 steps, as it built up
    EXPECT_EQ(t.a().BloodMovementFromGs, 0.0);
}

TEST(FokkerStep, RaisedStripStandsAt850FeetOnlyFromAbove) {
    World<FokkerDVII> t;  // terrain at 100 ft
    auto& m = *t.w.camel;
    m.SetUpAircraft(2329360.0, 900.0, 1846000.0, 0.0, 0.0, 100.0, 1.0);
    m.driveModel(1, 1, false, false);
    EXPECT_EQ(t.a().GroundAltitude, 850.0);
    m.SetUpAircraft(2329360.0, 848.0, 1846000.0, 0.0, 0.0, 100.0, 1.0);  // at or below 849: the terrain
    m.driveModel(1, 2, false, false);
    EXPECT_EQ(t.a().GroundAltitude, 100.0);
    m.SetUpAircraft(2329390.5, 900.0, 1846000.0, 0.0, 0.0, 100.0, 1.0);  // just east of the strip
    m.driveModel(1, 3, false, false);
    EXPECT_EQ(t.a().GroundAltitude, 100.0);
}

}  // namespace
}  // namespace pellam::testing
