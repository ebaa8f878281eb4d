// Command lookup, raw key codes, the action ring and the key handlers.
#include <gtest/gtest.h>

#include "input/PellamJoySub.h"
#include "platform/TickCount.h"
#include "tests/input/TempStore.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::TempStore;

ToolkitKeyEvent key(uint16_t c, uint32_t flags = 0, bool repeat = false) {
    ToolkitKeyEvent e;
    e.characters[0] = c;
    e.modifierFlags = flags;
    e.isARepeat = repeat;
    return e;
}

// The command a press of this key puts into the ring.
int commandFor(DoJoystick& input, uint16_t c, uint32_t flags = 0) {
    input.clearActionBuffer();
    input.keyDown(key(c, flags));
    const ActionItem1* item = input.getNextActionInBuffer();
    return item ? item->theAction : -1;
}

class Commands : public ::testing::Test {
protected:
    TempStore store;
    PellamJoySub input{nullptr, *store};
    void SetUp() override { input.awakeFromNib(); }
};

TEST_F(Commands, LookupMatchesKeyAndModifiersExactly) {
    EXPECT_EQ(input.TotalKeyNeeds, 87);
    EXPECT_EQ(commandFor(input, ' '), 2);
    EXPECT_EQ(commandFor(input, ' ', kShiftKeyMask), 95);
    EXPECT_EQ(commandFor(input, '8', kNumericPadKeyMask), 30);
    EXPECT_EQ(commandFor(input, '8'), 78);
    EXPECT_EQ(commandFor(input, '1', kAlternateKeyMask), 45);
    EXPECT_EQ(commandFor(input, 'u', kControlKeyMask), 94);
    EXPECT_EQ(commandFor(input, kF1Char + 1, kFunctionKeyMask), 89);
    // Arrows match only with both the function-key and keypad bits.
    EXPECT_EQ(commandFor(input, kUpArrowChar, kArrowKeyMask), 60);
    EXPECT_EQ(commandFor(input, kUpArrowChar, kFunctionKeyMask), 95);
    EXPECT_EQ(commandFor(input, kUpArrowChar, kArrowKeyMask | kControlKeyMask), 95);
    // Caps lock and the device bits take no part.
    EXPECT_EQ(commandFor(input, 'p', kAlphaShiftKeyMask | 0x108), 1);
    // Shifted letters are other keys.
    EXPECT_EQ(commandFor(input, 'A', kShiftKeyMask), 95);
}

