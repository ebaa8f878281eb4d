#pragma once
// Guns in a sandbagged pit: the flak gun, whose shells burst near enemy aircraft, and the
// machine-gun post, the same pit at 0.65 of its size with a machine gunner. Both turn their
// pedestal and raise their barrel straight at the target, vanish when destroyed leaving a
// scorched patch, and record their fire gate for replays.
#include <utility>

#include "objects/ArmedUnit.h"
#include "objects/GroundGunner.h"
#include "objects/ReplayRing.h"

namespace pellam {

class GunPit : public ArmedUnit {
public:
    static constexpr int kRecordPlaces = 179;

    void resetModel() override;
    void doInitialization() override { resetModel(); }
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;

    // The pit never turns: its heading stays 0 whatever the mission says.
    void setOPPHeading(double) override;
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;

    // Elevation of the barrel (rad) toward the current target; 0 before any.
    double barrelElevation() const;
    double turretHeading() const;

    std::array<QNion, 2> OptionalModelAttitude;  // [0] pedestal, [1] barrel
    QNion PitchModelAttitude;
    int32_t DeadTexture = 4;
    ReplayRing Replay{8, kRecordPlaces};

protected:
    void setClassValues() override;
    // One running tick of the gun itself while the pit stands.
    virtual void fire(int32_t t, bool inReplay) = 0;
    virtual int32_t& fireGate() = 0;
    virtual int16_t trackedSlot() const = 0;  // aircraft slot 0..7 aimed at, -1 none
    virtual double pivot() const = 0;
    // This frame's sprite edits before the record is drawn.
    virtual void prepareSmokeItems(int32_t t) {}
    void aim();
};

class AAAGunWWI : public GunPit {
public:
    static constexpr int32_t kBurstLife = 8000, kFlashLife = 240;

    struct Sprite {
        std::array<double, 3> XYZPosition{};
        int32_t TimeStarted = 0;  // 0 free
        int32_t StaysAlive = 0;
        int16_t SmokeColor = 0;
        double SmokeSize = 0;
        bool operator==(const Sprite&) const = default;
    };

    AAAGunWWI();
    void resetModel() override;
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    const TableName* getUsedTextureNames() override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;

    // Size (half-width, ft) and alpha of a burst or flash at age a (ticks).
    static std::pair<double, float> burstLook(const Sprite& s, int32_t t);
    static std::pair<double, float> flashLook(const Sprite& s, int32_t t);

    // The gun's live state: the tick changes it, and a replay puts it aside whole and gives it back.
    struct Live {
        ObjectFireData fire;
        std::array<Sprite, 16> bursts{};
        int32_t nextBurst = 0;
        std::array<Sprite, 3> flashes{};
        int32_t nextFlash = 0;
    };
    Live own;

    struct PutAside {
        Live live;
        double timeOfDay = 0;
    };
    PutAside ReplayState;

protected:
    void exchangeReplayState(bool toReplay);
    const ModelTables& tables() const override;
    void setClassValues() override;
    void fire(int32_t t, bool inReplay) override;
    int32_t& fireGate() override { return own.fire.LastFireTime; }
    int16_t trackedSlot() const override { return own.fire.TrackingAircraft; }
    double pivot() const override;
    void prepareSmokeItems(int32_t t) override;
};

class AAAMachineGunWWI : public GunPit {
public:
    static constexpr double kScale = 0.65;

    AAAMachineGunWWI();
    void resetModel() override;
    const TableName* getUsedTextureNames() override;
    void drawMySmokeItems() override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;

    GroundGunner Gunner;

    struct PutAside {
        GroundGunner::Live gunner;
        double timeOfDay = 0;
    };
    PutAside ReplayState;

protected:
    void exchangeReplayState(bool toReplay);
    const ModelTables& tables() const override;
    void beforeLightTexture3DPointChangesFor(ObjectPointsPolysVer2* pp) override;
    void fire(int32_t t, bool inReplay) override;
    int32_t& fireGate() override { return Gunner.own.lastFire; }
    int16_t trackedSlot() const override { return Gunner.own.fire.TrackingAircraft; }
    double pivot() const override;
    void prepareSmokeItems(int32_t t) override;
};

}  // namespace pellam
