#include "objects/GroundVehicle.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/Constants.h"
#include "objects/ArmedModels.h"
#include "objects/EffectModel.h"
#include "objects/RoadHeading.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

constexpr double kToDegrees = 57.29577951;
constexpr double kMostFall = 2.0;         // ft/tick
constexpr double kSkidSlowing = 0.03;     // ft/tick lost per tick by a wreck
constexpr double kSkidStop = 0.2;         // ft/tick below which a skidding wreck has stopped

// The bridge deck the vehicles cross (world ft).
constexpr double kDeckY = 850.0, kDeckZLow = 1844460.0, kDeckZHigh = 1848020.0;
constexpr double kDeckXLow = 2329320.0, kDeckXHigh = 2329400.0, kLaneNorth = 2329370.0, kLaneSouth = 2329350.0;

std::function<const double*()> sunSource;
void (*drawer)(TableModel&) = nullptr;

}  // namespace

namespace vehicles {
void setSunSource(std::function<const double*()> sun) { sunSource = std::move(sun); }
const double* sunVector() {
    static const double afternoon[3] = {0.42, 0.82, 0.39};
    return sunSource ? sunSource() : afternoon;
}
void setVehicleDrawer(void (*draw)(TableModel&)) { drawer = draw; }
}  // namespace vehicles

// ---- Setup and queries.

void GroundVehicle::setPathStart(int32_t firstPoint, const aiFlyToPoint* paths) {
    own.drivePathStart = own.currentDrivePath = firstPoint >= 0 && firstPoint < kPathPoints ? firstPoint : 0;
    DrivePathsPtr = paths;
}

void GroundVehicle::setObjectPoints(int32_t points) {
    if (points != -1) ThisModel.TheObject.PointsAwarded = int16_t(points);
}

const double* GroundVehicle::getTowerPosition() {
    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    RotateVector(TowerPosition.data(), GlobalTowerPosition.data(), m);
    for (int k = 0; k < 3; ++k) GlobalTowerPosition[k] += live.attitude.Position[k];
    return GlobalTowerPosition.data();
}

bool GroundVehicle::areYouDead() {
    const int32_t dead = ThisModel.TheObject.GlobalDeadTime;
    return dead != 0 && dead <= live.globalTime;
}

bool GroundVehicle::areYouDestroyed() {
    return armed::killedOnRecord(ThisModel.TheObject);
}

void GroundVehicle::setVehicleValues(float hitsWhenDead, float blastDistance, int16_t points, int16_t category) {
    Object3DData& o = ThisModel.TheObject;
    armed::groundObjectValues(o, ModelPointsPolys(), hitsWhenDead, blastDistance, points, category);
    o.AnimateItems[1] = kItemStartDeadOnGround;
    if (!(o.ObjectFlags & 0x20)) ModelPointsPolys().OverallSizeDistance = 0.0f;
}

void GroundVehicle::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    for (int c = 0; c < 4; ++c) BuiltPatch[c] = pp->ThePoints[layout().patch[c]];
}

void GroundVehicle::resetModel() {
    ZephModel::resetModel();
    Object3DData& o = ThisModel.TheObject;
    own.roadtype = 0;
    o.GlobalDeadTime = 0;
    o.ObjectHits = 0;
    DidDeadThing = false;
    DeadHeading = 0;
    own.currentSpeed = own.fallSpeed = own.randomDelayValue = 0;
    own.arrivedAtPointTime = 0;
    DeadTexture = 2;
    const double r = GetDoubleRandom0to1();
    if (r > 0.66) DeadTexture = 6;
    if (r < 0.34) DeadTexture = 7;
    // The patch lies flat again under a vehicle that has not been wrecked yet.
    if (ObjectPointsPolysVer2* g = ThisModel.ThePointsPolysData; g && g->ThePoints)
        for (int c = 0; c < 4; ++c) g->ThePoints[layout().patch[c]] = BuiltPatch[c];
    if (ZephModel* ground = terrain()) setObjectFlatOnGround(ground, o.InitialHeading);
    own.driveHeading = currentHeading();
    Ring.clear();
}

// ---- The per-tick step.

double GroundVehicle::currentHeading() const {
    double m[16] = {};
    const double nose[3] = {0.0, 0.0, 1.0};
    double w[3];
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    RotateVector(nose, w, m);
    return std::atan2(w[0], w[2]);
}

