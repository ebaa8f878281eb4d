// The Fokker D.VII's definition: its own values, 27 surfaces and 7 hit boxes, written by the
// shared writer.
#include "aircraft/FokkerDVII.h"

#include "aircraft/SharedDefinition.h"

namespace pellam {
namespace {

constexpr definition::Values kDVII{
    .type = 64,
    .eye = {0.0, 2.88, -4.3},
    .weight = 1845.0,
    .izz = 0.35,
    .crossInertia = 0.0,
    .aspectRatio = 7.77,
    .fuseBottom = {0.0, -1.4, -1.35},
    .leftGearBottom = {-2.75, -4.8, 0.76},
    .wingTip = {-13.5, -0.84, -1.5},
    .tailLow = {0.0, -2.33, -11.87},
    .tailHigh = {0.0, 2.97, -13.29},
    .nose = {0.0, -1.57, 2.61},
    .tailDownAngle = 13.3,
    .tailDownHeight = 3.8,
    .lastFullPowerBand = 20,
    .bladeDiameter = 9.15,
    .bladeArea = 7.1,
    .engineTorque = 0.08727272727272728,
    .elevatorMax = 40.0,
    .bombStart = {-6.0f, -1.6f, -0.5f},
    .topSpeed = 116.0,
    .tooHighSpeed = 170.0,
    .comesApartSpeed = 200.0,
    .dogfightRudder = 5.0,
    .dogfightElevator = 2.5,
    .muzzle = {0.35, 1.91, 2.6},
    .tracerX = 0.35,
    .tracerInterval = 12,
    .bulletPunch = 0.2080808080808081,
    .hitsBeforeDead = 9.0,
};

// Wings first: the tail's downwash reads the wings' lift of the same step. The right upper
// aileron's top face sits at x 15.65; as built.
constexpr definition::SurfaceRow kSurfaces[] = {
    {52.0, {-8.0, -1.0, 0.0}, {0.052, 0.9967, -0.06229}, 2, true},               // lower wing, left
    {52.0, {8.0, -1.0, 0.0}, {-0.052, 0.9967, -0.06229}, 2, true},               // lower wing, right
    {58.0, {-8.0, 3.0, 0.0}, {0, 0.998058092, -0.06229}, 2, true},               // upper wing, left
    {58.0, {8.0, 3.0, 0.0}, {0, 0.998058092, -0.06229}, 2, true},                // upper wing, right
    {14.0, {0, 1.1, -16.35}, {0, 1, 0}, 12, false},                              // elevator
    {9.15, {0, 1.8, -16.7}, {1, 0, 0}, 36, false},                               // rudder
    {15.6, {-18.65, 3.46, -2.5}, {0, 1, 0}, 1, false},                           // left upper aileron, top
    {14.6, {-18.65, 3.46, -2.5}, {0, -1, 0}, 1, false},                          // left upper aileron, bottom
    {15.6, {15.65, 3.46, -2.5}, {0, 1, 0}, 1, false},                            // right upper aileron, top
    {14.6, {18.65, 3.46, -2.5}, {0, -1, 0}, 1, false},                           // right upper aileron, bottom
    {0.0, {-15.44, -0.59, -3.1}, {0.07, 0.997546991, 0}, 1, false},              // no lower ailerons
    {0.0, {-15.44, -0.59, -3.1}, {-0.07, -0.997546991, 0}, 1, false},
    {0.0, {15.44, -0.59, -3.1}, {-0.07, 0.997546991, 0}, 1, false},
    {0.0, {15.44, -0.59, -3.1}, {0.07, -0.997546991, 0}, 1, false},
    {19.75, {0, 1.1, -13.65}, {0, 0.99756405, 0.069756473}, 12, false},          // tailplane
    {5.95, {0, 0, -14.55}, {0.999390827, 0, 0.034899496}, 17, false},            // fin, right face
    {5.95, {0, 0, -14.55}, {-0.999390827, 0, 0.034899496}, 17, false},           // fin, left face
    {6.78, {0, 0, 4.6}, {0, 0, 1}, 1, false},                                    // nose, facing forward
    {10.14, {0, 1.6, 2.25}, {0, 1, 0}, 1, false},                                // front fuselage, top
    {10.88, {0, -1.6, 2.25}, {0, -1, 0}, 1, false},                              // front fuselage, bottom
    {15.83, {0, 0, 2.25}, {-1, 0, 0}, 4, false},                                 // front fuselage, side
    {26.0, {0, 1.59, -5.93}, {0, 0.965925826, -0.258}, 1, false},                // rear fuselage, top
    {45.4, {1.0, 0.42, -7.76}, {1, 0, 0}, 1, false},                             // rear fuselage, right
    {45.4, {-1.0, 0.42, -7.76}, {-1, 0, 0}, 1, false},                           // rear fuselage, left
    {26.0, {0, -1.13, -5.93}, {0, -0.996194698, -0.087155742}, 1, false},        // rear fuselage, bottom
    {2.4749999999999996, {-2.98, -3.95, 1.94}, {0, 0, 1}, 4, false},             // left wheel
    {2.4749999999999996, {2.98, -3.95, 1.94}, {0, 0, 1}, 4, false},              // right wheel
};

constexpr definition::HitBox kHitBoxes[] = {
    {{0, 0, -7.3}, {1.5, 1.5, 4.0}},  {{0, 1.11, -13.15}, {1.0, 1.7, 2.0}}, {{0, 1.0, -13.15}, {3.92, 1.0, 3.0}},
    {{0, 0, 0}, {2.0, 2.0, 2.0}},     {{0, 0, 2.2}, {2.0, 2.0, 1.5}},       {{-7.0, 1.25, 0}, {5.0, 2.6, 2.9}},
    {{7.0, 1.25, 0}, {5.0, 2.6, 2.9}},
};

}  // namespace

FokkerDVII::FokkerDVII() {
    fokker::useReplayRing(*this);
    movePilotHead();
}

bool FokkerDVII::initWithGLView(ViewServices* view) {
    const bool made = FlyableAircraft::initWithGLView(view);
    fokker::useReplayRing(*this);
    return made;
}

const FlyableAircraft::Traits& FokkerDVII::traits() const {
    static const Traits dvii{.upperG = 9.5,
                             .lowerG = -6.5,
                             .fullOrIdleThrottle = false,
                             .engineStartSound = 40,
                             .headZ = -4.3,
                             .engineGyroCoupling = false};
    return dvii;
}

void FokkerDVII::fillAirfoils() { definition::fillAirfoils(*this); }

void FokkerDVII::writeDefinition() {
    definition::write(*this, kDVII, kSurfaces, 14.638679999999999, kHitBoxes);
    FokkerDVIIHStab = 14;
}

}  // namespace pellam
