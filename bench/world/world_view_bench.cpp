// The world alone (sky, terrain with its roads and cloud decks, one sprite cloud) drawn at
// 640 x 400 from 3,000 ft over Albert along the front with the fog at its farthest, each frame
// turned one degree from the last. Run from the build folder under
// `xvfb-run -a -s "-screen 0 1280x1024x24"`. Pictures of the front for a person to look at come
// from the worldviews tool.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

void BM_WorldAlongTheFront(benchmark::State& state) {
    const std::string folder = std::filesystem::current_path().string();
    test::WorldFrame world;
    std::string error;
    if (!world.open(folder, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    world.sky.setTimeOfDay(11.0);
    world.terrain.setFogDistance(0.0);
    world.cloud.makeACulmulus(7);
    int k = 0;
    for (auto _ : state) {
        const test::Camera turned{test::kAlongTheFront.Heading + k++ % 360, test::kAlongTheFront.Pitch};
        benchmark::DoNotOptimize(world.draw(test::kOverAlbert, turned, true));
    }
    state.counters["triangles"] = double(world.drawer.trianglesDrawn());
}
BENCHMARK(BM_WorldAlongTheFront)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellam
