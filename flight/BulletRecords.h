#pragma once
// The bullets of one gun or gun pair: a fixed pool of 72 slots reused in turn.
#include <array>
#include <cstdint>

namespace pellam {

// One bullet in flight.
struct ProjectileType {
    int32_t TimeAlive = 0;      // ticks since firing: 0..70 flying, 71 spent, 75 stopped by an object,
                                // 5000 stopped by an aircraft
    int32_t TimeHitGround = 0;  // TimeAlive at the terrain strike
    double Velocity = 0;        // muzzle speed, ft/tick
    double PX = 0, PY = 0, PZ = 0;     // trailing end of the segment, world ft
    double P2X = 0, P2Y = 0, P2Z = 0;  // leading end, world ft
    double PPitch = 0, PHeading = 0;   // direction at firing, rad
    double XMove = 0, YMove = 0, ZMove = 0;  // ft/tick, world
    int32_t GraphicsType = 0;   // -1 plain, 1 tracer, 2 ground strike
    double Punch = 0;           // damage weight
};

struct BulletsList {
    static constexpr int kSlots = 72;

    int32_t WhoFrom = 0;
    int32_t TracersAlternate = 0;              // 1 = two guns, side offsets alternate
    std::array<double, 3> BulletStartLocation{};  // muzzle, body ft
    double TracerStartLocation = 0;            // tracer side offset, ft
    int32_t TimeOfLastVisibleTracer = 0;       // owner's tick
    int32_t TimeBetweenVisibleTracer = 0;      // ticks
    int8_t ActiveBullets = 0;                  // 1 flying, 0 none, -1 skip the aircraft hit test
    int32_t NextTheBullets = 0;                // 0..71, wrapping
    std::array<ProjectileType, kSlots> TheBullets{};
};

}  // namespace pellam
