// The Camel's definition: its own values, 26 surfaces and 7 hit boxes, written by the shared writer.
#include "aircraft/ObjectTestFile.h"

#include "aircraft/SharedDefinition.h"

namespace pellam {
namespace {

constexpr definition::Values kCamel{
    .type = 55,
    .eye = {0.0, 2.58, -1.25},
    .weight = 1275.0,
    .izz = 0.5,
    .crossInertia = -5.7,
    .aspectRatio = 3.13639,
    .fuseBottom = {0, -1.4, -1.35},
    .leftGearBottom = {-2.75, -4.8, 0.76},
    .wingTip = {-13.5, -0.84, -1.5},
    .tailLow = {0, -2.33, -11.87},
    .tailHigh = {0, 2.97, -13.29},
    .nose = {0, -1.57, 2.61},
    .tailDownAngle = 13.3,
    .tailDownHeight = 3.8,
    .lastFullPowerBand = 21,
    .bladeDiameter = 8.84,
    .bladeArea = 6.4,
    .engineTorque = 0.06303030303030303,
    .elevatorMax = 45.0,
    .bombStart = {-6.0f, -1.2f, 0.5f},
    .topSpeed = 130.0,
    .tooHighSpeed = 155.0,
    .comesApartSpeed = 185.0,
    .dogfightRudder = 4.0,
    .dogfightElevator = 1.5,
    .muzzle = {0.35, 1.91, 2.6},
    .tracerX = 0.35,
    .tracerInterval = 15,
    .bulletPunch = 0.20202020202020202,
    .hitsBeforeDead = 10.0,
};

constexpr definition::SurfaceRow kSurfaces[] = {
    {43.0, {-8, -1, 0}, {0.052, 0.9967, -0.06229}, 2, true},            // lower wing, left
    {43.0, {8, -1, 0}, {-0.052, 0.9967, -0.06229}, 2, true},            // lower wing, right
    {53.0, {-8, 3, 0}, {0, 0.998058092, -0.06229}, 2, true},            // upper wing, left
    {53.0, {8, 3, 0}, {0, 0.998058092, -0.06229}, 2, true},             // upper wing, right
    {9.6, {0, 0.8, -13.98}, {0, 1, 0}, 12, false},                       // elevator
    {6.067, {0, 1.234, -14.31}, {1, 0, 0}, 36, false},                   // rudder
    {10.0, {-15.44, 3.6, -1.47}, {0, 1, 0}, 1, false},                   // left upper aileron, top
    {10.5, {-15.44, 3.6, -1.47}, {0, -1, 0}, 1, false},                  // left upper aileron, bottom
    {10.0, {15.44, 3.6, -1.47}, {0, 1, 0}, 1, false},                    // right upper aileron, top
    {10.5, {15.44, 3.6, -1.47}, {0, -1, 0}, 1, false},                   // right upper aileron, bottom
    {10.0, {-15.44, -0.59, -3.1}, {0.07, 0.997546991, 0}, 1, false},     // left lower aileron, top
    {10.5, {-15.44, -0.59, -3.1}, {-0.07, -0.997546991, 0}, 1, false},   // left lower aileron, bottom
    {10.0, {15.44, -0.59, -3.1}, {-0.07, 0.997546991, 0}, 1, false},     // right lower aileron, top
    {10.5, {15.44, -0.59, -3.1}, {0.07, -0.997546991, 0}, 1, false},     // right lower aileron, bottom
    {11.78, {0, 0.8, -12.29}, {0, 1, 0}, 12, false},                     // tailplane
    {6.976, {0, 0, -12.34}, {-1, 0, 0}, 20, false},                      // fin
    {7.72, {0, 0, 3.18}, {0, 0, 1}, 1, false},                           // nose, facing forward
    {10.88, {0, 1.6, 1.6}, {0, 1, 0}, 1, false},                         // front fuselage, top
    {10.88, {0, -1.6, 1.6}, {0, -1, 0}, 1, false},                       // front fuselage, bottom
    {10.88, {0, 0, 1.6}, {-1, 0, 0}, 4, false},                          // front fuselage, side
    {23.62, {0, 1.59, -7.66}, {0, 0.965925826, -0.258}, 1, false},       // rear fuselage, top
    {33.63, {1, 0.42, -7.66}, {0.984807753, 0, -0.173648177}, 1, false}, // rear fuselage, right
    {33.63, {-1, 0.42, -7.66}, {-0.984807753, 0, -0.173648177}, 1, false},  // rear fuselage, left
    {27.0, {0, -1.13, -7.66}, {0, -0.996194698, -0.087155742}, 1, false},   // rear fuselage, bottom
    {1.25, {-2.47, -3.77, 0.78}, {0, 0, 1}, 4, false},                   // left wheel
    {1.25, {2.47, -3.77, 0.78}, {0, 0, 1}, 4, false},                    // right wheel
};

constexpr definition::HitBox kHitBoxes[] = {
    {{0, 0, -7.3}, {1.5, 1.5, 4.0}},
    {{0, 1.11, -13.15}, {1.0, 1.7, 2.0}},
    {{0, 1.0, -13.15}, {3.92, 1.0, 3.0}},
    {{0, 0, 0}, {2.0, 2.0, 2.0}},
    {{0, 0, 2.2}, {2.0, 2.0, 1.5}},
    {{-7.0, 1.25, 0}, {5.0, 2.6, 2.9}},
    {{7.0, 1.25, 0}, {5.0, 2.6, 2.9}},
};

}  // namespace

ObjectTestFile::ObjectTestFile() { movePilotHead(); }

const FlyableAircraft::Traits& ObjectTestFile::traits() const {
    static const Traits camel{9.5, -5.5, true, 31, -1.25};
    return camel;
}

void ObjectTestFile::fillAirfoils() { definition::fillAirfoils(*this); }

void ObjectTestFile::writeDefinition() { definition::write(*this, kCamel, kSurfaces, 7.74324, kHitBoxes); }

}  // namespace pellam
