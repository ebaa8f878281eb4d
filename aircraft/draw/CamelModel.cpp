// The Sopwith Camel: short, humped fuselage behind a round rotary cowling; staggered equal-span
// wings, the lower with dihedral, the upper flat with a cut-out over the pilot; ailerons on both
// wings; twin Vickers under the hump; PC10 doped upper surfaces, clear-doped linen below.
#include <cmath>

#include "aircraft/draw/ModelParts.h"

namespace pellam::looks {
namespace {

using parts::boxRing;
using parts::roundRing;

constexpr float kUpperY = 3.0f, kLowerY = -1.0f;
constexpr float kUpperLE = 2.0f, kLowerLE = 0.55f, kChord = 4.5f;
constexpr float kTip = 14.0f;
constexpr float kAileronFrom = 8.4f;
constexpr float kHinge = 0.7f;     // aileron hinge, fraction of chord
constexpr float kLowerDihedral = 5.0f;
constexpr float kStrutX = 9.2f;

// From the seat outwards: the cockpit, the fuselage round it, the cowling ahead of the board.
void fuselage(Modeller& b) {
    // Padded leather coaming round the opening.
    b.style(kMapPlain, kMatLeather);
    b.tube({-1.0f, 1.15f, -2.15f}, {1.0f, 1.15f, -2.15f}, 0.08f, 6, true);
    b.tube({-1.2f, 0.85f, 0.05f}, {-1.2f, 1.15f, -2.15f}, 0.07f, 5, true);
    b.tube({1.2f, 0.85f, 0.05f}, {1.2f, 1.15f, -2.15f}, 0.07f, 5, true);
    // The hump's rear face, which holds the instruments, faces the pilot.
    b.style(kMapWood, kMatWhite);
    {
        // A bulkhead from the floor up: nothing of the nose's inside shows below the board.
        b.face(boxRing(0.1f, 1.25f, -1.42f, 0.8f, 2.05f), {0, 0, -1});
    }
    parts::cockpitTub(b, 0.1f, -2.2f, 1.2f, -1.3f, 0.9f);

    // Fuselage: aluminium panels to the cockpit, then fabric; the hump rises over the guns.
    b.style(kMapMetal, kMatSteel);
    b.loft({roundRing(1.7f, 0.1f, 1.5f), boxRing(1.2f, 1.25f, -1.4f, 0.7f, 2.0f), boxRing(0.1f, 1.25f, -1.42f, 0.8f, 2.05f)},
           true, false, false);
    b.style(kMapPaint, kMatWhite);
    // Behind the cockpit: the deck over the longerons tapering to the tail post.
    b.loft({boxRing(-2.2f, 1.22f, -1.38f, 1.2f, 1.6f), boxRing(-5.0f, 1.05f, -1.3f, 1.0f, 1.35f),
            boxRing(-8.5f, 0.75f, -1.05f, 0.8f, 1.05f), boxRing(-11.5f, 0.42f, -0.55f, 0.65f, 0.85f),
            boxRing(-13.3f, 0.08f, 0.25f, 0.6f, 0.7f)},
           true, false, true);
    // Cockpit sides and the fabric below the opening.
    b.style(kMapPaint, kMatWhite);
    b.face({{-1.25f, -1.42f, 0.1f}, {-1.22f, -1.38f, -2.2f}, {-1.22f, 1.2f, -2.2f}, {-1.25f, 0.8f, 0.1f}}, {-1, 0, 0});
    b.face({{1.25f, -1.42f, 0.1f}, {1.22f, -1.38f, -2.2f}, {1.22f, 1.2f, -2.2f}, {1.25f, 0.8f, 0.1f}}, {1, 0, 0});
    b.style(kMapUnderside, kMatWhite);
    b.face({{-1.25f, -1.42f, 0.1f}, {1.25f, -1.42f, 0.1f}, {1.22f, -1.38f, -2.2f}, {-1.22f, -1.38f, -2.2f}}, {0, -1, 0});

    // Rotary cowling in the team's colour, open at the front round the crankcase; nine cylinder
    // heads peeping out of its mouth.
    parts::rotaryCowling(b, {.y = 0.1f,
                             .ringZ = {3.18f, 2.9f, 2.2f, 1.7f},
                             .ringRadius = {1.3f, 1.55f, 1.58f, 1.5f},
                             .crankcaseZ = 2.95f,
                             .crankcaseRadius = 1.3f,
                             .crankcaseSides = 18,
                             .headCircle = 1.0f,
                             .headZ = 3.0f,
                             .headLength = 0.2f,
                             .headRadius = 0.2f});
    b.style(kMapPlain, kMatBlack);
    b.disc({0, 0.1f, 3.22f}, {0, 0, 1}, 0.35f, 10);
}

void tail(Modeller& b) {
    // Tailplane and fin.
    b.style(kMapPaint, kMatWhite);
    std::vector<std::array<float, 2>> stab = {{0.0f, 0.0f}, {1.3f, -0.1f}, {4.0f, -1.1f}, {4.3f, -1.8f},
                                              {4.2f, -2.0f}, {0.0f, -2.0f}};
    for (int side = -1; side <= 1; side += 2) {
        std::vector<std::array<float, 2>> o = stab;
        for (auto& p : o) p[0] *= float(side);
        if (side < 0) std::vector<std::array<float, 2>>(o.rbegin(), o.rend()).swap(o);
        b.slab(o, {0, 0.8f, -11.3f}, {1, 0, 0}, {0, 0, 1}, 0.12f);
    }
    b.slab({{0.0f, 0.75f}, {-1.0f, 0.85f}, {-2.0f, 2.1f}, {-2.0f, 0.75f}}, {0, 0, -11.3f}, {0, 0, 1}, {0, 1, 0}, 0.1f);
    // Elevator, hinged at the tailplane's trailing edge.
    b.beginGroup();
    for (int side = -1; side <= 1; side += 2) {
        std::vector<std::array<float, 2>> o = {{0.12f, 0.0f}, {4.2f, 0.0f}, {4.1f, -0.9f}, {3.2f, -1.35f}, {0.12f, -1.35f}};
        for (auto& p : o) p[0] *= float(side);
        if (side < 0) std::vector<std::array<float, 2>>(o.rbegin(), o.rend()).swap(o);
        b.slab(o, {0, 0.8f, -13.3f}, {1, 0, 0}, {0, 0, 1}, 0.08f);
    }
    b.endGroup(Mover::Elevator, {0, 0.8f, -13.3f}, 0, 1.0);
    // Rudder: the Camel's rounded D, hinged on the tail post.
    b.beginGroup();
    std::vector<std::array<float, 2>> r = {{0.0f, -0.3f}, {-0.9f, -0.35f}, {-1.6f, 0.0f}, {-1.95f, 0.8f},
                                           {-1.95f, 1.8f}, {-1.6f, 2.6f}, {-0.9f, 2.95f}, {0.0f, 2.97f}};
    b.slab(r, {0, 0, -13.3f}, {0, 0, 1}, {0, 1, 0}, 0.08f);
    b.endGroup(Mover::Rudder, {0, 0, -13.3f}, 1, 1.0);
    // Tail skid.
    b.style(kMapWood, kMatWhite);
    parts::strut(b, {0, -0.45f, -11.2f}, {0, -2.3f, -11.9f}, 0.08f);
    b.style(kMapUnderside, kMatWhite);
}

// One side's pair of wings with ailerons, struts and wires; side -1 left, +1 right.
void wingSet(Modeller& b, int side) {
    const float s = float(side);
    using W = Modeller::WingPanel;
    W upper{.x0 = s * 1.0f, .x1 = s * kAileronFrom, .y = kUpperY, .zLeadingEdge = kUpperLE, .chord = kChord,
            .thickness = 0.055f};
    upper.capTip = false;
    b.wing(upper);
    W upperOuter = upper;
    upperOuter.x0 = s * kAileronFrom;
    upperOuter.x1 = s * kTip;
    upperOuter.c1 = kHinge;
    upperOuter.capTip = true;
    b.wing(upperOuter);
    const float lowerRootY = kLowerY - 0.35f;
    W lower{.x0 = s * 1.1f, .x1 = s * kAileronFrom, .y = lowerRootY, .zLeadingEdge = kLowerLE, .chord = kChord,
            .thickness = 0.055f, .dihedral = kLowerDihedral};
    lower.capTip = false;
    lower.capRoot = true;
    b.wing(lower);
    W lowerOuter = lower;
    lowerOuter.x0 = s * kAileronFrom;
    lowerOuter.x1 = s * kTip;
    lowerOuter.c1 = kHinge;
    lowerOuter.capRoot = false;
    lowerOuter.capTip = true;
    // The lower wing's outer panel keeps the dihedral line of the inner one.
    lowerOuter.y = lowerRootY + std::fabs(kAileronFrom - 1.1f) * std::tan(kLowerDihedral / 57.29578f);
    b.wing(lowerOuter);

    // Ailerons: one moving group per side, upper and lower together.
    b.beginGroup();
    W ua = upperOuter;
    ua.c0 = kHinge;
    ua.c1 = 1.0f;
    ua.capRoot = true;
    b.wing(ua);
    b.endGroup(side < 0 ? Mover::AileronLeft : Mover::AileronRight,
               Modeller::wingPoint(upperOuter, s * kAileronFrom, kHinge, false), 0, 1.0);
    b.beginGroup();
    W la = lowerOuter;
    la.c0 = kHinge;
    la.c1 = 1.0f;
    la.capRoot = true;
    b.wing(la);
    b.endGroup(side < 0 ? Mover::AileronLeft : Mover::AileronRight,
               Modeller::wingPoint(lowerOuter, s * kAileronFrom, kHinge, false), 0, 1.0, 2,
               -s * kLowerDihedral);

    // Markings: roundels on top of the upper wing and under the lower wing.
    roundel(b, Modeller::wingPoint(upperOuter, s * 10.6f, 0.42f, true) + V3{0, 0.02f, 0}, {0, 1, 0}, 1.95f);
    roundel(b, Modeller::wingPoint(lowerOuter, s * 10.6f, 0.45f, false) - V3{0, 0.02f, 0},
            {s * std::sin(kLowerDihedral / 57.3f), -1, 0}, 1.95f);

    // Interplane struts and the flying and landing wires.
    b.style(kMapWood, kMatWhite);
    const auto at = [&](const W& w, float c, bool top) { return Modeller::wingPoint(w, s * kStrutX, c, top); };
    const V3 lowFront = at(lower, 0.12f, true), lowRear = at(lower, 0.72f, true);
    const V3 upFront = at(upper, 0.12f, false), upRear = at(upper, 0.72f, false);
    parts::strut(b, lowFront, upFront, 0.1f);
    parts::strut(b, lowRear, upRear, 0.1f);
    const V3 rootLow{s * 1.2f, -1.3f, 0.3f}, rootUp{s * 1.0f, kUpperY, 0.3f};
    parts::wire(b, rootLow, upFront);
    parts::wire(b, rootLow + V3{0, 0, -2.0f}, upRear);
    parts::wire(b, rootUp, lowFront);
    parts::wire(b, rootUp + V3{0, 0, -2.0f}, lowRear);
}

Modeller build() {
    Modeller b;
    b.uvScale(5.0f);
    // Nearest the seat first, so that what they hide behind them fails the depth test before it
    // is shaded: the sight, guns, instruments and controls, then the cockpit and fuselage.
    // Twin Vickers under the hump, breeches in the cockpit.
    parts::machineGun(b, {-0.35f, 1.85f, -0.2f}, {-0.35f, 1.91f, 2.6f});
    parts::machineGun(b, {0.35f, 1.85f, -0.2f}, {0.35f, 1.91f, 2.6f});
    b.style(kMapMetal, kMatBlack);
    b.tube({0, 2.0f, -0.2f}, {0, 2.05f, 0.8f}, 0.05f, 5);  // Aldis sight
    b.tube({0, 2.05f, -0.15f}, {0, 2.05f, -0.45f}, 0.06f, 6, true);

    // Instruments on the board below the breeches.
    parts::gauge(b, {-0.62f, 1.15f, 0.07f}, 0.2f, Mover::NeedleSpeed, -1.8);
    parts::gauge(b, {0.62f, 1.15f, 0.07f}, 0.2f, Mover::NeedleAltitude, -0.036);
    parts::gauge(b, {0.0f, 1.25f, 0.07f}, 0.17f, Mover::NeedleRevs, -270.0);
    parts::gauge(b, {0.35f, 0.82f, 0.07f}, 0.11f, Mover::NeedleFuel, -270.0);
    parts::controlColumn(b, {0, -1.25f, -0.7f}, 1.75f);
    parts::rudderBar(b, {0, -1.2f, 0.9f}, 0.7f);
    parts::pilot(b, {0.0f, 2.58f, -1.25f});
    fuselage(b);
    tail(b);
    parts::propeller(b, {0, 0.1f, 3.45f}, 8.84f);

    // Fuselage roundels and the serial's white band behind them.
    roundel(b, {1.05f, 0.15f, -7.0f}, {1, 0, 0}, 1.0f);
    roundel(b, {-1.05f, 0.15f, -7.0f}, {-1, 0, 0}, 1.0f);


    // Undercarriage: the wheels, axle and V struts fold together when the gear breaks.
    parts::undercarriage(b, {.axle = {0, -3.77f, 0.78f},
                             .track = 2.47f,
                             .wheelRadius = 1.03f,
                             .wheelWidth = 0.45f,
                             .strutMap = kMapWood,
                             .strutMaterial = kMatWhite,
                             .frontTop = {1.1f, -1.4f, 1.6f},
                             .frontFoot = {1.75f, -3.77f, 0.85f},
                             .rearTop = {1.1f, -1.4f, -0.7f},
                             .rearFoot = {1.75f, -3.77f, 0.7f},
                             .strutRadius = 0.09f,
                             .hinge = {0, -1.4f, 0.4f}});

    // Cabane struts and the upper wing's centre section with the cut-out over the pilot.
    b.style(kMapWood, kMatWhite);
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        parts::strut(b, {s * 0.75f, 1.3f, 1.5f}, {s * 1.0f, kUpperY, 1.5f}, 0.08f);
        parts::strut(b, {s * 0.75f, 1.2f, -1.2f}, {s * 1.0f, kUpperY, -0.8f}, 0.08f);
    }

    // Moving part 1: the left wing set; moving part 3: the right; moving part 5: the upper centre section.
    b.marker(1);
    wingSet(b, -1);
    b.marker(3);
    wingSet(b, 1);
    b.marker(5);
    Modeller::WingPanel centre{.x0 = -1.0f, .x1 = 1.0f, .y = kUpperY, .zLeadingEdge = kUpperLE, .chord = kChord * 0.62f,
                                  .thickness = 0.09f};
    centre.capTip = false;
    b.wing(centre);
    return b;
}

}  // namespace

const AircraftModel& camelModel() {
    static const AircraftModel model = [] {
        Modeller b = build();
        AircraftModel m = finishModel("ObjectTestFileFilePP", b,
                                      {"CamelFabric.png", "CamelLinen.png", "AircraftWood.png", "AircraftMetal.png",
                                       "AircraftDial.png", "AircraftPlain.png", "CamelFabric.png", ""},
                                      {"CamelFabric.png", "CamelFabricB.png"});
        m.engineInside = 17;
        m.engineIdle = 22;
        m.engineOutside = 25;
        return m;
    }();
    return model;
}

}  // namespace pellam::looks
