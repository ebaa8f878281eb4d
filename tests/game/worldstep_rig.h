#pragma once
// A running controller without a window: eight Camels over flat ground, and neighbours that
// record what the controller tells them. frame() is one timerLooper without the pacing wait.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "aircraft/ObjectTestFile.h"
#include "core/ZephModel.h"
#include "flight/FlightModel.h"
#include "game/GameController.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/Random.h"
#include "tests/TestFolder.h"
#include "tests/flight/TestWorld.h"
#include "tests/game/frame_step.h"

namespace pellam::testing {

using Cmd = input::CommandNumber;

struct FakeView : StandInView {
    bool keep = false;
    int changes = 0;  // sceneChanged calls
    void setKeepScene(bool on) override { keep = on; }
    void sceneChanged() override { ++changes; }
    const QNion& camera() const { return camera_; }
};

struct FakeInput : StandInInput {
    std::deque<GameAction> ring;
    GameAction taken;
    bool joystick = false;
    int centred = 0;  // pointerCentred calls
    std::deque<int32_t> pedalBrakes;  // toe-brake reports to hand out, one a frame
    bool haveJoystick() override { return joystick; }
    int32_t getPedalBrakes() override {
        if (pedalBrakes.empty()) return -1;
        const int32_t r = pedalBrakes.front();
        pedalBrakes.pop_front();
        return r;
    }
    void pointerCentred() override { ++centred; }
    const GameAction* checkForNextActionInBuffer() override { return ring.empty() ? nullptr : &ring.front(); }
    const GameAction* getNextActionInBuffer() override {
        if (ring.empty()) return nullptr;
        taken = ring.front();
        ring.pop_front();
        return &taken;
    }
    void press(Cmd command, int32_t type = kKeyDown, int32_t raw = 0) {
        ring.push_back({0, raw, command, type});
    }
};

struct FakeDesktop : StandInDesktop {
    int centred = 0;
    void centrePointer() override { ++centred; }
};

struct FakeNetwork : StandInNetwork {
    int32_t mode = 0;
    bool host = false;
    bool opens = false;  // a network game can be started
    int32_t joiners = 0;
    int32_t numberOfJoiners() override { return joiners; }
    std::vector<int32_t> typed;  // codes handed to the message typing
    void handleTypingAMessage(int32_t code) override { typed.push_back(code); }
    int32_t getNetworkMode() override { return mode; }
    bool amIHost() override { return host; }
    int32_t startNetworkRoutines(uint16_t, int32_t role) override {
        if (!opens) return -1;
        host = role == kHostRole;
        mode = host ? 2 : 1;
        return 0;
    }
};

struct FakeEffects : ControllerEffects {
    // Hits per (shooter number, target model index); the hook may change the target too.
    std::map<std::pair<int32_t, long>, std::function<int32_t(FlyableAircraft&)>> hits;
    std::vector<long> explosionsStarted;  // model index of each explosion object started
    std::vector<double> modifiers;         // the damage modifier of each hit test, in order
    int rackCalls = 0, objectHitChecks = 0;
    bool haveBomb = false;
    std::array<double, 6> bomb{};
    ModelArray* models = nullptr;
    int32_t buCheckForBulletsOnAircraftHit(ZephModel&, ZephModel& target, int32_t shooter, bool,
                                           double modifier) override {
        modifiers.push_back(modifier);
        auto it = hits.find({shooter, models ? models->indexOf(&target) : -1});
        return it == hits.end() ? 0 : it->second(static_cast<FlyableAircraft&>(target));
    }
    void CheckForObjectHit(int32_t, ZephModel&, ModelArray&, int32_t, bool, ControllerServices*) override {
        ++objectHitChecks;
    }
    void GroundExplosion1Start(ZephModel& explosion, int32_t) override {
        explosionsStarted.push_back(models ? models->indexOf(&explosion) : -1);
    }
    void positionBombsOnAircraft(ZephModel&, ZephModel&, int32_t, long) override { ++rackCalls; }
    const double* findNewestBombFrom(ZephModel&, long, ZephModel&) override { return haveBomb ? bomb.data() : nullptr; }
    // No object collisions, bomb hits or debris: the world step's own work is what is watched.
    void checkForAircraftToModelCollision(ZephModel&, ModelArray&, int32_t) override {}
    void CheckForBombHitObject(long, ModelArray&, int32_t, bool, ControllerServices*, const double*) override {}
    void startOneDebrisFromAircraftHit(ZephModel&, ZephModel&, int32_t) override {}
    void startExplosionDebris(ZephModel&, const double*, int32_t) override {}
    void clearSingleDrawBombs(ZephModel&) override {}
};

// Counts what the world step sends to an ordinary object.
struct Counting : ZephModel {
    std::vector<std::pair<bool, int32_t>> ticks;  // (running, clock)
    int refuels = 0;
    void callEveryTick(bool running, int32_t clock, bool) override { ticks.push_back({running, clock}); }
    void canRefuelThisAircraft(ZephModel*) override { ++refuels; }
};

// A Camel that also records the trigger and the bomb rack.
struct Camel : ObjectTestFile {
    std::vector<int32_t> guns, cannon;
    int32_t bombs = 0;
    bool releaseFails = false;
    void gunsOnOff(int32_t on) override {
        guns.push_back(on);
        ObjectTestFile::gunsOnOff(on);
    }
    void cannonOnOff(int32_t on) override { cannon.push_back(on); }
    int32_t getNumberOfBombs() override { return bombs; }
    const double* dropBomb() override {
        if (releaseFails) return nullptr;
        --bombs;
        return live.attitude.Position.data();
    }
};

struct BombPool : ZephModel {
    int dropped = 0;
    void startADroppedBomb(const double*, const double* position, int32_t, int32_t) override {
        ASSERT_NE(position, nullptr);
        ++dropped;
    }
};

class WorldRig : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get(), &view, inputLink(), &desktop, &network, effectsLink()},
            VADArizodazar2::Content{{}, [this](ModelArray& models, GameController& gc) { populate(models, gc); }});
        c->awakeFromNib();
        // Start-up seeds both random streams from the system; each run of a test is the same fight.
        platform::seedRandom(7);
        c->seedSimulation(7);
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
        c->fromFlyMissionButton();
        c->sendCommand(Cmd::CameraOnAircraft1, kKeyDown);  // the player's aircraft, without the start-up slide
        effects.models = c->getModelArray();
    }
    virtual ControllerInput* inputLink() { return &input; }
    virtual ControllerEffects* effectsLink() { return &effects; }

    // Eight Camels 2,000 ft apart in a row along X at 3,000 ft, heading north; the first four on
    // team 1, the rest on team 2. Object 21 counts what it is sent.
    void populate(ModelArray& models, GameController& gc) {
        terrain = models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(0.0));
        for (int k = 0; k < 8; ++k) {
            auto camel = std::make_unique<Camel>();
            camel->setaController(&gc);
            camel->setTerrain(terrain);
            camel->afterLightTexture3dPointChangesFor(nullptr);
            camel->SetUpAircraft(2000.0 * k, 3000.0, 0.0, 0.0, 0.0, 95.0, 0.8);
            camel->copyCurrentQNionToStart();
            camel->setTeamNumber(k < 4 ? 1 : 2);
            camels[k] = static_cast<Camel*>(models.put(ModelArray::kFirstAircraft + k, std::move(camel)));
        }
        bombs = static_cast<BombPool*>(models.put(ModelArray::kBombs, std::make_unique<BombPool>()));
        models.put(ModelArray::kGroundClutter, std::make_unique<ZephModel>());
        counter = static_cast<Counting*>(models.put(ModelArray::kFirstMissionObject, std::make_unique<Counting>()));
    }

    void frame(int32_t ticks = 1) { stepOneFrame(*c, ticks); }
    // Runs frames until the queued commands are all taken.
    void drain(int32_t ticks = 1) {
        for (int i = 0; i < 20 && !input.ring.empty(); ++i) frame(ticks);
    }
    // A command as the program sends it itself.
    void send(Cmd command, int32_t type) {
        c->sendCommand(command, type);
    }

    TestFolder dir_{"pellam worldstep"};
    std::filesystem::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    FakeView view;
    FakeInput input;
    FakeDesktop desktop;
    FakeNetwork network;
    FakeEffects effects;
    std::unique_ptr<VADArizodazar2> c;
    ZephModel* terrain = nullptr;
    std::array<Camel*, 8> camels{};
    BombPool* bombs = nullptr;
    Counting* counter = nullptr;
};

}  // namespace pellam::testing
