#include "platform/hid/SdlKeys.h"

#include <array>
#include <iterator>

namespace pellam::platform::hid {
namespace {

// One row per key that does not type its own keycode: the character, what shift makes of it (0:
// the same), and the modifier bits the key itself adds.
struct KeyRow {
    SDL_Keycode key;
    uint16_t character;
    uint16_t shifted;
    uint32_t flags;
};

// Special keys by keycode. Backspace types DEL, like the toolkit's delete key.
constexpr KeyRow kSpecialKeys[] = {
    {SDLK_UP, kUpArrowChar, 0, kArrowKeyMask},
    {SDLK_DOWN, kDownArrowChar, 0, kArrowKeyMask},
    {SDLK_LEFT, kLeftArrowChar, 0, kArrowKeyMask},
    {SDLK_RIGHT, kRightArrowChar, 0, kArrowKeyMask},
    {SDLK_F1, kF1Char + 0, 0, kFunctionKeyMask},
    {SDLK_F2, kF1Char + 1, 0, kFunctionKeyMask},
    {SDLK_F3, kF1Char + 2, 0, kFunctionKeyMask},
    {SDLK_F4, kF1Char + 3, 0, kFunctionKeyMask},
    {SDLK_F5, kF1Char + 4, 0, kFunctionKeyMask},
    {SDLK_F6, kF1Char + 5, 0, kFunctionKeyMask},
    {SDLK_F7, kF1Char + 6, 0, kFunctionKeyMask},
    {SDLK_F8, kF1Char + 7, 0, kFunctionKeyMask},
    {SDLK_F9, kF1Char + 8, 0, kFunctionKeyMask},
    {SDLK_F10, kF1Char + 9, 0, kFunctionKeyMask},
    {SDLK_F11, kF1Char + 10, 0, kFunctionKeyMask},
    {SDLK_F12, kF1Char + 11, 0, kFunctionKeyMask},
    {SDLK_F13, kF1Char + 12, 0, kFunctionKeyMask},
    {SDLK_F14, kF1Char + 13, 0, kFunctionKeyMask},
    {SDLK_F15, kF1Char + 14, 0, kFunctionKeyMask},
    {SDLK_INSERT, kInsertChar, 0, kFunctionKeyMask},
    {SDLK_DELETE, kDeleteForwardChar, 0, kFunctionKeyMask},
    {SDLK_HOME, kHomeChar, 0, kFunctionKeyMask},
    {SDLK_END, kEndChar, 0, kFunctionKeyMask},
    {SDLK_PAGEUP, kPageUpChar, 0, kFunctionKeyMask},
    {SDLK_PAGEDOWN, kPageDownChar, 0, kFunctionKeyMask},
    {SDLK_BACKSPACE, kBackspaceChar, 0, 0},
    {SDLK_RETURN, '\r', 0, 0},
    {SDLK_TAB, '\t', 0, 0},
    {SDLK_ESCAPE, 0x1B, 0, 0},
    {SDLK_SPACE, ' ', 0, 0},
    // US-layout shifted punctuation and digits.
    {SDLK_1, '1', '!', 0}, {SDLK_2, '2', '@', 0}, {SDLK_3, '3', '#', 0}, {SDLK_4, '4', '$', 0},
    {SDLK_5, '5', '%', 0}, {SDLK_6, '6', '^', 0}, {SDLK_7, '7', '&', 0}, {SDLK_8, '8', '*', 0},
    {SDLK_9, '9', '(', 0}, {SDLK_0, '0', ')', 0},
    {SDLK_MINUS, '-', '_', 0}, {SDLK_EQUALS, '=', '+', 0}, {SDLK_LEFTBRACKET, '[', '{', 0},
    {SDLK_RIGHTBRACKET, ']', '}', 0}, {SDLK_BACKSLASH, '\\', '|', 0}, {SDLK_SEMICOLON, ';', ':', 0},
    {SDLK_QUOTE, '\'', '"', 0}, {SDLK_BACKQUOTE, '`', '~', 0}, {SDLK_COMMA, ',', '<', 0},
    {SDLK_PERIOD, '.', '>', 0}, {SDLK_SLASH, '/', '?', 0},
};

// The numeric keypad by scancode, so that num lock does not turn keypad 8 into an arrow.
struct PadRow {
    SDL_Scancode scancode;
    uint16_t character;
};
constexpr PadRow kKeypad[] = {
    {SDL_SCANCODE_KP_0, '0'}, {SDL_SCANCODE_KP_1, '1'}, {SDL_SCANCODE_KP_2, '2'}, {SDL_SCANCODE_KP_3, '3'},
    {SDL_SCANCODE_KP_4, '4'}, {SDL_SCANCODE_KP_5, '5'}, {SDL_SCANCODE_KP_6, '6'}, {SDL_SCANCODE_KP_7, '7'},
    {SDL_SCANCODE_KP_8, '8'}, {SDL_SCANCODE_KP_9, '9'}, {SDL_SCANCODE_KP_PERIOD, '.'},
    {SDL_SCANCODE_KP_DIVIDE, '/'}, {SDL_SCANCODE_KP_MULTIPLY, '*'}, {SDL_SCANCODE_KP_MINUS, '-'},
    {SDL_SCANCODE_KP_PLUS, '+'}, {SDL_SCANCODE_KP_EQUALS, '='}, {SDL_SCANCODE_KP_ENTER, kEnterChar},
};

}  // namespace

uint32_t modifierFlagsFor(Uint16 mods) {
    uint32_t flags = 0;
    if (mods & KMOD_SHIFT) flags |= kShiftKeyMask;
    if (mods & KMOD_CTRL) flags |= kControlKeyMask;
    if (mods & KMOD_ALT) flags |= kAlternateKeyMask;
    if (mods & KMOD_GUI) flags |= kCommandKeyMask;
    if (mods & KMOD_CAPS) flags |= kAlphaShiftKeyMask;
    return flags;
}

static_assert(SDL_NUM_SCANCODES <= kPhysicalKeys);

bool translateKeyEvent(const SDL_KeyboardEvent& key, ToolkitKeyEvent& out) {
    out = ToolkitKeyEvent{};
    out.isARepeat = key.repeat != 0;
    if (key.keysym.scancode > SDL_SCANCODE_UNKNOWN && key.keysym.scancode < SDL_NUM_SCANCODES)
        out.physicalKey = static_cast<uint16_t>(key.keysym.scancode);
    const uint32_t mods = modifierFlagsFor(key.keysym.mod);
    const bool shift = (mods & kShiftKeyMask) != 0;

    for (const PadRow& row : kKeypad) {
        if (row.scancode == key.keysym.scancode) {
            out.characters[0] = row.character;
            out.modifierFlags = mods | kNumericPadKeyMask;
            return true;
        }
    }
    const SDL_Keycode code = key.keysym.sym;
    for (const KeyRow& row : kSpecialKeys) {
        if (row.key == code) {
            out.characters[0] = shift && row.shifted ? row.shifted : row.character;
            out.modifierFlags = mods | row.flags;
            return true;
        }
    }
    if (code >= SDLK_a && code <= SDLK_z) {
        out.characters[0] = static_cast<uint16_t>(shift ? code - 'a' + 'A' : code);
        out.modifierFlags = mods;
        return true;
    }
    // Other printable keys of the layout type their own keycode.
    if (code >= 0x20 && code < 0x7F) {
        out.characters[0] = static_cast<uint16_t>(code);
        out.modifierFlags = mods;
        return true;
    }
    return false;
}

}  // namespace pellam::platform::hid
