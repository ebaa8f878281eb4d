// Keys to commands through the lookup and the action ring; the key window as a player drives it;
// the texts keys show; the mouse pop-ups; and the stored settings: key records in both byte
// orders, the older key table, values no player could have set, and the next start.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <set>
#include <tuple>

#include "input/KeyRecords.h"
#include "platform/Beep.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::keyEvent;
using test::TempStore;
using Rows = std::array<KeyboardCommandList, DoJoystick::kTableRows>;
using enum CommandNumber;

int rowOf(const DoJoystick& in, CommandNumber command) {
    for (int row = 0; row < in.numberOfRowsInTableView(); ++row)
        if (in.CommandsAndKeys[row + 1].Command == command) return row;
    return -1;
}

class Keys : public ::testing::Test {
protected:
    void SetUp() override { in.awakeFromNib(); }
    // The command a press of this key puts into the ring.
    CommandNumber commandFor(uint32_t c, uint32_t flags = 0) {
        in.clearActionBuffer();
        in.keyDown(keyEvent(static_cast<uint16_t>(c), flags));
        const ActionItem1* item = in.getNextActionInBuffer();
        return item ? item->theAction : None;
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
            const bool unique = seen.insert({r.PrimaryKeyStroke, r.SecondaryKeyStroke, r.Modifiers}).second;
            EXPECT_TRUE(r.PrimaryKeyStroke == 0 || unique) << "row " << i << " shares its key";
        }
    }

    test::TempStore store;
    PellamJoySub in{nullptr, *store};
};

TEST_F(Keys, LookupMatchesKeyAndModifiersExactlyInTheRowsInUse) {
    EXPECT_EQ(commandFor(' ', kShiftKeyMask), Unbound);
    // Arrows match only with both the function-key and keypad bits.
    EXPECT_EQ(commandFor(kUpArrowChar, kArrowKeyMask), MoveCameraCloser);
    EXPECT_EQ(commandFor(kUpArrowChar, kFunctionKeyMask), Unbound);
    EXPECT_EQ(commandFor(kUpArrowChar, kArrowKeyMask | kControlKeyMask), Unbound);
    // Caps lock and the device bits take no part; shifted letters are other keys.
    EXPECT_EQ(commandFor('p', kAlphaShiftKeyMask | 0x108), PauseFlyGameToggle);
    EXPECT_EQ(commandFor('A', kShiftKeyMask), Unbound);

    // The key the window shows beside a title sends the command of that title, for every row.
    for (int row = 0; row < in.numberOfRowsInTableView(); ++row) {
        const KeyboardCommandList& r = in.CommandsAndKeys[row + 1];
        ASSERT_NE(r.TheExplaination, nullptr) << row;
        EXPECT_EQ(commandTitle(commandFor(r.PrimaryKeyStroke, r.Modifiers)), *r.TheExplaination) << row;
        EXPECT_EQ(commandTitled(*r.TheExplaination), r.Command) << row;
    }
    EXPECT_EQ(commandTitled("Fire Gun"), None);

    in.CommandsAndKeys[0] = {'z', 0, 0, Look135Left, nullptr};
    in.CommandsAndKeys[87] = {'z', 0, 0, Look135Left, nullptr};
    EXPECT_EQ(commandFor('z'), Unbound);
}

TEST(Ring, FirstInFirstOutAndDropsNewEntriesWhenFull) {
    auto entry = [](CommandNumber command, int raw) {
        ActionItem1 a;
        a.theAction = command;
        a.RawKeyPress = raw;
        return a;
    };
    ActionRing ring;
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(ring.push(entry(PauseFlyGameToggle, i)), i <= 32) << i;
    EXPECT_EQ(ring.checkForNextActionInBuffer()->RawKeyPress, 1);  // peeking takes nothing
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, i);
    for (int i = 41; i <= 45; ++i) EXPECT_EQ(ring.push(entry(PauseFlyGameToggle, i)), i <= 44) << i;
    std::vector<int> order, want;
    while (const ActionItem1* a = ring.getNextActionInBuffer()) order.push_back(a->RawKeyPress);
    for (int i = 5; i <= 44; ++i)
        if (i <= 32 || i >= 41) want.push_back(i);
    EXPECT_EQ(order, want);

    // An entry without a command does not stall the reader.
    ring.push(entry(None, 7));
    ring.push(entry(FireGuns, 8));
    EXPECT_EQ(ring.getNextActionInBuffer()->theAction, Unbound);
    EXPECT_EQ(ring.getNextActionInBuffer()->RawKeyPress, 8);
}

