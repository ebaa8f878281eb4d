#pragma once
// Joysticks through SDL's joystick API, presented as HID devices: each axis gets the usage its
// event device gives it (EvdevAxes.h); a device whose node cannot be read gets X, Y, Rz, slider
// (a three-axis one: X, Y, slider) and further axes by their place, and the log says so. A game
// pad flies on its left stick as X and Y with the right stick's X as Rz. Hats become 8-position
// hat switches (0 up, clockwise to 7 up-left; 8 at rest); buttons become button-page usages 1, 2, ...
// Button and hat events reach a device's queue through handleEvent(), which the game's event loop
// calls for every SDL event.
#include <SDL_events.h>
#include <SDL_joystick.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "platform/hid/EvdevAxes.h"
#include "platform/hid/HidDevices.h"

namespace pellam::platform::hid {

class SdlJoysticks final : public HidServices {
public:
    // The ABS_* codes of a device node, as readAxisCodes() reads them; the path may be null.
    using AxisCodeReader = std::function<std::optional<std::vector<int>>(const char* path)>;

    // Starts SDL's joystick subsystem (with background events allowed, so a window without focus
    // still reads the stick) and lists the devices present now.
    explicit SdlJoysticks(AxisCodeReader readCodes = readAxisCodes);
    ~SdlJoysticks() override;
    SdlJoysticks(const SdlJoysticks&) = delete;
    SdlJoysticks& operator=(const SdlJoysticks&) = delete;

    // True when the subsystem started.
    bool ready() const { return ready_; }

    int deviceCount() override { return static_cast<int>(devices_.size()); }
    bool deviceProperties(int device, HidDeviceInfo& info) override;
    bool openDevice(int device) override;
    void closeDevice(int device) override;
    bool getElementValue(int device, int32_t cookie, int32_t& value) override;
    bool createQueue(int device, int depth) override;
    void addElementToQueue(int device, int32_t cookie) override;
    void startQueue(int device) override;
    void stopQueue(int device) override;
    void disposeQueue(int device) override;
    bool getNextEvent(int device, HidQueueEvent& event) override;
    // Once the game's window has started SDL's video.
    bool mainDisplaySize(int& width, int& height) override;

    // Queues joystick button and hat events; true when the event was a joystick event.
    bool handleEvent(const SDL_Event& event);

    // Element cookies: axes from 1, hats from 0x100, buttons from 0x200.
    static constexpr int32_t kAxisCookie = 1, kHatCookie = 0x100, kButtonCookie = 0x200;
    // The HID hat value (0..7, 8 at rest) of an SDL hat position.
    static int32_t hatValue(Uint8 sdlHat);

private:
    struct Queue {
        bool exists = false;
        bool started = false;
        int depth = 0;
        std::vector<int32_t> cookies;
        std::array<HidQueueEvent, 64> events{};
        int head = 0;
        int count = 0;
    };
    struct Device {
        int deviceIndex = 0;            // SDL device index at listing time
        SDL_Joystick* joystick = nullptr;
        SDL_JoystickID instance = -1;
        bool open = false;
        bool gone = false;
        bool guessLogged = false;  // the log said once that its axes' uses are guessed
        Queue queue;
    };

    Device* device(int index);
    bool ensureJoystick(Device& d);
    std::vector<AxisUsage> axisUsages(Device& d, int axes);
    void push(Device& d, int32_t cookie, int32_t value);

    bool ready_ = false;
    bool gamepads_ = false;  // SDL's game-controller mappings are available
    AxisCodeReader readCodes_;
    std::vector<Device> devices_;
};

}  // namespace pellam::platform::hid
