// Stored input settings: first start, round trips in both byte orders, the older key table, and
// values that must not be taken as stored; settings edited by hand or damaged are read as meant,
// and what cannot be read is kept aside before the defaults are written over it.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <tuple>

#include "input/KeyRecords.h"
#include "input/PellamJoySub.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::TempStore;
namespace fs = std::filesystem;

TEST(KeyRecords, RoundTripInBothByteOrders) {
    std::array<KeyboardCommandList, 105> rows{};
    rows[1] = {0xF700, 0, 0xA00000, 60, nullptr};
    rows[2] = {' ', 0x12, 0x20000, 2, nullptr};
    for (bool little : {true, false}) {
        const std::vector<uint8_t> block = encodeKeyRecords(rows, 3, little);
        ASSERT_EQ(block.size(), 4000u);
        std::array<KeyboardCommandList, 105> back{};
        decodeKeyRecords(block, back, little);
        for (int r = 1; r <= 2; ++r) {
            EXPECT_EQ(std::tie(back[r].PrimaryKeyStroke, back[r].SecondaryKeyStroke, back[r].Modifiers, back[r].Command),
                      std::tie(rows[r].PrimaryKeyStroke, rows[r].SecondaryKeyStroke, rows[r].Modifiers, rows[r].Command));
        }
        // Written on a machine of the other order: the commands still read right.
        std::array<KeyboardCommandList, 105> other{};
        decodeKeyRecords(block, other, !little);
        EXPECT_EQ(other[1].Command, 60);
        EXPECT_EQ(other[2].Command, 2);
    }
}

TEST(KeyRecords, RecordsWithoutAGameCommandLeaveTheirRows) {
    std::array<KeyboardCommandList, 105> rows{};
    rows[1] = {'p', 0, 0, 1, nullptr};
    rows[2] = {'x', 0, 0, 95, nullptr};
    rows[3] = {'y', 0, 0, 200, nullptr};
    rows[4] = {'z', 0, 0, -3, nullptr};
    std::vector<uint8_t> block = encodeKeyRecords(rows, 5, true);
    block.resize(4 * 20 + 7);  // cut inside record 4
    std::array<KeyboardCommandList, 105> table{};
    for (int r = 1; r < 5; ++r) table[r] = {'a', 0, 0, 40 + r, nullptr};
    decodeKeyRecords(block, table, true);
    EXPECT_EQ(table[1].PrimaryKeyStroke, uint32_t('p'));
    for (int r = 2; r < 5; ++r) {
        EXPECT_EQ(table[r].PrimaryKeyStroke, uint32_t('a')) << r;
        EXPECT_EQ(table[r].Command, 40 + r) << r;
    }
}

TEST(Settings, MissingUnJamRowGainsItsBinding) {
    TempStore store;
    PellamJoySub first{nullptr, *store};
    first.awakeFromNib();
    first.CommandsAndKeys[86] = {};
    first.KeyPressPrefsreadwriteorreset(2);
    // A stored table from before the command existed: record 86 all zero.
    std::vector<uint8_t> block = *store->dataForKey("KeyboardButtons2");
    std::fill(block.begin() + 86 * 20, block.begin() + 87 * 20, 0);
    store->setData("KeyboardButtons2", block);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.CommandsAndKeys[86].PrimaryKeyStroke, uint32_t('u'));
    EXPECT_EQ(input.CommandsAndKeys[86].Modifiers, kControlKeyMask);
    EXPECT_EQ(input.CommandsAndKeys[86].Command, 94);
}

TEST(Settings, OlderKeyTableIsConvertedAndStoredAnew) {
    TempStore store;
    std::vector<uint8_t> old(4096, 0);
    old[0x161] = 12;       // control-a -> row 12
    old[240] = 5;          // F5 (0xF708 less 63000) -> row 5
    old[0xE8 + 0x400] = 52;  // up arrow, keypad bit -> row 52
    old[0x272] = 80;       // option-r -> row 80
    old[0x35] = 250;       // no such command: dropped
    store->setData("KeyboardButtons", old);
    store->setBool("KeyboardPrefsAvailable", true);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    const auto& t = input.CommandsAndKeys;
    const std::vector<std::pair<uint32_t, uint32_t>> got = {{t[12].PrimaryKeyStroke, t[12].Modifiers}, {t[5].PrimaryKeyStroke, t[5].Modifiers},
                                                             {t[52].PrimaryKeyStroke, t[52].Modifiers}, {t[80].PrimaryKeyStroke, t[80].Modifiers}};
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{
                       {0x61, kControlKeyMask}, {0xF708, kFunctionKeyMask}, {0xF700, kArrowKeyMask}, {'r', kAlternateKeyMask}}));
    EXPECT_EQ(t[12].Command, 18);  // the row keeps its command
    EXPECT_EQ(input.KeyTranslation[0x35], 0);
    EXPECT_TRUE(store->dataForKey("KeyboardButtons2").has_value());
}

