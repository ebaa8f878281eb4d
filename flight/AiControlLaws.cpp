// The AI pilot's control laws: each turns a target (bank, pitch, angle of attack, climb rate, the
// enemy's offset from the nose) into stick, rudder and trigger inputs through the aircraft's own
// control operations, as a person's joystick would. Memories of previous errors live in the
// Aircraft record: AutoPilotData[4] (climb-rate integrator), ClosestEnemyData 12/14 (AoA and YZ
// holds, shared), 16/17 (bank hold of the hard pull), 24..26 (the fail-safe AoA hold),
// aiVariables 2/3 (XZ hold).
#include <algorithm>
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

double genericControllerTarget(double t, double p, double m, double s) {
    double u = 0.01 * t + (t - p);
    u = std::min(u, m);
    u = std::max(u, -m);
    return u - (s - u);
}

void MoveA(double* angle, double b, double byDegrees) {
    if (!angle) return;
    auto wrap = [](double x) {  // this stepper keeps its own shorter constants
        if (x > 3.14159) x -= 6.28318;
        if (x < -3.14159) x += 6.28318;
        return x;
    };
    const double d = wrap(b - *angle);
    const double k = byDegrees * 0.0174532;
    if (d > -k && d < k) {
        *angle += d;
    } else {
        *angle += d > 0.0 ? k : -k;
    }
    *angle = wrap(*angle);
}

void MainSetBankTarget(double bank, double bankSpeed, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double s = std::clamp(bankSpeed, 0.0, 1.0);
    const double e = wrapPi(bank - a.AircraftBank / kDeg);
    if (e > -0.2 && e < 0.2) {
        aircraft->AileronInputAbsolute(2.0 * e * s);
    } else {
        aircraft->AileronInputAbsolute(e >= 0.2 ? s : -s);
    }
}

void NormalBank(double degrees, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double e = degrees - a.AircraftBank;
    const double step = e > 3.0 ? 0.5 : (e < -3.0 ? -0.5 : e * 0.08);
    aircraft->AileronInputAbsolute((a.RotationalSpeeds[2] + step) * 5.0);
}

void MainSetPitch(double pitch, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double e = wrapPi(pitch - a.AircraftPitch / kDeg);
    if (e > -0.15 && e < 0.15) {
        aircraft->ElevatorInput(e * 6.0);
    } else {
        aircraft->ElevatorInput(e >= 0.15 ? 1.0 : -1.0);
    }
}

void HoldClimbDiveRateMellow(double fpm, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double c = (fpm / 3600.0 - verticalSpeed(aircraft)) * 0.3;
    const double q = a.AircraftPitch - a.PreviousAircraftPitch;
    double& held = a.AutoPilotData[4];
    held += (2.0 * q - c) * -0.2;
    held = std::min(held, 0.35);  // more room to pull than to push
    held = std::max(held, -0.15);
    aircraft->ElevatorInputAbsolute(held);
}

void FlyToAltitude(double altitude, ZephModel* aircraft, double currentAlt) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double d = altitude - currentAlt;
    if (d > -50.0 && d < 50.0) {
        HoldClimbDiveRateMellow(d, aircraft);
    } else if (mphOf(a) > a.TooSlowSpeedInMPH * 1.1) {
        HoldClimbDiveRateMellow(d > 0.0 ? a.BestClimbRate : a.BestDiveRate, aircraft);
    } else {
        HoldClimbDiveRateMellow(d > 0.0 ? 500.0 : a.BestDiveRate, aircraft);
    }
}

