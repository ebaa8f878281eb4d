#include "aircraft/draw/ModelParts.h"

#include <cmath>
#include <functional>

#include "core/DrawHints.h"
#include "core/ZephModel.h"

namespace pellam::looks {

std::vector<std::array<float, 2>> ellipseOutline(float cx, float cy, float rx, float ry, int segments, float from,
                                                 float to) {
    std::vector<std::array<float, 2>> o;
    for (int k = 0; k <= segments; ++k) {
        const float t = from + (to - from) * float(k) / float(segments);
        o.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
    }
    return o;
}

void roundel(Modeller& b, V3 centre, V3 normal, float radius) {
    const V3 n = unit(normal);
    // Raised a little off the fabric and drawn with polygon offset, so it never fights the skin.
    const V3 c = centre + n * 0.02f;
    b.style(kMapPlain, kMatBlue, kOffset);
    b.annulus(c, n, radius * 0.62f, radius, 20);
    b.style(kMapPlain, kMatWhite, kOffset);
    b.annulus(c, n, radius * 0.3f, radius * 0.62f, 20);
    b.style(kMapPlain, kMatRed, kOffset);
    b.disc(c, n, radius * 0.3f, 16);
}

void balkenkreuz(Modeller& b, V3 centre, V3 along, V3 across, float halfSpan) {
    const V3 n = unit(cross(along, across));
    const V3 c = centre + n * 0.02f;
    const V3 a = unit(along), d = unit(across);
    const float arm = halfSpan * 0.22f, border = halfSpan * 0.08f;
    b.style(kMapPlain, kMatWhite, kOffset);
    b.rect(c, a, d, halfSpan + border, arm + border);
    b.rect(c, a, d, arm + border, halfSpan + border);
    const V3 c2 = c + n * 0.01f;
    b.style(kMapPlain, kMatBlack, kOffset);
    b.rect(c2, a, d, halfSpan, arm);
    b.rect(c2, a, d, arm, halfSpan);
}

AircraftModel finishModel(const char* name, Modeller& b, const std::array<std::string, kMapCount>& maps,
                          const std::array<std::string, 2>& teamPaint) {
    b.finish();
    AircraftModel m;
    m.name = name;
    m.points = std::move(b.points());
    m.polygons = std::move(b.polygons());
    m.runs = std::move(b.runs());
    m.groups = std::move(b.groups());
    m.propDiscFirst = b.propDiscFirst;
    m.propDiscCount = b.propDiscCount;
    m.maps = maps;
    m.teamPaint = teamPaint;
    m.teamColour = {"TeamRed.png", "TeamBlue.png", "TeamYellow.png", "TeamBlack.png"};
    m.maps[kMapTeam] = m.teamColour[0];

    ObjectPointsPolysVer2 pp;
    pp.ThePoints = m.points.data();
    pp.ThePolygons = m.polygons.data();
    pp.RunItems = m.runs.data();
    ZephModel::FillInObjectPolyData2(&pp);
    m.extents = pp.ObjectExtends;
    m.overallSizeDistance = pp.OverallSizeDistance;

    // Ambient, diffuse, specular, shininess; texture colours are multiplied by the diffuse.
    auto mat = [](float r, float g, float bl, float spec, float shine) {
        return MaterialLightData{r * 0.6f, g * 0.6f, bl * 0.6f, 1, r, g, bl, 1, spec, spec, spec, 1, shine};
    };
    m.materials[kMatWhite] = mat(1.0f, 1.0f, 1.0f, 0.15f, 8);
    m.materials[kMatRed] = mat(0.72f, 0.1f, 0.08f, 0.1f, 8);
    m.materials[kMatBlue] = mat(0.12f, 0.16f, 0.42f, 0.1f, 8);
    m.materials[kMatBlack] = mat(0.07f, 0.07f, 0.07f, 0.2f, 10);
    m.materials[kMatLinen] = mat(0.86f, 0.8f, 0.64f, 0.1f, 6);
    m.materials[kMatSteel] = mat(0.55f, 0.56f, 0.58f, 0.6f, 30);
    m.materials[kMatBrass] = mat(0.74f, 0.6f, 0.3f, 0.6f, 30);
    m.materials[kMatLeather] = mat(0.36f, 0.22f, 0.12f, 0.15f, 10);
    m.materials[kMatSkin] = mat(0.85f, 0.64f, 0.52f, 0.05f, 5);
    m.materials[kMatDark] = mat(0.2f, 0.19f, 0.17f, 0.1f, 6);
    for (const MovingGroup& g : m.groups)
        if (g.mover == Mover::Gear) {
            m.gearFirst = g.first;
            m.gearCount = g.count;
            m.gearHinge = g.hinge;
        }
    return m;
}

namespace parts {

std::vector<V3> boxRing(float z, float w, float yb, float ys, float yt) {
    std::vector<V3> r = {{-w, yb, z}, {0, yb - 0.04f, z}, {w, yb, z}, {w, ys, z}};
    for (int i = 1; i <= 7; ++i) {
        const float t = 3.14159265f * float(i) / 8.0f;
        r.push_back({w * std::cos(t), ys + (yt - ys) * std::sin(t), z});
    }
    r.push_back({-w, ys, z});
    return r;
}

std::vector<V3> roundRing(float z, float yc, float radius, float squash) {
    std::vector<V3> r;
    // Same point order as boxRing: starting low on the left, round by the right.
    for (int k = 0; k < 12; ++k) {
        const float t = 3.14159265f * 1.25f + 6.2831853f * float(k) / 12.0f;
        r.push_back({radius * std::cos(t), yc + radius * squash * std::sin(t), z});
    }
    return r;
}

void propeller(Modeller& b, V3 hub, float diameter) {
    b.beginGroup();
    const float r = diameter * 0.5f;
    b.style(kMapWood, kMatWhite);
    for (int blade = 0; blade < 2; ++blade) {
        const float s = blade == 0 ? 1.0f : -1.0f;
        // Blade along Y, its chord pitched 22 degrees to the disc.
        const V3 along{0, s, 0};
        const V3 chord = unit(V3{s * std::cos(0.384f), 0, std::sin(0.384f)});
        std::vector<std::array<float, 2>> outline = {{0.25f, -0.2f}, {r * 0.45f, -0.33f}, {r * 0.9f, -0.27f},
                                                     {r, 0.0f},      {r * 0.9f, 0.25f},  {r * 0.45f, 0.3f},
                                                     {0.25f, 0.2f}};
        b.slab(outline, hub, along, chord, 0.14f);
    }
    b.style(kMapMetal, kMatSteel);
    b.tube(hub + V3{0, 0, -0.2f}, hub + V3{0, 0, 0.25f}, 0.3f, 8, true);
    b.endGroup(Mover::Propeller, hub, 2, 1.0);
    // The blur of the turning blades: a faint disc, seen from both sides, starting hidden.
    b.propDiscFirst = int(b.polygons().size());
    b.style(kMapWood, kMatWhite, kTransparent | kSkip | kNoCull);
    b.annulus(hub + V3{0, 0, 0.05f}, {0, 0, 1}, 0.35f, r, 24);
    b.propDiscCount = int(b.polygons().size()) - b.propDiscFirst;
    for (int i = b.propDiscFirst; i < b.propDiscFirst + b.propDiscCount; ++i)
        b.polygons()[i].PolyColor = {0.45f, 0.36f, 0.25f, 0.2f};
}

void wheels(Modeller& b, V3 axle, float track, float radius, float width) {
    b.beginGroup();
    for (int side = -1; side <= 1; side += 2) {
        const V3 c = axle + V3{track * float(side), 0, 0};
        const V3 in = c - V3{width * 0.5f, 0, 0}, out = c + V3{width * 0.5f, 0, 0};
        b.style(kMapPlain, kMatBlack);
        b.tube(in, out, radius, 14, false);
        // Fabric covers over the spokes in the team's colour, a hub cap and a spot so the
        // turning shows.
        b.style(kMapTeam, kMatWhite);
        b.disc(out, {1, 0, 0}, radius * 0.92f, 14);
        b.disc(in, {-1, 0, 0}, radius * 0.92f, 14);
        b.style(kMapMetal, kMatSteel);
        b.disc(out + V3{0.03f, 0, 0}, {1, 0, 0}, radius * 0.2f, 8);
        b.disc(in - V3{0.03f, 0, 0}, {-1, 0, 0}, radius * 0.2f, 8);
        b.style(kMapPlain, kMatDark);
        b.disc(out + V3{0.02f, radius * 0.6f, 0}, {1, 0, 0}, radius * 0.12f, 6);
        b.disc(in + V3{-0.02f, radius * 0.6f, 0}, {-1, 0, 0}, radius * 0.12f, 6);
    }
    b.style(kMapMetal, kMatSteel);
    b.tube(axle - V3{track, 0, 0}, axle + V3{track, 0, 0}, 0.07f, 6);
    b.endGroup(Mover::Wheels, axle, 0, 1.0);
}

void undercarriage(Modeller& b, const Undercarriage& u, const std::function<void()>& fairing) {
    const int first = int(b.points().size());
    wheels(b, u.axle, u.track, u.wheelRadius, u.wheelWidth);
    b.style(u.strutMap, u.strutMaterial);
    for (int side = -1; side <= 1; side += 2) {
        const float s = float(side);
        auto mirrored = [s](V3 v) { return V3{s * v.x, v.y, v.z}; };
        strut(b, mirrored(u.frontTop), mirrored(u.frontFoot), u.strutRadius);
        strut(b, mirrored(u.rearTop), mirrored(u.rearFoot), u.strutRadius);
    }
    if (fairing) fairing();
    MovingGroup gear;
    gear.mover = Mover::Gear;
    gear.first = first;
    gear.count = int(b.points().size()) - first;
    gear.hinge = u.hinge;
    b.addGroup(gear);
}

void rotaryCowling(Modeller& b, const RotaryCowling& c) {
    b.style(kMapTeam, kMatWhite);
    std::vector<std::vector<V3>> rings;
    for (size_t i = 0; i < c.ringZ.size(); ++i) rings.push_back(roundRing(c.ringZ[i], c.y, c.ringRadius[i]));
    b.loft(rings, true, false, false);
    b.style(kMapMetal, kMatDark);
    b.disc({0, c.y, c.crankcaseZ}, {0, 0, 1}, c.crankcaseRadius, c.crankcaseSides);
    b.style(kMapMetal, kMatSteel);
    for (int k = 0; k < 9; ++k) {
        const float t = 6.2831853f * float(k) / 9.0f;
        const V3 h{c.headCircle * std::cos(t), c.y + c.headCircle * std::sin(t), c.headZ};
        b.tube(h, h + V3{0, 0, c.headLength}, c.headRadius, 6, true);
    }
}

void strut(Modeller& b, V3 a, V3 c, float radius) { b.tube(a, c, radius, 5); }

void wire(Modeller& b, V3 a, V3 c) {
    const int16_t m = 1;  // lines
    b.style(kMapPlain, kMatSteel, kUnlit | kUntextured);
    const int i0 = b.point(a, 0, 0), i1 = b.point(c, 0, 0);
    b.poly(m, {i0, i1});
    b.polygons().back().PolyColor = {0.16f, 0.16f, 0.17f, 1.0f};
}

void pilot(Modeller& b, V3 eye) {
    // Shoulders in a leather coat, below and behind the eye.
    b.beginGroup();
    b.style(kMapPlain, kMatLeather);
    b.loft({parts::roundRing(eye.z - 0.95f, eye.y - 1.2f, 0.7f, 0.55f), parts::roundRing(eye.z - 0.1f, eye.y - 1.2f, 0.7f, 0.55f)},
           true, true, true);
    b.tube(eye + V3{0, -1.2f, -0.5f}, eye + V3{0, -0.45f, -0.35f}, 0.2f, 6);
    // Head: helmet, face and goggles; turns about the neck.
    const V3 neck = eye + V3{0, -0.4f, -0.25f};
    b.endGroup(Mover::Body, neck, 0, 0.0);
    b.beginGroup();
    const V3 hc = eye + V3{0, 0.02f, -0.15f};
    std::vector<std::vector<V3>> rings;
    for (int i = 0; i <= 6; ++i) {
        const float t = -1.5f + 3.0f * float(i) / 6.0f;
        const float rr = 0.36f * std::cos(t * 0.5f * 1.04f);
        rings.push_back(parts::roundRing(hc.z, 0, 0.01f));
        for (int k = 0; k < 12; ++k) {
            const float a = 6.2831853f * float(k) / 12.0f;
            rings.back()[k] = {hc.x + rr * std::cos(a), hc.y + 0.4f * std::sin(t * 0.5f), hc.z + rr * std::sin(a) * 1.1f};
        }
    }
    b.style(kMapPlain, kMatLeather);
    b.loft(rings, true, true, true);
    b.style(kMapPlain, kMatSkin);
    b.rect(hc + V3{0, -0.12f, 0.37f}, {1, 0, 0}, {0, 1, 0}, 0.2f, 0.12f);
    b.style(kMapMetal, kMatBrass);
    b.tube(hc + V3{-0.26f, 0.05f, 0.33f}, hc + V3{0.26f, 0.05f, 0.33f}, 0.07f, 6, true);
    b.endGroup(Mover::Head, neck, 0, 1.0);
    // The same points turn about the vertical after the nod.
    MovingGroup yaw = b.groups().back();
    yaw.axis = 1;
    b.addGroup(yaw);
    b.groups()[b.groups().size() - 2].mover = Mover::Head;
}

void gauge(Modeller& b, V3 centre, float radius, Mover needle, double degreesPerUnit) {
    b.style(kMapMetal, kMatBrass);
    b.annulus(centre, {0, 0, -1}, radius, radius * 1.15f, 14);
    b.style(kMapDial, kMatWhite);
    std::vector<V3> face;
    // Dial face textured across its whole picture.
    std::vector<int> idx;
    for (int k = 0; k < 14; ++k) {
        const float t = 6.2831853f * float(k) / 14.0f;
        // Clockwise seen from behind the dial, so it faces the pilot (-Z).
        const float x = std::cos(-t), y = std::sin(-t);
        idx.push_back(b.point(centre + V3{x * radius, y * radius, 0}, 0.5f - 0.5f * x, 0.5f + 0.5f * y));
    }
    b.poly(9, idx);
    b.beginGroup();
    b.style(kMapPlain, kMatLinen, kNoCull);
    const V3 c = centre + V3{0, 0, -0.015f};
    b.face({c + V3{-0.012f, -0.03f, 0}, c + V3{0.012f, -0.03f, 0}, c + V3{0.006f, radius * 0.85f, 0},
            c + V3{-0.006f, radius * 0.85f, 0}},
           {0, 0, -1});
    b.endGroup(needle, centre, 2, degreesPerUnit);
}

void controlColumn(Modeller& b, V3 pivot, float height) {
    b.beginGroup();
    b.style(kMapWood, kMatWhite);
    b.tube(pivot, pivot + V3{0, height, 0}, 0.05f, 6);
    b.style(kMapPlain, kMatLeather);
    b.tube(pivot + V3{-0.2f, height, 0}, pivot + V3{0.2f, height, 0}, 0.05f, 6, true);
    b.style(kMapMetal, kMatBrass);
    b.box(pivot + V3{-0.03f, height + 0.04f, -0.03f}, pivot + V3{0.03f, height + 0.1f, 0.03f});
    b.endGroup(Mover::StickPitch, pivot, 0, 1.0);
    MovingGroup roll = b.groups().back();
    roll.mover = Mover::StickRoll;
    roll.axis = 2;
    b.addGroup(roll);
}

void rudderBar(Modeller& b, V3 centre, float halfWidth) {
    b.beginGroup();
    b.style(kMapWood, kMatWhite);
    b.box(centre - V3{halfWidth, 0.05f, 0.08f}, centre + V3{halfWidth, 0.05f, 0.08f});
    b.endGroup(Mover::RudderBar, centre, 1, 1.0);
}

void machineGun(Modeller& b, V3 breech, V3 muzzle) {
    const V3 dir = unit(muzzle - breech);
    const float len = std::sqrt(dot(muzzle - breech, muzzle - breech));
    b.style(kMapMetal, kMatDark);
    b.box(breech + V3{-0.12f, -0.16f, 0}, breech + V3{0.12f, 0.14f, len * 0.3f});
    // Perforated cooling jacket shown as a stout barrel, with the muzzle cone.
    b.tube(breech + dir * (len * 0.3f), muzzle - dir * 0.15f, 0.1f, 8, true);
    b.style(kMapMetal, kMatSteel);
    b.tube(muzzle - dir * 0.15f, muzzle, 0.06f, 6, true);
}

void cockpitTub(Modeller& b, float z0, float z1, float w, float yFloor, float yRim) {
    b.style(kMapWood, kMatWhite);
    b.faceBothSides({{-w, yFloor, z0}, {w, yFloor, z0}, {w, yFloor, z1}, {-w, yFloor, z1}});
    // Wicker seat.
    b.style(kMapWood, kMatLeather);
    const float zs = z1 + 0.35f;
    b.box({-0.55f, yFloor, zs - 0.6f}, {0.55f, yFloor + 0.6f, zs + 0.3f});
    b.box({-0.55f, yFloor + 0.6f, zs - 0.65f}, {0.55f, yRim - 0.3f, zs - 0.5f});
    // Inside of the walls: bare wood and longerons.
    b.style(kMapWood, kMatLinen);
    b.face({{-w + 0.02f, yFloor, z0}, {-w + 0.02f, yFloor, z1}, {-w + 0.02f, yRim, z1}, {-w + 0.02f, yRim, z0}}, {1, 0, 0});
    b.face({{w - 0.02f, yFloor, z0}, {w - 0.02f, yFloor, z1}, {w - 0.02f, yRim, z1}, {w - 0.02f, yRim, z0}}, {-1, 0, 0});
}

}  // namespace parts
}  // namespace pellam::looks
