// The controller's world step on eight Camels: what stands still while paused and what goes on,
// collisions, hits with their modifiers and explosions, refuelling, scoring, and an aircraft lost
// below the world.
#include <climits>

#include "platform/Beep.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using WorldStep = WorldRig;

TEST_F(WorldStep, PausedTheWorldStandsWhileTheFrameWorkGoesOn) {
    frame(1);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    ASSERT_FALSE(c->clock().gamePause);
    const int32_t clock = c->clock().GlobalMissionTime;
    const int racks = effects.rackCalls;
    counter->ticks.clear();
    input.press(Cmd::FrameRateIndicatorOnOffToggle, kKeyUp);
    frame(3);
    EXPECT_EQ(c->clock().GlobalMissionTime, clock);
    EXPECT_TRUE(c->clock().DisplayFrameRate);         // the command ran
    EXPECT_EQ(effects.rackCalls - racks, 8);  // bombs kept on all eight racks
    EXPECT_TRUE(counter->ticks.empty());      // no object takes a step
    // The toe brakes set the player's brakes and release them; a frame without news keeps them.
    std::vector<double> brakes;
    input.pedalBrakes = {1, -1, 0, -1};
    for (int f = 0; f < 4; ++f) {
        frame(1);
        brakes.push_back(camels[0]->ThisAircraft.Brakes);
    }
    EXPECT_EQ(brakes, (std::vector<double>{1.0, 1.0, 0.0, 0.0}));
    EXPECT_EQ(camels[1]->ThisAircraft.Brakes, 0.0);

    // Between machines the others fly on: any command ends a replay, and pausing costs the
    // aircraft (shot down, engine stopped).
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    for (int i = 0; i < 100; ++i) frame(1);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    send(Cmd::BeginEndReplayOfAction, kKeyUp);
    ASSERT_TRUE(c->replay().ReplayFlag);
    network.mode = 1;
    send(Cmd::Unbound, kKeyDown);  // no such command, but it ends the replay
    EXPECT_FALSE(c->replay().ReplayFlag);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    EXPECT_TRUE(c->clock().gamePause);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    const Aircraft& ours = camels[0]->ThisAircraft;
    EXPECT_GT(ours.TotalHits, ours.TotalHitsBeforeDead);
    EXPECT_TRUE(ours.Damage1 & dmg::EngineStopped);
}

TEST_F(WorldStep, CloseAircraftCollideUnlessRemoteOrHidden) {
    auto place = [&](int k, double x) { camels[k]->live.attitude.Position = {x, 3000.0, 50000.0}; };
    for (int k = 0; k < 8; ++k) camels[k]->live.attitude.Position = {10000.0 * k, 3000.0, 0.0};
    place(1, 0.0);
    place(2, 17.0);
    c->checkAircraftToAircraftCollision();
    for (Camel* hit : {camels[1], camels[2]})
        EXPECT_EQ(hit->ThisAircraft.TotalHits, hit->ThisAircraft.TotalHitsBeforeDead + 10.0);
    // Two remote aircraft: their own machines decide. A remote one hit by the player is destroyed.
    camels[3]->ThisAircraft.RemoteLocal = camels[4]->ThisAircraft.RemoteLocal = 1;
    camels[3]->live.attitude.Position = camels[4]->live.attitude.Position = {0.0, 3000.0, -90000.0};
    camels[0]->live.attitude.Position = {0.0, 3000.0, 90000.0};
    camels[5]->ThisAircraft.RemoteLocal = 1;
    camels[5]->live.attitude.Position = {5.0, 3000.0, 90000.0};
    c->checkAircraftToAircraftCollision();
    EXPECT_EQ(camels[3]->ThisAircraft.TotalHits, 0.0);
    EXPECT_EQ(camels[4]->ThisAircraft.TotalHits, 0.0);
    EXPECT_GT(camels[0]->ThisAircraft.TotalHits, 0.0);
    EXPECT_GT(camels[5]->ThisAircraft.TotalHits, 0.0);
    // Hidden aircraft never collide.
    camels[6]->live.attitude.Position = camels[7]->live.attitude.Position = {0.0, -9500.0, 0.0};
    c->checkAircraftToAircraftCollision();
    EXPECT_EQ(camels[6]->ThisAircraft.TotalHits, 0.0);
}

