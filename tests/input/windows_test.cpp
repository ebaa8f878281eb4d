// The input settings windows' logic as a player drives it: key capture, refusal, No Key, reset,
// Okay and Cancel; the joystick button window's tracker; the calibrator; mouse forwarding from
// the builder's top view.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "input/PellamJoySub.h"
#include "input/ViewMouse.h"
#include "platform/Beep.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::FakeHid;
using test::TempStore;

using test::keyEvent;

int rowOf(const DoJoystick& in, CommandNumber command) {
    for (int row = 0; row < in.numberOfRowsInTableView(); ++row)
        if (in.CommandsAndKeys[row + 1].Command == command) return row;
    return -1;
}

// No key is bound to two commands.
void expectKeysUnique(const DoJoystick& in) {
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
    for (int i = 1; i < in.TotalKeyNeeds; ++i) {
        const KeyboardCommandList& r = in.CommandsAndKeys[i];
        if (r.PrimaryKeyStroke == 0) continue;
        EXPECT_TRUE(seen.insert({r.PrimaryKeyStroke, r.SecondaryKeyStroke, r.Modifiers}).second)
            << "row " << i << " shares its key";
    }
}

// Strict UTF-8 with nothing below the space and no DEL.
bool cleanUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || b < 0x20 || b == 0x7F || i + extra >= s.size() + (extra == 0)) return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

TEST(KeyTexts, EveryKeyShowsCleanUtf8) {
    for (uint32_t c = 1; c <= 0xFFFF; ++c) {
        const std::string text = keyComboText({c, 0, 0});
        ASSERT_FALSE(text.empty()) << c;
        ASSERT_TRUE(cleanUtf8(text)) << "key 0x" << std::hex << c << " shows raw bytes";
    }
    EXPECT_EQ(keyComboText({0xE9, 0, 0}), "\xC3\xA9");                      // é
    EXPECT_EQ(keyComboText({0xD83D, 0xDE00, 0}), "\xF0\x9F\x98\x80");       // one character in two units
    EXPECT_EQ(keyComboText({0, 0, kControlKeyMask}), "(no key)");
}

// A frame of the game: the trackers run, then the loop drains the ring (dropping while open).
void frame(PellamJoySub& in) {
    in.createSurfaceInput(800, 600);
    while (in.getNextActionInBuffer()) {
    }
}

class KeyWindow : public ::testing::Test {
protected:
    void SetUp() override { in.awakeFromNib(); }
    void frame() { input::frame(in); }
    void press(uint16_t c, uint32_t mods = 0) {
        in.keyDown(keyEvent(c, mods));
        in.keyUp(keyEvent(c, mods));
        frame();
    }
    // Clicks the row of `command` and presses `c`.
    void bind(CommandNumber command, uint16_t c, uint32_t mods = 0) {
        in.fromKeyboardTable(rowOf(in, command));
        ASSERT_TRUE(in.DoingKeyboardSheet);
        press(c, mods);
    }
    int commandOfKey(uint16_t c, uint32_t mods = 0) {
        ActionItem1 item;
        item.UniCodeKey = {c, 0, mods};
        in.getKeyAction(item);
        return item.theAction;
    }

    TempStore store;
    PellamJoySub in{nullptr, *store};
};

TEST_F(KeyWindow, CaptureRefuseClearResetAndTheTwoWaysOut) {
    const auto original = in.CommandsAndKeys;
    const auto stored = store->dataForKey("KeyboardButtons2");
    const int fireRow = rowOf(in, kFireGuns);
    const uint16_t fireKey = static_cast<uint16_t>(in.CommandsAndKeys[fireRow + 1].PrimaryKeyStroke);
    in.fromDefineKeyboardMenu();
    ASSERT_TRUE(in.isWindowOpen());

    // A free key is taken, with its modifiers; the window's text shows it.
    bind(kFireGuns, 'j', kControlKeyMask);
    EXPECT_FALSE(in.DoingKeyboardSheet);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "(control and ) j");
    EXPECT_EQ(commandOfKey('j', kControlKeyMask), kFireGuns);
    EXPECT_EQ(commandOfKey(fireKey), kUnboundCommand);
    expectKeysUnique(in);

    // A key another command has is refused with the beep and that command's row is selected.
    const int throttleRow = rowOf(in, kThrottleUp);
    const long beeps = platform::beepCount();
    bind(kFireGuns, static_cast<uint16_t>(in.CommandsAndKeys[throttleRow + 1].PrimaryKeyStroke),
         in.CommandsAndKeys[throttleRow + 1].Modifiers);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(in.keyWindow.selectedRow, throttleRow);
    EXPECT_EQ(commandOfKey('j', kControlKeyMask), kFireGuns);
    // Its own key again: refused too, nothing changes.
    bind(kFireGuns, 'j', kControlKeyMask);
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(in.keyWindow.selectedRow, fireRow);
    expectKeysUnique(in);

    // A key that types nothing leaves the sheet waiting; No Key clears the row.
    in.fromKeyboardTable(fireRow);
    press(0);
    EXPECT_TRUE(in.DoingKeyboardSheet);
    in.okayButtons(InputButton::NoKeyBut);
    EXPECT_EQ(in.createKeyComboStringForRow(fireRow), "(no key)");
    // Pressed after the sheet ended by a button: nothing is bound.
    press(0xA7);  // §
    EXPECT_EQ(commandOfKey(0xA7), kUnboundCommand);

    // Reset puts the defaults back without storing; Cancel restores the table of the opening.
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

