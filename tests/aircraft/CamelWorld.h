#pragma once
// A Camel in a small world for tests: terrain at model index 1, the aircraft at 2, a clock that
// the test advances, and the sounds the aircraft asked for (the drawing side's job of playing
// and clearing PlayThisSound is done here each tick).
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "tests/flight/TestWorld.h"

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
    const std::array<double, 3>& pos() const { return camel->ModelAttitude.Position; }
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
    // Runs n ticks, calling `each` after every one; stops early when `each` answers false.
    template <typename F>
    int run(int n, F each) {
        for (int i = 0; i < n; ++i) {
            tick();
            if (!each()) return i + 1;
        }
        return n;
    }
    void run(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    bool finite() const {
        const auto& m = *camel;
        for (double v : m.ModelAttitude.Position) if (!std::isfinite(v)) return false;
        for (double v : m.ModelAttitude.QAttitude) if (!std::isfinite(v)) return false;
        for (double v : m.XYZVelocity) if (!std::isfinite(v)) return false;
        for (int i = 0; i < 3; ++i) if (!std::isfinite(m.PBHAcc[i])) return false;
        const Aircraft& r = m.ThisAircraft;
        return std::isfinite(r.CurrentVelocity) && std::isfinite(r.AOADegrees) && std::isfinite(r.Gs) &&
               std::isfinite(r.CurrentRPM) && std::isfinite(r.EngineThrust) && std::isfinite(r.AircraftBank);
    }
    bool heard(int sound) const {
        for (int s : sounds) if (s == sound) return true;
        return false;
    }

    TestController controller;
    ZephModel* terrain = nullptr;
    Camel* camel = nullptr;
    std::vector<int> sounds;
};

using CamelWorld = BasicCamelWorld<ObjectTestFile>;

// The flyable aircraft for typed test suites: all three, and the two Fokkers.
using AllThreeAircraft = ::testing::Types<ObjectTestFile, FokkerDr1, FokkerDVII>;
using TheFokkers = ::testing::Types<FokkerDr1, FokkerDVII>;

}  // namespace pellam::testing
