// Set-up of a flyable aircraft (definition, mass, placement) and the damage operations the flight
// step uses: adding damage bits and losing a wing.
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "flight/FlightModel.h"

namespace pellam {

void FlyableAircraft::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2*) {
    fillAirfoils();
    SetUpAircraft(0.0, 1000.0, 0.0, 0.0, 0.0, 70.0, 0.8);
    ThisAircraft.AIType = -1;
}

void FlyableAircraft::SetUpAircraft(double x, double y, double z, double heading, double pitch, double mph,
                                    double throttle) {
    Aircraft& a = ThisAircraft;
    startAfresh();
    a.TimeOfReset = missionTick();
    a.ClosestEnemyData[27] = 0.0;
    a.AIDelayOnFlyThePointsTime = 0;

    // The engine starts stopped, idling or at full power.
    if (throttle > 0.0 && throttle < 0.21) throttle = 0.1;
    else if (throttle >= 0.21) throttle = 1.0;
    own.engineVolume = throttle == 0.0 ? 0.0 : 180.0;
    own.lastJamSound = 0;
    a.LastBombDropTime = 0;
    ReplayUpdatesBetweenFrames = 0;
    ReplaySaveTime = 0;

    writeDefinition();
    a.GuyBailedOut = 0;
    a.CurrentEngineSetting = throttle;
    a.CurrentRPM = throttle > 0.1 ? 1000.0 : 0.0;
    a.BladeAngle = a.BladeMinAngle;
    FigureMass();

    a.Gear = 1;
    a.GearPosition = a.GearPosition2 = 1.0;
    a.OnGround = 0;
    a.Damage1 = a.Damage2 = 0;
    if (mph <= 1.0) mph *= a.TopSpeedInMPH;
    a.TotalHits = 0.0;
    a.CurrentAmmoUsed = 0.0;
    a.GunsFiring = 0;
    a.CurrentVelocity = 0.0;
    a.Brakes = 0.0;

    // Placement. A y just below 0 asks for the ground under (x, z).
    if (y > -5.0 && y < 0.0 && Terrain) {
        y = Terrain->getAltitudeAtX(x, z);
        double deck[2] = {30.0, 0.0};
        if (quickOverCarrierCheck(this, models(), deck)) y += deck[0];
        if (y == 0.0) a.Damage1 |= dmg::GearBroken;
        if (pitch <= 360.0) y += a.TailDownHeight;
    }
    if (pitch > 360.0) {
        pitch = a.TailDownAngle;
        y += a.TailDownHeight;
    }
    if (mph > 0.1 && Terrain) {
        // A flying start at or near the ground begins well above it.
        const double g = Terrain->getAltitudeAtX(x, z);
        if (y < g + 20.0 && y > -9000.0) y = g + 20.0 + 500.0;
    }
    live.attitude.Position = {x, y, z};
    // The ground below from the start: the rules that run before the first sub-step read it.
    a.GroundAltitude = a.PreviousGroundAltitude = groundAt(x, z);
    live.attitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
    rotateHeadingByDegrees(heading);
    rotatePitchByDegrees(-pitch);
    live.previousAttitude = live.attitude;
    a.AircraftPitch = pitch;
    a.AircraftBank = 0.0;
    a.AircraftHeading = heading;
    a.StickOnGroundPosition = 0.0;
    a.CurrentVelocity = mph / kMphPerFtTick;
    a.PlusStall = Airfoils[4].PlusStall;
    a.MinusStall = Airfoils[4].MinusStall;

    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    const double body[3] = {0.0, 0.0, mph / kMphPerFtTick};
    RotateVector(body, live.velocity.data(), m);
    live.acceleration = {0.0, 0.0, 0.0};
    live.previousVelocity = live.velocity;
    for (int i = 0; i < 3; ++i) live.previousAttitude.Position[i] = live.attitude.Position[i] - live.velocity[i];
    own.parts.fill(live.attitude);
    live.rotation = {0.0, 0.0, 0.0, 0.0};

    a.Shape = own.surfaces.data();
    a.FlapPosition = 0.0;
    a.GearPosition = a.GearPosition2 = a.Gear == 1 ? 1.0 : 0.0;
    RudderInputAbsolute(0.0);
    a.AOADegrees = 0.0;
    ElevatorInput(0.0);
    setFlaps(0.0);

    a.HitY = -15000.0;
    a.WhoShotMe = -1;
    a.AIType = -1;
    a.PlayThisSound = -1;
    a.NetworkHits = 0.0;
    a.BlackRedOutLevel = 100;
    a.DangerousGs = 0;
    a.BloodMovementFromGs = 0.0;
    a.PilotLosesConscienceness = 0;
    a.FlapSpeed = {410, 285, 235, 190, 175};
    freeAllSmoke();
    a.WEPTime = 0;
    a.EngineSmokingTime = 0;
    a.AutoPilotData[4] = 0.0;
    a.TimeWhenStoppedMoving = 0;
    rightWingDrawingOnOff(true);
    leftWingDrawingOnOff(true);
}

