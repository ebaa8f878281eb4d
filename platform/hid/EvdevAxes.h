#pragma once
// The use of each joystick axis, read from the kernel's event device rather than guessed from the
// axis's place: the device's ABS_* codes, in the order SDL numbers the axes, map to HID usages.
// No SDL here.
#include <cstdint>
#include <optional>
#include <vector>

namespace pellam::platform::hid {

struct AxisUsage {
    int32_t usagePage = 0;  // 0 with usage 0: an axis with no use
    int32_t usage = 0;
    bool operator==(const AxisUsage&) const = default;
};

// One usage per ABS_* code. The kernel gives one code to two usages in three places: ABS_THROTTLE
// is a slider or a simulation throttle (read as the slider, which the generic assignment makes the
// throttle), ABS_RUDDER a dial or a simulation rudder (read as the rudder), ABS_WHEEL a wheel or a
// simulation steering wheel (read as the wheel).
std::vector<AxisUsage> axisUsagesOfCodes(const std::vector<int>& absCodes);

// The ABS_* codes of the event device at `path` that SDL reports as axes, in SDL's order: rising
// code, without the hat codes (SDL makes those hats). Nothing when `path` is null or the node
// cannot be opened or read as an event device.
std::optional<std::vector<int>> readAxisCodes(const char* path);

}  // namespace pellam::platform::hid
