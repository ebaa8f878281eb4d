#pragma once
// What the controller asks of its neighbours: the game view, the sound object, the input object,
// the network link and the desktop it runs on. Each default is the least a missing neighbour must
// do; the real objects are adapted to these at start-up (see main.cpp).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/QNion.h"
#include "core/Services.h"

namespace pellam {

namespace builder {
class MissionBuilder;
}

class ControllerView {
public:
    virtual ~ControllerView() = default;
    virtual void setModelArray(ModelArray* models) {}
    virtual void setController(ControllerServices* controller) {}
    virtual void setPlayOpening(bool play) {}
    virtual void setScreenSaveType(int32_t type) {}
    virtual void setNetworkTypeSize(double size) { networkTypeSize_ = size; }
    virtual double getNetworkTypeSize() { return networkTypeSize_; }
    virtual void setGlobalCameraPosition(const QNion* pose) { camera_ = *pose; }
    virtual void setCameraViewToVectorX(double x, double y, double z, double bank) {}
    virtual void setVBLSyncing(bool on) {}
    virtual void doLoadingFeedback() {}
    virtual void setDoFeedback(bool on) {}
    virtual void setWindowLevelToNormal(int32_t level) {}
    virtual void setWindowLevelToFront(int32_t level) {}
    // Video memory is never a reason to refuse: there is no portable query, so enough is assumed.
    virtual bool getVRAMOkay() { return true; }
    virtual int64_t getVRAM() { return 0; }
    virtual int64_t getTotalVRAMUsed() { return 0; }
    // Draws one frame of the world; `gameTime` is the mission clock.
    virtual void drawRect(int32_t gameTime) {}
    // Draws one frame of the mission builder's view: its world and the close-up of one item.
    virtual void drawBuilder(builder::MissionBuilder& builder) {}
    // While kept, the view draws the world once and shows that picture again until its cameras,
    // clock or sun move, or sceneChanged() is called (after anything else that may change it).
    virtual void setKeepScene(bool keep) {}
    virtual void sceneChanged() {}
    // Once a frame: failures the player must read (a texture, a screen shot), oldest first.
    virtual std::vector<std::string> takeNotices() { return {}; }

