// The two Fokkers. The Dr.I: a short triplane with thick cantilever wings, a single I-strut a
// side, horn-balanced ailerons on the top wing only, a comma rudder without a fin and a small
// wing on the axle. The D.VII: a long slab-sided biplane with a car radiator at the nose, thick
// wings joined by N-struts, ailerons on the top wing, a triangular fin and an axle wing. Both in
// printed lozenge fabric with the straight-sided crosses of 1918.
#include <cmath>

#include "aircraft/draw/ModelParts.h"
#include "core/DrawHints.h"

namespace pellam::looks {
namespace {

using parts::boxRing;
using parts::roundRing;
using W = Modeller::WingPanel;

W panel(float x0, float x1, float y, float le, float chord, float thickness) {
    W w{.x0 = x0, .x1 = x1, .y = y, .zLeadingEdge = le, .chord = chord, .thickness = thickness};
    w.topMap = kMapWingTop;
    return w;
}

// A wing half with an aileron over its outer part (aileronFrom > 0), from the root outward.
void wingHalf(Modeller& b, W w, float aileronFrom, float hinge, Mover mover) {
    const float s = w.x1 >= 0 ? 1.0f : -1.0f;
    if (aileronFrom <= 0) {
        b.wing(w);
        return;
    }
    W inner = w;
    inner.x1 = s * aileronFrom;
    inner.capTip = false;
    b.wing(inner);
    W outer = w;
    outer.x0 = s * aileronFrom;
    outer.c1 = hinge;
    outer.capRoot = false;
    b.wing(outer);
    b.beginGroup();
    W a = outer;
    a.c0 = hinge;
    a.c1 = 1.0f;
    a.capRoot = true;
    // Horn balance: the aileron runs a little past the tip.
    a.x1 = w.x1 + s * 0.35f;
    b.wing(a);
    b.endGroup(mover, Modeller::wingPoint(outer, s * aileronFrom, hinge, false), 0, 1.0);
}

// A rectangle of decal on a wing's skin, following the section's curve: spans x0..x1 and the chord
// fractions c0..c1, a little off the surface.
void wingDecal(Modeller& b, const W& w, float x0, float x1, float c0, float c1, bool top, float raise) {
    constexpr int kStrips = 6;
    const V3 lift{0, top ? raise : -raise, 0};
    for (int i = 0; i < kStrips; ++i) {
        const float a = c0 + (c1 - c0) * float(i) / kStrips, e = c0 + (c1 - c0) * float(i + 1) / kStrips;
        b.face({Modeller::wingPoint(w, x0, a, top) + lift, Modeller::wingPoint(w, x1, a, top) + lift,
                Modeller::wingPoint(w, x1, e, top) + lift, Modeller::wingPoint(w, x0, e, top) + lift},
               {0, top ? 1.0f : -1.0f, 0});
    }
}

// The straight-sided cross of 1918 on a wing, white-edged, centred at x and mid-chord.
void wingCross(Modeller& b, const W& w, float x, bool top, float halfSpan) {
    const float arm = halfSpan * 0.22f, border = halfSpan * 0.08f, c = 0.5f;
    const float toC = 1.0f / w.chord;  // ft to chord fraction
    auto rect = [&](float hx, float hc, float raise) {
        wingDecal(b, w, x - hx, x + hx, c - hc * toC, c + hc * toC, top, raise);
    };
    // The black sits a little above the white so the two never fight.
    b.style(kMapPlain, kMatWhite, kOffset);
    rect(halfSpan + border, arm + border, 0.025f);
    rect(arm + border, std::min(halfSpan + border, w.chord * 0.48f), 0.025f);
    b.style(kMapPlain, kMatBlack, kOffset);
    rect(halfSpan, arm, 0.04f);
    rect(arm, std::min(halfSpan, w.chord * 0.44f), 0.04f);
}

// The Fokkers' undercarriage: steel V struts and the lifting fairing round the axle.
void gearAndAxleWing(Modeller& b, V3 axle, float track, float radius, float wheelWidth, float strutTopY,
                     float strutFrontZ, float strutRearZ) {
    parts::undercarriage(b,
                         {.axle = axle,
                          .track = track,
                          .wheelRadius = radius,
                          .wheelWidth = wheelWidth,
                          .strutMap = kMapMetal,
                          .strutMaterial = kMatSteel,
                          .frontTop = {1.0f, strutTopY, strutFrontZ},
                          .frontFoot = {1.2f, axle.y + 0.15f, axle.z + 0.1f},
                          .rearTop = {1.0f, strutTopY, strutRearZ},
                          .rearFoot = {1.2f, axle.y + 0.15f, axle.z - 0.1f},
                          .strutRadius = 0.08f,
                          .hinge = {0, strutTopY, (strutFrontZ + strutRearZ) * 0.5f}},
                         [&] {
                             W axleWing = panel(-track + 0.3f, track - 0.3f, axle.y - 0.15f, axle.z + 0.55f, 1.4f, 0.16f);
                             axleWing.topMap = kMapWingTop;
                             axleWing.capRoot = true;
                             b.wing(axleWing);
                         });
}

// What lies nearest the seat, built first so that it hides what lies behind it from the depth test
// before that is shaded: the twin guns on the deck, the bulkhead from the floor up, the coaming and
// the cockpit.
struct Seat {
    V3 breech, muzzle;  // the left gun's; the right one mirrors it
    std::vector<V3> bulkhead;
    float coamingY, coamingZ;
    V3 eye;
    float panelZ, halfWidth, floorY, rimY, rearZ;
};

void seat(Modeller& b, const Seat& c) {
    parts::machineGun(b, c.breech, c.muzzle);
    parts::machineGun(b, {-c.breech.x, c.breech.y, c.breech.z}, {-c.muzzle.x, c.muzzle.y, c.muzzle.z});
    b.style(kMapWood, kMatWhite);
    b.face(c.bulkhead, {0, 0, -1});
    b.style(kMapPlain, kMatLeather);
    b.tube({-1.0f, c.coamingY, c.coamingZ}, {1.0f, c.coamingY, c.coamingZ}, 0.08f, 6, true);
    const float panelZ = c.panelZ, floorY = c.floorY, rimY = c.rimY;
    parts::cockpitTub(b, panelZ, c.rearZ, c.halfWidth - 0.05f, floorY, rimY);
    parts::gauge(b, {-0.45f, rimY - 0.15f, panelZ - 0.03f}, 0.16f, Mover::NeedleRevs, -270.0);
    parts::gauge(b, {0.45f, rimY - 0.15f, panelZ - 0.03f}, 0.16f, Mover::NeedleAltitude, -0.036);
    parts::gauge(b, {0.0f, rimY - 0.55f, panelZ - 0.03f}, 0.13f, Mover::NeedleFuel, -270.0);
    parts::gauge(b, {-0.5f, rimY - 0.6f, panelZ - 0.03f}, 0.13f, Mover::NeedleSpeed, -1.8);
    parts::controlColumn(b, {0, floorY + 0.05f, panelZ - 0.9f}, rimY - floorY - 0.1f);
    parts::rudderBar(b, {0, floorY + 0.1f, panelZ + 0.6f}, 0.65f);
    parts::pilot(b, c.eye);
}

Modeller buildDr1() {
    Modeller b;
    b.uvScale(5.0f);
    // From the seat outwards: twin Spandaus on the deck ahead of the pilot, the cockpit, then the
    // fuselage and the cowling ahead.
    seat(b, {.breech = {-0.33f, 1.75f, -1.6f},
             .muzzle = {-0.33f, 1.71f, 2.7f},
             .bulkhead = boxRing(-1.8f, 1.12f, -1.85f, 1.15f, 1.75f),
             .coamingY = 1.2f,
             .coamingZ = -3.95f,
             .eye = {0.0f, 2.1f, -3.1f},
             .panelZ = -1.85f,
             .halfWidth = 1.12f,
             .floorY = -1.6f,
             .rimY = 1.15f,
             .rearZ = -4.0f});
    // Fuselage: flat sides, curved deck, tapering to a knife edge at the tail post.
    b.style(kMapPaint, kMatWhite);
    b.loft({roundRing(1.5f, 0.0f, 1.3f), boxRing(1.0f, 1.15f, -1.75f, 0.9f, 1.55f), boxRing(-1.8f, 1.12f, -1.85f, 1.15f, 1.75f)},
           true, false, false);
    b.loft({boxRing(-4.0f, 1.1f, -1.75f, 1.15f, 1.6f), boxRing(-7.0f, 0.85f, -1.4f, 1.0f, 1.35f),
            boxRing(-10.5f, 0.45f, -0.95f, 0.85f, 1.05f), boxRing(-12.9f, 0.06f, -0.5f, 0.7f, 0.75f)},
           true, false, true);
    b.face({{-1.12f, -1.85f, -1.8f}, {-1.1f, -1.75f, -4.0f}, {-1.1f, 1.15f, -4.0f}, {-1.12f, 1.15f, -1.8f}}, {-1, 0, 0});
    b.face({{1.12f, -1.85f, -1.8f}, {1.1f, -1.75f, -4.0f}, {1.1f, 1.15f, -4.0f}, {1.12f, 1.15f, -1.8f}}, {1, 0, 0});
    b.face({{-1.12f, -1.85f, -1.8f}, {1.12f, -1.85f, -1.8f}, {1.1f, -1.75f, -4.0f}, {-1.1f, -1.75f, -4.0f}}, {0, -1, 0});
    // Cowling of the Oberursel rotary in the team's colour, and its crankcase.
    parts::rotaryCowling(b, {.y = 0.0f,
                             .ringZ = {2.83f, 2.6f, 1.9f, 1.5f},
                             .ringRadius = {1.2f, 1.42f, 1.42f, 1.3f},
                             .crankcaseZ = 2.6f,
                             .crankcaseRadius = 1.2f,
                             .crankcaseSides = 16,
                             .headCircle = 0.9f,
                             .headZ = 2.62f,
                             .headLength = 0.18f,
                             .headRadius = 0.17f});
    parts::propeller(b, {0, 0.0f, 3.05f}, 8.84f);
    // Fuselage crosses on a white field.
    balkenkreuz(b, {1.0f, 0.0f, -8.0f}, {0, 0, -1}, {0, 1, 0}, 0.95f);
    balkenkreuz(b, {-1.0f, 0.0f, -8.0f}, {0, 0, 1}, {0, 1, 0}, 0.95f);

    // Tail: a triangular tailplane with its elevator; no fin, the whole comma rudder moves.
    b.style(kMapPaint, kMatWhite);
    b.slab({{-3.4f, -2.0f}, {-0.3f, 0.6f}, {0.3f, 0.6f}, {3.4f, -2.0f}}, {0, 0.6f, -11.0f}, {1, 0, 0}, {0, 0, 1}, 0.1f);
    b.beginGroup();
    b.slab({{-3.8f, 0.0f}, {3.8f, 0.0f}, {3.5f, -1.0f}, {1.0f, -1.45f}, {-1.0f, -1.45f}, {-3.5f, -1.0f}},
           {0, 0.6f, -13.0f}, {1, 0, 0}, {0, 0, 1}, 0.08f);
    b.endGroup(Mover::Elevator, {0, 0.6f, -13.0f}, 0, 1.0);
    b.beginGroup();
    std::vector<std::array<float, 2>> comma = {{0.0f, -0.5f}, {-0.9f, -0.45f}, {-1.3f, 0.2f}, {-1.25f, 1.2f},
                                               {-0.9f, 2.2f}, {-0.2f, 2.75f}, {0.5f, 2.7f}, {0.6f, 2.35f},
                                               {0.0f, 2.1f}};
    b.slab(comma, {0, 0, -12.95f}, {0, 0, 1}, {0, 1, 0}, 0.1f);
    b.style(kMapPlain, kMatWhite, kOffset);
    b.rect({0.07f, 1.1f, -13.55f}, {0, 0, -1}, {0, 1, 0}, 0.55f, 0.75f);
    b.rect({-0.07f, 1.1f, -13.55f}, {0, 0, 1}, {0, 1, 0}, 0.55f, 0.75f);
    balkenkreuz(b, {0.08f, 1.1f, -13.55f}, {0, 0, -1}, {0, 1, 0}, 0.45f);
    balkenkreuz(b, {-0.08f, 1.1f, -13.55f}, {0, 0, 1}, {0, 1, 0}, 0.45f);
    b.endGroup(Mover::Rudder, {0, 0, -12.95f}, 1, 1.0);
    b.style(kMapWood, kMatWhite);
    parts::strut(b, {0, -0.8f, -11.5f}, {0, -1.35f, -12.6f}, 0.07f);

    gearAndAxleWing(b, {0, -4.35f, 1.21f}, 2.66f, 1.15f, 0.4f, -1.8f, 1.6f, 0.2f);
    // Cabane struts up to the top wing.
    b.style(kMapMetal, kMatSteel);
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        parts::strut(b, {s * 0.8f, 1.4f, 1.4f}, {s * 1.6f, 4.28f, 1.6f}, 0.07f);
        parts::strut(b, {s * 0.8f, 1.4f, -0.6f}, {s * 1.6f, 4.28f, 0.0f}, 0.07f);
    }

