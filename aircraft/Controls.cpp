// Flight controls and the pilot's view: control inputs (at once or rate-limited), trims, throttle,
// brakes, look operations, head easing and the network smoothing accessors. A control operation
// writes positions and tilts surface normals; the flight step turns the normals into forces.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/Degrees.h"

namespace pellam {
namespace {

constexpr double kControlDeg = 57.295;  // the control normals' own degree constant

// Position one rate step toward the demand. The tolerance absorbs the rounding of repeated
// 0.1 steps, so ten calls reach a full deflection.
double stepToward(double position, double demand, double rate) {
    const double gap = demand - position;
    if (std::fabs(gap) <= rate + 1e-9) return demand;
    return position + (gap > 0.0 ? rate : -rate);
}

double safeSqrt(double x) { return x > 0.0 ? std::sqrt(x) : 0.0; }

}  // namespace

// ---- Absolute inputs: the position jumps to the demand (plus trim for a person at the stick).

void FlyableAircraft::ElevatorInputAbsolute(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    if (a.Damage1 & dmg::ElevatorHit) v = std::clamp(v, -0.3, 0.3);
    if (a.AIType < 0) v += a.ElevatorTrim;
    a.PElevator = std::clamp(v, -1.0, 1.0);
    ElevatorInput(a.PElevator);
}

void FlyableAircraft::AileronInputAbsolute(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    if (a.AIType < 0) v += a.AileronTrim;
    a.PAilerons = std::clamp(v, -1.0, 1.0);
    AileronInput(a.PAilerons);
}

void FlyableAircraft::RudderInputAbsolute(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    if (a.AIType < 0) v += a.RudderTrim;
    a.PRudder = std::clamp(v, -1.0, 1.0);
    RudderInput(a.PRudder);
}

// ---- Rate-limited inputs: 0.1 per call for the elevator, 0.15 for ailerons and rudder.

void FlyableAircraft::ElevatorInput(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    if (a.Damage1 & dmg::ElevatorHit) v = std::clamp(v, -0.3, 0.3);
    a.ElevatorWork = a.Elevator;
    a.Elevator = std::clamp(v, -1.0, 1.0);
    a.PElevator = stepToward(a.PElevator, a.Elevator, 0.1);
    a.Elevator = a.PElevator;

    const double angle = a.ElevatorMax * a.PElevator;
    auto& n = own.surfaces[std::clamp(TemplateElevatorNum, 0, Aircraft::kSurfaces - 1)].NormalXYZ;
    const double z = std::sin(angle / kControlDeg);
    n[2] = angle < 0.0 ? -std::fabs(z) : std::fabs(z);
    n[1] = safeSqrt(1.0 - z * z);
}

void FlyableAircraft::RudderInput(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    a.Rudder = std::clamp(v, -1.0, 1.0);
    a.PRudder = stepToward(a.PRudder, a.Rudder, 0.15);
    a.Rudder = a.PRudder;

    double angle = a.RudderMax * a.PRudder;
    if (a.Damage1 & dmg::RudderHit) angle *= 0.2;
    auto& n = own.surfaces[std::clamp(TemplateRudderNum, 0, Aircraft::kSurfaces - 1)].NormalXYZ;
    const double z = std::sin(angle / kControlDeg);
    n[2] = angle < 0.0 ? -std::fabs(z) : std::fabs(z);
    n[0] = safeSqrt(1.0 - z * z);
}

void FlyableAircraft::AileronInput(double v) {
    Aircraft& a = ThisAircraft;
    if ((a.Damage1 & dmg::ControlsDead) || a.GuyBailedOut) return;
    a.Ailerons = std::clamp(v, -1.0, 1.0);
    a.PAilerons = stepToward(a.PAilerons, a.Ailerons, 0.15);
    a.Ailerons = a.PAilerons;
    tiltAileronNormals(a.PAilerons * a.AileronMax);
}

void FlyableAircraft::tiltAileronNormals(double degrees) {
    const uint32_t d = ThisAircraft.Damage1;
    const double left = degrees * ((d & dmg::LeftAileronHit) ? 0.05 : 1.0);
    const double right = degrees * ((d & dmg::RightAileronHit) ? 0.05 : 1.0);
    // Top and bottom faces of each aileron, in the order of aileronNum: the angle each face
    // turns by and the side its normal faces.
    const double angle[8] = {-left, left, -left, left, right, -right, right, -right};
    const double ySign[8] = {1.0, -1.0, 1.0, -1.0, 1.0, -1.0, 1.0, -1.0};
    for (int k = 0; k < 8; ++k) {
        const bool lower = k % 4 >= 2;
        if (lower && !traits().lowerAileronsTurn) continue;
        auto& n = own.surfaces[aileronNum(k)].NormalXYZ;
        n[2] = std::sin(angle[k] / kControlDeg);
        // A face with a tilted X (the lower ailerons) can leave no room for Y at large angles.
        n[1] = ySign[k] * safeSqrt(1.0 - n[2] * n[2] - n[0] * n[0]);
    }
}

// ---- Keyboard rudder and trims.

void FlyableAircraft::RudderInputIncLeft() {
    const double r = ThisAircraft.Rudder - ThisAircraft.RudderTrim;
    // Fine steps near the centre; the tolerance keeps 0.025 x 4 inside the fine band.
    RudderInputAbsolute(r - (std::fabs(r) <= 0.1 + 1e-9 ? 0.025 : 0.1));
}

void FlyableAircraft::RudderInputIncRight() {
    const double r = ThisAircraft.Rudder - ThisAircraft.RudderTrim;
    RudderInputAbsolute(r + (std::fabs(r) <= 0.1 + 1e-9 ? 0.025 : 0.1));
}

void FlyableAircraft::RudderInputAddAbsolute(double amount) { RudderInputAbsolute(ThisAircraft.Rudder + amount); }

void FlyableAircraft::ElevatorTrimUpDown(int32_t steps) {
    if (ThisAircraft.GuyBailedOut) return;
    ThisAircraft.ElevatorTrim = std::clamp(ThisAircraft.ElevatorTrim + steps * 0.005, -1.0, 1.0);
}

void FlyableAircraft::AileronTrimLeftRight(int32_t steps) {
    if (ThisAircraft.GuyBailedOut) return;
    ThisAircraft.AileronTrim = std::clamp(ThisAircraft.AileronTrim + steps * 0.0005, -1.0, 1.0);
}

void FlyableAircraft::RudderTrimLeftRight(int32_t steps) {
    if (ThisAircraft.GuyBailedOut) return;
    ThisAircraft.RudderTrim = std::clamp(ThisAircraft.RudderTrim + steps * 0.005, -1.0, 1.0);
    RudderInputAbsolute(0.0);
}

// ---- Throttle. Engine start and stop sounds overwrite a waiting sound.

void FlyableAircraft::setThrottle(double v) {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut) return;
    if (traits().fullOrIdleThrottle) {
        if (v > 0.5) v = 1.0;
        if (v > 0.0 && v < 1.0) v = 0.1;
    }
    const bool running = a.CurrentEngineSetting != 0.0;
    if (v == 0.0) {
        // Switching off works whatever the damage.
        if (running) a.PlayThisSound = 32;
        own.engineVolume = 0.0;
        a.CurrentEngineSetting = 0.0;
    }
    if (!(a.Damage1 & (dmg::ThrottleDead | dmg::BlownUp | dmg::Down)) && a.TotalHits < a.TotalHitsBeforeDead) {
        if (v > 0.0 && !running) a.PlayThisSound = traits().engineStartSound;
        a.CurrentEngineSetting = std::clamp(v, 0.0, 1.0);
    }
}

