#pragma once
// Parts the three aircraft share: propeller, wheels and gear, pilot, cockpit fittings, guns,
// struts and wires, fuselage rings.
#include <array>
#include <functional>
#include <vector>

#include "aircraft/draw/AircraftModel.h"

namespace pellam::looks::parts {

// A fuselage section at z: flat bottom at yBottom, straight sides up to ySide, a rounded deck up to
// yTop; 12 points.
std::vector<V3> boxRing(float z, float halfWidth, float yBottom, float ySide, float yTop);
// A round section of 12 points.
std::vector<V3> roundRing(float z, float yCentre, float radius, float squash = 1.0f);

// Two-bladed wooden propeller turning about Z at hub; its own moving group.
void propeller(Modeller& b, V3 hub, float diameter);
// Two wheels on an axle at `axle` (centre), half track `track`; the wheels' moving group.
void wheels(Modeller& b, V3 axle, float track, float radius, float width);
// The undercarriage that folds when the gear breaks: the wheels, a pair of struts each side
// (given for the right side, x > 0, and mirrored) and whatever `fairing` adds; one moving group.
struct Undercarriage {
    V3 axle;                             // centre, body ft
    float track, wheelRadius, wheelWidth;
    int16_t strutMap, strutMaterial;
    V3 frontTop, frontFoot, rearTop, rearFoot;
    float strutRadius;
    V3 hinge;                            // where it folds back about the X axis
};
void undercarriage(Modeller& b, const Undercarriage& u, const std::function<void()>& fairing = {});
// A rotary engine's cowling in the team's colour, round the crankcase with nine cylinder heads.
struct RotaryCowling {
    float y;                             // centre height, body ft
    std::array<float, 4> ringZ, ringRadius;  // the cowling's sections, front to back
    float crankcaseZ, crankcaseRadius;
    int crankcaseSides;
    float headCircle, headZ, headLength, headRadius;
};
void rotaryCowling(Modeller& b, const RotaryCowling& c);
void strut(Modeller& b, V3 a, V3 c, float radius = 0.09f);
void wire(Modeller& b, V3 a, V3 c);
// Pilot in his seat: shoulders and a head that turns about the neck; the head's moving groups.
void pilot(Modeller& b, V3 eye);
// A dial facing the pilot (-Z) with its needle's moving group.
void gauge(Modeller& b, V3 centre, float radius, Mover needle, double degreesPerUnit);
// Control column from the floor pivot up, and the rudder bar; their moving groups.
void controlColumn(Modeller& b, V3 pivot, float height);
void rudderBar(Modeller& b, V3 centre, float halfWidth);
// A machine gun with cooling jacket from breech to muzzle.
void machineGun(Modeller& b, V3 breech, V3 muzzle);
// Seat, floor and the inside of the cockpit walls between z0 (front) and z1 (rear).
void cockpitTub(Modeller& b, float z0, float z1, float halfWidth, float yFloor, float yRim);

}  // namespace pellam::looks::parts