TEST_F(Keys, KeyWindowCaptureRefuseClearResetAndTheTwoWaysOut) {
    const auto original = in.CommandsAndKeys;
    const auto stored = store->dataForKey("KeyboardButtons2");
    const int fireRow = rowOf(in, FireGuns), throttleRow = rowOf(in, ThrottleUpIncrementally);
    const uint32_t fireKey = in.CommandsAndKeys[fireRow + 1].PrimaryKeyStroke;
    const KeyboardCommandList throttle = in.CommandsAndKeys[throttleRow + 1];
    in.fromDefineKeyboardMenu();

    SCOPED_TRACE("a free key is taken with its modifiers");
    bind(FireGuns, 'j', kControlKeyMask);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "Ctrl-j");
    EXPECT_EQ(in.keyWindow.selectedRow, fireRow) << "the clicked row stays selected";
    EXPECT_EQ(commandFor('j', kControlKeyMask), FireGuns);
    EXPECT_EQ(commandFor(fireKey), Unbound);

    SCOPED_TRACE("another command's key, or its own, is refused with the beep");
    const long beeps = platform::beepCount();
    bind(FireGuns, throttle.PrimaryKeyStroke, throttle.Modifiers);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(in.keyWindow.selectedRow, throttleRow);
    bind(FireGuns, 'j', kControlKeyMask);
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(in.keyWindow.selectedRow, fireRow);
    expectKeysUnique();

    SCOPED_TRACE("a key that types nothing waits; No Key clears the row");
    bind(FireGuns, 0);
    EXPECT_TRUE(in.DoingKeyboardSheet);
    in.okayButtons(InputButton::NoKeyBut);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "(no key)");
    in.keyDown(keyEvent(0xA7));  // pressed after the sheet ended: nothing is bound
    EXPECT_EQ(commandFor(0xA7), Unbound);

    SCOPED_TRACE("a row whose command is no game command shows no key, sends nothing and frees its key");
    for (int bad : {0, 95, 200, -3}) {
        in.CommandsAndKeys[throttleRow + 1].Command = commandFrom(bad);
        EXPECT_EQ(in.createKeyComboStringForRow(throttleRow), "(no key)");
        EXPECT_EQ(commandFor(throttle.PrimaryKeyStroke, throttle.Modifiers), Unbound);
    }
    bind(DropBomb, throttle.PrimaryKeyStroke, throttle.Modifiers);
    EXPECT_EQ(commandFor(throttle.PrimaryKeyStroke, throttle.Modifiers), DropBomb);
    EXPECT_EQ(in.createKeyComboStringForRow(500), "(no key)");

    SCOPED_TRACE("Reset puts the defaults back unstored; Cancel restores the table of the opening");
    in.fromKPSetDefaults();
    EXPECT_EQ(in.CommandsAndKeys[fireRow + 1].PrimaryKeyStroke, fireKey);
    bind(DropBomb, 'j');
    in.okayButtons(InputButton::DefCancelK);
    EXPECT_EQ(swapCommandsAndKeys200(in.CommandsAndKeys, DoJoystick::kTableRows, true),
              swapCommandsAndKeys200(original, DoJoystick::kTableRows, true));
    EXPECT_EQ(store->dataForKey("KeyboardButtons2"), stored);
}

TEST_F(Keys, MousePopUpsShowTheStoredCommandAndNoneForACommandOffTheTable) {
    // The first button's default, which this game's table has no row for, is shown and kept.
    in.fromDefineMouseMenu();
    EXPECT_EQ(in.mouseWindow.popUp1, FireGunsAndCannon);
    in.okayButtons(InputButton::DefCancelM);
    in.setMouseCommand(ThrottleUpIncrementally, 0);
    in.MouseButtonTranslation[1] = byteOf(Unbound);
    in.fromDefineMouseMenu();
    EXPECT_EQ(in.mouseWindow.popUp1, ThrottleUpIncrementally);
    EXPECT_EQ(in.mouseWindow.popUp2, None);
    in.okayButtons(InputButton::DefOkayM, {false, DropBomb, in.mouseWindow.popUp2});
    EXPECT_EQ(in.getMouseCommand(0), DropBomb);
    EXPECT_EQ(in.getMouseCommand(1), Unbound);
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
    EXPECT_EQ(keyComboText({'z', 0, kAlternateKeyMask | kControlKeyMask}), "Ctrl-Alt-z");
    EXPECT_EQ(keyComboText({kUpArrowChar, 0, kArrowKeyMask}), "(up arrow)");
    EXPECT_EQ(keyComboText({'8', 0, kNumericPadKeyMask}), "8 on keypad");
}

