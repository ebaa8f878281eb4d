// The effect pools against a recording controller, terrain and view: bombs falling, landing and
// leaving marks, slot reuse, the replay ring; debris thrown, tumbling and freed; the ground
// explosion's column and its end; trees planted ahead of the eye on wooded slopes. Paused and
// replayed in the running game in the effects tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "objects/AllBombs.h"
#include "objects/Debris.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::FakeBomber;

struct Pools : ::testing::Test {
    fakes::RecordingController controller;
    fakes::FakeTerrain terrain;
    fakes::RecordingView view;

    void join(ZephModel& o) {
        o.setaController(&controller);
        o.setTerrain(&terrain);
        o.initWithGLView(&view);
    }
    // The polygons of the last drawing that are not hidden.
    int shown() const {
        if (view.drawn.empty()) return 0;
        const auto& p = view.drawn.back().polygons;
        return int(std::count_if(p.begin(), p.end(), [](const OnePolygonVer2& q) { return !(q.DrawHints & 2); }));
    }
};

struct Bombs : Pools {
    AllBombs bombs;
    int32_t clock = 1;

    Bombs() { join(bombs); }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) bombs.callEveryTick(true, ++clock, false);
    }
    void drop(double x, double y, double z, double vx = 0, double vy = 0, double vz = 0) {
        const double p[3] = {x, y, z}, v[3] = {vx, vy, vz};
        bombs.startADroppedBomb(v, p, clock, 2);
    }
    int falling() const {
        int n = 0;
        for (const auto& b : bombs.own.bombs) n += b.TimeStarted > 0;
        return n;
    }
};

TEST_F(Bombs, ABombFallsFromRestLandsOnTheGroundAndCallsForItsBlast) {
    drop(1000, 400, 2000);
    tick();
    const AllBombs::BombOrRocket& b = bombs.own.bombs[0];
    EXPECT_EQ(b.Pos[1], 400.0);  // the first move uses the speed before gravity
    int ticks = 1;
    for (; falling() && ticks < 2000; ++ticks) tick();
    ASSERT_EQ(falling(), 0);
    // 300 ft from rest with drag: a little over the 259 ticks of a fall in vacuum.
    EXPECT_GT(ticks, 259);
    EXPECT_LT(ticks, 280);
    ASSERT_EQ(controller.explosions.size(), 1u);
    EXPECT_LE(controller.explosions[0][1], 100.0);  // the burst at the bomb, at or below the ground
    EXPECT_GT(controller.explosions[0][1], 100.0 - 3.0);
    EXPECT_EQ(controller.sounds.size(), 1u);
    EXPECT_EQ(controller.droppers, std::vector<long>{2});
    EXPECT_EQ(bombs.own.marks[0].Pos[1], 100.0);  // the mark lies on the ground, along its slope
    EXPECT_NEAR(bombs.own.marks[0].Pitch, -std::atan2(0.1, 0.99), 1e-12);
    EXPECT_EQ(b.DeadOriginalTimeStarted, 1);

    // A bomb dropped at tick zero falls; a drop without a point is nothing.
    bombs.resetModel();
    clock = 0;
    drop(0, 500, 0);
    bombs.startADroppedBomb(nullptr, nullptr, 5, 2);
    EXPECT_EQ(falling(), 1);
}

TEST_F(Bombs, TheSeventeenthMarkReplacesTheFirstAndGroundAtZeroLeavesNone) {
    for (int k = 0; k < 17; ++k) {
        drop(100.0 * k, 101, 0, 0, -2, 0);
        tick(2);
    }
    EXPECT_EQ(bombs.own.nextMark, 1);
    EXPECT_EQ(bombs.own.marks[0].Pos[0], 1600.0);
    EXPECT_EQ(bombs.own.marks[1].Pos[0], 100.0);

    terrain.height = [](double, double) { return 0.0; };
    drop(5000, 1, 0, 0, -2, 0);
    tick(2);
    EXPECT_EQ(bombs.own.nextMark, 1);  // no mark off the map
    EXPECT_EQ(bombs.own.marks[1].Pos[1], -10000.0);
    EXPECT_EQ(controller.explosions.size(), 18u);  // yet the bomb still bursts
}

