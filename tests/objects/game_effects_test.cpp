// The effect objects in the running game: a Camel's bomb falls, bursts with debris and leaves a
// crater; explosions turn in strict rotation; a replay and its end give back the live effects; a
// Camel shoots down a balloon defended by a flak gun and a machine-gun post.
#include <gtest/gtest.h>

#include <cmath>

#include "aircraft/ObjectTestFile.h"
#include "game/VADArizodazar2.h"
#include "objects/AllBombs.h"
#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"
#include "objects/Debris.h"
#include "objects/EffectObjects.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "tests/objects/RunningGame.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

class GameEffects : public testing::RunningGame {
protected:
    GameEffects() : RunningGame("pellam effects", 100.0, 700.0) {}

    void loadCamel(ObjectTestFile& camel) override { camel.ThisAircraft.CurrentNumberOfBombs = 2; }
    Debris& debris() { return *static_cast<Debris*>(c->modelAt(ModelArray::kDebris)); }
    GroundExplosion& explosion(int k) { return *static_cast<GroundExplosion*>(c->modelAt(ModelArray::kFirstExplosion + k)); }
    AllBombs& bombs() { return *static_cast<AllBombs*>(c->modelAt(ModelArray::kBombs)); }
    int liveDebris() {
        int n = 0;
        for (const auto& f : debris().TheFlakes) n += f.TimeStarted != Debris::kFree;
        return n;
    }

};

TEST_F(GameEffects, ACamelsBombFallsBurstsThrowsDebrisAndLeavesACrater) {
    ASSERT_NE(dynamic_cast<GroundClutter*>(c->modelAt(ModelArray::kGroundClutter)), nullptr);
    for (int i = 0; i < 60; ++i) frame();
    c->Command.actionType = kKeyDown;
    c->someTypicalKeyPresses(18, false);
    EXPECT_EQ(player->getNumberOfBombs(), 1);
    const double* seen = c->effects_->findNewestBombFrom(bombs(), ModelArray::kFirstAircraft, *player);
    ASSERT_NE(seen, nullptr);
    EXPECT_LT(seen[3], 1000.0);  // the bomb camera follows the falling bomb, not the rack
    int ticks = 0;
    while (!explosion(0).isBusy() && ticks < 1200) {
        frame();
        ++ticks;
    }
    ASSERT_TRUE(explosion(0).isBusy());
    EXPECT_GT(ticks, 100);  // 600 ft takes a while
    const auto& at = explosion(0).ModelAttitude.Position;
    EXPECT_LE(at[1], 100.0);
    EXPECT_EQ(liveDebris(), 20);
    EXPECT_TRUE(bombs().inBombCraterX(at[0], at[2] - 14.0));
    frame();
    EXPECT_EQ(explosion(0).liveSprites(), 40);
    EXPECT_EQ(explosion(1).isBusy(), false);
}

TEST_F(GameEffects, TheNinthExplosionRestartsTheFirstAndAReplayGivesBackTheLiveEffects) {
    for (int i = 0; i < 100; ++i) frame();
    for (int k = 0; k < 9; ++k) {
        const double p[3] = {1000.0 * k, 100.0, 0.0};
        c->startAnExplosion(p);
        frame();
    }
    EXPECT_EQ(explosion(0).ModelAttitude.Position[0], 8000.0);
    EXPECT_EQ(explosion(0).GroundExplosionStartTime, c->GlobalMissionTime - 1);
    EXPECT_EQ(explosion(0).liveSprites(), 40);  // burst anew
    EXPECT_EQ(explosion(1).ModelAttitude.Position[0], 1000.0);
    EXPECT_EQ(explosion(1).GroundExplosionStartTime, explosion(0).GroundExplosionStartTime - 7);
    c->Command.actionType = kKeyDown;
    c->someTypicalKeyPresses(18, false);
    for (int i = 0; i < 30; ++i) frame();

    const auto flakes = debris().TheFlakes;
    const auto pool = bombs().TheBombsRockets;
    const auto marks = bombs().TheGroundSmudges;
    std::array<std::array<GroundExplosion::ExplosionType, 60>, 8> sprites;
    for (int k = 0; k < 8; ++k) sprites[k] = explosion(k).ExplosionSprites;
    c->beginOrEndReplay();
    ASSERT_TRUE(c->ReplayFlag);
    for (int i = 0; i < 400; ++i) frame();
    c->beginOrEndReplay();
    ASSERT_FALSE(c->ReplayFlag);
    EXPECT_EQ(debris().TheFlakes, flakes);
    EXPECT_EQ(bombs().TheBombsRockets, pool);
    EXPECT_EQ(bombs().TheGroundSmudges, marks);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(explosion(k).ExplosionSprites, sprites[k]) << k;
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
    const int32_t enemy = player->getTeamNumber() + 1;
    ModelArray& models = *c->getModelArray();
    auto place = [&](std::unique_ptr<ZephModel> unit, double across, double y) {
        unit->initWithGLView(nullptr);
        unit->setaController(c.get());
        QNion level;
        level.QAttitude = {1, 0, 0, 0};
        unit->setStartingModelQNionX(aim[0] + side[0] * across, y, aim[2] + side[1] * across, &level);
        unit->setTeam(enemy);
        unit->resetModel();
        return models.append(std::move(unit));
    };
    // The balloon's envelope across the Camel's guns; the flak gun and the post beside its winch.
    auto* balloon = static_cast<BalloonWWI*>(place(armed::createArmedBalloon(), 0.0, aim[1]));
    auto* flak = static_cast<AAAGunWWI*>(place(armed::createFlakGun(), 200.0, 100.0));
    auto* post = static_cast<AAAMachineGunWWI*>(place(armed::createMachineGunPost(), -150.0, 100.0));
    const long balloonIndex = models.indexOf(balloon);
    const double hitsBefore = player->ThisAircraft.TotalHits;
    const int32_t pointsBefore = c->DeadObjectPoints;

    int engaged = 0;
    for (int i = 0; i < 600 && !balloon->areYouDead(); ++i) {
        frame();
        engaged |= (flak->MyFireData.TrackingAircraft == 0) | (post->Gunner.MyFireData.TrackingAircraft == 0) << 1 |
                   (balloon->Gunner.MyFireData.TrackingAircraft == 0) << 2;
    }
    player->gunsOnOff(0);
    ASSERT_TRUE(balloon->areYouDead());
    EXPECT_EQ(engaged, 7);  // all three gunners took the Camel on
    EXPECT_TRUE(balloon->areYouDestroyed());
    EXPECT_EQ(balloon->ThisModel.TheObject.WhoKilledMe, 0);
    EXPECT_EQ(c->DeadObjectPoints, pointsBefore + 250);
    EXPECT_GE(balloonIndex, ModelArray::kFirstMissionObject);

    // It sinks in flames while the guns on the ground keep at the Camel.
    const double y = balloon->ModelAttitude.Position[1];
    for (int i = 0; i < 600; ++i) frame();
    EXPECT_LT(balloon->ModelAttitude.Position[1], y - 100.0);
    EXPECT_GT(balloon->Gunner.NextSmokeSpot, 500);
    EXPECT_GT(player->ThisAircraft.TotalHits, hitsBefore);
}

}  // namespace
}  // namespace pellam
