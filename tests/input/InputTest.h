#pragma once
// Shared input fixtures: a user-defaults store on a file of its own, joysticks that answer reads
// from a value table and queue the events pushed with press(), and key events.
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "input/PellamJoySub.h"
#include "platform/UserDefaults.h"
#include "platform/hid/HidDevices.h"
#include "platform/hid/ToolkitKeys.h"
#include "tests/TestFolder.h"

namespace pellam::input {

// A command in a failed expectation: its title and number.
inline void PrintTo(CommandNumber c, std::ostream* os) {
    *os << numberOf(c) << " \"" << commandTitle(c) << "\"";
}

}  // namespace pellam::input

namespace pellam::input::test {

using platform::hid::HidDeviceInfo;
using platform::hid::HidElement;
using platform::hid::HidQueueEvent;

// A user-defaults store in a folder of its own, removed afterwards.
class TempStore {
public:
    platform::UserDefaults& operator*() { return store_; }
    platform::UserDefaults* operator->() { return &store_; }

private:
    static inline std::atomic<int> count_{0};
    testing::TestFolder folder_{"pellam-input-" + std::to_string(count_++)};
    platform::UserDefaults store_{folder_.file("defaults.json")};
};

inline platform::hid::ToolkitKeyEvent keyEvent(uint16_t c, uint32_t flags = 0) {
    platform::hid::ToolkitKeyEvent e;
    e.characters[0] = c;
    e.modifierFlags = flags;
    return e;
}

struct FakeDevice {
    HidDeviceInfo info;
    bool propertiesFail = false;
    bool open = false;
    bool queueExists = false;
    bool queueStarted = false;
    std::vector<int32_t> queued;
    std::deque<HidQueueEvent> events;
    std::map<int32_t, int32_t> values;
};

inline HidElement axis(int32_t cookie, int32_t usage, int32_t min = 0, int32_t max = 1023) {
    return {cookie, platform::hid::kGenericDesktopPage, usage, min, max};
}

inline FakeDevice stick(std::vector<HidElement> elements) {
    FakeDevice d;
    d.info.primaryUsage = platform::hid::kUsageJoystick;
    d.info.primaryUsagePage = platform::hid::kGenericDesktopPage;
    d.info.elements = std::move(elements);
    return d;
}

// X, Y, rudder (Rz) and throttle (slider) on cookies 1..4 resting mid-range, a hat on 5 and
// `buttons` buttons from cookie 10.
inline FakeDevice fullStick(int buttons = 12) {
    using namespace platform::hid;
    FakeDevice d = stick({axis(1, kUsageX), axis(2, kUsageY), axis(3, kUsageRz), axis(4, kUsageSlider),
                          {5, kGenericDesktopPage, kUsageHatSwitch, 0, 7}});
    for (int b = 0; b < buttons; ++b) d.info.elements.push_back({10 + b, kButtonPage, b + 1, 0, 1});
    d.values = {{1, 512}, {2, 512}, {3, 512}, {4, 512}};
    return d;
}

class FakeHid : public platform::hid::HidServices {
public:
    std::vector<FakeDevice> devices;

    int deviceCount() override { return static_cast<int>(devices.size()); }
    bool deviceProperties(int d, HidDeviceInfo& info) override {
        if (devices[d].propertiesFail) return false;
        info = devices[d].info;
        return true;
    }
    bool openDevice(int d) override { return devices[d].open = true; }
    void closeDevice(int d) override { devices[d].open = false; }
    bool getElementValue(int d, int32_t cookie, int32_t& value) override {
        auto it = devices[d].values.find(cookie);
        if (!devices[d].open || it == devices[d].values.end()) return false;
        value = it->second;
        return true;
    }
    bool createQueue(int d, int) override { return devices[d].queueExists = true; }
    void addElementToQueue(int d, int32_t cookie) override { devices[d].queued.push_back(cookie); }
    void startQueue(int d) override { devices[d].queueStarted = true; }
    void stopQueue(int d) override { devices[d].queueStarted = false; }
    void disposeQueue(int d) override { devices[d].queueExists = false; }
    bool mainDisplaySize(int& width, int& height) override {
        width = 1440, height = 900;
        return true;
    }
    bool getNextEvent(int d, HidQueueEvent& event) override {
        if (!devices[d].queueExists || devices[d].events.empty()) return false;
        event = devices[d].events.front();
        devices[d].events.pop_front();
        return true;
    }

    // An event on device d, queued only when the element was added to a started queue.
    void press(int d, int32_t cookie, int32_t value) {
        FakeDevice& dev = devices[d];
        if (!dev.queueStarted) return;
        for (int32_t c : dev.queued)
            if (c == cookie) dev.events.push_back({cookie, value});
    }
};

// Fake joysticks holding `devices`, a store, and the input object on them, woken as at start-up.
struct Rig {
    FakeHid hid;
    TempStore store;
    std::unique_ptr<PellamJoySub> in;
    explicit Rig(std::vector<FakeDevice> devices = {}) {
        hid.devices = std::move(devices);
        in = std::make_unique<PellamJoySub>(&hid, *store);
        in->awakeFromNib();
    }
    void set(int32_t cookie, int32_t value, int d = 0) { hid.devices[d].values[cookie] = value; }
};

}  // namespace pellam::input::test
