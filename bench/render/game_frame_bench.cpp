// The frame a player sees, built by the game itself: the controller starts Quick Dogfight on the
// first mission with the real view, terrain, aircraft, objects and overlay, runs the opening
// fight for a fixed number of seeded ticks, and the benchmark then draws that moment again and
// again through the controller's own drawing call. Reports milliseconds per frame at 1024 x 768.
// Run under `xvfb-run -a -s "-screen 0 1024x768x24"`; PELLAM_GAME_FRAME_PNG names a file prefix:
// each scene writes "<prefix><scene>.png" and, drawn by the plain rules without the shortcuts that
// may change a pixel a little, "<prefix><scene>_exact.png". PELLAM_EXACT_DRAWING=1 times the plain
// rules.
//
// The scenes: the Camel's cockpit in the fight (BM_GameFrame/cockpit_camel), the D.VII's cockpit
// (cockpit_dvii), the chase camera behind the Camel (chase), the Camel's cockpit low over the
// front at 500 ft (low_front), and a camera beside a wreck's smoke column (wreck_smoke).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "aircraft/FlyableAircraft.h"
#include "bench/render/FramePicture.h"
#include "game/CameraPlacement.h"
#include "game/GameNetwork.h"
#include "game/VADArizodazar2.h"
#include "game/app/GameAdapters.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

enum class Shot { CockpitCamel, CockpitDVII, Chase, LowFront, WreckSmoke };
constexpr int32_t kCamel = 55, kDVII = 64;
constexpr int32_t kOpeningTicks = 1800;  // 30 s into the fight: the Fokkers met, guns firing  // 15 s into the fight: the Fokkers met, guns firing
constexpr int32_t kWreckTicks = 300;    // after the crash: a full column of smoke

struct GameScene {
    platform::UserDefaults defaults;
    std::unique_ptr<render::MyZephGLView> view;
    std::unique_ptr<ViewAdapter> viewLink;
    GameNetwork network;
    std::unique_ptr<VADArizodazar2> game;
    std::unique_ptr<FrameLink> frameLink;

    GameScene() : defaults((std::filesystem::temp_directory_path() / "pellam_game_frame_bench.json").string()) {
        view = openBenchView(defaults);
        if (!view) return;
        viewLink = std::make_unique<ViewAdapter>(*view);
        VADArizodazar2::Content content;
        content.makeTerrain = [this]() -> std::unique_ptr<ZephModel> {
            auto terrain = std::make_unique<RIDUdidav>();
            if (terrain->initWithGLView(view.get())) return terrain;
            std::fprintf(stderr, "terrain: %s\n", terrain->lastError().c_str());
            return nullptr;
        };
        content.objectView = view.get();
        game = std::make_unique<VADArizodazar2>(GameController::Links{&defaults, viewLink.get(), nullptr, nullptr, &network},
                                                std::move(content));
        network.attach(game.get());
        frameLink = std::make_unique<FrameLink>(*game);
        view->setFrameServices(frameLink.get());
        game->awakeFromNib();
        game->fromPlayerSignInOkay();
        game->skipMissionSelection();
    }
    ~GameScene() {
        if (view) view->setFrameServices(nullptr);
    }

    // Quick Dogfight on the first mission with the player in `type`, seeded, run `ticks` ticks.
    void startFight(int32_t type, int32_t ticks) {
        game->fromMissionMenu(game->missionWindowControls().toMissionMenuPopUp.positionOfTag(0));
        game->fromFlyQuickDogfightButton();
        game->dogfightWindowControls().DOAircraftType[0].selectCode(type);
        game->seedSimulation(44);
        game->fromDoQuickDogfight();
        run(ticks);
    }
    void run(int32_t ticks) {
        for (int32_t t = 0; t < ticks; t += 3) {
            // The computer pilot flies the player's aircraft into the fight.
            Aircraft& own = game->aircraftAt(ModelArray::kFirstAircraft)->ThisAircraft;
            if (own.AIType <= 0) own.AIType = 1;
            game->stepWorld(3);
        }
    }
    void place() {
        game->SetUpViewingPosition();
        game->SetUpSecondWindow();
    }

