#pragma once
// One ground explosion (model indexes 11..18, used in strict rotation): a burst of 40 fire and
// smoke sprites flying out from the centre, 20 more added one per tick, then a column that rises
// for minutes while its lower part rolls like a mushroom cloud, fading late in its life.
#include <array>

#include "objects/EffectModel.h"

namespace pellam {

class GroundExplosion : public TableModel {
public:
    static constexpr int kSprites = 60;
    // Quads after the sprites' own that the drawing may cut sprites near the eye into.
    static constexpr int kPieces = 400;
    static constexpr int kPictures = 3;  // smoke, fire, dust
    static constexpr int kBurst = 40;
    static constexpr int32_t kMoveUntil = 10001;  // age (ticks) from which nothing moves
    static constexpr int32_t kEndAge = 10060;     // age beyond which the explosion is over

    struct ExplosionType {
        int32_t TimeStarted = 0;
        std::array<double, 3> Pos{0, -9000.0, 0};  // ft from the centre; Y <= -5000 hidden
        std::array<double, 3> XYZSpeed{};          // ft/tick
        std::array<double, 3> XYZSpeedChange{};    // the starting velocity
        double SpriteSize = 0;                     // half-width, ft
        int32_t Map = 0;                           // 0 smoke, 1 fire
        int32_t Phase = 0;                         // 0 burst, 1 column
        bool operator==(const ExplosionType&) const = default;
    };

    void resetModel() override;
    void doInitialization() override { resetModel(); }
    void GroundExplosion1Start(int32_t missionTime) override;
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    void setTimeOfDay(double hours) override { own.timeOfDay = hours; }
    bool isTower() override { return ThisModel.TheObject.ObjectFlags & 0x800; }
    const double* getTowerPosition() override { return TowerPosition.data(); }
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;

    // The opacity of every sprite at age a (ticks).
    static double opacityAt(int32_t age);
    static double rangeRandom(double x);
    static double positiveRandom(double x);

    // Idle: no explosion to show. An explicit flag: a start at tick 0 is an explosion like any other.
    bool isBusy() const { return own.busy; }
    int32_t liveSprites() const;

    // The live explosion: the tick changes it, and a replay puts it aside whole and gives it back.
    struct Live {
        std::array<ExplosionType, kSprites> sprites{};
        int32_t startTime = 0;
        bool busy = false;
        int32_t stage = 1;       // 0 from the start until the first tick has set up the sprites
        int32_t moreStarts = 0;  // schedules the 20 late sprites
        int32_t lastGlobalTime = 0;
        bool seenTick = false;
        double timeOfDay = 0;
    };
    Live own;
    Live ReplayLive;  // own, while a replay plays
    std::array<double, 3> TowerPosition{0, 35, 0};

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

private:
    void setUpBurst();
    void stop();
    void startLateSprite(ExplosionType& s);
};

}  // namespace pellam
