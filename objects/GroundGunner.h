#pragma once
// The gunner carried by the observation balloons and the machine-gun post: one machine gun that
// keeps an enemy in a square of sky, fires a 30 ft/tick bullet every FireDelayTime + 1 ticks at
// where the target will be, tests its bullets against that target alone, and leaves tracer
// puffs; once its owner is down, the wreck's fire and smoke. Everything lives in fixed rings.
#include <array>
#include <cstdint>

#include "core/TableModel.h"
#include "flight/BulletRecords.h"
#include "flight/ObjectFireData.h"

namespace pellam {

// One sprite of a gunner's rings: tracer puff or wreck fire.
struct GunnerSmoke {
    std::array<double, 3> XYZPosition{};  // world ft
    int32_t TimeStarted = 0;              // mission tick; 0 never used, kRetired once expired
    int32_t StaysAlive = 0;               // ticks
    int16_t SmokeColor = 0;               // map index of the owner's texture list
    double SmokeSize = 0;                 // ft
    static constexpr int32_t kRetired = -1000;
    bool operator==(const GunnerSmoke&) const = default;
};

// What differs from one carrier to the next.
struct GunnerStyle {
    int16_t blueMap, tracerMap, blackMap, fireMap;  // map indexes of the owner's textures
    int16_t fireDelay;                              // ticks added to the fire gate per shot
    std::array<float, 3> gun, spareGun;             // body ft; only the first fires
    bool wreckBurns;                                // the owner sends aircraftSmoke once down
};

// How a sprite looks at tick t: nothing (expired or unused), else its half-width, alpha and map.
struct SpriteLook {
    bool shown = false;
    double halfWidth = 0;
    float alpha = 0;
    int16_t map = 0;
};

class GroundGunner {
public:
    static constexpr int kRing = 700;
    static constexpr double kBulletSpeed = 30.0;     // ft/tick
    static constexpr double kHitModifier = 0.3;
    static constexpr int32_t kWreckFireFor = 32400;  // ticks of fire after death: nine minutes
    static constexpr int32_t kBlueSmokeAfter = 21600;
    static constexpr double kWreckRise = 0.5;        // ft/tick a settled wreck's smoke climbs

    explicit GroundGunner(const GunnerStyle& style) : style_(style) {}

    // Settings and fire gates back to the start; bullets and sprites run out by their own rules.
    void resetGunItems();
    // One tick of the gun for `owner` (alive, at tick t): aim and perhaps fire, move the bullets,
    // tracer puffs, hits on the current target. In a replay the target is aimed at and shot at
    // but takes no damage.
    void handleFiringGuns(ZephModel& owner, const Object3DData& header, int32_t t, bool inReplay);
    // One wreck sprite, while the fire lasts after `deadTime`.
    void aircraftSmoke(const ZephModel& owner, int32_t deadTime, int32_t t);
    // One wreck puff of `colour` at `offset` (body ft) from the owner, 600 ticks, 15 to 25 ft.
    void addWreckPuff(const ZephModel& owner, const double* offset, int32_t t, int16_t colour);
    // Once per running tick of a settled wreck: its smoke drifts with the wind and climbs.
    void driftWreckSmoke(const double* wind);

    // The look of a sprite at tick t; retires an expired one. In the wreck ring (`wreck`) a flame
    // goes black at 60 to 80 ticks of age (a new draw each call).
    SpriteLook look(GunnerSmoke& s, int32_t t, bool wreck) const;
    const GunnerStyle& style() const { return style_; }

    // The gunner's live state: the tick changes it, and a replay puts it aside whole and gives it
    // back, so a replay's shots and smoke never outlive it.
    struct Live {
        ObjectFireData fire;
        BulletsList bullets;
        int32_t lastFire = 0;       // no shot until after this tick
        int32_t bulletStart = 0;
        int32_t lastVisible = 0;
        std::array<GunnerSmoke, kRing> gunSmokes{};
        int32_t nextGunSmoke = 0;
        std::array<GunnerSmoke, kRing> smokes{};
        int32_t nextSmoke = 0;
    };
    Live own;
    bool Falling = false;           // a falling wreck's smoke does not drift

private:
    bool startAnObjectBullet(ZephModel& owner, const Object3DData& header, int32_t t, bool inReplay);
    void objectTracersToSmoke(int32_t t);

    GunnerStyle style_;
};

}  // namespace pellam
