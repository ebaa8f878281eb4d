#pragma once
// A key event as the game's input object sees it: the characters the key types as if no modifier
// but shift were held, as UTF-16 units, plus a modifier-flag word. Special keys use the private-use
// codes below (arrows, function keys, the editing block). No SDL here: the input library reads
// these, and only the SDL side of this folder makes them.
#include <cstdint>

namespace pellam::platform::hid {

// Modifier-flag word bits. The low 16 bits are device-dependent and never used here.
constexpr uint32_t kAlphaShiftKeyMask = 0x10000;  // caps lock
constexpr uint32_t kShiftKeyMask = 0x20000;
constexpr uint32_t kControlKeyMask = 0x40000;
constexpr uint32_t kAlternateKeyMask = 0x80000;  // option / Alt
constexpr uint32_t kCommandKeyMask = 0x100000;   // the GUI ("super") key
constexpr uint32_t kNumericPadKeyMask = 0x200000;
constexpr uint32_t kFunctionKeyMask = 0x800000;
// Arrow keys carry both the function-key and the keypad bits.
constexpr uint32_t kArrowKeyMask = kFunctionKeyMask | kNumericPadKeyMask;

// Private-use character codes of the special keys.
constexpr uint16_t kUpArrowChar = 0xF700;
constexpr uint16_t kDownArrowChar = 0xF701;
constexpr uint16_t kLeftArrowChar = 0xF702;
constexpr uint16_t kRightArrowChar = 0xF703;
constexpr uint16_t kF1Char = 0xF704;  // F1..F15 are 0xF704..0xF712
constexpr uint16_t kInsertChar = 0xF727;
constexpr uint16_t kDeleteForwardChar = 0xF728;
constexpr uint16_t kHomeChar = 0xF729;
constexpr uint16_t kEndChar = 0xF72B;
constexpr uint16_t kPageUpChar = 0xF72C;
constexpr uint16_t kPageDownChar = 0xF72D;
// The main keyboard's backspace types DEL; keypad Enter types ETX.
constexpr uint16_t kBackspaceChar = 0x7F;
constexpr uint16_t kEnterChar = 0x03;

// Physical keys: a key by its place on the keyboard, whatever it types or the modifiers held.
constexpr int kPhysicalKeys = 512;

struct ToolkitKeyEvent {
    uint16_t characters[2] = {0, 0};  // first two UTF-16 units; 0 where absent
    uint32_t modifierFlags = 0;
    bool isARepeat = false;  // an auto-repeat of a key already down
    uint16_t physicalKey = 0;  // below kPhysicalKeys; 0 unknown
};

}  // namespace pellam::platform::hid
