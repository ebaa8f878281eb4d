#include "game/CameraPlacement.h"

#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "aircraft/RemoteRecord.h"
#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "platform/Beep.h"

namespace pellam::camera {
namespace {

using Q = std::array<double, 4>;

Q mult(const Q& a, const Q& b) {
    QNion qa, qb, qc;
    qa.QAttitude = a;
    qb.QAttitude = b;
    ZephModel::multQnions(&qa, &qb, &qc);
    return qc.QAttitude;
}
Q conj(const Q& q) { return {q[0], -q[1], -q[2], -q[3]}; }
Q rx(double radians) { return {std::cos(radians / 2), std::sin(radians / 2), 0, 0}; }
Q ry(double radians) { return {std::cos(radians / 2), 0, std::sin(radians / 2), 0}; }
Q rz(double radians) { return {std::cos(radians / 2), 0, 0, std::sin(radians / 2)}; }

double wrap180(double a) {
    if (a > 180.0) a -= 360.0;
    if (a < -180.0) a += 360.0;
    return a;
}

const Aircraft* recordOf(ZephModel& model) {
    auto* flyable = dynamic_cast<FlyableAircraft*>(&model);
    return flyable ? &flyable->ThisAircraft : nullptr;
}

// The body attitude as the aircraft is drawn: eased from the network's last shown attitude.
Q smoothedAttitude(ZephModel& model) {
    auto* flyable = dynamic_cast<FlyableAircraft*>(&model);
    return flyable ? drawnAttitude(*flyable) : model.live.attitude.QAttitude;
}

struct Axes {
    double m[16]{};
    std::array<double, 3> x() const { return {m[0], m[1], m[2]}; }
    std::array<double, 3> y() const { return {m[4], m[5], m[6]}; }
    std::array<double, 3> z() const { return {m[8], m[9], m[10]}; }
};
Axes axesOf(const Q& q) {
    Axes a;
    ZephModel::quaternionToMatrix(q.data(), a.m);
    return a;
}

void addScaled(std::array<double, 3>& p, const std::array<double, 3>& v, double s) {
    for (int i = 0; i < 3; ++i) p[i] += v[i] * s;
}

double elevation(const std::array<double, 3>& w) {
    return std::atan2(w[1], std::sqrt(w[0] * w[0] + w[2] * w[2])) * kDeg;
}

// Gliding while paused: the orbit angle closes a tenth of its gap, the height a fifth.
void glideWhilePaused(ZephModel& m, int32_t n) {
    if (n == kCircling) {
        m.CircleCameraDegrees += 1.0;
        if (m.CircleCameraDegrees > 360.0) m.CircleCameraDegrees -= 360.0;
    } else {
        m.CircleCameraDegrees = wrap180(m.CircleCameraDegrees + wrap180(m.TargetCameraDegrees - m.CircleCameraDegrees) / 10.0);
    }
    m.TargetNominalCH += (m.NominalCameraHeight - m.TargetNominalCH) * 0.2;
}

// The pose at the viewed body, or at its pilot once he has bailed out; answers the attitude the
// cameras fixed to it turn with.
Q poseAtBody(ZephModel& m, const Aircraft* a, QNion* pose) {
    if (a && a->GuyBailedOut) {
        pose->Position = m.live.bailOutPosition.Position;
        pose->QAttitude = conj(m.live.bailOutPosition.QAttitude);
        return m.live.bailOutPosition.QAttitude;
    }
    pose->Position = m.live.attitude.Position;
    pose->QAttitude = conj(m.live.attitude.QAttitude);
    return smoothedAttitude(m);
}

// What each camera reads and changes: the viewed model's camera fields, the pose made, and the
// point the orbiting cameras look at (ft).
struct Rig {
    ZephModel& M;
    QNion* Pose;
    std::array<double, 3> P;
    bool Running;
    // Running, the orbit angle and height take their targets at once.
    void snapWhileRunning() const {
        if (Running) {
            M.CircleCameraDegrees = M.TargetCameraDegrees;
            M.TargetNominalCH = M.NominalCameraHeight;
        }
    }
    std::array<double, 3> orbitEye(double radius) const {
        const double angle = (M.CircleCameraDegrees + 180.0) / kDeg;
        return {P[0] + radius * std::sin(angle), P[1] + M.TargetNominalCH, P[2] + radius * std::cos(angle)};
    }
};

void placeCircling(const Rig& rig, double d) {
    rig.M.NominalCameraHeight = 20.0;
    const auto eye = rig.orbitEye(d);
    rig.M.setOutsideCameraPosition(eye.data());
    levelPointCameraAtZeroFrom(eye.data(), rig.P.data(), rig.Pose);
}

// `d` ft behind the body on the line from the enemy, looking at it.
void placeWithEnemy(const Rig& rig, const QNion& enemy, double d) {
    ZephModel& m = rig.M;
    const auto& body = m.live.attitude.Position;
    m.NominalCameraHeight = d * 0.15;
    double v[3];
    for (int i = 0; i < 3; ++i) v[i] = enemy.Position[i] - body[i];
    m.CircleCameraDegrees = std::atan2(v[0], v[2]) * kDeg;
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0) {
        platform::SystemBeep();
        length = 5.0;
    }
    rig.snapWhileRunning();
    double eye[3];
    for (int i = 0; i < 3; ++i) eye[i] = rig.P[i] - v[i] / length * d;
    eye[1] += m.TargetNominalCH;
    levelPointCameraAtZeroFrom(eye, enemy.Position.data(), rig.Pose);
}

// The fly-by, chase and tower cameras sit where the outside camera was put.
void placeOutside(const Rig& rig) {
    ZephModel& m = rig.M;
    const auto& body = m.live.attitude.Position;
    const auto& o = m.OutSideCameraPosition;
    m.NominalCameraHeight = o[1] - body[1];
    m.CircleCameraDegrees = std::atan2(o[0] - body[0], o[2] - body[2]) * kDeg;
    levelPointCameraAtZeroFrom(o.data(), body.data(), rig.Pose);
}

// Cameras 1..4: from north, south, east or west.
void placeFromCompass(const Rig& rig, int32_t n, double d) {
    static constexpr double kTarget[5] = {0.0, 180.0, 0.0, -90.0, 90.0};
    rig.M.TargetCameraDegrees = kTarget[n];
    rig.M.NominalCameraHeight = 10.0;
    rig.snapWhileRunning();
    const auto eye = rig.orbitEye(d);
    levelPointCameraAtZeroFrom(eye.data(), rig.P.data(), rig.Pose);
}

void placeAbove(const Rig& rig, double d) {
    ZephModel& m = rig.M;
    const auto& P = rig.P;
    m.TargetCameraDegrees = 0.0;
    m.NominalCameraHeight = d;
    rig.snapWhileRunning();
    const double angle = (m.CircleCameraDegrees + 180.0) / kDeg;
    const double r = d - m.TargetNominalCH;
    const double ox = r > 0.5 ? r * std::sin(angle) : 0.0;
    const double oz = r > 0.5 ? r * std::cos(angle) : r;
    // The 2 ft toward -Z keeps the look direction off the vertical.
    const double eye[3] = {P[0] + ox, P[1] + m.TargetNominalCH, P[2] + oz - 2.0};
    levelPointCameraAtZeroFrom(eye, P.data(), rig.Pose);
}

void placeBeyondCockpit(const Rig& rig, double d) {
    rig.M.TargetCameraDegrees = 0.0;
    const auto eye = rig.orbitEye(d);
    levelPointCameraAtZeroFrom(eye.data(), rig.P.data(), rig.Pose);
}

// At the pilot's head, turned with it; the stall's wobble shakes it sideways.
void placeInCockpit(const Rig& rig, const Q& q, const Aircraft* a) {
    const ZephModel& m = rig.M;
    QNion* pose = rig.Pose;
    const Axes ax = axesOf(q);
    const auto& head = m.PilotAttitude.Position;
    addScaled(pose->Position, ax.x(), head[0] + (a ? a->StallWobble : 0.0));
    addScaled(pose->Position, ax.y(), head[1]);
    addScaled(pose->Position, ax.z(), head[2]);
    pose->QAttitude = conj(mult(m.PilotAttitude.QAttitude, q));
}

// The cameras fixed to the airframe `d` ft out: behind the tail, off either wing, ahead of the nose.
void placeOnAirframe(const Rig& rig, const Q& q, int32_t n, double d) {
    QNion* pose = rig.Pose;
    if (n == kTail) {
        addScaled(pose->Position, axesOf(q).z(), -d);
        pose->QAttitude = conj(q);
    }
    if (n == kLeftWing) {
        addScaled(pose->Position, axesOf(q).x(), -d);
        pose->QAttitude = conj(mult({std::cos(-0.7853981634397), 0, std::sin(-0.7853981634397), 0}, q));
    }
    if (n == kRightWing) {
        addScaled(pose->Position, axesOf(q).x(), d);
        pose->QAttitude = conj(mult({std::cos(0.7853981634397), 0, std::sin(0.7853981634397), 0}, q));
    }
    if (n == kNose) {
        addScaled(pose->Position, axesOf(q).z(), d);
        pose->QAttitude = conj(mult({std::cos(1.5707963268794), 0, std::sin(1.5707963268794), 0}, q));
    }
}

}  // namespace

