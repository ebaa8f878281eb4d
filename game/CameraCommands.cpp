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

// The fly-by eye: the nose camera 300 ft out, moved 25 ft east; `angle` takes the nose's direction.
Vector3 flyByEye(ZephModel& m, Vector3& angle) {
    camera::makeFinalCameraVector(m, camera::kNose, angle.data());
    QNion p;
    camera::createCameraPosition(m, camera::kNose, &p, 300.0, angle[0], angle[1], 0.0);
    return {p.Position[0] + 25.0, p.Position[1], p.Position[2]};
}

// The chase eye behind the tail at the camera's distance (ft) and angles (deg), kept 8 ft above the
// ground under a flyable aircraft; `angle` takes the tail's direction.
Vector3 chaseEye(ZephModel& m, const FlyableAircraft* craft, Vector3& angle, double distance, double heading,
                 double upAngle, double bank) {
    camera::makeFinalCameraVector(m, camera::kTail, angle.data());
    QNion p;
    camera::createCameraPosition(m, camera::kTail, &p, distance, heading, upAngle, bank);
    Vector3 eye = p.Position;
    if (craft) eye[1] = std::max(eye[1], craft->ThisAircraft.GroundAltitude + 8.0);
    return eye;
}

}  // namespace

void GameController::cameraCommand(input::CommandNumber command) {
    if (cameras_.DrawSecondWindow && within(command, CameraInsidePilotHead, CameraOnAircraft8)) {
        cameraCommandSecond(command);
        return;
    }
    cameraCommandMain(command);
}

void GameController::cameraCommandMain(input::CommandNumber command) {
    if (command != MoveCameraCloser && command != MoveCameraFartherAway && command != CirclingCamera)
        cameras_.circleFlag = true;
    ZephModel* m = modelAt(cameras_.CameraAircraft);
    auto saveForToggleBack = [&] {
        cameras_.ToggleBackCameraPosition =
            cameras_.CameraPosition == camera::kCircling ? cameras_.OldCameraPosition : cameras_.CameraPosition;
    };
    auto outsideDistance = [&] {
        return m ? distance(m->live.attitude.Position, cameras_.OutsideCamera) : cameras_.CameraDistance;
    };

    if (command == CameraInsidePilotHead) {
        cameras_.CameraPosition = camera::kCockpit;
        cameras_.SavedCameraDistance = cameras_.NewCameraDistance;
        cameras_.NewCameraDistance = 3.0;
    } else if (within(command, CameraViewFromNorth, CameraViewFromTail)) {
        if (cameras_.CameraRule > 1) return;
        cameras_.CameraPosition = viewPosition(command);
        cameras_.NewCameraDistance = cameras_.UserCameraDistance;
    } else if (command == FlyByCamera) {
        if (cameras_.CameraRule > 1 || !m) return;
        cameras_.CameraPosition = camera::kFlyBy;
        cameras_.NewCameraDistance = cameras_.SavedCameraDistance;
        cameras_.OutsideCamera = flyByEye(*m, cameras_.NewCameraAngle);
    } else if (command == ChaseCamera) {
        if (cameras_.CameraRule > 1 || !m) return;
        cameras_.CameraPosition = camera::kChase;
        cameras_.NewCameraDistance = cameras_.UserCameraDistance;
        cameras_.OutsideCamera = chaseEye(*m, aircraftAt(cameras_.CameraAircraft), cameras_.NewCameraAngle,
                                          cameras_.CameraDistance, cameras_.CameraHeading, cameras_.CameraUpAngle,
                                          cameras_.CameraBank);
    } else if (command == YouAndNearestEnemyAircraft) {
        if (cameras_.CameraRule != 0) return;
        if (cameras_.CameraPosition == camera::kNearestEnemy) {
            cameras_.toggleBack();
        } else if (findClosestEnemyFrom(cameras_.CameraAircraft) != -1) {
            saveForToggleBack();
            cameras_.CameraPosition = camera::kNearestEnemy;
            cameras_.NewCameraDistance = cameras_.UserCameraDistance;
        }
    } else if (command == CameraInNearestTower) {
        if (cameras_.CameraRule > 1) return;
        if (cameras_.CameraPosition == camera::kTower) {
            cameras_.toggleBack();
            cameras_.CameraDistance = outsideDistance();
        } else {
            saveForToggleBack();
            cameras_.CameraPosition = camera::kTower;
            cameras_.SavedCameraDistance = cameras_.NewCameraDistance;
            findClosestTower();
        }
    } else if (command == CameraOnBomb) {
        if (cameras_.SpecialCameraPosition == input::numberOf(CameraOnBomb)) {
            cameras_.toggleBack();
            cameras_.CameraDistance = outsideDistance();
            return;
        }
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* bomb = bombs && m ? effects_->findNewestBombFrom(*bombs, cameras_.CameraAircraft, *m) : nullptr;
        if (!bomb) {
            platform::SystemBeep();
            return;
        }
        saveForToggleBack();
        cameras_.SpecialCameraPosition = input::numberOf(CameraOnBomb);
        cameras_.SavedCameraDistance = cameras_.NewCameraDistance;
        cameras_.OutsideCamera = {bomb[0], bomb[1], bomb[2]};
    } else if (command == MoveCameraCloser || command == MoveCameraFartherAway) {
        const double step = command == MoveCameraCloser ? -5.0 : 5.0;
        if (cameras_.CameraPosition == camera::kTower) {
            Cameras::stepTowerZoom(cameras_.TowerZoom, step);
            findClosestTower();
        } else {
            cameras_.stepDistance(step);
        }
    } else if (within(command, CameraOnAircraft1, CameraOnAircraft8)) {
        if (command != CameraOnAircraft1 && cameras_.CameraRule != 0) return;
        const long index = aircraftIndex(command);
        ZephModel* next = modelAt(index);
        // An absent aircraft (parked far below the world) keeps the view where it is: no slide
        // toward it, which paused would fly the camera thousands of feet away and back.
        if (present(next) && m) {
            QNion from, to;
            camera::createCameraPosition(*m, cameras_.CameraPosition, &from, cameras_.CameraDistance,
                                         cameras_.CameraHeading, cameras_.CameraUpAngle, cameras_.CameraBank);
            camera::createCameraPosition(*next, cameras_.CameraPosition, &to, cameras_.CameraDistance,
                                         cameras_.CameraHeading, cameras_.CameraUpAngle, cameras_.CameraBank);
            for (int c = 0; c < 3; ++c) cameras_.AbsoluteCameraOffset[c] = from.Position[c] - to.Position[c];
            if (clock_.gamePause || cameras_.CameraPosition == camera::kTower) cameras_.NoCameraSlideFlag = true;
            cameras_.CameraAircraft = index;
        }
        cameras_.SpecialCameraPosition = 0;
        findClosestTower();
    } else if (command == CirclingCamera) {
        cameras_.CameraPosition = camera::kCircling;
        cameras_.NewCameraDistance = cameras_.UserCameraDistance;
    }
    // While the bomb falls, or waits on the rack, a camera chosen is placed around it; once it is
    // down, the camera chosen is on the aircraft again, not stuck at the crater.
    if (within(command, CameraInsidePilotHead, ChaseCamera) && !bombToFollow(cameras_.CameraAircraft))
        cameras_.SpecialCameraPosition = 0;
}

