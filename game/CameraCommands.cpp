// The camera commands (Camera Inside Pilot Head to Camera On Aircraft #8, and the game's own
// circling camera): they set the controller's camera fields; the view is built from them each
// frame. With the second window drawn, the player's camera commands act on it alone.
// Camera rules: 0 every view, 1 no enemy view and no other aircraft, 2 also no second window.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"
#include "platform/Beep.h"

namespace pellam {
namespace {

constexpr double kHidden = -9000.0;

double distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    double d2 = 0;
    for (int c = 0; c < 3; ++c) d2 += (a[c] - b[c]) * (a[c] - b[c]);
    return std::sqrt(d2);
}

bool present(ZephModel* m) { return m && m->live.attitude.Position[1] >= kHidden; }

using enum input::CommandNumber;

// The camera position numbers of Camera Inside Pilot Head to Camera View From Tail.
int32_t viewPosition(input::CommandNumber command) { return command - CameraInsidePilotHead; }
// The model index of the aircraft a Camera On Aircraft command names.
long aircraftIndex(input::CommandNumber command) { return ModelArray::kFirstAircraft + (command - CameraOnAircraft1); }

}  // namespace

void GameController::cameraCommand(input::CommandNumber command) {
    if (DrawSecondWindow && within(command, CameraInsidePilotHead, CameraOnAircraft8)) {
        cameraCommandSecond(command);
        return;
    }
    cameraCommandMain(command);
}

void GameController::toggleBackCamera() {
    CameraPosition = ToggleBackCameraPosition;
    SpecialCameraPosition = 0;
    NewCameraDistance = CameraPosition == camera::kCockpit ? 3.0 : UserCameraDistance;
}

void GameController::cameraCommandMain(input::CommandNumber command) {
    if (command != MoveCameraCloser && command != MoveCameraFartherAway && command != CirclingCamera) circleFlag = true;
    ZephModel* m = modelAt(CameraAircraft);
    auto saveForToggleBack = [&] {
        ToggleBackCameraPosition = CameraPosition == camera::kCircling ? OldCameraPosition : CameraPosition;
    };
    auto outsideDistance = [&] { return m ? distance(m->live.attitude.Position, OutsideCamera) : CameraDistance; };

    if (command == CameraInsidePilotHead) {
        CameraPosition = camera::kCockpit;
        SavedCameraDistance = NewCameraDistance;
        NewCameraDistance = 3.0;
    } else if (within(command, CameraViewFromNorth, CameraViewFromTail)) {
        if (CameraRule > 1) return;
        CameraPosition = viewPosition(command);
        NewCameraDistance = UserCameraDistance;
    } else if (command == FlyByCamera) {
        if (CameraRule > 1 || !m) return;
        CameraPosition = camera::kFlyBy;
        NewCameraDistance = SavedCameraDistance;
        camera::makeFinalCameraVector(*m, camera::kNose, NewCameraAngle.data());
        QNion p;
        camera::createCameraPosition(*m, camera::kNose, &p, 300.0, NewCameraAngle[0], NewCameraAngle[1], 0.0);
        OutsideCamera = {p.Position[0] + 25.0, p.Position[1], p.Position[2]};
    } else if (command == ChaseCamera) {
        if (CameraRule > 1 || !m) return;
        CameraPosition = camera::kChase;
        NewCameraDistance = UserCameraDistance;
        camera::makeFinalCameraVector(*m, camera::kTail, NewCameraAngle.data());
        QNion p;
        camera::createCameraPosition(*m, camera::kTail, &p, CameraDistance, CameraHeading, CameraUpAngle, CameraBank);
        OutsideCamera = p.Position;
        if (FlyableAircraft* craft = aircraftAt(CameraAircraft))
            OutsideCamera[1] = std::max(OutsideCamera[1], craft->ThisAircraft.GroundAltitude + 8.0);
    } else if (command == YouAndNearestEnemyAircraft) {
        if (CameraRule != 0) return;
        if (CameraPosition == camera::kNearestEnemy) {
            toggleBackCamera();
        } else if (findClosestEnemyFrom(CameraAircraft) != -1) {
            saveForToggleBack();
            CameraPosition = camera::kNearestEnemy;
            NewCameraDistance = UserCameraDistance;
        }
    } else if (command == CameraInNearestTower) {
        if (CameraRule > 1) return;
        if (CameraPosition == camera::kTower) {
            toggleBackCamera();
            CameraDistance = outsideDistance();
        } else {
            saveForToggleBack();
            CameraPosition = camera::kTower;
            SavedCameraDistance = NewCameraDistance;
            findClosestTower();
        }
    } else if (command == CameraOnBomb) {
        if (SpecialCameraPosition == input::numberOf(CameraOnBomb)) {
            toggleBackCamera();
            CameraDistance = outsideDistance();
            return;
        }
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* bomb = bombs && m ? effects_->findNewestBombFrom(*bombs, CameraAircraft, *m) : nullptr;
        if (!bomb) {
            platform::SystemBeep();
            return;
        }
        saveForToggleBack();
        SpecialCameraPosition = input::numberOf(CameraOnBomb);
        SavedCameraDistance = NewCameraDistance;
        OutsideCamera = {bomb[0], bomb[1], bomb[2]};
    } else if (command == MoveCameraCloser || command == MoveCameraFartherAway) {
        const double step = command == MoveCameraCloser ? -5.0 : 5.0;
        auto bound = [](double v) { return std::clamp(v, 10.0, 1000.0); };
        if (CameraPosition == camera::kCockpit) {
            SavedCameraDistance = bound(SavedCameraDistance + step);
        } else if (CameraPosition == camera::kTower) {
            TowerZoom += step;
            if (step < 0 && TowerZoom < 10.0) TowerZoom = 0.0;
            if (step > 0 && TowerZoom > 1000.0) TowerZoom = 1000.0;
            findClosestTower();
        } else {
            NewCameraDistance = bound(NewCameraDistance + step);
            UserCameraDistance = bound(UserCameraDistance + step);
            NewCameraDistance = UserCameraDistance;
        }
    } else if (within(command, CameraOnAircraft1, CameraOnAircraft8)) {
        if (command != CameraOnAircraft1 && CameraRule != 0) return;
        const long index = aircraftIndex(command);
        ZephModel* next = modelAt(index);
        // An absent aircraft is not to be slid to: the command does nothing.
        if (!present(next) || !m) return;
        QNion from, to;
        camera::createCameraPosition(*m, CameraPosition, &from, CameraDistance, CameraHeading, CameraUpAngle, CameraBank);
        camera::createCameraPosition(*next, CameraPosition, &to, CameraDistance, CameraHeading, CameraUpAngle,
                                     CameraBank);
        for (int c = 0; c < 3; ++c) AbsoluteCameraOffset[c] = from.Position[c] - to.Position[c];
        if (gamePause || CameraPosition == camera::kTower) NoCameraSlideFlag = true;
        CameraAircraft = index;
        SpecialCameraPosition = 0;
        findClosestTower();
    } else if (command == CirclingCamera) {
        CameraPosition = camera::kCircling;
        NewCameraDistance = UserCameraDistance;
    }
}

