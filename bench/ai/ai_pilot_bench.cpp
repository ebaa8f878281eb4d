// Cost of the computer pilot: eight AI Camels, four against four over rolling hills, fighting as
// the main loop runs them. BM_AiPilotCall times the pilot's own call per aircraft (look-around,
// dogfight, guards and laws) with the world stepped outside the timing; BM_EightAiCamelsTick times
// the whole tick (flight step with the pilot, guns against every aircraft) for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "flight/AiPilot.h"
#include "tests/flight/ai_world.h"

namespace pellam {
namespace {

constexpr int kAircraft = 8;
constexpr int kRestartTicks = 3 * 3600;  // three minutes of fighting, then everyone starts again

struct Furball {
    Furball() : world(std::make_unique<testing::HeightField>([](double x, double z) {
                  return 300.0 + 250.0 * std::sin(x / 2000.0) * std::cos(z / 1700.0);
              })) {
        ZephModel::simulationRandom().seed(1918);
        restart();
    }
    void restart() {
        for (int k = 0; k < kAircraft; ++k) {
            const int team = k % 2;
            ObjectTestFile* c = world.camel(k, team, 1, k * 300.0, 3000.0 + k * 50.0, team ? 4000.0 : 0.0,
                                            team ? 180.0 : 0.0);
            c->ThisAircraft.aiPilotNumber = k % 3;
        }
    }
    void tick() {
        if (world.controller.missionTime % kRestartTicks == kRestartTicks - 1) restart();
        world.tick();
    }
    testing::AiWorld world;
};

void BM_AiPilotCall(benchmark::State& state) {
    Furball f;
    for (int i = 0; i < 600; ++i) f.tick();  // into the fight
    ModelArray* models = &f.world.controller.models;
    for (auto _ : state) {
        state.PauseTiming();
        f.tick();
        state.ResumeTiming();
        for (FlyableAircraft* c : f.world.planes) {
            flyAircraftAI(c, models, f.world.controller.missionTime);
        }
    }
    state.SetItemsProcessed(state.iterations() * kAircraft);
}
BENCHMARK(BM_AiPilotCall)->Unit(benchmark::kMicrosecond);

void BM_EightAiCamelsTick(benchmark::State& state) {
    Furball f;
    for (auto _ : state) f.tick();
    state.SetItemsProcessed(state.iterations() * kAircraft);
}
BENCHMARK(BM_EightAiCamelsTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pellam
