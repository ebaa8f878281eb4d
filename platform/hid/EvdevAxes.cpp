#include "platform/hid/EvdevAxes.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include "platform/hid/HidDevices.h"

namespace pellam::platform::hid {

std::vector<AxisUsage> axisUsagesOfCodes(const std::vector<int>& absCodes) {
    std::vector<AxisUsage> usages;
    usages.reserve(absCodes.size());
    for (int code : absCodes) {
        AxisUsage u;
        switch (code) {
            case ABS_X: u = {kGenericDesktopPage, kUsageX}; break;
            case ABS_Y: u = {kGenericDesktopPage, kUsageY}; break;
            case ABS_Z: u = {kGenericDesktopPage, kUsageZ}; break;
            case ABS_RX: u = {kGenericDesktopPage, kUsageRx}; break;
            case ABS_RY: u = {kGenericDesktopPage, kUsageRy}; break;
            case ABS_RZ: u = {kGenericDesktopPage, kUsageRz}; break;
            case ABS_THROTTLE: u = {kGenericDesktopPage, kUsageSlider}; break;
            case ABS_RUDDER: u = {kSimulationPage, kUsageRudder}; break;
            case ABS_WHEEL: u = {kGenericDesktopPage, kUsageWheel}; break;
            case ABS_GAS: u = {kSimulationPage, kUsageAccelerator}; break;
            case ABS_BRAKE: u = {kSimulationPage, kUsageBrake}; break;
            default: break;  // pressure, tilt, volume, misc: no use in flight
        }
        usages.push_back(u);
    }
    return usages;
}

std::optional<std::vector<int>> readAxisCodes(const char* path) {
    if (!path) return std::nullopt;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    libevdev* dev = nullptr;
    std::optional<std::vector<int>> codes;
    if (libevdev_new_from_fd(fd, &dev) == 0) {
        codes.emplace();
        for (int code = 0; code < ABS_MAX; ++code) {
            if (code >= ABS_HAT0X && code <= ABS_HAT3Y) continue;
            if (libevdev_has_event_code(dev, EV_ABS, code)) codes->push_back(code);
        }
        libevdev_free(dev);
    }
    close(fd);
    return codes;
}

}  // namespace pellam::platform::hid
