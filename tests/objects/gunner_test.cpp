// The gunner in a balloon's basket and in a machine-gun post against scripted aircraft: the
// square of sky it watches, whom it keeps, how its aim settles, and which aircraft its bullets
// can hurt.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using testing::ArmedWorld;

struct Gunner : ::testing::Test {
    Gunner() { platform::seedRandom(5); }
    ArmedWorld w;
    // An armed balloon 1000 ft above the ground at the origin, of team 1.
    BalloonWWI& balloon() { return w.unit<BalloonWWI>(armed::createArmedBalloon(), {0, 1100, 0}); }
    int shotsBetween(ZephModel& unit, GroundGunner& g, int32_t from, int32_t to, std::vector<int32_t>* at = nullptr) {
        int shots = 0;
        for (int32_t t = from; t < to; ++t) {
            const int32_t before = g.GunBullets.NextTheBullets;
            unit.callEveryTick(true, t, false);
            if (g.GunBullets.NextTheBullets != before) {
                ++shots;
                if (at) at->push_back(t);
            }
        }
        return shots;
    }
};

TEST_F(Gunner, WatchesAnOpenSquareOfSkyAndOnlyEnemies) {
    BalloonWWI& b = balloon();
    testing::RecordAircraft& friendFar = w.aircraft(0, 1, {0, 1200, 100});  // own side, close by
    testing::RecordAircraft& enemy = w.aircraft(1, 2, {900, 1200, 0});     // on the square's edge
    b.callEveryTick(true, 1, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, -1);
    enemy.ModelAttitude.Position = {0, 1100 + 1500, 0};  // exactly the ceiling
    b.callEveryTick(true, 2, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, -1);
    enemy.ModelAttitude.Position = {0, 1100 - 2000, 0};  // exactly the floor
    b.callEveryTick(true, 3, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, -1);
    enemy.ModelAttitude.Position = {899, 1100 + 1499, -899};  // a corner: 1271 ft off, inside
    b.callEveryTick(true, 4, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, 1);
    (void)friendFar;

    // A second enemy in the lower slot does not take the place of the one held.
    w.aircraft(0, 3, {10, 1150, 10});
    b.callEveryTick(true, 5, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, 1);
    enemy.ModelAttitude.Position = {5000, 1100, 0};  // gone: the other is taken at once
    b.callEveryTick(true, 6, false);
    EXPECT_EQ(b.Gunner.MyFireData.TrackingAircraft, 0);
}

// A target flying straight and level is led along its line of flight; its aim error shrinks to a
// hundredth and a turn of a tenth of a degree throws it back to the start.
TEST_F(Gunner, AimSettlesOnASteadyTargetAndATurnSpoilsIt) {
    BalloonWWI& b = balloon();
    testing::RecordAircraft& e = w.aircraft(0, 2, {-400, 1300, -600});
    e.a.CurrentVelocity = 2.0;  // along +z
    auto missAlongFlight = [&] {
        // Where the latest bullet's line crosses the target's line of flight, ahead of the target.
        const ProjectileType& bullet = b.Gunner.GunBullets.TheBullets[(b.Gunner.GunBullets.NextTheBullets + 71) % 72];
        const double s = (e.ModelAttitude.Position[0] - bullet.PX) / bullet.XMove;
        const double z = bullet.PZ + bullet.ZMove * s;
        // The muzzle: one tick back along the bullet's path.
        const double range = std::hypot(e.ModelAttitude.Position[0] - (bullet.PX - bullet.XMove),
                                        e.ModelAttitude.Position[1] - (bullet.PY - bullet.YMove),
                                        e.ModelAttitude.Position[2] - (bullet.PZ - bullet.ZMove));
        return z - (e.ModelAttitude.Position[2] + 2.0 * range / 30.0);
    };
    double worstEarly = 0, worstLate = 0;
    for (int32_t t = 1; t < 4000; ++t) {
        const int32_t before = b.Gunner.GunBullets.NextTheBullets;
        b.callEveryTick(true, t, false);
        if (b.Gunner.GunBullets.NextTheBullets == before) continue;
        const double miss = std::fabs(missAlongFlight());
        (t < 200 ? worstEarly : worstLate) = std::max(t < 200 ? worstEarly : worstLate, miss);
    }
    EXPECT_GT(b.Gunner.MyFireData.AimingAccuracy, 0.99f);
    EXPECT_LT(worstLate, 0.95);  // the floor: 1% of the 93.6 ft
    EXPECT_GT(worstEarly, 1.0);
    e.a.AircraftHeading += 0.1;
    b.callEveryTick(true, 4000, false);
    EXPECT_EQ(b.Gunner.MyFireData.AimingAccuracy, 0.0f);
}

// Bullets are tested against the aircraft aimed at, never another in their path; in a replay
// they fly and strike again but hurt nobody; a remote aircraft keeps its exact hits.
TEST_F(Gunner, HurtsOnlyItsTargetAndNeverInAReplay) {
    auto& post = w.unit<AAAMachineGunWWI>(armed::createMachineGunPost(), {0, 100, 0});
    testing::RecordAircraft& target = w.aircraft(0, 2, {0, 400, 300});
    testing::RecordAircraft& between = w.aircraft(1, 2, {0, 250, 150});  // on the line of fire
    for (int32_t t = 1; t < 2000; ++t) post.callEveryTick(true, t, false);
    EXPECT_GT(target.a.TotalHits, 0.0);
    EXPECT_EQ(between.a.TotalHits, 0.0);

    const double before = target.a.TotalHits;
    for (int32_t t = 2000; t < 4000; ++t) post.callEveryTick(true, t, true);
    EXPECT_EQ(target.a.TotalHits, before);

    target.a.RemoteLocal = 1;
    target.a.TotalHits = 2.75;
    for (int32_t t = 4000; t < 6000; ++t) post.callEveryTick(true, t, false);
    EXPECT_EQ(target.a.TotalHits, 2.75);
}

}  // namespace
}  // namespace pellam
