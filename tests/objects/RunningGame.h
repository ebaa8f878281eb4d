#pragma once
// The real controller flying a game over a world the test lays out in `populate`, with its
// settings store in a folder of the test's own. The simulation is seeded after start-up, which
// seeds it from the system.
#include <gtest/gtest.h>

#include <memory>

#include "game/VADArizodazar2.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"
#include "tests/TestFolder.h"

namespace pellam::testing {

class RunningGame : public ::testing::Test {
protected:
    explicit RunningGame(const char* folderName) : folder_(folderName) {}

    void SetUp() override {
        platform::seedRandom(11);
        store_ = std::make_unique<platform::UserDefaults>(folder_.file("defaults.json"));
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                             VADArizodazar2::Content{nullptr, [this](ModelArray& m, GameController& gc) {
                                                                         populate(m, gc);
                                                                     }});
        c->awakeFromNib();
        c->seedSimulation(11);
        c->fromPlayerSignInOkay();
        c->doSelectMission = false;
        c->fromFlyMissionButton();
    }

    virtual void populate(ModelArray& models, GameController& gc) = 0;

    TestFolder folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
};

}  // namespace pellam::testing
