#pragma once
// The AI pilot's operations (flight/Ai*.cpp).
#include <cstdint>

#include "core/Services.h"

namespace pellam {

class ZephModel;
struct Aircraft;

// The computer pilot of a flyable aircraft. It acts only through the aircraft's control
// operations and the control laws below, and keeps its memories in the Aircraft record.
// Units: bank, pitch and heading targets in rad unless named deg; climb rates ft/min, up
// positive; AoA deg; roll authority 0..1.
// One call per step: look-around, then fight, follow, attack or fly the path by role.
void flyAircraftAI(ZephModel* aircraft, ModelArray* objects, int32_t missionTime);
void doDogfighting(ZephModel* aircraft, ModelArray* objects, int32_t missionTime);
void flyThePoints(ZephModel* aircraft, int32_t missionTime);
// Guards run after the pilot's decisions, so their settings win.
void collsionAvoidance(ZephModel* aircraft);
void AIdontBreakAircraft(ZephModel* aircraft);
void extremePullUp(ZephModel* aircraft, Aircraft* airstruct);
// Manoeuvres: the code in progress is AutoPilotData[2], -1 none.
void DoEvasiveFromShot(int32_t mode, int32_t dontDo, ZephModel* aircraft);
void DoOption3Maneuvers(int32_t option, ZephModel* aircraft);
void SplitS(double minHeight, ZephModel* aircraft);            // ft above ground
void OverTop(double minSpeed, ZephModel* aircraft);            // mph
void DiveAway(double minHeight, ZephModel* aircraft);
void LowYOYO(double minHeight, ZephModel* aircraft);
void SnapRoll(double minSpeed, double minAlt, ZephModel* aircraft);
void AileronRoll(ZephModel* aircraft);
void Stall(double pitch, ZephModel* aircraft);
void Spin(ZephModel* aircraft);
void Scissors(ZephModel* aircraft);
void StraightAndLevel(ZephModel* aircraft);
// Control laws.
double genericControllerTarget(double target, double preTarget, double maxSpeed, double preSpeed);
void MoveA(double* angle, double towardB, double byDegrees);
void MainSetBankTarget(double bank, double bankSpeed, ZephModel* aircraft);
void NormalBank(double degrees, ZephModel* aircraft);
void MainSetPitch(double pitch, ZephModel* aircraft);
void HoldClimbDiveRateMellow(double feetPerMinute, ZephModel* aircraft);
void FlyToAltitude(double altitude, ZephModel* aircraft, double currentAlt);
void HoldAOATarget(double aoa, double stallAOA, ZephModel* aircraft);
void HoldAOATargetFS(double aoa, double stallAOA, ZephModel* aircraft);
void HoldYZTarget(double upOverForward, double stallAOA, ZephModel* aircraft);
void TurnHardTowardEnemy(double bearing, ZephModel* aircraft, double bankSpeed, double relX, double relY,
                         double cMaxAOA, double vfpm);
void LiftVector(ZephModel* aircraft, double relX, double relY, double cMaxAOA);
void MaxPitchHoldBank(double aoa, double vfpm, ZephModel* aircraft, double cbs);
void ShouldIShoot(double distance, double xz, double yz, ZephModel* aircraft);
void testControl(ZephModel* aircraft);
void HoldXZTarget(double offset, ZephModel* aircraft);
void MainRudderToHeading(double heading, ZephModel* aircraft);
void HardBank(double bank, ZephModel* aircraft, double cBankSpeed);
void PointNoseAtPoint(double demand, double stallAOA, ZephModel* aircraft);

}  // namespace pellam
