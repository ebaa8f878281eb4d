// The SDL key table: every key the default bindings use arrives as the character and modifier
// bits that its binding row holds.
#include <gtest/gtest.h>

#include "input/PellamJoySub.h"
#include "platform/hid/SdlKeys.h"
#include "tests/input/TempStore.h"

namespace pellam::platform::hid {
namespace {

SDL_KeyboardEvent sdlKey(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods = KMOD_NONE, bool repeat = false) {
    SDL_KeyboardEvent e{};
    e.type = SDL_KEYDOWN;
    e.state = SDL_PRESSED;
    e.repeat = repeat ? 1 : 0;
    e.keysym.sym = sym;
    e.keysym.scancode = scancode;
    e.keysym.mod = mods;
    return e;
}

ToolkitKeyEvent translated(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods = KMOD_NONE) {
    ToolkitKeyEvent out;
    EXPECT_TRUE(translateKeyEvent(sdlKey(sym, scancode, mods), out)) << sym;
    return out;
}

TEST(SdlKeys, CharactersAndModifierBits) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        Uint16 mods;
        uint16_t character;
        uint32_t flags;
    };
    const Case cases[] = {
        {SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT, 'A', kShiftKeyMask},
        {SDLK_1, SDL_SCANCODE_1, KMOD_RSHIFT, '!', kShiftKeyMask},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_NONE, 0x1B, 0},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, KMOD_NONE, 0x7F, 0},
        {SDLK_UP, SDL_SCANCODE_UP, KMOD_NONE, kUpArrowChar, kArrowKeyMask},
        // Num lock off: SDL reports an arrow keycode, but the key is still keypad 8.
        {SDLK_UP, SDL_SCANCODE_KP_8, KMOD_NONE, '8', kNumericPadKeyMask},
        {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM, '.', kNumericPadKeyMask},
        {SDLK_p, SDL_SCANCODE_P, KMOD_CAPS, 'p', kAlphaShiftKeyMask},
    };
    for (const Case& c : cases) {
        const ToolkitKeyEvent e = translated(c.sym, c.scancode, c.mods);
        EXPECT_EQ(e.characters[0], c.character) << c.sym;
        EXPECT_EQ(e.characters[1], 0);
        EXPECT_EQ(e.modifierFlags, c.flags) << c.sym;
    }
}

TEST(SdlKeys, ModifierKeysAloneAndRepeats) {
    ToolkitKeyEvent out;
    EXPECT_FALSE(translateKeyEvent(sdlKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT), out));
    EXPECT_FALSE(translateKeyEvent(sdlKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL), out));
    ASSERT_TRUE(translateKeyEvent(sdlKey(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, true), out));
    EXPECT_TRUE(out.isARepeat);
}

// Every default binding is reachable from a real key: translate the key that types the binding's
// character and look it up.
TEST(SdlKeys, EveryDefaultBindingIsReachable) {
    input::test::TempStore store;
    input::PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    struct Press {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        Uint16 mods;
        int command;
    };
    const Press presses[] = {
        {SDLK_SPACE, SDL_SCANCODE_SPACE, 0, 2},          {SDLK_F5, SDL_SCANCODE_F5, 0, 7},
        {SDLK_KP_8, SDL_SCANCODE_KP_8, 0, 30},           {SDLK_8, SDL_SCANCODE_8, 0, 78},
        {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 0, 38}, {SDLK_c, SDL_SCANCODE_C, KMOD_RALT, 56},
        {SDLK_b, SDL_SCANCODE_B, KMOD_LCTRL, 59},        {SDLK_UP, SDL_SCANCODE_UP, 0, 60},
    };
    for (const Press& p : presses) {
        input.clearActionBuffer();
        input.keyDown(translated(p.sym, p.scancode, p.mods));
        const input::ActionItem1* a = input.getNextActionInBuffer();
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->theAction, p.command) << p.sym;
    }
}

}  // namespace
}  // namespace pellam::platform::hid
