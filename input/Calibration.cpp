// Joystick calibration: extremes swept while the calibrator is open, rest positions on Okay, and
// the per-axis centre offset and scale derived from them.
#include <algorithm>
#include <cmath>

#include "input/DoJoystick.h"

namespace pellam::input {

namespace {

constexpr double kUnsetBelow = -100000.0;
constexpr double kStickReach = 1.1;     // the shorter side of the travel reaches this
constexpr double kThrottleReach = 1.3;  // full throttle at about 77 % of the measured travel
constexpr double kStillThrottleScale = 2.4;

void widen(double raw, double& low, double& high) {
    if (raw < low || low < kUnsetBelow) low = raw;
    if (raw > high || high < kUnsetBelow) high = raw;
}

// A raw element value as a fraction of the element's travel, and back. Sticks report signed
// ranges (-32768..32767) as well as 0..max, so the travel starts at the minimum, not at 0.
double fraction(double value, const JoystickGroup& g) {
    return g.max > g.min ? (value - g.min) / (static_cast<double>(g.max) - g.min) : 0.0;
}
double rawAt(double f, const JoystickGroup& g) { return g.min + f * (static_cast<double>(g.max) - g.min); }
double clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

}  // namespace

void DoJoystick::initJoystickCalibrateVariables() {
    JLeft = JRight = JDown = JUp = JThrLow = JThrHigh = JRudderLeft = JRudderRight = kUnset;
}

void DoJoystick::TrackJoystickForCalibrate() {
    if (!DoingCalWindow) return;
    // An axis without an element keeps its extremes unset.
    auto track = [&](int axis, const double& raw, double& low, double& high) {
        getAxisPosition(axis);
        if (joysticks_.group(axis).cookie != 0) widen(raw, low, high);
    };
    track(JoystickDevices::kStickX, JoystickXRaw, JLeft, JRight);
    track(JoystickDevices::kStickY, JoystickYRaw, JDown, JUp);
    track(JoystickDevices::kThrottle, JoystickThrottleRaw, JThrLow, JThrHigh);
    track(JoystickDevices::kRudder, JoystickZRaw, JRudderLeft, JRudderRight);
}

void DoJoystick::getJoystickCentersAndCalibrate() {
    getAxisPosition(JoystickDevices::kStickX);
    getAxisPosition(JoystickDevices::kStickY);
    getAxisPosition(JoystickDevices::kRudder);
    JLRCenter = JoystickXRaw;
    JUDCenter = JoystickYRaw;
    JRudderCenter = JoystickZRaw;

    // An axis without an element, with a range of one value, or never swept keeps its old
    // calibration: a zero half-range would divide by zero.
    auto centred = [&](int g, double centre, double low, double high, double& adder, double& calibrator) {
        const JoystickGroup& grp = joysticks_.group(g);
        const double half = (static_cast<double>(grp.max) - grp.min) / 2;
        if (grp.cookie == 0 || !(half > 0) || low < kUnsetBelow || high < kUnsetBelow) return;
        double below = centre - low, above = high - centre;
        if (below <= 0) below = 1.0;
        if (above <= 0) above = 1.0;
        const double a = ((half + grp.min) - centre) / half;
        const double c = half / std::min(below, above) * kStickReach;
        if (std::isfinite(a) && std::isfinite(c)) adder = a, calibrator = c;
    };
    centred(JoystickDevices::kStickX, JLRCenter, JLeft, JRight, AileronCenterAdder, AileronCalibrator);
    centred(JoystickDevices::kStickY, JUDCenter, JDown, JUp, ElevatorCenterAdder, ElevatorCalibrator);
    centred(JoystickDevices::kRudder, JRudderCenter, JRudderLeft, JRudderRight, RudderCenterAdder, RudderCalibrator);

    const JoystickGroup& thr = joysticks_.group(JoystickDevices::kThrottle);
    const double range = static_cast<double>(thr.max) - thr.min;
    if (thr.cookie != 0 && range > 0 && JThrLow >= kUnsetBelow && JThrHigh >= kUnsetBelow) {
        ThrottleStartAdder = thr.min - JThrLow;
        ThrottleRangeCalibrator =
            JThrHigh == JThrLow ? kStillThrottleScale : range / (JThrHigh - JThrLow) * kThrottleReach;
        if (!std::isfinite(ThrottleRangeCalibrator)) ThrottleRangeCalibrator = kStillThrottleScale;
    }
}

const std::array<double, 12>& DoJoystick::getRanges() {
    const JoystickGroup &gx = joysticks_.group(1), &gy = joysticks_.group(2), &gr = joysticks_.group(3),
                        &gt = joysticks_.group(4);
    auto lowBound = [](double v) { return std::isfinite(v) ? std::max(v, 0.0) : 0.0; };
    auto highBound = [](double v) { return std::isfinite(v) ? std::min(v, 1.0) : 1.0; };
    TheRanges[0] = lowBound(fraction(JLeft, gx));
    TheRanges[1] = highBound(fraction(JRight, gx));
    TheRanges[2] = highBound(fraction(JUp, gy));
    TheRanges[3] = lowBound(fraction(JDown, gy));
    TheRanges[4] = fraction(JThrLow, gt);
    TheRanges[5] = fraction(JThrHigh, gt);
    TheRanges[6] = lowBound(fraction(JRudderLeft, gr));
    TheRanges[7] = highBound(fraction(JRudderRight, gr));
    if (UseRaw) {
        TheRanges[8] = fraction(JoystickXRaw, gx);
        TheRanges[9] = fraction(JoystickYRaw, gy);
        TheRanges[10] = fraction(JoystickZRaw, gr);
        TheRanges[11] = fraction(JoystickThrottleRaw, gt);
    } else {
        TheRanges[8] = clamp01((JoystickXNotRaw + 1) / 2);
        TheRanges[9] = clamp01((JoystickYNotRaw + 1) / 2);
        TheRanges[10] = clamp01((JoystickZNotRaw + 1) / 2);
        TheRanges[11] = clamp01(JoystickThrottleNotRaw);
    }
    return TheRanges;
}

void DoJoystick::setRanges(const double* f) {
    if (!f) return;
    const JoystickGroup &gx = joysticks_.group(1), &gy = joysticks_.group(2), &gr = joysticks_.group(3),
                        &gt = joysticks_.group(4);
    JLeft = rawAt(f[0], gx);
    JRight = rawAt(f[1], gx);
    JUp = rawAt(f[2], gy);
    JDown = rawAt(f[3], gy);
    JThrLow = rawAt(f[4], gt);
    JThrHigh = rawAt(f[5], gt);
    JRudderLeft = rawAt(f[6], gr);
    JRudderRight = rawAt(f[7], gr);
}

}  // namespace pellam::input
