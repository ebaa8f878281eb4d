#pragma once
// What the controller asks of its neighbours: the game view, the sound object, the input object,
// the network link, the effect pools and the desktop it runs on. The game fits its real objects to
// these at start-up (see main.cpp) and must answer every operation: a missed one does not compile.
// The controller's stand-ins for neighbours not handed in are in game/StandInNeighbours.h.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/QNion.h"
#include "core/Services.h"
#include "input/CommandNumber.h"

namespace pellam {

namespace builder {
class MissionBuilder;
}

class ControllerView {
public:
    virtual ~ControllerView() = default;
    virtual void setModelArray(ModelArray* models) = 0;
    virtual void setController(ControllerServices* controller) = 0;
    virtual void setPlayOpening(bool play) = 0;
    virtual void setScreenSaveType(int32_t type) = 0;
    virtual void setNetworkTypeSize(double size) = 0;
    virtual double getNetworkTypeSize() = 0;
    virtual void setGlobalCameraPosition(const QNion* pose) = 0;
    virtual void setCameraViewToVectorX(double x, double y, double z, double bank) = 0;
    virtual void setVBLSyncing(bool on) = 0;
    virtual void doLoadingFeedback() = 0;
    virtual void setDoFeedback(bool on) = 0;
    // Draws and shows the loading screen now, its bar at `done` (0..1), start-up over or not.
    virtual void showLoadingProgress(double done) = 0;
    // Draws the loading screen's last picture again as a frame, shown as frames are, with the
    // windows over it; false, nothing drawn, where no loading screen was drawn.
    virtual bool drawLastLoadingPicture() = 0;
    virtual void setWindowLevelToNormal(int32_t level) = 0;
    virtual void setWindowLevelToFront(int32_t level) = 0;
    virtual bool getVRAMOkay() = 0;
    virtual int64_t getVRAM() = 0;
    virtual int64_t getTotalVRAMUsed() = 0;
    // Draws one frame of the world; `gameTime` is the mission clock.
    virtual void drawRect(int32_t gameTime) = 0;
    // Shows the last frame drawn where the view left it to be shown in the next frame.
    virtual void showFrame() = 0;
    // Draws the world from `camera`, with the cockpit of `insideItem` (-1: none), without showing
    // it; the next frame draws over it. Without `world`, only the objects, smoke and cockpit;
    // `insideCloud`, as from inside a cloud deck.
    virtual void drawUnseen(const QNion& camera, long insideItem, bool world, bool insideCloud) = 0;
    // Returns once everything sent is drawn: the rasteriser lets go of its queued frames.
    virtual void finishDrawing() = 0;
    // Draws one frame of the mission builder's view: its world and the close-up of one item.
    virtual void drawBuilder(builder::MissionBuilder& builder) = 0;
    // While kept, the view draws the world once and shows that picture again until its cameras,
    // clock or sun move, or sceneChanged() is called (after anything else that may change it).
    virtual void setKeepScene(bool keep) = 0;
    virtual void sceneChanged() = 0;
    // Once a frame: failures the player must read (a texture, a screen shot), oldest first.
    virtual std::vector<std::string> takeNotices() = 0;

