// Keys to commands: the lookup, the action ring, the key handlers and the key window as a player
// drives it (capture, refusal, No Key, reset and Cancel); the texts keys show; the mouse pop-ups.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "platform/Beep.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::keyEvent;

int rowOf(const DoJoystick& in, CommandNumber command) {
    for (int row = 0; row < in.numberOfRowsInTableView(); ++row)
        if (in.CommandsAndKeys[row + 1].Command == command) return row;
    return -1;
}

class Keys : public ::testing::Test {
protected:
    void SetUp() override { in.awakeFromNib(); }
    // The command a press of this key puts into the ring.
    int commandFor(uint32_t c, uint32_t flags = 0) {
        in.clearActionBuffer();
        in.keyDown(keyEvent(static_cast<uint16_t>(c), flags));
        const ActionItem1* item = in.getNextActionInBuffer();
        return item ? item->theAction : -1;
    }
    // Clicks the row of `command` in the key window and presses `c`; a frame of the game follows.
    void bind(CommandNumber command, uint32_t c, uint32_t mods = 0) {
        in.fromKeyboardTable(rowOf(in, command));
        ASSERT_TRUE(in.DoingKeyboardSheet);
        in.keyDown(keyEvent(static_cast<uint16_t>(c), mods));
        in.keyUp(keyEvent(static_cast<uint16_t>(c), mods));
        in.createSurfaceInput(800, 600);
        in.clearActionBuffer();
    }
    void expectKeysUnique() {
        std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
        for (int i = 1; i < in.TotalKeyNeeds; ++i) {
            const KeyboardCommandList& r = in.CommandsAndKeys[i];
            EXPECT_TRUE(r.PrimaryKeyStroke == 0 || seen.insert({r.PrimaryKeyStroke, r.SecondaryKeyStroke, r.Modifiers}).second)
                << "row " << i << " shares its key";
        }
    }

    test::TempStore store;
    PellamJoySub in{nullptr, *store};
};

TEST_F(Keys, LookupMatchesKeyAndModifiersExactlyInTheRowsInUse) {
    EXPECT_EQ(commandFor(' ', kShiftKeyMask), 95);
    EXPECT_NE(commandFor('8', kNumericPadKeyMask), commandFor('8'));
    // Arrows match only with both the function-key and keypad bits.
    EXPECT_EQ(commandFor(kUpArrowChar, kArrowKeyMask), 60);
    EXPECT_EQ(commandFor(kUpArrowChar, kFunctionKeyMask), 95);
    EXPECT_EQ(commandFor(kUpArrowChar, kArrowKeyMask | kControlKeyMask), 95);
    // Caps lock and the device bits take no part; shifted letters are other keys.
    EXPECT_EQ(commandFor('p', kAlphaShiftKeyMask | 0x108), 1);
    EXPECT_EQ(commandFor('A', kShiftKeyMask), 95);

    in.CommandsAndKeys[0] = {'z', 0, 0, 33, nullptr};
    in.CommandsAndKeys[87] = {'z', 0, 0, 33, nullptr};
    EXPECT_EQ(commandFor('z'), 95);
    // The first matching row wins.
    in.CommandsAndKeys[5].PrimaryKeyStroke = 'p';
    in.CommandsAndKeys[5].Modifiers = 0;
    EXPECT_EQ(commandFor('p'), 1);
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

    // An entry without a command does not stall the reader.
    ring.push(entry(0, 7));
    ring.push(entry(2, 8));
    EXPECT_EQ(ring.getNextActionInBuffer()->theAction, kUnboundCommand);
    EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, 8);
}

TEST_F(Keys, AutoRepeatReleaseComesFromTheRawKeyTableAndEscapeIsItsOwnCommand) {
    // First start: the defaults were put back, so the raw table holds the full table's space bar.
    in.clearActionBuffer();
    in.keyDown(keyEvent(' '));
    in.keyDown(keyEvent(' ', 0, true));
    in.keyUp(keyEvent(' '));
    std::vector<std::pair<int, int>> got;
    while (const ActionItem1* a = in.getNextActionInBuffer()) got.emplace_back(a->theAction, a->actionType);
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{2, 2}, {4, 1}, {2, 2}, {2, 1}}));

    in.doCommandBySelector();
    const ActionItem1* esc = in.getNextActionInBuffer();
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->theAction, 95);
    EXPECT_EQ(esc->UniCodeKey.PrimaryKeyStroke, 0x1Bu);
}

