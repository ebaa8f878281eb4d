// The input settings windows' logic: opening each window, the key-capture sheet, the joystick
// window's per-frame tracker and the key texts. The windows themselves are drawn elsewhere.
#include <cstdio>

#include "input/DoJoystick.h"
#include "platform/Beep.h"

namespace pellam::input {

namespace {

using namespace platform::hid;

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
// Characters that draw nothing of their own: controls, private-use key codes, lone surrogates.
bool printable(uint32_t c) {
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xE000 && c <= 0xF8FF) && !isSurrogate(c) &&
           c <= 0x10FFFF;
}

// The name of a key that prints nothing; empty for a printing key.
std::string specialKeyName(uint32_t c) {
    switch (c) {
    case 0x20: return KeyNames::spacebar;
    case 0x1B: return KeyNames::esc;
    case 0x0D: return KeyNames::ret;
    case kEnterChar: return KeyNames::enter;
    case kDeleteForwardChar: return KeyNames::del;
    case kBackspaceChar: return KeyNames::delete1;
    case kLeftArrowChar: return KeyNames::larrow;
    case kRightArrowChar: return KeyNames::rarrow;
    case kUpArrowChar: return KeyNames::uarrow;
    case kDownArrowChar: return KeyNames::darrow;
    case kHomeChar: return KeyNames::home;
    case kEndChar: return KeyNames::end;
    case kPageUpChar: return KeyNames::pageup;
    case kPageDownChar: return KeyNames::pagedown;
    case kInsertChar: return "(insert)";
    case 0x09: return "(tab)";
    default: break;
    }
    if (c >= kF1Char && c < kF1Char + 35u) return KeyNames::function(static_cast<int>(c - kF1Char) + 1);
    if (printable(c)) return {};
    char name[24];
    std::snprintf(name, sizeof name, "(key U+%04X)", static_cast<unsigned>(c));
    return name;
}

bool rowHasCommand(const KeyboardCommandList& row) { return isGameCommand(row.Command); }

}  // namespace

std::string keyComboText(const KeyboardCommandList& key) {
    const uint32_t first = key.PrimaryKeyStroke, second = key.SecondaryKeyStroke;
    if (first == 0) return KeyNames::nokey;
    std::string text;
    bool named = false;  // the arrows and the keys beside them are named, never "on keypad"
    if (first >= 0xD800 && first < 0xDC00 && second >= 0xDC00 && second <= 0xDFFF) {
        appendUtf8(text, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));  // one character in two units
    } else if (std::string name = specialKeyName(first); !name.empty()) {
        text = name;
        named = true;
    } else {
        appendUtf8(text, first);
        if (second != 0 && printable(second)) appendUtf8(text, second);
    }
    if (key.Modifiers != 0) {
        if (key.Modifiers & kAlternateKeyMask) text = KeyNames::option + text;
        if (key.Modifiers & kControlKeyMask) text = KeyNames::control + text;
        if ((key.Modifiers & kNumericPadKeyMask) && !named) text += KeyNames::keypad;
    }
    return text;
}

// ---- The key-binding window.

void DoJoystick::fromDefineKeyboardMenu() {
    if (DoingKeyboardDefWindow) return;
    keyWindow = {};
    clearActionBuffer();
    makeKeyTranslationCopy();
    DoingKeyboardDefWindow = true;
}

std::string DoJoystick::createKeyComboStringForRow(int row) const {
    if (row < 0 || row + 1 >= TotalKeyNeeds || row + 1 >= kTableRows) return KeyNames::nokey;
    const KeyboardCommandList& r = CommandsAndKeys[row + 1];
    // A row without a game command (an old or damaged store) has no usable key.
    return rowHasCommand(r) ? keyComboText(r) : std::string(KeyNames::nokey);
}

void DoJoystick::fromKeyboardTable(int row) {
    if (!DoingKeyboardDefWindow || DoingKeyboardSheet) return;
    if (row < 0 || row >= numberOfRowsInTableView()) return;
    keyWindow.selectedRow = row;  // the clicked row stays selected after its key is bound
    JustEditedRow = row;
    OurOldKey = getExistingKeyForRow(row);
    keyWindow.sheetKey = createKeyComboStringForRow(row);
    const std::string* title = getCommandForRow(row);
    keyWindow.sheetCommand = title ? *title : std::string();
    CommandRow = row + 1;
    JustEditedRow = -1;
    DoingKeyboardSheet = true;
    clearActionBuffer();
    KeyDefine = {};
    WaitingForKey = true;
}

void DoJoystick::handleKeyDefineTracker() {
    if (DoingKeyboardDefWindow && DoingKeyboardSheet) keySheet();
}

void DoJoystick::keySheet() {
    if (KeyDefine.theAction == CommandNumber::None || KeyDefine.UniCodeKey.PrimaryKeyStroke == 0) return;
    DoingKeyboardSheet = false;
    KeyDefine.theAction = CommandNumber::None;
    const int owner = seeIfNewKeyUniqueUnicode(KeyDefine.UniCodeKey);
    if (owner == -5) {
        newKeyDefUnicode(nullptr, OurOldKey + 1);
        newKeyDefUnicode(&KeyDefine.UniCodeKey, CommandRow);
    } else {
        platform::SystemBeep();
        keyWindow.selectedRow = owner - 1;
        keyWindow.scrollToSelected = true;
    }
    KeyDefine.UniCodeKey.PrimaryKeyStroke = 0;
}