TEST_F(Bombs, SlotsAreReusedOldestLandedFirstAndADropNeverYieldsToARackBomb) {
    // Fill all 64 slots with landed bombs, dropped at ticks 2..65.
    for (int k = 0; k < AllBombs::kSlots; ++k) {
        ++clock;
        drop(k, 100.5, 0, 0, -2, 0);
    }
    tick(2);
    ASSERT_EQ(falling(), 0);
    EXPECT_EQ(bombs.findEmptyBombSpot(), 0);  // the longest landed
    bombs.own.bombs[0].DeadOriginalTimeStarted = 500;
    EXPECT_EQ(bombs.findEmptyBombSpot(), 1);

    // Rack bombs fill every slot this frame; a bomb dropped now still falls.
    FakeBomber bomber;
    bomber.bombs = 6;
    for (int k = 0; k < 11; ++k) bombs.positionBombsOnAircraft(&bomber, 1, 2 + k % 8);
    EXPECT_EQ(bombs.findEmptyBombSpot(), -1);
    drop(0, 5000, 0);
    EXPECT_EQ(falling(), 1);
    bombs.clearSingleDrawBombs();
    for (const auto& b : bombs.own.bombs) EXPECT_GE(b.TimeStarted, 0);

    // With 64 bombs in the air nothing more can be taken.
    bombs.resetModel();
    for (int k = 0; k <= AllBombs::kSlots; ++k) drop(k, 5000, 0);
    EXPECT_EQ(bombs.findEmptyBombSpot(), -1);
    EXPECT_EQ(falling(), AllBombs::kSlots);
}

TEST_F(Bombs, AFallingBombIsDrawnNoseAlongItsPathAndARackBombAtItsStation) {
    drop(0, 1000, 0, 1.0, -1.0, 0.5);
    tick();
    ModelArray models;
    auto* bomber = static_cast<FakeBomber*>(models.put(2, std::make_unique<FakeBomber>()));
    bomber->live.attitude.Position = {50, 900, 60};
    controller.models = &models;
    bombs.positionBombsOnAircraft(bomber, 1, 2);
    bombs.getDrawingData(clock);

    ASSERT_GE(view.drawn.size(), 2u);
    // Slots in order: the falling bomb first, 3.5 ft from tail to nose.
    const auto& fall = view.drawn[0];
    const auto& v = bombs.own.bombs[0].XYZSpeed;
    const auto nose = fakes::worldOf(fall, fall.points[0]), tail = fakes::worldOf(fall, fall.points[46]);
    const double speed = std::hypot(v[0], v[1], v[2]);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR((nose[c] - tail[c]) / 3.5, v[c] / speed, 1e-3) << c;
    EXPECT_EQ(fall.polygons.size(), 5u);  // the bomb alone, not the mark

    // The rack bomb is drawn once at the aircraft and the slot is free again.
    const auto& rack = view.drawn[1];
    EXPECT_NEAR(fakes::worldOf(rack, rack.points[0])[1], 900.0 - 2.0, 1e-4);
    for (const auto& b : bombs.own.bombs) EXPECT_GE(b.TimeStarted, 0);
}

TEST_F(Bombs, RecordsAreKeptOncePerTimeAndAResetForgetsThemAll) {
    drop(0, 3000, 0);
    bombs.callEveryTick(true, 0, false);  // tick 0 writes nothing
    bombs.callEveryTick(true, 22, false);
    bombs.callEveryTick(true, 22, false);  // the same time again: the same record
    EXPECT_EQ(bombs.Ring.nextPlace(), 1);
    for (int32_t t = 42; t < 42 + 20 * AllBombs::kRecordPlaces; t += 20) bombs.callEveryTick(true, t, false);
    EXPECT_EQ(bombs.Ring.nextPlace(), 1);  // wrapped over every place
    EXPECT_NE(bombs.Ring.find(42 + 20 * 10), nullptr);
    int kept = 0;
    for (int32_t t = 22; t < 42 + 20 * 200; t += 20) kept += bombs.Ring.find(t) != nullptr;
    EXPECT_EQ(kept, 179);  // the writer wraps before the ring's last 4000 bytes
    EXPECT_EQ(bombs.Ring.find(22), nullptr);
    bombs.resetModel();
    for (int32_t t = 22; t < 42 + 20 * AllBombs::kRecordPlaces; t += 20) EXPECT_EQ(bombs.Ring.find(t), nullptr) << t;
}

