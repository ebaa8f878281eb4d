#include "aircraft/SharedDefinition.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pellam::definition {
namespace {

// NaN marks a field left as it is.
constexpr double kKeep = __builtin_nan("");
struct PathRow {
    int point;
    double x, y, z, throttle, climb;
};
constexpr PathRow kTakeOff[] = {
    {1, kKeep, 700, kKeep, kKeep, 400},    {2, kKeep, 700, kKeep, 1.0, 400},
    {3, -4000, 700, kKeep, 1.0, 400},      {4, -4000, 700, -3400, 0.8, 400},
    {5, -3000, 700, -5400, 0.8, 400},      {6, -560, 700, -5400, 0.8, kKeep},
    {7, kKeep, -10, -400, kKeep, 1200},    {8, kKeep, kKeep, 400, kKeep, kKeep},
    {10, kKeep, kKeep, 600, kKeep, kKeep}, {11, kKeep, kKeep, kKeep, kKeep, 400},
    {12, kKeep, kKeep, kKeep, 0.8, 400},   {14, kKeep, -10, -500, kKeep, 1200},
    {15, kKeep, 0, kKeep, kKeep, kKeep},   {18, -750, kKeep, -6000, 0.8, kKeep},
    {19, kKeep, -10, -600, kKeep, 1200},   {23, 130, kKeep, kKeep, 0.2, kKeep},
};

constexpr std::pair<int, double> kUVHelp[] = {
    {0, 47},  {1, 47},    {2, 0},   {3, -1},     {4, 19},  {5, 19},    {6, 0},     {7, -16.6}, {8, 46.5},
    {9, 4},   {10, 23.8}, {11, 24}, {17, 0},     {18, 11.91}, {19, 8}, {20, 2.85}, {21, 1.81}, {22, 25},
    {23, 3},  {24, 5.5},  {25, 37}, {26, 2.05},  {27, 0.115}, {28, 0.69}, {29, 0.14},
};

// Damage each hit box can do, box for box: Damage1 bits with their chance out of 32768. The wing
// boxes differ only in their first chance and in which aileron they hold.
constexpr double k32768 = 32768.0;
struct DamageEntry {
    int32_t bits;
    double weight;
};
constexpr DamageEntry kDamage[7][6] = {
    {{0x80, 0.598 * k32768}, {0x400, 0.598 * k32768}, {0x10000, 0.198 * k32768}, {-1, 0}},  // rear fuselage
    {{0x400, 0.598 * k32768}, {-1, 0}},                                                    // fin
    {{0x80, 0.598 * k32768}, {-1, 0}},                                                     // tailplane
    {{0x1000, 0.6 * k32768}, {0x4000, 0.6 * k32768}, {0x8000, 0.9 * k32768}, {-1, 0}},     // cockpit
    {{0x1, 0.23 * k32768}, {0x2, 0.23 * k32768}, {0x40, 0.23 * k32768}, {0x10000, 0.798 * k32768}, {-1, 0}},  // engine
    {{0x10, 0.398 * k32768}, {0x40, 0.01 * k32768}, {0x100, 0.398 * k32768}, {0x800, 0.398 * k32768},
     {0x2000, 0.054 * k32768}, {-1, 0}},                                                   // left wings
    {{0x10, 0.598 * k32768}, {0x40, 0.01 * k32768}, {0x200, 0.398 * k32768}, {0x800, 0.398 * k32768},
     {0x2000, 0.054 * k32768}, {-1, 0}},                                                   // right wings
};

void setIfGiven(double& field, double value) {
    if (value == value) field = value;
}

void writeTakeOffPattern(Aircraft& a) {
    for (const PathRow& p : kTakeOff) {
        aiFlyToPoint& t = a.TakeOffPoints[p.point];
        setIfGiven(t.PointXYZ[0], p.x);
        setIfGiven(t.PointXYZ[1], p.y);
        setIfGiven(t.PointXYZ[2], p.z);
        setIfGiven(t.ThrottlePosition, p.throttle);
        setIfGiven(t.TargetClimbDiveSpeed, p.climb);
    }
}

void writeUVHelp(Aircraft& a) {
    for (const auto& [i, v] : kUVHelp) a.UVHelp[i] = v;
}

void writeCommon(FlyableAircraft& plane) {
    Aircraft& a = plane.ThisAircraft;

    a.FuelLoadInPounds = 180.0;
    a.FuelUseAtFullThrottle = 0.000277777;
    a.Ixx = a.Iyy = 0.5;
    a.Ixz = a.Iyz = a.Izx = a.Izy = 0.0;
    a.CMoFactor = 2.0;
    a.DownWashFactor = 0.0;
    a.DownWashForceFactor = 2.0;
    a.FlapMomentFactor = 3.0;
    a.YawDampeningFactor = a.PitchDampeningFactor = 0.97;
    a.PressureAltitude = 0.0023;
    a.StallLimiter = 0;
    a.LastTimeWeLookedAhead = 0;
    a.LeftAheadAltitude = a.RightAheadAltitude = 0.0;
    a.MinRudderPropWashSpeed = a.RudderPropWashSpeed = 70.0;
    a.MinElevatorPropWashSpeed = a.ElevatorPropWashSpeed = 70.0;
    a.HitGroundExplodeSpeedMPH = 50.0;
    a.FlapArea = 12.0;
    a.GearSpring = 0.1666;
    a.BounceFactor = 1.0;
    a.RPMSetting = a.MaxRPM = 1200.0;
    a.BladeMinAngle = a.BladeMaxAngle = 39.0;  // fixed pitch
    a.WarEmergencyPower = 1.0;
    a.RudderMax = 35.0;
    a.AileronMax = 55.0;
    a.ElevatorTrim = -0.05;
    a.AileronTrim = 0.00001;
    a.RudderTrim = 0.0;
    a.TooSlowSpeedInMPH = 55.0;
    a.TakeOffSpeed = 60.0;
    a.BestClimbRate = 800.0;
    a.BestDiveRate = -800.0;
    a.BestHighBankAngle = 50.0;
    a.TooCloseDistance = 400.0;
    a.aiVariables[0] = -1.0;
    a.TotalHits = 0.0;
    a.CurrentAmmoUsed = 0.0;
    a.GuyBailedOut = 0;
    plane.live.chuteOpened = false;  // a new parachute

    a.CurrentNumberOfBombs = 0;
    a.NumberOfBombsAtStartOfRun = 0;
    a.WeightInPoundsOfOneBomb = 20;
    a.BombWidth = 0.6f;
    a.MaxRange = 1500.0;

    a.GunBullets.TracersAlternate = 1;
    a.AmmoInTicks = 9000.0;  // 150 s of fire
    a.BulletVelocity = 40.66;
    a.TracerType = 1;
    a.GunsFiring = 0;

    a.ElevatorFactor = 1.0;
    a.ClosestEnemyData[29] = 2.0;
    a.ClosestEnemyData[31] = 0.2;
    writeUVHelp(a);
    writeTakeOffPattern(a);

    a.HitFlashPointStart = 729;
    a.HitFlashPolyNumber = 43;

    plane.TemplateElevatorNum = 4;
    plane.TemplateRudderNum = 5;
    plane.TemplateLeftUpperAileronTopNum = 6;
    plane.TemplateLeftUpperAileronBotNum = 7;
    plane.TemplateRightUpperAileronTopNum = 8;
    plane.TemplateRightUpperAileronBotNum = 9;
    plane.TemplateLeftLowerAileronTopNum = 10;
    plane.TemplateLeftLowerAileronBotNum = 11;
    plane.TemplateRightLowerAileronTopNum = 12;
    plane.TemplateRightLowerAileronBotNum = 13;
}

void writeOwn(FlyableAircraft& plane, const Values& v) {
    Aircraft& a = plane.ThisAircraft;
    a.AircraftType = v.type;
    plane.PilotAttitude.Position = v.eye;
    a.Weight = v.weight;
    a.Izz = v.izz;
    a.Ixy = a.Iyx = v.crossInertia;
    a.AspecRatio = v.aspectRatio;
    a.FuseBottom = v.fuseBottom;
    a.LeftGearBottom = v.leftGearBottom;
    a.WingTip = v.wingTip;
    a.TailLowPosition = v.tailLow;
    a.TailHighPosition = v.tailHigh;
    a.NosePosition = v.nose;
    a.TailDownAngle = v.tailDownAngle;
    a.TailDownHeight = v.tailDownHeight;
    plane.PowerTable = powerTableFullTo(v.lastFullPowerBand);
    a.BladeDiameter = v.bladeDiameter;
    a.BladeArea = v.bladeArea;
    a.EngineTorque = v.engineTorque;
    a.ElevatorMax = v.elevatorMax;
    a.BombStartLocation = v.bombStart;
    a.TopSpeedInMPH = v.topSpeed;
    a.TooHighSpeedInMPH = v.tooHighSpeed;
    a.ComesApartSpeedInMPH = v.comesApartSpeed;
    a.DogfightRudderFactor = v.dogfightRudder;
    a.DogfightElevatorFactor = v.dogfightElevator;
    a.GunBullets.BulletStartLocation = v.muzzle;
    a.GunBullets.TracerStartLocation = v.tracerX;
    a.GunBullets.TimeBetweenVisibleTracer = v.tracerInterval;
    a.BulletPunch = v.bulletPunch;
    a.TotalHitsBeforeDead = v.hitsBeforeDead;
}

}  // namespace