int DoJoystick::seeIfNewKeyUniqueUnicode(const KeyboardCommandList& key) const {
    for (int i = 1; i < TotalKeyNeeds && i < kTableRows; ++i) {
        const KeyboardCommandList& r = CommandsAndKeys[i];
        if (rowHasCommand(r) && r.PrimaryKeyStroke == key.PrimaryKeyStroke &&
            r.SecondaryKeyStroke == key.SecondaryKeyStroke && r.Modifiers == key.Modifiers)
            return i;
    }
    return -5;
}

// ---- The mouse and joystick button windows.

namespace {

// The command a pop-up shows selected: `command` when it is one (the mouse's default "Fire Guns &
// Cannon" is, though this game's table has no row for it), else none.
CommandNumber popUpSelection(const DoJoystick&, CommandNumber command) {
    return isGameCommand(command) ? command : CommandNumber::None;
}

}  // namespace

void DoJoystick::fromDefineMouseMenu() {
    if (DoingMouseDefWindow) return;
    mouseWindow.popUp1 = popUpSelection(*this, getMouseCommand(0));
    mouseWindow.popUp2 = popUpSelection(*this, getMouseCommand(1));
    DoingMouseDefWindow = true;
}

void DoJoystick::fromDefineJoystickMenu() {
    if (DoingDefWindow) return;
    if (DoingCalWindow) {
        platform::SystemBeep();
        return;
    }
    JoyWindowControls& w = joyWindow;
    w.TempRanges.fill(0.5);
    w.TempRanges[0] = w.TempRanges[1] = (getAxisPosition(JoystickDevices::kStickX) + 1) / 2;
    w.TempRanges[2] = w.TempRanges[3] = (getAxisPosition(JoystickDevices::kStickY) + 1) / 2;
    w.TempRanges[6] = w.TempRanges[7] = (getAxisPosition(JoystickDevices::kRudder) + 1) / 2;
    w.TempRanges[4] = w.TempRanges[5] = getAxisPosition(JoystickDevices::kThrottle);
    setUseRaw(false);
    setRanges(w.TempRanges.data());
    w.sticky = getStickyHat();
    w.revLF = getAileronDirection();
    w.revFB = getElevatorDirection();
    w.revRu = getRudderDirection();
    w.revTh = getThrottleDirection();
    w.keyboardOnlyRudder = DontUseJoystickRudder;
    w.slider1 = TempJoystickSlider = StickCurveJoy;
    w.slider2 = TempRudderSlider = StickCurveRud;
    w.slider3 = TempRudDeadSlider = StickRudDead;
    w.buttonName = getJoyButtonTitle(1);
    w.popUpCommand = popUpSelection(*this, getJoystickButtonCommand(JoystickDevices::kFirstButton));
    clearActionBuffer();
    makeJoystickButtonTranslationCopy();
    DoingDefWindow = true;
    CurrentJoyButton = JoystickDevices::kFirstButton;
}

void DoJoystick::handleJDefineTracker() {
    if (!DoingDefWindow) return;
    JoyWindowControls& w = joyWindow;
    setStickyHat(w.sticky);
    setAileronDirection(w.revLF);
    setElevatorDirection(w.revFB);
    setRudderDirection(w.revRu);
    setThrottleDirection(w.revTh);
    if (w.popUpCommand != CommandNumber::None) setJoystickButtonCommand(w.popUpCommand, CurrentJoyButton);

    constexpr int32_t kJoystickBit = 0x100000;
    if (const ActionItem1* item = getNextActionInBuffer(); item && (item->RawKeyPress & kJoystickBit)) {
        const bool counts = item->actionType == kPressed || (getStickyHat() && item->actionType == kReleased);
        const int group = item->RawKeyPress & 0xFF;
        // Only the element groups that carry buttons and hat positions can be given a command.
        if (counts && group >= JoystickDevices::kFirstButton && group <= JoystickDevices::kLastHighButton) {
            CurrentJoyButton = group;
            w.buttonName = getJoyButtonTitle(group - 5);
            w.popUpCommand = popUpSelection(*this, getJoystickButtonCommand(group));
        }
    }

    double* r = w.TempRanges.data();
    const double ail = (getAxisPosition(JoystickDevices::kStickX) + 1) / 2;
    const double ele = (getAxisPosition(JoystickDevices::kStickY) + 1) / 2;
    double rud = (getAxisPosition(JoystickDevices::kRudder) + 1) / 2;
    if (rud <= 0.05) rud = 0;
    const double thr = getAxisPosition(JoystickDevices::kThrottle);
    if (ail < r[0]) r[0] = ail;
    if (ail > r[1]) r[1] = ail;
    if (ele > r[2]) r[2] = ele;
    if (ele < r[3]) r[3] = ele;
    if (thr < r[4]) r[4] = thr;
    if (thr > r[5]) r[5] = thr;
    if (rud < r[6]) r[6] = rud;
    if (rud > r[7]) r[7] = rud;
    setRanges(r);

    TempJoystickSlider = w.slider1;
    TempRudderSlider = w.slider2;
    TempRudDeadSlider = w.slider3;
}

// ---- The calibrator.

void DoJoystick::fromJoystickCalibrateMenu() {
    if (DoingCalWindow) return;
    if (DoingDefWindow) {
        platform::SystemBeep();
        return;
    }
    initJoystickCalibrateVariables();
    setUseRaw(true);
    DoingCalWindow = true;
}

}  // namespace pellam::input
