// The debris pool: explosions take and reuse slots, pieces fall and tumble, hits throw single
// pieces (paused and replayed in the running game in the effects tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "flight/Aircraft.h"
#include "objects/Debris.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::RecordingController;
using fakes::RecordingView;

struct DebrisTest : ::testing::Test {
    RecordingController controller;
    RecordingView view;
    Debris debris;
    void SetUp() override {
        debris.setaController(&controller);
        debris.initWithGLView(&view);
        debris.setDebrisSizeMin(1.0, 3.0);
    }
    int flying() const {
        return int(std::count_if(debris.TheFlakes.begin(), debris.TheFlakes.end(),
                                 [](const Debris::FlakeType& f) { return f.TimeStarted != Debris::kFree; }));
    }
    int drawnPieces() const {
        const auto& p = view.drawn.back().polygons;
        return int(std::count_if(p.begin(), p.end(), [](const OnePolygonVer2& q) { return !(q.DrawHints & 2); }));
    }
};

// An aircraft whose last hit is recorded in its record.
struct HitAircraft : ZephModel {
    Aircraft record{};
    Aircraft* getAircraftStruct() override { return &record; }
};

TEST_F(DebrisTest, ASecondExplosionTakesTheFreeSlotsThenTheOldestPieces) {
    const double first[3] = {0, 500, 0}, second[3] = {100, 500, 100};
    debris.startExplosionDebris(first, 10);
    EXPECT_EQ(flying(), 20);
    debris.callEveryTick(true, 11, false);
    debris.startExplosionDebris(second, 12);
    EXPECT_EQ(flying(), 30);
    int fromSecond = 0;
    for (const auto& f : debris.TheFlakes) fromSecond += f.TimeStarted == 12;
    EXPECT_EQ(fromSecond, 20);
    for (const auto& f : debris.TheFlakes) {
        EXPECT_GE(f.FlakeSize, 1.0);
        EXPECT_LE(f.FlakeSize, 3.0);
        if (f.TimeStarted == 12) {
            EXPECT_GE(f.YMove, 0.1);  // thrown upward
        }
    }
}

TEST_F(DebrisTest, PiecesFallTumbleAndAreFreedBelowTheGround) {
    const double low[6] = {0, -1, 0, 0, 0, 0};
    debris.startOneDebrisXYZAndMove(low, 5);
    debris.callEveryTick(true, 6, false);
    EXPECT_EQ(flying(), 0);  // below 0 in its first tick
    EXPECT_EQ(debris.TheFlakes[0].GlobalY, -10000.0);

    const double q[3] = {0, 300, 0};
    debris.startExplosionDebris(q, 7);
    double highest = 0;
    for (int t = 8; t < 40000 && flying(); ++t) {
        debris.callEveryTick(true, t, false);
        for (const auto& f : debris.TheFlakes) {
            if (f.TimeStarted == Debris::kFree) continue;
            highest = std::max(highest, f.GlobalY);
            EXPECT_LE(std::fabs(f.FPitch), 3.14159 + 0.15);  // spin stays wrapped
            EXPECT_LE(std::fabs(f.FHeading), 3.14159 + 0.15);
        }
    }
    EXPECT_EQ(flying(), 0);
    EXPECT_GT(highest, 300.0);
    for (const auto& f : debris.TheFlakes) EXPECT_EQ(f.GlobalY, -10000.0);  // parked while free
}

TEST_F(DebrisTest, AnAircraftHitThrowsOneFromItsHitPointOnlyWhenThereIsOne) {
    HitAircraft craft;
    craft.ModelAttitude.Position = {1000, 2000, 3000};
    craft.record.HitY = -10000;
    debris.startOneDebrisFromAircraftHit(&craft, 5);
    EXPECT_EQ(flying(), 0);
    craft.record.HitX = 4;
    craft.record.HitY = 1;
    craft.record.HitZ = -2;
    debris.startOneDebrisFromAircraftHit(&craft, 5);
    ASSERT_EQ(flying(), 1);
    EXPECT_EQ(debris.TheFlakes[0].GlobalX, 1004.0);
    EXPECT_EQ(debris.TheFlakes[0].GlobalY, 2001.0);
    EXPECT_EQ(debris.TheFlakes[0].GlobalZ, 2998.0);
}

TEST_F(DebrisTest, PiecesThrownAtTickZeroAreDrawnAsOneMeshNearTheirPlace) {
    view.placeEye(2000000.5, 3000, 2000000.5);
    const double q[3] = {2000100, 400, 2000200};
    debris.startExplosionDebris(q, 0);
    debris.getDrawingData(0);
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(drawnPieces(), 20);
    for (int i = 0; i < Debris::kPieces; ++i) {
        if (debris.TheFlakes[i].TimeStarted == Debris::kFree) continue;
        const auto p = fakes::worldOf(view.drawn[0], view.drawn[0].points[3 * i]);
        EXPECT_NEAR(p[0], q[0], 3.0);
        EXPECT_NEAR(p[1], q[1], 3.0);
        EXPECT_NEAR(p[2], q[2], 3.0);
    }
}

}  // namespace
}  // namespace pellam
