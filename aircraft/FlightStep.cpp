// The per-tick flight step of a flyable aircraft. Once per call: network offsets, detached parts,
// buffet and structure, the computer pilot, the stall limiter and the damage ageing. Then one
// sub-step per tick: forces, ground handling, integration, g load, ground contact, guns, smoke,
// wind drift and the replay record, in that order.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/Degrees.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {
}  // namespace

void FlyableAircraft::driveModel(int32_t steps, int32_t tick, bool last, bool replayFlag) {
    Aircraft& a = ThisAircraft;
    const bool catchUp = tick == -1;  // a remote aircraft brought up to date

    if (!catchUp) {
        a.SliderX *= 0.96;
        a.SliderY *= 0.96;
        a.SliderZ *= 0.96;
        // The drawn attitude reaches the model's as the drawn place does; 0 once it is there.
        a.SlerpValue = a.SlerpValue * 0.96 < 1e-3 ? 0.0 : a.SlerpValue * 0.96;
    }
    Vector3 drift = WindVector;
    if ((a.Damage1 & dmg::Down) || a.OnGround) drift = {0.0, 0.0, 0.0};
    if (!catchUp) moveDetachedParts(drift);
    if (live.attitude.Position[1] < -9000.0) return;  // a free or hidden slot

    if (!catchUp) {
        burstLimits(tick);
        sagWoundedHead();
    }
    a.StallWobble = 0.0;
    bailOutFlight(tick);
    if (!replayFlag) {  // a replay shows the records: no computer pilot and no random damage
        buffetAndOverspeed();
        if (a.RemoteLocal == 0 && a.AIType > 0) {
            runComputerPilot(models(), tick);
            randomBailOut();
        }
    }

    // Stall limiter: shapes the controls for this call's sub-steps only.
    const double savedElevator = a.Elevator, savedAilerons = a.Ailerons, savedRudder = a.Rudder;
    bool limited = false;
    if (a.StallLimiter && a.AOADegrees > a.PlusStall - 3.0 && a.RotationalSpeeds[0] < -0.01) {
        limited = true;
        if (a.RotationalSpeeds[0] < -0.55) ElevatorInputAbsolute(0.0);
        if (a.RotationalSpeeds[0] < -0.4) {
            if (a.Elevator > 0.15) ElevatorInputAbsolute(0.15);
        } else if (a.Elevator > 0.2) {
            ElevatorInputAbsolute(0.2);
        }
    }
    if (a.StallLimiter && (a.AOADegrees2 > a.PlusStall || a.AOADegrees3 > a.PlusStall)) {
        limited = true;
        ElevatorInputAbsolute(-0.5);
        RudderInputAbsolute(a.YawOffDegrees * -0.1);
        AileronInputAbsolute(a.Ailerons * 0.25);
    }

    if (!catchUp) live.globalTime = tick;
    if (!replayFlag) downStateAndHitLimit();
    for (int32_t k = 0; k < steps; ++k) subStep(tick + k, last, replayFlag);

    // A belly-landed aircraft at rest on sea-level ground: keep it from sinking out of sight.
    if (a.OnGround && a.GearPosition != 1.0 && a.GroundAltitude == 0.0 && mph() < 1.0) {
        live.attitude.Position[1] = std::max(live.attitude.Position[1] + traits().restingRise, -10.0);
        live.previousAttitude.Position[1] = live.attitude.Position[1];
        a.NosePosition[1] = 20.0;
        a.FuseBottom[1] = 20.0;
    }

    if (limited) {
        // Give back the pilot's own positions exactly: the absolute inputs add the trim for a
        // person at the stick, so take it out first.
        const bool person = a.AIType < 0;
        ElevatorInputAbsolute(savedElevator - (person ? a.ElevatorTrim : 0.0));
        RudderInputAbsolute(savedRudder - (person ? a.RudderTrim : 0.0));
        AileronInputAbsolute(savedAilerons - (person ? a.AileronTrim : 0.0));
    }
}