void FlyableAircraft::startAfresh() {
    // What the flight step carries from tick to tick and the definition does not rewrite: a
    // restarted aircraft must not keep the rates, stick positions, mass-refresh count, wreck time
    // or bullets of the flight before. The guns' constants are written again with the definition.
    Aircraft& a = ThisAircraft;
    a.Counter2 = 0;
    a.Gs = 0.0;
    a.PitchOffDegrees = a.YawOffDegrees = 0.0;
    a.RotationalSpeeds.fill(0.0);
    // The stall limiter reads these before the first sub-step works them out again.
    a.AOADegrees2 = a.AOADegrees3 = a.PreviousAOADegrees = a.AveragedAOADegrees = 0.0;
    a.PreviousAircraftPitch = a.PreviousAircraftBank = a.PreviousAircraftHeading = 0.0;
    a.ReportValues.fill(0.0);
    a.Elevator = a.Ailerons = a.Rudder = 0.0;
    a.PElevator = a.PAilerons = a.PRudder = 0.0;
    a.DeadOnGroundTime = 0;
    a.GunBullets = BulletsList{};
    // The computer pilot's picture of the fight and where the pilot looks: left over, the
    // same mission started again would fly differently from its first start.
    a.PilotHeadPitch = a.PilotHeadHeading = a.PilotHeadToPitch = a.PilotHeadToHeading = 0.0;
    a.ClosestEnemyData.fill(0.0);
    a.ClosestEnemy = a.ClosestAircraft = nullptr;
    a.aiVariables.fill(0.0);
    a.HitX = a.HitZ = 0.0;
    // The propeller and wheels turn on from the set-up, as drawn from a fresh aircraft.
    Drawing.propAngle = Drawing.wheelAngle = 0.0;
    Drawing.HitFlashFlag = 0;
    Drawing.lastSmokeTick = -1;
    live.previousAcceleration = {0.0, 0.0, 0.0};
    live.previousRotation = {0.0, 0.0, 0.0, 0.0};
}

void FlyableAircraft::FigureMass() {
    Aircraft& a = ThisAircraft;
    const double weight = a.Weight + a.FuelLoadInPounds + a.WeightInPoundsOfOneBomb * a.CurrentNumberOfBombs;
    const double m = weight / 32.2;
    a.Mass = m;
    a.IXMass = a.Ixx * m;
    a.IYMass = a.Iyy * m;
    a.IZMass = a.Izz * m;
    if (a.IXMass != 0.0) iTensor[0] = 1.0 / a.IXMass;
    if (a.IYMass != 0.0) iTensor[5] = 1.0 / a.IYMass;
    if (a.IZMass != 0.0) iTensor[10] = 1.0 / a.IZMass;
    if (traits().engineGyroCoupling) {
        // The rotary engine's gyroscopic coupling grows with its speed.
        const double f = a.CurrentRPM / 1200.0;
        a.Ixy = a.Iyx = (-5.0 + 5.7) * f - 5.7;
    }
    if (m == 0.0) return;
    const struct { double factor; int entry; } cross[] = {{a.Iyx, 1}, {a.Izx, 2}, {a.Ixy, 4},
                                                          {a.Izy, 6}, {a.Ixz, 8}, {a.Iyz, 9}};
    for (const auto& c : cross) {
        if (c.factor != 0.0) iTensor[c.entry] = 1.0 / (c.factor * m);
    }
}

