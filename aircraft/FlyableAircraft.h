#pragma once
// FlyableAircraft: what the three flyable aircraft share. Each class supplies its definition
// (record constants, surfaces, hit volumes, airfoils) and a few traits; the set-up, the per-tick
// flight step with its structural rules, and the controls and pilot view are common code.
//
// Index of this header:
//   traits and definition hooks   what each aircraft class supplies
//   set-up and mass               SetUpAircraft, FigureMass, the first set-up after lighting
//   flight step                   driveModel and the hooks it calls for AI, guns, smoke, replay
//   damage                        orDamage1, wingComesOff, wing drawing switches, blow-up,
//                                 re-arm and reset
//   guns and bombs                trigger, bullets, the bomb rack
//   replay                        the record ring and the live state kept aside
//   drawing                       model, moving parts, hit flash, smoke and sounds (draw/)
//   controls and pilot view       inputs, trims, throttle, brakes, look and head motion
//   accessors                     record, terrain, network, team, sliders
//   state                         the record, its tables and the parts beside it
#include <array>
#include <cstdint>
#include <vector>

#include "aircraft/AircraftDrawState.h"
#include "aircraft/NetworkLink.h"
#include "core/ZephModel.h"
#include "core/Constants.h"
#include "flight/AiPilot.h"
#include "flight/Aircraft.h"
#include "wire/AircraftStateBlock.h"

namespace pellam {

class FlyableAircraft : public ZephModel {
public:
    static constexpr double kGPerUnit = 111.9403027;     // g per ft/tick^2
    static constexpr double kMphPerFtTick = 40.9;
    static constexpr int kParts = 10;

    // ---- Traits: the few rules in which the flyable aircraft differ.
    struct Traits {
        double upperG;            // g limit before bombs; narrowed 0.2 g per bomb aboard
        double lowerG;
        bool fullOrIdleThrottle;  // rotary engine: runs only at full or idle
        int32_t engineStartSound;
        double headZ;             // head position behind the reference point, body Z ft
        bool engineGyroCoupling = true;  // inertia cross terms follow the rotary engine's speed
        bool lowerAileronsTurn = true;   // the controls tilt the lower wing's aileron faces too
        double restingRise = 0.0;        // ft a call a belly-landed wreck at rest on the sea rises
    };
    virtual const Traits& traits() const = 0;
    // Writes the type's constants, surfaces, control-surface numbers, hit volumes, gun, power
    // table, eye point and path pattern into the record and the tables beside it.
    virtual void writeDefinition() = 0;
    virtual void fillAirfoils() = 0;  // Airfoils 0..4

    // ---- Set-up and mass.
    // x, y, z ft; heading, pitch deg (pitch above 360 rests tail-down); mph, or a fraction of
    // top speed when 1.0 or less; throttle 0..1.
    virtual void SetUpAircraft(double x, double y, double z, double heading, double pitch, double mph,
                               double throttle);
    void FigureMass();
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

    // ---- Flight step.
    void driveModel(int32_t steps, int32_t tick, bool last, bool replayFlag) override;

    // ---- Damage.
    void orDamage1(uint32_t bits) override;
    void wingComesOff(int32_t side);  // 0 left, 1 right
    void loseWing(int32_t side, bool frameBreaks);  // the same; true from the over-g failure
    virtual void leftWingDrawingOnOff(bool on);
    virtual void rightWingDrawingOnOff(bool on);
    void doSplodes() override;             // blown up where it is; once
    void StopForwardProgress() override;   // stopped dead, in the air or not
    bool pilotDied() override;             // down, and the pilot did not get away
    // In place, repaired, refuelled and re-armed; a downed aircraft is left as it is.
    void refuelReArm() override;
    void resetModel() override;            // back to the start pose, re-armed, records emptied
    void setFuelLoad(double fraction) override;  // of a 180-lb tank; also what re-arming loads
    void turnAutoPilotOn();
    void toggleAutoPilot() override;
    void setCustomPaintJobNumberBig(int32_t big, int32_t small) override;
    int32_t getBigCustomPaintJobNumber() const { return BigCustomPaintJobNumber; }
    int32_t getSmallCustomPaintJobNumber() const { return SmallCustomPaintJobNumber; }

