#pragma once
// The controller's stand-ins for neighbours it was not handed (tests, tools and benchmarks run it
// without a window, sound or network): each does the least a missing neighbour must. The game
// hands in its real ones. A test's fake derives from these and overrides what it watches.
#include "game/Neighbours.h"

namespace pellam {

// A view that draws nothing: it keeps the last camera pose and the message size it was given, and
// its sun stands overhead. Video memory is never a reason to refuse here: enough is assumed.
class StandInView : public ControllerView {
public:
    void setModelArray(ModelArray* models) override {}
    void setController(ControllerServices* controller) override {}
    void setPlayOpening(bool play) override {}
    void setScreenSaveType(int32_t type) override {}
    void setNetworkTypeSize(double size) override { networkTypeSize_ = size; }
    double getNetworkTypeSize() override { return networkTypeSize_; }
    void setGlobalCameraPosition(const QNion* pose) override { camera_ = *pose; }
    void setCameraViewToVectorX(double x, double y, double z, double bank) override {}
    void setVBLSyncing(bool on) override {}
    void doLoadingFeedback() override {}
    void setDoFeedback(bool on) override {}
    void showLoadingProgress(double done) override {}
    bool drawLastLoadingPicture() override { return false; }
    void setWindowLevelToNormal(int32_t level) override {}
    void setWindowLevelToFront(int32_t level) override {}
    bool getVRAMOkay() override { return true; }
    int64_t getVRAM() override { return 0; }
    int64_t getTotalVRAMUsed() override { return 0; }
    void drawRect(int32_t gameTime) override {}
    void showFrame() override {}
    void drawUnseen(const QNion& camera, long insideItem, bool world, bool insideCloud) override {}
    void finishDrawing() override {}
    void drawBuilder(builder::MissionBuilder& builder) override {}
    void setKeepScene(bool keep) override {}
    void sceneChanged() override {}
    std::vector<std::string> takeNotices() override { return {}; }
    void setCameraInsideItem(long modelIndex) override {}
    long getCameraInsideItem() override { return -1; }
    std::array<double, 3> getNearPlane() override { return {}; }
    void setWorldNearLimit(double ft) override {}
    std::array<double, 3> getSecondNearPlane() override { return {}; }
    void setSecondNearLimit(double ft) override {}
    void setCameraInsideItem2(long modelIndex) override {}
    void setDrawSecondWindow(bool on) override {}
    void setSecondAircraftCamera(long modelIndex) override {}
    void setSecondGlobalCameraPosition(const QNion* pose) override {}
    const double* getCameraPosition() override { return camera_.Position.data(); }
    void getMonitorResolution(float& width, float& height) override { width = 800.0f; height = 600.0f; }
    void setGameTime(int32_t missionTime) override {}
    void setSunVectorFromTime(double hours) override {}
    const double* getSunUnitVector() override { return sun_; }
    void setDisplayVariable(double value) override {}
    bool isSheet() override { return false; }
    void setStartUpTextureNumber(int32_t slot) override {}
    void setScreenSaveNameString(const std::string& name) override {}
    void glSetFogParameters(double r, double g, double b, int32_t mode, float density) override {}
    int32_t tryForCustomPaintJobBig(const std::string& name) override { return 0; }
    int32_t tryForCustomPaintJobSmall(const std::string& name) override { return 0; }
    void glDeleteONETexture(int32_t slot) override {}
    void setMessageLines(uint8_t (*lines)[256]) override {}

protected:
    QNion camera_;

private:
    double networkTypeSize_ = 0.8;
    double sun_[3] = {0.0, 1.0, 0.0};
};

// No sound: every setting is taken and nothing plays.
class SilentSound : public ControllerSound {
public:
    void setCoreAudioOnOff(bool on) override {}
    void setSoundToggle(int32_t mode) override {}
    void setAppGlobalVolume(double volume) override {}
    void setGunsVolume(double volume) override {}
    void setEngineVolume(double volume) override {}
    void setStallHornVolume(double volume) override {}
    void setOtherItemsVolume(double volume) override {}
    void toggleSoundSetting() override {}
    SoundServices* objectSounds() override { return nullptr; }
};

// No input: no stick, no control values, an empty action ring.
class StandInInput : public ControllerInput {
public:
    void fromTimerLooper(bool gamePause) override {}
    bool haveJoystick() override { return false; }
    void pointerCentred() override {}
    bool hasFlightControls() override { return false; }
    void createSurfaceInput(float width, float height) override {}
    double getFinalAilerons() override { return 0.0; }
    double getFinalElevator() override { return 0.0; }
    double getFinalRudder() override { return 0.0; }
    double getFinalThrottle() override { return 0.0; }
    bool getUseJoyThrottle() override { return false; }
    bool getUseJoyRudder() override { return false; }
    int32_t getPedalBrakes() override { return -1; }
    const GameAction* checkForNextActionInBuffer() override { return nullptr; }
    const GameAction* getNextActionInBuffer() override { return nullptr; }
    bool isWindowOpen() override { return false; }
};

// No network: never in a game, nothing to send; a game cannot be started.
class StandInNetwork : public ControllerNetwork {
public:
    int32_t getNetworkMode() override { return 0; }
    bool amIHost() override { return false; }
    void NetworkComm(int32_t missionTime) override {}
    bool getInTextMode() override { return false; }
    void handleTypingAMessage(int32_t key) override {}
    bool getJoinerPending() override { return false; }
    void setMessageChannel(int32_t team) override {}
    void declineJoiner() override {}
    void acceptJoinerPublic() override {}
    double getNetworkPlayDelay() override { return 0.0; }
    bool networkAndJoiner() override { return false; }
    int32_t getJoinerNumber() override { return 0; }
    int32_t getJoinerTeam(long aircraft) override { return 0; }
    int32_t getJoinerTypeForJoiner(long aircraft) override { return 0; }
    void setHostTeam(int32_t team) override {}
    void setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions) override {}
    void setHostSendGameOver(bool over, int32_t result) override {}
    void setImInGameOver(bool over) override {}
    int32_t getHostResult() override { return 0; }
    int32_t getOthersInGameOver() override { return 0; }
    int32_t getlocalDogfightGameKills() override { return 5; }
    int32_t getDogKillType() override { return 0; }
    std::string getThisPlayerNamesPtr(long slot) override { return {}; }
    void setJoinerParticularsName(const std::array<uint8_t, 48>& name, uint32_t address, int32_t team,
                                  int32_t serialNumber, int32_t mission) override {}
    int32_t startNetworkRoutines(uint16_t port, int32_t role) override { return -1; }
    std::string startError() override { return {}; }
    uint16_t localPort() override { return 0; }
    void closeNetworkRoutines() override {}
    bool getImInGameOver() override { return false; }
    int32_t numberOfJoiners() override { return 0; }
    void setResetTimeMissionNumber(long mission, bool idHelp, int32_t killsToWin, int32_t cameraRule,
                                   bool dogfightOnly, int32_t start, int32_t restart, int32_t killType, bool closeID,
                                   double windSpeed, double windDirection) override {}
    MessageLinesPtr getMessageLines() override { return nullptr; }
};

// A desktop always in front, with a display, that does not wait for the tick.
class StandInDesktop : public ControllerDesktop {
public:
    bool isApplicationActive() override { return true; }
    bool hasDisplay() override { return true; }
    void setCursor(int32_t type) override {}
    void showCursor(bool shown) override {}
    void centrePointer() override {}
    void sleepUntilTick(uint32_t tick) override {}
    void terminate() override {}
};

}  // namespace pellam