void FlyableAircraft::orDamage1(uint32_t bits) {
    Aircraft& a = ThisAircraft;
    if ((bits & dmg::EngineStopped) && !live.engineSeizesSound) {
        live.engineSeizesSound = true;
        requestSound(30);
    }
    if ((bits & dmg::LeftWingGone) && !(a.Damage1 & dmg::LeftWingGone)) {
        a.LeftWingGoneAt = live.globalTime;
        leftWingDrawingOnOff(false);
    }
    if ((bits & dmg::RightWingGone) && !(a.Damage1 & dmg::RightWingGone)) {
        a.RightWingGoneAt = live.globalTime;
        rightWingDrawingOnOff(false);
    }
    if ((bits & dmg::BlownUp) && !(a.Damage1 & dmg::BlownUp)) a.BlowsUpAt = live.globalTime;
    a.Damage1 |= bits;
}

void FlyableAircraft::wingComesOff(int32_t side) { loseWing(side, false); }

// `frameBreaks`: the over-g failure, whose own sound covers the break, takes the wing. That is
// known from the step itself, never from the sound mailbox, which the drawing empties once a
// frame: the random draw below must not follow the frame rate.
void FlyableAircraft::loseWing(int32_t side, bool frameBreaks) {
    if (side != 0 && side != 1) return;
    Aircraft& a = ThisAircraft;
    const bool left = side == 0;
    AirSurface& lower = own.surfaces[left ? 0 : 1];
    int32_t& goneAt = left ? a.LeftWingGoneAt : a.RightWingGoneAt;
    goneAt = live.globalTime;
    if (lower.Area > 10.0 && live.attitude.Position[1] > a.GroundAltitude + 25.0 && !frameBreaks) {
        if (getDoubleRandomFrom(0.0, 1.0) > 0.5) requestSound(11);
        else goneAt = live.globalTime - 65;
    }
    a.Damage1 |= left ? dmg::LeftWingGone : dmg::RightWingGone;
    own.surfaces[left ? 0 : 1].Area = 1.0;
    own.surfaces[left ? 2 : 3].Area = 1.0;
    for (int k = 0; k < 8; ++k) own.surfaces[aileronNum(k)].Area = 0.0;
    cutSideExtraWing(left ? 0 : 1);
    if (left) leftWingDrawingOnOff(false);
    else rightWingDrawingOnOff(false);
}

void FlyableAircraft::leftWingDrawingOnOff(bool on) {
    if (on) return;
    detachPart(0, {live.velocity[0] * 0.99, live.velocity[1], live.velocity[2] * 0.99});
}

void FlyableAircraft::rightWingDrawingOnOff(bool on) {
    if (on) return;
    detachPart(2, {live.velocity[0] * 0.99, live.velocity[1], live.velocity[2] * 0.99});
}

void FlyableAircraft::detachPart(int part, const Vector3& velocity) {
    // The part leaves from where the aircraft is now, and the bombs go with the wing.
    own.partSpeeds[part] = velocity;
    own.parts[part] = live.attitude;
    ModelArray* array = models();
    ZephModel* bombs = array ? array->at(ModelArray::kBombs) : nullptr;
    for (int n = ThisAircraft.CurrentNumberOfBombs; n > 0; --n) {
        const double* at = dropBomb();
        if (bombs && at) {
            bombs->startADroppedBomb(getXYZVelocities(), at, aController->getGlobalMissionTime(),
                                     static_cast<int32_t>(aController->whatsMyNumber(this)));
        }
    }
}

int32_t FlyableAircraft::aileronNum(int k) const {
    const int32_t n[8] = {TemplateLeftUpperAileronTopNum,  TemplateLeftUpperAileronBotNum,
                          TemplateLeftLowerAileronTopNum,  TemplateLeftLowerAileronBotNum,
                          TemplateRightUpperAileronTopNum, TemplateRightUpperAileronBotNum,
                          TemplateRightLowerAileronTopNum, TemplateRightLowerAileronBotNum};
    const int32_t i = n[k];
    return i >= 0 && i < Aircraft::kSurfaces ? i : 0;
}

}  // namespace pellam