    // Cameras and the second window.
    virtual void setCameraInsideItem(long modelIndex) = 0;  // -1: no cockpit drawn
    virtual long getCameraInsideItem() = 0;
    virtual void setCameraInsideItem2(long modelIndex) = 0;
    virtual void setDrawSecondWindow(bool on) = 0;
    virtual void setSecondAircraftCamera(long modelIndex) = 0;
    virtual void setSecondGlobalCameraPosition(const QNion* pose) = 0;
    // The main camera's world position (ft).
    virtual const double* getCameraPosition() = 0;
    // The world's near plane: its distance ahead of the eye and its half width and height (ft);
    // all zero where nothing is drawn.
    virtual std::array<double, 3> getNearPlane() = 0;
    // This frame's main view with that near plane no farther than `ft` ahead, scaled in with its
    // field of view kept; 0 for its own.
    virtual void setWorldNearLimit(double ft) = 0;
    // The same two for the second window, whose near plane is its own.
    virtual std::array<double, 3> getSecondNearPlane() = 0;
    virtual void setSecondNearLimit(double ft) = 0;
    // Screen size in pixels, for the mouse flying area.
    virtual void getMonitorResolution(float& width, float& height) = 0;
    // A sheet over the view takes the mouse from the stick. The game's windows are drawn into the
    // frame itself, never attached to the view as sheets, so every view answers no.
    virtual bool isSheet() = 0;
    virtual void setGameTime(int32_t missionTime) = 0;
    virtual void setSunVectorFromTime(double hours) = 0;
    virtual const double* getSunUnitVector() = 0;
    virtual void setDisplayVariable(double value) = 0;
    // Mission start: the loading screen's picture, and the fog (mode 0x801 exponential squared).
    virtual void setStartUpTextureNumber(int32_t slot) = 0;
    virtual void setScreenSaveNameString(const std::string& name) = 0;  // screen shots' folder and base name
    virtual void glSetFogParameters(double r, double g, double b, int32_t mode, float density) = 0;
    // A pilot's own paint job, from a picture named after him: a texture number, 0 or less for none.
    virtual int32_t tryForCustomPaintJobBig(const std::string& name) = 0;
    virtual int32_t tryForCustomPaintJobSmall(const std::string& name) = 0;
    virtual void glDeleteONETexture(int32_t slot) = 0;
    // The network game's six message lines (256 bytes each, length first); the view draws 0..4.
    virtual void setMessageLines(uint8_t (*lines)[256]) = 0;
};

class ControllerSound {
public:
    virtual ~ControllerSound() = default;
    virtual void setCoreAudioOnOff(bool on) = 0;
    virtual void setSoundToggle(int32_t mode) = 0;
    virtual void setAppGlobalVolume(double volume) = 0;
    virtual void setGunsVolume(double volume) = 0;
    virtual void setEngineVolume(double volume) = 0;
    virtual void setStallHornVolume(double volume) = 0;
    virtual void setOtherItemsVolume(double volume) = 0;
    virtual void toggleSoundSetting() = 0;  // the three sound modes in turn
    virtual SoundServices* objectSounds() = 0;  // what objects play through
};

// One entry of the input object's action ring, as the command handler reads it.
struct GameAction {
    int32_t theTime = 0;      // ticks
    int32_t RawKeyPress = 0;  // raw key code, for the message line
    input::CommandNumber command = input::CommandNumber::None;
    int32_t actionType = 0;   // 2 pressed, 1 released
};
inline constexpr int32_t kKeyDown = 2, kKeyUp = 1;

class ControllerInput {
public:
    virtual ~ControllerInput() = default;
    virtual void fromTimerLooper(bool gamePause) = 0;
    virtual bool haveJoystick() = 0;
    // The pointer was put at the middle of the window: the mouse stick is centred.
    virtual void pointerCentred() = 0;
    // Per frame: the flying area first, then the four control values (-1..1, throttle 0..1).
    // An input object that gives no control values leaves the player's controls alone.
    virtual bool hasFlightControls() = 0;
    virtual void createSurfaceInput(float width, float height) = 0;
    virtual double getFinalAilerons() = 0;
    virtual double getFinalElevator() = 0;
    virtual double getFinalRudder() = 0;
    virtual double getFinalThrottle() = 0;
    virtual bool getUseJoyThrottle() = 0;
    virtual bool getUseJoyRudder() = 0;
    virtual int32_t getPedalBrakes() = 0;  // 1 on, 0 off, -1 no new reading
    // The action ring: the oldest entry without taking it, and taking it; null when empty.
    virtual const GameAction* checkForNextActionInBuffer() = 0;
    virtual const GameAction* getNextActionInBuffer() = 0;
    virtual bool isWindowOpen() = 0;  // an input settings window is open
};

class ControllerNetwork {
public:
    virtual ~ControllerNetwork() = default;
    virtual int32_t getNetworkMode() = 0;
    virtual bool amIHost() = 0;
    virtual void NetworkComm(int32_t missionTime) = 0;
    virtual bool getInTextMode() = 0;  // a message line is being typed
    // A raw key for the line being typed, kOpenMessageLine to start one, or the command number of a
    // canned message (Send Canned Message 1..8) to send it.
    static constexpr int32_t kOpenMessageLine = 1070;
    virtual void handleTypingAMessage(int32_t key) = 0;
    virtual bool getJoinerPending() = 0;
    virtual void setMessageChannel(int32_t team) = 0;  // 0 everybody, else that side
    virtual void declineJoiner() = 0;
    virtual void acceptJoinerPublic() = 0;
    virtual double getNetworkPlayDelay() = 0;
    // What a mission start asks: this machine's role and its joiners' requests (aircraft 1..7).
    virtual bool networkAndJoiner() = 0;  // this machine joined a running game
    virtual int32_t getJoinerNumber() = 0;  // our aircraft's number at the host, 1..7
    virtual int32_t getJoinerTeam(long aircraft) = 0;  // 0: none asked for
    virtual int32_t getJoinerTypeForJoiner(long aircraft) = 0;
    virtual void setHostTeam(int32_t team) = 0;
    // The game's identity in network play: protocol version, application and mission count.
    virtual void setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions) = 0;
    // The end of a game between machines: what the host tells, what this machine shows.
    virtual void setHostSendGameOver(bool over, int32_t result) = 0;  // result 1: the host's side won
    virtual void setImInGameOver(bool over) = 0;
    virtual int32_t getHostResult() = 0;
    virtual int32_t getOthersInGameOver() = 0;
    virtual int32_t getlocalDogfightGameKills() = 0;
    virtual int32_t getDogKillType() = 0;  // 0 individual, 1 team kills
    // The player flying aircraft slot 0..7, as it was sent; empty for an A.I. aircraft.
    virtual std::string getThisPlayerNamesPtr(long slot) = 0;
    // This player as joiners and hosts see him: the length-prefixed name, the address to join,
    // the team asked for, a reserved serial number and the mission.
    virtual void setJoinerParticularsName(const std::array<uint8_t, 48>& name, uint32_t address, int32_t team,
                                          int32_t serialNumber, int32_t mission) = 0;