void FlyableAircraft::throttleUp(double amount) {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || (a.Damage1 & (dmg::ThrottleDead | dmg::BlownUp | dmg::Down))) return;
    const double step = traits().fullOrIdleThrottle ? 1.0 : amount;
    if (a.CurrentEngineSetting == 0.0) a.PlayThisSound = traits().engineStartSound;
    a.CurrentEngineSetting = std::min(a.CurrentEngineSetting + step, 1.0);
}

void FlyableAircraft::throttleDown(double amount) {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || (a.Damage1 & (dmg::ThrottleDead | dmg::BlownUp | dmg::Down))) return;
    const double step = traits().fullOrIdleThrottle ? 1.0 : amount;
    if (a.CurrentEngineSetting == 0.0) {
        own.engineVolume = 0.0;
        a.PlayThisSound = traits().engineStartSound;
    }
    // The down key idles the engine; it never stops it.
    a.CurrentEngineSetting = std::max(a.CurrentEngineSetting - step, 0.1);
}

void FlyableAircraft::setThrottleToOff() {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || (a.Damage1 & (dmg::BlownUp | dmg::Down))) return;
    if (a.CurrentEngineSetting != 0.0) a.PlayThisSound = 32;
    own.engineVolume = 0.0;
    a.CurrentEngineSetting = 0.0;
}

