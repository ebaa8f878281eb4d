// The per-tick flight step of eight Camels, as the main loop runs it each tick: six flying with
// the stick moving, two rolling on the ground. Reports aircraft ticks per second.
#include <benchmark/benchmark.h>

#include <memory>

#include "aircraft/ObjectTestFile.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

constexpr int kAircraft = 8;
constexpr int kRestartTicks = 3600;  // a minute of flight, then everyone starts again

struct EightCamels {
    EightCamels() {
        ZephModel::simulationRandom().seed(1918);
        // Gently rolling ground, so every altitude query does some work.
        controller.models.put(ModelArray::kTerrain, std::make_unique<testing::HeightField>([](double x, double z) {
            return 100.0 + 20.0 * std::sin(x / 900.0) * std::cos(z / 700.0);
        }));
        for (int k = 0; k < kAircraft; ++k) {
            auto* c = static_cast<ObjectTestFile*>(
                controller.models.put(ModelArray::kFirstAircraft + k, std::make_unique<ObjectTestFile>()));
            c->setaController(&controller);
            c->setTerrain(controller.models.at(ModelArray::kTerrain));
            c->afterLightTexture3dPointChangesFor(nullptr);
            camels[k] = c;
        }
        restart();
    }
    void restart() {
        for (int k = 0; k < kAircraft; ++k) {
            if (k < 6) camels[k]->SetUpAircraft(k * 400.0, 1500.0 + k * 200.0, 0.0, k * 45.0, 0.0, 100.0, 1.0);
            else camels[k]->SetUpAircraft(k * 400.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
        }
    }
    void tick() {
        const int32_t t = ++controller.missionTime;
        if (t % kRestartTicks == 0) restart();
        for (int k = 0; k < kAircraft; ++k) {
            ObjectTestFile* c = camels[k];
            if (k < 6) {
                c->AileronInputAbsolute(0.3 * std::sin(t / 90.0 + k));
                c->ElevatorInputAbsolute(0.15 * std::sin(t / 70.0 + k));
            }
            c->driveModel(1, t, true, false);
            c->ThisAircraft.PlayThisSound = -1;
        }
    }
    testing::TestController controller;
    ObjectTestFile* camels[kAircraft] = {};
};

void BM_EightAircraftTick(benchmark::State& state) {
    EightCamels world;
    for (auto _ : state) {
        world.tick();
        benchmark::DoNotOptimize(world.camels[0]->live.attitude.Position[1]);
    }
    state.counters["aircraft_ticks"] = benchmark::Counter(kAircraft, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EightAircraftTick);

}  // namespace
}  // namespace pellam
