#pragma once
// DoJoystick: the input object. Keys, mouse buttons, joystick buttons and the hat become command
// entries in the action ring; mouse position and joystick axes become the four flight-control
// values the game loop reads each frame; input settings live in the user-defaults store.
// PellamJoySub (its subclass) supplies the game's own command table and button defaults.
//
// Index of this header:
//   life cycle        construction, awakeFromNib, isWindowOpen
//   command tables    default bindings, titles, lookup                     (InputTables.cpp)
//   keys and ring     key handlers, ring access, table accessors          (KeyEvents.cpp)
//   joystick buttons  queue draining, hat, button and mouse tables        (JoystickButtons.cpp)
//   flight controls   per-frame step, axis positions, curves, brakes      (FlightControls.cpp)
//   calibration       extremes, centres, ranges                           (Calibration.cpp)
//   stored settings   the four settings groups                            (InputSettings.cpp)
//   settings windows  opening, trackers and sheet of the four windows     (InputWindows.cpp)
//
// Per frame the game loop calls createSurfaceInput() first, then reads the getFinal...() values
// and takes at most four entries out of the ring. SDL events reach keyDown/keyUp/mouseButton/
// pointerMoved through platform::hid::dispatchSdlEvent.
#include <array>
#include <cstdint>
#include <string>

#include "input/ActionRing.h"
#include "input/Commands.h"
#include "input/InputWindows.h"
#include "input/JoystickDevices.h"
#include "platform/UserDefaults.h"
#include "platform/hid/HidDevices.h"
#include "platform/hid/InputEvents.h"

namespace pellam::input {

// The confirming and cancelling buttons of the input windows and of the key-capture sheet.
enum class InputButton { CalOkay, DefOkay, DefReset, DefCancel, DefOkayM, DefCancelM, DefOkayK, DefCancelK,
                         KeyCancelBut, NoKeyBut };

// What the open window shows when one of its buttons is pressed.
struct InputWindowState {
    bool keyboardOnlyRudder = false;  // the joystick window's rudder switch
    CommandNumber mousePopUp1 = CommandNumber::None;  // command chosen for the left button; None = no selection
    CommandNumber mousePopUp2 = CommandNumber::None;  // for the right button
};

// Key names shown in the key-binding window.
struct KeyNames {
    static constexpr const char* nokey = "(no key)";
    static constexpr const char* spacebar = "(space bar)";
    static constexpr const char* esc = "(ESC)";
    static constexpr const char* ret = "(return)";
    static constexpr const char* del = "(del)";
    static constexpr const char* delete1 = "(delete)";
    static constexpr const char* larrow = "(left arrow)";
    static constexpr const char* rarrow = "(right arrow)";
    static constexpr const char* uarrow = "(up arrow)";
    static constexpr const char* darrow = "(down arrow)";
    static constexpr const char* enter = "(enter)";
    static constexpr const char* home = "(home)";
    static constexpr const char* end = "(end)";
    static constexpr const char* pageup = "(page up)";
    static constexpr const char* pagedown = "(page down)";
    static constexpr const char* control = "Ctrl-";
    static constexpr const char* option = "Alt-";
    static constexpr const char* keypad = " on keypad";  // a keypad key only: the arrows carry the bit too
    // "(F1)" .. "(F15)" for n = 1..15.
    static std::string function(int n) { return "(F" + std::to_string(n) + ")"; }
};

class DoJoystick : public platform::hid::InputEventSink {
public:
    static constexpr int kTableRows = 105;
    static constexpr int kTitleCount = 95;
    static constexpr int kKeyCodes = 4096;
    static constexpr int kMouseButtons = 16;

    // `joysticks` may be null (no joystick services); the store holds the input settings.
    DoJoystick(platform::hid::HidServices* joysticks, platform::UserDefaults& store);
    ~DoJoystick() override;
    DoJoystick(const DoJoystick&) = delete;
    DoJoystick& operator=(const DoJoystick&) = delete;

