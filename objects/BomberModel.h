#pragma once
// The two-seat day bomber's shape, authored here: a Liberty-engined biplane of 42 ft span and
// 30 ft length with its two-bay wings, struts and wires, undercarriage, tail, the pilot under the
// upper wing and the gunner behind with his ring-mounted gun. Nose along +z, the reference point
// 2.1 ft above the wheels' feet. The indexes below are the ones the bomber's step addresses.
#include "objects/ArmedModels.h"

namespace pellam::armed::bomber {

constexpr int kPoints = 745, kPolygons = 109;
constexpr int kDisc = 3, kFirstDiscPoint = 2, kBladeA = 91, kBladeB = 92, kScar = 108, kFirstScarPoint = 741;
constexpr double kHubY = 5.5;  // ft: the propeller's axis, which the disc turns about

// Texture maps by number.
constexpr int16_t kDiscMap = 0, kBlueSmokeMap = 1, kTracerMap = 2, kEarthMap = 3, kBlackSmokeMap = 4,
                  kFireMap = 5, kAirframeMap = 6, kCrewMap = 7, kAmericanMap = 8, kBritishMap = 9;

// Where the airframe picture keeps each part (u across, v up, both 0..1).
namespace atlas {
struct Region {
    float u0, u1, v0, v1;
};
constexpr Region kWingTop{0.0f, 0.5f, 0.75f, 1.0f};      // upper wing: root at u0, leading edge at v1
constexpr Region kLowerTop{0.0f, 0.5f, 0.5f, 0.75f};     // lower wing's top, no markings
constexpr Region kWingUnder{0.5f, 1.0f, 0.75f, 1.0f};    // undersides: root at u0, leading edge at v1
constexpr Region kSide{0.0f, 1.0f, 0.375f, 0.5f};        // port side: nose at u0, keel at v0
constexpr Region kStarboard{0.0f, 1.0f, 0.25f, 0.375f};  // the same for the starboard side
constexpr Region kTop{0.0f, 1.0f, 0.125f, 0.25f};        // fuselage top: nose at u0, port edge at v0
constexpr Region kFin{0.5f, 0.75f, 0.5f, 0.75f};         // fin and rudder: leading edge at u0
constexpr Region kTailplane{0.75f, 1.0f, 0.5f, 0.75f};   // root at u0, leading edge at v1
// Swatches along the foot, each an eighth wide.
enum Swatch { kWood, kRubber, kMetal, kRadiator, kGunMetal, kWheelCover, kLeather, kLinen };
constexpr Region swatch(Swatch s) { return {int(s) / 8.0f + 0.01f, (int(s) + 1) / 8.0f - 0.01f, 0.01f, 0.115f}; }
}  // namespace atlas

// The crew picture: coat below v 0.5, face to 0.75, helmet above.
namespace crew {
constexpr float kCoatV = 0.25f, kFaceV = 0.62f, kHelmetV = 0.88f;
}

const Mesh& bomberMesh();

}  // namespace pellam::armed::bomber
