// The armed ground units against scripted aircraft: the balloon turning into the wind and its
// wreck's smoke; the gunner in a balloon's basket and in a machine-gun post (the sky it watches,
// whom it keeps, how its aim settles, whom its bullets can hurt); the flak gun's barrel and the
// destroyed pit. Shot down, paused and replayed in the running game in the effects tests.
#include <gtest/gtest.h>

#include <cmath>

#include "core/DrawHints.h"
#include "missions/ObjectFactory.h"
#include "objects/ArmedModels.h"
#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::Point3;
using testing::ArmedWorld;

struct Armed : ::testing::Test {
    Armed() { platform::seedRandom(5); }
    ArmedWorld w;
    // An armed balloon 1000 ft above the ground at the origin, of team 1.
    BalloonWWI& balloon() { return w.unit<BalloonWWI>(armed::createArmedBalloon(), {0, 1100, 0}); }
    AAAGunWWI& flak() { return w.unit<AAAGunWWI>(armed::createFlakGun(), {1000, ArmedWorld::kGround, 2000}); }
};

// The balloon turns its nose into the wind by the shorter way; its wreck's smoke drifts with the
// wind by the tick, so drawing more or fewer frames moves nothing.
TEST_F(Armed, BalloonTurnsIntoTheWindAndItsWrecksSmokeDriftsByTheTick) {
    BalloonWWI& b = balloon();
    b.setWindSpeed(10, 90);
    b.callEveryTick(true, 1, false);
    EXPECT_NEAR(b.getObjectHeading(), -0.45, 1e-9);
    for (int32_t t = 2; t < 3000; ++t) b.callEveryTick(true, t, false);
    EXPECT_NEAR(fakes::bodyToWorld(b, {0, 0, 1})[0], -1.0, 0.01);  // the nose points where the wind comes from
    EXPECT_NEAR(BalloonWWI::windHeading(-170), 10.0, 1e-12);

    b.setWindSpeed(20, 45);
    b.ThisModel.TheObject.GlobalDeadTime = 3005;
    b.live.attitude.Position[1] = ArmedWorld::kGround + 1.0;  // already down
    platform::RandomStream& simulation = ZephModel::simulationRandom();
    for (int32_t t = 3005; t < 3050; ++t) {
        b.callEveryTick(true, t, false);
        const platform::RandomStream::Place before = simulation.place();
        for (int f = 0; f < (t % 3) * 4; ++f) {
            b.getDrawingData(t);
            b.drawMySmokeItems();
            for (GunnerSmoke& puff : b.Gunner.own.smokes) b.Gunner.look(puff, t, true);  // as each frame draws them
        }
        // The flames' turn to black smoke is drawn off the simulation's stream.
        const int32_t next = simulation.next();
        simulation.returnTo(before);
        ASSERT_EQ(simulation.next(), next) << t;
        simulation.returnTo(before);
    }
    const double moved = b.Gunner.own.smokes[0].XYZPosition[1] - (b.live.attitude.Position[1] + 15.0);
    EXPECT_NEAR(moved, 44 * 0.5, 2.0 + 1e-9);  // 44 ticks of rise from 13..17 ft up
}

// The basket's gunner watches an open square of sky, 900 ft about it, 1500 ft up and 2000 ft down,
// and only enemies; a second enemy does not take the place of the one held.
TEST_F(Armed, GunnerWatchesAnOpenSquareOfSkyAndOnlyEnemies) {
    BalloonWWI& b = balloon();
    w.aircraft(0, 1, {0, 1200, 100});  // own side, close by
    testing::RecordAircraft& enemy = w.aircraft(1, 2, {});
    const std::pair<Point3, int32_t> rows[] = {
        {{900, 1200, 0}, -1},  {{0, 1100 + 1500, 0}, -1}, {{0, 1100 - 2000, 0}, -1},
        {{899, 1100 + 1499, -899}, 1},  // a corner: 1271 ft off, inside
    };
    int32_t t = 0;
    for (const auto& [at, tracked] : rows) {
        enemy.live.attitude.Position = at;
        b.callEveryTick(true, ++t, false);
        EXPECT_EQ(b.Gunner.own.fire.TrackingAircraft, tracked) << at[0] << ", " << at[1] << ", " << at[2];
    }
    w.aircraft(0, 3, {10, 1150, 10});
    b.callEveryTick(true, ++t, false);
    EXPECT_EQ(b.Gunner.own.fire.TrackingAircraft, 1);
    enemy.live.attitude.Position = {5000, 1100, 0};  // gone: the other is taken at once
    b.callEveryTick(true, ++t, false);
    EXPECT_EQ(b.Gunner.own.fire.TrackingAircraft, 0);
}

