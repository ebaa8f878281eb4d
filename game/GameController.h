#pragma once
// GameController: owns the world (the model array), runs the frame loop and keeps the settings.
// Start-up (awakeFromNib) brings the game up in a fixed order; after it every frame is one call
// of timerLooper. VADArizodazar2 supplies the game's own content: missions, pilots, menus.
//
// Index: start-up; preferences; the frame (timerLooper, ActiveInActive, Wait1Tick, world step,
// drawing hand-off); world step and upkeep (WorldStep.cpp, FrameUpkeep.cpp); commands
// (KeyCommands.cpp, CameraCommands.cpp); cameras (ViewingPosition.cpp, CameraPlacement.cpp);
// menus and dialog buttons; pilot sign-in tracking; cursors; termination; services to objects;
// the records it owns (Cameras, ReplayControl, FrameClock, Preferences, WorldStepState), read
// from outside through const accessors and changed only by the controller's operations.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Services.h"
#include "game/Cameras.h"
#include "game/DrawingWarmUp.h"
#include "game/FrameClock.h"
#include "game/FramePacing.h"
#include "game/Interface.h"
#include "game/LobbySettings.h"
#include "game/MissionState.h"
#include "game/Neighbours.h"
#include "game/PilotScoring.h"
#include "game/PilotType.h"
#include "game/Preferences.h"
#include "game/ReplayControl.h"
#include "game/WorldStepState.h"
#include "platform/Random.h"
#include "platform/UserDefaults.h"

namespace pellam {

class FlyableAircraft;

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
    // One frame of `ticks` whole ticks after the pacing wait: the world step, the cameras, drawing.
    void stepFrame(int32_t ticks);
    // The world step alone, `ticks` whole ticks.
    void stepWorld(int32_t ticks);
    // The game runs (true) or stands paused, with nothing else changed: the pause command also
    // sets the cursor and, in a network game, costs the aircraft.
    void setRunning(bool running) { clock_.gamePause = running; }
    // Start-up does not open the mission window on the first frame (a scripted run, a test).
    void skipMissionSelection() { doSelectMission = false; }
    // The mission clock set, in ticks: a mission starts at 2, a fixed world's new game at 0.
    void setMissionTime(int32_t ticks) { clock_.GlobalMissionTime = ticks; }
    void ActiveInActive();
    void Wait1Tick();
    virtual void MoveAircraftAndObjects();
    virtual void SetUpViewingPosition();
    virtual void SetUpSecondWindow();
    virtual void PrepareAndCallDrawing();
    // Draws unseen what the flight will show (game/DrawingWarmUp.h): planned at a mission's start,
    // drawn a share a frame, in the windows or before the flight's first frame; true when the
    // frame shows the loading screen instead, the flight waiting for the rest. Leaves the world,
    // its scenery and the frames after it as they were.
    bool continueWarmUp();
    bool flightWaitsForWarmUp() const { return warmUp_.HoldsFlight; }
    void warmUpDrawing();  // plans and draws it whole, now
    void planWarmUp();
    void drawWarmUp(bool whole);  // the pending views: all, or a frame's share
    virtual void fromTimerLooper(bool gamePause, int32_t missionTime) {}

    // ---- World step (WorldStep.cpp).
    void checkAircraftToAircraftCollision();
    void doExplosionSound(const double* position) override;
    void doEachTick(int32_t ticks);
    // Hooks the running controller fills.
    virtual void checkVictoryConditions(bool paused) {}
    virtual void doFogCeiling() {}
    virtual void killCredit() {}
    virtual void doAircraftRestart() {}
    virtual void startThisAircraft(long aircraftNumber, bool fromStart) {}
    virtual void doAutoHost() {}
    virtual void newDocument();
    // A window in which the next flight is chosen is open: the keys are its own, and the pause key
    // starts no flight under it.
    virtual bool choosingFlight() const { return false; }

