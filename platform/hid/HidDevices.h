#pragma once
// Joystick devices as the input library sees them: each device lists its elements (axes, hat
// switches, buttons) with HID usages, cookies and value ranges, answers element reads, and keeps an
// event queue of the elements added to it. SdlJoysticks implements this on SDL's joystick API;
// tests use their own devices. No SDL here.
#include <cstdint>
#include <optional>
#include <vector>

namespace pellam::platform::hid {

// HID usages the input library assigns.
constexpr int32_t kGenericDesktopPage = 1, kSimulationPage = 2, kButtonPage = 9;
constexpr int32_t kUsageJoystick = 4, kUsageX = 0x30, kUsageY = 0x31, kUsageZ = 0x32, kUsageRx = 0x33,
                  kUsageRy = 0x34, kUsageRz = 0x35, kUsageSlider = 0x36, kUsageDial = 0x37, kUsageWheel = 0x38,
                  kUsageHatSwitch = 0x39;
constexpr int32_t kUsageRudder = 0xBA, kUsageThrottle = 0xBB, kUsageAccelerator = 0xC4, kUsageBrake = 0xC5;

struct HidElement {
    int32_t cookie = 0;  // non-zero, unique within its device
    int32_t usagePage = 0;
    int32_t usage = 0;
    int32_t min = 0;
    int32_t max = 0;
};

struct HidDeviceInfo {
    int32_t vendorID = 0;
    int32_t productID = 0;
    int32_t versionNumber = 0;
    std::optional<int32_t> primaryUsage;
    std::optional<int32_t> primaryUsagePage;
    std::vector<HidElement> elements;  // in the order the device lists them
};

struct HidQueueEvent {
    int32_t cookie = 0;
    int32_t value = 0;
};

class HidServices {
public:
    virtual ~HidServices() = default;
    // Devices present now, numbered 0..count-1 for the calls below.
    virtual int deviceCount() = 0;
    // False when the device's properties cannot be read.
    virtual bool deviceProperties(int device, HidDeviceInfo& info) = 0;
    virtual bool openDevice(int device) = 0;
    virtual void closeDevice(int device) = 0;
    // False when the device is not open, gone, or has no such element.
    virtual bool getElementValue(int device, int32_t cookie, int32_t& value) = 0;
    // An event queue per device, holding at most `depth` events; the newest is dropped when full.
    virtual bool createQueue(int device, int depth) = 0;
    virtual void addElementToQueue(int device, int32_t cookie) = 0;
    virtual void startQueue(int device) = 0;
    virtual void stopQueue(int device) = 0;
    virtual void disposeQueue(int device) = 0;
    // Takes the oldest queued event without waiting; false when there is none.
    virtual bool getNextEvent(int device, HidQueueEvent& event) = 0;
    // The main display's size in pixels, which the input object keeps; false when it is unknown.
    virtual bool mainDisplaySize(int& width, int& height) {
        (void)width, (void)height;
        return false;
    }
};

}  // namespace pellam::platform::hid