TEST(KeyRecords, RoundTripInBothByteOrdersAndBadRecordsLeaveTheirRows) {
    Rows rows{};
    rows[1] = {0xF700, 0, 0xA00000, MoveCameraCloser, nullptr};
    rows[2] = {' ', 0x12, 0x20000, FireGuns, nullptr};
    for (bool little : {true, false}) {
        const std::vector<uint8_t> block = swapCommandsAndKeys200(rows, 3, little);
        Rows back{}, other{};
        swapCommandsAndKeys(block, back, little);
        swapCommandsAndKeys(block, other, !little);  // written on a machine of the other order
        EXPECT_EQ(swapCommandsAndKeys200(back, 3, little), block) << little;
        for (int r = 1; r <= 2; ++r) EXPECT_EQ(other[r].Command, rows[r].Command) << little;
    }
    // Commands that are not game commands, and a record cut short, change nothing.
    const int notGameCommands[] = {95, 200, -3};
    for (int r = 2; r <= 4; ++r) rows[r] = {'x', 0, 0, commandFrom(notGameCommands[r - 2]), nullptr};
    rows[5] = {'w', 0, 0, SwitchEngineOff, nullptr};
    std::vector<uint8_t> block = swapCommandsAndKeys200(rows, 6, true);
    block.resize(5 * 20 + 7);
    Rows table{};
    for (int r = 1; r <= 5; ++r) table[r] = {'a', 0, 0, ElevatorTrimDown + r, nullptr};
    swapCommandsAndKeys(block, table, true);
    EXPECT_EQ(table[1].Command, MoveCameraCloser);
    for (int r = 2; r <= 5; ++r) {
        EXPECT_EQ(table[r].PrimaryKeyStroke, uint32_t('a')) << r;
        EXPECT_EQ(table[r].Command, ElevatorTrimDown + r) << r;
    }
}

TEST(StoredSettings, OlderKeyTableIsConvertedAndStoredAnew) {
    TempStore store;
    std::vector<uint8_t> old(4096, 0);
    old[0x161] = 12;         // control-a -> row 12
    old[240] = 5;            // F5 (0xF708 less 63000) -> row 5
    old[0xE8 + 0x400] = 52;  // up arrow, keypad bit -> row 52
    old[0x35] = 250;         // no such row: dropped
    store->setData("KeyboardButtons", old);
    store->setBool("KeyboardPrefsAvailable", true);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    const auto& t = input.CommandsAndKeys;
    const std::tuple<int, uint32_t, uint32_t> converted[] = {
        {12, 'a', kControlKeyMask}, {5, 0xF708, kFunctionKeyMask}, {52, 0xF700, kArrowKeyMask}};
    for (auto [row, key, modifiers] : converted) {
        EXPECT_EQ(t[row].PrimaryKeyStroke, key) << row;
        EXPECT_EQ(t[row].Modifiers, modifiers) << row;
    }
    EXPECT_EQ(t[12].Command, DropBomb);  // the row keeps its command
    EXPECT_EQ(input.KeyTranslation[0x35], 0);
    EXPECT_TRUE(store->dataForKey("KeyboardButtons2").has_value());
}

