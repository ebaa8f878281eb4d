// Joystick buttons, the hat switch and mouse buttons into the action ring; their command tables.
#include <cmath>

#include "input/DoJoystick.h"
#include "platform/TickCount.h"

namespace pellam::input {

namespace {
constexpr int32_t kJoystickCode = 0x100000;  // keeps joystick raw codes apart from key codes
}

void DoJoystick::writeEntry(int32_t rawKey, uint8_t stored, uint8_t type) {
    ActionItem1 item;
    item.RawKeyPress = rawKey;
    const CommandNumber command = commandFrom(stored);
    item.theAction = command == CommandNumber::None ? CommandNumber::Unbound : command;  // None reads as an empty slot
    item.actionType = type;
    item.theTime = platform::TickCount();
    ring_.push(item);
}

void DoJoystick::CheckJoystickQueue() {
    using D = JoystickDevices;
    // One event per device per frame: a burst is worked off over several frames.
    for (int d = 0; d < D::kMaxDevices; ++d) {
        platform::hid::HidQueueEvent ev;
        if (!joysticks_.nextQueueEvent(d, ev)) continue;

        auto matches = [&](int g) {
            const JoystickGroup& grp = joysticks_.group(g);
            return grp.cookie == ev.cookie && grp.device == d;
        };
        int button = 0;
        for (int g = D::kFirstButton; g <= D::kLastLowButton && !button; ++g)
            if (matches(g)) button = g;
        for (int g = D::kFirstHighButton; g <= D::kLastHighButton && !button; ++g)
            if (matches(g)) button = g;
        if (button) {
            writeEntry(kJoystickCode + button, JoystickButtonTranslation[button], ev.value == 0 ? kReleased : kPressed);
            continue;
        }
        if (!matches(D::kHat)) continue;

        const JoystickGroup& hat = joysticks_.group(D::kHat);
        const double span = static_cast<double>(int64_t(hat.max) - hat.min) + 1.0;
        if (span <= 0) continue;  // an inverted range names no position
        int p = static_cast<int>(std::trunc((static_cast<double>(ev.value) - hat.min) / span * 8.0));
        p = p < 0 ? 0 : p > 7 ? 7 : p;
        const bool engaged = ev.value >= hat.min && ev.value <= hat.max;
        const int32_t code = kJoystickCode + D::kFirstHatPosition + p;
        if (engaged) {
            writeEntry(code, JoystickButtonTranslation[D::kFirstHatPosition + p], kPressed);
            PreviousHatSwitch = p;
            if (StickyHat) writeEntry(code, JoystickButtonTranslation[D::kFirstHatPosition + p], kReleased);
        } else {
            // Back to the centre: the last position pressed is released.
            writeEntry(code, JoystickButtonTranslation[D::kFirstHatPosition + PreviousHatSwitch], kReleased);
            if (StickyHat) {
                writeEntry(kJoystickCode + D::kHatAtRest, JoystickButtonTranslation[D::kHatAtRest], kPressed);
                writeEntry(kJoystickCode + D::kHatAtRest, JoystickButtonTranslation[D::kHatAtRest], kReleased);
            }
        }
    }
}

namespace {
// What a button table may hold: a command, or Unbound for a button that sends none.
bool storable(CommandNumber c) { return c > CommandNumber::None && c <= CommandNumber::Unbound; }
}  // namespace

CommandNumber DoJoystick::getJoystickButtonCommand(int group) const {
    return group >= 6 && group <= 62 ? commandFrom(JoystickButtonTranslation[group]) : CommandNumber::None;
}

void DoJoystick::setJoystickButtonCommand(CommandNumber command, int group) {
    if (storable(command) && group >= 6 && group <= 62) JoystickButtonTranslation[group] = byteOf(command);
}

CommandNumber DoJoystick::getMouseCommand(int button) const {
    return button >= 0 && button <= 3 ? commandFrom(MouseButtonTranslation[button]) : CommandNumber::None;
}

void DoJoystick::setMouseCommand(CommandNumber command, int button) {
    if (storable(command) && button >= 0 && button < kMouseButtons) MouseButtonTranslation[button] = byteOf(command);
}

void DoJoystick::makeJoystickButtonTranslationCopy() {
    JoystickButtonTranslationBU = JoystickButtonTranslation;
    StickyHatBU = StickyHat;
    AileronDirectionBU = AileronDirection;
    ElevatorDirectionBU = ElevatorDirection;
    RudderDirectionBU = RudderDirection;
    ThrottleDirectionBU = ThrottleDirection;
    buttonCopyTaken_ = true;
}

void DoJoystick::restoreJoystickButtonTranslationCopy() {
    if (!buttonCopyTaken_) return;  // nothing to go back to: keep the commands
    JoystickButtonTranslation = JoystickButtonTranslationBU;
    StickyHat = StickyHatBU;
    AileronDirection = AileronDirectionBU;
    ElevatorDirection = ElevatorDirectionBU;
    RudderDirection = RudderDirectionBU;
    ThrottleDirection = ThrottleDirectionBU;
}

void DoJoystick::mouseButton(int button, bool down) {
    // Written as the click happens, so a click shorter than a frame still fires. Only the left
    // and right buttons send commands; the others send nothing.
    if (button < 0 || button > 1) return;
    writeEntry(0, MouseButtonTranslation[button], down ? kPressed : kReleased);
}

void DoJoystick::pointerMoved(float x, float y) {
    GlobalMouseX = x;
    GlobalMouseY = y;
    havePointer_ = true;
}

}  // namespace pellam::input
