#pragma once
// GameController: owns the world (the model array), runs the frame loop and keeps the settings.
// Start-up (awakeFromNib) brings the game up in a fixed order; after it every frame is one call
// of timerLooper. VADArizodazar2 supplies the game's own content: missions, pilots, menus.
//
// Index: start-up; preferences; the frame (timerLooper, ActiveInActive, Wait1Tick, world step,
// drawing hand-off); world step and upkeep (WorldStep.cpp, FrameUpkeep.cpp); commands
// (KeyCommands.cpp, CameraCommands.cpp); cameras (ViewingPosition.cpp, CameraPlacement.cpp);
// menus and dialog buttons; pilot sign-in tracking; cursors; termination; services to objects.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Services.h"
#include "game/FramePacing.h"
#include "game/Interface.h"
#include "game/Neighbours.h"
#include "game/PilotType.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"

namespace pellam {

class FlyableAircraft;

// One preset chat message: byte 0 the length (0..79), the characters, a zero byte.
using AutoMessage = std::array<uint8_t, 160>;

class GameController : public ControllerServices {
public:
    struct Links {
        platform::UserDefaults* store = nullptr;
        ControllerView* view = nullptr;
        ControllerInput* input = nullptr;
        ControllerDesktop* desktop = nullptr;
        ControllerNetwork* network = nullptr;
        ControllerEffects* effects = nullptr;
    };
    // The controller owns the simulation's random stream and hands it to the objects' class
    // operations for as long as it lives.
    explicit GameController(Links links);
    ~GameController() override;
    // Starts the simulation's stream over from `seed`: the same seed and the same commands
    // give the same fight, whatever the frame rate, the sound or the drawing.
    void seedSimulation(uint32_t seed) { simulationRandom_.seed(seed); }

    // ---- Start-up.
    virtual void awakeFromNib();
    void CheckOSXVersionAndHardware();
    void notEnoughVRAM();
    void fromNotEnoughVRAMQuit();
    void LoadNeededCommunalObjects();
    virtual std::unique_ptr<ControllerSound> loadSoundGuy();
    void SetGameCursors();
    virtual void preloadGameSpecificItems() {}
    virtual void doPlayerSignIn() {}

    // ---- Preferences.
    void InitMyControllerVariables();
    void setUpInitialPrefs();
    virtual void doAfterPrefsChangeItems() {}

    // ---- The frame.
    void timerLooper();
    void ActiveInActive();
    void Wait1Tick();
    virtual void MoveAircraftAndObjects();
    virtual void SetUpViewingPosition();
    virtual void SetUpSecondWindow();
    virtual void PrepareAndCallDrawing();
    virtual void fromTimerLooper(bool gamePause, int32_t missionTime) {}

    // ---- World step (WorldStep.cpp).
    void checkAircraftToAircraftCollision();
    void doExplosionSound(const double* position) override;
    // The replay clock one step on: `speed` ticks, snapped to the record times (t - 2) mod 20 = 0
    // it would step over, looped inside the `rollOver` ticks before `saved`.
    static int32_t advanceReplayClock(int32_t clock, int32_t speed, int32_t saved, int32_t rollOver);
    void doEachTick(int32_t ticks);
    // Hooks the running controller fills.
    virtual void checkVictoryConditions(bool paused) {}
    virtual void doFogCeiling() {}
    virtual void killCredit() {}
    virtual void doAircraftRestart() {}
    virtual void startThisAircraft(long aircraftNumber, bool fromStart) {}
    virtual void doAutoHost() {}
    virtual void newDocument();

    // ---- Commands (KeyCommands.cpp, CameraCommands.cpp).
    void someTypicalKeyPresses(input::CommandNumber command, bool outsideText);
    void fromReplayMenu();
    void beginOrEndReplay();
    void endReplay();
    void cameraCommand(input::CommandNumber command);

    // ---- Cameras (ViewingPosition.cpp).
    long findClosestEnemyFrom(long modelIndex);  // aircraft number 0..7, -1 none
    void findClosestTower();

    // ---- Menus and dialog buttons.
    virtual bool handleThisMenu(int tag);
    // Draws the mission builder's scene in place of the game's while its window is open.
    virtual bool drawBuilderFrame() { return false; }
    void fromMenus(int tag);
    void fromDialogButtons(int tag, Window* cancelFrom = nullptr);

    // ---- Notices to the player.
    // Puts `text` in the game's notice window; a text already told this run is not told again.
    void tellPlayer(const std::string& text);
    // Saves the store; false when it failed, the player then being told where and why.
    bool saveStore();