TEST(Settings, CurveLimitsAndValuesThatAreNotNumbers) {
    TempStore store;
    store->setBool("CalPrefsAvailable", true);
    store->setDouble("StickCurveRud", 0.5);
    store->setDouble("StickCurveJoy", 0.5);
    store->setDouble("StickRudDead", 1.0);
    store->setDouble("AileronCalibrateFactor", std::numeric_limits<double>::quiet_NaN());
    store->setDouble("ElevatorCalibrateFactor", std::numeric_limits<double>::infinity());
    store->setDouble("RudderCalibrateFactor", 1e300);  // no single-precision value
    store->setDouble("ThrottleAddFactor", -0.25);
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_DOUBLE_EQ(input.StickCurveRud, 3.5);
    EXPECT_DOUBLE_EQ(input.StickCurveJoy, 1.0);
    EXPECT_DOUBLE_EQ(input.StickRudDead, 0.1);
    EXPECT_DOUBLE_EQ(input.AileronCalibrator, 1.54);
    EXPECT_DOUBLE_EQ(input.ElevatorCalibrator, 1.54);
    EXPECT_DOUBLE_EQ(input.RudderCalibrator, 1.7);
    EXPECT_DOUBLE_EQ(input.ThrottleStartAdder, -0.25);
}

TEST(Settings, ButtonTablesAreBoundedAndFilled) {
    TempStore store;
    store->setBool("JoyButPrefsAvailable", true);
    std::vector<uint8_t> buttons(10, 24);
    buttons[7] = 200;
    store->setData("JoystickButtons", buttons);
    store->setBool("MouseButPrefsAvailable", true);
    store->setData("MouseButtons", std::vector<uint8_t>(40, 6));
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    EXPECT_EQ(input.JoystickButtonTranslation[6], 24);
    EXPECT_EQ(input.JoystickButtonTranslation[7], 95);
    EXPECT_EQ(input.getMouseCommand(1), 6);
    EXPECT_EQ(input.getMouseCommand(4), 0);
    EXPECT_EQ(input.getCommandForRow(INT_MAX), nullptr);  // row queries from the binding window
    EXPECT_EQ(input.getCommandForRow(INT_MIN), nullptr);
}

// Okay, Cancel and the key window's buttons as a player drives them are in the windows tests.
TEST(WindowButtons, ResetAndOkayAreStoredCancelWithoutACopyKeepsTheBindings) {
    TempStore store;
    PellamJoySub input{nullptr, *store};
    input.awakeFromNib();
    input.okayButtons(InputButton::DefCancelK);
    input.okayButtons(InputButton::DefCancel);
    EXPECT_EQ(input.CommandsAndKeys[2].Command, kFireGuns);
    EXPECT_EQ(input.getJoystickButtonCommand(6), kFireGuns);

    input.setJoystickButtonCommand(kDropBomb, 6);
    input.JoystickButtonPrefsreadwriteorreset(2);
    input.DoingDefWindow = true;
    input.okayButtons(InputButton::DefReset);
    EXPECT_FALSE(input.DoingDefWindow);
    EXPECT_EQ(input.getJoystickButtonCommand(6), kFireGuns);
    EXPECT_EQ((*store->dataForKey("JoystickButtons"))[6], kFireGuns);
    input.okayButtons(InputButton::DefOkay, {true, 0, 0});
    EXPECT_TRUE(input.DontUseJoystickRudder);
    EXPECT_EQ(store->boolForKey("DontUseJoystickRudder"), true);
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The player's store with Fire Guns moved from the space bar to control-g and other settings
// changed, then `edit` applied to the file's text.
template <typename Edit>
void storeControlGThenEdit(TempStore& store, Edit edit) {
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        input.newKeyDefUnicode(nullptr, 2);
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
    store->synchronize();
    const std::string path = store->filePath();
    const std::string text = edit(readText(path));
    std::ofstream(path, std::ios::binary) << text;
    store.reopen();
}

// As stored, and with the flags stored as numbers.
TEST(Settings, ChangedSettingsComeBackAtTheNextStart) {
    for (bool numbers : {false, true}) {
        TempStore store;
        storeControlGThenEdit(store, [&](const std::string& text) {
            if (!numbers) return text;
            return std::regex_replace(std::regex_replace(text, std::regex(": true"), ": 1"), std::regex(": false"), ": 0");
        });
        if (numbers) ASSERT_EQ(readText(store->filePath()).find("true"), std::string::npos);
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        EXPECT_EQ(input.CommandsAndKeys[2].PrimaryKeyStroke, uint32_t('g'));
        EXPECT_EQ(input.CommandsAndKeys[2].Modifiers, kControlKeyMask);
        EXPECT_EQ(input.JoystickButtonTranslation[6], 18);
        EXPECT_TRUE(input.StickyHat);
        EXPECT_DOUBLE_EQ(input.StickCurveJoy, 2.5);
        EXPECT_EQ(input.getMouseCommand(0), 5);
        EXPECT_FALSE(fs::exists(store->filePath() + ".corrupt"));
    }
}

TEST(DamagedInputSettings, AnUndecodableKeyBlockIsKeptAsideBeforeTheDefaultsReplaceIt) {
    TempStore store;
    std::string damaged;
    storeControlGThenEdit(store, [&](const std::string& text) {
        damaged = std::regex_replace(text, std::regex("(\"KeyboardButtons2\": \\{\\s*\"base64\": \")"), "$1%%");
        return damaged;
    });
    const std::string aside = store->filePath() + ".corrupt";
    {
        PellamJoySub input{nullptr, *store};
        input.awakeFromNib();
        EXPECT_EQ(input.CommandsAndKeys[2].PrimaryKeyStroke, uint32_t(' '));  // the defaults, for now
    }
    const auto reports = store->takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("KeyboardButtons2"), std::string::npos);
    EXPECT_NE(reports[0].find(aside), std::string::npos);
    EXPECT_EQ(readText(aside), damaged);
    fs::remove(aside);
}


}  // namespace
}  // namespace pellam::input