TEST_F(Commands, LookupReadsOnlyRowsInUse) {
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

TEST(RawKeyCode, FollowsTheOlderKeyCodeForm) {
    EXPECT_EQ(rawKeyCode('a', 0), 0x61);
    EXPECT_EQ(rawKeyCode('1', kControlKeyMask), 0x131);
    EXPECT_EQ(rawKeyCode('r', kAlternateKeyMask), 0x272);
    EXPECT_EQ(rawKeyCode('8', kNumericPadKeyMask), 0x438);
    EXPECT_EQ(rawKeyCode('5', kNumericPadKeyMask), 0x435);
    EXPECT_EQ(rawKeyCode('q', kCommandKeyMask), 0x871);
    // Function and arrow keys drop every modifier.
    EXPECT_EQ(rawKeyCode(kF1Char, kFunctionKeyMask | kShiftKeyMask | kControlKeyMask), 0xEC);
    EXPECT_EQ(rawKeyCode(kF1Char + 7, kFunctionKeyMask), 0xF3);
    EXPECT_EQ(rawKeyCode(kUpArrowChar, kArrowKeyMask | kAlternateKeyMask), 0xE8);
    EXPECT_EQ(rawKeyCode(kLeftArrowChar, kArrowKeyMask), 0xEA);
    // In the keypad case the other flag bits stay in the code.
    EXPECT_EQ(rawKeyCode('8', kNumericPadKeyMask | kShiftKeyMask), 0x20438);
    // Chat keys arrive as their own characters.
    EXPECT_EQ(rawKeyCode('\r', 0), 13);
    EXPECT_EQ(rawKeyCode(0x7F, 0), 127);
}

TEST_F(Commands, DefaultsFillTheRawKeyTableFromTheFullTable) {
    input.setDefaultActions();
    const auto& t = input.KeyTranslation;
    EXPECT_EQ(t[0x20], 4);
    EXPECT_EQ(t[0xEE], 2);
    EXPECT_EQ(t[0xEF], 3);
    EXPECT_EQ(t[0x1B], 20);
    EXPECT_EQ(t[0x438], 30);
    EXPECT_EQ(t[0x231], 45);
    EXPECT_EQ(t[0x131], 62);
    EXPECT_EQ(t[0xE8], 60);
    EXPECT_EQ(t[0x162], 59);  // control-b, not option-b
    EXPECT_EQ(t[0x262], 0);
    int bound = 0;
    for (uint8_t c : t) bound += c != 0;
    EXPECT_EQ(bound, 93);
}

TEST_F(Commands, ResetKeepsTitleStringsAndTitlesFollowRows) {
    const std::string* before = input.CommandsAndKeys[18].TheExplaination;
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(*before, "Look Up 45/90\u00b0 Toggle");
    input.setDefaultActions();
    EXPECT_EQ(input.CommandsAndKeys[18].TheExplaination, before);
    EXPECT_EQ(*input.getCommandForRow(62), "Send Team Message");  // row 63, command 87
    EXPECT_EQ(input.getCommandForRow(200), nullptr);
}

TEST(FullTable, HasItsOwnRowsAndButtons) {
    TempStore store;
    DoJoystick input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.TotalKeyNeeds, 94);
    EXPECT_EQ(input.CommandsAndKeys[2].Command, 4);
    EXPECT_EQ(input.CommandsAndKeys[3].Command, 2);
    EXPECT_EQ(commandFor(input, ' '), 4);
    EXPECT_EQ(commandFor(input, 'b', kAlternateKeyMask), 59);
    EXPECT_EQ(commandFor(input, 0x1B), 20);
    EXPECT_EQ(input.JoystickButtonTranslation[6], 4);
    EXPECT_EQ(input.JoystickButtonTranslation[40], 17);
}

TEST_F(Commands, EveryJoystickButtonHasACommandAndATitle) {
    for (int g = 6; g <= 62; ++g) EXPECT_NE(input.JoystickButtonTranslation[g], 0) << g;
    EXPECT_EQ(input.getJoyButtonTitle(1), "Button #1");
    EXPECT_EQ(input.getJoyButtonTitle(25), "Hat Switch at rest");
    EXPECT_EQ(input.getJoyButtonTitle(57), "Button #48");
    EXPECT_EQ(input.getJoyButtonTitle(0), "error");
    EXPECT_EQ(input.getJoyButtonTitle(58), "error");
}

ActionItem1 entry(int command, int raw = 0) {
    ActionItem1 a;
    a.theAction = static_cast<uint8_t>(command);
    a.RawKeyPress = raw;
    a.actionType = kPressed;
    return a;
}

TEST(Ring, FirstInFirstOutAndDropsNewEntriesWhenFull) {
    ActionRing ring;
    EXPECT_EQ(ring.getNextActionInBuffer(), nullptr);
    EXPECT_EQ(ring.checkForNextActionInBuffer(), nullptr);
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(ring.push(entry(1, i)), i <= 32) << i;
    // Peeking changes nothing.
    EXPECT_EQ(ring.checkForNextActionInBuffer()->RawKeyPress, 1);
    EXPECT_EQ(ring.checkForNextActionInBuffer()->RawKeyPress, 1);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, i);
    for (int i = 41; i <= 44; ++i) EXPECT_TRUE(ring.push(entry(1, i)));
    EXPECT_FALSE(ring.push(entry(1, 45)));
    std::vector<int> order;
    while (const ActionItem1* a = ring.getNextActionInBuffer()) order.push_back(a->RawKeyPress);
    ASSERT_EQ(order.size(), 32u);
    for (int i = 0; i < 28; ++i) EXPECT_EQ(order[i], i + 5);
    for (int i = 28; i < 32; ++i) EXPECT_EQ(order[i], i + 13);
    EXPECT_TRUE(ring.empty());
}

