// The world alone (sky, terrain with its roads and cloud decks, one sprite cloud) drawn at
// 640 x 400 from 3,000 ft over Albert along the front with the fog at its farthest, each frame
// turned one degree from the last. Run from the build folder under
// `xvfb-run -a -s "-screen 0 1280x1024x24"`. With PELLAM_WORLD_VIEWS set, first writes views of
// Ypres, the bridge valley, Douai and St. Quentin as PNGs into the build folder for a person to
// look at.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

void saveInspectionViews(test::WorldFrame& world, const std::string& folder) {
    world.sky.setTimeOfDay(10.0);
    world.terrain.setFogDistance(0.0);
    const struct {
        const char* name;
        worlddraw::Eye eye;
        test::Camera camera;
    } views[] = {{"view_ypres.png", {2075600.0, 5000.0, 2278960.0}, {90.0, -25.0}},
                 {"view_bridge.png", {2342000.0, 1300.0, 1846240.0}, {270.0, -4.0}},
                 {"view_douai.png", {2128694.0, 2500.0, 2130000.0}, {0.0, -50.0}},
                 {"view_stquentin.png", {2171797.0, 1500.0, 1990000.0}, {20.0, -20.0}}};
    for (const auto& v : views) test::WorldFrame::save(world.draw(v.eye, v.camera, false), folder + "/" + v.name);
}

void BM_WorldAlongTheFront(benchmark::State& state) {
    const std::string folder = std::filesystem::current_path().string();
    test::WorldFrame world;
    std::string error;
    if (!world.open(folder, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    if (std::getenv("PELLAM_WORLD_VIEWS")) saveInspectionViews(world, folder);
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
