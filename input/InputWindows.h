#pragma once
// What the four input settings windows hold between frames: the controls' states, which the
// drawing side edits and the input object's trackers and buttons read. No toolkit here.
#include <array>
#include <cstdint>
#include <string>

#include "input/Commands.h"

namespace pellam::input {

// The key-binding window and its key-capture sheet.
struct KeyWindowControls {
    int selectedRow = -1;          // table row shown selected: the clicked one, or a refused key's owner
    bool scrollToSelected = false;  // bring the selected row into view once
    std::string sheetCommand;      // KeyText2: the edited command's title
    std::string sheetKey;          // KeyText1: its key when the sheet opened
};

// The joystick button window.
struct JoyWindowControls {
    bool sticky = false, revLF = false, revFB = false, revRu = false, revTh = false;
    bool keyboardOnlyRudder = false;
    CommandNumber popUpCommand = CommandNumber::None;  // chosen for the button being defined; None = no selection
    double slider1 = 1.9, slider2 = 3.5, slider3 = 0.1;  // stick curve 1..4, rudder curve 1..5, dead zone
    std::string buttonName;                              // DefJoyBut
    std::array<double, 16> TempRanges{};
};

// The mouse window: the command of each pop-up; None = no selection.
struct MouseWindowControls {
    CommandNumber popUp1 = CommandNumber::None, popUp2 = CommandNumber::None;
};

// Text of a key as the binding window shows it, UTF-8: the key's characters, or its special-key
// name for keys that print nothing, with the control, option and keypad words.
std::string keyComboText(const KeyboardCommandList& key);

}  // namespace pellam::input
