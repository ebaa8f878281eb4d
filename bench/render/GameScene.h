#pragma once
// The frame a player sees, built by the game itself: the controller starts Quick Dogfight on the
// first mission with the real view, terrain, aircraft, objects and overlay and runs the opening
// fight for a fixed number of seeded ticks; the caller then draws that moment through the
// controller's own drawing call. Shared by the frame benchmark and the frame's picture test.
//
// The scenes: the Camel's cockpit in the fight, the D.VII's cockpit, the chase camera behind the
// Camel, the Camel's cockpit low over the front at 500 ft, and a camera beside a wreck's smoke column.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "aircraft/FlyableAircraft.h"
#include "game/CameraPlacement.h"
#include "game/GameNetwork.h"
#include "game/VADArizodazar2.h"
#include "game/app/GameAdapters.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"

namespace pellam {

enum class Shot { CockpitCamel, CockpitDVII, Chase, LowFront, WreckSmoke };
// Every scene with the name it is reported and pictured by.
inline constexpr std::pair<Shot, const char*> kShots[] = {{Shot::CockpitCamel, "cockpit_camel"},
                                                         {Shot::CockpitDVII, "cockpit_dvii"},
                                                         {Shot::Chase, "chase"},
                                                         {Shot::LowFront, "low_front"},
                                                         {Shot::WreckSmoke, "wreck_smoke"}};
constexpr int32_t kCamel = 55, kDVII = 64;
constexpr int32_t kOpeningTicks = 1800;  // 30 s into the fight: the Fokkers met, guns firing
constexpr int32_t kWreckTicks = 300;    // after the crash: a full column of smoke

struct GameScene {
    platform::UserDefaults defaults;
    std::unique_ptr<render::MyZephGLView> view;
    std::unique_ptr<ViewAdapter> viewLink;
    GameNetwork network;
    std::unique_ptr<VADArizodazar2> game;
    std::unique_ptr<FrameLink> frameLink;

    // `openView` makes the 1024 x 768 view over the build's data (null without a GL).
    GameScene(const std::string& storeFile,
              const std::function<std::unique_ptr<render::MyZephGLView>(platform::UserDefaults&)>& openView)
        : defaults(storeFile) {
        view = openView(defaults);
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
    // False when the fight did not start (the mission's data missing): there is no scene to set.
    bool startFight(int32_t type, int32_t ticks) {
        game->fromMissionMenu(game->missionWindowControls().toMissionMenuPopUp.positionOfTag(0));
        game->fromFlyQuickDogfightButton();
        game->dogfightWindowControls().DOAircraftType[0].selectCode(type);
        game->seedSimulation(44);
        game->fromDoQuickDogfight();
        if (!game->isRunning() || !game->modelAt(ModelArray::kTerrain) || !game->aircraftAt(ModelArray::kFirstAircraft))
            return false;
        run(ticks);
        return true;
    }
    void run(int32_t ticks) {
        for (int32_t t = 0; t < ticks; t += 3) {
            // The computer pilot flies the player's aircraft into the fight.
            Aircraft& own = game->aircraftAt(ModelArray::kFirstAircraft)->ThisAircraft;
            if (own.AIType <= 0) own.AIType = 1;
            game->stepWorld(3);
        }
    }
    // A world step of no ticks: the frame's camera rules see the camera now chosen, so an outside
    // camera draws the player's aircraft as an object rather than as a cockpit.
    void outsideCameraRules() { game->stepWorld(0); }
    void place() {
        game->SetUpViewingPosition();
        game->SetUpSecondWindow();
    }
    // The flight's first frame, after those its drawing's warm-up takes behind the loading screen.
    void firstFrame() {
        do game->PrepareAndCallDrawing();
        while (game->flightWaitsForWarmUp());
    }

    // False, with nothing set, when the fight cannot start or lacks the scene's aircraft.
    bool set(Shot shot) {
        platform::presentationRandom().seed(20);  // the same flicker and drift whatever ran before
        // The cockpit of the player's aircraft.
        game->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
        if (!startFight(shot == Shot::CockpitDVII ? kDVII : kCamel, kOpeningTicks)) return false;
        switch (shot) {
        case Shot::CockpitCamel:
        case Shot::CockpitDVII: break;
        case Shot::Chase:
            // The chase command puts the camera behind the tail; one tick of the upkeep that eases it
            // there, the world standing still: the camera has arrived.
            game->sendCommand(input::CommandNumber::ChaseCamera, kKeyDown);
            game->doEachTick(1);
            outsideCameraRules();
            break;
        case Shot::LowFront: {
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
            // A Fokker blows up where it flies and burns on the ground.
            FlyableAircraft* wreck = game->aircraftAt(ModelArray::kFirstAircraft + 4);
            if (!wreck) return false;
            wreck->doSplodes();
            run(kWreckTicks);
            game->sendCommand(input::CommandNumber::ChaseCamera, kKeyDown);
            outsideCameraRules();
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
            return true;
        }
        }
        place();
        return true;
    }
};

}  // namespace pellam
