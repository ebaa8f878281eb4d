#pragma once
// Joystick discovery: up to three joysticks are opened, and every element the game has a use for
// (stick X and Y, rudder, throttle, hat, 48 buttons, two toe brakes) is recorded in a table of 128
// element groups with its cookie, range and device number. Each opened device gets an event queue
// holding its buttons and hat. Axes are read directly through readElement().
#include <array>
#include <cstdint>

#include "platform/hid/HidDevices.h"

namespace pellam::input {

struct JoystickGroup {
    int32_t cookie = 0;  // 0 = no element
    int32_t min = 0;
    int32_t max = 0;
    int32_t device = -1;  // 0..2; -1 = none
};

class JoystickDevices {
public:
    static constexpr int kGroups = 128;
    static constexpr int kMaxDevices = 3;
    static constexpr int kQueueDepth = 32;
    // Element groups.
    static constexpr int kStickX = 1, kStickY = 2, kRudder = 3, kThrottle = 4, kHat = 5, kFirstButton = 6,
                         kLastLowButton = 21, kFirstHatPosition = 22, kHatAtRest = 30, kFirstHighButton = 31,
                         kLastHighButton = 62, kSecondToeBrake = 122, kFirstToeBrake = 123,
                         kSpareRudder = 124, kSpareThrottle = 125, kSpareHat = 126;

    ~JoystickDevices() { closeReleaseJoystick(); }

    // Finds and opens up to three joysticks and fills the groups and queues. A device whose
    // properties cannot be read is skipped. True when at least one joystick was found.
    bool FindLastJoystick(platform::hid::HidServices* services);
    void closeReleaseJoystick();

    // Group g, or an empty group for g outside 0..127.
    const JoystickGroup& group(int g) const;
    // The current value of group g's element; false when it has none or the read fails.
    bool readElement(int g, int32_t& value) const;
    // The next queued button or hat event of device d (0..2); false when none waits.
    bool nextQueueEvent(int d, platform::hid::HidQueueEvent& event) const;
    bool hasQueue(int d) const { return d >= 0 && d < kMaxDevices && queued_[d]; }
    bool isOpen(int d) const { return d >= 0 && d < kMaxDevices && opened_[d]; }

    int32_t DevicesFound = 0;      // joysticks counted, may exceed three
    int32_t NextButtonNumber = 0;  // number of the next button found, across devices

    std::array<JoystickGroup, kGroups> TheJoystickItems{};

private:
    void MyStoreImportantCookies(const platform::hid::HidElement& e, int32_t vendor, int32_t product);
    void storeGenericAxis(const platform::hid::HidElement& e);
    void storeButton(const platform::hid::HidElement& e);
    void store(int g, const platform::hid::HidElement& e);
    bool empty(int g) const { return TheJoystickItems[g].cookie == 0; }

    platform::hid::HidServices* services_ = nullptr;
    int32_t HIDDeviceNumPass = 0;  // device number being walked
    std::array<int, kMaxDevices> serviceIndex_{-1, -1, -1};
    std::array<bool, kMaxDevices> opened_{};
    std::array<bool, kMaxDevices> queued_{};
};

}  // namespace pellam::input
