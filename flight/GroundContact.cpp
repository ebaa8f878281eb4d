// Ground contact against a level plane: rolling on the gear (settle, bounce, friction, brakes,
// wings and tail), touching down on tail, tips, nose or belly, crashes, and the rule that ends an
// aircraft left disabled and still on the ground.
#include <algorithm>
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

struct Contact {
    Aircraft* a;
    QNion* pos;
    QNion* prepos;
    const double* tensor;
    double* v;
    double* pbh;
    double ground;
    double m[16];
    double stop[3];  // stopping force: minus the velocity at the start of the call

    void rebuild() { ZephModel::quaternionToMatrix(pos->QAttitude.data(), m); }
    // World-frame offset of a body point from the reference point.
    void world(const double* p, double* out) const { ZephModel::RotateVector(p, out, m); }
    double worldY(const double* p) const {
        double w[3];
        world(p, w);
        return w[1];
    }
    // Height of a body point above the ground, ft.
    double height(const double* p) const { return worldY(p) + pos->Position[1] - ground; }
    void setY(double y) {
        pos->Position[1] = y;
        prepos->Position[1] = y;
    }
    void impulse(const double* point) {
        AddColisionForceRotation(point, stop, m, tensor, pbh, v, a->Mass);
    }
    void impulseRotationOnly(const double* point, const double* bodyForce) {
        AddColisionForceRotationOnly(point, bodyForce, m, tensor, pbh, v, a->Mass);
    }
    // Turns the attitude by q placed first in the product (about a body axis).
    void turnFirst(double w, double x, double y, double z) {
        QNion t;
        t.QAttitude = {w, x, y, z};
        ZephModel::multQnionsAnswer(&t, pos);
        rebuild();
    }
    void crash() {
        a->Damage1 |= dmg::BlownUp | dmg::Down | dmg::ControlsDead;
        a->PlayThisSound = ground == 0.0 ? 21 : 12;  // water splash at sea level
        setY(ground + 1.0);
        for (int i = 0; i < 3; ++i) v[i] = pbh[i] = 0.0;
    }
    void zeroMotion() {
        for (int i = 0; i < 3; ++i) v[i] = pbh[i] = 0.0;
    }
    void friction(double mph, bool rolling) {
        if (a->CurrentEngineSetting < 0.1 || (a->Damage1 & dmg::EngineStopped)) v[0] *= 0.999, v[2] *= 0.999;
        if (a->Brakes == 0.0) return;
        v[0] *= 0.99, v[2] *= 0.99;
        if (mph < 3.0) {
            v[0] = v[2] = 0.0;
            if (rolling) {
                prepos->Position[0] = pos->Position[0];
                prepos->Position[2] = pos->Position[2];
            }
        }
    }

    // The steps of a ground contact, in the order they are taken.
    bool wreck(double mph);
    void buriedNoseOrTips(const double* tipR);
    void tailTipsAndNose(double mph, const double* tipR);
    void gearOrBelly(double mph);
    void rollOnGear(double mph);
};

bool disabled(const Aircraft* a) {
    return (a->Damage1 & (dmg::PropBroken | dmg::EngineStopped | dmg::GearBroken | dmg::UndercarriageDamage)) ||
           a->FuelLoadInPounds == 0.0 || ((a->Damage1 & dmg::ThrottleDead) && a->CurrentEngineSetting == 0.0);
}

// An aircraft left disabled and standing still for 15 s is out of the fight.
void endDisabledAndStill(Aircraft* a, double mph, ControllerServices* cont) {
    if (a->RemoteLocal == 0 && a->OnGround && mph < 0.5 && cont && !cont->getReplayFlag() &&
        a->TimeWhenStoppedMoving != 0 && cont->getGlobalMissionTime() - a->TimeWhenStoppedMoving > 900 &&
        disabled(a) && !(a->Damage1 & dmg::Down)) {
        if (a->TotalHits <= a->TotalHitsBeforeDead) a->TotalHits = a->TotalHitsBeforeDead + 10.0;
        a->Damage1 |= dmg::BlownUp | dmg::Down;
    }
}

// A wreck: one that blew up stops dead; one that is down slows and settles on its belly. True
// when nothing more is to be done.
bool Contact::wreck(double mph) {
    if (a->Damage1 & dmg::BlownUp) {
        zeroMotion();
        return true;
    }
    if (a->Damage1 & dmg::Down) {
        if (a->OnGround) {
            if (mph < 3.0) zeroMotion();
            else for (int i = 0; i < 3; ++i) v[i] *= 0.95;
        }
        for (int i = 0; i < 3; ++i) v[i] *= 0.95, pbh[i] *= 0.995;
        if (mph < 3.0 && pos->Position[1] < ground - a->FuseBottom[1]) {
            setY(ground - a->FuseBottom[1]);
            a->OnGround = 1;
        }
    }
    return false;
}

