// The Fokker Dr.I's definition (its own values, 28 surfaces, 7 hit boxes) and the Fokkers' replay ring.
#include "aircraft/FokkerDr1.h"

#include "aircraft/SharedDefinition.h"

#include <algorithm>

namespace pellam {
namespace fokker {

void useReplayRing(FlyableAircraft& plane) {
    constexpr int32_t kRecords = 179;
    plane.ReplayBufferAddress.assign(static_cast<size_t>(kRecords) * FlyableAircraft::kReplayRecordBytes, 0);
    plane.ReplayBufferSize = kRecords * FlyableAircraft::kReplayRecordBytes;
    plane.ReplayBufferOffset = 0;
}

}  // namespace fokker

namespace {

constexpr definition::Values kDr1{
    .type = 77,
    .eye = {0.0, 2.1, -3.1},
    .weight = 1122.0,
    .izz = 0.5,
    .crossInertia = 0.0,
    .aspectRatio = 2.75,
    .fuseBottom = {0.0, -1.91, -1.35},
    .leftGearBottom = {-2.66, -5.5, 1.21},
    .wingTip = {-11.68, -1.5, -1.5},
    .tailLow = {0.0, -1.3, -12.61},
    .tailHigh = {0.0, 2.72, -13.53},
    .nose = {0.0, -1.57, 2.83},
    .tailDownAngle = 17.0,
    .tailDownHeight = 4.9,
    .lastFullPowerBand = 20,
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
    .bulletPunch = 0.2080808080808081,
    .hitsBeforeDead = 7.0,
};

// Wings first: the tail's downwash reads the wings' lift of the same step. The right upper
// aileron's bottom face sits at x 15.0 and the left rear fuselage side at y 0.0; both as built.
constexpr definition::SurfaceRow kSurfaces[] = {
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

constexpr definition::HitBox kHitBoxes[] = {
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
                            .engineGyroCoupling = false,
                            .lowerAileronsTurn = false,
                            .restingRise = 1e-9 / 80.0};
    return dr1;
}

void FokkerDr1::fillAirfoils() { definition::fillAirfoils(*this); }

void FokkerDr1::writeDefinition() {
    definition::write(*this, kDr1, kSurfaces, 5.181, kHitBoxes);
    FokkerDr1LeftMiddleWing = 26;
    FokkerDr1RightMiddleWing = 27;
}

AirSurface& FokkerDr1::middleWing(int32_t side) {
    const int32_t i = side == 0 ? FokkerDr1LeftMiddleWing : FokkerDr1RightMiddleWing;
    return own.surfaces[std::clamp(i, 0, Aircraft::kSurfaces - 1)];
}

void FokkerDr1::cutExtraWingSurfaces() {
    // The broken structure leaves the right side a little more lift than the left.
    middleWing(0).Area = 1.0;
    middleWing(1).Area = 3.0;
}

void FokkerDr1::cutSideExtraWing(int32_t side) { middleWing(side).Area = 1.0; }

}  // namespace pellam
