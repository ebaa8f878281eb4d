// The Camel's definition: record constants, 26 surfaces, 7 hit volumes, airfoils, power table.
#include "aircraft/ObjectTestFile.h"

#include "aircraft/SharedDefinition.h"

#include <iterator>

namespace pellam {
namespace {

struct SurfaceRow {
    double area;
    std::array<double, 3> location, normal;
    int32_t hints;
};

// Wings first: the tail's downwash reads the wings' lift of the same step.
constexpr SurfaceRow kSurfaces[] = {
    {43.0, {-8, -1, 0}, {0.052, 0.9967, -0.06229}, 2},            // lower wing, left
    {43.0, {8, -1, 0}, {-0.052, 0.9967, -0.06229}, 2},            // lower wing, right
    {53.0, {-8, 3, 0}, {0, 0.998058092, -0.06229}, 2},            // upper wing, left
    {53.0, {8, 3, 0}, {0, 0.998058092, -0.06229}, 2},             // upper wing, right
    {9.6, {0, 0.8, -13.98}, {0, 1, 0}, 12},                       // elevator
    {6.067, {0, 1.234, -14.31}, {1, 0, 0}, 36},                   // rudder
    {10.0, {-15.44, 3.6, -1.47}, {0, 1, 0}, 1},                   // left upper aileron, top
    {10.5, {-15.44, 3.6, -1.47}, {0, -1, 0}, 1},                  // left upper aileron, bottom
    {10.0, {15.44, 3.6, -1.47}, {0, 1, 0}, 1},                    // right upper aileron, top
    {10.5, {15.44, 3.6, -1.47}, {0, -1, 0}, 1},                   // right upper aileron, bottom
    {10.0, {-15.44, -0.59, -3.1}, {0.07, 0.997546991, 0}, 1},     // left lower aileron, top
    {10.5, {-15.44, -0.59, -3.1}, {-0.07, -0.997546991, 0}, 1},   // left lower aileron, bottom
    {10.0, {15.44, -0.59, -3.1}, {-0.07, 0.997546991, 0}, 1},     // right lower aileron, top
    {10.5, {15.44, -0.59, -3.1}, {0.07, -0.997546991, 0}, 1},     // right lower aileron, bottom
    {11.78, {0, 0.8, -12.29}, {0, 1, 0}, 12},                     // tailplane
    {6.976, {0, 0, -12.34}, {-1, 0, 0}, 20},                      // fin
    {7.72, {0, 0, 3.18}, {0, 0, 1}, 1},                           // nose, facing forward
    {10.88, {0, 1.6, 1.6}, {0, 1, 0}, 1},                         // front fuselage, top
    {10.88, {0, -1.6, 1.6}, {0, -1, 0}, 1},                       // front fuselage, bottom
    {10.88, {0, 0, 1.6}, {-1, 0, 0}, 4},                          // front fuselage, side
    {23.62, {0, 1.59, -7.66}, {0, 0.965925826, -0.258}, 1},       // rear fuselage, top
    {33.63, {1, 0.42, -7.66}, {0.984807753, 0, -0.173648177}, 1}, // rear fuselage, right
    {33.63, {-1, 0.42, -7.66}, {-0.984807753, 0, -0.173648177}, 1},  // rear fuselage, left
    {27.0, {0, -1.13, -7.66}, {0, -0.996194698, -0.087155742}, 1},   // rear fuselage, bottom
    {1.25, {-2.47, -3.77, 0.78}, {0, 0, 1}, 4},                   // left wheel
    {1.25, {2.47, -3.77, 0.78}, {0, 0, 1}, 4},                    // right wheel
};

struct HitVolumeRow {
    std::array<double, 3> centre, size;  // body ft; size is the half extent
    struct Entry {
        int32_t bits;
        double probability;  // fraction of 32768
    } damage[7];
};

constexpr HitVolumeRow kHitVolumes[] = {
    {{0, 0, -7.3}, {1.5, 1.5, 4.0}, {{0x80, 19595.264}, {0x400, 19595.264}, {0x10000, 6488.064}, {-1, 0}}},
    {{0, 1.11, -13.15}, {1.0, 1.7, 2.0}, {{0x400, 19595.264}, {-1, 0}}},
    {{0, 1.0, -13.15}, {3.92, 1.0, 3.0}, {{0x80, 19595.264}, {-1, 0}}},
    {{0, 0, 0}, {2.0, 2.0, 2.0}, {{0x1000, 19660.8}, {0x4000, 19660.8}, {0x8000, 29491.2}, {-1, 0}}},
    {{0, 0, 2.2},
     {2.0, 2.0, 1.5},
     {{0x1, 7536.64}, {0x2, 7536.64}, {0x40, 7536.64}, {0x10000, 26148.864}, {-1, 0}}},
    {{-7.0, 1.25, 0},
     {5.0, 2.6, 2.9},
     {{0x10, 13041.664}, {0x40, 327.68}, {0x100, 13041.664}, {0x800, 13041.664}, {0x2000, 1769.472}, {-1, 0}}},
    {{7.0, 1.25, 0},
     {5.0, 2.6, 2.9},
     {{0x10, 19595.264}, {0x40, 327.68}, {0x200, 13041.664}, {0x800, 13041.664}, {0x2000, 1769.472}, {-1, 0}}},
};

}  // namespace

ObjectTestFile::ObjectTestFile() { movePilotHead(); }

const FlyableAircraft::Traits& ObjectTestFile::traits() const {
    static const Traits camel{9.5, -5.5, true, 31, -1.25};
    return camel;
}

void ObjectTestFile::fillAirfoils() {
    // Slope, zero lift, +stall, -stall, +top, -top, min drag, divisor, moment per degree.
    Airfoils[0] = {0.07, 0.125, 14, -12, 13, -13, 0.0098, 7000, 0.3 / 28.0};
    Airfoils[1] = {0.095, 0.2, 16, -16, 13, -13, 0.01, 7000, 0.3 / 32.0};
    Airfoils[2] = {0.07, 0.35, 21, -21, 19, -19, 0.018, 2045, 0.3 / 42.0};  // propeller blade
    Airfoils[3] = {0.074, 0.09, 20, -18, 20, -18, 0.009, 2045, 0.3 / 40.0};
    Airfoils[4] = {0.065, 0.2, 15, -12, 13, -10, 0.018, 2045, 0.01};         // the wings
}

void ObjectTestFile::writeDefinition() {
    Aircraft& a = ThisAircraft;
    PilotAttitude.Position = {0.0, 2.58, -1.25};  // the pilot's eye
    PowerTable = powerTableFullTo(21);

    a.MinRudderPropWashSpeed = 70.0;
    a.RudderPropWashSpeed = 70.0;
    a.MinElevatorPropWashSpeed = 70.0;
    a.ElevatorPropWashSpeed = 70.0;
    a.HitGroundExplodeSpeedMPH = 50.0;
    a.TooCloseDistance = 400.0;
    a.DogfightRudderFactor = 4.0;
    a.DogfightElevatorFactor = 1.5;
    a.aiVariables[0] = -1.0;
    a.GuyBailedOut = 0;
    a.Weight = 1275.0;
    a.FuelLoadInPounds = 180.0;
    a.FuelUseAtFullThrottle = 0.000277777;
    a.Ixx = a.Iyy = a.Izz = 0.5;
    a.Ixy = a.Iyx = -5.7;
    a.Ixz = a.Iyz = a.Izx = a.Izy = 0.0;
    a.StallLimiter = 0;
    a.LastTimeWeLookedAhead = 0;
    a.LeftAheadAltitude = a.RightAheadAltitude = 0.0;
    a.DownWashFactor = 0.0;
    a.CMoFactor = 2.0;
    a.DownWashForceFactor = 2.0;
    a.AspecRatio = 3.13639;
    a.FlapMomentFactor = 3.0;
    a.YawDampeningFactor = a.PitchDampeningFactor = 0.97;
    a.FuseBottom = {0, -1.4, -1.35};
    a.LeftGearBottom = {-2.75, -4.8, 0.76};
    a.WingTip = {-13.5, -0.84, -1.5};
    a.TailLowPosition = {0, -2.33, -11.87};
    a.TailHighPosition = {0, 2.97, -13.29};
    a.NosePosition = {0, -1.57, 2.61};
    a.TailDownAngle = 13.3;
    a.TailDownHeight = 3.8;
    a.GearSpring = 0.1666;
    a.BounceFactor = 1.0;
    a.FlapArea = 12.0;
    a.RPMSetting = 1200.0;
    a.BladeMinAngle = a.BladeMaxAngle = 39.0;
    a.BladeDiameter = 8.84;
    a.BladeArea = 6.4;
    a.EngineTorque = 0.06303030303030303;
    a.MaxRPM = 1200.0;
    a.WarEmergencyPower = 1.0;
    a.ElevatorMax = 45.0;
    a.RudderMax = 35.0;
    a.AileronMax = 55.0;
    a.CurrentNumberOfBombs = 0;
    a.BombStartLocation = {-6.0f, -1.2f, 0.5f};
    a.BombWidth = 0.6f;
    a.WeightInPoundsOfOneBomb = 20;
    a.NumberOfBombsAtStartOfRun = 0;
    a.ElevatorTrim = -0.05;
    a.AileronTrim = 0.00001;
    a.RudderTrim = 0.0;
    a.PressureAltitude = 0.0023;
    a.AircraftType = 55;
    a.MaxRange = 1500.0;
    writeTakeOffPattern(a);

    writeUVHelp(a);
    a.ElevatorFactor = 1.0;
    a.BestHighBankAngle = 50.0;
    a.ClosestEnemyData[29] = 2.0;
    a.ClosestEnemyData[31] = 0.2;

    a.TooSlowSpeedInMPH = 55.0;
    a.TopSpeedInMPH = 130.0;
    a.TooHighSpeedInMPH = 155.0;
    a.ComesApartSpeedInMPH = 185.0;
    a.BestClimbRate = 800.0;
    a.BestDiveRate = -800.0;
    a.TakeOffSpeed = 60.0;

    a.TotalHitsBeforeDead = 10.0;
    a.AmmoInTicks = 9000.0;
    a.BulletPunch = 0.20202020202020202;
    a.BulletVelocity = 40.66;
    a.TracerType = 1;
    a.GunBullets.BulletStartLocation = {0.35, 1.91, 2.6};
    a.GunBullets.TracersAlternate = 1;
    a.GunBullets.TracerStartLocation = 0.35;
    a.GunBullets.TimeBetweenVisibleTracer = 15;
    a.NumberOfHitVolumes = static_cast<int32_t>(std::size(kHitVolumes));
    for (int v = 0; v < a.NumberOfHitVolumes; ++v) {
        const HitVolumeRow& h = kHitVolumes[v];
        a.HitVolumeXCenter[v] = h.centre[0];
        a.HitVolumeYCenter[v] = h.centre[1];
        a.HitVolumeZCenter[v] = h.centre[2];
        a.HitVolumeXSize[v] = h.size[0];
        a.HitVolumeYSize[v] = h.size[1];
        a.HitVolumeZSize[v] = h.size[2];
        DamageTendencies& d = a.DamageProbabilities[v];
        for (int e = 0; e < 7; ++e) {
            d.DamageType[e] = h.damage[e].bits;
            d.Probability[e] = h.damage[e].probability;
            if (h.damage[e].bits == -1) break;
        }
    }
    a.HitFlashPointStart = 729;
    a.HitFlashPolyNumber = 43;

    for (size_t i = 0; i < std::size(kSurfaces); ++i) {
        AirSurface& s = Surfaces[i];
        const SurfaceRow& row = kSurfaces[i];
        s.Area = row.area;
        s.LocationXYZ = row.location;
        s.NormalXYZ = row.normal;
        s.Cdp = 1.18;
        s.Hints = row.hints;
        if (i < 4) {
            s.KOverAspectRatio = 7.74324;
            s.TypeOfAirfoil = 4;
        }
    }
    a.NumberOfSurfaces = static_cast<int32_t>(std::size(kSurfaces));
    TemplateElevatorNum = 4;
    TemplateRudderNum = 5;
    TemplateLeftUpperAileronTopNum = 6;
    TemplateLeftUpperAileronBotNum = 7;
    TemplateRightUpperAileronTopNum = 8;
    TemplateRightUpperAileronBotNum = 9;
    TemplateLeftLowerAileronTopNum = 10;
    TemplateLeftLowerAileronBotNum = 11;
    TemplateRightLowerAileronTopNum = 12;
    TemplateRightLowerAileronBotNum = 13;
}

}  // namespace pellam