struct Pieces : Pools {
    Debris debris;
    Pieces() {
        join(debris);
        debris.setDebrisSizeMin(1.0, 3.0);
    }
    int flying() const {
        return int(std::count_if(debris.TheFlakes.begin(), debris.TheFlakes.end(),
                                 [](const Debris::FlakeType& f) { return f.TimeStarted != Debris::kFree; }));
    }
    // The simulation's stream seeded, and a twin of it that a test draws the expected figures from.
    platform::RandomStream twin{53};
    void seed() { ZephModel::simulationRandom().seed(53); }
    double r() { return twin.longFrom(-32768, 32767); }
    // A piece's draws after its speed's: size first, then its speed across, then its tumble.
    void expectSizeThenTumble(const Debris::FlakeType& f, double size) {
        EXPECT_EQ(f.FlakeSize, size);
        EXPECT_EQ(f.FPitch, r() / 32768.0);
        EXPECT_EQ(f.FHeading, r() / 32768.0);
        EXPECT_EQ(f.PitchChange, r() / 231070.0);
        EXPECT_EQ(f.HeadingChange, r() / 231070.0);
    }
};

TEST_F(Pieces, ASecondExplosionTakesTheFreeSlotsThenTheOldestPieces) {
    const double first[3] = {0, 500, 0}, second[3] = {100, 500, 100};
    debris.startExplosionDebris(first, 10);
    EXPECT_EQ(flying(), 20);
    debris.callEveryTick(true, 11, false);
    debris.startExplosionDebris(second, 12);
    EXPECT_EQ(flying(), 30);
    int fromSecond = 0;
    for (const auto& f : debris.TheFlakes) {
        EXPECT_GE(f.FlakeSize, 1.0);
        EXPECT_LE(f.FlakeSize, 3.0);
        if (f.TimeStarted == 12) {
            ++fromSecond;
            EXPECT_GE(f.YMove, 0.1);  // thrown upward
        }
    }
    EXPECT_EQ(fromSecond, 20);

    // An explosion draws each piece's speed X, Z, then Y, then the piece its size, its jitter and
    // its tumble.
    seed();
    const Debris::FlakeType& f = debris.TheFlakes[debris.findOldest()];
    debris.startExplosionDebris(first, 13);
    ASSERT_EQ(f.TimeStarted, 13);
    const double vx = r() / 32768.0 * 3.0, vz = r() / 32768.0 * 3.0, vy = (r() + 32768.0) / 32768.0 * 4.0;
    const double size = twin.doubleFrom(1.0, 3.0);
    EXPECT_EQ(f.XMove, vx + r() / 327680.0);
    EXPECT_EQ(f.YMove, vy + 0.1);
    EXPECT_EQ(f.ZMove, vz + r() / 327680.0);
    expectSizeThenTumble(f, size);
}

TEST_F(Pieces, FallTumbleAndAreFreedBelowTheGround) {
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

TEST_F(Pieces, AnAircraftHitThrowsOneFromItsHitPointOnlyWhenThereIsOne) {
    testing::RecordAircraft craft;
    craft.live.attitude.Position = {1000, 2000, 3000};
    craft.a.HitY = -10000;
    debris.startOneDebrisFromAircraftHit(&craft, 5);
    EXPECT_EQ(flying(), 0);
    craft.a.HitX = 4;
    craft.a.HitY = 1;
    craft.a.HitZ = -2;
    debris.startOneDebrisFromAircraftHit(&craft, 5);
    ASSERT_EQ(flying(), 1);
    const auto& f = debris.TheFlakes[0];
    EXPECT_EQ((fakes::Point3{f.GlobalX, f.GlobalY, f.GlobalZ}), (fakes::Point3{1004, 2001, 2998}));

    // Its size is drawn before its drift, which goes towards +X and +Z only.
    seed();
    craft.live.velocity = {1, 2, 3};
    debris.startOneDebrisFromAircraftHit(&craft, 6);
    const auto& g = debris.TheFlakes[1];
    ASSERT_EQ(g.TimeStarted, 6);
    const double size = twin.doubleFrom(1.0, 3.0);
    EXPECT_EQ(g.XMove, 1 + (r() + 32768.0) / 327680.0);
    EXPECT_EQ(g.ZMove, 3 + (r() + 32768.0) / 327680.0);
    EXPECT_EQ(g.YMove, 2.1);
    expectSizeThenTumble(g, size);
}

TEST_F(Pieces, ThrownAtTickZeroAreDrawnAsOneMeshNearTheirPlace) {
    view.placeEye(2000000.5, 3000, 2000000.5);
    const double q[3] = {2000100, 400, 2000200};
    debris.startExplosionDebris(q, 0);
    debris.getDrawingData(0);
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(shown(), 20);
    for (int i = 0; i < Debris::kPieces; ++i) {
        if (debris.TheFlakes[i].TimeStarted == Debris::kFree) continue;
        const auto p = fakes::worldOf(view.drawn[0], view.drawn[0].points[3 * i]);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], q[c], 3.0) << i;
    }
}

