// Life cycle and the command tables of the input object.
#include "input/DoJoystick.h"

#include "platform/hid/ToolkitKeys.h"

namespace pellam::input {

DoJoystick::DoJoystick(platform::hid::HidServices* joysticks, platform::UserDefaults& store)
    : store_(store), hid_(joysticks) {}

DoJoystick::~DoJoystick() { joysticks_.closeReleaseJoystick(); }

void DoJoystick::awakeFromNib() {
    DefineNeedsStrings();
    DefineNewCommandKeyDefaults();
    copyCommandTitles();
    for (int g = JoystickDevices::kFirstButton; g <= JoystickDevices::kLastHighButton; ++g)
        JoystickButtonStrings[g - JoystickDevices::kFirstButton] = joystickButtonName(g);
    JustEditedRow = -1;
    WeHaveAJoystick = joysticks_.FindLastJoystick(hid_);
    OSVersion = 0;

    struct Group {
        const char* availableKey;
        void (DoJoystick::*routine)(int32_t);
    };
    static constexpr Group kGroups[] = {
        {"CalPrefsAvailable", &DoJoystick::CalibratePrefsreadwriteorreset},
        {"JoyButPrefsAvailable", &DoJoystick::JoystickButtonPrefsreadwriteorreset},
        {"MouseButPrefsAvailable", &DoJoystick::MousePrefsreadwriteorreset},
        {"KeyboardPrefsAvailable", &DoJoystick::KeyPressPrefsreadwriteorreset},
    };
    for (const Group& g : kGroups) (this->*g.routine)(store_.boolForKey(g.availableKey).value_or(false) ? 1 : 0);
    store_.synchronize();

    PedalBrakes = -1;
    PreviousPedalBrakes = -1;
    setTheScreenBounds();
}

void DoJoystick::setTheScreenBounds() {
    int width = 0, height = 0;
    if (hid_ && hid_->mainDisplaySize(width, height)) theScreenBounds = {0, 0, float(width), float(height)};
}

void DoJoystick::okayButtons(InputButton button, const InputWindowState& state) {
    switch (button) {
        case InputButton::CalOkay:
            getJoystickCentersAndCalibrate();
            CalibratePrefsreadwriteorreset(2);
            DoingCalWindow = false;
            break;
        case InputButton::DefOkay:
            DontUseJoystickRudder = state.keyboardOnlyRudder;
            StickCurveJoy = TempJoystickSlider;
            StickCurveRud = TempRudderSlider;
            StickRudDead = TempRudDeadSlider;
            CalibratePrefsreadwriteorreset(2);
            JoystickButtonPrefsreadwriteorreset(2);
            DoingDefWindow = false;
            break;
        case InputButton::DefReset:
            JoystickButtonPrefsreadwriteorreset(0);
            JoystickButtonPrefsreadwriteorreset(1);
            DoingDefWindow = false;
            break;
        case InputButton::DefCancel:
            restoreJoystickButtonTranslationCopy();
            DoingDefWindow = false;
            break;
        case InputButton::DefOkayM:
            if (state.mousePopUp1 != CommandNumber::None) setMouseCommand(state.mousePopUp1, 0);
            if (state.mousePopUp2 != CommandNumber::None) setMouseCommand(state.mousePopUp2, 1);
            MousePrefsreadwriteorreset(2);
            DoingMouseDefWindow = false;
            break;
        case InputButton::DefOkayK:
            KeyPressPrefsreadwriteorreset(2);
            DoingKeyboardDefWindow = false;
            break;
        case InputButton::DefCancelM:
            DoingMouseDefWindow = false;
            break;
        case InputButton::DefCancelK:
            restoreKeyTranslationCopy();
            DoingKeyboardDefWindow = false;
            break;
        case InputButton::KeyCancelBut:
            DoingKeyboardSheet = false;
            break;
        case InputButton::NoKeyBut:
            newKeyDefUnicode(nullptr, OurOldKey + 1);  // the edited command loses its key
            DoingKeyboardSheet = false;
            break;
    }
}

void DoJoystick::makeKeyTranslationCopy() {
    CommandsAndKeysBU = CommandsAndKeys;
    KeyTranslationBU = KeyTranslation;
    keyCopyTaken_ = true;
}

void DoJoystick::restoreKeyTranslationCopy() {
    if (!keyCopyTaken_) return;  // nothing to go back to: keep the bindings
    CommandsAndKeys = CommandsAndKeysBU;
    KeyTranslation = KeyTranslationBU;
}

void DoJoystick::buildCommandTable(std::span<const DefaultBinding> bindings) {
    int row = 1;
    for (const DefaultBinding& b : bindings) {
        if (row >= kTableRows) break;
        KeyboardCommandList& r = CommandsAndKeys[row];
        r.PrimaryKeyStroke = b.key;
        r.SecondaryKeyStroke = 0;
        r.Modifiers = b.modifiers;
        r.Command = b.command;
        if (row < kTitleCount) {
            if (NeedsStrings[row].empty()) NeedsStrings[row] = commandTitle(b.command);
            r.TheExplaination = &NeedsStrings[row];
        }
        ++row;
    }
    TotalKeyNeeds = row;
}

void DoJoystick::DefineNewCommandKeyDefaults() { buildCommandTable(fullDefaultBindings()); }

void DoJoystick::setJoystickButtonDefaults() { fullJoystickButtonDefaults(JoystickButtonTranslation); }

void DoJoystick::setDefaultActions() {
    KeyTranslation.fill(0);
    for (const DefaultBinding& b : fullDefaultBindings()) {
        // Camera On Bomb sits at control-b in this table whatever the command table says.
        const uint32_t mods = b.command == CommandNumber::CameraOnBomb ? platform::hid::kControlKeyMask : b.modifiers;
        const int32_t code = rawKeyCode(b.key, mods);
        if (code >= 0 && code < kKeyCodes) KeyTranslation[code] = byteOf(b.command);
    }
    DefineNewCommandKeyDefaults();
}

void DoJoystick::copyCommandTitles() {
    for (int i = 1; i < TotalKeyNeeds && i < kTableRows; ++i)
        CommandsAndKeys[i].TheExplaination = i < kTitleCount ? &NeedsStrings[i] : nullptr;
}

void DoJoystick::getKeyAction(ActionItem1& item) const {
    item.theAction = CommandNumber::None;
    for (int i = 1; i < TotalKeyNeeds && i < kTableRows; ++i) {
        const KeyboardCommandList& r = CommandsAndKeys[i];
        if (!isGameCommand(r.Command)) continue;  // never sent
        if (r.PrimaryKeyStroke == item.UniCodeKey.PrimaryKeyStroke &&
            r.SecondaryKeyStroke == item.UniCodeKey.SecondaryKeyStroke && r.Modifiers == item.UniCodeKey.Modifiers) {
            item.theAction = r.Command;
            break;
        }
    }
    if (item.theAction == CommandNumber::None) item.theAction = CommandNumber::Unbound;
}

}  // namespace pellam::input
