// The effect objects in the running game: a Camel's bomb falls, bursts with debris and leaves a
// crater; explosions turn in strict rotation; every object, effects and ground units alike, stands
// through a pause and a held replay and is given back whole when a replay ends; a Camel shoots down
// a balloon defended by a flak gun and a machine-gun post, and strafes a lorry to a wreck.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/AllBombs.h"
#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"
#include "objects/Debris.h"
#include "objects/GroundExplosion.h"
#include "objects/TruckWWI.h"
#include "tests/objects/RunningGame.h"

namespace pellam {
namespace {

using Cmd = input::CommandNumber;

class GameEffects : public testing::RunningGame {
protected:
    GameEffects() : RunningGame("pellam effects", 100.0, 700.0) {}

    Debris& debris() { return *static_cast<Debris*>(c->modelAt(ModelArray::kDebris)); }
    GroundExplosion& explosion(int k) { return *static_cast<GroundExplosion*>(c->modelAt(ModelArray::kFirstExplosion + k)); }
    AllBombs& bombs() { return *static_cast<AllBombs*>(c->modelAt(ModelArray::kBombs)); }
    int liveDebris() {
        int n = 0;
        for (const auto& f : debris().TheFlakes) n += f.TimeStarted != Debris::kFree;
        return n;
    }
    // Every object's pose and record countdown, and the pools' contents.
    struct State {
        std::vector<std::tuple<std::array<double, 3>, std::array<double, 4>, int32_t>> models;
        decltype(Debris::TheFlakes) flakes;
        decltype(AllBombs::Live::bombs) bombs;
        decltype(AllBombs::Live::marks) marks;
        std::array<decltype(GroundExplosion::Live::sprites), 8> sprites;
        bool operator==(const State&) const = default;
    };
    State state() {
        State s;
        for (long k = 0; k < c->getModelArray()->size(); ++k)
            if (ZephModel* m = c->modelAt(k))
                s.models.emplace_back(m->live.attitude.Position, m->live.attitude.QAttitude, m->ReplaySaveTime);
        s.flakes = debris().TheFlakes;
        s.bombs = bombs().own.bombs;
        s.marks = bombs().own.marks;
        for (int k = 0; k < 8; ++k) s.sprites[k] = explosion(k).own.sprites;
        return s;
    }
};

// Then eight more explosions: they turn in strict rotation, the last restarting the bomb's.
TEST_F(GameEffects, ACamelsBombFallsBurstsThrowsDebrisAndLeavesACraterAndExplosionsRotate) {
    for (int i = 0; i < 60; ++i) frame();
    c->sendCommand(Cmd::DropBomb, kKeyDown);
    EXPECT_EQ(player->getNumberOfBombs(), 1);
    const double* seen = c->effects().findNewestBombFrom(bombs(), ModelArray::kFirstAircraft, *player);
    ASSERT_NE(seen, nullptr);
    EXPECT_LT(seen[3], 1000.0);  // the bomb camera follows the falling bomb, not the rack
    int ticks = 0;
    while (!explosion(0).isBusy() && ticks < 1200) {
        frame();
        ++ticks;
    }
    ASSERT_TRUE(explosion(0).isBusy());
    EXPECT_GT(ticks, 100);  // 600 ft takes a while
    const auto& at = explosion(0).live.attitude.Position;
    EXPECT_LE(at[1], 100.0);
    EXPECT_EQ(liveDebris(), 20);
    EXPECT_TRUE(bombs().inBombCraterX(at[0], at[2] - 14.0));
    frame();
    EXPECT_EQ(explosion(0).liveSprites(), 40);
    EXPECT_EQ(explosion(1).isBusy(), false);

    for (int k = 1; k <= 8; ++k) {
        const double p[3] = {1000.0 * k, 100.0, 0.0};
        c->startAnExplosion(p);
        frame();
    }
    EXPECT_EQ(explosion(0).live.attitude.Position[0], 8000.0);
    EXPECT_EQ(explosion(0).own.startTime, c->clock().GlobalMissionTime - 1);
    EXPECT_EQ(explosion(0).liveSprites(), 40);  // burst anew
    EXPECT_EQ(explosion(1).live.attitude.Position[0], 1000.0);
    EXPECT_EQ(explosion(1).own.startTime, explosion(0).own.startTime - 7);
}

// A bomb falling, explosions burning with their debris, a balloon, a flak pit and a machine-gun
// post at the Camel, a lorry driving and a wreck: paused, nothing moves and no object writes a
// record; a replay held still moves nothing; its end gives back every object as it was, and a
// replay's shots score nothing.
TEST_F(GameEffects, EveryObjectStandsWhilePausedAndAReplayGivesBackTheLiveWorld) {
    for (int i = 0; i < 20; ++i) frame();
    const auto& at = player->live.attitude.Position;
    const std::array<double, 3> ahead{at[0] + 1500.0, 100.0, at[2]};
    auto aside = [&](double across, double y) { return std::array<double, 3>{ahead[0] + across, y, ahead[2] + across}; };
    auto* balloon = placeEnemy<BalloonWWI>(armed::createArmedBalloon(), aside(0.0, 600.0));
    auto* flak = placeEnemy<AAAGunWWI>(armed::createFlakGun(), aside(200.0, 100.0));
    auto* post = placeEnemy<AAAMachineGunWWI>(armed::createMachineGunPost(), aside(-150.0, 100.0));
    auto* wreck = placeEnemy<AAAGunWWI>(armed::createFlakGun(), aside(400.0, 100.0));
    std::array<aiFlyToPoint, 200> path{};
    path[0].PointXYZ = {ahead[0], 0, ahead[2] + 20000};
    path[0].NextPoint = -1;
    auto truck = std::make_unique<TruckWWI>();
    truck->setModelType(14);
    auto* lorry = placeEnemy<TruckWWI>(std::move(truck), aside(-400.0, 100.0));
    lorry->setPathStart(1, path.data());
    const auto lorryStart = lorry->live.attitude.Position;
    c->sendCommand(Cmd::DropBomb, kKeyDown);  // a bomb away
    for (int k = 0; k < 3; ++k) {
        const double p[3] = {ahead[0] + 300.0 * k, 100.0, ahead[2]};
        c->startAnExplosion(p);
    }
    for (int i = 0; i < 150; ++i) frame();
    wreck->ThisModel.TheObject.GlobalDeadTime = c->clock().GlobalMissionTime;
    frame();
    ASSERT_GT(liveDebris(), 0);
    ASSERT_NE(lorry->live.attitude.Position, lorryStart) << "the lorry drives";
    ASSERT_EQ(flak->own.fire.TrackingAircraft, 0) << "the flak gun has the Camel";

    auto places = [&] {
        return std::array<int, 5>{bombs().Ring.nextPlace(), balloon->Replay.nextPlace(), flak->Replay.nextPlace(),
                                  wreck->Replay.nextPlace(), lorry->replayRing().nextPlace()};
    };
    c->sendCommand(Cmd::PauseFlyGameToggle, kKeyDown);
    ASSERT_FALSE(c->isRunning());
    const State paused = state();
    const auto ringsPaused = places();
    const int32_t clock = c->clock().GlobalMissionTime;
    for (int i = 0; i < 45; ++i) frame();
    EXPECT_EQ(c->clock().GlobalMissionTime, clock);
    EXPECT_TRUE(state() == paused) << "an object moved while the game stood";
    EXPECT_EQ(places(), ringsPaused) << "an object recorded while the game stood";
    c->someTypicalKeyPresses(Cmd::PauseFlyGameToggle, false);
    ASSERT_TRUE(c->isRunning());

    for (int i = 0; i < 10; ++i) frame();
    const State live = state();
    const auto gunSmoke = post->Gunner.own.gunSmokes;
    const auto flakSmoke = flak->own.bursts;
    const int32_t points = c->pilotScoring().DeadObjectPoints;
    c->beginOrEndReplay();
    ASSERT_TRUE(c->replay().ReplayFlag);
    for (int i = 0; i < 60; ++i) frame();
    c->sendCommand(Cmd::ReverseReplay, kKeyUp);  // slower: held still
    ASSERT_EQ(c->replay().ReplaySpeed, 0);
    const State held = state();
    for (int i = 0; i < 20; ++i) frame();
    EXPECT_TRUE(state() == held) << "an object moved in a replay held still";
    c->sendCommand(Cmd::ForwardReplay, kKeyUp);
    for (int i = 0; i < 400; ++i) frame();
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, points);
    c->beginOrEndReplay();
    ASSERT_FALSE(c->replay().ReplayFlag);
    EXPECT_TRUE(state() == live) << "the replay's end did not give back the live world";
    EXPECT_EQ(post->Gunner.own.gunSmokes, gunSmoke);
    EXPECT_EQ(flak->own.bursts, flakSmoke);
    frame();
    EXPECT_FALSE(state() == live) << "the live world goes on";
}

// A Camel attacks an armed balloon guarded by a flak gun and a machine-gun post: it flies at the
// balloon with its guns firing while the three gunners engage it. The balloon goes down in
// flames, the kill is the Camel's, and the Camel does not come through unhurt.
TEST_F(GameEffects, ACamelAttacksADefendedBalloon) {
    for (int i = 0; i < 20; ++i) frame();
    // The line of the Camel's fire: its newest bullet, carried 400 ft on.
    player->gunsOnOff(1);
    for (int i = 0; i < 10; ++i) frame();
    const FireLine fire = lineOfFire();
    const auto aim = fire.at(400.0);
    const double level = std::hypot(fire.way[0], fire.way[2]);
    const double side[2] = {fire.way[2] / level, -fire.way[0] / level};
    auto aside = [&](double across, double y) {
        return std::array<double, 3>{aim[0] + side[0] * across, y, aim[2] + side[1] * across};
    };
    // The balloon's envelope across the Camel's guns; the flak gun and the post beside its winch.
    auto* balloon = placeEnemy<BalloonWWI>(armed::createArmedBalloon(), aside(0.0, aim[1]));
    auto* flak = placeEnemy<AAAGunWWI>(armed::createFlakGun(), aside(200.0, 100.0));
    auto* post = placeEnemy<AAAMachineGunWWI>(armed::createMachineGunPost(), aside(-150.0, 100.0));
    const long balloonIndex = c->getModelArray()->indexOf(balloon);
    const double hitsBefore = player->ThisAircraft.TotalHits;
    const int32_t pointsBefore = c->pilotScoring().DeadObjectPoints;

    int engaged = 0;
    for (int i = 0; i < 600 && !balloon->areYouDead(); ++i) {
        frame();
        engaged |= (flak->own.fire.TrackingAircraft == 0) | (post->Gunner.own.fire.TrackingAircraft == 0) << 1 |
                   (balloon->Gunner.own.fire.TrackingAircraft == 0) << 2;
    }
    player->gunsOnOff(0);
    ASSERT_TRUE(balloon->areYouDead());
    EXPECT_EQ(engaged, 7);  // all three gunners took the Camel on
    EXPECT_TRUE(balloon->areYouDestroyed());
    EXPECT_EQ(balloon->ThisModel.TheObject.WhoKilledMe, 0);
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, pointsBefore + 250);
    EXPECT_GE(balloonIndex, ModelArray::kFirstMissionObject);