void FlyableAircraft::subStep(int32_t tick, bool last, bool replayFlag) {
    Aircraft& a = ThisAircraft;
    if (++a.Counter2 > 600) {
        FigureMass();
        a.Counter2 = 0;
    }
    movePilotHead();
    engineAndAirForces();
    std::array<double, 3> M = sumForcesAndMoments();
    groundHandling(M);
    linearMotion(replayFlag);
    angularMotion(M);
    const double ground = groundUnderfoot(tick);
    groundContact(tick, ground, replayFlag);
    gunsSmokeAndWind(tick, last);
    if (!replayFlag) saveCurrentReplayData(tick);
    else readCurrentReplayData(tick);
}

// Air forces on every surface, the engine's thrust and the power left at this height.
void FlyableAircraft::engineAndAirForces() {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    const double density = FigureAirDensity(pos[1]);
    figureAeroForce(density, &a, &live.attitude, &live.previousAttitude, Airfoils.data());
    FigureEnginePowerDrag(&a, &live.attitude, &live.previousAttitude, Airfoils.data());

    // Engine power by 1000-ft band: (Y + 999) / 1000 in whole bands, 0 at and below sea level.
    double band = std::trunc((pos[1] + 999.0) / 1000.0);
    if (!(band >= 0.0)) band = 0.0;  // also catches NaN
    if (band > 99.0) band = 99.0;
    a.EngineThrust *= PowerTable[static_cast<int>(band)];
    a.EngineThrust *= 1.0 + std::sin(-a.AOADegrees / kDeg);
}

// Thrust and the surfaces' forces summed in body axes; answers the moments.
std::array<double, 3> FlyableAircraft::sumForcesAndMoments() {
    Aircraft& a = ThisAircraft;
    // Sum of forces (body axes) and moments.
    live.acceleration = {0.0, 0.0, a.EngineThrust};
    std::array<double, 3> M{};
    const int32_t count = std::clamp(a.NumberOfSurfaces, 0, static_cast<int32_t>(Aircraft::kSurfaces));
    a.ReportValues[8] = 0.0;
    a.ReportValues[7] = own.surfaces[std::clamp(TemplateElevatorNum, 0, Aircraft::kSurfaces - 1)].AnglePBH[0];
    for (int32_t i = 0; i < count; ++i) {
        const AirSurface& s = own.surfaces[i];
        for (int j = 0; j < 3; ++j) live.acceleration[j] += s.ForceXYZ[j];
        M[0] += s.AnglePBH[0];
        M[1] += s.AnglePBH[1];
        if (!a.OnGround) M[2] += s.AnglePBH[2];
    }
    return M;
}