// The record of a one-based point number; null for 0 or a number that names none of the 200.
const aiFlyToPoint* GroundVehicle::pathPoint(int32_t oneBased) const {
    if (!DrivePathsPtr || oneBased < 1 || oneBased > kPathPoints) return nullptr;
    return &DrivePathsPtr[oneBased - 1];
}

ZephModel* GroundVehicle::terrain() const {
    ModelArray* models = aController ? aController->getModelArray() : nullptr;
    return models ? models->at(ModelArray::kTerrain) : nullptr;
}

void GroundVehicle::record(bool running, int32_t missionTime, bool inReplay) {
    if (inReplay)
        readCurrentReplayData(missionTime);
    else if (running)  // a paused game writes nothing: the next record would share its time
        saveCurrentReplayData(missionTime);
}

void GroundVehicle::callEveryTick(bool running, int32_t missionTime, bool inReplay) {
    // Bullets are tested against the object matrix whether or not the vehicle is drawn, so the
    // matrix follows the vehicle every tick, whichever way the step ends.
    struct PoseOnExit {
        GroundVehicle& v;
        ~PoseOnExit() {
            effects::poseMatrix(v.live.attitude.QAttitude.data(), v.live.attitude.Position.data(), v.ThisModel.ObjectMatrix);
        }
    } pose{*this};
    live.globalTime = missionTime;
    if (areYouDead()) {
        if (inReplay) {
            readCurrentReplayData(missionTime);
            return;
        }
        if (running) wreck();
        record(running, missionTime, false);
        return;
    }
    if (!DrivePathsPtr) {
        record(running, missionTime, inReplay);
        return;
    }
    if (!running) return;
    if (!pathPoint(own.currentDrivePath)) {
        own.currentDrivePath = 0;  // standing, also where a replay record named no point
        record(running, missionTime, inReplay);
        return;
    }
    drive(missionTime, inReplay);
    record(running, missionTime, inReplay);
}

void GroundVehicle::askRoad(ZephModel* ground) {
    const double x = live.attitude.Position[0], z = live.attitude.Position[2];
    const double x0 = std::floor(x / vehicles::kSquareFeet) * vehicles::kSquareFeet;
    const double z0 = std::floor(z / vehicles::kSquareFeet) * vehicles::kSquareFeet;
    const double lx = x - x0, lz = z - z0;
    if (own.roadtype <= 14 || lx < 20 || lx > 1750 || lz < 20 || lz > 1750) {
        // The terrain answers for the square [x, x + 1760] x [z - 1760, z] of the arguments plus
        // its viewing position.
        double vx = 0, vz = 0;
        if (auto* grid = dynamic_cast<RIDUdidav*>(ground)) {
            vx = grid->getViewingPosition()[0];
            vz = grid->getViewingPosition()[2];
        }
        own.roadtype = ground->roadMapHereX(float(x0 - vx), float(z0 + vehicles::kSquareFeet - vz));
    }
}

