// Aerodynamic force and moment of every surface of an aircraft, in body axes, from the motion of
// the last tick. No wind: the flow at a surface is that surface's own displacement.
#include <algorithm>
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

double length3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void zeroSurface(AirSurface& s) {
    s.ForceXYZ = {0.0, 0.0, 0.0};
    s.AnglePBH = {0.0, 0.0, 0.0};
}

// Heading, pitch and bank (deg) from the nose and from a point above and ahead of it; the pitch
// of the last tick kept.
void figureAttitudeAngles(Aircraft* a, const double* m) {
    const double nose[3] = {0.0, 0.0, 1.0};
    double f[3];
    ZephModel::RotateVector(nose, f, m);
    a->AircraftHeading = std::atan2(f[0], f[2]) * kDeg;
    a->PreviousAircraftPitch = a->AircraftPitch;
    a->AircraftPitch = std::atan2(f[1], std::sqrt(f[0] * f[0] + f[2] * f[2])) * kDeg;
    const double up[3] = {0.0, 1.0, 1.0};
    double u[3];
    ZephModel::RotateVector(up, u, m);
    const double h = -a->AircraftHeading / kDeg;
    const double x1 = u[0] * std::cos(h) + u[2] * std::sin(h);
    const double z1 = u[2] * std::cos(h) - u[0] * std::sin(h);
    const double p = a->AircraftPitch / kDeg;
    const double y1 = u[1] * std::cos(p) - z1 * std::sin(p);
    a->AircraftBank = std::atan2(x1, y1) * kDeg;
}

// The flow at a tail surface: the wing's downwash, at least the prop wash's
// speed, while the wing flies; past its stall the flow is turned by half the
// wing's angle.
void tailFlow(const Aircraft* a, double lastCL, double& washSpeed, double& wy, double& wz) {
    const double wing = (a->AOADegrees2 + a->AOADegrees3) / 2.0;
    if (washSpeed < a->MinElevatorPropWashSpeed / 40.9 * a->CurrentEngineSetting) {
        washSpeed = a->ElevatorPropWashSpeed / 40.9 * a->CurrentEngineSetting;
    }
    if (wing > a->MinusStall && wing < a->PlusStall) {
        const double e =
            (lastCL / (a->AspecRatio * -3.14) * kDeg * a->DownWashForceFactor - a->FlapPosition * a->FlapMomentFactor) /
            kDeg;
        wy = -std::sin(e) * washSpeed;
        wz = std::cos(e) * washSpeed;
    } else if (wing >= a->PlusStall - 3.0 && wing < 43.0) {
        const double t = -wing / 2.0 / kDeg;
        const double ny = wy * std::cos(t) - wz * std::sin(t);
        const double nz = wy * std::sin(t) + wz * std::cos(t);
        wy = ny;
        wz = nz;
    }
}

// Lift, drag and pitching moment of an airfoil surface in the flow `w` (its y-z
// direction yh, zh) below the stall; answers the lift coefficient.
double airfoilForce(Aircraft* a, AirSurface& s, int32_t type, const double* w, double yh, double zh, double density,
                    const AirFoilDef* airfoilDefs) {
    const double cl = GetCLift(type, a->AOADegrees, airfoilDefs);
    const double cd = GetCDrag(type, a->AOADegrees, cl, s.KOverAspectRatio, airfoilDefs);
    const double cm = GetCMo(type, a->AOADegrees, airfoilDefs, a->PlusStall);
    const double q2 = 0.5 * density * (w[1] * w[1] + w[2] * w[2]);
    const double nx = s.NormalXYZ[0];
    const double t = nx * nx + yh * yh;
    double L[3];
    if (t > 1.0) {
        L[0] = nx / t, L[1] = 0.0, L[2] = -yh / t;
    } else {
        L[0] = nx, L[1] = (zh < 0.0 ? -1.0 : 1.0) * std::sqrt(1.0 - t), L[2] = -yh;
    }
    const double lift = cl * q2 * s.Area, drag = cd * q2 * s.Area;
    s.ForceXYZ = {L[0] * lift, L[1] * lift - yh * drag, L[2] * lift - zh * drag};
    a->ReportValues[4] = cm;
    const auto& l = s.LocationXYZ;
    const auto& F = s.ForceXYZ;
    s.AnglePBH = {cm * q2 * s.Area * a->CMoFactor, l[2] * F[0] - l[0] * F[2], l[0] * F[1] - l[1] * F[0]};
    return cl;
}

}  // namespace

void NonAirfoil(int32_t surface, double speed, AirSurface* surfaces, const double* windnormal,
                const double* relativewind, double pressureAlt) {
    AirSurface& s = surfaces[surface];
    const auto& n = s.NormalXYZ;
    double c = windnormal[0] * n[0] + windnormal[1] * n[1] + windnormal[2] * n[2];
    double q = speed;
    if (c < 0.0 && (s.Hints & hint::OneSided)) {
        // Flow on the back of a one-sided plate: only the surface's own rotation can load it.
        zeroSurface(s);
        const double r = length3(relativewind);
        if (r == 0.0) return;
        c = (relativewind[0] * n[0] + relativewind[1] * n[1] + relativewind[2] * n[2]) / r;
        if (c < 0.0) return;
        q = 0.5 * pressureAlt * r * r;
    }
    const double f = s.Cdp * c * q * s.Area;
    s.ForceXYZ = {-f * n[0], -f * n[1], -f * n[2]};
    const auto& l = s.LocationXYZ;
    const auto& F = s.ForceXYZ;
    s.AnglePBH = {l[1] * F[2] - l[2] * F[1], l[2] * F[0] - l[0] * F[2], l[0] * F[1] - l[1] * F[0]};
}