    // ---- Guns and bombs.
    static constexpr int kMaxBombs = 6;
    void gunsOnOff(int32_t on) override;   // 0 off, -1 toggle, else the trigger state
    void startABullet() override;          // one bullet, from the muzzles in turn
    // Once a tick of the flight step: out of ammunition the guns stop; the player's long bursts
    // jam (past 540 ticks with chance 0.006 a tick, past 240 with 0.0003).
    void burstLimits(int32_t tick);
    void setNumberOfBombs(int32_t bombs) override;  // 0..6; also what re-arming loads
    int32_t getNumberOfBombs() override;   // 0 once down
    const double* getBombPosition(int32_t bomb) override;  // body ft, bomb 0..5
    const double* dropBomb() override;     // world ft of the released bomb, null when none
    int32_t getMaxNumberOfBombs() override { return kMaxBombs; }

    // ---- Replay. A record of 544 bytes every 20 ticks into a ring of 164.
    static constexpr int32_t kReplayRecordBytes = 544;
    static constexpr int32_t kReplayRingBytes = 90000;
    static constexpr int32_t kReplayLastStart = 89000;  // no record starts beyond it
    void saveCurrentReplayData(int32_t tick) override;
    void readCurrentReplayData(int32_t tick) override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    // The aircraft's state block as the network and the replay ring carry it, for
    // wire::encodeAircraftState to pack (game-over bits are the network's to add).
    wire::AircraftState MakeOutputData() const;
    // Shows a recorded state block: pose, motion, controls and flags, without the side effects
    // a block from the network has (bomb drops, set-up, bail-out).
    void showReplayStateBlock(const wire::AircraftState& block);
    int32_t lastRecordStart() const;  // offset of the ring's last slot

    // ---- Drawing: the model, its moving parts, the hit flash, smoke and sounds. The drawing
    // library (aircraft/draw) does the work through the hooks it installs with
    // looks::useAircraftDrawing(); without them the aircraft flies undrawn and silent.
    struct DrawingHooks {
        void (FlyableAircraft::*build)(ViewServices* view);
        void (FlyableAircraft::*animate)();
        OneCompleteObjectVer2* (FlyableAircraft::*record)(int32_t gameTime);
        void (FlyableAircraft::*moving)(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance);
        void (FlyableAircraft::*smoke)();
        void (FlyableAircraft::*hit)();
    };
    static void setDrawingHooks(const DrawingHooks* hooks);
    // Makes the replay ring, the drawn records from the class's shared shape, the first set-up
    // and a reset; the view may be null (no textures).
    bool initWithGLView(ViewServices* view) override;
    // This frame's record: drawn pose (smoothed by SlerpValue), falling parts, team paint.
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &ThisModel; }
    ObjectPointsPolysVer2* getModelPointsPolysPtr() override { return &Drawing.pointsPolys; }
    float* getPointerToRelativeEyeX() override { return &ThisModel.TheObject.EyeRelativeX; }
    // Once per tick of the frame's upkeep (ticks: 1 while the game runs, 0 paused): sound
    // requests, engine and gun sounds, moving parts, the hit flash.
    void updateMovingThings(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance) override;
    void drawMySmokeItems() override;
    void displayAHit() override;
    // Smoke from damage and fire into the smoke ring, once per mission tick (aircraft/Smoke.cpp).
    void aircraftSmoke() override;
    // The drawing library's side of the above (aircraft/draw).
    void buildDrawing(ViewServices* view);
    OneCompleteObjectVer2* drawnRecord(int32_t gameTime);
    void moveDrawnParts(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance);
    void drawSmoke();
    void showHit();
    // The hit flash shown about (x, y, z), ft in the aircraft's frame, as a hit shows it; false
    // where the drawing has no flash.
    bool showFlashAt(double x, double y, double z);
    // The flash as it stands (whether shown, and its corners), to be put back as it was.
    struct FlashLook {
        int32_t Hints = 0;
        std::array<GLT2FN3FV3FFormat, 4> Corners{};
    };
    FlashLook flashLook() const;
    void restoreFlash(const FlashLook& look);
    // The class's shape, chosen by class.
    const looks::AircraftModel& drawingModel() const;
    // Moves the drawn points for the controls, engine, wheels, gauges and head as they stand.
    void animateParts();