struct Explosion : Pools {
    GroundExplosion boom;
    Explosion() {
        join(boom);
        boom.setModelPositionX(1000, 200, 3000);
    }
    // Every sprite's place across (X, Z), which only the column's rolling foot changes.
    std::vector<double> across() const {
        std::vector<double> xz;
        for (const auto& s : boom.own.sprites) xz.insert(xz.end(), {s.Pos[0], s.Pos[2]});
        return xz;
    }
};

// The fire turns to smoke, all sixty puffs shown, the column's foot rolls until the age of 300 and
// not after, and the explosion ends 10060 ticks after its start, freeing its slot.
TEST_F(Explosion, TheFireTurnsToSmokeAndTheExplosionEndsAfterItsTime) {
    // The burst draws four numbers for each of its 40 sprites, then each tick one for each of the
    // 60 sprites, hidden or not, and one for each late sprite started (the first in the 11th tick).
    ZephModel::simulationRandom().seed(61);
    platform::RandomStream twin{61};
    boom.GroundExplosion1Start(1);
    for (int32_t t = 1; t <= 11; ++t) boom.callEveryTick(true, t, false);
    for (int n = 0; n < 40 * 4 + 11 * 60 + 1; ++n) twin.next();
    EXPECT_EQ(ZephModel::simulationRandom().next(), twin.next());
    EXPECT_EQ(boom.liveSprites(), 41);
    for (int32_t t = 12; t <= 101; ++t) boom.callEveryTick(true, t, false);
    const auto rolling = across();
    boom.callEveryTick(true, 102, false);
    EXPECT_NE(across(), rolling);
    for (int32_t t = 103; t <= 301; ++t) boom.callEveryTick(true, t, false);
    const auto still = across();
    for (int32_t t = 302; t <= 3000; ++t) boom.callEveryTick(true, t, false);
    EXPECT_EQ(across(), still);
    for (const auto& s : boom.own.sprites) EXPECT_EQ(s.Map, 0);
    boom.getDrawingData(3000);
    EXPECT_EQ(shown(), 60);
    boom.getDrawingData(1 + 10060);
    EXPECT_TRUE(boom.isBusy());
    boom.getDrawingData(1 + 10061);
    EXPECT_FALSE(boom.isBusy());
}

// In a replay at three times the column forms in the 22nd tick, before the late sprites 52 to 59
// start: they stay hidden for good, the first 52 are shown, and the foot does not roll.
TEST_F(Explosion, AtThreeTimesTheLastLateSpritesNeverShowAndTheFootStands) {
    boom.GroundExplosion1Start(1);
    int32_t t = 1;
    for (; t <= 1 + 63; t += 3) boom.callEveryTick(true, t, false);
    const auto formed = across();
    boom.getDrawingData(t);
    EXPECT_EQ(shown(), 52);
    for (; t <= 1 + 9999; t += 3) boom.callEveryTick(true, t, false);
    EXPECT_EQ(across(), formed);
    for (int k = 0; k < GroundExplosion::kSprites; ++k) EXPECT_EQ(boom.own.sprites[k].Pos[1] > -5000.0, k < 52) << k;
}

