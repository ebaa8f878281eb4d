#pragma once
// Where a camera sits around the aircraft it views. Each operation reads the viewed model's pose,
// its camera fields (CircleCameraDegrees, TargetCameraDegrees, NominalCameraHeight,
// TargetNominalCH, OutSideCameraPosition) and, for a flyable aircraft, its record; only
// makeFinalViewingQNION changes the camera fields.
//
// Camera numbers: 0 cockpit (orbiting beyond 5 ft), 1..4 from north, south, east, west, 5 above,
// 6 left wing, 7 right wing, 8 nose, 9 tail, 10 fly-by, 11 chase, 12 with the nearest enemy,
// 13 tower, 100 circling. A camera pose is the conjugate of the attitude of a body whose +Z
// looks where the camera looks; world X east, Y up, Z north, ft; headings atan2(x, z) in deg.
#include <cstdint>

#include "core/QNion.h"

namespace pellam {

class ZephModel;

namespace camera {

inline constexpr int32_t kCockpit = 0, kAbove = 5, kLeftWing = 6, kRightWing = 7, kNose = 8, kTail = 9,
                         kFlyBy = 10, kChase = 11, kNearestEnemy = 12, kTower = 13, kCircling = 100;

// A level camera at `from` looking at `to`; `to` may be answer's own position.
void levelPointCameraAtZeroFrom(const double* from, const double* to, QNion* answer);

// The camera pose of one frame. `enemy` is the nearest enemy's pose or null; `running` is the
// controller's running flag (the orbiting cameras glide only while paused).
void makeFinalViewingQNION(ZephModel& model, QNion* pose, int32_t type, double distance, const QNion* enemy,
                           bool running);

// A camera pose from a distance and heading, up angle and bank (deg).
void createCameraPosition(ZephModel& model, int32_t type, QNion* answer, double distance, double heading,
                          double upAngle, double bank);

// Heading, up angle and bank (deg) of the direction from the aircraft to where camera `type` sits.
void makeFinalCameraVector(ZephModel& model, int32_t type, double* angles);

}  // namespace camera
}  // namespace pellam
