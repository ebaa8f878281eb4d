// The bombs pool: falling, landing and the marks, slot reuse, a falling bomb drawn along its path
// and the replay ring's records (paused and replayed in the running game in the effects tests).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "objects/AllBombs.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::FakeBomber;
using fakes::FakeTerrain;
using fakes::RecordingController;
using fakes::RecordingView;

struct BombsTest : ::testing::Test {
    RecordingController controller;
    FakeTerrain terrain;
    RecordingView view;
    AllBombs bombs;
    int32_t clock = 1;

    void SetUp() override {
        bombs.setaController(&controller);
        bombs.setTerrain(&terrain);
        bombs.initWithGLView(&view);
    }
    void tick(int n = 1, bool replay = false) {
        for (int i = 0; i < n; ++i) bombs.callEveryTick(true, ++clock, replay);
    }
    void drop(double x, double y, double z, double vx = 0, double vy = 0, double vz = 0, int32_t who = 2) {
        const double p[3] = {x, y, z}, v[3] = {vx, vy, vz};
        bombs.startADroppedBomb(v, p, clock, who);
    }
    int falling() const {
        int n = 0;
        for (const auto& b : bombs.TheBombsRockets) n += b.TimeStarted > 0;
        return n;
    }
};

TEST_F(BombsTest, ABombFallsFromRestLandsOnTheGroundAndCallsForItsBlast) {
    drop(1000, 400, 2000);
    tick();
    const AllBombs::BombOrRocket& b = bombs.TheBombsRockets[0];
    EXPECT_EQ(b.Pos[1], 400.0);  // the first move uses the speed before gravity
    int ticks = 1;
    while (falling() && ticks < 2000) {
        tick();
        ++ticks;
    }
    ASSERT_EQ(falling(), 0);
    // 300 ft from rest with drag: a little over the 259 ticks of a fall in vacuum.
    EXPECT_GT(ticks, 259);
    EXPECT_LT(ticks, 280);
    ASSERT_EQ(controller.explosions.size(), 1u);
    EXPECT_LE(controller.explosions[0][1], 100.0);  // the burst at the bomb, at or below the ground
    EXPECT_GT(controller.explosions[0][1], 100.0 - 3.0);
    EXPECT_EQ(controller.sounds.size(), 1u);
    EXPECT_EQ(controller.droppers, std::vector<long>{2});
    EXPECT_EQ(bombs.TheGroundSmudges[0].Pos[1], 100.0);  // the mark lies on the ground
    EXPECT_NEAR(bombs.TheGroundSmudges[0].Pitch, -std::atan2(0.1, 0.99), 1e-12);
    EXPECT_EQ(b.DeadOriginalTimeStarted, 1);
}

TEST_F(BombsTest, TheSeventeenthMarkReplacesTheFirstAndGroundAtZeroLeavesNone) {
    for (int k = 0; k < 17; ++k) {
        drop(100.0 * k, 101, 0, 0, -2, 0);
        tick();
        tick();
    }
    EXPECT_EQ(bombs.NextSmudge, 1);
    EXPECT_EQ(bombs.TheGroundSmudges[0].Pos[0], 1600.0);
    EXPECT_EQ(bombs.TheGroundSmudges[1].Pos[0], 100.0);

    terrain.height = [](double, double) { return 0.0; };
    drop(5000, 1, 0, 0, -2, 0);
    tick();
    tick();
    EXPECT_EQ(bombs.NextSmudge, 1);  // no mark off the map
    EXPECT_EQ(bombs.TheGroundSmudges[1].Pos[1], -10000.0);
    EXPECT_EQ(controller.explosions.size(), 18u);  // yet the bomb still bursts
}