void GroundVehicle::drive(int32_t missionTime, bool inReplay) {
    const aiFlyToPoint& p = *pathPoint(own.currentDrivePath);
    const int32_t hi = ReplayRing::word(p.PSTargets / 65536.0);
    const int32_t lo = ReplayRing::word(p.PSTargets) & 0xFFFF;
    const bool roads = p.Flags & kFollowRoads;

    bool pausing = false;
    if (hi == 0 && lo != 0) {
        if (own.randomDelayValue == 0.0) {
            const double y = p.PointXYZ[1];
            if (y != std::trunc(y)) {
                const double s = 1000.0 * std::fabs(y - std::trunc(y));
                own.randomDelayValue = getDoubleRandomFrom(-s, s);
                // The pause is never shorter than one second.
                if (own.randomDelayValue < 0 && -own.randomDelayValue > lo - 1) own.randomDelayValue = -(lo - 1);
            }
        }
        pausing = missionTime - own.arrivedAtPointTime < int32_t(std::trunc((lo + own.randomDelayValue) * 60.0));
    }

    double& x = live.attitude.Position[0];
    double& z = live.attitude.Position[2];
    const double dx = p.PointXYZ[0] - x, dz = p.PointXYZ[2] - z;
    double d = std::sqrt(dx * dx + dz * dz);
    const auto square = [](double w) { return std::floor(w / vehicles::kSquareFeet); };
    if (roads && square(x) == square(p.PointXYZ[0]) && square(z) == square(p.PointXYZ[2])) d = 1.0;

    if (d < kArrival) {
        // A link that names none of the 200 points ends the path like -1 does.
        const int32_t next = p.NextPoint;
        own.currentDrivePath = next >= 0 && next < kPathPoints ? next + 1 : 0;
        own.randomDelayValue = 0.0;
        if (!inReplay) own.arrivedAtPointTime = missionTime;
        return;
    }

    double t = std::atan2(dx, dz);
    double h = currentHeading();
    own.driveHeading = h;
    ZephModel* ground = terrain();
    if (roads && ground) {
        askRoad(ground);
        if (own.roadtype > 18) {
            const double road = vehicles::makeHeadingForRoad2(&live.attitude, own.roadtype - 1, t);
            if (road != -1.0) t = road;
        }
    }

    double e = t - h;
    if (e > 3.14) e -= 6.28;
    if (e < -3.14) e += 6.28;
    if (own.currentSpeed != 0.0) {
        if (e > -kDegree && e < kDegree) {
            rotateHeadingByDegrees(e * kToDegrees);
            h += e;
        } else if (e > 0) {
            rotateHeadingByDegrees(1.0);
            h += kDegree;
        } else {
            rotateHeadingByDegrees(-1.0);
            h -= kDegree;
        }
    }

    if (pausing) {
        if (own.currentSpeed > 0) own.currentSpeed -= kSpeedStep;
    } else if (own.currentSpeed < kFullSpeed) {
        own.currentSpeed += kSpeedStep;
    }
    if (own.currentSpeed < 0) own.currentSpeed = 0.0;

    x += std::sin(h) * own.currentSpeed;
    z += std::cos(h) * own.currentSpeed;

    ThisModel.TheObject.Heading = h * kToDegrees;
    if (!ground) return;
    if (setObjectFlatOnGround(ground, h * kToDegrees)) {
        own.fallSpeed = 0.0;
    } else {
        own.fallSpeed = std::min(own.fallSpeed + kGravity, kMostFall);
        live.attitude.Position[1] -= own.fallSpeed;
    }
}

void GroundVehicle::setPatch(const double corners[4][3]) {
    GLT2FN3FV3FFormat* points = ModelPointsPolys().ThePoints;
    for (int c = 0; c < 4; ++c) {
        GLT2FN3FV3FFormat& v = points[layout().patch[c]];
        v.X = float(corners[c][0]);
        v.Y = float(corners[c][1]);
        v.Z = float(corners[c][2]);
    }
}

void GroundVehicle::wreck() {
    if (own.currentDrivePath == 0) {
        if (DidDeadThing) return;
        // A standing wreck tips once onto one side; the patch stays level under it.
        const bool right = GetDoubleRandom0to1() > 0.5;
        rotateBankByDegrees(right ? 30.0 : -38.0);
        const double a = right ? -0.5235987756 : 0.6632251158;
        static constexpr double xz[4][2] = {{-19, -19}, {-19, 19}, {19, 19}, {19, -19}};
        double corners[4][3];
        for (int c = 0; c < 4; ++c) {
            corners[c][0] = xz[c][0] * std::cos(a) - 0.5 * std::sin(a);
            corners[c][1] = xz[c][0] * std::sin(a) + 0.5 * std::cos(a);
            corners[c][2] = xz[c][1];
        }
        setPatch(corners);
        DidDeadThing = true;
        return;
    }
    if (own.currentSpeed > 0) {
        own.currentSpeed -= kSkidSlowing;
        if (own.currentSpeed < kSkidStop) own.currentSpeed = 0.0;
        if (DeadHeading == 0.0) DeadHeading = GetDoubleRandomFrom(-0.05, 0.05);
        double h = currentHeading();
        own.driveHeading = h;
        h += DeadHeading;
        rotateHeadingByDegrees(DeadHeading * kToDegrees);
        live.attitude.Position[0] += std::sin(h) * own.currentSpeed;
        live.attitude.Position[2] += std::cos(h) * own.currentSpeed;
        return;
    }
    if (DidDeadThing) return;
    // At rest it rolls onto its side, the patch turned with the body to stay on the ground.
    if (DeadHeading > 0) {
        rotateBankByDegrees(90.0);
        const double corners[4][3] = {{-2.5, 19, -19}, {-2.5, 19, 19}, {-2.5, -19, 19}, {-2.5, -19, -19}};
        setPatch(corners);
    } else {
        rotateBankByDegrees(-90.0);
        const double corners[4][3] = {{2.5, -19, -19}, {2.5, -19, 19}, {2.5, 19, 19}, {2.5, 19, -19}};
        setPatch(corners);
    }
    live.attitude.Position[1] += 3.5;
    DidDeadThing = true;
}