TEST_F(KeyWindow, ARowWithoutAGameCommandShowsNoKeyAndIsNeverSent) {
    const int row = rowOf(in, kThrottleUp);
    KeyboardCommandList& r = in.CommandsAndKeys[row + 1];
    const uint16_t key = static_cast<uint16_t>(r.PrimaryKeyStroke);
    for (int bad : {0, 95, 200, -3}) {
        r.Command = bad;
        EXPECT_EQ(in.createKeyComboStringForRow(row), "(no key)");
        EXPECT_EQ(commandOfKey(key, r.Modifiers), kUnboundCommand);
    }
    // Its key is free for another command.
    in.fromDefineKeyboardMenu();
    bind(kDropBomb, key, r.Modifiers);
    EXPECT_EQ(commandOfKey(key, r.Modifiers), kDropBomb);
    EXPECT_EQ(in.createKeyComboStringForRow(500), "(no key)");
}

TEST_F(KeyWindow, MousePopUpsShowTheStoredCommandAndNoneForACommandOffTheTable) {
    in.setMouseCommand(kThrottleUp, 0);
    in.MouseButtonTranslation[1] = kUnboundCommand;  // in no row of the table
    in.fromDefineMouseMenu();
    EXPECT_EQ(in.mouseWindow.popUp1, kThrottleUp);
    EXPECT_EQ(in.mouseWindow.popUp2, 0);
    in.mouseWindow.popUp1 = kDropBomb;
    in.okayButtons(InputButton::DefOkayM, {false, in.mouseWindow.popUp1, in.mouseWindow.popUp2});
    EXPECT_EQ(in.getMouseCommand(0), kDropBomb);
    EXPECT_EQ(in.getMouseCommand(1), kUnboundCommand);
    EXPECT_FALSE(in.isWindowOpen());
}

class JoystickWindows : public ::testing::Test {
protected:
    void SetUp() override {
        hid.devices.push_back(test::fullStick());
        for (int c = 1; c <= 4; ++c) hid.devices[0].values[c] = 512;
        in.awakeFromNib();
    }
    void frame() { input::frame(in); }
    FakeHid hid;
    TempStore store;
    PellamJoySub in{&hid, *store};
};

