// The frame a player sees, built by the game itself: the controller starts Quick Dogfight on the
// first mission with the real view, terrain, aircraft, objects and overlay, runs the opening
// fight for a fixed number of seeded ticks, and the benchmark then draws that moment again and
// again through the controller's own drawing call. Reports milliseconds per frame at 1024 x 768.
// Run under `xvfb-run -a -s "-screen 0 1024x768x24"`; PELLAM_GAME_FRAME_PNG names a file prefix:
// each scene writes "<prefix><scene>.png" and, drawn by the plain rules without the shortcuts that
// may change a pixel a little, "<prefix><scene>_exact.png". PELLAM_EXACT_DRAWING=1 times the plain
// rules. PELLAM_BENCH_WITHOUT names shortcuts to count each scene without, one at a time
// (bench/render/shortcut_savings.sh).
//
// The scenes: the Camel's cockpit in the fight (BM_GameFrame/cockpit_camel), the D.VII's cockpit
// (cockpit_dvii), the chase camera behind the Camel (chase), the Camel's cockpit low over the
// front at 500 ft (low_front), and a camera beside a wreck's smoke column (wreck_smoke).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "bench/render/FramePicture.h"
#include "bench/render/GameScene.h"
#include "bench/render/Shortcuts.h"
#include "platform/Random.h"

namespace pellam {
namespace {

GameScene& theGame() {
    static GameScene scene((std::filesystem::temp_directory_path() / "pellam_game_frame_bench.json").string(),
                           openBenchView);
    return scene;
}

// Under callgrind, the scene's counted frames go to a dump of their own named by the scene, and
// then, for each shortcut named in `without` (a comma-separated list, or "all"), as many frames
// drawn without it to a dump named "<scene>/without_<shortcut>".
void countWithout(GameScene& scene, benchmark::State& state, const char* name, std::string_view without) {
    CALLGRIND_DUMP_STATS_AT(name);
    const auto frame = [&] { scene.game->PrepareAndCallDrawing(); };
    std::string listed(",");
    listed.append(without).append(",");
    for (const Shortcut& s : kShortcuts) {
        std::string item(",");
        item.append(s.Name).append(",");
        if (without != "all" && listed.find(item) == std::string::npos) continue;
        s.Set(*scene.view, false);
        frame();  // what the change asks of the rasteriser's shading and the cockpit's search, uncounted
        scene.view->waitForCockpitSearches();
        {
            CountedFrames counted;
            for (int64_t i = 0; i < state.iterations(); ++i) frame();
        }
        std::string dump(name);
        dump.append("/without_").append(s.Name);
        CALLGRIND_DUMP_STATS_AT(dump.c_str());
        s.Set(*scene.view, true);
    }
}

void BM_GameFrame(benchmark::State& state, Shot shot, const char* name) {
    GameScene& scene = theGame();
    if (!scene.view || !scene.game->modelAt(ModelArray::kFirstAircraft)) {
        state.SkipWithError("no GL window or no game");
        return;
    }
    if (!scene.set(shot)) {
        state.SkipWithError("the fight did not start: no mission data beside the benchmark?");
        return;
    }
    // A frame before, as in flight: what it asks of the cockpit's hidden triangles lands before the
    // timed frames (as it does a few frames after the eye comes to rest).
    scene.firstFrame();
    scene.view->waitForCockpitSearches();
    timeEach(state, [&] { scene.game->PrepareAndCallDrawing(); });
    if (const char* without = std::getenv("PELLAM_BENCH_WITHOUT")) countWithout(scene, state, name, without);
    if (const char* prefix = std::getenv("PELLAM_GAME_FRAME_PNG")) {
        const bool exact = scene.view->exactDrawing();
        for (const bool reference : {false, true}) {
            scene.view->setExactDrawing(reference);
            platform::presentationRandom().seed(21);
            writeNextFrame(*scene.view, std::string(prefix) + name + (reference ? "_exact.png" : ".png"));
        }
        scene.view->setExactDrawing(exact);
    }
}
// PELLAM_BENCH_FRAMES fixes the frames timed (for counting instructions under callgrind).
const bool kRegistered = [] {
    for (const auto& [shot, name] : kShots) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_GameFrame/") + name).c_str(),
                                               [shot = shot, name = name](benchmark::State& s) { BM_GameFrame(s, shot, name); });
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (const char* n = std::getenv("PELLAM_BENCH_FRAMES")) b->Iterations(std::max(1, std::atoi(n)));
    }
    return true;
}();

}  // namespace
}  // namespace pellam