    // Cameras and the second window.
    virtual void setCameraInsideItem(long modelIndex) {}   // -1: no cockpit drawn
    virtual void setCameraInsideItem2(long modelIndex) {}
    virtual void setDrawSecondWindow(bool on) {}
    virtual void setSecondAircraftCamera(long modelIndex) {}
    virtual void setSecondGlobalCameraPosition(const QNion* pose) {}
    // The main camera's world position (ft); the last pose handed in by default.
    virtual const double* getCameraPosition() { return camera_.Position.data(); }
    // Screen size in pixels, for the mouse flying area.
    virtual void getMonitorResolution(float& width, float& height) { width = 800.0f; height = 600.0f; }
    virtual bool isSheet() { return false; }  // a sheet over the view takes the mouse
    virtual void setGameTime(int32_t missionTime) {}
    virtual void setSunVectorFromTime(double hours) {}
    virtual const double* getSunUnitVector() { return sun_; }
    virtual void setDisplayVariable(double value) {}
    virtual void setScreenShotPending() {}
    // Mission start: the loading screen's picture, and the fog (mode 0x801 exponential squared).
    virtual void setStartUpTextureNumber(int32_t slot) {}
    virtual void setScreenSaveNameString(const std::string& name) {}  // screen shots' folder and base name
    virtual void glSetFogParameters(double r, double g, double b, int32_t mode, float density) {}
    // A pilot's own paint job, from a picture named after him: a texture number, 0 or less for none.
    virtual int32_t tryForCustomPaintJobBig(const std::string& name) { return 0; }
    virtual int32_t tryForCustomPaintJobSmall(const std::string& name) { return 0; }
    virtual void glDeleteONETexture(int32_t slot) {}
    // The network game's six message lines (256 bytes each, length first); the view draws 0..4.
    virtual void setMessageLines(uint8_t (*lines)[256]) {}

protected:
    QNion camera_;

private:
    double networkTypeSize_ = 0.8;
    double sun_[3] = {0.0, 1.0, 0.0};
};

class ControllerSound {
public:
    virtual ~ControllerSound() = default;
    virtual void setCoreAudioOnOff(bool on) {}
    virtual void setSoundToggle(int32_t mode) {}
    virtual void setAppGlobalVolume(double volume) {}
    virtual void setGunsVolume(double volume) {}
    virtual void setEngineVolume(double volume) {}
    virtual void setStallHornVolume(double volume) {}
    virtual void setOtherItemsVolume(double volume) {}
    virtual void toggleSoundSetting() {}  // the three sound modes in turn
    virtual SoundServices* objectSounds() { return nullptr; }  // what objects play through
};

// One entry of the input object's action ring, as the command handler reads it.
struct GameAction {
    int32_t theTime = 0;      // ticks
    int32_t RawKeyPress = 0;  // raw key code, for the message line
    int32_t command = 0;      // game command number
    int32_t actionType = 0;   // 2 pressed, 1 released
};
inline constexpr int32_t kKeyDown = 2, kKeyUp = 1;

class ControllerInput {
public:
    virtual ~ControllerInput() = default;
    virtual void fromTimerLooper(bool gamePause) {}
    virtual bool haveJoystick() { return false; }
    // The pointer was put at the middle of the window: the mouse stick is centred.
    virtual void pointerCentred() {}
    // Per frame: the flying area first, then the four control values (-1..1, throttle 0..1).
    // An input object that gives no control values leaves the player's controls alone.
    virtual bool hasFlightControls() { return false; }
    virtual void createSurfaceInput(float width, float height) {}
    virtual double getFinalAilerons() { return 0.0; }
    virtual double getFinalElevator() { return 0.0; }
    virtual double getFinalRudder() { return 0.0; }
    virtual double getFinalThrottle() { return 0.0; }
    virtual bool getUseJoyThrottle() { return false; }
    virtual bool getUseJoyRudder() { return false; }
    virtual int32_t getPedalBrakes() { return -1; }  // 1 on, 0 off, -1 no new reading
    // The action ring: the oldest entry without taking it, and taking it; null when empty.
    virtual const GameAction* checkForNextActionInBuffer() { return nullptr; }
    virtual const GameAction* getNextActionInBuffer() { return nullptr; }
    virtual bool isWindowOpen() { return false; }  // an input settings window is open
};

class ControllerNetwork {
public:
    virtual ~ControllerNetwork() = default;
    virtual int32_t getNetworkMode() { return 0; }
    virtual bool amIHost() { return false; }
    virtual void NetworkComm(int32_t missionTime) {}
    virtual bool getInTextMode() { return false; }     // a message line is being typed
    virtual void handleTypingAMessage(int32_t key) {}  // a raw key, 1070 a new line, 71..78 canned
    virtual bool getJoinerPending() { return false; }
    virtual void setMessageChannel(int32_t team) {}    // 0 everybody, else that side
    virtual void declineJoiner() {}
    virtual void acceptJoinerPublic() {}
    virtual double getNetworkPlayDelay() { return 0.0; }
    // What a mission start asks: this machine's role and its joiners' requests (aircraft 1..7).
    virtual bool networkAndJoiner() { return false; }  // this machine joined a running game
    virtual int32_t getJoinerNumber() { return 0; }     // our aircraft's number at the host, 1..7
    virtual int32_t getJoinerTeam(long aircraft) { return 0; }  // 0: none asked for
    virtual int32_t getJoinerTypeForJoiner(long aircraft) { return 0; }
    virtual void setHostTeam(int32_t team) {}
    // The game's identity in network play: protocol version, application and mission count.
    virtual void setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions) {}
    // The end of a game between machines: what the host tells, what this machine shows.
    virtual void setHostSendGameOver(bool over, int32_t result) {}  // result 1: the host's side won
    virtual void setImInGameOver(bool over) {}
    virtual int32_t getHostResult() { return 0; }
    virtual int32_t getOthersInGameOver() { return 0; }
    virtual int32_t getlocalDogfightGameKills() { return 5; }
    virtual int32_t getDogKillType() { return 0; }  // 0 individual, 1 team kills
    // The player flying aircraft slot 0..7, as it was sent; empty for an A.I. aircraft.
    virtual std::string getThisPlayerNamesPtr(long slot) { return {}; }
    // This player as joiners and hosts see him: the length-prefixed name, the address to join,
    // the team asked for, a reserved serial number and the mission.
    virtual void setJoinerParticularsName(const std::array<uint8_t, 48>& name, uint32_t address, int32_t team,
                                          int32_t serialNumber, int32_t mission) {}