// Started at tick zero it is shown; requested late in a long mission, after this object's tick,
// it waits for its next tick instead of ending at once.
TEST_F(Explosion, AStartAtTickZeroOrAfterItsTickIsShownFromItsTick) {
    boom.GroundExplosion1Start(0);
    boom.callEveryTick(true, 0, false);
    boom.getDrawingData(0);
    EXPECT_EQ(shown(), 40);

    view.drawn.clear();
    boom.GroundExplosion1Start(20000);
    boom.getDrawingData(20000);
    EXPECT_TRUE(boom.isBusy());
    EXPECT_TRUE(view.drawn.empty());
    boom.callEveryTick(true, 20001, false);
    boom.getDrawingData(20001);
    EXPECT_EQ(shown(), 40);
    // Sprite 0 sits over the centre, the square facing the eye.
    const auto p = fakes::worldOf(view.drawn.back(), view.drawn.back().points[0]);
    EXPECT_NEAR(p[2], 3000.0 + boom.own.sprites[0].Pos[2], 1e-3);
}

// A view that tells where on the window sprites land and what their pictures' alpha is, as the
// game's does, counting the pictures read back from the GL.
struct CuttingView : fakes::RecordingView {
    std::map<int32_t, std::pair<uint64_t, uint8_t>> pictures;  // slot: its name, every texel's alpha
    bool named = true;                                         // false: a view that names no picture
    int reads = 0;

    bool exactDrawing() const override { return false; }
    const double* eyePosition() const override { return eyeTM.data() + 12; }
    bool eyeWindow(EyeWindow& w) const override {
        w = {-1, 1, -1, 1, 1, 20000, 0, 0, 256, 256};
        return true;
    }
    int transparentRoom() const override { return 4000; }
    uint64_t texturePicture(int32_t slot) const override {
        const auto p = pictures.find(slot);
        return named && p != pictures.end() ? p->second.first : 0;
    }
    bool textureAlpha(int32_t slot, std::vector<uint8_t>& alpha, int& w, int& h) override {
        const auto p = pictures.find(slot);
        if (p == pictures.end()) return false;
        ++reads;
        w = h = 16;
        alpha.assign(256, p->second.second);
        return true;
    }
};

// Near the column, sprites are cut by their pictures' alpha: each picture is read back once and
// kept until a load puts another in its slot, and the cut always follows the picture the slot
// holds, as a view that names no pictures (read every drawing) cuts it.
TEST_F(Pools, AnExplosionsPicturesAreReadOnceUntilALoadReplacesThem) {
    CuttingView cutting;
    GroundExplosion boom;
    boom.setaController(&controller);
    boom.setTerrain(&terrain);
    boom.initWithGLView(&cutting);
    boom.setModelPositionX(1000, 200, 3000);
    boom.GroundExplosion1Start(1);
    for (int32_t t = 1; t <= 400; ++t) boom.callEveryTick(true, t, false);
    const auto& maps = boom.ModelPointsPolys().MapListOffset;
    for (int k = 0; k < GroundExplosion::kPictures; ++k) cutting.pictures[maps[k]] = {(1ull << 40) + k, 255};
    cutting.placeEye(1000, 260, 2900);

    const auto draw = [&](bool named) {
        cutting.named = named;
        cutting.drawn.clear();
        boom.getDrawingData(400);
        std::vector<std::pair<int32_t, std::vector<float>>> look;  // each polygon's hints and corners
        const auto& d = cutting.drawn.at(0);
        for (size_t i = 0; i < d.polygons.size(); ++i) {
            look.push_back({d.polygons[i].DrawHints, {}});
            for (size_t c = 4 * i; c < 4 * i + 4 && c < d.points.size(); ++c)
                look.back().second.insert(look.back().second.end(), {d.points[c].X, d.points[c].Y, d.points[c].Z});
        }
        return look;
    };
    const auto opaque = draw(true);
    EXPECT_EQ(cutting.reads, GroundExplosion::kPictures);
    EXPECT_EQ(draw(true), opaque);
    EXPECT_EQ(cutting.reads, GroundExplosion::kPictures);
    EXPECT_EQ(draw(false), opaque);

    // Smoke wholly clear: a new picture in the smoke's slot.
    cutting.pictures[maps[0]] = {(1ull << 40) + 9, 0};
    cutting.reads = 0;
    const auto clear = draw(true);
    EXPECT_EQ(cutting.reads, 1);
    EXPECT_NE(clear, opaque);
    EXPECT_EQ(draw(false), clear);
}