    // ---- Life cycle.
    // Builds the command table, finds the joysticks and reads (or resets) the four stored settings
    // groups. Call once, right after construction.
    void awakeFromNib();
    // True while any input settings window is open; the game then drops commands.
    bool isWindowOpen() const {
        return DoingCalWindow || DoingDefWindow || DoingMouseDefWindow || DoingKeyboardDefWindow;
    }
    // Keeps the main display's size as the joystick services report it (origin 0, 0), or leaves
    // what was kept when they know none.
    void setTheScreenBounds();
    const std::array<float, 4>& getTheScreenBounds() const { return theScreenBounds; }
    void fromTimerLooper(bool) {}
    // A window's button: stores, restores or resets that window's settings group and marks the
    // window closed (the window itself closes on its own side).
    void okayButtons(InputButton button, const InputWindowState& state = {});
    // The joystick window's check boxes are read by its tracker.
    void joyReverse() {}

    // ---- Command tables.
    virtual void DefineNewCommandKeyDefaults();
    virtual void setJoystickButtonDefaults();
    void setDefaultActions();
    void copyCommandTitles();
    void DefineNeedsStrings() {}
    // Writes the command bound to item.UniCodeKey into item.theAction (95 when none).
    void getKeyAction(ActionItem1& item) const;

    // ---- Keys and the ring.
    void keyDown(const platform::hid::ToolkitKeyEvent& event) override;
    void keyUp(const platform::hid::ToolkitKeyEvent& event) override;
    // The release half of an auto-repeat, through the raw-key-code table.
    void MykeyUp(const platform::hid::ToolkitKeyEvent& event);
    // The Escape press that a text system delivers as a command.
    void doCommandBySelector();
    void flagsChanged(uint32_t) {}

    const ActionItem1* getNextActionInBuffer() { return ring_.getNextActionInBuffer(); }
    const ActionItem1* checkForNextActionInBuffer() { return ring_.checkForNextActionInBuffer(); }
    void clearActionBuffer() { ring_.clearActionBuffer(); }
    const ActionRing& ring() const { return ring_; }

    // Binding-window accessors. Rows outside the table are ignored (null title for reads).
    void newKeyDefUnicode(const KeyboardCommandList* key, int row);
    int getExistingKeyForRow(int line) const { return line; }
    const std::string* getCommandForRow(int line) const;
    std::string getJoyButtonTitle(int n) const;
    void newKeyDef(int code, CommandNumber command);
    // The command table and the raw key table as the key-binding window found them.
    void makeKeyTranslationCopy();
    void restoreKeyTranslationCopy();

    // ---- Joystick buttons, hat and mouse buttons.
    void checkJoystickButtonQueue() { CheckJoystickQueue(); }
    void CheckJoystickQueue();
    CommandNumber getJoystickButtonCommand(int group) const;
    void setJoystickButtonCommand(CommandNumber command, int group);
    CommandNumber getMouseCommand(int button) const;
    void setMouseCommand(CommandNumber command, int button);
    void makeJoystickButtonTranslationCopy();
    void restoreJoystickButtonTranslationCopy();
    void mouseButton(int button, bool down) override;
    void pointerMoved(float x, float y) override;
    // The pointer has been put at the middle of the flying area: the mouse stick reads centred
    // until the pointer is next seen to move.
    void pointerCentred() { havePointer_ = false; }

    // ---- Flight controls.
    // The per-frame step: joystick queues, mouse offsets from the centre of a width x height
    // rectangle (the window the pointer is measured in), joystick axes, curves, then the trackers
    // of the open settings windows (calibrator, joystick buttons, key capture).
    void createSurfaceInput(float width, float height);
    double getFinalAilerons() const { return TheAilerons; }
    double getFinalElevator() const { return TheElevator; }
    double getFinalRudder() const { return TheRudder1; }
    double getFinalThrottle() const { return TheThrottle; }
    bool getUseJoyThrottle() const { return UseJoyThrottle != 0; }
    bool getUseJoyRudder() const { return !DontUseJoystickRudder && UseJoyRudder != 0; }
    // Each change of the toe brakes once: 1 pressed, 0 released; -1 no change.
    int32_t getPedalBrakes();
    bool haveJoystick() const { return joysticks_.group(JoystickDevices::kStickX).device >= 0; }
    // Calibrated position of axis 1 X, 2 Y, 3 rudder, 4 throttle; 0.0 for anything absent.
    double getAxisPosition(int32_t axis);
    void ConvertRawInputs();
    bool getAileronDirection() const { return AileronDirection; }
    bool getElevatorDirection() const { return ElevatorDirection; }
    bool getRudderDirection() const { return RudderDirection; }
    bool getThrottleDirection() const { return ThrottleDirection; }
    bool getStickyHat() const { return StickyHat; }
    void setAileronDirection(bool on) { AileronDirection = on; }
    void setElevatorDirection(bool on) { ElevatorDirection = on; }
    void setRudderDirection(bool on) { RudderDirection = on; }
    void setThrottleDirection(bool on) { ThrottleDirection = on; }
    void setStickyHat(bool on) { StickyHat = on; }

