// The aircraft's smoke ring: tracers and ground strikes from its bullets, smoke from hits, a
// damaged engine and fire, and their drawing through the view.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "render/ObjectDrawing.h"

namespace pellam {
namespace {

constexpr int kPieces = looks::AircraftDrawState::kSmokePieces;
constexpr int kLastLiveTick = 70;

struct Look {
    float r, g, b, a;
};
Look lookOf(int16_t kind) {
    switch (kind) {
    case OneSmokePiece::kGroundStrike: return {0.55f, 0.47f, 0.36f, 0.7f};  // chalky Flanders dust
    case OneSmokePiece::kDamageSmoke: return {0.75f, 0.75f, 0.75f, 0.55f};
    case OneSmokePiece::kEngineSmoke: return {0.18f, 0.17f, 0.16f, 0.7f};   // burnt castor oil
    case OneSmokePiece::kFire: return {0.1f, 0.08f, 0.07f, 0.85f};
    default: return {1.0f, 0.92f, 0.55f, 0.95f};                           // tracer
    }
}

}  // namespace

void FlyableAircraft::freeAllSmoke() {
    for (OneSmokePiece& p : OurSmokes) p.TimeStarted = -1000;
    NextSmokeSpot = 0;
}

namespace {
OneSmokePiece& takeSlot(std::array<OneSmokePiece, kPieces>& ring, int32_t& next) {
    // The slot index may come back from a replay record: keep it in the ring.
    if (next < 0 || next >= kPieces) next = 0;
    OneSmokePiece& p = ring[next];
    next = (next + 1) % kPieces;
    return p;
}
}  // namespace

void FlyableAircraft::tracersToSmoke(bool last) {
    for (const ProjectileType& b : ThisAircraft.GunBullets.TheBullets) {
        if (b.GraphicsType == 2 && b.TimeAlive > 0 && b.TimeHitGround == b.TimeAlive) {
            // The tick it struck: a puff of earth where it went in.
            OneSmokePiece& p = takeSlot(OurSmokes, NextSmokeSpot);
            p = OneSmokePiece{GlobalTime, OneSmokePiece::kGroundStrike, 75, {b.P2X, b.P2Y + 1.0, b.P2Z},
                              {WindVector[0] * 0.5, 0.03, WindVector[2] * 0.5}, 2.5f, 0.06f};
        } else if (last && b.GraphicsType == 1 && b.TimeAlive >= 1 && b.TimeAlive <= kLastLiveTick) {
            // One frame of a tracer's streak along this tick's path.
            OneSmokePiece& p = takeSlot(OurSmokes, NextSmokeSpot);
            p = OneSmokePiece{GlobalTime, OneSmokePiece::kTracer, 1, {b.PX, b.PY, b.PZ}, {b.P2X, b.P2Y, b.P2Z}, 0.3f, 0.0f};
        }
    }
}

void FlyableAircraft::aircraftSmoke() {
    const Aircraft& a = ThisAircraft;
    if (ModelAttitude.Position[1] < -9000.0) return;
    const int32_t t = GlobalTime;
    if (t == Drawing.lastSmokeTick) return;  // catch-up steps do not thicken the trail
    Drawing.lastSmokeTick = t;

    int16_t kind = 0;
    int every = 0;
    float size = 2.0f;
    if (a.Damage1 & dmg::BlownUp) {
        kind = OneSmokePiece::kFire;
        every = 2;
        size = 4.0f;
    } else if (a.Damage1 & dmg::EngineDamaged) {
        kind = OneSmokePiece::kEngineSmoke;
        every = a.EngineSmokingTime > 3600 ? 2 : 4;  // worse the longer it has been smoking
    } else if (a.TotalHitsBeforeDead > 0 && a.TotalHits > 0.5 * a.TotalHitsBeforeDead) {
        kind = OneSmokePiece::kDamageSmoke;
        every = 8;
    }
    if (!kind || t % every != 0) return;
    // A wreck on the ground smokes for a minute, then only smoulders now and then.
    if ((a.Damage1 & dmg::Down) && a.DeadOnGroundTime > 0 && t - a.DeadOnGroundTime > 3600 && t % 30 != 0) return;

    std::array<double, 16> m{};
    quaternionToMatrix(ModelAttitude.QAttitude.data(), m.data());
    const double nose[3] = {0.0, 0.0, kind == OneSmokePiece::kDamageSmoke ? -2.0 : 2.5};
    double at[3];
    RotateVector(nose, at, m.data());
    OneSmokePiece& p = takeSlot(OurSmokes, NextSmokeSpot);
    p = OneSmokePiece{t,
                      kind,
                      int16_t(kind == OneSmokePiece::kFire ? 300 : 240),
                      {ModelAttitude.Position[0] + at[0], ModelAttitude.Position[1] + at[1], ModelAttitude.Position[2] + at[2]},
                      {WindVector[0], 0.03, WindVector[2]},
                      size,
                      0.05f};
}

void FlyableAircraft::drawMySmokeItems() {
    // The view that runs also draws objects' own quads; any other view draws no smoke.
    auto* view = dynamic_cast<render::ObjectDrawingView*>(Drawing.view);
    if (!view) return;
    const int32_t now = aController ? aController->getGlobalMissionTime() : GlobalTime;
    static const PointUV kCorners[5] = {{0, 0.0f, 0.0f}, {1, 1.0f, 0.0f}, {2, 1.0f, 1.0f}, {3, 0.0f, 1.0f}, {-1, 0, 0}};
    OnePolygon quad;
    quad.MapNumber = 0;
    quad.DefaultDrawType = 9;
    quad.DrawHints = 0x10 | 0x4;  // coloured per point, seen from both sides
    quad.PointListStart = 0;
    const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1};
    bool textured = false;
    for (OneSmokePiece& p : OurSmokes) {
        if (p.TimeStarted <= -1000) continue;
        const int32_t age = now - p.TimeStarted;
        if (age < 0) continue;  // a replay has gone back before it
        if (age > p.Life) {
            p.TimeStarted = -1000;
            continue;
        }
        if (!textured) {
            view->glSetCurrentTexture(Drawing.smokeSlot, 12);
            textured = true;
        }
        const Look look = lookOf(p.Kind);
        const bool tracer = p.Kind == OneSmokePiece::kTracer;
        // A tracer is drawn from its head; a puff drifts from where it was left.
        std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (int i = 0; i < 3; ++i) m[12 + i] = tracer ? p.Movement[i] : p.Position[i] + p.Movement[i] * age;
        view->setupDrawingMatrixForModel(m.data());
        XYZInput four[4];
        view->glMakeFacingSquare(&m[12], four);
        const double f = tracer ? 0.0 : double(age) / std::max<int16_t>(p.Life, 1);
        const double half = 0.5 * (p.Size + p.Grow * age);
        float colour[4] = {look.r, look.g, look.b, float(look.a * (1.0 - f))};
        if (p.Kind == OneSmokePiece::kFire && age < 20) {
            // Fresh fire glows before it turns to smoke.
            colour[0] = 1.0f;
            colour[1] = 0.55f;
            colour[2] = 0.15f;
        }
        for (int k = 0; k < 4; ++k) {
            XYZInput& q = four[k];
            q.MyX *= half;
            q.MyY *= half;
            q.MyZ *= half;
            if (tracer && k >= 2) {
                // The lower corners trail back to the tail: a streak along this tick's path.
                q.MyX += p.Position[0] - p.Movement[0];
                q.MyY += p.Position[1] - p.Movement[1];
                q.MyZ += p.Position[2] - p.Movement[2];
            }
            q.Myr = colour[0];
            q.Myg = colour[1];
            q.Myb = colour[2];
            q.Mya = colour[3];
        }
        view->glDrawTransparentTexture(&quad, four, kCorners, &light);
    }
}

}  // namespace pellam