    // ---- Commands (KeyCommands.cpp, CameraCommands.cpp).
    void someTypicalKeyPresses(input::CommandNumber command, bool outsideText);
    // A command as the program sends it itself (the cameras' upkeep, a lost focus, a menu):
    // pressed (kKeyDown) or let go (kKeyUp).
    void sendCommand(input::CommandNumber command, int32_t actionType) {
        step_.Command.actionType = actionType;
        someTypicalKeyPresses(command, true);
    }
    void fromReplayMenu();
    // The second view's own close box: it goes as with its key (Alt+w), the flight going on.
    void closeSecondView();
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
    // Takes the games list's answer to the last announcement, telling the host where it stands;
    // false when none has come since.
    virtual bool hearGamesListAnswer() { return false; }

    // ---- Services to objects.
    ModelArray* getModelArray() override { return ModelArrayPtr.get(); }
    int32_t getGlobalMissionTime() override { return clock_.GlobalMissionTime; }
    bool getReplayFlag() override { return replay_.ReplayFlag; }
    long whatsMyNumber(const ZephModel* object) override;
    bool isNetworkGame() override { return network_->getNetworkMode() != 0; }
    void startAnExplosion(const double* position) override;
    void thisObjectDead(long modelIndex, long aircraftNumber) override;
    void checkForBombKills(const double* impact, long droppingModelIndex) override;
    // What gamePause holds, whatever its stored name says.
    bool isRunning() const override { return clock_.running(); }
    int32_t getReplaySpeed() override { return 1; }
    long getCameraPositionNumber() const { return cameras_.CameraPosition; }
    const double* getWhereCamera() override { return toMyZephGLView->getCameraPosition(); }
    double getGRandom(long index) const { return index >= 0 && index < 5 ? step_.GRandom[index] : 0.0; }
    const double* getSunVector() { return toMyZephGLView->getSunUnitVector(); }
    // The objects the terrain is drawn among; `builder` is set to 1 when they are the mission
    // builder's (while its window is open), else 0.
    virtual ModelArray* getArrayForTerrain(long* builder) {
        if (builder) *builder = 0;
        return getModelArray();
    }
    long getCloudLayerState() const { return mission_.CloudLayerState; }
    void setTimeOfDayGC(long hour) { mission_.TimeOfDay = static_cast<double>(hour); }
    // The tallies the network exchanges: per slot kills and deaths, kills per team, and the kills
    // per team of the pilots who have left.
    std::array<std::array<int32_t, 2>, 8>* getAircraftResultsPtr() { return &pilots_.AircraftResults; }
    std::array<int32_t, 4>* getAircraftTeamResultsPtr() { return &pilots_.TeamResults; }
    std::array<int32_t, 4>* getLeftTeamKillsPtr() { return &pilots_.LeftTeamKills; }
    // Group random numbers: a new one is drawn only while doNewRandomRestart is set, so objects
    // placed together share one offset and heading.
    int32_t getObjectRandomDistance() override;
    int32_t getObjectRandomHeading() override;
    bool getAndClearScreenShotPending() {
        const bool pending = ScreenShotPending;
        ScreenShotPending = false;
        return pending;
    }
    bool screenShotPending() const { return ScreenShotPending; }

    // The flyable aircraft at a model index, null for anything else.
    FlyableAircraft* aircraftAt(long index) const;
    ZephModel* modelAt(long index) const { return ModelArrayPtr ? ModelArrayPtr->at(index) : nullptr; }

    GameInterface& interface() { return ui_; }
    const GameInterface& interface() const { return ui_; }
    ControllerSound* sounds() { return theSounds.get(); }
    ControllerView& view() const { return *toMyZephGLView; }
    ControllerNetwork& network() const { return *network_; }
    ControllerEffects& effects() { return *effects_; }
    FramePacer& pacer() { return pacer_; }
    const FramePacer& pacer() const { return pacer_; }

