// One frame of the game view with the world's effects over the front: 200 trees, eight ground
// explosions at different ages and 30 pieces of debris in the air, at 1024 x 768 under Mesa's
// software renderer. Reports milliseconds per frame. Run under
// `xvfb-run -a -s "-screen 0 1024x768x24"`; PELLAM_EFFECTS_PNG names a file for the last frame.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/render/FramePicture.h"
#include "objects/Debris.h"
#include "objects/EffectObjects.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "objects/draw/EffectDrawing.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

constexpr int32_t kNow = 600;  // the frame's mission tick

// Above Albert at 1,500 ft, looking down the front, as a pilot over a bombed road would.
struct EffectsScene : FrontScene {
    EffectsScene() : FrontScene("pellam_effects_bench.json", 1500.0) {
        if (!view) return;
        effects::useEffectDrawing();
        placeEffectObjects(models, view.get(), nullptr);



        // Eight explosions 2,000 to 5,500 ft ahead, started 50 ticks apart: bursts and columns.
        for (int32_t t = 1; t <= kNow; ++t)
            for (int k = 0; k < 8; ++k) {
                auto* boom = static_cast<GroundExplosion*>(models.at(ModelArray::kFirstExplosion + k));
                if (t == 1 + 50 * k) {
                    double x, z;
                    ahead(2000.0 + 500.0 * k, -700.0 + 200.0 * k, x, z);
                    boom->setModelPositionX(x, terrain->getAltitudeAtX(x, z), z);
                    boom->GroundExplosion1Start(t);
                }
                boom->callEveryTick(true, t, false);
            }
        // Thirty pieces in the air over the nearest burst.
        double x, z;
        ahead(2000.0, -700.0, x, z);
        const double burst[3] = {x, terrain->getAltitudeAtX(x, z) + 40.0, z};
        auto* debris = static_cast<Debris*>(models.at(ModelArray::kDebris));
        debris->startExplosionDebris(burst, kNow - 20);
        debris->startExplosionDebris(burst, kNow - 10);
        for (int t = 0; t < 10; ++t) debris->callEveryTick(true, kNow - 10 + t, false);
        // Two hundred trees in clumps 600 to 9,000 ft ahead.
        auto* trees = static_cast<GroundClutter*>(models.at(ModelArray::kGroundClutter));
        for (int k = 0; k < GroundClutter::kTrees; ++k) {
            ahead(600.0 + 8400.0 * (k / 20) / 10.0 + 37.0 * (k % 3), -2500.0 + 5000.0 * (k % 20) / 19.0, x, z);
            auto& tree = trees->GCTrees[k];
            tree.XYZPosition = {x, terrain->getAltitudeAtX(x, z), z};
            tree.Size = 0.9 + 0.5 * (k % 7) / 6.0;
            tree.TreeType = k % 12;
        }
        trees->lastnewGC = kNow;  // none planted or dropped while measuring
        view->setGameTime(kNow);
        view->setModelArray(&models);
    }
};

void BM_EffectsFrame(benchmark::State& state) {
    static EffectsScene scene;
    if (!scene.view) {
        state.SkipWithError("no GL window");
        return;
    }
    timeFrames(state, *scene.view, "PELLAM_EFFECTS_PNG");
}
BENCHMARK(BM_EffectsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pellam
