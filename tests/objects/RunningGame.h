#pragma once
// The real controller flying a game: the player's Camel with two bombs over flat ground at
// `ground` ft, starting at `height` ft heading east, with the effect objects in the array's head,
// and the settings store in a folder of the test's own.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "aircraft/ObjectTestFile.h"
#include "game/VADArizodazar2.h"
#include "objects/EffectObjects.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"
#include "tests/TestFolder.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam::testing {

// The real controller with the world `populate` builds, signed in and flying, its simulation
// seeded after start-up (which seeds it from the system).
inline std::unique_ptr<VADArizodazar2> flyingGame(platform::UserDefaults& store, uint32_t seed,
                                                  std::function<void(ModelArray&, GameController&)> populate) {
    platform::seedRandom(seed);
    auto c = std::make_unique<VADArizodazar2>(GameController::Links{&store}, VADArizodazar2::Content{nullptr, populate});
    c->awakeFromNib();
    c->seedSimulation(seed);
    c->fromPlayerSignInOkay();
    c->skipMissionSelection();
    c->fromFlyMissionButton();
    return c;
}

// One frame of one tick: the world step and the per-frame checks.
inline void frameOf(VADArizodazar2& c) {
    c.stepWorld(1);
    c.PrepareAndCallDrawing();
}

class RunningGame : public ::testing::Test {
protected:
    RunningGame(const char* folderName, double ground, double height)
        : folder_(folderName), ground_(ground), height_(height) {}

    void SetUp() override {
        store_ = std::make_unique<platform::UserDefaults>(folder_.file("defaults.json"));
        c = flyingGame(*store_, 11, [this](ModelArray& m, GameController& gc) { populate(m, gc); });
    }

    void populate(ModelArray& models, GameController& gc) {
        ZephModel* ground = models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(ground_));
        auto camel = std::make_unique<ObjectTestFile>();
        camel->setaController(&gc);
        camel->setTerrain(ground);
        camel->afterLightTexture3dPointChangesFor(nullptr);
        camel->SetUpAircraft(5000.0, height_, 8000.0, 90.0, 0.0, 95.0, 0.8);
        camel->copyCurrentQNionToStart();
        camel->ThisAircraft.CurrentNumberOfBombs = 2;
        player = static_cast<ObjectTestFile*>(models.put(ModelArray::kFirstAircraft, std::move(camel)));
        placeEffectObjects(models, nullptr, &gc);
    }
    void frame() { frameOf(*c); }

    // An enemy unit started level at p, turned by `heading` degrees, in the world.
    template <typename T>
    T* placeEnemy(std::unique_ptr<ZephModel> unit, const std::array<double, 3>& p, double heading = 0.0) {
        fakes::startUnit(*unit, c.get(), nullptr, p, heading, player->getTeamNumber() + 1);
        return static_cast<T*>(c->getModelArray()->append(std::move(unit)));
    }

    // The line of the player's fire: where its newest bullet was, and the unit way it flies.
    struct FireLine {
        std::array<double, 3> from, way;
        std::array<double, 3> at(double feet) const {
            return {from[0] + way[0] * feet, from[1] + way[1] * feet, from[2] + way[2] * feet};
        }
    };
    FireLine lineOfFire() const {
        const BulletsList& bullets = player->ThisAircraft.GunBullets;
        const ProjectileType& shot = bullets.TheBullets[(bullets.NextTheBullets + 71) % 72];
        const double d[3] = {shot.P2X - shot.PX, shot.P2Y - shot.PY, shot.P2Z - shot.PZ};
        const double n = std::hypot(d[0], d[1], d[2]);
        EXPECT_GT(n, 1.0) << "no bullet in flight";
        return {{shot.PX, shot.PY, shot.PZ}, {d[0] / n, d[1] / n, d[2] / n}};
    }

    TestFolder folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
    ObjectTestFile* player = nullptr;
    double ground_, height_;
};

}  // namespace pellam::testing