std::array<double, 100> powerTableFullTo(int lastFullBand) {
    std::array<double, 100> t{};
    for (int i = 0; i <= lastFullBand; ++i) t[i] = 1.0;
    t[lastFullBand + 1] = 0.75;
    t[lastFullBand + 2] = 0.5;
    t[lastFullBand + 3] = 0.25;
    return t;
}

void write(FlyableAircraft& plane, const Values& values, std::span<const SurfaceRow> surfaces,
           double kOverAspectRatio, std::span<const HitBox> hitBoxes) {
    writeCommon(plane);
    writeOwn(plane, values);
    Aircraft& a = plane.ThisAircraft;

    const size_t boxes = std::min(hitBoxes.size(), std::size(kDamage));
    for (size_t i = 0; i < boxes; ++i) {
        const HitBox& h = hitBoxes[i];
        a.HitVolumeXCenter[i] = h.centre[0];
        a.HitVolumeYCenter[i] = h.centre[1];
        a.HitVolumeZCenter[i] = h.centre[2];
        a.HitVolumeXSize[i] = h.size[0];
        a.HitVolumeYSize[i] = h.size[1];
        a.HitVolumeZSize[i] = h.size[2];
        DamageTendencies& d = a.DamageProbabilities[i];
        d = DamageTendencies{};
        for (size_t e = 0; e < std::size(kDamage[i]); ++e) {
            d.DamageType[e] = kDamage[i][e].bits;
            d.Probability[e] = kDamage[i][e].weight;
            if (kDamage[i][e].bits == -1) break;
        }
    }
    a.NumberOfHitVolumes = static_cast<int32_t>(boxes);

    const size_t count = std::min(surfaces.size(), static_cast<size_t>(Aircraft::kSurfaces));
    for (size_t i = 0; i < count; ++i) {
        AirSurface& s = plane.own.surfaces[i];
        const SurfaceRow& row = surfaces[i];
        s.Area = row.area;
        s.LocationXYZ = row.location;
        s.NormalXYZ = row.normal;
        s.Cdp = 1.18;
        s.Hints = row.hints;
        s.KOverAspectRatio = row.wingPanel ? kOverAspectRatio : 0.0;
        s.TypeOfAirfoil = row.wingPanel ? 4 : 0;
    }
    a.NumberOfSurfaces = static_cast<int32_t>(count);
}

void fillAirfoils(FlyableAircraft& plane) {
    // Slope, zero lift, +stall, -stall, +top, -top, min drag, divisor, moment per degree.
    auto& f = plane.Airfoils;
    f[0] = {0.07, 0.125, 14, -12, 13, -13, 0.0098, 7000, 0.3 / 28.0};
    f[1] = {0.095, 0.2, 16, -16, 13, -13, 0.01, 7000, 0.3 / 32.0};
    f[2] = {0.07, 0.35, 21, -21, 19, -19, 0.018, 2045, 0.3 / 42.0};  // propeller blade
    f[3] = {0.074, 0.09, 20, -18, 20, -18, 0.009, 2045, 0.3 / 40.0};
    f[4] = {0.065, 0.2, 15, -12, 13, -10, 0.018, 2045, 0.01};                    // the wings
}

}  // namespace pellam::definition