    // ---- The lobby's doors.
    // Starts a network game on this machine. kHostRole: listens on `port` for joiners. kJoinerRole:
    // asks the host named by the last setJoinerParticularsName (address in host order, 127.0.0.1 is
    // 0x7F000001) at `port` to take it in, listening on any free port of its own (so a host and a
    // joiner may share a machine). 0 on success; -1, with a beep and the
    // reason in startError(), when no socket could be opened. The join request, the host's answer
    // and the waiting text in the message lines follow in the frames after.
    static constexpr int32_t kHostRole = 2, kJoinerRole = 3;
    virtual int32_t startNetworkRoutines(uint16_t port, int32_t role) { return -1; }
    virtual std::string startError() { return {}; }
    virtual uint16_t localPort() { return 0; }  // the port this machine listens on; 0 with no game
    // Ends the game on this machine: a host tells every joiner, an accepted joiner tells its host,
    // the socket closes, and every remote aircraft becomes local again in its standard paint.
    // Safe to call with no game running and more than once.
    virtual void closeNetworkRoutines() {}
    virtual bool getImInGameOver() { return false; }
    virtual int32_t numberOfJoiners() { return 0; }  // occupied joiner slots
    // Host: the rules of each new game, sent to the joiners in the new-game packets.
    virtual void setResetTimeMissionNumber(long mission, bool idHelp, int32_t killsToWin, int32_t cameraRule,
                                           bool dogfightOnly, int32_t start, int32_t restart, int32_t killType,
                                           bool closeID, double windSpeed, double windDirection) {}
    // The six message lines (length byte first, 256 bytes each): 0 the player's own, 1-4
    // messages and notices, 5 the kills and rules line. Null with no network object.
    using MessageLinesPtr = uint8_t (*)[256];
    virtual MessageLinesPtr getMessageLines() { return nullptr; }
};

// What the world step asks of the effect pools (model index 10 debris, 11..18 explosions, 19 bombs)
// and of the flight model's hit tests. Until those objects exist the defaults do nothing: no
// hits, no debris, no bombs shown on the racks.
class ControllerEffects {
public:
    virtual ~ControllerEffects() = default;
    // Bullets of `shooter`'s guns against one aircraft; the number of hits.
    virtual int32_t buCheckForBulletsOnAircraftHit(ZephModel& shooter, ZephModel& target, int32_t shooterNumber,
                                                   bool inReplay, double modifier) { return 0; }
    virtual void CheckForObjectHit(int32_t shooterNumber, ZephModel& shooter, ModelArray& models, int32_t gtime,
                                   bool inReplay, ControllerServices* caller) {}
    virtual void checkForAircraftToModelCollision(ZephModel& aircraft, ModelArray& models, int32_t gametime) {}
    virtual void CheckForBombHitObject(long dropper, ModelArray& models, int32_t gtime, bool inReplay,
                                       ControllerServices* caller, const double* bomb) {}
    virtual void startOneDebrisFromAircraftHit(ZephModel& debris, ZephModel& target, int32_t time) {}
    virtual void startExplosionDebris(ZephModel& debris, const double* position, int32_t time) {}
    virtual void GroundExplosion1Start(ZephModel& explosion, int32_t time) {}
    virtual void positionBombsOnAircraft(ZephModel& bombs, ZephModel& aircraft, int32_t bombType, long index) {}
    virtual void clearSingleDrawBombs(ZephModel& bombs) {}
    // Six doubles: the newest falling bomb of that aircraft (position ft, velocity ft/tick), else
    // its next bomb on the rack with velocity x 10000; null when neither.
    virtual const double* findNewestBombFrom(ZephModel& bombs, long index, ZephModel& aircraft) { return nullptr; }
};

// The desktop: whether the application is in front, the mouse cursor, time and quitting.
class ControllerDesktop {
public:
    virtual ~ControllerDesktop() = default;
    virtual bool isApplicationActive() { return true; }
    virtual bool hasDisplay() { return true; }
    // 0 arrow, 1 the ball (mouse-flying feedback), 2 crosshair.
    virtual void setCursor(int32_t type) {}
    virtual void showCursor(bool shown) {}
    // Puts the pointer at the middle of the game window, where the mouse stick is centred.
    virtual void centrePointer() {}
    virtual void sleepUntilTick(uint32_t tick) {}
    virtual void terminate() {}
};

}  // namespace pellam
