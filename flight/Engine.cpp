// Fuel burn, engine speed and a constant-speed propeller: thrust along body Z and the blade's
// resistance in its plane of rotation. The blade is airfoil 2 with an aspect divisor of 23.
#include <algorithm>
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

constexpr int32_t kBladeFoil = 2;
constexpr double kBladeAspect = 23.0;

struct BladeFlow {
    double phi;  // inflow angle, rad
    double q;    // dynamic pressure at half radius
};

BladeFlow bladeFlow(const Aircraft* a, double vz) {
    // Half-radius blade speed in ft/tick: 3600 ticks to the minute.
    const double b = a->BladeDiameter * a->CurrentRPM * 3.1415 * 0.5 / 3600.0;
    return {std::atan2(vz, b), a->PressureAltitude * 0.5 * (b * b + vz * vz)};
}

}  // namespace

void FigureEnginePowerDrag(Aircraft* a, const QNion* pos, const QNion* oldpos,
                                      const AirFoilDef* airfoilDefs) {
    if (a->BladeArea == 0.0) {
        a->EngineThrust = 0.0;
        return;
    }
    if (a->Damage1 & dmg::Down) {
        // A wreck's engine gives nothing: the flight step scales whatever thrust it finds each
        // tick, so a value left standing here would grow without bound.
        a->CurrentRPM = 0.0;
        a->EngineThrust = 0.0;
        a->ShaftResistance = 0.0;
        return;
    }
    if (a->Damage1 & dmg::EngineStopped) {
        a->EngineThrust = 0.0;
        a->CurrentRPM -= a->CurrentRPM / 10.0;
        // The airstream keeps a stopped propeller turning in flight.
        if (a->CurrentVelocity * 40.9 > 25.0 && a->CurrentRPM < 99.0 && !a->OnGround) a->CurrentRPM = 99.0;
        a->CurrentRPM = std::max(a->CurrentRPM, 0.0);
        return;
    }

    if (a->Damage1 & dmg::FuelTankHoled) {
        a->FuelLoadInPounds -= 5.0 * a->FuelUseAtFullThrottle;
        if (a->FuelLoadInPounds < 0.0) {
            a->FuelLoadInPounds = 0.0;
            a->Damage1 |= dmg::EngineStopped;
        }
    }
    if (!(a->Damage1 & dmg::EngineStopped)) {
        // Exactly empty still runs; only a negative result stops the engine.
        a->FuelLoadInPounds -= a->CurrentEngineSetting * a->FuelUseAtFullThrottle;
        if (a->FuelLoadInPounds < 0.0) {
            a->FuelLoadInPounds = 0.0;
            a->Damage1 |= dmg::EngineStopped;
        }
    }
    if (a->Damage1 & dmg::PropBroken) {
        a->EngineThrust = 0.0;
        return;
    }
    double t = a->CurrentEngineSetting;
    if (a->Damage1 & dmg::EngineStopped) t = 0.0;
    if (a->Damage1 & dmg::EngineDamaged) t *= 0.75;

    double m[16] = {};
    ZephModel::quaternionToMatrix(pos->QAttitude.data(), m);
    const double d[3] = {pos->Position[0] - oldpos->Position[0], pos->Position[1] - oldpos->Position[1],
                         pos->Position[2] - oldpos->Position[2]};
    double v[3];
    ZephModel::InverseRotateVector(d, v, m);
    const BladeFlow flow = bladeFlow(a, v[2]);

    if (a->BladeMinAngle == a->BladeMaxAngle) {
        a->BladeAngle = a->BladeMinAngle;
    } else {
        // The first blade angle of attack whose torque is more than the engine delivers.
        a->BladeAngle = a->BladeMaxAngle;
        for (int k = -7; k <= 22; ++k) {
            const double cl = GetCLift(kBladeFoil, k, airfoilDefs);
            const double cd = GetCDrag(kBladeFoil, k, cl, kBladeAspect, airfoilDefs);
            const double torque = std::cos(flow.phi) * flow.q * cd * a->BladeArea +
                                  std::sin(flow.phi) * flow.q * cl * a->BladeArea;
            if (a->EngineTorque * t < torque) {
                a->BladeAngle = k + flow.phi * kDeg;
                break;
            }
        }
        if (a->BladeAngle > a->BladeMinAngle) {
            a->BladeAngle = std::min(a->BladeAngle, flow.phi * kDeg + 18.0);
            a->BladeAngle = std::max(a->BladeAngle, a->BladeMinAngle);
        }
        a->BladeAngle = std::clamp(a->BladeAngle, a->BladeMinAngle, a->BladeMaxAngle);
    }

    const double aoa = a->BladeAngle - flow.phi * kDeg;
    const double capped = std::min(aoa, 20.0);
    const double cl = GetCLift(kBladeFoil, capped, airfoilDefs);
    const double cd = GetCDrag(kBladeFoil, capped, cl, kBladeAspect, airfoilDefs);
    const double lift = flow.q * cl * a->BladeArea;
    const double drag = flow.q * cd * a->BladeArea;
    if (aoa > 41.0 || aoa < -41.0) {
        const double f = (aoa / kDeg) * 1.18 * flow.q * a->BladeArea;
        a->EngineThrust = std::cos(a->BladeAngle / kDeg) * f;
        a->ShaftResistance = std::sin(a->BladeAngle / kDeg) * f;
    } else {
        a->EngineThrust = std::cos(flow.phi) * lift - std::sin(flow.phi) * drag;
        a->ShaftResistance = std::cos(flow.phi) * drag + std::sin(flow.phi) * lift;
    }

    double target = a->RPMSetting * a->CurrentEngineSetting;
    if (a->ShaftResistance < 0.0) target -= 2400.0 * a->ShaftResistance;  // the air drives the blade
    if (a->Damage1 & dmg::EngineStopped) target = 0.0;
    a->CurrentRPM += (target - a->CurrentRPM) / 10.0;
    a->CurrentRPM = std::max(a->CurrentRPM, 0.0);
}

}  // namespace pellam