    // ---- Controls and pilot view.
    void ElevatorInputAbsolute(double value) override;
    void ElevatorInput(double value) override;
    void AileronInputAbsolute(double value) override;
    void AileronInput(double value) override;
    void RudderInputAbsolute(double value) override;
    void RudderInput(double value) override;
    void RudderInputIncLeft();
    void RudderInputIncRight();
    void RudderInputAddAbsolute(double amount);
    void ElevatorTrimUpDown(int32_t steps) override;
    void AileronTrimLeftRight(int32_t steps) override;
    void RudderTrimLeftRight(int32_t steps) override;
    void setThrottle(double throttle) override;
    void throttleUp(double amount) override;
    void throttleDown(double amount) override;
    void setThrottleToOff();
    void setThrottleToIdle();
    void setThrottleToWEP();
    void turnBrakesOn() override;
    void toggleBrakes() override;
    void unJamGuns() override;
    void setPilotPitch(double pitch, double heading) override;
    void setPilotHeading(double heading);
    void setPilotPitchAbsolute(double pitch, double heading);
    void lookIncLeft();
    void lookIncRight();
    void lookIncLeftSmall() override;
    void lookIncRightSmall() override;
    void lookIncUp();
    void lookIncDown();
    void look4590Up() override;
    void lookDownToggle() override;
    void movePilotHead();
    // Once a tick of the flight step: a wounded pilot's head sags toward the front, 0.01 deg a
    // tick, while the camera rides with him.
    void sagWoundedHead();

    // ---- Accessors.
    Aircraft* getAircraftStruct() override { return &ThisAircraft; }
    void setTerrain(ZephModel* terrain) override { Terrain = terrain; }
    ZephModel* getTerrainObject() override { return Terrain; }
    void setTheNetwork(NetworkLink* network) { theNetwork = network; }
    void setPilotsPtr(AIPilotProfile* profiles) override { ThisAircraft.aiPilotsPtr = profiles; }
    void setRemoteLocal(int32_t remoteLocal) override { ThisAircraft.RemoteLocal = remoteLocal; }
    int32_t getRemoteLocal() const { return ThisAircraft.RemoteLocal; }
    void setTeamNumber(int32_t team) override { ThisAircraft.Team = team; }
    int32_t getTeamNumber() override { return ThisAircraft.Team; }
    bool getDeadOnGround() const { return ThisAircraft.Damage1 & dmg::Down; }
    int32_t getDeadOnGroundTime() const { return ThisAircraft.DeadOnGroundTime; }
    double* getSliderValues() override;
    void addInSliders() override;
    void removeSliders() override;
    void getSlerpingQN(QNion* pose) override;
    int32_t clearSlerping();

