// Stored input settings: the key records in both byte orders, the older key table, values no
// player could have set, and what the player changed coming back at the next start.
#include <gtest/gtest.h>

#include <climits>
#include <limits>

#include "input/KeyRecords.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::TempStore;
using Rows = std::array<KeyboardCommandList, 105>;

TEST(KeyRecords, RoundTripInBothByteOrdersAndBadRecordsLeaveTheirRows) {
    Rows rows{};
    rows[1] = {0xF700, 0, 0xA00000, 60, nullptr};
    rows[2] = {' ', 0x12, 0x20000, 2, nullptr};
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        const std::vector<uint8_t> block = encodeKeyRecords(rows, 3, little);
        ASSERT_EQ(block.size(), 4000u);
        Rows back{}, other{};
        decodeKeyRecords(block, back, little);
        decodeKeyRecords(block, other, !little);  // written on a machine of the other order
        EXPECT_EQ(encodeKeyRecords(back, 3, little), block);
        for (int r = 1; r <= 2; ++r) EXPECT_EQ(other[r].Command, rows[r].Command);
    }
    // Commands that are not game commands, and a record cut short, change nothing.
    rows[2] = {'x', 0, 0, 95, nullptr};
    rows[3] = {'y', 0, 0, 200, nullptr};
    rows[4] = {'z', 0, 0, -3, nullptr};
    rows[5] = {'w', 0, 0, 7, nullptr};
    std::vector<uint8_t> block = encodeKeyRecords(rows, 6, true);
    block.resize(5 * 20 + 7);
    Rows table{};
    for (int r = 1; r <= 5; ++r) table[r] = {'a', 0, 0, 40 + r, nullptr};
    decodeKeyRecords(block, table, true);
    EXPECT_EQ(table[1].Command, 60);
    for (int r = 2; r <= 5; ++r) {
        EXPECT_EQ(table[r].PrimaryKeyStroke, uint32_t('a')) << r;
        EXPECT_EQ(table[r].Command, 40 + r) << r;
    }
}

TEST(StoredSettings, OlderKeyTableIsConvertedAndStoredAnew) {
    TempStore store;
    std::vector<uint8_t> old(4096, 0);
    old[0x161] = 12;         // control-a -> row 12
    old[240] = 5;            // F5 (0xF708 less 63000) -> row 5
    old[0xE8 + 0x400] = 52;  // up arrow, keypad bit -> row 52
    old[0x272] = 80;         // option-r -> row 80
    old[0x35] = 250;         // no such row: dropped
    store->setData("KeyboardButtons", old);
    store->setBool("KeyboardPrefsAvailable", true);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    const auto& t = input.CommandsAndKeys;
    const std::vector<std::pair<uint32_t, uint32_t>> got = {{t[12].PrimaryKeyStroke, t[12].Modifiers},
                                                             {t[5].PrimaryKeyStroke, t[5].Modifiers},
                                                             {t[52].PrimaryKeyStroke, t[52].Modifiers},
                                                             {t[80].PrimaryKeyStroke, t[80].Modifiers}};
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{
                       {0x61, kControlKeyMask}, {0xF708, kFunctionKeyMask}, {0xF700, kArrowKeyMask}, {'r', kAlternateKeyMask}}));
    EXPECT_EQ(t[12].Command, 18);  // the row keeps its command
    EXPECT_EQ(input.KeyTranslation[0x35], 0);
    EXPECT_TRUE(store->dataForKey("KeyboardButtons2").has_value());
}

// Curves beyond their limits, calibrations that are not single-precision numbers, button
// commands off the table and rows far outside it: the defaults stand.
TEST(StoredSettings, ValuesOutsideTheirLimitsAreNotTaken) {
    TempStore store;
    store->setBool("CalPrefsAvailable", true);
    store->setDouble("StickCurveRud", 0.5);
    store->setDouble("StickCurveJoy", 0.5);
    store->setDouble("StickRudDead", 1.0);
    store->setDouble("AileronCalibrateFactor", std::numeric_limits<double>::quiet_NaN());
    store->setDouble("ElevatorCalibrateFactor", std::numeric_limits<double>::infinity());
    store->setDouble("RudderCalibrateFactor", 1e300);
    store->setDouble("ThrottleAddFactor", -0.25);
    store->setBool("JoyButPrefsAvailable", true);
    std::vector<uint8_t> buttons(10, 24);
    buttons[7] = 200;
    store->setData("JoystickButtons", buttons);
    store->setBool("MouseButPrefsAvailable", true);
    store->setData("MouseButtons", std::vector<uint8_t>(40, 6));
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_DOUBLE_EQ(input.StickCurveRud, 3.5);
    EXPECT_DOUBLE_EQ(input.StickCurveJoy, 1.0);
    EXPECT_DOUBLE_EQ(input.StickRudDead, 0.1);
    EXPECT_DOUBLE_EQ(input.AileronCalibrator, 1.54);
    EXPECT_DOUBLE_EQ(input.ElevatorCalibrator, 1.54);
    EXPECT_DOUBLE_EQ(input.RudderCalibrator, 1.7);
    EXPECT_DOUBLE_EQ(input.ThrottleStartAdder, -0.25);
    EXPECT_EQ(input.JoystickButtonTranslation[6], 24);
    EXPECT_EQ(input.JoystickButtonTranslation[7], 95);
    EXPECT_EQ(input.getMouseCommand(1), 6);
    EXPECT_EQ(input.getMouseCommand(4), 0);
    EXPECT_EQ(input.getCommandForRow(INT_MAX), nullptr);
    EXPECT_EQ(input.getCommandForRow(INT_MIN), nullptr);
}

// A stored key table from before the Un-jam command existed (its record all zero) gains that
// command's binding; everything else comes back as the player left it.
TEST(StoredSettings, ChangesComeBackAtTheNextStart) {
    TempStore store;
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        const KeyboardCommandList g{'g', 0, kControlKeyMask, 0, nullptr};
        input.newKeyDefUnicode(&g, 2);
        input.KeyPressPrefsreadwriteorreset(2);
        input.setJoystickButtonCommand(18, 6);
        input.StickyHat = true;
        input.StickCurveJoy = 2.5;
        input.CalibratePrefsreadwriteorreset(2);
        input.JoystickButtonPrefsreadwriteorreset(2);
        input.setMouseCommand(5, 0);
        input.MousePrefsreadwriteorreset(2);
    }
    std::vector<uint8_t> block = *store->dataForKey("KeyboardButtons2");
    std::fill(block.begin() + 86 * 20, block.begin() + 87 * 20, 0);
    store->setData("KeyboardButtons2", block);
    store.reopen();
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.CommandsAndKeys[2].PrimaryKeyStroke, uint32_t('g'));
    EXPECT_EQ(input.CommandsAndKeys[2].Modifiers, kControlKeyMask);
    EXPECT_EQ(input.JoystickButtonTranslation[6], 18);
    EXPECT_TRUE(input.StickyHat);
    EXPECT_DOUBLE_EQ(input.StickCurveJoy, 2.5);
    EXPECT_EQ(input.getMouseCommand(0), 5);
    EXPECT_EQ(input.CommandsAndKeys[86].PrimaryKeyStroke, uint32_t('u'));
    EXPECT_EQ(input.CommandsAndKeys[86].Command, 94);
}

}  // namespace
}  // namespace pellam::input
