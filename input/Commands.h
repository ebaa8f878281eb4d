#pragma once
// Game command numbers, the key-binding record and the ring entry, the default bindings of the
// game's own table and of the full table, and the raw key code.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "input/CommandNumber.h"
#include "platform/hid/ToolkitKeys.h"

namespace pellam::input {

// Title of a game command (1..94) as the binding windows show it; empty for anything else.
const char* commandTitle(CommandNumber command);
// The game command with that title; None when no command has it.
CommandNumber commandTitled(const std::string& title);

// Modifiers compared in a binding: the flag word without caps lock and the device bits.
constexpr uint32_t kBindingModifierMask = 0xFFFE0000;

// One key binding. Two keys are the same key when all three key fields match.
struct KeyboardCommandList {
    uint32_t PrimaryKeyStroke = 0;    // first UTF-16 unit of the key's characters; 0 = no key
    uint32_t SecondaryKeyStroke = 0;  // second unit; 0 for ordinary keys
    uint32_t Modifiers = 0;           // flag word & kBindingModifierMask
    CommandNumber Command = CommandNumber::None;
    const std::string* TheExplaination = nullptr;  // title, owned by the input object's NeedsStrings
};

// One input event in the action ring.
struct ActionItem1 {
    int32_t theTime = 0;      // ticks (1/60 s) when written
    int32_t RawKeyPress = 0;  // raw key code; 0x100000 + group for joystick entries; 0 for the mouse
    CommandNumber theAction = CommandNumber::None;  // None = empty slot
    uint8_t actionType = 0;   // 2 pressed, 1 released
    KeyboardCommandList UniCodeKey;
};
constexpr uint8_t kPressed = 2, kReleased = 1;

// The older single-number key code: the character's low byte plus 0x400 keypad (with the rest of
// the flag word), else 0x800 command (likewise), else 0x100 control and 0x200 option. Function and
// arrow keys drop to 0xE8.. with no modifier bits.
int32_t rawKeyCode(uint32_t character, uint32_t modifierFlags);

// A default binding: the command and its key.
struct DefaultBinding {
    CommandNumber command;
    uint32_t key;
    uint32_t modifiers;
};

// The game's table (86 rows, in the order the binding window lists them) and the full table
// (93 rows: commands 1, 4, 2, 3, then 5..93).
std::span<const DefaultBinding> gameDefaultBindings();
std::span<const DefaultBinding> fullDefaultBindings();

// Joystick-button defaults: the command (byteOf) of each element group 6..62; others 0.
using ButtonTable = std::array<uint8_t, 128>;
void gameJoystickButtonDefaults(ButtonTable& table);
void fullJoystickButtonDefaults(ButtonTable& table);

// The names of element groups 6..62 in the button windows ("Button #1", "Hat Switch at rest", ...).
std::string joystickButtonName(int group);

}  // namespace pellam::input
