// Path flying: the aircraft flies to path point NextFlyPointNumber of the mission's table, takes
// the point's throttle or holds its speed, sets gear, flaps and brakes from its flags, climbs or
// descends toward its height and turns toward it; within two seconds' flight of the point it
// moves on to the point's NextPoint. Take-off is the same rules from a standstill.
#include <algorithm>
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

namespace {

constexpr int32_t kLanding = 0x1, kBrakes = 0x20, kFighter = 0x40, kWingman = 0x100;

// Holds the point's speed by nudging the engine setting, harder when the error grows and the
// speed does not follow. Only the hard nudges stop at 0.05 and 1.0: the soft ones creep on, up to
// war emergency power (the caller holds it at 1.05), down to a stopped engine and no further.
void holdSpeed(ZephModel* aircraft, Aircraft& a, double targetMph) {
    const double e = mphOf(a) - targetMph;
    const bool slowing = a.PreviousCurrentVelocity > a.CurrentVelocity;
    const bool gaining = a.CurrentVelocity > a.PreviousCurrentVelocity;
    double& engine = a.CurrentEngineSetting;
    if (e > 40.0) {
        aircraft->setThrottle(0.3);
    } else if (e < -40.0) {
        aircraft->setThrottle(1.0);
    } else if (e > 3.0) {
        engine = slowing ? std::max(engine - 0.0001, 0.0) : std::max(engine - 0.0003, 0.05);
    } else if (e < -3.0) {
        engine = gaining ? engine + 0.0001 : std::min(engine + 0.0003, 1.0);
    } else if (slowing) {
        engine += 0.0001;
    } else if (gaining) {
        engine = std::max(engine - 0.0001, 0.0);
    }
    a.PreviousCurrentVelocity = a.CurrentVelocity;
}

}  // namespace

void flyThePoints(ZephModel* aircraft, int32_t) {
    Aircraft* ap = aircraft ? aircraft->getAircraftStruct() : nullptr;
    if (!ap) return;
    Aircraft& a = *ap;
    a.GunsFiring = 0;
    a.CannonsFiring = 0;
    const aiFlyToPoint* P = pathPoint(flyToPointsOf(aircraft), a.NextFlyPointNumber);
    if (!P) {
        // No path to follow (none, or a number outside the table): circle level where we are.
        HoldClimbDiveRateMellow(0.0, aircraft);
        NormalBank(30.0, aircraft);
        return;
    }
    if (P->Flags & kFighter) a.AIType = 1;
    if (P->Flags & kWingman) a.AIType = 2;

    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    const double dx = P->PointXYZ[0] - pose.Position[0], dz = P->PointXYZ[2] - pose.Position[2];
    if (std::sqrt(dx * dx + dz * dz) < a.CurrentVelocity * 120.0) {
        // A link outside the table holds the aircraft on this point: it circles through it.
        if (P->NextPoint >= 0 && P->NextPoint < kPathPoints) a.NextFlyPointNumber = P->NextPoint;
        return;
    }

    const double speed = mphOf(a);
    if (P->ThrottlePosition < 5.0) {
        aircraft->setThrottle(P->ThrottlePosition);
    } else {
        holdSpeed(aircraft, a, P->ThrottlePosition);
    }
    a.CurrentEngineSetting = std::min(a.CurrentEngineSetting, 1.05);
    const double above = pose.Position[1] - a.GroundAltitude;
    if (above > 25.0 && speed < 105.0) aircraft->setThrottle(1.0);

    if (!(P->Flags & kLanding)) {
        aircraft->gearUpDown(speed <= 175.0 ? 1 : 0);
    } else if (a.OnGround) {
        aircraft->gearUpDown(1);
        if (speed > 175.0) aircraft->setThrottle(0.4);
    } else {
        aircraft->gearUpDown(0);
    }
    double flaps = 0.0;
    if (P->Flags & 0x2) flaps = 0.25;
    if (P->Flags & 0x4) flaps = 0.5;
    if (P->Flags & 0x8) flaps = 0.75;
    if (P->Flags & 0x10) flaps = 1.0;
    aircraft->setFlaps(flaps);
    aircraft->turnBrakesOn();
    if (!(P->Flags & kBrakes)) aircraft->toggleBrakes();

    if (a.OnGround && speed < 0.8 * a.TooSlowSpeedInMPH) {  // take-off roll
        aircraft->ElevatorInputAbsolute(0.1);
        NormalBank(0.0, aircraft);
    } else {
        const double dh = pose.Position[1] - P->PointXYZ[1];
        if (dh > 50.0) {
            HoldClimbDiveRateMellow(-P->TargetClimbDiveSpeed, aircraft);
        } else if (dh < -50.0) {
            HoldClimbDiveRateMellow(P->TargetClimbDiveSpeed, aircraft);
            if (above < 100.0 && verticalSpeed(aircraft) < 0.0) {  // sinking near the ground: level and pull
                MainSetBankTarget(0.0, 1.0, aircraft);
                if (a.Elevator < 0.18) a.Elevator = 0.18;
                HoldAOATargetFS(12.0, 15.0, aircraft);
                return;
            }
        } else {
            HoldClimbDiveRateMellow(-dh * 0.7, aircraft);
        }
    }

    const double b = wrap180(a.AircraftHeading - std::atan2(dx, dz) * kDeg);  // > 0: the point is to the left
    if (a.OnGround) {
        NormalBank(0.0, aircraft);
        aircraft->RudderInputAbsolute(b * -0.5);
        return;
    }
    const double ab = std::fabs(b);
    if (ab >= 20.0) {
        const double bank = speed < 250.0 ? 45.0 : 65.0;
        NormalBank(b >= 0.0 ? -bank : bank, aircraft);
        aircraft->RudderInput(0.0);
    } else if (ab >= 5.0) {
        NormalBank(b >= 0.0 ? -25.0 : 25.0, aircraft);
        aircraft->RudderInputAbsolute(b * -0.03);
    } else {
        NormalBank(0.0, aircraft);
        aircraft->RudderInputAbsolute(ab > 2.0 ? b * -0.2 : b * -0.3);
    }
}

}  // namespace pellam