void levelPointCameraAtZeroFrom(const double* from, const double* to, QNion* answer) {
    const double d[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const double pitch = std::atan2(d[1], std::sqrt(d[0] * d[0] + d[2] * d[2]));
    const double heading = std::atan2(d[0], d[2]);
    answer->Position = {from[0], from[1], from[2]};
    answer->QAttitude = mult(ry(heading), rx(-pitch));
}

void makeFinalViewingQNION(ZephModel& m, QNion* pose, int32_t n, double d, const QNion* enemy, bool running) {
    if (!running) glideWhilePaused(m, n);
    m.NominalCameraHeight = 0.0;  // each camera below sets its own
    const Aircraft* a = recordOf(m);
    const Q q = poseAtBody(m, a, pose);
    const Rig rig{m, pose, pose->Position, running};
    if (n == kNearestEnemy && !enemy) {  // none: the view from the cockpit
        n = kCockpit;
        d = 3.0;
    }
    if (n == kCircling) placeCircling(rig, d);
    if (n == kNearestEnemy) placeWithEnemy(rig, *enemy, d);
    if (n == kFlyBy || n == kChase || n == kTower) placeOutside(rig);
    if (n >= 1 && n <= 4) placeFromCompass(rig, n, d);
    if (n == kAbove) placeAbove(rig, d);
    if (n == kCockpit && d > 5.0) placeBeyondCockpit(rig, d);
    if (n == kCockpit && d <= 5.0) placeInCockpit(rig, q, a);
    placeOnAirframe(rig, q, n, d);
    rig.snapWhileRunning();
}


void createCameraPosition(ZephModel& m, int32_t n, QNion* P, double d, double hd, double u, double b) {
    *P = m.live.attitude;
    if (n == kFlyBy || n == kTower || n == kChase) {
        levelPointCameraAtZeroFrom(m.OutSideCameraPosition.data(), m.live.attitude.Position.data(), P);
    } else if (n == kCockpit && d < 5.0) {
        const Q q = smoothedAttitude(m);
        const Axes ax = axesOf(q);
        const auto& head = m.PilotAttitude.Position;
        addScaled(P->Position, ax.x(), head[0]);
        addScaled(P->Position, ax.y(), head[1]);
        addScaled(P->Position, ax.z(), head[2]);
        P->QAttitude = conj(mult(m.PilotAttitude.QAttitude, q));
    } else if ((n >= 1 && n <= 9) || n == kCircling || n == kCockpit) {
        const double h = hd / kDeg, up = u / kDeg;
        P->Position[0] += d * std::sin(h) * std::cos(up);
        P->Position[1] += d * std::sin(up);
        P->Position[2] += d * std::cos(h) * std::cos(up);
        P->QAttitude = mult(ry((hd - 180.0) / kDeg), mult(rx(up), rz(b / kDeg)));
    }
}

void makeFinalCameraVector(ZephModel& m, int32_t n, double* A) {
    A[2] = 0.0;
    switch (n) {
    case 1: A[0] = 0.0; A[1] = 0.0; break;
    case 2: A[0] = 180.0; A[1] = 0.0; break;
    case 3: A[0] = 90.0; A[1] = 0.0; break;
    case 4: A[0] = -90.0; A[1] = 0.0; break;
    case kAbove: A[1] = 90.0; break;
    case kCircling: A[0] = m.CircleCameraDegrees; A[1] = 20.0; break;
    case kLeftWing: case kRightWing: case kNose: case kTail: {
        const Axes ax = axesOf(m.live.attitude.QAttitude);
        std::array<double, 3> v;
        if (n == kLeftWing) {
            v = ax.x();
            for (double& c : v) c = -c;
            A[2] = -elevation(ax.z());
        } else if (n == kRightWing) {
            v = ax.x();
            A[2] = elevation(ax.z());
        } else if (n == kNose) {
            v = ax.z();
            A[2] = -elevation(ax.x());
        } else {
            v = ax.z();
            for (double& c : v) c = -c;
            A[2] = -std::atan2(ax.m[4], ax.m[0]) * kDeg;
        }
        A[0] = std::atan2(v[0], v[2]) * kDeg;
        A[1] = elevation(v);
        break;
    }
    default: break;
    }
}

}  // namespace pellam::camera
