// The AI bomber against scripted neighbours: its model, way points and holds, the bombing run
// into a recording bombs pool, being shot down, and the replay.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "core/DrawHints.h"
#include "flight/AIRecords.h"
#include "objects/Bomber.h"
#include "objects/BomberModel.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using testing::ArmedWorld;
namespace model = armed::bomber;
constexpr double kDeg = 57.29577951;

struct RecordingPool : ZephModel {
    struct Drop {
        std::array<double, 3> velocity, at;
        int32_t time, who;
    };
    std::vector<Drop> drops;
    void startADroppedBomb(const double* v, const double* p, int32_t t, int32_t who) override {
        drops.push_back({{v[0], v[1], v[2]}, {p[0], p[1], p[2]}, t, who});
    }
};

struct Target : ZephModel {
    bool dead = false;
    bool areYouDead() override { return dead; }
};

struct Bombers : ::testing::Test {
    Bombers() { platform::seedRandom(5); }
    ArmedWorld w;
    std::array<aiFlyToPoint, 200> path{};
    RecordingPool* pool =
        static_cast<RecordingPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<RecordingPool>()));

    AircoDH4& bomber(double height = 1000.0, double speed = AircoDH4::kCruise) {
        AircoDH4& b = w.unit<AircoDH4>(std::make_unique<AircoDH4>(), {0, ArmedWorld::kGround + height, 0});
        b.setObjectGroundAltitude(ArmedWorld::kGround);
        b.setPathStart(1, path.data());
        b.own.speed = speed;
        return b;
    }
    Target& target(long index, std::array<double, 3> at) {
        auto* t = static_cast<Target*>(w.controller.models.put(index, std::make_unique<Target>()));
        t->live.attitude.Position = at;
        return *t;
    }
    void point(int k, std::array<double, 3> at, double targets = 0, int32_t next = -1) {
        path[k].PointXYZ = at;
        path[k].PSTargets = targets;
        path[k].NextPoint = next;
    }
    void tick(AircoDH4& b, int32_t t, bool inReplay = false) {
        w.controller.missionTime = t;
        b.callEveryTick(true, t, inReplay);
    }
    // The replay countdown after ticks 1..t, one call a tick: down 1 a tick, up 20 a record.
    static int32_t countdownAfter(int32_t t) { return -t + 20 * ((t - 2) / 20 + 1); }
    // A tick steps the gunner once: a bullet far from anyone ages by exactly one.
    void gunnerStepsOnce(AircoDH4& b, int32_t t) {
        BulletsList& g = b.Gunner.own.bullets;
        ProjectileType& s = g.TheBullets[BulletsList::kSlots - 1];
        s.TimeAlive = 10;
        s.GraphicsType = 0;
        s.PX = s.P2X = 1e7;
        g.ActiveBullets = 1;
        tick(b, t);
        EXPECT_EQ(s.TimeAlive, 11);
    }
};

// The model's polygons name only its own points, and the point count the bomber addresses.
TEST_F(Bombers, ModelKeepsTheIndexesTheBomberAddresses) {
    const Mesh& m = model::bomberMesh();
    ASSERT_EQ(m.pointCount(), model::kPoints);
    for (int k = 0; k < m.polygonCount(); ++k) {
        const OnePolygonVer2& p = m.polygons[k];
        for (int i = 1; i <= m.runs[p.FirstItem]; ++i) EXPECT_LT(m.runs[p.FirstItem + i], model::kPoints) << k;
    }
}

// Two points, 50 ft up then 50 ft down: the climb, the turn and bank limits hold on every tick,
// and the chain's end leaves the bomber parked.
TEST_F(Bombers, FliesItsWayPointsWithinItsLimits) {
    point(0, {0, ArmedWorld::kGround + 1050, 3000}, 0, 1);
    point(1, {3000, ArmedWorld::kGround + 1000, 3000});
    AircoDH4& b = bomber();
    double lastY = b.live.attitude.Position[1], lastHeading = b.own.heading;
    int32_t t = 1;
    for (; t < 20000 && b.own.drivePath != 0; ++t) {
        tick(b, t);
        const double climb = b.live.attitude.Position[1] - lastY;
        EXPECT_LE(std::fabs(climb), 0.22 + 1e-9);
        EXPECT_LE(std::fabs(b.own.bank), 40.0 / kDeg + 1e-9);
        EXPECT_LE(std::fabs(AircoDH4::wrap(b.own.heading - lastHeading)), 0.2 / kDeg + 1e-6);
        lastY = b.live.attitude.Position[1];
        lastHeading = b.own.heading;
    }
    ASSERT_EQ(b.own.drivePath, 0);
    EXPECT_NEAR(b.live.attitude.Position[1], ArmedWorld::kGround + 1000.0, 1.0);
    const auto at = b.live.attitude.Position;
    for (int k = 0; k < 400; ++k) tick(b, t + k);
    EXPECT_EQ(b.own.speed, 0.0);
    EXPECT_NEAR(b.live.attitude.Position[2], at[2], 200.0);  // slows to a stop where it is

    // Within 10 ft of its start's ground it turns a degree a tick; half a foot below its point
    // it climbs 0.005 ft a tick.
    point(0, {3000, ArmedWorld::kGround + 5.5, 0});
    AircoDH4& low = bomber(5.0);
    tick(low, 1);
    EXPECT_NEAR(low.own.heading, 1.0 / kDeg, 1e-6);
    EXPECT_NEAR(low.live.attitude.Position[1], ArmedWorld::kGround + 5.005, 1e-9);
}

