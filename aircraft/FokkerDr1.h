#pragma once
// The Fokker Dr.I triplane: 1122 lb empty, 130 mph at the top, a rotary engine that runs only at
// full or idle, and a light structure (+3.5 / -2.5 g). Its middle wing is a third pair of lifting
// panels that goes with the side's other wings.
//
// Also the values the two Fokkers share: the D.VII is defined by the same steps and the same
// numbers but for its own row of `fokker::Values`, its own surfaces and its own hit boxes.
#include <array>
#include <cstdint>
#include <span>

#include "aircraft/FlyableAircraft.h"

namespace pellam {

namespace fokker {

// What each Fokker sets differently; everything else is common.
struct Values {
    int32_t type;                        // object type code
    std::array<double, 3> eye;           // the pilot's eye, body ft
    double weight;                       // lb, empty
    double izz;                          // inertia factor about the body Z axis
    double aspectRatio;
    std::array<double, 3> fuseBottom, leftGearBottom, wingTip, tailLow, tailHigh, nose;  // body ft
    double tailDownAngle;                // deg, standing
    double tailDownHeight;               // ft, reference point over the ground, standing
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
    double hitsBeforeDead;               // punch
};

struct SurfaceRow {
    double area;                         // ft^2
    std::array<double, 3> location;      // body ft
    std::array<double, 3> normal;
    int32_t hints;
    bool wingPanel;                      // lifting panel on the wing airfoil
};

// A hit box: centre and half extent, body ft.
struct HitBox {
    std::array<double, 3> centre, size;
};

// Writes the whole definition: the shared values, the aircraft's own values, its surfaces
// (lifting panels get `kOverAspectRatio` and airfoil 4) and its hit boxes with the shared damage
// tendencies, one per box.
void writeDefinition(FlyableAircraft& plane, const Values& values, std::span<const SurfaceRow> surfaces,
                     double kOverAspectRatio, std::span<const HitBox> hitBoxes);
void fillAirfoils(FlyableAircraft& plane);
// The Fokkers keep 179 replay records, 3,580 ticks of flight.
void useReplayRing(FlyableAircraft& plane);

}  // namespace fokker

class FokkerDr1 : public FlyableAircraft {
public:
    FokkerDr1();
    const Traits& traits() const override;
    void writeDefinition() override;
    void fillAirfoils() override;
    bool initWithGLView(ViewServices* view) override;  // the shared build, with this ring

    // Middle-wing panels; the control surfaces use the shared numbers (elevator 4, rudder 5,
    // ailerons 6..13).
    int32_t FokkerDr1LeftMiddleWing = 26;
    int32_t FokkerDr1RightMiddleWing = 27;

protected:
    void cutExtraWingSurfaces() override;
    void cutSideExtraWing(int32_t side) override;

private:
    AirSurface& middleWing(int32_t side);
};

}  // namespace pellam
