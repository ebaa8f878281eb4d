// The aircraft's smoke ring, filled by the flight step: tracers and ground strikes from its
// bullets, smoke from hits, a damaged engine and fire. The drawing library draws it.
#include <algorithm>
#include <array>

#include "aircraft/FlyableAircraft.h"

namespace pellam {
namespace {

constexpr int kPieces = looks::AircraftDrawState::kSmokePieces;
constexpr int kLastLiveTick = 70;

OneSmokePiece& takeSlot(std::array<OneSmokePiece, kPieces>& ring, int32_t& next) {
    // The slot index may come back from a replay record: keep it in the ring.
    if (next < 0 || next >= kPieces) next = 0;
    OneSmokePiece& p = ring[next];
    next = (next + 1) % kPieces;
    return p;
}
}  // namespace

void FlyableAircraft::freeAllSmoke() {
    for (OneSmokePiece& p : own.smokes) p.TimeStarted = -1000;
    own.nextSmokeSpot = 0;
}

void FlyableAircraft::tracersToSmoke(bool last) {
    for (const ProjectileType& b : ThisAircraft.GunBullets.TheBullets) {
        if (b.GraphicsType == 2 && b.TimeAlive > 0 && b.TimeHitGround == b.TimeAlive) {
            // The tick it struck: a puff of earth where it went in.
            OneSmokePiece& p = takeSlot(own.smokes, own.nextSmokeSpot);
            p = OneSmokePiece{live.globalTime, OneSmokePiece::kGroundStrike, 75, {b.P2X, b.P2Y + 1.0, b.P2Z},
                              {WindVector[0] * 0.5, 0.03, WindVector[2] * 0.5}, 2.5f, 0.06f};
        } else if (last && b.GraphicsType == 1 && b.TimeAlive >= 1 && b.TimeAlive <= kLastLiveTick) {
            // One frame of a tracer's streak along this tick's path.
            OneSmokePiece& p = takeSlot(own.smokes, own.nextSmokeSpot);
            p = OneSmokePiece{live.globalTime, OneSmokePiece::kTracer, 1, {b.PX, b.PY, b.PZ}, {b.P2X, b.P2Y, b.P2Z}, 0.6f, 0.0f};
        }
    }
}

void FlyableAircraft::aircraftSmoke() {
    const Aircraft& a = ThisAircraft;
    if (live.attitude.Position[1] < -9000.0) return;
    const int32_t t = live.globalTime;
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
    quaternionToMatrix(live.attitude.QAttitude.data(), m.data());
    const double nose[3] = {0.0, 0.0, kind == OneSmokePiece::kDamageSmoke ? -2.0 : 2.5};
    double at[3];
    RotateVector(nose, at, m.data());
    const auto& pos = live.attitude.Position;
    const double from[3] = {pos[0] + at[0], pos[1] + at[1], pos[2] + at[2]};
    // A wreck's nose buried in the ground smokes from the surface: a puff started under it rises
    // too slowly to clear it, and the ground shows only a flat slab of its top.
    const double y = Terrain ? std::max(from[1], groundAt(from[0], from[2])) : from[1];
    OneSmokePiece& p = takeSlot(own.smokes, own.nextSmokeSpot);
    p = OneSmokePiece{t,
                      kind,
                      int16_t(kind == OneSmokePiece::kFire ? 300 : 240),
                      {from[0], y, from[2]},
                      {WindVector[0], 0.03, WindVector[2]},
                      size,
                      0.05f};
}

}  // namespace pellam