void GameController::cameraCommandSecond(input::CommandNumber command) {
    ZephModel* m2 = modelAt(cameras_.CameraAircraft2);
    if (command == CameraInsidePilotHead) {
        cameras_.CameraPosition2 = camera::kCockpit;
        cameras_.CameraDistance2 = 0.0;
    } else if (within(command, CameraViewFromNorth, CameraViewFromTail)) {
        if (cameras_.CameraRule > 1) return;
        cameras_.CameraPosition2 = viewPosition(command);
        cameras_.CameraDistance2 = cameras_.UserCameraDistance2;
    } else if (command == FlyByCamera) {
        if (cameras_.CameraRule > 1 || !m2) return;
        cameras_.CameraPosition2 = camera::kFlyBy;
        cameras_.OutsideCamera2 = flyByEye(*m2, cameras_.NewCameraAngle2);
    } else if (command == ChaseCamera) {
        if (cameras_.CameraRule > 1 || !m2) return;
        cameras_.CameraPosition2 = camera::kChase;
        cameras_.OutsideCamera2 = chaseEye(*m2, aircraftAt(cameras_.CameraAircraft2), cameras_.NewCameraAngle2,
                                           cameras_.CameraDistance2, cameras_.CameraHeading2, cameras_.CameraUpAngle2,
                                           cameras_.CameraBank2);
    } else if (command == YouAndNearestEnemyAircraft) {
        if (cameras_.CameraRule != 0) return;
        if (cameras_.CameraPosition2 == camera::kNearestEnemy) {
            cameras_.CameraPosition2 = cameras_.ToggleBackCameraPosition2;
            cameras_.SpecialCameraPosition2 = 0;
        } else if (findClosestEnemyFrom(cameras_.CameraAircraft2) != -1) {
            cameras_.ToggleBackCameraPosition2 = cameras_.CameraPosition2;
            cameras_.CameraPosition2 = camera::kNearestEnemy;
        }
    } else if (command == CameraInNearestTower) {
        if (cameras_.CameraRule > 1) return;
        if (cameras_.CameraPosition2 == camera::kTower) {
            cameras_.CameraPosition2 = cameras_.ToggleBackCameraPosition2;
            cameras_.SpecialCameraPosition2 = 0;
            if (m2) cameras_.CameraDistance2 = distance(m2->live.attitude.Position, cameras_.OutsideCamera2);
        } else {
            cameras_.ToggleBackCameraPosition2 = cameras_.CameraPosition2;
            cameras_.CameraPosition2 = camera::kTower;
            findClosestTower();
        }
    } else if (command == CameraOnBomb) {
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* bomb =
            bombs && m2 ? effects_->findNewestBombFrom(*bombs, cameras_.CameraAircraft2, *m2) : nullptr;
        if (!bomb) {
            platform::SystemBeep();
            return;
        }
        cameras_.SpecialCameraPosition2 = input::numberOf(CameraOnBomb);
        cameras_.OutsideCamera2 = {bomb[0], bomb[1], bomb[2]};
    } else if (command == MoveCameraCloser || command == MoveCameraFartherAway) {
        const double step = command == MoveCameraCloser ? -5.0 : 5.0;
        if (cameras_.CameraPosition2 == camera::kTower) {
            Cameras::stepTowerZoom(cameras_.TowerZoom2, step);
            findClosestTower();
        } else {
            cameras_.stepDistance2(step);
        }
    } else if (within(command, CameraOnAircraft1, CameraOnAircraft8)) {
        if (command != CameraOnAircraft1 && cameras_.CameraRule != 0) return;
        cameras_.SecondWindowClosestEnemy = false;
        if (present(modelAt(aircraftIndex(command)))) cameras_.CameraAircraft2 = aircraftIndex(command);
        cameras_.SpecialCameraPosition2 = 0;
        cameras_.CameraDistance2 = 0.0;
    }
    if (within(command, CameraInsidePilotHead, ChaseCamera) && !bombToFollow(cameras_.CameraAircraft2))
        cameras_.SpecialCameraPosition2 = 0;
}

}  // namespace pellam