    // ---- The lobby's doors.
    // Starts a network game on this machine. kHostRole: listens on `port` for joiners. kJoinerRole:
    // asks the host named by the last setJoinerParticularsName (address in host order, 127.0.0.1 is
    // 0x7F000001) at `port` to take it in, listening on any free port of its own (so a host and a
    // joiner may share a machine). 0 on success; -1, with a beep and the
    // reason in startError(), when no socket could be opened. The join request, the host's answer
    // and the waiting text in the message lines follow in the frames after.
    static constexpr int32_t kHostRole = 2, kJoinerRole = 3;
    virtual int32_t startNetworkRoutines(uint16_t port, int32_t role) = 0;
    virtual std::string startError() = 0;
    virtual uint16_t localPort() = 0;  // the port this machine listens on; 0 with no game
    // Ends the game on this machine: a host tells every joiner, an accepted joiner tells its host,
    // the socket closes, and every remote aircraft becomes local again in its standard paint.
    // Safe to call with no game running and more than once.
    virtual void closeNetworkRoutines() = 0;
    virtual bool getImInGameOver() = 0;
    virtual int32_t numberOfJoiners() = 0;  // occupied joiner slots
    // Host: the rules of each new game, sent to the joiners in the new-game packets.
    virtual void setResetTimeMissionNumber(long mission, bool idHelp, int32_t killsToWin, int32_t cameraRule,
                                           bool dogfightOnly, int32_t start, int32_t restart, int32_t killType,
                                           bool closeID, double windSpeed, double windDirection) = 0;
    // The six message lines (length byte first, 256 bytes each): 0 the player's own, 1-4
    // messages and notices, 5 the kills and rules line. Null with no network object.
    using MessageLinesPtr = uint8_t (*)[256];
    virtual MessageLinesPtr getMessageLines() = 0;
};

// What the world step asks of the effect pools (model index 10 debris, 11..18 explosions, 19 bombs)
// and of the flight model's hit tests.
class ControllerEffects {
public:
    virtual ~ControllerEffects() = default;
    // Bullets of `shooter`'s guns against one aircraft; the number of hits.
    virtual int32_t buCheckForBulletsOnAircraftHit(ZephModel& shooter, ZephModel& target, int32_t shooterNumber,
                                                   bool inReplay, double modifier) = 0;
    virtual void CheckForObjectHit(int32_t shooterNumber, ZephModel& shooter, ModelArray& models, int32_t gtime,
                                   bool inReplay, ControllerServices* caller) = 0;
    virtual void checkForAircraftToModelCollision(ZephModel& aircraft, ModelArray& models, int32_t gametime) = 0;
    virtual void CheckForBombHitObject(long dropper, ModelArray& models, int32_t gtime, bool inReplay,
                                       ControllerServices* caller, const double* bomb) = 0;
    virtual void startOneDebrisFromAircraftHit(ZephModel& debris, ZephModel& target, int32_t time) = 0;
    virtual void startExplosionDebris(ZephModel& debris, const double* position, int32_t time) = 0;
    virtual void GroundExplosion1Start(ZephModel& explosion, int32_t time) = 0;
    virtual void positionBombsOnAircraft(ZephModel& bombs, ZephModel& aircraft, int32_t bombType, long index) = 0;
    virtual void clearSingleDrawBombs(ZephModel& bombs) = 0;
    // Six doubles: the newest bomb that aircraft dropped, falling or where it landed (position ft,
    // velocity ft/tick), else its next bomb on the rack with velocity x 10000; null when neither.
    virtual const double* findNewestBombFrom(ZephModel& bombs, long index, ZephModel& aircraft) = 0;
};

// The desktop: whether the application is in front, the mouse cursor, time and quitting.
class ControllerDesktop {
public:
    virtual ~ControllerDesktop() = default;
    virtual bool isApplicationActive() = 0;
    virtual bool hasDisplay() = 0;
    // 0 arrow, 1 the ball (mouse-flying feedback), 2 crosshair.
    virtual void setCursor(int32_t type) = 0;
    virtual void showCursor(bool shown) = 0;
    // Puts the pointer at the middle of the game window, where the mouse stick is centred.
    virtual void centrePointer() = 0;
    virtual void sleepUntilTick(uint32_t tick) = 0;
    virtual void terminate() = 0;
};

}  // namespace pellam