    // Moving parts 1 and 3: each side's top and bottom wings with the I-strut; moving part 5: the
    // middle wings.
    const float le[3] = {2.4f, 1.9f, 1.2f};
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        b.marker(side < 0 ? 1 : 3);
        b.style(kMapWingTop, kMatWhite);
        W top = panel(0.0f, s * 11.8f, 4.28f, le[0], 3.5f, 0.13f);
        top.capRoot = true;
        wingHalf(b, top, 8.0f, 0.74f, side < 0 ? Mover::AileronLeft : Mover::AileronRight);
        W bottom = panel(s * 1.1f, s * 9.4f, -1.45f, le[2], 3.4f, 0.13f);
        bottom.capRoot = true;
        b.wing(bottom);
        wingCross(b, top, s * 9.4f, true, 1.5f);
        wingCross(b, bottom, s * 7.0f, false, 1.2f);
        b.style(kMapWood, kMatWhite);
        const V3 sTop = Modeller::wingPoint(top, s * 7.4f, 0.3f, false);
        const V3 sBot = Modeller::wingPoint(bottom, s * 7.4f, 0.3f, true);
        // The broad I-strut, one a side, through the middle wing.
        b.box({s * 7.4f - 0.08f, sBot.y, sBot.z - 0.3f}, {s * 7.4f + 0.08f, sTop.y, sBot.z + 0.3f});
    }
    b.marker(5);
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        W middle = panel(s * 1.12f, s * 10.25f, 1.5f, le[1], 3.4f, 0.13f);
        middle.capRoot = true;
        b.style(kMapWingTop, kMatWhite);
        b.wing(middle);
    }
    return b;
}

