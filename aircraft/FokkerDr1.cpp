// The Fokker Dr.I's definition (28 surfaces, 7 hit boxes) and the definition both Fokkers share.
#include "aircraft/FokkerDr1.h"

#include "aircraft/SharedDefinition.h"

#include <algorithm>
#include <iterator>

namespace pellam {
namespace fokker {
namespace {

// Damage each hit box can do, box for box: pairs of Damage1 bits and weights out of 32768. The
// wing boxes differ only in their first weight and in which aileron they hold.
struct DamageEntry {
    int32_t bits;
    double weight;
};
constexpr DamageEntry kDamage[7][6] = {
    {{0x80, 19595.264}, {0x400, 19595.264}, {0x10000, 6488.064}, {-1, 0}},                 // rear fuselage
    {{0x400, 19595.264}, {-1, 0}},                                                         // fin
    {{0x80, 19595.264}, {-1, 0}},                                                          // tailplane
    {{0x1000, 19660.8}, {0x4000, 19660.8}, {0x8000, 29491.2}, {-1, 0}},                    // cockpit
    {{0x1, 7536.64}, {0x2, 7536.64}, {0x40, 7536.64}, {0x10000, 26148.863999999998}, {-1, 0}},  // engine
    {{0x10, 13041.663999999999}, {0x40, 327.68}, {0x100, 13041.663999999999}, {0x800, 13041.663999999999},
     {0x2000, 1769.4720000000002}, {-1, 0}},                                               // left wings
    {{0x10, 19595.264}, {0x40, 327.68}, {0x200, 13041.663999999999}, {0x800, 13041.663999999999},
     {0x2000, 1769.4720000000002}, {-1, 0}},                                               // right wings
};

void writeShared(FlyableAircraft& plane) {
    Aircraft& a = plane.ThisAircraft;
    plane.PowerTable = powerTableFullTo(20);

    a.FuelLoadInPounds = 180.0;
    a.FuelUseAtFullThrottle = 0.000277777;
    a.Ixx = a.Iyy = 0.5;
    a.Ixy = a.Ixz = a.Iyz = a.Iyx = a.Izx = a.Izy = 0.0;
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
    plane.SuccessfulChuteOpening = false;

    a.CurrentNumberOfBombs = 0;
    a.NumberOfBombsAtStartOfRun = 0;
    a.WeightInPoundsOfOneBomb = 20;
    a.BombWidth = 0.6f;
    a.MaxRange = 1500.0;

    a.GunBullets.TracersAlternate = 1;
    a.AmmoInTicks = 9000.0;  // 150 s of fire
    a.BulletPunch = 0.2080808080808081;
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
    a.AspecRatio = v.aspectRatio;
    a.FuseBottom = v.fuseBottom;
    a.LeftGearBottom = v.leftGearBottom;
    a.WingTip = v.wingTip;
    a.TailLowPosition = v.tailLow;
    a.TailHighPosition = v.tailHigh;
    a.NosePosition = v.nose;
    a.TailDownAngle = v.tailDownAngle;
    a.TailDownHeight = v.tailDownHeight;
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
    a.TotalHitsBeforeDead = v.hitsBeforeDead;
}

}  // namespace

void writeDefinition(FlyableAircraft& plane, const Values& values, std::span<const SurfaceRow> surfaces,
                     double kOverAspectRatio, std::span<const HitBox> hitBoxes) {
    writeShared(plane);
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
        AirSurface& s = plane.Surfaces[i];
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
    f[0] = {0.07, 0.125, 14, -12, 13, -13, 0.0098, 7000, 0.010714285714285714};
    f[1] = {0.095, 0.2, 16, -16, 13, -13, 0.01, 7000, 0.009375};
    f[2] = {0.07, 0.35, 21, -21, 19, -19, 0.018, 2045, 0.007142857142857143};  // propeller blade
    f[3] = {0.074, 0.09, 20, -18, 20, -18, 0.009, 2045, 0.0075};
    f[4] = {0.065, 0.2, 15, -12, 13, -10, 0.018, 2045, 0.01};                    // the wings
}

void useReplayRing(FlyableAircraft& plane) {
    constexpr int32_t kRecords = 179;
    plane.ReplayBufferAddress.assign(static_cast<size_t>(kRecords) * FlyableAircraft::kReplayRecordBytes, 0);
    plane.ReplayBufferSize = kRecords * FlyableAircraft::kReplayRecordBytes;
    plane.ReplayBufferOffset = 0;
}

}  // namespace fokker

namespace {

constexpr fokker::Values kDr1{
    .type = 77,
    .eye = {0.0, 2.1, -3.1},
    .weight = 1122.0,
    .izz = 0.5,
    .aspectRatio = 2.75,
    .fuseBottom = {0.0, -1.91, -1.35},
    .leftGearBottom = {-2.66, -5.5, 1.21},
    .wingTip = {-11.68, -1.5, -1.5},
    .tailLow = {0.0, -1.3, -12.61},
    .tailHigh = {0.0, 2.72, -13.53},
    .nose = {0.0, -1.57, 2.83},
    .tailDownAngle = 17.0,
    .tailDownHeight = 4.9,
    .bladeDiameter = 8.84,
    .bladeArea = 6.4,
    .engineTorque = 0.06303030303030303,
    .elevatorMax = 45.0,
    .bombStart = {-4.5f, -1.9f, 0.2f},
    .topSpeed = 130.0,
    .tooHighSpeed = 145.0,
    .comesApartSpeed = 165.0,
    .dogfightRudder = 4.0,
    .dogfightElevator = 1.5,
    .muzzle = {0.578, 1.71, 2.7},
    .tracerX = 0.578,
    .tracerInterval = 15,
    .hitsBeforeDead = 7.0,
};

// Wings first: the tail's downwash reads the wings' lift of the same step. The right upper
// aileron's bottom face sits at x 15.0 and the left rear fuselage side at y 0.0; both as built.
constexpr fokker::SurfaceRow kSurfaces[] = {
    {25.0, {-5.5, -1.45, -1.39}, {0, 0.99805, -0.06242}, 2, true},          // lower wing, left
    {25.0, {5.5, -1.45, -1.39}, {0, 0.99805, -0.06242}, 2, true},           // lower wing, right
    {31.0, {-6.0, 4.28, 0.52}, {0, 0.998058092, -0.06229}, 2, true},        // upper wing, left
    {31.0, {6.0, 4.28, 0.52}, {0, 0.998058092, -0.06229}, 2, true},         // upper wing, right
    {12.64, {0, 0.7, -14.05}, {0, 1, 0}, 12, false},                        // elevator
    {7.73, {0, 1.27, -13.59}, {1, 0, 0}, 36, false},                        // rudder
    {12.0, {-13.0, 2.28, -1.47}, {0, 1, 0}, 1, false},                      // left upper aileron, top
    {12.5, {-13.0, 2.28, -1.47}, {0, -1, 0}, 1, false},                     // left upper aileron, bottom
    {12.0, {13.0, 2.28, -1.47}, {0, 1, 0}, 1, false},                       // right upper aileron, top
    {12.5, {15.0, 2.28, -1.47}, {0, -1, 0}, 1, false},                      // right upper aileron, bottom
    {0.0, {-15.44, -0.59, -3.1}, {0.07, 0.997546991, 0}, 1, false},         // no lower ailerons
    {0.0, {-15.44, -0.59, -3.1}, {-0.07, -0.997546991, 0}, 1, false},
    {0.0, {15.44, -0.59, -3.1}, {0, 1, 0}, 1, false},
    {0.0, {15.44, -0.59, -3.1}, {0, -1, 0}, 1, false},
    {19.6, {0, 0.7, -10.3}, {0, 0.99691733, -0.078459}, 12, false},         // tailplane
    {0.0, {0, 0, -12.34}, {-1, 0, 0}, 20, false},                           // fin: no area of its own
    {7.5, {0, 0, 3.18}, {0, 0, 1}, 1, false},                               // nose, facing forward
    {8.0, {0, 1.5, 1.5}, {0, 1, 0}, 1, false},                              // front fuselage, top
    {10.88, {0, -1.4, 1.5}, {0, -0.9397, 0.342}, 1, false},                 // front fuselage, underside
    {10.88, {0, 0, 1.6}, {-1, 0, 0}, 4, false},                             // front fuselage, side
    {30.0, {0, 1.3, -5.5}, {0, 1, 0}, 1, false},                            // rear fuselage, top
    {40.0, {1.0, 0.42, -9.66}, {1, 0, 0}, 1, false},                        // rear fuselage, right
    {40.0, {-1.0, 0.0, -9.66}, {-1, 0, 0}, 1, false},                       // rear fuselage, left
    {30.0, {0, -1.13, -5.5}, {0, -1, 0}, 1, false},                         // rear fuselage, bottom
    {1.25, {-2.47, -3.77, 0.78}, {0, 0, 1}, 4, false},                      // left wheel
    {1.25, {2.47, -3.77, 0.78}, {0, 0, 1}, 4, false},                       // right wheel
    {25.0, {-6.0, 1.5, 0.0}, {0, 0.99805, -0.06242}, 2, true},              // middle wing, left
    {25.0, {6.0, 1.5, 0.0}, {0, 0.99805, -0.06242}, 2, true},               // middle wing, right
};

constexpr fokker::HitBox kHitBoxes[] = {
    {{0, 0, -8.5}, {1.5, 1.5, 3.75}},   {{0, 1.11, -13.75}, {1.0, 1.0, 1.5}}, {{0, 0.87, -11.22}, {4.75, 1.0, 2.5}},
    {{0, 0, 0}, {2.0, 2.0, 2.0}},       {{0, 0, 1.75}, {2.0, 2.0, 2.0}},      {{-6.0, 1.68, 0}, {4.0, 3.0, 3.0}},
    {{6.0, 1.68, 0}, {4.0, 3.0, 3.0}},
};

}  // namespace

FokkerDr1::FokkerDr1() {
    fokker::useReplayRing(*this);
    movePilotHead();
}

bool FokkerDr1::initWithGLView(ViewServices* view) {
    const bool made = FlyableAircraft::initWithGLView(view);
    fokker::useReplayRing(*this);
    return made;
}

const FlyableAircraft::Traits& FokkerDr1::traits() const {
    static const Traits dr1{.upperG = 3.5,
                            .lowerG = -2.5,
                            .fullOrIdleThrottle = true,
                            .engineStartSound = 31,
                            .headZ = -3.1,
                            .engineGyroCoupling = false};
    return dr1;
}

void FokkerDr1::fillAirfoils() { fokker::fillAirfoils(*this); }

void FokkerDr1::writeDefinition() {
    fokker::writeDefinition(*this, kDr1, kSurfaces, 5.181, kHitBoxes);
    FokkerDr1LeftMiddleWing = 26;
    FokkerDr1RightMiddleWing = 27;
}

AirSurface& FokkerDr1::middleWing(int32_t side) {
    const int32_t i = side == 0 ? FokkerDr1LeftMiddleWing : FokkerDr1RightMiddleWing;
    return Surfaces[std::clamp(i, 0, Aircraft::kSurfaces - 1)];
}

void FokkerDr1::cutExtraWingSurfaces() {
    // The broken structure leaves the right side a little more lift than the left.
    middleWing(0).Area = 1.0;
    middleWing(1).Area = 3.0;
}

void FokkerDr1::cutSideExtraWing(int32_t side) { middleWing(side).Area = 1.0; }

}  // namespace pellam
