// Key presses and releases into the action ring, and the binding windows' table accessors.
#include "input/DoJoystick.h"

#include "platform/TickCount.h"

namespace pellam::input {

using platform::hid::ToolkitKeyEvent;

namespace {

ActionItem1 keyItem(const ToolkitKeyEvent& e, uint8_t type) {
    ActionItem1 item;
    item.RawKeyPress = rawKeyCode(e.characters[0], e.modifierFlags);
    item.actionType = type;
    item.theTime = platform::TickCount();
    item.UniCodeKey.PrimaryKeyStroke = e.characters[0];
    item.UniCodeKey.SecondaryKeyStroke = e.characters[1];
    item.UniCodeKey.Modifiers = e.modifierFlags & kBindingModifierMask;
    return item;
}

}  // namespace

// A key is the key it was pressed as until it is let go: the s of Alt-s let go after Alt is still
// Alt-s (or the command acting on its release would never come), and Alt pressed while s is held
// does not make s's repeats and release Alt-s.
ToolkitKeyEvent DoJoystick::asPressed(const ToolkitKeyEvent& e, bool release) {
    if (e.physicalKey == 0 || e.physicalKey >= heldKeys_.size()) return e;
    HeldKey& held = heldKeys_[e.physicalKey];
    if (!release && !(e.isARepeat && held.down)) {
        held = {true, {e.characters[0], e.characters[1]}, e.modifierFlags};
        return e;
    }
    if (!held.down) return e;  // its press went to a window, or came before the game had the keyboard
    held.down = !release;
    ToolkitKeyEvent as = e;
    as.characters[0] = held.characters[0];
    as.characters[1] = held.characters[1];
    as.modifierFlags = held.modifierFlags;
    return as;
}

void DoJoystick::keyDown(const ToolkitKeyEvent& event) {
    const ToolkitKeyEvent e = asPressed(event, false);
    // A held key repeats as release-and-press pairs.
    if (e.isARepeat) MykeyUp(e);
    ActionItem1 item = keyItem(e, kPressed);
    getKeyAction(item);
    ring_.push(item);
    if (WaitingForKey && item.theAction != CommandNumber::None && item.UniCodeKey.PrimaryKeyStroke != 0) {
        // The oldest unread entry: this press whenever the capture emptied the ring first.
        const ActionItem1* oldest = ring_.oldestUnread();
        KeyDefine = oldest ? *oldest : item;
        WaitingForKey = false;
    }
}

void DoJoystick::keyUp(const ToolkitKeyEvent& e) {
    ActionItem1 item = keyItem(asPressed(e, true), kReleased);
    getKeyAction(item);
    ring_.push(item);
}

void DoJoystick::MykeyUp(const ToolkitKeyEvent& e) {
    ActionItem1 item = keyItem(e, kReleased);
    const int32_t k = item.RawKeyPress;
    item.theAction = k >= 0 && k < kKeyCodes ? commandFrom(KeyTranslation[k]) : CommandNumber::None;
    if (item.theAction == CommandNumber::None) item.theAction = CommandNumber::Unbound;
    ring_.push(item);
}

void DoJoystick::doCommandBySelector() {
    ActionItem1 item;
    item.actionType = kPressed;
    item.theTime = platform::TickCount();
    item.RawKeyPress = 0x1B;
    item.UniCodeKey.PrimaryKeyStroke = 0x1B;
    getKeyAction(item);
    ring_.push(item);
}

void DoJoystick::newKeyDefUnicode(const KeyboardCommandList* key, int row) {
    if (row < 1 || row >= kTableRows) return;
    KeyboardCommandList& r = CommandsAndKeys[row];
    r.PrimaryKeyStroke = key ? key->PrimaryKeyStroke : 0;
    r.SecondaryKeyStroke = key ? key->SecondaryKeyStroke : 0;
    r.Modifiers = key ? key->Modifiers : 0;
}

const std::string* DoJoystick::getCommandForRow(int line) const {
    return line >= 0 && line < kTableRows - 1 ? CommandsAndKeys[line + 1].TheExplaination : nullptr;
}

std::string DoJoystick::getJoyButtonTitle(int n) const {
    return n >= 1 && n <= 57 ? JoystickButtonStrings[n - 1] : std::string("error");
}

void DoJoystick::newKeyDef(int code, CommandNumber command) {
    if (code >= 0 && code < kKeyCodes && command >= CommandNumber::None && command <= CommandNumber::Unbound)
        KeyTranslation[code] = byteOf(command);
}

}  // namespace pellam::input
