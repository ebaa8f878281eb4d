// What a new player meets on the first evening, driven through the controller as the keys and
// windows drive it: an aircraft restarted after a crash flies exactly as a freshly started one, and
// flying begins with the mouse stick centred.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;  // ft

struct CountingDesktop : ControllerDesktop {
    int centred = 0;
    void centrePointer() override { ++centred; }
};

struct StickInput : FakeInput {
    bool joystick = false;
    int centred = 0;
    bool haveJoystick() override { return joystick; }
    void pointerCentred() override { ++centred; }
};

class FirstFlight : public ::testing::Test {
protected:
    void SetUp() override {
        start();
    }
    void TearDown() override {
        c.reset();
        store_.reset();
    }

    // A new run of the game on the same stored defaults, read afresh from the file.
    void start() {
        c.reset();
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        platform::seedRandom(11);
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get(), &view, &input, &desktop, &network, &effects},
            VADArizodazar2::Content{nullptr, [this](ModelArray& m, GameController& gc) { populate(m, gc); }});
        c->awakeFromNib();
        c->seedSimulation(11);  // after start-up, which seeds it from the system
        effects.models = c->getModelArray();
    }

    // The player's Camel and, out of play, seven others.
    void populate(ModelArray& models, GameController& gc) {
        ZephModel* ground = models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(kField));
        for (int k = 0; k < 8; ++k) {
            auto camel = std::make_unique<Camel>();
            camel->setaController(&gc);
            camel->setTerrain(ground);
            camel->afterLightTexture3dPointChangesFor(nullptr);
            place(k, *camel);
            models.put(ModelArray::kFirstAircraft + k, std::move(camel));
        }
    }
    void place(long k, ZephModel& model) {
        auto& a = static_cast<FlyableAircraft&>(model);
        a.SetUpAircraft(0.0, k == 0 ? kField + 3000.0 : -10000.0, 0.0, 90.0, 0.0, 95.0, 0.8);
        a.copyCurrentQNionToStart();
    }
    FlyableAircraft& player() { return *c->aircraftAt(ModelArray::kFirstAircraft); }

    void frame() {
        c->theticks = 1;
        c->MoveAircraftAndObjects();
        c->SetUpViewingPosition();
        c->PrepareAndCallDrawing();
    }
    void key(int32_t command, int32_t type) {
        input.press(command, type);
        for (int i = 0; i < 5 && !input.ring.empty(); ++i) frame();
    }

    // The poses of a scripted minute: a roll one way and back, a little back stick, then a slow
    // weave.
    std::vector<QNion> flyTheScript() {
        std::vector<QNion> poses;
        input.flight = true;
        for (int t = 0; t < 3600; ++t) {
            input.ailerons = t < 60 ? 0.4 : t < 120 ? -0.4 : 0.05 * std::sin(t * 0.01);
            input.elevator = t < 600 ? 0.1 : 0.0;
            frame();
            poses.push_back(player().ModelAttitude);
            steepestBank = std::max(steepestBank, std::fabs(player().ThisAircraft.AircraftBank));
        }
        return poses;
    }

    double steepestBank = 0.0;  // deg, over the scripted flights
    TestFolder dir_{"pellam first flight"};
    std::filesystem::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    FakeView view;
    StickInput input;
    CountingDesktop desktop;
    FakeNetwork network;
    FakeEffects effects;
    std::unique_ptr<VADArizodazar2> c;
};

TEST_F(FirstFlight, ARestartedAircraftFliesExactlyAsAFreshOne) {
    c->fromPlayerSignInOkay();
    c->fromFlyMissionButton();
    const std::vector<QNion> fresh = flyTheScript();
    ASSERT_FALSE(player().ThisAircraft.Damage1 & dmg::Down);
    EXPECT_GT(steepestBank, 10.0) << "the stick banks the aircraft";

    // Into the ground with the guns going and the trim wound on; then pause, restart, go on.
    key(2, kKeyDown);
    player().ElevatorTrimUpDown(-5);
    input.elevator = 1.0;
    for (int t = 0; t < 3000 && !(player().ThisAircraft.Damage1 & dmg::Down); ++t) frame();
    ASSERT_TRUE(player().ThisAircraft.Damage1 & dmg::Down);
    key(2, kKeyUp);
    input.elevator = input.ailerons = 0.0;  // hands off the stick while paused
    key(1, kKeyDown);
    ASSERT_FALSE(c->gamePause);
    // What a mission's restart does to the aircraft: put it back, then set it up as at the start.
    player().resetModel();
    place(0, player());
    c->GlobalMissionTime = 0;
    key(1, kKeyDown);
    ASSERT_TRUE(c->gamePause);

    const std::vector<QNion> again = flyTheScript();
    ASSERT_EQ(again.size(), fresh.size());
    for (size_t t = 0; t < fresh.size(); ++t) {
        ASSERT_EQ(again[t].Position, fresh[t].Position) << "tick " << t;
        ASSERT_EQ(again[t].QAttitude, fresh[t].QAttitude) << "tick " << t;
    }
}

TEST_F(FirstFlight, FlyingBeginsWithTheMouseStickCentred) {
    c->fromPlayerSignInOkay();
    c->fromFlyMissionButton();
    EXPECT_EQ(desktop.centred, 1);
    EXPECT_EQ(input.centred, 1);
    key(1, kKeyDown);  // pause: the pointer is the player's
    EXPECT_EQ(desktop.centred, 1);
    key(1, kKeyDown);  // and on again
    EXPECT_EQ(desktop.centred, 2);
    EXPECT_EQ(input.centred, 2);

    // A joystick flies the aircraft: the pointer is left where it is.
    input.joystick = true;
    key(1, kKeyDown);
    key(1, kKeyDown);
    EXPECT_EQ(desktop.centred, 2);
}

}  // namespace
}  // namespace pellam::testing