    // ---- State.
    Aircraft ThisAircraft{};
    Aircraft ReplayThisAircraft{};
    std::array<AirFoilDef, Aircraft::kAirfoils> Airfoils{};
    std::array<double, 100> PowerTable{};          // engine power factor per 1000-ft band
    // Indexes in own.surfaces of the control surfaces.
    int32_t TemplateElevatorNum = 0, TemplateRudderNum = 0;
    int32_t TemplateLeftUpperAileronTopNum = 0, TemplateLeftUpperAileronBotNum = 0;
    int32_t TemplateLeftLowerAileronTopNum = 0, TemplateLeftLowerAileronBotNum = 0;
    int32_t TemplateRightUpperAileronTopNum = 0, TemplateRightUpperAileronBotNum = 0;
    int32_t TemplateRightLowerAileronTopNum = 0, TemplateRightLowerAileronBotNum = 0;
    ZephModel* Terrain = nullptr;        // not owned
    NetworkLink* theNetwork = nullptr;   // not owned
    bool StartingFuelLoadGiven = false;   // setFuelLoad was called; else re-arming fills the tank
    int32_t BigCustomPaintJobNumber = 0, SmallCustomPaintJobNumber = 0;
    std::vector<uint8_t> ReplayBufferAddress = std::vector<uint8_t>(kReplayRingBytes);
    int32_t ReplayBufferSize = kReplayLastStart;
    int32_t ReplayBufferOffset = 0;       // where the next record goes
    bool ReplayFlag = false;              // between prepareForReplayStart and recoverFromReplay
    OneCompleteObjectVer2 ThisModel;      // what the renderer draws; ObjectMatrix the drawn pose
    looks::AircraftDrawState Drawing;
    // Each moving group's pose as Drawing's points show it (empty: not yet shown), so a tick
    // works again only the points of groups that moved.
    struct GroupPose {
        double deg = 0;       // turned about its hinge
        bool folded = false;  // collapsed to its hinge
        bool operator==(const GroupPose&) const = default;
    };
    std::vector<GroupPose> ShownGroupPoses;
    // Everything the flight step may change outside ThisAircraft and the base's pose and motion:
    // a replay puts it aside whole and gives it back.
    struct Live {
        std::array<AirSurface, Aircraft::kSurfaces> surfaces{};
        std::array<QNion, kParts> parts{};       // separately drawn parts: 0 left wing,
        std::array<Vector3, kParts> partSpeeds{};  // 2 right wing, 4 moving part 4 (ft/tick)
        std::array<double, 4> groundEq{};        // plane (a, b, c, d) of the ground under the aircraft
        QNion slerping;                          // the attitude last drawn
        std::array<double, 3> passSliders{};
        std::array<OneSmokePiece, looks::AircraftDrawState::kSmokePieces> smokes{};
        int32_t nextSmokeSpot = 0;               // ring slot the next piece takes
        double engineVolume = 0;
        uint32_t lastJamSound = 0;
        int32_t gunsOnAt = 0;                    // mission tick the trigger went on; 0 off
        int32_t startUpBombs = 0;                // loaded again on re-arming
    };
    Live own;
    // Kept aside while a replay plays: own, and the base's pilot view, inertia and last game time,
    // which the replayed flight also changes.
    struct Aside {
        Live live;
        QNion pilot;
        std::array<double, 16> tensor{};
        int32_t lastKnownGameTime = 0;
    } ReplayLive;

protected:
    // Hooks of the flight step. The computer pilot and the wings-level hold fly through the AI
    // library.
    virtual void runComputerPilot(ModelArray* models, int32_t tick) { flyAircraftAI(this, models, tick); }
    virtual void moveGunBullets();                                      // bullets in flight
    virtual void tracersToSmoke(bool last);                             // tracers and strikes into the ring
    virtual void freeAllSmoke();                                        // every smoke piece free
    // Wings level with the given roll authority, for the empty aircraft after a bail-out.
    virtual void holdWingsLevel(double rollAuthority) { MainSetBankTarget(0.0, rollAuthority, this); }
    // The surfaces that the wings-broken failure cuts besides the four wings and the ailerons.
    virtual void cutExtraWingSurfaces() {}
    // The surfaces that go with one side's wings (0 left, 1 right) besides its two main panels.
    virtual void cutSideExtraWing(int32_t side) {}

    // Queues a sound unless one is already waiting.
    void requestSound(int32_t number) {
        if (ThisAircraft.PlayThisSound < 0) ThisAircraft.PlayThisSound = number;
    }
    double mph() const { return ThisAircraft.CurrentVelocity * kMphPerFtTick; }
    // The mission's clock (ticks): the simulation never reads the system's.
    int32_t missionTick() const { return aController ? aController->getGlobalMissionTime() : live.globalTime; }
    ModelArray* models() const { return aController ? aController->getModelArray() : nullptr; }
    double groundAt(double x, double z) { return Terrain ? Terrain->getAltitudeAtX(x, z) : 0.0; }

    // Structural limits, g-loads and bail-out: the rules the step applies, in its order.
    void moveDetachedParts(const Vector3& drift);
    void bailOutFlight(int32_t tick);
    void buffetAndOverspeed();
    void randomBailOut();
    void downStateAndHitLimit();
    void gLoadLimits();
    void blackRedOut();
    void gearAndFlapOverspeed();
    void bombCrater(bool replayFlag);
    void detachPart(int part, const Vector3& velocity);

private:
    void startAfresh();  // the first step of every set-up
    // One sub-step of the flight step, in this order.
    void subStep(int32_t tick, bool last, bool replayFlag);
    void engineAndAirForces();
    std::array<double, 3> sumForcesAndMoments();
    void groundHandling(std::array<double, 3>& M);
    void linearMotion(bool replayFlag);
    void angularMotion(const std::array<double, 3>& M);
    double groundUnderfoot(int32_t tick);
    void groundContact(int32_t tick, double ground, bool replayFlag);
    void gunsSmokeAndWind(int32_t tick, bool last);
    void tiltAileronNormals(double degrees);
    int32_t aileronNum(int k) const;
};

}  // namespace pellam