// A target flying straight and level is led along its line of flight; its aim error shrinks to a
// hundredth and a turn of a tenth of a degree throws it back to the start.
TEST_F(Armed, GunnerAimSettlesOnASteadyTargetAndATurnSpoilsIt) {
    BalloonWWI& b = balloon();
    testing::RecordAircraft& e = w.aircraft(0, 2, {-400, 1300, -600});
    e.a.CurrentVelocity = 2.0;  // along +z
    auto missAlongFlight = [&] {
        // Where the latest bullet's line crosses the target's line of flight, ahead of the target.
        const ProjectileType& bullet = b.Gunner.own.bullets.TheBullets[(b.Gunner.own.bullets.NextTheBullets + 71) % 72];
        const auto& p = e.live.attitude.Position;
        const double s = (p[0] - bullet.PX) / bullet.XMove;
        // The muzzle: one tick back along the bullet's path.
        const double range = std::hypot(p[0] - (bullet.PX - bullet.XMove), p[1] - (bullet.PY - bullet.YMove),
                                        p[2] - (bullet.PZ - bullet.ZMove));
        return bullet.PZ + bullet.ZMove * s - (p[2] + 2.0 * range / 30.0);
    };
    double worstEarly = 0, worstLate = 0;
    for (int32_t t = 1; t < 4000; ++t) {
        const int32_t before = b.Gunner.own.bullets.NextTheBullets;
        b.callEveryTick(true, t, false);
        if (b.Gunner.own.bullets.NextTheBullets == before) continue;
        double& worst = t < 200 ? worstEarly : worstLate;
        worst = std::max(worst, std::fabs(missAlongFlight()));
    }
    EXPECT_GT(b.Gunner.own.fire.AimingAccuracy, 0.99f);
    EXPECT_LT(worstLate, 0.95);  // the floor: 1% of the 93.6 ft
    EXPECT_GT(worstEarly, 1.0);
    e.a.AircraftHeading += 0.1;
    b.callEveryTick(true, 4000, false);
    EXPECT_EQ(b.Gunner.own.fire.AimingAccuracy, 0.0f);
}

// Shooting down at an aircraft low over the field, what misses strikes the ground and stays there.
TEST_F(Armed, WhatTheBasketGunnerMissesStrikesTheGround) {
    BalloonWWI& b = balloon();
    w.aircraft(0, 2, {0, ArmedWorld::kGround + 50, 300});
    int struck = 0;
    for (int32_t t = 1; t < 600; ++t) {
        b.callEveryTick(true, t, false);
        for (const ProjectileType& p : b.Gunner.own.bullets.TheBullets) {
            if (p.GraphicsType != 2 || p.TimeHitGround != p.TimeAlive) continue;
            ++struck;
            EXPECT_EQ(p.P2Y, ArmedWorld::kGround);
        }
    }
    EXPECT_GT(struck, 0);
}

// The post's bullets are tested against the aircraft aimed at, never another in their path; in a
// replay they fly and strike again but hurt nobody; a remote aircraft keeps its exact hits. The
// post is the flak pit without burst or flash quads.
TEST_F(Armed, PostHurtsOnlyItsTargetAndNeverInAReplay) {
    auto& post = w.unit<AAAMachineGunWWI>(armed::createMachineGunPost(), {0, 100, 0});
    testing::RecordAircraft& target = w.aircraft(0, 2, {0, 400, 300});
    testing::RecordAircraft& between = w.aircraft(1, 2, {0, 250, 150});  // on the line of fire
    for (int32_t t = 1; t < 2000; ++t) post.callEveryTick(true, t, false);
    EXPECT_GT(target.a.TotalHits, 0.0);
    EXPECT_EQ(between.a.TotalHits, 0.0);
    EXPECT_GT(post.barrelElevation(), 0.5);
    post.getDrawingData(2000);
    for (int k = 0; k < armed::pit::kBursts + armed::pit::kFlashes; ++k) {
        EXPECT_TRUE(post.ModelPointsPolys().ThePolygons[k].DrawHints & kSkip) << k;
    }

    const double before = target.a.TotalHits;
    for (int32_t t = 2000; t < 4000; ++t) post.callEveryTick(true, t, true);
    EXPECT_EQ(target.a.TotalHits, before);

    target.a.RemoteLocal = 1;
    target.a.TotalHits = 2.75;
    for (int32_t t = 4000; t < 6000; ++t) post.callEveryTick(true, t, false);
    EXPECT_EQ(target.a.TotalHits, 2.75);
}