    // ---- Calibration.
    void initJoystickCalibrateVariables();
    void TrackJoystickForCalibrate();
    void getJoystickCentersAndCalibrate();
    const std::array<double, 12>& getRanges();
    void setRanges(const double* fractions);
    void setUseRaw(bool raw) { UseRaw = raw; }

    // ---- Stored settings: mode 0 reset and write, 1 read, 2 write.
    void CalibratePrefsreadwriteorreset(int32_t mode);
    void JoystickButtonPrefsreadwriteorreset(int32_t mode);
    void KeyPressPrefsreadwriteorreset(int32_t mode);
    void MousePrefsreadwriteorreset(int32_t mode);
    void fromKPSetDefaults() { setDefaultActions(); }

    // ---- Settings windows. The drawing side shows the controls below and calls these.
    void fromDefineKeyboardMenu();
    int numberOfRowsInTableView() const { return TotalKeyNeeds - 1; }
    // Key text of command-table row `row` + 1; "(no key)" for a row without a key or a command.
    std::string createKeyComboStringForRow(int row) const;
    // A click on table row `row`: the key-capture sheet opens for it.
    void fromKeyboardTable(int row);
    // Per frame (from createSurfaceInput): takes a captured key while the sheet waits.
    void handleKeyDefineTracker();
    void keySheet();
    // The command-table row that already uses `key`, or -5.
    int seeIfNewKeyUniqueUnicode(const KeyboardCommandList& key) const;
    void fromDefineMouseMenu();
    void fromDefineJoystickMenu();
    // Per frame (from createSurfaceInput) while the joystick window is open.
    void handleJDefineTracker();
    void fromJoystickCalibrateMenu();
    // The calibrator's close box: closes it with nothing calibrated or stored.
    void calibratorShouldClose() { DoingCalWindow = false; }
    KeyWindowControls keyWindow;
    JoyWindowControls joyWindow;
    MouseWindowControls mouseWindow;
    int32_t CommandRow = 0;
    int32_t CurrentJoyButton = JoystickDevices::kFirstButton;

    // ---- State read by the settings windows and the tests.
    std::array<KeyboardCommandList, kTableRows> CommandsAndKeys{};
    std::array<KeyboardCommandList, kTableRows> CommandsAndKeysBU{};
    int32_t TotalKeyNeeds = 0;
    std::array<uint8_t, kKeyCodes> KeyTranslation{};
    ButtonTable JoystickButtonTranslation{};
    ButtonTable JoystickButtonTranslationBU{};
    std::array<uint8_t, kMouseButtons> MouseButtonTranslation{};
    std::array<std::string, 64> JoystickButtonStrings;
    int32_t JustEditedRow = -1;
    int32_t OSVersion = 0;  // no old-system quirks to reproduce here
    bool WeHaveAJoystick = false;

    bool WaitingForKey = false;
    ActionItem1 KeyDefine;

    bool DoingCalWindow = false, DoingDefWindow = false, DoingMouseDefWindow = false,
         DoingKeyboardDefWindow = false, DoingKeyboardSheet = false;
    // Slider values the joystick window's tracker keeps until Okay; the row being given a key.
    double TempJoystickSlider = 1.9, TempRudderSlider = 3.5, TempRudDeadSlider = 0.1;
    int32_t OurOldKey = 0;

