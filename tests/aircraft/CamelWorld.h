#pragma once
// A Camel in a small world for tests: terrain at model index 1, the aircraft at 2, a clock that
// the test advances, and the sounds the aircraft asked for (the drawing side's job of playing
// and clearing PlayThisSound is done here each tick).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {

template <typename Camel>
struct BasicCamelWorld {
    explicit BasicCamelWorld(std::unique_ptr<ZephModel> ground = std::make_unique<FlatTerrain>(0.0)) {
        terrain = controller.models.put(ModelArray::kTerrain, std::move(ground));
        camel = static_cast<Camel*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<Camel>()));
        camel->setaController(&controller);
        camel->setTerrain(terrain);
        camel->afterLightTexture3dPointChangesFor(nullptr);
    }

    Aircraft& a() { return camel->ThisAircraft; }
    const std::array<double, 3>& pos() const { return camel->live.attitude.Position; }
    double mph() const { return camel->ThisAircraft.CurrentVelocity * 40.9; }
    double height() const { return pos()[1] - terrain->getAltitudeAtX(pos()[0], pos()[2]); }

    // One tick of the main loop for this aircraft.
    void tick() {
        ++controller.missionTime;
        camel->driveModel(1, controller.missionTime, true, false);
        if (a().PlayThisSound >= 0) {
            sounds.push_back(a().PlayThisSound);
            a().PlayThisSound = -1;
        }
    }
    // A steady hand: the ailerons hold a bank angle (deg), the elevator aims the nose at a pitch
    // that gives the wanted climb (ft/min).
    void hold(double bank, double climb) {
        camel->AileronInputAbsolute(std::clamp((bank - a().AircraftBank) * 0.05, -1.0, 1.0));
        const double rate = camel->live.velocity[1] * 3600.0;
        const double pitch = std::clamp((climb - rate) * 0.01, -10.0, 15.0);
        camel->ElevatorInputAbsolute(std::clamp((pitch - a().AircraftPitch) * 0.04, -1.0, 1.0));
    }
    // Runs n ticks, calling `each` after every one; stops early when `each` answers false.
    template <typename F>
    void run(int n, F each) {
        for (int i = 0; i < n; ++i) {
            tick();
            if (!each()) return;
        }
    }
    void run(int n) { run(n, [] { return true; }); }
    // Whether the pose, the motion and the whole record stay clear of infinities and NaN.
    bool finite() const {
        const auto& m = *camel;
        return allFinite(&m.live.attitude, sizeof m.live.attitude) && allFinite(&m.live.velocity, sizeof m.live.velocity) &&
               allFinite(&m.live.rotation[0], 3 * sizeof m.live.rotation[0]) && allFinite(&m.ThisAircraft, sizeof m.ThisAircraft) &&
               allFinite(m.own.surfaces.data(), sizeof m.own.surfaces);
    }
    // Whether every 8-byte slot of `bytes` is finite. A slot whose upper half reads as a small
    // negative integer is a pair of whole-number fields (a -1 marker, say) and is passed over: the
    // NaN and infinity that arithmetic makes never look so.
    static bool allFinite(const void* bytes, size_t size) {
        const auto* p = static_cast<const unsigned char*>(bytes);
        for (size_t at = 0; at + 8 <= size; at += 8) {
            double d;
            int32_t upper;
            std::memcpy(&d, p + at, 8);
            std::memcpy(&upper, p + at + 4, 4);
            if (!std::isfinite(d) && !(upper < 0 && upper >= -65536)) return false;
        }
        return true;
    }
    bool heard(int sound) const { return std::find(sounds.begin(), sounds.end(), sound) != sounds.end(); }

    TestController controller;
    ZephModel* terrain = nullptr;
    Camel* camel = nullptr;
    std::vector<int> sounds;
};

using CamelWorld = BasicCamelWorld<ObjectTestFile>;

// An aircraft with the flight step's rules in reach.
template <typename T>
struct Reach : T {
    using FlyableAircraft::blackRedOut;
    using FlyableAircraft::buffetAndOverspeed;
    using FlyableAircraft::downStateAndHitLimit;
    using FlyableAircraft::gearAndFlapOverspeed;
    using FlyableAircraft::gLoadLimits;
};

constexpr double kField = 100.0;  // ft; ground at exactly 0 would count as water

// Aircraft T with its rules in reach, level at 2,000 ft over a flat field, with a bombs pool and
// the simulation's stream seeded.
template <typename T>
struct AircraftTest : ::testing::Test {
    AircraftTest() {
        ZephModel::simulationRandom().seed(1917);
        bombs = static_cast<BombsPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        fly();
    }
    void TestBody() override {}
    Aircraft& a() { return w.a(); }
    bool dr1() { return w.a().AircraftType == 77; }
    void fly() { w.camel->SetUpAircraft(0.0, kField + 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    BasicCamelWorld<Reach<T>> w{std::make_unique<FlatTerrain>(kField)};
    BombsPool* bombs = nullptr;
};

// The flyable aircraft for typed test suites: all three, and the two Fokkers.
using AllThreeAircraft = ::testing::Types<ObjectTestFile, FokkerDr1, FokkerDVII>;
using TheFokkers = ::testing::Types<FokkerDr1, FokkerDVII>;

}  // namespace pellam::testing