    void set(Shot shot) {
        platform::presentationRandom().seed(20);  // the same flicker and drift whatever ran before
        // The cockpit of the player's aircraft.
        game->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
        switch (shot) {
        case Shot::CockpitCamel: startFight(kCamel, kOpeningTicks); break;
        case Shot::CockpitDVII: startFight(kDVII, kOpeningTicks); break;
        case Shot::Chase:
            startFight(kCamel, kOpeningTicks);
            // The chase command puts the camera behind the tail; one tick of the upkeep that eases it
            // there, the world standing still: the camera has arrived.
            game->sendCommand(input::CommandNumber::ChaseCamera, kKeyDown);
            game->doEachTick(1);
            break;
        case Shot::LowFront: {
            startFight(kCamel, kOpeningTicks);
            // Level at 500 ft over the trench lines south-east of Albert, heading 75 deg.
            FlyableAircraft* camel = game->aircraftAt(ModelArray::kFirstAircraft);
            auto* terrain = dynamic_cast<RIDUdidav*>(game->modelAt(ModelArray::kTerrain));
            QNion pose;
            camel->getModelPositionQNion(&pose);
            const double x = 2041700, z = 2039500, heading = 75.0 * M_PI / 180;
            pose.Position = {x, terrain->getAltitudeAtX(x, z) + 500.0, z};
            pose.QAttitude = {std::cos(heading / 2), 0, std::sin(heading / 2), 0};
            camel->setModelPositionQNion(&pose);
            break;
        }
        case Shot::WreckSmoke: {
            startFight(kCamel, kOpeningTicks);
            // A Fokker blows up where it flies and burns on the ground.
            FlyableAircraft* wreck = game->aircraftAt(ModelArray::kFirstAircraft + 4);
            wreck->doSplodes();
            run(kWreckTicks);
            place();
            // The camera stands 60 ft from the wreck, 20 ft up, looking at the column 40 ft up.
            constexpr double kHeading = 30.0 * M_PI / 180, kPitch = 0.3;
            const auto& at = wreck->live.attitude.Position;
            QNion turn, tilt, camera;
            turn.QAttitude = {std::cos(kHeading / 2), 0, std::sin(kHeading / 2), 0};
            tilt.QAttitude = {std::cos(-kPitch / 2), std::sin(-kPitch / 2), 0, 0};
            ZephModel::multQnions(&turn, &tilt, &camera);
            camera.Position = {at[0] - 60.0 * std::sin(kHeading), at[1] + 20.0, at[2] - 60.0 * std::cos(kHeading)};
            view->setGlobalCameraPosition(&camera);
            return;
        }
        }
        place();
    }
};

GameScene& theGame() {
    static GameScene scene;
    return scene;
}

void BM_GameFrame(benchmark::State& state, Shot shot, const char* name) {
    GameScene& scene = theGame();
    if (!scene.view || !scene.game->modelAt(ModelArray::kFirstAircraft)) {
        state.SkipWithError("no GL window or no game");
        return;
    }
    scene.set(shot);
    timeEach(state, [&] { scene.game->PrepareAndCallDrawing(); });
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
    const std::pair<Shot, const char*> shots[] = {{Shot::CockpitCamel, "cockpit_camel"},
                                                  {Shot::CockpitDVII, "cockpit_dvii"},
                                                  {Shot::Chase, "chase"},
                                                  {Shot::LowFront, "low_front"},
                                                  {Shot::WreckSmoke, "wreck_smoke"}};
    for (const auto& [shot, name] : shots) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_GameFrame/") + name).c_str(),
                                               [shot = shot, name = name](benchmark::State& s) { BM_GameFrame(s, shot, name); });
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (const char* n = std::getenv("PELLAM_BENCH_FRAMES")) b->Iterations(std::max(1, std::atoi(n)));
    }
    return true;
}();

}  // namespace
}  // namespace pellam