Modeller buildDVII() {
    Modeller b;
    b.uvScale(5.0f);
    // From the seat outwards: the guns, the cockpit, then the fuselage, the engine and radiator ahead.
    seat(b, {.breech = {-0.35f, 1.95f, -2.7f},
             .muzzle = {-0.35f, 1.91f, 2.6f},
             .bulkhead = boxRing(-3.0f, 1.15f, -1.5f, 1.3f, 1.75f),
             .coamingY = 1.35f,
             .coamingZ = -5.35f,
             .eye = {0.0f, 2.88f, -4.3f},
             .panelZ = -3.05f,
             .halfWidth = 1.15f,
             .floorY = -1.35f,
             .rimY = 1.3f,
             .rearZ = -5.4f});
    // Fuselage behind the engine: fabric over a welded tube frame.
    b.style(kMapPaint, kMatWhite);
    b.loft({boxRing(0.2f, 1.12f, -1.5f, 1.25f, 1.7f), boxRing(-3.0f, 1.15f, -1.5f, 1.3f, 1.75f)}, false, false, false);
    b.loft({boxRing(-5.4f, 1.12f, -1.45f, 1.3f, 1.65f), boxRing(-9.0f, 0.85f, -1.2f, 1.05f, 1.35f),
            boxRing(-13.0f, 0.45f, -0.75f, 0.9f, 1.05f), boxRing(-15.8f, 0.06f, 0.0f, 0.85f, 0.9f)},
           true, false, true);
    b.face({{-1.15f, -1.5f, -3.0f}, {-1.12f, -1.45f, -5.4f}, {-1.12f, 1.3f, -5.4f}, {-1.15f, 1.3f, -3.0f}}, {-1, 0, 0});
    b.face({{1.15f, -1.5f, -3.0f}, {1.12f, -1.45f, -5.4f}, {1.12f, 1.3f, -5.4f}, {1.15f, 1.3f, -3.0f}}, {1, 0, 0});
    b.face({{-1.15f, -1.5f, -3.0f}, {1.15f, -1.5f, -3.0f}, {1.12f, -1.45f, -5.4f}, {-1.12f, -1.45f, -5.4f}}, {0, -1, 0});
    // Engine bay: metal panels, the six cylinders standing above, the exhaust on the right.
    b.style(kMapMetal, kMatSteel);
    b.loft({boxRing(4.2f, 1.05f, -1.4f, 1.2f, 1.55f), boxRing(0.2f, 1.12f, -1.5f, 1.25f, 1.7f)}, false, false, false);
    b.style(kMapMetal, kMatDark);
    for (int k = 0; k < 6; ++k) {
        const float z = 3.6f - 0.55f * float(k);
        b.tube({0, 1.5f, z}, {0, 2.05f, z}, 0.2f, 6, true);
    }
    b.style(kMapMetal, kMatDark);
    b.tube({1.15f, 0.8f, 3.5f}, {1.15f, 0.8f, 0.8f}, 0.16f, 6, true);
    b.tube({1.15f, 0.8f, 0.8f}, {1.35f, 0.4f, 0.2f}, 0.16f, 6, true);
    // Radiator at the nose, with its filler cap and its louvres.
    b.style(kMapMetal, kMatDark);
    b.box({-1.05f, -1.4f, 4.2f}, {1.05f, 1.55f, 4.6f});
    b.style(kMapMetal, kMatSteel);
    b.rect({0, 0.05f, 4.62f}, {1, 0, 0}, {0, 1, 0}, 0.95f, 1.4f);
    b.style(kMapMetal, kMatBlack, kOffset);
    for (int k = 0; k < 8; ++k) b.rect({0, -1.2f + 0.35f * float(k), 4.64f}, {1, 0, 0}, {0, 1, 0}, 0.88f, 0.06f);
    b.style(kMapMetal, kMatBrass);
    b.tube({0.5f, 1.55f, 4.4f}, {0.5f, 1.75f, 4.4f}, 0.1f, 6, true);
    parts::propeller(b, {0, 0.05f, 4.95f}, 9.15f);
    balkenkreuz(b, {1.0f, 0.15f, -9.5f}, {0, 0, -1}, {0, 1, 0}, 1.0f);
    balkenkreuz(b, {-1.0f, 0.15f, -9.5f}, {0, 0, 1}, {0, 1, 0}, 1.0f);

    // Tail: tailplane and elevator in the team's colour, fin, balanced rudder.
    b.style(kMapTeam, kMatWhite);
    for (int side = -1; side <= 1; side += 2) {
        std::vector<std::array<float, 2>> o = {{0.0f, 0.0f}, {1.5f, 0.0f}, {4.4f, -1.2f}, {4.6f, -2.5f}, {0.0f, -2.5f}};
        for (auto& p : o) p[0] *= float(side);
        if (side < 0) std::vector<std::array<float, 2>>(o.rbegin(), o.rend()).swap(o);
        b.slab(o, {0, 1.0f, -12.8f}, {1, 0, 0}, {0, 0, 1}, 0.12f);
    }
    b.slab({{0.0f, 0.85f}, {-2.6f, 2.4f}, {-2.6f, 0.85f}}, {0, 0, -13.2f}, {0, 0, 1}, {0, 1, 0}, 0.1f);
    b.beginGroup();
    for (int side = -1; side <= 1; side += 2) {
        std::vector<std::array<float, 2>> o = {{0.12f, 0.0f}, {4.6f, 0.0f}, {5.0f, 0.3f}, {5.2f, -0.6f},
                                               {4.4f, -1.4f}, {0.12f, -1.4f}};
        for (auto& p : o) p[0] *= float(side);
        if (side < 0) std::vector<std::array<float, 2>>(o.rbegin(), o.rend()).swap(o);
        b.slab(o, {0, 1.0f, -15.3f}, {1, 0, 0}, {0, 0, 1}, 0.08f);
    }
    b.endGroup(Mover::Elevator, {0, 1.0f, -15.3f}, 0, 1.0);
    b.beginGroup();
    b.slab({{0.0f, -0.1f}, {-1.0f, -0.05f}, {-1.6f, 0.5f}, {-1.75f, 1.8f}, {-1.5f, 3.0f}, {-0.6f, 3.5f},
            {0.3f, 3.45f}, {0.35f, 2.6f}, {0.0f, 2.45f}},
           {0, 0, -15.8f}, {0, 0, 1}, {0, 1, 0}, 0.1f);
    b.style(kMapPlain, kMatWhite, kOffset);
    b.rect({0.07f, 1.55f, -16.6f}, {0, 0, -1}, {0, 1, 0}, 0.65f, 0.85f);
    b.rect({-0.07f, 1.55f, -16.6f}, {0, 0, 1}, {0, 1, 0}, 0.65f, 0.85f);
    balkenkreuz(b, {0.08f, 1.55f, -16.6f}, {0, 0, -1}, {0, 1, 0}, 0.55f);
    balkenkreuz(b, {-0.08f, 1.55f, -16.6f}, {0, 0, 1}, {0, 1, 0}, 0.55f);
    b.endGroup(Mover::Rudder, {0, 0, -15.8f}, 1, 1.0);
    b.style(kMapWood, kMatWhite);
    parts::strut(b, {0, -0.5f, -13.6f}, {0, -1.6f, -14.4f}, 0.07f);

    gearAndAxleWing(b, {0, -3.95f, 1.94f}, 2.98f, 1.1f, 0.45f, -1.5f, 2.6f, 1.0f);
    b.style(kMapMetal, kMatSteel);
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        parts::strut(b, {s * 0.9f, 1.6f, 2.2f}, {s * 1.3f, 3.0f, 2.3f}, 0.07f);
        parts::strut(b, {s * 0.9f, 1.6f, 0.4f}, {s * 1.3f, 3.0f, -0.4f}, 0.07f);
    }

    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        b.marker(side < 0 ? 1 : 3);
        b.style(kMapWingTop, kMatWhite);
        W top = panel(0.0f, s * 14.6f, 3.0f, 2.6f, 5.25f, 0.11f);
        top.capRoot = true;
        wingHalf(b, top, 10.6f, 0.76f, side < 0 ? Mover::AileronLeft : Mover::AileronRight);
        W bottom = panel(s * 1.15f, s * 11.7f, -1.0f, 1.8f, 4.6f, 0.11f);
        bottom.capRoot = true;
        b.wing(bottom);
        wingCross(b, top, s * 11.6f, true, 1.9f);
        wingCross(b, bottom, s * 8.6f, false, 1.5f);
        // N-strut: front and rear legs and the diagonal.
        b.style(kMapMetal, kMatSteel);
        const V3 tf = Modeller::wingPoint(top, s * 8.8f, 0.12f, false), tr = Modeller::wingPoint(top, s * 8.8f, 0.7f, false);
        const V3 bf = Modeller::wingPoint(bottom, s * 8.4f, 0.12f, true), br = Modeller::wingPoint(bottom, s * 8.4f, 0.7f, true);
        parts::strut(b, bf, tf, 0.08f);
        parts::strut(b, br, tr, 0.08f);
        parts::strut(b, bf, tr, 0.07f);
    }
    // Moving part 5: nothing of its own on the biplane; the marker keeps the numbering common.
    b.marker(5);
    return b;
}

AircraftModel finishFokker(const char* name, Modeller b, const char* fuselage, const char* fuselageB) {
    AircraftModel m = finishModel(name, b,
                                  {fuselage, "FokkerLozengeLower.png", "AircraftWood.png", "AircraftMetal.png",
                                   "AircraftDial.png", "AircraftPlain.png", "FokkerLozengeUpper.png", ""},
                                  {fuselage, fuselageB});
    m.engineInside = 38;
    m.engineIdle = 37;
    m.engineOutside = 39;
    return m;
}

}  // namespace

const AircraftModel& fokkerDr1Model() {
    static const AircraftModel model = [] {
        AircraftModel m = finishFokker("FokkerDr1FilePP", buildDr1(), "FokkerStreaked.png", "FokkerJastaRed.png");
        // Rotary: the Camel's sounds.
        m.engineInside = 17;
        m.engineIdle = 22;
        m.engineOutside = 25;
        return m;
    }();
    return model;
}

const AircraftModel& fokkerDVIIModel() {
    static const AircraftModel model =
        finishFokker("FokkerDVIIFilePP", buildDVII(), "FokkerDVIIFuselage.png", "FokkerJastaRed.png");
    return model;
}

}  // namespace pellam::looks
