// Path flying and the patrol's ground attack on a stand-in aircraft: bad links from a mission
// file, target decoding and the parked start delay.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "flight/AiGroundAttack.h"
#include "flight/AiPilot.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {
namespace {

class PathWorld : public TestController {
public:
    PathWorld() {
        models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(0.0));
        me = static_cast<FakeAircraft*>(models.put(ModelArray::kFirstAircraft, std::make_unique<FakeAircraft>()));
        me->setaController(this);
        me->a.AIType = 5;
        me->speedMph(100.0);
        me->place(0.0, 1000.0, 0.0);
        models.put(ModelArray::kGroundClutter, nullptr);
    }
    const aiFlyToPoint* getFlyToPoints() override { return points.data(); }
    aiFlyToPoint& point(int n, double x, double y, double z) {
        points[n].PointXYZ = {x, y, z};
        points[n].ThrottlePosition = 0.8;
        points[n].TargetClimbDiveSpeed = 500.0;
        points[n].NextPoint = n + 1;
        return points[n];
    }
    // A ground object at model index 21 and on.
    class Target : public ZephModel {
    public:
        bool areYouDead() override { return dead; }
        bool dead = false;
    };
    Target& target(double x, double z) {
        auto* t = static_cast<Target*>(models.append(std::make_unique<Target>()));
        t->setModelPositionX(x, 0.0, z);
        return *t;
    }
    void fly() { flyAircraftAI(me, &models, missionTime); }
    void path() { flyThePoints(me, missionTime); }  // without the guards after it

    std::array<aiFlyToPoint, 200> points{};
    FakeAircraft* me = nullptr;
};

TEST(AiPaths, LinksFromTheMissionFileStayInsideTheTable) {
    PathWorld w;
    w.point(0, 0.0, 1000.0, 100.0).NextPoint = 250;  // arrives, but the link leads nowhere
    w.fly();
    EXPECT_EQ(w.me->a.NextFlyPointNumber, 0);
    w.points[0].NextPoint = -3;
    w.fly();
    EXPECT_EQ(w.me->a.NextFlyPointNumber, 0);
    for (int32_t bad : {200, -1, 1 << 30}) {
        w.me->a.NextFlyPointNumber = bad;
        w.me->a.Ailerons = 0.0;
        w.fly();  // no point to read: it circles where it is
        EXPECT_EQ(w.me->a.NextFlyPointNumber, bad);
        EXPECT_GT(w.me->a.Ailerons, 0.0);
    }
}

TEST(AiPaths, TargetsDecodeFromPointsAndIgnoreTheLowIndexes) {
    PathWorld w;
    w.me->a.CurrentAmmoUsed = 0.0;
    for (int i = 21; i <= 24; ++i) w.target(0.0, i == 24 ? 2000.0 : -20000.0);
    aiFlyToPoint& p = w.point(0, 0.0, 1000.0, 50000.0);
    p.Flags = 0x80;                  // gun attack
    p.PSTargets = 24 * 65536.0 + 5;  // target 24; secondary 5 is no target
    w.fly();
    EXPECT_EQ(w.me->a.GunsFiring, 1);  // lined up on 24 inside 3000 ft

    static_cast<PathWorld::Target*>(w.models.at(24))->dead = true;
    w.fly();
    EXPECT_EQ(w.me->a.GunsFiring, 0);

    // A dead primary with a live secondary: the secondary.
    p.PSTargets = 21 * 65536.0 + 24;
    static_cast<PathWorld::Target*>(w.models.at(24))->dead = false;
    static_cast<PathWorld::Target*>(w.models.at(21))->dead = true;
    w.fly();
    EXPECT_EQ(w.me->a.GunsFiring, 1);

    for (double junk : {-24 * 65536.0, std::nan(""), 1e300, 99 * 65536.0}) {
        p.PSTargets = junk;
        w.fly();
        EXPECT_EQ(w.me->a.GunsFiring, 0) << junk;
    }
}

TEST(AiPaths, ParkedAircraftWaitsItsDelayWithBrakesOn) {
    PathWorld w;
    w.me->speedMph(0.0);
    w.point(0, 0.0, 1000.0, 5000.0).PSTargets = 30.0;
    int waited = 0;
    for (int i = 0; i < 2000; ++i) {
        w.me->throttle = -1.0;
        w.me->speedMph(0.0);
        w.fly();
        if (w.me->throttle == 0.0 && w.me->a.Brakes == 1.0) ++waited;
    }
    EXPECT_NEAR(waited, 1800, 1);
}

TEST(AiPaths, StartDelaySpreadShortensAWaitButNeverLengthensIt) {
    // 10 s with a spread of 15 s either way: a draw below -9 s waits the shortest second.
    PathWorld w;
    w.point(0, 0.0, 250.015, 5000.0).PSTargets = 10.0;
    ZephModel::simulationRandom().seed(21);
    int shortest = 0;
    for (int k = 0; k < 300; ++k) {
        w.me->a.AIDelayOnFlyThePointsTime = 0;
        w.me->speedMph(0.0);
        w.fly();
        const double seconds = (w.me->a.AIDelayOnFlyThePointsTime + 1 - 600) / 60.0;
        EXPECT_GE(seconds, 1.0);
        EXPECT_LE(seconds, 25.0);
        if (seconds < 1.02) ++shortest;
    }
    EXPECT_GT(shortest, 30);  // about a fifth of the draws
}

}  // namespace
}  // namespace pellam::testing
