// Per-frame upkeep after the world has moved: camera easing, the pilots' heads while paused,
// each aircraft's moving parts, the circling camera and the outside camera points; then the
// hand-off to drawing.
#include <cmath>
#include <utility>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"
#include "platform/Beep.h"
#include "platform/FreedMemory.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

using enum input::CommandNumber;

double distance(const double* a, const double* b) {
    double d2 = 0;
    for (int c = 0; c < 3; ++c) d2 += (a[c] - b[c]) * (a[c] - b[c]);
    return std::sqrt(d2);
}

}  // namespace

void GameController::newDocument() { platform::SystemBeep(); }

void GameController::doEachTick(int32_t ticks) {
    if (ticks > 500) return;
    doAutoHost();
    for (int32_t t = 0; t < ticks; ++t) {
        cameras_.ease(isRunning());
        if (!isRunning()) {
            clock_.GamePauseTime += 1;
            // A long pause draws view after new view (the circling camera): every 10 s the memory
            // those frames borrowed and freed goes back (1-2 ms), so the pause does not grow.
            if (clock_.GamePauseTime > 0 && clock_.GamePauseTime % 600 == 0) platform::returnFreedMemory();
            for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j)
                if (FlyableAircraft* craft = aircraftAt(j)) craft->movePilotHead();
        }

        // The nearest gun firing, for the gun noise heard from the cockpit.
        const double* eye = toMyZephGLView->getCameraPosition();
        double nearestGun = 10000.0;
        for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
            FlyableAircraft* craft = j == cameras_.CameraAircraft ? nullptr : aircraftAt(j);
            if (craft && (craft->ThisAircraft.GunsFiring || craft->ThisAircraft.CannonsFiring))
                nearestGun = std::min(nearestGun, distance(eye, craft->live.attitude.Position.data()));
        }
        if (nearestGun > 3000.0) nearestGun = 0.0;
        const bool bombCamera = cameras_.SpecialCameraPosition == input::numberOf(CameraOnBomb);
        const double eyeDistance = cameras_.CameraPosition == camera::kCockpit && !bombCamera ? 5.0 : 15.0;
        for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j)
            if (ZephModel* craft = modelAt(j))
                craft->updateMovingThings(clock_.gamePause, j == cameras_.CameraAircraft, eyeDistance, nearestGun);

        const bool secondWindow = cameras_.DrawSecondWindow;
        cameras_.DrawSecondWindow = false;  // the commands sent below act on the main view
        if (clock_.GamePauseTime > 900 && cameras_.CameraPosition != camera::kCircling) {
            cameras_.OldCameraPosition = cameras_.CameraPosition;
            someTypicalKeyPresses(CirclingCamera, true);
        }
        if (cameras_.circleFlag) {
            cameras_.circleFlag = false;
            clock_.GamePauseTime = 0;
            if (cameras_.CameraPosition == camera::kCircling) {
                sendCommand(CameraInsidePilotHead + cameras_.OldCameraPosition, kKeyDown);  // back to the view it left
            }
        }

        if (ZephModel* m = modelAt(cameras_.CameraAircraft)) {
            const auto& at = m->live.attitude.Position;
            if (cameras_.CameraPosition == camera::kFlyBy || cameras_.CameraPosition == camera::kTower ||
                cameras_.CameraPosition == camera::kChase) {
                if (cameras_.CameraPosition == camera::kChase) {
                    sendCommand(ChaseCamera, kKeyDown);
                }
                cameras_.easeOutsideCamera(isRunning());
                m->setOutsideCameraPosition(cameras_.LastOutsideCamera.data());
                if (cameras_.CameraPosition == camera::kFlyBy &&
                    distance(cameras_.OutsideCamera.data(), at.data()) > 310.0) {
                    sendCommand(FlyByCamera, kKeyDown);
                }
            } else {
                cameras_.LastOutsideCamera = at;
            }
        }

        cameras_.DrawSecondWindow = secondWindow;
        if (cameras_.DrawSecondWindow) {
            cameras_.ease2();
            if (ZephModel* m2 = modelAt(cameras_.CameraAircraft2)) {
                if (cameras_.CameraPosition2 == camera::kFlyBy || cameras_.CameraPosition2 == camera::kTower ||
                    cameras_.CameraPosition2 == camera::kChase) {
                    if (cameras_.CameraPosition2 == camera::kChase) {
                        sendCommand(ChaseCamera, kKeyDown);
                    }
                    m2->setOutsideCameraPosition(cameras_.OutsideCamera2.data());
                    if (cameras_.CameraPosition2 == camera::kFlyBy &&
                        distance(cameras_.OutsideCamera2.data(), m2->live.attitude.Position.data()) > 310.0) {
                        sendCommand(FlyByCamera, kKeyDown);
                    }
                } else {
                    cameras_.OutsideCamera2 = m2->live.attitude.Position;
                }
            }
        }
    }
}