// The nose, a wing tip or the tail in the ground: down, unless only the nose dug in while rolling.
void Contact::buriedNoseOrTips(const double* tipR) {
    const double nose = height(a->NosePosition.data());
    const bool buried = nose < -0.5 || height(a->WingTip.data()) < -0.5 || height(tipR) < -0.5 ||
                        height(a->TailHighPosition.data()) < -0.5 || height(a->TailLowPosition.data()) < -1.5;
    if (buried) {
        if (nose >= -0.5 || !a->OnGround) {
            a->Damage1 |= dmg::Down;
        } else if (a->AircraftPitch > -15.0) {
            turnFirst(std::cos(0.3), std::sin(0.3), 0.0, 0.0);  // nose dug in: pitch it up
        }
    }
}

// Touching down on the tail, a wing tip or the nose.
void Contact::tailTipsAndNose(double mph, const double* tipR) {
    if (height(a->TailLowPosition.data()) < -1.0) {
        impulse(a->TailLowPosition.data());
        setY(ground - worldY(a->TailLowPosition.data()));
    }
    if (height(a->TailHighPosition.data()) < 0.0) {
        impulse(a->TailHighPosition.data());
        setY(ground - worldY(a->TailHighPosition.data()));
    }
    for (const double* tip : {static_cast<const double*>(a->WingTip.data()), tipR}) {
        if (height(tip) >= 0.0) continue;
        if (mph > a->HitGroundExplodeSpeedMPH) crash();
        impulse(tip);
        const double y = ground - worldY(tip);
        if (pos->Position[1] < y) setY(y);
    }
    if (height(a->NosePosition.data()) < 0.5 && a->RemoteLocal == 0) {
        a->Damage1 |= dmg::PropBroken | dmg::EngineStopped;
        if (mph > a->HitGroundExplodeSpeedMPH) {
            crash();
        } else {
            impulse(a->NosePosition.data());
            v[0] *= 0.9, v[2] *= 0.9, v[1] = 0.0;
            if (a->GearPosition != 1.0) {
                a->Gear = 0;
                a->GearPosition = 0.0;
                a->Damage1 |= dmg::GearBroken;
                a->CurrentEngineSetting = 0.0;
                if (mph < 0.5) v[0] = v[1] = v[2] = 0.0;
                v[0] *= 0.93, v[2] *= 0.93, v[1] = 0.0;
            }
        }
    }
}

// Touching down on the gear (settle, bounce or break it) or on the belly.
void Contact::gearOrBelly(double mph) {
    if (a->GearPosition == 1.0) {
        const double rightGear[3] = {-a->LeftGearBottom[0], a->LeftGearBottom[1], a->LeftGearBottom[2]};
        const double g = std::min(worldY(a->LeftGearBottom.data()), worldY(rightGear));
        if (g + pos->Position[1] - ground <= 0.0 || a->OnGround) {
            const double sink = -v[1];
            if (sink < a->GearSpring || a->OnGround) {
                a->OnGround = 1;
                if (pos->Position[1] < ground - g && !(a->Damage1 & dmg::BlownUp)) setY(ground - g);
                if (v[1] < 0.0) v[1] = 0.0;
                friction(mph, false);
            }
            if (v[1] < 0.0) {
                if (sink >= a->GearSpring && sink <= 3.0 * a->GearSpring) {
                    v[1] = std::fabs(sink - a->GearSpring) * a->BounceFactor;
                    a->OnGround = 0;
                } else if (sink > 3.0 * a->GearSpring) {
                    a->Gear = 0;
                    a->GearPosition = 0.8;
                    a->Damage1 |= dmg::GearBroken | dmg::EngineStopped;
                }
            }
        }
    } else if (height(a->FuseBottom.data()) <= 0.5) {
        // On the belly.
        a->Gear = 0;
        a->GearPosition = 0.0;
        a->Damage1 |= dmg::GearBroken;
        a->CurrentEngineSetting = 0.0;
        if (mph < 0.5) {
            v[0] = v[1] = v[2] = 0.0;
            if (!(a->Damage1 & dmg::BlownUp)) setY(ground - a->FuseBottom[1]);
            a->OnGround = 1;
            return;
        }
        if (mph > 10.0) impulse(a->FuseBottom.data());
        v[0] *= 0.98, v[2] *= 0.98, v[1] = 0.0;
        if (!(a->Damage1 & dmg::BlownUp)) setY(ground - a->FuseBottom[1]);
        a->OnGround = 1;
        a->Damage1 |= dmg::PropBroken | dmg::EngineStopped | dmg::UndercarriageDamage;
        for (int i = 0; i < 3; ++i) pbh[i] *= 0.9;
    }
}