    // ---- Pilot sign-in, cursors, edits, termination.
    virtual void trackPilotSignIn();
    void HandleCursorType(int32_t type, bool visible);
    // Flying begins or resumes: when the mouse is the stick it starts centred, so the aircraft
    // does not roll away on the first tick.
    void centreTheMouseStick();
    virtual void notsaved(const TextField* field);
    // Stores the pilot records (when they were read) and the last mission, and saves the store.
    // False, the player told, when the save failed: the game may then stay open for another try.
    bool saveForQuit();
    // The quit hook: saves as saveForQuit does; answers whether the save succeeded.
    bool applicationWillTerminate();
    virtual void tellServerToEnd() {}
    virtual void sendHostDataToServer() {}

    // ---- Services to objects.
    ModelArray* getModelArray() override { return ModelArrayPtr.get(); }
    int32_t getGlobalMissionTime() override { return GlobalMissionTime; }
    bool getReplayFlag() override { return ReplayFlag; }
    long whatsMyNumber(const ZephModel* object) override;
    bool isNetworkGame() override { return network_->getNetworkMode() != 0; }
    void startAnExplosion(const double* position) override;
    void thisObjectDead(long modelIndex, long aircraftNumber) override;
    void checkForBombKills(const double* impact, long droppingModelIndex) override;
    // What gamePause holds, whatever its stored name says.
    bool isRunning() const override { return gamePause; }
    int32_t getReplaySpeed() override { return 1; }
    long getCameraPositionNumber() const { return CameraPosition; }
    const double* getWhereCamera() { return toMyZephGLView->getCameraPosition(); }
    double getGRandom(long index) const { return index >= 0 && index < 5 ? GRandom[index] : 0.0; }
    const double* getSunVector() { return toMyZephGLView->getSunUnitVector(); }
    // The objects the terrain is drawn among; `builder` is set to 1 when they are the mission
    // builder's (while its window is open), else 0.
    virtual ModelArray* getArrayForTerrain(long* builder) {
        if (builder) *builder = 0;
        return getModelArray();
    }
    long getCloudLayerState() const { return CloudLayerState; }
    void setTimeOfDayGC(long hour) { TimeOfDay = static_cast<double>(hour); }
    std::array<std::array<int32_t, 2>, 8>* getAircraftResultsPtr() { return &AircraftResults; }
    std::array<int32_t, 4>* getAircraftTeamResultsPtr() { return &TeamResults; }
    // Group random numbers: a new one is drawn only while doNewRandomRestart is set, so objects
    // placed together share one offset and heading.
    int32_t getObjectRandomDistance() override;
    int32_t getObjectRandomHeading() override;
    bool getAndClearScreenShotPending() {
        const bool pending = ScreenShotPending;
        ScreenShotPending = false;
        return pending;
    }

    // The flyable aircraft at a model index, null for anything else.
    FlyableAircraft* aircraftAt(long index) const;
    ZephModel* modelAt(long index) const { return ModelArrayPtr ? ModelArrayPtr->at(index) : nullptr; }

    GameInterface& interface() { return ui_; }
    ControllerSound* sounds() { return theSounds.get(); }

    // ---- State (fields keep the names the rest of the game knows them by).
    Links links_;
    // Neighbours that stand in for the links not handed in, this controller's own.
    struct DefaultNeighbours;
    std::unique_ptr<DefaultNeighbours> defaults_;
    platform::UserDefaults& store_;
    ControllerView* toMyZephGLView;
    ControllerInput* toMyJoystick;
    ControllerDesktop* desktop_;
    ControllerNetwork* network_;
    ControllerEffects* effects_;
    std::unique_ptr<ControllerSound> theSounds;
    std::unique_ptr<ModelArray> ModelArrayPtr;  // null when the view could not be used
    GameInterface ui_;
    FramePacer pacer_;

    bool BadOSXVersion = false;
    bool MyVRAMOkay = true;
    bool CurrentCursorVisible = true;
    int32_t CurrentCursorType = 0;
    double CameraDistance = 100.0;
    bool doSelectMission = true;
    bool pilotsigninhasclosed = false;
    bool ScreenShotPending = false;
    long debrisItem = 10;
    bool started = false;

    // Preference-backed fields.
    bool MousePosFeedback = false;
    bool StallLimiter = false;
    bool ReloadUserMissions = false;
    bool DoDetailPass = true;
    int64_t DoCheckForGames = 0;
    bool DontShowMF = false;
    std::optional<std::string> LastOpenedMission;
    std::array<AutoMessage, 8> AutoMessages{};
    std::array<bool, 8> PubPri{};
    bool FirstTime = false;

    // Frame and clock.
    bool gamePause = false;  // true while the game runs
    bool ShouldNotPlay = false;
    bool DoDoubleTime = false;
    bool DisplayFrameRate = false;
    double ms1 = 0.0;
    uint32_t LastHostGamePost = 0;
    int32_t GlobalMissionTime = 0;
    bool ReplayFlag = false;
    int32_t theticks = 0;