void GameController::cameraCommandSecond(input::CommandNumber command) {
    ZephModel* m2 = modelAt(CameraAircraft2);
    if (command == CameraInsidePilotHead) {
        CameraPosition2 = camera::kCockpit;
        CameraDistance2 = 0.0;
    } else if (within(command, CameraViewFromNorth, CameraViewFromTail)) {
        if (CameraRule > 1) return;
        CameraPosition2 = viewPosition(command);
        CameraDistance2 = UserCameraDistance2;
    } else if (command == FlyByCamera) {
        if (CameraRule > 1 || !m2) return;
        CameraPosition2 = camera::kFlyBy;
        camera::makeFinalCameraVector(*m2, camera::kNose, NewCameraAngle2.data());
        QNion p;
        camera::createCameraPosition(*m2, camera::kNose, &p, 300.0, NewCameraAngle2[0], NewCameraAngle2[1], 0.0);
        OutsideCamera2 = {p.Position[0] + 25.0, p.Position[1], p.Position[2]};
    } else if (command == ChaseCamera) {
        if (CameraRule > 1 || !m2) return;
        CameraPosition2 = camera::kChase;
        camera::makeFinalCameraVector(*m2, camera::kTail, NewCameraAngle2.data());
        QNion p;
        camera::createCameraPosition(*m2, camera::kTail, &p, CameraDistance2, CameraHeading2, CameraUpAngle2,
                                     CameraBank2);
        OutsideCamera2 = p.Position;
        if (FlyableAircraft* craft = aircraftAt(CameraAircraft2))
            OutsideCamera2[1] = std::max(OutsideCamera2[1], craft->ThisAircraft.GroundAltitude + 8.0);
    } else if (command == YouAndNearestEnemyAircraft) {
        if (CameraRule != 0) return;
        if (CameraPosition2 == camera::kNearestEnemy) {
            CameraPosition2 = ToggleBackCameraPosition2;
            SpecialCameraPosition2 = 0;
        } else if (findClosestEnemyFrom(CameraAircraft2) != -1) {
            ToggleBackCameraPosition2 = CameraPosition2;
            CameraPosition2 = camera::kNearestEnemy;
        }
    } else if (command == CameraInNearestTower) {
        if (CameraRule > 1) return;
        if (CameraPosition2 == camera::kTower) {
            CameraPosition2 = ToggleBackCameraPosition2;
            SpecialCameraPosition2 = 0;
            if (m2) CameraDistance2 = distance(m2->live.attitude.Position, OutsideCamera2);
        } else {
            ToggleBackCameraPosition2 = CameraPosition2;
            CameraPosition2 = camera::kTower;
            findClosestTower();
        }
    } else if (command == CameraOnBomb) {
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* bomb = bombs && m2 ? effects_->findNewestBombFrom(*bombs, CameraAircraft2, *m2) : nullptr;
        if (!bomb) {
            platform::SystemBeep();
            return;
        }
        SpecialCameraPosition2 = input::numberOf(CameraOnBomb);
        OutsideCamera2 = {bomb[0], bomb[1], bomb[2]};
    } else if (command == MoveCameraCloser || command == MoveCameraFartherAway) {
        const double step = command == MoveCameraCloser ? -5.0 : 5.0;
        if (CameraPosition2 == camera::kTower) {
            TowerZoom2 += step;
            if (step < 0 && TowerZoom2 < 10.0) TowerZoom2 = 0.0;
            if (step > 0 && TowerZoom2 > 1000.0) TowerZoom2 = 1000.0;
            findClosestTower();
        } else if (CameraPosition2 != camera::kCockpit) {
            UserCameraDistance2 = std::clamp(UserCameraDistance2 + step, 10.0, 1000.0);
        }
    } else if (within(command, CameraOnAircraft1, CameraOnAircraft8)) {
        if (command != CameraOnAircraft1 && CameraRule != 0) return;
        ZephModel* next = modelAt(aircraftIndex(command));
        if (!present(next)) return;
        SecondWindowClosestEnemy = false;
        CameraAircraft2 = aircraftIndex(command);
        SpecialCameraPosition2 = 0;
        CameraDistance2 = 0.0;
    }
}

}  // namespace pellam