TEST_F(WorldStep, ABlowUpStartsOneExplosionAndRemoteShootersScoreNoHits) {
    effects.hits[{0, 5}] = [&](FlyableAircraft& target) {
        target.ThisAircraft.TotalHits += 1.0;
        target.ThisAircraft.Damage1 |= dmg::BlownUp;
        return 1;
    };
    effects.hits[{1, 6}] = [&](FlyableAircraft& target) {
        target.ThisAircraft.TotalHits += 1.0;
        return 1;
    };
    camels[1]->ThisAircraft.RemoteLocal = 1;  // hits by a remote shooter are not counted here
    frame(2);
    EXPECT_EQ(effects.explosionsStarted, std::vector<long>{11});  // once: only when the bit appears
    EXPECT_NEAR(camels[3]->live.attitude.Position[2], c->modelAt(11)->live.attitude.Position[2], 10.0);
    EXPECT_EQ(camels[3]->ThisAircraft.TotalHits, 2.0);
    EXPECT_EQ(camels[4]->ThisAircraft.TotalHits, 0.0);
    EXPECT_EQ(effects.objectHitChecks, 2 * 7);  // the remote shooter tests no ground objects
    // Hits count 0.49 from the player's guns, 1.0 from the others'; 0.4 from everyone in a network game.
    EXPECT_EQ(effects.modifiers.front(), 0.49);
    EXPECT_EQ(effects.modifiers.back(), 1.0);
    network.mode = 1;
    effects.modifiers.clear();
    frame(1);
    ASSERT_FALSE(effects.modifiers.empty());
    for (double m : effects.modifiers) EXPECT_EQ(m, 0.4);
}

// The world step holds the ten seconds an aircraft must stand before the objects may refuel it;
// paused, nothing is refuelled.
TEST_F(WorldStep, HangarsRefuelAnAircraftStandingForTenSeconds) {
    Camel& camel = *camels[7];
    camel.SetUpAircraft(90000.0, 0.0, 0.0, 0.0, 400.0, 0.0, 0.0);  // at rest on the grass, engine off
    for (int i = 0; i < 60; ++i) frame(1);  // settles on its wheels and tail skid
    const int32_t stopped = camel.ThisAircraft.TimeWhenStoppedMoving;
    ASSERT_GT(stopped, 0);
    while (c->clock().GlobalMissionTime - stopped < 600) frame(1);
    EXPECT_EQ(counter->refuels, 0);
    frame(1);
    EXPECT_EQ(counter->refuels, 1);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    frame(3);
    EXPECT_EQ(counter->refuels, 1);
}

struct Target : ZephModel {
    OneCompleteObjectVer2 complete{};
    int32_t points = 50, category = 7;
    int32_t getObjectPoints() override { return points; }
    int32_t getObjectCategory() override { return category; }
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &complete; }
};

