// Blowing up, stopping dead, the pilot's fate, re-arming in place and the restart before a
// mission, with the few setters the missions and the network use.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "aircraft/FlyableAircraft.h"

namespace pellam {
namespace {

constexpr double kFullTank = 180.0;  // lb

}  // namespace

void FlyableAircraft::doSplodes() {
    Aircraft& a = ThisAircraft;
    if (a.Damage1 & dmg::BlownUp) return;
    a.Damage1 |= dmg::BlownUp | dmg::Down | dmg::ControlsDead;
    requestSound(12);
    live.attitude.Position[1] = a.GroundAltitude + 1.0;
    live.previousAttitude.Position[1] = live.attitude.Position[1];
    StopForwardProgress();
    if (aController) aController->startAnExplosion(live.attitude.Position.data());
}

void FlyableAircraft::StopForwardProgress() {
    ThisAircraft.CurrentVelocity = 0.0;
    live.velocity = live.previousVelocity = live.acceleration = live.previousAcceleration = Vector3{0.0, 0.0, 0.0};
    // The rotation rates stop; the previous tick's stay for the next step to finish its turn.
    for (int j = 0; j < 3; ++j) live.rotation[j] = 0.0;
}

bool FlyableAircraft::pilotDied() {
    const Aircraft& a = ThisAircraft;
    if (!(a.Damage1 & dmg::Down)) return false;
    if (a.GuyBailedOut && live.chuteOpened) return false;
    if (!a.OnGround) return true;
    if (a.GearPosition == 1.0 || a.TimeWhenStoppedMoving == 0) return true;
    const int32_t now = aController ? aController->getGlobalMissionTime() : 0;
    return static_cast<int64_t>(now) - a.TimeWhenStoppedMoving <= 900;
}

void FlyableAircraft::refuelReArm() {
    Aircraft& a = ThisAircraft;
    if (a.Damage1 & dmg::Down) return;
    const double y = live.attitude.Position[1];
    const Quaternion attitude = live.attitude.QAttitude;
    const double brakes = a.Brakes;
    const int32_t delay = a.AIDelayOnFlyThePointsTime, point = a.NextFlyPointNumber, ai = a.AIType;
    const std::array<double, 4> head{a.PilotHeadPitch, a.PilotHeadHeading, a.PilotHeadToPitch, a.PilotHeadToHeading};

    // The set-up repairs, reloads the guns and stops the aircraft; then it stands as it stood.
    SetUpAircraft(live.attitude.Position[0], y, live.attitude.Position[2], 0.0, 400.0, 0.0, a.CurrentEngineSetting);
    live.attitude.Position[1] = y;
    live.attitude.QAttitude = attitude;
    a.Brakes = brakes;
    a.AIDelayOnFlyThePointsTime = delay;
    a.NextFlyPointNumber = point;
    a.AIType = ai;
    a.PilotHeadPitch = head[0];
    a.PilotHeadHeading = head[1];
    a.PilotHeadToPitch = head[2];
    a.PilotHeadToHeading = head[3];
    live.previousAttitude = live.attitude;

    // Unless a mission gave a load, the tank stays as full as the definition filled it.
    a.FuelLoadInPounds = StartingFuelLoadGiven ? a.StartingFuelLoad : a.FuelLoadInPounds;
    // The mass stays the set-up's until the step's next mass refresh counts this load.
    a.CurrentNumberOfBombs = static_cast<int16_t>(std::clamp(own.startUpBombs, 0, kMaxBombs));
    requestSound(8);
}

void FlyableAircraft::resetModel() {
    Aircraft& a = ThisAircraft;
    ZephModel::resetModel();
    // A restarted wreck must come back whole: the re-arm rebuilds only an aircraft not down.
    a.Damage1 &= ~dmg::Down;
    refuelReArm();
    a.PlayThisSound = -1;
    a.LeftWingGoneAt = a.RightWingGoneAt = a.BlowsUpAt = 0;
    live.guyHitsGroundSound = live.engineSeizesSound = false;
    a.GuyBailedOut = 0;
    a.SlerpValue = 0.0;
    a.SliderX = a.SliderY = a.SliderZ = 0.0;
    a.SliderQX = a.SliderQY = a.SliderQZ = 0.0;
    a.SliderQW = 1.0;
    // No record of an earlier flight can be found again.
    ReplayBufferOffset = 0;
    const size_t clear = std::min<size_t>(std::max(ReplayBufferSize, 0), ReplayBufferAddress.size());
    std::fill_n(ReplayBufferAddress.begin(), clear, uint8_t{0});
    a.AutoPilotData.fill(0.0);
    a.AutoPilotData[2] = -1.0;
}

void FlyableAircraft::setFuelLoad(double fraction) {
    if (!(fraction >= 0.0)) fraction = 0.0;  // also NaN
    fraction = std::min(fraction, 1.0);
    ThisAircraft.FuelLoadInPounds = ThisAircraft.StartingFuelLoad = fraction * kFullTank;
    StartingFuelLoadGiven = true;
}

void FlyableAircraft::turnAutoPilotOn() {
    if (ThisAircraft.AIType < 0) ThisAircraft.AIType = -ThisAircraft.AIType;
}

void FlyableAircraft::toggleAutoPilot() { ThisAircraft.AIType = -ThisAircraft.AIType; }

void FlyableAircraft::setCustomPaintJobNumberBig(int32_t big, int32_t small) {
    BigCustomPaintJobNumber = big;
    SmallCustomPaintJobNumber = small;
}

}  // namespace pellam