    // It sinks in flames while the guns on the ground keep at the Camel.
    const double y = balloon->live.attitude.Position[1];
    for (int i = 0; i < 600; ++i) frame();
    EXPECT_LT(balloon->live.attitude.Position[1], y - 100.0);
    EXPECT_GT(balloon->Gunner.own.nextSmoke, 500);
    EXPECT_GT(player->ThisAircraft.TotalHits, hitsBefore);
}

// The end of the convoy's day: a Camel comes down low behind a lorry on the road and strafes it
// with the guns the game fires, bullets checked against ground objects every tick, until the
// lorry is a wreck and the kill is the Camel's.
TEST_F(GameEffects, ACamelFlyingLowAlongTheRoadShootsTheLeadLorryToAWreck) {
    constexpr double kGround = 100.0, kCamelHeight = kGround + 22.0;
    for (int i = 0; i < 20; ++i) frame();
    // Down to the deck, nose a touch down, flying east along the road.
    const auto& at = player->live.attitude.Position;
    player->SetUpAircraft(at[0], kCamelHeight, at[2], 90.0, -2.0, 95.0, 0.8);
    frame();
    ASSERT_LT(player->live.attitude.Position[1], kCamelHeight + 20.0);
    player->gunsOnOff(1);
    for (int i = 0; i < 10; ++i) frame();
    // The line of the Camel's fire, slanting down: its newest bullet, carried on to lorry height.
    const FireLine fire = lineOfFire();
    ASSERT_LT(fire.way[1], 0.0);
    const double s = (fire.from[1] - (kGround + 5.0)) / -fire.way[1];
    ASSERT_GT(s, 50.0);
    ASSERT_LT(s, 800.0);
    const auto aim = fire.at(s);
    const double level = std::hypot(fire.way[0], fire.way[2]);
    const double heading[2] = {fire.way[0] / level, fire.way[2] / level};

    // The lead lorry drives away from the Camel down a straight road.
    std::array<aiFlyToPoint, 200> path{};
    path[0].PointXYZ = {aim[0] + heading[0] * 20000, 0, aim[2] + heading[1] * 20000};
    path[0].NextPoint = -1;
    auto lorry = std::make_unique<TruckWWI>();
    lorry->setModelType(14);
    auto* lead = placeEnemy<TruckWWI>(std::move(lorry), {aim[0], kGround, aim[2]},
                                      std::atan2(heading[0], heading[1]) * 180.0 / M_PI);  // facing down the road
    lead->setPathStart(1, path.data());
    const long leadIndex = c->getModelArray()->indexOf(lead);
    const double startX = lead->live.attitude.Position[0], startZ = lead->live.attitude.Position[2];
    Object3DData& o = lead->ThisModel.TheObject;

    float hitsSeen = 0;
    int ticks = 0;
    for (; ticks < 900 && !lead->areYouDead(); ++ticks) {
        frame();
        ASSERT_GE(o.ObjectHits, hitsSeen);  // damage only accumulates
        hitsSeen = o.ObjectHits;
    }
    player->gunsOnOff(0);
    SCOPED_TRACE(::testing::Message() << "lorry at " << lead->live.attitude.Position[0] << ", "
                                      << lead->live.attitude.Position[1] << ", " << lead->live.attitude.Position[2]
                                      << " aim " << aim[0] << ", " << aim[1] << ", " << aim[2] << " hits "
                                      << o.ObjectHits);
    ASSERT_TRUE(lead->areYouDead());
    EXPECT_TRUE(lead->areYouDestroyed());
    EXPECT_GE(o.ObjectHits, o.ObjectHitsWhenDead);
    EXPECT_NE(o.GlobalDeadTime, 0);
    EXPECT_EQ(o.WhoKilledMe, 0);
    EXPECT_GE(leadIndex, ModelArray::kFirstMissionObject);
    // It was a moving target: the lorry drove on under fire.
    EXPECT_GT(std::hypot(lead->live.attitude.Position[0] - startX, lead->live.attitude.Position[2] - startZ), 1.0);

    // A wreck stays a wreck: more fire neither revives it nor moves its credit.
    const float wreckHits = o.ObjectHits;
    for (int i = 0; i < 100; ++i) frame();
    EXPECT_TRUE(lead->areYouDestroyed());
    EXPECT_EQ(o.WhoKilledMe, 0);
    EXPECT_EQ(o.ObjectHits, wreckHits);
}

}  // namespace
}  // namespace pellam