    // ---- The controller's records, to read; they change through the controller's operations.
    const Cameras& cameras() const { return cameras_; }
    const ReplayControl& replay() const { return replay_; }
    const FrameClock& clock() const { return clock_; }
    const Preferences& prefs() const { return prefs_; }
    const WorldStepState& worldStep() const { return step_; }
    // Settings a network host hands its joiners.
    void setIDSquares(bool far, bool closeUp) {
        prefs_.useIDSquares = far;
        prefs_.useCloseUpIDSquares = closeUp;
    }
    void setCameraRule(int32_t rule) { cameras_.CameraRule = rule; }
    // The mission last opened, kept in the store at quit; the builder opens and saves missions too.
    std::optional<std::string>& lastOpenedMission() { return prefs_.LastOpenedMission; }
    bool missionSelectionPending() const { return doSelectMission; }
    bool pilotSignInClosed() const { return pilotsigninhasclosed; }
    int32_t cursorType() const { return CurrentCursorType; }

    // The mission builder's window is open (the game then paused, its view the builder's).
    bool builderWindowOpen() const { return MBWindowOpen; }
    // The builder's mission has no unsaved change.
    bool builderSaved() const { return MBSavedFlag; }

    // Stores the five careers at once (atomically, as the store writes). Never when the stored
    // block could not be read: that would write fresh records over the player's careers.
    void savePilots();

    // The mission being flown, its weather and its victory's progress.
    const MissionState& missionState() const { return mission_; }
    // The careers, who flies, and this game's tallies.
    const PilotScoring& pilotScoring() const { return pilots_; }
    // Network play's settings, the unattended host and the public games list.
    const LobbySettings& lobbySettings() const { return lobby_; }

protected:
    // The builder's two flags, which the builder itself keeps up to date (it holds their addresses).
    bool MBWindowOpen = false;
    bool MBSavedFlag = true;
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

    Cameras cameras_;
    ReplayControl replay_;
    FrameClock clock_;
    Preferences prefs_;
    WorldStepState step_;
    DrawingWarmUp warmUp_;

    bool BadOSXVersion = false;        // no display: the game never started
    bool MyVRAMOkay = true;
    bool doSelectMission = true;       // the mission window opens once the pilot has signed in
    bool pilotsigninhasclosed = false;
    // The next drawn frame is saved as a picture, without the pause and replay texts; that frame
    // clears it through getAndClearScreenShotPending.
    bool ScreenShotPending = false;
    bool started = false;              // start-up is done: every frame is a timerLooper call
    // Start-up is done and no frame has been drawn: the first, where the game stands in its
    // windows, shows the loading screen's last picture under them; the world comes from the next.
    bool firstFrameDue_ = false;

    MissionState mission_;
    PilotScoring pilots_;
    LobbySettings lobby_;

private:
    // What the store's background saves had to say (a failed write), into the notice window.
    void tellStoreReports();
    bool CurrentCursorVisible = true;
    int32_t CurrentCursorType = 0;
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
    void placeBombCamera(ZephModel& m, long index, int32_t type, double distance, QNion* pose);
    // The aircraft's newest bomb is still falling, or it has dropped none and one waits on its rack.
    bool bombToFollow(long aircraftIndex);
    // Lifts a camera that would look from under the terrain (a wreck, a slope behind), or cut it
    // away with its near plane (ahead, half width, half height; ft), to just above it; answers how
    // far it was lifted (ft).
    double keepCameraAboveGround(QNion& pose, const std::array<double, 3>& nearPlane);
    // For an eye clear of the ground: the farthest the near plane may lie ahead of it, scaled in
    // with its field of view kept, and clear the ground (ft); 0 when none within reach.
    double nearPlaneClearOfGround(const QNion& pose, const std::array<double, 3>& nearPlane);
    // A cockpit eye clear of the ground keeps its seat however near the ground it looks (parked,
    // looking down): the near plane is pulled in to it. Otherwise a camera in the ground, or
    // cutting it away, is lifted; answers whether the cockpit stays drawn.
    bool placeAboveGround(QNion& pose, bool cockpit, const std::array<double, 3>& nearPlane, double& nearLimit);
    void applyVolume(const char* key, int fallback, void (ControllerSound::*setter)(double));
    std::vector<std::string> told_;  // every notice given this run
    platform::RandomStream simulationRandom_;
};

}  // namespace pellam
