// Guards an AI pilot runs after its own decisions each step, so their settings win: overspeed,
// nearby aircraft and terrain ahead (collsionAvoidance), the airframe and the pilot's g
// tolerance (AIdontBreakAircraft), and the hardest pull-up. A terrain escape holds its bank for
// 240 ticks: LastTimeWeLookedAhead counts it down, LeftAheadAltitude keeps the bank (rad).
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

namespace {

constexpr int32_t kEscapeTicks = 240;

// Wings level at full authority, the elevator raised to at least `elevator`, the fail-safe AoA
// hold at `aoa`, rudder centred and full throttle below 400 mph.
void pullUp(ZephModel* aircraft, Aircraft& a, double bank, double elevator, double aoa) {
    MainSetBankTarget(bank, 1.0, aircraft);
    if (a.Elevator < elevator) a.Elevator = elevator;
    HoldAOATargetFS(aoa, 15.0, aircraft);
    aircraft->RudderInputAbsolute(0.0);
    if (mphOf(a) < 400.0) aircraft->setThrottle(1.0);
}

double groundAhead(ZephModel* terrain, const Aircraft& a, const double* pos, double across, double ahead) {
    if (!terrain) return a.GroundAltitude;
    const double h = a.AircraftHeading / kDeg;
    // (across, ahead) turned by the heading; across is to the right.
    const double x = pos[0] + across * std::cos(h) + ahead * std::sin(h);
    const double z = pos[2] - across * std::sin(h) + ahead * std::cos(h);
    return terrain->getAltitudeAtX(x, z);
}

}  // namespace

void collsionAvoidance(ZephModel* aircraft) {
    Aircraft* ap = aircraft ? aircraft->getAircraftStruct() : nullptr;
    if (!ap) return;
    Aircraft& a = *ap;
    if (a.OnGround || a.ClosestEnemyData[27] > 0.0) return;
    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    const double* pos = pose.Position.data();
    const double speed = mphOf(a);

    if (speed > 0.9 * a.TooHighSpeedInMPH) {
        aircraft->setThrottle(0.05);
        if (speed > a.TooHighSpeedInMPH) {
            MainSetBankTarget(0.0, 1.0, aircraft);
            if (a.AircraftPitch < 10.0) MainSetPitch((a.AircraftPitch + 0.35) / kDeg, aircraft);
            aircraft->RudderInputAbsolute(0.0);
            return;
        }
    }

    if (a.ClosestAircraft && a.ClosestEnemyData[23] < 500.0) {
        const double D = a.ClosestEnemyData[23];
        QNion other;
        a.ClosestAircraft->getModelPositionQNion(&other);
        Aircraft* o = a.ClosestAircraft->getAircraftStruct();
        const double H = std::fabs(pos[1] - other.Position[1]);
        double limit = 100.0;
        double m[16] = {};
        ZephModel::quaternionToMatrix(pose.QAttitude.data(), m);
        const double d[3] = {other.Position[0] - pos[0], other.Position[1] - pos[1], other.Position[2] - pos[2]};
        double b[3];
        ZephModel::InverseRotateVector(d, b, m);
        if (o && b[2] > 0.0 && b[0] / b[2] > -0.3 && b[0] / b[2] < 0.3 && b[1] / b[2] > -0.3 && b[1] / b[2] < 0.3) {
            const double hd = wrap180(o->AircraftHeading - a.AircraftHeading);
            if (hd > 170.0 || hd < -170.0) {
                limit = 500.0;  // head-on
            } else if (a.AIType == 2 && (D < 150.0 || (D < 350.0 && a.CurrentVelocity < o->CurrentVelocity - 0.5))) {
                pullUp(aircraft, a, 0.0, 0.18, 12.0);
                aircraft->setThrottle(0.05);
            }
        }
        if (D < limit && D != 0.0 && H < 135.0) {
            aircraft->ElevatorInputAbsolute(pos[1] < other.Position[1] ? -0.55 : 0.5);  // under or over it
        }
    }

    ZephModel* terrain = aircraft->getTerrainObject();
    if (a.LastTimeWeLookedAhead > 0) {
        a.LastTimeWeLookedAhead = std::max(a.LastTimeWeLookedAhead - 1, 0);
        MainSetBankTarget(a.LeftAheadAltitude, 1.0, aircraft);
        if (a.Elevator < 0.08) a.Elevator = 0.08;
        const bool flying = speed > 1.4 * a.TooSlowSpeedInMPH && a.AircraftPitch < 25.0;
        HoldAOATargetFS(flying ? 10.0 : 2.0, 15.0, aircraft);  // ease off to keep flying speed
        aircraft->RudderInputAbsolute(0.0);
        if (speed < 400.0) aircraft->setThrottle(1.0);
        return;
    }
    const double G = pos[1] - a.GroundAltitude;
    if (G >= 4000.0) return;
    const double p = a.AircraftPitch, bank = a.AircraftBank;
    if ((p < -70.0 && G < 2000.0) || (p < -50.0 && G < 1500.0) || (p < -30.0 && G < 1000.0) ||
        (p < -20.0 && G < 400.0) || (bank > 80.0 && G < 250.0) || (bank < -80.0 && G < 250.0) || G < 175.0) {
        pullUp(aircraft, a, 0.0, 0.18, p < 0.0 ? 12.0 : 8.0);
        return;
    }
    const double t1000 = groundAhead(terrain, a, pos, 0.0, 1000.0);
    const double t400 = groundAhead(terrain, a, pos, 0.0, 400.0);
    double K = pos[1] - t1000, look = 1000.0;
    if (pos[1] - t400 < K) K = pos[1] - t400, look = 400.0;
    if (pos[1] - t1000 < 2000.0 && ((p < -70.0 && K < 2000.0) || (p < -50.0 && K < 1500.0) ||
                                    (p < -30.0 && K < 1000.0) || (p < -20.0 && K < 400.0) || K < 150.0)) {
        a.LastTimeWeLookedAhead = kEscapeTicks;
        double target = 0.0;
        if (K < 150.0) {  // too close to climb straight out: turn toward the lower side
            const double left = groundAhead(terrain, a, pos, -200.0, look + 100.0);
            const double right = groundAhead(terrain, a, pos, 200.0, look + 100.0);
            target = left < right ? -0.87 : 0.87;
        }
        a.LeftAheadAltitude = target;
        pullUp(aircraft, a, target, 0.08, 10.0);
    }
}

void extremePullUp(ZephModel* aircraft, Aircraft* a) {
    if (!aircraft || !a) return;
    aircraft->RudderInputAbsolute(0.0);
    HoldAOATargetFS(15.0, 18.0, aircraft);
    if (a->Elevator < 0.7) aircraft->ElevatorInputAbsolute(0.7);
    aircraft->setThrottle(mphOf(*a) < 200.0 ? 1.0 : 0.6);
}

void AIdontBreakAircraft(ZephModel* aircraft) {
    Aircraft* a = aircraft ? aircraft->getAircraftStruct() : nullptr;
    if (!a) return;
    if (a->Gs * kGPerUnit > 9.0) aircraft->ElevatorInput(0.0);
    if (a->DangerousGs > 15) aircraft->ElevatorInput(0.0);
}

}  // namespace pellam
