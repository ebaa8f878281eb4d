// Command lookup, the action ring, the key handlers, and the SDL key table: keys arrive as the
// character and modifier bits that binding rows hold.
#include <gtest/gtest.h>

#include "platform/hid/SdlKeys.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::keyEvent;

// The command a press of this key puts into the ring.
int commandFor(DoJoystick& input, uint16_t c, uint32_t flags = 0) {
    input.clearActionBuffer();
    input.keyDown(keyEvent(c, flags));
    const ActionItem1* item = input.getNextActionInBuffer();
    return item ? item->theAction : -1;
}

class Commands : public ::testing::Test {
protected:
    test::TempStore store;
    PellamJoySub input{nullptr, *store};
    void SetUp() override { input.awakeFromNib(); }
};

TEST_F(Commands, LookupMatchesKeyAndModifiersExactlyInTheRowsInUse) {
    EXPECT_EQ(commandFor(input, ' ', kShiftKeyMask), 95);
    EXPECT_NE(commandFor(input, '8', kNumericPadKeyMask), commandFor(input, '8'));
    // Arrows match only with both the function-key and keypad bits.
    EXPECT_EQ(commandFor(input, kUpArrowChar, kArrowKeyMask), 60);
    EXPECT_EQ(commandFor(input, kUpArrowChar, kFunctionKeyMask), 95);
    EXPECT_EQ(commandFor(input, kUpArrowChar, kArrowKeyMask | kControlKeyMask), 95);
    // Caps lock and the device bits take no part; shifted letters are other keys.
    EXPECT_EQ(commandFor(input, 'p', kAlphaShiftKeyMask | 0x108), 1);
    EXPECT_EQ(commandFor(input, 'A', kShiftKeyMask), 95);

    input.CommandsAndKeys[0] = {'z', 0, 0, 33, nullptr};
    input.CommandsAndKeys[87] = {'z', 0, 0, 33, nullptr};
    EXPECT_EQ(commandFor(input, 'z'), 95);
    // The first matching row wins.
    input.CommandsAndKeys[5].PrimaryKeyStroke = 'p';
    input.CommandsAndKeys[5].Modifiers = 0;
    EXPECT_EQ(commandFor(input, 'p'), 1);
}

TEST(DefaultTables, NoTwoRowsShareAKeyOrACommand) {
    for (auto table : {gameDefaultBindings(), fullDefaultBindings()}) {
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_NE(*commandTitle(table[i].command), '\0');
            for (size_t j = i + 1; j < table.size(); ++j) {
                EXPECT_FALSE(table[i].key == table[j].key && table[i].modifiers == table[j].modifiers) << i << " " << j;
                EXPECT_NE(table[i].command, table[j].command);
            }
        }
    }
}

ActionItem1 entry(int command, int raw) {
    ActionItem1 a;
    a.theAction = static_cast<uint8_t>(command);
    a.RawKeyPress = raw;
    a.actionType = kPressed;
    return a;
}

TEST(Ring, FirstInFirstOutAndDropsNewEntriesWhenFull) {
    ActionRing ring;
    EXPECT_EQ(ring.checkForNextActionInBuffer(), nullptr);
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(ring.push(entry(1, i)), i <= 32) << i;
    EXPECT_EQ(ring.checkForNextActionInBuffer()->RawKeyPress, 1);  // peeking takes nothing
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, i);
    for (int i = 41; i <= 45; ++i) EXPECT_EQ(ring.push(entry(1, i)), i <= 44) << i;
    std::vector<int> order, want;
    while (const ActionItem1* a = ring.getNextActionInBuffer()) order.push_back(a->RawKeyPress);
    for (int i = 5; i <= 44; ++i)
        if (i <= 32 || i >= 41) want.push_back(i);
    EXPECT_EQ(order, want);
    EXPECT_TRUE(ring.empty());

    // An entry without a command does not stall the reader.
    ring.push(entry(0, 7));
    ring.push(entry(2, 8));
    EXPECT_EQ(ring.getNextActionInBuffer()->theAction, kUnboundCommand);
    EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, 8);
}

TEST_F(Commands, AutoRepeatReleaseComesFromTheRawKeyTableAndEscapeIsItsOwnCommand) {
    // First start: the defaults were put back, so the raw table holds the full table's space bar.
    input.clearActionBuffer();
    input.keyDown(keyEvent(' '));
    input.keyDown(keyEvent(' ', 0, true));
    input.keyUp(keyEvent(' '));
    std::vector<std::pair<int, int>> got;
    while (const ActionItem1* a = input.getNextActionInBuffer()) got.emplace_back(a->theAction, a->actionType);
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{2, 2}, {4, 1}, {2, 2}, {2, 1}}));

    // Next start reads the stored bindings; nothing fills the raw table, so the release is unbound.
    PellamJoySub next{nullptr, *store};
    next.awakeFromNib();
    next.keyDown(keyEvent(' ', 0, true));
    EXPECT_EQ(next.getNextActionInBuffer()->theAction, 95);
    EXPECT_EQ(next.getNextActionInBuffer()->theAction, 2);

    next.doCommandBySelector();
    const ActionItem1* esc = next.getNextActionInBuffer();
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->theAction, 95);
    EXPECT_EQ(esc->UniCodeKey.PrimaryKeyStroke, 0x1Bu);
}

}  // namespace
}  // namespace pellam::input

namespace pellam::platform::hid {
namespace {

SDL_KeyboardEvent sdlKey(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods, bool repeat = false) {
    SDL_KeyboardEvent e{};
    e.type = SDL_KEYDOWN;
    e.state = SDL_PRESSED;
    e.repeat = repeat ? 1 : 0;
    e.keysym.sym = sym;
    e.keysym.scancode = scancode;
    e.keysym.mod = mods;
    return e;
}

TEST(SdlKeys, CharactersModifierBitsAndRepeats) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        Uint16 mods;
        uint16_t character;
        uint32_t flags;
    };
    const Case cases[] = {
        {SDLK_1, SDL_SCANCODE_1, KMOD_RSHIFT, '!', kShiftKeyMask},
        {SDLK_UP, SDL_SCANCODE_UP, KMOD_NONE, kUpArrowChar, kArrowKeyMask},
        // Num lock off: SDL reports an arrow keycode, but the key is still keypad 8.
        {SDLK_UP, SDL_SCANCODE_KP_8, KMOD_NONE, '8', kNumericPadKeyMask},
        {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM, '.', kNumericPadKeyMask},
        {SDLK_p, SDL_SCANCODE_P, KMOD_CAPS, 'p', kAlphaShiftKeyMask},
    };
    ToolkitKeyEvent out;
    for (const Case& c : cases) {
        ASSERT_TRUE(translateKeyEvent(sdlKey(c.sym, c.scancode, c.mods), out)) << c.sym;
        EXPECT_EQ(out.characters[0], c.character) << c.sym;
        EXPECT_EQ(out.modifierFlags, c.flags) << c.sym;
    }
    EXPECT_FALSE(translateKeyEvent(sdlKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT), out));
    ASSERT_TRUE(translateKeyEvent(sdlKey(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, true), out));
    EXPECT_TRUE(out.isARepeat);
}

}  // namespace
}  // namespace pellam::platform::hid