void FlyableAircraft::setThrottleToIdle() {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || (a.Damage1 & (dmg::ThrottleDead | dmg::BlownUp | dmg::Down))) return;
    if (a.CurrentEngineSetting == 0.0) a.PlayThisSound = traits().engineStartSound;
    a.CurrentEngineSetting = 0.1;
}

void FlyableAircraft::setThrottleToWEP() {
    Aircraft& a = ThisAircraft;
    if (a.GuyBailedOut || (a.Damage1 & (dmg::ThrottleDead | dmg::BlownUp | dmg::Down))) return;
    if (a.CurrentEngineSetting == 0.0) a.PlayThisSound = traits().engineStartSound;
    a.CurrentEngineSetting = 1.0;
}

// ---- Brakes and guns.

void FlyableAircraft::turnBrakesOn() {
    if (!ThisAircraft.GuyBailedOut) ThisAircraft.Brakes = 1.0;
}

void FlyableAircraft::toggleBrakes() {
    if (!ThisAircraft.GuyBailedOut) ThisAircraft.Brakes = ThisAircraft.Brakes == 0.0 ? 1.0 : 0.0;
}

void FlyableAircraft::unJamGuns() {
    requestSound(42);
    if ((ThisAircraft.Damage1 & dmg::GunsJammed) && GetDoubleRandom0to1() < 0.7) {
        ThisAircraft.Damage1 &= ~dmg::GunsJammed;
    }
}

// ---- Look operations: they move only the head's targets.

void FlyableAircraft::setPilotPitch(double pitch, double heading) {
    ThisAircraft.PilotHeadToPitch = pitch;
    ThisAircraft.PilotHeadToHeading = heading;
}

void FlyableAircraft::setPilotHeading(double heading) { ThisAircraft.PilotHeadToHeading = heading; }

void FlyableAircraft::setPilotPitchAbsolute(double pitch, double heading) {
    ThisAircraft.PilotHeadPitch = pitch;
    ThisAircraft.PilotHeadHeading = heading;
    setPilotPitch(pitch, heading);
}