TEST(Ring, AnEntryWithoutCommandDoesNotStallTheReader) {
    ActionRing ring;
    ring.push(entry(0, 7));
    ring.push(entry(2, 8));
    const ActionItem1* a = ring.getNextActionInBuffer();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->theAction, kUnboundCommand);
    EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, 8);
}

TEST_F(Commands, PressAndReleaseEntriesCarryKeyTimeAndType) {
    platform::ScopedTickSource clock([] { return 1234; });
    input.clearActionBuffer();
    input.keyDown(key('5', kNumericPadKeyMask));
    input.keyUp(key('5', kNumericPadKeyMask));
    const ActionItem1 press = *input.getNextActionInBuffer();
    EXPECT_EQ(press.RawKeyPress, 0x435);
    EXPECT_EQ(press.UniCodeKey.Modifiers, kNumericPadKeyMask);
    EXPECT_EQ(press.actionType, kPressed);
    EXPECT_EQ(press.theTime, 1234);
    EXPECT_EQ(press.theAction, 95);
    const ActionItem1 release = *input.getNextActionInBuffer();
    EXPECT_EQ(release.actionType, kReleased);
    // Function keys keep their characters and masked flags in the key, whatever else is held.
    input.keyDown(key(kF1Char, kFunctionKeyMask | kShiftKeyMask | 0x10000));
    const ActionItem1 f1 = *input.getNextActionInBuffer();
    EXPECT_EQ(f1.RawKeyPress, 0xEC);
    EXPECT_EQ(f1.UniCodeKey.PrimaryKeyStroke, kF1Char);
    EXPECT_EQ(f1.UniCodeKey.Modifiers, kFunctionKeyMask | kShiftKeyMask);
}

TEST_F(Commands, AutoRepeatReleaseComesFromTheRawKeyTable) {
    // First start: the defaults were put back, so the raw table holds the full table's space bar.
    input.clearActionBuffer();
    input.keyDown(key(' '));
    input.keyDown(key(' ', 0, true));
    input.keyUp(key(' '));
    std::vector<std::pair<int, int>> got;
    while (const ActionItem1* a = input.getNextActionInBuffer()) got.emplace_back(a->theAction, a->actionType);
    const std::vector<std::pair<int, int>> want = {{2, 2}, {4, 1}, {2, 2}, {2, 1}};
    EXPECT_EQ(got, want);

    // Next start reads the stored bindings; nothing fills the raw table, so the release is unbound.
    PellamJoySub next{nullptr, *store};
    next.awakeFromNib();
    next.keyDown(key(' ', 0, true));
    EXPECT_EQ(next.getNextActionInBuffer()->theAction, 95);
    EXPECT_EQ(next.getNextActionInBuffer()->theAction, 2);
}

TEST_F(Commands, EscapeCommandAndKeyCapture) {
    input.clearActionBuffer();
    input.doCommandBySelector();
    const ActionItem1* esc = input.getNextActionInBuffer();
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->theAction, 95);
    EXPECT_EQ(esc->UniCodeKey.PrimaryKeyStroke, 0x1Bu);

    input.clearActionBuffer();
    input.WaitingForKey = true;
    input.keyDown(key('g', kControlKeyMask));
    EXPECT_FALSE(input.WaitingForKey);
    EXPECT_EQ(input.KeyDefine.UniCodeKey.PrimaryKeyStroke, uint32_t('g'));
    EXPECT_EQ(input.KeyDefine.UniCodeKey.Modifiers, kControlKeyMask);
    EXPECT_EQ(input.ring().unreadCount(), 1);
    // The captured key binds a row; "no key" clears it and leaves command and title.
    input.newKeyDefUnicode(&input.KeyDefine.UniCodeKey, 6);
    EXPECT_EQ(commandFor(input, 'g', kControlKeyMask), input.CommandsAndKeys[6].Command);
    input.newKeyDefUnicode(nullptr, 6);
    EXPECT_EQ(input.CommandsAndKeys[6].PrimaryKeyStroke, 0u);
    EXPECT_EQ(input.CommandsAndKeys[6].Command, 8);
    EXPECT_NE(input.CommandsAndKeys[6].TheExplaination, nullptr);
}

}  // namespace
}  // namespace pellam::input
