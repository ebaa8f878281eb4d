// The effect objects in the running game: a Camel's bomb falls, bursts with debris and leaves a
// crater; explosions turn in strict rotation; a replay and its end give back the live effects.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "aircraft/ObjectTestFile.h"
#include "game/VADArizodazar2.h"
#include "objects/AllBombs.h"
#include "objects/Debris.h"
#include "objects/EffectObjects.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

class GameEffects : public ::testing::Test {
protected:
    void SetUp() override {
        platform::seedRandom(11);
        folder_ = std::filesystem::temp_directory_path() / ("pellam effects " + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                             VADArizodazar2::Content{nullptr, [this](ModelArray& m, GameController& gc) {
                                                                         populate(m, gc);
                                                                     }});
        c->awakeFromNib();
        c->fromPlayerSignInOkay();
        c->doSelectMission = false;
        c->fromFlyMissionButton();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void populate(ModelArray& models, GameController& gc) {
        ZephModel* ground = models.put(ModelArray::kTerrain, std::make_unique<testing::FlatTerrain>(100.0));
        auto camel = std::make_unique<ObjectTestFile>();
        camel->setaController(&gc);
        camel->setTerrain(ground);
        camel->afterLightTexture3dPointChangesFor(nullptr);
        camel->SetUpAircraft(5000.0, 700.0, 8000.0, 90.0, 0.0, 95.0, 0.8);
        camel->copyCurrentQNionToStart();
        camel->ThisAircraft.CurrentNumberOfBombs = 2;
        player = static_cast<ObjectTestFile*>(models.put(ModelArray::kFirstAircraft, std::move(camel)));
        placeEffectObjects(models, nullptr, &gc);
    }
    void frame() {
        c->theticks = 1;
        c->MoveAircraftAndObjects();
        c->PrepareAndCallDrawing();
    }
    Debris& debris() { return *static_cast<Debris*>(c->modelAt(ModelArray::kDebris)); }
    GroundExplosion& explosion(int k) { return *static_cast<GroundExplosion*>(c->modelAt(ModelArray::kFirstExplosion + k)); }
    AllBombs& bombs() { return *static_cast<AllBombs*>(c->modelAt(ModelArray::kBombs)); }
    int liveDebris() {
        int n = 0;
        for (const auto& f : debris().TheFlakes) n += f.TimeStarted != Debris::kFree;
        return n;
    }

    std::filesystem::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
    ObjectTestFile* player = nullptr;
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

}  // namespace
}  // namespace pellam