// Rolling on the gear: settled on it, the wings held level, the tail on the ground, friction.
void Contact::rollOnGear(double mph) {
    if (a->AircraftPitch < -15.0) a->Damage1 |= dmg::PropBroken | dmg::EngineStopped;  // nosed over
    {
        const double gY = worldY(a->LeftGearBottom.data());
        const double above = gY + pos->Position[1] - ground;
        if (v[1] <= 0.0 && above > 0.0 && above <= 0.5 && ground < a->PreviousGroundAltitude) setY(ground - gY);
        v[1] = 0.0;
        if (gY + pos->Position[1] - ground < 0.0) setY(ground - gY);
    }
    if (std::fabs(a->AircraftBank) >= 3.0) {
        const double push[3] = {0.0, a->AircraftBank > 0.0 ? -0.3 : 0.3, 0.0};
        impulseRotationOnly(a->LeftGearBottom.data(), push);
    } else {
        const double b = -a->AircraftBank / kDeg / 2.0;
        turnFirst(std::cos(b), 0.0, 0.0, std::sin(b));
        double body[3];
        ZephModel::InverseRotateVector(pbh, body, m);
        body[2] = 0.0;
        ZephModel::RotateVector(body, pbh, m);
    }
    if (height(a->TailLowPosition.data()) <= 0.0) {
        double body[3];
        ZephModel::InverseRotateVector(pbh, body, m);
        body[0] = std::max(body[0], 0.0);
        ZephModel::RotateVector(body, pbh, m);
        if (a->AircraftPitch > a->TailDownAngle) {
            const double t = (a->TailDownAngle - a->AircraftPitch) / kDeg / 2.0;
            turnFirst(std::cos(t), std::sin(t), 0.0, 0.0);
        }
    } else if (mph < 20.0 && a->AircraftPitch > -15.0) {
        const double push[3] = {0.0, -0.05, 0.0};
        impulseRotationOnly(a->TailLowPosition.data(), push);
    } else if (mph >= 20.0 && a->AircraftPitch > 3.0) {
        const double push[3] = {0.0, 0.005, 0.0};
        impulseRotationOnly(a->TailLowPosition.data(), push);
    }
    friction(mph, true);
}

}  // namespace

void AddColisionForceRotation(const double* point, const double* fvec, const double* matrix,
                                         const double* tensor, double* accel, double* vvs, double mass) {
    for (int i = 0; i < 3; ++i) vvs[i] += fvec[i] / 2.0 / mass;
    double body[3];
    ZephModel::InverseRotateVector(fvec, body, matrix);
    AddColisionForceRotationOnly(point, body, matrix, tensor, accel, vvs, mass);
}

void AddColisionForceRotationOnly(const double* p, const double* f, const double* matrix,
                                             const double* tensor, double* accel, double* vvs, double mass) {
    const double t[3] = {p[1] * f[2] - p[2] * f[1], p[2] * f[0] - p[0] * f[2], p[0] * f[1] - p[1] * f[0]};
    double a[3];
    for (int j = 0; j < 3; ++j) a[j] = t[0] * tensor[j] + t[1] * tensor[4 + j] + t[2] * tensor[8 + j];
    double w[3];
    ZephModel::RotateVector(a, w, matrix);
    for (int i = 0; i < 3; ++i) accel[i] += w[i];
}

void CheckForGroundInteraction(double ground, Aircraft* a, QNion* pos, const double* tensor,
                               double* xzyv, double* pbhv, QNion* prepos, ControllerServices* cont) {
    const double mph = a->CurrentVelocity * 40.9;
    endDisabledAndStill(a, mph, cont);
    a->GroundAltitude = ground;
    Contact c{a, pos, prepos, tensor, xzyv, pbhv, ground, {}, {-xzyv[0], -xzyv[1], -xzyv[2]}};
    c.rebuild();
    if (c.wreck(mph)) return;
    if (ground <= pos->Position[1] - 50.0) {
        a->OnGround = 0;
        return;
    }
    if (xzyv[1] > 0.00001) a->OnGround = 0;
    const double tipR[3] = {-a->WingTip[0], a->WingTip[1], a->WingTip[2]};
    c.buriedNoseOrTips(tipR);
    if (!a->OnGround || (a->Damage1 & dmg::Down) || a->GearPosition != 1.0) {
        c.tailTipsAndNose(mph, tipR);
        c.gearOrBelly(mph);
        return;
    }
    c.rollOnGear(mph);
}

}  // namespace pellam