// ---- Drawing.

void GroundVehicle::holdOnBridge() {
    if (areYouDead()) return;
    const double x = live.attitude.Position[0], z = live.attitude.Position[2];
    if (!(z > kDeckZLow && z < kDeckZHigh && x > kDeckXLow && x < kDeckXHigh)) return;
    live.attitude.Position[1] = kDeckY;
    const bool north = own.driveHeading > -1.57 && own.driveHeading < 1.57;
    live.attitude.Position[0] = north ? kLaneNorth : kLaneSouth;
    setHeading(north ? 0.0 : 180.0);
}

OneCompleteObjectVer2* GroundVehicle::getDrawingData(int32_t gameTime) {
    holdOnBridge();
    effects::poseMatrix(live.attitude.QAttitude.data(), live.attitude.Position.data(), ThisModel.ObjectMatrix);
    doShadow(gameTime);
    live.globalTime = gameTime;
    OnePolygonVer2& patch = ModelPointsPolys().ThePolygons[layout().patchPolygon];
    patch.MapNumber = int16_t(areYouDead() && own.currentSpeed == 0.0 ? DeadTexture : -1);
    if (drawer) drawer(*this);
    return nullptr;
}

void GroundVehicle::doShadow(int32_t) {
    const Layout& l = layout();
    GLT2FN3FV3FFormat* v = ModelPointsPolys().ThePoints + l.shadowFirst;
    double s[3];
    InverseRotateVector(vehicles::sunVector(), s, ThisModel.ObjectMatrix.data());
    // No shadow on a wreck or at night; by day it reaches from the body away from the sun,
    // as long as the sun is low in any direction.
    if (areYouDead() || !(s[1] > 0.0)) {
        for (int k = 0; k < 8; ++k) v[k].X = v[k].Z = 0.0f;
        return;
    }
    const double length = std::clamp(-10.5 * std::sqrt(s[0] * s[0] + s[2] * s[2]) / s[1], -125.0, 125.0);
    const double a = std::atan2(s[0], s[2]);
    const double dx = std::sin(a) * length, dz = std::cos(a) * length;
    const auto [x0, x1, z0, z1] = l.shadowBox;
    const double corners[4][2] = {{x0, z1}, {x1, z1}, {x1, z0}, {x0, z0}};
    for (int c = 0; c < 4; ++c) {
        v[c].X = float(corners[c][0]);
        v[c].Z = float(corners[c][1]);
        v[4 + c].X = float(dx + corners[c][0]);
        v[4 + c].Z = float(dz + corners[c][1]);
    }
}

// ---- Replay.

void GroundVehicle::saveCurrentReplayData(int32_t missionTime) {
    uint8_t* r = Ring.saving(missionTime, ReplaySaveTime);
    if (!r) return;
    ReplayRing::putPose(r, live.attitude.Position, live.attitude.QAttitude);
    ReplayRing::put32(r, 32, own.currentDrivePath);
    ReplayRing::put32(r, 36, int32_t(own.currentSpeed * 1000.0));
    ReplayRing::put32(r, 40, int32_t(own.fallSpeed * 1000.0));
    ReplayRing::put32(r, 44, own.arrivedAtPointTime);
}

void GroundVehicle::readCurrentReplayData(int32_t missionTime) {
    const uint8_t* r = Ring.reading(missionTime);
    if (!r) return;
    ReplayRing::getPose(r, live.attitude.Position, live.attitude.QAttitude);
    const int32_t path = ReplayRing::get32(r, 32);
    own.currentDrivePath = path >= 0 && path <= kPathPoints ? path : 0;
    own.currentSpeed = ReplayRing::get32(r, 36) / 1000.0;
    own.fallSpeed = ReplayRing::get32(r, 40) / 1000.0;
    own.arrivedAtPointTime = ReplayRing::get32(r, 44);
}

void GroundVehicle::prepareForReplayStart(int32_t missionTime) {
    ReplayLive = {.live = own, .heading = ThisModel.TheObject.Heading, .saveTime = ReplaySaveTime};
    ZephModel::prepareForReplayStart(missionTime);
}

void GroundVehicle::recoverFromReplay(int32_t missionTime) {
    own = ReplayLive.live;
    ThisModel.TheObject.Heading = ReplayLive.heading;
    ReplaySaveTime = ReplayLive.saveTime;
    ZephModel::recoverFromReplay(missionTime);
}

}  // namespace pellam
