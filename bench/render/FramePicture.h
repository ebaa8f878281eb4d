#pragma once
// What the frame benchmarks share: the view over the front, timing the view's frames, and writing
// the next frame the view draws to a PNG file, rows top to bottom.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/render/FrameRead.h"
#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {

// The game view at 1024 x 768 over the generated front at eleven in the morning, fog at its
// farthest: the sky and the terrain in the model array, the eye above Albert at `height` ft looking
// down the front towards St. Quentin. `view` is null when no GL view could be made.
// The benchmarks' 1024 x 768 view over the build's data, or null without a GL. With
// PELLAM_EXACT_DRAWING set it draws by the plain rules, without the shortcuts that may change a pixel.
inline std::unique_ptr<render::MyZephGLView> openBenchView(platform::UserDefaults& defaults) {
    platform::setApplicationFolder(std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
    auto view = std::make_unique<render::MyZephGLView>(defaults);
    if (!view->initWithFrame({0, 0, 1024, 768})) return nullptr;
    view->setExactDrawing(std::getenv("PELLAM_EXACT_DRAWING") != nullptr);
    return view;
}

struct FrontScene {
    static constexpr double kHeading = 106.0 * M_PI / 180, kPitch = -9.0 * M_PI / 180;
    platform::UserDefaults defaults;
    std::unique_ptr<render::MyZephGLView> view;
    ModelArray models;
    RIDUdidav* terrain = nullptr;
    std::array<double, 3> eye;

    FrontScene(const char* storeName, double height)
        : defaults((std::filesystem::temp_directory_path() / storeName).string()), eye{2020000.0, height, 2047000.0} {
        view = openBenchView(defaults);
        if (!view) return;
        auto* sky = static_cast<TexturedSkyDome*>(models.put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
        sky->initWithGLView(view.get());
        sky->setTimeOfDay(11.0);
        terrain = static_cast<RIDUdidav*>(models.put(ModelArray::kTerrain, std::make_unique<RIDUdidav>()));
        if (!terrain->initWithGLView(view.get())) std::fprintf(stderr, "terrain: %s\n", terrain->lastError().c_str());
        terrain->setFogDistance(0.0);  // the farthest
        view->setSunVectorFromTime(11.0);
        // Heading about Y, then pitch about the turned X axis: the view matrix undoes the heading first.
        QNion turn, tilt, camera;
        turn.QAttitude = {std::cos(kHeading / 2), 0, std::sin(kHeading / 2), 0};
        tilt.QAttitude = {std::cos(-kPitch / 2), std::sin(-kPitch / 2), 0, 0};
        ZephModel::multQnions(&turn, &tilt, &camera);
        camera.Position = {eye[0], eye[1], eye[2]};
        view->setGlobalCameraPosition(&camera);
    }

    // The ground point `along` ft ahead of the eye and `across` ft to its side.
    void ahead(double along, double across, double& x, double& z) const {
        x = eye[0] + std::sin(kHeading) * along + std::cos(kHeading) * across;
        z = eye[2] + std::cos(kHeading) * along - std::sin(kHeading) * across;
    }
};

inline void writeNextFrame(render::MyZephGLView& view, const std::string& png) {
    platform::writePng(png, readNextFrame(view));
}

// Under callgrind (run with --instr-atstart=no) only the timed frames are instrumented, so that
// the count is theirs alone and the scene's set-up runs at the plain emulator's speed.
struct CountedFrames {
    CountedFrames() { CALLGRIND_START_INSTRUMENTATION; }
    ~CountedFrames() { CALLGRIND_STOP_INSTRUMENTATION; }
};

// Times `frame` once per iteration after a first frame that makes the textures resident and
// warms the caches. The "frames" counter tells the frames counted.
template <typename Frame>
void timeEach(benchmark::State& state, Frame frame) {
    frame();
    {
        CountedFrames counted;
        for (auto _ : state) frame();
    }
    // The time column is milliseconds per frame; this is its inverse.
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// Times one frame per iteration after a first frame that makes the textures resident and warms
// the caches; then writes a last frame to the file named by `pngVariable` when it is set.
inline void timeFrames(benchmark::State& state, render::MyZephGLView& view, const char* pngVariable) {
    timeEach(state, [&] { view.drawRect({1, 0, 0, 1}); });
    if (const char* png = std::getenv(pngVariable)) writeNextFrame(view, png);
}

}  // namespace pellam
