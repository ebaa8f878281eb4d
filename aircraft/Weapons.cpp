// The aircraft's guns and bomb rack: the trigger with its jam click, one bullet per tick from the
// two muzzles in turn with a tracer at the type's interval, and six bombs hanging in mirrored
// pairs, released last-loaded first.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

constexpr uint32_t kJamClickTicks = 20;
constexpr int32_t kJamSound = 41;

}  // namespace

void FlyableAircraft::gunsOnOff(int32_t on) {
    Aircraft& a = ThisAircraft;
    if (a.Damage1 & dmg::GunsJammed) {
        // Jammed: the trigger only clicks, at most every 20 ticks.
        const uint32_t now = static_cast<uint32_t>(missionTick());
        if (on != 0 && a.PlayThisSound < 0 && now - own.lastJamSound > kJamClickTicks) {
            a.PlayThisSound = kJamSound;
            own.lastJamSound = now;
        }
        return;
    }
    if ((a.Damage1 & dmg::Down) || a.GuyBailedOut) {
        a.GunsFiring = 0;
        a.CannonsFiring = 0;
        return;
    }
    a.GunsFiring = on == -1 ? (a.GunsFiring == 0 ? 1 : 0) : on;
    if (a.GunsFiring == 0 || ReplayFlag) {
        own.gunsOnAt = 0;
    } else if (own.gunsOnAt == 0) {
        own.gunsOnAt = aController ? aController->getGlobalMissionTime() : 0;
    }
    if (a.CurrentAmmoUsed >= a.AmmoInTicks) a.GunsFiring = 0;  // out of ammunition
}

void FlyableAircraft::burstLimits(int32_t tick) {
    Aircraft& a = ThisAircraft;
    if (a.CurrentAmmoUsed >= a.AmmoInTicks) a.GunsFiring = 0;
    // Long bursts jam the guns of the person flying: one roll a tick.
    if (a.AIType >= 0 || own.gunsOnAt == 0) return;
    const int32_t burst = tick - own.gunsOnAt;
    bool jam = false;
    if (burst > 540) jam = GetDoubleRandom0to1() < 0.006;
    else if (burst > 240) jam = GetDoubleRandom0to1() < 0.0003;
    if (jam) {
        a.Damage1 |= dmg::GunsJammed;
        own.gunsOnAt = 0;
        a.PlayThisSound = kJamSound;
    }
}

void FlyableAircraft::startABullet() {
    Aircraft& a = ThisAircraft;
    if (a.CurrentAmmoUsed >= a.AmmoInTicks) return;
    BulletsList& g = a.GunBullets;
    a.CurrentAmmoUsed += 1.0;
    g.ActiveBullets = 1;
    // A tracer stamp left in the future when the clock was set back holds tracers for one interval.
    if (g.TimeOfLastVisibleTracer > live.globalTime + 20 && live.globalTime != 0) g.TimeOfLastVisibleTracer = live.globalTime;

    if (g.NextTheBullets < 0 || g.NextTheBullets >= BulletsList::kSlots) g.NextTheBullets = 0;
    ProjectileType& b = g.TheBullets[g.NextTheBullets];
    if (++g.NextTheBullets >= BulletsList::kSlots) g.NextTheBullets = 0;
    b.TimeAlive = 0;
    b.GraphicsType = -1;
    b.Punch = a.BulletPunch;
    b.Velocity = a.BulletVelocity;

    double muzzle[3] = {g.BulletStartLocation[0], g.BulletStartLocation[1], g.BulletStartLocation[2]};
    if (g.TracersAlternate == 1) g.BulletStartLocation[0] = -g.BulletStartLocation[0];  // the other gun next
    const bool tracer = g.TimeOfLastVisibleTracer + g.TimeBetweenVisibleTracer <= live.globalTime;
    if (tracer) muzzle[0] = g.TracerStartLocation;

    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    const double body[3] = {0.0, 0.0, b.Velocity};
    double from[3], move[3];
    RotateVector(muzzle, from, m);
    RotateVector(body, move, m);
    const auto& p = live.attitude.Position;
    b.PX = from[0] + p[0], b.PY = from[1] + p[1], b.PZ = from[2] + p[2];
    b.XMove = move[0] + live.velocity[0];  // the bullet keeps the aircraft's motion
    b.YMove = move[1] + live.velocity[1];
    b.ZMove = move[2] + live.velocity[2];
    b.P2X = b.PX + b.XMove, b.P2Y = b.PY + b.YMove, b.P2Z = b.PZ + b.ZMove;
    b.PPitch = std::atan2(b.YMove, std::sqrt(b.XMove * b.XMove + b.ZMove * b.ZMove));
    b.PHeading = std::atan2(b.XMove, b.ZMove);
    if (tracer) {
        b.GraphicsType = 1;
        if (g.TracersAlternate == 1) g.TracerStartLocation = -g.TracerStartLocation;
        g.TimeOfLastVisibleTracer = live.globalTime;
    }
}

void FlyableAircraft::moveGunBullets() { MoveBullets(&ThisAircraft.GunBullets, Terrain, WindVector.data()); }

void FlyableAircraft::setNumberOfBombs(int32_t bombs) {
    ThisAircraft.CurrentNumberOfBombs = static_cast<int16_t>(std::clamp(bombs, 0, kMaxBombs));
    own.startUpBombs = ThisAircraft.CurrentNumberOfBombs;
}

int32_t FlyableAircraft::getNumberOfBombs() {
    return (ThisAircraft.Damage1 & dmg::Down) ? 0 : ThisAircraft.CurrentNumberOfBombs;
}

const double* FlyableAircraft::getBombPosition(int32_t bomb) {
    Aircraft& a = ThisAircraft;
    const int32_t n = std::clamp(bomb, 0, kMaxBombs - 1);  // asked by other objects
    double x = a.BombStartLocation[0] - (n / 2) * static_cast<double>(a.BombWidth);
    if (n % 2 == 1) x = -x;
    a.GlobalBombStart = {x, a.BombStartLocation[1], a.BombStartLocation[2]};
    return a.GlobalBombStart.data();
}

const double* FlyableAircraft::dropBomb() {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || a.CurrentNumberOfBombs <= 0) return nullptr;
    const int32_t last = std::min<int32_t>(a.CurrentNumberOfBombs, kMaxBombs) - 1;
    getBombPosition(last);
    a.CurrentNumberOfBombs = static_cast<int16_t>(last);
    a.PlayThisSound = 14;  // the release is heard over anything waiting
    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    const double body[3] = {a.GlobalBombStart[0], a.GlobalBombStart[1], a.GlobalBombStart[2]};
    RotateVector(body, a.GlobalBombStart.data(), m);
    for (int j = 0; j < 3; ++j) a.GlobalBombStart[j] += live.attitude.Position[j];
    return a.GlobalBombStart.data();
}

}  // namespace pellam
