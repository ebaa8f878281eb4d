// Each frame's camera poses for the main view and the second window, and the two searches that
// serve the cameras: the nearest enemy aircraft and the nearest tower.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"

namespace pellam {
namespace {

constexpr int32_t kBombCamera = input::numberOf(input::CommandNumber::CameraOnBomb);
constexpr double kNoAnswer = 10000.0;  // bomb velocity x that marks a bomb still on the rack
constexpr double kCameraClearance = 5.0;     // ft of the eye above the terrain
constexpr double kNearPlaneClearance = 0.5;  // ft of the near plane above the terrain
constexpr double kOutOfCockpit = 1.0;        // ft: a cockpit eye lifted further has left its seat
constexpr double kLeastNear = 1.0;           // ft: the nearest a cockpit's world near plane comes in
constexpr double kNearStep = 0.8;            // of the distance, each step it comes in

// How far a near plane `ahead` ft in front of the eye at `pose`, `halfWidth` by `halfHeight` ft
// either side, must rise to clear the ground by kNearPlaneClearance at its corners, edges and
// middle (ft; none when below zero).
double nearPlaneLift(ZephModel& ground, const QNion& pose, double ahead, double halfWidth, double halfHeight) {
    const auto& q = pose.QAttitude;  // the conjugate of the camera body's attitude
    const double body[4] = {q[0], -q[1], -q[2], -q[3]};
    double m[16] = {};
    ZephModel::quaternionToMatrix(body, m);  // rows: across, up, ahead
    double lift = -1e30;
    for (double across : {-1.0, 0.0, 1.0})
        for (double up : {-1.0, 0.0, 1.0}) {
            double at[3];
            for (int c = 0; c < 3; ++c)
                at[c] = pose.Position[c] + m[c] * across * halfWidth + m[4 + c] * up * halfHeight + m[8 + c] * ahead;
            lift = std::max(lift, ground.getAltitudeAtX(at[0], at[2]) + kNearPlaneClearance - at[1]);
        }
    return lift;
}

}  // namespace

// The camera placed around the viewed aircraft's newest bomb: the aircraft is moved there for
// the one placement, facing along the bomb's flight, with the pilot's head just behind it.
void GameController::placeBombCamera(ZephModel& m, long index, int32_t type, double distance, QNion* pose) {
    QNion saved;
    m.getModelPositionQNion(&saved);
    ZephModel* bombs = modelAt(ModelArray::kBombs);
    const double* b = bombs ? effects_->findNewestBombFrom(*bombs, index, m) : nullptr;
    if (!b) {
        camera::makeFinalViewingQNION(m, pose, type, distance, nullptr, clock_.gamePause);
        return;
    }
    QNion at = saved;
    at.Position = {b[0], b[1], b[2]};
    if (b[3] < kNoAnswer - 1000.0) {
        const double h = std::atan2(b[3], b[5]);
        const double p = std::atan2(b[4], std::sqrt(b[3] * b[3] + b[5] * b[5]));
        QNion pitch, heading;
        pitch.QAttitude = {std::cos(p / 2), std::sin(p / 2), 0, 0};
        heading.QAttitude = {std::cos(-h / 2), 0, std::sin(-h / 2), 0};
        ZephModel::multQnions(&pitch, &heading, &at);
    }
    m.setModelPositionQNion(&at);
    QNion* head = m.getPilotAttitudePtr();
    const double keptY = head->Position[1], keptZ = head->Position[2];
    head->Position[1] = 2.5;
    head->Position[2] = -4.8;
    camera::makeFinalViewingQNION(m, pose, type, distance, nullptr, clock_.gamePause);
    head->Position[1] = keptY;
    head->Position[2] = keptZ;
    m.setModelPositionQNion(&saved);
}

bool GameController::bombToFollow(long aircraftIndex) {
    ZephModel* m = modelAt(aircraftIndex);
    ZephModel* bombs = modelAt(ModelArray::kBombs);
    const double* b = m && bombs ? effects_->findNewestBombFrom(*bombs, aircraftIndex, *m) : nullptr;
    if (!b) return false;
    if (b[3] >= kNoAnswer - 1000.0) return true;
    // A falling bomb lies above the ground under it: it lands in the tick it reaches it.
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    return !ground || b[1] > ground->getAltitudeAtX(b[0], b[2]);
}

double GameController::keepCameraAboveGround(QNion& pose, const std::array<double, 3>& nearPlane) {
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    if (!ground) return 0.0;
    auto& p = pose.Position;
    double lift = ground->getAltitudeAtX(p[0], p[2]) + kCameraClearance - p[1];
    // The near plane too: a camera looking down (a wreck on its nose or its back) reaches the
    // ground with it long before with the eye.
    const auto [nearAhead, halfWidth, halfHeight] = nearPlane;
    if (nearAhead > 0.0) lift = std::max(lift, nearPlaneLift(*ground, pose, nearAhead, halfWidth, halfHeight));
    if (!(lift > 0.0)) return 0.0;
    p[1] += lift;
    return lift;
}

double GameController::nearPlaneClearOfGround(const QNion& pose, const std::array<double, 3>& nearPlane) {
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    const auto [nearAhead, halfWidth, halfHeight] = nearPlane;
    if (!ground || !(nearAhead > 0.0)) return 0.0;
    const auto& p = pose.Position;
    if (ground->getAltitudeAtX(p[0], p[2]) + kCameraClearance > p[1]) return 0.0;
    for (double share = 1.0; share * nearAhead >= kLeastNear; share *= kNearStep)
        if (nearPlaneLift(*ground, pose, share * nearAhead, share * halfWidth, share * halfHeight) <= 0.0)
            return share * nearAhead;
    return 0.0;
}

bool GameController::placeAboveGround(QNion& pose, bool cockpit, const std::array<double, 3>& nearPlane,
                                      double& nearLimit) {
    nearLimit = cockpit ? nearPlaneClearOfGround(pose, nearPlane) : 0.0;
    // A pilot's head in the ground (a wreck on its back or its nose): the eye above it is outside
    // the cockpit, which would be laid from within as the world's cover; the aircraft is drawn
    // whole instead.
    return nearLimit > 0.0 || !(keepCameraAboveGround(pose, nearPlane) > kOutOfCockpit);
}

void GameController::SetUpViewingPosition() {
    ZephModel* m = modelAt(cameras_.CameraAircraft);
    if (!m) return;
    m->addInSliders();
    const long e =
        cameras_.CameraPosition == camera::kNearestEnemy ? findClosestEnemyFrom(cameras_.CameraAircraft) : -1;
    const Vector3& o = cameras_.AbsoluteCameraOffset;
    if (std::fabs(o[0]) > 8.0 || std::fabs(o[1]) > 8.0 || std::fabs(o[2]) > 8.0) {
        // Still sliding from the last aircraft: a plain orbit on the slide's own angles.
        camera::createCameraPosition(*m, 1, &cameras_.ViewingQNion, cameras_.CameraDistance, cameras_.CameraHeading,
                                     cameras_.CameraUpAngle, cameras_.CameraBank);
    } else if (e == -1) {
        if (cameras_.SpecialCameraPosition == 0)
            camera::makeFinalViewingQNION(*m, &cameras_.ViewingQNion, cameras_.CameraPosition, cameras_.CameraDistance,
                                          nullptr, clock_.gamePause);
        else
            placeBombCamera(*m, cameras_.CameraAircraft, cameras_.CameraPosition, cameras_.CameraDistance,
                            &cameras_.ViewingQNion);
    } else {
        QNion enemy;
        if (ZephModel* em = modelAt(e + ModelArray::kFirstAircraft)) em->getModelPositionQNion(&enemy);
        camera::makeFinalViewingQNION(*m, &cameras_.ViewingQNion, cameras_.CameraPosition, cameras_.CameraDistance,
                                      &enemy, clock_.gamePause);
    }
    m->removeSliders();
    for (int c = 0; c < 3; ++c) cameras_.ViewingQNion.Position[c] += cameras_.AbsoluteCameraOffset[c];
    const bool cockpit = cameras_.CameraPosition == camera::kCockpit;
    double nearLimit = 0.0;
    const bool seated = placeAboveGround(cameras_.ViewingQNion, cockpit, toMyZephGLView->getNearPlane(), nearLimit);
    toMyZephGLView->setWorldNearLimit(nearLimit);
    if (cockpit && !seated) toMyZephGLView->setCameraInsideItem(-1);
    toMyZephGLView->setGlobalCameraPosition(&cameras_.ViewingQNion);
}

void GameController::SetUpSecondWindow() {
    toMyZephGLView->setDrawSecondWindow(cameras_.DrawSecondWindow);
    if (!cameras_.DrawSecondWindow) return;
    if (cameras_.SecondWindowClosestEnemy) {
        const long e = findClosestEnemyFrom(cameras_.CameraAircraft);
        if (e != -1) cameras_.CameraAircraft2 = e + ModelArray::kFirstAircraft;
    }
    ZephModel* m2 = modelAt(cameras_.CameraAircraft2);
    if (!m2) return;
    m2->addInSliders();
    cameras_.CameraDistance2 = cameras_.CameraPosition2 == camera::kCockpit ? 0.0 : cameras_.UserCameraDistance2;
    toMyZephGLView->setSecondAircraftCamera(cameras_.CameraAircraft2);
    const long e2 =
        cameras_.CameraPosition2 == camera::kNearestEnemy ? findClosestEnemyFrom(cameras_.CameraAircraft2) : -1;
    if (e2 == -1) {
        if (cameras_.SpecialCameraPosition2 == 0)
            camera::makeFinalViewingQNION(*m2, &cameras_.ViewingQNion2, cameras_.CameraPosition2,
                                          cameras_.CameraDistance2, nullptr, clock_.gamePause);
        else
            placeBombCamera(*m2, cameras_.CameraAircraft2, cameras_.CameraPosition2, cameras_.CameraDistance2,
                            &cameras_.ViewingQNion2);
    } else {
        QNion enemy;
        if (ZephModel* em = modelAt(e2 + ModelArray::kFirstAircraft)) em->getModelPositionQNion(&enemy);
        camera::makeFinalViewingQNION(*m2, &cameras_.ViewingQNion2, cameras_.CameraPosition2, cameras_.CameraDistance2,
                                      &enemy, clock_.gamePause);
    }
    m2->removeSliders();
    const bool cockpit = cameras_.CameraPosition2 == camera::kCockpit;
    double nearLimit = 0.0;
    const bool seated =
        placeAboveGround(cameras_.ViewingQNion2, cockpit, toMyZephGLView->getSecondNearPlane(), nearLimit);
    toMyZephGLView->setSecondNearLimit(nearLimit);
    toMyZephGLView->setSecondGlobalCameraPosition(&cameras_.ViewingQNion2);
    toMyZephGLView->setCameraInsideItem2(cockpit && !MBWindowOpen && seated ? cameras_.CameraAircraft2 : -1);
}

long GameController::findClosestEnemyFrom(long k) {
    ZephModel* self = modelAt(k);
    if (!self) return -1;
    const auto& p = self->live.attitude.Position;
    const int32_t team = self->getTeamNumber();
    double best = -1.0;
    long result = -1;
    for (long i = 0; i < ModelArray::kAircraftSlots; ++i) {
        if (i == k - ModelArray::kFirstAircraft) continue;
        ZephModel* other = modelAt(i + ModelArray::kFirstAircraft);
        if (!other || other->getTeamNumber() == team) continue;
        if (FlyableAircraft* craft = dynamic_cast<FlyableAircraft*>(other); craft && craft->getDeadOnGround()) continue;
        const auto& q = other->live.attitude.Position;
        if (!(q[1] > -3000.0)) continue;  // not in the mission: parked far below
        double d = 0;
        for (int c = 0; c < 3; ++c) d += (q[c] - p[c]) * (q[c] - p[c]);
        if (d < best || best == -1.0) {
            result = i;
            best = d;
        }
    }
    return result;
}

void GameController::findClosestTower() {
    ModelArray* models = getModelArray();
    if (!models) return;
    // Answers whether a tower was found; `eye` is left at the default point when none is.
    auto search = [&](long viewed, int32_t special, double zoom, Vector3& eye, bool useDefault) {
        if (useDefault) eye = {-380160.0, 200.0, 390720.0};
        ZephModel* m = models->at(viewed);
        if (!m) return false;
        Vector3 s = m->live.attitude.Position;
        if (special == kBombCamera)
            if (ZephModel* bombs = models->at(ModelArray::kBombs))
                if (const double* b = effects_->findNewestBombFrom(*bombs, viewed, *m)) s = {b[0], b[1], b[2]};
        double best = -1.0;
        Vector3 found{};
        for (long i = ModelArray::kBombs; i < models->size(); ++i) {
            ZephModel* o = models->at(i);
            if (!o || !o->isTower()) continue;
            const double* t = o->getTowerPosition();
            if (!t) continue;
            const double d = std::sqrt((s[0] - t[0]) * (s[0] - t[0]) + (s[1] - t[1]) * (s[1] - t[1]) +
                                       (s[2] - t[2]) * (s[2] - t[2]));
            if (best < 0 || d < best) {
                found = {t[0], t[1], t[2]};
                best = d;
            }
        }
        if (best < 0) return false;
        eye = found;
        if (zoom != 0.0) {
            // Pulled in along the line to the subject, to `zoom` ft from it.
            double v[3], l2 = 0;
            for (int c = 0; c < 3; ++c) {
                v[c] = s[c] - eye[c];
                l2 += v[c] * v[c];
            }
            const double length = std::sqrt(l2);
            if (zoom < length)
                for (int c = 0; c < 3; ++c) eye[c] += v[c] * (1.0 - zoom / length);
        }
        return true;
    };
    Cameras& v = cameras_;
    if (!search(v.CameraAircraft, v.SpecialCameraPosition, v.TowerZoom, v.OutsideCamera, true)) return;
    if (v.DrawSecondWindow) search(v.CameraAircraft2, v.SpecialCameraPosition2, v.TowerZoom2, v.OutsideCamera2, false);
}

}  // namespace pellam