// On the ground: taxiing, wheel steering, the wind on the tail, nose-overs and braking.
void FlyableAircraft::groundHandling(std::array<double, 3>& M) {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    const bool taxiing = a.OnGround && !(a.Damage1 & dmg::Down) && a.GearPosition == 1.0;
    if (taxiing) {
        const double speed = mph();
        if (speed < 3.0 && a.CurrentEngineSetting < 0.15) {
            M[1] *= 0.9;
            for (int j = 0; j < 3; ++j) live.rotation[j] *= 0.9, live.previousRotation[j] *= 0.9;
        }
        if (speed < 45.0) {
            // Tail-skid and wheel steering by the rudder.
            M[1] = a.Rudder * 35.0 * a.CurrentVelocity / 50.0;
            if (speed < 30.0) live.rotation[1] *= 0.9, live.previousRotation[1] *= 0.9;
        }
        if (speed > 9.0) M[1] += std::sin((a.AircraftHeading - WindDirection) / kDeg) * WindSpeed / 150.0;
        live.velocity[0] = a.CurrentVelocity * std::sin(a.AircraftHeading / kDeg);
        live.velocity[2] = a.CurrentVelocity * std::cos(a.AircraftHeading / kDeg);

        // Nose-over: ground rising more than a foot within 5 ft ahead. The point ahead comes from
        // the pose, not from the drawing matrix, which is stale whenever the aircraft is not drawn.
        if (Terrain) {
            double R[16] = {};
            quaternionToMatrix(live.attitude.QAttitude.data(), R);
            const double ahead[3] = {0.0, 0.0, 5.0};
            double w[3];
            RotateVector(ahead, w, R);
            if (a.GroundAltitude - Terrain->getAltitudeAtX(pos[0] + w[0], pos[2] + w[2]) < -1.0) {
                a.Damage1 |= dmg::PropBroken | dmg::EngineStopped | dmg::ThrottleDead;
                live.velocity[0] *= 0.9;
                live.velocity[2] *= 0.9;
                a.CurrentEngineSetting = 0.0;
            }
        }
    }
    if (a.OnGround) {
        if (a.Brakes != 0.0) {
            live.velocity[0] *= 0.99, live.velocity[2] *= 0.99;
        } else if (a.CurrentEngineSetting <= 0.15) {
            live.velocity[0] *= 0.999, live.velocity[2] *= 0.999;
            if (a.Rudder > 0.2 || a.Rudder < -0.2) live.velocity[0] *= 0.998, live.velocity[2] *= 0.998;
        }
    }
}

// Forces to world axes, then velocity, the g load and its limits, and position.
void FlyableAircraft::linearMotion(bool replayFlag) {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    live.previousAttitude = live.attitude;
    double R[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), R);
    const Vector3 bodyForce = live.acceleration;
    RotateVector(bodyForce.data(), live.acceleration.data(), R);

    const bool down = a.Damage1 & dmg::Down;
    auto stopDead = [this] {
        live.acceleration = live.previousAcceleration = live.velocity = live.previousVelocity = Vector3{0.0, 0.0, 0.0};
    };
    if (down && (!a.OnGround || mph() < 3.0)) stopDead();
    if (a.OnGround && !down && a.GearPosition != 1.0 && mph() < 25.0) {
        // Sliding on the belly.
        if (mph() > 15.0) {
            for (double& v : live.velocity) v *= 0.8;
        } else {
            stopDead();
        }
    }
    doAccelerationToVelocity(live.acceleration.data(), live.previousAcceleration.data(), live.velocity.data(), live.previousVelocity.data(),
                             a.Mass, kGravity, &a);

    // Load along the body's up axis; the gear holds a standing aircraft at no less than 0.95 g.
    double now[3], before[3];
    InverseRotateVector(live.velocity.data(), now, R);
    InverseRotateVector(live.previousVelocity.data(), before, R);
    a.Gs = (now[1] - before[1]) + kGravity;
    if (a.Gs * kGPerUnit < 0.95 && a.OnGround && a.GearPosition == 1.0) a.Gs = 0.008486666348812722;
    if (!replayFlag) gLoadLimits();
    blackRedOut();
    if (!replayFlag) gearAndFlapOverspeed();

    doVelocityToPosition(live.velocity.data(), live.previousVelocity.data(), pos.data());
}

// Moments to rotation and attitude, and the body rates the instruments and the AI read.
void FlyableAircraft::angularMotion(const std::array<double, 3>& M) {
    Aircraft& a = ThisAircraft;
    a.ReportValues[10] = M[0];
    a.ReportValues[11] = M[1];
    a.ReportValues[12] = M[2];
    doAccelerationToRotation(M.data(), live.rotation.data(), live.previousRotation.data(), iTensor.data(), &live.attitude, &a);
    double slerp[5] = {a.SliderQW, a.SliderQX, a.SliderQY, a.SliderQZ, a.SlerpValue};
    doVelocityToAngle(live.previousRotation.data(), live.rotation.data(), &live.attitude, slerp);
    a.SliderQW = slerp[0], a.SliderQX = slerp[1], a.SliderQY = slerp[2], a.SliderQZ = slerp[3];

    double R[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), R);
    InverseRotateVector(live.rotation.data(), &a.RotationalSpeeds[0], R);
    InverseRotateVector(live.previousRotation.data(), &a.RotationalSpeeds[3], R);
}

