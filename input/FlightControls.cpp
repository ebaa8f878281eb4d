// Flight-control values from the mouse position and the joystick axes.
#include <cmath>

#include "input/DoJoystick.h"

namespace pellam::input {

namespace {

constexpr double kMoveBand = 0.05;          // a value counts as moved past this distance
constexpr double kStickDeadZone = 0.05;     // fraction of travel
constexpr double kStickRescale = 1.052631579;  // 1 / (1 - dead zone)
constexpr double kThrottleFloor = 0.05;
constexpr double kThrottleFull = 0.91;      // above this the throttle is full
constexpr int32_t kToeBrakeOn = 81;         // raw toe-brake value that counts as pressed

bool moved(double now, double last) { return now - last > kMoveBand || last - now > kMoveBand; }
double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

void DoJoystick::readPedalBrakes() {
    using D = JoystickDevices;
    const JoystickGroup& first = joysticks_.group(D::kFirstToeBrake);
    const JoystickGroup& second = joysticks_.group(D::kSecondToeBrake);
    if (!first.cookie || !second.cookie || first.device == -1 || second.device == -1) return;
    int32_t v = 0;
    if (joysticks_.readElement(D::kFirstToeBrake, v)) PedalBrakes = v >= kToeBrakeOn ? 1 : 0;
    if (joysticks_.readElement(D::kSecondToeBrake, v)) {
        if (v >= kToeBrakeOn)
            PedalBrakes = 1;
        else if (PedalBrakes != 1)
            PedalBrakes = 0;
    }
}

int32_t DoJoystick::getPedalBrakes() {
    if (PedalBrakes == -1 || PedalBrakes == PreviousPedalBrakes) return -1;
    PreviousPedalBrakes = PedalBrakes;
    return PedalBrakes;
}

double DoJoystick::getAxisPosition(int32_t axis) {
    if (axis < 1 || axis > 23) return 0.0;
    if (axis == JoystickDevices::kRudder) readPedalBrakes();
    if (axis > JoystickDevices::kThrottle) return 0.0;
    const JoystickGroup& g = joysticks_.group(axis);
    if (g.cookie == 0) return 0.0;
    int32_t v = 0;
    if (!joysticks_.readElement(axis, v)) return 0.0;
    // A range of a single value cannot be scaled: the axis reads as absent.
    const double range = static_cast<double>(int64_t(g.max) - g.min);
    if (!(range > 0)) return 0.0;
    const double fromMin = static_cast<double>(int64_t(v) - g.min);

    if (axis == JoystickDevices::kThrottle) {
        JoystickThrottleRaw = v;
        double p = finiteOr((ThrottleStartAdder + fromMin) * ThrottleRangeCalibrator / range, 0.0);
        p = p < 0 ? 0 : p > 1 ? 1 : p;
        if (ThrottleDirection) p = 1 - p;
        JoystickThrottleNotRaw = p;
        return p;
    }
    double p = fromMin / (range / 2) - 1;
    double *raw, *notRaw, adder, calibrator;
    bool reverse;
    switch (axis) {
        case JoystickDevices::kStickX:
            raw = &JoystickXRaw, notRaw = &JoystickXNotRaw, adder = AileronCenterAdder,
            calibrator = AileronCalibrator, reverse = AileronDirection;
            break;
        case JoystickDevices::kStickY:
            raw = &JoystickYRaw, notRaw = &JoystickYNotRaw, adder = ElevatorCenterAdder,
            calibrator = ElevatorCalibrator, reverse = ElevatorDirection;
            break;
        default:
            raw = &JoystickZRaw, notRaw = &JoystickZNotRaw, adder = RudderCenterAdder,
            calibrator = RudderCalibrator, reverse = RudderDirection;
            break;
    }
    *raw = v;
    p = finiteOr((p + adder) * calibrator, 0.0);
    *notRaw = p;
    return reverse ? -p : p;
}

void DoJoystick::pointerDefault(float width, float height) {
    // Before the pointer is first seen it rests at the centre: the aircraft flies level.
    if (!havePointer_) {
        GlobalMouseX = width / 2;
        GlobalMouseY = height / 2;
    }
}

void DoJoystick::createSurfaceInput(float width, float height) {
    checkJoystickButtonQueue();

    pointerDefault(width, height);
    halfwidth = width / 2;
    halfheight = height / 2;
    if (halfwidth > 0 && halfheight > 0) {
        TheAileronsMouse = finiteOr(static_cast<double>(GlobalMouseX - halfwidth) / halfwidth, 0.0);
        TheElevatorMouse = finiteOr(static_cast<double>(GlobalMouseY - halfheight) / halfheight, 0.0);
    } else {
        TheAileronsMouse = TheElevatorMouse = 0;
    }

    TheAileronsJoy = getAxisPosition(JoystickDevices::kStickX);
    TheElevatorJoy = getAxisPosition(JoystickDevices::kStickY);
    TheRudderJoy = getAxisPosition(JoystickDevices::kRudder);
    TheThrottleJoy = getAxisPosition(JoystickDevices::kThrottle);
    if (TheThrottleJoy < kThrottleFloor) TheThrottleJoy = kThrottleFloor;

    // Whichever moved last flies the aircraft; in a frame where both moved, the mouse.
    if (moved(TheAileronsJoy, JoystickAilerons)) UseJoystick = true, JoystickAilerons = TheAileronsJoy;
    if (moved(TheElevatorJoy, JoystickElevator)) UseJoystick = true, JoystickElevator = TheElevatorJoy;
    if (moved(TheAileronsMouse, MouseAilerons)) UseJoystick = false, MouseAilerons = TheAileronsMouse;
    if (moved(TheElevatorMouse, MouseElevator)) UseJoystick = false, MouseElevator = TheElevatorMouse;

    if (UseJoystick) {
        TheAilerons = TheAileronsJoy;
        TheElevator = TheElevatorJoy;
    } else {
        TheAilerons = 2 * TheAileronsMouse;
        TheElevator = 1.5 * TheElevatorMouse;
    }

    UseJoyRudder = moved(TheRudderJoy, JoystickRudder);
    if (UseJoyRudder) JoystickRudder = TheRudderJoy;
    UseJoyThrottle = moved(TheThrottleJoy, JoystickThrottle);
    if (UseJoyThrottle) JoystickThrottle = TheThrottleJoy;

    if (UseJoyRudder) TheRudder = TheRudderJoy;
    ConvertRawInputs();
    if (UseJoyRudder) TheRudder1 = TheRudder;
    if (UseJoyThrottle) TheThrottle = TheThrottleJoy > kThrottleFull ? 1.0 : TheThrottleJoy;

    // Nothing that is not a number reaches the flight model.
    TheAilerons = finiteOr(TheAilerons, 0.0);
    TheElevator = finiteOr(TheElevator, 0.0);
    TheRudder = finiteOr(TheRudder, 0.0);
    TheRudder1 = finiteOr(TheRudder1, 0.0);
    TheThrottle = finiteOr(TheThrottle, 0.0);

    // The open settings windows' trackers come last, on the values this frame flew with: a
    // reversal ticked in the joystick window turns its axis round from the next frame on.
    TrackJoystickForCalibrate();
    handleJDefineTracker();
    handleKeyDefineTracker();
}

double DoJoystick::shapeStick(double x) const {
    const double e = UseJoystick ? StickCurveJoy : StickCurveMou;
    if (x < 0) {
        if (UseJoystick) x += kStickDeadZone;
        if (x > 0) return 0;
        return -std::pow(-x * kStickRescale, e);
    }
    if (UseJoystick) x -= kStickDeadZone;
    if (x < 0) return 0;
    return std::pow(x * kStickRescale, e);
}

void DoJoystick::ConvertRawInputs() {
    const double d = StickRudDead, e = StickCurveRud;
    double x = TheRudder;
    const double scale = d < 1 ? 1 / (1 - d) : 0;
    if (x < 0) {
        x += d;
        if (x > 0) x = 0;
        x = -std::pow(-x * scale, e);
        if (x < -1) x = -1;
    } else {
        x -= d;
        if (x < 0) x = 0;
        x = std::pow(x * scale, e);
        if (x > 1) x = 1;
    }
    TheRudder = x;
    TheAilerons = shapeStick(TheAilerons);
    TheElevator = shapeStick(TheElevator);
}

}  // namespace pellam::input