// 11.9 ft is reached at once; a point passed 30 ft aside counts once the bomber draws away; a
// link outside the table ends the path.
TEST_F(Bombers, ArrivalAndThePassedPointRule) {
    point(0, {0, ArmedWorld::kGround + 1000, 11.9}, 0, 1);
    point(1, {40, ArmedWorld::kGround + 1000, 80}, 0, 250);
    AircoDH4& b = bomber();
    tick(b, 1);
    EXPECT_EQ(b.own.drivePath, 2);
    double nearest = 1e9;
    int32_t t = 2;
    for (; b.own.drivePath == 2 && t < 400; ++t) {
        tick(b, t);
        nearest = std::min(nearest, std::hypot(40 - b.live.attitude.Position[0], 80 - b.live.attitude.Position[2]));
    }
    EXPECT_GT(nearest, 12.0);
    EXPECT_EQ(b.own.drivePath, 0);
}

// A point with 10 s to wait: exactly 600 ticks from a whole altitude; +-2 s or +-20 s of spread
// from the fraction, never below one second. One gunner step and one record a tick throughout.
TEST_F(Bombers, HoldsCountFromTheMissionClock) {
    const std::pair<double, std::pair<int32_t, int32_t>> cases[] = {
        {500.0, {600, 600}}, {500.002, {480, 720}}, {500.02, {60, 1800}}};
    for (const auto& [altitude, window] : cases) {
        point(0, {0, altitude, 5000}, 10);
        AircoDH4& b = bomber(altitude - ArmedWorld::kGround, 0.0);
        b.WindVector = {0.3, 0.0, 0.0};  // standing on its wheels, it is not blown along the field
        int32_t t = 1;
        for (; b.own.speed == 0.0 && t < 2000; ++t) {
            if (t == 50) gunnerStepsOnce(b, t);
            else tick(b, t);
        }
        EXPECT_LT(std::fabs(b.live.attitude.Position[0]), 1.0) << altitude;
        EXPECT_GE(t - 1, window.first) << altitude;
        EXPECT_LE(t - 1, window.second) << altitude;
        EXPECT_EQ(b.ReplaySaveTime, countdownAfter(t - 1));
    }
}

// 1000 ft over a target on the ground: the first bomb goes 901.7 ft short of it, then three more
// at least 41 ticks apart, each from the bomber as dropper 25 at 1.8 ft/tick along its heading;
// then the bomber takes up its way point again. One gunner step and one record a tick.
TEST_F(Bombers, RunReleasesFourBombsByTheFallTime) {
    target(22, {0, ArmedWorld::kGround, 3000});
    point(0, {0, ArmedWorld::kGround + 1000, 6000}, 22 * 65536.0);
    AircoDH4& b = bomber();
    int32_t t = 1;
    for (; t < 2000 && pool->drops.size() < 4; ++t) {
        tick(b, t);
        if (t == 300) gunnerStepsOnce(b, ++t);
    }
    ASSERT_EQ(pool->drops.size(), 4u);
    const double released = 3000.0 - pool->drops[0].at[2];
    EXPECT_GT(released + 1.8, 901.69);
    EXPECT_LE(released, 901.69);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(pool->drops[k].who, 25);
        EXPECT_NEAR(pool->drops[k].velocity[2], 1.8, 1e-3);
        if (k > 0) {
            EXPECT_GE(pool->drops[k].time - pool->drops[k - 1].time, 41);
        }
    }
    EXPECT_EQ(b.ReplaySaveTime, countdownAfter(t - 1));
    EXPECT_EQ(b.doBombing(), 0);
    for (; b.own.drivePath != 0 && t < 6000; ++t) tick(b, t);
    EXPECT_EQ(b.own.drivePath, 0);  // reached the way point beyond the target
}

