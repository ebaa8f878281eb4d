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
constexpr double kCameraClearance = 5.0;  // ft above the terrain: the near plane then clears it

}  // namespace

// The camera placed around the viewed aircraft's newest bomb: the aircraft is moved there for
// the one placement, facing along the bomb's flight, with the pilot's head just behind it.
void GameController::placeBombCamera(ZephModel& m, long index, int32_t type, double distance, QNion* pose) {
    QNion saved;
    m.getModelPositionQNion(&saved);
    ZephModel* bombs = modelAt(ModelArray::kBombs);
    const double* b = bombs ? effects_->findNewestBombFrom(*bombs, index, m) : nullptr;
    if (!b) {
        camera::makeFinalViewingQNION(m, pose, type, distance, nullptr, gamePause);
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
    camera::makeFinalViewingQNION(m, pose, type, distance, nullptr, gamePause);
    head->Position[1] = keptY;
    head->Position[2] = keptZ;
    m.setModelPositionQNion(&saved);
}

void GameController::keepCameraAboveGround(QNion& pose) {
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    if (!ground) return;
    auto& p = pose.Position;
    p[1] = std::max(p[1], ground->getAltitudeAtX(p[0], p[2]) + kCameraClearance);
}

void GameController::SetUpViewingPosition() {
    ZephModel* m = modelAt(CameraAircraft);
    if (!m) return;
    m->addInSliders();
    const long e = CameraPosition == camera::kNearestEnemy ? findClosestEnemyFrom(CameraAircraft) : -1;
    const Vector3& o = AbsoluteCameraOffset;
    if (std::fabs(o[0]) > 8.0 || std::fabs(o[1]) > 8.0 || std::fabs(o[2]) > 8.0) {
        // Still sliding from the last aircraft: a plain orbit on the slide's own angles.
        camera::createCameraPosition(*m, 1, &ViewingQNion, CameraDistance, CameraHeading, CameraUpAngle, CameraBank);
    } else if (e == -1) {
        if (SpecialCameraPosition == 0)
            camera::makeFinalViewingQNION(*m, &ViewingQNion, CameraPosition, CameraDistance, nullptr, gamePause);
        else
            placeBombCamera(*m, CameraAircraft, CameraPosition, CameraDistance, &ViewingQNion);
    } else {
        QNion enemy;
        if (ZephModel* em = modelAt(e + ModelArray::kFirstAircraft)) em->getModelPositionQNion(&enemy);
        camera::makeFinalViewingQNION(*m, &ViewingQNion, CameraPosition, CameraDistance, &enemy, gamePause);
    }
    m->removeSliders();
    for (int c = 0; c < 3; ++c) ViewingQNion.Position[c] += AbsoluteCameraOffset[c];
    keepCameraAboveGround(ViewingQNion);
    toMyZephGLView->setGlobalCameraPosition(&ViewingQNion);
}

void GameController::SetUpSecondWindow() {
    toMyZephGLView->setDrawSecondWindow(DrawSecondWindow);
    if (!DrawSecondWindow) return;
    if (SecondWindowClosestEnemy) {
        const long e = findClosestEnemyFrom(CameraAircraft);
        if (e != -1) CameraAircraft2 = e + ModelArray::kFirstAircraft;
    }
    ZephModel* m2 = modelAt(CameraAircraft2);
    if (!m2) return;
    m2->addInSliders();
    CameraDistance2 = CameraPosition2 == camera::kCockpit ? 0.0 : UserCameraDistance2;
    toMyZephGLView->setSecondAircraftCamera(CameraAircraft2);
    const long e2 = CameraPosition2 == camera::kNearestEnemy ? findClosestEnemyFrom(CameraAircraft2) : -1;
    if (e2 == -1) {
        if (SpecialCameraPosition2 == 0)
            camera::makeFinalViewingQNION(*m2, &ViewingQNion2, CameraPosition2, CameraDistance2, nullptr, gamePause);
        else
            placeBombCamera(*m2, CameraAircraft2, CameraPosition2, CameraDistance2, &ViewingQNion2);
    } else {
        QNion enemy;
        if (ZephModel* em = modelAt(e2 + ModelArray::kFirstAircraft)) em->getModelPositionQNion(&enemy);
        camera::makeFinalViewingQNION(*m2, &ViewingQNion2, CameraPosition2, CameraDistance2, &enemy, gamePause);
    }
    m2->removeSliders();
    keepCameraAboveGround(ViewingQNion2);
    toMyZephGLView->setSecondGlobalCameraPosition(&ViewingQNion2);
    toMyZephGLView->setCameraInsideItem2(CameraPosition2 == camera::kCockpit && !MBWindowOpen ? CameraAircraft2 : -1);
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
    if (!search(CameraAircraft, SpecialCameraPosition, TowerZoom, OutsideCamera, true)) return;
    if (DrawSecondWindow) search(CameraAircraft2, SpecialCameraPosition2, TowerZoom2, OutsideCamera2, false);
}

}  // namespace pellam
