#pragma once
// The Aircraft record: the whole definition and flight state of one flyable aircraft, with its
// surface, airfoil and damage-list records and the Damage1 bits.
//
// Owned by the aircraft object (ThisAircraft); every other subsystem reaches it through
// getAircraftStruct() and reads or writes fields directly. Created zero-filled with the object;
// SetUpAircraft rewrites the definition, clears the damage and places the aircraft; the flight step
// changes the state every tick. Memory only: never written to a file or a socket whole.
//
// Units: ft, ticks of 1/60 s, ft/tick (x 40.9 = mph), ft/tick^2 (x 111.9403027 = g), deg,
// slugs. Body frame: X right, Y up, Z forward.
#include <array>
#include <cstdint>

#include "flight/AIRecords.h"
#include "flight/BulletRecords.h"

namespace pellam {

class ZephModel;

// Damage1 bits. Once set, a bit stays until the next SetUpAircraft.
namespace dmg {
inline constexpr uint32_t PropBroken = 0x1;
inline constexpr uint32_t EngineStopped = 0x2;
inline constexpr uint32_t BlownUp = 0x4;
inline constexpr uint32_t GearBroken = 0x8;
inline constexpr uint32_t UndercarriageDamage = 0x10;
inline constexpr uint32_t Down = 0x20;
inline constexpr uint32_t GunsJammed = 0x40;
inline constexpr uint32_t ElevatorHit = 0x80;
inline constexpr uint32_t LeftAileronHit = 0x100;
inline constexpr uint32_t RightAileronHit = 0x200;
inline constexpr uint32_t RudderHit = 0x400;
inline constexpr uint32_t FlapsBroken = 0x800;
inline constexpr uint32_t ThrottleDead = 0x1000;
inline constexpr uint32_t FatalDamage = 0x2000;
inline constexpr uint32_t CockpitDamage = 0x4000;
inline constexpr uint32_t PilotHit = 0x8000;
inline constexpr uint32_t EngineDamaged = 0x10000;
inline constexpr uint32_t ControlsDead = 0x20000;
inline constexpr uint32_t LeftWingGone = 0x40000;
inline constexpr uint32_t RightWingGone = 0x80000;
inline constexpr uint32_t WingsBroken = 0x100000;
inline constexpr uint32_t FuelTankHoled = 0x200000;
inline constexpr uint32_t Part4Gone = 0x400000;
// The g-overload failure, all at once.
inline constexpr uint32_t GOverload = EngineStopped | ElevatorHit | RudderHit | FatalDamage | CockpitDamage |
                                      EngineDamaged;
}  // namespace dmg

// AirSurface.Hints bits.
namespace hint {
inline constexpr int32_t OneSided = 0x1;
inline constexpr int32_t Airfoil = 0x2;
inline constexpr int32_t Tail = 0x8;
inline constexpr int32_t Rudder = 0x20;
}  // namespace hint

// One lifting or drag surface.
struct AirSurface {
    double Area = 0;                       // ft^2; 1.0 once shot or torn away
    std::array<double, 3> LocationXYZ{};   // centre of pressure, body ft
    std::array<double, 3> NormalXYZ{};     // unit normal, body
    double Cdp = 0;                        // flat-plate coefficient
    std::array<double, 3> ForceXYZ{};      // this tick's force, body, slug ft/tick^2
    std::array<double, 3> AnglePBH{};      // this tick's moment about body X, Y, Z
    double KOverAspectRatio = 0;           // divisor of the induced drag; 0 for plates
    int32_t Hints = 0;                     // hint:: bits; 0x4 and 0x10 change no force
    int32_t TypeOfAirfoil = 0;             // index 0..7 into the airfoil table
};

// One airfoil's lift, drag and moment curve.
struct AirFoilDef {
    double Slope = 0;          // CL per deg
    double ZeroLift = 0;       // CL at 0 deg
    double PlusStall = 0;      // deg
    double MinusStall = 0;     // deg
    double PlusLiftCoTop = 0;  // deg: end of the straight line, positive side
    double MinusLiftCoTop = 0; // deg
    double MinDrag = 0;        // CD at 0 deg
    double Divisor = 0;        // deg^2 per unit of angle drag
    double MaxMoment = 0;      // CM per deg
};

// The damage list of one hit volume; the list ends at the first -1.
struct DamageTendencies {
    std::array<int32_t, 8> DamageType{};   // Damage1 masks
    std::array<double, 8> Probability{};   // weight, fractions of 32768
};

struct Aircraft {
    static constexpr int kSurfaces = 32, kAirfoils = 8, kHitVolumes = 12, kTakeOffPoints = 42;