    // World step.
    int32_t ReplaySpeed = 1;                // -5..5 ticks per step while a replay plays
    int32_t SavedGlobalMissionTime = 0;     // the live clock when the replay began
    int32_t ReplayRollOver = 3420;          // ticks of the replay window
    bool lastTick = false;                  // the last step of this frame
    int32_t PilotAliveTime = 0;             // live steps not yet counted as flight seconds
    int32_t DeadObjectPoints = 0;
    int32_t UserActivity = 0;
    std::array<double, 5> GRandom{};
    std::array<float, 2> oldapoint{};
    bool circleFlag = false;
    bool lastGamePause = false;
    long nextExplosionItem = 0;             // 0..7
    int32_t ThePedalBrakes = -1;
    GameAction Command;
    bool doTheAutoHost = false, UseHost = false, AutoHostWasOn = false;
    int32_t GameOverTime = 0;
    bool HaveDoneGameOver = false;
    bool MBWindowOpen = false;
    bool isKey = false;
    long CloudLayerState = 0;
    std::array<std::array<int32_t, 2>, 8> AircraftResults{};
    std::array<int32_t, 4> TeamResults{};
    bool doNewRandomRestart = true;
    double GroupRandomStartNumber = 0, GroupRandomStartHeading = 0;

    // Camera and game state (angles deg, distances ft).
    double TimeOfDay = 12;
    int32_t CameraPosition = 0, CameraRule = 0;
    double NewCameraDistance = 3.0, SavedCameraDistance = 80.0, UserCameraDistance = 80.0;
    long CameraAircraft = 2, AircraftWeControl = 2;
    int32_t GamePauseTime = -150;
    Vector3 AbsoluteCameraOffset{};
    bool NoCameraSlideFlag = false;
    int32_t CameraPosition2 = 0;
    double CameraDistance2 = 0.0;
    long CameraAircraft2 = 3;
    double UserCameraDistance2 = 40.0;
    double CameraHeading = 0, CameraUpAngle = 0, CameraBank = 0;
    double CameraHeading2 = 0, CameraUpAngle2 = 0, CameraBank2 = 0;
    Vector3 NewCameraAngle{}, NewCameraAngle2{};
    int32_t OldCameraPosition = 0, ToggleBackCameraPosition = 0, ToggleBackCameraPosition2 = 0;
    int32_t SpecialCameraPosition = 0, SpecialCameraPosition2 = 0;
    double TowerZoom = 0, TowerZoom2 = 0;
    Vector3 OutsideCamera{}, LastOutsideCamera{}, OutsideCamera2{};
    bool DrawSecondWindow = false, SecondWindowClosestEnemy = false;
    QNion ViewingQNion, ViewingQNion2;
    int32_t CurrentMissionNumber = 0, PreviousCurrentMissionNumber = -1;
    bool useIDSquares = true, useCloseUpIDSquares = false;
    int32_t DogfightOnlyVKills = 5, JoinerTypeRequest = 3;

    // Pilots and the mission builder's unsaved flag.
    PilotTable PilotStats{};
    // The stored records were read (or none were stored): only then are they saved over.
    bool PilotStatsLoaded = false;
    long CurrentPilotNumber = 0;
    // The signed-in pilot's index; a stray number reads as the first pilot.
    int pilotIndex() const { return CurrentPilotNumber >= 0 && CurrentPilotNumber < kPilotCount ? int(CurrentPilotNumber) : 0; }
    // Stores the five careers at once (atomically, as the store writes). Never when the stored
    // block could not be read: that would write fresh records over the player's careers.
    void savePilots();
    bool MBSavedFlag = true;

private:
    uint8_t cannedKeysDown_ = 0;  // bit k: the key of canned message k + 1 was pressed as that

    // The world step's parts, in the order it runs them.
    void frameCameraRules();
    void playerStick(FlyableAircraft* player);
    void windowLevelFollowsPause();
    void advanceMissionClock(int32_t tickOfFrame);
    void stepAircraftAndHits(ModelArray& models);
    void groundCollisionsAndRefuelling(ModelArray& models, FlyableAircraft* player);
    void frameBombsBrakesAndCommands(ModelArray& models);
    void keepAViewedAircraft();
    void flyingCommand(input::CommandNumber command, int32_t action);
    void cameraCommandMain(input::CommandNumber command);
    void cameraCommandSecond(input::CommandNumber command);
    void toggleBackCamera();
    void placeBombCamera(ZephModel& m, long index, int32_t type, double distance, QNion* pose);
    // Lifts a camera that would look from under the terrain (a wreck, a slope behind) to just above it.
    void keepCameraAboveGround(QNion& pose);
    void applyVolume(const char* key, int fallback, void (ControllerSound::*setter)(double));
    int64_t frameStampMicros_ = 0;
    std::vector<std::string> told_;  // every notice given this run
    platform::RandomStream simulationRandom_;
};

// A preset message as stored in the table: at most 79 characters, each the low byte of one UTF-16 unit.
AutoMessage makeAutoMessage(const std::string& utf8);

}  // namespace pellam
