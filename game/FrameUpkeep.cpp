// Per-frame upkeep after the world has moved: camera easing, the pilots' heads while paused,
// each aircraft's moving parts, the circling camera and the outside camera points; then the
// hand-off to drawing.
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"
#include "platform/Beep.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

double wrap180(double a) {
    if (a > 180.0) a -= 360.0;
    if (a < -180.0) a += 360.0;
    return a;
}

// A tenth of the way to the target, the shorter way round.
void easeAngle(double& angle, double target) { angle += wrap180(target - angle) / 10.0; }

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
        if (NoCameraSlideFlag) {
            AbsoluteCameraOffset = {};
            NoCameraSlideFlag = false;
        }
        for (double& c : AbsoluteCameraOffset) c *= 0.9;

        CameraDistance += (NewCameraDistance - CameraDistance) / 10.0;
        easeAngle(CameraHeading, NewCameraAngle[0]);
        easeAngle(CameraUpAngle, NewCameraAngle[1]);
        easeAngle(CameraBank, NewCameraAngle[2]);
        const Vector3& o = AbsoluteCameraOffset;
        if (std::fabs(o[0]) > 5.0 || std::fabs(o[1]) > 5.0 || std::fabs(o[2]) > 5.0) {
            // The sliding camera looks along its own slide.
            CameraHeading = std::atan2(o[0], o[2]) * kDeg;
            CameraBank = 0.0;
            CameraUpAngle = std::atan2(o[1], std::sqrt(o[0] * o[0] + o[2] * o[2])) * kDeg;
        }
        CameraHeading = wrap180(CameraHeading);
        CameraUpAngle = wrap180(CameraUpAngle);
        if (gamePause) {
            if (std::fabs(CameraHeading - NewCameraAngle[0]) < 3.0) CameraHeading = NewCameraAngle[0];
            if (std::fabs(CameraUpAngle - NewCameraAngle[1]) < 3.0) CameraUpAngle = NewCameraAngle[1];
            if (std::fabs(CameraBank - NewCameraAngle[2]) < 3.0) CameraBank = NewCameraAngle[2];
            CameraDistance = NewCameraDistance;
        } else {
            GamePauseTime += 1;
            for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j)
                if (FlyableAircraft* craft = aircraftAt(j)) craft->movePilotHead();
        }

        // The nearest gun firing, for the gun noise heard from the cockpit.
        const double* eye = toMyZephGLView->getCameraPosition();
        double nearestGun = 10000.0;
        for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
            FlyableAircraft* craft = j == CameraAircraft ? nullptr : aircraftAt(j);
            if (craft && (craft->ThisAircraft.GunsFiring || craft->ThisAircraft.CannonsFiring))
                nearestGun = std::min(nearestGun, distance(eye, craft->live.attitude.Position.data()));
        }
        if (nearestGun > 3000.0) nearestGun = 0.0;
        const bool bombCamera = SpecialCameraPosition == input::numberOf(CameraOnBomb);
        const double eyeDistance = CameraPosition == camera::kCockpit && !bombCamera ? 5.0 : 15.0;
        for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j)
            if (ZephModel* craft = modelAt(j))
                craft->updateMovingThings(gamePause, j == CameraAircraft, eyeDistance, nearestGun);

        const bool secondWindow = DrawSecondWindow;
        DrawSecondWindow = false;  // the commands sent below act on the main view
        if (GamePauseTime > 900 && CameraPosition != camera::kCircling) {
            OldCameraPosition = CameraPosition;
            someTypicalKeyPresses(CirclingCamera, true);
        }
        if (circleFlag) {
            circleFlag = false;
            GamePauseTime = 0;
            if (CameraPosition == camera::kCircling) {
                Command.actionType = kKeyDown;
                someTypicalKeyPresses(CameraInsidePilotHead + OldCameraPosition, true);  // back to the view it left
            }
        }

        if (ZephModel* m = modelAt(CameraAircraft)) {
            const auto& at = m->live.attitude.Position;
            if (CameraPosition == camera::kFlyBy || CameraPosition == camera::kTower ||
                CameraPosition == camera::kChase) {
                if (CameraPosition == camera::kChase) {
                    Command.actionType = kKeyDown;
                    someTypicalKeyPresses(ChaseCamera, true);
                }
                for (int c = 0; c < 3; ++c) LastOutsideCamera[c] += (OutsideCamera[c] - LastOutsideCamera[c]) / 10.0;
                if (gamePause) LastOutsideCamera = OutsideCamera;
                m->setOutsideCameraPosition(LastOutsideCamera.data());
                if (CameraPosition == camera::kFlyBy && distance(OutsideCamera.data(), at.data()) > 310.0) {
                    Command.actionType = kKeyDown;
                    someTypicalKeyPresses(FlyByCamera, true);
                }
            } else {
                LastOutsideCamera = at;
            }
        }

        DrawSecondWindow = secondWindow;
        if (DrawSecondWindow) {
            easeAngle(CameraHeading2, NewCameraAngle2[0]);
            easeAngle(CameraUpAngle2, NewCameraAngle2[1]);
            easeAngle(CameraBank2, NewCameraAngle2[2]);
            CameraHeading2 = wrap180(CameraHeading2);
            CameraUpAngle2 = wrap180(CameraUpAngle2);
            if (ZephModel* m2 = modelAt(CameraAircraft2)) {
                if (CameraPosition2 == camera::kFlyBy || CameraPosition2 == camera::kTower ||
                    CameraPosition2 == camera::kChase) {
                    if (CameraPosition2 == camera::kChase) {
                        Command.actionType = kKeyDown;
                        someTypicalKeyPresses(ChaseCamera, true);
                    }
                    m2->setOutsideCameraPosition(OutsideCamera2.data());
                    if (CameraPosition2 == camera::kFlyBy &&
                        distance(OutsideCamera2.data(), m2->live.attitude.Position.data()) > 310.0) {
                        Command.actionType = kKeyDown;
                        someTypicalKeyPresses(FlyByCamera, true);
                    }
                } else {
                    OutsideCamera2 = m2->live.attitude.Position;
                }
            }
        }
    }
}