// The flak gun engages only inside its box (2500 ft about it, 2000 ft below to 11265 ft above) and
// points its barrel at the target, level at anything below; its trunnions ride 7 ft up.
TEST_F(Armed, FlakEngagesInsideItsBoxAndPointsItsBarrelAtTheTarget) {
    AAAGunWWI& g = flak();
    testing::RecordAircraft& e = w.aircraft(3, 2, {});
    const double r = std::sqrt(0.5);
    const struct {
        Point3 offset;
        int32_t tracked;
        Point3 barrel;
    } rows[] = {
        {{0, -2100, 0}, -1, {0, 0, 1}},  // before any target the barrel lies level along +z
        {{0, 11265, 0}, -1, {0, 0, 1}},
        {{3000, 3000, 0}, -1, {0, 0, 1}},
        {{1500, 1500, 0}, 3, {r, r, 0}},
        {{0, 1500, 0}, 3, {0, 1, 0}},
        {{-400, -300, -300}, 3, {-0.8, 0, -0.6}},
    };
    int32_t t = 0;
    for (const auto& row : rows) {
        e.live.attitude.Position = {1000 + row.offset[0], ArmedWorld::kGround + row.offset[1], 2000 + row.offset[2]};
        g.callEveryTick(true, ++t, false);
        SCOPED_TRACE(::testing::Message() << row.offset[0] << ", " << row.offset[1] << ", " << row.offset[2]);
        EXPECT_EQ(g.own.fire.TrackingAircraft, row.tracked);
        g.getDrawingData(t);
        const double muzzle[3] = {0, 0, 1};  // the barrel's +z as drawn
        double d[3];
        ZephModel::RotateVector(muzzle, d, g.ThisModel.OptionalObjectMatrix[1].data());
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(d[k], row.barrel[k], 1e-6) << k;
    }
    EXPECT_NEAR(g.ThisModel.OptionalObjectMatrix[1][13], ArmedWorld::kGround + 7.0, 1e-9);

    // Its shots are heard from the camera: at 2000 ft or more from the target, at the least volume.
    struct : SoundServices {
        std::vector<int32_t> volumes;
        void PlayASingleSound(int32_t, int32_t volume) override { volumes.push_back(volume); }
    } heard;
    g.setSoundGuy(&heard);
    const auto& p = e.live.attitude.Position;
    for (const double away : {0.0, 2500.0}) {
        w.controller.camera = {p[0] + away, p[1], p[2]};
        g.own.fire.LastFireTime = 0;
        g.callEveryTick(true, ++t, false);
    }
    ASSERT_EQ(heard.volumes.size(), 2u);
    EXPECT_GT(heard.volumes[0], 20);
    EXPECT_EQ(heard.volumes[1], 20);
}

// Destroyed, the pit vanishes over its scorched patch; a reset brings it back. Made by the mission
// factory, a pit faces north whatever its row says, a balloon keeps the row's heading.
TEST_F(Armed, TheDestroyedPitShowsItsPatchUntilAResetAndPitsFaceNorth) {
    AAAGunWWI& g = flak();
    g.ThisModel.TheObject.GlobalDeadTime = 2000;
    g.callEveryTick(true, 2002, false);
    ASSERT_NE(g.Replay.find(2002), nullptr);  // a wreck still records while the game runs
    g.getDrawingData(2002);
    const OnePolygonVer2* poly = g.ModelPointsPolys().ThePolygons;
    EXPECT_EQ(poly[armed::pit::kPit].MapNumber, -1);
    EXPECT_FALSE(poly[armed::pit::kPatch].DrawHints & kSkip);
    EXPECT_EQ(poly[armed::pit::kPatch].MapNumber, g.DeadTexture);
    g.resetModel();
    g.getDrawingData(2003);
    EXPECT_EQ(poly[armed::pit::kPit].MapNumber, 0);
    EXPECT_EQ(g.Replay.find(2002), nullptr);

    missions::ObjectFactory factory;
    ModelArray array;
    missions::FactoryContext context;
    for (const auto& [code, heading] : {std::pair{61, 30.0}, {65, 0.0}, {74, 0.0}}) {
        missions::ObjectForMission row;
        row.ObjectCode = code;
        row.Location[1] = 800.0;
        row.Heading = 30.0;
        factory.loadCorrectObject(row, array, context);
        EXPECT_EQ(array.at(array.size() - 1)->getObjectHeading(), heading) << code;
    }
}

}  // namespace
}  // namespace pellam
