#pragma once
// The one definition writer of the three flyable aircraft. Each type gives its own values, its
// surfaces and its hit boxes; everything else (the common constants, the damage each hit box
// can do, the airfoils, the computer pilot's take-off pattern, the texture helpers) is the same
// for all three and written here.
#include <array>
#include <cstdint>
#include <span>

#include "aircraft/FlyableAircraft.h"

namespace pellam::definition {

// What each type sets for itself.
struct Values {
    int32_t type;                        // object type code
    std::array<double, 3> eye;           // the pilot's eye, body ft
    double weight;                       // lb, empty
    double izz;                          // inertia factor about the body Z axis
    double crossInertia;                 // Ixy and Iyx
    double aspectRatio;
    std::array<double, 3> fuseBottom, leftGearBottom, wingTip, tailLow, tailHigh, nose;  // body ft
    double tailDownAngle;                // deg, standing
    double tailDownHeight;               // ft, reference point over the ground, standing
    int32_t lastFullPowerBand;           // 1000-ft bands of full engine power, from 0
    double bladeDiameter;                // ft
    double bladeArea;                    // ft^2
    double engineTorque;
    double elevatorMax;                  // deg
    std::array<float, 3> bombStart;      // first bomb, body ft
    double topSpeed, tooHighSpeed, comesApartSpeed;  // mph
    double dogfightRudder, dogfightElevator;
    std::array<double, 3> muzzle;        // body ft
    double tracerX;                      // ft
    int32_t tracerInterval;              // ticks
    double bulletPunch;
    double hitsBeforeDead;               // punch
};

struct SurfaceRow {
    double area;                         // ft^2
    std::array<double, 3> location;      // body ft
    std::array<double, 3> normal;
    int32_t hints;
    bool wingPanel;                      // lifting panel on the wing airfoil
};

// A hit box: centre and half extent, body ft. Boxes go rear fuselage, fin, tailplane, cockpit,
// engine, left wings, right wings: the damage each can do follows that order.
struct HitBox {
    std::array<double, 3> centre, size;
};

// Writes the whole definition: the common values, the type's own, its surfaces (lifting panels
// get `kOverAspectRatio` and airfoil 4, the others neither) and its hit boxes with their damage.
void write(FlyableAircraft& plane, const Values& values, std::span<const SurfaceRow> surfaces,
           double kOverAspectRatio, std::span<const HitBox> hitBoxes);
// Airfoils 0..4, the same for the three types.
void fillAirfoils(FlyableAircraft& plane);
// Engine power factor per 1000-ft band: full up to band `lastFullBand`, then three quarters, a
// half and a quarter in the next three bands, and nothing above.
std::array<double, 100> powerTableFullTo(int lastFullBand);

}  // namespace pellam::definition