void GameController::PrepareAndCallDrawing() {
    checkVictoryConditions(false);
    doFogCeiling();
    // One sun: the dome shows it where the light that shades the world comes from.
    if (ModelArray* shown = getArrayForTerrain(nullptr))
        if (auto* sky = dynamic_cast<TexturedSkyDome*>(shown->at(ModelArray::kSkyDome))) sky->positionSun(getSunVector());
    toMyZephGLView->setDisplayVariable(network_->getNetworkPlayDelay());
    if (!gamePause) trackPilotSignIn();
    // The game view is not drawn while the player edits keys, mouse, joystick or calibration.
    if (!toMyJoystick->isWindowOpen()) {
        if (desktop_->isApplicationActive()) {
            isKey = true;
        } else if (isKey) {
            // Focus lost while flying: pause once, with a beep. An unattended host goes on: it
            // is left alone by design, and pausing would stop it taking joiners in.
            isKey = false;
            if (gamePause && !doTheAutoHost) {
                platform::SystemBeep();
                Command.actionType = kKeyDown;
                someTypicalKeyPresses(PauseFlyGameToggle, true);
            }
        }
        toMyZephGLView->setGameTime(GlobalMissionTime);
        // TimeOfDay: hours, or hundredths in the high 16 bits plus hours in the low 16 bits.
        const auto packed = static_cast<int32_t>(TimeOfDay);
        double hour = static_cast<int16_t>(packed >> 16) / 100.0 + (packed & 0xFFFF);
        if (hour > 100) hour -= 100;
        // The builder's view keeps its own sun while it is drawn in the game's place.
        if (!MBWindowOpen) toMyZephGLView->setSunVectorFromTime(hour + GlobalMissionTime / 216000.0);
        // Paused (so also unfocused), the world stands still: the view draws it once and keeps
        // the picture. A network game's other players move on, so it is drawn every frame.
        toMyZephGLView->setKeepScene(!gamePause && network_->getNetworkMode() == 0);
        if (MyVRAMOkay && !drawBuilderFrame()) toMyZephGLView->drawRect(GlobalMissionTime);
    }
    if (ModelArray* models = getModelArray(); models && models->size() > ModelArray::kBombs)
        if (ZephModel* bombs = models->at(ModelArray::kBombs)) effects_->clearSingleDrawBombs(*bombs);
}

}  // namespace pellam