TEST_F(Keys, KeyWindowCaptureRefuseClearResetAndTheTwoWaysOut) {
    const auto original = in.CommandsAndKeys;
    const auto stored = store->dataForKey("KeyboardButtons2");
    const int fireRow = rowOf(in, kFireGuns), throttleRow = rowOf(in, kThrottleUp);
    const uint32_t fireKey = in.CommandsAndKeys[fireRow + 1].PrimaryKeyStroke;
    const KeyboardCommandList throttle = in.CommandsAndKeys[throttleRow + 1];
    in.fromDefineKeyboardMenu();
    ASSERT_TRUE(in.isWindowOpen());

    SCOPED_TRACE("a free key is taken with its modifiers");
    bind(kFireGuns, 'j', kControlKeyMask);
    EXPECT_FALSE(in.DoingKeyboardSheet);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "(control and ) j");
    EXPECT_EQ(commandFor('j', kControlKeyMask), kFireGuns);
    EXPECT_EQ(commandFor(fireKey), kUnboundCommand);

    SCOPED_TRACE("another command's key, or its own, is refused with the beep");
    const long beeps = platform::beepCount();
    bind(kFireGuns, throttle.PrimaryKeyStroke, throttle.Modifiers);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(in.keyWindow.selectedRow, throttleRow);
    bind(kFireGuns, 'j', kControlKeyMask);
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(in.keyWindow.selectedRow, fireRow);
    expectKeysUnique();

    SCOPED_TRACE("a key that types nothing waits; No Key clears the row");
    bind(kFireGuns, 0);
    EXPECT_TRUE(in.DoingKeyboardSheet);
    in.okayButtons(InputButton::NoKeyBut);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "(no key)");
    EXPECT_EQ(commandFor(0xA7), kUnboundCommand);  // pressed after the sheet ended: nothing is bound

    SCOPED_TRACE("a row whose command is no game command shows no key, sends nothing and frees its key");
    for (int bad : {0, 95, 200, -3}) {
        in.CommandsAndKeys[throttleRow + 1].Command = bad;
        EXPECT_EQ(in.createKeyComboStringForRow(throttleRow), "(no key)");
        EXPECT_EQ(commandFor(throttle.PrimaryKeyStroke, throttle.Modifiers), kUnboundCommand);
    }
    bind(kDropBomb, throttle.PrimaryKeyStroke, throttle.Modifiers);
    EXPECT_EQ(commandFor(throttle.PrimaryKeyStroke, throttle.Modifiers), kDropBomb);
    EXPECT_EQ(in.createKeyComboStringForRow(500), "(no key)");

    SCOPED_TRACE("Reset puts the defaults back unstored; Cancel restores the table of the opening");
    in.fromKPSetDefaults();
    EXPECT_EQ(in.CommandsAndKeys[fireRow + 1].PrimaryKeyStroke, fireKey);
    bind(kDropBomb, 'j');
    in.okayButtons(InputButton::DefCancelK);
    EXPECT_FALSE(in.isWindowOpen());
    for (int i = 0; i < DoJoystick::kTableRows; ++i) {
        EXPECT_EQ(in.CommandsAndKeys[i].PrimaryKeyStroke, original[i].PrimaryKeyStroke) << i;
        EXPECT_EQ(in.CommandsAndKeys[i].Modifiers, original[i].Modifiers) << i;
    }
    EXPECT_EQ(store->dataForKey("KeyboardButtons2"), stored);
}

TEST_F(Keys, MousePopUpsShowTheStoredCommandAndNoneForACommandOffTheTable) {
    in.setMouseCommand(kThrottleUp, 0);
    in.MouseButtonTranslation[1] = kUnboundCommand;
    in.fromDefineMouseMenu();
    EXPECT_EQ(in.mouseWindow.popUp1, kThrottleUp);
    EXPECT_EQ(in.mouseWindow.popUp2, 0);
    in.okayButtons(InputButton::DefOkayM, {false, kDropBomb, in.mouseWindow.popUp2});
    EXPECT_EQ(in.getMouseCommand(0), kDropBomb);
    EXPECT_EQ(in.getMouseCommand(1), kUnboundCommand);
    EXPECT_FALSE(in.isWindowOpen());
}

// Strict UTF-8 with nothing below the space and no DEL.
bool cleanUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : b >= 0xF8 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        if (extra < 0 || b < 0x20 || b == 0x7F || i + extra >= s.size()) return false;
        for (; extra > 0; --extra)
            if ((static_cast<unsigned char>(s[++i]) & 0xC0) != 0x80) return false;
    }
    return true;
}

TEST(KeyTexts, EveryKeyShowsCleanUtf8) {
    for (uint32_t c = 1; c <= 0xFFFF; ++c) {
        const std::string text = keyComboText({c, 0, 0});
        ASSERT_TRUE(!text.empty() && cleanUtf8(text)) << "key 0x" << std::hex << c;
    }
    EXPECT_EQ(keyComboText({0xE9, 0, 0}), "\xC3\xA9");                 // é
    EXPECT_EQ(keyComboText({0xD83D, 0xDE00, 0}), "\xF0\x9F\x98\x80");  // one character in two units
}

}  // namespace
}  // namespace pellam::input