    int32_t NumberOfSurfaces = 0;
    AirSurface* Shape = nullptr;           // first entry of the owner's Surfaces; not owned
    double PilotHeadPitch = 0;             // deg, negative looks up
    double PilotHeadHeading = 0;           // deg, negative looks left
    double PilotHeadToPitch = 0;
    double PilotHeadToHeading = 0;
    int8_t OnGround = 0;
    double TailDownAngle = 0;              // deg
    double TailDownHeight = 0;             // ft
    double BankSpeed = 0;
    double CurrentVelocity = 0;            // ft/tick
    double PitchOffDegrees = 0;
    double YawOffDegrees = 0;
    int32_t AircraftType = 0;              // 55 Camel, 64 D.VII, 77 Dr.I
    double Weight = 0;                     // lb, empty
    double Mass = 0;                       // slugs
    double Ixx = 0, Iyy = 0, Izz = 0, Ixy = 0, Ixz = 0, Iyx = 0, Iyz = 0, Izx = 0, Izy = 0;  // per slug
    double StartFuelLoad = 0;              // lb
    double FuelLoadInPounds = 0;           // lb
    double FuelUseAtFullThrottle = 0;      // lb/tick
    double EngineThrust = 0;
    double ShaftResistance = 0;
    int32_t WEPTime = 0;                   // ticks
    int32_t EngineSmokingTime = 0;         // ticks
    int32_t ARandom = 0;
    double FlapArea = 0;                   // ft^2
    double PressureAltitude = 0;           // propeller air density, slug/ft^3
    double GearSpring = 0;                 // ft/tick of sink taken without a bounce
    double BounceFactor = 0;
    int32_t FirstGearSurface = 0;
    int32_t TotalGearSurfaces = 0;
    int32_t Counter2 = 0;                  // sub-steps since the last mass refresh
    double AspecRatio = 0;
    double Gs = 0;                         // ft/tick^2 along body Y
    int8_t StallLimiter = 0;
    std::array<int32_t, 5> FlapSpeed{};    // mph
    double YawDampeningFactor = 0;
    double PitchDampeningFactor = 0;
    double DownWashFactor = 0;
    double CMoFactor = 0;
    double DownWashForceFactor = 0;
    double FlapMomentFactor = 0;           // deg per unit of flap
    double GroundAltitude = 0;             // ft
    double PreviousGroundAltitude = 0;
    std::array<double, 3> WingTip{};       // lower-left tip, body ft
    std::array<double, 3> NosePosition{};
    std::array<double, 3> FuseBottom{};
    std::array<double, 3> LeftGearBottom{};
    std::array<double, 3> TailLowPosition{};
    std::array<double, 3> TailHighPosition{};
    int32_t AIType = 0;                    // > 0 AI role, < 0 a person flies
    int32_t LeadAircraftNumber = 0;
    int32_t PrimaryObjectTarget = 0;
    int32_t SecondaryObjectTarget = 0;
    int32_t AfterKillObject = 0;
    int32_t AttackEnemyDistance = 0;       // ft
    int32_t ReturnToPatrolDistance = 0;    // ft
    int8_t WasDogfighting = 0;
    int32_t PatrolForSeconds = 0;
    int32_t AttackEnemyObjectDistance = 0; // ft
    int32_t aiSkillLevel = 0;
    int32_t BackUpaiType = 0;
    int32_t NextFlyPointNumber = 0;
    int32_t StartFlyPointNumber = 0;
    std::array<double, 3> PointsOffsetXYZ{};
    double PreviousPointDistance = 0;
    double StickOnGroundPosition = 0;
    double FarShootDistance = 0;
    std::array<double, 6> RateOfPBHChange{};
    std::array<double, 32> ClosestEnemyData{};
    ZephModel* ClosestEnemy = nullptr;     // not owned
    ZephModel* ClosestAircraft = nullptr;  // not owned
    int32_t InCurrentManeuver = 0;
    int32_t ManeuverPhase = 0;
    std::array<double, 4> aiVariables{};
    std::array<aiFlyToPoint, kTakeOffPoints> TakeOffPoints{};
    int32_t aiPilotNumber = 0;
    double TooSlowSpeedInMPH = 0;
    double TopSpeedInMPH = 0;
    double TooHighSpeedInMPH = 0;
    double ComesApartSpeedInMPH = 0;
    double BestHighBankAngle = 0;
    double BestClimbRate = 0;              // ft/min
    double BestDiveRate = 0;               // ft/min
    double TakeOffSpeed = 0;               // mph
    double ElevatorFactor = 0;
    int32_t NumberOfBombsAtStartOfRun = 0;
    int32_t RandomDropNumber = 0;
    int32_t AIDelayOnFlyThePointsTime = 0;
    std::array<std::array<double, 2>, 4> PreviousElevator{};
    std::array<double, 5> AutoPilotData{};
    AIPilotProfile* aiPilotsPtr = nullptr; // not owned
    double TooCloseDistance = 0;
    double DogfightRudderFactor = 0;
    double DogfightElevatorFactor = 0;
    double RPMSetting = 0;
    double BladeMinAngle = 0;              // deg
    double BladeMaxAngle = 0;              // deg
    double BladeDiameter = 0;              // ft
    double BladeArea = 0;                  // ft^2; 0 = no propeller
    double EngineTorque = 0;
    double CurrentRPM = 0;
    double MaxRPM = 0;
    int32_t EngineStartTime = 0;
    std::array<double, 32> UVHelp{};
    std::array<double, 3> EAR{};
    std::array<double, 6> RotationalSpeeds{};  // body rates about X, Y, Z, deg/tick; then previous
    std::array<double, 3> PosPlusSlider{};
    double Rudder = 0;                     // -1..1
    double Elevator = 0;
    double FailSafeElevator = 0;
    double Ailerons = 0;
    double PRudder = 0;                    // position, -1..1
    double PElevator = 0;
    double PAilerons = 0;
    double Flaps = 0;
    double Spoilers = 0;
    int32_t Gear = 0;                      // 1 down and working
    double CurrentEngineSetting = 0;       // throttle 0..1
    double WarEmergencyPower = 0;
    double FlapPosition = 0;
    double GearPosition = 0;               // 1.0 down
    double GearPosition2 = 0;
    double Brakes = 0;                     // 0.0 or 1.0
    double MaxEngineWindSpeed = 0;
    double ElevatorTrim = 0;
    double AileronTrim = 0;
    double RudderTrim = 0;
    int32_t Team = 0;
    double RudderMax = 0;                  // deg
    double ElevatorMax = 0;                // deg
    double AileronMax = 0;                 // deg
    double IXMass = 0, IYMass = 0, IZMass = 0;
    double NetworkHits = 0;
    double SliderX = 0, SliderY = 0, SliderZ = 0;  // ft
    double SliderQW = 0, SliderQX = 0, SliderQY = 0, SliderQZ = 0;
    double SlerpValue = 0;
    int8_t DoAReset = 0;
    uint32_t Damage1 = 0;                  // dmg:: bits
    uint32_t Damage2 = 0;
    int32_t LeftWingGoneAt = 0;
    int32_t RightWingGoneAt = 0;
    int32_t BlowsUpAt = 0;
    int32_t TimeOfReset = 0;
    int32_t MissionTimeOfReset = 0;
    int32_t DeadOnGroundTime = 0;
    int8_t GuyBailedOut = 0;
    int8_t OthersInGameOver = 0;
    int32_t TimeWhenStoppedMoving = 0;     // mission tick; 0 moving
    double StartingFuelLoad = 0;           // lb
    BulletsList GunBullets{};
    double AmmoInTicks = 0;
    double CannonAmmoInTicks = 0;
    double BulletPunch = 0;
    double BulletVelocity = 0;             // ft/tick
    int32_t TracerType = 0;
    double MaxRange = 0;                   // ft
    int32_t WhoShotMe = 0;
    double TotalHitsBeforeDead = 0;
    double TotalHits = 0;
    double CurrentAmmoUsed = 0;
    double CurrentCannonUsed = 0;
    int32_t GunsFiring = 0;
    int32_t CannonsFiring = 0;
    int16_t MaxNumberOfBombs = 0;
    int16_t WeightInPoundsOfOneBomb = 0;
    int16_t CurrentNumberOfBombs = 0;
    std::array<int16_t, 8> FallingBombOffsets{};
    int16_t nextFallingBomb = 0;
    std::array<float, 3> BombStartLocation{};
    float BombWidth = 0;
    std::array<double, 3> GlobalBombStart{};
    int32_t LastBombDropTime = 0;
    double HitX = 0, HitY = 0, HitZ = 0;   // body ft; HitY <= -10000 none
    int32_t HitFlashPointStart = 0;
    int32_t HitFlashPolyNumber = 0;
    int32_t HitFlashAlternate = 0;
    std::array<double, kHitVolumes> HitVolumeXCenter{}, HitVolumeYCenter{}, HitVolumeZCenter{};
    std::array<double, kHitVolumes> HitVolumeXSize{}, HitVolumeYSize{}, HitVolumeZSize{};  // half extents
    std::array<DamageTendencies, kHitVolumes> DamageProbabilities{};
    int32_t NumberOfHitVolumes = 0;
    int32_t BlackRedOutLevel = 0;          // 100 clear, 0 black, -1..-100 red
    int32_t DangerousGs = 0;               // consecutive sub-steps past the g limits
    double BloodMovementFromGs = 0;        // -600..600
    int32_t PilotLosesConscienceness = 0;
    std::array<double, 3> WindNormal{};
    std::array<double, 4> tempnormal{};
    std::array<double, 4> gAOA{};
    double AOADegrees = 0;                 // last airfoil surface this tick
    double AOADegrees2 = 0;                // surface 0
    double AOADegrees3 = 0;                // surface 1
    double ElevatorWork = 0;
    double BladeAngle = 0;                 // deg
    double PreviousAOADegrees = 0;
    double AveragedAOADegrees = 0;
    double PlusStall = 0;                  // deg, main wing
    double MinusStall = 0;
    std::array<double, 3> PreviousXYZ{};
    std::array<double, 3> RelativeMovement{};
    double NoseRotation = 0;
    double PreNoseRotation = 0;
    std::array<double, 16> ReportValues{};
    double SpUpDown = 0;                   // ft/tick^2
    double AircraftPitch = 0, AircraftBank = 0, AircraftHeading = 0;  // deg
    double PreviousAircraftPitch = 0, PreviousAircraftBank = 0, PreviousAircraftHeading = 0;
    int32_t RemoteLocal = 0;               // 0 simulated here
    int32_t PlayThisSound = 0;             // -1 none
    double StallWobble = 0;
    int32_t LastTimeWeLookedAhead = 0;
    double LeftAheadAltitude = 0;
    double RightAheadAltitude = 0;
    double PreviousCurrentVelocity = 0;
    double MinRudderPropWashSpeed = 0;     // mph
    double RudderPropWashSpeed = 0;        // mph
    double MinElevatorPropWashSpeed = 0;   // mph
    double ElevatorPropWashSpeed = 0;      // mph
    double HitGroundExplodeSpeedMPH = 0;   // mph
};

}  // namespace pellam
