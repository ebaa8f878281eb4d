// Rules that turn speed, load, hits and wear into damage, sounds and pilot effects, and that fly
// the parts and the pilot that have left the aircraft. Random tests draw r in -32768..32767.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/Degrees.h"

namespace pellam {
namespace {

int32_t draw() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

// How a detached part tumbles: two turns per call, each about an axis by a drawn angle.
struct Tumble {
    int part;
    uint32_t bit;
    struct Turn {
        int axis;  // 1 X, 2 Y, 3 Z
        double sign, from, to;
    } turns[2];
};

constexpr Tumble kTumbles[] = {
    {0, dmg::LeftWingGone, {{3, 1.0, 0.5, 3.5}, {1, 1.0, 0.5, 3.5}}},
    {2, dmg::RightWingGone, {{3, -1.0, 0.5, 3.5}, {2, -1.0, 0.5, 3.5}}},
    {4, dmg::Part4Gone, {{1, -1.0, 0.5, 2.5}, {2, -1.0, -0.5, 0.5}}},
};

}  // namespace

void FlyableAircraft::moveDetachedParts(const Vector3& drift) {
    for (const Tumble& t : kTumbles) {
        if (!(ThisAircraft.Damage1 & t.bit)) continue;
        Vector3& v = own.partSpeeds[t.part];
        QNion& pose = own.parts[t.part];
        for (double& c : v) c *= 0.999;
        v[1] -= 0.0071466664;  // falls at 0.8 g, slowed by its own drag
        for (int j = 0; j < 3; ++j) pose.Position[j] += v[j] + drift[j];
        const double g = groundAt(pose.Position[0], pose.Position[2]);
        if (pose.Position[1] <= g) {
            v = {0.0, 0.0, 0.0};
            pose.Position[1] = g;
            continue;
        }
        for (const auto& turn : t.turns) {
            const double angle = turn.sign * GetDoubleRandomFrom(turn.from, turn.to);
            const double h = angle / kDeg / 2.0;
            QNion q;
            q.QAttitude = {std::cos(h), 0.0, 0.0, 0.0};
            q.QAttitude[turn.axis] = std::sin(h);
            multQnions(&q, &pose, &pose);
        }
    }
}

void FlyableAircraft::bailOutFlight(int32_t tick) {
    Aircraft& a = ThisAircraft;
    if (!a.GuyBailedOut) return;
    // The empty aircraft flies on, wings level with a little down elevator.
    a.GuyBailedOut = 0;
    holdWingsLevel(0.2);
    RudderInput(0.0);
    ElevatorInput(-0.15);
    a.GuyBailedOut = 1;

    auto& chute = live.bailOutPosition.Position;
    if (live.bailOutTime < tick) {
        if (tick - live.bailOutTime > 240 && live.bailSpeeds[1] != 0.0) {
            if (!live.openSound) {
                live.openSound = true;
                live.chuteOpened = true;
                requestSound(26);
            }
            live.bailSpeeds[0] *= 0.98;
            live.bailSpeeds[2] *= 0.98;
            live.bailSpeeds[1] += (-0.733 - live.bailSpeeds[1]) * 0.01;  // toward 30 mph of descent
            const double h = std::atan2(live.attitude.Position[0] - chute[0], live.attitude.Position[2] - chute[2]);
            const double toward[4] = {std::cos(h / -2.0), 0.0, std::sin(h / -2.0), 0.0};
            slerpFirstQNion(live.bailOutPosition.QAttitude.data(), toward, 0.01, live.bailOutPosition.QAttitude.data());
        } else {
            live.openSound = false;
            for (double& s : live.bailSpeeds) s *= 0.999;
            live.bailSpeeds[1] -= kGravity;
        }
    }
    const double g = groundAt(chute[0], chute[2]);
    if (chute[1] < g + 5.0) {
        live.bailSpeeds = {0.0, 0.0, 0.0};
        chute[1] = g == 0.0 ? g - 1.99 : g + 4.99;
        if (!live.guyHitsGroundSound) {
            if (g != 0.0) chute[1] = g + 0.99;
            requestSound(29);
            live.guyHitsGroundSound = true;
        }
    }
    for (int j = 0; j < 3; ++j) chute[j] += live.bailSpeeds[j];
}

void FlyableAircraft::buffetAndOverspeed() {
    Aircraft& a = ThisAircraft;
    if (a.Damage1 & dmg::Down) {
        a.GunsFiring = 0;
        a.CannonsFiring = 0;
        return;
    }
    if (!a.GuyBailedOut && a.AOADegrees > a.PlusStall && !a.OnGround) {
        a.StallWobble = draw() / 265536.0;  // stall buffet; a stalled wing does not break
        return;
    }
    if (a.OnGround && mph() > 20.0 && draw() > 26000) a.StallWobble = 0.005;
    if (mph() > a.TooHighSpeedInMPH) {
        a.StallWobble = draw() / 265536.0;
        if (mph() > a.ComesApartSpeedInMPH && !(a.Damage1 & (dmg::LeftWingGone | dmg::RightWingGone)) &&
            draw() > 31000) {
            a.Damage1 |= dmg::EngineDamaged;
            wingComesOff(draw() > 0 ? 0 : 1);
        }
    }
}

void FlyableAircraft::randomBailOut() {
    const Aircraft& a = ThisAircraft;
    if (a.TotalHits >= a.TotalHitsBeforeDead && !a.OnGround && !(a.Damage1 & dmg::Down) && draw() > 32500) bailOut();
    if ((a.Damage1 & dmg::EngineStopped) && draw() > 32700) bailOut();
}

void FlyableAircraft::downStateAndHitLimit() {
    Aircraft& a = ThisAircraft;
    if (!(a.Damage1 & dmg::Down)) {
        a.DeadOnGroundTime = 0;
    } else {
        if (a.DeadOnGroundTime == 0) {
            a.DeadOnGroundTime = live.globalTime;
            if (!(a.Damage1 & dmg::BlownUp) && a.GroundAltitude == 0.0) requestSound(21);
        }
        a.TotalHits = a.TotalHitsBeforeDead + 10.0;
    }

    if (a.Damage1 & dmg::EngineDamaged) ++a.EngineSmokingTime;
    if (a.CurrentEngineSetting > 1.0) ++a.WEPTime;
    if (a.EngineSmokingTime > 14400 && draw() > 31000) orDamage1(dmg::EngineStopped);
    if (a.CurrentEngineSetting > 1.0 && a.WEPTime > 14400 && draw() > 32000) {
        if (a.Damage1 & dmg::EngineDamaged) orDamage1(dmg::EngineStopped);
        a.Damage1 |= dmg::EngineDamaged;
    }
    if (a.Damage1 & dmg::FatalDamage) a.TotalHits = a.TotalHitsBeforeDead + 10.0;

    if (a.TotalHits <= a.TotalHitsBeforeDead) return;
    a.TotalHits = a.TotalHitsBeforeDead + 10.0;
    a.Damage1 |= dmg::EngineDamaged;
    if (a.OnGround) {
        a.Damage1 |= dmg::EngineStopped;
        if (!(a.Damage1 & dmg::BlownUp)) {
            a.Damage1 |= dmg::BlownUp | dmg::Down | dmg::ControlsDead;
            a.CurrentNumberOfBombs = 0;
            if (aController) aController->startAnExplosion(live.attitude.Position.data());
        }
    }
    if (a.Damage1 & (dmg::LeftWingGone | dmg::RightWingGone | dmg::WingsBroken)) return;
    const int32_t r = draw();
    if (r < -10922) {
        a.Damage1 |= dmg::WingsBroken;
        own.surfaces[0].Area = 1.0;
        own.surfaces[1].Area = 3.0;
        own.surfaces[2].Area = 1.0;
        own.surfaces[3].Area = 3.0;
        for (int k = 0; k < 8; ++k) own.surfaces[aileronNum(k)].Area = 0.0;
        cutExtraWingSurfaces();
        if (draw() > 10922) {
            wingComesOff(0);
            wingComesOff(1);
            own.partSpeeds[0][0] += getDoubleRandomFrom(-1.0, 1.0);
            own.partSpeeds[2][0] += getDoubleRandomFrom(-1.0, 1.0);
            if (draw() > 0) {
                a.Damage1 |= dmg::Part4Gone;
                own.partSpeeds[4] = {live.velocity[0] * 0.9999, live.velocity[1], live.velocity[2] * 0.9999};
                own.parts[4] = live.attitude;
            }
        }
    } else if (r < 10922) {
        wingComesOff(0);
    } else {
        wingComesOff(1);
    }
}

void FlyableAircraft::gLoadLimits() {
    Aircraft& a = ThisAircraft;
    const double g = a.Gs * kGPerUnit;
    const double upper = traits().upperG - 0.2 * a.CurrentNumberOfBombs;
    const double lower = 0.2 * a.CurrentNumberOfBombs + traits().lowerG;
    if ((g >= lower && g <= upper) || (a.Damage1 & dmg::FatalDamage)) {
        a.DangerousGs = 0;
        return;
    }
    if (++a.DangerousGs == 20) requestSound(10);  // close to breaking
    if (a.DangerousGs > 120 && draw() > 29000 && a.RemoteLocal == 0) {
        requestSound(9);
        a.Damage1 |= dmg::GOverload;  // includes FatalDamage: happens once
        a.CurrentEngineSetting = 0.0;
        loseWing(draw() > 0 ? 0 : 1, true);
    }
}

void FlyableAircraft::blackRedOut() {
    Aircraft& a = ThisAircraft;
    const double g = a.Gs * kGPerUnit;
    double& blood = a.BloodMovementFromGs;
    if (g > 5.4) {
        blood = std::min(blood + 0.7, 600.0);
    } else if (g < -1.5) {
        // Bounded like the positive side, so a red-out clears in as many ticks as it built up.
        blood = std::max(blood - 0.7, -600.0);
    } else if (blood < 0.0) {
        blood += 0.4;  // settles within 0.4 of 0, either side
    } else if (blood > 0.0) {
        blood -= 0.4;
    }

    a.BlackRedOutLevel = 100;
    if (!(a.Damage1 & dmg::Down)) {
        if (blood > 300.0) {
            const int32_t level = std::min(static_cast<int32_t>(blood - 300.0), 300);
            a.BlackRedOutLevel = (300 - level) / 3;
            if (blood > 580.0) a.PilotLosesConscienceness = 1;
        } else if (blood < -300.0) {
            const int32_t level = std::max(static_cast<int32_t>(blood + 300.0), -300);
            a.BlackRedOutLevel = (-300 - level) / 3;
            if (a.BlackRedOutLevel == 0) a.BlackRedOutLevel = -1;
        }
    }
    if (blood < 480.0) a.PilotLosesConscienceness = 0;
}

void FlyableAircraft::gearAndFlapOverspeed() {
    Aircraft& a = ThisAircraft;
    const double speed = mph();
    if (a.GearPosition == 1.0 && speed > 195.0) {
        a.Gear = 0;
        if (!(a.Damage1 & dmg::GearBroken)) {
            a.Damage1 |= dmg::GearBroken;
            requestSound(13);
        }
    }
    const double f = a.FlapPosition;
    if (f == 0.0) return;
    const bool over = (f > 0.0 && speed > a.FlapSpeed[0]) || (f > 0.25 && speed > a.FlapSpeed[1]) ||
                      (f > 0.5 && speed > a.FlapSpeed[2]) || (f > 0.75 && speed > a.FlapSpeed[3]) ||
                      (f > 1.8 && speed > a.FlapSpeed[4]);
    if (!over) return;
    a.Flaps = 0.0;
    if (!(a.Damage1 & dmg::FlapsBroken)) {
        a.Damage1 |= dmg::FlapsBroken;
        requestSound(13);
    }
}

void FlyableAircraft::bombCrater(bool replayFlag) {
    Aircraft& a = ThisAircraft;
    if (a.RemoteLocal != 0 || replayFlag || !a.OnGround || mph() <= 7.0) return;
    ModelArray* array = models();
    ZephModel* bombs = array ? array->at(ModelArray::kBombs) : nullptr;
    if (!bombs || !bombs->inBombCraterX(live.attitude.Position[0], live.attitude.Position[2])) return;
    a.Gear = 0;
    if (!(a.Damage1 & dmg::GearBroken)) {
        a.Damage1 |= dmg::GearBroken;
        requestSound(13);
    }
}

}  // namespace pellam
