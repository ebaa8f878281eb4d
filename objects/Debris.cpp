#include "objects/Debris.h"

#include <cmath>

#include "flight/Aircraft.h"

namespace pellam {
namespace {

constexpr double kGravity = 0.0014888888333333334;  // ft/tick^2: light pieces flutter down
constexpr double kDrag = 0.993;                       // across, per tick
// rad: the spin wraps at these rounded half and whole turns (not kPi: a wrap by 2 pi would move the pieces).
constexpr double kHalfTurn = 3.14159, kTurn = 6.28318;

double r16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

const Mesh& mesh() {
    static const Mesh m = effects::separatePolygons(Debris::kPieces, 3, effects::kTriangles,
                                                    kUntextured | kUnlit | kNoCull,
                                                    {0.1f, 0.1f, 0.1f, 1.0f});
    return m;
}

const ObjectHeaderTable kHeader{"Debris", 0x200, 0, {}, 0, 0, 0, 10000.0f, 100000.0f, -500.0f, 50000.0f};
const TableName kMaps[] = {{kEndOfNameList}};

void wrapAngle(double& a) {
    if (a > kHalfTurn) a -= kTurn;
    if (a < -kHalfTurn) a += kTurn;
}

}  // namespace

Debris::Debris() = default;

const ModelTables& Debris::tables() const {
    static const ModelTables t = effects::meshTables(&kHeader, "DebrisPP", kMaps, mesh());
    return t;
}

void Debris::setClassValues() {
    Object3DData& o = ThisModel.TheObject;
    effects::templateValues(o);
    setDebrisSizeMin(4.0, 4.0);
    for (FlakeType& f : TheFlakes) f = FlakeType{};
    for (int i = 0; i < kPieces; ++i) ModelPointsPolys().ThePolygons[i].DrawHints |= kSkip;
}

void Debris::setDebrisSizeMin(double minimum, double maximum) {
    MinSize = minimum;
    MaxSize = maximum;
}

long Debris::findOldest() const {
    long oldest = 0;
    for (long i = 0; i < kPieces; ++i) {
        if (TheFlakes[i].TimeStarted == kFree) return i;
        if (TheFlakes[i].TimeStarted < TheFlakes[oldest].TimeStarted) oldest = i;
    }
    return oldest;
}

Debris::FlakeType& Debris::placePiece(const double* position, int32_t time) {
    FlakeType& f = TheFlakes[findOldest()];
    f.TimeStarted = time < 0 ? 0 : time;  // a piece thrown at tick 0 is shown like any other
    f.GlobalX = position[0];
    f.GlobalY = position[1];
    f.GlobalZ = position[2];
    f.FlakeSize = GetDoubleRandomFrom(MinSize, MaxSize);
    return f;
}

void Debris::setTumble(FlakeType& f) {
    f.FPitch = r16() / 32768.0;  // within 1 rad
    f.FHeading = r16() / 32768.0;
    f.PitchChange = r16() / 231070.0;  // within about 0.142 rad/tick
    f.HeadingChange = r16() / 231070.0;
}

void Debris::startOneDebrisXYZAndMove(const double* p, int32_t time) {
    if (!p) return;
    FlakeType& f = placePiece(p, time);
    // Up to 0.1 ft/tick of jitter across and a lift of 0.1.
    f.XMove = p[3] + r16() / 327680.0;
    f.YMove = p[4] + 0.1;
    f.ZMove = p[5] + r16() / 327680.0;
    setTumble(f);
}

void Debris::startExplosionDebris(const double* q, int32_t time) {
    if (!q) return;
    for (int n = 0; n < 20; ++n) {
        double p[6] = {q[0], q[1], q[2], 0, 0, 0};
        p[3] = r16() / 32768.0 * 3.0;
        p[5] = r16() / 32768.0 * 3.0;
        p[4] = (r16() + 32768.0) / 32768.0 * 4.0;  // 0 to 8 ft/tick upward
        startOneDebrisXYZAndMove(p, time);
    }
}

void Debris::startOneDebrisFromAircraftHit(ZephModel* aircraft, int32_t time) {
    if (!aircraft) return;
    Aircraft* a = aircraft->getAircraftStruct();
    if (!a || a->HitY < -9000.0) return;  // no hit recorded
    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    double m[16] = {};
    quaternionToMatrix(pose.QAttitude.data(), m);
    const double hit[3] = {a->HitX, a->HitY, a->HitZ};
    double world[3];
    RotateVector(hit, world, m);
    for (int k = 0; k < 3; ++k) world[k] += pose.Position[k];
    const double* v = aircraft->getXYZVelocities();
    FlakeType& f = placePiece(world, time);
    // Up to 0.2 ft/tick towards +X and +Z only, and a lift of 0.1.
    f.XMove = v[0] + (r16() + 32768.0) / 327680.0;
    f.ZMove = v[2] + (r16() + 32768.0) / 327680.0;
    f.YMove = v[1] + 0.1;
    setTumble(f);
}

void Debris::callEveryTick(bool running, int32_t missionTime, bool inReplay) {
    if (!running) return;
    if (inReplay && aController && aController->getReplaySpeed() == 0) return;
    for (FlakeType& f : TheFlakes) {
        f.GlobalX += f.XMove;
        f.GlobalY += f.YMove;
        f.GlobalZ += f.ZMove;
        f.XMove *= kDrag;
        f.ZMove *= kDrag;
        f.YMove -= kGravity;
        if (f.GlobalY < 0.0) {
            f.GlobalY = -10000.0;
            f.XMove = f.YMove = f.ZMove = 0.0;
            f.TimeStarted = kFree;
        }
        f.FPitch += f.PitchChange;
        f.FHeading += f.HeadingChange;
        wrapAngle(f.FPitch);
        wrapAngle(f.FHeading);
    }
}

OneCompleteObjectVer2* Debris::getDrawingData(int32_t) {
    if (const effects::DrawingHooks* hooks = effects::drawingHooks()) hooks->debris(*this);
    return nullptr;
}

void Debris::prepareForReplayStart(int32_t missionTime) {
    ReplayFlakes = TheFlakes;
    ZephModel::prepareForReplayStart(missionTime);
}

void Debris::recoverFromReplay(int32_t missionTime) {
    TheFlakes = ReplayFlakes;
    ZephModel::recoverFromReplay(missionTime);
}

}  // namespace pellam