TEST_F(Bombers, TargetWordsNameOnlyLivingMissionObjects) {
    Target& first = target(25, {0, ArmedWorld::kGround, 3000});
    Target& second = target(30, {3000, ArmedWorld::kGround, 0});
    target(20, {0, ArmedWorld::kGround, 3000});
    AircoDH4& b = bomber();
    for (double words : {20.0 * 65536 + 20, 500.0 * 65536, 7.0, -1.0, 1e300}) {
        point(0, {0, 0, 0}, words);
        EXPECT_EQ(b.doBombing(), 0) << words;
    }
    point(0, {0, 0, 0}, 25 * 65536.0 + 30);
    const double heading = b.own.heading;
    EXPECT_EQ(b.doBombing(), 1);
    EXPECT_NEAR(b.own.heading, heading, 1e-9);  // toward model 25, straight ahead
    first.dead = true;
    EXPECT_EQ(b.doBombing(), 1);
    EXPECT_GT(b.own.heading, heading);  // turning toward model 30
    // Below the ground altitude of its start there is no fall time: it steers but never drops.
    second.live.attitude.Position = {b.live.attitude.Position[0], ArmedWorld::kGround, b.live.attitude.Position[2]};
    b.setObjectGroundAltitude(5000.0);
    b.live.globalTime = 100;
    for (int k = 0; k < 50; ++k) EXPECT_EQ(b.doBombing(), 1);
    EXPECT_TRUE(pool->drops.empty());
}

// Shot down in the air: it keeps flying forward, sinks ever faster, smokes, explodes once on
// the ground and stays nose-down at 70 degrees over a level scar.
TEST_F(Bombers, ShotDownItFallsSmokingAndExplodesOnce) {
    point(0, {0, ArmedWorld::kGround + 1000, 90000});
    fakes::RecordingView view;
    AircoDH4& b = bomber();
    b.MainGLDrawer = &view;
    b.ThisModel.TheObject.GlobalDeadTime = 5;
    int32_t t = 1;
    for (; t < 3000 && b.own.speed != 0.0; ++t) {
        tick(b, t);
        if (t > 5 && b.own.speed != 0.0) {
            EXPECT_GE(b.own.speed, 1.8 - 1e-9);
        }
        EXPECT_LE(b.own.fall, 2.0);
    }
    EXPECT_GT(b.Gunner.own.nextSmoke, 100);
    for (int k = 0; k < 100; ++k) tick(b, t + k);
    EXPECT_EQ(w.controller.explosions, 1);
    EXPECT_NEAR(fakes::bodyToWorld(b, {0, 0, 1})[1], -std::sin(70.0 / kDeg), 1e-6);
    b.getDrawingData(t + 100);
    EXPECT_FALSE(b.ModelPointsPolys().ThePolygons[model::kScar].DrawHints & kSkip);
    const GLT2FN3FV3FFormat& corner = b.ModelPointsPolys().ThePoints[741];
    EXPECT_NEAR(fakes::bodyToWorld(b, {corner.X, corner.Y, corner.Z})[1] + b.live.attitude.Position[1],
                ArmedWorld::kGround + 0.5, 1e-3);

    // Parked, it stands on its wheels, 2.1 ft up, and stays there; killed, it drops onto its
    // belly and is a wreck within a second.
    AircoDH4& parked = bomber(0.0, 0.0);
    parked.setPathStart(-1, path.data());
    for (int32_t k = 1; k <= 30; ++k) tick(parked, k);
    EXPECT_NEAR(parked.live.attitude.Position[1], ArmedWorld::kGround + AircoDH4::kWheelHeight, 1e-9);
    parked.ThisModel.TheObject.GlobalDeadTime = 31;
    for (int32_t k = 31; k < 91 && w.controller.explosions < 2; ++k) tick(parked, k);
    EXPECT_EQ(w.controller.explosions, 2);
}

// Recorded, replayed from the start and recovered: the live flight goes on exactly as it was.
TEST_F(Bombers, ReplayGivesTheLiveStateBackWhole) {
    point(0, {2000, ArmedWorld::kGround + 1200, 3000}, 0, 1);
    point(1, {0, ArmedWorld::kGround + 900, 0}, 0, 0);
    AircoDH4& b = bomber();
    for (int32_t t = 1; t <= 700; ++t) tick(b, t);
    auto state = [&] {
        return std::tuple(b.live.attitude.Position, b.live.attitude.QAttitude, b.own.drivePath, b.own.arrived,
                          b.own.bombDrop, b.own.speed, b.own.fall, b.own.pitch, b.own.bank, b.own.heading,
                          b.own.closest);
    };
    const auto live = state();
    b.prepareForReplayStart(700);
    for (int32_t t = 100; t <= 400; ++t) tick(b, t, true);
    EXPECT_NE(state(), live);
    b.recoverFromReplay(700);
    EXPECT_EQ(state(), live);
}

}  // namespace
}  // namespace pellam
