// The patrol's ground attack: the targets of the current path point (or the nearest hittable
// enemy object within AttackEnemyObjectDistance), the start delay of a parked aircraft, and the
// attack itself: approach, gun pass, bombing run with a random release distance, pull-up and
// turns back in. Distances in ft, angles in deg. Model-array indexes below 21 name no target.
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiGroundAttack.h"
#include "flight/AiPilot.h"
#include "flight/FlightModel.h"

namespace pellam {

using namespace ai;

namespace {

constexpr int32_t kGunAttack = 0x80, kNoPullUp = 0x200;
constexpr long kFirstTarget = ModelArray::kFirstMissionObject;

int32_t draw16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

void gunsOff(Aircraft& a) { a.GunsFiring = 0, a.CannonsFiring = 0; }

double deg(double y, double x) { return std::atan2(y, x) * kDeg; }

// Elevator toward an angle off the nose: gently for large angles, fully for middling ones.
void elevatorTo(ZephModel* aircraft, double angle) {
    aircraft->ElevatorInputAbsolute(std::fabs(angle) >= 10.0 ? angle / 100.0 : angle / 30.0);
}

// The climb rule of the turns: hold a climb rate while banked, aim at the target when level.
void turnClimb(ZephModel* aircraft, const Aircraft& a, double h, double by, double bz) {
    if (std::fabs(a.AircraftBank) >= 4.0) {
        HoldClimbDiveRateMellow(h < 500.0 ? 1500.0 : (h > 800.0 ? -250.0 : 0.0), aircraft);
    } else {
        elevatorTo(aircraft, deg(by, bz));
    }
}

// The nearest live enemy object that can be hit, within the object-attack distance; -1 none.
long searchTarget(ZephModel* aircraft, const Aircraft& a, ModelArray* objects, const double* pos) {
    const bool bombs = aircraft->getNumberOfBombs() > 0;
    const double limit = static_cast<double>(a.AttackEnemyObjectDistance);
    long best = -1;
    double bestD2 = 0.0;
    for (long i = kFirstTarget; i < objects->size(); ++i) {
        ZephModel* o = objects->at(i);
        OneCompleteObjectVer2* c = o ? o->getCompleteObjectPtr() : nullptr;
        if (!c) continue;
        const Object3DData& d = c->TheObject;
        bool ok = d.ObjectFlags & 0x20;
        if (!bombs) {  // guns only: something the guns can hurt, and guns that work
            ok = ok && d.HitSquare[0] != 0.0 && d.ObjectHitsWhenDead <= 99.0f && a.CurrentAmmoUsed < a.AmmoInTicks &&
                 !(a.Damage1 & dmg::GunsJammed);
        }
        if (!ok || d.Team == a.Team || o->areYouDead()) continue;
        const double dx = c->ObjectMatrix[12] - pos[0], dy = c->ObjectMatrix[13] - pos[1],
                     dz = c->ObjectMatrix[14] - pos[2];
        const double d2 = dx * dx + dy * dy + dz * dz;
        if (d2 < limit * limit && (best < 0 || d2 < bestD2)) best = i, bestD2 = d2;
    }
    return best;
}

void releaseBomb(ZephModel* aircraft, ModelArray* objects, int32_t missionTime) {
    const long slot = objects->indexOf(aircraft);
    ZephModel* pool = objects->at(ModelArray::kBombs);
    if (!pool || slot < ModelArray::kFirstAircraft || slot >= ModelArray::kFirstAircraft + ModelArray::kAircraftSlots) {
        return;
    }
    const double* at = aircraft->dropBomb();
    if (at) pool->startADroppedBomb(aircraft->getXYZVelocities(), at, missionTime, static_cast<int32_t>(slot));
}

// A parked aircraft waits the point's start delay (lo s, with the point's random spread) with
// the brakes on. True while it waits.
bool startDelay(ZephModel* aircraft, Aircraft& a, const aiFlyToPoint* P, long lo) {
    // Parked: wait lo seconds (with the point's random spread) with the brakes on. The spread
    // may shorten the wait to a second, never turn it into a longer one.
    double s = 0.0;
    const double y = P ? P->PointXYZ[1] : 0.0;
    const double f = y - std::trunc(y);
    if (f != 0.0) s = ZephModel::getDoubleRandomFrom(-std::fabs(1000.0 * f), std::fabs(1000.0 * f));
    if (s < 0.0 && -s > lo - 1) s = -static_cast<double>(lo - 1);
    if (a.AIDelayOnFlyThePointsTime == 0) a.AIDelayOnFlyThePointsTime = static_cast<int32_t>((lo + s) * 60.0) + 600;
    a.AIDelayOnFlyThePointsTime -= 1;
    if (a.AIDelayOnFlyThePointsTime > 600) {
        gunsOff(a);
        aircraft->setThrottle(0.0);
        aircraft->turnBrakesOn();
        return true;
    }
    if (P && P->ThrottlePosition != 0.0) {
        a.CurrentVelocity = 0.02;  // rolling: no second wait
    } else if (P && P->NextPoint >= 0 && P->NextPoint < kPathPoints) {
        a.NextFlyPointNumber = P->NextPoint;
    }
    return false;
}

// Where the target lies from this aircraft, and how the run is to be flown.
struct Run {
    double h = 0;          // height above the target, ft
    double w = 0;          // world bearing to it, deg
    double bx = 0, by = 0, bz = 0;  // the target in body axes, ft
    double r = 0;          // bearing off the nose, deg
    double d = 0;          // distance across the ground in body axes, ft
    double speed = 0;      // own, mph
    double targetMph = 0;
    int32_t runBombs = 0;  // bombs for this run; moving targets are strafed
    int32_t flags = 0;
    bool noPullUp = false;
};

Run runTo(ZephModel* aircraft, const Aircraft& a, const QNion& me, ZephModel* target, int32_t bombs, int32_t flags) {
    Run run;
    run.targetMph = target->yourSpeedMPH();
    run.runBombs = run.targetMph > 60.0 ? 0 : bombs;
    QNion tp;
    target->getModelPositionQNion(&tp);
    run.h = me.Position[1] - tp.Position[1];
    run.w = deg(tp.Position[0] - me.Position[0], tp.Position[2] - me.Position[2]);
    double m[16] = {};
    ZephModel::quaternionToMatrix(me.QAttitude.data(), m);
    const double diff[3] = {tp.Position[0] - me.Position[0], tp.Position[1] - me.Position[1],
                            tp.Position[2] - me.Position[2]};
    double b[3];
    ZephModel::InverseRotateVector(diff, b, m);
    run.bx = b[0], run.by = b[1], run.bz = b[2];
    run.r = deg(run.bx, run.bz);
    run.d = std::sqrt(run.bx * run.bx + run.bz * run.bz);
    run.speed = mphOf(a);
    run.flags = flags;
    run.noPullUp = flags & kNoPullUp;
    return run;
}

// Too high over the target: come down; too close or too steep: pull up. True when one applies.
bool tooHighOrTooClose(ZephModel* aircraft, Aircraft& a, const Run& run) {
    const double h = run.h, d = run.d, by = run.by, speed = run.speed, targetMph = run.targetMph;
    if (h > 1500.0 && d < 1500.0) {  // too high over it: come down
        gunsOff(a);
        aircraft->setThrottle(speed > 180.0 ? 0.2 : 1.0);
        if (speed - 80.0 < targetMph) aircraft->setThrottle(1.0);
        aircraft->RudderInput(0.0);
        NormalBank(0.0, aircraft);
        HoldClimbDiveRateMellow(-1500.0, aircraft);
        collsionAvoidance(aircraft);
        return true;
    }
    if (((d < 700.0 && deg(by, d) < -10.0) || d < 400.0) && !run.noPullUp) {
        gunsOff(a);
        aircraft->setThrottle(1.0);
        aircraft->RudderInput(0.0);
        NormalBank(0.0, aircraft);
        HoldClimbDiveRateMellow(1500.0, aircraft);
        collsionAvoidance(aircraft);
        return true;
    }
    return false;
}

// Lined up on the target: aim, fire the guns on a gun pass, release the stick of bombs, and
// pull out of a steep dive. True when the pull-out took the controls.
bool attackPass(ZephModel* aircraft, Aircraft& a, const Run& run, bool found, ModelArray* objects,
                int32_t missionTime) {
    const double h = run.h, d = run.d, bx = run.bx, by = run.by, r = run.r, speed = run.speed;
    const double targetMph = run.targetMph;
    const int32_t runBombs = run.runBombs, flags = run.flags;
    const bool noPullUp = run.noPullUp;
    aircraft->setThrottle(speed > 180.0 ? 0.6 : 1.0);
    aircraft->RudderInput(bx / 40.0);
    if (speed - 80.0 < targetMph) aircraft->setThrottle(1.0);
    double aim;
    if (h <= 800.0 || d <= 2000.0) {
        // A gun pass aims 10 ft under the target.
        aim = (a.NumberOfBombsAtStartOfRun != 0 || h <= 150.0) ? deg(by, d) : deg(by - 10.0, d);
    } else {
        aim = deg(by, d) - 7.0;
    }
    if (std::fabs(aim) >= 10.0) {
        aircraft->ElevatorInputAbsolute(aim / 100.0);
    } else if (std::fabs(aim) >= 0.5) {
        aircraft->ElevatorInputAbsolute(aim);
    } else {
        double e = std::clamp(2.0 * aim, -0.4, 0.4);
        if (speed < 150.0) e /= 2.0;
        aircraft->ElevatorInputAbsolute(e);
    }
    if (a.AircraftPitch < -25.0 && !noPullUp && h < 1000.0) {
        NormalBank(0.0, aircraft);
        HoldClimbDiveRateMellow(0.0, aircraft);
        return true;
    }
    NormalBank(r * 10.0, aircraft);
    if (((runBombs == 0 && (flags & kGunAttack)) || found || noPullUp) && d < 3000.0 &&
        a.NumberOfBombsAtStartOfRun == 0) {
        a.GunsFiring = 1, a.CannonsFiring = 1;
        if (speed < 150.0) aircraft->RudderInput(r / 3.5);
    }
    if (runBombs > 0 && !a.GuyBailedOut && a.LastBombDropTime < missionTime && d < a.RandomDropNumber && d > 50.0) {
        // The next bomb of the stick falls somewhere between here and the shortest range: 740 ft,
        // or, aimed flatter than -10 deg, 430 ft drawn afresh (two draws from the shared stream).
        const auto between = [&](double nearest) {
            return static_cast<int32_t>(((draw16() + 32768) / 65536.0) * (d - nearest) + nearest);
        };
        a.RandomDropNumber = between(740.0);
        if (aim > -10.0) a.RandomDropNumber = between(430.0);
        releaseBomb(aircraft, objects, missionTime);
        a.LastBombDropTime = missionTime + 40;
    }
    if (a.AircraftPitch < -15.0 && !noPullUp && h < 500.0) {
        NormalBank(0.0, aircraft);
        HoldClimbDiveRateMellow(0.0, aircraft);
        return true;
    }
    return false;
}

// Turning in: past the target to one side, a gentle or a steep turn toward it, or away to come
// back when it lies behind. Always takes the controls.
void turnIn(ZephModel* aircraft, Aircraft& a, Run run) {
    const double h = run.h, w = run.w, bx = run.bx, by = run.by, bz = run.bz, d = run.d;
    double& r = run.r;
    const double t = wrap180(w - a.AircraftHeading);  // > 0: the target lies to the right
    if (std::fabs(r) < 3.0 && std::fabs(bx) >= 25.0) {  // pointed at it but off to one side
        if (bz > 3500.0) {
            aircraft->setThrottle(1.0);
            aircraft->RudderInput(r / 6.0);
            elevatorTo(aircraft, deg(by, bz));
            NormalBank(r * 15.0, aircraft);
            collsionAvoidance(aircraft);
            return;
        }
        r = widenedBearing(r, bx);
    }
    const double at = std::fabs(t);
    if (at >= 3.0 && at < 30.0) {
        double bank = t;
        if (at < 10.0 && d < 5000.0) bank *= 3.0;
        NormalBank(bank * 2.3, aircraft);
        aircraft->RudderInput(t > 0.0 ? 0.5 : -0.5);
        turnClimb(aircraft, a, h, by, bz);
        collsionAvoidance(aircraft);
    }
    if (at >= 30.0 && at < 60.0) {
        if (d >= 1000.0) {
            NormalBank(t > 0.0 ? 65.0 : -65.0, aircraft);
            aircraft->RudderInput(t > 0.0 ? 0.2 : -0.2);
            turnClimb(aircraft, a, h, by, bz);
            collsionAvoidance(aircraft);
            return;
        }
        r = 180.0;  // too close to turn in: fly away and come back
    }
    if (std::fabs(r) < 60.0) return;
    gunsOff(a);
    aircraft->setThrottle(1.0);
    aircraft->RudderInput(0.0);
    if (std::fabs(r) <= 140.0 && bz >= 0.0) {
        NormalBank(t > 0.0 ? 65.0 : -65.0, aircraft);
        aircraft->RudderInput(t > 0.0 ? 0.2 : -0.2);
    } else {
        NormalBank(0.0, aircraft);  // behind: extend straight away
    }
    HoldClimbDiveRateMellow(h < 500.0 ? 1500.0 : 0.0, aircraft);
    collsionAvoidance(aircraft);
    return;
}

// The target of this step: the path point's (hi x 65536 + lo), or the nearest enemy object
// when the point names none; a parked aircraft first waits the point's start delay. Answers
// the target's model index, 0 when there is none, -1 while the aircraft waits.
long pickTarget(ZephModel* aircraft, Aircraft& a, ModelArray* objects, const aiFlyToPoint* P, const QNion& me,
                bool& attack, bool& found) {
    const double ps = P ? P->PSTargets : 0.0;
    // hi x 65536 + lo in a double from the mission file: anything but a plain count means none.
    const long whole = std::isfinite(ps) && ps >= 0.0 && ps < 2147483647.0 ? static_cast<long>(ps) : 0;
    long hi = whole / 65536, lo = whole & 0xFFFF;
    if (hi < 20) hi = 0;

    if (ps == 0.0 && a.AttackEnemyObjectDistance != 0) {
        const long best = searchTarget(aircraft, a, objects, me.Position.data());
        if (best >= 0) hi = best, attack = found = true;
    }
    if (hi == 0 && lo == 0) return 0;

    // A wait once begun goes on while the aircraft settles onto its wheels: that first second of
    // movement after being placed must not cancel the mission's start delay.
    const bool waiting = a.AIDelayOnFlyThePointsTime > 600;
    if ((a.CurrentVelocity < 0.01 || waiting) && hi == 0 && lo > 0) {
        if (startDelay(aircraft, a, P, lo)) return -1;
        lo = 0;
    } else if (a.CurrentVelocity >= 0.01) {
        a.AIDelayOnFlyThePointsTime = 0;
        if (hi == 0) lo = 0;
    }

    if (lo < 20) lo = 0;
    if (hi >= objects->size()) hi = 0;
    if (lo >= objects->size()) lo = 0;
    if (hi > 20 && objects->at(hi) && !objects->at(hi)->areYouDead()) return hi;
    if (lo > 20 && objects->at(lo) && !objects->at(lo)->areYouDead()) return lo;
    return 0;
}

}  // namespace

bool ai::groundAttackStep(ZephModel* aircraft, Aircraft& a, ModelArray* objects, int32_t missionTime, FarTarget& far) {
    far = FarTarget{};
    if (!objects) return false;
    const aiFlyToPoint* P = pathPoint(flyToPointsOf(aircraft), a.NextFlyPointNumber);
    const int32_t flags = P ? P->Flags : 0;
    bool attack = false, found = false;
    QNion me;
    aircraft->getModelPositionQNion(&me);
    const long index = pickTarget(aircraft, a, objects, P, me, attack, found);
    if (index < 0) return true;
    if (index == 0) return false;
    ZephModel* target = objects->at(index);

    aircraft->setThrottle(0.8);
    const int32_t bombs = aircraft->getNumberOfBombs();
    if (bombs > 0 || (flags & (kGunAttack | kNoPullUp))) attack = true;
    if (bombs == 0 && a.CurrentAmmoUsed >= a.AmmoInTicks && a.CurrentCannonUsed >= a.CannonAmmoInTicks) attack = false;
    if (!attack) return false;

    const Run run = runTo(aircraft, a, me, target, bombs, flags);
    if (tooHighOrTooClose(aircraft, a, run)) return true;
    if (run.d >= 8000.0) {
        far = FarTarget{true, run.w, run.h, run.targetMph};
        return false;
    }

    aircraft->gearUpDown(0);
    aircraft->setFlaps(0.0);
    gunsOff(a);
    if (run.d > 2500.0) {  // setting up the run
        a.NumberOfBombsAtStartOfRun = run.runBombs;
        a.RandomDropNumber = 1100 + (draw16() + 32768) / 218;
        if (a.AircraftPitch > -10.0) a.RandomDropNumber -= 700;
    }
    if (std::fabs(run.r) < 3.0 && std::fabs(run.bx) < 25.0 && attackPass(aircraft, a, run, found, objects, missionTime))
        return true;
    const long self = objects->indexOf(aircraft) - ModelArray::kFirstAircraft;
    if (run.noPullUp && self > 0 && self < ModelArray::kAircraftSlots) {
        checkThisAircraftForThisModelCollision(aircraft, target, missionTime, index, static_cast<int32_t>(self));
    }
    turnIn(aircraft, a, run);
    return true;
}

double ai::widenedBearing(double r, double bx) {
    if (!(std::fabs(r) > 0.0) || !std::isfinite(r)) return bx >= 0.0 ? 3.0 : -3.0;
    while (std::fabs(r) < 3.0) r *= 2.0;
    return r;
}

void ai::longRangeApproach(ZephModel* aircraft, Aircraft& a, const FarTarget& far) {
    const double t = wrap180(far.bearing - a.AircraftHeading);
    const double speed = mphOf(a);
    aircraft->RudderInput(0.0);
    aircraft->setThrottle(1.0);
    if (t > 15.0 || t < -15.0) {
        NormalBank(t > 0.0 ? 65.0 : -65.0, aircraft);
        HoldClimbDiveRateMellow(2250.0, aircraft);
        return;
    }
    NormalBank(t, aircraft);
    if (far.above < 500.0) {
        HoldClimbDiveRateMellow(1500.0, aircraft);
    } else if (far.above > 800.0) {
        aircraft->setThrottle(speed > 180.0 ? 0.2 : 1.0);
        if (speed - 80.0 < far.targetMph) aircraft->setThrottle(1.0);
        HoldClimbDiveRateMellow(-2250.0, aircraft);
    } else {
        HoldClimbDiveRateMellow(0.0, aircraft);
    }
    if (a.OnGround) {
        aircraft->ElevatorInputAbsolute(speed > 40.0 && speed < 100.0 && a.AircraftPitch > 5.0 ? -0.4 : 0.0);
    }
    collsionAvoidance(aircraft);
    AIdontBreakAircraft(aircraft);
}

}  // namespace pellam