    // Calibration inputs (per-axis scale and centre offset; throttle scale and raw offset).
    double AileronCalibrator = 1.54, ElevatorCalibrator = 1.54, RudderCalibrator = 1.7;
    double AileronCenterAdder = 0, ElevatorCenterAdder = 0, RudderCenterAdder = 0;
    double ThrottleRangeCalibrator = 2.4, ThrottleStartAdder = 0.05;
    // Response: exponents for stick, mouse and rudder; rudder dead zone as a fraction of travel.
    double StickCurveJoy = 1.9, StickCurveMou = 1.6, StickCurveRud = 3.5, StickRudDead = 0.1;
    bool DontUseJoystickRudder = false;
    bool AileronDirection = false, ElevatorDirection = false, RudderDirection = false, ThrottleDirection = true,
         StickyHat = false;
    bool AileronDirectionBU = false, ElevatorDirectionBU = false, RudderDirectionBU = false,
         ThrottleDirectionBU = true, StickyHatBU = false;

    // Calibration extremes in raw element units; below -100000 means not seen yet.
    static constexpr double kUnset = -200000.0;
    double JLeft = kUnset, JRight = kUnset, JDown = kUnset, JUp = kUnset, JThrLow = kUnset, JThrHigh = kUnset,
           JRudderLeft = kUnset, JRudderRight = kUnset;
    double JLRCenter = 0, JUDCenter = 0, JRudderCenter = 0;
    bool UseRaw = false;

    // Raw element values and calibrated values as last read.
    double JoystickXRaw = 0, JoystickYRaw = 0, JoystickZRaw = 0, JoystickThrottleRaw = 0;
    double JoystickXNotRaw = 0, JoystickYNotRaw = 0, JoystickZNotRaw = 0, JoystickThrottleNotRaw = 0;

    const JoystickDevices& joysticks() const { return joysticks_; }

protected:
    // Lays `bindings` down from row 1 and sets TotalKeyNeeds; titles come from NeedsStrings.
    void buildCommandTable(std::span<const DefaultBinding> bindings);

private:
    void writeEntry(int32_t rawKey, uint8_t stored, uint8_t type);  // `stored`: a button table's byte
    // The event as its key was pressed (characters and modifiers), for a repeat or the release of
    // a key seen going down; a press is remembered, a release forgets it.
    platform::hid::ToolkitKeyEvent asPressed(const platform::hid::ToolkitKeyEvent& event, bool release);
    void readPedalBrakes();
    double shapeStick(double x) const;
    void pointerDefault(float width, float height);

    platform::UserDefaults& store_;
    platform::hid::HidServices* hid_;
    JoystickDevices joysticks_;
    ActionRing ring_;
    std::array<std::string, kTitleCount> NeedsStrings;  // command titles by row; rows point here
    std::array<uint8_t, kKeyCodes> KeyTranslationBU{};
    struct HeldKey {
        bool down = false;
        uint16_t characters[2] = {0, 0};
        uint32_t modifierFlags = 0;
    };
    std::array<HeldKey, platform::hid::kPhysicalKeys> heldKeys_{};  // by physical key
    bool keyCopyTaken_ = false, buttonCopyTaken_ = false;

    // Control values.
    double TheAileronsMouse = 0, TheElevatorMouse = 0;
    double TheAileronsJoy = 0, TheElevatorJoy = 0, TheRudderJoy = 0, TheThrottleJoy = 0;
    double JoystickAilerons = 0, JoystickElevator = 0, JoystickRudder = 0, JoystickThrottle = 0;
    double MouseAilerons = 0, MouseElevator = 0;
    double TheAilerons = 0, TheElevator = 0, TheRudder = 0, TheRudder1 = 0, TheThrottle = 0;
    bool UseJoystick = false, UseJoyRudder = false, UseJoyThrottle = false;
    float GlobalMouseX = 0, GlobalMouseY = 0, halfwidth = 0, halfheight = 0;
    bool havePointer_ = false;
    int32_t PedalBrakes = -1, PreviousPedalBrakes = -1;
    int32_t PreviousHatSwitch = 0;  // last hat position pressed, 0..7
    std::array<float, 4> theScreenBounds{};
    std::array<double, 12> TheRanges{};
};

}  // namespace pellam::input
