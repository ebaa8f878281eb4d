#pragma once
// The cameras of the main view and the second window: which aircraft each looks at, from where
// (the camera numbers in CameraPlacement.h), how far, and the poses built from them each frame.
// Set at start-up (startUp) and by the camera commands; eased toward their targets once a tick.
// Angles deg, distances ft; fields ending in 2 are the second window's.
#include <array>
#include <cstdint>

#include "core/QNion.h"

namespace pellam {

struct Cameras {
    // ---- Main view.
    int32_t CameraPosition = 0;            // camera number shown
    int32_t CameraRule = 0;                // 0 every view, 1 no enemy view nor other aircraft, 2 also no second window
    double CameraDistance = 100.0;         // ft, eased toward NewCameraDistance
    double NewCameraDistance = 3.0;        // ft
    double SavedCameraDistance = 80.0;     // ft, kept across the cockpit, tower and bomb views
    double UserCameraDistance = 80.0;      // ft, the outside distance the player chose
    long CameraAircraft = 2;               // model index viewed
    long AircraftWeControl = 2;            // model index the stick flies
    Vector3 AbsoluteCameraOffset{};        // ft, what is left of a slide to another aircraft
    bool NoCameraSlideFlag = false;        // the next tick drops the slide at once
    double CameraHeading = 0, CameraUpAngle = 0, CameraBank = 0;  // deg, eased toward NewCameraAngle
    Vector3 NewCameraAngle{};              // deg: heading, up angle, bank
    int32_t OldCameraPosition = 0;         // the camera the circling one came from
    int32_t ToggleBackCameraPosition = 0;  // the camera the enemy, tower or bomb view goes back to
    int32_t SpecialCameraPosition = 0;     // 59 while the bomb camera is on, else 0
    double TowerZoom = 0;                  // ft from the subject the tower camera is pulled to; 0 at the tower
    Vector3 OutsideCamera{}, LastOutsideCamera{};  // ft, the fly-by, chase or tower eye and its eased copy
    QNion ViewingQNion;                    // this frame's pose
    bool circleFlag = false;               // the player did something: the idle timer starts over
    std::array<float, 2> oldapoint{};      // last frame's stick (ailerons, elevator)

    // ---- Second window.
    bool DrawSecondWindow = false;
    bool SecondWindowClosestEnemy = false;  // it follows the main view's nearest enemy
    int32_t CameraPosition2 = 0;
    double CameraDistance2 = 0.0;
    double UserCameraDistance2 = 40.0;
    long CameraAircraft2 = 3;
    double CameraHeading2 = 0, CameraUpAngle2 = 0, CameraBank2 = 0;
    Vector3 NewCameraAngle2{};
    int32_t ToggleBackCameraPosition2 = 0;
    int32_t SpecialCameraPosition2 = 0;
    double TowerZoom2 = 0;
    Vector3 OutsideCamera2{};
    QNion ViewingQNion2;

    // The cameras as the game comes up: the cockpit of the first aircraft, the window on the second,
    // the first view sliding down from 1000 ft above.
    void startUp();
    // The limits of camera rule 1 and 2 on the second window.
    void applyRule();
    // The main camera back to the one kept before the enemy, tower or bomb view.
    void toggleBack();
    // Commands 60 and 61 on a camera other than the tower: `step` ft nearer (held at 10 ft) or
    // farther (held at 1000 ft).
    void stepDistance(double step);
    void stepDistance2(double step);
    // The tower camera's zoom `step` ft on, within 0 and 10..1000.
    static void stepTowerZoom(double& zoom, double step);
    // One tick of easing: the slide decays, distance and angles go a tenth of the way to their
    // targets; while the game runs, angles within 3 deg and the distance are taken at once.
    void ease(bool running);
    // The second window's angles, a tenth of the way each tick.
    void ease2();
    // The fly-by, chase or tower eye a tenth of the way to OutsideCamera each tick; while the
    // game runs, there at once.
    void easeOutsideCamera(bool running);
};

}  // namespace pellam