// Curves beyond their limits, calibrations that are not single-precision numbers or beyond what a
// calibration gives (a negative scale would turn the axis round), button commands off the table
// and rows far outside it: the defaults or the limits stand.
TEST(StoredSettings, ValuesOutsideTheirLimitsAreNotTaken) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::tuple<const char*, double, double DoJoystick::*, double> values[] = {
        {"StickCurveRud", 0.5, &DoJoystick::StickCurveRud, 3.5},
        {"StickCurveJoy", 0.5, &DoJoystick::StickCurveJoy, 1.0},
        {"StickRudDead", 1.0, &DoJoystick::StickRudDead, 0.1},
        {"AileronCalibrateFactor", nan, &DoJoystick::AileronCalibrator, 1.54},
        {"ElevatorCalibrateFactor", inf, &DoJoystick::ElevatorCalibrator, 1.54},
        {"RudderCalibrateFactor", 1e300, &DoJoystick::RudderCalibrator, 1.7},
        {"ThrottleAddFactor", -0.25, &DoJoystick::ThrottleStartAdder, -0.25},
        {"ThrottleCalibrateFactor", -2.0, &DoJoystick::ThrottleRangeCalibrator, 2.4},
        {"AileronAddFactor", -4.6e18, &DoJoystick::AileronCenterAdder, 0},
        {"StickCurveMou", 1e30, &DoJoystick::StickCurveMou, 1.6},
    };
    TempStore store;
    store->setBool("CalPrefsAvailable", true);
    for (auto [key, stored, field, read] : values) store->setDouble(key, stored);
    store->setBool("JoyButPrefsAvailable", true);
    std::vector<uint8_t> buttons(10, byteOf(LookIncrementallyUp));
    buttons[7] = 200;
    store->setData("JoystickButtons", buttons);
    store->setBool("MouseButPrefsAvailable", true);
    store->setData("MouseButtons", std::vector<uint8_t>(40, byteOf(ThrottleDownIncrementally)));
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    for (auto [key, stored, field, read] : values) EXPECT_DOUBLE_EQ(input.*field, read) << key;
    EXPECT_EQ(input.JoystickButtonTranslation[6], byteOf(LookIncrementallyUp));
    EXPECT_EQ(input.JoystickButtonTranslation[7], byteOf(Unbound));
    EXPECT_EQ(input.getMouseCommand(1), ThrottleDownIncrementally);
    EXPECT_EQ(input.getMouseCommand(4), None);
    EXPECT_EQ(input.getCommandForRow(INT_MAX), nullptr);
}

// A button group marked as stored whose table is missing or unreadable keeps the standard
// commands, and has them again at the next start.
TEST(StoredSettings, MissingButtonTablesKeepTheStandardCommands) {
    TempStore firstStart;
    PellamJoySub standard{nullptr, *firstStart};
    standard.awakeFromNib();

    TempStore store;
    store->setBool("JoyButPrefsAvailable", true);
    store->setString("JoystickButtons", "fire");
    store->setBool("MouseButPrefsAvailable", true);
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        EXPECT_EQ(input.JoystickButtonTranslation, standard.JoystickButtonTranslation);
        EXPECT_EQ(input.getMouseCommand(0), FireGunsAndCannon);
        input.JoystickButtonPrefsreadwriteorreset(2);
    }
    PellamJoySub nextStart{nullptr, *store};
    nextStart.awakeFromNib();
    EXPECT_EQ(nextStart.JoystickButtonTranslation, standard.JoystickButtonTranslation);
}

// A key the player took away from Un-Jam Guns (the last row) stays away at the next start.
TEST(StoredSettings, AKeyTakenAwayStaysAway) {
    TempStore store;
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        input.newKeyDefUnicode(nullptr, 86);
        input.KeyPressPrefsreadwriteorreset(2);
    }
    PellamJoySub nextStart{nullptr, *store};
    nextStart.awakeFromNib();
    EXPECT_EQ(nextStart.CommandsAndKeys[86].PrimaryKeyStroke, 0u);
    EXPECT_EQ(nextStart.createKeyComboStringForRow(85), KeyNames::nokey);
}

// The stick, button and mouse settings come back as the player left them (a rebound key comes
// back in the game's own settings run); a stored key table from before the Un-jam command
// existed, its record all zero, gains that command's binding.
TEST(StoredSettings, ChangesComeBackAtTheNextStart) {
    TempStore store;
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        input.setJoystickButtonCommand(DropBomb, 6);
        input.StickCurveJoy = 2.5;
        input.CalibratePrefsreadwriteorreset(2);
        input.JoystickButtonPrefsreadwriteorreset(2);
        input.setMouseCommand(ThrottleUpIncrementally, 0);
        input.MousePrefsreadwriteorreset(2);
    }
    std::vector<uint8_t> block = *store->dataForKey("KeyboardButtons2");
    std::fill(block.begin() + 86 * 20, block.begin() + 87 * 20, 0);
    store->setData("KeyboardButtons2", block);
    ASSERT_TRUE(store->synchronize());
    platform::UserDefaults nextStart(store->filePath());
    PellamJoySub input{nullptr, nextStart};
    input.awakeFromNib();
    EXPECT_EQ(input.JoystickButtonTranslation[6], byteOf(DropBomb));
    EXPECT_DOUBLE_EQ(input.StickCurveJoy, 2.5);
    EXPECT_EQ(input.getMouseCommand(0), ThrottleUpIncrementally);
    EXPECT_EQ(input.CommandsAndKeys[86].PrimaryKeyStroke, uint32_t('u'));
    EXPECT_EQ(input.CommandsAndKeys[86].Command, UnJamGunsAttempt);
}

}  // namespace
}  // namespace pellam::input