void FlyableAircraft::lookIncLeft() {
    ThisAircraft.PilotHeadToHeading = std::clamp(ThisAircraft.PilotHeadToHeading - 22.5, -157.5, 157.5);
}
void FlyableAircraft::lookIncRight() {
    ThisAircraft.PilotHeadToHeading = std::clamp(ThisAircraft.PilotHeadToHeading + 22.5, -157.5, 157.5);
}
void FlyableAircraft::lookIncLeftSmall() {
    ThisAircraft.PilotHeadToHeading = std::clamp(ThisAircraft.PilotHeadToHeading - 11.25, -157.5, 157.5);
}
void FlyableAircraft::lookIncRightSmall() {
    ThisAircraft.PilotHeadToHeading = std::clamp(ThisAircraft.PilotHeadToHeading + 11.25, -157.5, 157.5);
}
void FlyableAircraft::lookIncUp() {
    ThisAircraft.PilotHeadToPitch = std::max(ThisAircraft.PilotHeadToPitch - 22.5, -90.0);
}
void FlyableAircraft::lookIncDown() {
    ThisAircraft.PilotHeadToPitch = std::min(ThisAircraft.PilotHeadToPitch + 17.5, 35.0);
}

void FlyableAircraft::look4590Up() {
    double& p = ThisAircraft.PilotHeadToPitch;
    p = (p > -55.0 && p <= -35.0) ? -90.0 : -45.0;
}

void FlyableAircraft::lookDownToggle() {
    double& p = ThisAircraft.PilotHeadToPitch;
    p = p > 10.0 ? 0.0 : 35.0;
}

void FlyableAircraft::sagWoundedHead() {
    Aircraft& a = ThisAircraft;
    if (!Drawing.CameraOnMe || !(a.Damage1 & dmg::PilotHit)) return;
    if (a.PilotHeadToHeading > 0.01) a.PilotHeadToHeading -= 0.01;
    else if (a.PilotHeadToHeading < -0.01) a.PilotHeadToHeading += 0.01;
    else a.PilotHeadToHeading = 0.0;
}

void FlyableAircraft::movePilotHead() {
    Aircraft& a = ThisAircraft;
    a.PilotHeadHeading += (a.PilotHeadToHeading - a.PilotHeadHeading) / 10.0;
    const double h = a.PilotHeadHeading / -kDeg / 2.0;
    PilotAttitude.QAttitude = {std::cos(h), 0.0, std::sin(h), 0.0};
    const double zBase = traits().headZ;
    if (a.PilotHeadHeading > -90.0 && a.PilotHeadHeading < 90.0) {
        PilotAttitude.Position[0] = 0.0;
        PilotAttitude.Position[2] = zBase;
    } else {
        // Looking behind: the head leans out and back.
        PilotAttitude.Position[0] = a.PilotHeadHeading * 0.0028;
        PilotAttitude.Position[2] = std::fabs(PilotAttitude.Position[0]) + zBase;
    }
    a.PilotHeadPitch += (a.PilotHeadToPitch - a.PilotHeadPitch) / 10.0;
    const double p = a.PilotHeadPitch / -kDeg / 2.0;
    QNion pitch;
    pitch.QAttitude = {std::cos(p), std::sin(p), 0.0, 0.0};
    multQnionsAnswer(&pitch, &PilotAttitude);
}

// ---- Network smoothing as the aircraft shows it.

double* FlyableAircraft::getSliderValues() {
    own.passSliders = {ThisAircraft.SliderX, ThisAircraft.SliderY, ThisAircraft.SliderZ};
    return own.passSliders.data();
}

void FlyableAircraft::addInSliders() {
    live.attitude.Position[0] += ThisAircraft.SliderX;
    live.attitude.Position[1] += ThisAircraft.SliderY;
    live.attitude.Position[2] += ThisAircraft.SliderZ;
}

void FlyableAircraft::removeSliders() {
    live.attitude.Position[0] -= ThisAircraft.SliderX;
    live.attitude.Position[1] -= ThisAircraft.SliderY;
    live.attitude.Position[2] -= ThisAircraft.SliderZ;
}

void FlyableAircraft::getSlerpingQN(QNion* pose) {
    pose->Position = live.attitude.Position;
    pose->QAttitude = own.slerping.QAttitude;
}

int32_t FlyableAircraft::clearSlerping() {
    ThisAircraft.SlerpValue = 0.0;
    return 0;
}

}  // namespace pellam