struct Trees : Pools {
    GroundClutter trees;
    Trees() { join(trees); }
};

TEST_F(Trees, StandAheadOnWoodedSlopesAndOffTheRoadsAsTheEyeFliesOn) {
    // Below the origin on both axes, where a square's place must still count from its low edge.
    terrain.height = [](double x, double z) { return 300.0 + 0.05 * std::fmod(std::fabs(x + z), 1000.0); };
    terrain.texture = [](double x, double z) { return std::fmod(std::fabs(x), 20000.0) < 12000.0 ? 2 : 3; };
    srandom(7);
    for (int32_t t = 1; t <= 1500; ++t) {
        view.placeEye(-500000.0 - 20.0 * t, 1500, -800000.0);  // flying west along -X: eye looks along +Z
        trees.getDrawingData(t);
        for (const auto& tree : trees.GCTrees) {
            if (tree.Size == 0.0) continue;
            const double depth = tree.XYZPosition[2] - view.eyeTM[14];
            EXPECT_GE(depth, -500.0);
            EXPECT_LE(depth, 12500.0);
            EXPECT_EQ(terrain.texture(tree.XYZPosition[0], tree.XYZPosition[2]), 2);
            EXPECT_GE(tree.Size, 0.9);
            EXPECT_LE(tree.Size, 1.4);
            const double inSquare = tree.XYZPosition[2] - 1760.0 * std::floor(tree.XYZPosition[2] / 1760.0);
            EXPECT_FALSE(inSquare > 840.0 && inSquare < 900.0) << tree.XYZPosition[2];
        }
    }
    EXPECT_GT(trees.liveTrees(), 150);
}

TEST_F(Trees, AreDroppedJustPastTheirLimitsBehindAndAheadAndOnTheAerodrome) {
    const double eye[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    terrain.texture = [](double, double) { return 0; };  // no new trees to confuse the count
    const std::pair<fakes::Point3, bool> rows[] = {{{0, 100, 12500.0}, true},  {{0, 100, 12500.1}, false},
                                                   {{0, 100, -500.0}, true},   {{0, 100, -500.1}, false},
                                                   {{380000, 100, -386000}, false}};
    for (size_t k = 0; k < std::size(rows); ++k) {
        trees.GCTrees[k].XYZPosition = rows[k].first;
        trees.GCTrees[k].Size = 1.0;
    }
    trees.updateTrees(10, eye, eye);
    for (size_t k = 0; k < std::size(rows); ++k) EXPECT_EQ(trees.GCTrees[k].Size != 0.0, rows[k].second) << k;
}

// Open, low (under 50 ft) or level ground: no tree after one try per slot.
TEST_F(Trees, NoneOnOpenLowOrLevelGround) {
    for (int ground = 0; ground < 3; ++ground) {
        terrain.texture = [ground](double, double) { return ground == 0 ? 3 : 2; };
        terrain.height = [ground](double, double) { return ground == 1 ? 49.0 : 400.0; };
        terrain.plane = ground == 2 ? std::array<double, 4>{0, 1, 0, 0} : std::array<double, 4>{0.1, 0.99, 0, 0};
        terrain.queries = 0;
        view.drawn.clear();
        trees.getDrawingData(100 + ground);
        EXPECT_EQ(trees.liveTrees(), 0);
        EXPECT_EQ(terrain.queries, GroundClutter::kTrees);
        EXPECT_TRUE(view.drawn.empty());
    }
}

TEST_F(Trees, APausedGameOrAReplayBehindTheLastPlantingChangesNoneButDrawsThem) {
    trees.getDrawingData(50);
    trees.getDrawingData(51);
    const auto before = trees.GCTrees;
    controller.running = false;
    view.placeEye(0, 0, 50000);  // every tree is now far behind
    trees.getDrawingData(60);
    EXPECT_EQ(trees.GCTrees, before);
    controller.running = true;
    trees.getDrawingData(40);
    EXPECT_EQ(trees.GCTrees, before);
    EXPECT_EQ(view.drawn.size(), 4u);
}

}  // namespace
}  // namespace pellam
