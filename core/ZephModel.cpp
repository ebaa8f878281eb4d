#include "core/ZephModel.h"

#include <cmath>

#include "core/Degrees.h"
#include "platform/Beep.h"

namespace pellam {

ZephModel::ZephModel() {
    live.attitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
    PilotAttitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
    setStartingModelQNionX(0.0, 0.0, 0.0, &live.attitude);
    live.previousAttitude = live.attitude;
    iTensor[0] = iTensor[5] = iTensor[10] = 1.0;
    Mass = 50.0;
    InitAirDensitySlugs();
}

void ZephModel::resetModel() {
    LastKnownGameTime = 0;
    live.attitude = ModelStartPosition;
    if (RandomStartDistance > 0 && aController && !aController->isNetworkGame()) {
        const double d = aController->getObjectRandomDistance() / 65536.0 * RandomStartDistance;
        const double a = (aController->getObjectRandomHeading() - 32768) / 32768.0 * 3.1415;
        live.attitude.Position[0] += std::sin(a) * d;
        live.attitude.Position[2] += std::cos(a) * d;
    }
    ReplayUpdatesBetweenFrames = 0;
    ReplaySaveTime = 0;
}

bool ZephModel::setObjectFlatOnGround(ZephModel* terrain, double heading) {
    if (!terrain) return false;
    const double ground = terrain->getAltitudeAtX(live.attitude.Position[0], live.attitude.Position[2]);
    const double* plane = terrain->lastTerrainPlaneEq();
    const double a = plane[0], b = plane[1], c = plane[2];
    if (ground + 1.0 < live.attitude.Position[1]) return false;
    live.attitude.Position[1] = ground;

    // The plane's normal (a, b, c) points up. Ground rising ahead has c < 0 and must raise the
    // nose; a positive pitch lowers it, so the pitch takes the sign of c (the bank, of -a).
    const double pitch = std::atan2(c, b);
    const double bank = -std::atan2(a, b);
    live.attitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
    rotatePitchByDegrees(pitch * kDeg);
    rotateBankByDegrees(bank * kDeg);
    rotateHeadingByDegrees(heading);

    // The tilt turns the nose off the asked heading a little; take that back.
    double m[16] = {};
    const double nose[3] = {0.0, 0.0, 1.0};
    double world[3];
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    RotateVector(nose, world, m);
    const double e = std::atan2(world[0], world[2]);
    rotateHeadingByDegrees((heading / -kDeg + e) * -kDeg);
    return true;
}

void ZephModel::setStartingModelQNionX(double x, double y, double z, const QNion* attitude) {
    ModelStartPosition.Position = {x, y, z};
    ModelStartPosition.QAttitude = attitude->QAttitude;
    live.attitude = ModelStartPosition;
}

void ZephModel::setPreviousModelQNion(const double* q) {
    for (int i = 0; i < 4; ++i) live.previousAttitude.QAttitude[i] = q[i];
}

void ZephModel::setModelQNion(const double* q) {
    for (int i = 0; i < 4; ++i) live.attitude.QAttitude[i] = q[i];
}

void ZephModel::setPreviousModelPosition(const double* p) {
    for (int i = 0; i < 3; ++i) live.previousAttitude.Position[i] = p[i];
}

void ZephModel::setModelPosition(const double* p) {
    for (int i = 0; i < 3; ++i) live.attitude.Position[i] = p[i];
}

void ZephModel::drawYourSelfAtTime(int32_t) { platform::SystemBeep(); }

Aircraft* ZephModel::getAircraftStruct() {
    platform::SystemBeep();
    return nullptr;
}

void ZephModel::prepareForReplayStart(int32_t) { ReplayBaseLive = live; }

void ZephModel::recoverFromReplay(int32_t) { live = ReplayBaseLive; }

void ZephModel::setWindSpeed(double mph, double directionDegrees) {
    const double v = mph * 5280.0 / 216000.0;
    WindVector = {std::sin(directionDegrees / kDeg) * v, 0.0, std::cos(directionDegrees / kDeg) * v};
    WindSpeed = mph;
    WindDirection = directionDegrees;
}

void ZephModel::setOutsideCameraPosition(const double* position) {
    for (int i = 0; i < 3; ++i) OutSideCameraPosition[i] = position[i];
}

const double* ZephModel::lastTerrainPlaneEq() {
    DumLastTerrainEq = {0.0, 1.0, 0.0, 1.0};
    return DumLastTerrainEq.data();
}

}  // namespace pellam