void HoldAOATarget(double t, double stall, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double A = std::max(a.AOADegrees2, a.AOADegrees3);
    const double margin = a.TopSpeedInMPH < 200.0 ? 0.5 : 2.0;
    if (A > stall - 0.1) {
        if (a.Elevator > -0.1) aircraft->ElevatorInput(-0.1);
        return;
    }
    if (A > stall - margin && A > t) {
        aircraft->ElevatorInput(a.Elevator / 2.0);
        return;
    }
    const double e = t - a.AOADegrees;
    const double r = genericControllerTarget(0.1 * e, 0.1 * a.ClosestEnemyData[12], 0.25, 0.1 * a.ClosestEnemyData[14]);
    aircraft->ElevatorInput(a.Elevator + (r > 0.0 ? r : 1.3 * r));  // pushing acts harder
    a.ClosestEnemyData[14] = a.ClosestEnemyData[12] - e;
    a.ClosestEnemyData[12] = e;
}

void HoldAOATargetFS(double t, double stall, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    aircraft->ElevatorInputAbsolute(a.ClosestEnemyData[24]);
    const double A = std::max(a.AOADegrees2, a.AOADegrees3);
    if (A > stall - 0.1) {
        if (a.Elevator > -0.1) aircraft->ElevatorInput(-0.1);
    } else if (A > stall - 2.0 && A > t) {
        aircraft->ElevatorInput(a.Elevator / 2.0);
    } else {
        const double e = t - a.AOADegrees;
        const double r =
            genericControllerTarget(0.1 * e, 0.1 * a.ClosestEnemyData[26], 0.25, 0.1 * a.ClosestEnemyData[25]);
        aircraft->ElevatorInput(a.Elevator + r);
        a.ClosestEnemyData[25] = a.ClosestEnemyData[26] - e;
        a.ClosestEnemyData[26] = e;
    }
    // Kept after every branch: a stall push must not be undone by the next call's restore.
    a.ClosestEnemyData[24] = a.Elevator;
}

void HoldYZTarget(double y, double stall, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (y < -0.1) aircraft->ElevatorInputAbsolute(-1.0);
    const double A = std::max(a.AOADegrees2, a.AOADegrees3);
    const double margin = a.TopSpeedInMPH < 200.0 ? 0.5 : 3.0;
    if (A > stall - margin) {
        HoldAOATarget(y > 0.0 ? stall - 3.0 : stall - 7.0, stall, aircraft);
        return;
    }
    double v = y;
    if (y > -0.1 && y < 0.1 && a.ClosestEnemyData[0] < 600.0) v = 1.5 * y;
    const double step = (v > 0.3 || v < -0.15) ? v / 30.0 : v / 60.0;
    double c = a.ClosestEnemyData[14] + step;
    if ((v > 0.0 && c < 0.0) || (v < 0.0 && c > 0.0)) c *= 10.0;
    if (v > 0.0 && a.Elevator < 0.0 && c > 0.0) a.Elevator = 0.0;
    if (v < 0.0 && a.Elevator > 0.0 && c < 0.0) a.Elevator = 0.0;
    if (v < -0.2) c *= 2.0;
    aircraft->ElevatorInput(a.Elevator + c);
    a.ClosestEnemyData[14] = v - a.ClosestEnemyData[12];
    a.ClosestEnemyData[12] = v;
}

void TurnHardTowardEnemy(double x, ZephModel* aircraft, double bankSpeed, double relX, double relY,
                                    double cMaxAOA, double vfpm) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (a.AircraftPitch / kDeg < -0.69) {  // nose well down: roll the lift onto the enemy
        LiftVector(aircraft, relX, relY, cMaxAOA);
        return;
    }
    const ManeuverDetails& m = profileOf(a).EachManeuver[0];
    aircraft->setThrottle(m.Throttle);
    aircraft->gearUpDown(static_cast<int32_t>(m.Gear));
    aircraft->setFlaps(m.Flaps);
    aircraft->RudderInput(0.0);
    const double B = a.AircraftBank / kDeg;
    if ((B < 0.0 && x < 0.0) || (B > 0.0 && x > 0.0) || x > 2.0 || x < -2.0) {
        MaxPitchHoldBank(cMaxAOA, vfpm, aircraft, bankSpeed);
    } else {
        HoldYZTarget(relY, a.PlusStall, aircraft);
        MainSetBankTarget(x < 0.0 ? -1.3 : 1.3, bankSpeed, aircraft);
    }
}

