#include "game/Cameras.h"

#include <cmath>

#include "core/Degrees.h"
#include "core/Services.h"
#include "game/CameraPlacement.h"

namespace pellam {
namespace {

double wrap180(double a) {
    if (a > 180.0) a -= 360.0;
    if (a < -180.0) a += 360.0;
    return a;
}

// A tenth of the way to the target, the shorter way round.
void easeAngle(double& angle, double target) { angle += wrap180(target - angle) / 10.0; }

// Nearer is held at 10 ft, farther at 1000 ft, each bound only in its own direction: a kept
// cockpit distance of 3 ft goes out in 5-ft steps.
double stepBounded(double value, double step) {
    value += step;
    if (step < 0 && value < 10.0) value = 10.0;
    if (step > 0 && value > 1000.0) value = 1000.0;
    return value;
}

}  // namespace

void Cameras::startUp() {
    CameraPosition = 0;
    CameraRule = 0;
    CameraDistance = 100.0;
    NewCameraDistance = 3.0;
    SavedCameraDistance = UserCameraDistance = 80.0;
    CameraAircraft = AircraftWeControl = ModelArray::kFirstAircraft;
    AbsoluteCameraOffset[1] = 1000.0;
    CameraPosition2 = 0;
    CameraDistance2 = 0.0;
    CameraAircraft2 = ModelArray::kFirstAircraft + 1;
    UserCameraDistance2 = 40.0;
}

void Cameras::applyRule() {
    if (CameraRule == 2) DrawSecondWindow = false;
    if (CameraRule == 1) {
        CameraAircraft2 = ModelArray::kFirstAircraft;
        SecondWindowClosestEnemy = false;
    }
}

void Cameras::toggleBack() {
    CameraPosition = ToggleBackCameraPosition;
    SpecialCameraPosition = 0;
    NewCameraDistance = CameraPosition == camera::kCockpit ? 3.0 : UserCameraDistance;
}

void Cameras::stepDistance(double step) {
    if (CameraPosition == camera::kCockpit) {
        SavedCameraDistance = stepBounded(SavedCameraDistance, step);
    } else {
        UserCameraDistance = stepBounded(UserCameraDistance, step);
        NewCameraDistance = UserCameraDistance;
    }
}

void Cameras::stepDistance2(double step) {
    if (CameraPosition2 != camera::kCockpit) UserCameraDistance2 = stepBounded(UserCameraDistance2, step);
}

void Cameras::stepTowerZoom(double& zoom, double step) {
    zoom += step;
    if (step < 0 && zoom < 10.0) zoom = 0.0;
    if (step > 0 && zoom > 1000.0) zoom = 1000.0;
}

void Cameras::ease(bool running) {
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
    if (running) {
        if (std::fabs(CameraHeading - NewCameraAngle[0]) < 3.0) CameraHeading = NewCameraAngle[0];
        if (std::fabs(CameraUpAngle - NewCameraAngle[1]) < 3.0) CameraUpAngle = NewCameraAngle[1];
        if (std::fabs(CameraBank - NewCameraAngle[2]) < 3.0) CameraBank = NewCameraAngle[2];
        CameraDistance = NewCameraDistance;
    }
}

void Cameras::easeOutsideCamera(bool running) {
    for (int c = 0; c < 3; ++c) LastOutsideCamera[c] += (OutsideCamera[c] - LastOutsideCamera[c]) / 10.0;
    if (running) LastOutsideCamera = OutsideCamera;
}

void Cameras::ease2() {
    easeAngle(CameraHeading2, NewCameraAngle2[0]);
    easeAngle(CameraUpAngle2, NewCameraAngle2[1]);
    easeAngle(CameraBank2, NewCameraAngle2[2]);
    CameraHeading2 = wrap180(CameraHeading2);
    CameraUpAngle2 = wrap180(CameraUpAngle2);
}

}  // namespace pellam