TEST_F(WorldStep, ScoringCreditsTheTeamAndThePlayerAndNoOneElseAndSaturates) {
    auto* target = static_cast<Target*>(c->getModelArray()->append(std::make_unique<Target>()));
    const long index = c->getModelArray()->indexOf(target);
    target->complete.TheObject.Team = 2;
    const PilotType& pilot = c->pilotScoring().current();

    c->thisObjectDead(index, 0);  // the player
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, 50);
    EXPECT_EQ(pilot.PilotScore, 50);
    EXPECT_EQ(pilot.ObjectKillCounts[7], 1);
    c->thisObjectDead(index, 1);  // a wingman on the player's side: the team's points only
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, 100);
    EXPECT_EQ(pilot.PilotScore, 50);
    c->thisObjectDead(index, 5);  // its own side
    c->thisObjectDead(index, 23);  // the bomber's bombs
    c->thisObjectDead(index, -1);
    c->thisObjectDead(99999, 0);
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, 100);
    EXPECT_EQ(pilot.PilotScore, 50);
    c->setMissionTime(400);
    c->beginOrEndReplay();
    ASSERT_TRUE(c->replay().ReplayFlag);
    c->thisObjectDead(index, 0);
    c->beginOrEndReplay();
    ASSERT_FALSE(c->replay().ReplayFlag);
    EXPECT_EQ(pilot.PilotScore, 50);
    target->category = 40;  // out of the table: counted as category 0
    c->thisObjectDead(index, 0);
    EXPECT_EQ(pilot.ObjectKillCounts[0], 1);
    EXPECT_EQ(pilot.PilotScore, 100);

    // Counters of a long career hold at their limits instead of wrapping negative.
    PilotTable careers = c->pilotScoring().PilotStats;
    PilotType& career = careers[c->pilotScoring().pilotIndex()];
    career.PilotFlightTime = INT_MAX - 3;
    career.PilotScore = INT_MAX - 10;
    career.ObjectKillCounts[7] = INT_MAX;
    store_->setData("PilotStatsKey", encodePilotStats(careers));
    c->doPlayerSignIn();  // read as at start-up
    ASSERT_EQ(pilot.PilotScore, INT_MAX - 10);
    target->points = INT_MAX - 1;
    target->category = 7;
    for (int i = 0; i < 3; ++i) c->thisObjectDead(index, 0);
    for (int i = 0; i < 200; ++i) frame(3);  // ten seconds of flight
    EXPECT_EQ(pilot.PilotFlightTime, INT_MAX);
    EXPECT_EQ(pilot.PilotScore, INT_MAX);
    EXPECT_EQ(pilot.ObjectKillCounts[7], INT_MAX);
    EXPECT_EQ(c->pilotScoring().DeadObjectPoints, INT_MAX);
}

TEST_F(WorldStep, AHiddenPlayerAircraftIsStartedAgainAndTheCameraComesBack) {
    c->sendCommand(Cmd::CameraOnAircraft4, kKeyDown);  // the view from the fourth aircraft
    ASSERT_EQ(c->cameras().CameraAircraft, 5);
    camels[3]->live.attitude.Position[1] = -9500.0;
    const long beeps = platform::beepCount();
    frame(1);
    EXPECT_EQ(c->cameras().CameraAircraft, 2);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_LT(camels[3]->live.attitude.Position[1], -9000.0);  // another's aircraft is left alone
    camels[0]->live.attitude.Position[1] = -9500.0;
    frame(1);
    EXPECT_NEAR(camels[0]->live.attitude.Position[1], 3000.0, 5.0);  // the player's starts again
    frame(1);
    EXPECT_EQ(platform::beepCount(), beeps + 2);

    // Chosen while it is gone, paused: the view stays and does not slide toward it, but the bomb
    // view ends as for any aircraft chosen.
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    effects.haveBomb = true;
    effects.bomb = {0.0, 2000.0, 0.0, 10000.0, 0.0, 0.0};
    send(Cmd::CameraOnBomb, kKeyDown);
    ASSERT_EQ(c->cameras().SpecialCameraPosition, 59);
    const Vector3 offset = c->cameras().AbsoluteCameraOffset;
    send(Cmd::CameraOnAircraft4, kKeyDown);
    EXPECT_EQ(c->cameras().CameraAircraft, 2);
    EXPECT_EQ(c->cameras().AbsoluteCameraOffset, offset);
    EXPECT_EQ(c->cameras().SpecialCameraPosition, 0);
}

}  // namespace
}  // namespace pellam::testing