void LiftVector(ZephModel* aircraft, double relX, double relY, double) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (relX == 0.0) relX = 0.000001;
    if (relY == 0.0) relY = 0.000001;
    aircraft->AileronInput(2.0 * relX / relY);
    HoldAOATarget(10.0, a.PlusStall, aircraft);
}

void MaxPitchHoldBank(double aoa, double vfpm, ZephModel* aircraft, double) {
    Aircraft& a = *aircraft->getAircraftStruct();
    double w = verticalSpeed(aircraft) * 3600.0 - vfpm;  // ft/min above the wanted rate
    if (w > -500.0 && w < 500.0) w *= 2.0;
    w = std::clamp(w, -1000.0, 1000.0);
    // 1.3 rad of bank on the side already taken, steeper when climbing faster than wanted.
    const double g = a.AircraftBank < 0.0 ? 1.3 + w / 1500.0 : -1.3 - w / 1500.0;
    const double e = a.AircraftBank / kDeg + g;
    const double r = genericControllerTarget(e, a.ClosestEnemyData[17], 0.25, a.ClosestEnemyData[16]);
    aircraft->AileronInput(r * -30.0);
    a.ClosestEnemyData[16] = a.ClosestEnemyData[17] - e;
    a.ClosestEnemyData[17] = e;
    HoldAOATarget(aoa - 0.5, a.PlusStall, aircraft);
    aircraft->RudderInput(0.0);
}

void ShouldIShoot(double distance, double h, double v, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (a.AIType == 2) return;  // a wingman holds its fire
    if (distance < 200.0) {     // the window widens at close range
        h /= 2.0, v /= 2.0;
        if (distance < 100.0) h /= 4.0, v /= 4.0;
    }
    const AIPilotProfile& p = profileOf(a);
    const bool fire = distance < p.ShootDistance && h > -p.XAim && h < p.XAim && v > -p.YAim && v < p.YAim;
    aircraft->gunsOnOff(fire ? 1 : 0);
    aircraft->cannonOnOff(fire ? 1 : 0);
}

void testControl(ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double e = -a.AircraftBank;
    const double step = e > 3.0 ? 0.5 : (e < -3.0 ? -0.5 : e * 0.08);
    aircraft->AileronInputAbsolute((a.RotationalSpeeds[2] + step) * 5.0);
    const double c = (0.0 - verticalSpeed(aircraft)) * 0.1;
    const double q = a.AircraftPitch - a.PreviousAircraftPitch;
    double& held = a.AutoPilotData[4];
    held = std::clamp(held + (q - c) * -0.2, -0.15, 0.15);
    aircraft->ElevatorInputAbsolute(held);
}

void HoldXZTarget(double x, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    aircraft->AileronInput((a.aiVariables[2] + x / 100.0) * 0.5 + a.Ailerons);
    a.aiVariables[2] = x - a.aiVariables[3];
    a.aiVariables[3] = x;
}

void MainRudderToHeading(double heading, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double e = wrapPi(heading - a.AircraftHeading / kDeg);
    aircraft->RudderInputAbsolute(std::clamp(e * -8.0, -0.5, 0.5));
}

void HardBank(double bank, ZephModel* aircraft, double) {
    Aircraft& a = *aircraft->getAircraftStruct();
    aircraft->AileronInput((a.AircraftBank / kDeg + bank) * -5.0);
}

void PointNoseAtPoint(double demand, double stall, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (stall < a.AOADegrees + 2.0) {
        aircraft->ElevatorInput(0.0);
    } else {
        aircraft->ElevatorInput(2.5 * std::min(demand, 0.16));
    }
}

}  // namespace pellam
