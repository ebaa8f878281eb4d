#include "objects/GroundGunner.h"

#include <algorithm>
#include <cmath>

#include "flight/Aircraft.h"
#include "flight/FlightModel.h"
#include "platform/Random.h"

namespace pellam {
namespace {

constexpr int32_t kTracerPuffLife = 40;  // ticks
constexpr int32_t kWreckPuffLife = 600;

double r16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

ZephModel* target(ControllerServices* controller, int16_t slot) {
    ModelArray* models = controller ? controller->getModelArray() : nullptr;
    if (!models || slot < 0 || slot >= ModelArray::kAircraftSlots) return nullptr;
    ZephModel* m = models->at(ModelArray::kFirstAircraft + slot);
    return m && m->getAircraftStruct() ? m : nullptr;
}

}  // namespace

void GroundGunner::resetGunItems() {
    own.fire.LastFireTime = 0;
    own.lastFire = 0;
    own.fire.TrackingAircraft = -1;
    own.fire.NumberOfGuns = 1;
    own.fire.NumberOfBombs = 0;
    own.fire.NumberOfAAA = 1;
    own.fire.FireDistance = 900.0f;
    own.fire.FireDelayTime = style_.fireDelay;
    own.fire.AAAPower = 40.0f;
    own.fire.AAADistance = 150.0f;
    own.fire.Accuracy = 0.1f;
    own.fire.GunsFrom[0] = style_.gun;
    own.fire.GunsFrom[1] = style_.spareGun;
    for (int k = 0; k < 4; ++k) own.fire.BombsFrom[k] = {0, 0, -1};
    own.bullets.TimeOfLastVisibleTracer = static_cast<int32_t>((r16() + 32769) / 3277);
    own.bullets.TimeBetweenVisibleTracer = 27;
}

void GroundGunner::handleFiringGuns(ZephModel& owner, const Object3DData& header, int32_t t, bool inReplay) {
    startAnObjectBullet(owner, header, t, inReplay);
    ModelArray* models = owner.aController ? owner.aController->getModelArray() : nullptr;
    MoveBullets(&own.bullets, models ? models->at(ModelArray::kTerrain) : nullptr, owner.WindVector.data());
    owner.live.globalTime = t;
    objectTracersToSmoke(t);
    ZephModel* craft = target(owner.aController, own.fire.TrackingAircraft);
    if (!craft) return;
    Aircraft* a = craft->getAircraftStruct();
    // A remote aircraft's hits come from its own machine: whatever the test added is taken back.
    const double hits = a->TotalHits;
    buCheckForBulletsOnAircraftHit(&own.bullets, craft, -1, inReplay, kHitModifier);
    if (a->RemoteLocal == 1) a->TotalHits = hits;
}

bool GroundGunner::startAnObjectBullet(ZephModel& owner, const Object3DData& header, int32_t t, bool inReplay) {
    if (header.GlobalDeadTime != 0 && header.GlobalDeadTime <= owner.live.globalTime) return false;
    ModelArray* models = owner.aController ? owner.aController->getModelArray() : nullptr;
    if (!TrackAircraftForBullets(&own.fire, models, owner.live.attitude.Position.data(), header.Team, t,
                                 inReplay)) {
        return false;
    }
    if (own.lastFire >= t) return false;
    ZephModel* craft = target(owner.aController, own.fire.TrackingAircraft);
    if (!craft) return false;
    own.lastFire = t + own.fire.FireDelayTime;
    own.bulletStart = 0;  // one gun: the next position is always the first

    double m[16] = {};
    ZephModel::quaternionToMatrix(owner.live.attitude.QAttitude.data(), m);
    const double g[3] = {own.fire.GunsFrom[0][0], own.fire.GunsFrom[0][1], own.fire.GunsFrom[0][2]};
    double w[3];
    ZephModel::RotateVector(g, w, m);
    double muzzle[3];
    for (int k = 0; k < 3; ++k) muzzle[k] = owner.live.attitude.Position[k] + w[k];

    QNion pose;
    craft->getModelPositionQNion(&pose);
    const double* T = pose.Position.data();
    const double range = std::hypot(T[0] - muzzle[0], T[1] - muzzle[1], T[2] - muzzle[2]);
    // Lead along the target's line of flight, and an error along it that aiming shrinks.
    double lead = craft->getAircraftStruct()->CurrentVelocity * range / kBulletSpeed;
    const double a = std::min(static_cast<double>(own.fire.AimingAccuracy), 0.99);
    lead += (1.0 - a) * r16() / 350.0;
    double tm[16] = {};
    ZephModel::quaternionToMatrix(pose.QAttitude.data(), tm);
    const double along[3] = {0, 0, lead};
    double aim[3];
    ZephModel::RotateVector(along, aim, tm);
    double v[3];
    for (int k = 0; k < 3; ++k) v[k] = T[k] + aim[k] - muzzle[k];
    const double len = std::hypot(v[0], v[1], v[2]);
    if (len <= 0.0) return false;
    for (double& c : v) c = c / len * kBulletSpeed;

    own.bullets.ActiveBullets = 1;
    if (t + 20 < own.bullets.TimeOfLastVisibleTracer && t != 0) own.bullets.TimeOfLastVisibleTracer = t;
    const int i = std::clamp(own.bullets.NextTheBullets, 0, BulletsList::kSlots - 1);
    own.bullets.NextTheBullets = i + 1 >= BulletsList::kSlots ? 0 : i + 1;
    ProjectileType& b = own.bullets.TheBullets[i];
    b.TimeAlive = 0;
    b.GraphicsType = -1;
    b.Punch = 0.02;
    b.Velocity = kBulletSpeed;
    b.PX = muzzle[0], b.PY = muzzle[1], b.PZ = muzzle[2];
    b.P2X = muzzle[0] + v[0], b.P2Y = muzzle[1] + v[1], b.P2Z = muzzle[2] + v[2];
    b.XMove = v[0], b.YMove = v[1], b.ZMove = v[2];
    if (own.bullets.TimeOfLastVisibleTracer + own.bullets.TimeBetweenVisibleTracer <= t &&
        own.lastVisible == own.bulletStart) {
        b.GraphicsType = 1;
        own.lastVisible = 0;
        own.bullets.TimeOfLastVisibleTracer = t;
    }
    return true;
}

void GroundGunner::objectTracersToSmoke(int32_t t) {
    for (const ProjectileType& b : own.bullets.TheBullets) {
        if (b.TimeAlive >= 71 || b.GraphicsType != 1) continue;
        const double d[3] = {b.P2X - b.PX, b.P2Y - b.PY, b.P2Z - b.PZ};
        for (int q = 0; q < 4; ++q) {
            GunnerSmoke& s = own.gunSmokes[own.nextGunSmoke];
            own.nextGunSmoke = own.nextGunSmoke + 1 >= kRing ? 0 : own.nextGunSmoke + 1;
            s.XYZPosition = {b.PX + d[0] * q * 0.25, b.PY + d[1] * q * 0.25, b.PZ + d[2] * q * 0.25};
            s.TimeStarted = t;
            s.StaysAlive = kTracerPuffLife;
            s.SmokeColor = style_.blueMap;
            s.SmokeSize = 1.0;
        }
    }
}

void GroundGunner::aircraftSmoke(const ZephModel& owner, int32_t deadTime, int32_t t) {
    if (deadTime == 0 || t - deadTime >= kWreckFireFor + 1) return;
    const double o[3] = {2.0 * r16() / 32768.0, 2.0 * r16() / 32768.0 + 15.0,
                         20.0 * ZephModel::getDoubleRandomFrom(-1.0, 1.0)};
    addWreckPuff(owner, o, t, t - deadTime > kBlueSmokeAfter ? style_.blueMap : style_.fireMap);
}

void GroundGunner::addWreckPuff(const ZephModel& owner, const double* offset, int32_t t, int16_t colour) {
    double m[16] = {}, w[3];
    ZephModel::quaternionToMatrix(owner.live.attitude.QAttitude.data(), m);
    ZephModel::RotateVector(offset, w, m);
    GunnerSmoke& s = own.smokes[own.nextSmoke];
    own.nextSmoke = own.nextSmoke + 1 >= kRing ? 0 : own.nextSmoke + 1;
    for (int k = 0; k < 3; ++k) s.XYZPosition[k] = owner.live.attitude.Position[k] + w[k];
    s.TimeStarted = t;
    s.StaysAlive = kWreckPuffLife;
    s.SmokeColor = colour;
    s.SmokeSize = 5.0 * r16() / 32768.0 + 20.0;
}

void GroundGunner::driftWreckSmoke(const double* wind) {
    if (Falling) return;
    for (GunnerSmoke& s : own.smokes) {
        if (s.TimeStarted == 0 || s.TimeStarted == GunnerSmoke::kRetired) continue;
        s.XYZPosition[0] += wind[0];
        s.XYZPosition[1] += wind[1] + kWreckRise;
        s.XYZPosition[2] += wind[2];
    }
}

SpriteLook GroundGunner::look(GunnerSmoke& s, int32_t t, bool wreck) const {
    SpriteLook l;
    const int32_t age = t - s.TimeStarted;
    if (s.TimeStarted == GunnerSmoke::kRetired) return l;
    if (age >= s.StaysAlive || t < s.TimeStarted - 20) {
        s.TimeStarted = GunnerSmoke::kRetired;
        return l;
    }
    if (s.TimeStarted == 0 || s.StaysAlive <= 0) return l;
    // Drawn from the presentation stream: the frame rate must not move the simulation's.
    if (wreck && s.SmokeColor == style_.fireMap && age > 60 + 20 * platform::presentationRandom().unit()) {
        s.SmokeColor = style_.blackMap;
    }
    double w = s.SmokeSize;
    if (s.SmokeSize <= 1.0) w = age / 70.0 * 6.0 + 0.25;
    else if (s.SmokeSize >= 15.0) w = (std::clamp(age, 0, 300) / 20.0 + 3.0) * s.SmokeSize / 15.0;
    const double f = std::min(s.StaysAlive - age, s.StaysAlive) / double(s.StaysAlive);
    l.shown = true;
    l.halfWidth = w;
    l.alpha = static_cast<float>(f * f);
    // A tracer puff shows the bullet itself for its first two ticks.
    l.map = wreck || f <= 0.95 ? s.SmokeColor : style_.tracerMap;
    return l;
}

}  // namespace pellam
