#include "input/JoystickDevices.h"

namespace pellam::input {

using namespace platform::hid;

const JoystickGroup& JoystickDevices::group(int g) const {
    static const JoystickGroup kNone;
    return g >= 0 && g < kGroups ? TheJoystickItems[g] : kNone;
}

void JoystickDevices::store(int g, const HidElement& e) {
    TheJoystickItems[g] = {e.cookie, e.min, e.max, HIDDeviceNumPass};
}

bool JoystickDevices::FindLastJoystick(HidServices* services) {
    closeReleaseJoystick();
    for (JoystickGroup& g : TheJoystickItems) {
        g.cookie = 0;
        g.device = -1;  // ranges keep their values
    }
    DevicesFound = 0;
    NextButtonNumber = 0;
    serviceIndex_ = {-1, -1, -1};
    services_ = services;
    if (!services_) return false;

    const int count = services_->deviceCount();
    for (int i = 0; i < count; ++i) {
        HidDeviceInfo info;
        if (!services_->deviceProperties(i, info)) continue;  // one bad device does not hide the others
        if (info.primaryUsage != kUsageJoystick || info.primaryUsagePage != kGenericDesktopPage) continue;
        if (DevicesFound < kMaxDevices) {
            HIDDeviceNumPass = DevicesFound;
            serviceIndex_[DevicesFound] = i;
            for (const HidElement& e : info.elements) MyStoreImportantCookies(e, info.vendorID, info.productID);
        }
        ++DevicesFound;
    }
    if (DevicesFound == 0) return false;

    for (int d = 0; d < kMaxDevices; ++d)
        if (serviceIndex_[d] >= 0) opened_[d] = services_->openDevice(serviceIndex_[d]);

    // Every opened device gets its queue of buttons and hat.
    for (int d = 0; d < kMaxDevices; ++d) {
        if (!opened_[d] || !services_->createQueue(serviceIndex_[d], kQueueDepth)) continue;
        queued_[d] = true;
        auto add = [&](int g) {
            if (TheJoystickItems[g].cookie != 0 && TheJoystickItems[g].device == d)
                services_->addElementToQueue(serviceIndex_[d], TheJoystickItems[g].cookie);
        };
        for (int g = kFirstButton; g <= kLastLowButton; ++g) add(g);
        for (int g = kFirstHighButton; g <= kLastHighButton; ++g) add(g);
        add(kHat);
        services_->startQueue(serviceIndex_[d]);
    }
    return true;
}

void JoystickDevices::closeReleaseJoystick() {
    if (!services_) return;
    for (int d = 0; d < kMaxDevices; ++d) {
        if (serviceIndex_[d] < 0) continue;
        if (queued_[d]) {
            services_->stopQueue(serviceIndex_[d]);
            services_->disposeQueue(serviceIndex_[d]);
        }
        if (opened_[d]) services_->closeDevice(serviceIndex_[d]);
        queued_[d] = opened_[d] = false;
    }
    services_ = nullptr;
}

bool JoystickDevices::readElement(int g, int32_t& value) const {
    const JoystickGroup& grp = group(g);
    if (grp.cookie == 0 || grp.device < 0 || grp.device >= kMaxDevices || !opened_[grp.device] || !services_)
        return false;
    return services_->getElementValue(serviceIndex_[grp.device], grp.cookie, value);
}

bool JoystickDevices::nextQueueEvent(int d, HidQueueEvent& event) const {
    if (!hasQueue(d) || !services_) return false;
    return services_->getNextEvent(serviceIndex_[d], event);
}

void JoystickDevices::MyStoreImportantCookies(const HidElement& e, int32_t vendor, int32_t product) {
    const bool desktop = e.usagePage == kGenericDesktopPage;
    const int32_t u = e.usage;
    // Known devices whose axes the generic assignment would get wrong.
    if (vendor == 1678 && (product == 1281 || product == 242)) {
        // Rudder pedals with toe brakes: the rudder and the brakes only.
        if (desktop && u == (product == 1281 ? kUsageRz : kUsageZ)) store(kRudder, e);
        if (desktop && u == kUsageX) store(kFirstToeBrake, e);
        if (desktop && u == kUsageY) store(kSecondToeBrake, e);
        return;
    }
    if (vendor == 1678 && product == 241) {
        if (desktop && u == kUsageZ) {
            store(kThrottle, e);
            return;
        }
        storeButton(e);
        return;
    }
    if (vendor == 1699 && product == 1340 && desktop) {
        if (u == kUsageSlider) return store(kThrottle, e);
        if (u == kUsageRx) return store(empty(kRudder) ? kRudder : kSpareRudder, e);
    }
    if (vendor == 1699 && product == 597 && desktop) {
        if (u == kUsageZ) return store(kThrottle, e);
        if (u == kUsageSlider) return;
    }
    if (vendor == 1133 && product == 49686 && desktop) {
        if (u == kUsageZ) return store(kRudder, e);
        if (u == kUsageRz) return store(kThrottle, e);
    }
    if (vendor == 1699 && (product == 65362 || product == 65461) && e.usagePage == kSimulationPage) {
        if (u == kUsageRudder) return store(empty(kRudder) ? kRudder : kSpareRudder, e);
        if (u == kUsageThrottle) return store(kThrottle, e);
    }
    storeGenericAxis(e);
    storeButton(e);
}

void JoystickDevices::storeGenericAxis(const HidElement& e) {
    if (e.usagePage != kGenericDesktopPage) return;
    switch (e.usage) {
        case kUsageX:
            if (empty(kStickX)) store(kStickX, e);
            break;
        case kUsageY:
            if (empty(kStickY)) store(kStickY, e);
            break;
        case kUsageRz:
            store(empty(kRudder) ? kRudder : kSpareRudder, e);
            break;
        case kUsageSlider:
        case kUsageZ:
            if (empty(kThrottle)) {
                store(kThrottle, e);
            } else {
                store(kSpareThrottle, e);
                // A slider beats a Z axis for the throttle; the displaced Z becomes the rudder.
                if (e.usage == kUsageSlider) {
                    TheJoystickItems[empty(kRudder) ? kRudder : kSpareRudder] = TheJoystickItems[kThrottle];
                    store(kThrottle, e);
                }
            }
            break;
        case kUsageHatSwitch:
            store(empty(kHat) ? kHat : kSpareHat, e);
            break;
        default:
            break;
    }
}

void JoystickDevices::storeButton(const HidElement& e) {
    if (e.usagePage != kButtonPage || e.usage < 1 || e.usage > 48) return;
    if (NextButtonNumber == 0) NextButtonNumber = 1;
    const int n = NextButtonNumber++;
    if (n > 48) return;
    const int g = n <= 16 ? n + 5 : n + 14;
    if (empty(g)) store(g, e);
}

}  // namespace pellam::input
