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

void DoJoystick::keyDown(const ToolkitKeyEvent& e) {
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
    ActionItem1 item = keyItem(e, kReleased);
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