void figureAeroForce(double density, Aircraft* a, const QNion* pos, const QNion* oldpos,
                     const AirFoilDef* airfoilDefs) {
    double m[16] = {}, pm[16] = {};
    ZephModel::quaternionToMatrix(pos->QAttitude.data(), m);
    ZephModel::quaternionToMatrix(oldpos->QAttitude.data(), pm);

    if (a->Damage1 & (dmg::Down | dmg::GunsJammed)) a->GunsFiring = 0;
    if (std::fabs(a->SliderX) > 600.0 || std::fabs(a->SliderY) > 600.0 || std::fabs(a->SliderZ) > 600.0) {
        a->SliderX = a->SliderY = a->SliderZ = 0.0;
    }

    figureAttitudeAngles(a, m);

    const double d[3] = {pos->Position[0] - oldpos->Position[0], pos->Position[1] - oldpos->Position[1],
                         pos->Position[2] - oldpos->Position[2]};
    const double speed = length3(d);
    a->CurrentVelocity = speed;
    const int32_t count = std::clamp(a->NumberOfSurfaces, 0, static_cast<int32_t>(Aircraft::kSurfaces));
    AirSurface* surfaces = a->Shape;
    if (!surfaces) return;
    if (speed < 0.1) {
        for (int32_t i = 0; i < count; ++i) zeroSurface(surfaces[i]);
        return;
    }
    double v[3];
    ZephModel::InverseRotateVector(d, v, m);
    a->PitchOffDegrees = -std::atan2(v[1], v[2]) * kDeg;
    a->YawOffDegrees = -std::atan2(v[0], v[2]) * kDeg;

    double lastCL = 0.0;       // of the latest airfoil surface: the tail's downwash needs it
    double washSpeed = speed;  // a raised prop-wash speed carries over to later tail surfaces
    for (int32_t i = 0; i < count; ++i) {
        AirSurface& s = surfaces[i];
        zeroSurface(s);
        double wx = v[0], wy = v[1], wz = v[2];

        // The surface's own displacement from the rotation of the last tick, in body axes.
        double now[3], before[3], r[3];
        ZephModel::RotateVector(s.LocationXYZ.data(), now, m);
        ZephModel::RotateVector(s.LocationXYZ.data(), before, pm);
        const double diff[3] = {now[0] - before[0], now[1] - before[1], now[2] - before[2]};
        ZephModel::InverseRotateVector(diff, r, m);
        if (r[1] > -0.02 && r[1] < 0.02) r[1] *= 0.5;

        if (s.Hints & hint::Tail) tailFlow(a, lastCL, washSpeed, wy, wz);

        double w[3] = {wx + r[0], wy + r[1], wz + r[2]};
        double S = length3(w);
        if (s.Hints & hint::Rudder) {
            const double wash = a->RudderPropWashSpeed / 40.9 * a->CurrentEngineSetting;
            if (S < a->MinRudderPropWashSpeed / 40.9 * a->CurrentEngineSetting && !a->OnGround &&
                a->RotationalSpeeds[1] > -1.0 && a->RotationalSpeeds[1] < 1.0 && wash > 0.0 && wash > wz) {
                wz = wash;
                w[2] = wz + r[2];
                S = length3(w);
            }
        }
        const double q = 0.5 * density * S * S;
        double nw[3] = {0.0, 0.0, 1.0};
        if (S != 0.0) nw[0] = w[0] / S, nw[1] = w[1] / S, nw[2] = w[2] / S;

        if (!(s.Hints & hint::Airfoil)) {
            NonAirfoil(i, q, surfaces, nw, r, density);
            continue;
        }

        const double yz = std::sqrt(w[1] * w[1] + w[2] * w[2]);
        if (yz == 0.0) continue;
        const double yh = w[1] / yz, zh = w[2] / yz;
        const double c = std::clamp(-(s.NormalXYZ[1] * yh + s.NormalXYZ[2] * zh), -1.0, 1.0);
        a->AOADegrees = 90.0 - std::acos(c) * kDeg;
        if (a->OnGround && a->AOADegrees > a->TailDownAngle) a->AOADegrees = a->TailDownAngle;
        if (i == 0) a->AOADegrees2 = a->AOADegrees;
        if (i == 1) {
            a->AOADegrees3 = a->AOADegrees;
            a->PreviousAOADegrees = a->AveragedAOADegrees;
            a->AveragedAOADegrees = (a->AOADegrees2 + a->AOADegrees3) / 2.0;
        }
        if (zh < 0.0) a->AOADegrees = 180.0;  // flow from behind

        const int32_t type = std::clamp(s.TypeOfAirfoil, 0, static_cast<int32_t>(Aircraft::kAirfoils - 1));
        const AirFoilDef& foil = airfoilDefs[type];
        double side[3] = {nw[0], nw[1], nw[2]};
        if (a->AOADegrees < foil.MinusStall || a->AOADegrees > foil.PlusStall + 5.0) {
            NonAirfoil(i, q, surfaces, nw, r, density);
        } else {
            lastCL = airfoilForce(a, s, type, w, yh, zh, density, airfoilDefs);
            side[0] = w[0], side[1] = 0.0, side[2] = 0.0;
        }

        // Side force on every airfoil surface, added to what it already has.
        const double sl = length3(side);
        if (sl == 0.0) continue;
        const double qx = 0.5 * density * side[0] * side[0];
        for (double& x : side) x /= sl;
        const auto keptF = s.ForceXYZ;
        const auto keptM = s.AnglePBH;
        NonAirfoil(i, qx, surfaces, side, r, density);
        for (int k = 0; k < 3; ++k) {
            s.ForceXYZ[k] += keptF[k];
            s.AnglePBH[k] += keptM[k];
        }
    }
}

}  // namespace pellam