TEST_F(JoystickWindows, ButtonWindowDefinesThePressedButtonAndCancelPutsItBack) {
    in.fromDefineJoystickMenu();
    EXPECT_EQ(in.joyWindow.buttonName, "Button #1");
    EXPECT_EQ(in.joyWindow.popUpCommand, in.getJoystickButtonCommand(6));
    const int before = in.getJoystickButtonCommand(8);
    ASSERT_NE(before, kThrottleUp);

    hid.press(0, 12, 1);  // button 3 down
    frame();
    EXPECT_EQ(in.joyWindow.buttonName, "Button #3");
    EXPECT_EQ(in.CurrentJoyButton, 8);
    in.joyWindow.popUpCommand = kThrottleUp;
    in.joyWindow.revLF = !in.getAileronDirection();
    frame();
    EXPECT_EQ(in.getJoystickButtonCommand(8), kThrottleUp);  // in force before Okay
    // A release counts only with the sticky hat on.
    hid.press(0, 12, 0);
    frame();
    EXPECT_EQ(in.CurrentJoyButton, 8);

    // Neither window opens over the other.
    const long beeps = platform::beepCount();
    in.fromJoystickCalibrateMenu();
    EXPECT_FALSE(in.DoingCalWindow);
    EXPECT_EQ(platform::beepCount(), beeps + 1);

    in.okayButtons(InputButton::DefCancel);
    EXPECT_EQ(in.getJoystickButtonCommand(8), before);
    EXPECT_FALSE(in.getAileronDirection());
    EXPECT_FALSE(in.isWindowOpen());

    // Okay keeps the choice and stores it.
    in.fromDefineJoystickMenu();
    hid.press(0, 12, 1);
    frame();
    in.joyWindow.popUpCommand = kThrottleUp;
    in.joyWindow.slider1 = 3.0;
    frame();
    EXPECT_DOUBLE_EQ(in.StickCurveJoy, 1.9);  // sliders wait for Okay
    in.okayButtons(InputButton::DefOkay, {false, 0, 0});
    EXPECT_DOUBLE_EQ(in.StickCurveJoy, 3.0);
    EXPECT_EQ((*store->dataForKey("JoystickButtons"))[8], kThrottleUp);
}

TEST_F(JoystickWindows, CalibratorCloseBoxLeavesTheCalibrationAndTheStore) {
    const double factor = in.AileronCalibrator;
    const auto stored = store->doubleForKey("AileronCalibrateFactor");
    in.fromJoystickCalibrateMenu();
    ASSERT_TRUE(in.isWindowOpen());
    EXPECT_TRUE(in.UseRaw);
    hid.devices[0].values[1] = 100;
    frame();
    hid.devices[0].values[1] = 1000;
    frame();
    in.calibratorShouldClose();
    EXPECT_FALSE(in.isWindowOpen());
    EXPECT_DOUBLE_EQ(in.AileronCalibrator, factor);
    EXPECT_EQ(store->doubleForKey("AileronCalibrateFactor"), stored);
}

TEST(RangeBoxValues, ASignedStickSweptEndToEndFillsItsBox) {
    test::Rig rig({test::stick({test::axis(1, kUsageX, -32768, 32767), test::axis(2, kUsageY, -32768, 32767)})});
    auto& [hid, store, input] = rig;
    PellamJoySub& in = *input;
    in.fromJoystickCalibrateMenu();
    for (int v : {-32768, 32767, 0}) {
        hid.devices[0].values[1] = hid.devices[0].values[2] = v;
        in.createSurfaceInput(800, 600);
    }
    const auto& r = in.getRanges();
    EXPECT_EQ(std::vector<double>(r.begin(), r.begin() + 4), (std::vector<double>{0.0, 1.0, 1.0, 0.0}));
    EXPECT_NEAR(r[8], 0.5, 1e-4);  // at rest in the middle, not at the left edge
}

struct Builder : ViewMouseTarget {
    std::vector<std::string> calls;
    void MBMouseDown(float x, float y) override { calls.push_back("down " + std::to_string(int(x)) + "," + std::to_string(int(y))); }
    void MBMouseUp(float x, float y) override { calls.push_back("up " + std::to_string(int(x)) + "," + std::to_string(int(y))); }
    void mouseDragAmountX(int32_t dx, int32_t dz) override { calls.push_back("drag " + std::to_string(dx) + "," + std::to_string(dz)); }
    void mouseDragWithShiftAmountX(int32_t dx, int32_t dz) override {
        calls.push_back("turn " + std::to_string(dx) + "," + std::to_string(dz));
    }
};

TEST(ViewMouse, DragsForwardWholePixelsAndDropTheFractions) {
    Builder builder;
    ViewMouseForwarder view;
    view.setController(&builder);
    view.mouseDown(10, 10);  // not loaded from a window description: ignored
    EXPECT_TRUE(builder.calls.empty());
    view.setAwoken(true);
    view.mouseDown(10, 20);
    view.mouseDragged(13.7f, 18.0f, false);
    view.mouseDragged(14.4f, 23.5f, true);  // 0.7 from the new point: no x movement
    view.mouseDragged(16.0f, 23.5f, false);  // shift let go mid-drag
    view.mouseUp(16, 23);
    EXPECT_EQ(builder.calls, (std::vector<std::string>{"down 10,20", "drag 3,-2", "turn 0,5", "drag 1,0", "up 16,23"}));
}

}  // namespace
}  // namespace pellam::input