TEST_F(BombsTest, SlotsAreReusedOldestLandedFirstAndADropNeverYieldsToARackBomb) {
    // Fill all 64 slots with landed bombs, dropped at ticks 2..65.
    for (int k = 0; k < AllBombs::kSlots; ++k) {
        ++clock;
        drop(k, 100.5, 0, 0, -2, 0);
    }
    tick(2);
    ASSERT_EQ(falling(), 0);
    EXPECT_EQ(bombs.findEmptyBombSpot(), 0);  // the longest landed
    bombs.TheBombsRockets[0].DeadOriginalTimeStarted = 500;
    EXPECT_EQ(bombs.findEmptyBombSpot(), 1);

    // Rack bombs fill every slot this frame; a bomb dropped now still falls.
    auto bomber = std::make_unique<FakeBomber>();
    bomber->bombs = 6;
    for (int k = 0; k < 11; ++k) bombs.positionBombsOnAircraft(bomber.get(), 1, 2 + k % 8);
    EXPECT_EQ(bombs.findEmptyBombSpot(), -1);
    drop(0, 5000, 0);
    EXPECT_EQ(falling(), 1);
    bombs.clearSingleDrawBombs();
    for (const auto& b : bombs.TheBombsRockets) EXPECT_GE(b.TimeStarted, 0);

    // With 64 bombs in the air nothing more can be taken.
    bombs.resetModel();
    for (int k = 0; k < AllBombs::kSlots; ++k) drop(k, 5000, 0);
    EXPECT_EQ(bombs.findEmptyBombSpot(), -1);
    drop(0, 5000, 0);
    EXPECT_EQ(falling(), AllBombs::kSlots);
}

TEST_F(BombsTest, ABombDroppedAtTickZeroFallsAndADropWithoutAPointIsNothing) {
    clock = 0;
    drop(0, 500, 0);
    EXPECT_EQ(falling(), 1);
    bombs.startADroppedBomb(nullptr, nullptr, 5, 2);
    EXPECT_EQ(falling(), 1);
}

TEST_F(BombsTest, AFallingBombIsDrawnNoseAlongItsPathAndARackBombAtItsStation) {
    drop(0, 1000, 0, 1.0, -1.0, 0.5);
    tick();
    ModelArray models;
    models.put(2, std::make_unique<FakeBomber>());
    static_cast<FakeBomber*>(models.at(2))->ModelAttitude.Position = {50, 900, 60};
    controller.models = &models;
    bombs.positionBombsOnAircraft(models.at(2), 1, 2);
    bombs.getDrawingData(clock);

    ASSERT_GE(view.drawn.size(), 2u);
    // Slots in order: the falling bomb first.
    const auto& fall = view.drawn[0];
    const auto& v = bombs.TheBombsRockets[0].XYZSpeed;
    const auto nose = fakes::worldOf(fall, fall.points[0]), tail = fakes::worldOf(fall, fall.points[46]);
    double dir[3], len = 0, speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int c = 0; c < 3; ++c) {
        dir[c] = nose[c] - tail[c];
        len += dir[c] * dir[c];
    }
    len = std::sqrt(len);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(dir[c] / len, v[c] / speed, 1e-3) << c;
    EXPECT_NEAR(len, 3.5, 1e-3);
    EXPECT_EQ(fall.polygons.size(), 5u);  // the bomb alone, not the mark

    // The rack bomb is drawn once at the aircraft and the slot is free again.
    const auto& rack = view.drawn[1];
    EXPECT_NEAR(fakes::worldOf(rack, rack.points[0])[1], 900.0 - 2.0, 1e-4);
    for (const auto& b : bombs.TheBombsRockets) EXPECT_GE(b.TimeStarted, 0);
}

TEST_F(BombsTest, RecordsAreKeptOncePerTimeAndAResetForgetsThemAll) {
    drop(0, 3000, 0);
    bombs.callEveryTick(true, 0, false);  // tick 0 writes nothing
    bombs.callEveryTick(true, 22, false);
    bombs.callEveryTick(true, 22, false);  // the same time again: the same record
    EXPECT_EQ(bombs.Ring.nextPlace(), 1);
    for (int32_t t = 42; t < 42 + 20 * AllBombs::kRecordPlaces; t += 20) bombs.callEveryTick(true, t, false);
    EXPECT_EQ(bombs.Ring.nextPlace(), 1);  // wrapped over every place
    EXPECT_NE(bombs.Ring.find(42 + 20 * 10), nullptr);
    bombs.resetModel();
    for (int32_t t = 22; t < 42 + 20 * AllBombs::kRecordPlaces; t += 20) EXPECT_EQ(bombs.Ring.find(t), nullptr) << t;
}

}  // namespace
}  // namespace pellam
