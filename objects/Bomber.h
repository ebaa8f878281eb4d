#pragma once
// The AI-flown two-seat day bomber. Missions place it like a ground object; each tick it steers
// its own heading, pitch, bank, speed and climb toward the current point of its way-point chain,
// waits where a point says to, turns its bombing run on a living target a point names, and
// defends itself with a rear gunner. Shot down (12 hits) it falls smoking, keeps flying forward,
// explodes once on the ground and stays there nose-down over a scar of earth. It records its
// state for replays every 20th tick.
//
// Sections of Bomber.cpp: set-up; the tick (parked, holding, way points, falling and crash);
// drawing; replay. BomberRun.cpp holds the bombing run.
#include "core/Constants.h"
#include "objects/ArmedUnit.h"
#include "objects/GroundGunner.h"
#include "objects/ReplayRing.h"

namespace pellam {

struct aiFlyToPoint;

class AircoDH4 : public ArmedUnit {
public:
    static constexpr double kCruise = 1.8;          // ft/tick
    static constexpr double kSpeedStep = 0.01;      // ft/tick per tick
    static constexpr double kBankLimit = 0.6981317;  // rad: 40 degrees
    static constexpr double kSitPitch = 0.19198621772970445;  // rad: 11 degrees, tail down
    static constexpr double kMaxFall = 2.0;         // ft/tick
    static constexpr double kWheelHeight = 2.1;     // ft from the wheels' feet to the reference point
    static constexpr int32_t kSmokeFor = 3600;      // ticks of smoke after the kill
    static constexpr int32_t kPathPoints = 200;
    static constexpr int32_t kRecordWords = 17;
    static constexpr int kRecordPlaces = 179;
    // The bombing run.
    static constexpr int16_t kBombLoad = 4;
    static constexpr int32_t kReleaseSpacing = 40;  // ticks: a release needs more than this since the last
    static constexpr int32_t kDropper = 25;         // the number the bombs carry: no aircraft of the eight
    static constexpr long kFirstTarget = 21;        // the fixed head of the model array ends at 20

    AircoDH4();

    // An angle difference brought once into -3.14..3.14 (rad).
    static double wrap(double a);
    // The two 16-bit words of a way point's PSTargets: {high, low}; both 0 for a value that is no
    // whole 32-bit count.
    static std::array<int32_t, 2> targetWords(double v);

    void resetModel() override;
    void doInitialization() override { resetModel(); }
    void setAmerOrBrit(int32_t livery);
    void setPathStart(int32_t firstPoint, const aiFlyToPoint* paths) override;
    void setOPPHeading(double degrees) override;
    const TableName* getUsedTextureNames() override;

    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    // The way-point flight of one tick (holds, the bombing run, steering); never the gunner.
    void MoveThisAircraftinReplay(bool inReplay);
    // Attitude from heading, pitch and bank; own.speed ft along the heading and `climb` ft up.
    void moveThisGuyWithClimbDive(double climb);
    // The bombing run of one tick: 1 when it steered and moved the bomber, else 0.
    long doBombing();
    void aircraftSmoke() override;

    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    void drawMySmokeItems() override;

    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;

    GroundGunner Gunner;
    double PropRotation = 0;            // rad
    int32_t DrivePathStart = 0;
    const aiFlyToPoint* DrivePathsPtr = nullptr;
    int32_t gtime = 0;                  // mission tick of the last step
    std::array<double, 3> BombVelocity{};  // ft/tick given to the last bomb (XV, YV, ZV)
    int16_t Livery = kAmericanLivery;
    ReplayRing Replay{kRecordWords * 4, kRecordPlaces};

    // The live flight: the tick changes it, and a replay puts it aside whole (with the gunner's)
    // and gives it back after it.
    struct Live {
        int32_t drivePath = 0;          // way point counted from 1; 0 no path (parked)
        double speed = 0;               // ft/tick along the heading
        double pitch = 0;               // rad, nose up
        double bank = 0;                // rad
        double heading = 0;             // rad; 0 toward +z
        double fall = 0;                // ft/tick while falling
        double closest = 0;             // ft to the current point; 0 none yet
        bool closer = false;            // was getting closer to the point
        int32_t arrived = 0;            // ticks; holds count from it
        double delay = 0;               // s: this hold's random part; 0 not drawn yet
        bool knowDead = false;          // the crash explosion has been started
        int32_t bombDrop = 0;           // live.globalTime of the last release
    };
    Live own;

    struct PutAside {
        GroundGunner::Live gunner;
        Live live;
    };
    PutAside ReplayState;

    static constexpr int16_t kAmericanLivery = 1, kBritishLivery = 2;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;

private:
    double onWheels(ZephModel* ground) const;  // ft: the reference point's height with the wheels on the ground
    void standOnWheels(ZephModel* ground);
    void parked(ZephModel* ground);
    void hold(ZephModel* ground);
    void flyToward(const aiFlyToPoint& p);
    void falling(ZephModel* ground);
    // The ground under the bomber and the ground-flat attitude; true when it is on the ground.
    bool settle(ZephModel* ground);
    // Way point `number` (counted from 1), null outside the table.
    const aiFlyToPoint* wayPoint(int32_t number) const;
    // Holds while the current point's hold time is not yet over.
    bool holding(const aiFlyToPoint& p);
    void replayStep(bool inReplay);
    void layScar();
};

}  // namespace pellam
