#pragma once
// Observation balloons: a kite balloon tethered where the mission put it, turning its nose into
// the wind, with a gunner in the basket when armed. Shot down it sinks at 0.5 ft/tick trailing
// fire, and lies burnt on a scorched patch, burning and smoking for nine minutes. BalloonAWWI is
// the same balloon in the other side's colours.
#include "objects/ArmedUnit.h"
#include "objects/GroundGunner.h"
#include "objects/ReplayRing.h"

namespace pellam {

class BalloonWWI : public ArmedUnit {
public:
    static constexpr double kSink = 0.5;     // ft/tick
    static constexpr double kRest = 2.0;     // ft above the ground where a falling wreck stops
    static constexpr double kTurn = 0.005;   // of the heading error closed per tick
    static constexpr int32_t kRecordWords = 17;
    static constexpr int kRecordPlaces = 179;

    BalloonWWI();

    void resetModel() override;
    void doInitialization() override { resetModel(); }
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    void drawMySmokeItems() override;
    void aircraftSmoke() override;

    void setOPPHeading(double degrees) override;
    const TableName* getUsedTextureNames() override;
    void setCanShoot(bool canShoot) { CanShoot = canShoot; }

    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;

    // Heading (deg) the balloon turns toward for a wind from `windDirection` deg, in -180..180.
    static double windHeading(double windDirection);

    GroundGunner Gunner;
    bool CanShoot = false;
    ReplayRing Replay{kRecordWords * 4, kRecordPlaces};

    GroundGunner::Live ReplayState;  // the gunner's, while a replay plays

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    // The envelope's maps: intact and burnt.
    virtual const TableName* maps() const;
};

class BalloonAWWI : public BalloonWWI {
protected:
    const ModelTables& tables() const override;
    const TableName* maps() const override;
};

}  // namespace pellam
