#pragma once
// The stone village houses (mission object codes 71 and 72): members of the static family whose
// chimney may smoke. About three houses in eight do: sixteen puffs wait in the chimney, leave it
// one every 100 ticks, rise ever more slowly, grow, drift with the wind and fade, and start again
// at the chimney's foot 1,200 ticks after leaving. The puffs move by the tick (not while paused)
// and are kept aside during a replay.
#include <array>

#include "objects/BaseObject.h"
#include "objects/GroundGunner.h"

namespace pellam {

class FrenchHouseWWI : public BaseObject {
public:
    static constexpr int kPuffs = 16;
    static constexpr int32_t kSmokeChance = 8000;    // a draw of -32768..32767 above this smokes
    static constexpr double kChimneyFoot = 20.0;     // ft: where a puff starts again
    static constexpr double kChimneyTop = 22.0;      // ft
    static constexpr double kRiseInside = 0.02;      // ft/tick
    static constexpr double kRiseFloor = 0.0003;     // ft/tick
    static constexpr double kGrowth = 0.005;         // ft/tick
    static constexpr double kDrift = 0.25;           // of the wind, per tick
    static constexpr int32_t kLife = 1200;           // ticks after leaving the chimney

    // Whether a house smokes, from its draw of -32768..32767 at the reset.
    static bool smokesFor(int32_t draw) { return draw > kSmokeChance; }

    void resetModel() override;  // the family's, then the smoke decided and sent down the chimney
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    void doShadow(int32_t) override;
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    // Writes this frame's puff quads (facing the eye, in the house's frame) and their alphas.
    void drawChimmneySmoke(int32_t gameTime);

    bool DrawSmoke = false;
    // The puffs, in the house's own frame (ft).
    std::array<GunnerSmoke, kPuffs> TheBlueSmoke{};
    std::array<GunnerSmoke, kPuffs> ReplayTheBlueSmoke{};

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::house::kDeadPolygon, 2}; }
    void poseParts(int32_t gameTime) override { drawChimmneySmoke(gameTime); }
    virtual bool longer() const { return false; }
    double chimneyZ() const { return longer() ? -19.5 : -12.5; }
};

// The longer house: its own façade picture, a larger box and shadow, the chimney further back.
class FrenchHouse2WWI : public FrenchHouseWWI {
protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    bool longer() const override { return true; }
};

}  // namespace pellam
