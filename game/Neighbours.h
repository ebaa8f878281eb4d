#pragma once
// What the controller asks of its neighbours: the game view, the sound object, the input object,
// the network link and the desktop it runs on. Each default is the least a missing neighbour must
// do; the real objects are adapted to these at start-up (see main.cpp).
#include <cstdint>

#include "core/QNion.h"
#include "core/Services.h"

namespace pellam {

class ControllerView {
public:
    virtual ~ControllerView() = default;
    virtual void setModelArray(ModelArray* models) {}
    virtual void setController(ControllerServices* controller) {}
    virtual void setPlayOpening(bool play) {}
    virtual void setScreenSaveType(int32_t type) {}
    virtual void setNetworkTypeSize(double size) { networkTypeSize_ = size; }
    virtual double getNetworkTypeSize() { return networkTypeSize_; }
    virtual void setGlobalCameraPosition(const QNion* pose) {}
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

private:
    double networkTypeSize_ = 0.8;
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
    virtual SoundServices* objectSounds() { return nullptr; }  // what objects play through
};

class ControllerInput {
public:
    virtual ~ControllerInput() = default;
    virtual void fromTimerLooper(bool gamePause) {}
    virtual bool haveJoystick() { return false; }
};

class ControllerNetwork {
public:
    virtual ~ControllerNetwork() = default;
    virtual int32_t getNetworkMode() { return 0; }
    virtual bool amIHost() { return false; }
    virtual void NetworkComm(int32_t missionTime) {}
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
    virtual void sleepUntilTick(uint32_t tick) {}
    virtual void terminate() {}
};

}  // namespace pellam