// The ground under the aircraft, a ship's deck and the ground's plane; answers the height.
double FlyableAircraft::groundUnderfoot(int32_t tick) {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    // Ground of this sub-step; a fixed raised strip stands at 850 ft.
    double ground;
    if (pos[1] > 849.0 && pos[2] > 1844460.0 && pos[2] < 1848020.0 && pos[0] > 2329330.0 && pos[0] < 2329390.0) {
        ground = 850.0;
    } else {
        ground = groundAt(pos[0], pos[2]);
    }
    a.PreviousGroundAltitude = a.GroundAltitude;
    a.GroundAltitude = ground;
    int32_t joiner = 0;
    if (theNetwork && !theNetwork->amIHost() && theNetwork->getNetworkMode() != 0) {
        joiner = theNetwork->getJoinerNumber();
    }
    checkForOverCarrier(this, models(), tick, &live.attitude, &live.previousAttitude, live.velocity.data(), joiner);
    if (Terrain) {
        const double* plane = Terrain->lastTerrainPlaneEq();
        if (plane) std::copy(plane, plane + 4, own.groundEq.begin());
    }
    return ground;
}

// Wheels, skid and airframe against the ground, the rest rule, craters, explosions and the
// touch-down sound.
void FlyableAircraft::groundContact(int32_t tick, double ground, bool replayFlag) {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    const uint32_t damageBefore = a.Damage1;
    const int8_t onGroundBefore = a.OnGround;
    const double sinkBefore = live.velocity[1];
    CheckForGroundInteraction(a.GroundAltitude, &a, &live.attitude, iTensor.data(), live.velocity.data(),
                              live.rotation.data(), &live.previousAttitude, aController);
    // The ground stop rule counts from the tick the aircraft came to rest.
    if (tick >= 0) {
        if (a.OnGround && mph() < 0.5) {
            if (a.TimeWhenStoppedMoving == 0) a.TimeWhenStoppedMoving = std::max(tick, 1);
        } else {
            a.TimeWhenStoppedMoving = 0;
        }
    }
    // A remote aircraft's damage comes from its owner: restored before the crater and blow-up
    // rules read it, so a local guess that touches the ground never blows it up here.
    if (a.RemoteLocal != 0) a.Damage1 = damageBefore;
    bombCrater(replayFlag);
    if (!(damageBefore & dmg::BlownUp) && (a.Damage1 & dmg::BlownUp)) {
        a.GroundAltitude = ground;
        pos[1] = ground;
        live.previousAttitude.Position[1] = ground;
        if (aController) aController->startAnExplosion(pos.data());
    }
    if (!onGroundBefore && a.OnGround && a.Gear == 1 && !(a.Damage1 & dmg::BlownUp) && sinkBefore < 0.0 &&
        mph() > 5.0) {
        requestSound(sinkBefore < -0.13888 ? 7 : 8);
    }
}

// Bullets, tracers and smoke of this sub-step, and the wind's drift while flying.
void FlyableAircraft::gunsSmokeAndWind(int32_t tick, bool last) {
    Aircraft& a = ThisAircraft;
    auto& pos = live.attitude.Position;
    if (tick != -1) {
        if (a.GunsFiring) startABullet();
        moveGunBullets();
        tracersToSmoke(last);
    }
    aircraftSmoke();
    if (!a.OnGround && !(a.Damage1 & dmg::Down)) {
        for (int j = 0; j < 3; ++j) {
            pos[j] += WindVector[j];
            live.previousAttitude.Position[j] += WindVector[j];
        }
    }
}

}  // namespace pellam