void GameController::PrepareAndCallDrawing() {
    warmUp_.HoldsFlight = false;  // a frame that draws no share of the warm-up holds no flight
    checkVictoryConditions(false);
    doFogCeiling();
    // One sun: the dome shows it where the light that shades the world comes from.
    if (ModelArray* shown = getArrayForTerrain(nullptr))
        if (auto* sky = dynamic_cast<TexturedSkyDome*>(shown->at(ModelArray::kSkyDome))) sky->positionSun(getSunVector());
    toMyZephGLView->setDisplayVariable(network_->getNetworkPlayDelay());
    if (!clock_.gamePause) trackPilotSignIn();
    // The game view is not drawn while the player edits keys, mouse, joystick or calibration.
    if (!toMyJoystick->isWindowOpen()) {
        if (desktop_->isApplicationActive()) {
            step_.isKey = true;
        } else if (step_.isKey) {
            // Focus lost while flying: pause once, with a beep. An unattended host goes on: it
            // is left alone by design, and pausing would stop it taking joiners in.
            step_.isKey = false;
            if (clock_.gamePause && !lobby_.doTheAutoHost) {
                platform::SystemBeep();
                sendCommand(PauseFlyGameToggle, kKeyDown);
            }
        }
        toMyZephGLView->setGameTime(clock_.GlobalMissionTime);
        // TimeOfDay: hours, or hundredths in the high 16 bits plus hours in the low 16 bits.
        const auto packed = static_cast<int32_t>(mission_.TimeOfDay);
        double hour = static_cast<int16_t>(packed >> 16) / 100.0 + (packed & 0xFFFF);
        if (hour > 100) hour -= 100;
        // The builder's view keeps its own sun while it is drawn in the game's place.
        if (!MBWindowOpen) toMyZephGLView->setSunVectorFromTime(hour + clock_.GlobalMissionTime / 216000.0);
        // Paused (so also unfocused), the world stands still: the view draws it once and keeps
        // the picture. A network game's other players move on, so it is drawn every frame.
        toMyZephGLView->setKeepScene(!clock_.gamePause && network_->getNetworkMode() == 0);
        // At launch, standing in the windows, their first picture is the loading screen's last,
        // whose shading is built: the world's first frame builds its own (0.8-0.9 s on two
        // cores) from the next frame on, behind them. A flight begun at once shows its world.
        const bool first = std::exchange(firstFrameDue_, false) && !isRunning();
        if (MyVRAMOkay && !drawBuilderFrame() && !continueWarmUp() &&
            !(first && toMyZephGLView->drawLastLoadingPicture()))
            toMyZephGLView->drawRect(clock_.GlobalMissionTime);
    }
    if (ModelArray* models = getModelArray(); models && models->size() > ModelArray::kBombs)
        if (ZephModel* bombs = models->at(ModelArray::kBombs)) effects_->clearSingleDrawBombs(*bombs);
}

}  // namespace pellam
